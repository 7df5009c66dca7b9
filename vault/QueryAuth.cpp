#include "vault/QueryAuth.h"

#include <algorithm>
#include <utility>

#include <QElapsedTimer>

namespace {

CQueryAuth::Clock& clockOverride()
{
    static CQueryAuth::Clock s_clock;
    return s_clock;
}

} // namespace

qint64 CQueryAuth::Now()
{
    if (const Clock& clock = clockOverride())
        return clock();
    static QElapsedTimer s_timer = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return s_timer.elapsed();
}

CQueryAuth::Clock CQueryAuth::SetClock(Clock clock)
{
    return std::exchange(clockOverride(), std::move(clock));
}

int CQueryAuth::IntervalMs(int freq)
{
    switch (freq) {
    case FREQ_10_SECONDS: return 10000;
    case FREQ_30_SECONDS: return 30000;
    case FREQ_1_MINUTE: return 60000;
    case FREQ_5_MINUTES: return 300000;
    case FREQ_10_MINUTES: return 600000;
    case FREQ_30_MINUTES: return 1800000;
    case FREQ_1_HOUR: return 3600000;
    default: return 0;
    }
}

void CQueryAuth::SetFreq(int freq)
{
    m_eFreq = freq >= FREQ_LOGIN_ONCE && freq <= FREQ_1_HOUR ? EnumPwInputFreq(freq) : FREQ_EACH_QUERY;
}

bool CQueryAuth::MayQuery() const
{
    if (m_bWithoutPasswd)
        return true;
    switch (m_eFreq) {
    case FREQ_LOGIN_ONCE: return true;
    case FREQ_EACH_ACTIVATION: return m_bActivationGrant;
    case FREQ_EACH_QUERY: return false;
    default: return MsUntilDue() > 0;
    }
}

qint64 CQueryAuth::MsUntilDue() const
{
    const int interval = IntervalMs(m_eFreq);
    if (interval == 0 || m_bWithoutPasswd)
        return -1;
    return m_bHaveQuery ? std::max<qint64>(0, m_iLastQueryMs + interval - Now()) : 0;
}

bool CQueryAuth::MayReveal() const
{
    return m_eFreq == FREQ_EACH_QUERY || MayQuery();
}

void CQueryAuth::RecordPasswd()
{
    m_bHaveQuery = true;
    m_iLastQueryMs = Now();
    m_bActivationGrant = true;
}

void CQueryAuth::RecordQuery()
{
    m_bHaveQuery = true;
    m_iLastQueryMs = Now();
}

void CQueryAuth::RecordActivation()
{
    m_bActivationGrant = false;
}
