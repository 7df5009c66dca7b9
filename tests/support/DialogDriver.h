#pragma once

// Drives dialogs offscreen in tests: runs them modally or modeless, acts on
// their controls by id the way a user would (through the key hook and the
// notifications), answers the modal dialogs, message boxes, menus and file
// choosers that come up, in order, from scripts, fires timers without
// waiting, and takes screenshots. Keep one alive for the whole test.
#include <deque>
#include <functional>
#include <map>
#include <vector>

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include "platform/DialogEx.h"
#include "platform/FileChooser.h"
#include "platform/PopupMenu.h"
#include "support/MessageBoxRecorder.h"

class CBaseResizeAndMultiLang;

class DialogDriver {
public:
    using Script = std::function<void(CDialogEx& dlg)>;

    DialogDriver();
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Runs dlg.DoModal(); `script` runs once the dialog is up and must end
    // it (a dialog still open afterwards fails the test and is cancelled).
    int RunModal(CDialogEx& dlg, const Script& script);
    // Builds and shows the dialog without a modal loop, and activates it.
    bool Open(CDialogEx& dlg);
    void Close(CDialogEx& dlg);

    // The next modal dialog that comes up (in order) runs this script, or is
    // ended with this result. An unexpected modal dialog fails the test.
    void AnswerNextDialog(const Script& script);
    void AnswerNextDialog(int result);
    // Message boxes: answered IDOK (IDYES for yes/no boxes) unless scripted.
    void AnswerNextMessageBox(int answer) { m_boxes.answerNext(answer); }
    const QStringList& MessageTexts() const { return m_boxes.texts(); }
    QString LastMessage() const { return m_boxes.last(); }
    void ClearMessages() { m_boxes.clear(); }
    // Pop-up menus: the next one returns this id (0 = dismissed); the items
    // shown are recorded.
    void AnswerNextMenu(UINT id) { m_menuAnswers.push_back(id); }
    const std::vector<std::vector<platform::MenuItem>>& Menus() const { return m_menus; }
    // Where each menu would have opened (screen coordinates).
    const std::vector<CPoint>& MenuPoints() const { return m_menuPoints; }
    // File and folder choosers: the next one returns this path (empty = cancel).
    void AnswerNextChooser(const QString& path) { m_chooserAnswers.push_back(path); }
    const std::vector<platform::ChooserRequest>& Choosers() const { return m_choosers; }
    // Everything that came up, in order: "dialog 13500 -> 1", "box: text", "menu", "chooser".
    const QStringList& Log() const { return m_log; }

    // ---- acting on a dialog's controls, by id ----
    // Focuses the control and types the text key by key (the key hook sees each key).
    bool Type(CDialogEx& dlg, int id, const QString& text);
    // Replaces the control's text at once (one change notification).
    bool SetText(CDialogEx& dlg, int id, const QString& text);
    // Clicks an enabled, visible button, check box, radio button or link
    // (the browse button of a folder edit).
    bool Click(CDialogEx& dlg, int id);
    // Presses and releases a virtual key (with HOTKEYF_ modifiers) on the focused control.
    bool PressKey(CDialogEx& dlg, UINT vk, UINT modifiers = 0);
    bool Focus(CDialogEx& dlg, int id);
    // Picks a combo item as the user does (CBN_SELCHANGE follows).
    bool SelectComboItem(CDialogEx& dlg, int id, int index);
    // List rows as the user does: select (alone), double-click, right-click, tick the check box.
    bool SelectListRow(CDialogEx& dlg, int id, int row);
    bool DoubleClickListRow(CDialogEx& dlg, int id, int row);
    bool RightClickListRow(CDialogEx& dlg, int id, int row);
    bool ToggleListCheck(CDialogEx& dlg, int id, int row);

    // Fires a running timer now; false when it is not running.
    bool FireTimer(CDialogEx& dlg, UINT timerId);
    // Delivers posted messages and other queued events.
    void ProcessEvents();
    // Makes the dialog the active window (activation notifications follow).
    void Activate(CDialogEx& dlg);
    // The user switches to another program: no window of ours is active.
    // (Activating another of our windows does not work while a modal dialog
    // blocks it, just as on the desktop.)
    void DeactivateAll();
    bool SaveScreenshot(CDialogEx& dlg, const QString& pngPath);

    // ---- keyboard ----
    // The shown controls in reading order as the template places them: rows
    // from top to bottom, each from left to right (from right to left in a
    // window that reads from the right). Controls that take the focus only
    // (enabled ones), unless `withStatics`.
    std::vector<int> ReadingOrder(CDialogEx& dlg, bool withStatics = false);
    // The controls Tab visits, from the first in reading order round to it again.
    std::vector<int> TabOrder(CDialogEx& dlg);
    ::testing::AssertionResult TabFollowsReadingOrder(CDialogEx& dlg);
    // Alt+letter of every static text, button, check box and radio button, as shown now.
    std::map<QChar, std::vector<int>> Mnemonics(CDialogEx& dlg);
    ::testing::AssertionResult MnemonicsAreUnique(CDialogEx& dlg);
    // Presses Alt+letter as the window system delivers it (shortcuts included).
    bool PressMnemonic(CDialogEx& dlg, QChar letter);
    // Alt+letter of each label puts the focus on the control after it.
    ::testing::AssertionResult LabelMnemonicsFocusTheirControls(CDialogEx& dlg);

private:
    void onModal(CDialogEx& dlg);

    MessageBoxRecorder m_boxes;
    std::deque<Script> m_dialogAnswers;
    std::deque<UINT> m_menuAnswers;
    std::deque<QString> m_chooserAnswers;
    std::vector<std::vector<platform::MenuItem>> m_menus;
    std::vector<CPoint> m_menuPoints;
    std::vector<platform::ChooserRequest> m_choosers;
    QStringList m_log;
    CDialogEx* m_runTarget = nullptr;
    Script m_runScript;
    platform::MessageBoxHandler m_prevBox;
    platform::ModalHook m_prevHook;
    platform::PopupMenuHandler m_prevMenu;
    platform::ChooserHandler m_prevChooser;
};

// Every id the window registered (window, texts, list columns, combo items)
// is in the language file with the same kind. The window must have been
// shown once, so that its registration is complete.
::testing::AssertionResult RegisteredIdsInLanguageFile(const CBaseResizeAndMultiLang& wnd, const QString& langFile);
// Every (window id, text id) pair has an OtherString in the language file.
::testing::AssertionResult MessageIdsInLanguageFile(const std::vector<std::pair<int, int>>& ids,
                                                     const QString& langFile);
