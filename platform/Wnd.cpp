#include "platform/Wnd.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QPointer>
#include <QToolButton>
#include <QWindow>

#include "foundation/storage/Secret.h"
#include "platform/DialogHost.h"
#include "platform/Fonts.h"
#include "platform/ListView.h"

using namespace platform;

namespace {

QString withWindowsBreaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

// An X11 window manager drops a minimise asked for before it has mapped the
// window (and then shows it normal), as at a start that minimises at once:
// such a window is minimised once it is first on screen.
class MinimiseWhenMapped : public QObject {
public:
    explicit MinimiseWhenMapped(QWidget* widget) : QObject(widget), m_widget(widget)
    {
        widget->windowHandle()->installEventFilter(this);
    }
    static bool Needed(QWidget* w)
    {
        return w->isWindow() && !w->isMinimized() && QGuiApplication::platformName() == QLatin1String("xcb") &&
               (!w->windowHandle() || !w->windowHandle()->isExposed());
    }
    // No Q_OBJECT: findChild/qobject_cast would take any QObject for one of these.
    static void Cancel(QWidget* w)
    {
        const QObjectList children = w->children();
        for (QObject* child : children)
            delete dynamic_cast<MinimiseWhenMapped*>(child);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Expose || !m_widget->windowHandle()->isExposed())
            return false;
        QPointer<QWidget> widget = m_widget;
        deleteLater();
        QMetaObject::invokeMethod(widget, [widget] {
            if (!widget || !widget->isVisible())
                return;
            auto* host = qobject_cast<DialogHost*>(widget.data());
            if (host)
                host->setProgramStateChange(true);
            widget->showMinimized();
            if (host)
                host->setProgramStateChange(false);
        }, Qt::QueuedConnection);
        return false;
    }

private:
    QWidget* m_widget;
};

} // namespace

CWnd::CWnd(QWidget* widget) : m_obj(widget) {}

CWnd::~CWnd() = default;

void CWnd::Attach(QWidget* widget)
{
    m_obj = widget;
}

bool CWnd::IsValid() const
{
    return !m_obj.isNull();
}

bool CWnd::operator==(const CWnd& other) const
{
    return m_obj.data() == other.m_obj.data();
}

QWidget* CWnd::GetWidget() const
{
    return static_cast<QWidget*>(m_obj.data());
}

int CWnd::GetDlgCtrlID() const
{
    QWidget* w = GetWidget();
    return w ? w->property(kIdProperty).toInt() : 0;
}

CWnd CWnd::GetDlgItem(int id) const
{
    QWidget* w = GetWidget();
    if (!w)
        return CWnd();
    if (auto* host = qobject_cast<DialogHost*>(w))
        return CWnd(host->control(id));
    for (QWidget* child : w->findChildren<QWidget*>())
        if (child->property(kIdProperty).isValid() && child->property(kIdProperty).toInt() == id)
            return CWnd(child);
    return CWnd();
}

CWnd CWnd::GetFocus()
{
    QWidget* focus = QApplication::focusWidget();
    return focus ? CWnd(ControlWidgetOf(focus)) : CWnd();
}

void CWnd::SetWindowText(const QString& text)
{
    QWidget* w = GetWidget();
    if (!w)
        return;
    if (w->isWindow()) {
        w->setWindowTitle(text);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        SetLabelText(label, text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(DisplayText(text));
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setTitle(text);
    } else if (QLineEdit* edit = LineEditOf(w)) {
        // A copy of its own: WipeText may overwrite the field's text, never
        // the caller's.
        edit->setText(QString(text.constData(), text.size()));
    } else if (QPlainTextEdit* multi = TextEditOf(w)) {
        multi->setPlainText(DisplayText(text));
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        // A drop-down list shows only its items; its "text" selects the matching one.
        const int i = combo->findText(text, Qt::MatchExactly);
        if (i >= 0)
            combo->setCurrentIndex(i);
    } else {
        w->setProperty(kTextProperty, text);
    }
}

QString CWnd::GetWindowText() const
{
    QWidget* w = GetWidget();
    if (!w)
        return QString();
    if (w->isWindow())
        return w->windowTitle();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->property(kTextProperty).toString();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(w))
        return group->title();
    if (QLineEdit* edit = LineEditOf(w))
        return edit->text();
    if (QPlainTextEdit* multi = TextEditOf(w))
        return withWindowsBreaks(multi->toPlainText());
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    if (auto* hotKey = qobject_cast<HotKeyEdit*>(w))
        return hotKey->text();
    return w->property(kTextProperty).toString();
}

void CWnd::WipeText()
{
    QLineEdit* edit = LineEditOf(GetWidget());
    if (!edit) {
        SetWindowText(QString());
        return;
    }
    // text() shares the field's own buffer: overwritten here, it is gone
    // from the field, its display and its undo history at once.
    QString text = edit->text();
    WipeSharedSecret(text);
    edit->setText(QString());
}

void CWnd::EnableWindow(BOOL enable)
{
    if (QWidget* w = GetWidget())
        w->setEnabled(enable);
}

BOOL CWnd::IsWindowEnabled() const
{
    QWidget* w = GetWidget();
    return w && w->isEnabled();
}

void CWnd::ShowWindow(int cmd)
{
    QWidget* w = GetWidget();
    if (!w)
        return;
    auto* host = qobject_cast<DialogHost*>(w);
    if (host)
        host->setProgramStateChange(true);
    switch (cmd) {
    case SW_HIDE:
        MinimiseWhenMapped::Cancel(w);
        w->hide();
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        if (MinimiseWhenMapped::Needed(w)) {
            MinimiseWhenMapped::Cancel(w);
            w->show();
            new MinimiseWhenMapped(w);
        } else {
            w->showMinimized();
        }
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        MinimiseWhenMapped::Cancel(w);
        w->isWindow() ? w->showNormal() : w->show();
        break;
    default:
        MinimiseWhenMapped::Cancel(w);
        if (w->isWindow() && w->isMinimized())
            w->showNormal();
        else
            w->show();
        break;
    }
    if (host)
        host->setProgramStateChange(false);
}

BOOL CWnd::IsWindowVisible() const
{
    QWidget* w = GetWidget();
    return w && w->isVisible();
}

void CWnd::SetFocus()
{
    QWidget* w = GetWidget();
    if (!w)
        return;
    if (ListView* list = ListViewOf(w))
        list->listModel()->publish();
    w->setFocus(Qt::OtherFocusReason);
}

BOOL CWnd::HasFocus() const
{
    QWidget* w = GetWidget();
    QWidget* focus = QApplication::focusWidget();
    return w && focus && ControlWidgetOf(focus) == w;
}

void CWnd::GetWindowRect(CRect& rect) const
{
    QWidget* w = GetWidget();
    if (!w) {
        rect = CRect();
        return;
    }
    const QRect g = w->isWindow() ? w->geometry() : QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    rect = {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

void CWnd::GetClientRect(CRect& rect) const
{
    QWidget* w = GetWidget();
    rect = w ? CRect{0, 0, w->width(), w->height()} : CRect();
}

void CWnd::ScreenToClient(CRect& rect) const
{
    QWidget* w = GetWidget();
    if (!w)
        return;
    const QPoint origin = w->mapToGlobal(QPoint(0, 0));
    rect.OffsetRect(-origin.x(), -origin.y());
}

void CWnd::ClientToScreen(CRect& rect) const
{
    QWidget* w = GetWidget();
    if (!w)
        return;
    const QPoint origin = w->mapToGlobal(QPoint(0, 0));
    rect.OffsetRect(origin.x(), origin.y());
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint)
{
    QWidget* w = GetWidget();
    if (!w)
        return;
    if (w->isWindow()) {
        // A window the user may resize keeps that; the size given is its least.
        if (w->property(kResizableProperty).toBool())
            w->setMinimumSize(qMax(0, width), qMax(0, height));
        else
            w->setFixedSize(qMax(0, width), qMax(0, height));
        w->setGeometry(x, y, qMax(0, width), qMax(0, height));
    } else {
        w->setGeometry(x, y, width, height);
    }
    if (repaint)
        w->update();
}

void CWnd::MoveWindow(const CRect& rect, BOOL repaint)
{
    MoveWindow(rect.left, rect.top, rect.Width(), rect.Height(), repaint);
}

int CWnd::GetHeightForWidth(int width) const
{
    QWidget* w = GetWidget();
    if (!w)
        return 0;
    return w->hasHeightForWidth() ? w->heightForWidth(width) : w->sizeHint().height();
}

void CWnd::Invalidate()
{
    if (QWidget* w = GetWidget())
        w->update();
}

void CWnd::UpdateWindow()
{
    if (QWidget* w = GetWidget())
        w->repaint();
}

BOOL CWnd::GetLogFont(LOGFONT& font) const
{
    QWidget* w = GetWidget();
    if (!w)
        return FALSE;
    font = LogFontFromFont(w->font(), GetLogPixelsY());
    return TRUE;
}

void CWnd::SetFont(const CFont* font, BOOL redraw)
{
    QWidget* w = GetWidget();
    LOGFONT lf;
    if (!w || !font || !font->GetLogFont(lf))
        return;
    w->setFont(FontFromLogFont(lf, w->font()));
    if (redraw)
        w->update();
}

int CWnd::GetLogPixelsY() const
{
    QWidget* w = GetWidget();
    if (w)
        return w->logicalDpiY();
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? int(screen->logicalDotsPerInchY()) : 96;
}

namespace {

QWidget* colourTarget(QWidget* w)
{
    if (QLineEdit* edit = LineEditOf(w))
        return edit;
    return w;
}

} // namespace

namespace {

void setPaletteColour(QWidget* w, COLORREF color, std::initializer_list<QPalette::ColorRole> roles)
{
    QPalette p = w->palette();
    const QColor c(GetRValue(color), GetGValue(color), GetBValue(color));
    for (QPalette::ColorRole role : roles)
        p.setColor(QPalette::All, role, c);
    w->setPalette(p);
}

} // namespace

void CWnd::SetTextColor(COLORREF color)
{
    if (QWidget* w = GetWidget())
        setPaletteColour(colourTarget(w), color, {QPalette::WindowText, QPalette::Text, QPalette::ButtonText});
}

void CWnd::SetBkColor(COLORREF color)
{
    QWidget* w = GetWidget();
    if (!w)
        return;
    w = colourTarget(w);
    setPaletteColour(w, color, {QPalette::Window, QPalette::Base, QPalette::Button});
    w->setAutoFillBackground(true);
}

void CWnd::SetBkTransparent()
{
    if (QWidget* w = GetWidget())
        colourTarget(w)->setAutoFillBackground(false);
}

void CWnd::ResetColors()
{
    QWidget* w = GetWidget();
    if (!w)
        return;
    w = colourTarget(w);
    w->setPalette(QPalette());
    w->setAutoFillBackground(false);
}

void CWnd::ModifyStyle(DWORD remove, DWORD add)
{
    auto* label = qobject_cast<QLabel*>(GetWidget());
    if (!label)
        return;
    Qt::Alignment align = label->alignment();
    if (remove & (SS_CENTER | SS_RIGHT))
        align = (align & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
    if (remove & SS_CENTERIMAGE)
        align = (align & ~Qt::AlignVertical_Mask) | Qt::AlignTop;
    if (add & SS_CENTER)
        align = (align & ~Qt::AlignHorizontal_Mask) | Qt::AlignHCenter;
    else if (add & SS_RIGHT)
        align = (align & ~Qt::AlignHorizontal_Mask) | Qt::AlignRight;
    if (add & SS_CENTERIMAGE)
        align = (align & ~Qt::AlignVertical_Mask) | Qt::AlignVCenter;
    label->setAlignment(align);
}

void CWnd::SetFlatColors(COLORREF background, COLORREF border)
{
    auto* button = qobject_cast<QAbstractButton*>(GetWidget());
    if (!button)
        return;
    const auto css = [](COLORREF c) {
        return QStringLiteral("#%1%2%3")
            .arg(GetRValue(c), 2, 16, QLatin1Char('0'))
            .arg(GetGValue(c), 2, 16, QLatin1Char('0'))
            .arg(GetBValue(c), 2, 16, QLatin1Char('0'));
    };
    button->setStyleSheet(QStringLiteral("QAbstractButton { background-color: %1; border: 1px solid %2; }")
                              .arg(css(background), css(border)));
    button->update();
}

QMetaObject::Connection CWnd::OnTextChanged(std::function<void()> handler) const
{
    QWidget* w = GetWidget();
    if (QLineEdit* edit = LineEditOf(w))
        return QObject::connect(edit, &QLineEdit::textChanged, edit, [handler](const QString&) { handler(); });
    if (QPlainTextEdit* multi = TextEditOf(w))
        return QObject::connect(multi, &QPlainTextEdit::textChanged, multi, handler);
    return QMetaObject::Connection();
}

// ------------------------------------------------------------------ CButton

int CButton::GetCheck() const
{
    if (auto* box = qobject_cast<QCheckBox*>(GetWidget())) {
        switch (box->checkState()) {
        case Qt::Checked: return BST_CHECKED;
        case Qt::PartiallyChecked: return BST_INDETERMINATE;
        default: return BST_UNCHECKED;
        }
    }
    if (auto* button = qobject_cast<QAbstractButton*>(GetWidget()))
        return button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
    return BST_UNCHECKED;
}

void CButton::SetCheck(int state)
{
    if (auto* box = qobject_cast<QCheckBox*>(GetWidget())) {
        if (state == BST_INDETERMINATE && box->isTristate())
            box->setCheckState(Qt::PartiallyChecked);
        else
            box->setCheckState(state == BST_UNCHECKED ? Qt::Unchecked : Qt::Checked);
    } else if (auto* button = qobject_cast<QAbstractButton*>(GetWidget())) {
        button->setCheckable(true);
        button->setChecked(state != BST_UNCHECKED);
    }
}

// -------------------------------------------------------------------- CEdit

void CEdit::GetSel(int& start, int& end) const
{
    start = end = 0;
    QWidget* w = GetWidget();
    if (QLineEdit* edit = LineEditOf(w)) {
        if (edit->hasSelectedText()) {
            start = edit->selectionStart();
            end = edit->selectionEnd();
        } else {
            start = end = edit->cursorPosition();
        }
    } else if (QPlainTextEdit* multi = TextEditOf(w)) {
        const QTextCursor c = multi->textCursor();
        start = c.selectionStart();
        end = c.selectionEnd();
    }
}

void CEdit::SetSel(int start, int end, BOOL noScroll)
{
    QWidget* w = GetWidget();
    if (QLineEdit* edit = LineEditOf(w)) {
        const int len = int(edit->text().size());
        if (start < 0) {  // -1 removes the selection
            edit->deselect();
            return;
        }
        if (end < 0 || end > len)
            end = len;
        start = qMin(start, len);
        if (start == end)
            edit->setCursorPosition(start);
        else
            edit->setSelection(start, end - start);
    } else if (QPlainTextEdit* multi = TextEditOf(w)) {
        QTextCursor c = multi->textCursor();
        const int len = multi->document()->characterCount() - 1;
        if (start < 0) {
            c.clearSelection();
        } else {
            if (end < 0 || end > len)
                end = len;
            c.setPosition(qMin(start, len));
            c.setPosition(end, QTextCursor::KeepAnchor);
        }
        multi->setTextCursor(c);
        if (!noScroll)
            multi->ensureCursorVisible();
    }
}

void CEdit::ReplaceSel(const QString& text)
{
    QWidget* w = GetWidget();
    if (QLineEdit* edit = LineEditOf(w))
        edit->insert(text);
    else if (QPlainTextEdit* multi = TextEditOf(w))
        multi->insertPlainText(DisplayText(text));
}

void CEdit::LimitText(int maxChars)
{
    if (QLineEdit* edit = LineEditOf(GetWidget()))
        edit->setMaxLength(maxChars <= 0 ? 32767 : maxChars);
}

void CEdit::SetReadOnly(BOOL readOnly)
{
    QWidget* w = GetWidget();
    if (QLineEdit* edit = LineEditOf(w))
        edit->setReadOnly(readOnly);
    else if (QPlainTextEdit* multi = TextEditOf(w))
        multi->setReadOnly(readOnly);
}

BOOL CEdit::IsReadOnly() const
{
    QWidget* w = GetWidget();
    if (QLineEdit* edit = LineEditOf(w))
        return edit->isReadOnly();
    if (QPlainTextEdit* multi = TextEditOf(w))
        return multi->isReadOnly();
    return FALSE;
}

void CEdit::SetPasswordChar(QChar ch)
{
    if (QLineEdit* edit = LineEditOf(GetWidget()))
        edit->setEchoMode(ch.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

BOOL CEdit::IsPassword() const
{
    QLineEdit* edit = LineEditOf(GetWidget());
    return edit && edit->echoMode() == QLineEdit::Password;
}

void CFolderEdit::EnableFolderBrowseButton(BOOL enable)
{
    if (QToolButton* browse = FolderBrowseButtonOf(GetWidget()))
        browse->setVisible(enable);
}

// ---------------------------------------------------------------- CComboBox

namespace {
QComboBox* comboOf(const CWnd& w)
{
    return qobject_cast<QComboBox*>(w.GetWidget());
}
} // namespace

int CComboBox::AddString(const QString& text)
{
    QComboBox* c = comboOf(*this);
    if (!c)
        return -1;
    c->addItem(text);
    return c->count() - 1;
}

int CComboBox::InsertString(int index, const QString& text)
{
    QComboBox* c = comboOf(*this);
    if (!c)
        return -1;
    if (index < 0 || index > c->count())
        index = c->count();
    c->insertItem(index, text);
    return index;
}

int CComboBox::DeleteString(int index)
{
    QComboBox* c = comboOf(*this);
    if (!c || index < 0 || index >= c->count())
        return -1;
    const int selected = c->currentIndex();
    QSignalBlocker block(c);
    c->removeItem(index);
    // Windows leaves no selection once the selected item is gone.
    if (selected == index)
        c->setCurrentIndex(-1);
    return c->count();
}

void CComboBox::ResetContent()
{
    if (QComboBox* c = comboOf(*this))
        c->clear();
}

int CComboBox::GetCount() const
{
    QComboBox* c = comboOf(*this);
    return c ? c->count() : 0;
}

int CComboBox::GetLBText(int index, QString& text) const
{
    QComboBox* c = comboOf(*this);
    if (!c || index < 0 || index >= c->count())
        return -1;
    text = c->itemText(index);
    return int(text.size());
}

QString CComboBox::GetLBText(int index) const
{
    QString text;
    GetLBText(index, text);
    return text;
}

int CComboBox::GetCurSel() const
{
    QComboBox* c = comboOf(*this);
    return c ? c->currentIndex() : -1;
}

int CComboBox::SetCurSel(int index)
{
    QComboBox* c = comboOf(*this);
    if (!c)
        return -1;
    if (index < 0 || index >= c->count()) {
        c->setCurrentIndex(-1);
        return -1;
    }
    c->setCurrentIndex(index);
    return index;
}

namespace {

// The first item after `startAfter` (wrapping round; -1 starts at the top)
// that `matches`, or -1.
template <class Match>
int findItem(const QComboBox* c, int startAfter, Match matches)
{
    const int n = c ? c->count() : 0;
    if (startAfter < -1 || startAfter >= n)
        startAfter = -1;
    for (int k = 1; k <= n; ++k) {
        const int i = (startAfter + k) % n;
        if (matches(c->itemText(i)))
            return i;
    }
    return -1;
}

} // namespace

int CComboBox::FindStringExact(int startAfter, const QString& text) const
{
    return findItem(comboOf(*this), startAfter,
                    [&](const QString& item) { return item.compare(text, Qt::CaseInsensitive) == 0; });
}

int CComboBox::SelectString(int startAfter, const QString& text)
{
    QComboBox* c = comboOf(*this);
    const int i = findItem(c, startAfter, [&](const QString& item) { return item.startsWith(text, Qt::CaseInsensitive); });
    if (i >= 0)
        c->setCurrentIndex(i);
    return i;
}

// -------------------------------------------------------------- CHotKeyCtrl

DWORD CHotKeyCtrl::GetHotKey() const
{
    auto* h = qobject_cast<HotKeyEdit*>(GetWidget());
    return h ? h->value() : 0;
}

void CHotKeyCtrl::GetHotKey(WORD& vk, WORD& modifiers) const
{
    const DWORD v = GetHotKey();
    vk = WORD(v & 0xFF);
    modifiers = WORD((v >> 16) & 0xFF);
}

void CHotKeyCtrl::SetHotKey(WORD vk, WORD modifiers)
{
    SetHotKeyValue((DWORD(modifiers & 0xFF) << 16) | (vk & 0xFF));
}

void CHotKeyCtrl::SetHotKeyValue(DWORD value)
{
    if (auto* h = qobject_cast<HotKeyEdit*>(GetWidget()))
        h->setValue(value);
}

// ---------------------------------------------------------------- CListCtrl

namespace {
ListView* listOf(const CWnd& w)
{
    return ListViewOf(w.GetWidget());
}
} // namespace

DWORD CListCtrl::SetExtendedStyle(DWORD styles)
{
    ListView* v = listOf(*this);
    if (!v)
        return 0;
    const DWORD old = v->extendedStyle();
    v->setExtendedStyle(styles);
    return old;
}

DWORD CListCtrl::GetExtendedStyle() const
{
    ListView* v = listOf(*this);
    return v ? v->extendedStyle() : 0;
}

int CListCtrl::InsertColumn(int col, const QString& caption, int width)
{
    ListView* v = listOf(*this);
    if (!v)
        return -1;
    const int at = v->listModel()->insertColumn(col, caption);
    if (width >= 0)
        v->setColumnWidth(at, width);
    return at;
}

int CListCtrl::GetHeaderItemCount() const
{
    ListView* v = listOf(*this);
    return v ? v->listModel()->columns() : 0;
}

BOOL CListCtrl::GetColumnCaption(int col, QString& caption) const
{
    ListView* v = listOf(*this);
    if (!v || col < 0 || col >= v->listModel()->columns())
        return FALSE;
    caption = v->listModel()->caption(col);
    return TRUE;
}

BOOL CListCtrl::SetColumnCaption(int col, const QString& caption)
{
    ListView* v = listOf(*this);
    if (!v || col < 0 || col >= v->listModel()->columns())
        return FALSE;
    v->listModel()->setCaption(col, caption);
    return TRUE;
}

int CListCtrl::GetColumnWidth(int col) const
{
    ListView* v = listOf(*this);
    return v && col >= 0 && col < v->listModel()->columns() ? v->columnWidth(col) : 0;
}

BOOL CListCtrl::SetColumnWidth(int col, int width)
{
    ListView* v = listOf(*this);
    if (!v || col < 0 || col >= v->listModel()->columns())
        return FALSE;
    v->setColumnWidth(col, qMax(0, width));
    return TRUE;
}

int CListCtrl::GetItemCount() const
{
    ListView* v = listOf(*this);
    return v ? v->listModel()->count() : 0;
}

int CListCtrl::InsertItem(int row, const QString& text)
{
    ListView* v = listOf(*this);
    return v ? v->listModel()->insertRow(row, text) : -1;
}

BOOL CListCtrl::SetItemText(int row, int col, const QString& text)
{
    ListView* v = listOf(*this);
    return v && v->listModel()->setText(row, col, text);
}

QString CListCtrl::GetItemText(int row, int col) const
{
    ListView* v = listOf(*this);
    return v ? v->listModel()->text(row, col) : QString();
}

BOOL CListCtrl::DeleteItem(int row)
{
    ListView* v = listOf(*this);
    return v && v->listModel()->removeRowAt(row);
}

BOOL CListCtrl::DeleteAllItems()
{
    ListView* v = listOf(*this);
    if (!v)
        return FALSE;
    ListView::NotifyBlocker block(v);
    v->listModel()->clear();
    return TRUE;
}

void CListCtrl::SetAllItems(QList<QStringList> rows)
{
    ListView* v = listOf(*this);
    if (!v)
        return;
    ListView::NotifyBlocker block(v);
    v->listModel()->setAll(std::move(rows));
}

void CListCtrl::SetOwnerData(std::function<QString(int, int)> text)
{
    if (ListView* v = listOf(*this)) {
        ListView::NotifyBlocker block(v);
        v->listModel()->setOwnerData(std::move(text));
    }
}

void CListCtrl::SetItemCountEx(int count)
{
    if (ListView* v = listOf(*this)) {
        ListView::NotifyBlocker block(v);
        v->listModel()->setOwnerCount(count);
    }
}

void CListCtrl::RedrawItems(int first, int last)
{
    if (ListView* v = listOf(*this))
        v->listModel()->refresh(first, last);
}

BOOL CListCtrl::GetCheck(int row) const
{
    ListView* v = listOf(*this);
    return v && v->listModel()->checked(row);
}

BOOL CListCtrl::SetCheck(int row, BOOL check)
{
    ListView* v = listOf(*this);
    if (!v)
        return FALSE;
    if (row == -1) {
        for (int i = 0; i < v->listModel()->count(); ++i)
            v->listModel()->setChecked(i, check);
        return TRUE;
    }
    return v->listModel()->setChecked(row, check);
}

UINT CListCtrl::GetItemState(int row, UINT mask) const
{
    ListView* v = listOf(*this);
    if (!v || row < 0 || row >= v->listModel()->count())
        return 0;
    v->listModel()->publish();
    UINT state = 0;
    if ((mask & LVIS_SELECTED) && v->selectionModel()->isRowSelected(row, QModelIndex()))
        state |= LVIS_SELECTED;
    if ((mask & LVIS_FOCUSED) && v->selectionModel()->currentIndex().row() == row &&
        v->selectionModel()->currentIndex().isValid())
        state |= LVIS_FOCUSED;
    if (mask & LVIS_STATEIMAGEMASK)
        state |= INDEXTOSTATEIMAGEMASK(v->listModel()->checked(row) ? 2 : 1);
    return state;
}

BOOL CListCtrl::SetItemState(int row, UINT state, UINT mask)
{
    ListView* v = listOf(*this);
    if (!v)
        return FALSE;
    ListModel* m = v->listModel();
    m->publish();
    if (row < -1 || row >= m->count())
        return FALSE;
    QItemSelectionModel* sel = v->selectionModel();
    if (mask & LVIS_STATEIMAGEMASK) {
        const bool on = (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
        SetCheck(row, on);
    }
    if (mask & LVIS_SELECTED) {
        const auto flag = (state & LVIS_SELECTED) ? QItemSelectionModel::Select : QItemSelectionModel::Deselect;
        if (row == -1) {
            // One notification for the whole list, as the platform sends it.
            {
                ListView::NotifyBlocker block(v);
                if (m->count() > 0)
                    sel->select(QItemSelection(m->index(0, 0), m->index(m->count() - 1, 0)),
                                flag | QItemSelectionModel::Rows);
            }
            NMLISTVIEW nm;
            nm.code = LVN_ITEMCHANGED;
            nm.iItem = -1;
            nm.uNewState = state & LVIS_SELECTED;
            nm.uOldState = (state & LVIS_SELECTED) ? 0u : UINT(LVIS_SELECTED);
            nm.uChanged = LVIF_STATE;
            emit v->listNotify(nm);
        } else {
            sel->select(m->index(row, 0), flag | QItemSelectionModel::Rows);
        }
    }
    if ((mask & LVIS_FOCUSED) && row >= 0) {
        if (state & LVIS_FOCUSED)
            sel->setCurrentIndex(m->index(row, 0), QItemSelectionModel::NoUpdate);
        else if (sel->currentIndex().row() == row)
            sel->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    return TRUE;
}

int CListCtrl::GetNextItem(int start, int flags) const
{
    ListView* v = listOf(*this);
    if (!v)
        return -1;
    const int n = v->listModel()->count();
    if (flags == LVNI_SELECTED) {
        // From the selection's ranges: a row-by-row walk costs a lookup for
        // every row of a long list.
        v->listModel()->publish();
        int next = -1;
        for (const QItemSelectionRange& range : v->selectionModel()->selection()) {
            const int row = qMax(range.top(), start + 1);
            if (row <= range.bottom() && row < n && (next < 0 || row < next))
                next = row;
        }
        return next;
    }
    for (int row = start + 1; row < n; ++row) {
        if (flags == LVNI_ALL)
            return row;
        UINT want = 0;
        if (flags & LVNI_SELECTED)
            want |= LVIS_SELECTED;
        if (flags & LVNI_FOCUSED)
            want |= LVIS_FOCUSED;
        if ((GetItemState(row, want) & want) == want)
            return row;
    }
    return -1;
}

int CListCtrl::GetSelectedCount() const
{
    ListView* v = listOf(*this);
    if (!v)
        return 0;
    v->listModel()->publish();
    return int(v->selectionModel()->selectedRows().size());
}

int CListCtrl::GetSelectionMark() const
{
    ListView* v = listOf(*this);
    if (!v)
        return -1;
    const QModelIndex current = v->selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

BOOL CListCtrl::EnsureVisible(int row, BOOL partialOk)
{
    ListView* v = listOf(*this);
    if (!v || row < 0 || row >= v->listModel()->count())
        return FALSE;
    v->listModel()->publish();
    Q_UNUSED(partialOk);
    v->scrollTo(v->model()->index(row, 0), QAbstractItemView::EnsureVisible);
    return TRUE;
}

BOOL CListCtrl::GetItemRect(int row, CRect& rect) const
{
    ListView* v = listOf(*this);
    if (!v || row < 0 || row >= v->listModel()->count())
        return FALSE;
    v->listModel()->publish();
    const QRect r = v->visualRect(v->model()->index(row, 0));
    const QPoint topLeft = v->viewport()->mapToGlobal(QPoint(0, r.top()));
    rect = {topLeft.x(), topLeft.y(), topLeft.x() + v->viewport()->width(), topLeft.y() + r.height()};
    return TRUE;
}

void CListCtrl::SetRowHeight(int height)
{
    if (ListView* v = listOf(*this); v && height > 0)
        v->verticalHeader()->setDefaultSectionSize(height);
}
