// "save" and "load" of the configuration banks and the parameter objects through the
// evaluator, the images they leave on flash (read back by a separate JSON reader), and
// loads of damaged flash that must change nothing.
#include "tests/app/settings/persistence_fixture.h"

#include "app/firmware_main.h"
#include "app/settings/flash_copy_mark.h"
#include "app/settings/flash_partition.h"
#include "app/settings/parameter_object.h"
#include "app/settings/uart_settings.h"
#include "tests/support/random.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <filesystem>

namespace {

using namespace persistence_test;
using plat::sim::FlashFaults;

constexpr char const* kBanks = "/dev/mtd3";
constexpr char const* kParameters = "/dev/mtd2";

std::string Compact(rapidjson::Document const& document)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    document.Accept(writer);
    return {buffer.GetString(), buffer.GetSize()};
}

using SaveTest = SettingsTest;

TEST_F(SaveTest, SaveLeavesEightLinesAndCompactParameterText)
{
    ASSERT_EQ(command("set read/upc_a:false"), std::string(1, kAck));
    ASSERT_EQ(command("set bank:2"), std::string(1, kAck));
    ASSERT_EQ(command("set read/ean13:false"), std::string(1, kAck));
    ASSERT_EQ(command("set bank:0"), std::string(1, kAck));
    FactorySettings::getInstance().Interface(FactorySettings::kInterfaceUsbSerial);
    FactorySettings::getInstance().CommandLine(1, "Z1");

    ASSERT_EQ(command("save"), std::string(1, kAck));

    std::string const banks = StoredText(kBanks);
    std::string rest;
    auto const lines = SplitLines(banks, rest);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_TRUE(rest.empty());
    for (std::size_t bank = 0; bank < lines.size(); ++bank) {
        rapidjson::Document line; // a separate reader for every line
        ASSERT_FALSE(line.Parse(lines[bank].c_str()).HasParseError()) << "bank " << bank << ": " << lines[bank];
        ASSERT_TRUE(line.IsObject());
        if (bank == 0) {
            EXPECT_FALSE(line["read"]["upc_a"].GetBool());
        } else if (bank == 2) {
            EXPECT_FALSE(line["read"]["ean13"].GetBool());
            EXPECT_FALSE(line.HasMember("bank")); // shared values only in the first line
        } else {
            EXPECT_EQ(line.MemberCount(), 0u) << lines[bank];
        }
    }

    std::string const parameters = StoredText(kParameters);
    rapidjson::Document document;
    ASSERT_FALSE(document.Parse(parameters.c_str()).HasParseError()) << parameters;
    EXPECT_EQ(Compact(document), parameters);
    ASSERT_TRUE(document["factorysettings"].IsObject());
    EXPECT_EQ(document["factorysettings"]["interface"].GetUint(), 9u);
    EXPECT_STREQ(document["factorysettings"]["cmd_line_1"].GetString(), "Z1");
    EXPECT_FALSE(document["factorysettings"].HasMember("cmd_line_0")); // equal to its default
}

TEST_F(SaveTest, LoadBringsSavedSettingsBack)
{
    ASSERT_EQ(command("set read/upc_a:false"), std::string(1, kAck));
    ASSERT_EQ(command("set bank:5"), std::string(1, kAck));
    ASSERT_EQ(command("set read/ean13:false"), std::string(1, kAck));
    FactorySettings::getInstance().Interface(FactorySettings::kInterfaceUsbKeyboard);
    ASSERT_EQ(command("save"), std::string(1, kAck));
    std::string const saved = exported();

    StoreToFactoryDefaults();
    ASSERT_EQ(command("load"), std::string(1, kAck));
    EXPECT_EQ(exported(), saved);
    EXPECT_EQ(command("get bank"), "5\r");
    EXPECT_EQ(command("get read/ean13"), "false\r");
    EXPECT_EQ(FactorySettings::getInstance().Interface(), FactorySettings::kInterfaceUsbKeyboard);
}

TEST_F(SaveTest, LoadOfErasedFlashChangesNothing)
{
    ASSERT_EQ(command("set read/upc_a:false"), std::string(1, kAck));
    std::string const before = exported();
    EXPECT_FALSE(LoadActiveSettings());
    EXPECT_EQ(command("load"), std::string(1, kNak));
    EXPECT_EQ(exported(), before);
}

TEST_F(SaveTest, MissingPartitionIsRefusedAndNothingTakesItsPlace)
{
    ASSERT_EQ(command("set read/upc_a:false"), std::string(1, kAck));
    ASSERT_EQ(command("save"), std::string(1, kAck));
    std::string const earlier = exported();
    auto const files = [this] {
        std::vector<std::string> names;
        for (auto const& entry : std::filesystem::directory_iterator(directory())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    auto const before = files();

    ASSERT_TRUE(board().removeDevice(kBanks));
    ASSERT_EQ(command("set read/ean13:false"), std::string(1, kAck));
    EXPECT_EQ(command("save"), std::string(1, kNak));
    ASSERT_TRUE(board().restoreDevice(kBanks));
    EXPECT_EQ(files(), before);

    StoreToFactoryDefaults();
    EXPECT_TRUE(LoadActiveSettings());
    EXPECT_EQ(exported(), earlier);
}

TEST_F(SaveTest, UartSettingThePortCannotTakeIsNeverSaved)
{
    UartSettings::getInstance();
    // The line cannot run at 1200 baud: stored, the setting would not be what the port does.
    EXPECT_EQ(command("set interface/uart/baud_rate:1200"), std::string(1, kNak));
    ASSERT_EQ(command("set interface/uart/baud_rate:19200"), std::string(1, kAck));
    EXPECT_EQ(command("save"), std::string(1, kAck));
}

struct SaveFault {
    char const* name;
    char const* partition;
    FlashFaults faults;
};

void PrintTo(SaveFault const& fault, std::ostream* os) { *os << fault.name; }

FlashFaults Faults(void (*set)(FlashFaults&))
{
    FlashFaults faults;
    set(faults);
    return faults;
}

class SaveFaultTest : public SettingsTest, public ::testing::WithParamInterface<SaveFault> {};

TEST_P(SaveFaultTest, IsAnsweredWithNakAndTheEarlierSaveStaysWhole)
{
    ASSERT_EQ(command("set read/upc_a:false"), std::string(1, kAck));
    ASSERT_EQ(command("save"), std::string(1, kAck));
    std::string const earlier = exported();

    ASSERT_EQ(command("set read/ean13:false"), std::string(1, kAck));
    FactorySettings::getInstance().Interface(FactorySettings::kInterfaceUsbSerial); // new parameter text
    ASSERT_TRUE(board().setFlashFaults(GetParam().partition, GetParam().faults));
    EXPECT_EQ(command("save"), std::string(1, kNak));
    ASSERT_TRUE(board().setFlashFaults(GetParam().partition, FlashFaults{}));

    // As after a restart.
    StoreToFactoryDefaults();
    EXPECT_TRUE(LoadActiveSettings());
    EXPECT_EQ(exported(), earlier);
    EXPECT_EQ(FactorySettings::getInstance().Interface(), FactorySettings::kInterfaceUart);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SaveFaultTest,
    ::testing::Values(
        SaveFault{"banks_zero_erase_size", kBanks, Faults([](FlashFaults& f) { f.zeroEraseSize = true; })},
        SaveFault{"banks_erase", kBanks, Faults([](FlashFaults& f) { f.failErase = true; })},
        SaveFault{"banks_short_write", kBanks, Faults([](FlashFaults& f) { f.shortWriteAfter = 10; })},
        SaveFault{"banks_power_cut", kBanks, Faults([](FlashFaults& f) { f.powerCutAfter = 10; })},
        SaveFault{"banks_erase_cut", kBanks, Faults([](FlashFaults& f) { f.eraseCutAfter = 1; })},
        SaveFault{"parameters_erase", kParameters, Faults([](FlashFaults& f) { f.failErase = true; })},
        SaveFault{"parameters_power_cut", kParameters, Faults([](FlashFaults& f) { f.powerCutAfter = 10; })}),
    [](auto const& info) { return std::string(info.param.name); });

// A power cut anywhere in a save: after any byte programmed or during any block erase, on
// either partition. The save writes the parameter text before the banks, so a cut on the
// parameter partition finds the banks' partition without power as well.
struct CutSaveCase {
    char const* name;
    bool olderLayout; // the earlier settings as a board of the single-copy layout holds them
    int earlierSaves; // else saved this many times (1: second half in use, 2: first half)
};

void PrintTo(CutSaveCase const& c, std::ostream* os) { *os << c.name; }

class CutSaveTest : public SettingsTest, public ::testing::WithParamInterface<CutSaveCase> {
protected:
    struct Settings {
        std::string banks;
        unsigned char interface;
        bool operator==(Settings const&) const = default;
    };

    Settings current() { return {exported(), FactorySettings::getInstance().Interface()}; }

    void changeToNew()
    {
        ASSERT_EQ(command("set read/ean13:false"), std::string(1, kAck));
        ASSERT_EQ(command("set bank:3"), std::string(1, kAck));
        ASSERT_EQ(command("set read/upc_e:false"), std::string(1, kAck));
        FactorySettings::getInstance().Interface(FactorySettings::kInterfaceUsbKeyboard);
    }

    // The start's load on the flash as it is, from settings that are neither.
    Settings restart()
    {
        StoreToFactoryDefaults();
        EXPECT_EQ(command("set read/code128:false"), std::string(1, kAck));
        LoadStartSettings();
        return current();
    }
};

TEST_P(CutSaveTest, EveryStartComesUpWithTheEarlierOrTheNewSettings)
{
    ASSERT_EQ(command("set read/upc_a:false"), std::string(1, kAck));
    FactorySettings::getInstance().Interface(FactorySettings::kInterfaceUsbSerial);
    if (GetParam().olderLayout) {
        std::string parameters;
        ASSERT_TRUE(ParameterObject::SerializeToString(parameters));
        for (auto const& [partition, text] : {std::pair(kBanks, exported()), std::pair(kParameters, parameters)}) {
            ASSERT_TRUE(board().flashLoad(partition, 0, std::vector<std::uint8_t>(text.begin(), text.end())));
        }
    }
    for (int i = 0; i < GetParam().earlierSaves; ++i) {
        ASSERT_EQ(command("save"), std::string(1, kAck));
    }
    Settings const earlier = current();
    ASSERT_EQ(restart(), earlier);
    auto const earlierBanks = board().flashDump(kBanks);
    auto const earlierParameters = board().flashDump(kParameters);

    changeToNew();
    Settings const fresh = current();
    std::string parameters;
    ASSERT_TRUE(ParameterObject::SerializeToString(parameters));
    std::int64_t const parameterBytes = static_cast<std::int64_t>(parameters.size() + kCopyMarkSize);

    // Cuts after 0 .. all bytes programmed, then during each block erase of each partition.
    std::vector<std::pair<FlashFaults, FlashFaults>> cuts;
    FlashFaults const none;
    FlashFaults dead;
    dead.powerCutAfter = 0;
    for (std::int64_t n = 0; n < parameterBytes; ++n) {
        FlashFaults f;
        f.powerCutAfter = n;
        cuts.emplace_back(f, dead);
    }
    for (std::int64_t n = 0; n <= static_cast<std::int64_t>(fresh.banks.size() + kCopyMarkSize); ++n) {
        FlashFaults f;
        f.powerCutAfter = n;
        cuts.emplace_back(none, f);
    }
    for (std::int64_t blocks : {0, 1}) {
        FlashFaults f;
        f.eraseCutAfter = blocks;
        if (blocks == 0) {
            cuts.emplace_back(f, dead); // the parameters' half is one block
        }
        cuts.emplace_back(none, f);
    }

    int earlierStarts = 0;
    int freshStarts = 0;
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        SCOPED_TRACE("cut " + std::to_string(i));
        ASSERT_TRUE(board().flashLoad(kBanks, 0, earlierBanks));
        ASSERT_TRUE(board().flashLoad(kParameters, 0, earlierParameters));
        Settings const before = restart();
        ASSERT_EQ(before, earlier);
        changeToNew();
        ASSERT_TRUE(board().setFlashFaults(kParameters, cuts[i].first));
        ASSERT_TRUE(board().setFlashFaults(kBanks, cuts[i].second));
        bool const saved = command("save") == std::string(1, kAck);
        ASSERT_TRUE(board().setFlashFaults(kParameters, none));
        ASSERT_TRUE(board().setFlashFaults(kBanks, none));

        Settings const after = restart();
        if (after == earlier) {
            ++earlierStarts;
            EXPECT_FALSE(saved);
        } else if (after == fresh) {
            ++freshStarts;
        } else {
            ADD_FAILURE() << "neither the earlier nor the new settings:\n" << after.banks << "interface "
                          << int{after.interface};
        }
    }
    // The last cut of the banks' bytes is after the whole save.
    EXPECT_GE(freshStarts, 1);
    EXPECT_GE(earlierStarts, static_cast<int>(cuts.size()) - 4);
}

INSTANTIATE_TEST_SUITE_P(Boards, CutSaveTest,
                         ::testing::Values(CutSaveCase{"older_layout", true, 0},
                                           CutSaveCase{"second_half_in_use", false, 1},
                                           CutSaveCase{"first_half_in_use", false, 2}),
                         [](auto const& info) { return std::string(info.param.name); });

// Damaged flash images; the first lines are good ones that would change settings if a
// load took them without the rest.
struct Image {
    char const* name;
    std::string banks;
    std::string parameters; // empty: erased
};

void PrintTo(Image const& image, std::ostream* os) { *os << image.name; }

std::string const kGood0 = "{\"read\":{\"ean13\":false}}\r";
std::string const kGood1 = "{\"read\":{\"upc_e\":false}}\r";
std::string const kEmpty = "{}\r";

std::string Repeat(std::string const& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

std::string RandomBytes(std::size_t count)
{
    support::Random random(8);
    std::string bytes;
    while (bytes.size() < count) {
        auto const b = static_cast<char>(random.next() & 0xFF);
        if (b != '\xFF') { // an erased byte would only end the text early
            bytes.push_back(b);
        }
    }
    return bytes;
}

std::vector<Image> DamagedImages()
{
    std::string const good8 = kGood0 + kGood1 + Repeat(kEmpty, 6);
    return {
        {"random_bytes", RandomBytes(3000), ""},
        {"truncated_json", kGood0 + kGood1 + kEmpty + "{\"read\":{\"upc", ""},
        {"lines_without_cr", "{\"read\":{\"ean13\":false}}\n{}\n{}\n{}\n{}\n{}\n{}\n{}\n", ""},
        {"erased_byte_inside", kGood0 + kGood1 + kEmpty + kEmpty + "\xFF" + Repeat(kEmpty, 4), ""},
        {"seven_lines", kGood0 + kGood1 + Repeat(kEmpty, 5), ""},
        {"refused_value", kGood0 + kGood1 + kEmpty + kEmpty + "{\"read\":{\"upc_a\":7}}\r" + Repeat(kEmpty, 3), ""},
        {"shared_value_out_of_range", "{\"bank\":9}\r" + Repeat(kEmpty, 7), ""},
        {"nul_bytes", std::string(40, '\0') + "\r" + Repeat(kEmpty, 7), ""},
        {"overlong_line", std::string(200000, ' ') + "\r" + Repeat(kEmpty, 7), ""},
        {"not_an_object", "[1,2]\r" + Repeat(kEmpty, 7), ""},
        {"parameters_truncated", good8, "{\"factorysettings\":{\"interface\":9"},
        {"parameters_garbage", good8, RandomBytes(100)},
    };
}

class DamagedFlashTest : public SettingsTest, public ::testing::WithParamInterface<Image> {};

TEST_P(DamagedFlashTest, LoadIsRefusedAndChangesNothing)
{
    ASSERT_EQ(command("set read/upc_a:false"), std::string(1, kAck));
    ASSERT_EQ(command("set bank:1"), std::string(1, kAck));
    std::string const before = exported();

    auto const load = [this](char const* partition, std::string const& text) {
        ASSERT_TRUE(board().flashLoad(partition, 0, std::vector<std::uint8_t>(text.begin(), text.end())));
    };
    load(kBanks, GetParam().banks);
    if (!GetParam().parameters.empty()) {
        load(kParameters, GetParam().parameters);
    }

    EXPECT_FALSE(LoadActiveSettings());
    EXPECT_EQ(exported(), before);
    EXPECT_EQ(command("load"), std::string(1, kNak));
    EXPECT_EQ(exported(), before);
    EXPECT_EQ(FactorySettings::getInstance().Interface(), FactorySettings::kInterfaceUart);
}

INSTANTIATE_TEST_SUITE_P(Images, DamagedFlashTest, ::testing::ValuesIn(DamagedImages()),
                         [](auto const& info) { return std::string(info.param.name); });

TEST_F(SaveTest, CustomDefaultRoundTrip)
{
    ASSERT_TRUE(SaveCustomDefault());
    EXPECT_EQ(StoredText("/dev/mtd4"), "{}\r");
    ASSERT_TRUE(LoadCustomDefault());

    // A cut save keeps the earlier custom default.
    FlashFaults cut;
    cut.powerCutAfter = 2;
    ASSERT_TRUE(board().setFlashFaults("/dev/mtd4", cut));
    EXPECT_FALSE(SaveCustomDefault());
    ASSERT_TRUE(board().setFlashFaults("/dev/mtd4", FlashFaults{}));
    EXPECT_EQ(StoredText("/dev/mtd4"), "{}\r");
}

TEST_F(SaveTest, DamagedCustomDefaultIsRefusedForTheFactoryDefaults)
{
    ASSERT_TRUE(board().flashLoad("/dev/mtd4", 0, {'{', '"', 'r'}));
    ASSERT_EQ(command("set read/upc_a:false"), std::string(1, kAck));
    EXPECT_FALSE(LoadCustomDefault());
    EXPECT_EQ(command("get read/upc_a"), "true\r");
}

} // namespace
