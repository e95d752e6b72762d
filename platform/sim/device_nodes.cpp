#include "platform/sim/device_nodes.h"

#include <array>

namespace plat::sim {
namespace {

using K = NodeKind;

#define LED_ATTRIBUTES(name)                                                  \
    DeviceNode{"/sys/class/leds/" name "/brightness", K::Attribute, 0, "0"},  \
    DeviceNode{"/sys/class/leds/" name "/active_low", K::Attribute, 0, "0"},  \
    DeviceNode{"/sys/class/leds/" name "/frequency", K::Attribute, 0, "0"}

constexpr std::array kNodes{
    DeviceNode{"/dev/ttyGS0", K::Serial, 0, {}},
    DeviceNode{"/dev/ttyS0", K::Serial, 1, {}},
    DeviceNode{"/dev/mtd1", K::Flash, 0, {}},
    DeviceNode{"/dev/mtd2", K::Flash, 1, {}},
    DeviceNode{"/dev/mtd3", K::Flash, 2, {}},
    DeviceNode{"/dev/mtd4", K::Flash, 3, {}},
    DeviceNode{"/dev/mtd1ro", K::FlashReadOnly, 0, {}},
    DeviceNode{"/dev/mtd2ro", K::FlashReadOnly, 1, {}},
    DeviceNode{"/dev/mtd3ro", K::FlashReadOnly, 2, {}},
    DeviceNode{"/dev/mtd4ro", K::FlashReadOnly, 3, {}},
    LED_ATTRIBUTES("led_goodread"),
    LED_ATTRIBUTES("led_error"),
    LED_ATTRIBUTES("led_aim"),
    LED_ATTRIBUTES("buzzer"),
    DeviceNode{"/sys/class/pwm/pwmchip0/export", K::PwmExport, 0, {}},
    DeviceNode{"/sys/class/pwm/pwmchip0/pwm0/period", K::Attribute, kAttributeNeedsExport, "0"},
    DeviceNode{"/sys/class/pwm/pwmchip0/pwm0/duty_cycle", K::Attribute, kAttributeNeedsExport, "0"},
    DeviceNode{"/sys/class/pwm/pwmchip0/pwm0/enable", K::Attribute, kAttributeNeedsExport, "0"},
    // Input key codes whose lines are active-low.
    DeviceNode{"/sys/devices/platform/gpio_keys/active_low", K::Attribute, 0, "139,158"},
    DeviceNode{"/dev/input/event0", K::KeyInput, 0, {}},
    DeviceNode{"/dev/mem", K::PhysicalMemory, 0, {}},
    DeviceNode{"/dev/video0", K::Capture, 0, {}},
    DeviceNode{"/dev/hidg0", K::HidGadget, 0, {}},
};

#undef LED_ATTRIBUTES

constexpr std::array<std::string_view, 5> kKernelFiles{"/dev/null", "/dev/zero", "/dev/random", "/dev/urandom",
                                                       "/dev/tty"};
constexpr std::array<std::string_view, 3> kKernelFolders{"/dev/pts/", "/dev/shm/", "/dev/fd/"};

bool under(std::string_view path, std::string_view folder)
{
    return path == folder || (path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/');
}

} // namespace

std::span<DeviceNode const> deviceNodes() { return kNodes; }

std::optional<std::size_t> findNode(std::string_view path)
{
    for (std::size_t i = 0; i < kNodes.size(); ++i) {
        if (kNodes[i].path == path) {
            return i;
        }
    }
    return std::nullopt;
}

bool isBoardPath(std::string_view path)
{
    if (!under(path, "/dev") && !under(path, "/sys")) {
        return false;
    }
    for (auto file : kKernelFiles) {
        if (path == file) {
            return false;
        }
    }
    for (auto folder : kKernelFolders) {
        if (path.starts_with(folder)) {
            return false;
        }
    }
    return true;
}

} // namespace plat::sim
