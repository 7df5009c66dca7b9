#include "platform/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

#include "platform/Wnd.h"

namespace platform {
namespace {

QStringList candidatesFor(const QString& face)
{
    static const QStringList simSun = {"Noto Serif CJK SC", "Noto Sans CJK SC", "Source Han Serif SC",
                                       "AR PL UMing CN", "WenQuanYi Zen Hei", "Droid Sans Fallback"};
    static const QStringList mingLiU = {"Noto Serif CJK TC", "Noto Sans CJK TC", "Source Han Serif TC",
                                        "AR PL UMing TW", "WenQuanYi Zen Hei", "Droid Sans Fallback"};
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

} // namespace

QStringList FamiliesForFace(const QString& face)
{
    if (face.isEmpty())
        return {};
    const QStringList installed = QFontDatabase::families();
    QStringList result;
    for (const QString& family : candidatesFor(face))
        if (installed.contains(family, Qt::CaseInsensitive))
            result << family;
    return result;
}

QFont FontFromLogFont(const LOGFONT& lf, const QFont& base)
{
    QFont font = base;
    // A face that is not installed and has no known stand-in keeps the
    // window's face rather than letting an unknown name pick any font.
    // An empty face leaves the choice to the system: its default font.
    const QStringList families =
        lf.lfFaceName.isEmpty() ? QGuiApplication::font().families() : FamiliesForFace(lf.lfFaceName);
    if (!families.isEmpty())
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
