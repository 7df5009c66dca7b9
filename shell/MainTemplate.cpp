#include "shell/VaultwickDlg.h"

// The settings page. Four groups of the same width, one control per column
// throughout, so longer translations grow into the same generous columns:
// check boxes and labels on the left, edits, lists and buttons from x = 145
// (hot-key rows), x = 160 (lists) or x = 242 (buttons) to the inner edge at 365.
//
// The data-folder row (15022, 15023) is never shown: it shares the bottom
// strip with the saved notice and would need a row of its own if it were.
const DialogTemplate CVaultwickDlg::s_template = {
    IDD, "Vaultwick", {0, 0, 380, 288},
    {
        {IDC_GROUP_HOTKEY, Control::GroupBox, "HOTKEY Settings", {7, 6, 366, 52}},
        {IDC_CHECK_HOTKEY_ADD, Control::CheckBox, " 'A&DD'  HOTKEY", {15, 19, 125, 14}},
        {IDC_HOTKEY_ADD, Control::HotKey, "", {145, 19, 92, 14}},
        {IDC_ADD_NOW, Control::Button, "Add Passwd &Now", {242, 19, 123, 14}},
        {IDC_CHECK_HOTKEY_QUERY, Control::CheckBox, " 'QUER&Y'  HOTKEY", {15, 37, 125, 14}},
        {IDC_HOTKEY_QUERY, Control::HotKey, "", {145, 37, 92, 14}},
        {IDC_QUERY_NOW, Control::Button, "Query Passwd No&w", {242, 37, 123, 14}},

        {IDC_GROUP_LOGIN, Control::GroupBox, "Login Passwd Settings", {7, 64, 366, 70}},
        {IDC_NEED_LOGIN_PASSWD, Control::CheckBox, "N&eed Login Passwd", {15, 77, 222, 14}},
        {IDC_CHANGE_LOGIN_PASSWD, Control::Button, "&Change Login Passwd", {242, 77, 123, 14}},
        {IDC_RADIO_ONCE, Control::Radio, "&Input Passwd Only Once (When Login)", {15, 95, 350, 14}, Style::Group},
        {IDC_RADIO_OTHER, Control::Radio, "Select &Other Frequency", {15, 113, 140, 14}, Style::Group},
        {IDC_INPUT_FREQ, Control::ComboBox, "", {160, 113, 205, 14}},

        {IDC_GROUP_SYSTEM, Control::GroupBox, "System Settings", {7, 140, 366, 52}},
        {IDC_AUTO_START, Control::CheckBox, "&Boot Automatically Activated", {15, 153, 172, 14}},
        {IDC_START_MINI, Control::CheckBox, "&Start Automatically Minimized", {193, 153, 172, 14}},
        {IDC_CLOSE_TO_TRAY, Control::CheckBox, "C&lose To System Tray", {15, 171, 172, 14}},
        {IDC_MINI_TO_TRAY, Control::CheckBox, "&Minimize To System Tray", {193, 171, 172, 14}},

        {IDC_GROUP_OTHER, Control::GroupBox, "Other Settings", {7, 198, 366, 64}},
        {IDC_LANGUAGE_LABEL, Control::Static, "&UI Language Selection", {15, 213, 140, 12}},
        {IDC_LANGUAGE, Control::ComboBox, "", {160, 211, 205, 14}},
        {IDC_GROUP_BACKUP, Control::GroupBox, "", {15, 229, 350, 27}},
        {IDC_AUTO_BACKUP, Control::CheckBox, "Automatically Bac&kup", {22, 237, 178, 14}},
        {IDC_IMPORT, Control::Button, "Im&port", {207, 237, 75, 14}},
        {IDC_EXPORT, Control::Button, "E&xport", {285, 237, 75, 14}},

        {IDC_DATA_FOLDER_LABEL, Control::Static, "Passwd DB Di&rectory", {7, 269, 100, 12}, Style::Hidden},
        {IDC_DATA_FOLDER, Control::FolderEdit, "", {110, 268, 263, 14}, Style::Hidden},
        {IDC_SAVED_NOTICE, Control::Static, "Setting Saved......", {7, 268, 366, 14},
         Style::Hidden | Style::CenterText},
    },
    Style::MinimizeBox};
