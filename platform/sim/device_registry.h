#pragma once
// The devices of the simulated board: each is made on first use (the serial ports are
// opened by static initialisers before main) and lives until the board is reset.

#include "platform/sim/descriptor_table.h"
#include "platform/sim/harness_types.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace plat::sim {

class CaptureDevice;
class HidGadget;
class KeyInput;
class NorFlash;
class PhysicalMemory;
class SerialLine;
class SysfsAttributes;
class SystemRecorder;

// Partition sizes of the board; erase blocks are 64 KiB.
inline constexpr std::uint32_t kFlashEraseSize = 64 * 1024;
inline constexpr std::array<std::uint32_t, 4> kFlashSizes{128 * 1024, 128 * 1024, 256 * 1024, 128 * 1024};

struct Route {
    enum class Kind { Kernel, Node, Missing } kind;
    std::size_t node = 0;
    std::string hostPath; // Kernel
};

class DeviceRegistry {
public:
    DeviceRegistry();

    // The platform calls' side. Results are kernel-style: a value, or -1 with errno set.
    Route route(char const* path) const;
    int openNode(std::size_t node, int flags);
    int stat(char const* path, struct stat* info);
    bool present(std::size_t node) const { return !removed_[node].load(); }
    DescriptorTable& descriptors() { return descriptors_; }

    // The harness side.
    bool setBoardDirectory(std::string const& path);
    std::string boardDirectory() const;
    void reset();
    bool setRemoved(std::string_view path, bool removed);
    bool redirect(std::string_view path, std::string const& hostPath);

    std::shared_ptr<SerialLine> serialLine(std::string_view port);
    std::shared_ptr<NorFlash> flash(std::string_view partition);
    std::shared_ptr<SysfsAttributes> attributes() const;
    std::shared_ptr<KeyInput> keyInput() const;
    std::shared_ptr<PhysicalMemory> memory() const;
    std::shared_ptr<SystemRecorder> recorder() const;
    std::shared_ptr<CaptureDevice> capture();
    std::shared_ptr<HidGadget> hidGadget() const;

private:
    std::shared_ptr<SerialLine> serialAt(std::size_t unit, int& error);
    std::shared_ptr<NorFlash> flashAt(std::size_t unit, int& error);
    bool isDirectory(std::string_view path) const;

    mutable std::mutex mutex_;
    std::string directory_ = "./board";
    std::array<std::shared_ptr<SerialLine>, 2> serial_;
    std::array<std::shared_ptr<NorFlash>, 4> flash_;
    std::shared_ptr<SysfsAttributes> attributes_;
    std::shared_ptr<KeyInput> keyInput_;
    std::shared_ptr<PhysicalMemory> memory_;
    std::shared_ptr<SystemRecorder> recorder_;
    std::shared_ptr<CaptureDevice> capture_;
    std::shared_ptr<HidGadget> hidGadget_;
    std::unique_ptr<std::atomic<bool>[]> removed_;
    std::map<std::string, std::string, std::less<>> redirects_;
    DescriptorTable descriptors_;
};

// Never destroyed: firmware threads may still call in while the process exits.
DeviceRegistry& registry();

} // namespace plat::sim
