#pragma once

#include <QString>

#include "foundation/TesselcoreApi.h"
#include "foundation/ui/BaseDlg.h"

// The first-run dialog: the user picks the interface language, which is
// stored in the init database at once. It always ends with IDOK; the caller
// reads the choice from the init database.
class TESSELCORE_API CDlgInitSettings : public CBaseDlg {
public:
    explicit CDlgInitSettings(CDialogEx* parent = nullptr);

    static const DialogTemplate s_template;
    enum : int {
        IDD = 9000,
        IDC_LANG_LABEL = 9001,
        IDC_LANG = 9002,
        IDC_FOLDER_LABEL = 9003,
        IDC_FOLDER = 9004,
    };

    // The display names of the languages whose files lie in the program
    // folder, in language order; English alone when there are none.
    static void FillLanguageList(CComboBox& combo);

    QString GetLanguage() const { return m_strLanguage; }
    QString GetFolder() const { return m_strFolder; }

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, UINT code) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnCancel() override;
    void OnClose() override;

private:
    void OnLanguageChanged();
    void OnFolderChanged();

    CComboBox m_comboLang;
    CFolderEdit m_editFolder;
    QString m_strLanguage;
    QString m_strFolder;
    // Set while the dialog itself writes the folder field, so only a folder
    // the user chose is stored.
    bool m_bFillingFolder = false;
};
