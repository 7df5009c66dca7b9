#pragma once

// The language file of the current user-interface language, and its look-ups.
#include "foundation/ui/BaseXml.h"
#include "foundation/ui/LangTypes.h"

class TESSELCORE_API CXmlLanguage : public CBaseXml {
public:
    static CXmlLanguage* Instance();
    ~CXmlLanguage() override;

    // Loads g_strExePath + the current file; the argument is not used.
    int LoadSettings(void* unused = nullptr);
    // As CBaseXml's, and a file with a text whose placeholder asks for a
    // width beyond FormatText's bound is refused whole: every look-up then
    // answers 0 and callers show the built-in English. A refused file is not
    // read again until it changes.
    int LoadFromXmlFile(const QString& pathFile) override;
    // Writes the texts of one window (an ST_LANGUAGE*) and saves the file.
    int SaveSettings(void* pLang);

    int GetLangStr_Items(int wndId, ST_LANGUAGE* pLang);
    // Texts hold Windows line breaks: the four characters \r\n become CR LF.
    int GetOtherStr_ByStrId(int wndId, int strId, QString& out);
    int GetPageTitle(int pageId, QString& out);
    int GetLangStr_ByName(int parentId, const QString& name, QString& out);
    int GetLangStr_ByItemId(int wndId, int itemId, QString& out);

    int DeparseToNode(ST_LANGUAGE* pLang);
    int ParseItemsFromNodeWnd_Check(const pugi::xml_node& wnd, ST_LANGUAGE* pLang);
    int ParseItemsFromNodeWnd_NoCheck(const pugi::xml_node& wnd, ST_LANGUAGE* pLang);
    int ParseFromNode_ListOrComboParam(const pugi::xml_node& item, QStringList& texts);

protected:
    CXmlLanguage();

    const QString m_strLanguageString = QStringLiteral("LanguageString");
    const QString m_strWindow = QStringLiteral("Window");
    const QString m_strTip = QStringLiteral("Tip");
    const QString m_strItemCtrl = QStringLiteral("ItemCtrl");
    const QString m_strType = QStringLiteral("Type");
    const QString m_strColumn = QStringLiteral("Column");
    const QString m_strComboItem = QStringLiteral("ComboItem");
    const QString m_strSubItem = QStringLiteral("SubItem");
    const QString m_strOtherString = QStringLiteral("OtherString");
    const QString m_strName = QStringLiteral("name");
    const QString m_strId = QStringLiteral("id");
    const QString m_strID = QStringLiteral("ID");

private:
    static CXmlLanguage* _instance;
    QString m_strRefused; // path, size and time of the last refused file
};

// The language singleton; the main program sets it at start-up and deletes it at the end.
extern TESSELCORE_API CXmlLanguage* g_pXmlLang;
