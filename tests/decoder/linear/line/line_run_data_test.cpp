#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "decoder/linear/line/line_run_data.h"
#include "tests/decoder/linear/line/scan_run_list.h"

namespace {

using DEC2DIvra::LineRunData;
using scan_test::RunList;

// Everything a reading takes from the runs of a line, run by run and a few
// places past the last one taken in.
std::string Describe(LineRunData const& data)
{
    std::string out = std::to_string(data.GetCount()) + ":";
    for (unsigned i = 0; i < data.GetCount() + 3; ++i) {
        out += " " + std::to_string(data.GetMagnitude(i));
        if (i < data.GetCount()) {
            out += "/" + std::to_string(data.GetWidth(i)) + "/" + std::to_string(data[i].colour);
        }
    }
    out += " n" + std::to_string(data.GetNarrowestWidth(data.GetCount() + 2));
    out += " g" + std::to_string(data.FindGroundAfter(0, data.GetCount() + 2, 3));
    out += " m" + std::to_string(data.CheckMargins(data.GetCount(), 70, false, 0));
    return out;
}

// The runs are read the same whatever the memory held before: nothing
// beyond the runs taken in is read.
TEST(LineRunDataTest, ReadsOnlyTheRunsItTookIn)
{
    struct Case {
        char const* name;
        RunList line;
        int first;
    };
    Case const cases[] = {
        {"bars between quiet zones",
         {{'L', 900, 40}, {'D', 100, 3}, {'L', 900, 3}, {'D', 100, 6}, {'L', 900, 3}, {'D', 100, 9}, {'L', 900, 40}},
         1},
        {"a weak flicker merged into a bar",
         {{'L', 900, 30}, {'D', 100, 6}, {'L', 880, 3}, {'D', 120, 6}, {'L', 160, 1}, {'D', 110, 6}, {'L', 900, 30}},
         1},
        {"the line's last run",
         {{'L', 900, 20}, {'D', 100, 4}, {'L', 900, 4}, {'D', 100, 4}},
         3},
        {"the line's first run", {{'D', 100, 4}, {'L', 900, 30}}, 0},
    };
    // Storage for two readings, one cleared, the other filled.
    struct alignas(LineRunData) Storage {
        unsigned char bytes[sizeof(LineRunData)];
    };
    auto zeroed = std::make_unique<Storage>();
    auto filled = std::make_unique<Storage>();
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(zeroed->bytes, 0, sizeof(zeroed->bytes));
        // Words counting up from far above any grey: a run read there would
        // be a light one of some width and a huge grey.
        for (size_t i = 0; i + sizeof(int) <= sizeof(filled->bytes); i += sizeof(int)) {
            int const word = static_cast<int>(100000 + i / sizeof(int));
            std::memcpy(filled->bytes + i, &word, sizeof(int));
        }
        LineRunData* a = new (zeroed->bytes) LineRunData(c.line.At(c.first));
        LineRunData* b = new (filled->bytes) LineRunData(c.line.At(c.first));
        EXPECT_GT(a->GetCount(), 0u);
        EXPECT_EQ(Describe(*a), Describe(*b));
        a->~LineRunData();
        b->~LineRunData();
    }
}

// Runs are taken in as questions need them: a question asked first, before
// any later run is taken in, is answered as with the whole line taken in,
// also where a flicker further on merges into the run asked about.
TEST(LineRunDataTest, FirstQuestionAnsweredAsOverTheWholeLine)
{
    RunList const lines[] = {
        {{'L', 900, 30}, {'D', 100, 6}, {'L', 880, 3}, {'D', 120, 6}, {'L', 160, 1}, {'D', 110, 6}, {'L', 900, 30}},
        {{'L', 900, 40}, {'D', 100, 3}, {'L', 900, 3}, {'D', 100, 6}, {'L', 900, 3}, {'D', 100, 9}, {'L', 900, 40}},
        {{'L', 900, 20}, {'D', 100, 4}, {'L', 900, 4}, {'D', 100, 4}},
    };
    for (RunList const& line : lines) {
        LineRunData const whole(line.At(1));
        unsigned const count = whole.GetCount();
        for (unsigned i = 0; i < count; ++i) {
            SCOPED_TRACE("run " + std::to_string(i));
            {
                LineRunData const data(line.At(1));
                EXPECT_EQ(data.GetWidth(i), whole.GetWidth(i));
            }
            {
                LineRunData const data(line.At(1));
                EXPECT_EQ(data.GetMagnitude(i), whole.GetMagnitude(i));
            }
            {
                LineRunData const data(line.At(1));
                EXPECT_EQ(data.CheckMarginAfter(i, 40, false, 0), whole.CheckMarginAfter(i, 40, false, 0));
            }
            {
                LineRunData const data(line.At(1));
                EXPECT_EQ(data.FindGroundAfter(i, 8, 3), whole.FindGroundAfter(i, 8, 3));
            }
            {
                LineRunData const data(line.At(1));
                EXPECT_EQ(data.HasRuns(i + 1), true);
                EXPECT_EQ(data.HasRuns(count + 1), false);
                EXPECT_EQ(data.GetCount(), count);
            }
        }
    }
}

}  // namespace
