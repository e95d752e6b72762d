// Raw flash partitions on the simulated NOR flash: what a rewrite leaves on the part,
// and that every failing step is reported with the old contents kept where the part
// was not touched yet.
#include "app/flash_partition.h"

#include "tests/platform/board_fixture.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using platform_test::BoardTest;
using plat::sim::FlashFaults;

constexpr char const* kWrite = "/dev/mtd2";
constexpr char const* kRead = "/dev/mtd2ro";

class PartitionTest : public BoardTest {
protected:
    std::string stored()
    {
        std::string text;
        EXPECT_EQ(ReadPartitionText(kRead, text), PartitionRead::Text);
        return text;
    }

    unsigned totalErases()
    {
        auto const counts = board().flashEraseCounts(kWrite);
        unsigned total = 0;
        for (unsigned n : counts) {
            total += n;
        }
        return total;
    }
};

TEST_F(PartitionTest, RewriteLeavesTextThenErasedTail)
{
    std::string const longText(70000, 'x'); // spans two erase blocks
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, longText));
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, "{\"a\":1}"));

    auto const dump = board().flashDump(kWrite);
    ASSERT_FALSE(dump.empty());
    std::string const head(dump.begin(), dump.begin() + 7);
    EXPECT_EQ(head, "{\"a\":1}");
    // Programming can only clear bits: without the erase the old 'x' would show through.
    EXPECT_TRUE(std::all_of(dump.begin() + 7, dump.end(), [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(stored(), "{\"a\":1}");
    auto const counts = board().flashEraseCounts(kWrite);
    EXPECT_TRUE(std::all_of(counts.begin(), counts.end(), [](unsigned n) { return n == 2; }));
}

TEST_F(PartitionTest, EmptyTextLeavesPartitionErased)
{
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, "{}"));
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, ""));
    std::string text = "left over";
    EXPECT_EQ(ReadPartitionText(kRead, text), PartitionRead::Empty);
    EXPECT_TRUE(text.empty());
}

TEST_F(PartitionTest, ReadStopsAtFirstErasedByte)
{
    ASSERT_TRUE(board().flashLoad(kWrite, 0, {'a', 'b', 0xFF, 'c', 'd'}));
    EXPECT_EQ(stored(), "ab");
}

TEST_F(PartitionTest, ReadFailuresAreNotEmptyText)
{
    std::string text;
    EXPECT_EQ(ReadPartitionText(kRead, text), PartitionRead::Empty); // new board: erased

    ASSERT_TRUE(board().flashLoad(kWrite, 0, {'a'}));
    FlashFaults faults;
    faults.failOpen = true;
    ASSERT_TRUE(board().setFlashFaults(kWrite, faults));
    EXPECT_EQ(ReadPartitionText(kRead, text), PartitionRead::Unreadable);

    ASSERT_TRUE(board().setFlashFaults(kWrite, FlashFaults{}));
    ASSERT_TRUE(board().removeDevice(kRead));
    EXPECT_EQ(ReadPartitionText(kRead, text), PartitionRead::Unreadable);
}

struct WriteFault {
    char const* name;
    FlashFaults faults;
    bool keepsOldText; // the part was not changed before the failure showed
};

void PrintTo(WriteFault const& fault, std::ostream* os) { *os << fault.name; }

FlashFaults faultWith(void (*set)(FlashFaults&))
{
    FlashFaults faults;
    set(faults);
    return faults;
}

class PartitionFaultTest : public PartitionTest, public ::testing::WithParamInterface<WriteFault> {};

TEST_P(PartitionFaultTest, FailureIsReported)
{
    std::string const old = "{\"old\":true}";
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, old));
    ASSERT_TRUE(board().setFlashFaults(kWrite, GetParam().faults));

    EXPECT_FALSE(WritePartitionText(kWrite, kRead, "{\"new\":\"a longer text than the old one\"}"));

    ASSERT_TRUE(board().setFlashFaults(kWrite, FlashFaults{}));
    if (GetParam().keepsOldText) {
        EXPECT_EQ(stored(), old);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PartitionFaultTest,
    ::testing::Values(
        WriteFault{"open", faultWith([](FlashFaults& f) { f.failOpen = true; }), true},
        WriteFault{"geometry", faultWith([](FlashFaults& f) { f.failGetInfo = true; }), true},
        WriteFault{"zero_erase_size", faultWith([](FlashFaults& f) { f.zeroEraseSize = true; }), true},
        WriteFault{"erase", faultWith([](FlashFaults& f) { f.failErase = true; }), true},
        WriteFault{"short_write", faultWith([](FlashFaults& f) { f.shortWriteAfter = 5; }), false},
        WriteFault{"power_cut", faultWith([](FlashFaults& f) { f.powerCutAfter = 5; }), false}),
    [](auto const& info) { return std::string(info.param.name); });

TEST_F(PartitionTest, TextThatCannotBeStoredIsRefusedBeforeErasing)
{
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, "{}"));
    unsigned const erases = totalErases();

    auto const size = board().flashGeometry(kWrite)->size;
    EXPECT_FALSE(WritePartitionText(kWrite, kRead, std::string(size + 1, 'x')));
    EXPECT_FALSE(WritePartitionText(kWrite, kRead, std::string("{\"a\":\"\xFF\"}")));

    EXPECT_EQ(totalErases(), erases);
    EXPECT_EQ(stored(), "{}");
}

TEST_F(PartitionTest, EraseNeedsAPartition)
{
    EXPECT_FALSE(ErasePartition(nullptr));
    // The read-only twin takes no erase.
    FILE* const readOnly = plat::fopen(kRead, "rb");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_FALSE(ErasePartition(readOnly));
    plat::fclose(readOnly);
}

} // namespace
