#include "vault/DlgPwGenOptions.h"

#include "vault/DlgHelpers.h"

using vaultdlg::ShowLangMessage;

const DialogTemplate CDlgPwGenOptions::s_template = {
    IDD, "Password Generator", {0, 0, 220, 122},
    {
        {IDC_LENGTH_LABEL, Control::Static, "&Length (8 to 128):", {7, 9, 120, 12}},
        {IDC_LENGTH, Control::Edit, "", {130, 7, 40, 14}, Style::Number},
        {IDC_UPPER, Control::CheckBox, "&Upper case letters (A-Z)", {7, 27, 206, 12}},
        {IDC_LOWER, Control::CheckBox, "Lo&wer case letters (a-z)", {7, 41, 206, 12}},
        {IDC_DIGITS, Control::CheckBox, "&Digits (0-9)", {7, 55, 206, 12}},
        {IDC_SYMBOLS, Control::CheckBox, "&Symbols (!#$%...)", {7, 69, 206, 12}},
        {IDC_AVOID_LOOKALIKE, Control::CheckBox, "A&void look-alike characters (0 O o 1 l I |)", {7, 83, 206, 12}},
        {IDOK, Control::Button, "OK", {108, 102, 50, 14}, Style::DefaultButton},
        {IDCANCEL, Control::Button, "Cancel", {163, 102, 50, 14}},
    }};

CDlgPwGenOptions::CDlgPwGenOptions(const StPwGenOptions& options, CDialogEx* parent)
    : CBaseDlg(s_template, parent), m_options(options)
{
}

void CDlgPwGenOptions::InitResizeAndMultiLangParam_Individual()
{
    RegisterItems({IDD, IDC_LENGTH_LABEL, IDC_LENGTH, IDC_UPPER, IDC_LOWER, IDC_DIGITS, IDC_SYMBOLS,
                   IDC_AVOID_LOOKALIKE, IDOK, IDCANCEL},
                  {m_eWndType, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT,
                   WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT});
}

BOOL CDlgPwGenOptions::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    SetDlgItemText(IDC_LENGTH, QString::number(m_options.iLength));
    CheckDlgButton(IDC_UPPER, m_options.bUpper);
    CheckDlgButton(IDC_LOWER, m_options.bLower);
    CheckDlgButton(IDC_DIGITS, m_options.bDigits);
    CheckDlgButton(IDC_SYMBOLS, m_options.bSymbols);
    CheckDlgButton(IDC_AVOID_LOOKALIKE, m_options.bAvoidLookAlike);
    m_pFocusWnd = GetDlgItem(IDC_LENGTH);
    return TRUE;
}

void CDlgPwGenOptions::OnOK()
{
    bool number = false;
    const int length = GetDlgItemText(IDC_LENGTH).trimmed().toInt(&number);
    if (!number || length < StPwGenOptions::s_iMinLength || length > StPwGenOptions::s_iMaxLength) {
        ShowLangMessage(IDD, 1380001, QStringLiteral("The length must be a number from %d to %d!"),
                        {StPwGenOptions::s_iMinLength, StPwGenOptions::s_iMaxLength});
        GetDlgItem(IDC_LENGTH).SetFocus();
        return;
    }
    StPwGenOptions chosen;
    chosen.iLength = length;
    chosen.bUpper = IsDlgButtonChecked(IDC_UPPER) == BST_CHECKED;
    chosen.bLower = IsDlgButtonChecked(IDC_LOWER) == BST_CHECKED;
    chosen.bDigits = IsDlgButtonChecked(IDC_DIGITS) == BST_CHECKED;
    chosen.bSymbols = IsDlgButtonChecked(IDC_SYMBOLS) == BST_CHECKED;
    chosen.bAvoidLookAlike = IsDlgButtonChecked(IDC_AVOID_LOOKALIKE) == BST_CHECKED;
    if (!chosen.bUpper && !chosen.bLower && !chosen.bDigits && !chosen.bSymbols) {
        ShowLangMessage(IDD, 1380002, QStringLiteral("Choose at least one kind of character!"));
        GetDlgItem(IDC_UPPER).SetFocus();
        return;
    }
    m_options = chosen;
    EndDialog(IDOK);
}
