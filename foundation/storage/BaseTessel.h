#pragma once

#include <QtGlobal>

#include "foundation/TesselcoreApi.h"

struct ST_TIME {
    quint16 wHour = 0;
    quint16 wMinute = 0;
    quint16 wSecond = 0;
};

// Common base of the library's classes.
class TESSELCORE_API CBaseTessel {
public:
    virtual ~CBaseTessel();

    // Current local time; a field that cannot be read is 65535. Always 1.
    static int GetCurTime(ST_TIME& time);
};
