// Raw flash partitions on the simulated NOR flash: each save writes the half that does
// not hold the copy in use, a power cut at any byte or during an erase leaves the earlier
// or the new text, the older single-copy layout is read and kept, and every failing step
// is reported.
#include "app/settings/flash_partition.h"

#include "app/settings/flash_copy_mark.h"
#include "tests/platform/board_fixture.h"

#include <algorithm>
#include <numeric>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using platform_test::BoardTest;
using plat::sim::FlashFaults;
using Bytes = std::vector<std::uint8_t>;

constexpr char const* kWrite = "/dev/mtd3"; // four erase blocks: two to each half
constexpr char const* kRead = "/dev/mtd3ro";
constexpr std::uint32_t kHalf = 128 * 1024;

class PartitionTest : public BoardTest {
protected:
    std::string stored(std::uint32_t linkedUpTo = kAnyLink)
    {
        std::string text;
        EXPECT_NE(ReadPartitionText(kRead, text, linkedUpTo), PartitionRead::Unreadable);
        return text;
    }

    // A half as a reader of the older layout sees it: up to the first erased byte.
    std::string halfText(unsigned half)
    {
        auto const dump = board().flashDump(kWrite);
        auto const begin = dump.begin() + half * kHalf;
        return {begin, std::find(begin, begin + kHalf, 0xFF)};
    }

    unsigned totalErases()
    {
        auto const counts = board().flashEraseCounts(kWrite);
        return std::accumulate(counts.begin(), counts.end(), 0u);
    }

    void loadOlderLayout(std::string const& text)
    {
        ASSERT_TRUE(board().flashLoad(kWrite, 0, Bytes(text.begin(), text.end())));
    }
};

TEST_F(PartitionTest, EachSaveWritesTheOtherHalfAndLeavesTextThenErasedBytes)
{
    std::string const longText(70000, 'x'); // more than one erase block
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, longText));
    EXPECT_EQ(halfText(0), "");
    EXPECT_EQ(halfText(1), longText);
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, "{\"a\":1}"));
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, "{\"a\":2}"));

    // The earlier copy stays beside the newest one; programming only clears bits, so
    // without the erase the old 'x' would show through after the short text.
    EXPECT_EQ(halfText(0), "{\"a\":1}");
    EXPECT_EQ(halfText(1), "{\"a\":2}");
    EXPECT_EQ(stored(), "{\"a\":2}");
    EXPECT_EQ(board().flashEraseCounts(kWrite), (std::vector<unsigned>{1, 1, 2, 2}));
    std::uint32_t generation = 0;
    ASSERT_TRUE(NewestPartitionGeneration(kRead, generation));
    EXPECT_EQ(generation, 3u);
}

TEST_F(PartitionTest, EmptyTextIsACopyThatReadsEmpty)
{
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, "{}"));
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, ""));
    std::string text = "left over";
    EXPECT_EQ(ReadPartitionText(kRead, text), PartitionRead::Empty);
    EXPECT_TRUE(text.empty());
}

TEST_F(PartitionTest, OlderLayoutIsReadUpToTheFirstErasedByteAndKeptUntilTheNewCopyIsWhole)
{
    loadOlderLayout(std::string("ab\xFF" "cd", 5));
    EXPECT_EQ(stored(), "ab");
    std::uint32_t generation = 7;
    ASSERT_TRUE(NewestPartitionGeneration(kRead, generation));
    EXPECT_EQ(generation, 0u);

    // Longer than a half: still read whole while nothing else is stored.
    std::string const longText(kHalf + 100, 'o');
    loadOlderLayout(longText);
    EXPECT_EQ(stored(), longText);

    loadOlderLayout("old");
    ASSERT_TRUE(board().flashLoad(kWrite, 3, Bytes(longText.size() - 3, 0xFF)));
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, "new"));
    EXPECT_EQ(halfText(0), "old");
    EXPECT_EQ(stored(), "new");
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, "newer"));
    EXPECT_EQ(halfText(0), "newer");
    EXPECT_EQ(stored(), "newer");
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

// Where the earlier text stands when a save starts.
enum class Earlier { OlderLayout, FirstHalf, SecondHalf };

struct CutCase {
    char const* name;
    Earlier earlier;
};

void PrintTo(CutCase const& c, std::ostream* os) { *os << c.name; }

class PartitionCutTest : public PartitionTest, public ::testing::WithParamInterface<CutCase> {
protected:
    void storeEarlier()
    {
        switch (GetParam().earlier) {
        case Earlier::OlderLayout:
            loadOlderLayout(kEarlier);
            break;
        case Earlier::SecondHalf:
            ASSERT_TRUE(WritePartitionText(kWrite, kRead, kEarlier));
            break;
        case Earlier::FirstHalf:
            ASSERT_TRUE(WritePartitionText(kWrite, kRead, "before that"));
            ASSERT_TRUE(WritePartitionText(kWrite, kRead, kEarlier));
            break;
        }
    }

    // One save with the fault; what reads back after the power returns.
    std::string cutSave(FlashFaults const& faults, Bytes const& image)
    {
        EXPECT_TRUE(board().flashLoad(kWrite, 0, image));
        EXPECT_TRUE(board().setFlashFaults(kWrite, faults));
        bool const saved = WritePartitionText(kWrite, kRead, kNew);
        EXPECT_TRUE(board().setFlashFaults(kWrite, FlashFaults{}));
        std::string const text = stored();
        EXPECT_EQ(saved, text == kNew) << "a save reports success exactly when its text counts";
        return text;
    }

    std::string const kEarlier = "{\"earlier\":[1,2,3]}";
    std::string const kNew = "{\"new\":\"a longer text than the earlier one\"}";
};

TEST_P(PartitionCutTest, CutAtAnyByteOrDuringTheEraseLeavesTheEarlierOrTheNewText)
{
    storeEarlier();
    Bytes const image = board().flashDump(kWrite);
    ASSERT_EQ(stored(), kEarlier);

    int earlier = 0;
    int fresh = 0;
    auto const count = [&](std::string const& text, std::string const& what) {
        if (text == kEarlier) {
            ++earlier;
        } else if (text == kNew) {
            ++fresh;
        } else {
            ADD_FAILURE() << what << ": read back \"" << text << "\"";
        }
    };
    // Every byte of the text and of the mark, and once past the end (a whole save).
    for (std::int64_t cut = 0; cut <= static_cast<std::int64_t>(kNew.size() + kCopyMarkSize); ++cut) {
        FlashFaults faults;
        faults.powerCutAfter = cut;
        count(cutSave(faults, image), "cut after " + std::to_string(cut) + " bytes");
    }
    for (std::int64_t blocks = 0; blocks < 2; ++blocks) {
        FlashFaults faults;
        faults.eraseCutAfter = blocks;
        count(cutSave(faults, image), "cut during erase block " + std::to_string(blocks));
    }
    // The new text counts once its checksum is programmed (a checksum byte that is 0xFF
    // needs no programming), never before.
    EXPECT_GE(fresh, 1);
    EXPECT_GE(earlier, static_cast<int>(kNew.size() + kCopyMarkSize - 4) + 2);
    EXPECT_EQ(earlier + fresh, static_cast<int>(kNew.size() + kCopyMarkSize) + 3);
}

INSTANTIATE_TEST_SUITE_P(Earlier, PartitionCutTest,
                         ::testing::Values(CutCase{"older_layout", Earlier::OlderLayout},
                                           CutCase{"first_half", Earlier::FirstHalf},
                                           CutCase{"second_half", Earlier::SecondHalf}),
                         [](auto const& info) { return std::string(info.param.name); });

TEST_F(PartitionTest, CopyTiedToALaterGenerationCountsOnlyForReadersThatTakeIt)
{
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, "A", 0));
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, "B", 5, 0)); // a save whose other half never came
    EXPECT_EQ(stored(), "B");
    EXPECT_EQ(stored(4), "A");

    // The next save keeps the copy in use for generation 4 and takes the other half.
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, "C", 1, 4));
    EXPECT_EQ(stored(4), "C");
    EXPECT_EQ(stored(0), "A");
    EXPECT_EQ(halfText(1), "A");
}

struct WriteFault {
    char const* name;
    FlashFaults faults;
};

void PrintTo(WriteFault const& fault, std::ostream* os) { *os << fault.name; }

FlashFaults faultWith(void (*set)(FlashFaults&))
{
    FlashFaults faults;
    set(faults);
    return faults;
}

class PartitionFaultTest : public PartitionTest, public ::testing::WithParamInterface<WriteFault> {};

TEST_P(PartitionFaultTest, FailureIsReportedAndTheEarlierTextStays)
{
    std::string const old = "{\"old\":true}";
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, old));
    ASSERT_TRUE(board().setFlashFaults(kWrite, GetParam().faults));

    EXPECT_FALSE(WritePartitionText(kWrite, kRead, "{\"new\":\"a longer text than the old one\"}"));

    ASSERT_TRUE(board().setFlashFaults(kWrite, FlashFaults{}));
    EXPECT_EQ(stored(), old);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PartitionFaultTest,
    ::testing::Values(WriteFault{"open", faultWith([](FlashFaults& f) { f.failOpen = true; })},
                      WriteFault{"geometry", faultWith([](FlashFaults& f) { f.failGetInfo = true; })},
                      WriteFault{"zero_erase_size", faultWith([](FlashFaults& f) { f.zeroEraseSize = true; })},
                      WriteFault{"erase", faultWith([](FlashFaults& f) { f.failErase = true; })},
                      WriteFault{"short_write", faultWith([](FlashFaults& f) { f.shortWriteAfter = 5; })},
                      WriteFault{"power_cut", faultWith([](FlashFaults& f) { f.powerCutAfter = 5; })},
                      WriteFault{"erase_cut", faultWith([](FlashFaults& f) { f.eraseCutAfter = 1; })}),
    [](auto const& info) { return std::string(info.param.name); });

TEST_F(PartitionTest, TextThatCannotBeStoredIsRefusedBeforeErasing)
{
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, "{}"));
    unsigned const erases = totalErases();

    std::size_t const room = kHalf - kCopyMarkSize;
    EXPECT_FALSE(WritePartitionText(kWrite, kRead, std::string(room + 1, 'x')));
    EXPECT_FALSE(WritePartitionText(kWrite, kRead, std::string("{\"a\":\"\xFF\"}")));
    EXPECT_EQ(totalErases(), erases);
    EXPECT_EQ(stored(), "{}");

    std::string const full(room, 'y');
    ASSERT_TRUE(WritePartitionText(kWrite, kRead, full));
    EXPECT_EQ(stored(), full);
}

} // namespace
