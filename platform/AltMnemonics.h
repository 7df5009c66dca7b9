#pragma once

// Mnemonic letters are underlined only while Alt is held, as desktops do: an
// underline cuts through the joined letters of Arabic and clutters every
// caption. Alt+letter works all the time.
namespace platform {

// True while an Alt key is held in one of the program's windows.
bool MnemonicsShown();
// Starts following the Alt key (once; the program's style asks MnemonicsShown).
void WatchAltForMnemonics();

} // namespace platform
