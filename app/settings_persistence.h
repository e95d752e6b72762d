#pragma once
// The configuration banks and the custom default on their flash partitions, together
// with the parameter objects' text. "save" and "load" run these through the command
// handler's callbacks; start-up runs LoadActiveSettings.
//
// A load either takes everything it reads or leaves the settings as they were: the
// banks are read whole before anything changes, and a refused line or an unreadable
// parameter text puts the earlier banks back. A save builds each text in full before
// it erases anything, and reports false unless every partition reads back as written.
//
// A save never erases the copy a start would read (app/flash_partition.h), and the two
// partitions of a save change together: the parameter text is written first, tied to the
// generation the banks are about to get, and counts only once those banks are stored. A
// power cut at any point of a save leaves the earlier settings or the new ones.

#include <cstdint>

// Paths of the banks and the custom default; reads go through the read-only twins.
inline constexpr char const* kBanksWritePartition = "/dev/mtd3";
inline constexpr char const* kBanksReadPartition = "/dev/mtd3ro";
inline constexpr char const* kCustomDefaultWritePartition = "/dev/mtd4";
inline constexpr char const* kCustomDefaultReadPartition = "/dev/mtd4ro";

// The banks, and when they load, the parameter objects. False when nothing is stored,
// the text is damaged or the parameter text cannot be read; nothing changes then.
bool LoadActiveSettings();
// The "load" action: as LoadActiveSettings.
bool DoLoadProperties();
// The "save" action: banks, then parameter objects, then the UART ports are set to the
// saved values. False when any of them failed.
bool DoSaveProperties();

// The generation of the stored banks (0: none, or the older single-copy layout): the
// parameter text tied to a later one belongs to a save that was cut short. False when the
// banks' partition cannot be read.
bool StoredBanksGeneration(std::uint32_t& generation);

// The custom default. Loading falls back to the factory defaults when nothing usable
// is stored. Results are reported, although nothing calls these yet.
bool LoadCustomDefault();
bool SaveCustomDefault();
