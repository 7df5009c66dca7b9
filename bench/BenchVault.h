#pragma once

// What the vault benchmarks share: a fresh vault as the program lays it out,
// and the figures they print.
#include <sys/resource.h>

#include <algorithm>
#include <vector>

#include <QTemporaryDir>

#include "foundation/storage/Globals.h"
#include "vault/PasswdSetting.h"

// Creates g_pSqlite and g_pPwSettings on a new vault in `dir`, open with the
// empty password. false when it cannot be made.
inline bool OpenNewVault(const QTemporaryDir& dir)
{
    g_strSavedDataPath = dir.path() + '/';
    g_pSqlite = new CDbSqlite3(g_strSavedDataPath + g_strDbFile);
    g_pPwSettings = new CPasswdSetting;
    return g_pPwSettings->CreateDbPasswd() && g_pSqlite->InitDB() == 0 && g_pSqlite->ConfirmPasswd(QString(), 0);
}

inline void CloseVault()
{
    delete g_pPwSettings;
    g_pPwSettings = nullptr;
    delete g_pSqlite;
    g_pSqlite = nullptr;
}

inline double PeakRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
