#include "foundation/storage/Language.h"

#include <array>

#include "foundation/storage/GlobalSettings.h"

const int g_iLangNum = 13;

const QString g_strLangFileEnu = QStringLiteral("Lang_enu.xml");
const QString g_strLangFileFra = QStringLiteral("Lang_fra.xml");
const QString g_strLangFileEsn = QStringLiteral("Lang_esn.xml");
const QString g_strLangFileRus = QStringLiteral("Lang_rus.xml");
const QString g_strLangFileDeu = QStringLiteral("Lang_deu.xml");
const QString g_strLangFileAra = QStringLiteral("Lang_ara.xml");
const QString g_strLangFileChs = QStringLiteral("Lang_chs.xml");
const QString g_strLangFileCht = QStringLiteral("Lang_cht.xml");
const QString g_strLangFileJpn = QStringLiteral("Lang_jpn.xml");
const QString g_strLangFileKor = QStringLiteral("Lang_kor.xml");
const QString g_strLangFilePtg = QStringLiteral("Lang_ptg.xml");
const QString g_strLangFileBen = QStringLiteral("Lang_ben.xml");
const QString g_strLangFileHin = QStringLiteral("Lang_hin.xml");

const QString g_strLangEnu = QStringLiteral("English");
const QString g_strLangFra = QStringLiteral("Française");
const QString g_strLangEsn = QStringLiteral("Española");
const QString g_strLangRus = QStringLiteral("усский");
const QString g_strLangDeu = QStringLiteral("Deutsch");
const QString g_strLangAra = QStringLiteral("العربية");
const QString g_strLangChs = QStringLiteral("简体中文");
const QString g_strLangCht = QStringLiteral("繁體中文");
const QString g_strLangJpn = QStringLiteral("日本語");
const QString g_strLangKor = QStringLiteral("한국의");
const QString g_strLangPtg = QStringLiteral("Português");
const QString g_strLangBen = QStringLiteral("বাংলা ভাষা");
const QString g_strLangHin = QStringLiteral("हिंदी");

const QString g_strHelpFileEnu = QStringLiteral("Help_enu.chm");
const QString g_strHelpFileFra = QStringLiteral("Help_far.chm");
const QString g_strHelpFileEsn = QStringLiteral("Help_esn.chm");
const QString g_strHelpFileRus = QStringLiteral("Help_rus.chm");
const QString g_strHelpFileDeu = QStringLiteral("Help_deu.chm");
const QString g_strHelpFileAra = QStringLiteral("Help_ara.chm");
const QString g_strHelpFileChs = QStringLiteral("Help_chs.chm");
const QString g_strHelpFileCht = QStringLiteral("Help_cht.chm");
const QString g_strHelpFileJpn = QStringLiteral("Help_jpn.chm");
const QString g_strHelpFileKor = QStringLiteral("Help_kor.chm");
const QString g_strHelpFilePtg = QStringLiteral("Help_ptg.chm");
const QString g_strHelpFileBen = QStringLiteral("Help_ben.chm");
const QString g_strHelpFileHin = QStringLiteral("Help_hin.chm");

namespace {

struct LangRow {
    const QString* file;
    const QString* name;
    const QString* help;
    const char* code;
};

// Indexed by ENUM_LANGUAGE. Korean has no help file of its own.
const std::array<LangRow, 13>& langTable()
{
    static const std::array<LangRow, 13> rows = {{
        {&g_strLangFileEnu, &g_strLangEnu, &g_strHelpFileEnu, "enu"},
        {&g_strLangFileFra, &g_strLangFra, &g_strHelpFileFra, "fra"},
        {&g_strLangFileEsn, &g_strLangEsn, &g_strHelpFileEsn, "esn"},
        {&g_strLangFileRus, &g_strLangRus, &g_strHelpFileRus, "rus"},
        {&g_strLangFileDeu, &g_strLangDeu, &g_strHelpFileDeu, "deu"},
        {&g_strLangFileAra, &g_strLangAra, &g_strHelpFileAra, "ara"},
        {&g_strLangFileChs, &g_strLangChs, &g_strHelpFileChs, "chs"},
        {&g_strLangFileCht, &g_strLangCht, &g_strHelpFileCht, "cht"},
        {&g_strLangFileJpn, &g_strLangJpn, &g_strHelpFileJpn, "jpn"},
        {&g_strLangFileKor, &g_strLangKor, &g_strHelpFileEnu, "kor"},
        {&g_strLangFilePtg, &g_strLangPtg, &g_strHelpFilePtg, "ptg"},
        {&g_strLangFileBen, &g_strLangBen, &g_strHelpFileBen, "ben"},
        {&g_strLangFileHin, &g_strLangHin, &g_strHelpFileHin, "hin"},
    }};
    return rows;
}

const LangRow& rowOf(int lang)
{
    return langTable()[lang >= LANG_ENU && lang <= LANG_HIN ? lang : LANG_ENU];
}

} // namespace

QString GetLangFile(int lang) { return *rowOf(lang).file; }

QString GetLangStr(int lang) { return *rowOf(lang).name; }

QString GetLangCode(int lang) { return QString::fromLatin1(rowOf(lang).code); }

QString GetHelpFileByLang(int lang) { return g_strExeName + *rowOf(lang).help; }

ENUM_LANGUAGE GetLangByStr(const QString& name)
{
    for (int i = 0; i < g_iLangNum; ++i)
        if (*langTable()[i].name == name)
            return static_cast<ENUM_LANGUAGE>(i);
    return LANG_NONE;
}
