// The texts Qt draws itself (the edit menu of every text field, the file
// chooser) speak the language chosen for the windows, from Qt's own
// translations, and Arabic ones leave the mirroring to the windows.
#include <memory>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeView>

#include "SampleDlg.h"
#include "UiFixture.h"
#include "foundation/storage/Language.h"
#include "platform/FileChooser.h"
#include "platform/QtTranslations.h"
#include "support/DialogDriver.h"

namespace {

// Menu item texts without the shortcut Qt appends after a tab.
QStringList MenuTexts(QMenu& menu)
{
    QStringList texts;
    for (QAction* action : menu.actions())
        if (!action->isSeparator())
            texts << action->text().section(QLatin1Char('\t'), 0, 0);
    return texts;
}

QStringList LineEditMenu()
{
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    return MenuTexts(*menu);
}

QStringList NotesMenu()
{
    QPlainTextEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    return MenuTexts(*menu);
}

struct SeenChooser {
    QString lookIn, fileName, fileType, accept, firstColumn;
    Qt::LayoutDirection direction = Qt::LeftToRight;
};

// Opens the real save chooser of `owner` and reads it while it is up.
SeenChooser ReadSaveChooser(const CWnd& owner, const QString& folder)
{
    SeenChooser seen;
    const platform::ChooserHandler scripted = platform::SetChooserHandler({});
    QTimer::singleShot(0, [&] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!chooser) {
            ADD_FAILURE() << "no file chooser";
            return;
        }
        const auto label = [&](const char* name) {
            auto* l = chooser->findChild<QLabel*>(QLatin1String(name));
            return l ? l->text() : QStringLiteral("(none)");
        };
        seen.lookIn = label("lookInLabel");
        seen.fileName = label("fileNameLabel");
        seen.fileType = label("fileTypeLabel");
        if (auto* box = chooser->findChild<QDialogButtonBox*>(); box && !box->buttons().isEmpty())
            seen.accept = box->buttons().first()->text();
        if (auto* tree = chooser->findChild<QTreeView*>(QStringLiteral("treeView")))
            seen.firstColumn = tree->model()->headerData(0, Qt::Horizontal).toString();
        seen.direction = chooser->layoutDirection();
        chooser->reject();
    });
    platform::ChooserRequest request;
    request.kind = platform::ChooserKind::SaveFile;
    request.initial = folder + QStringLiteral("/export.csv");
    request.filter = QStringLiteral("CSV (*.csv)");
    EXPECT_EQ(platform::ChooseFile(request, owner), QString());
    platform::SetChooserHandler(scripted);
    return seen;
}

class QtTextsTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        for (const char* name : {"qtbase_de.qm", "qtbase_ar.qm"})
            if (!QFile::exists(dir + QLatin1Char('/') + QLatin1String(name)))
                GTEST_SKIP() << "Qt's translations are not installed in " << dir.toStdString()
                             << " (Debian: qt6-translations-l10n)";
        for (int i = 0; i < g_iLangNum; ++i)
            QFile::copy(VW_SOURCE_DIR "/lang/" + GetLangFile(i), file(GetLangFile(i)));
    }
    void TearDown() override
    {
        CBaseResizeAndMultiLang::SetStaticLang(LANG_ENU);
        UiTest::TearDown();
    }

    const QStringList m_englishLineMenu{"&Undo", "&Redo", "Cu&t", "&Copy", "&Paste", "Delete", "Select All"};
};

} // namespace

TEST_F(QtTextsTest, EditMenusAndTheFileChooserSpeakTheChosenLanguageUntilEnglishIsChosenAgain)
{
    DialogDriver d;
    CDlgSample owner;
    ASSERT_TRUE(d.Open(owner));
    EXPECT_EQ(LineEditMenu(), m_englishLineMenu);

    CBaseResizeAndMultiLang::SetStaticLang(LANG_DEU);
    EXPECT_EQ(LineEditMenu(), QStringList({"&Rückgängig", "Wieder&herstellen", "&Ausschneiden", "&Kopieren",
                                           "Einf&ügen", "Löschen", "Alles auswählen"}));
    EXPECT_TRUE(NotesMenu().contains("Alles auswählen")) << NotesMenu().join(" | ").toStdString();
    SeenChooser german = ReadSaveChooser(owner, path());
    EXPECT_EQ(german.lookIn, "Suchen in:");
    EXPECT_EQ(german.fileName, "Datei&name:");
    EXPECT_EQ(german.fileType, "Dateien des Typs:");
    EXPECT_EQ(german.accept, "Speichern");

    CBaseResizeAndMultiLang::SetStaticLang(LANG_ARA);
    const QStringList arabic = LineEditMenu();
    ASSERT_EQ(arabic.size(), m_englishLineMenu.size());
    EXPECT_EQ(arabic.first(), "&تراجع");
    EXPECT_EQ(arabic.last(), "حدّد الكلّ");
    SeenChooser seen = ReadSaveChooser(owner, path());
    EXPECT_EQ(seen.lookIn, "اعثر في:");
    EXPECT_EQ(seen.fileName, "ا&سم الملفّ:");
    EXPECT_EQ(seen.accept, "احفظ");
    EXPECT_EQ(seen.firstColumn, "الاسم");

    CBaseResizeAndMultiLang::SetStaticLang(LANG_ENU);
    EXPECT_EQ(LineEditMenu(), m_englishLineMenu);
    EXPECT_EQ(NotesMenu().last(), "Select All");
    seen = ReadSaveChooser(owner, path());
    EXPECT_EQ(seen.lookIn, "Look in:");
    EXPECT_EQ(seen.fileName, "File &name:");
    EXPECT_EQ(seen.fileType, "Files of type:");
    EXPECT_EQ(seen.accept, "Save");
    EXPECT_EQ(seen.firstColumn, "Name");
    d.Close(owner);
}

// Qt ships no base texts in Bengali or Hindi: English stays, also after
// another language had its texts in place.
TEST_F(QtTextsTest, ALanguageWithoutQtTextsLeavesThemEnglish)
{
    CBaseResizeAndMultiLang::SetStaticLang(LANG_BEN);
    EXPECT_EQ(CBaseResizeAndMultiLang::GetStaticLang(), LANG_BEN);
    EXPECT_EQ(LineEditMenu(), m_englishLineMenu);
    CBaseResizeAndMultiLang::SetStaticLang(LANG_DEU);
    EXPECT_EQ(LineEditMenu().last(), "Alles auswählen");
    CBaseResizeAndMultiLang::SetStaticLang(LANG_HIN);
    EXPECT_EQ(LineEditMenu(), m_englishLineMenu);
    EXPECT_FALSE(platform::SetQtTextsLanguage(QStringLiteral("xyz")));
    EXPECT_EQ(LineEditMenu(), m_englishLineMenu);
}

// Every other language finds its file; a wrong name would leave it English
// without a sound.
TEST_F(QtTextsTest, EveryLanguageButBengaliAndHindiHasQtTexts)
{
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (int lang = LANG_ENU; lang < g_iLangNum; ++lang) {
        SCOPED_TRACE(GetLangCode(lang).toStdString());
        const QString name = platform::QtTranslationName(GetLangCode(lang));
        if (lang == LANG_BEN || lang == LANG_HIN) {
            EXPECT_EQ(name, QString());
            continue;
        }
        ASSERT_FALSE(name.isEmpty());
        EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/qtbase_") + name + QStringLiteral(".qm")));
        EXPECT_TRUE(platform::SetQtTextsLanguage(GetLangCode(lang)));
        if (lang != LANG_ENU) {
            EXPECT_NE(LineEditMenu().last(), "Select All");
        }
    }
}

// Qt's Arabic texts would turn the whole application right-to-left; the
// windows mirror their controls themselves, and a chooser reads in the
// direction of the window it belongs to (its owner, else the one in front).
TEST_F(QtTextsTest, ArabicWindowsStillMirrorTheirControlsAndTheirChooser)
{
    DialogDriver d;
    QRect englishSearch;
    {
        CDlgSample dlg;
        ASSERT_TRUE(d.Open(dlg));
        englishSearch = dlg.GetDlgItem(CDlgSample::IDC_SEARCH).GetWidget()->geometry();
        EXPECT_EQ(ReadSaveChooser(dlg, path()).direction, Qt::LeftToRight);
        d.Close(dlg);
    }
    CBaseResizeAndMultiLang::SetStaticLang(LANG_ARA);
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::LeftToRight);
    CDlgSample dlg;
    ASSERT_TRUE(d.Open(dlg));
    QWidget* host = dlg.GetWidget();
    EXPECT_EQ(host->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(dlg.GetDlgItem(CDlgSample::IDC_SEARCH).GetWidget()->geometry(),
              QRect(host->width() - englishSearch.x() - englishSearch.width(), englishSearch.y(),
                    englishSearch.width(), englishSearch.height()));
    EXPECT_EQ(ReadSaveChooser(dlg, path()).direction, Qt::RightToLeft);
    // A chooser opened without an owner belongs to the window in front.
    d.Activate(dlg);
    EXPECT_EQ(ReadSaveChooser(CWnd(), path()).direction, Qt::RightToLeft);
    d.Close(dlg);
}
