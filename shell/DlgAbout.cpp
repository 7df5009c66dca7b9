#include "shell/DlgAbout.h"

#include "foundation/storage/FormatText.h"
#include "platform/OpenUrl.h"

#ifndef VW_VERSION
#define VW_VERSION "0.0.0"
#endif
#ifndef VW_BUILD_DATE
#define VW_BUILD_DATE "unknown"
#endif

const QString CDlgAbout::s_strVersion = QStringLiteral(VW_VERSION);
const QString CDlgAbout::s_strBuildDate = QStringLiteral(VW_BUILD_DATE);

const DialogTemplate CDlgAbout::s_template = {
    IDD, "About Vaultwick", {0, 0, 230, 80},
    {
        {IDC_THANKS, Control::Static, "Thanks for using 'Vaultwick', its help page comes with it: ",
         {7, 7, 216, 20}},
        {IDC_LINK, Control::Link, "Vaultwick-help.html", {7, 28, 216, 12}},
        {IDC_VERSION, Control::Static, "", {7, 44, 216, 12}},
        {IDOK, Control::Button, "OK", {173, 60, 50, 14}, Style::DefaultButton},
    }};

CDlgAbout::CDlgAbout(CDialogEx* parent) : CBaseDlg(s_template, parent) {}

void CDlgAbout::InitResizeAndMultiLangParam_Individual()
{
    // The link shows the page's file name and the version line is filled
    // here: nothing else to translate.
    RegisterItems({IDD, IDC_THANKS, IDOK}, {m_eWndType, WND_TYPE_TEXT, WND_TYPE_TEXT});
}

BOOL CDlgAbout::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    UpdateLanguageStrToUI_Ex();
    if (!m_strHelpPage.isEmpty())
        SetDlgItemText(IDC_LINK, m_strHelpPage.mid(m_strHelpPage.lastIndexOf(QLatin1Char('/')) + 1));
    m_pFocusWnd = GetDlgItem(IDOK);
    return TRUE;
}

void CDlgAbout::UpdateLanguageStrToUI_Ex()
{
    const QString format = GetOtherStrOr(IDD, 1520001, QStringLiteral("Version %s, built on %s"));
    // Isolated, the version and the date keep their order inside a text that reads from the right.
    const auto isolated = [](const QString& text) { return QChar(0x2068) + text + QChar(0x2069); };
    SetDlgItemText(IDC_VERSION, FormatText(format, {isolated(s_strVersion), isolated(s_strBuildDate)}));
}

BOOL CDlgAbout::OnCommand(int id, UINT code)
{
    if (id == IDC_LINK && code == BN_CLICKED) {
        if (!m_strHelpPage.isEmpty())
            platform::OpenLocalDocument(m_strHelpPage);
        return TRUE;
    }
    return CBaseDlg::OnCommand(id, code);
}
