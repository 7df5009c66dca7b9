#include "foundation/ui/BaseXml.h"

#include <sstream>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <pugixml.hpp>

#include "platform/Files.h"
#include "platform/MessageBox.h"

QString CBaseXml::s_strCommonPath;

namespace {

// A settings or language file is small; anything larger is not one of ours
// and is not read into memory.
constexpr qint64 kMaxXmlFileSize = 16 * 1024 * 1024;
// Our files nest a handful of levels; a deeper one is refused before anything
// walks or frees it recursively.
constexpr int kMaxXmlDepth = 64;

std::string toUtf8(const QString& s)
{
    return s.toStdString();
}

pugi::xml_node rootOf(pugi::xml_node_struct* root)
{
    return pugi::xml_node(root);
}

// True when no element of the document lies deeper than `maxDepth`. Walks
// without recursion: the depth is what is in question.
bool withinDepth(const pugi::xml_node& top, int maxDepth)
{
    int depth = 0;
    pugi::xml_node node = top.first_child();
    while (node) {
        if (pugi::xml_node child = node.first_child()) {
            if (++depth > maxDepth)
                return false;
            node = child;
            continue;
        }
        while (node && !node.next_sibling() && depth > 0) {
            node = node.parent();
            --depth;
        }
        node = node.next_sibling();
    }
    return true;
}

} // namespace

CBaseXml::CBaseXml() : m_pDoc(std::make_unique<pugi::xml_document>())
{
    InitStr_FileAndNode(QString(), QString());
}

CBaseXml::~CBaseXml() = default;

QString CBaseXml::GetCommonPath()
{
    return s_strCommonPath;
}

void CBaseXml::SetCommonPath(const QString& path)
{
    s_strCommonPath = path;
}

void CBaseXml::InitStr_FileAndNode(const QString& file, const QString& subPath)
{
    m_strFile = file;
    m_strSubPath = subPath;
    m_strRootName = QStringLiteral("Tessel");
    m_strRootPath = QLatin1Char('/') + m_strRootName;
    m_strRootPathSlash = m_strRootPath + QLatin1Char('/');
}

void CBaseXml::SetSubPathAndFile(const QString& file, const QString& subPath)
{
    m_strFile = file;
    m_strSubPath = subPath;
}

QString CBaseXml::GetPath() const
{
    if (s_strCommonPath.isEmpty())
        return QString();
    // Exactly one trailing separator, whatever the parts end in.
    const QString marker = QStringLiteral("__*.*");
    QString path = s_strCommonPath + m_strSubPath + marker;
    path.replace(QLatin1Char('/') + marker, QString());
    path.replace(marker, QString());
    return path + QLatin1Char('/');
}

QString CBaseXml::GetPathFile() const
{
    const QString path = GetPath();
    return path.isEmpty() ? QString() : path + m_strFile;
}

int CBaseXml::GetPathAndFile(QString& pathFile, QString& path) const
{
    if (s_strCommonPath.isEmpty())
        return 0;
    path = GetPath();
    pathFile = path + m_strFile;
    return 1;
}

pugi::xml_node CBaseXml::GetRoot() const
{
    return rootOf(m_pRoot);
}

pugi::xml_node CBaseXml::SelectSingleNode(const QString& xpath) const
{
    try {
        return m_pDoc->select_node(toUtf8(xpath).c_str()).node();
    } catch (const std::exception&) {
        // A malformed expression finds nothing.
        return pugi::xml_node();
    }
}

int CBaseXml::LoadFromXmlFile(const QString& pathFileIn)
{
    if (m_bLoaded)
        return 1;
    if (pugi::xml_node root = rootOf(m_pRoot))
        while (pugi::xml_node child = root.first_child())
            root.remove_child(child);
    const QString pathFile = pathFileIn.isEmpty() ? GetPathFile() : pathFileIn;

    bool ok = false;
    QFile file(pathFile);
    if (!pathFile.isEmpty() && file.size() <= kMaxXmlFileSize && file.open(QIODevice::ReadOnly)) {
        const QByteArray data = file.readAll();
        ok = m_pDoc->load_buffer(data.constData(), size_t(data.size())).status == pugi::status_ok &&
             withinDepth(*m_pDoc, kMaxXmlDepth);
    }
    if (!ok) {
        ResetToEmptyRoot();
        return 0;
    }
    m_bLoaded = 1;
    pugi::xml_node root = m_pDoc->child(toUtf8(m_strRootName).c_str());
    if (!root) {
        m_pRoot = m_pDoc->append_child(toUtf8(m_strRootName).c_str()).internal_object();
        return 0;
    }
    m_pRoot = root.internal_object();
    return 1;
}

void CBaseXml::ResetToEmptyRoot()
{
    // reset() frees the whole tree at once; removing nodes one by one would
    // recurse as deep as the tree goes.
    m_pDoc->reset();
    m_bLoaded = 0;
    m_pRoot = m_pDoc->append_child(toUtf8(m_strRootName).c_str()).internal_object();
}

int CBaseXml::SaveToXmlFile(const QString& pathFileIn)
{
    QString pathFile = pathFileIn;
    QString folder;
    if (pathFile.isEmpty()) {
        if (!GetPathAndFile(pathFile, folder))
            return 0;
    } else {
        folder = QFileInfo(pathFile).path();
    }
    if (!QFileInfo(folder).isDir()) {
        QString error;
        if (!CreateXmlPath(folder, error)) {
            platform::ShowMessageBox(QStringLiteral("Direction can't create, save faild!"));
            return 0;
        }
    }
    FormatAllNodes();
    std::ostringstream out;
    m_pDoc->save(out, "\t", pugi::format_default, pugi::encoding_utf8);
    const std::string text = out.str();
    // Written beside and renamed into place: a full disk never leaves half a file.
    QSaveFile file(pathFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), qint64(text.size())) != qint64(text.size()) ||
        !file.commit())
        return 0;
    m_bLoaded = 0;
    return 1;
}

int CBaseXml::CreateXmlPath(const QString& pathIn, QString& error)
{
    QString path = QDir::fromNativeSeparators(pathIn);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    for (qsizetype i = path.indexOf(QLatin1Char('/'), 1); i >= 0; i = path.indexOf(QLatin1Char('/'), i + 1)) {
        const QString prefix = path.left(i + 1);
        if (QFileInfo(prefix).isDir())
            continue;
        if (!platform::MakeFolder(prefix)) {
            error = prefix;
            return 0;
        }
    }
    return 1;
}

namespace {

// The text of the attribute `attr` (bAttr non-zero) or of the node itself.
bool readValue(const pugi::xml_node& node, int bAttr, const QString& attr, QString& out)
{
    if (!node)
        return false;
    if (bAttr) {
        pugi::xml_attribute a = node.attribute(attr.toStdString().c_str());
        if (!a)
            return false;
        out = QString::fromUtf8(a.value());
    } else {
        out = QString::fromUtf8(node.text().get());
    }
    return true;
}

} // namespace

int CBaseXml::ParseFromNote_BOOL(int& value, const QString& xpath, int bAttr, const QString& attr)
{
    QString text;
    if (!readValue(SelectSingleNode(xpath), bAttr, attr, text))
        return 0;
    if (bAttr) {
        bool ok = false;
        const int v = text.trimmed().toInt(&ok);
        if (!ok)
            return 0;
        value = v != 0;
    } else {
        value = text == QLatin1String("1");
    }
    return 1;
}

namespace {

// The number at the node, or nothing when there is none or it is not one.
template <class T, class Convert>
int parseNumber(T& value, const QString& text, bool found, Convert convert)
{
    if (!found)
        return 0;
    bool ok = false;
    const T v = convert(text.trimmed(), &ok);
    if (!ok)
        return 0;
    value = v;
    return 1;
}

} // namespace

int CBaseXml::ParseFromNote_Int(int& value, const QString& xpath, int bAttr, const QString& attr)
{
    QString text;
    const bool found = readValue(SelectSingleNode(xpath), bAttr, attr, text);
    return parseNumber(value, text, found, [](const QString& t, bool* ok) { return t.toInt(ok); });
}

int CBaseXml::ParseFromNote_DWORD(DWORD& value, const QString& xpath, int bAttr, const QString& attr)
{
    QString text;
    const bool found = readValue(SelectSingleNode(xpath), bAttr, attr, text);
    return parseNumber(value, text, found, [](const QString& t, bool* ok) { return DWORD(t.toUInt(ok)); });
}

int CBaseXml::ParseFromNote_Str(QString& value, const QString& xpath, int bAttr, const QString& attr)
{
    QString text;
    if (!readValue(SelectSingleNode(xpath), bAttr, attr, text))
        return 0;
    value = text;
    return 1;
}

int CBaseXml::ParseFromNote_PTR(char16_t* value, int capacity, const QString& xpath, int bAttr,
                                const QString& attr)
{
    QString text;
    if (!value || capacity < 1 || !readValue(SelectSingleNode(xpath), bAttr, attr, text))
        return 0;
    const qsizetype n = qMin<qsizetype>(text.size(), capacity - 1);
    for (qsizetype i = 0; i < n; ++i)
        value[i] = text[i].unicode();
    value[n] = 0;
    return 1;
}

namespace {

int writeValue(const pugi::xml_node& parent, const QString& name, const QString& value, int bAttr)
{
    if (!parent)
        return 0;
    const std::string n = name.toStdString();
    pugi::xml_node element = pugi::xml_node(parent).append_child(n.c_str());
    if (!element)
        return 0;
    const std::string v = value.toStdString();
    if (bAttr)
        return element.append_attribute(n.c_str()).set_value(v.c_str()) ? 1 : 0;
    return element.text().set(v.c_str()) ? 1 : 0;
}

} // namespace

int CBaseXml::DeparseToNote_BOOL(const pugi::xml_node& parent, const QString& name, int value, int bAttr)
{
    return writeValue(parent, name, value ? QStringLiteral("1") : QStringLiteral("0"), bAttr);
}

int CBaseXml::DeparseToNote_Int(const pugi::xml_node& parent, const QString& name, int value, int bAttr)
{
    return writeValue(parent, name, QString::number(value), bAttr);
}

int CBaseXml::DeparseToNote_DWORD(const pugi::xml_node& parent, const QString& name, DWORD value, int bAttr)
{
    return writeValue(parent, name, QString::number(value), bAttr);
}

int CBaseXml::DeparseToNote_Str(const pugi::xml_node& parent, const QString& name, const QString& value,
                                int bAttr)
{
    return writeValue(parent, name, value, bAttr);
}
