// Bytes found on the settings partitions at start-up: the input is split at its first
// NUL into the banks partition and the parameter partition. A load either takes what
// it reads or leaves every setting as it was; it never stops half-way.

#include "app/settings/factory_settings.h"
#include "app/settings/parameter_object.h"
#include "app/settings/settings_persistence.h"
#include "config/configuration.h"
#include "platform/sim/board.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

namespace cfg = ivra_configuration;

std::string Exported()
{
    cfg::StringOutputStream text;
    if (!cfg::Export(text)) __builtin_trap();
    return text.Text();
}

void AllDefaults()
{
    cfg::SetDefault();
    for (unsigned bank = 1; bank < 8; ++bank) {
        cfg::SetDefaultToBank(bank);
    }
}

// The partition holds exactly these bytes, erased after them.
void Place(char const* partition, std::uint8_t const* data, std::size_t size)
{
    auto& board = plat::sim::board();
    auto const geometry = board.flashGeometry(partition);
    if (!geometry) __builtin_trap();
    std::vector<std::uint8_t> image(geometry->size, 0xFF);
    std::copy(data, data + std::min<std::size_t>(size, image.size()), image.begin());
    if (!board.flashLoad(partition, 0, image)) __builtin_trap();
}

bool Init()
{
    char pattern[] = "/tmp/fuzz-settings-flash-XXXXXX";
    if (::mkdtemp(pattern) == nullptr || !plat::sim::board().setBoardDirectory(pattern)) __builtin_trap();
    FactorySettings::getInstance(); // registered, as at start-up
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    static bool const ready = Init();
    (void)ready;
    std::size_t split = 0;
    while (split < size && data[split] != 0) {
        ++split;
    }
    Place("/dev/mtd3", data, split);
    std::size_t const rest = split < size ? split + 1 : size;
    Place("/dev/mtd2", data + rest, size - rest);

    AllDefaults();
    FactorySettings::getInstance().Interface(FactorySettings::kInterfaceUart);
    std::string const before = Exported();
    if (!LoadActiveSettings()) {
        if (Exported() != before) __builtin_trap();
        if (FactorySettings::getInstance().Interface() != FactorySettings::kInterfaceUart) __builtin_trap();
    }
    ParameterObject::DeserializeFromRawPartition();
    return 0;
}
