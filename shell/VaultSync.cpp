// The data folder may lie in a folder that a sync program keeps in step
// between computers. The store follows the vault file itself; here the
// folder is watched, so that a delivered vault is opened at once rather than
// at the next statement, and a conflict copy left by the sync program is
// brought into the vault instead of lying there unnoticed.
#include "shell/VaultwickDlg.h"

#include <QFileInfo>

#include "foundation/storage/FormatText.h"
#include "foundation/storage/Globals.h"
#include "foundation/ui/BaseResizeAndMultiLang.h"
#include "platform/FileWatch.h"
#include "platform/MessageBox.h"
#include "vault/PasswdSetting.h"

void CVaultwickDlg::StartDataFolderWatch()
{
    if (m_pDataWatch || g_strSavedDataPath.isEmpty())
        return;
    m_pDataWatch = std::make_unique<platform::CFolderWatch>(g_strSavedDataPath,
                                                            [this] { OnDataFolderContentChanged(); });
    // A copy may have come while the program was not running.
    MergeConflictCopies();
}

void CVaultwickDlg::OnDataFolderContentChanged()
{
    if (!g_pSqlite || !g_pPwSettings || m_bShutDown || m_bMerging)
        return;
    QString errText;
    g_pSqlite->CheckFile(errText);
    MergeConflictCopies();
}

void CVaultwickDlg::MergeConflictCopies()
{
    if (!g_pSqlite || !g_pPwSettings || !g_pSqlite->IsLoggedIn() || m_bMerging)
        return;
    m_bMerging = true;
    // Copies that came while a question was open are looked at too: the
    // folder's news went unheard meanwhile.
    for (bool looked = true; looked;) {
        looked = false;
        for (const QString& copy : CPasswdSetting::FindConflictCopies()) {
            if (m_declinedCopies.contains(copy))
                continue;
            looked = true;
            MergeConflictCopy(copy);
        }
    }
    m_bMerging = false;
}

void CVaultwickDlg::MergeConflictCopy(const QString& copy)
{
    const QString name = QFileInfo(copy).fileName();
    PwEntryArray missing;
    const int count = g_pPwSettings->ReadConflictCopy(copy, missing);
    // Another vault, or one with another master password: not ours to merge.
    if (count < 0) {
        m_declinedCopies.insert(copy);
        return;
    }
    // A copy with nothing new is put away without a question.
    if (count > 0 &&
        platform::ShowMessageBox(
            FormatText(OtherStr(1500091, "A sync program kept two versions of your vault: this one and a copy, "
                                         "'%s', saved on another computer while the two were apart.\r\n"
                                         "The copy holds %d entries that this vault lacks. Click OK to bring "
                                         "them in (one whose title and user name are taken here gets "
                                         "\"-Import\" added to its title); the copy then goes into the Backup "
                                         "folder."),
                       {name, count}),
            // Merged and put away on the other computer (the sync
            // program removes the copy here too): the question goes.
            QString(), MB_OKCANCEL | MB_ICONQUESTION, [copy] { return !QFileInfo::exists(copy); }) != IDOK) {
        m_declinedCopies.insert(copy);
        return;
    }
    // Merged and put away on the other computer while the question was open.
    if (!QFileInfo::exists(copy))
        return;
    StImportCounts counts;
    QString movedTo, errText;
    if (!g_pPwSettings->MergeConflictCopy(copy, counts, movedTo, errText)) {
        m_declinedCopies.insert(copy);
        platform::ShowMessageBox(
            FormatText(OtherStr(1500093, "The copy '%s' could not be merged: %s"), {name, errText}), QString(),
            MB_ICONERROR);
        return;
    }
    // Put away by the other computer, which told its user already.
    if (count > 0 && !movedTo.isEmpty())
        platform::ShowMessageBox(
            FormatText(OtherStr(1500092, "The copy '%s' is merged: %d entries added, %d kept with \"-Import\" "
                                         "added to the title, %d already in the vault.\r\nThe copy was moved "
                                         "to '%s'."),
                       {name, counts.added, counts.renamed, counts.identical, movedTo}),
            QString(), MB_ICONINFORMATION);
}
