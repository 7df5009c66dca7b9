#pragma once

#include <QString>

#include "foundation/TesselcoreApi.h"

// The user-interface languages; -1 is "none" (GetLangByStr of an unknown name).
enum ENUM_LANGUAGE : int {
    LANG_NONE = -1,
    LANG_ENU = 0,
    LANG_FRA,
    LANG_ESN,
    LANG_RUS,
    LANG_DEU,
    LANG_ARA,
    LANG_CHS,
    LANG_CHT,
    LANG_JPN,
    LANG_KOR,
    LANG_PTG,
    LANG_BEN,
    LANG_HIN,
};

extern TESSELCORE_API const int g_iLangNum;

extern TESSELCORE_API const QString g_strLangFileEnu, g_strLangFileFra, g_strLangFileEsn,
    g_strLangFileRus, g_strLangFileDeu, g_strLangFileAra, g_strLangFileChs, g_strLangFileCht,
    g_strLangFileJpn, g_strLangFileKor, g_strLangFilePtg, g_strLangFileBen, g_strLangFileHin;

extern TESSELCORE_API const QString g_strLangEnu, g_strLangFra, g_strLangEsn, g_strLangRus,
    g_strLangDeu, g_strLangAra, g_strLangChs, g_strLangCht, g_strLangJpn, g_strLangKor,
    g_strLangPtg, g_strLangBen, g_strLangHin;

extern TESSELCORE_API const QString g_strHelpFileEnu, g_strHelpFileFra, g_strHelpFileEsn,
    g_strHelpFileRus, g_strHelpFileDeu, g_strHelpFileAra, g_strHelpFileChs, g_strHelpFileCht,
    g_strHelpFileJpn, g_strHelpFileKor, g_strHelpFilePtg, g_strHelpFileBen, g_strHelpFileHin;

// Values outside LANG_ENU..LANG_HIN are taken as LANG_ENU.
TESSELCORE_API QString GetLangFile(int lang);
TESSELCORE_API QString GetLangStr(int lang);
// The abbreviation the language's files are named by: "enu", "ara".
TESSELCORE_API QString GetLangCode(int lang);
// g_strExeName followed by the language's help file name.
TESSELCORE_API QString GetHelpFileByLang(int lang);
// The first language whose display name equals `name` exactly, else LANG_NONE.
TESSELCORE_API ENUM_LANGUAGE GetLangByStr(const QString& name);
