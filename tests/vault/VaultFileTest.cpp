// A file in the vault's place that is not this program's encrypted vault
// (empty, plain SQLite, damaged, a dangling link) gets a clear message and is
// never written to without the user's word; a file only read from (an import)
// is never written at all.
#include <stdio.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

#include <sqlcipher/sqlite3.h>

#include "DlgFixture.h"
#include "vault/DlgDbLogin.h"

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A vault as another program would leave it: the layout, never keyed.
void writePlainVault(const QString& path)
{
    QFile::remove(path);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE TnDbPasswd(DbPasswdId INTEGER, DbPasswd TEXT, PRIMARY KEY (DbPasswdId));"
                           "INSERT INTO TnDbPasswd VALUES(0,'');"
                           "CREATE TABLE TnPwEntry(EntryType TEXT, Title TEXT, UserName TEXT, Password TEXT, "
                           "URL TEXT, Email TEXT, Notes TEXT, PRIMARY KEY (Title, UserName));"
                           "INSERT INTO TnPwEntry VALUES('Common','Plain','me','plain-secret','','','');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
}

class VaultFileTest : public DlgTest {
protected:
    void SetUp() override
    {
        DlgTest::SetUp();
        ASSERT_TRUE(g_pSqlite->CloseDB());
    }
    QByteArray damaged() const { return QByteArray(1000, '\x5a'); }
    // The vault holding `entries` under `passwd`, closed; `init` is the
    // settings file (where its first page goes on record) until the test ends.
    void writeKeyedVault(CDbSqlite3& init, PwEntryArray entries, const QString& passwd)
    {
        ASSERT_EQ(init.ConfirmPasswd(QString(), 1), 1);
        g_pSqliteInit = &init;
        ASSERT_EQ(g_pSqlite->InitDB(), 0);
        ASSERT_EQ(g_pSqlite->ConfirmPasswd(QString(), 0), 1);
        int stored = 0, failed = 0, third = 0;
        ASSERT_EQ(store().InsertEntryArray(stored, failed, third, entries, 0), 0);
        ASSERT_EQ(g_pSqlite->ConfirmAndChangePasswd(QString(), passwd, 0), 1);
        ASSERT_TRUE(g_pSqlite->CloseDB());
    }
    // The messages of one login with `passwd`: "" when the dialog let the
    // user try again (then cancelled), else what it closed with.
    QString login(const QString& passwd)
    {
        d.ClearMessages();
        CDlgDbLogin dlg(g_pSqlite);
        d.RunModal(dlg, [&](CDialogEx&) {
            d.Type(dlg, CDlgDbLogin::IDC_PASSWD, passwd);
            d.Click(dlg, IDOK);
            if (dlg.IsWindowVisible())
                d.Click(dlg, IDCANCEL);
        });
        return d.MessageTexts().join('|');
    }
};

TEST_F(VaultFileTest, KindIsToldBySizeAndHeader)
{
    EXPECT_EQ(CDbSqlite3::InspectFile(m_vaultPath), DBFILE_ENCRYPTED);
    EXPECT_EQ(CDbSqlite3::InspectFile(file("none.db")), DBFILE_MISSING);
    writeBytes(file("empty.db"), {});
    EXPECT_EQ(CDbSqlite3::InspectFile(file("empty.db")), DBFILE_EMPTY);
    writePlainVault(file("plain.db"));
    EXPECT_EQ(CDbSqlite3::InspectFile(file("plain.db")), DBFILE_PLAIN);
    writeBytes(file("text.db"), "just some text\n");
    EXPECT_EQ(CDbSqlite3::InspectFile(file("text.db")), DBFILE_DAMAGED);
    QByteArray truncated = bytesOf(m_vaultPath);
    truncated.chop(100);
    writeBytes(file("truncated.db"), truncated);
    EXPECT_EQ(CDbSqlite3::InspectFile(file("truncated.db")), DBFILE_DAMAGED);
}

TEST_F(VaultFileTest, EmptyVaultIsReplacedOnlyWhenTheUserSaysSo)
{
    writeBytes(m_vaultPath, {});
    d.AnswerNextMessageBox(IDNO);
    EXPECT_EQ(store().CheckAndUpdateDbPasswd(), 0);
    EXPECT_TRUE(d.LastMessage().contains("is empty (0 bytes)"));
    EXPECT_EQ(QFileInfo(m_vaultPath).size(), 0);

    d.AnswerNextMessageBox(IDYES);
    EXPECT_EQ(store().CheckAndUpdateDbPasswd(), 1);
    EXPECT_EQ(CDbSqlite3::InspectFile(m_vaultPath), DBFILE_ENCRYPTED);
    ASSERT_EQ(g_pSqlite->InitDB(), 0);
    EXPECT_EQ(g_pSqlite->ConfirmPasswd(QString(), 0), 1);
    EXPECT_TRUE(VaultReadable());
}

TEST_F(VaultFileTest, PlainVaultIsNeverWrittenUnencrypted)
{
    writePlainVault(m_vaultPath);
    const QByteArray before = bytesOf(m_vaultPath);
    d.AnswerNextMessageBox(IDNO);
    EXPECT_EQ(store().CheckAndUpdateDbPasswd(), 0);
    EXPECT_TRUE(d.LastMessage().contains("is not encrypted"));
    EXPECT_EQ(bytesOf(m_vaultPath), before);

    d.AnswerNextMessageBox(IDYES);
    EXPECT_EQ(store().CheckAndUpdateDbPasswd(), 1);
    EXPECT_EQ(CDbSqlite3::InspectFile(m_vaultPath), DBFILE_ENCRYPTED);
    EXPECT_FALSE(bytesOf(m_vaultPath).contains("plain-secret"));
    // Its entries came along, and it opens as a vault without a password.
    EXPECT_EQ(g_pSqlite->IsLoggedIn(), 1);
    ST_PW_ENTRY e;
    e.strTitle = "Plain";
    e.strUserName = "me";
    EXPECT_EQ(store().SelectEntry(&e), 1);
    EXPECT_EQ(e.strPasswd, "plain-secret");
}

TEST_F(VaultFileTest, DamagedVaultIsNamedAsSuchAndLeftAsItIs)
{
    writeBytes(m_vaultPath, damaged());
    EXPECT_EQ(store().CheckAndUpdateDbPasswd(), 0);
    EXPECT_EQ(d.MessageTexts(),
              QStringList({"The file '" + m_vaultPath + "' is damaged or is not a vault. It was left as it is."}));
    EXPECT_EQ(bytesOf(m_vaultPath), damaged());
}

TEST_F(VaultFileTest, LoginOnADamagedFileDoesNotCallItAWrongPassword)
{
    CDlgDbLogin::s_iWrongPasswdDelayMs = 0;
    for (const QByteArray& content : {QByteArray(), damaged()}) {
        writeBytes(file("other.db"), content);
        CDbSqlite3 other(file("other.db"));
        CDlgDbLogin login(&other);
        login.SetTypeBackup(1);
        d.ClearMessages();
        const int r = d.RunModal(login, [&](CDialogEx&) {
            d.Type(login, CDlgDbLogin::IDC_PASSWD, "any");
            d.Click(login, IDOK);
        });
        EXPECT_EQ(r, IDCANCEL);
        ASSERT_EQ(d.MessageTexts().size(), 1);
        EXPECT_TRUE(d.LastMessage().contains("is damaged or is not a vault"));
        EXPECT_EQ(bytesOf(file("other.db")), content);
    }
    CDlgDbLogin::s_iWrongPasswdDelayMs = 1000;
}

TEST_F(VaultFileTest, TheRightPasswordOnAVaultCutShortOrOverwrittenIsNotCalledWrong)
{
    CDlgDbLogin::s_iWrongPasswdDelayMs = 0;
    // A vault of several pages, keyed: the change puts its first page on record.
    CDbSqlite3 init(file("db.init"));
    PwEntryArray entries;
    for (int i = 0; i < 60; ++i)
        entries.append({"Common", QString("Site %1").arg(i), "me", "pw", "", "", QString(200, 'n')});
    ASSERT_NO_FATAL_FAILURE(writeKeyedVault(init, entries, "right pw"));
    const QByteArray whole = bytesOf(m_vaultPath);
    ASSERT_GE(whole.size(), 8 * 4096);

    const QString damagedText = "The file '" + m_vaultPath + "' is damaged or is not a vault. It was left as it is.";
    const QString wrongText = "Password Error, please input passwd again!";
    EXPECT_EQ(login("wrong pw"), wrongText) << "the vault as it is";

    QByteArray noise(whole.size(), '\0');
    quint32 seed = 7;
    for (char& c : noise)
        c = char((seed = seed * 1664525u + 1013904223u) >> 24);
    QByteArray firstPageHit = whole;
    for (int i = 100; i < 400; ++i)
        firstPageHit[i] = char(~firstPageHit[i]);
    QByteArray firstPageGone = whole;
    firstPageGone.replace(0, 4096, noise.left(4096));
    const std::pair<const char*, QByteArray> variants[] = {
        {"cut to half", whole.left(whole.size() / 2 / 4096 * 4096)},
        {"random bytes", noise},
        {"first page damaged", firstPageHit},
        {"first page overwritten", firstPageGone},
    };
    for (const auto& [what, bytes] : variants) {
        writeBytes(m_vaultPath, bytes);
        EXPECT_EQ(login("right pw"), damagedText) << what;
        EXPECT_EQ(login("wrong pw"), wrongText) << what;
        EXPECT_EQ(bytesOf(m_vaultPath), bytes) << what << ": left as it is";
    }
    writeBytes(m_vaultPath, whole);
    EXPECT_EQ(login("right pw"), "");
    g_pSqliteInit = nullptr;
    CDlgDbLogin::s_iWrongPasswdDelayMs = 1000;
}

// A sync program delivers the vault as a new file renamed over the old one;
// when its master password was changed on the other computer, the old
// password opens the page on record but not the file: it is out of date,
// the file is sound.
TEST_F(VaultFileTest, AVaultRekeyedOnAnotherComputerAsksForTheNewPasswordAndLosesNothing)
{
    CDlgDbLogin::s_iWrongPasswdDelayMs = 0;
    CDbSqlite3 init(file("db.init"));
    PwEntryArray entries{entry("Here", "me")};
    ASSERT_NO_FATAL_FAILURE(writeKeyedVault(init, entries, "old pw"));

    // The other computer's vault: an entry added there, the password changed
    // there; delivered by a rename.
    const QString elsewhere = file("elsewhere.db");
    makeOtherVault("elsewhere.db", {entries[0], entry("There", "you")}, "new pw")->CloseDB();
    ASSERT_EQ(::rename(QFile::encodeName(elsewhere).constData(), QFile::encodeName(m_vaultPath).constData()), 0);
    const QByteArray delivered = bytesOf(m_vaultPath);

    const QString replacedText = "The vault file was replaced (by a sync program, for example) since this password "
                                 "last opened it, and the new file needs another master password: it was probably "
                                 "changed on another computer. Please enter the new one.";
    EXPECT_EQ(login("old pw"), replacedText);
    EXPECT_EQ(login("wrong pw"), "Password Error, please input passwd again!");
    EXPECT_EQ(bytesOf(m_vaultPath), delivered) << "left as it is";
    EXPECT_EQ(login("new pw"), "");
    PwEntryArray now;
    ASSERT_EQ(store().SelectAllEntry(&now), 1);
    QStringList titles;
    for (const auto& e : now)
        titles << e.strTitle;
    titles.sort();
    EXPECT_EQ(titles, (QStringList{"Here", "There"}));

    // The new file's page is on record now: damage to it is told as before.
    ASSERT_TRUE(g_pSqlite->CloseDB());
    QByteArray hit = bytesOf(m_vaultPath);
    for (int i = 100; i < 400; ++i)
        hit[i] = char(~hit[i]);
    writeBytes(m_vaultPath, hit);
    EXPECT_EQ(login("new pw"), "The file '" + m_vaultPath + "' is damaged or is not a vault. It was left as it is.");
    g_pSqliteInit = nullptr;
    CDlgDbLogin::s_iWrongPasswdDelayMs = 1000;
}

TEST_F(VaultFileTest, ReadOnlyObjectNeverWritesItsFile)
{
    writeBytes(file("empty.db"), {});
    CDbSqlite3 source(file("empty.db"));
    source.SetReadOnly(1);
    source.ConfirmPasswd(QString(), 0);
    source.ConfirmAndChangePasswd(QString(), "x", 0);
    QString err;
    source.ExecSQL_W("CREATE TABLE T(x)", nullptr, err);
    source.CloseDB();
    EXPECT_EQ(QFileInfo(file("empty.db")).size(), 0);
    EXPECT_FALSE(QFileInfo::exists(file("nothing.db")));
    CDbSqlite3 missing(file("nothing.db"));
    missing.SetReadOnly(1);
    EXPECT_NE(missing.InitDB(), 0);
    EXPECT_FALSE(QFileInfo::exists(file("nothing.db")));
}

TEST_F(VaultFileTest, VaultPathThatIsADanglingLinkGetsAPrivateFile)
{
    const mode_t previous = ::umask(022);
    ASSERT_TRUE(QFile::link(file("elsewhere.db"), file("link.db")));
    CDbSqlite3 db(file("link.db"));
    EXPECT_EQ(db.InitDB(), 0);
    db.CloseDB();
    ::umask(previous);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file("elsewhere.db")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(CDbSqlite3::InspectFile(file("link.db")), DBFILE_ENCRYPTED);
}

TEST_F(VaultFileTest, StoreMessagesFollowTheLanguageChosenNow)
{
    g_strExePath = VW_SOURCE_DIR "/lang/";
    CBaseResizeAndMultiLang::s_eLanguage = LANG_DEU;
    g_pXmlLang->SetFile(GetLangFile(LANG_DEU));
    g_pXmlLang->LoadSettings();
    ASSERT_EQ(g_pSqlite->InitDB(), 0);
    ASSERT_EQ(g_pSqlite->ConfirmPasswd(QString(), 0), 1);
    EXPECT_EQ(store().DeleteEntry("a", "b"), 1);
    ASSERT_EQ(exec("DROP TABLE TnPwEntry"), 0);
    EXPECT_EQ(store().DeleteEntry("a", "b"), 0);
    EXPECT_TRUE(d.LastMessage().startsWith("SQLite-Fehler!")) << d.LastMessage().toStdString();
}

} // namespace
