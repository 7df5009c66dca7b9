#include "platform/DialogHost.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QComboBox>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QToolButton>

#include "platform/Clipboard.h"
#include "platform/DialogEx.h"
#include "platform/FileChooser.h"
#include "platform/ListView.h"
#include "platform/VirtualKeys.h"

namespace platform {
namespace {

// Modifiers of the key message being handled, for GetKeyState.
Qt::KeyboardModifiers g_dispatchModifiers;
bool g_dispatching = false;

} // namespace

QString StripMnemonic(const QString& raw)
{
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == QLatin1Char('&')) {
            if (i + 1 < raw.size() && raw[i + 1] == QLatin1Char('&'))
                out += QLatin1Char('&'), ++i;
            continue;
        }
        out += raw[i];
    }
    return out;
}

namespace {

void dispatchCommand(DialogHost* host, int id, UINT code)
{
    if (CDialogEx* owner = host->owner())
        owner->DispatchCommand(id, code);
}

// Enter and Escape as the dialog manager handles them after the key hook.
bool dialogKey(DialogHost* host, QWidget* focus, UINT vk, Qt::KeyboardModifiers mods)
{
    if (vk == VK_ESCAPE && !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier))) {
        dispatchCommand(host, IDCANCEL, BN_CLICKED);
        return true;
    }
    if (vk != VK_RETURN || (mods & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    if (auto* text = qobject_cast<QPlainTextEdit*>(focus))
        if (text->property("vw_wantreturn").toBool())
            return false;
    if (qobject_cast<QComboBox*>(focus) && static_cast<QComboBox*>(focus)->view()->isVisible())
        return false;
    int id = IDOK;
    if (auto* button = qobject_cast<QPushButton*>(focus)) {
        id = ControlIdOf(button);
    } else if (CDialogEx* owner = host->owner()) {
        for (const ControlTemplate& c : owner->GetTemplate().controls)
            if (c.style & Style::DefaultButton) {
                id = c.id;
                break;
            }
    }
    if (QWidget* target = host->control(id); target && !target->isEnabled())
        return true;
    dispatchCommand(host, id, BN_CLICKED);
    return true;
}

// Sees every key press of a dialog before its controls (PreTranslateMessage).
class KeyHook : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* obj, QEvent* ev) override
    {
        const QEvent::Type type = ev->type();
        if (type == QEvent::MouseButtonPress) {
            auto* host = qobject_cast<DialogHost*>(obj);
            if (host && host->owner() && static_cast<QMouseEvent*>(ev)->button() == Qt::LeftButton) {
                MSG msg;
                msg.message = WM_LBUTTONDOWN;
                return host->owner()->DispatchKey(msg);
            }
            return false;
        }
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
            return false;
        auto* w = qobject_cast<QWidget*>(obj);
        if (!w)
            return false;
        // Key events climb to the parents when unhandled: act at the first receiver only.
        QWidget* focus = QApplication::focusWidget();
        if (focus ? w != focus : !qobject_cast<DialogHost*>(w))
            return false;
        DialogHost* host = qobject_cast<DialogHost*>(w->window());
        if (!host || !host->owner())
            return false;
        auto* ke = static_cast<QKeyEvent*>(ev);
        const UINT vk = VirtualKeyFromEvent(*ke);
        if (vk == 0)
            return false;

        // A combination that may be a shortcut (a button's Alt+letter) is
        // matched before any key press is delivered: the hook sees it at the
        // override stage, and a key it consumes is kept from the shortcut.
        if (type == QEvent::ShortcutOverride) {
            m_early = {};
            if (!(ke->modifiers() & (Qt::AltModifier | Qt::ControlModifier)))
                return false;
            m_early.valid = true;
            m_early.key = ke->key();
            m_early.modifiers = ke->modifiers();
            m_early.consumed = dispatch(host, w, ke, vk, true, false);
            if (m_early.consumed)
                ke->accept();
            return m_early.consumed;
        }
        const bool press = type == QEvent::KeyPress;
        if (press && m_early.valid && m_early.key == ke->key() && m_early.modifiers == ke->modifiers()) {
            const Early early = m_early;
            m_early = {};
            if (early.consumed)
                return true;
            return dispatch(host, w, ke, vk, press, true);
        }
        return dispatch(host, w, ke, vk, press, false);
    }

private:
    // Runs the key hook (unless it already saw this key) and then the
    // dialog's own Enter/Escape handling; true when the key is consumed.
    static bool dispatch(DialogHost* host, QWidget* w, QKeyEvent* ke, UINT vk, bool press, bool hookDone)
    {
        const bool alt = ke->modifiers().testFlag(Qt::AltModifier) || vk == VK_MENU;
        MSG msg;
        msg.message = press ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
        msg.wParam = vk;
        msg.lParam = ke->isAutoRepeat() ? LPARAM(1) << 30 : 0;
        msg.hwndId = ControlIdOf(w);

        QPointer<DialogHost> guard(host);
        const bool wasDispatching = g_dispatching;
        const Qt::KeyboardModifiers previous = g_dispatchModifiers;
        g_dispatching = true;
        g_dispatchModifiers = ke->modifiers();
        bool consumed = !hookDone && host->owner()->DispatchKey(msg);
        if (!consumed && press && ke->type() == QEvent::KeyPress && guard && guard->owner())
            consumed = dialogKey(guard, w, vk, ke->modifiers());
        g_dispatching = wasDispatching;
        g_dispatchModifiers = previous;
        return consumed || !guard;
    }

    struct Early {
        bool valid = false;
        bool consumed = false;
        int key = 0;
        Qt::KeyboardModifiers modifiers;
    };
    Early m_early;
};

void installKeyHook()
{
    static QPointer<KeyHook> hook;
    if (!hook) {
        hook = new KeyHook(qApp);
        qApp->installEventFilter(hook);
    }
}

} // namespace

QEvent::Type PrivateMessageEventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

QString DisplayText(const QString& raw)
{
    QString text = raw;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

// ---------------------------------------------------------------- DialogHost

DialogHost::DialogHost(CDialogEx* owner, QWidget* parent) : QDialog(parent), m_owner(owner)
{
    installKeyHook();
    setAttribute(Qt::WA_DeleteOnClose, false);
}

DialogHost::~DialogHost() = default;

QWidget* DialogHost::control(int id) const
{
    const QList<QWidget*> children = findChildren<QWidget*>();
    for (QWidget* child : children) {
        const QVariant v = child->property(kIdProperty);
        if (v.isValid() && v.toInt() == id && child->window() == this)
            return child;
    }
    return nullptr;
}

void DialogHost::setTimer(UINT id, UINT elapseMs, bool precise)
{
    QTimer*& timer = m_timers[id];
    if (!timer) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] {
            if (m_owner)
                m_owner->DispatchTimer(id);
        });
    }
    timer->setTimerType(precise ? Qt::PreciseTimer : Qt::CoarseTimer);
    timer->start(int(qMin<UINT>(elapseMs, INT_MAX)));
}

bool DialogHost::killTimer(UINT id)
{
    auto it = m_timers.find(id);
    if (it == m_timers.end() || !it->second->isActive())
        return false;
    it->second->stop();
    return true;
}

int DialogHost::timerInterval(UINT id) const
{
    auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive() ? it->second->interval() : -1;
}

std::vector<UINT> DialogHost::runningTimers() const
{
    std::vector<UINT> ids;
    for (const auto& [id, timer] : m_timers)
        if (timer->isActive())
            ids.push_back(id);
    return ids;
}

bool DialogHost::event(QEvent* event)
{
    if (event->type() == PrivateMessageEventType()) {
        if (m_owner) {
            auto* pe = static_cast<PrivateMessageEvent*>(event);
            m_owner->SendMessage(pe->msg, pe->wParam, pe->lParam);
        }
        return true;
    }
    // A deferred delete frees this dialog inside QDialog::event: nothing of
    // it may be read afterwards.
    if (event->type() == QEvent::DeferredDelete)
        return QDialog::event(event);
    const bool handled = QDialog::event(event);
    if (m_owner) {
        if (event->type() == QEvent::WindowActivate)
            m_owner->DispatchActivate(WA_ACTIVE);
        else if (event->type() == QEvent::WindowDeactivate)
            m_owner->DispatchActivate(WA_INACTIVE);
    }
    return handled;
}

void DialogHost::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (m_owner)
        m_owner->SendMessage(WM_CLOSE);
}

void DialogHost::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    if (m_positionReady && m_owner)
        m_owner->DispatchPositionChanged();
}

void DialogHost::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    followResize(event->oldSize());
    if (m_positionReady && m_owner)
        m_owner->DispatchPositionChanged();
}

void DialogHost::followResize(const QSize& oldSize)
{
    if (!m_owner || !(m_owner->GetTemplate().style & Style::Resizable) || !oldSize.isValid())
        return;
    const int dx = width() - oldSize.width();
    const int dy = height() - oldSize.height();
    if (dx == 0 && dy == 0)
        return;
    // In a mirrored window the template's left edge is the window's right one.
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    for (const ControlTemplate& c : m_owner->GetTemplate().controls) {
        QWidget* w = control(c.id);
        if (!w)
            continue;
        QRect g = w->geometry();
        const bool growX = c.style & Style::GrowRight;
        const bool moveX = c.style & Style::MoveRight;
        if (growX)
            g.setWidth(g.width() + dx);
        if (rtl ? !(growX || moveX) : moveX)
            g.translate(dx, 0);
        if (c.style & Style::GrowDown)
            g.setHeight(g.height() + dy);
        if (c.style & Style::MoveDown)
            g.translate(0, dy);
        w->setGeometry(g);
    }
}

void DialogHost::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !m_programStateChange && m_owner)
        m_owner->SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
}

void DialogHost::reject()
{
    dispatchCommand(this, IDCANCEL, BN_CLICKED);
}

void DialogHost::accept()
{
    dispatchCommand(this, IDOK, BN_CLICKED);
}

// ------------------------------------------------------------------ controls

bool TriCheckBox::event(QEvent* e)
{
    if (e->type() == QEvent::Shortcut && isEnabled() && !static_cast<QShortcutEvent*>(e)->isAmbiguous()) {
        click();
        return true;
    }
    return QCheckBox::event(e);
}

void TriCheckBox::nextCheckState()
{
    if (!isTristate()) {
        QCheckBox::nextCheckState();
        return;
    }
    switch (checkState()) {
    case Qt::Unchecked: setCheckState(Qt::Checked); break;
    case Qt::Checked: setCheckState(Qt::PartiallyChecked); break;
    default: setCheckState(Qt::Unchecked); break;
    }
}

GroupRadioButton::GroupRadioButton(const QString& text, QWidget* parent, int group)
    : QRadioButton(text, parent), m_group(group)
{
    setAutoExclusive(false);
}

void GroupRadioButton::nextCheckState()
{
    setChecked(true);
    if (!parentWidget())
        return;
    for (GroupRadioButton* other : parentWidget()->findChildren<GroupRadioButton*>(Qt::FindDirectChildrenOnly))
        if (other != this && other->group() == m_group)
            other->setChecked(false);
}

HotKeyEdit::HotKeyEdit(QWidget* parent) : QLineEdit(parent)
{
    setContextMenuPolicy(Qt::NoContextMenu);
    setText(QStringLiteral("None"));
}

void HotKeyEdit::setValue(DWORD value)
{
    m_value = value;
    const QString text = HotKeyText(value);
    setText(text.isEmpty() ? QStringLiteral("None") : text);
}

bool HotKeyEdit::event(QEvent* event)
{
    // Tab still moves the focus; every other key is the control's.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void HotKeyEdit::keyPressEvent(QKeyEvent* event)
{
    const UINT vk = VirtualKeyFromEvent(*event);
    const UINT flags = HotKeyFlagsFromModifiers(int(event->modifiers().toInt()));
    if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU || vk == VK_LWIN || vk == VK_RWIN || vk == 0) {
        const QString text = HotKeyText(DWORD(flags) << 16);
        setText(text.isEmpty() ? QStringLiteral("None") : text + QStringLiteral(" + "));
        return;
    }
    if (flags == 0 && (vk == VK_BACK || vk == VK_DELETE || vk == VK_SPACE))
        setValue(0);
    else
        setValue((DWORD(flags) << 16) | vk);
    emit changed();
}

void HotKeyEdit::keyReleaseEvent(QKeyEvent* event)
{
    if (event->modifiers() == Qt::NoModifier)
        setValue(m_value);
}

namespace {

class FolderEditWidget : public QWidget {
public:
    FolderEditWidget(QWidget* parent) : QWidget(parent)
    {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(2);
        edit = new QLineEdit(this);
        browse = new QToolButton(this);
        browse->setText(QStringLiteral("..."));
        browse->hide();
        layout->addWidget(edit, 1);
        layout->addWidget(browse);
        setFocusProxy(edit);
        connect(browse, &QToolButton::clicked, this, [this] {
            ChooserRequest request;
            request.kind = ChooserKind::Folder;
            request.initial = edit->text();
            const QString chosen = ChooseFile(request, CWnd(this));
            if (!chosen.isEmpty())
                edit->setText(QDir::toNativeSeparators(chosen));
        });
    }
    QLineEdit* edit;
    QToolButton* browse;
};

int nextRadioGroup()
{
    static int group = 0;
    return ++group;
}

} // namespace

QString LinkStyleSheet(Qt::LayoutDirection direction)
{
    // Style sheet alignment is absolute: the leading side is chosen here.
    return QStringLiteral("QPushButton { color: #0645ad; text-decoration: underline; border: none; text-align: %1; }")
        .arg(direction == Qt::RightToLeft ? QStringLiteral("right") : QStringLiteral("left"));
}

QWidget* BuildControl(const ControlTemplate& tpl, DialogHost* host)
{
    static int s_radioGroup = 0;
    const QString text = QString::fromUtf8(tpl.text);
    const int id = tpl.id;
    QWidget* w = nullptr;
    switch (tpl.kind) {
    case Control::Static: {
        auto* label = new QLabel(host);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        SetLabelText(label, text);
        Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
        if (tpl.style & Style::CenterText)
            align = Qt::AlignCenter;
        else if (tpl.style & Style::RightText)
            align = Qt::AlignRight | Qt::AlignTop;
        label->setAlignment(align);
        w = label;
        break;
    }
    case Control::Button:
    case Control::Link: {
        auto* button = new QPushButton(text, host);
        button->setAutoDefault(false);
        button->setDefault(tpl.style & Style::DefaultButton);
        if (tpl.kind == Control::Link) {
            button->setFlat(true);
            button->setCursor(Qt::PointingHandCursor);
            button->setStyleSheet(LinkStyleSheet(host->layoutDirection()));
        }
        QObject::connect(button, &QPushButton::clicked, host, [host, id] { dispatchCommand(host, id, BN_CLICKED); });
        w = button;
        break;
    }
    case Control::CheckBox: {
        auto* box = new TriCheckBox(text, host);
        box->setTristate(tpl.style & Style::ThreeState);
        QObject::connect(box, &QCheckBox::clicked, host, [host, id] { dispatchCommand(host, id, BN_CLICKED); });
        w = box;
        break;
    }
    case Control::Radio: {
        if ((tpl.style & Style::Group) || s_radioGroup == 0)
            s_radioGroup = nextRadioGroup();
        auto* radio = new GroupRadioButton(text, host, s_radioGroup);
        QObject::connect(radio, &QRadioButton::clicked, host, [host, id] { dispatchCommand(host, id, BN_CLICKED); });
        w = radio;
        break;
    }
    case Control::GroupBox: {
        auto* group = new QGroupBox(text, host);
        group->setFocusPolicy(Qt::NoFocus);
        w = group;
        break;
    }
    case Control::Edit: {
        if (tpl.style & Style::MultiLine) {
            auto* edit = new QPlainTextEdit(host);
            edit->setPlainText(DisplayText(text));
            edit->setTabChangesFocus(true);
            edit->setReadOnly(tpl.style & Style::ReadOnly);
            edit->setProperty("vw_wantreturn", bool(tpl.style & Style::WantReturn));
            QObject::connect(edit, &QPlainTextEdit::textChanged, host,
                             [host, id] { dispatchCommand(host, id, EN_CHANGE); });
            w = edit;
        } else {
            auto* edit = new QLineEdit(text, host);
            edit->setReadOnly(tpl.style & Style::ReadOnly);
            if (tpl.style & Style::Password) {
                edit->setEchoMode(QLineEdit::Password);
                GuardSecretEdit(edit);
            }
            if (tpl.style & Style::Number)
                edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
            QObject::connect(edit, &QLineEdit::textChanged, host, [host, id] { dispatchCommand(host, id, EN_CHANGE); });
            w = edit;
        }
        break;
    }
    case Control::ComboBox: {
        auto* combo = new QComboBox(host);
        combo->setEditable(false);
        QObject::connect(combo, &QComboBox::activated, host, [host, id] { dispatchCommand(host, id, CBN_SELCHANGE); });
        w = combo;
        break;
    }
    case Control::ListCtrl: {
        auto* list = new ListView(host);
        if (tpl.style & Style::CheckBoxes)
            list->setExtendedStyle(LVS_EX_CHECKBOXES);
        if (tpl.style & Style::SingleSel)
            list->setSelectionMode(QAbstractItemView::SingleSelection);
        QObject::connect(list, &ListView::listNotify, host, [host, id](const NMLISTVIEW& nm) {
            if (CDialogEx* owner = host->owner()) {
                NMLISTVIEW copy = nm;
                copy.idFrom = id;
                owner->DispatchListNotify(copy);
            }
        });
        w = list;
        break;
    }
    case Control::HotKey: {
        auto* hotKey = new HotKeyEdit(host);
        QObject::connect(hotKey, &HotKeyEdit::changed, host, [host, id] { dispatchCommand(host, id, EN_CHANGE); });
        w = hotKey;
        break;
    }
    case Control::FolderEdit: {
        auto* folder = new FolderEditWidget(host);
        folder->edit->setText(text);
        folder->edit->setReadOnly(tpl.style & Style::ReadOnly);
        QObject::connect(folder->edit, &QLineEdit::textChanged, host,
                         [host, id] { dispatchCommand(host, id, EN_CHANGE); });
        w = folder;
        break;
    }
    }
    w->setProperty(kIdProperty, id);
    w->setProperty(kKindProperty, int(tpl.kind));
    w->setObjectName(QStringLiteral("ctl_%1").arg(id));
    CRect r = DluToPixels(tpl.rect);
    int height = r.Height();
    if (tpl.kind == Control::ComboBox)
        height = qMin(height, w->sizeHint().height());
    w->setGeometry(r.left, r.top, r.Width(), height);
    if (tpl.kind == Control::GroupBox)
        w->lower();
    if (tpl.style & Style::NoTabStop)
        w->setFocusPolicy(Qt::ClickFocus);
    if (tpl.style & Style::Disabled)
        w->setEnabled(false);
    if (tpl.style & Style::Hidden)
        w->hide();
    return w;
}

void ApplyReadingOrder(QWidget* host)
{
    std::vector<QWidget*> controls;
    for (QWidget* child : host->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->property(kIdProperty).isValid() && ControlKindOf(child) != Control::GroupBox)
            controls.push_back(child);
    std::stable_sort(controls.begin(), controls.end(),
                     [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
    // A row: the controls whose middle lies within the height of the row's
    // first (a label beside its edit, buttons of one line).
    const bool rtl = host->layoutDirection() == Qt::RightToLeft;
    std::vector<QWidget*> order;
    for (std::size_t first = 0; first < controls.size();) {
        const QRect anchor = controls[first]->geometry();
        std::size_t end = first + 1;
        while (end < controls.size()) {
            const int middle = controls[end]->y() + controls[end]->height() / 2;
            if (middle > anchor.bottom())
                break;
            ++end;
        }
        std::vector<QWidget*> row(controls.begin() + qsizetype(first), controls.begin() + qsizetype(end));
        std::stable_sort(row.begin(), row.end(), [rtl](const QWidget* a, const QWidget* b) {
            return rtl ? a->geometry().right() > b->geometry().right() : a->x() < b->x();
        });
        order.insert(order.end(), row.begin(), row.end());
        first = end;
    }
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    for (std::size_t i = 0; i < order.size(); ++i) {
        auto* label = qobject_cast<QLabel*>(order[i]);
        if (!label)
            continue;
        // As on Windows, a static's mnemonic goes to the control after it; a
        // static without one (a message, an entry's title) hands nothing on.
        QWidget* buddy = nullptr;
        const bool mnemonic = HasMnemonic(label->property(kTextProperty).toString());
        for (std::size_t j = i + 1; mnemonic && j < order.size() && !buddy; ++j)
            if (!qobject_cast<QLabel*>(order[j]) && order[j]->focusPolicy() != Qt::NoFocus)
                buddy = order[j];
        label->setBuddy(buddy);
        SetLabelText(label, label->property(kTextProperty).toString());
    }
}

bool HasMnemonic(const QString& raw)
{
    return !MnemonicOf(raw).isNull();
}

QChar MnemonicOf(const QString& raw)
{
    for (qsizetype i = 0; i + 1 < raw.size(); ++i) {
        if (raw[i] != QLatin1Char('&'))
            continue;
        if (raw[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return raw[i + 1].toUpper();
    }
    return QChar();
}

void SetLabelText(QLabel* label, const QString& raw)
{
    label->setProperty(kTextProperty, raw);
    // Only a label that hands its mnemonic on shows it; any other shows its '&'s as typed.
    label->setText(DisplayText(label->buddy() ? raw : StripMnemonic(raw)));
}

int ControlIdOf(const QWidget* widget)
{
    for (const QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        const QVariant v = w->property(kIdProperty);
        if (v.isValid())
            return v.toInt();
    }
    return 0;
}

QWidget* ControlWidgetOf(QWidget* widget)
{
    for (QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget())
        if (w->property(kIdProperty).isValid())
            return w;
    return widget;
}

Control ControlKindOf(const QWidget* widget)
{
    const QVariant v = widget ? widget->property(kKindProperty) : QVariant();
    return v.isValid() ? Control(v.toInt()) : Control::Static;
}

QLineEdit* LineEditOf(QWidget* control)
{
    if (auto* folder = dynamic_cast<FolderEditWidget*>(control))
        return folder->edit;
    if (qobject_cast<HotKeyEdit*>(control))
        return nullptr;
    return qobject_cast<QLineEdit*>(control);
}

QPlainTextEdit* TextEditOf(QWidget* control)
{
    return qobject_cast<QPlainTextEdit*>(control);
}

ListView* ListViewOf(QWidget* control)
{
    return qobject_cast<ListView*>(control);
}

QToolButton* FolderBrowseButtonOf(QWidget* control)
{
    auto* folder = dynamic_cast<FolderEditWidget*>(control);
    return folder ? folder->browse : nullptr;
}

DialogHost* HostOf(QWidget* widget)
{
    return widget ? qobject_cast<DialogHost*>(widget->window()) : nullptr;
}

Qt::KeyboardModifiers CurrentKeyModifiers()
{
    return g_dispatching ? g_dispatchModifiers : QGuiApplication::keyboardModifiers();
}

} // namespace platform
