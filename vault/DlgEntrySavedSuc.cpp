#include "vault/DlgEntrySavedSuc.h"

#include "vault/DlgHelpers.h"

using vaultdlg::LangText;

const DialogTemplate CDlgEntrySavedSuc::s_template = {
    IDD, "Entry Added Successfully!", {0, 0, 220, 58},
    {
        // Three lines, also in scripts with tall lines (Arabic).
        {IDC_TEXT, Control::Static, "", {10, 8, 200, 44}},
    }};

CDlgEntrySavedSuc::CDlgEntrySavedSuc(int editMode, const QString& title, const QString& userName, int displayMs,
                                     CDialogEx* parent)
    : CBaseDlg(s_template, parent), m_bEditMode(editMode), m_strTitle(title), m_strUserName(userName),
      m_iDisplayMs(displayMs)
{
}

void CDlgEntrySavedSuc::InitResizeAndMultiLangParam_Individual()
{
    RegisterItems({IDD, IDC_TEXT}, {m_eWndType, WND_TYPE_EDIT});
}

BOOL CDlgEntrySavedSuc::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    const QString verb = m_bEditMode ? LangText(IDD, 1370003, QStringLiteral("Update"))
                                     : LangText(IDD, 1370002, QStringLiteral("Add"));
    const QString fmt =
        LangText(IDD, 1370001, QStringLiteral("Entry %s Successfully!!\r\nTitle: %s\r\nUserName: %s"));
    SetDlgItemText(IDC_TEXT, FormatText(fmt, {verb, m_strTitle, m_strUserName}).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    SetTimer(TIMER_CLOSE, UINT(m_iDisplayMs), true);
    return TRUE;
}

void CDlgEntrySavedSuc::OnTimer(UINT id)
{
    if (id != TIMER_CLOSE) {
        CBaseDlg::OnTimer(id);
        return;
    }
    KillTimer(id);
    EndDialog(IDOK);
}
