#pragma once

// The dialog of the system: built from a DialogTemplate, run modally (or
// modeless), with the handlers and calls of the Windows dialog framework that
// the windows are written against. Widgets stay inside the platform layer.
#include <functional>
#include <memory>
#include <vector>

#include "platform/DialogTemplate.h"
#include "platform/Wnd.h"

namespace platform {
class DialogHost;
}

class TESSELCORE_API CDialogEx : public CWnd {
public:
    explicit CDialogEx(const DialogTemplate& tpl, CDialogEx* parent = nullptr);
    ~CDialogEx() override;
    CDialogEx(const CDialogEx&) = delete;
    CDialogEx& operator=(const CDialogEx&) = delete;

    // Builds the window, OnInitDialog, the first OnWindowPosChanged, shows it
    // and runs until EndDialog; returns the EndDialog result (IDOK / IDCANCEL).
    // The window is destroyed before DoModal returns.
    int DoModal();
    // Builds and shows the window without a modal loop (until DestroyWindow).
    BOOL Create();
    void DestroyWindow();
    void EndDialog(int result);
    BOOL IsRunning() const;  // the window exists

    const DialogTemplate& GetTemplate() const { return m_template; }
    int GetTemplateId() const { return m_template.id; }
    CDialogEx* GetParentDlg() const { return m_pParent; }

    // ---- handlers (override; call the base for what you do not handle) ----
    // The window and its controls were just built (before OnInitDialog).
    virtual void OnWindowBuilt() {}
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // Clicks (BN_CLICKED), edit changes (EN_CHANGE), combo selection changes
    // (CBN_SELCHANGE), hot-key control changes (EN_CHANGE). TRUE when handled.
    // The base answers IDOK and IDCANCEL clicks with OnOK / OnCancel.
    virtual BOOL OnCommand(int id, UINT code);
    // List-control notifications: LVN_ITEMCHANGED (selection, focus, check
    // state), NM_CLICK, NM_DBLCLK, NM_RCLICK.
    virtual void OnListNotify(const NMLISTVIEW& nm);
    virtual void OnTimer(UINT id);
    // Once after the window is built and before it is first shown, then after
    // every move or resize.
    virtual void OnWindowPosChanged();
    // WA_ACTIVE when the window becomes the active one, WA_INACTIVE when it stops being it.
    virtual void OnActivate(UINT state, BOOL minimized);
    // Sees key presses (and left clicks on the dialog itself) before the
    // controls; TRUE consumes the message.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Messages from WM_USER up, posted (PostMessage) or sent (SendMessage).
    virtual LRESULT OnPrivateMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // The window's close button; the base behaves as Cancel.
    virtual void OnClose();
    // SC_MINIMIZE after the user minimised the window; the base leaves it minimised.
    virtual void OnSysCommand(UINT id, LPARAM lParam);
    // Just before the window is destroyed.
    virtual void OnDestroy();

    // ---- calls ----
    // Starts or restarts timer `id` on this window. Precise timers keep their
    // promise to the millisecond; coarse ones may fire up to 5% early.
    UINT SetTimer(UINT id, UINT elapseMs, bool precise = false);
    BOOL KillTimer(UINT id);
    // The interval of a running timer, -1 when it is not running.
    int GetTimerElapse(UINT id) const;
    std::vector<UINT> GetRunningTimers() const;

    // Queued to this window's handlers; dropped when the window is gone first.
    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    // Delivered at once: WM_ACTIVATE, WM_TIMER, WM_COMMAND, WM_CLOSE,
    // WM_SYSCOMMAND and messages from WM_USER up.
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    void SetForegroundWindow();  // raise and activate
    void SetTopMost(BOOL topMost);
    BOOL IsIconic() const;
    void CenterWindow();

    void CheckDlgButton(int id, int state);
    UINT IsDlgButtonChecked(int id) const;
    void SetDlgItemText(int id, const QString& text);
    QString GetDlgItemText(int id) const;
    void GotoDlgCtrl(const CWnd& control);

    // ---- for the platform layer and the test driver ----
    platform::DialogHost* GetHost() const { return m_host; }
    void DispatchCommand(int id, UINT code);
    void DispatchListNotify(const NMLISTVIEW& nm);
    BOOL DispatchKey(MSG& msg);
    void DispatchActivate(UINT state);
    void DispatchPositionChanged();
    void DispatchTimer(UINT id);

private:
    bool Build();
    void DestroyHost();

    DialogTemplate m_template;
    CDialogEx* m_pParent = nullptr;
    platform::DialogHost* m_host = nullptr;
    int m_result = IDCANCEL;
    bool m_ended = false;
    bool m_bHadKeyboard = false;  // the window had the keyboard when it ended
    bool m_inLoop = false;
    void* m_loop = nullptr;  // the running QEventLoop
};

namespace platform {

// Called with every dialog whose modal loop is about to start (the window is
// shown). The test driver answers modal dialogs through it.
using ModalHook = std::function<void(CDialogEx& dlg)>;
TESSELCORE_API ModalHook SetModalHook(ModalHook hook);

// Sends a press and release of a virtual key (with HOTKEYF_ modifiers) to
// the focused window, queued like real input; the key hook sees it.
TESSELCORE_API void SendKeyInput(UINT vk, UINT modifiers = 0);
// The window a dialog or box without an owner belongs to: the visible modal
// dialog the user is in, else the active window; null when there is none.
TESSELCORE_API QWidget* FrontOwner();
// Drops the keys pressed so far and not yet delivered: a prompt takes only
// what is typed once it is shown.
TESSELCORE_API void DiscardTypedAhead();

// State of a modifier key (VK_SHIFT, VK_CONTROL, VK_MENU) while a key message
// is handled: negative when down, as GetKeyState answers.
TESSELCORE_API short GetKeyState(UINT vk);

} // namespace platform
