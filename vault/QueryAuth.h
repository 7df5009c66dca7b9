#pragma once

#include <functional>

#include <QtGlobal>

#include "vault/PwTypes.h"
#include "vault/VaultcoreApi.h"

// Whether the master password is due again before a password is shown. It
// belongs to the running program, not to one window: the query window, the
// editor and the settings page all ask this one object (the store owns it),
// so closing and opening a window neither restarts a clock nor grants
// anything. A grant comes only from a password typed in a prompt and found
// right.
class VAULTCORE_API CQueryAuth {
public:
    // Milliseconds, never going back.
    using Clock = std::function<qint64()>;

    // The vault's input frequency; a value out of range counts as each query.
    void SetFreq(int freq);
    EnumPwInputFreq GetFreq() const { return m_eFreq; }
    // A vault that opens with the empty password has nothing to ask for.
    void SetWithoutPasswd(bool without) { m_bWithoutPasswd = without; }
    bool IsWithoutPasswd() const { return m_bWithoutPasswd; }

    // A search may run now without asking.
    bool MayQuery() const;
    // A password may be copied, shown or edited now without asking. In
    // each-query mode only an allowed search fills the list, so what it
    // lists may be revealed.
    bool MayReveal() const;

    // The master password was typed and was right (a login that really asked,
    // a confirmation): it counts as a query for the time-based modes, and
    // covers the next search in each-query mode and the current activation.
    void RecordPasswd();
    // A search ran: the time-based modes count from here; in each-query mode
    // the next search asks again.
    void RecordQuery();
    // The query window opened or became active again by the user's doing.
    void RecordActivation();

    // Time after the last query for the time-based modes, 0 for the others.
    static int IntervalMs(int freq);
    // Tests move time by hand; an empty clock restores the real one.
    static Clock SetClock(Clock clock);

private:
    static qint64 Now();

    EnumPwInputFreq m_eFreq = FREQ_EACH_QUERY;
    bool m_bWithoutPasswd = false;
    bool m_bHaveQuery = false;
    qint64 m_iLastQueryMs = 0;
    bool m_bQueryGrant = false;
    bool m_bActivationGrant = false;
};
