#pragma once

// A fresh program folder per test: g_strExePath points at it, the language
// singleton is fresh, English is current and scaling is off, as at start-up.
#include <QFile>

#include "foundation/storage/GlobalSettings.h"
#include "foundation/ui/BaseResizeAndMultiLang.h"
#include "foundation/ui/XmlLanguage.h"
#include "support/TempDir.h"

class UiTest : public TempDirTest {
protected:
    void SetUp() override
    {
        m_savedExePath = g_strExePath;
        g_strExePath = path();
        delete g_pXmlLang;
        g_pXmlLang = CXmlLanguage::Instance();
        CBaseResizeAndMultiLang::s_eLanguage = LANG_ENU;
        CBaseResizeAndMultiLang::s_bSizeSwitchOpened = 0;
        CBaseResizeAndMultiLang::s_iSize = 0;
        CBaseResizeAndMultiLang::s_fMultiple = 1.0f;
    }
    void TearDown() override
    {
        delete g_pXmlLang;
        CBaseXml::SetCommonPath(QString());
        g_strExePath = m_savedExePath;
        CBaseResizeAndMultiLang::s_eLanguage = LANG_ENU;
        CBaseResizeAndMultiLang::s_bSizeSwitchOpened = 0;
    }

    void WriteLangFile(const QString& name, const QByteArray& xml)
    {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(xml);
    }

    QString m_savedExePath;
};
