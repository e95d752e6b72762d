#pragma once
// The simulated board as tests and scanner-sim see it. The firmware reaches the same
// devices through the platform calls; here the harness plays the host, the user and the
// bench: it feeds the serial ports, presses keys, looks into flash and injects faults.
//
// Devices are made on first use and are safe to reach from any thread.

#include "platform/sim/harness_types.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <termios.h>
#include <vector>

namespace plat::sim {

class Board {
public:
    // Board directory: holds the flash images (mtd1.bin .. mtd4.bin). Default "./board",
    // created when missing; a new directory starts with erased flash. Changing it reopens
    // the partitions from the new directory (the same directory: as after a power cycle).
    bool setBoardDirectory(std::string const& path);
    std::string boardDirectory() const;
    // Every device as on a new board (same directory): faults, logs, keys, removals cleared.
    void reset();

    // Serial ports "/dev/ttyGS0" and "/dev/ttyS0". The host holds the master end.
    int serialMaster(std::string_view port);          // -1 when there is no such port
    std::string serialSlavePath(std::string_view port); // the pseudo-terminal behind the port
    // The line settings as the firmware last set them (character size and parity included).
    bool serialSettings(std::string_view port, termios& settings);
    bool hostWrite(std::string_view port, std::string_view bytes);
    // Up to count bytes, waiting at most `wait` for them.
    std::string hostRead(std::string_view port, std::size_t count, std::chrono::milliseconds wait);

    // Flash partitions, by either path ("/dev/mtd3" or "/dev/mtd3ro").
    std::optional<FlashGeometry> flashGeometry(std::string_view partition);
    std::vector<std::uint8_t> flashDump(std::string_view partition); // empty on failure
    bool flashLoad(std::string_view partition, std::uint32_t offset, std::vector<std::uint8_t> const& bytes);
    std::vector<unsigned> flashEraseCounts(std::string_view partition); // per erase block
    bool setFlashFaults(std::string_view partition, FlashFaults const& faults);
    bool flashPowerCut(std::string_view partition); // whether a set power cut has happened

    // sysfs attributes, by path.
    std::optional<std::string> attribute(std::string_view path);
    bool setAttribute(std::string_view path, std::string_view value); // not logged
    std::vector<AttributeEvent> attributeLog();
    void clearAttributeLog();

    // Keys of "/dev/input/event0" by input key code (158 trigger, 1 aim, 15 hall sensor).
    bool pressKey(unsigned code);
    bool releaseKey(unsigned code);
    bool repeatKey(unsigned code);
    bool keyHeld(unsigned code);

    // "/dev/mem"
    ChipId chipId();
    void setChipId(ChipId const& words);
    void setMemoryFaults(MemoryFaults const& faults);

    // system()
    std::vector<std::string> systemLog();
    void setSystemStatus(int status);

    // Take a device away (open fails with ENOENT, descriptors still open on it with ENODEV)
    // and put it back.
    bool removeDevice(std::string_view path);
    bool restoreDevice(std::string_view path);
    // Open a host file in place of a device (for example a regular file where a serial port
    // should be); an empty host path undoes it.
    bool redirect(std::string_view path, std::string const& hostPath);
};

Board& board();

} // namespace plat::sim
