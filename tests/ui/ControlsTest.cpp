// Controls as the user meets them through the driver, and the custom controls.
#include <vector>

#include <QAbstractItemView>
#include <QApplication>
#include <QWidget>

#include "UiFixture.h"
#include "foundation/ui/BaseDlg.h"
#include "foundation/ui/ExBitmapButton.h"
#include "foundation/ui/ExEdit.h"
#include "foundation/ui/ExFileDlg.h"
#include "foundation/ui/ExListCtrl.h"
#include "support/DialogDriver.h"

namespace {

enum : int {
    IDD_C = 14100,
    IDC_HOTKEY = 14101,
    IDC_RADIO_A = 14102,
    IDC_RADIO_B = 14103,
    IDC_RADIO_C = 14104,
    IDC_COMBO = 14105,
    IDC_DIGITS = 14106,
    IDC_HEX = 14107,
    IDC_FOLDER = 14108,
    IDC_LIST = 14109,
    IDC_NOTES = 14110,
    IDC_FLAT = 14111,
    IDC_PASSWORD = 14112,
};

const DialogTemplate kControls = {
    IDD_C, "Controls", {0, 0, 260, 220},
    {
        {IDC_HOTKEY, Control::HotKey, "", {7, 7, 120, 14}},
        {IDC_RADIO_A, Control::Radio, "A", {7, 25, 40, 12}, Style::Group},
        {IDC_RADIO_B, Control::Radio, "B", {50, 25, 40, 12}, Style::Group},
        {IDC_RADIO_C, Control::Radio, "C", {93, 25, 40, 12}},
        {IDC_COMBO, Control::ComboBox, "", {7, 40, 100, 60}},
        {IDC_DIGITS, Control::Edit, "", {7, 58, 100, 14}},
        {IDC_HEX, Control::Edit, "", {110, 58, 100, 14}},
        {IDC_FOLDER, Control::FolderEdit, "", {7, 76, 200, 14}},
        {IDC_LIST, Control::ListCtrl, "", {7, 94, 246, 60}, Style::CheckBoxes},
        {IDC_NOTES, Control::Edit, "", {7, 158, 150, 30}, Style::MultiLine},
        {IDC_FLAT, Control::Button, "", {160, 158, 20, 14}},
        {IDC_PASSWORD, Control::Edit, "", {183, 158, 70, 14}, Style::Password | Style::ReadOnly},
        {IDOK, Control::Button, "OK", {150, 200, 50, 14}, Style::DefaultButton},
        {IDCANCEL, Control::Button, "Cancel", {203, 200, 50, 14}},
    }};

class CDlgControls : public CBaseDlg {
public:
    CDlgControls() : CBaseDlg(kControls), m_digits(EDIT_TYPE_DIGIT), m_hex(EDIT_TYPE_HEX) {}

    QList<QPair<int, UINT>> m_commands;
    QList<MSG> m_keys;
    short m_ctrlState = 0;
    bool m_throwOnOk = false;
    CExEdit m_digits;
    CExEdit m_hex;

protected:
    BOOL OnInitDialog() override
    {
        m_digits.SubclassDlgItem(IDC_DIGITS, this);
        m_hex.SubclassDlgItem(IDC_HEX, this);
        CComboBox combo = GetDlgItem(IDC_COMBO);
        combo.AddString("one");
        combo.AddString("two");
        CListCtrl list = GetDlgItem(IDC_LIST);
        list.InsertColumn(0, "A", 80);
        list.InsertColumn(1, "B", 80);
        return TRUE;
    }
    BOOL OnCommand(int id, UINT code) override
    {
        m_commands << qMakePair(id, code);
        if (id == IDOK && m_throwOnOk)
            throw std::runtime_error("handler failed");
        return CBaseDlg::OnCommand(id, code);
    }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) {
            m_keys << *msg;
            if (msg->wParam == 'C')
                m_ctrlState = platform::GetKeyState(VK_CONTROL);
        }
        return FALSE;
    }
};

class ControlsTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(d.Open(dlg));
    }
    void TearDown() override
    {
        d.Close(dlg);
        UiTest::TearDown();
    }
    bool commanded(int id, UINT code) const { return dlg.m_commands.contains(qMakePair(id, code)); }

    DialogDriver d;
    CDlgControls dlg;
};

TEST_F(ControlsTest, HotKeyControlKeepsModifiersAndVirtualKey)
{
    CHotKeyCtrl hotKey = dlg.GetDlgItem(IDC_HOTKEY);
    ASSERT_TRUE(d.Focus(dlg, IDC_HOTKEY));
    d.PressKey(dlg, 'K', HOTKEYF_CONTROL | HOTKEYF_ALT);
    EXPECT_EQ(hotKey.GetHotKey(), 393291u);  // (6 << 16) | 0x4B
    EXPECT_TRUE(commanded(IDC_HOTKEY, EN_CHANGE));
    d.PressKey(dlg, 'Q');  // a plain letter is kept as it is; the caller refuses it
    EXPECT_EQ(hotKey.GetHotKey(), DWORD('Q'));
    d.PressKey(dlg, VK_BACK);
    EXPECT_EQ(hotKey.GetHotKey(), 0u);
    hotKey.SetHotKeyValue(0x40041);  // Alt+A as stored
    WORD vk = 0, mods = 0;
    hotKey.GetHotKey(vk, mods);
    EXPECT_EQ(vk, 'A');
    EXPECT_EQ(mods, HOTKEYF_ALT);
    EXPECT_EQ(hotKey.GetWindowText(), "Alt + A");
    // The key hook saw the combination as a system key (Alt held) aimed at the control.
    ASSERT_FALSE(dlg.m_keys.isEmpty());
    EXPECT_EQ(dlg.m_keys[0].message, UINT(WM_SYSKEYDOWN));
    EXPECT_EQ(dlg.m_keys[0].hwndId, IDC_HOTKEY);
}

TEST_F(ControlsTest, RadioButtonsAreExclusiveWithinTheirGroupOnly)
{
    d.Click(dlg, IDC_RADIO_A);
    d.Click(dlg, IDC_RADIO_B);
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_RADIO_A), UINT(BST_CHECKED));  // another group
    d.Click(dlg, IDC_RADIO_C);
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_RADIO_B), UINT(BST_UNCHECKED));  // same group
    d.Click(dlg, IDC_RADIO_C);
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_RADIO_C), UINT(BST_CHECKED));  // a second click keeps it
    dlg.CheckDlgButton(IDC_RADIO_C, BST_UNCHECKED);                      // the program may clear it
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_RADIO_C), UINT(BST_UNCHECKED));
    EXPECT_TRUE(commanded(IDC_RADIO_A, BN_CLICKED));
}

TEST_F(ControlsTest, ComboNotifiesOnlyTheUsersChoice)
{
    CComboBox combo = dlg.GetDlgItem(IDC_COMBO);
    combo.SetCurSel(0);
    EXPECT_FALSE(commanded(IDC_COMBO, CBN_SELCHANGE));
    d.SelectComboItem(dlg, IDC_COMBO, 1);
    EXPECT_TRUE(commanded(IDC_COMBO, CBN_SELCHANGE));
    EXPECT_EQ(combo.GetCurSel(), 1);
    EXPECT_EQ(combo.FindStringExact(-1, "ONE"), 0);
    EXPECT_EQ(combo.FindStringExact(0, "one"), 0);  // wraps round
    EXPECT_EQ(combo.FindStringExact(-1, "on"), -1);
    EXPECT_EQ(combo.SelectString(-1, "TW"), 1);
    EXPECT_FALSE(commanded(IDC_COMBO, CBN_SELCHANGE) && dlg.m_commands.count(qMakePair(int(IDC_COMBO), UINT(CBN_SELCHANGE))) > 1);
    EXPECT_EQ(combo.DeleteString(1), 1);
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.DeleteString(5), -1);
}

TEST_F(ControlsTest, DigitEditKeepsDigitsAndTheCaret)
{
    d.Type(dlg, IDC_DIGITS, "12a3");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_DIGITS), "123");
    CEdit edit = dlg.GetDlgItem(IDC_DIGITS);
    int start = 0, end = 0;
    edit.GetSel(start, end);
    EXPECT_EQ(start, 3);
    EXPECT_EQ(end, 3);
    edit.SetSel(1, 1);
    edit.ReplaceSel("x9");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_DIGITS), "1923");
    edit.GetSel(start, end);
    EXPECT_EQ(end, 2);
}

TEST_F(ControlsTest, HexEditKeepsHexDigitsOfBothCases)
{
    CEdit edit = dlg.GetDlgItem(IDC_HEX);
    edit.SetFocus();
    edit.ReplaceSel("0x1F");  // a paste
    EXPECT_EQ(dlg.GetDlgItemText(IDC_HEX), "01F");
    edit.ReplaceSel("f");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_HEX), "01Ff");
    int caret = 2;
    EXPECT_EQ(CExEdit::FilterText("g1h2", EDIT_TYPE_HEX, caret), "12");
    EXPECT_EQ(caret, 1);
    caret = -1;
    EXPECT_EQ(CExEdit::FilterText("a1", EDIT_TYPE_DIGIT, caret), "1");
    EXPECT_EQ(caret, -1);
}

TEST_F(ControlsTest, EditColoursAndStyles)
{
    dlg.m_digits.SetBackgoundColor(RGB(255, 255, 0));
    EXPECT_EQ(dlg.m_digits.GetBackgroundColor(), RGB(255, 255, 0));
    CEdit password = dlg.GetDlgItem(IDC_PASSWORD);
    EXPECT_TRUE(password.IsPassword());
    EXPECT_TRUE(password.IsReadOnly());
    password.SetPasswordChar(QChar());
    EXPECT_FALSE(password.IsPassword());
    CEdit notes = dlg.GetDlgItem(IDC_NOTES);
    notes.SetWindowText("a\r\nb");
    EXPECT_EQ(notes.GetWindowText(), "a\r\nb");
}

TEST_F(ControlsTest, FlatButtonBorderContrastsWithItsBackground)
{
    CExBitmapButton flat = dlg.GetDlgItem(IDC_FLAT);
    flat.SetBkColor(0xFFFFFF);
    EXPECT_EQ(flat.GetBorderColor(), 0x505050u);
    EXPECT_EQ(flat.GetPenColor(), 0x505050u);
    flat.SetBkColor(0x000000);
    EXPECT_EQ(flat.GetBorderColor(), 0xA0A0A0u);
    EXPECT_EQ(CExBitmapButton::BorderColorFor(RGB(129, 129, 129)), 0x505050u);
    EXPECT_EQ(CExBitmapButton::BorderColorFor(RGB(128, 128, 129)), 0xA0A0A0u);
}

TEST_F(ControlsTest, ListColumnNamesRespectTheBufferAndTheColumnCount)
{
    CExListCtrl list = dlg.GetDlgItem(IDC_LIST);
    EXPECT_EQ(list.GetColumnCount(), 2);
    QString out = "untouched";
    EXPECT_EQ(list.GetColumnName(2, out), 0);
    EXPECT_EQ(out, "untouched");
    QString longName(256, QChar('n'));
    EXPECT_EQ(list.SetColumnName(0, longName), 0);
    list.GetColumnName(0, out);
    EXPECT_EQ(out, "A");
    QString fits(255, QChar('n'));
    EXPECT_EQ(list.SetColumnName(0, fits), 1);
    list.GetColumnName(0, out);
    EXPECT_EQ(out, fits);
    list.SetItemHeight(30);
    EXPECT_EQ(list.GetItemHeight(), 30);
}

TEST_F(ControlsTest, HundredThousandRowsLiveInTheModel)
{
    CListCtrl list = dlg.GetDlgItem(IDC_LIST);
    const int widgetsBefore = int(dlg.GetWidget()->findChildren<QWidget*>().size());
    for (int i = 0; i < 100000; ++i) {
        const int row = list.InsertItem(i, QString::number(i));
        list.SetItemText(row, 1, "x");
    }
    EXPECT_EQ(list.GetItemCount(), 100000);
    EXPECT_EQ(list.GetItemText(99999, 0), "99999");
    d.ProcessEvents();
    auto* view = qobject_cast<QAbstractItemView*>(list.GetWidget());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->model()->rowCount(), 100000);
    EXPECT_LT(int(dlg.GetWidget()->findChildren<QWidget*>().size()), widgetsBefore + 10);
    EXPECT_TRUE(list.EnsureVisible(99999));
    QList<QStringList> rows;
    for (int i = 0; i < 100000; ++i)
        rows << QStringList{QString::number(i), "y"};
    list.SetAllItems(std::move(rows));
    EXPECT_EQ(view->model()->rowCount(), 100000);
    EXPECT_EQ(list.GetItemText(5, 1), "y");
    list.DeleteAllItems();
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(ControlsTest, ListSelectionAndCheckStatesAsThePlatformReportsThem)
{
    CListCtrl list = dlg.GetDlgItem(IDC_LIST);
    for (int i = 0; i < 3; ++i)
        list.InsertItem(i, QString::number(i));
    EXPECT_EQ(list.InsertItem(1, "middle"), 1);
    EXPECT_EQ(list.GetItemText(2, 0), "1");
    list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.GetSelectedCount(), 4);
    list.SetItemState(-1, 0, LVIS_SELECTED);
    list.SetItemState(2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
    EXPECT_EQ(list.GetSelectionMark(), 2);
    list.SetItemState(1, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
    EXPECT_TRUE(list.GetCheck(1));
    EXPECT_EQ(list.GetItemState(1, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(2));
    EXPECT_TRUE(list.DeleteItem(1));
    EXPECT_FALSE(list.GetCheck(1));
    EXPECT_FALSE(list.DeleteItem(7));
}

TEST_F(ControlsTest, OwnerDataListAsksForTheTextsOfTheRowsItShows)
{
    CListCtrl list = dlg.GetDlgItem(IDC_LIST);
    std::vector<int> rows(100000);
    for (int i = 0; i < int(rows.size()); ++i)
        rows[std::size_t(i)] = i * 2;
    int asked = 0;
    list.SetOwnerData([&](int row, int col) {
        ++asked;
        return QStringLiteral("%1:%2").arg(rows[std::size_t(row)]).arg(col);
    });
    list.SetItemCountEx(int(rows.size()));
    d.ProcessEvents();
    EXPECT_EQ(list.GetItemCount(), 100000);
    // Drawn rows only, never the whole list.
    EXPECT_LT(asked, 5000);
    EXPECT_EQ(list.GetItemText(70000, 1), "140000:1");
    EXPECT_FALSE(list.SetItemText(0, 0, "owned elsewhere"));
    list.SetItemState(90000, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 90000);
    EXPECT_EQ(list.GetNextItem(90000, LVNI_SELECTED), -1);
    list.SetCheck(3);
    // The owner drops its row first; the list follows with the marks.
    rows.erase(rows.begin() + 2);
    EXPECT_TRUE(list.DeleteItem(2));
    EXPECT_EQ(list.GetItemCount(), 99999);
    EXPECT_TRUE(list.GetCheck(2));
    EXPECT_EQ(list.GetItemText(2, 0), "6:0");
    list.SetItemCountEx(5);
    EXPECT_EQ(list.GetItemCount(), 5);
    EXPECT_FALSE(list.GetCheck(2));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
}

TEST_F(ControlsTest, FolderEditBrowsesThroughTheChooser)
{
    CFolderEdit folder = dlg.GetDlgItem(IDC_FOLDER);
    folder.EnableFolderBrowseButton();
    folder.SetReadOnly(TRUE);
    d.AnswerNextChooser("/data/vault");
    d.Click(dlg, IDC_FOLDER);
    EXPECT_EQ(folder.GetWindowText(), "/data/vault");
    ASSERT_EQ(d.Choosers().size(), 1u);
    EXPECT_EQ(d.Choosers()[0].kind, platform::ChooserKind::Folder);
    EXPECT_TRUE(commanded(IDC_FOLDER, EN_CHANGE));
    d.AnswerNextChooser("");  // cancelled: nothing changes
    d.Click(dlg, IDC_FOLDER);
    EXPECT_EQ(folder.GetWindowText(), "/data/vault");
}

TEST_F(ControlsTest, FileDialogAsksTheChooserWithAQtFilter)
{
    CExFileDlg open(TRUE, "db", "Sqlite.db", 0, "Vault (*.db)|*.db|All Files (*.*)|*.*||");
    d.AnswerNextChooser("/home/u/Sqlite.db");
    EXPECT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.GetPathName(), "/home/u/Sqlite.db");
    EXPECT_EQ(open.GetFileName(), "Sqlite.db");
    ASSERT_EQ(d.Choosers().size(), 1u);
    EXPECT_EQ(d.Choosers()[0].filter, "Vault (*.db);;All Files (*.*)");
    EXPECT_EQ(d.Choosers()[0].kind, platform::ChooserKind::OpenFile);
    CExFileDlg save(FALSE, "db");
    d.AnswerNextChooser("");
    EXPECT_EQ(save.DoModal(), IDCANCEL);
    EXPECT_EQ(d.Choosers()[1].kind, platform::ChooserKind::SaveFile);
}

TEST_F(ControlsTest, KeyHookReportsModifierStateAndSyntheticKeys)
{
    d.Focus(dlg, IDC_NOTES);
    d.PressKey(dlg, 'C', HOTKEYF_CONTROL);
    EXPECT_LT(dlg.m_ctrlState, 0);
    ASSERT_FALSE(dlg.m_keys.isEmpty());
    EXPECT_EQ(dlg.m_keys.last().message, UINT(WM_KEYDOWN));
    EXPECT_EQ(dlg.m_keys.last().hwndId, IDC_NOTES);
    platform::SendKeyInput('Z');
    EXPECT_EQ(dlg.GetDlgItemText(IDC_NOTES), "");  // queued like real input
    d.ProcessEvents();
    EXPECT_EQ(dlg.GetDlgItemText(IDC_NOTES), "z");
    EXPECT_EQ(dlg.m_keys.last().wParam, WPARAM('Z'));
}

TEST_F(ControlsTest, EnterPressesTheDefaultButtonUnlessDisabled)
{
    d.Focus(dlg, IDC_DIGITS);
    dlg.GetDlgItem(IDOK).EnableWindow(FALSE);
    d.PressKey(dlg, VK_RETURN);
    EXPECT_FALSE(commanded(IDOK, BN_CLICKED));
    EXPECT_TRUE(dlg.IsRunning());
    dlg.GetDlgItem(IDOK).EnableWindow(TRUE);
    d.PressKey(dlg, VK_RETURN);
    EXPECT_TRUE(commanded(IDOK, BN_CLICKED));
    EXPECT_FALSE(dlg.IsRunning());
}

TEST_F(ControlsTest, AThrowingHandlerIsReportedNotFatal)
{
    dlg.m_throwOnOk = true;
    d.Click(dlg, IDOK);
    EXPECT_EQ(d.MessageTexts(), QStringList{"handler failed"});
    EXPECT_TRUE(dlg.IsRunning());
}

TEST_F(ControlsTest, CloseButtonActsAsCancel)
{
    CDlgControls modal;
    const int result = d.RunModal(modal, [&](CDialogEx& m) { m.GetWidget()->close(); });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(modal.m_commands.contains(qMakePair(int(IDCANCEL), UINT(BN_CLICKED))));
}

} // namespace

#include <QTest>

namespace {

const DialogTemplate kMnemonic = {
    14300, "Mnemonic", {0, 0, 120, 40},
    {{14301, Control::Edit, "", {5, 5, 110, 14}}, {14302, Control::Button, "&Apply", {5, 22, 50, 14}}}};

class CDlgMnemonic : public CDialogEx {
public:
    CDlgMnemonic() : CDialogEx(kMnemonic) {}
    bool m_consumeAltA = false;
    int m_altASeen = 0;
    int m_applyClicks = 0;

protected:
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_SYSKEYDOWN && msg->wParam == 'A') {
            ++m_altASeen;
            return m_consumeAltA;
        }
        return FALSE;
    }
    BOOL OnCommand(int id, UINT code) override
    {
        if (id == 14302 && code == BN_CLICKED)
            ++m_applyClicks;
        return CDialogEx::OnCommand(id, code);
    }
};

// QTest delivers keys with the shortcut-override stage a window system uses
// (offscreen no shortcut fires; under X11 the button is pressed when the hook
// lets the key through).
TEST_F(UiTest, KeyHookSeesAShortcutKeyOnceAtTheOverrideStage)
{
    DialogDriver d;
    CDlgMnemonic dlg;
    ASSERT_TRUE(d.Open(dlg));
    ASSERT_TRUE(d.Focus(dlg, 14301));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(dlg.m_altASeen, 1);
    dlg.m_consumeAltA = true;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(dlg.m_altASeen, 2);
    EXPECT_EQ(dlg.m_applyClicks, 0);
    QTest::keyClicks(QApplication::focusWidget(), "ok");
    EXPECT_EQ(dlg.GetDlgItemText(14301), "ok");
    d.Close(dlg);
}

} // namespace
