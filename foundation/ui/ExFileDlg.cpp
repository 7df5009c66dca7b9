#include "foundation/ui/ExFileDlg.h"

#include <QFileInfo>

#include "platform/FileChooser.h"

CExFileDlg::CExFileDlg(BOOL openDialog, const QString& defaultExtension, const QString& fileName, DWORD flags,
                       const QString& filter, CWnd* parent)
    : m_bOpen(openDialog), m_strDefExt(defaultExtension), m_strFileName(fileName), m_dwFlags(flags),
      m_strFilter(filter), m_parent(parent ? *parent : CWnd())
{
}

int CExFileDlg::DoModal()
{
    platform::ChooserRequest request;
    request.kind = m_bOpen ? platform::ChooserKind::OpenFile : platform::ChooserKind::SaveFile;
    request.title = m_strTitle;
    request.initial = m_strFileName;
    request.filter = platform::FilterFromWindows(m_strFilter);
    request.defaultExtension = m_strDefExt;
    constexpr DWORD kOverwritePrompt = 0x2;  // OFN_OVERWRITEPROMPT
    request.confirmReplace = (m_dwFlags & kOverwritePrompt) != 0;
    m_strPathName = platform::ChooseFile(request, m_parent);
    return m_strPathName.isEmpty() ? IDCANCEL : IDOK;
}

QString CExFileDlg::GetFileName() const
{
    return QFileInfo(m_strPathName).fileName();
}

QString CExFileDlg::GetFolderPath() const
{
    return m_strPathName.isEmpty() ? QString() : QFileInfo(m_strPathName).path();
}
