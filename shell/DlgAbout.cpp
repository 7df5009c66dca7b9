#include "shell/DlgAbout.h"

#include "platform/OpenUrl.h"

const QString CDlgAbout::s_strMakerUrl = QStringLiteral("https://brindlewood.example.com/");

const DialogTemplate CDlgAbout::s_template = {
    IDD, "About Vaultwick", {0, 0, 230, 66},
    {
        {IDC_THANKS, Control::Static, "Thanks for using 'Vaultwick', welcome to Brindlewood website: ",
         {7, 7, 216, 20}},
        {IDC_LINK, Control::Link, "https://brindlewood.example.com/", {7, 28, 216, 12}},
        {IDCANCEL, Control::Button, "Cancel", {173, 46, 50, 14}, Style::DefaultButton},
    }};

CDlgAbout::CDlgAbout(CDialogEx* parent) : CBaseDlg(s_template, parent) {}

void CDlgAbout::InitResizeAndMultiLangParam_Individual()
{
    // The link shows the address itself: nothing to translate.
    RegisterItems({IDD, IDC_THANKS, IDCANCEL}, {m_eWndType, WND_TYPE_TEXT, WND_TYPE_TEXT});
}

BOOL CDlgAbout::OnCommand(int id, UINT code)
{
    if (id == IDC_LINK && code == BN_CLICKED) {
        platform::OpenWebAddress(s_strMakerUrl);
        return TRUE;
    }
    return CBaseDlg::OnCommand(id, code);
}
