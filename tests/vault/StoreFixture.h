#pragma once

#include <memory>
#include <optional>

#include <QFile>
#include <gtest/gtest.h>

#include "foundation/storage/Globals.h"
#include "platform/WinTypes.h"
#include "support/TempDir.h"
#include "vault/LoginSeam.h"
#include "vault/PasswdSetting.h"

// Answers the login prompt from a script: Cancel, or a password that the
// prompt checks against the database as the real dialog does.
class ScriptedLogin {
public:
    explicit ScriptedLogin(std::optional<QString> password)
    {
        m_previous = SetLoginPrompt([this, password](CDbSqlite3* db, int backupFlag, QString& out) {
            ++m_calls;
            m_lastBackupFlag = backupFlag;
            if (!password || !db->ConfirmPasswd(*password, 0))
                return int(IDCANCEL);
            out = *password;
            return int(IDOK);
        });
    }
    ~ScriptedLogin() { SetLoginPrompt(m_previous); }
    ScriptedLogin(const ScriptedLogin&) = delete;
    ScriptedLogin& operator=(const ScriptedLogin&) = delete;

    int calls() const { return m_calls; }
    int lastBackupFlag() const { return m_lastBackupFlag; }

private:
    LoginPrompt m_previous;
    int m_calls = 0;
    int m_lastBackupFlag = -1;
};

// A fresh vault in a temporary data folder, open and logged in, with the
// program's globals pointing at it.
class StoreTest : public TempDirTest {
protected:
    void SetUp() override
    {
        g_strSavedDataPath = path();
        m_vaultPath = path() + g_strDbFile;
        g_pSqlite = new CDbSqlite3(m_vaultPath);
        g_pPwSettings = new CPasswdSetting;
        ASSERT_TRUE(g_pPwSettings->CreateDbPasswd());
        ASSERT_EQ(g_pSqlite->InitDB(), 0);
        ASSERT_TRUE(g_pSqlite->ConfirmPasswd(QString(), 0));
    }

    void TearDown() override
    {
        delete g_pPwSettings;
        g_pPwSettings = nullptr;
        delete g_pSqlite;
        g_pSqlite = nullptr;
        g_strSavedDataPath.clear();
    }

    CPasswdSetting& store() { return *g_pPwSettings; }

    // Gives the vault a master password and leaves it logged in with it.
    void setMasterPassword(const QString& password)
    {
        ASSERT_TRUE(g_pSqlite->ConfirmAndChangePasswd(QString(), password, 0));
        ASSERT_TRUE(g_pSqlite->ConfirmPasswd(password, 0));
    }

    int exec(const QString& sql, SqlResultMap* rows = nullptr)
    {
        QString err;
        return g_pSqlite->ExecSQL_W(sql, rows, err);
    }

    int entryCount(CDbSqlite3* db = nullptr)
    {
        SqlResultMap rows;
        QString err;
        EXPECT_EQ((db ? db : g_pSqlite)->ExecSQL_W("SELECT count(*) AS n FROM TnPwEntry", &rows, err), 0) << err.toStdString();
        return rows[0]["n"].toInt();
    }

    static ST_PW_ENTRY entry(const QString& title, const QString& user, const QString& passwd = "pw")
    {
        return {"Common", title, user, passwd, "www.example.org", "me@example.org", "notes"};
    }

    // A second vault file laid out like the program's, holding `entries`.
    std::unique_ptr<CDbSqlite3> makeOtherVault(const QString& name, const PwEntryArray& entries,
                                               const QString& password = QString())
    {
        CDbSqlite3* const mine = g_pSqlite;
        auto other = std::make_unique<CDbSqlite3>(path() + name);
        g_pSqlite = other.get();
        {
            CPasswdSetting layout;
            EXPECT_TRUE(layout.CreateDbPasswd());
            EXPECT_EQ(other->InitDB(), 0);
            EXPECT_TRUE(other->ConfirmPasswd(QString(), 0));
            QString err;
            EXPECT_EQ(other->ExecSQL_W("DELETE FROM TnPwEntry", nullptr, err), 0);
            for (ST_PW_ENTRY e : entries)
                EXPECT_EQ(layout.InsertEntry(&e, 0), 0);
            if (!password.isEmpty()) {
                EXPECT_TRUE(other->ConfirmAndChangePasswd(QString(), password, 0));
            }
        }
        g_pSqlite = mine;
        return other;
    }

    QString m_vaultPath;
};
