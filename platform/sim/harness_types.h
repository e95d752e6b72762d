#pragma once
// Values the harness exchanges with the simulated board.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

namespace plat::sim {

struct FlashGeometry {
    std::uint32_t size = 0;
    std::uint32_t eraseSize = 0;
};

// Faults of one flash partition (both of its paths). Counts are bytes programmed from the
// moment the faults are set; -1 means never.
struct FlashFaults {
    bool failOpen = false;           // open and fopen fail with EIO
    bool failErase = false;          // MEMERASE fails with EIO and erases nothing
    bool failGetInfo = false;        // MEMGETINFO fails with EIO
    bool zeroEraseSize = false;      // MEMGETINFO answers an erase size of 0
    std::int64_t shortWriteAfter = -1; // then a write comes up short, and later ones fail with EIO
    std::int64_t powerCutAfter = -1;   // then the power is gone: nothing more is programmed or
                                       // erased, although the calls still report success
    std::int64_t eraseCutAfter = -1;   // erase blocks that complete; the power goes during the
                                       // next one, which is left part erased (some bits set)
};

// One write to a sysfs attribute.
struct AttributeEvent {
    std::chrono::steady_clock::time_point time;
    std::string path;
    std::string value;
};

struct MemoryFaults {
    bool failOpen = false; // open of "/dev/mem" fails with EACCES
    bool failMap = false;  // mmap fails with EPERM
};

// The four chip-identifier words at physical 0x01C23800.
using ChipId = std::array<std::uint32_t, 4>;
inline constexpr std::uint64_t kChipIdAddress = 0x01C23800;
inline constexpr ChipId kDefaultChipId{0x12c00081, 0x5a4b3c2d, 0x0e1f2a3b, 0x4c5d6e7f};

} // namespace plat::sim

namespace plat::sim {

// One input report the firmware wrote to the USB keyboard gadget.
struct HidReportRecord {
    std::chrono::steady_clock::time_point time;
    std::array<std::uint8_t, 8> bytes;
};

} // namespace plat::sim
