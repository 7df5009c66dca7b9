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

    // A search may run now without asking. In each-query mode never: only the
    // password typed for a search opens it, and nothing typed earlier (for a
    // setting, for the previous search) carries over.
    bool MayQuery() const;
    // A password of what an allowed search listed may be copied, shown or
    // edited now without asking. In each-query mode only an allowed search
    // fills the list, so what it lists may be revealed (the window masks it
    // again after a while).
    bool MayReveal() const;
    // Milliseconds until a time-based mode wants the password again (0 when
    // it is due now), -1 for the modes without a clock.
    qint64 MsUntilDue() const;

    // The master password was typed and was right (a login that really asked,
    // a confirmation): it counts as a query for the time-based modes and
    // covers the current activation.
    void RecordPasswd();
    // A search ran: the time-based modes count from here.
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
    bool m_bActivationGrant = false;
};
