#pragma once

// An edit box that filters what is typed (digits, hex digits) keeping the
// caret where the user expects it, and that can paint its own background.
#include "platform/Wnd.h"

enum ENUM_EDIT_CTRL_TYPE : int {
    EDIT_TYPE_NONE = -1,
    EDIT_TYPE_NORMAL = 0,
    EDIT_TYPE_DIGIT = 1,
    EDIT_TYPE_HEX = 2,
};

class CDialogEx;

class TESSELCORE_API CExEdit : public CEdit {
public:
    CExEdit() = default;
    explicit CExEdit(ENUM_EDIT_CTRL_TYPE type) : m_eEditCtrlType(type) {}
    ~CExEdit() override;
    CExEdit(const CExEdit&) = delete;
    CExEdit& operator=(const CExEdit&) = delete;

    // Binds the object to control `id` of `parent` and starts filtering its changes.
    BOOL SubclassDlgItem(int id, CDialogEx* parent);

    ENUM_EDIT_CTRL_TYPE GetEditCtrlType() const { return m_eEditCtrlType; }
    void SetEditCtrlType(ENUM_EDIT_CTRL_TYPE type) { m_eEditCtrlType = type; }
    COLORREF GetPenColor() const { return m_crPen; }
    void SetPenColor(COLORREF color);
    COLORREF GetBackgroundColor() const { return m_crBackground; }
    void SetBackgoundColor(COLORREF color);

    // The change filter; called after every change of the text.
    void OnChange();
    // Keeps the characters the type accepts; `caret` (-1: none) follows the removals.
    static QString FilterText(const QString& text, ENUM_EDIT_CTRL_TYPE type, int& caret);

private:
    ENUM_EDIT_CTRL_TYPE m_eEditCtrlType = EDIT_TYPE_NORMAL;
    COLORREF m_crPen = 0;
    COLORREF m_crBackground = 0;
    int m_bBackgroundSet = 0;
    int m_bPenSet = 0;
    bool m_bFiltering = false;
    QMetaObject::Connection m_connection;
};
