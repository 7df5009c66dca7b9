#pragma once

// The records through which a window's texts travel between the window base
// and the language file.
#include <QList>
#include <QString>
#include <QStringList>

#include "foundation/TesselcoreApi.h"

// What kind of window a registered id is, and how its text is handled.
enum ENUM_WND_TYPE : int {
    WND_TYPE_DIALOG = -3,  // caption from the "Window" element
    WND_TYPE_PAGE = -2,    // property page: caption and title
    WND_TYPE_TEXT = 0,     // static text, button, check box, group box: text replaced
    WND_TYPE_EDIT = 1,     // the user's data: never replaced
    WND_TYPE_LIST = 2,     // list control: column captions replaced
    WND_TYPE_COMBO = 3,    // combo box: item texts replaced
};

struct TESSELCORE_API ST_LISTCTRL_PARAM {
    int iId = 0;
    QString strText;
    QList<int> arrColumnWidth;
    QStringList arrColumnName;

    ST_LISTCTRL_PARAM() = default;
    ST_LISTCTRL_PARAM(const ST_LISTCTRL_PARAM& other);
    // Throws std::invalid_argument("ST_LISTCTRL_PARAM assign excepthion!")
    // when the two arrays of `other` differ in length.
    ST_LISTCTRL_PARAM& operator=(const ST_LISTCTRL_PARAM& other);
};

struct ST_COMBO_PARAM {
    int iId = 0;
    QString strText;
    QStringList arrItem;
};

using ListParamArray = QList<ST_LISTCTRL_PARAM>;
using ComboParamArray = QList<ST_COMBO_PARAM>;

// Pointers into a window's arrays; not owned.
struct ST_LANGUAGE {
    QList<int>* pArrItemId = nullptr;
    QList<ENUM_WND_TYPE>* pArrWndType = nullptr;
    QStringList* pArrText = nullptr;
    ListParamArray* pArrListParam = nullptr;
    ComboParamArray* pArrComboParam = nullptr;
};
