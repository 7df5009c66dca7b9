// Operations on the vault file as a whole: export, import, the automatic
// backup switch and the move to another data folder. Every copy keeps the
// vault's encryption; nothing here decrypts a file.
#include <memory>
#include <mutex>

#include <QFileInfo>

#include "foundation/storage/DlgMsgSuc.h"
#include "foundation/storage/Globals.h"
#include "foundation/ui/ExFileDlg.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "shell/VaultwickDlg.h"
#include "vault/DlgDbLogin.h"
#include "vault/PasswdSetting.h"

namespace {

const QString kDbFilter = QStringLiteral("DB File(*.db)|*.db||");
constexpr DWORD kChooserFlags = 0x800004;  // hide read-only, resizable

// The chosen path split into its folder (with the trailing '/') and its name.
struct ChosenFile {
    QString folder;
    QString name;
    QString Path() const { return folder + name; }
};

ChosenFile SplitChosen(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return {path.left(slash + 1), path.mid(slash + 1)};
}

// keys.db -> keys2.db: the '2' goes before the extension, or at the end of a
// name without one.
QString WithTwoInserted(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    QString renamed = name;
    return dot > 0 ? renamed.insert(dot, QLatin1Char('2')) : renamed + QLatin1Char('2');
}

} // namespace

// ---------------------------------------------------------------- export

void CVaultwickDlg::OnExport()
{
    CExFileDlg chooser(FALSE, QStringLiteral("db"), QString(), kChooserFlags, kDbFilter, nullptr);
    if (chooser.DoModal() != IDOK)
        return;
    ChosenFile target = SplitChosen(chooser.GetPathName());
    if (ConfirmPath(target.folder) == -1) {
        platform::ShowMessageBox(OtherStr(1500014, "Target path not exist!"));
        return;
    }
    // An export never replaces a file: keys.db, keys2.db, keys22.db ... until one is free.
    if (platform::FileExists(target.Path())) {
        do
            target.name = WithTwoInserted(target.name);
        while (platform::FileExists(target.Path()));
        platform::ShowMessageBox(
            FormatText(OtherStr(1500015, "Target file is exist, will rename as '%s'"), {target.name}));
    }
    // Taken under the vault's lock, so no statement writes while the file is copied.
    if (!g_pSqlite || !g_pSqlite->CopyDbFileTo(target.Path())) {
        platform::ShowMessageBox(FormatText(
            OtherStr(1500026, "Export faild, the vault could not be copied to '%s'!"), {target.Path()}));
        return;
    }
    platform::ShowMessageBox(OtherStr(1500016, "Backup successfully!"));
}

// ---------------------------------------------------------------- import

void CVaultwickDlg::OnImport()
{
    CExFileDlg chooser(TRUE, QString(), QString(), kChooserFlags, kDbFilter, nullptr);
    if (chooser.DoModal() != IDOK)
        return;
    const ChosenFile source = SplitChosen(chooser.GetPathName());
    if (ConfirmPath(source.folder) == -1) {
        platform::ShowMessageBox(OtherStr(1500014, "Target path not exist!"));
        return;
    }
    if (!platform::FileExists(source.Path()))
        return;

    const QString failed = OtherStr(1500017, "Import faild!");
    // The file imported from is only read: whatever it is, it stays as it was.
    const EnumDbFile kind = CDbSqlite3::InspectFile(source.Path());
    if (kind != DBFILE_ENCRYPTED && kind != DBFILE_PLAIN) {
        QString why = QStringLiteral("The file '%s' is damaged or is not a vault. It was left as it is.");
        GetOtherStr_ByStrId(CDlgDbLogin::IDD, 1340004, why);
        platform::ShowMessageBox(failed + QStringLiteral("\r\n") + FormatText(why, source.Path()));
        return;
    }
    auto other = std::make_unique<CDbSqlite3>(source.Path());
    other->SetReadOnly(1);
    if (!other->ConfirmPasswd(QString(), 0)) {
        CDlgDbLogin login(other.get());
        login.SetTypeBackup(1);
        if (login.DoModal() != IDOK) {
            platform::ShowMessageBox(failed);
            return;
        }
    }

    PwEntryArray entries;
    // A file that is no vault was reported by the store.
    if (!g_pPwSettings->SelectAllEntry(&entries, other.get())) {
        platform::ShowMessageBox(failed);
        return;
    }
    if (entries.isEmpty()) {
        platform::ShowMessageBox(OtherStr(1500021, "No entry list in selected import database!"));
        return;
    }
    const int read = int(entries.size());
    int stored = 0, failedCount = 0, checked = 0;
    g_pPwSettings->InsertEntryArray(stored, failedCount, checked, entries, 2);
    other.reset();

    QString report = FormatText(
        OtherStr(1500018, "Import finished!\r\nEntries read: %d; entries imported: %d."), {read, stored});
    if (checked >= 1)
        report += FormatText(OtherStr(1500019, "\r\nEntries checked for duplicates: %d (a duplicate gets "
                                               "\"-Import\" added to its title)."),
                             {checked});
    report += FormatText(OtherStr(1500020, "\r\nEntries failed: %d."), {failedCount});
    CDlgMsgSuc done(report, 1, nullptr);
    done.DoModal();
}

// ---------------------------------------------------------------- automatic backup

void CVaultwickDlg::OnCheckAutoBackup()
{
    const int previous = m_bAutoBackup;
    UpdateData(TRUE);
    int value = 0;
    if (m_bAutoBackup) {
        if (IsBackupThreadRunning()) {
            m_bAutoBackup = previous;
            UpdateData(FALSE);
            return;
        }
        StartBackupThread();
        value = 1;
    } else {
        if (!IsBackupThreadRunning())
            return;
        StopBackupThread();
        value = 0;
    }
    g_pPwSettings->UpdatePasswdSetting(g_strColAutoBackup, value, 0);
}

// ---------------------------------------------------------------- data-folder move

// Runs only for a folder the user chose (the page's own filling of the
// control is not a request). The vault is copied, never moved: the old file
// stays, and an existing vault in the new folder is never replaced.
void CVaultwickDlg::OnDataFolderChanged()
{
    UpdateData(TRUE);
    const auto showCurrent = [this] {
        m_strDataFolder = g_strSavedDataPath;
        UpdateData(FALSE);
    };
    if (m_strDataFolder.isEmpty()) {
        showCurrent();
        return;
    }
    if (ConfirmPath(m_strDataFolder) == -1) {
        QString text = QStringLiteral("Data save path is not exist,please check the settings path exist!");
        GetOtherStr_ByStrId(0, 1010005, text);
        platform::ShowMessageBox(text);
        showCurrent();
        return;
    }
    if (!m_strDataFolder.endsWith(QLatin1Char('/')))
        m_strDataFolder += QLatin1Char('/');
    const QString oldFile = g_strSavedDataPath + g_strDbFile;
    const QString newFile = m_strDataFolder + g_strDbFile;
    if (QFileInfo(m_strDataFolder).canonicalFilePath() == QFileInfo(g_strSavedDataPath).canonicalFilePath()) {
        showCurrent();
        return;
    }
    const QString failed = OtherStr(1500013, "Db move faild!");
    const auto fail = [&] {
        platform::ShowMessageBox(failed);
        showCurrent();
    };

    // The password is checked on a connection of its own, so a wrong attempt
    // never touches the open vault.
    QString passwd;
    if (!g_pSqlite->ConfirmPasswd(QString(), 2)) {
        CDbSqlite3 probe(oldFile);
        CDlgDbLogin login(&probe);
        if (login.DoModal() != IDOK) {
            fail();
            return;
        }
        passwd = login.GetPasswd();
    }

    // The backup thread copies through the same lock: it waits for the switch.
    bool moved = false;
    {
        std::lock_guard lock(g_pSqlite->GetLock());
        if (g_pSqlite->CopyDbFileTo(newFile)) {
            g_pSqlite->CloseDB();
            g_pSqlite->SetPathFile(newFile);
            moved = g_pSqlite->InitDB() == 0 && g_pSqlite->ConfirmPasswd(passwd, 0) &&
                    UpdateGlobalSetting(g_strColDataFolder, quoteSqlText(m_strDataFolder), 0);
            if (!moved) {
                // Back to the vault where it was; the copy made just now goes.
                g_pSqlite->CloseDB();
                g_pSqlite->SetPathFile(oldFile);
                g_pSqlite->InitDB();
                g_pSqlite->ConfirmPasswd(passwd, 0);
                platform::RemoveFile(newFile);
            }
        }
    }
    if (!moved) {
        fail();
        return;
    }
    // The vault now lives here; later backups and moves start from this folder.
    g_strSavedDataPath = m_strDataFolder;
    UpdateData(FALSE);
    ShowSavedNotice();
}
