#pragma once

// New random passwords for the entry editor. Every random number comes from
// the system's cryptographic generator; characters are chosen without modulo
// bias.
#include <functional>

#include <QString>

#include "vault/VaultcoreApi.h"

struct StPwGenOptions {
    static constexpr int s_iMinLength = 8;
    static constexpr int s_iMaxLength = 128;

    int iLength = 20;
    bool bUpper = true;
    bool bLower = true;
    bool bDigits = true;
    bool bSymbols = true;
    bool bAvoidLookAlike = false;  // leaves out 0 O o 1 l I |

    bool operator==(const StPwGenOptions&) const = default;
};

// 32 random bits per call.
using PwRandomSource = std::function<quint32()>;

// The system's cryptographic generator.
VAULTCORE_API quint32 SystemRandom32();

// A number in [0, bound) with every value equally likely: draws that fall in
// the incomplete top block of 2^32 are thrown away and drawn again. 0 for a
// bound of 0.
VAULTCORE_API quint32 RandomBelow(quint32 bound, const PwRandomSource& source = SystemRandom32);

// The characters one class offers under the options: 'A' upper case, 'a'
// lower case, '0' digits, '!' printable ASCII symbols.
VAULTCORE_API QString PwGenClassChars(char cls, bool avoidLookAlike);

// A password of the options' length (kept within 8 to 128) drawn uniformly
// from all passwords over the chosen classes that hold at least one character
// of each. Empty when no class is chosen.
VAULTCORE_API QString GeneratePasswd(const StPwGenOptions& options, const PwRandomSource& source = SystemRandom32);
