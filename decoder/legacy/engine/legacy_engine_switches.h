#pragma once

// Switches of the legacy engine that no setting reaches: the menu-code flag,
// the suspension of bad-read output, and the SSI host mode. Decoder thread
// only; all start off.

void SetMenuZZEnableFlag(int on);
int IsMenuZZEnable();
// Bad-read output is given when the bad-read setting is on and output is not
// suspended.
void SetSuspendOutputBadRead(int suspend);
int IsOutputBadRead();
void SetSsiMode(int on);
int IsSsiMode();
