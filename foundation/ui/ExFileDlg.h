#pragma once

// A file open/save chooser with the arguments of the Windows file dialog.
#include <QString>

#include "platform/Wnd.h"

class TESSELCORE_API CExFileDlg {
public:
    // `filter` in the Windows form "Db (*.db)|*.db|All (*.*)|*.*||".
    CExFileDlg(BOOL openDialog, const QString& defaultExtension = QString(),
               const QString& fileName = QString(), DWORD flags = 0, const QString& filter = QString(),
               CWnd* parent = nullptr);

    int DoModal();  // IDOK with a chosen path, else IDCANCEL
    QString GetPathName() const { return m_strPathName; }
    QString GetFileName() const;
    QString GetFolderPath() const;
    void SetTitle(const QString& title) { m_strTitle = title; }

private:
    BOOL m_bOpen;
    QString m_strDefExt;
    QString m_strFileName;
    DWORD m_dwFlags;
    QString m_strFilter;
    CWnd m_parent;
    QString m_strTitle;
    QString m_strPathName;
};
