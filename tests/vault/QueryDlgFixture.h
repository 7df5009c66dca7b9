#pragma once

// The query window on a real vault, offscreen, with a stand-in main window
// as its parent that records the timer requests it is sent.
#include <QClipboard>
#include <QGuiApplication>
#include <QList>
#include <QPair>

#include "StoreFixture.h"
#include "foundation/ui/BaseResizeAndMultiLang.h"
#include "foundation/ui/ExListCtrl.h"
#include "foundation/ui/XmlLanguage.h"
#include "support/DialogDriver.h"
#include "vault/DlgEditEntry.h"
#include "vault/DlgPasswdQuery.h"

class MainWndStandIn : public CDialogEx {
public:
    MainWndStandIn() : CDialogEx(s_template) {}
    QList<QPair<WPARAM, LPARAM>> m_timerRequests;

protected:
    LRESULT OnPrivateMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_SETTIMER_REQUEST)
            m_timerRequests << qMakePair(wParam, lParam);
        return 1;
    }

private:
    static inline const DialogTemplate s_template = {15000, "Vaultwick", {0, 0, 120, 40}, {}};
};

class QueryDlgTest : public StoreTest {
protected:
    static constexpr const char* kMaster = "Master#1";

    void SetUp() override
    {
        StoreTest::SetUp();
        m_savedExePath = g_strExePath;
        g_strExePath = path();  // no language file: the built-in English texts
        delete g_pXmlLang;
        g_pXmlLang = CXmlLanguage::Instance();
        CBaseResizeAndMultiLang::s_eLanguage = LANG_ENU;
        g_bNeedPasswd = 0;
        ASSERT_EQ(exec("DELETE FROM TnPwEntry"), 0);
        add("GitHub", "alice", "gh-secret", "github.com", "alice@example.org", "work account");
        add("Bank", "alice", "bank-secret", "https://bank.example", "alice@example.org", "savings");
        add("Mail", "bob", "mail-secret", "", "bob@example.org", "");
        add("Local", "carol", "local-secret", "file:///etc/passwd", "", "");
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        ASSERT_TRUE(d.Open(m_main));
    }

    void TearDown() override
    {
        d.Close(m_main);
        g_pPwSettings->SetAuthorition(0);
        g_bNeedPasswd = 0;
        delete g_pXmlLang;
        g_strExePath = m_savedExePath;
        StoreTest::TearDown();
    }

    void add(const QString& title, const QString& user, const QString& passwd, const QString& url = {},
             const QString& email = {}, const QString& notes = {})
    {
        ST_PW_ENTRY e{"Common", title, user, passwd, url, email, notes};
        ASSERT_EQ(store().InsertEntry(&e, 0), 0);
    }

    // A master password and a stored input frequency, as the settings page leaves them.
    void protect(EnumPwInputFreq freq)
    {
        setMasterPassword(kMaster);
        g_bNeedPasswd = 1;
        setSetting("InputFreq", freq);
    }

    void setSetting(const QString& column, int value)
    {
        ASSERT_EQ(exec(QString("UPDATE TnPwSettings SET %1=%2 WHERE PasswdSettigsId=0").arg(column).arg(value)), 0);
    }

    int setting(const QString& column)
    {
        const int previous = store().GetQueryAuthorization();
        store().SetAuthorition(1);
        int value = -1;
        store().GetPasswdSetting(value, column);
        store().SetAuthorition(previous);
        return value;
    }

    // The next confirmation is answered with the master password (or cancelled).
    void answerConfirm(bool ok = true)
    {
        if (!ok) {
            d.AnswerNextDialog(IDCANCEL);
            return;
        }
        d.AnswerNextDialog([this](CDialogEx& c) {
            d.Type(c, 13502, kMaster);
            d.Click(c, IDOK);
        });
    }

    int confirmations() const { return int(d.Log().filter("dialog 13500").size()); }

    CExListCtrl list(CDlgPasswdQuery& dlg) { return CExListCtrl(dlg.GetDlgItem(CDlgPasswdQuery::IDC_LIST)); }

    QStringList column(CDlgPasswdQuery& dlg, int col)
    {
        QStringList cells;
        CExListCtrl l = list(dlg);
        for (int row = 0; row < l.GetItemCount(); ++row)
            cells << l.GetItemText(row, col);
        return cells;
    }

    QString detail(CDlgPasswdQuery& dlg) { return dlg.GetDlgItemText(CDlgPasswdQuery::IDC_DETAIL); }
    bool visible(CDlgPasswdQuery& dlg, int id) { return dlg.GetDlgItem(id).IsWindowVisible(); }
    static QString clipboard() { return QGuiApplication::clipboard()->text(); }

    DialogDriver d;
    MainWndStandIn m_main;
    QString m_savedExePath;
};
