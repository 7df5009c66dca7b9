// A vault in a folder that a sync program keeps in step: conflict copies are
// merged without losing either side, import skips what the vault holds
// already, and a save meets the file that is under the vault's name now.
#include <cstdio>

#include "DlgFixture.h"
#include "vault/DlgEditEntry.h"
#include "vault/DlgEntrySavedSuc.h"

namespace {

using E = CDlgEditEntry;

const QString kSyncthingCopy = QStringLiteral("Sqlite.sync-conflict-20240302-090507-ABCDEF7.db");

class SyncedVaultTest : public DlgTest {
protected:
    std::optional<ST_PW_ENTRY> Stored(const QString& title, const QString& user)
    {
        ST_PW_ENTRY e;
        e.strTitle = title;
        e.strUserName = user;
        if (store().SelectEntry(&e) != 1)
            return std::nullopt;
        return e;
    }
    void Store(ST_PW_ENTRY e) { ASSERT_EQ(store().InsertEntry(&e, 0), 0); }
    // What a sync program does: a complete file renamed over the vault.
    void Deliver(const QString& name)
    {
        ASSERT_EQ(std::rename(QFile::encodeName(file(name)).constData(), QFile::encodeName(m_vaultPath).constData()),
                  0);
    }
};

TEST(ConflictCopyName, NamesOfEachSyncProgramAndNothingElse)
{
    for (const char* name : {"Sqlite.sync-conflict-20240302-090507-ABCDEF7.db",
                             "Sqlite (conflicted copy 2024-03-02 090507).db",
                             "Sqlite (Anna's conflicted copy 2024-03-02).db"})
        EXPECT_TRUE(CPasswdSetting::IsConflictCopyName(name, "Sqlite.db")) << name;
    for (const char* name : {"Sqlite.db", "Sqlite.db-journal", ".syncthing.Sqlite.db.tmp", "PasswdBK_20240302_090507.db",
                             "Sqlite.sync-conflict-20240302-090507-ABCDEF7.db-journal",
                             "Other.sync-conflict-20240302-090507-ABCDEF7.db", "SqliteXsync-conflict-20240302-090507-ABCDEF7.db",
                             "Sqlite (conflicted copy 2024-03-02).csv", "Sqlite.sync-conflict-2024-090507-ABCDEF7.db"})
        EXPECT_FALSE(CPasswdSetting::IsConflictCopyName(name, "Sqlite.db")) << name;
}

TEST_F(SyncedVaultTest, MergeRuleSkipsIdenticalRenamesDifferentAddsNew)
{
    Store(entry("Mail", "anna", "same"));
    Store(entry("Bank", "anna", "here"));
    Store(entry("Shop", "anna", "mine"));
    Store(entry("Shop-Import", "anna", "older"));
    PwEntryArray incoming = {entry("Mail", "anna", "same"), entry("Bank", "anna", "there"),
                             entry("Shop", "anna", "older"), entry("New", "bob", "x")};
    int stored = 0, failed = 0, third = 0;
    StImportCounts counts;
    ASSERT_EQ(store().InsertEntryArray(stored, failed, third, incoming, 4, &counts), 0);
    EXPECT_EQ(counts.added, 1);
    EXPECT_EQ(counts.renamed, 1);
    EXPECT_EQ(stored, 4);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(Stored("Bank", "anna")->strPasswd, "here");
    EXPECT_EQ(Stored("Bank-Import", "anna")->strPasswd, "there");
    EXPECT_FALSE(Stored("Mail-Import", "anna"));
    EXPECT_FALSE(Stored("Shop-Import-Import", "anna"));
    EXPECT_EQ(Stored("New", "bob")->strPasswd, "x");
}

TEST_F(SyncedVaultTest, ConflictCopyCountsOnlyWhatTheVaultLacks)
{
    Store(entry("Shared", "anna"));
    Store(entry("OnlyHere", "anna"));
    makeOtherVault(kSyncthingCopy, {entry("Shared", "anna"), entry("OnlyThere", "bob")});
    ASSERT_EQ(CPasswdSetting::FindConflictCopies(), QStringList{file(kSyncthingCopy)});

    PwEntryArray missing;
    ASSERT_EQ(store().ReadConflictCopy(file(kSyncthingCopy), missing), 1);
    EXPECT_EQ(missing[0].strTitle, "OnlyThere");
}

TEST_F(SyncedVaultTest, ConflictCopyKeepsBothVersionsOfAnEntry)
{
    Store(entry("Shared", "anna"));
    Store(entry("OnlyHere", "anna"));
    const int before = entryCount();
    makeOtherVault(kSyncthingCopy, {entry("Shared", "anna", "changed there"), entry("OnlyThere", "bob")});

    StImportCounts counts;
    QString movedTo, err;
    ASSERT_EQ(store().MergeConflictCopy(file(kSyncthingCopy), counts, movedTo, err), 1) << err.toStdString();
    EXPECT_EQ(counts.added, 1);
    EXPECT_EQ(counts.renamed, 1);
    EXPECT_EQ(entryCount(), before + 2);
    EXPECT_EQ(Stored("Shared", "anna")->strPasswd, "pw");
    EXPECT_EQ(Stored("Shared-Import", "anna")->strPasswd, "changed there");
    EXPECT_TRUE(Stored("OnlyThere", "bob"));

    // The same copy once more (the other computer's, before its merged vault
    // arrived here): nothing to offer, nothing added.
    const QString again = "Sqlite.sync-conflict-20240302-090508-ZYXWVU2.db";
    makeOtherVault(again, {entry("Shared", "anna", "changed there"), entry("OnlyThere", "bob")});
    PwEntryArray missing;
    EXPECT_EQ(store().ReadConflictCopy(file(again), missing), 0);
    QString movedAgain;
    ASSERT_EQ(store().MergeConflictCopy(file(again), counts, movedAgain, err), 1) << err.toStdString();
    EXPECT_EQ(counts.added + counts.renamed, 0);
    EXPECT_EQ(entryCount(), before + 2);

    // Moved, never deleted; a second copy of the same name does not replace it.
    EXPECT_EQ(movedTo, path() + "Backup/" + kSyncthingCopy);
    EXPECT_FALSE(QFile::exists(file(kSyncthingCopy)));
    EXPECT_TRUE(QFile::exists(movedTo));
    makeOtherVault(kSyncthingCopy, {entry("Third", "carl")});
    QString second;
    ASSERT_EQ(store().MergeConflictCopy(file(kSyncthingCopy), counts, second, err), 1);
    EXPECT_NE(second, movedTo);
    EXPECT_TRUE(QFile::exists(movedTo));
    EXPECT_TRUE(QFile::exists(second));
    EXPECT_TRUE(CPasswdSetting::FindConflictCopies().isEmpty());
}

TEST_F(SyncedVaultTest, CopyWithAnotherMasterPasswordIsLeftAlone)
{
    setMasterPassword("mine");
    makeOtherVault(kSyncthingCopy, {entry("OnlyThere", "bob")}, "theirs");
    PwEntryArray missing;
    EXPECT_EQ(store().ReadConflictCopy(file(kSyncthingCopy), missing), -1);
    StImportCounts counts;
    QString movedTo, err;
    EXPECT_EQ(store().MergeConflictCopy(file(kSyncthingCopy), counts, movedTo, err), 0);
    EXPECT_TRUE(QFile::exists(file(kSyncthingCopy)));
    EXPECT_FALSE(Stored("OnlyThere", "bob"));
}

TEST_F(SyncedVaultTest, QueryCacheAndSaveFollowAVaultDeliveredFromTheOtherComputer)
{
    ASSERT_EQ(g_pSqlite->CopyDbFileTo(file("incoming.db")), 1);
    {
        CDbSqlite3 other(file("incoming.db"));
        ASSERT_EQ(other.ConfirmPasswd(QString(), 0), 1);
        QString err;
        ASSERT_EQ(other.ExecSQL_W("INSERT INTO TnPwEntry VALUES('Common','FromLaptop','anna','p','','','')", nullptr, err),
                  0);
    }
    const qint64 generation = g_pSqlite->GetOpenGeneration();
    Deliver("incoming.db");
    EXPECT_TRUE(Stored("FromLaptop", "anna"));
    EXPECT_GT(g_pSqlite->GetOpenGeneration(), generation);

    E dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        d.SetText(dlg, E::IDC_TITLE, "FromDesktop");
        d.SetText(dlg, E::IDC_USER, "anna");
        d.SetText(dlg, E::IDC_PASSWD, "Aab123!@");
        d.SetText(dlg, E::IDC_REPEAT, "Aab123!@");
        d.AnswerNextDialog([this](CDialogEx& n) {
            EXPECT_EQ(n.GetTemplateId(), CDlgEntrySavedSuc::IDD);
            EXPECT_TRUE(d.FireTimer(n, CDlgEntrySavedSuc::TIMER_CLOSE));
        });
        d.Click(dlg, IDOK);
    });
    // Both computers' entries are in the file under the vault's name.
    CDbSqlite3 onDisk(m_vaultPath);
    ASSERT_EQ(onDisk.ConfirmPasswd(QString(), 0), 1);
    EXPECT_EQ(entryCount(&onDisk), 5);
}

TEST_F(SyncedVaultTest, FailedSaveSaysWhyAndKeepsWhatWasTyped)
{
    g_pSqlite->SetMissingWaitMs(0);
    ASSERT_TRUE(QFile::remove(m_vaultPath));
    E dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        d.SetText(dlg, E::IDC_TITLE, "Typed");
        d.SetText(dlg, E::IDC_USER, "anna");
        d.SetText(dlg, E::IDC_PASSWD, "Aab123!@");
        d.SetText(dlg, E::IDC_REPEAT, "Aab123!@");
        d.Click(dlg, IDOK);
        EXPECT_TRUE(d.LastMessage().contains("missing")) << d.LastMessage().toStdString();
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_TITLE), "Typed");
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_PASSWD), "Aab123!@");
        dlg.EndDialog(IDCANCEL);
    });
    // No new, empty vault took the missing one's place.
    EXPECT_FALSE(QFile::exists(m_vaultPath));
}

} // namespace
