#include "platform/QtTranslations.h"

#include <memory>

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace platform {
namespace {

struct TranslationName {
    const char* language;
    const char* qt;
};

// Debian 12 ships no qtbase translation for Bengali or Hindi. The language
// file's Portuguese is European, but Qt's base texts exist only in Brazilian
// Portuguese (the European file of the older catalogue lacks most of the file
// chooser): close enough to be read, and whole.
constexpr TranslationName kTranslationNames[] = {
    {"enu", "en"}, {"fra", "fr"},    {"esn", "es"},    {"rus", "ru"}, {"deu", "de"},    {"ara", "ar"},
    {"chs", "zh_CN"}, {"cht", "zh_TW"}, {"jpn", "ja"}, {"kor", "ko"}, {"ptg", "pt_BR"},
};

struct Installed {
    std::unique_ptr<QTranslator> translator;
    QString name;
    bool directionFixed = false;
};

Installed& installed()
{
    static Installed current;
    return current;
}

} // namespace

QString QtTranslationName(const QString& language)
{
    for (const TranslationName& entry : kTranslationNames)
        if (language.compare(QLatin1String(entry.language), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(entry.qt);
    return QString();
}

bool SetQtTextsLanguage(const QString& language)
{
    if (!QCoreApplication::instance())
        return false;
    const QString name = QtTranslationName(language);
    Installed& current = installed();
    if (current.translator && current.name == name)
        return true;
    // Left unset, the application's direction follows the texts installed
    // (Qt's Arabic says "RTL"): new windows would be mirrored before the
    // window base mirrors their controls, and the base would then leave them
    // where they are. Fixed once at what it is, before any texts change it.
    if (!current.directionFixed && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QGuiApplication::setLayoutDirection(QGuiApplication::layoutDirection());
        current.directionFixed = true;
    }

    auto translator = std::make_unique<QTranslator>();
    const bool found = !name.isEmpty() &&
        translator->load(QStringLiteral("qtbase_") + name, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (current.translator) {
        QCoreApplication::removeTranslator(current.translator.get());
        current.translator.reset();
        current.name.clear();
    }
    if (!found)
        return false;
    QCoreApplication::installTranslator(translator.get());
    current.translator = std::move(translator);
    current.name = name;
    return true;
}

} // namespace platform
