#include "foundation/storage/BaseTessel.h"

#include <QTime>

CBaseTessel::~CBaseTessel() = default;

int CBaseTessel::GetCurTime(ST_TIME& time)
{
    const QTime now = QTime::currentTime();
    const auto field = [&](int value) { return now.isValid() ? static_cast<quint16>(value) : quint16(65535); };
    time.wHour = field(now.hour());
    time.wMinute = field(now.minute());
    time.wSecond = field(now.second());
    return 1;
}
