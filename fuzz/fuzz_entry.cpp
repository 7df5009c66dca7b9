// An entry whose six fields hold any text, valid UTF-16 or not, goes through
// the store's own statements: it is stored as its valid form, read back
// exactly, found and deleted, and no other entry is touched.
#include <QTemporaryDir>

#include "FuzzSupport.h"
#include "foundation/storage/Globals.h"
#include "platform/MessageBox.h"
#include "vault/PasswdSetting.h"

namespace {

int EntryCount()
{
    SqlResultMap rows;
    QString err;
    FUZZ_CHECK(g_pSqlite->ExecSQL_W(QStringLiteral("SELECT count(*) FROM TnPwEntry"), &rows, err) == 0);
    return rows.begin()->second.begin()->second.toInt();
}

void OpenVault()
{
    static QTemporaryDir dir;
    platform::SetMessageBoxHandler([](const QString& text, const QString&, unsigned) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        std::abort();
        return 0;
    });
    g_strSavedDataPath = dir.path() + QLatin1Char('/');
    g_pSqlite = new CDbSqlite3(g_strSavedDataPath + g_strDbFile);
    g_pPwSettings = new CPasswdSetting;
    FUZZ_CHECK(g_pPwSettings->CreateDbPasswd());
    FUZZ_CHECK(g_pSqlite->InitDB() == 0);
    FUZZ_CHECK(g_pSqlite->ConfirmPasswd(QString(), 0));
    QString err;
    FUZZ_CHECK(g_pSqlite->ExecSQL_W(QStringLiteral("DELETE FROM TnPwEntry"), nullptr, err) == 0);
    // Durability is not what is fuzzed: no waiting for the disk.
    FUZZ_CHECK(g_pSqlite->ExecSQL_W(QStringLiteral("PRAGMA synchronous=OFF"), nullptr, err) == 0);
    // One entry that no fuzzed text may reach.
    ST_PW_ENTRY keep{"Common", "\x01keep", "\x01keep", "secret", "", "", ""};
    FUZZ_CHECK(g_pPwSettings->InsertEntry(&keep, 0) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool opened = (OpenVault(), true);
    (void)opened;
    const int before = EntryCount();
    ST_PW_ENTRY in{QStringLiteral("Common"), {}, {}, {}, {}, {}, {}};
    in.strTitle = NextPart(data, size, true);
    in.strUserName = NextPart(data, size, true);
    in.strPasswd = NextPart(data, size, true);
    in.strURL = NextPart(data, size, true);
    in.strEmail = NextPart(data, size, true);
    in.strNotes = NextPart(data, size, true);
    const ST_PW_ENTRY typed = in;
    if (StoredForm(typed.strTitle) == "\x01keep" && StoredForm(typed.strUserName) == "\x01keep")
        return 0;
    FUZZ_CHECK(g_pPwSettings->InsertEntry(&in, 0) == 0);
    FUZZ_CHECK(EntryCount() == before + 1);

    ST_PW_ENTRY out{{}, typed.strTitle, typed.strUserName, {}, {}, {}, {}};
    FUZZ_CHECK(g_pPwSettings->SelectEntry(&out) == 1);
    FUZZ_CHECK(out.strPasswd == StoredForm(typed.strPasswd) && out.strURL == StoredForm(typed.strURL) &&
               out.strEmail == StoredForm(typed.strEmail) && out.strNotes == StoredForm(typed.strNotes));
    QString passwd;
    FUZZ_CHECK(g_pPwSettings->SelectPasswd(passwd, typed.strTitle, typed.strUserName) && passwd == out.strPasswd);
    PwEntryArray all;
    FUZZ_CHECK(g_pPwSettings->SelectAllEntry(&all));
    bool seen = false;
    for (const ST_PW_ENTRY& e : all)
        seen = seen || (e.strTitle == StoredForm(typed.strTitle) && e.strUserName == StoredForm(typed.strUserName));
    FUZZ_CHECK(seen);

    FUZZ_CHECK(g_pPwSettings->DeleteEntry(typed.strTitle, typed.strUserName));
    FUZZ_CHECK(EntryCount() == before);
    ST_PW_ENTRY keep{{}, "\x01keep", "\x01keep", {}, {}, {}, {}};
    FUZZ_CHECK(g_pPwSettings->SelectEntry(&keep) == 1 && keep.strPasswd == "secret");
    return 0;
}
