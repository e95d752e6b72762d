#pragma once
// The simulated board as tests and scanner-sim see it. The firmware reaches the same
// devices through the platform calls; here the harness plays the host, the user and the
// bench: it feeds the serial ports, presses keys, looks into flash and injects faults.
//
// Devices are made on first use and are safe to reach from any thread.

#include "platform/sim/camera_types.h"
#include "platform/sim/harness_types.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <termios.h>
#include <vector>

namespace plat::sim {

// ---- Camera "/dev/video0": what stands before it, how frames come, what the firmware set ----
class Camera {
public:
    // Image files (PNG or PGM) or raw 10-bit frames, fitted to 640 x 480: centred, cropped or
    // padded with the image's border grey. A sequence shows one image per captured frame and
    // then keeps the last. A refused input leaves what was shown before, with the reason in why.
    bool setImage(std::string const& path, std::string* why = nullptr);
    bool setImages(std::vector<std::string> const& paths, std::string* why = nullptr);
    bool setFrame(std::vector<std::uint16_t> samples, int width = kSensorWidth, int height = kSensorHeight,
                  std::string* why = nullptr);
    bool setFrames(std::vector<std::vector<std::uint16_t>> frames, std::string* why = nullptr); // 640 x 480 each
    void clearImage(); // nothing before the camera: black frames

    // Free-running (the default) the sensor takes a frame every frame interval while streaming;
    // deterministic, only deliverFrames does, into buffers the firmware has queued.
    void setDeterministic(bool on);
    unsigned deliverFrames(unsigned count = 1); // how many went into buffers
    // Brightness scales with gain / 64 x exposure / 10 from the next frame on, clipped at 1023.
    void setSensorModel(bool on);

    std::vector<ControlWrite> controlLog();
    void clearControlLog();
    int gain();
    int exposure();
    std::optional<std::int32_t> control(std::uint32_t id); // any of the device's controls
    CameraStatus status();
    // Waits until the condition holds for the status (it runs under the device's lock).
    bool waitFor(std::function<bool(CameraStatus const&)> const& ready, std::chrono::milliseconds timeout);
    std::vector<std::uint16_t> lastFrame(); // as last put into a buffer

    // A missing device is Board::removeDevice("/dev/video0").
    void setFaults(CameraFaults const& faults);
};

// ---- USB keyboard gadget "/dev/hidg0": the reports the host received, its lock LEDs ----
class KeyboardGadget {
public:
    std::vector<HidReportRecord> reports();
    void clearReports();
    bool waitForReports(std::size_t count, std::chrono::milliseconds timeout);
    // The host's LED bits (1 Num Lock, 2 Caps Lock, 4 Scroll Lock); a change is sent to the gadget.
    std::uint8_t hostLeds();
    void setHostLeds(std::uint8_t leds);
    // Whether the host answers a lock key with its new LED state (the default), or stays silent.
    void setAnswersLockKeys(bool answers);
};

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
    // Reads of key events under way now, on any descriptor.
    int keyReadsUnderWay();

    // "/dev/video0"
    Camera& camera();

    // "/dev/hidg0"
    KeyboardGadget& keyboard();

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
