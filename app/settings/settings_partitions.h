#pragma once
// Where the configuration banks and the custom default live on flash, and the generation
// of the stored banks. The parameter objects tie their own text to that generation
// (app/settings/parameter_object.h); saving and loading them all together is
// app/settings/settings_persistence.h.

#include <cstdint>

// Paths of the banks and the custom default; reads go through the read-only twins.
inline constexpr char const* kBanksWritePartition = "/dev/mtd3";
inline constexpr char const* kBanksReadPartition = "/dev/mtd3ro";
inline constexpr char const* kCustomDefaultWritePartition = "/dev/mtd4";
inline constexpr char const* kCustomDefaultReadPartition = "/dev/mtd4ro";

// The generation of the stored banks (0: none, or the older single-copy layout): the
// parameter text tied to a later one belongs to a save that was cut short. False when the
// banks' partition cannot be read.
bool StoredBanksGeneration(std::uint32_t& generation);
