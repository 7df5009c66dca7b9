// The first-run dialog through the driver, on a real init database.
#include <QFile>

#include "StorageTestUtil.h"
#include "foundation/storage/DlgInitSettings.h"
#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/SysHelpers.h"
#include <QFileInfo>
#include "support/DialogDriver.h"
#include "ui/UiFixture.h"

namespace {

class DlgInitSettingsTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_strSavedDataPath = path();
        CreateFileEveryone(file("db.init"));
        m_db = makeDb(file("db.init"));
        g_pSqliteInit = m_db.get();
        ASSERT_EQ(CreateDbInit(), 1);
    }
    void TearDown() override
    {
        g_pSqliteInit = nullptr;
        g_strSavedDataPath.clear();
        UiTest::TearDown();
    }
    void ShipLanguage(const QString& name)
    {
        ASSERT_TRUE(QFile::copy(VW_SOURCE_DIR "/lang/" + name, file(name)));
    }
    QStringList ComboItems(CDialogEx& dlg)
    {
        CComboBox combo = dlg.GetDlgItem(CDlgInitSettings::IDC_LANG);
        QStringList items;
        for (int i = 0; i < combo.GetCount(); ++i)
            items << combo.GetLBText(i);
        return items;
    }

    DialogDriver d;
    std::unique_ptr<CDbSqlite3> m_db;
};

TEST_F(DlgInitSettingsTest, OnlyTheShippedLanguagesAreOfferedAndTheFolderRowStaysHidden)
{
    ShipLanguage("Lang_enu.xml");
    CDlgInitSettings dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(ComboItems(dlg), QStringList{"English"});
        EXPECT_EQ(CComboBox(dlg.GetDlgItem(CDlgInitSettings::IDC_LANG)).GetCurSel(), 0);
        EXPECT_FALSE(dlg.GetDlgItem(CDlgInitSettings::IDC_FOLDER).IsWindowVisible());
        EXPECT_FALSE(dlg.GetDlgItem(CDlgInitSettings::IDC_FOLDER_LABEL).IsWindowVisible());
        EXPECT_FALSE(dlg.GetDlgItem(IDCANCEL).IsWindowVisible());
        EXPECT_EQ(dlg.GetDlgItemText(CDlgInitSettings::IDC_FOLDER), g_strSavedDataPath);
        d.Click(dlg, IDOK);
    });
    // Filling the folder field stored nothing.
    EXPECT_EQ(GetGlobalSetting(g_strColDataFolder), g_strSavedDataPath);
}

TEST_F(DlgInitSettingsTest, EveryShippedLanguageIsListedInItsOrder)
{
    QStringList expected;
    for (int i = 0; i < g_iLangNum; ++i) {
        ShipLanguage(GetLangFile(i));
        expected << GetLangStr(i);
    }
    CDlgInitSettings dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(ComboItems(dlg), expected);
        d.Click(dlg, IDOK);
    });
    EXPECT_TRUE(RegisteredIdsInLanguageFile(dlg, VW_SOURCE_DIR "/lang/Lang_enu.xml"));
}

TEST_F(DlgInitSettingsTest, WithoutAnyLanguageFileEnglishIsStillOffered)
{
    ShipLanguage("Lang_deu.xml");
    QFile::remove(file("Lang_deu.xml"));
    CDlgInitSettings dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(ComboItems(dlg), QStringList{"English"});
        d.Click(dlg, IDOK);
    });
}

TEST_F(DlgInitSettingsTest, ChoosingTheCurrentLanguageWritesNothing)
{
    ShipLanguage("Lang_enu.xml");
    ShipLanguage("Lang_deu.xml");
    // A value the dialog would overwrite if it wrote.
    mustExec(*m_db, "UPDATE TnGlobalSettings SET Language='marker'");
    CDlgInitSettings dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(ComboItems(dlg), (QStringList{"English", "Deutsch"}));
        d.SelectComboItem(dlg, CDlgInitSettings::IDC_LANG, 0);
        d.Click(dlg, IDOK);
    });
    EXPECT_EQ(GetGlobalSetting(g_strColLanguage), "marker");
    EXPECT_EQ(CBaseResizeAndMultiLang::s_eLanguage, LANG_ENU);
}

TEST_F(DlgInitSettingsTest, ChoosingDeutschStoresItAndRedrawsInGermanBeforeOk)
{
    ShipLanguage("Lang_enu.xml");
    ShipLanguage("Lang_deu.xml");
    CDlgInitSettings dlg;
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(dlg.GetWindowText(), "Init Settings");
        d.SelectComboItem(dlg, CDlgInitSettings::IDC_LANG, 1);
        EXPECT_EQ(GetGlobalSetting(g_strColLanguage), "Deutsch");
        EXPECT_EQ(dlg.GetWindowText(), "Ersteinrichtung");
        EXPECT_EQ(dlg.GetDlgItemText(CDlgInitSettings::IDC_LANG_LABEL), "&Sprache der Oberfläche:");
        EXPECT_EQ(CComboBox(dlg.GetDlgItem(CDlgInitSettings::IDC_LANG)).GetCurSel(), 1);
        d.SaveScreenshot(dlg, "/tmp/vw-initsettings-deu.png");
        d.Click(dlg, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(CBaseResizeAndMultiLang::s_eLanguage, LANG_DEU);
    EXPECT_TRUE(d.MessageTexts().isEmpty());
}

TEST_F(DlgInitSettingsTest, AFailedWriteIsShownAndTheDialogStaysOpen)
{
    ShipLanguage("Lang_enu.xml");
    ShipLanguage("Lang_deu.xml");
    mustExec(*m_db, "DROP TABLE TnGlobalSettings");
    CDlgInitSettings dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        d.SelectComboItem(dlg, CDlgInitSettings::IDC_LANG, 1);
        ASSERT_EQ(d.MessageTexts().size(), 1);
        EXPECT_TRUE(d.LastMessage().startsWith("SQLite Error!"));
        EXPECT_TRUE(dlg.IsRunning());
        d.Click(dlg, IDOK);
    });
    EXPECT_EQ(CBaseResizeAndMultiLang::s_eLanguage, LANG_DEU);
}

TEST_F(DlgInitSettingsTest, EscapeIsSwallowedAndTheCloseButtonCountsAsOk)
{
    ShipLanguage("Lang_enu.xml");
    CDlgInitSettings dlg;
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.PressKey(dlg, VK_ESCAPE);
        d.ProcessEvents();
        EXPECT_TRUE(dlg.IsRunning());
        dlg.SendMessage(WM_CLOSE);
    });
    EXPECT_EQ(r, IDOK);
}

TEST_F(DlgInitSettingsTest, AChosenFolderIsStoredWithItsSeparatorAndCreated)
{
    ShipLanguage("Lang_enu.xml");
    const QString chosen = path() + "it's 100%";
    CDlgInitSettings dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        // Stands in for the browse button, which is the only way to change the field.
        dlg.SetDlgItemText(CDlgInitSettings::IDC_FOLDER, chosen);
        d.Click(dlg, IDOK);
    });
    EXPECT_EQ(GetGlobalSetting(g_strColDataFolder), chosen + "/");
    EXPECT_TRUE(QFileInfo(chosen).isDir());
    EXPECT_EQ(dlg.GetFolder(), chosen + "/");
}

} // namespace
