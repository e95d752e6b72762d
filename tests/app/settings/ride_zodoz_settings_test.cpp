// The data-editing memories as settings: texts out of configuration cells, a
// refused program leaving the working one and the stored text in force, and
// the programs following a switch of the settings bank.
#include "app/settings/ride_zodoz_for_command_system.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>

namespace {

namespace cfg = ivra_configuration;
using Memories = RideZodozForCommandSystem<DecodeDataByte>;
using Script = cfg::Array<std::uint32_t, 512>;

Script ScriptOf(std::string const& text)
{
    Script s{};
    for (unsigned char c : text)
        s.data[s.count++] = c;
    return s;
}

class MemorySettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
        Memories::getInstance();
        ASSERT_TRUE(cfg::Root().bank.Set(0));
        ASSERT_TRUE(cfg::Root().data_edit_programming.SetDefault());
        ASSERT_TRUE(cfg::Update());
    }
    void TearDown() override { SetUp(); }

    // Stores memory 2 as a command would; whether the change stood.
    bool SetMemory2(bool enable, std::string const& pattern, std::string const& format)
    {
        std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
        auto const& m = cfg::Root().data_edit_programming.memory2;
        bool const stored = m.enable.Set(enable) && m.cut_script.Set(ScriptOf(pattern)) &&
                            m.paste_script.Set(ScriptOf(format));
        return cfg::Update() && stored;
    }
    std::string Texts(unsigned slot)
    {
        std::string pattern, format;
        Memories::getInstance().Engine().Texts(slot, pattern, format);
        return pattern + "|" + format;
    }
};

TEST(MemoryText, CellsBecomeBytesWithinTheBuffer)
{
    unsigned char out[8] = {};
    std::uint32_t const mixed[] = {'A', 0x00758140, 'B'};
    ASSERT_TRUE(Memories::CopyToCString(mixed, 3, out, sizeof out));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), "A\x81\x40" "B");
    std::uint32_t const four[] = {'1', '2', '3', '4'};
    EXPECT_FALSE(Memories::CopyToCString(four, 4, out, 4)); // no room for the closing 0
    EXPECT_TRUE(Memories::CopyToCString(four, 4, out, 5));
    std::uint32_t const zero[] = {'A', 0x100};
    EXPECT_FALSE(Memories::CopyToCString(zero, 2, out, sizeof out));
}

TEST_F(MemorySettingsTest, ARefusedProgramKeepsTheWorkingOneAndItsText)
{
    ASSERT_TRUE(SetMemory2(true, "(.*)", "<[0]>"));
    EXPECT_TRUE(Memories::getInstance().Engine().IsInstalled(2));
    EXPECT_FALSE(SetMemory2(true, "(.*)", "(ab"));
    EXPECT_TRUE(Memories::getInstance().Engine().IsInstalled(2));
    EXPECT_EQ(Texts(2), "(.*)|<[0]>");
    auto const& stored = *static_cast<cfg::configuration::data_edit_programming::memory2::Struct const*>(
        cfg::Root().data_edit_programming.memory2.CalcAddress());
    EXPECT_EQ(stored.paste_script.count, 5u); // the setting was put back too
    EXPECT_TRUE(SetMemory2(false, "(.*)", "<[0]>"));
    EXPECT_FALSE(Memories::getInstance().Engine().IsInstalled(2));
}

TEST_F(MemorySettingsTest, ProgramsFollowTheSettingsBank)
{
    {
        std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
        ASSERT_TRUE(cfg::Root().bank.Set(3));
        ASSERT_TRUE(cfg::Update());
    }
    ASSERT_TRUE(SetMemory2(true, "B3(.*)", "[0,1]"));
    {
        std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
        ASSERT_TRUE(cfg::Root().bank.Set(0));
        ASSERT_TRUE(cfg::Update());
    }
    EXPECT_FALSE(Memories::getInstance().Engine().IsInstalled(2));
    {
        std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
        ASSERT_TRUE(cfg::Root().bank.Set(3));
        ASSERT_TRUE(cfg::Update());
    }
    EXPECT_TRUE(Memories::getInstance().Engine().IsInstalled(2));
    EXPECT_EQ(Texts(2), "B3(.*)|[0,1]");
    {
        std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
        ASSERT_TRUE(cfg::Root().data_edit_programming.SetDefault());
        ASSERT_TRUE(cfg::Update());
    }
}

} // namespace
