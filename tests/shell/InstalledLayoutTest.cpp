// An installed program (bin/ under a prefix, its files in share/vaultwick/)
// keeps its user's files in the XDG folders; a portable folder keeps them
// beside the program.
#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include "MainWindowFixture.h"
#include "foundation/storage/DlgInitSettings.h"
#include "platform/Files.h"
#include "vault/StoreFixture.h"

namespace {

int Mode(const QString& path)
{
    struct stat st {};
    return stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QString& value) : m_name(name), m_old(qgetenv(name))
    {
        qputenv(name, value.toUtf8());
    }
    ~ScopedEnv()
    {
        if (m_old.isNull())
            qunsetenv(m_name);
        else
            qputenv(m_name, m_old);
    }

private:
    const char* m_name;
    QByteArray m_old;
};

} // namespace

TEST_F(MainWindowTest, AnInstalledProgramKeepsSettingsAndVaultInPrivateXdgFolders)
{
    // A prefix as /usr lays it out: nothing written may land in it.
    const QString prefix = path() + "usr/";
    ASSERT_TRUE(QDir().mkpath(prefix + "bin"));
    ASSERT_TRUE(QDir().mkpath(prefix + "share/vaultwick"));
    ASSERT_TRUE(QFile::rename(path() + "Lang_enu.xml", prefix + "share/vaultwick/Lang_enu.xml"));
    CVaultwickDlg::s_strProgramFolder = prefix + "bin/";
    // Neither XDG folder exists yet, nor their parents.
    ScopedEnv configHome("XDG_CONFIG_HOME", path() + "home/.config");
    ScopedEnv dataHome("XDG_DATA_HOME", path() + "home/.local/share");

    ScriptedLogin login(std::nullopt);
    QString offeredFolder;
    m_driver.AnswerNextDialog([&](CDialogEx& first) {
        EXPECT_EQ(first.GetTemplateId(), CDlgInitSettings::IDD);
        offeredFolder = static_cast<CDlgInitSettings&>(first).GetFolder();
        first.EndDialog(IDOK);
    });
    m_driver.AnswerNextDialog(IDCANCEL);  // no master password yet
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        EXPECT_TRUE(dlg.IsFirstRun());
        EXPECT_EQ(g_strExePath, prefix + "share/vaultwick/");  // where the language files are
        EXPECT_EQ(dlg.LauncherPath(), prefix + "bin/VaultwickLauncher");
        dlg.OnTrayCommand(IDCANCEL);
    });
    const QString config = path() + "home/.config/vaultwick/";
    const QString data = path() + "home/.local/share/vaultwick/";
    EXPECT_EQ(offeredFolder, data);
    EXPECT_EQ(Mode(config), 0700);
    EXPECT_EQ(Mode(data), 0700);
    EXPECT_EQ(Mode(config + "db.init"), 0600);
    EXPECT_EQ(Mode(data + "Sqlite.db"), 0600);
    EXPECT_FALSE(QFile::exists(prefix + "bin/db.init"));
    EXPECT_FALSE(QFile::exists(prefix + "bin/Sqlite.db"));
    EXPECT_FALSE(QFile::exists(prefix + "share/vaultwick/db.init"));
    // The log-on start runs the installed launcher.
    QFile autostart(platform::AutostartEntryPath("VaultwickStart"));
    ASSERT_TRUE(autostart.open(QIODevice::ReadOnly));
    EXPECT_TRUE(autostart.readAll().contains(QFile::encodeName(prefix + "bin/VaultwickLauncher")));
}

TEST(ProgramLayoutTest, FilesBesideTheProgramMakeItPortableWhereverItLies)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/";
    QDir().mkpath(root + "usr/bin");
    QDir().mkpath(root + "usr/share/vaultwick");
    QFile(root + "usr/share/vaultwick/Lang_enu.xml").open(QIODevice::WriteOnly);
    ScopedEnv configHome("XDG_CONFIG_HOME", root + "cfg");
    ScopedEnv dataHome("XDG_DATA_HOME", root + "dat");

    const platform::ProgramLayout installed = platform::GetProgramLayout(root + "usr/bin", "vaultwick", "Lang_enu.xml");
    EXPECT_TRUE(installed.bInstalled);
    EXPECT_EQ(installed.strProgramFolder, root + "usr/bin/");
    EXPECT_EQ(installed.strResourceFolder, root + "usr/share/vaultwick/");
    EXPECT_EQ(installed.strConfigFolder, root + "cfg/vaultwick/");
    EXPECT_EQ(installed.strDataFolder, root + "dat/vaultwick/");

    // The same folder with the files beside the program: portable.
    QFile(root + "usr/bin/Lang_enu.xml").open(QIODevice::WriteOnly);
    const platform::ProgramLayout portable = platform::GetProgramLayout(root + "usr/bin/", "vaultwick", "Lang_enu.xml");
    EXPECT_FALSE(portable.bInstalled);
    for (const QString& folder : {portable.strResourceFolder, portable.strConfigFolder, portable.strDataFolder})
        EXPECT_EQ(folder, root + "usr/bin/");

    // A folder with neither stays portable too (it fails later, clearly, as before).
    const platform::ProgramLayout bare = platform::GetProgramLayout(root + "elsewhere", "vaultwick", "Lang_enu.xml");
    EXPECT_FALSE(bare.bInstalled);
    EXPECT_EQ(bare.strConfigFolder, root + "elsewhere/");

    EXPECT_TRUE(platform::MakeFolderPath(root + "a/b/c"));
    EXPECT_TRUE(platform::MakeFolderPath(root + "a/b/c"));  // existing: fine
    EXPECT_EQ(Mode(root + "a"), 0700);
    EXPECT_EQ(Mode(root + "a/b/c"), 0700);
    QFile(root + "plainfile").open(QIODevice::WriteOnly);
    EXPECT_FALSE(platform::MakeFolderPath(root + "plainfile/sub"));
}
