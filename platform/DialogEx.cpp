#include "platform/DialogEx.h"

#include <exception>

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>

#include "platform/Clipboard.h"
#include "platform/DialogHost.h"
#include "platform/MessageBox.h"
#include "platform/TextDirection.h"
#include "platform/VirtualKeys.h"
#include "platform/WindowFocus.h"

using platform::DialogHost;

namespace {

platform::ModalHook& modalHook()
{
    static platform::ModalHook hook;
    return hook;
}

// A handler that throws must not unwind through Qt's event loop: the
// message is shown, as the dialog framework shows uncaught exceptions.
template <class F>
auto guarded(F&& f) -> decltype(f())
{
    try {
        return f();
    } catch (const std::exception& e) {
        platform::ShowMessageBox(QString::fromUtf8(e.what()));
    } catch (...) {
        platform::ShowMessageBox(QStringLiteral("Unknown error"));
    }
    return decltype(f())();
}

} // namespace

namespace platform {

CRect DluToPixels(const DlgRect& r)
{
    const auto x = [](int v) { return (v * 7 + (v >= 0 ? 2 : -2)) / 4; };
    const auto y = [](int v) { return (v * 15 + (v >= 0 ? 4 : -4)) / 8; };
    const int left = x(r.x);
    const int top = y(r.y);
    return {left, top, left + x(r.cx), top + y(r.cy)};
}

ModalHook SetModalHook(ModalHook hook)
{
    ModalHook previous = std::move(modalHook());
    modalHook() = std::move(hook);
    return previous;
}

QWidget* FrontOwner()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible() && !modal->isMinimized())
        return modal;
    QWidget* active = QApplication::activeWindow();
    return active && active->isVisible() && !active->isMinimized() ? active : nullptr;
}

void DiscardTypedAhead()
{
    // Keys the user pressed before a prompt is shown were meant for the
    // window they were typed in; delivered now they would land in the
    // prompt's edit. What has reached the program so far is taken and
    // dropped.
    struct KeyEater : QObject {
        bool eventFilter(QObject*, QEvent* event) override
        {
            switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::InputMethod:
                return true;
            default:
                return false;
            }
        }
    } eater;
    QCoreApplication::instance()->installEventFilter(&eater);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::KeyPress);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::KeyRelease);
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(&eater);
}

void SendKeyInput(UINT vk, UINT modifiers)
{
    QWidget* target = QApplication::focusWidget();
    if (!target)
        target = QApplication::activeWindow();
    if (!target)
        return;
    const int qtKey = QtKeyFromVirtualKey(vk);
    if (qtKey == 0)
        return;
    const Qt::KeyboardModifiers mods(ModifiersFromHotKeyFlags(modifiers));
    QString text;
    if (!(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        if (vk >= 'A' && vk <= 'Z')
            text = QChar((mods & Qt::ShiftModifier) ? vk : vk + 32);
        else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE)
            text = QChar(vk);
    }
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, qtKey, mods, text));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, qtKey, mods, text));
}

short GetKeyState(UINT vk)
{
    const Qt::KeyboardModifiers mods = CurrentKeyModifiers();
    bool down = false;
    switch (vk) {
    case VK_SHIFT: down = mods & Qt::ShiftModifier; break;
    case VK_CONTROL: down = mods & Qt::ControlModifier; break;
    case VK_MENU: down = mods & Qt::AltModifier; break;
    default: break;
    }
    return down ? short(0x8000) : short(0);
}

} // namespace platform

CDialogEx::CDialogEx(const DialogTemplate& tpl, CDialogEx* parent) : m_template(tpl), m_pParent(parent) {}

CDialogEx::~CDialogEx()
{
    if (m_loop)
        static_cast<QEventLoop*>(m_loop)->exit();
    DestroyHost();
}

bool CDialogEx::Build()
{
    if (m_host)
        return false;
    QWidget* parentWidget = m_pParent && m_pParent->m_host ? m_pParent->m_host : platform::FrontOwner();
    platform::InstallTextDirectionStyle();
    m_host = new DialogHost(this, parentWidget);
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
    // Above an owner that stays on top, or the window manager keeps it behind.
    if (parentWidget && (parentWidget->window()->windowFlags() & Qt::WindowStaysOnTopHint))
        flags |= Qt::WindowStaysOnTopHint;
    if (m_template.style & Style::MinimizeBox)
        flags |= Qt::WindowMinimizeButtonHint;
    // Only a window that can grow offers to maximise.
    if (m_template.style & Style::Resizable)
        flags |= Qt::WindowMaximizeButtonHint;
    m_host->setWindowFlags(flags);
    m_host->setWindowTitle(QString::fromUtf8(m_template.caption));
    const CRect client = platform::DluToPixels({0, 0, m_template.rect.cx, m_template.rect.cy});
    if (m_template.style & Style::Resizable) {
        m_host->setProperty(platform::kResizableProperty, true);
        m_host->setMinimumSize(client.Width(), client.Height());
        m_host->resize(client.Width(), client.Height());
    } else {
        m_host->setFixedSize(client.Width(), client.Height());
    }
    for (const ControlTemplate& c : m_template.controls)
        platform::BuildControl(c, m_host);
    platform::ApplyReadingOrder(m_host);
    Attach(m_host);
    m_result = IDCANCEL;
    m_ended = false;
    m_bHadKeyboard = false;
    guarded([this] { OnWindowBuilt(); return 0; });
    return true;
}

void CDialogEx::DestroyHost()
{
    if (!m_host)
        return;
    DialogHost* host = m_host;
    // Deleted later: password fields must not keep their text until then.
    platform::WipeSecretEdits(host);
    m_host = nullptr;
    m_obj = nullptr;
    host->detach();
    host->hide();
    host->deleteLater();
}

int CDialogEx::DoModal()
{
    if (!Build())
        return -1;
    QPointer<DialogHost> host(m_host);
    guarded([this] { return OnInitDialog(); });
    if (!m_ended && host) {
        CenterWindow();
        host->enablePositionNotifications();
        DispatchPositionChanged();
    }
    // The window the user was in: a dialog without an owner (opened by a hot
    // key) gives the keyboard back to it.
    const QPointer<QWidget> previous(QApplication::activeWindow());
    // The user is in the program (or it was opened by the user's hot key): the
    // new window takes the keyboard, whatever the window manager made of the
    // window that closed just before.
    const bool programHasKeyboard = QGuiApplication::focusWindow() != nullptr;
    if (!m_ended && host) {
        // Like a modal dialog on the desktop it stands for, it blocks its owner
        // chain only: the tray icon keeps answering while it is minimised.
        host->setWindowModality(host->parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
        host->show();
        if (programHasKeyboard) {
            platform::GiveKeyboardTo(host);
        } else {
            if (QGuiApplication::platformName() != QLatin1String("offscreen"))
                host->raise();
            host->activateWindow();
        }
        QEventLoop loop;
        m_loop = &loop;
        if (auto& hook = modalHook())
            hook(*this);
        if (!m_ended)
            loop.exec(QEventLoop::DialogExec);
        m_loop = nullptr;
    }
    if (host && host->owner() == this)
        guarded([this] { OnDestroy(); return 0; });
    const QPointer<QWidget> owner(host ? host->parentWidget() : nullptr);
    const bool hadKeyboard = m_bHadKeyboard || QGuiApplication::focusWindow() != nullptr;
    DestroyHost();
    // The keyboard goes back to the window the dialog belonged to (or, for
    // one without an owner, the window the user was in), also where no
    // window manager hands it back or where it hands it to another window.
    // Only when the dialog had it: a window the user left stays left.
    QWidget* back = owner ? owner->window() : previous.data();
    if (back && back->isVisible() && !back->isMinimized()) {
        if (hadKeyboard)
            platform::GiveKeyboardTo(back);
        else
            back->activateWindow();
    }
    return m_result;
}

BOOL CDialogEx::Create()
{
    if (!Build())
        return FALSE;
    QPointer<DialogHost> host(m_host);
    guarded([this] { return OnInitDialog(); });
    if (!host)
        return FALSE;
    CenterWindow();
    host->enablePositionNotifications();
    DispatchPositionChanged();
    if (host && !m_ended) {
        host->show();
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            host->raise();
        host->activateWindow();
    }
    return host ? TRUE : FALSE;
}

void CDialogEx::DestroyWindow()
{
    if (!m_host)
        return;
    guarded([this] { OnDestroy(); return 0; });
    DestroyHost();
}

void CDialogEx::EndDialog(int result)
{
    m_result = result;
    m_ended = true;
    if (m_host) {
        // Any window of the program: the keys may still be on their way
        // back from a notice that closed just before.
        m_bHadKeyboard = QGuiApplication::focusWindow() != nullptr;
        // Hide while still modal: Qt unblocks the other windows only when a
        // modal window is hidden; dropping the modality first leaves them
        // refusing input on a real display.
        m_host->hide();
        m_host->setWindowModality(Qt::NonModal);
    }
    if (m_loop)
        static_cast<QEventLoop*>(m_loop)->exit();
}

BOOL CDialogEx::IsRunning() const
{
    return m_host != nullptr && !m_ended;
}

BOOL CDialogEx::OnInitDialog()
{
    return TRUE;
}

void CDialogEx::OnOK()
{
    EndDialog(IDOK);
}

void CDialogEx::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialogEx::OnCommand(int id, UINT code)
{
    if (code != BN_CLICKED)
        return FALSE;
    if (id == IDOK) {
        OnOK();
        return TRUE;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

void CDialogEx::OnListNotify(const NMLISTVIEW&) {}
void CDialogEx::OnTimer(UINT) {}
void CDialogEx::OnWindowPosChanged() {}
void CDialogEx::OnActivate(UINT, BOOL) {}

BOOL CDialogEx::PreTranslateMessage(MSG*)
{
    return FALSE;
}

LRESULT CDialogEx::OnPrivateMessage(UINT, WPARAM, LPARAM)
{
    return 0;
}

void CDialogEx::OnClose()
{
    OnCommand(IDCANCEL, BN_CLICKED);
}

void CDialogEx::OnSysCommand(UINT, LPARAM) {}
void CDialogEx::OnDestroy() {}

UINT CDialogEx::SetTimer(UINT id, UINT elapseMs, bool precise)
{
    if (!m_host)
        return 0;
    m_host->setTimer(id, elapseMs, precise);
    return id;
}

BOOL CDialogEx::KillTimer(UINT id)
{
    return m_host && m_host->killTimer(id);
}

int CDialogEx::GetTimerElapse(UINT id) const
{
    return m_host ? m_host->timerInterval(id) : -1;
}

std::vector<UINT> CDialogEx::GetRunningTimers() const
{
    return m_host ? m_host->runningTimers() : std::vector<UINT>();
}

BOOL CDialogEx::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!m_host)
        return FALSE;
    QCoreApplication::postEvent(m_host, new platform::PrivateMessageEvent(msg, wParam, lParam));
    return TRUE;
}

LRESULT CDialogEx::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return guarded([&]() -> LRESULT {
        switch (msg) {
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam), HIWORD(wParam) != 0);
            return 0;
        case WM_TIMER:
            OnTimer(UINT(wParam));
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_SYSCOMMAND:
            OnSysCommand(UINT(wParam) & 0xFFF0, lParam);
            return 0;
        case WM_WINDOWPOSCHANGED:
            OnWindowPosChanged();
            return 0;
        default:
            return msg >= WM_USER ? OnPrivateMessage(msg, wParam, lParam) : 0;
        }
    });
}

void CDialogEx::SetForegroundWindow()
{
    if (!m_host)
        return;
    if (m_host->isMinimized())
        ShowWindow(SW_RESTORE);
    platform::GiveKeyboardTo(m_host);
}

void CDialogEx::SetTopMost(BOOL topMost)
{
    if (!m_host)
        return;
    const bool visible = m_host->isVisible();
    m_host->setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
    if (visible)
        m_host->show();  // changing window flags hides the window
}

BOOL CDialogEx::IsIconic() const
{
    return m_host && m_host->isMinimized();
}

void CDialogEx::CenterWindow()
{
    if (!m_host)
        return;
    QWidget* parent = m_host->parentWidget();
    QRect area;
    if (parent && parent->isVisible()) {
        area = parent->frameGeometry();
    } else if (QScreen* screen = m_host->screen() ? m_host->screen() : QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isEmpty())
        return;
    const QSize size = m_host->frameGeometry().size();
    m_host->move(area.center().x() - size.width() / 2, area.center().y() - size.height() / 2);
}

void CDialogEx::CheckDlgButton(int id, int state)
{
    CButton(GetDlgItem(id)).SetCheck(state);
}

UINT CDialogEx::IsDlgButtonChecked(int id) const
{
    return UINT(CButton(GetDlgItem(id)).GetCheck());
}

void CDialogEx::SetDlgItemText(int id, const QString& text)
{
    GetDlgItem(id).SetWindowText(text);
}

QString CDialogEx::GetDlgItemText(int id) const
{
    return GetDlgItem(id).GetWindowText();
}

void CDialogEx::GotoDlgCtrl(const CWnd& control)
{
    CWnd(control).SetFocus();
    if (auto* edit = platform::LineEditOf(control.GetWidget()))
        edit->selectAll();
}

void CDialogEx::DispatchCommand(int id, UINT code)
{
    guarded([&] { return OnCommand(id, code); });
}

void CDialogEx::DispatchListNotify(const NMLISTVIEW& nm)
{
    guarded([&] { OnListNotify(nm); return 0; });
}

BOOL CDialogEx::DispatchKey(MSG& msg)
{
    return guarded([&] { return PreTranslateMessage(&msg); });
}

void CDialogEx::DispatchActivate(UINT state)
{
    SendMessage(WM_ACTIVATE, state, 0);
}

void CDialogEx::DispatchPositionChanged()
{
    SendMessage(WM_WINDOWPOSCHANGED);
}

void CDialogEx::DispatchTimer(UINT id)
{
    SendMessage(WM_TIMER, id, 0);
}
