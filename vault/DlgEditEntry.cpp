#include "vault/DlgEditEntry.h"

const DialogTemplate CDlgEditEntry::s_template = {IDD, "Entry", {0, 0, 300, 200}, {}};

CDlgEditEntry::CDlgEditEntry(CDialogEx* parent) : CBaseDlg(s_template, parent) {}
void CDlgEditEntry::SetEntry(StEntry* entry)
{
    if (entry) {
        m_loaded = *entry;
        m_bEditMode = 1;
    }
}
void CDlgEditEntry::EmptyCtrls() {}
int CDlgEditEntry::CalcPasswdStrength(const QString&) { return 0; }
void CDlgEditEntry::SetPasswdStrength(int strength) { m_iStrength = strength; }
void CDlgEditEntry::InitResizeAndMultiLangParam_Individual() {}
BOOL CDlgEditEntry::OnInitDialog() { return CBaseDlg::OnInitDialog(); }
void CDlgEditEntry::OnOK() { CBaseDlg::OnOK(); }
BOOL CDlgEditEntry::OnCommand(int id, UINT code) { return CBaseDlg::OnCommand(id, code); }
BOOL CDlgEditEntry::PreTranslateMessage(MSG* msg) { return CBaseDlg::PreTranslateMessage(msg); }
void CDlgEditEntry::UpdateLanguageStrToUI_Ex() {}
void CDlgEditEntry::OkAndNext() {}
bool CDlgEditEntry::Save(bool) { return false; }
void CDlgEditEntry::ReadFields() {}
bool CDlgEditEntry::CheckInput() { return false; }
bool CDlgEditEntry::InsertEntry() { return false; }
bool CDlgEditEntry::UpdateEntry() { return false; }
bool CDlgEditEntry::EntryChanged() const { return false; }
void CDlgEditEntry::UpdateYellow() {}
void CDlgEditEntry::ShowSavedNotice(int, int) {}
QString CDlgEditEntry::LabelText(int) const { return {}; }
