// The commands of the command line and of later starts, and the tray menu's
// way to the same windows.
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonObject>

#include "MainWindowFixture.h"
#include "foundation/ui/ExListCtrl.h"
#include "platform/GlobalHotKeys.h"
#include "platform/PortalBus.h"
#include "platform/TrayIcon.h"
#include "shell/CommandLine.h"
#include "vault/DlgEditEntry.h"
#include "vault/DlgPasswdQuery.h"
#include "vault/StoreFixture.h"

namespace {

QStringList Titles(CDialogEx& query)
{
    QStringList titles;
    CExListCtrl list(query.GetDlgItem(CDlgPasswdQuery::IDC_LIST));
    for (int row = 0; row < list.GetItemCount(); ++row)
        titles << list.GetItemText(row, 0);
    return titles;
}

} // namespace

TEST(CommandLineTest, CommandsOptionsAndMistakes)
{
    struct Case {
        QStringList args;
        StCommandLine::EnumAction action;
        QString keywords;
    };
    const Case cases[] = {
        {{}, StCommandLine::ACTION_START, ""},
        {{"--show"}, StCommandLine::ACTION_SHOW, ""},
        {{"--add"}, StCommandLine::ACTION_ADD, ""},
        {{"--query"}, StCommandLine::ACTION_QUERY, ""},
        // Every word after --query is a keyword, also one that looks like an option.
        {{"--query", "bank", " 100%", "--add"}, StCommandLine::ACTION_QUERY, "bank 100% --add"},
        {{"-q", "o'neil"}, StCommandLine::ACTION_QUERY, "o'neil"},
        {{"--query=mail  home"}, StCommandLine::ACTION_QUERY, "mail home"},
        {{"--add", "--help"}, StCommandLine::ACTION_HELP, ""},
        {{"--show", "--show"}, StCommandLine::ACTION_SHOW, ""},
        {{"--verbose"}, StCommandLine::ACTION_ERROR, ""},
        {{"bank"}, StCommandLine::ACTION_ERROR, ""},
        {{"--add", "--show"}, StCommandLine::ACTION_ERROR, ""},
        {{"--quit"}, StCommandLine::ACTION_QUIT, ""},
        {{"--quit", "--show"}, StCommandLine::ACTION_ERROR, ""},
        {{"--add", "--query", "x"}, StCommandLine::ACTION_ERROR, ""},
    };
    for (const Case& c : cases) {
        const StCommandLine cmd = ParseCommandLine(c.args);
        EXPECT_EQ(cmd.eAction, c.action) << c.args.join(' ').toStdString();
        EXPECT_EQ(cmd.strKeywords, c.keywords) << c.args.join(' ').toStdString();
        EXPECT_EQ(cmd.strError.isEmpty(), c.action != StCommandLine::ACTION_ERROR);
    }
    EXPECT_TRUE(ParseCommandLine({"--verbose"}).strError.contains("--verbose"));
    const QString help = CommandLineHelp("Vaultwick");
    for (const char* option : {"--query [keywords]", "--add", "--show", "--quit", "--help"})
        EXPECT_TRUE(help.contains(option)) << option;
}

TEST_F(MainWindowTest, QueryCommandOpensTheQueryWindowWithTheKeywordsTypedIn)
{
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    QStringList seen;
    QString typed;
    RunMain(dlg, [&](CDialogEx&) {
        m_driver.AnswerNextDialog([&](CDialogEx& query) {
            EXPECT_EQ(query.GetTemplateId(), CDlgPasswdQuery::IDD);
            typed = query.GetDlgItemText(CDlgPasswdQuery::IDC_KEYWORDS);
            seen = Titles(query);
            // Asked again while it is open: still one window.
            EXPECT_TRUE(dlg.RunCommand("query", "gnu"));
            query.EndDialog(IDCANCEL);
        });
        EXPECT_TRUE(dlg.RunCommand("query", "debian"));
        // The next query window (hot key, tray) starts empty again.
        m_driver.AnswerNextDialog([&](CDialogEx& query) {
            EXPECT_EQ(query.GetDlgItemText(CDlgPasswdQuery::IDC_KEYWORDS), "");
            query.EndDialog(IDCANCEL);
        });
        emit dlg.GetTrayIcon()->menuCommand(CVaultwickDlg::ID_TRAY_QUERY);
        EXPECT_FALSE(dlg.RunCommand("frobnicate"));
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_EQ(typed, "debian");
    EXPECT_EQ(seen, QStringList({"121"}));
    EXPECT_EQ(m_driver.Log().filter("dialog 13200").size(), 2);
}

TEST_F(MainWindowTest, QuitCommandEndsTheMainWindowAsTheTrayExitDoes)
{
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    EXPECT_EQ(RunMain(dlg, [&](CDialogEx&) { EXPECT_TRUE(dlg.RunCommand("quit")); }), IDCANCEL);
    EXPECT_FALSE(dlg.IsWindowVisible());
}

TEST_F(MainWindowTest, CommandsThatCameDuringStartUpRunOnceItIsDone)
{
    // A hidden start of a vault with a master password: no login at start.
    PrepareProgramFolder({.startMini = 1, .masterPasswd = QStringLiteral("s3cret")});
    ScriptedLogin login(QStringLiteral("s3cret"));
    CVaultwickDlg dlg;
    EXPECT_TRUE(dlg.RunCommand("add"));
    EXPECT_TRUE(dlg.RunCommand("show"));  // the latest request wins
    RunMain(dlg, [&](CDialogEx&) {
        m_driver.ProcessEvents();
        EXPECT_TRUE(dlg.IsLoggedIn());
        EXPECT_TRUE(dlg.IsWindowVisible());
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_EQ(login.calls(), 1);
    EXPECT_EQ(m_driver.Log().filter("dialog 13100").size(), 0);
}

TEST_F(MainWindowTest, TrayMenuReachesTheQueryWindowAndTheEditor)
{
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        m_driver.AnswerNextDialog([&](CDialogEx& editor) {
            EXPECT_EQ(editor.GetTemplateId(), CDlgEditEntry::IDD);
            editor.EndDialog(IDCANCEL);
        });
        emit dlg.GetTrayIcon()->menuCommand(CVaultwickDlg::ID_TRAY_ADD);
        m_driver.AnswerNextDialog(IDCANCEL);
        dlg.RunCommand("add");
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_EQ(m_driver.Log().filter("dialog 13100").size(), 2);
}

TEST_F(MainWindowTest, OnAWaylandDesktopWithoutThePortalTheUserIsToldOnceWhichCommandsToBind)
{
    PrepareProgramFolder({.hotKeys = 1});
    const QByteArray oldWayland = qgetenv("WAYLAND_DISPLAY");
    const QByteArray oldBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("WAYLAND_DISPLAY", "wayland-test");
    qputenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + path() + "no-bus").toUtf8());
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        EXPECT_TRUE(dlg.GetHotKeys()->IsWaylandWithoutPortal());
        // The user's choice stays: it works again on a desktop that offers keys.
        EXPECT_EQ(dlg.IsDlgButtonChecked(CVaultwickDlg::IDC_CHECK_HOTKEY_ADD), UINT(BST_CHECKED));
        EXPECT_EQ(dlg.IsDlgButtonChecked(CVaultwickDlg::IDC_CHECK_HOTKEY_QUERY), UINT(BST_CHECKED));
        dlg.OnTrayCommand(IDCANCEL);
    });
    qputenv("WAYLAND_DISPLAY", oldWayland);
    qputenv("DBUS_SESSION_BUS_ADDRESS", oldBus);
    if (oldWayland.isNull())
        qunsetenv("WAYLAND_DISPLAY");
    if (oldBus.isNull())
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    ASSERT_EQ(m_driver.MessageTexts().size(), 1);
    const QString notice = m_driver.MessageTexts()[0];
    EXPECT_TRUE(notice.contains("GlobalShortcuts portal")) << notice.toStdString();
    for (const char* command : {" --query", " --add", " --show"})
        EXPECT_TRUE(notice.contains(path() + "Vaultwick" + command)) << command;
}

TEST_F(MainWindowTest, OnAWaylandDesktopWithThePortalItsKeyPressesOpenTheWindows)
{
    const QString missing = PortalBus::MissingTools();
    if (!missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    PrepareProgramFolder({.hotKeys = 1});
    const QByteArray oldWayland = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", "wayland-test");
    PortalBus bus("plasma", path() + "portal.log");
    ASSERT_TRUE(bus.IsReady());
    CVaultwickDlg dlg;
    int queries = 0;
    RunMain(dlg, [&](CDialogEx&) {
        EXPECT_TRUE(dlg.GetHotKeys()->UsesPortal());
        m_driver.AnswerNextDialog([&](CDialogEx& query) {
            EXPECT_EQ(query.GetTemplateId(), CDlgPasswdQuery::IDD);
            ++queries;
            query.EndDialog(IDCANCEL);
        });
        // The desktop knows the keys once the start-up's requests have run.
        const QDeadlineTimer limit(10000);
        while (!bus.Press("13200") && !limit.hasExpired())
            m_driver.ProcessEvents();
        while (queries == 0 && !limit.hasExpired())
            m_driver.ProcessEvents();
        dlg.OnTrayCommand(IDCANCEL);
    });
    if (oldWayland.isNull())
        qunsetenv("WAYLAND_DISPLAY");
    else
        qputenv("WAYLAND_DISPLAY", oldWayland);
    EXPECT_EQ(queries, 1);
    EXPECT_TRUE(m_driver.MessageTexts().isEmpty()) << m_driver.MessageTexts().join('|').toStdString();
    // All three keys in the one session, each with its stored key and its name.
    const QList<QJsonObject> calls = bus.Calls();
    ASSERT_EQ(calls.size(), 1);
    const QJsonObject bind = calls[0];
    EXPECT_EQ(bind["call"].toString(), "CreateSession");
    std::map<QString, std::pair<QString, QString>> shortcuts;
    for (const QJsonValue& s : bind["shortcuts"].toArray()) {
        const QJsonObject props = s.toObject()["props"].toObject();
        shortcuts[s.toObject()["id"].toString()] = {props["preferred_trigger"].toString(),
                                                    props["description"].toString()};
    }
    const std::map<QString, std::pair<QString, QString>> expected = {
        {"13100", {"ALT+a", "Add Entry"}}, {"13200", {"ALT+q", "Query"}}, {"15000", {"ALT+F1", "Show Settings"}}};
    EXPECT_EQ(shortcuts, expected);
}

TEST_F(MainWindowTest, OnPlasmaAKeyTheDesktopLeavesUnboundIsToldOnceWithTheCommands)
{
    const QString missing = PortalBus::MissingTools();
    if (!missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    PrepareProgramFolder({.hotKeys = 1});
    const QByteArray oldWayland = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", "wayland-test");
    // Another program holds Alt+Q: Plasma lists it without a key.
    PortalBus bus("plasma:ALT+q", path() + "portal.log");
    ASSERT_TRUE(bus.IsReady());
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        const QDeadlineTimer limit(10000);
        while (m_driver.MessageTexts().isEmpty() && !limit.hasExpired())
            m_driver.ProcessEvents();
        // Alt+A and Alt+F1 work all the same.
        const QDeadlineTimer pressLimit(10000);
        while (!bus.Press("13100") && !pressLimit.hasExpired())
            m_driver.ProcessEvents();
        m_driver.AnswerNextDialog(IDCANCEL);
        const QDeadlineTimer editorLimit(10000);
        while (m_driver.Log().filter("dialog 13100").isEmpty() && !editorLimit.hasExpired())
            m_driver.ProcessEvents();
        dlg.OnTrayCommand(IDCANCEL);
    });
    if (oldWayland.isNull())
        qunsetenv("WAYLAND_DISPLAY");
    else
        qputenv("WAYLAND_DISPLAY", oldWayland);
    ASSERT_EQ(m_driver.MessageTexts().size(), 1);
    const QString notice = m_driver.MessageTexts()[0];
    EXPECT_TRUE(notice.contains("did not grant")) << notice.toStdString();
    for (const char* command : {" --query", " --add", " --show"})
        EXPECT_TRUE(notice.contains(path() + "Vaultwick" + command)) << command;
    EXPECT_EQ(m_driver.Log().filter("dialog 13100").size(), 1);
}
