#pragma once
// The keyboard language the firmware is set to, as the host side of the USB keyboard
// needs it to read the reports.

namespace scanner_sim {

// The live setting, read under the command lock: a command on another port may be
// changing it (or loading a whole bank) at the same moment.
int keyboardLanguage();

} // namespace scanner_sim
