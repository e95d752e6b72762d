// Bytes found on the model record's partition and on the custom default's at start-up.
// The input is split at its first NUL: the model record's partition, then the custom
// default's. Byte 0 says how each part is put on flash: bit 0 set, the model record's
// part as raw partition bytes, else as the text of a copy a save writes; bit 1 the same
// for the custom default's part.
//
// A model record either loads whole or leaves the record, the interface and the options
// as they were; a loaded record saved and loaded again reads the same. A custom default
// either loads, leaving the banks as they were, or the banks go back to the factory
// defaults and the custom default stays; a loaded one exported and imported again
// exports the same.

#include "app/settings/factory_settings.h"
#include "app/settings/flash_partition.h"
#include "app/settings/settings_persistence.h"
#include "config/configuration.h"
#include "platform/sim/board.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

namespace cfg = ivra_configuration;

void fail(int line)
{
    std::fprintf(stderr, "flash_partitions: check on line %d failed\n", line);
    std::abort();
}
#define check(condition) ((condition) ? (void)0 : fail(__LINE__))

// The record every run starts from: a USB keyboard model with the hall sensor.
constexpr char const* kBaseRecord =
    R"({"modelconf":{"configuration":"SCAN0101*A0001  ","model":"SCAN0101","serialnumber":"BASE0001"}})";

// A record this long, escaped, fits any half of the partition.
constexpr std::size_t kSavedRecordBound = 4096;

// The banks (and the bank selected) or the custom default, as bytes: cheaper to take and
// compare than their text.
using Image = std::vector<unsigned char>;

Image Banks()
{
    cfg::ConfigurationManager& m = cfg::CommandSystem::Instance().Manager();
    Image image;
    image.reserve(cfg::kBankCount * cfg::ConfigurationManager::ImageSize() + 1);
    for (unsigned b = 0; b < cfg::kBankCount; ++b) {
        unsigned char const* bank = m.BankImage(b);
        image.insert(image.end(), bank, bank + cfg::ConfigurationManager::ImageSize());
    }
    image.push_back(static_cast<unsigned char>(m.CurrentBank()));
    return image;
}

Image CustomDefaultImage()
{
    unsigned char const* custom = cfg::CommandSystem::Instance().Manager().CustomDefaultImage();
    return Image(custom, custom + cfg::ConfigurationManager::ImageSize());
}

std::string ExportedCustomDefault()
{
    cfg::StringOutputStream text;
    check(cfg::ExportCustomDefault(text));
    return text.Text();
}

// The partition holds exactly these bytes, erased after them.
void Place(char const* partition, std::uint8_t const* data, std::size_t size)
{
    auto& board = plat::sim::board();
    auto const geometry = board.flashGeometry(partition);
    check(geometry.has_value());
    std::vector<std::uint8_t> image(geometry->size, 0xFF);
    std::copy(data, data + std::min<std::size_t>(size, image.size()), image.begin());
    check(board.flashLoad(partition, 0, image));
}

// As a save leaves it: an erased partition with one copy of the text. Text a save could
// not write (an erased byte in it, or too long) goes on raw.
void PlaceText(char const* write, char const* read, std::uint8_t const* data, std::size_t size)
{
    Place(write, nullptr, 0);
    std::string const text(reinterpret_cast<char const*>(data), size);
    if (!WritePartitionText(write, read, text)) {
        Place(write, data, size);
    }
}

struct Record {
    std::string model;
    std::string modelconf;
    std::string serialNumber;
    unsigned char interface = 0;
    bool hallSensor = false;
    bool externalTrigger = false;

    static Record Now()
    {
        FactorySettings const& f = FactorySettings::getInstance();
        return {f.Model(), f.ModelConf(), f.SerialNumber(), f.Interface(), f.HallSensor(), f.ExternalTrigger()};
    }
    bool operator==(Record const&) const = default;
};

struct Start {
    Image defaults;            // the banks at the factory defaults
    Image customImage;         // the custom default as built
    std::string customDefault; // and as text
    Record base;
};

Start const& Init()
{
    static Start* const start = [] {
        char pattern[] = "/tmp/fuzz-flash-partitions-XXXXXX";
        check(::mkdtemp(pattern) != nullptr && plat::sim::board().setBoardDirectory(pattern));
        auto* s = new Start;
        std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
        check(cfg::SetDefault());
        for (unsigned bank = 1; bank < 8; ++bank) {
            check(cfg::SetDefaultToBank(bank));
        }
        s->defaults = Banks();
        s->customImage = CustomDefaultImage();
        s->customDefault = ExportedCustomDefault();
        Place(FactorySettings::kModelWritePartition, reinterpret_cast<std::uint8_t const*>(kBaseRecord),
              std::strlen(kBaseRecord));
        check(FactorySettings::getInstance().LoadModelConfig());
        s->base = Record::Now();
        check(s->base.interface == FactorySettings::kInterfaceUsbKeyboard && s->base.hallSensor);
        return s;
    }();
    return *start;
}

void ModelRecord(Start const& start, bool raw, std::uint8_t const* data, std::size_t size)
{
    FactorySettings& factory = FactorySettings::getInstance();
    // Back to the base record, when the last run changed it.
    if (!(Record::Now() == start.base)) {
        Place(FactorySettings::kModelWritePartition, reinterpret_cast<std::uint8_t const*>(kBaseRecord),
              std::strlen(kBaseRecord));
        check(factory.LoadModelConfig() && Record::Now() == start.base);
    }

    if (raw) {
        Place(FactorySettings::kModelWritePartition, data, size);
    } else {
        PlaceText(FactorySettings::kModelWritePartition, FactorySettings::kModelReadPartition, data, size);
    }
    if (!factory.LoadModelConfig()) {
        check(Record::Now() == start.base);
        return;
    }
    Record const loaded = Record::Now();
    check(loaded.interface == FactorySettings::kInterfaceUart ||
          loaded.interface == FactorySettings::kInterfaceUsbSerial ||
          loaded.interface == FactorySettings::kInterfaceUsbKeyboard);
    // What a save makes of it reads back the same (a record that fits the half of the
    // partition a save writes).
    if (loaded.model.size() + loaded.modelconf.size() + loaded.serialNumber.size() > kSavedRecordBound) {
        return;
    }
    check(factory.SaveModelConfig());
    (void)factory.LoadModelConfig(); // an empty record is stored as nothing: it keeps what it has
    check(Record::Now() == loaded);
}

void CustomDefault(Start const& start, bool raw, std::uint8_t const* data, std::size_t size)
{
    std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
    // The factory defaults in every bank and as the custom default, then one change, so
    // that a fall-back to the defaults shows.
    check(cfg::SetDefault());
    cfg::MemoryInputStream base(start.customDefault);
    check(cfg::ImportCustomDefault(base));
    check(cfg::Root().universal_response.Set(!cfg::Root().universal_response.Value()) && cfg::Update());
    Image const before = Banks();
    check(before != start.defaults);

    if (raw) {
        Place(kCustomDefaultWritePartition, data, size);
    } else {
        PlaceText(kCustomDefaultWritePartition, kCustomDefaultReadPartition, data, size);
    }
    if (!LoadCustomDefault()) {
        check(Banks() == start.defaults);
        check(CustomDefaultImage() == start.customImage);
        return;
    }
    check(Banks() == before);
    std::string const loaded = ExportedCustomDefault();
    cfg::MemoryInputStream again(loaded);
    check(cfg::ImportCustomDefault(again));
    check(ExportedCustomDefault() == loaded);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    Start const& start = Init();
    if (size == 0) {
        return 0;
    }
    std::uint8_t const how = data[0];
    ++data;
    --size;
    std::size_t split = 0;
    while (split < size && data[split] != 0) {
        ++split;
    }
    std::size_t const rest = split < size ? split + 1 : size;
    ModelRecord(start, (how & 1) != 0, data, split);
    CustomDefault(start, (how & 2) != 0, data + rest, size - rest);
    return 0;
}
