// Every translation must carry exactly the texts of the English file: the
// lookup finds texts by window, control and string id, fills placeholders in
// order, and picks a language from the language list by its display name, so a
// missing id, a reordered %s or a translated language name breaks the program
// silently at run time.
#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <vector>

namespace {

const QString kLangDir = QStringLiteral(VW_SOURCE_DIR "/lang");

const QStringList kExpectedCodes = {"fra", "esn", "rus", "deu", "ara", "chs",
                                    "cht", "jpn", "kor", "ptg", "ben", "hin"};

QString LangPath(const QString& code)
{
    return kLangDir + "/Lang_" + code + ".xml";
}

// One language file flattened to "Window 13100 > ItemCtrl 13105"-style keys.
// A window's text is its caption (the Tip attribute); a list or combo control
// has an empty text of its own and one key per column or item.
struct LangFile {
    QString error; // empty when the file parsed and had the expected shape
    QMap<QString, QString> texts;
    QMap<QString, QString> types; // Type attribute of each Window and ItemCtrl
    QStringList duplicates;
};

LangFile ParseLangFile(const QString& path)
{
    LangFile out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.error = "cannot open " + path;
        return out;
    }

    static const QStringList kLevelNames[] = {
        {"Tessel"}, {"LanguageString"}, {"Window"}, {"ItemCtrl", "OtherString"}, {"Column", "ComboItem"}};

    struct Open {
        QString key;
        QString text;
        bool hasChildren = false;
    };
    std::vector<Open> open;
    QXmlStreamReader xml(&file);
    auto fail = [&](const QString& why) { xml.raiseError(why); };

    while (!xml.atEnd() && !xml.hasError()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const size_t level = open.size();
            const QString name = xml.name().toString();
            if (level >= std::size(kLevelNames) || !kLevelNames[level].contains(name)) {
                fail("unexpected element <" + name + ">");
                break;
            }
            if (level == 4 && !open.back().key.contains(" > ItemCtrl ")) {
                fail("<" + name + "> outside an ItemCtrl");
                break;
            }
            if (!open.empty())
                open.back().hasChildren = true;

            Open element;
            if (level >= 2) {
                const QString idAttr = name == "Window" ? "ID" : "id";
                bool isNumber = false;
                const int id = xml.attributes().value(idAttr).toInt(&isNumber);
                if (!isNumber) {
                    fail("<" + name + "> without a numeric " + idAttr);
                    break;
                }
                const QString own = name + ' ' + QString::number(id);
                element.key = level == 2 ? own : open.back().key + " > " + own;
                if (name == "Window")
                    element.text = xml.attributes().value("Tip").toString();
                if (name == "Window" || name == "ItemCtrl")
                    out.types.insert(element.key, xml.attributes().value("Type").toString());
            }
            open.push_back(element);
            break;
        }
        case QXmlStreamReader::Characters:
            if (open.size() > 3) // inside an ItemCtrl, OtherString, Column or ComboItem
                open.back().text += xml.text();
            break;
        case QXmlStreamReader::EndElement: {
            Open element = open.back();
            open.pop_back();
            if (element.key.isEmpty())
                break;
            if (element.hasChildren && !element.key.startsWith("Window"))
                element.text.clear(); // only the whitespace between columns or items
            if (out.texts.contains(element.key))
                out.duplicates << element.key;
            out.texts.insert(element.key, element.text);
            break;
        }
        default:
            break;
        }
    }
    if (xml.hasError())
        out.error = QStringLiteral("%1:%2:%3: %4")
                        .arg(path)
                        .arg(xml.lineNumber())
                        .arg(xml.columnNumber())
                        .arg(xml.errorString());
    else if (out.texts.isEmpty())
        out.error = path + ": no Window found";
    return out;
}

QStringList Placeholders(const QString& text)
{
    static const QRegularExpression kPlaceholder(QStringLiteral("%(?:ld|lu|d|s|u)"));
    QStringList found;
    for (auto it = kPlaceholder.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    return found;
}

qsizetype LineBreakMarkers(const QString& text)
{
    return text.count(QStringLiteral("\\r\\n"));
}

bool IsLanguageListItem(const QString& key)
{
    return key.startsWith("Window 9000 > ItemCtrl 9002 > ") ||
           key.startsWith("Window 15000 > ItemCtrl 15021 > ");
}

std::string Join(const QStringList& list)
{
    return list.join("\n  ").toStdString();
}

// The Alt+letter of a caption ("Sho&w" -> 'W'), null without one ("&&" is a plain '&').
QChar Mnemonic(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return text[i + 1].toUpper();
    }
    return QChar();
}

bool IsControlText(const QString& key)
{
    static const QRegularExpression kControl(QStringLiteral("^Window \\d+ > ItemCtrl \\d+$"));
    return kControl.match(key).hasMatch();
}

// Controls of one window that share a letter, and letters the global hot
// keys (Alt+A, Alt+Q) take before any window sees them.
QStringList MnemonicClashes(const LangFile& file)
{
    QStringList faults;
    QMap<QString, QString> owner;  // "Window N" + letter -> key
    for (auto it = file.texts.begin(); it != file.texts.end(); ++it) {
        if (!IsControlText(it.key()))
            continue;
        const QChar letter = Mnemonic(it.value());
        if (letter.isNull())
            continue;
        if (letter == 'A' || letter == 'Q')
            faults << it.key() + ": Alt+" + letter + " is a global hot key";
        const QString slot = it.key().section(" > ", 0, 0) + " Alt+" + letter;
        if (owner.contains(slot))
            faults << it.key() + " \"" + it.value() + "\" and " + owner.value(slot) + " share Alt+" + letter;
        else
            owner.insert(slot, it.key() + " \"" + it.value() + "\"");
    }
    // The query window's pop-up menu: its own items and two buttons' captions.
    QMap<QChar, QString> menu;
    for (const char* key : {"Window 13200 > ItemCtrl 13213", "Window 13200 > OtherString 1320005",
                            "Window 13200 > OtherString 1320006", "Window 13200 > OtherString 1320007",
                            "Window 13200 > OtherString 1320008", "Window 13200 > ItemCtrl 13212"}) {
        const QChar letter = Mnemonic(file.texts.value(key));
        if (letter.isNull())
            continue;
        if (menu.contains(letter))
            faults << QString(key) + " and " + menu.value(letter) + " share " + letter + " in the pop-up menu";
        menu.insert(letter, key);
    }
    // The tray icon's menu.
    QMap<QChar, QString> tray;
    for (const char* key : {"Window 15000 > OtherString 1500040", "Window 15000 > OtherString 1500041",
                            "Window 15000 > OtherString 1500025", "Window 15000 > OtherString 1500024",
                            "Window 15000 > OtherString 1500023", "Window 15000 > OtherString 1500022"}) {
        const QChar letter = Mnemonic(file.texts.value(key));
        if (letter.isNull())
            continue;
        if (tray.contains(letter))
            faults << QString(key) + " and " + tray.value(letter) + " share " + letter + " in the tray menu";
        tray.insert(letter, key);
    }
    return faults;
}

const LangFile& English()
{
    static const LangFile english = ParseLangFile(LangPath("enu"));
    return english;
}

// Every translation lying in lang/, expected or not, so that a stray or
// renamed file is checked too; the absent ones are AllTwelveTranslationsArePresent's.
std::vector<std::string> LanguageCodes()
{
    std::vector<std::string> codes;
    const QStringList present = QDir(kLangDir).entryList({"Lang_*.xml"}, QDir::Files, QDir::Name);
    for (const QString& name : present) {
        const QString code = name.mid(5, name.size() - 9);
        if (code != "enu")
            codes.push_back(code.toStdString());
    }
    return codes;
}

TEST(LanguageFiles, EnglishReferenceParses)
{
    const LangFile& english = English();
    ASSERT_TRUE(english.error.isEmpty()) << english.error.toStdString();
    EXPECT_TRUE(english.duplicates.isEmpty()) << "duplicate keys:\n  " << Join(english.duplicates);
    // 13 display names in each of the two language lists
    const auto keys = english.texts.keys();
    EXPECT_EQ(std::count_if(keys.begin(), keys.end(), IsLanguageListItem), 26);
}

TEST(LanguageFiles, EnglishControlsOfOneWindowNeverShareAMnemonic)
{
    const QStringList clashes = MnemonicClashes(English());
    EXPECT_TRUE(clashes.isEmpty()) << "mnemonics:\n  " << Join(clashes);
    // The keyboard user's own captions: every label of an edit and every
    // button of the entry editor and the query window has one.
    for (const char* key : {"Window 13100 > ItemCtrl 13105", "Window 13100 > ItemCtrl 13119",
                            "Window 13200 > ItemCtrl 13202", "Window 13200 > ItemCtrl 13213",
                            "Window 15000 > ItemCtrl 15020", "Window 9000 > ItemCtrl 9001"})
        EXPECT_FALSE(Mnemonic(English().texts.value(key)).isNull()) << key;
}

TEST(LanguageFiles, AllTwelveTranslationsArePresent)
{
    QStringList missing;
    for (const QString& code : kExpectedCodes)
        if (!QFile::exists(LangPath(code)))
            missing << "Lang_" + code + ".xml";
    EXPECT_TRUE(missing.isEmpty()) << "missing in lang/:\n  " << Join(missing);
}

class Translation : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(English().error.isEmpty()) << English().error.toStdString();
        file = ParseLangFile(LangPath(QString::fromStdString(GetParam())));
        if (!file.error.isEmpty() && !isParseCase())
            GTEST_SKIP() << "the file does not parse (reported by ParsesAsALanguageFile)";
    }

    static bool isParseCase()
    {
        return std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())
                   .starts_with("ParsesAsALanguageFile/");
    }

    // Reports each key of the English file whose translation fails `check`,
    // which describes the fault or returns an empty string.
    template <typename Check>
    void ExpectEachText(const char* what, Check check) const
    {
        QStringList faults;
        for (auto it = English().texts.begin(); it != English().texts.end(); ++it) {
            const auto translated = file.texts.constFind(it.key());
            if (translated == file.texts.end())
                continue; // reported by HasExactlyTheEnglishKeys
            const QString fault = check(it.value(), translated.value());
            if (!fault.isEmpty())
                faults << it.key() + ": " + fault;
        }
        EXPECT_TRUE(faults.isEmpty()) << what << ":\n  " << Join(faults);
    }

    LangFile file;
};

TEST_P(Translation, ParsesAsALanguageFile)
{
    EXPECT_TRUE(file.error.isEmpty()) << file.error.toStdString();
}

TEST_P(Translation, HasExactlyTheEnglishKeys)
{
    QStringList missing, extra, wrongType;
    for (const QString& key : English().texts.keys())
        if (!file.texts.contains(key))
            missing << key;
    for (const QString& key : file.texts.keys())
        if (!English().texts.contains(key))
            extra << key;
    for (auto it = English().types.begin(); it != English().types.end(); ++it)
        if (file.types.contains(it.key()) && file.types.value(it.key()) != it.value())
            wrongType << it.key() + ": Type \"" + file.types.value(it.key()) + "\", English \"" +
                             it.value() + "\"";

    EXPECT_TRUE(missing.isEmpty()) << "missing keys:\n  " << Join(missing);
    EXPECT_TRUE(extra.isEmpty()) << "keys English does not have:\n  " << Join(extra);
    EXPECT_TRUE(file.duplicates.isEmpty()) << "duplicate keys:\n  " << Join(file.duplicates);
    EXPECT_TRUE(wrongType.isEmpty()) << "types differ:\n  " << Join(wrongType);
}

TEST_P(Translation, KeepsPlaceholdersInOrder)
{
    ExpectEachText("placeholders differ", [](const QString& english, const QString& text) {
        const QStringList want = Placeholders(english), got = Placeholders(text);
        return want == got ? QString()
                           : "has [" + got.join(' ') + "], English [" + want.join(' ') + "]";
    });
}

TEST_P(Translation, KeepsLineBreakMarkers)
{
    ExpectEachText("\\r\\n markers differ", [](const QString& english, const QString& text) {
        const qsizetype want = LineBreakMarkers(english), got = LineBreakMarkers(text);
        return want == got ? QString()
                           : QStringLiteral("%1 markers, English %2").arg(got).arg(want);
    });
}

TEST_P(Translation, LeavesNoTextEmpty)
{
    ExpectEachText("empty texts", [](const QString& english, const QString& text) {
        return !english.trimmed().isEmpty() && text.trimmed().isEmpty()
                   ? "empty, English \"" + english + "\""
                   : QString();
    });
}

TEST_P(Translation, ControlsOfOneWindowNeverShareAMnemonic)
{
    const QStringList clashes = MnemonicClashes(file);
    EXPECT_TRUE(clashes.isEmpty()) << "mnemonics:\n  " << Join(clashes);
}

TEST_P(Translation, KeepsEveryMnemonicOfTheEnglishControls)
{
    ExpectEachText("no Alt+letter", [](const QString& english, const QString& text) {
        return !Mnemonic(english).isNull() && Mnemonic(text).isNull() ? "\"" + text + "\" has none" : QString();
    });
}

TEST_P(Translation, KeepsLanguageNamesUntranslated)
{
    QStringList changed;
    for (auto it = English().texts.begin(); it != English().texts.end(); ++it)
        if (IsLanguageListItem(it.key()) && file.texts.value(it.key()) != it.value())
            changed << it.key() + ": \"" + file.texts.value(it.key()) + "\", English \"" +
                           it.value() + "\"";
    EXPECT_TRUE(changed.isEmpty()) << "language names differ:\n  " << Join(changed);
}

// Before the first translation lands there is nothing to instantiate.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Translation);
INSTANTIATE_TEST_SUITE_P(LanguageFiles, Translation, ::testing::ValuesIn(LanguageCodes()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
