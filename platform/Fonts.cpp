#include "platform/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

#include "platform/Wnd.h"

namespace platform {
namespace {

// Stand-ins for the Windows faces of the languages' fonts, best first. Only
// installed ones are used; WenQuanYi Micro Hei is the one shipped with the
// program's packages and covers simplified and traditional Chinese.
QStringList candidatesFor(const QString& face)
{
    static const QStringList simSun = {"WenQuanYi Micro Hei", "Noto Serif CJK SC", "Noto Sans CJK SC",
                                       "Source Han Serif SC", "AR PL UMing CN", "WenQuanYi Zen Hei",
                                       "Droid Sans Fallback"};
    static const QStringList mingLiU = {"WenQuanYi Micro Hei", "Noto Serif CJK TC", "Noto Sans CJK TC",
                                        "Source Han Serif TC", "AR PL UMing TW", "WenQuanYi Zen Hei",
                                        "Droid Sans Fallback"};
    static const QStringList arial = {"Liberation Sans", "Arimo", "Noto Sans", "DejaVu Sans"};
    if (face == QStringLiteral("宋体") || face.compare(QLatin1String("SimSun"), Qt::CaseInsensitive) == 0 ||
        face == QStringLiteral("新宋体"))
        return simSun;
    if (face.compare(QLatin1String("MingLiU"), Qt::CaseInsensitive) == 0 ||
        face.compare(QLatin1String("PMingLiU"), Qt::CaseInsensitive) == 0 || face == QStringLiteral("細明體"))
        return mingLiU;
    if (face.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0)
        return arial;
    return {face};
}

QStringList installedOnly(const QStringList& families)
{
    const QStringList installed = QFontDatabase::families();
    QStringList result;
    for (const QString& family : families)
        if (installed.contains(family, Qt::CaseInsensitive) && !result.contains(family, Qt::CaseInsensitive))
            result << family;
    return result;
}

// The Windows face names also resolve where a widget names them directly
// (style sheets, rich text): Qt's substitution table maps them once.
void insertFaceSubstitutions()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const QString& face : {QStringLiteral("宋体"), QStringLiteral("MingLiU"), QStringLiteral("Arial")})
        QFont::insertSubstitutions(face, installedOnly(candidatesFor(face)) + ScriptFallbackFamilies());
}

QStringList familiesOf(const QFont& font)
{
    const QStringList families = font.families();
    return families.isEmpty() ? QStringList{font.family()} : families;
}

} // namespace

QStringList ScriptFallbackFamilies()
{
    // Latin, Greek and Cyrillic; Arabic; Bengali; Devanagari; Chinese,
    // Japanese kana and Korean Hangul in one font.
    static const QStringList wanted = {"Noto Sans",           "Noto Sans Arabic",    "Noto Sans Bengali",
                                       "Noto Sans Devanagari", "WenQuanYi Micro Hei", "DejaVu Sans"};
    return installedOnly(wanted);
}

QStringList FamiliesForFace(const QString& face)
{
    if (face.isEmpty())
        return {};
    insertFaceSubstitutions();
    return installedOnly(candidatesFor(face));
}

QFont FontFromLogFont(const LOGFONT& lf, const QFont& base)
{
    QFont font = base;
    // A face that is not installed and has no known stand-in keeps the
    // window's face rather than letting an unknown name pick any font.
    // An empty face leaves the choice to the system: its default font.
    QStringList families =
        lf.lfFaceName.isEmpty() ? familiesOf(QGuiApplication::font()) : FamiliesForFace(lf.lfFaceName);
    if (families.isEmpty())
        families = familiesOf(base);
    // The fonts for every script of the languages follow, so a letter the
    // face lacks comes from a font that has it, never as a box.
    for (const QString& family : ScriptFallbackFamilies())
        if (!families.contains(family, Qt::CaseInsensitive))
            families << family;
    font.setFamilies(families);
    if (lf.lfHeight < 0)
        font.setPixelSize(-lf.lfHeight);
    else if (lf.lfHeight > 0)
        font.setPixelSize(qMax(1, lf.lfHeight * 3 / 4));  // cell height: leave the internal leading
    font.setWeight(QFont::Weight(qBound(1, lf.lfWeight == 0 ? FW_NORMAL : lf.lfWeight, 1000)));
    font.setItalic(lf.lfItalic);
    return font;
}

LOGFONT LogFontFromFont(const QFont& font, int logPixelsY)
{
    LOGFONT lf;
    if (font.pixelSize() > 0)
        lf.lfHeight = -font.pixelSize();
    else
        lf.lfHeight = -qRound(font.pointSizeF() * logPixelsY / 72.0);
    lf.lfWeight = int(font.weight());
    lf.lfItalic = font.italic();
    const QStringList families = font.families();
    lf.lfFaceName = families.isEmpty() ? font.family() : families.first();
    return lf;
}

} // namespace platform

BOOL CFont::CreateFontIndirect(const LOGFONT& font)
{
    m_font = font;
    m_created = true;
    return TRUE;
}

BOOL CFont::CreatePointFont(int tenthsOfPoint, const QString& face, int weight)
{
    LOGFONT lf;
    const int dpi = CWnd().GetLogPixelsY();
    lf.lfHeight = -((tenthsOfPoint * dpi + 360) / 720);
    lf.lfWeight = weight;
    lf.lfFaceName = face;
    return CreateFontIndirect(lf);
}

BOOL CFont::GetLogFont(LOGFONT& font) const
{
    if (!m_created)
        return FALSE;
    font = m_font;
    return TRUE;
}

void CFont::DeleteObject()
{
    m_font = LOGFONT();
    m_created = false;
}
