#pragma once

// Shared steps of the vault dialogs. Message texts: the built-in English,
// replaced by the current language file's text when it has one, shown in the
// one message box.
#include <QString>
#include <QVariantList>

#include <initializer_list>

#include "foundation/storage/DbSqlite3.h"
#include "foundation/storage/FormatText.h"
#include "foundation/storage/GlobalSettings.h"
#include "foundation/ui/BaseResizeAndMultiLang.h"
#include "platform/DialogEx.h"
#include "platform/MessageBox.h"
#include "vault/PasswdStrength.h"

namespace vaultdlg {

inline QString LangText(int wndId, int strId, const QString& english)
{
    return CBaseResizeAndMultiLang::GetOtherStrOr(wndId, strId, english);
}

inline void ShowLangMessage(int wndId, int strId, const QString& english, const QVariantList& args = {})
{
    const QString fmt = LangText(wndId, strId, english);
    platform::ShowMessageBox(args.isEmpty() ? fmt : FormatText(fmt, args));
}

enum class PasswdCheck { Accepted, Refused, Unopenable };

// Checks a typed vault password. An open, logged-in vault is checked against
// its stored hash and keeps its key whatever was typed, so a typing error
// never locks the running vault. Otherwise the connection is reopened (a file
// that cannot be opened is reported with its path, text strId of wndId) and
// keyed with the password when it is the right one.
inline PasswdCheck CheckVaultPasswd(const QString& passwd, int wndId, int strId)
{
    if (!g_pSqlite)
        return PasswdCheck::Unopenable;
    if (g_pSqlite->IsLoggedIn())
        return g_pSqlite->ConfirmPasswd(passwd, 2) ? PasswdCheck::Accepted : PasswdCheck::Refused;
    g_pSqlite->CloseDB();
    if (g_pSqlite->InitDB() != 0) {
        ShowLangMessage(wndId, strId, QStringLiteral("Failed to open the database '%s'!"),
                        {g_pSqlite->GetPathFile()});
        return PasswdCheck::Unopenable;
    }
    return g_pSqlite->ConfirmPasswd(passwd, 0) ? PasswdCheck::Accepted : PasswdCheck::Refused;
}

// The new password and its repetition of the set and change dialogs: when
// they differ both are emptied; an empty one is refused. The new-password edit
// gets the focus on refusal.
inline bool CheckNewPasswd(CDialogEx& dlg, int newId, int repeatId, int mismatchStrId, int emptyStrId)
{
    const QString newPasswd = dlg.GetDlgItemText(newId);
    const int wndId = dlg.GetTemplateId();
    if (newPasswd != dlg.GetDlgItemText(repeatId)) {
        ShowLangMessage(wndId, mismatchStrId, QStringLiteral("The 'Repeat Passwd' must the same as 'New Passwd'!"));
        dlg.GetDlgItem(newId).WipeText();
        dlg.GetDlgItem(repeatId).WipeText();
    } else if (newPasswd.isEmpty()) {
        ShowLangMessage(wndId, emptyStrId, QStringLiteral("The 'New Passwd' can not be empty!"));
    } else {
        return true;
    }
    dlg.GetDlgItem(newId).SetFocus();
    return false;
}

} // namespace vaultdlg

namespace vaultdlg {

// The show-password check box of a dialog: the edits show their text while it
// is checked and are masked again when it is cleared. A window always opens
// with the box cleared and the edits masked (both come from the template).
inline void ShowPasswdText(CDialogEx& dlg, int checkId, std::initializer_list<int> editIds)
{
    const bool show = dlg.IsDlgButtonChecked(checkId) == BST_CHECKED;
    for (int id : editIds) {
        CEdit edit = dlg.GetDlgItem(id);
        edit.SetPasswordChar(show ? QChar() : QChar(u'*'));
    }
}

} // namespace vaultdlg

namespace vaultdlg {

// The text colour of a strength label by band; the top band is white on black.
inline COLORREF PasswdStrengthColor(int strength)
{
    if (strength < 25)
        return RGB(246, 68, 68);
    if (strength < 45)
        return RGB(210, 0, 210);
    if (strength < 60)
        return RGB(0, 156, 0);
    if (strength < 85)
        return RGB(0, 0, 160);
    return RGB(255, 255, 255);
}

// Shows a strength score in a label, "  %d/100 (Passwd Strength)" in the
// colour of its band: the editor and the master-password windows alike.
inline void ShowPasswdStrength(CDialogEx& dlg, int labelId, int strength)
{
    // The editor's text: one wording for the score wherever it is shown.
    CWnd label = dlg.GetDlgItem(labelId);
    label.SetWindowText(FormatText(LangText(13100, 1310004, QStringLiteral("  %d/100 (Passwd Strength)")), {strength}));
    label.ResetColors();
    label.SetTextColor(PasswdStrengthColor(strength));
    if (strength >= 85)
        label.SetBkColor(RGB(0, 0, 0));
    label.Invalidate();
}

// A master password scoring below this (the red and purple bands) is taken
// only after a warning: it guards the whole vault, and a copy of the vault
// file can be tried offline without limit.
constexpr int s_iWeakMasterPasswd = 45;

// The warning for a weak new master password (the new-password edit newId of
// dlg). true when the password is strong enough or the user keeps it anyway;
// otherwise the new-password edit has the focus again.
inline bool AcceptMasterPasswdStrength(CDialogEx& dlg, int newId)
{
    const int strength = CalcPasswdStrength(dlg.GetDlgItemText(newId));
    if (strength >= s_iWeakMasterPasswd)
        return true;
    const QString text = FormatText(
        LangText(13600, 1360040,
                 QStringLiteral("This master password scores only %d of 100 and is easy to guess. Anyone who "
                                "gets a copy of the vault file can try passwords against it without limit.\r\n"
                                "Use it anyway?")),
        {strength});
    // No is the default answer: a stray Enter keeps the user choosing a better one.
    if (platform::ShowMessageBox(text, QString(), MB_YESNO | MB_ICONWARNING) == IDYES)
        return true;
    dlg.GetDlgItem(newId).SetFocus();
    return false;
}

} // namespace vaultdlg
