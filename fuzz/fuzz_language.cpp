// A language file of any content: loaded, looked up, loaded again (which frees
// the first tree), with no crash; a refused file answers no look-up.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include "FuzzSupport.h"
#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/FormatText.h"
#include "foundation/ui/XmlLanguage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    static CXmlLanguage* lang = [] {
        g_strExePath = dir.path() + QLatin1Char('/');
        return CXmlLanguage::Instance();
    }();
    {
        QFile file(g_strExePath + lang->GetFile());
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    for (int round = 0; round < 2; ++round) {
        lang->SetLoadedState(0);
        const int loaded = lang->LoadSettings();
        QString out;
        const int found = lang->GetOtherStr_ByStrId(13400, 1340003, out) | lang->GetPageTitle(10100, out) |
                          lang->GetLangStr_ByItemId(13400, 1, out) | lang->GetLangStr_ByName(13400, "Column", out);
        if (!loaded)
            FUZZ_CHECK(!found);
        if (found)
            FUZZ_CHECK(FormatTextWithinBounds(out));
    }
    return 0;
}
