#pragma once

#include <QString>

#include "foundation/ui/BaseDlg.h"
#include "vault/PasswordGenerator.h"
#include "vault/VaultcoreApi.h"

// The entry handed to the editor for editing, in this field order.
struct StEntry {
    QString strTitle;
    QString strUserName;
    QString strPasswd;
    QString strURL;
    QString strEmail;
    QString strNotes;

    bool operator==(const StEntry&) const = default;
};

// Adds a vault entry (empty, "Ok and Next" available) or edits one given by
// SetEntry; scores the password's strength while it is typed.
class VAULTCORE_API CDlgEditEntry : public CBaseDlg {
public:
    explicit CDlgEditEntry(CDialogEx* parent = nullptr);

    static const DialogTemplate s_template;
    enum : int {
        IDD = 13100,
        IDC_TITLE_LABEL = 13105, IDC_TITLE = 13106,
        IDC_USER_LABEL = 13107, IDC_USER = 13108,
        IDC_PASSWD_LABEL = 13109, IDC_PASSWD = 13110,
        IDC_REPEAT_LABEL = 13112, IDC_REPEAT = 13113,
        IDC_URL_LABEL = 13115, IDC_URL = 13116,
        IDC_EMAIL_LABEL = 13117, IDC_EMAIL = 13118,
        IDC_NOTES_LABEL = 13119, IDC_NOTES = 13120,
        IDC_STRENGTH = 13122,
        IDC_OK_NEXT = 13123,
        IDC_GENERATE = 13124, IDC_GEN_OPTIONS = 13125, IDC_SHOW_PASSWD = 13126,
    };

    // Switches to edit mode with the entry's fields (before DoModal).
    void SetEntry(StEntry* entry);
    int IsEditMode() const { return m_bEditMode; }

    void EmptyCtrls();
    // Scores the password and keeps the score as the editor's strength.
    int CalcPasswdStrength(const QString& passwd);
    void SetPasswdStrength(int strength);
    int GetPasswdStrength() const { return m_iStrength; }

    // How long the saved notice stays (milliseconds) after OK and Ok and Next.
    static constexpr int s_iNoticeMsOk = 1200;
    static constexpr int s_iNoticeMsNext = 300;

    // Colours of the marks and of the strength bands.
    static constexpr COLORREF s_clrEmpty = RGB(255, 255, 0);
    static constexpr COLORREF s_clrMismatch = RGB(246, 68, 68);
    // The label's text colour for a strength (the top band is white on black).
    static COLORREF StrengthTextColor(int strength);

    // The generator's options, kept for every editor of this run.
    static StPwGenOptions s_genOptions;

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    // Esc, Cancel and the close button: changed fields are not dropped without asking.
    void OnCancel() override;
    void OnDestroy() override;
    BOOL OnCommand(int id, UINT code) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void UpdateLanguageStrToUI_Ex() override;

private:
    // Saves the fields: after OK (the dialog closes) or Ok and Next (it stays).
    void Save(bool next);
    void ReadFields();
    bool CheckInput();
    bool InsertEntry();
    bool UpdateEntry();
    bool EntryChanged() const;
    void UpdateYellow();
    // Fills the password and its repetition with a new generated password.
    void GeneratePasswd();
    void ShowSavedNotice(int editMode, int displayMs);
    void RefuseField(int strId, const QString& english, int labelId, int focusId);

    QString m_strTitle, m_strUserName, m_strPasswd, m_strRepeat, m_strURL, m_strEmail, m_strNotes;
    StEntry m_loaded;
    int m_bEditMode = 0;
    int m_bTitleEmpty = 1, m_bUserEmpty = 1, m_bPasswdEmpty = 1, m_bRepeatEmpty = 1;
    int m_iStrength = 0;
    QString m_strStrength;
};
