#include "app/settings/settings_persistence.h"

#include "app/settings/factory_settings.h"
#include "app/settings/flash_partition.h"
#include "app/settings/parameter_object.h"
#include "config/configuration.h"

#include <atomic>
#include <mutex>
#include <string>

namespace {

namespace cfg = ivra_configuration;

std::atomic<bool> parametersLost{false};

// Every bank back to the factory defaults: the last resort when the settings held
// before a failed load cannot be put back.
void AllBanksToDefault()
{
    cfg::SetDefault();
    for (unsigned bank = 1; bank < 8; ++bank) {
        cfg::SetDefaultToBank(bank);
    }
}

// The banks as they are now, put back when a load is refused halfway: the import takes
// the banks line by line, and a refused line must not leave some read and others not.
void PutBack(std::string const& before)
{
    cfg::MemoryInputStream restore(before);
    if (!cfg::Import(restore)) {
        AllBanksToDefault();
    }
}

// Imports the stored banks. False when there are none or they are refused; the banks
// are then as they were.
bool LoadBanks(std::string& before)
{
    std::string banks;
    if (ReadPartitionText(kBanksReadPartition, banks) != PartitionRead::Text) {
        return false;
    }
    cfg::StringOutputStream now;
    if (!cfg::Export(now)) {
        return false;
    }
    before = now.Text();
    cfg::MemoryInputStream in(banks);
    if (cfg::Import(in)) {
        return true;
    }
    PutBack(before);
    return false;
}

bool LoadBanksAndParameters()
{
    std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
    std::string before;
    if (!LoadBanks(before)) {
        return false;
    }
    if (ParameterObject::DeserializeFromRawPartition()) {
        parametersLost = false;
        return true;
    }
    PutBack(before);
    return false;
}

} // namespace

bool LoadActiveSettings() { return LoadBanksAndParameters(); }

bool DoLoadProperties() { return LoadBanksAndParameters(); }

StartSettings LoadStartSettingsFromFlash()
{
    std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
    std::string before;
    if (!LoadBanks(before)) {
        return StartSettings::None;
    }
    // An erased, damaged or unreadable parameter partition, or one whose only text belongs
    // to a later save, gives no text for these banks: the objects alone fall back.
    if (ParameterObject::DeserializeFromRawPartition()) {
        parametersLost = false;
        return StartSettings::Stored;
    }
    ParameterObject::SetDefaults();
    parametersLost = true;
    return StartSettings::BanksOnly;
}

bool StoredParametersLost() { return parametersLost; }

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
    parametersLost = false;
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
