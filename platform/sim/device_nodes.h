#pragma once
// The device paths of the board and what stands behind each one.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace plat::sim {

enum class NodeKind : std::uint8_t {
    Serial,         // unit: port index
    Flash,          // unit: partition index
    FlashReadOnly,  // unit: partition index, the read-only twin
    Attribute,      // unit: kAttributeNeedsExport or 0
    PwmExport,      // write-only attribute that creates the PWM channel
    KeyInput,
    PhysicalMemory,
    Capture,        // the camera
    HidGadget,      // USB keyboard gadget
};

inline constexpr std::uint8_t kAttributeNeedsExport = 1;

struct DeviceNode {
    std::string_view path;
    NodeKind kind;
    std::uint8_t unit;
    std::string_view initialValue; // attributes only
};

std::span<DeviceNode const> deviceNodes();
std::optional<std::size_t> findNode(std::string_view path);

// "/dev" and "/sys" belong to the board: a path there that names no simulated device must
// not reach the workstation's own hardware. These few stay with the kernel.
bool isBoardPath(std::string_view path);

inline constexpr std::size_t kSerialPorts = 2;
inline constexpr std::size_t kFlashPartitions = 4;

} // namespace plat::sim
