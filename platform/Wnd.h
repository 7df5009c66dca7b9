#pragma once

// Light handles on the windows of a dialog, reached by control id. A handle
// is a value: copy it freely; once its window is gone every call does nothing
// and every query answers 0 / empty.
#include <functional>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "foundation/TesselcoreApi.h"
#include "platform/WindowTypes.h"

class QObject;
class QWidget;
class CFont;

class TESSELCORE_API CWnd {
public:
    CWnd() = default;
    explicit CWnd(QWidget* widget);
    CWnd(const CWnd&) = default;
    CWnd& operator=(const CWnd&) = default;
    virtual ~CWnd();

    bool IsValid() const;
    explicit operator bool() const { return IsValid(); }
    bool operator==(const CWnd& other) const;
    // The underlying widget (for the platform layer and tests only).
    QWidget* GetWidget() const;

    int GetDlgCtrlID() const;
    // The child (at any depth) with that control id; an invalid handle if none.
    CWnd GetDlgItem(int id) const;
    // The window that has the keyboard focus (the control, never an inner part of it).
    static CWnd GetFocus();

    void SetWindowText(const QString& text);
    QString GetWindowText() const;
    // Empties an edit field, overwriting the text it held first (and its
    // undo history with it): for fields that held a secret.
    void WipeText();
    void EnableWindow(BOOL enable);
    BOOL IsWindowEnabled() const;
    void ShowWindow(int cmd);
    BOOL IsWindowVisible() const;
    void SetFocus();
    BOOL HasFocus() const;

    // Screen coordinates of the window. For a top-level window this is its
    // client area: the frame belongs to the window manager and is unknown
    // until the window is first shown.
    void GetWindowRect(CRect& rect) const;
    // (0, 0, width, height) of the client area.
    void GetClientRect(CRect& rect) const;
    void ScreenToClient(CRect& rect) const;
    void ClientToScreen(CRect& rect) const;
    // Children: client coordinates of the parent; top-level windows: screen.
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(const CRect& rect, BOOL repaint = TRUE);
    // Pixels of height the control needs to show all of its text `width`
    // pixels wide (a label breaks its lines to fit).
    int GetHeightForWidth(int width) const;
    void Invalidate();
    void UpdateWindow();

    // The window's current font as a description (face, negative pixel height, weight).
    BOOL GetLogFont(LOGFONT& font) const;
    void SetFont(const CFont* font, BOOL redraw = TRUE);
    // Vertical pixels per logical inch of the window's screen.
    int GetLogPixelsY() const;

    // Colours stand in for the control-colour request: set once, kept until reset.
    void SetTextColor(COLORREF color);
    void SetBkColor(COLORREF color);
    void SetBkTransparent();
    void ResetColors();
    // Static texts: SS_CENTER, SS_RIGHT, SS_CENTERIMAGE (vertical centring).
    void ModifyStyle(DWORD remove, DWORD add);
    // Push buttons: painted flat in `background` with a one-pixel `border`.
    void SetFlatColors(COLORREF background, COLORREF border);
    // Calls `handler` after every change of an edit's text (after the
    // dialog's own EN_CHANGE handling); disconnect the result when done.
    QMetaObject::Connection OnTextChanged(std::function<void()> handler) const;

protected:
    void Attach(QWidget* widget);
    QPointer<QObject> m_obj;
};

class TESSELCORE_API CFont {
public:
    CFont() = default;
    BOOL CreateFontIndirect(const LOGFONT& font);
    // A font of `tenthsOfPoint` / 10 points on the screen, normal weight.
    BOOL CreatePointFont(int tenthsOfPoint, const QString& face, int weight = FW_NORMAL);
    BOOL GetLogFont(LOGFONT& font) const;
    void DeleteObject();
    BOOL IsCreated() const { return m_created; }

private:
    LOGFONT m_font;
    bool m_created = false;
};

class TESSELCORE_API CButton : public CWnd {
public:
    CButton() = default;
    CButton(const CWnd& w) : CWnd(w) {}
    // BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE
    int GetCheck() const;
    void SetCheck(int state);
};

class TESSELCORE_API CEdit : public CWnd {
public:
    CEdit() = default;
    CEdit(const CWnd& w) : CWnd(w) {}
    void GetSel(int& start, int& end) const;
    void SetSel(int start, int end, BOOL noScroll = FALSE);
    void ReplaceSel(const QString& text);
    void LimitText(int maxChars);
    void SetReadOnly(BOOL readOnly = TRUE);
    BOOL IsReadOnly() const;
    // '\0' shows the text, anything else hides it.
    void SetPasswordChar(QChar ch);
    BOOL IsPassword() const;
};

class TESSELCORE_API CFolderEdit : public CEdit {
public:
    CFolderEdit() = default;
    CFolderEdit(const CWnd& w) : CEdit(w) {}
    void EnableFolderBrowseButton(BOOL enable = TRUE);
};

class TESSELCORE_API CComboBox : public CWnd {
public:
    CComboBox() = default;
    CComboBox(const CWnd& w) : CWnd(w) {}
    int AddString(const QString& text);
    int InsertString(int index, const QString& text);
    // Remaining count, or -1 for an index outside the list.
    int DeleteString(int index);
    void ResetContent();
    int GetCount() const;
    int GetLBText(int index, QString& text) const;  // length, or -1
    QString GetLBText(int index) const;
    int GetCurSel() const;  // -1 when nothing is selected
    int SetCurSel(int index);
    int FindStringExact(int startAfter, const QString& text) const;
    int SelectString(int startAfter, const QString& text);
};

class TESSELCORE_API CHotKeyCtrl : public CWnd {
public:
    CHotKeyCtrl() = default;
    CHotKeyCtrl(const CWnd& w) : CWnd(w) {}
    // (HOTKEYF_ flags << 16) | Windows virtual-key code; 0 when empty.
    DWORD GetHotKey() const;
    void GetHotKey(WORD& vk, WORD& modifiers) const;
    void SetHotKey(WORD vk, WORD modifiers);
    void SetHotKeyValue(DWORD value);
};

// A list control in report view. Rows live in a model, so a hundred thousand
// rows cost memory for their texts only.
class TESSELCORE_API CListCtrl : public CWnd {
public:
    CListCtrl() = default;
    CListCtrl(const CWnd& w) : CWnd(w) {}

    DWORD SetExtendedStyle(DWORD styles);
    DWORD GetExtendedStyle() const;

    int InsertColumn(int col, const QString& caption, int width = 100);
    int GetHeaderItemCount() const;
    BOOL GetColumnCaption(int col, QString& caption) const;
    BOOL SetColumnCaption(int col, const QString& caption);
    int GetColumnWidth(int col) const;
    BOOL SetColumnWidth(int col, int width);

    int GetItemCount() const;
    // Inserts a row with its first cell; returns its index (appends when row >= count).
    int InsertItem(int row, const QString& text);
    BOOL SetItemText(int row, int col, const QString& text);
    QString GetItemText(int row, int col) const;
    BOOL DeleteItem(int row);
    BOOL DeleteAllItems();
    // Replaces all rows at once (fast path for large result sets).
    void SetAllItems(QList<QStringList> rows);
    // Owner data: the list holds no texts and asks `text` for the cells it
    // shows; SetItemCountEx then gives the number of rows (all new, unchecked)
    // and RedrawItems tells it that the owner's texts of some rows changed.
    void SetOwnerData(std::function<QString(int row, int col)> text);
    void SetItemCountEx(int count);
    void RedrawItems(int first, int last);

    BOOL GetCheck(int row) const;
    BOOL SetCheck(int row, BOOL check = TRUE);
    // LVIS_SELECTED / LVIS_FOCUSED / LVIS_STATEIMAGEMASK; row -1 means every row.
    UINT GetItemState(int row, UINT mask) const;
    BOOL SetItemState(int row, UINT state, UINT mask);
    int GetNextItem(int start, int flags) const;
    int GetSelectedCount() const;
    int GetSelectionMark() const;
    BOOL EnsureVisible(int row, BOOL partialOk = FALSE);
    void SetRowHeight(int height);
    // The row's rectangle in screen coordinates (for a menu shown at it); FALSE off the rows.
    BOOL GetItemRect(int row, CRect& rect) const;
};

namespace platform {
// A caption as shown, without its mnemonic marks ("&&" is one '&').
TESSELCORE_API QString StripMnemonic(const QString& raw);
} // namespace platform
