#pragma once

// An XML settings file: load, save, typed values by XPath 1.0. The document
// lives in memory; a file that cannot be read leaves an empty root element.
#include <memory>

#include <QString>

#include "foundation/TesselcoreApi.h"
#include "foundation/storage/BaseTessel.h"
#include "platform/WindowTypes.h"

namespace pugi {
class xml_document;
class xml_node;
struct xml_node_struct;
} // namespace pugi

class TESSELCORE_API CBaseXml : public CBaseTessel {
public:
    CBaseXml();
    ~CBaseXml() override;
    CBaseXml(const CBaseXml&) = delete;
    CBaseXml& operator=(const CBaseXml&) = delete;

    int IsLoaded() const { return m_bLoaded; }
    void SetLoadedState(int loaded) { m_bLoaded = loaded; }

    static QString GetCommonPath();
    static void SetCommonPath(const QString& path);

    void SetSubPathAndFile(const QString& file, const QString& subPath);
    void SetFile(const QString& file) { m_strFile = file; }
    void SetSubPath(const QString& subPath) { m_strSubPath = subPath; }
    QString GetFile() const { return m_strFile; }
    QString GetSubPath() const { return m_strSubPath; }
    // Common path + sub path ending in exactly one separator; empty without a common path.
    QString GetPath() const;
    QString GetPathFile() const;
    int GetPathAndFile(QString& pathFile, QString& path) const;

    // 1 when the file was read and has a "Tessel" root; 0 otherwise (an empty
    // "Tessel" root is then in place). Does nothing (1) while loaded. A file
    // over 16 MB or nested deeper than 64 elements is not read.
    virtual int LoadFromXmlFile(const QString& pathFile);
    virtual int SaveToXmlFile(const QString& pathFile);
    virtual void InitStr_FileAndNode(const QString& file, const QString& subPath);
    virtual void FormatAllNodes() {}

    // Value of the single node at `xpath`: its text (bAttr 0) or its
    // attribute `attr`. 1 when found, else 0 with `value` untouched.
    virtual int ParseFromNote_BOOL(int& value, const QString& xpath, int bAttr, const QString& attr);
    virtual int ParseFromNote_Int(int& value, const QString& xpath, int bAttr, const QString& attr);
    virtual int ParseFromNote_DWORD(DWORD& value, const QString& xpath, int bAttr, const QString& attr);
    virtual int ParseFromNote_Str(QString& value, const QString& xpath, int bAttr, const QString& attr);
    // Copies at most `capacity` - 1 characters and a terminating zero.
    virtual int ParseFromNote_PTR(char16_t* value, int capacity, const QString& xpath, int bAttr,
                                  const QString& attr);
    // A new element `name` under `parent` holding the value as its text
    // (bAttr 0) or in an attribute of the same name. 1 on success.
    virtual int DeparseToNote_BOOL(const pugi::xml_node& parent, const QString& name, int value, int bAttr);
    virtual int DeparseToNote_Int(const pugi::xml_node& parent, const QString& name, int value, int bAttr);
    virtual int DeparseToNote_DWORD(const pugi::xml_node& parent, const QString& name, DWORD value, int bAttr);
    virtual int DeparseToNote_Str(const pugi::xml_node& parent, const QString& name, const QString& value,
                                  int bAttr);

    // Creates every missing folder of `path`; 1 on success.
    static int CreateXmlPath(const QString& path, QString& error);

    // The root element ("Tessel") of the document.
    pugi::xml_node GetRoot() const;

protected:
    pugi::xml_node SelectSingleNode(const QString& xpath) const;
    // Drops the document, leaving an empty root element and nothing loaded.
    void ResetToEmptyRoot();

    int m_bLoaded = 0;
    std::unique_ptr<pugi::xml_document> m_pDoc;
    pugi::xml_node_struct* m_pRoot = nullptr;
    QString m_strFile;
    QString m_strSubPath;
    QString m_strRootName;
    QString m_strRootPath;
    QString m_strRootPathSlash;

    static QString s_strCommonPath;
};
