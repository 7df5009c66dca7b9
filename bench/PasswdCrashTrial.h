#pragma once

// A process that sets, changes or removes a vault's master password is
// killed (SIGKILL) at a random moment; afterwards exactly one password must
// open the vault with its key and its stored hash agreeing, and every entry
// must be there. Shared by the crash test (a few trials) and
// bench_passwd_crash (a hundred).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include <QFile>
#include <QString>

#include "foundation/storage/DbSqlite3.h"
#include "foundation/storage/Globals.h"
#include "platform/MessageBox.h"
#include "vault/PasswdSetting.h"

namespace passwdcrash {

// Set, change, remove: each trial moves one step on from the password the
// vault has now.
inline const QString kPasswords[3] = {QString(), QStringLiteral("first pw"), QStringLiteral("second pw")};

inline int CountEntries(CDbSqlite3& db)
{
    SqlResultMap rows;
    QString err;
    if (db.ExecSQL_W(QStringLiteral("SELECT count(*) AS n FROM TnPwEntry"), &rows, err) != 0 || rows.empty())
        return -1;
    return rows[0][QStringLiteral("n")].toInt();
}

// A vault as the program lays it out, with `entries` entries, in `folder`
// (ending in '/'); its password is the empty one.
inline bool MakeVault(const QString& folder, int entries)
{
    g_strSavedDataPath = folder;
    g_pSqlite = new CDbSqlite3(folder + g_strDbFile);
    g_pPwSettings = new CPasswdSetting;
    bool ok = g_pPwSettings->CreateDbPasswd() && g_pSqlite->InitDB() == 0 && g_pSqlite->ConfirmPasswd(QString(), 0);
    if (ok) {
        QString err;
        g_pSqlite->ExecSQL_W(QStringLiteral("DELETE FROM TnPwEntry"), nullptr, err);  // the examples
        PwEntryArray list;
        for (int i = 0; i < entries; ++i)
            list.append({QString(), QStringLiteral("Title %1").arg(i), QStringLiteral("user%1").arg(i),
                         QStringLiteral("secret-%1").arg(i), QStringLiteral("https://example.org/%1").arg(i),
                         QStringLiteral("u%1@example.org").arg(i), QStringLiteral("notes %1").arg(i)});
        int stored = 0, failed = 0, third = 0;
        g_pPwSettings->InsertEntryArray(stored, failed, third, list, 0);
        ok = failed == 0;
    }
    delete g_pPwSettings;
    g_pPwSettings = nullptr;
    delete g_pSqlite;
    g_pSqlite = nullptr;
    return ok;
}

// Index into kPasswords of the one password that opens the vault with key
// and hash agreeing and finds all its entries; -1 when none or more than one
// does (a lock-out or worse).
inline int OpeningPassword(const QString& path, int entries)
{
    int found = -1;
    for (int i = 0; i < 3; ++i) {
        CDbSqlite3 db(path);
        if (db.InitDB() != 0)
            return -1;
        if (db.ConfirmPasswd(kPasswords[i], 0) != 1)
            continue;
        if (found >= 0 || CountEntries(db) != entries)
            return -1;
        found = i;
    }
    return found;
}

// The change from kPasswords[from] to the next one, in a child process.
inline pid_t StartWriter(const QString& path, int from)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    platform::SetMessageBoxHandler([](const QString&, const QString&, unsigned) { return int(IDOK); });
    CDbSqlite3 db(path);
    const int ok = db.InitDB() == 0 && db.ConfirmAndChangePasswd(kPasswords[from], kPasswords[(from + 1) % 3], 0);
    _exit(ok ? 0 : 1);
}

struct Result {
    int trials = 0;
    int consistent = 0;
    double changeMs = 0;  // one change, not interrupted
};

// `trials` kills at random moments within the time one change takes.
inline Result Run(const QString& folder, int entries, int trials, unsigned seed)
{
    Result result;
    const QString path = folder + g_strDbFile;
    if (!MakeVault(folder, entries))
        return result;
    int current = 0;
    // One change run to its end tells how long the window to hit is.
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    waitpid(StartWriter(path, current), &status, 0);
    result.changeMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || OpeningPassword(path, entries) != 1)
        return result;
    current = 1;
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> moment(0, long(result.changeMs * 1000));
    for (int t = 0; t < trials; ++t) {
        ++result.trials;
        const pid_t writer = StartWriter(path, current);
        // The kill lands at a random point of the change: that is the test.
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        kill(writer, SIGKILL);
        waitpid(writer, &status, 0);
        const int now = OpeningPassword(path, entries);
        if (now >= 0 && (now == current || now == (current + 1) % 3)) {
            ++result.consistent;
            current = now;
            continue;
        }
        // Locked out: the next trial starts from a new vault.
        QFile::remove(path);
        if (!MakeVault(folder, entries))
            return result;
        current = 0;
    }
    return result;
}

} // namespace passwdcrash
