// The query window's keyword text: splitting gives what the rule gives, and the
// statement built from any text (valid UTF-16 or not) is one statement that
// never looks at the password.
#include <sqlcipher/sqlite3.h>

#include "FuzzSupport.h"
#include "support/KeywordRule.h"
#include "vault/QueryStatement.h"

namespace {

sqlite3* Vault()
{
    static sqlite3* db = [] {
        sqlite3* d = nullptr;
        sqlite3_open(":memory:", &d);
        sqlite3_exec(d,
                     "CREATE TABLE TnPwEntry(Category TEXT, Title TEXT, UserName TEXT, Password TEXT, URL TEXT,"
                     " Email TEXT, Notes TEXT);"
                     "INSERT INTO TnPwEntry VALUES('Common','','','PASSWORD-ONLY','','','');",
                     nullptr, nullptr, nullptr);
        return d;
    }();
    return db;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = size % 2 ? QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size))
                                   : RawUtf16(data, size);
    const QStringList keywords = SplitQueryKeywords(text);
    if (text.size() <= 2048)
        FUZZ_CHECK(keywords == SplitByTheRule(text));

    const QString sql = BuildQueryStatement(text);
    sqlite3_stmt* stmt = nullptr;
    const void* tail = nullptr;
    FUZZ_CHECK(sqlite3_prepare16_v2(Vault(), sql.utf16(), int(sql.size() * 2), &stmt, &tail) == SQLITE_OK);
    FUZZ_CHECK(stmt != nullptr);
    // Nothing after the one statement.
    const auto* rest = static_cast<const char16_t*>(tail);
    const auto* end = reinterpret_cast<const char16_t*>(sql.utf16()) + sql.size();
    FUZZ_CHECK(rest == end);
    // The only row matches nothing but an empty search: its text is in the password alone.
    int rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        ++rows;
    sqlite3_finalize(stmt);
    FUZZ_CHECK(rows == (keywords == QStringList{QString()} ? 1 : 0));
    return 0;
}
