// Language files: look-ups, the checking parser, the writer, and damaged or
// hostile files (which must leave every window with its own texts).
#include <QDir>
#include <QFile>

#include <pugixml.hpp>

#include "UiFixture.h"
#include "foundation/storage/Language.h"
#include "support/MessageBoxRecorder.h"

namespace {

const QByteArray kLang = R"(<?xml version="1.0" encoding="UTF-8"?>
<Tessel><LanguageString>
  <Window ID="0" Type="-3" Tip="">
    <OtherString id="1003">SQL a\r\nb %d</OtherString>
  </Window>
  <Window ID="10100" Type="-2" Tip="Einstellungen"/>
  <Window ID="13400" Type="-3" Tip="Anmeldung">
    <ItemCtrl id="13401" Type="0" Tip="Kennwort:">Kennwort:</ItemCtrl>
    <ItemCtrl id="1" Type="0">Gut</ItemCtrl>
    <ItemCtrl id="2" Type="2">Abbrechen</ItemCtrl>
    <ItemCtrl id="3" Type="2"><Column id="0">A</Column><Column id="1">B</Column></ItemCtrl>
    <ItemCtrl id="4" Type="3"><ComboItem id="0">x</ComboItem><!-- c --><ComboItem id="1">y</ComboItem><ComboItem id="2">z</ComboItem></ItemCtrl>
    <OtherString id="1340003">Falsch!</OtherString>
  </Window>
</LanguageString></Tessel>)";

class XmlLanguageTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        WriteLangFile("Lang_enu.xml", kLang);
        ids = {13400, 13401, 1, 2, 3, 4, 5};
        types = {WND_TYPE_DIALOG, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_LIST, WND_TYPE_COMBO,
                 WND_TYPE_EDIT};
        texts = {"Login", "prompt", "OK", "Cancel", "list", "", "edit"};
        ST_LISTCTRL_PARAM list;
        list.iId = 3;
        list.arrColumnName = {"Title", "User", "Notes"};
        list.arrColumnWidth = {10, 20, 30};
        lists = {list};
        ST_COMBO_PARAM combo;
        combo.iId = 4;
        combo.arrItem = {"a", "b", "c"};
        combos = {combo};
    }
    ST_LANGUAGE lang()
    {
        return {&ids, &types, &texts, &lists, &combos};
    }
    int Load()
    {
        ST_LANGUAGE l = lang();
        g_pXmlLang->SetLoadedState(0);
        g_pXmlLang->LoadSettings();
        return g_pXmlLang->GetLangStr_Items(ids[0], &l);
    }
    // The file in place is refused: nothing loads and no look-up finds
    // anything, also when it is loaded again (which frees what the first load kept).
    void ExpectRefused()
    {
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(Load(), 0);
            QString out = "kept";
            EXPECT_EQ(g_pXmlLang->GetPageTitle(10100, out), 0);
            EXPECT_EQ(out, "kept");
        }
    }

    QList<int> ids;
    QList<ENUM_WND_TYPE> types;
    QStringList texts;
    ListParamArray lists;
    ComboParamArray combos;
};

TEST_F(XmlLanguageTest, WindowTextsAreTakenWhereIdAndTypeMatch)
{
    ASSERT_EQ(Load(), 1);
    EXPECT_EQ(texts[0], "Anmeldung");
    EXPECT_EQ(texts[1], "Kennwort:");
    EXPECT_EQ(texts[2], "Gut");
    EXPECT_EQ(texts[3], "Cancel");  // the file says list (2): another kind keeps the text
    EXPECT_EQ(texts[6], "edit");
    // Two columns in the file for three in the list: captions unchanged.
    EXPECT_EQ(lists[0].arrColumnName, QStringList({"Title", "User", "Notes"}));
    // Three items (a comment between them does not count): replaced.
    EXPECT_EQ(combos[0].arrItem, QStringList({"x", "y", "z"}));
}

TEST_F(XmlLanguageTest, WindowOfAnotherTypeOrInconsistentArraysChangeNothing)
{
    types[0] = WND_TYPE_PAGE;
    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(texts[0], "Login");
    EXPECT_EQ(texts[1], "prompt");
    types[0] = WND_TYPE_DIALOG;
    texts.removeLast();
    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(texts[0], "Login");
    ids = {99999};
    types = {WND_TYPE_DIALOG};
    texts = {"x"};
    EXPECT_EQ(Load(), 0);
}

TEST_F(XmlLanguageTest, OtherStringsTurnTheFourCharacterBreakIntoCrLf)
{
    QString out = "untouched";
    EXPECT_EQ(CBaseResizeAndMultiLang::GetOtherStr_ByStrId(0, 1003, out), 1);
    EXPECT_EQ(out, "SQL a\r\nb %d");
    out = "untouched";
    EXPECT_EQ(CBaseResizeAndMultiLang::GetOtherStr_ByStrId(13400, 1003, out), 0);
    EXPECT_EQ(out, "untouched");
    EXPECT_EQ(CBaseResizeAndMultiLang::GetOtherStr_ByStrId(13400, 1340003, out), 1);
    EXPECT_EQ(out, "Falsch!");
}

TEST_F(XmlLanguageTest, LoadedFileIsNotReadAgainUntilTheFlagIsCleared)
{
    QString out;
    ASSERT_EQ(g_pXmlLang->GetOtherStr_ByStrId(13400, 1340003, out), 1);
    WriteLangFile("Lang_enu.xml", QByteArray(kLang).replace("Falsch!", "Neu!"));
    g_pXmlLang->GetOtherStr_ByStrId(13400, 1340003, out);
    EXPECT_EQ(out, "Falsch!");
    g_pXmlLang->SetLoadedState(0);
    g_pXmlLang->GetOtherStr_ByStrId(13400, 1340003, out);
    EXPECT_EQ(out, "Neu!");
}

TEST_F(XmlLanguageTest, PageTitlesAndParentLookups)
{
    QString out;
    EXPECT_EQ(g_pXmlLang->GetPageTitle(10100, out), 1);
    EXPECT_EQ(out, "Einstellungen");
    EXPECT_EQ(g_pXmlLang->GetPageTitle(13400, out), 0);  // a dialog, not a page
    EXPECT_EQ(g_pXmlLang->GetLangStr_ByItemId(13400, 1, out), 1);
    EXPECT_EQ(out, "Gut");
    EXPECT_EQ(g_pXmlLang->GetLangStr_ByItemId(0, 1, out), 0);
    // An element named ComboItem whose parent has id 4.
    EXPECT_EQ(g_pXmlLang->GetLangStr_ByName(4, "ComboItem", out), 1);
    EXPECT_EQ(out, "x");
    EXPECT_EQ(g_pXmlLang->GetLangStr_ByName(4, "ComboItem or 1=1]|//x[", out), 0);
}

TEST_F(XmlLanguageTest, LanguageHelpersUseTheExactNames)
{
    EXPECT_EQ(GetLangByStr(QStringLiteral("Усский")), LANG_NONE);
    EXPECT_EQ(GetLangByStr(QStringLiteral("усский")), LANG_RUS);
    EXPECT_EQ(GetLangFile(13), "Lang_enu.xml");
    EXPECT_TRUE(GetHelpFileByLang(LANG_KOR).endsWith("Help_enu.chm"));
}

TEST_F(XmlLanguageTest, WriterProducesAFileTheCheckingParserReadsBack)
{
    CBaseXml::SetCommonPath(path() + "settings/");
    g_pXmlLang->SetSubPath("sub");
    g_pXmlLang->SetFile("Lang_out.xml");
    ST_LANGUAGE l = lang();
    ASSERT_EQ(g_pXmlLang->SaveSettings(&l), 1);
    const QString written = path() + "settings/sub/Lang_out.xml";
    ASSERT_TRUE(QFile::exists(written));
    CBaseXml::SetCommonPath(QString());

    QFile::remove(file("Lang_enu.xml"));
    QFile::copy(written, file("Lang_enu.xml"));
    g_pXmlLang->SetFile("Lang_enu.xml");
    g_pXmlLang->SetSubPath(QString());
    texts = {"", "", "", "", "", "", "keep"};
    lists[0].arrColumnName = {"", "", ""};
    combos[0].arrItem = {"", "", ""};
    ASSERT_EQ(Load(), 1);
    // A list element carries no text of its own, only its columns.
    EXPECT_EQ(texts, QStringList({"Login", "prompt", "OK", "Cancel", "", "", "keep"}));
    EXPECT_EQ(lists[0].arrColumnName, QStringList({"Title", "User", "Notes"}));
    EXPECT_EQ(combos[0].arrItem, QStringList({"a", "b", "c"}));
}

TEST_F(XmlLanguageTest, WriterRefusesArraysThatDoNotLineUp)
{
    texts.removeLast();
    ST_LANGUAGE l = lang();
    EXPECT_EQ(g_pXmlLang->DeparseToNode(&l), 0);
}

TEST_F(XmlLanguageTest, ListParamWithUnequalArraysCannotBeAssigned)
{
    ST_LISTCTRL_PARAM bad;
    bad.arrColumnName = {"a"};
    ST_LISTCTRL_PARAM target;
    EXPECT_THROW(target = bad, std::invalid_argument);
}

// Damaged and hostile files: no crash, nothing found, template texts stay.
class HostileLanguageFile : public XmlLanguageTest, public ::testing::WithParamInterface<const char*> {};

QByteArray hostile(const std::string& kind)
{
    if (kind == "truncated")
        return QByteArray(kLang).left(kLang.size() / 2);
    if (kind == "binary")
        return QByteArray("\x00\xff\xfe\x01garbage", 12);
    if (kind == "empty")
        return QByteArray();
    if (kind == "wrongtypes")
        return QByteArray(kLang).replace("ID=\"13400\" Type=\"-3\"", "ID=\"13400\" Type=\"dialog\"");
    if (kind == "foreignroot")
        return "<Other><LanguageString/></Other>";
    if (kind == "hugeattr") {
        QByteArray big(4 * 1024 * 1024, 'A');
        return "<Tessel><LanguageString><Window ID=\"13400\" Type=\"x\" Tip=\"" + big + "\"/></LanguageString></Tessel>";
    }
    if (kind == "deep") {
        QByteArray xml = "<Tessel><LanguageString>";
        for (int i = 0; i < 200000; ++i)
            xml += "<a>";
        for (int i = 0; i < 200000; ++i)
            xml += "</a>";
        return xml + "</LanguageString></Tessel>";
    }
    if (kind == "widefmt")
        return QByteArray(kLang).replace("Falsch!", "Falsch %2147483647s!");
    if (kind == "entities")
        return "<!DOCTYPE t [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]><Tessel>&b;</Tessel>";
    return {};
}

TEST_P(HostileLanguageFile, GivesTemplateTextsAndNoCrash)
{
    WriteLangFile("Lang_enu.xml", hostile(GetParam()));
    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(texts, QStringList({"Login", "prompt", "OK", "Cancel", "list", "", "edit"}));
    if (std::string(GetParam()) == "wrongtypes")
        return;  // its messages are intact and still found
    QString out = "kept";
    EXPECT_EQ(CBaseResizeAndMultiLang::GetOtherStr_ByStrId(13400, 1340003, out), 0);
    EXPECT_EQ(out, "kept");
}

INSTANTIATE_TEST_SUITE_P(Files, HostileLanguageFile,
                         ::testing::Values("truncated", "binary", "empty", "wrongtypes", "foreignroot", "hugeattr",
                                           "deep", "entities", "widefmt"));

TEST_F(XmlLanguageTest, DeeplyNestedFileIsRefusedBeforeAnythingWalksOrFreesIt)
{
    QByteArray xml = "<Tessel><LanguageString>";
    for (int i = 0; i < 300000; ++i)
        xml += "<a>";
    for (int i = 0; i < 300000; ++i)
        xml += "</a>";
    WriteLangFile("Lang_enu.xml", xml + "</LanguageString></Tessel>");
    ExpectRefused();
    // A sound file in its place is read again.
    WriteLangFile("Lang_enu.xml", kLang);
    EXPECT_EQ(Load(), 1);
}

TEST_F(XmlLanguageTest, FileWithAnotherRootAnswersNoLookUp)
{
    // Well-formed enough to parse, but its elements stand outside our root.
    for (const QByteArray& xml :
         {QByteArray("ndow>\n<Window ID=\"10100\" Type=\"-2\" Tip=\"Foreign\"/>"),
          QByteArray("<Other><Window ID=\"10100\" Type=\"-2\" Tip=\"Foreign\"/></Other>")}) {
        WriteLangFile("Lang_enu.xml", xml);
        ExpectRefused();
    }
    WriteLangFile("Lang_enu.xml", kLang);
    EXPECT_EQ(Load(), 1);
}

TEST_F(XmlLanguageTest, MissingFileLeavesAnEmptyRoot)
{
    QFile::remove(file("Lang_enu.xml"));
    EXPECT_EQ(Load(), 0);
    QString text;
    EXPECT_EQ(g_pXmlLang->ParseFromNote_Str(text, "/Tessel", 0, ""), 1);
    EXPECT_EQ(g_pXmlLang->ParseFromNote_Str(text, "/Tessel/*", 0, ""), 0);
}

// CBaseXml's typed values and paths, as settings files use them.
class SettingsXml : public CBaseXml {
public:
    using CBaseXml::CBaseXml;
};

TEST_F(XmlLanguageTest, TypedValuesRoundTripThroughAFile)
{
    SettingsXml xml;
    ASSERT_EQ(xml.LoadFromXmlFile(file("missing.xml")), 0);
    pugi::xml_node root = xml.GetRoot();
    EXPECT_EQ(xml.DeparseToNote_BOOL(root, "Flag", 1, 0), 1);
    EXPECT_EQ(xml.DeparseToNote_Int(root, "Count", -5, 1), 1);
    EXPECT_EQ(xml.DeparseToNote_DWORD(root, "Big", 4000000000u, 0), 1);
    EXPECT_EQ(xml.DeparseToNote_Str(root, "Name", "a<b>&\"c\"", 1), 1);
    ASSERT_EQ(xml.SaveToXmlFile(file("deep/er/s.xml")), 1);

    SettingsXml back;
    ASSERT_EQ(back.LoadFromXmlFile(file("deep/er/s.xml")), 1);
    int flag = 0, count = 0;
    DWORD big = 0;
    QString name;
    char16_t buffer[4];
    EXPECT_EQ(back.ParseFromNote_BOOL(flag, "/Tessel/Flag", 0, ""), 1);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(back.ParseFromNote_Int(count, "/Tessel/Count", 1, "Count"), 1);
    EXPECT_EQ(count, -5);
    EXPECT_EQ(back.ParseFromNote_DWORD(big, "/Tessel/Big", 0, ""), 1);
    EXPECT_EQ(big, 4000000000u);
    EXPECT_EQ(back.ParseFromNote_Str(name, "/Tessel/Name", 1, "Name"), 1);
    EXPECT_EQ(name, "a<b>&\"c\"");
    EXPECT_EQ(back.ParseFromNote_PTR(buffer, 4, "/Tessel/Name", 1, "Name"), 1);
    EXPECT_EQ(QString::fromUtf16(buffer), "a<b");
    // Missing nodes, bad expressions and wrong types leave the value alone.
    count = 7;
    EXPECT_EQ(back.ParseFromNote_Int(count, "/Tessel/Name", 1, "Name"), 0);
    EXPECT_EQ(back.ParseFromNote_Int(count, "/Tessel/[[", 0, ""), 0);
    EXPECT_EQ(back.ParseFromNote_Int(count, "/Tessel/None", 0, ""), 0);
    EXPECT_EQ(count, 7);
}

TEST_F(XmlLanguageTest, PathsEndInExactlyOneSeparator)
{
    SettingsXml xml;
    xml.SetSubPathAndFile("s.xml", "sub/");
    EXPECT_EQ(xml.GetPath(), "");
    QString pf, p;
    EXPECT_EQ(xml.GetPathAndFile(pf, p), 0);
    CBaseXml::SetCommonPath("/data/");
    EXPECT_EQ(xml.GetPath(), "/data/sub/");
    xml.SetSubPath("sub");
    EXPECT_EQ(xml.GetPathFile(), "/data/sub/s.xml");
    CBaseXml::SetCommonPath(QString());
}

TEST_F(XmlLanguageTest, SaveIntoAFolderThatCannotBeMadeIsReported)
{
    QFile blocker(file("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsXml xml;
    xml.LoadFromXmlFile(QString());
    MessageBoxRecorder boxes;
    EXPECT_EQ(xml.SaveToXmlFile(file("blocker/sub/s.xml")), 0);
    EXPECT_EQ(boxes.texts(), QStringList{"Direction can't create, save faild!"});
}

} // namespace
