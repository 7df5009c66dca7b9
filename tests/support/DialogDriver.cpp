#include "support/DialogDriver.h"

#include <algorithm>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "foundation/ui/BaseResizeAndMultiLang.h"
#include "foundation/ui/BaseXml.h"
#include "platform/DialogHost.h"
#include "platform/ListView.h"
#include "platform/VirtualKeys.h"

namespace {

QWidget* controlOf(CDialogEx& dlg, int id)
{
    QWidget* w = dlg.GetDlgItem(id).GetWidget();
    if (!w)
        ADD_FAILURE() << "dialog " << dlg.GetTemplateId() << " has no control " << id;
    return w;
}

// A key press and release as the window system delivers them (the
// application's event filters, and so the key hook, see both).
void sendKey(QWidget* target, int qtKey, Qt::KeyboardModifiers mods, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, qtKey, mods, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, qtKey, mods, text);
    QApplication::sendEvent(target, &release);
}

void typeText(QWidget* target, const QString& text)
{
    for (const QChar ch : text) {
        int key = 0;
        Qt::KeyboardModifiers mods;
        if (ch.isLetter() && ch.unicode() < 128) {
            key = ch.toUpper().unicode();
            if (ch.isUpper())
                mods = Qt::ShiftModifier;
        } else if (ch.unicode() < 128) {
            key = ch.unicode();  // digits and punctuation: Qt key codes equal ASCII
        } else {
            key = Qt::Key_unknown;
        }
        sendKey(target, key, mods, QString(ch));
    }
}

} // namespace

DialogDriver::DialogDriver()
{
    m_prevBox = platform::SetMessageBoxHandler([this](const QString& text, const QString& caption, unsigned type) {
        m_log << QStringLiteral("box: ") + text;
        return m_prevBox(text, caption, type);
    });
    m_prevHook = platform::SetModalHook([this](CDialogEx& dlg) { onModal(dlg); });
    m_prevMenu = platform::SetPopupMenuHandler([this](const std::vector<platform::MenuItem>& items,
                                                      const CPoint& at) -> UINT {
        m_menus.push_back(items);
        m_menuPoints.push_back(at);
        m_log << QStringLiteral("menu");
        if (m_menuAnswers.empty())
            return 0;
        const UINT id = m_menuAnswers.front();
        m_menuAnswers.pop_front();
        return id;
    });
    m_prevChooser = platform::SetChooserHandler([this](const platform::ChooserRequest& request) {
        m_choosers.push_back(request);
        m_log << QStringLiteral("chooser");
        if (m_chooserAnswers.empty())
            return QString();
        const QString path = m_chooserAnswers.front();
        m_chooserAnswers.pop_front();
        return path;
    });
}

DialogDriver::~DialogDriver()
{
    platform::SetChooserHandler(std::move(m_prevChooser));
    platform::SetPopupMenuHandler(std::move(m_prevMenu));
    platform::SetModalHook(std::move(m_prevHook));
    platform::SetMessageBoxHandler(std::move(m_prevBox));
    if (!m_dialogAnswers.empty())
        ADD_FAILURE() << m_dialogAnswers.size() << " scripted dialog answer(s) were never used";
    // Windows of ended dialogs are deleted later; do it before the next test.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void DialogDriver::onModal(CDialogEx& dlg)
{
    Script script;
    if (&dlg == m_runTarget) {
        script = m_runScript;
        m_runTarget = nullptr;
    } else if (!m_dialogAnswers.empty()) {
        script = std::move(m_dialogAnswers.front());
        m_dialogAnswers.pop_front();
    } else {
        ADD_FAILURE() << "unexpected modal dialog " << dlg.GetTemplateId();
        script = [](CDialogEx& d) { d.EndDialog(IDCANCEL); };
    }
    const int id = dlg.GetTemplateId();
    QTimer::singleShot(0, dlg.GetWidget(), [this, &dlg, script, id] {
        Activate(dlg);
        script(dlg);
        if (dlg.IsRunning()) {
            ADD_FAILURE() << "dialog " << id << " is still open after its script";
            dlg.EndDialog(IDCANCEL);
        }
    });
    m_log << QStringLiteral("dialog %1").arg(id);
}

int DialogDriver::RunModal(CDialogEx& dlg, const Script& script)
{
    m_runTarget = &dlg;
    m_runScript = script;
    const int result = dlg.DoModal();
    m_runTarget = nullptr;
    m_log << QStringLiteral("dialog %1 -> %2").arg(dlg.GetTemplateId()).arg(result);
    return result;
}

void DialogDriver::AnswerNextDialog(const Script& script)
{
    m_dialogAnswers.push_back(script);
}

void DialogDriver::AnswerNextDialog(int result)
{
    m_dialogAnswers.push_back([result](CDialogEx& dlg) { dlg.EndDialog(result); });
}

bool DialogDriver::Open(CDialogEx& dlg)
{
    if (!dlg.Create())
        return false;
    Activate(dlg);
    return dlg.IsRunning();
}

void DialogDriver::Close(CDialogEx& dlg)
{
    dlg.DestroyWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void DialogDriver::Activate(CDialogEx& dlg)
{
    QWidget* w = dlg.GetWidget();
    if (!w)
        return;
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        w->raise();
    w->activateWindow();
    QCoreApplication::processEvents();
    if (!w->isActiveWindow())
        QApplication::setActiveWindow(w);
    QCoreApplication::processEvents();
}

void DialogDriver::DeactivateAll()
{
    QApplication::setActiveWindow(nullptr);
    QCoreApplication::processEvents();
}

bool DialogDriver::Focus(CDialogEx& dlg, int id)
{
    QWidget* w = controlOf(dlg, id);
    if (!w)
        return false;
    if (!w->isWindow() && !w->window()->isActiveWindow())
        Activate(dlg);
    dlg.GetDlgItem(id).SetFocus();
    QCoreApplication::processEvents();
    return dlg.GetDlgItem(id).HasFocus();
}

bool DialogDriver::Type(CDialogEx& dlg, int id, const QString& text)
{
    if (!Focus(dlg, id))
        return false;
    typeText(QApplication::focusWidget(), text);
    return true;
}

bool DialogDriver::SetText(CDialogEx& dlg, int id, const QString& text)
{
    if (!controlOf(dlg, id))
        return false;
    dlg.GetDlgItem(id).SetWindowText(text);
    return true;
}

bool DialogDriver::Click(CDialogEx& dlg, int id)
{
    QWidget* control = controlOf(dlg, id);
    // A folder edit is clicked on its browse button.
    if (QToolButton* browse = platform::FolderBrowseButtonOf(control))
        control = browse;
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (!button) {
        ADD_FAILURE() << "control " << id << " is not a button";
        return false;
    }
    if (!button->isEnabled() || !button->isVisible()) {
        ADD_FAILURE() << "control " << id << " cannot be clicked (disabled or hidden)";
        return false;
    }
    button->click();
    return true;
}

bool DialogDriver::PressKey(CDialogEx& dlg, UINT vk, UINT modifiers)
{
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != dlg.GetWidget()) {
        Activate(dlg);
        target = QApplication::focusWidget();
    }
    if (!target)
        target = dlg.GetWidget();
    const int qtKey = platform::QtKeyFromVirtualKey(vk);
    if (!target || qtKey == 0) {
        ADD_FAILURE() << "cannot press virtual key " << vk;
        return false;
    }
    const Qt::KeyboardModifiers mods(platform::ModifiersFromHotKeyFlags(modifiers));
    QString text;
    if (!(mods & (Qt::ControlModifier | Qt::AltModifier)) && ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')))
        text = QChar((vk >= 'A' && vk <= 'Z' && !(mods & Qt::ShiftModifier)) ? vk + 32 : vk);
    sendKey(target, qtKey, mods, text);
    return true;
}

bool DialogDriver::SelectComboItem(CDialogEx& dlg, int id, int index)
{
    auto* combo = qobject_cast<QComboBox*>(controlOf(dlg, id));
    if (!combo || index < 0 || index >= combo->count() || !combo->isEnabled()) {
        ADD_FAILURE() << "cannot select item " << index << " of combo " << id;
        return false;
    }
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
}

namespace {

platform::ListView* listOf(CDialogEx& dlg, int id, int row)
{
    auto* list = platform::ListViewOf(controlOf(dlg, id));
    if (!list) {
        ADD_FAILURE() << "control " << id << " is not a list";
        return nullptr;
    }
    list->listModel()->publish();
    if (row < 0 || row >= list->listModel()->count()) {
        ADD_FAILURE() << "list " << id << " has no row " << row;
        return nullptr;
    }
    return list;
}

} // namespace

bool DialogDriver::SelectListRow(CDialogEx& dlg, int id, int row)
{
    platform::ListView* list = listOf(dlg, id, row);
    if (!list)
        return false;
    list->selectionModel()->setCurrentIndex(list->model()->index(row, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

bool DialogDriver::DoubleClickListRow(CDialogEx& dlg, int id, int row)
{
    platform::ListView* list = listOf(dlg, id, row);
    if (!list)
        return false;
    SelectListRow(dlg, id, row);
    emit list->doubleClicked(list->model()->index(row, list->model()->columnCount() > 1 ? 1 : 0));
    return true;
}

bool DialogDriver::RightClickListRow(CDialogEx& dlg, int id, int row)
{
    platform::ListView* list = listOf(dlg, id, row);
    if (!list)
        return false;
    list->scrollTo(list->model()->index(row, 0));
    const QRect cell = list->visualRect(list->model()->index(row, 0));
    const QPointF at = cell.center();
    const QPointF global = list->viewport()->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &release);
    return true;
}

bool DialogDriver::ToggleListCheck(CDialogEx& dlg, int id, int row)
{
    platform::ListView* list = listOf(dlg, id, row);
    if (!list)
        return false;
    const bool on = list->listModel()->checked(row);
    return list->model()->setData(list->model()->index(row, 0), on ? Qt::Unchecked : Qt::Checked,
                                  Qt::CheckStateRole);
}

bool DialogDriver::FireTimer(CDialogEx& dlg, UINT timerId)
{
    if (dlg.GetTimerElapse(timerId) < 0)
        return false;
    dlg.DispatchTimer(timerId);
    return true;
}

void DialogDriver::ProcessEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

bool DialogDriver::SaveScreenshot(CDialogEx& dlg, const QString& pngPath)
{
    QWidget* w = dlg.GetWidget();
    if (!w)
        return false;
    QCoreApplication::processEvents();
    return w->grab().save(pngPath, "PNG");
}

// ------------------------------------------------------- language-file checks

namespace {

class LangFileReader : public CBaseXml {
public:
    explicit LangFileReader(const QString& file) { loaded = LoadFromXmlFile(file); }
    bool Has(const QString& xpath, const QString& attr = QStringLiteral("id"))
    {
        QString v;
        return ParseFromNote_Str(v, xpath, 1, attr);
    }
    int Type(const QString& xpath)
    {
        int type = -100;
        ParseFromNote_Int(type, xpath, 1, QStringLiteral("Type"));
        return type;
    }
    int loaded = 0;
};

QString windowPath(int wndId)
{
    return QStringLiteral("/Tessel/LanguageString/Window[@ID=%1]").arg(wndId);
}

} // namespace

::testing::AssertionResult RegisteredIdsInLanguageFile(const CBaseResizeAndMultiLang& wnd, const QString& langFile)
{
    LangFileReader file(langFile);
    if (!file.loaded)
        return ::testing::AssertionFailure() << "cannot read " << langFile.toStdString();
    const QList<int>& ids = wnd.GetItemIds();
    const QList<ENUM_WND_TYPE>& types = wnd.GetItemTypes();
    if (ids.isEmpty() || ids.size() != types.size())
        return ::testing::AssertionFailure() << "the window registered no consistent ids";
    QStringList missing;
    const QString wndPath = windowPath(ids[0]);
    if (file.Type(wndPath) != types[0])
        missing << QStringLiteral("window %1 (type %2)").arg(ids[0]).arg(types[0]);
    for (qsizetype i = 1; i < ids.size(); ++i) {
        if (types[i] == WND_TYPE_EDIT)
            continue;
        const QString item = wndPath + QStringLiteral("/ItemCtrl[@id=%1]").arg(ids[i]);
        if (file.Type(item) != types[i]) {
            missing << QStringLiteral("control %1 (type %2)").arg(ids[i]).arg(types[i]);
            continue;
        }
        const auto childCount = [&](const QString& element, qsizetype expected) {
            for (qsizetype j = 0; j < expected; ++j)
                if (!file.Has(item + QStringLiteral("/%1[@id=%2]").arg(element).arg(j)))
                    return false;
            return !file.Has(item + QStringLiteral("/%1[@id=%2]").arg(element).arg(expected));
        };
        if (types[i] == WND_TYPE_LIST && wnd.GetListParams())
            for (const ST_LISTCTRL_PARAM& p : *wnd.GetListParams())
                if (p.iId == ids[i] && !childCount(QStringLiteral("Column"), p.arrColumnName.size()))
                    missing << QStringLiteral("columns of list %1 (%2)").arg(ids[i]).arg(p.arrColumnName.size());
        if (types[i] == WND_TYPE_COMBO && wnd.GetComboParams())
            for (const ST_COMBO_PARAM& p : *wnd.GetComboParams())
                if (p.iId == ids[i] && !childCount(QStringLiteral("ComboItem"), p.arrItem.size()))
                    missing << QStringLiteral("items of combo %1 (%2)").arg(ids[i]).arg(p.arrItem.size());
    }
    if (!missing.isEmpty())
        return ::testing::AssertionFailure() << langFile.toStdString() << " lacks "
                                             << missing.join(QStringLiteral(", ")).toStdString();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MessageIdsInLanguageFile(const std::vector<std::pair<int, int>>& ids,
                                                     const QString& langFile)
{
    LangFileReader file(langFile);
    if (!file.loaded)
        return ::testing::AssertionFailure() << "cannot read " << langFile.toStdString();
    QStringList missing;
    for (const auto& [wndId, strId] : ids)
        if (!file.Has(windowPath(wndId) + QStringLiteral("/OtherString[@id=%1]").arg(strId)))
            missing << QStringLiteral("%1/%2").arg(wndId).arg(strId);
    if (!missing.isEmpty())
        return ::testing::AssertionFailure() << langFile.toStdString() << " lacks message(s) "
                                             << missing.join(QStringLiteral(", ")).toStdString();
    return ::testing::AssertionSuccess();
}

// ---------------------------------------------------------------- keyboard

namespace {

bool takesFocus(const ControlTemplate& c)
{
    return c.kind != Control::Static && c.kind != Control::GroupBox && !(c.style & Style::NoTabStop);
}

// The template's rectangle as the window shows it (mirrored when it reads from the right).
DlgRect shownRect(const CDialogEx& dlg, const ControlTemplate& c)
{
    DlgRect r = c.rect;
    if (dlg.GetWidget() && dlg.GetWidget()->layoutDirection() == Qt::RightToLeft)
        r.x = dlg.GetTemplate().rect.cx - r.x - r.cx;
    return r;
}

} // namespace

std::vector<int> DialogDriver::ReadingOrder(CDialogEx& dlg, bool withStatics)
{
    // Rows from the template: a control whose middle lies within the height
    // of a row's first control belongs to that row; each row left to right.
    std::vector<const ControlTemplate*> shown;
    for (const ControlTemplate& c : dlg.GetTemplate().controls) {
        CWnd w = dlg.GetDlgItem(c.id);
        if (!w || !w.IsWindowVisible() || c.kind == Control::GroupBox)
            continue;
        if (takesFocus(c) ? !w.IsWindowEnabled() : !withStatics)
            continue;
        shown.push_back(&c);
    }
    std::stable_sort(shown.begin(), shown.end(),
                     [](const ControlTemplate* a, const ControlTemplate* b) { return a->rect.y < b->rect.y; });
    std::vector<int> order;
    for (std::size_t first = 0; first < shown.size();) {
        std::size_t end = first + 1;
        while (end < shown.size() &&
               shown[end]->rect.y + shown[end]->rect.cy / 2 < shown[first]->rect.y + shown[first]->rect.cy)
            ++end;
        std::vector<const ControlTemplate*> row(shown.begin() + long(first), shown.begin() + long(end));
        // From the left edge, or from the right one in a mirrored window.
        const bool rtl = dlg.GetWidget() && dlg.GetWidget()->layoutDirection() == Qt::RightToLeft;
        std::stable_sort(row.begin(), row.end(), [&](const ControlTemplate* a, const ControlTemplate* b) {
            const DlgRect ra = shownRect(dlg, *a), rb = shownRect(dlg, *b);
            return rtl ? ra.x + ra.cx > rb.x + rb.cx : ra.x < rb.x;
        });
        for (const ControlTemplate* c : row)
            order.push_back(c->id);
        first = end;
    }
    return order;
}

std::vector<int> DialogDriver::TabOrder(CDialogEx& dlg)
{
    std::vector<int> ids;
    const std::vector<int> expected = ReadingOrder(dlg);
    if (expected.empty() || !Focus(dlg, expected.front()))
        return ids;
    const int start = CWnd::GetFocus().GetDlgCtrlID();
    for (int i = 0; i < 100; ++i) {
        ids.push_back(CWnd::GetFocus().GetDlgCtrlID());
        sendKey(QApplication::focusWidget(), Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
        QCoreApplication::processEvents();
        if (CWnd::GetFocus().GetDlgCtrlID() == start)
            break;
    }
    return ids;
}

::testing::AssertionResult DialogDriver::TabFollowsReadingOrder(CDialogEx& dlg)
{
    const std::vector<int> expected = ReadingOrder(dlg);
    const std::vector<int> actual = TabOrder(dlg);
    if (actual == expected)
        return ::testing::AssertionSuccess();
    QStringList e, a;
    for (int id : expected)
        e << QString::number(id);
    for (int id : actual)
        a << QString::number(id);
    return ::testing::AssertionFailure() << "window " << dlg.GetTemplateId() << ": Tab goes "
                                         << a.join(' ').toStdString() << ", reading order is "
                                         << e.join(' ').toStdString();
}

std::map<QChar, std::vector<int>> DialogDriver::Mnemonics(CDialogEx& dlg)
{
    std::map<QChar, std::vector<int>> letters;
    for (const ControlTemplate& c : dlg.GetTemplate().controls) {
        if (c.kind != Control::Static && c.kind != Control::Button && c.kind != Control::CheckBox &&
            c.kind != Control::Radio)
            continue;
        const QChar letter = platform::MnemonicOf(dlg.GetDlgItemText(c.id));
        if (!letter.isNull())
            letters[letter].push_back(c.id);
    }
    return letters;
}

bool DialogDriver::PressMnemonic(CDialogEx& dlg, QChar letter)
{
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != dlg.GetWidget()) {
        Activate(dlg);
        target = QApplication::focusWidget() ? QApplication::focusWidget() : dlg.GetWidget();
    }
    if (!target)
        return false;
    // Through the shortcut map, as the window system delivers Alt+letter.
    const auto key = Qt::Key(letter.toUpper().unicode());
    QTest::sendKeyEvent(QTest::Press, target, key, QString(letter.toLower()), Qt::AltModifier);
    if (QApplication::focusWidget())
        target = QApplication::focusWidget();
    QTest::sendKeyEvent(QTest::Release, target, key, QString(letter.toLower()), Qt::AltModifier);
    QCoreApplication::processEvents();
    // A button's mnemonic presses it and lets it go a moment later, as a click.
    QWidget* host = dlg.GetWidget();
    if (host)
        (void)QTest::qWaitFor([&] {
            if (!dlg.GetWidget())
                return true;
            for (QAbstractButton* b : host->findChildren<QAbstractButton*>())
                if (b->isDown())
                    return false;
            return true;
        }, 2000);
    return true;
}

::testing::AssertionResult DialogDriver::MnemonicsAreUnique(CDialogEx& dlg)
{
    for (const auto& [letter, ids] : Mnemonics(dlg)) {
        if (ids.size() < 2)
            continue;
        QStringList list;
        for (int id : ids)
            list << QString::number(id) + " \"" + dlg.GetDlgItemText(id) + "\"";
        return ::testing::AssertionFailure() << "window " << dlg.GetTemplateId() << ": Alt+"
                                             << QString(letter).toStdString() << " belongs to "
                                             << list.join(", ").toStdString();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult DialogDriver::LabelMnemonicsFocusTheirControls(CDialogEx& dlg)
{
    const std::vector<int> order = ReadingOrder(dlg, true);
    for (const auto& [letter, ids] : Mnemonics(dlg)) {
        const int id = ids.front();
        const ControlTemplate* c = dlg.GetTemplate().Find(id);
        const auto at = std::find(order.begin(), order.end(), id);
        if (!c || c->kind != Control::Static || at == order.end())
            continue;
        // The control that follows the label in reading order takes the focus.
        auto next = std::find_if(at + 1, order.end(), [&](int other) {
            const ControlTemplate* t = dlg.GetTemplate().Find(other);
            return t && takesFocus(*t);
        });
        if (next == order.end())
            continue;
        const std::vector<int> tab = ReadingOrder(dlg);
        Focus(dlg, tab.front() == *next && tab.size() > 1 ? tab.back() : tab.front());
        PressMnemonic(dlg, letter);
        const int focus = CWnd::GetFocus().GetDlgCtrlID();
        if (focus != *next)
            return ::testing::AssertionFailure()
                   << "window " << dlg.GetTemplateId() << ": Alt+" << QString(letter).toStdString() << " of \""
                   << dlg.GetDlgItemText(id).toStdString() << "\" focuses " << focus << ", not " << *next;
    }
    return ::testing::AssertionSuccess();
}
