#include "decoder/legacy/engine/legacy_engine_switches.h"

#include "decoder/legacy/engine/legacy_settings_bridge.h"

namespace {

int menuZZEnable = 0;
int suspendOutputBadRead = 0;
int ssiMode = 0;

int Flag(int v) { return v != 0 ? 1 : 0; }

}  // namespace

void SetMenuZZEnableFlag(int on) { menuZZEnable = Flag(on); }

int IsMenuZZEnable() { return menuZZEnable; }

void SetSuspendOutputBadRead(int suspend) { suspendOutputBadRead = Flag(suspend); }

int IsOutputBadRead() { return GetEnableBadRead() == 1 && suspendOutputBadRead == 0 ? 1 : 0; }

void SetSsiMode(int on) { ssiMode = Flag(on); }

int IsSsiMode() { return ssiMode; }
