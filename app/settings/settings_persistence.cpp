#include "app/settings/settings_persistence.h"

#include "app/settings/factory_settings.h"
#include "app/settings/flash_partition.h"
#include "app/settings/parameter_object.h"
#include "config/configuration.h"

#include <mutex>
#include <string>

namespace {

namespace cfg = ivra_configuration;

// Every bank back to the factory defaults: the last resort when the settings held
// before a failed load cannot be put back.
void AllBanksToDefault()
{
    cfg::SetDefault();
    for (unsigned bank = 1; bank < 8; ++bank) {
        cfg::SetDefaultToBank(bank);
    }
}

bool LoadBanksAndParameters()
{
    std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
    std::string banks;
    if (ReadPartitionText(kBanksReadPartition, banks) != PartitionRead::Text) {
        return false;
    }
    // The import takes the banks line by line; keep what they hold now, so that a line
    // refused halfway does not leave some banks read and others not.
    cfg::StringOutputStream before;
    if (!cfg::Export(before)) {
        return false;
    }
    cfg::MemoryInputStream in(banks);
    if (cfg::Import(in) && ParameterObject::DeserializeFromRawPartition()) {
        return true;
    }
    cfg::MemoryInputStream restore(before.Text());
    if (!cfg::Import(restore)) {
        AllBanksToDefault();
    }
    return false;
}

} // namespace

bool LoadActiveSettings() { return LoadBanksAndParameters(); }

bool DoLoadProperties() { return LoadBanksAndParameters(); }

bool DoSaveProperties()
{
    std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
    cfg::StringOutputStream banks;
    std::uint32_t generation = 0;
    if (!cfg::Export(banks) || !StoredBanksGeneration(generation)) {
        return false;
    }
    // A failure leaves the earlier settings whole, so nothing more is done.
    if (!ParameterObject::SerializeToRawPartition(generation + 1, generation) ||
        !WritePartitionText(kBanksWritePartition, kBanksReadPartition, banks.Text())) {
        return false;
    }
    FactorySettings::getInstance().FactoryMode(false);
    return true;
}

bool SaveCustomDefault()
{
    std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
    cfg::StringOutputStream text;
    return cfg::ExportCustomDefault(text) &&
           WritePartitionText(kCustomDefaultWritePartition, kCustomDefaultReadPartition, text.Text());
}

bool LoadCustomDefault()
{
    std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
    std::string text;
    if (ReadPartitionText(kCustomDefaultReadPartition, text) == PartitionRead::Text) {
        cfg::MemoryInputStream in(text);
        if (cfg::ImportCustomDefault(in)) {
            return true;
        }
    }
    cfg::SetDefault();
    return false;
}
