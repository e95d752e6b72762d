// What is left of the legacy engine's linear reader: its records, run checks
// and entry points.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/legacy/engine/legacy_linear_remnants.h"
#include "decoder/legacy/engine/legacy_linear_stubs.h"

namespace {

TEST(LegacyLinearRemnantsTest, StartRunsAreCheckedByColour)
{
    struct Case {
        std::vector<unsigned short> runs;
        int flag;
        int result, widest, narrowest;
    };
    Case const cases[] = {
        {{64, 64, 64, 64, 64, 64, 64}, 0, -1, 0, 0},                 // 7 runs
        {{64, 64, 128, 64, 192, 64, 64, 96, 999}, 0, 0, 192, 64},    // only the first 8 count
        {{64, 28, 64, 64, 64, 64, 64, 64}, 0, 0, 64, 28},            // a run of 28 is long enough
        {{64, 27, 64, 64, 64, 64, 64, 64}, 0, -1, 64, 27},           // a run of 27 or less
        {{40, 300, 40, 300, 40, 300, 40, 300}, 0, -1, 300, 40},      // minima 40 x 6 < 300
        {{40, 300, 40, 300, 40, 300, 40, 300}, 1, 0, 300, 40},       // x 8 with the flag
        {{40, 40, 40, 40, 40, 400, 40, 40}, 0, -1, 400, 40},         // maxima 40 x 8 < 400
        {{40, 40, 40, 40, 40, 400, 40, 40}, 1, 0, 400, 40},          // x 35 with the flag
        {{40, 40, 40, 40, 40, 760, 40, 40}, 1, -1, 760, 40},         // over 18 x its colour's minimum
    };
    for (Case const& c : cases) {
        int widest = 0, narrowest = 0;
        int const result =
            chk_barcode2(&widest, &narrowest, c.runs.data(), c.runs.data() + c.runs.size(), c.flag);
        EXPECT_EQ(result, c.result) << &c - cases;
        EXPECT_EQ(widest, c.widest) << &c - cases;
        EXPECT_EQ(narrowest, c.narrowest) << &c - cases;
    }
}

TEST(LegacyLinearRemnantsTest, SumsSkipsAndIdentifiers)
{
    unsigned short const runs[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    struct Skip {
        int remaining, moved, result;
    };
    for (Skip s : {Skip{10, 2, 0}, Skip{9, 2, 0}, Skip{8, 1, -1}, Skip{1, 1, -1}}) {
        unsigned short const* p = runs;
        EXPECT_EQ(mgn_skip2(&p, runs + s.remaining), s.result) << s.remaining;
        EXPECT_EQ(p - runs, s.moved) << s.remaining;
    }
    EXPECT_EQ(get_char_width_barcode(runs, 4), 10);
    EXPECT_EQ(get_char_width_barcode(runs, 0), 0);

    signed char const v[4] = {3, -1, 2, 100};
    unsigned short s1 = 9, s2 = 9;
    calc_msho(v, 4, &s1, &s2);
    int const sum1 = 1 * 3 - 2 * 1 + 3 * 2 + 4 * 100;                // 407
    int const sum2 = (3 + 3) + (-1 - 2) + (2 + 6) + (100 + 400) + sum1 * 6;
    EXPECT_EQ(s1, sum1);
    EXPECT_EQ(s2, static_cast<unsigned short>(sum2));
    calc_msho(v, 0, &s1, &s2);
    EXPECT_EQ(s1 + s2, 0);
    signed char const big[2] = {-128, -128};
    calc_msho(big, 2, &s1, &s2);
    EXPECT_EQ(s1, static_cast<unsigned short>(-384));

    unsigned char id[4] = {1, 1, 1, 1};
    ASSERT_EQ(generate_aim_codeID(id, 'X', 0), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(id)), "]X0");
    EXPECT_EQ(generate_aim_codeID(id, 'E', 12), -1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(id)), "]X0");
}

TEST(LegacyLinearRemnantsTest, RecordsStartEmptyAndKeepTheLongestRead)
{
    BARCODE_RESULT_st result;
    result.rest[57] = 5;
    init_barcode_result(&result);
    EXPECT_EQ((std::vector<int>{result.kind, result.status, result.result, result.direction, result.rest[57]}),
              (std::vector<int>{18, 129, 129, 1, 0}));
    unsigned char const symbol[4] = {'A', 'B', 'C', 'D'};
    set_barcode_result_label_type(&result, 28, 7, symbol);
    EXPECT_EQ((std::vector<int>(result.type, result.type + 3)), (std::vector<int>{7, 28, 7}));
    set_barcode_result_label_type(&result, 5, 7, symbol);
    EXPECT_EQ((std::vector<int>(result.type, result.type + 3)), (std::vector<int>{5, 5, 5}));
    EXPECT_EQ(std::string(reinterpret_cast<char const*>(result.symbol), 4), "ABCD");

    LINE_BARCODE_INFO_st info;
    POINT_st const start{1, 2}, end{300, 2};
    init_line_barcode_info(&info, &start, &end, 44);
    EXPECT_EQ((std::vector<int>{info.kind, info.status, info.value, info.one, info.bestLength, info.forwardPosition,
                                info.backwardPosition, info.end.x}),
              (std::vector<int>{18, 129, 44, 1, 0, -1, -1, 300}));
    struct Read {
        int length, b, forward, d;
        int recorded, forwardPosition, backwardPosition;
    };
    for (Read r : {Read{10, 1, 1, 50, 1, 50, -1}, Read{9, 2, 0, 60, 0, 50, -1}, Read{10, 3, 0, 70, 1, -1, 70},
                   Read{12, 4, 1, 80, 1, 80, -1}}) {
        EXPECT_EQ(set_line_barcode_info(&info, r.length, r.b, r.forward, r.d, {r.d, 2}), r.recorded);
        EXPECT_EQ(info.forwardPosition, r.forwardPosition) << r.length;
        EXPECT_EQ(info.backwardPosition, r.backwardPosition) << r.length;
    }
    EXPECT_EQ(info.bestLength * 10 + info.b, 124);
    EXPECT_EQ(info.forwardPoint.x, 80);
}

TEST(LegacyLinearRemnantsTest, EntryPointsPrepareTheBufferAndCountTheirCalls)
{
    EXPECT_EQ(reset_1D(), 0);
    barcode_result_buffer[0] = 'x';
    EXPECT_EQ(ex_decode_1char(), 0);
    EXPECT_EQ(barcode_result_buffer[0], '{');
    EXPECT_EQ(barcode_result_write - barcode_result_buffer, 2);
    int const before = ex_decode_call_count();
    EXPECT_EQ(ex_decode_1char(), 0);
    EXPECT_EQ(ex_decode_call_count(), before) << "the one-character variant does not count";
    unsigned short runs[2] = {100, 50};
    EXPECT_EQ(ex_decode_finder(runs), 0);
    EXPECT_EQ(runs[0], 68);
    runs[0] = 20;
    ex_decode_finder(runs);
    EXPECT_EQ(runs[0], 0) << "a short first run does not wrap round";
    while (ex_decode_call_count() != 199) {
        ex_decode_1D();
    }
    ex_decode_1D();
    EXPECT_EQ(ex_decode_call_count(), 0);
}

TEST(LegacyLinearRemnantsTest, FixedAnswers)
{
    EXPECT_EQ((std::vector<int>{GetSetDecodeExeMode(3), is_valid_char_width_barcode(), IsPatternMatch(),
                                ProPreviousWord(), GetElement128_93Ex(), decode_char_4val_barcode(),
                                get_barcode_print_quality(), proc_after_barcode_block(), is_enabled_c93(),
                                is_enabled_c128(), check_barcode_fixed_length(), memo_sort_bar(), is_irregular_2bar(),
                                AdjustBarUnits(), GetElement128_93(), normalize_4val_barcode(), WidestBarError()}),
              (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, -1, -1}));
}

}  // namespace
