// Operations on the vault file as a whole: export, import, the automatic
// backup switch and the move to another data folder. Every copy of the vault
// keeps its encryption; the one plain-text output is the CSV export, which
// the user confirms with a warning and the master password.
#include <memory>
#include <mutex>

#include <QFile>
#include <QFileInfo>

#include "foundation/storage/DlgMsgSuc.h"
#include "foundation/storage/Globals.h"
#include "foundation/storage/Secret.h"
#include "foundation/ui/ExFileDlg.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "shell/VaultwickDlg.h"
#include "vault/CsvFormat.h"
#include "vault/DlgConfirmPasswd.h"
#include "vault/DlgDbLogin.h"
#include "vault/PasswdSetting.h"

namespace {

const QString kDbOrCsvFilter = QStringLiteral("DB File(*.db)|*.db|CSV File (*.csv)|*.csv||");
constexpr DWORD kChooserFlags = 0x800004;  // hide read-only, resizable

// The chosen path split into its folder (with the trailing '/') and its name.
struct ChosenFile {
    QString folder;
    QString name;
    QString Path() const { return folder + name; }
    bool IsCsv() const { return name.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive); }
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

// Texts of the main window's page, for the steps that are no members.
QString PageText(int strId, const char* english)
{
    return CBaseResizeAndMultiLang::GetOtherStrOr(CVaultwickDlg::IDD, strId, QString::fromUtf8(english));
}

// An export never replaces a file: keys.db, keys2.db, keys22.db ... until
// one is free; the user is told the new name.
void AvoidExistingFile(ChosenFile& target)
{
    if (!platform::FileExists(target.Path()))
        return;
    do
        target.name = WithTwoInserted(target.name);
    while (platform::FileExists(target.Path()));
    platform::ShowMessageBox(FormatText(PageText(1500015, "Target file is exist, will rename as '%s'"), {target.name}));
}

// The counts of an import, in one report window.
// `counts`, when given, tells added, identical and renamed entries apart.
void ShowImportReport(int read, int stored, int checked, int failed, int skipped,
                      const StImportCounts* counts = nullptr)
{
    QString report = FormatText(PageText(1500018, "Import finished!\r\nEntries read: %d; entries imported: %d."),
                                {read, stored});
    if (counts)
        report += FormatText(PageText(1500090, "\r\nNew entries added: %d; already in the vault (the same in "
                                               "every field), skipped: %d; kept beside a different entry of the "
                                               "same title and user name, with \"-Import\" added to the title: %d."),
                             {counts->added, counts->identical, counts->renamed});
    else if (checked >= 1)
        report += FormatText(PageText(1500019, "\r\nEntries checked for duplicates: %d (a duplicate gets "
                                               "\"-Import\" added to its title)."),
                             {checked});
    report += FormatText(PageText(1500020, "\r\nEntries failed: %d."), {failed});
    if (skipped >= 1)
        report += FormatText(PageText(1500071, "\r\nRows that hold no login, left out: %d."), {skipped});
    CDlgMsgSuc done(report, 1, nullptr);
    done.DoModal();
}

QString CsvProblemText(const StCsvProblem& problem)
{
    switch (problem.kind) {
    case StCsvProblem::Binary:
        return PageText(1500065, "the file holds binary data, not text.");
    case StCsvProblem::Encoding:
        return PageText(1500066, "the text is not UTF-8.");
    case StCsvProblem::Quoting:
        return PageText(1500067, "a quoted field is not closed, or text follows its closing quote.");
    case StCsvProblem::FieldCount:
        return PageText(1500068, "the row has another number of fields than the header row.");
    case StCsvProblem::Header:
        return PageText(1500069, "the header row is not that of a known export (KeePassXC, Bitwarden, "
                                 "Chromium-based browsers, Firefox, Vaultwick).");
    case StCsvProblem::NoRows:
    case StCsvProblem::None:
        break;
    }
    return PageText(1500070, "the file holds no entries.");
}

// Every password of the vault goes into a plain-text file: the user is warned
// and, when the vault has a master password, gives it first.
void ExportCsv(ChosenFile target, CDialogEx* owner)
{
    if (platform::ShowMessageBox(PageText(1500061, "The CSV file holds every password of the vault as plain text: "
                                                   "anyone who gets the file can read them. Keep it safe and "
                                                   "delete it when it is no longer needed.\r\nExport now?"),
                                 QString(), MB_OKCANCEL) != IDOK)
        return;
    if (!g_pSqlite->ConfirmPasswd(QString(), 2)) {
        CDlgConfirmPasswd confirm(owner);
        if (confirm.DoModal() != IDOK)
            return;
    }
    AvoidExistingFile(target);
    QString why;
    int count = 0;
    if (!g_pPwSettings->ExportCsvTo(target.Path(), &count, &why)) {
        if (!why.isEmpty())
            platform::ShowMessageBox(
                FormatText(PageText(1500062, "Export failed, the CSV file '%s' could not be written: %s"),
                           {target.Path(), why}));
        return;
    }
    platform::ShowMessageBox(FormatText(PageText(1500063, "%d entries exported to '%s'."), {count, target.Path()}),
                             QString(), MB_ICONINFORMATION);
}

// A bad file is refused as a whole, so that nothing of it is stored.
void ImportCsv(const ChosenFile& source)
{
    QFile file(source.Path());
    if (!file.open(QIODevice::ReadOnly)) {
        platform::ShowMessageBox(FormatText(
            PageText(1500064, "Import failed, the file '%s' could not be read: %s"), {source.Path(), file.errorString()}));
        return;
    }
    // Far more than any export of a personal vault; a file this big is
    // refused before it is read into memory.
    constexpr int kMaxMiB = 100;
    if (file.size() > qint64(kMaxMiB) * 1024 * 1024) {
        platform::ShowMessageBox(FormatText(
            PageText(1500072, "Import failed, the file '%s' is larger than %d MiB; nothing was imported."),
            {source.Path(), kMaxMiB}));
        return;
    }
    StCsvImport csv;
    StCsvProblem problem;
    if (!ReadCsvEntries(file.readAll(), csv, problem)) {
        platform::ShowMessageBox(FormatText(
            PageText(1500060, "Import failed, nothing was imported.\r\nLine %d of '%s': %s"),
            {problem.line, source.Path(), CsvProblemText(problem)}));
        return;
    }
    const int read = int(csv.entries.size()) + csv.skipped;
    int stored = 0, failedCount = 0, checked = 0;
    if (!csv.entries.isEmpty())
        g_pPwSettings->InsertEntryArray(stored, failedCount, checked, csv.entries, 2);
    ShowImportReport(read, stored, checked, failedCount, csv.skipped);
}

} // namespace

// ---------------------------------------------------------------- export

void CVaultwickDlg::OnExport()
{
    CExFileDlg chooser(FALSE, QStringLiteral("db"), QString(), kChooserFlags, kDbOrCsvFilter, nullptr);
    if (chooser.DoModal() != IDOK)
        return;
    ChosenFile target = SplitChosen(chooser.GetPathName());
    if (ConfirmPath(target.folder) == -1) {
        platform::ShowMessageBox(OtherStr(1500014, "Target path not exist!"));
        return;
    }
    if (target.IsCsv()) {
        ExportCsv(target, this);
        return;
    }
    AvoidExistingFile(target);
    // Taken under the vault's lock, so no statement writes while the file is copied.
    if (!CPasswdSetting::ExportVaultTo(target.Path())) {
        platform::ShowMessageBox(FormatText(
            OtherStr(1500026, "Export faild, the vault could not be copied to '%s'!"), {target.Path()}));
        return;
    }
    platform::ShowMessageBox(FormatText(OtherStr(1500055, "The vault was exported to '%s'."), {target.Path()}),
                             QString(), MB_ICONINFORMATION);
}

// ---------------------------------------------------------------- import

void CVaultwickDlg::OnImport()
{
    CExFileDlg chooser(TRUE, QString(), QString(), kChooserFlags, kDbOrCsvFilter, nullptr);
    if (chooser.DoModal() != IDOK)
        return;
    const ChosenFile source = SplitChosen(chooser.GetPathName());
    if (ConfirmPath(source.folder) == -1) {
        platform::ShowMessageBox(OtherStr(1500014, "Target path not exist!"));
        return;
    }
    if (!platform::FileExists(source.Path()))
        return;
    if (source.IsCsv()) {
        ImportCsv(source);
        return;
    }

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
    // An entry the vault holds already, field for field, is not added again.
    StImportCounts counts;
    g_pPwSettings->InsertEntryArray(stored, failedCount, checked, entries, 4, &counts);
    other.reset();
    ShowImportReport(read, stored, checked, failedCount, 0, &counts);
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

    CPasswdSetting::PrepareCopyFolder(m_strDataFolder);
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
    WipeSecret(passwd);
    if (!moved) {
        fail();
        return;
    }
    // The vault now lives here; later backups and moves start from this folder.
    g_strSavedDataPath = m_strDataFolder;
    UpdateData(FALSE);
    ShowSavedNotice();
}
