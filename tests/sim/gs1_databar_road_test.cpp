// GS1 DataBar through scanner-sim decode with the factory settings: every form
// reads at several angles with its GS1 element string and ]e0; damaged symbols
// (a wrong check, a missing finder, a missing row) give no label.
#include "sim/decode_mode.h"

#include "tests/sim/sim_program_fixture.h"

#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using sim_test::Hex;

class DataBarRoadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/databar-road-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        directory_ = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
    }

    // The lines scanner-sim decode prints for one frame, without the file name.
    std::string Decode(support::Frame const& frame)
    {
        std::string const path = (directory_ / ("f" + std::to_string(count_++) + ".png")).string();
        EXPECT_TRUE(support::writePng(path, frame, support::FileDepth::Bits8));
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        scanner_sim::decodeImages({path}, false, out, err);
        std::rewind(out);
        std::string text;
        for (int c; (c = std::fgetc(out)) != EOF;) {
            text.push_back(static_cast<char>(c));
        }
        std::fclose(out);
        std::fclose(err);
        std::string result;
        for (size_t at = 0; at < text.size();) {
            size_t const end = text.find('\n', at);
            std::string const line = text.substr(at, end - at);
            result += line.substr(line.find('\t') + 1) + "\n";
            at = end == std::string::npos ? text.size() : end + 1;
        }
        return result;
    }

    // Paints the label's grey over a stretch of module columns (x) and rows (y)
    // of a symbol drawn at a multiple of 90 degrees.
    static void Cover(support::Rendering& r, double x0, double x1, double y0, double y1, int grey = 900)
    {
        support::Point const a = r.symbol.toFrame({x0, y0});
        support::Point const b = r.symbol.toFrame({x1, y1});
        int const top = static_cast<int>(std::ceil(std::max(a.y, b.y)));
        int const right = static_cast<int>(std::ceil(std::max(a.x, b.x)));
        for (int y = static_cast<int>(std::floor(std::min(a.y, b.y))); y < top; ++y) {
            for (int x = static_cast<int>(std::floor(std::min(a.x, b.x))); x < right; ++x) {
                r.frame.at(x, y) = static_cast<uint16_t>(grey);
            }
        }
    }

    // Copies module columns x0 .. x1 of another rendering of the same size
    // and place: a character of another symbol.
    static void CopyColumns(support::Rendering& to, support::Rendering const& from, double x0, double x1)
    {
        support::Point const a = to.symbol.toFrame({x0, 0});
        support::Point const b = to.symbol.toFrame({x1, to.symbol.heightModules});
        for (int y = static_cast<int>(a.y); y < static_cast<int>(b.y); ++y) {
            for (int x = static_cast<int>(a.x); x < static_cast<int>(b.x); ++x) {
                to.frame.at(x, y) = from.frame.at(x, y);
            }
        }
    }

    fs::path directory_;
    unsigned count_ = 0;
};

struct Form {
    char const* name;
    support::SymbolInput input;
    std::string text;
};

support::SymbolInput Gtin(int symbology, float height = 0.0f)
{
    return {.symbology = symbology, .data = "0950110153000", .height = height};
}

support::SymbolInput Gs1(int symbology, std::string data, int columns = 0, float height = 0.0f)
{
    return {.symbology = symbology, .data = std::move(data), .option2 = columns, .inputMode = GS1_MODE, .height = height};
}

std::string const kGtin = "0109501101530003";
std::string const kGs = "\x1d";

TEST_F(DataBarRoadTest, EveryFormReadsWithItsElementString)
{
    std::vector<Form> const forms = {
        {"omnidirectional", Gtin(BARCODE_DBAR_OMN), kGtin},
        {"truncated", Gtin(BARCODE_DBAR_OMN, 13), kGtin},
        {"stacked", Gtin(BARCODE_DBAR_STK), kGtin},
        {"stacked omnidirectional", Gtin(BARCODE_DBAR_OMNSTK), kGtin},
        {"limited", Gtin(BARCODE_DBAR_LTD), kGtin},
        {"limited, leading 1", {.symbology = BARCODE_DBAR_LTD, .data = "1234567890123"}, "0112345678901231"},
        // One symbol for each compressed method of Expanded, and the general ones.
        {"expanded 3103", Gs1(BARCODE_DBAR_EXP, "[01]98898765432106[3103]001750"), "01988987654321063103001750"},
        {"expanded 3202", Gs1(BARCODE_DBAR_EXP, "[01]98898765432106[3202]001750"), "01988987654321063202001750"},
        {"expanded 3203", Gs1(BARCODE_DBAR_EXP, "[01]98898765432106[3203]021750"), "01988987654321063203021750"},
        {"expanded 3922", Gs1(BARCODE_DBAR_EXP, "[01]98898765432106[3922]1234"), "019889876543210639221234"},
        {"expanded 3932", Gs1(BARCODE_DBAR_EXP, "[01]98898765432106[3932]9781234"), "019889876543210639329781234"},
        {"expanded 3102 and 15", Gs1(BARCODE_DBAR_EXP, "[01]98898765432106[3102]012345[15]991231"),
         "0198898765432106310201234515991231"},
        {"expanded 3202 and 17", Gs1(BARCODE_DBAR_EXP, "[01]98898765432106[3202]012345[17]250101"),
         "0198898765432106320201234517250101"},
        {"expanded 01 and others", Gs1(BARCODE_DBAR_EXP, "[01]09501101530003[10]ab-12[21]X*Y"),
         "010950110153000310ab-12" + kGs + "21X*Y"},
        {"expanded without 01", Gs1(BARCODE_DBAR_EXP, "[10]ABC123[11]991231"), "10ABC123" + kGs + "11991231"},
        {"expanded stacked, 2 rows", Gs1(BARCODE_DBAR_EXPSTK, "[01]98898765432106[3202]012345[15]991231", 2),
         "0198898765432106320201234515991231"},
        {"expanded stacked, 11 rows",
         Gs1(BARCODE_DBAR_EXPSTK, "[01]98898765432106[21]ABCDEFGHIJKLMNOPQRST[10]ABCDEFGH", 1, 150.0f),
         "019889876543210621ABCDEFGHIJKLMNOPQRST" + kGs + "10ABCDEFGH"},
    };
    for (Form const& form : forms) {
        std::string const& text = form.text;
        // The long forms small enough to fit the frame at every angle tried.
        bool const expanded = form.input.symbology == BARCODE_DBAR_EXP || form.input.symbology == BARCODE_DBAR_EXPSTK;
        // Eleven rows are tried upright only (see the read-rate table for
        // the other angles).
        bool const tall = form.input.height > 0.0f && expanded;
        for (double angle : tall ? std::vector<double>{0.0} : std::vector<double>{0.0, 30.0, 200.0}) {
            support::RenderOptions options;
            options.angle = angle;
            options.moduleSize = expanded ? 1.5 : 2.5;
            support::Rendering const r = support::render(form.input, options);
            ASSERT_TRUE(r.symbol.ok) << form.name << ": " << r.symbol.error;
            EXPECT_EQ(Decode(r.frame), "16\t]e0\t" + Hex(text) + "\n") << form.name << " at " << angle;
        }
    }
}

// Under perspective the bars fan out, so that lines squared to one pair miss
// the pairs at the row's far end: the row is read along its axis.
TEST_F(DataBarRoadTest, ExpandedReadsUnderPerspective)
{
    for (double angle : {0.0, 30.0}) {
        support::RenderOptions options;
        options.moduleSize = angle == 0.0 ? 2.0 : 2.8;
        options.angle = angle;
        options.perspectiveX = 0.2;
        options.perspectiveY = 0.1;
        support::Rendering const r =
            support::render(Gs1(BARCODE_DBAR_EXP, "[01]98898765432106[3202]012345[15]991231"), options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        EXPECT_EQ(Decode(r.frame), "16\t]e0\t" + Hex("0198898765432106320201234515991231") + "\n") << angle;
    }
}

// The band laid over a low two-row symbol may run a few degrees off its
// bars (11 degrees on the upright 4-pixel symbol), and its lines leave a
// five-module row before the far character: each row is read along the bars
// measured at its finder; a row no line crossed is sought a row away from
// the one read (at 285 degrees). Covering the lower row leaves no label.
TEST_F(DataBarRoadTest, StackedRowsReadAlongTheirOwnBars)
{
    struct Case {
        double moduleSize;
        double angle;
    };
    for (Case const c : {Case{1.3, 15.0}, Case{1.3, 120.0}, Case{1.3, 285.0}, Case{4.0, 0.0}, Case{4.0, 270.0}}) {
        support::RenderOptions options;
        options.moduleSize = c.moduleSize;
        options.angle = c.angle;
        support::Rendering const r = support::render(Gtin(BARCODE_DBAR_STK), options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        EXPECT_EQ(Decode(r.frame), "16\t]e0\t" + Hex(kGtin) + "\n") << c.moduleSize << " px at " << c.angle;
    }
    support::RenderOptions options;
    options.moduleSize = 4.0;
    support::Rendering r = support::render(Gtin(BARCODE_DBAR_STK), options);
    Cover(r, 0, r.symbol.widthModules, 6, r.symbol.heightModules);
    EXPECT_EQ(Decode(r.frame), "-\n");
}

// At low contrast a line is smoothed against noise, which merges the narrow
// elements of 1.3-pixel modules into other characters, and read again
// unsmoothed when nothing decodes: only the second reading counts.
TEST_F(DataBarRoadTest, LowContrastSmallModulesRead)
{
    std::vector<Form> const forms = {
        {"omnidirectional", Gtin(BARCODE_DBAR_OMN), kGtin},
        {"stacked", Gtin(BARCODE_DBAR_STK), kGtin},
        {"expanded", Gs1(BARCODE_DBAR_EXP, "[01]98898765432106[3202]012345[15]991231"),
         "0198898765432106320201234515991231"},
    };
    for (Form const& form : forms) {
        for (double angle : {0.0, 90.0}) {
            support::RenderOptions options;
            options.moduleSize = 1.3;
            options.angle = angle;
            options.dark = 380;
            options.light = 620;
            support::Rendering const r = support::render(form.input, options);
            ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
            EXPECT_EQ(Decode(r.frame), "16\t]e0\t" + Hex(form.text) + "\n") << form.name << " at " << angle;
        }
    }
}

// Eleven rows of the full height lie along the frame: the band's lines cross
// each row once or not at all, so that the rows are found from the pairs
// single lines saw, lined up along the bars.
TEST_F(DataBarRoadTest, TallExpandedStackedReadsAcrossItsRows)
{
    support::SymbolInput const input =
        Gs1(BARCODE_DBAR_EXPSTK, "[01]98898765432106[21]ABCDEFGHIJKLMNOPQRST[10]ABCDEFGH", 1);
    std::string const expected =
        "16\t]e0\t" + Hex("019889876543210621ABCDEFGHIJKLMNOPQRST" + kGs + "10ABCDEFGH") + "\n";
    for (double angle : {90.0, 105.0, 285.0}) {
        support::RenderOptions options;
        options.moduleSize = 1.3;
        options.angle = angle;
        support::Rendering const r = support::render(input, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        EXPECT_EQ(Decode(r.frame), expected) << angle;
    }
    // The rows found that way still need every row: with the sixth row gone
    // there is no label.
    support::RenderOptions options;
    options.moduleSize = 1.3;
    options.angle = 90.0;
    support::Rendering r = support::render(input, options);
    double const h = r.symbol.heightModules;
    Cover(r, 0, r.symbol.widthModules, 5.0 * h / 11, 6.0 * h / 11);
    EXPECT_EQ(Decode(r.frame), "-\n");
}

// Eight to eleven rows of the full height at 1.3 pixels a module: the band's
// lines step along the axis nearest the bars and stay on the symbol; rows no
// line read lie between rows read and get regions of their own; a stray read
// of another code across the rows ends nothing.
TEST_F(DataBarRoadTest, TallExpandedStackedReadsAtSlantedAngles)
{
    struct Case {
        char const* name;
        char const* data;
        std::string text;
        double angle;
        double blur;
    };
    std::string const ten = "019889876543210621ABCDEFGHIJKLMNOPQ" + kGs + "10ABCDEFG";
    std::string const eleven = "019889876543210621ABCDEFGHIJKLMNOPQRST" + kGs + "10ABCDEFGH";
    std::string const eight = "019889876543210621ABCDEFGHIJ" + kGs + "10ABCD";
    char const* const eightData = "[01]98898765432106[21]ABCDEFGHIJ[10]ABCD";
    char const* const tenData = "[01]98898765432106[21]ABCDEFGHIJKLMNOPQ[10]ABCDEFG";
    char const* const elevenData = "[01]98898765432106[21]ABCDEFGHIJKLMNOPQRST[10]ABCDEFGH";
    std::vector<Case> const cases = {
        {"11 rows", elevenData, eleven, 75.0, 0.0},
        {"11 rows", elevenData, eleven, 120.0, 0.0},
        {"11 rows", elevenData, eleven, 255.0, 0.0},
        {"11 rows", elevenData, eleven, 300.0, 0.0},
        {"11 rows, blurred", elevenData, eleven, 120.0, 0.35},
        {"11 rows, blurred", elevenData, eleven, 210.0, 0.35},
        {"10 rows", tenData, ten, 75.0, 0.0},
        {"10 rows", tenData, ten, 270.0, 0.0},
        {"8 rows", eightData, eight, 90.0, 0.0},
        {"8 rows", eightData, eight, 135.0, 0.0},
    };
    for (Case const& c : cases) {
        support::RenderOptions options;
        options.moduleSize = 1.3;
        options.angle = c.angle;
        options.blur = c.blur * options.moduleSize;
        support::Rendering const r = support::render(Gs1(BARCODE_DBAR_EXPSTK, c.data, 1), options);
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        EXPECT_EQ(Decode(r.frame), "16\t]e0\t" + Hex(c.text) + "\n") << c.name << " at " << c.angle;
    }
    // A region laid over a row no line read still needs the row: with the
    // fourth of ten rows gone there is no label.
    support::RenderOptions options;
    options.moduleSize = 1.3;
    options.angle = 270.0;
    support::Rendering r = support::render(Gs1(BARCODE_DBAR_EXPSTK, tenData, 1), options);
    double const h = r.symbol.heightModules;
    Cover(r, 0, r.symbol.widthModules, 3.0 * h / 10, 4.0 * h / 10);
    EXPECT_EQ(Decode(r.frame), "-\n");
}

// Lines laid along one row of a stacked symbol run along its separator
// pattern, which reads as a Code 39 menu label: the two-row symbol gives its
// own label and nothing else.
TEST_F(DataBarRoadTest, StackedRowsGiveNoStrayLabel)
{
    support::RenderOptions options;
    options.moduleSize = 2.8;
    options.angle = 90.0;
    options.blur = 0.35 * options.moduleSize;
    support::Rendering const r =
        support::render(Gs1(BARCODE_DBAR_EXPSTK, "[01]98898765432106[3202]012345[15]991231", 2), options);
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    EXPECT_EQ(Decode(r.frame), "16\t]e0\t" + Hex("0198898765432106320201234515991231") + "\n");
}

TEST_F(DataBarRoadTest, DamagedSymbolsGiveNoLabel)
{
    support::RenderOptions options;
    options.moduleSize = 3.0;
    support::Rendering const omni = support::render(Gtin(BARCODE_DBAR_OMN), options);
    ASSERT_EQ(Decode(omni.frame), "16\t]e0\t" + Hex(kGtin) + "\n");

    // A wrong check: the right inner character of the next number (value one
    // higher) beside this number's finders.
    {
        support::Rendering wrong = omni;
        support::Rendering const next = support::render(
            {.symbology = BARCODE_DBAR_OMN, .data = "0950110153001"}, options);
        CopyColumns(wrong, next, 48, 63);
        EXPECT_EQ(Decode(wrong.frame), "-\n");
    }
    // No left finder.
    {
        support::Rendering covered = omni;
        Cover(covered, 18, 33, 0, omni.symbol.heightModules);
        EXPECT_EQ(Decode(covered.frame), "-\n");
    }
    // Limited with a wrong check character: the left character of another
    // number.
    {
        support::Rendering limited = support::render(Gtin(BARCODE_DBAR_LTD), options);
        ASSERT_EQ(Decode(limited.frame), "16\t]e0\t" + Hex(kGtin) + "\n");
        support::Rendering const other =
            support::render({.symbology = BARCODE_DBAR_LTD, .data = "1950110153000"}, options);
        CopyColumns(limited, other, 2, 28);
        EXPECT_EQ(Decode(limited.frame), "-\n");
    }
    // Expanded Stacked with one of its four rows gone.
    {
        options.moduleSize = 2.0;
        support::Rendering stacked =
            support::render(Gs1(BARCODE_DBAR_EXPSTK, "[01]98898765432106[3202]012345[15]991231", 1), options);
        ASSERT_EQ(Decode(stacked.frame), "16\t]e0\t" + Hex("0198898765432106320201234515991231") + "\n");
        double const h = stacked.symbol.heightModules;
        Cover(stacked, 0, stacked.symbol.widthModules, 0.52 * h, 0.74 * h);
        EXPECT_EQ(Decode(stacked.frame), "-\n");
    }
    // Eleven rows with the sixth gone: the rows left name no symbol.
    {
        options.moduleSize = 1.5;
        support::Rendering stacked = support::render(
            Gs1(BARCODE_DBAR_EXPSTK, "[01]98898765432106[21]ABCDEFGHIJKLMNOPQRST[10]ABCDEFGH", 1, 150.0f), options);
        ASSERT_EQ(Decode(stacked.frame),
                  "16\t]e0\t" + Hex("019889876543210621ABCDEFGHIJKLMNOPQRST" + kGs + "10ABCDEFGH") + "\n");
        double const h = stacked.symbol.heightModules;
        Cover(stacked, 0, stacked.symbol.widthModules, 5.0 * h / 11, 6.0 * h / 11);
        EXPECT_EQ(Decode(stacked.frame), "-\n");
    }
}

}  // namespace
