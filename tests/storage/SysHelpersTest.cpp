#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "StorageTestUtil.h"
#include "foundation/storage/BaseTessel.h"
#include "foundation/storage/FormatText.h"
#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/Language.h"
#include "foundation/storage/Secret.h"
#include "foundation/storage/SqlText.h"
#include "foundation/storage/SysHelpers.h"
#include "platform/Files.h"
#include "support/MessageBoxRecorder.h"

namespace {

using SysHelpersTest = TempDirTest;

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(SysHelpersTest, ConfirmPathCreatesOnlyTheLastLevel)
{
    EXPECT_EQ(ConfirmPath(path()), 0);
    EXPECT_EQ(ConfirmPath(file("a/b")), -1);
    EXPECT_FALSE(QFileInfo::exists(file("a")));
    EXPECT_EQ(ConfirmPath(file("a")), 1);
    EXPECT_TRUE(QFileInfo(file("a")).isDir());
    EXPECT_EQ(ConfirmPath(file("a")), 0);
}

TEST_F(SysHelpersTest, CreateFileEveryoneMakesAPrivateFileAndKeepsAnExistingOne)
{
    const mode_t old = ::umask(0);
    EXPECT_EQ(CreateFileEveryone(file("new.db")), 1);
    ::umask(old);
    EXPECT_EQ(modeOf(file("new.db")), 0600u);
    EXPECT_EQ(QFileInfo(file("new.db")).size(), 0);

    {
        QFile f(file("old.db"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("data");
    }
    ::chmod(QFile::encodeName(file("old.db")).constData(), 0640);
    EXPECT_EQ(CreateFileEveryone(file("old.db")), 1);
    EXPECT_EQ(readAll(file("old.db")), "data");
    EXPECT_EQ(modeOf(file("old.db")), 0640u);
    EXPECT_EQ(CreateFileEveryone(file("missing/x.db")), 1);
}

TEST(HotKeys, CodesAndModifierFlags)
{
    EXPECT_EQ(GetHotKeyVk("A"), 65u);
    EXPECT_EQ(GetHotKeyVk("7"), 55u);
    EXPECT_EQ(GetHotKeyVk("F1"), 112u);
    EXPECT_EQ(GetHotKeyVk("F24"), 135u);
    EXPECT_EQ(GetHotKeyVk("Home"), 111u);
    EXPECT_EQ(GetHotKeyMod("Ctrl", "Alt"), 3u);
    EXPECT_EQ(GetHotKeyMod("ctrl", ""), 0u);
    EXPECT_EQ(GetHotKeyMod("Shift", "Windows"), 12u);
    EXPECT_EQ(GetHotKeyMod("Alt", "Alt"), 1u);
    EXPECT_EQ(HKF2SDK(4), 1);
    EXPECT_EQ(HKF2SDK(1), 4);
    EXPECT_EQ(HKF2SDK(2), 2);
    EXPECT_EQ(HKF2SDK(8), 0);
    EXPECT_EQ(HKF2SDK(6), 3);
    for (quint16 x = 0; x < 8; ++x)
        EXPECT_EQ(SDK2HKF(HKF2SDK(x)), x);
}

class AutoRunTest : public TempDirTest {
protected:
    void SetUp() override
    {
        m_saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(file("config")));
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_saved); }
    QByteArray m_saved;
};

TEST_F(AutoRunTest, EntryRunsTheCommandQuotedAndGoesAwayAgain)
{
    const QString entry = file("config/autostart/VaultwickStart.desktop");
    const QString program = "/opt/my \"vault\" $HOME 100%/back\\slash/VaultwickLauncher";
    EXPECT_EQ(SetAutoRun(1, "VaultwickStart", program), 1);
    const QByteArray text = readAll(entry);
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    EXPECT_TRUE(text.contains(
        "\nExec=\"/opt/my \\\\\"vault\\\\\" \\\\$HOME 100%%/back\\\\\\\\slash/VaultwickLauncher\"\n"))
        << text.toStdString();
    EXPECT_EQ(SetAutoRun(1, "VaultwickStart", "/usr/bin/other"), 1);
    EXPECT_TRUE(readAll(entry).contains("\nExec=\"/usr/bin/other\"\n"));

    EXPECT_EQ(SetAutoRun(0, "VaultwickStart", QString()), 1);
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_EQ(SetAutoRun(0, "VaultwickStart", QString()), 1);
}

TEST_F(AutoRunTest, UnwritableEntryIsReported)
{
    QFile blocker(file("config"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    MessageBoxRecorder boxes;
    EXPECT_EQ(SetAutoRun(1, "VaultwickStart", "/usr/bin/x"), 0);
    EXPECT_EQ(boxes.texts(), QStringList({"Couldn't set as auto start!"}));
}

TEST(Time, SecondsFromZeroCountLocalCalendarTime)
{
    const QDateTime before = QDateTime::currentDateTime();
    const quint32 seconds = GetSecondsFromZero();
    const QDateTime after = QDateTime::currentDateTime();
    const auto expected = [](const QDateTime& t) {
        return quint32((t.date().toJulianDay() - QDate(1900, 1, 1).toJulianDay()) * 86400 +
                       t.time().msecsSinceStartOfDay() / 1000);
    };
    EXPECT_GE(seconds, expected(before));
    EXPECT_LE(seconds, expected(after));

    ST_TIME now;
    EXPECT_EQ(CBaseTessel::GetCurTime(now), 1);
    EXPECT_LT(now.wHour, 24);
    EXPECT_LT(now.wMinute, 60);
    EXPECT_LT(now.wSecond, 61);
}

TEST(PageNames, KnownPagesAndTheRest)
{
    EXPECT_EQ(GetPageNameByID(10100), "Settings");
    EXPECT_EQ(GetPageNameByID(13000), "Vaultwick Keeper");
    EXPECT_EQ(GetPageNameByID(10400), "About");
    EXPECT_EQ(GetPageNameByID(0), "About");
}

TEST(Languages, NamesFilesAndHelpFiles)
{
    EXPECT_EQ(g_iLangNum, 13);
    EXPECT_EQ(GetLangByStr("English"), LANG_ENU);
    EXPECT_EQ(GetLangByStr("\u0443\u0441\u0441\u043a\u0438\u0439"), LANG_RUS);
    EXPECT_EQ(GetLangByStr("\ud55c\uad6d\uc758"), LANG_KOR);
    EXPECT_EQ(GetLangByStr("english"), LANG_NONE);
    EXPECT_EQ(GetLangByStr(""), LANG_NONE);
    for (int i = 0; i < g_iLangNum; ++i)
        EXPECT_EQ(GetLangByStr(GetLangStr(i)), i);
    EXPECT_EQ(GetLangFile(LANG_HIN), "Lang_hin.xml");
    EXPECT_EQ(GetLangFile(13), "Lang_enu.xml");
    EXPECT_EQ(GetLangStr(-1), "English");
    const QString savedName = g_strExeName;
    g_strExeName = "Vaultwick";
    EXPECT_EQ(GetHelpFileByLang(LANG_FRA), "VaultwickHelp_far.chm");
    EXPECT_EQ(GetHelpFileByLang(LANG_KOR), "VaultwickHelp_enu.chm");
    g_strExeName = savedName;
}

TEST(FormatText, FillsPlaceholdersInOrderAndNeverReadsArgumentsAsFormats)
{
    EXPECT_EQ(FormatText("SQLite Error!\r\nERROR CODE: %d; ERROR MESSAGE: %s!", 1, QString("near \"%s\": 100%")),
              "SQLite Error!\r\nERROR CODE: 1; ERROR MESSAGE: near \"%s\": 100%!");
    EXPECT_EQ(FormatText("%u|%d|%ld|%lld", -1, 4000000000u, -5, 4000000000u), "4294967295|-294967296|-5|4000000000");
    EXPECT_EQ(FormatText("%s and %s", "one"), "one and ");
    EXPECT_EQ(FormatText("50%% of %q %s", "x"), "50% of %q x");
    EXPECT_EQ(FormatText("[%5s|%-3d|%03d|%.2x]", "ab", 7, 5, 10), "[   ab|7  |005|0a]");
    EXPECT_EQ(FormatText("tail %", QVariantList{}), "tail %");
}

TEST(FormatText, WidthAndPrecisionAreBounded)
{
    // Beyond the bound a placeholder is written as it stands and takes no argument.
    EXPECT_EQ(FormatText("[%2147483647s|%s]", "a"), "[%2147483647s|a]");
    EXPECT_EQ(FormatText("[%.99999999999999999999d]", 5), "[%.99999999999999999999d]");
    EXPECT_EQ(FormatText("[%1001d]", 5), "[%1001d]");
    EXPECT_EQ(FormatText("%1000d", 5).size(), 1000);
    EXPECT_TRUE(FormatTextWithinBounds("100%% %1000s %.3d %q %"));
    EXPECT_FALSE(FormatTextWithinBounds("ok %s then %2147483647s"));
    EXPECT_FALSE(FormatTextWithinBounds("%.4294967296x"));
}

TEST(SqlText, QuotingAndLikePatterns)
{
    EXPECT_EQ(quoteSqlText("it's"), "'it''s'");
    EXPECT_EQ(quoteSqlText(""), "''");
    EXPECT_EQ(likeContainsLiteral("a_b%c\\d'e"), "'%a\\_b\\%c\\\\d''e%'");
    // An unpaired surrogate or a NUL becomes U+FFFD; a pair and a leading BOM stay.
    const QChar hi(0xD800), lo(0xDC00), bad(QChar::ReplacementCharacter);
    EXPECT_EQ(quoteSqlText(QString(hi) + "')--"), QString("'") + bad + "'')--'");
    EXPECT_EQ(quoteSqlText(QString(lo) + hi + lo + hi), QString("'") + bad + hi + lo + bad + "'");
    EXPECT_EQ(quoteSqlText(QString("a") + QChar(0) + "b"), QString("'a") + bad + "b'");
    EXPECT_EQ(quoteSqlText(QString(QChar(0xFEFF)) + "x"), QString("'") + QChar(0xFEFF) + "x'");
    EXPECT_EQ(likeContainsLiteral(QString(hi) + "'"), QString("'%") + bad + "''%'");
    // Values read back keep a leading BOM, which QString::fromUtf8 would drop.
    EXPECT_EQ(textFromSql("\xEF\xBB\xBFx"), QString(QChar(0xFEFF)) + "x");
    EXPECT_EQ(textFromSql("\xEF\xBB\xBF\xEF\xBB\xBF", 3), QString(QChar(0xFEFF)));
    EXPECT_TRUE(textFromSql(nullptr).isNull());
    EXPECT_EQ(TextToInt64("  -12abc"), -12);
    EXPECT_EQ(TextToInt64("x1"), 0);
    EXPECT_EQ(TextToInt64(""), 0);
}

TEST_F(SysHelpersTest, CopyFileNoReplaceNeverReplacesAndLeavesNoTemporaryFile)
{
    {
        QFile src(file("src"));
        ASSERT_TRUE(src.open(QIODevice::WriteOnly));
        src.write(QByteArray(200000, 'x'));
    }
    QString why;
    EXPECT_TRUE(platform::CopyFileNoReplace(file("src"), file("dst"), &why));
    EXPECT_EQ(readAll(file("dst")).size(), 200000);
    EXPECT_FALSE(platform::CopyFileNoReplace(file("src"), file("dst"), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(platform::CopyFileNoReplace(file("nothing"), file("dst2"), &why));
    EXPECT_EQ(QDir(path()).entryList(QDir::Files | QDir::Hidden), QStringList({"dst", "src"}));
    EXPECT_TRUE(platform::ProgramFolder().endsWith("/"));
    EXPECT_TRUE(QFileInfo::exists(platform::ProgramFolder() + platform::ProgramFileName()));
}

} // namespace

TEST_F(SysHelpersTest, TemporaryFileOfAKilledWriterIsRemovedAndALiveOneKept)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Starts a copy and is killed in the middle of it.
        const bool made = !platform::CreateTempFileBeside(file("vault.db")).isEmpty();
        const char byte = made ? 1 : 0;
        (void)!write(fds[1], &byte, 1);
        for (;;)
            pause();
    }
    close(fds[1]);
    char byte = 0;
    ASSERT_EQ(read(fds[0], &byte, 1), 1);
    close(fds[0]);
    ASSERT_EQ(byte, 1);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const QStringList left = QDir(path()).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(left.size(), 1);
    EXPECT_TRUE(QRegularExpression("^\\.vault\\.db\\.tmp-[A-Za-z0-9]{6}$").match(left[0]).hasMatch())
        << left[0].toStdString();

    // A new copy for the same name clears the stale one and holds its own.
    const QString live = platform::CreateTempFileBeside(file("vault.db"));
    ASSERT_FALSE(live.isEmpty());
    EXPECT_EQ(QDir(path()).entryList(QDir::Files | QDir::Hidden), QStringList({QFileInfo(live).fileName()}));
    EXPECT_EQ(QFileInfo(live).permissions().toInt() & 0x0077, 0) << "owner only";
    EXPECT_EQ(platform::RemoveStaleTempFiles(path(), "vault\\.db"), 0);
    EXPECT_TRUE(QFileInfo::exists(live));
    // Once moved into place it is no longer a temporary file of anyone.
    ASSERT_TRUE(platform::ReplaceFile(live, file("vault.db")));
    const QString stale = file(".vault.db.tmp-Xy12Z9");
    QFile(stale).open(QIODevice::WriteOnly);
    EXPECT_EQ(platform::RemoveStaleTempFiles(path(), "vault\\.db"), 1);
    EXPECT_EQ(QDir(path()).entryList(QDir::Files | QDir::Hidden), QStringList({"vault.db"}));
}

// An export killed while it writes (its plain text half written) leaves no
// file behind at all: the file has no name until it is whole.
TEST_F(SysHelpersTest, ACopyKilledWhileItWritesLeavesNoFileBehind)
{
    {
        const int probe = open(path().toUtf8().constData(), O_TMPFILE | O_WRONLY, 0600);
        if (probe < 0)
            GTEST_SKIP() << "this file system has no unnamed files";
        close(probe);
    }
    const QByteArray fifo = file("source").toUtf8();
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::CopyFileNoReplace(file("source"), file("plain.csv"));
        _exit(0);
    }
    const int in = open(fifo.constData(), O_WRONLY);
    ASSERT_GE(in, 0);
    const QByteArray half(5000, 's');
    ASSERT_EQ(write(in, half.constData(), size_t(half.size())), half.size());
    // Killed once the half is in the file it writes, whenever that is.
    const auto writtenSoFar = [&] {
        const QByteArray folder = QDir(path()).canonicalPath().toUtf8() + '/';
        for (int fd = 0; fd < 1024; ++fd) {
            const QByteArray link = QStringLiteral("/proc/%1/fd/%2").arg(child).arg(fd).toUtf8();
            char target[4096] = {};
            struct stat st;
            if (readlink(link.constData(), target, sizeof target - 1) > 0 &&
                QByteArray(target).startsWith(folder) && stat(link.constData(), &st) == 0 &&
                S_ISREG(st.st_mode) && st.st_size == half.size())
                return true;
        }
        return false;
    };
    for (int i = 0; i < 6000 && !writtenSoFar(); ++i)
        usleep(10000);
    EXPECT_TRUE(writtenSoFar());
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(in);
    EXPECT_EQ(QDir(path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList({"source"}));
}

TEST_F(SysHelpersTest, JournalOfATemporaryFileGoesWithItAndStaysWhileItIsInUse)
{
    const QString live = platform::CreateTempFileBeside(file("vault.db"));
    ASSERT_FALSE(live.isEmpty());
    const QString liveJournal = live + "-journal";
    const QString staleJournal = file(".vault.db.tmp-Qq11qq-journal");  // its file is gone
    const QString orphanWal = file(".vault.db.tmp-Rr22rr-wal");
    for (const QString& name : {liveJournal, staleJournal, file(".vault.db.tmp-Rr22rr"), orphanWal}) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(platform::RemoveStaleTempFiles(path(), "vault\\.db"), 3);
    EXPECT_EQ(QDir(path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({QFileInfo(live).fileName(), QFileInfo(liveJournal).fileName()}));
    EXPECT_TRUE(platform::RemoveFile(live));
    EXPECT_EQ(platform::RemoveStaleTempFiles(path(), "vault\\.db"), 1);
}

TEST(Secret, OwnBuffersAreClearedAndSharedOnesLeftToTheirOtherHolders)
{
    QByteArray key("QWRT_5820secret");
    key.detach();
    QByteArray other = key;
    WipeSecret(other);
    EXPECT_TRUE(other.isEmpty());
    EXPECT_EQ(key, "QWRT_5820secret") << "still held elsewhere: not overwritten under its holder";
    QString text = "secret";
    text.detach();
    WipeSecret(text);
    EXPECT_TRUE(text.isEmpty());
    WipedBytes moved(std::move(key));
    EXPECT_TRUE(key.isEmpty());
    EXPECT_EQ(moved, "QWRT_5820secret");
}
