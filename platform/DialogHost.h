#pragma once

// The Qt side of a CDialogEx: the window, its controls built from the
// template, its timers, and the key hook. Private to the platform layer.
#include <map>
#include <vector>

#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QLineEdit>
#include <QRadioButton>

#include "platform/DialogTemplate.h"

class CDialogEx;
class QLabel;
class QPlainTextEdit;
class QToolButton;
class QTimer;

namespace platform {

class ListView;

inline constexpr const char* kIdProperty = "vw_id";
inline constexpr const char* kKindProperty = "vw_kind";
inline constexpr const char* kTextProperty = "vw_text";  // raw text of a static
inline constexpr const char* kResizableProperty = "vw_resizable";  // a dialog the user may resize

class DialogHost : public QDialog {
    Q_OBJECT
public:
    DialogHost(CDialogEx* owner, QWidget* parent);
    ~DialogHost() override;

    CDialogEx* owner() const { return m_owner; }
    void detach() { m_owner = nullptr; }
    QWidget* control(int id) const;

    void setTimer(UINT id, UINT elapseMs, bool precise);
    bool killTimer(UINT id);
    int timerInterval(UINT id) const;
    std::vector<UINT> runningTimers() const;
    void firePending();

    // Position notifications start with the explicit first one.
    void enablePositionNotifications() { m_positionReady = true; }
    // Minimise/restore that the program asked for is not reported as SC_MINIMIZE.
    void setProgramStateChange(bool on) { m_programStateChange = on; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

public slots:
    void reject() override;
    void accept() override;

private:
    CDialogEx* m_owner;
    std::map<UINT, QTimer*> m_timers;
    void followResize(const QSize& oldSize);

    bool m_positionReady = false;
    bool m_programStateChange = false;
};

// The event type of posted private messages.
QEvent::Type PrivateMessageEventType();
struct PrivateMessageEvent : QEvent {
    PrivateMessageEvent(UINT m, WPARAM w, LPARAM l) : QEvent(PrivateMessageEventType()), msg(m), wParam(w), lParam(l) {}
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// Tab order in reading order: rows from top to bottom, each row from left to
// right, or from right to left in a right-to-left window. A static text with
// a mnemonic ("&Title:") hands it to the control that follows it.
void ApplyReadingOrder(QWidget* host);

// How a link control looks (blue, underlined, no frame), its text on the
// leading side of a window of `direction`.
QString LinkStyleSheet(Qt::LayoutDirection direction);
// Builds one control of a template as a child of `host`.
QWidget* BuildControl(const ControlTemplate& tpl, DialogHost* host);
// The control id of a widget (walking up to the widget that carries one), 0 if none.
int ControlIdOf(const QWidget* widget);
// The widget carrying the control id for `widget` (itself or an ancestor inside the dialog).
QWidget* ControlWidgetOf(QWidget* widget);
Control ControlKindOf(const QWidget* widget);
QLineEdit* LineEditOf(QWidget* control);
QPlainTextEdit* TextEditOf(QWidget* control);
ListView* ListViewOf(QWidget* control);
DialogHost* HostOf(QWidget* widget);
QToolButton* FolderBrowseButtonOf(QWidget* control);
// Modifiers of the key message being handled, else the keyboard's.
Qt::KeyboardModifiers CurrentKeyModifiers();

// The mnemonic letter of a caption ("Sho&w" -> 'W'), null when it has none.
QChar MnemonicOf(const QString& raw);
bool HasMnemonic(const QString& raw);
// Sets a static text; it shows its mnemonic when it has a buddy to give it to.
void SetLabelText(QLabel* label, const QString& raw);
// Windows line breaks in, plain ones shown; the reverse for multi-line edits.
QString DisplayText(const QString& raw);

// A check box that cycles unchecked -> checked -> indeterminate as Windows' does.
class TriCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override;
    // Alt+its letter toggles the box and leaves the focus where it was: the
    // user typing a password toggles "Show password" without leaving the field.
    bool event(QEvent* e) override;
};

// An automatic radio button that unchecks only the buttons of its own group
// (a group starts at a button with Style::Group), and can be unchecked by the program.
class GroupRadioButton : public QRadioButton {
    Q_OBJECT
public:
    GroupRadioButton(const QString& text, QWidget* parent, int group);
    int group() const { return m_group; }

protected:
    void nextCheckState() override;

private:
    int m_group;
};

// The hot-key control: shows the combination typed into it and keeps it as
// (HOTKEYF_ flags << 16) | virtual key.
class HotKeyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit HotKeyEdit(QWidget* parent);
    DWORD value() const { return m_value; }
    void setValue(DWORD value);

signals:
    void changed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    DWORD m_value = 0;
};

} // namespace platform
