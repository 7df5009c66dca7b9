#pragma once

// A flat button painted from a one-colour bitmap with a thin border whose
// shade contrasts with the background.
#include "platform/Wnd.h"

class TESSELCORE_API CExBitmapButton : public CButton {
public:
    CExBitmapButton() = default;
    CExBitmapButton(const CWnd& w) : CButton(w) {}

    void SetBkColor(COLORREF color);
    COLORREF GetBkColor() const { return m_crBackground; }
    COLORREF GetPenColor() const { return m_crPen; }
    COLORREF GetBorderColor() const { return m_crBorder; }
    // 0x505050 on light backgrounds (mean of R, G, B above 128), else 0xA0A0A0.
    static COLORREF BorderColorFor(COLORREF background);

private:
    COLORREF m_crPen = 0xA2A2A2;
    COLORREF m_crBorder = 0xA2A2A2;
    COLORREF m_crBackground = 0;
};
