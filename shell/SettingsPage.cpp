#include "shell/VaultwickDlg.h"

void CVaultwickDlg::InitComboBoxes() {}
void CVaultwickDlg::ShowSavedNotice() {}
void CVaultwickDlg::EnableLoginPasswdCtrls() {}
void CVaultwickDlg::OnCheckNeedLoginPasswd() {}
void CVaultwickDlg::OnChangeLoginPasswd() {}
void CVaultwickDlg::OnRadioInputOnce() {}
void CVaultwickDlg::OnRadioInputOther() {}
void CVaultwickDlg::OnSelChangeInputFreq() {}
void CVaultwickDlg::OnCheckSystemSetting(int) {}
void CVaultwickDlg::OnSelChangeLanguage() {}
void CVaultwickDlg::SetNoticeColors() {}
