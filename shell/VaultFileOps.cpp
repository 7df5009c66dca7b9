#include "shell/VaultwickDlg.h"

void CVaultwickDlg::OnExport() {}
void CVaultwickDlg::OnImport() {}
void CVaultwickDlg::OnCheckAutoBackup() {}
void CVaultwickDlg::OnDataFolderChanged() {}
