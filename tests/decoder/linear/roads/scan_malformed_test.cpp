// Arbitrary sample and run lists: the scan and the windows refuse cleanly or
// give consistent results, and never touch memory outside their buffers (the
// sanitizer build checks the reads; canaries check the writes).

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "decoder/linear/line/common_two_value_partial_scan_data.h"
#include "decoder/linear/line/partial_scan_data.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/linear/roads/scan_subroutine.h"
#include "tests/decoder/linear/line/scan_run_list.h"

namespace scan_test {
namespace {

using namespace DEC2DIvra;

constexpr unsigned char kCanary = 0xA5;

TEST(ScanMalformedTest, ArbitrarySamplesGiveConsistentRunsOrARefusal)
{
    std::mt19937 random(7);
    std::vector<unsigned char> work(ScanSubroutine::kWorkBytes + 64, kCanary);
    ScanSubroutine const scan(VirtualArray<unsigned char>(work.data(), ScanSubroutine::kWorkBytes));
    std::vector<ScanElement> runs(5000 + 1);
    int refused = 0;
    for (int trial = 0; trial < 400; ++trial) {
        unsigned const count = trial % 50 == 0 ? 4929 + random() % 3 : random() % 700;
        std::vector<PickLineElement> samples(count);
        int x = static_cast<int>(random() % 2000) - 1000;
        bool const malformed = trial % 3 == 0;
        for (auto& s : samples) {
            // Rising coordinates with gaps and jumps; a malformed line also
            // repeats or goes back. Greys beyond 16 bits now and then.
            unsigned const r = random() % 100;
            if (malformed && r < 4) {
                x += r < 2 ? -3 : 0;
            } else {
                x += r < 6 && x < (1 << 28) ? 1 << 20 : 1 + static_cast<int>(random() % 300);
            }
            s.coordinate = x;
            s.grey = r < 3 ? 0xFFFFFFFFu : random() % 1024;
        }
        StackInterface<PickLineElement> in(samples.data(), count);
        in.SetCount(count);
        // The run list is exactly as long as its capacity: one more would be a
        // write past it.
        StackInterface<ScanElement> out(runs.data(), 5000);
        runs[5000].grey = 12345;
        bool falseEdge = false;
        unsigned step = 0;
        bool const central = trial % 2 == 0;
        if (!scan.Start(GrayImage(), in, out, central, static_cast<unsigned>(random() % 70), falseEdge, step)) {
            EXPECT_TRUE(out.IsEmpty());
            ++refused;
            continue;
        }
        ASSERT_GT(out.GetCount(), 0u);
        EXPECT_EQ(runs[5000].grey, 12345);
        for (unsigned i = 0; i < out.GetCount(); ++i) {
            ASSERT_LE(out[i].begin, out[i].end) << trial;
            ASSERT_GE(out[i].samples, 0);
            if (i > 0) {
                ASSERT_EQ(out[i].begin, out[i - 1].end);
                ASSERT_NE(out[i].colour, out[i - 1].colour);
            }
        }
    }
    EXPECT_GT(refused, 100);
    EXPECT_LT(refused, 250);
    for (size_t i = ScanSubroutine::kWorkBytes; i < work.size(); ++i) {
        ASSERT_EQ(work[i], kCanary);
    }
}

TEST(ScanMalformedTest, WindowsOverArbitraryRunListsStayInside)
{
    std::mt19937 random(11);
    for (int trial = 0; trial < 300; ++trial) {
        // Colours need not alternate, widths may be negative, greys anything.
        std::vector<ScanElement> line(random() % 40);
        int at = 0;
        for (auto& e : line) {
            e.colour = static_cast<unsigned char>(random() % 3 == 0 ? random() % 2 : (&e - line.data()) % 2);
            e.grey = static_cast<int>(random() % 1400) - 200;
            e.begin = at;
            at += static_cast<int>(random() % 60) - 5;
            e.end = at;
            e.samples = static_cast<int>(random() % 50);
        }
        RunList const list(line);
        RunList const mirror = list.Mirror();
        int const n = static_cast<int>(line.size());
        for (int i = 0; i <= n; ++i) {
            PartialScanData<6, CommonTwoValuePartialScanData> w(random() % 3);
            if (w.Set(list.At(i))) {
                ASSERT_EQ(w[0].lineIndex, i);
            }
            w.CheckMargin(random() % 100, random() % 2, random() % 2, random() % 3);
            w.CheckBlackMargin(random() % 100, random() % 2, random() % 2, random() % 3);
            w.Delete(static_cast<int>(random() % 9) - 1, random() % 2);
            w.DeleteNoise();
            w.AdjustmentWidth(random() % 200, random() % 400);
            w.ForceAdjustmentWidth(static_cast<int>(random() % 2000));
            TwoValuePattern p;
            bool ambiguous = false;
            w.CalcPattern(CommonTwoValuePartialScanData::kNoLowestRank, CommonTwoValuePartialScanData::kNoHighestRank,
                          random() % 2, random() % 3, 1 + random() % 2, 1 + random() % 6, random() % 500, p, ambiguous);
            w.Correct();
            RateForTuningCalculator rate;
            rate.Initialize(true);
            rate.Push(w);
            int a = 0;
            int b = 0;
            signed char c = 0;
            unsigned d = 0;
            rate.CalcResult(a, b, c, d);
            w.SetNextRunLengthData(random() % 200, random() % 400);
            w.SetNextCharRunLengthData(random() % 200, random() % 400);
            w.SetNextCharRunLengthDataFromPrev(random() % 2, random() % 2, random() % 2000, 0, 500);
            w.SetOverlappedRunLengthData(random() % 7, 0, 500);
            w.Set(list.At(0), random() % 2, static_cast<int>(random() % 1000), random() % 900, 0, 300, random() % 500);
            w.ForceSet(list.At(0), random() % 2, static_cast<int>(random() % 1000), random() % 900,
                       static_cast<int>(random() % 1000));
            PartialScanData<6> r;
            r.ReverceSet(mirror.ReverceAt(n - 1 - i));
            r.ReverceDeleteNoise();
            r.ReverceAdjustmentWidth(random() % 200, random() % 400);
            r.ReverceSetNextRunLengthData(random() % 200, random() % 400);
            r.ReverceSetNextCharRunLengthData(random() % 200, random() % 400);
            r.ReverceSetOverlappedRunLengthDataPart(random() % 7, 0, 500, 300, 500);
            r.CheckMargin(random() % 100, random() % 2, random() % 2, random() % 3);
            EXPECT_LE(r.GetLength(), 6u);
        }
    }
}

}  // namespace
}  // namespace scan_test
