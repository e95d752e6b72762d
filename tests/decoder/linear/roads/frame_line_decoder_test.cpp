#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/bar_symbol_decoder_set.h"
#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/roads/line_decoder.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/linear/line/start_bar_symbol_list.h"

namespace DEC2DIvra {
namespace {

namespace cfg = ivra_configuration;

using Offer = std::pair<int, int>;  // decoder tag, line coordinate of the offered run

// A decoder that notes every run it is offered and answers as told.
class RecordingDecoder final : public BarSymbolDecoder {
public:
    RecordingDecoder(BarSymbolDecoderContext const& context, int tag, std::vector<Offer>& log,
                     tagSymbology symbology = SYMBOLOGY_CODE39)
        : BarSymbolDecoder(symbology, context), tag_(tag), log_(&log)
    {
    }

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override
    {
        log_->emplace_back(tag_, start->begin);
        negative = answerNegative;
        reverced = answerReverced;
        for (unsigned i = 0; i < symbolCount; ++i) {
            symbols.Push(BarSymbol{tag_, start->begin, start->end, 1, 2, 0});
        }
        if (pushGreys) {
            GetRateForTuningCalculator().PushBit(true, 900);
            GetRateForTuningCalculator().PushBit(false, 100);
        }
        return succeedFrom >= 0 && start->begin >= succeedFrom;
    }
    bool CheckCheckDigit(StackInterface<BarSymbol> const&, bool) const override { return checkAnswer; }
    bool Start(StackInterface<BarSymbol> const&, bool, DecodedLabel&) const override { return true; }
    bool IsEnableStartBarSymbol() const override { return keepStart; }

    int succeedFrom = -1;  // succeeds at runs from this coordinate on; -1 never
    unsigned symbolCount = 1;
    bool answerNegative = false;
    bool answerReverced = false;
    bool checkAnswer = true;
    bool keepStart = true;
    bool pushGreys = false;

private:
    int tag_;
    std::vector<Offer>* log_;
};

constexpr int kTagLimited = 99;

class FrameLineDecoderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        manager.Root().readable_medium.positive_and_negative_codes.all_1d_and_composite_codes.Set(
            cfg::configuration::readable_medium::positive_and_negative_codes::all_1d_and_composite_codes::Enum(0));
        ASSERT_TRUE(decoder.IsReady());
        ASSERT_TRUE(result.Initialize(memory));
        // A clean square wave: 8 dark samples, 24 light, over 1024 samples.
        for (unsigned i = 0; i < 1024; ++i) {
            sampleBuffer[i] = PickLineElement{static_cast<int>(i) * 16, (i % 32) < 8 ? 100u : 900u};
        }
        samples.SetCount(1024);
    }

    RecordingDecoder& Add(unsigned entry, int tag, tagSymbology symbology = SYMBOLOGY_CODE39)
    {
        recorders.emplace_back(std::make_unique<RecordingDecoder>(set.GetContext(), tag, log, symbology));
        set.SetTrialDecoder(entry, recorders.back().get());
        return *recorders.back();
    }

    bool Decode(bool wholeLine)
    {
        bool falseEdge = false;
        return decoder.Start(GrayImage(), Region(), samples, wholeLine, result, falseEdge, true, 16);
    }

    int LineLength() const { return result.elements.GetTop().end; }

    cfg::ConfigurationManager manager;
    DEC2DProperty property{manager.Root()};
    RateForTuningCalculator rate;
    BarSymbolDecoderSet set{property, rate};
    std::vector<unsigned char> work = std::vector<unsigned char>(1 << 20);
    SharedMemoryDistributor memory{work.data(), static_cast<unsigned>(work.size())};
    LineDecoder decoder{memory, property.detail_of_decoder, rate, set};
    LineDecodeData result;
    PickLineElement sampleBuffer[1024];
    StackInterface<PickLineElement> samples{sampleBuffer, 1024};
    std::vector<Offer> log;
    std::vector<std::unique_ptr<RecordingDecoder>> recorders;
};

TEST(FrameJumpThresholdTest, HalfTheLargestStepCappedAt85)
{
    EXPECT_EQ(LineDecoder::CalcJumpThreshold(200), 85u);
    EXPECT_EQ(LineDecoder::CalcJumpThreshold(100), 50u);
    EXPECT_EQ(LineDecoder::CalcJumpThreshold(171), 85u);
    EXPECT_EQ(LineDecoder::CalcJumpThreshold(172), 85u);
    EXPECT_EQ(LineDecoder::CalcJumpThreshold(169), 84u);
    EXPECT_EQ(LineDecoder::CalcJumpThreshold(0), 0u);
    EXPECT_EQ(LineDecoder::CalcJumpThreshold(0xFFFFFFFFu), 85u);
}

TEST_F(FrameLineDecoderTest, EachDecoderIsTriedOnlyInItsPartOfTheLine)
{
    Add(BarSymbolDecoderSet::kCode39, 2);
    Add(BarSymbolDecoderSet::kWpc, 0);
    auto limited = std::make_unique<RecordingDecoder>(set.GetContext(), kTagLimited, log, SYMBOLOGY_GS1_DATABAR);
    set.SetRSSLimitedDecoder(limited.get());

    for (bool wholeLine : {false, true}) {
        log.clear();
        EXPECT_FALSE(Decode(wholeLine));
        int const length = LineLength();
        int general[2] = {1 << 30, -1};  // lowest and highest offer
        int upcEan[2] = {1 << 30, -1};
        int dataBar[2] = {1 << 30, -1};
        for (Offer const& o : log) {
            int* range = o.first == 2 ? general : (o.first == 0 ? upcEan : dataBar);
            range[0] = o.second < range[0] ? o.second : range[0];
            range[1] = o.second > range[1] ? o.second : range[1];
        }
        int const stride = 32 * 16;  // a dark and a light run
        if (wholeLine) {
            EXPECT_GT(general[1], length - stride);
            EXPECT_EQ(upcEan[1], general[1]);
            EXPECT_GT(dataBar[0], 0);
            EXPECT_GT(dataBar[1], length - stride);
        } else {
            EXPECT_LT(general[1], length / 2);
            EXPECT_GE(general[1], length / 2 - stride);
            EXPECT_LT(upcEan[1], 2 * length / 3);
            EXPECT_GE(upcEan[1], 2 * length / 3 - stride);
            EXPECT_GT(dataBar[0], length / 4);
            EXPECT_LE(dataBar[0], length / 4 + stride);
            EXPECT_LT(dataBar[1], length / 4 + length / 2);
            EXPECT_GE(dataBar[1], length / 4 + length / 2 - stride);
        }
        EXPECT_LT(general[0], stride) << "the first runs are offered too";
    }
}

TEST_F(FrameLineDecoderTest, TrialOrderRunsThroughTheTableAndStopsAtTheFirstRead)
{
    for (unsigned entry = 0; entry < BarSymbolDecoderSet::kTrialCount; ++entry) {
        if (entry != BarSymbolDecoderSet::kCode128Negative) {  // an empty entry is passed over
            Add(entry, static_cast<int>(entry));
        }
    }
    RecordingDecoder& winner = *recorders[6];  // entry 7
    winner.succeedFrom = 0;
    ASSERT_TRUE(Decode(false));
    std::vector<int> tags;
    for (Offer const& o : log) {
        tags.push_back(o.first);
    }
    EXPECT_EQ(tags, (std::vector<int>{0, 1, 2, 3, 5, 6, 7}));
    EXPECT_EQ(result.decoder, &winner);
    ASSERT_EQ(result.symbols.GetCount(), 1u);
    EXPECT_EQ(result.symbols[0].value, 7);
}

TEST_F(FrameLineDecoderTest, StartSymbolsAreKeptEvenWhenTheLineFails)
{
    RecordingDecoder& first = Add(0, 1);
    RecordingDecoder& quiet = Add(1, 2);
    quiet.keepStart = false;
    first.symbolCount = 3;
    EXPECT_FALSE(Decode(false));
    // One entry per decoder and first value (all offers share them).
    ASSERT_EQ(result.startSymbols.GetCount(), 1u);
    StartBarSymbol const& kept = result.startSymbols.GetItems()[0];
    EXPECT_EQ(kept.decoder, &first);
    EXPECT_EQ(kept.symbolCount, 3u);
    EXPECT_EQ(kept.symbol.value, 1);
}

TEST_F(FrameLineDecoderTest, ReadsOfAForbiddenPolarityAndFailedChecksDoNotCount)
{
    RecordingDecoder& d = Add(0, 1);
    d.succeedFrom = 0;
    d.answerNegative = true;
    EXPECT_FALSE(Decode(false)) << "negative read, normal symbols only";

    // The PDF417 row detector reads either polarity.
    RecordingDecoder& row = Add(BarSymbolDecoderSet::kPDF417Row, 18, SYMBOLOGY_PDF417);
    row.succeedFrom = 0;
    row.answerNegative = true;
    ASSERT_TRUE(Decode(false));
    EXPECT_EQ(result.decoder, &row);
    EXPECT_EQ(result.negative, 1);

    d.answerNegative = false;
    d.checkAnswer = false;
    ASSERT_TRUE(Decode(false));
    EXPECT_EQ(result.decoder, &row) << "the failed check passed the run on";
}

TEST_F(FrameLineDecoderTest, StatisticsOfTheReadGoWithTheLine)
{
    RecordingDecoder& d = Add(0, 1);
    d.succeedFrom = 0;
    d.answerReverced = true;
    ASSERT_TRUE(Decode(false));
    EXPECT_EQ(result.reverced, 1);
    EXPECT_EQ(result.statistics.valid, 0) << "nothing pushed";
    d.pushGreys = true;
    ASSERT_TRUE(Decode(false));
    EXPECT_EQ(result.statistics.valid, 1);
    EXPECT_GT(result.statistics.separation, 0);
    EXPECT_EQ(result.statistics.overlaps, 0u);
}

TEST_F(FrameLineDecoderTest, FlatOrMalformedSamplesGiveNoLine)
{
    Add(0, 1).succeedFrom = 0;
    for (PickLineElement& e : samples) {
        e.grey = 500;
    }
    EXPECT_FALSE(Decode(false));
    samples.SetCount(1);
    EXPECT_FALSE(Decode(true));
    samples.SetCount(0);
    EXPECT_FALSE(Decode(true));
    EXPECT_TRUE(log.empty());
}

TEST_F(FrameLineDecoderTest, AnImageTrialBudgetStopsTheOffersWhereItIsSpentAndNotBefore)
{
    // Every decoder of the table is tried; two of them note their offers.
    Add(BarSymbolDecoderSet::kWpc, 0);
    Add(BarSymbolDecoderSet::kCode39, 2);
    LineTrialBudget budget;
    decoder.SetTrialBudget(&budget);
    budget.Open(1u << 30);
    EXPECT_FALSE(Decode(false));
    std::vector<Offer> const whole = log;
    unsigned const trials = budget.GetSpent();
    ASSERT_GT(whole.size(), 10u);
    ASSERT_GE(trials, whole.size());

    // Half the line's trials: the same offers in the same order up to where
    // the budget is spent, then none, on this line and the next.
    budget.Open(trials / 2);
    log.clear();
    EXPECT_FALSE(Decode(false));
    EXPECT_EQ(budget.GetSpent(), trials / 2);
    EXPECT_TRUE(budget.IsSpent());
    ASSERT_GT(log.size(), 2u);
    ASSERT_LT(log.size(), whole.size());
    EXPECT_TRUE(std::equal(log.begin(), log.end(), whole.begin()));
    std::size_t const offered = log.size();
    EXPECT_FALSE(Decode(false));
    EXPECT_EQ(log.size(), offered);

    // A read that takes just the budget still reads; one trial less does not.
    recorders[1]->succeedFrom = 0;
    budget.Open(1u << 30);
    ASSERT_TRUE(Decode(false));
    unsigned const read = budget.GetSpent();
    budget.Open(read);
    EXPECT_TRUE(Decode(false));
    budget.Open(read - 1);
    EXPECT_FALSE(Decode(false));

    // A closed image bounds nothing.
    budget.Close();
    EXPECT_TRUE(Decode(false));
    decoder.SetTrialBudget(nullptr);
}

TEST_F(FrameLineDecoderTest, ARegionThatReadsNothingLeavesTheNextRegionItsOwnShare)
{
    Add(BarSymbolDecoderSet::kCode39, 2);
    LineTrialBudget budget;
    decoder.SetTrialBudget(&budget);
    budget.Open(1u << 30);
    EXPECT_FALSE(Decode(false));
    unsigned const line = budget.GetSpent();
    ASSERT_GT(line, 4u);

    // Each region may spend half a line; the image, three such halves.
    budget.Open(3 * (line / 2), line / 2);
    budget.OpenRegion();
    EXPECT_FALSE(Decode(false));
    EXPECT_EQ(budget.GetSpent(), line / 2);
    EXPECT_FALSE(Decode(false)) << "the region's share is spent";
    EXPECT_EQ(budget.GetSpent(), line / 2);
    budget.OpenRegion();
    log.clear();
    EXPECT_FALSE(Decode(false));
    EXPECT_FALSE(log.empty()) << "the next region is offered runs again";
    EXPECT_EQ(budget.GetSpent(), 2 * (line / 2));
    budget.OpenRegion();
    EXPECT_FALSE(Decode(false));
    budget.OpenRegion();
    log.clear();
    EXPECT_FALSE(Decode(false));
    EXPECT_TRUE(log.empty()) << "the image's bound holds over every share";
    EXPECT_EQ(budget.GetSpent(), 3 * (line / 2));
    decoder.SetTrialBudget(nullptr);
}

TEST(FrameStartBarSymbolListTest, KeepsOneEntryPerStartTheLongestRead)
{
    int decoderA = 0;
    int decoderB = 0;
    auto const* a = reinterpret_cast<BarSymbolDecoder const*>(&decoderA);
    auto const* b = reinterpret_cast<BarSymbolDecoder const*>(&decoderB);
    auto entry = [](BarSymbolDecoder const* d, int value, bool reverced, unsigned count) {
        StartBarSymbol s;
        s.decoder = d;
        s.symbol.value = value;
        s.reverced = reverced ? 1 : 0;
        s.symbolCount = count;
        return s;
    };
    StartBarSymbol buffer[3];
    StartBarSymbolList list;
    list.Set(buffer, 3);
    struct {
        StartBarSymbol item;
        int pushed;
        unsigned count;
        unsigned firstCount;
    } const steps[] = {
        {entry(a, 104, false, 5), 1, 1, 5},
        {entry(a, 104, false, 3), 0, 1, 5},  // fewer symbols: dropped
        {entry(a, 104, false, 5), 0, 1, 5},  // as many: dropped
        {entry(a, 104, false, 9), 0, 1, 9},  // more: replaces
        {entry(a, 104, true, 2), 1, 2, 9},   // other direction
        {entry(b, 104, false, 2), 1, 3, 9},  // other decoder
        {entry(a, 105, false, 2), 0, 3, 9},  // map full
    };
    for (auto const& s : steps) {
        EXPECT_EQ(list.Push(s.item), s.pushed);
        EXPECT_EQ(list.GetCount(), s.count);
        EXPECT_EQ(list.GetItems()[0].symbolCount, s.firstCount);
    }
}

}  // namespace
}  // namespace DEC2DIvra
