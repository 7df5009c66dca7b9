#include "foundation/ui/ExEdit.h"

#include "platform/DialogEx.h"

CExEdit::~CExEdit()
{
    QObject::disconnect(m_connection);
}

BOOL CExEdit::SubclassDlgItem(int id, CDialogEx* parent)
{
    QObject::disconnect(m_connection);
    CWnd item = parent ? parent->GetDlgItem(id) : CWnd();
    if (!item)
        return FALSE;
    static_cast<CWnd&>(*this) = item;
    m_connection = OnTextChanged([this] { OnChange(); });
    if (m_bBackgroundSet)
        SetBkColor(m_crBackground);
    return TRUE;
}

void CExEdit::SetPenColor(COLORREF color)
{
    m_crPen = color;
    m_bPenSet = 1;
}

void CExEdit::SetBackgoundColor(COLORREF color)
{
    m_crBackground = color;
    m_bBackgroundSet = 1;
    SetBkColor(color);
}

QString CExEdit::FilterText(const QString& text, ENUM_EDIT_CTRL_TYPE type, int& caret)
{
    const auto accepted = [type](QChar c) {
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9')
            return true;
        return type == EDIT_TYPE_HEX && ((u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f'));
    };
    QString out = text;
    for (qsizetype i = out.size() - 1; i >= 0; --i) {
        if (accepted(out[i]))
            continue;
        out.remove(i, 1);
        if (i < caret)
            --caret;
    }
    return out;
}

void CExEdit::OnChange()
{
    if (m_bFiltering || (m_eEditCtrlType != EDIT_TYPE_DIGIT && m_eEditCtrlType != EDIT_TYPE_HEX))
        return;
    const QString text = GetWindowText();
    int start = 0;
    int end = 0;
    GetSel(start, end);
    int caret = start == end ? end : -1;
    const QString filtered = FilterText(text, m_eEditCtrlType, caret);
    if (filtered == text)
        return;
    m_bFiltering = true;
    SetWindowText(filtered);
    SetSel(caret, caret);
    m_bFiltering = false;
}
