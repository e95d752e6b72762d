// A board whose parameter partition (mtd2) was damaged or erased after a save starts with
// the settings banks it saved, the parameter objects alone on their defaults, and says so
// in the device information; a parameter text that belongs to a later save than the
// banks is never taken.
#include "tests/sim/sim_program_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kPartitionBytes = 128 * 1024;
constexpr std::uintmax_t kHalfBytes = kPartitionBytes / 2;

std::string const kInformation = "Version:   SCAN0101<CR>Interface: UART<CR>";
std::string const kLostLine = "Settings:  stored parameters unreadable, on defaults<CR>";
// "X/Z" lines that tell output mode 2 ("X/2") from the defaults.
std::string const kMode2 = "ParenthesesAI       = 1";
std::string const kDefaultMode = "ParenthesesAI       = 0";

void WriteBytes(fs::path const& file, std::uintmax_t offset, std::string const& bytes)
{
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_TRUE(out.is_open()) << file;
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << file;
}

std::string Garbage(std::size_t count)
{
    std::string bytes;
    std::uint32_t state = 12345;
    while (bytes.size() < count) {
        state = state * 1664525u + 1013904223u;
        bytes.push_back(static_cast<char>(state >> 24));
    }
    return bytes;
}

std::vector<std::string> Lines(std::string const& text)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1) {
        lines.push_back(text.substr(from, at - from));
    }
    return lines;
}

class DamagedParametersRestart : public sim_test::SimProgramTest {
protected:
    fs::path file(char const* name) const { return directory_ / "board" / name; }

    // Banks: UPC-A off. Parameter objects: GS1 output mode 2.
    void saveSettings()
    {
        ASSERT_EQ(run("command", {"set read/upc_a:false", "[X/2", "save"}),
                  std::pair(std::string("<ACK>\n<ACK>\n<ACK>\n"), 0));
    }

    // What a start shows: UPC-A, EAN-13, the device information and the GS1 settings.
    std::vector<std::string> restart()
    {
        return Lines(run("command", {"get read/upc_a", "get read/ean13", "Z3", "[X/Z"}).first);
    }
};

struct Damage {
    char const* name;
    std::function<void(fs::path const&)> apply;
};

void PrintTo(Damage const& damage, std::ostream* os) { *os << damage.name; }

class DamagedParameterPartition : public DamagedParametersRestart, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedParameterPartition, LeavesTheBanksAndOnlyTheParameterObjectsFallBack)
{
    saveSettings();
    GetParam().apply(file("mtd2.bin"));

    auto const shown = restart();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0], "false<CR>"); // the banks' setting
    EXPECT_EQ(shown[1], "true<CR>");
    EXPECT_EQ(shown[2], kInformation + kLostLine + "<ACK>");
    EXPECT_NE(shown[3].find(kDefaultMode), std::string::npos) << shown[3];

    // A save that can write the partition again ends the fallback.
    if (fs::is_regular_file(file("mtd2.bin"))) {
        EXPECT_EQ(run("command", {"[X/2", "save"}), std::pair(std::string("<ACK>\n<ACK>\n"), 0));
        auto const saved = restart();
        ASSERT_EQ(saved.size(), 4u);
        EXPECT_EQ(saved[0], "false<CR>");
        EXPECT_EQ(saved[2], kInformation + "<ACK>");
        EXPECT_NE(saved[3].find(kMode2), std::string::npos) << saved[3];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Partitions, DamagedParameterPartition,
    ::testing::Values(
        Damage{"erased", [](fs::path const& f) { fs::resize_file(f, 0); }},
        Damage{"garbage", [](fs::path const& f) { WriteBytes(f, 0, Garbage(kPartitionBytes)); }},
        Damage{"zeros", [](fs::path const& f) { WriteBytes(f, 0, std::string(kPartitionBytes, '\0')); }},
        Damage{"deep_json",
               [](fs::path const& f) {
                   fs::resize_file(f, 0);
                   WriteBytes(f, 0, std::string(50000, '['));
               }},
        Damage{"bit_flipped_in_the_copy_in_use",
               [](fs::path const& f) { WriteBytes(f, kHalfBytes + 2, std::string(1, '\x01')); }},
        Damage{"unreadable",
               [](fs::path const& f) {
                   fs::remove(f);
                   fs::create_directory(f);
               }}),
    [](auto const& info) { return std::string(info.param.name); });

// A save cut short after the parameter text: the banks are still those of the save before,
// and the parameter partition holds the text of both saves, the new one tied to banks that
// never came. Replaying that flash state on a board: two saves, then the first banks back.
TEST_F(DamagedParametersRestart, ParameterTextOfALaterSaveIsNeverTaken)
{
    saveSettings(); // parameter text in the partition's second half
    std::string const firstBanks = file("mtd3.bin").string() + ".first";
    fs::copy_file(file("mtd3.bin"), firstBanks);
    ASSERT_EQ(run("command", {"set read/ean13:false", "[X/3", "save"}),
              std::pair(std::string("<ACK>\n<ACK>\n<ACK>\n"), 0)); // text in the first half
    fs::copy_file(firstBanks, file("mtd3.bin"), fs::copy_options::overwrite_existing);

    auto const cut = restart();
    ASSERT_EQ(cut.size(), 4u);
    EXPECT_EQ(cut[0], "false<CR>");
    EXPECT_EQ(cut[1], "true<CR>"); // the second save's banks never came
    EXPECT_EQ(cut[2], kInformation + "<ACK>");
    EXPECT_NE(cut[3].find(kMode2), std::string::npos) << cut[3]; // the first save's text

    // With the first save's text lost as well, the later text is still not taken: the
    // parameter objects fall back, and the banks stay.
    WriteBytes(file("mtd2.bin"), kHalfBytes, std::string(kHalfBytes, '\xFF'));
    auto const lost = restart();
    ASSERT_EQ(lost.size(), 4u);
    EXPECT_EQ(lost[0], "false<CR>");
    EXPECT_EQ(lost[1], "true<CR>");
    EXPECT_EQ(lost[2], kInformation + kLostLine + "<ACK>");
    EXPECT_NE(lost[3].find(kDefaultMode), std::string::npos) << lost[3];
    EXPECT_EQ(lost[3].find("DecimalPoint        = 1"), std::string::npos) << lost[3]; // nothing of "X/3"
}

} // namespace
