#include "foundation/ui/ExBitmapButton.h"

COLORREF CExBitmapButton::BorderColorFor(COLORREF background)
{
    const int mean = (GetRValue(background) + GetGValue(background) + GetBValue(background)) / 3;
    return mean > 128 ? 0x505050 : 0xA0A0A0;
}

void CExBitmapButton::SetBkColor(COLORREF color)
{
    m_crBackground = color;
    m_crPen = m_crBorder = BorderColorFor(color);
    SetFlatColors(m_crBackground, m_crBorder);
    Invalidate();
    UpdateWindow();
}
