#pragma once
// The configuration banks and the custom default on their flash partitions, together
// with the parameter objects' text. "save" and "load" run these through the command
// handler's callbacks, which the start-up gives it; start-up runs LoadStartSettingsFromFlash.
//
// A load either takes everything it reads or leaves the settings as they were: the
// banks are read whole before anything changes, and a refused line or an unreadable
// parameter text puts the earlier banks back. The start is the one exception to the
// second half: intact banks are taken when the parameter text alone cannot be read, and
// the parameter objects fall back to their defaults (a damaged or erased parameter
// partition must not cost the banks). A save builds each text in full before
// it erases anything, and reports false unless every partition reads back as written.
//
// A save never erases the copy a start would read (app/settings/flash_partition.h), and the two
// partitions of a save change together: the parameter text is written first, tied to the
// generation the banks are about to get, and counts only once those banks are stored. A
// power cut at any point of a save leaves the earlier settings or the new ones.

#include "app/settings/settings_partitions.h"

// The banks, and when they load, the parameter objects. False when nothing is stored,
// the text is damaged or the parameter text cannot be read; nothing changes then.
bool LoadActiveSettings();

// What a start took from flash.
enum class StartSettings {
    Stored,    // the banks and the parameter objects
    BanksOnly, // the banks; the parameter text could not be read, the objects are on their defaults
    None,      // nothing: no banks stored, or they cannot be read or were refused; nothing changed
};
// The start's load. The parameter text taken is the one tied to the stored banks; a text
// tied to a later generation belongs to a save cut short and is never taken, also when it
// is the only one left (the objects then fall back to their defaults).
StartSettings LoadStartSettingsFromFlash();
// True while the parameter objects run on their defaults because the start could not
// read their stored text; a save or a load that succeeds ends it.
bool StoredParametersLost();
// The "load" action: as LoadActiveSettings.
bool DoLoadProperties();
// The store's part of the "save" action: banks, then parameter objects; the device leaves
// factory mode. False when any of them failed. The start-up's save action follows it with
// the UART ports (app/firmware_main.h: SaveSettings).
bool DoSaveProperties();

// The custom default. Loading falls back to the factory defaults when nothing usable
// is stored. Results are reported, although nothing calls these yet.
bool LoadCustomDefault();
bool SaveCustomDefault();
