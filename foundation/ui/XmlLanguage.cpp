#include "foundation/ui/XmlLanguage.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <pugixml.hpp>

#include "foundation/storage/FormatText.h"
#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/Language.h"
#include "platform/MessageBox.h"

CXmlLanguage* CXmlLanguage::_instance = nullptr;
CXmlLanguage* g_pXmlLang = nullptr;

namespace {

QString textOf(const pugi::xml_node& node)
{
    return QString::fromUtf8(node.child_value());
}

QString attrOf(const pugi::xml_node& node, const QString& name)
{
    return QString::fromUtf8(node.attribute(name.toStdString().c_str()).value());
}

bool hasAttr(const pugi::xml_node& node, const QString& name)
{
    return bool(node.attribute(name.toStdString().c_str()));
}

int intAttrOf(const pugi::xml_node& node, const QString& name)
{
    return node.attribute(name.toStdString().c_str()).as_int(0);
}

// The standard buttons of every message box, kept with the query window's
// texts (window 13200): OK, Cancel, Yes, No.
constexpr int kBoxButtonWnd = 13200;
int boxButtonTextId(int button)
{
    switch (button) {
    case IDOK: return 1320050;
    case IDCANCEL: return 1320051;
    case IDYES: return 1320052;
    case IDNO: return 1320053;
    default: return 0;
    }
}

} // namespace

CXmlLanguage::CXmlLanguage()
{
    SetFile(QStringLiteral("Lang_enu.xml"));
    SetSubPath(QString());
    platform::SetMessageBoxButtonTextSource([this](int button) {
        QString text;
        if (const int id = boxButtonTextId(button))
            GetOtherStr_ByStrId(kBoxButtonWnd, id, text);
        return text;
    });
}

CXmlLanguage::~CXmlLanguage()
{
    platform::SetMessageBoxButtonTextSource({});
    if (_instance == this)
        _instance = nullptr;
    if (g_pXmlLang == this)
        g_pXmlLang = nullptr;
}

CXmlLanguage* CXmlLanguage::Instance()
{
    if (!_instance)
        _instance = new CXmlLanguage();
    return _instance;
}

namespace {

// Every text and attribute value of the tree (already bounded in depth).
bool textsWithinBounds(const pugi::xml_node& top)
{
    struct Check : pugi::xml_tree_walker {
        bool ok = true;
        bool for_each(pugi::xml_node& node) override
        {
            if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
                ok = FormatTextWithinBounds(QString::fromUtf8(node.value()));
            for (pugi::xml_attribute a = node.first_attribute(); ok && a; a = a.next_attribute())
                ok = FormatTextWithinBounds(QString::fromUtf8(a.value()));
            return ok;
        }
    } check;
    pugi::xml_node root = top;
    root.traverse(check);
    return check.ok;
}

QString fileStamp(const QString& path)
{
    const QFileInfo info(path);
    return path + QLatin1Char('\n') + QString::number(info.size()) + QLatin1Char('\n') +
           QString::number(info.lastModified().toMSecsSinceEpoch());
}

} // namespace

int CXmlLanguage::LoadFromXmlFile(const QString& pathFileIn)
{
    if (m_bLoaded)
        return 1;
    const QString pathFile = pathFileIn.isEmpty() ? GetPathFile() : pathFileIn;
    if (!m_strRefused.isEmpty() && m_strRefused == fileStamp(pathFile))
        return 0;
    const int loaded = CBaseXml::LoadFromXmlFile(pathFile);
    // A file read but not ours (another root) is refused like a damaged one:
    // kept, the next look-up would take it for loaded and read its elements.
    if (m_bLoaded && (!loaded || !textsWithinBounds(*m_pDoc))) {
        ResetToEmptyRoot();
        m_strRefused = fileStamp(pathFile);
        return 0;
    }
    m_strRefused = m_bLoaded ? QString() : fileStamp(pathFile);
    return loaded;
}

int CXmlLanguage::LoadSettings(void*)
{
    return LoadFromXmlFile(g_strExePath + m_strFile);
}

int CXmlLanguage::SaveSettings(void* pLang)
{
    if (!DeparseToNode(static_cast<ST_LANGUAGE*>(pLang)))
        return 0;
    return SaveToXmlFile(QString());
}

int CXmlLanguage::GetLangStr_Items(int wndId, ST_LANGUAGE* pLang)
{
    const QString xpath = m_strRootPathSlash + m_strLanguageString + QLatin1Char('/') + m_strWindow +
                          QStringLiteral("[@%1=%2]").arg(m_strID).arg(wndId);
    const pugi::xml_node wnd = SelectSingleNode(xpath);
    if (!wnd)
        return 0;
    return ParseItemsFromNodeWnd_Check(wnd, pLang) ? 1 : 0;
}

int CXmlLanguage::ParseItemsFromNodeWnd_Check(const pugi::xml_node& wnd, ST_LANGUAGE* pLang)
{
    if (!pLang || !pLang->pArrItemId || !pLang->pArrWndType || !pLang->pArrText)
        return 0;
    QList<int>& ids = *pLang->pArrItemId;
    QList<ENUM_WND_TYPE>& types = *pLang->pArrWndType;
    QStringList& texts = *pLang->pArrText;
    const int wndId = intAttrOf(wnd, m_strID);
    const int wndType = intAttrOf(wnd, m_strType);
    if (ids.isEmpty() || ids[0] != wndId || types.size() != ids.size() || types[0] != wndType ||
        texts.size() != ids.size())
        return 0;
    if (hasAttr(wnd, m_strTip))
        texts[0] = attrOf(wnd, m_strTip);
    for (qsizetype i = 1; i < ids.size(); ++i) {
        const QString xpath = m_strRootPathSlash + m_strLanguageString + QLatin1Char('/') + m_strWindow +
                              QStringLiteral("[@%1=%2]/").arg(m_strID).arg(wndId) + m_strItemCtrl +
                              QStringLiteral("[@%1=%2]").arg(m_strId).arg(ids[i]);
        const pugi::xml_node item = SelectSingleNode(xpath);
        if (!item || intAttrOf(item, m_strId) != ids[i] || intAttrOf(item, m_strType) != types[i])
            continue;
        if (types[i] == WND_TYPE_LIST) {
            texts[i] = textOf(item);
            if (pLang->pArrListParam)
                for (ST_LISTCTRL_PARAM& param : *pLang->pArrListParam) {
                    if (param.iId != ids[i])
                        continue;
                    QStringList captions;
                    if (ParseFromNode_ListOrComboParam(item, captions) &&
                        captions.size() == param.arrColumnName.size())
                        param.arrColumnName = captions;
                }
        } else if (types[i] == WND_TYPE_COMBO) {
            if (pLang->pArrComboParam)
                for (ST_COMBO_PARAM& param : *pLang->pArrComboParam) {
                    if (param.iId != ids[i])
                        continue;
                    QStringList items;
                    if (ParseFromNode_ListOrComboParam(item, items) && items.size() == param.arrItem.size())
                        param.arrItem = items;
                }
        } else {
            texts[i] = textOf(item);
        }
    }
    return 1;
}

int CXmlLanguage::ParseItemsFromNodeWnd_NoCheck(const pugi::xml_node& wnd, ST_LANGUAGE* pLang)
{
    if (!pLang || !pLang->pArrItemId || !pLang->pArrWndType || !pLang->pArrText)
        return 0;
    pLang->pArrItemId->clear();
    pLang->pArrWndType->clear();
    pLang->pArrText->clear();
    pLang->pArrItemId->append(intAttrOf(wnd, m_strID));
    pLang->pArrWndType->append(ENUM_WND_TYPE(intAttrOf(wnd, m_strType)));
    pLang->pArrText->append(attrOf(wnd, m_strTip));
    for (pugi::xml_node child = wnd.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element)
            continue;
        pLang->pArrItemId->append(intAttrOf(child, m_strId));
        pLang->pArrWndType->append(ENUM_WND_TYPE(intAttrOf(child, m_strType)));
        pLang->pArrText->append(attrOf(child, m_strTip));
    }
    return 1;
}

int CXmlLanguage::ParseFromNode_ListOrComboParam(const pugi::xml_node& item, QStringList& texts)
{
    for (pugi::xml_node child = item.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element)
            texts << textOf(child);
    return 1;
}

int CXmlLanguage::GetOtherStr_ByStrId(int wndId, int strId, QString& out)
{
    if (!LoadFromXmlFile(g_strExePath + m_strFile))
        return 0;
    const QString xpath = m_strRootPathSlash + m_strLanguageString + QLatin1Char('/') + m_strWindow +
                          QStringLiteral("[@%1=%2]/").arg(m_strID).arg(wndId) + m_strOtherString +
                          QStringLiteral("[@%1=%2]").arg(m_strId).arg(strId);
    const pugi::xml_node node = SelectSingleNode(xpath);
    if (!node)
        return 0;
    out = textOf(node).replace(QLatin1String("\\r\\n"), QLatin1String("\r\n"));
    return 1;
}

int CXmlLanguage::GetPageTitle(int pageId, QString& out)
{
    if (!LoadFromXmlFile(g_strExePath + m_strFile))
        return 0;
    const pugi::xml_node node = SelectSingleNode(QStringLiteral("//*[@%1=%2]").arg(m_strID).arg(pageId));
    if (!node || intAttrOf(node, m_strType) != WND_TYPE_PAGE)
        return 0;
    out = attrOf(node, m_strTip);
    return 1;
}

int CXmlLanguage::GetLangStr_ByName(int parentId, const QString& name, QString& out)
{
    // The name becomes part of the expression: only a plain element name is looked up.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_.-]*$"));
    if (!plainName.match(name).hasMatch())
        return 0;
    if (!LoadFromXmlFile(g_strExePath + m_strFile))
        return 0;
    const pugi::xml_node node =
        SelectSingleNode(QStringLiteral("//%1[../@%2=%3]").arg(name, m_strId).arg(parentId));
    if (!node)
        return 0;
    out = textOf(node);
    return 1;
}

int CXmlLanguage::GetLangStr_ByItemId(int wndId, int itemId, QString& out)
{
    if (!LoadFromXmlFile(g_strExePath + m_strFile))
        return 0;
    const pugi::xml_node node = SelectSingleNode(
        QStringLiteral("//*[../@%1=%2 and @%3=%4]").arg(m_strID).arg(wndId).arg(m_strId).arg(itemId));
    if (!node)
        return 0;
    out = textOf(node);
    return 1;
}

int CXmlLanguage::DeparseToNode(ST_LANGUAGE* pLang)
{
    if (!pLang || !pLang->pArrItemId || !pLang->pArrWndType || !pLang->pArrText)
        return 0;
    const QList<int>& ids = *pLang->pArrItemId;
    const QList<ENUM_WND_TYPE>& types = *pLang->pArrWndType;
    const QStringList& texts = *pLang->pArrText;
    if (ids.isEmpty() || types.size() < ids.size() || texts.size() < ids.size())
        return 0;
    const auto s = [](const QString& v) { return v.toStdString(); };
    if (!m_pRoot)
        m_pRoot = m_pDoc->append_child(s(m_strRootName).c_str()).internal_object();
    pugi::xml_node root = GetRoot();
    if (pugi::xml_node old = SelectSingleNode(m_strRootPathSlash + m_strLanguageString))
        old.parent().remove_child(old);
    pugi::xml_node langs = root.append_child(s(m_strLanguageString).c_str());
    pugi::xml_node wnd = langs.append_child(s(m_strWindow).c_str());
    wnd.append_attribute(s(m_strID).c_str()).set_value(ids[0]);
    wnd.append_attribute(s(m_strType).c_str()).set_value(int(types[0]));
    wnd.append_attribute(s(m_strTip).c_str()).set_value(s(texts[0]).c_str());
    for (qsizetype i = 1; i < ids.size(); ++i) {
        if (types[i] == WND_TYPE_EDIT)
            continue;
        pugi::xml_node item = wnd.append_child(s(m_strItemCtrl).c_str());
        item.append_attribute(s(m_strId).c_str()).set_value(ids[i]);
        item.append_attribute(s(m_strType).c_str()).set_value(int(types[i]));
        if (types[i] == WND_TYPE_LIST) {
            if (pLang->pArrListParam)
                for (const ST_LISTCTRL_PARAM& param : *pLang->pArrListParam) {
                    if (param.iId != ids[i])
                        continue;
                    for (qsizetype j = 0; j < param.arrColumnName.size(); ++j) {
                        pugi::xml_node col = item.append_child(s(m_strColumn).c_str());
                        col.append_attribute(s(m_strId).c_str()).set_value(int(j));
                        col.append_attribute(s(m_strTip).c_str()).set_value(s(texts[i]).c_str());
                        col.text().set(s(param.arrColumnName[j]).c_str());
                    }
                }
        } else if (types[i] == WND_TYPE_COMBO) {
            if (pLang->pArrComboParam)
                for (const ST_COMBO_PARAM& param : *pLang->pArrComboParam) {
                    if (param.iId != ids[i])
                        continue;
                    for (qsizetype j = 0; j < param.arrItem.size(); ++j) {
                        pugi::xml_node entry = item.append_child(s(m_strComboItem).c_str());
                        entry.append_attribute(s(m_strId).c_str()).set_value(int(j));
                        entry.text().set(s(param.arrItem[j]).c_str());
                    }
                }
        } else {
            item.append_attribute(s(m_strTip).c_str()).set_value(s(texts[i]).c_str());
            item.text().set(s(texts[i]).c_str());
        }
    }
    return 1;
}
