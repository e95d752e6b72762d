// MaxiCode read from rendered frames through the process's decoder handle, as
// the application reads them: the locator sights the bull's-eye, the engine's
// finder search offers it to the MaxiCode check, the reader files the label.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "config/common_property_reference.h"
#include "config/key_tree.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/maxicode/maxi_finder.h"
#include "decoder/legacy/maxicode/maxi_reader.h"
#include "tests/support/symbol_renderer.h"

namespace {

struct Read {
    std::string data;
    std::string aim;
};

std::vector<Read> g_reads;

std::vector<Read> const& ReadFrame(support::Frame const& frame)
{
    static DEC2DIvra::DEC2DProperty property;
    DEC2D_SetDec2DProperty(&property);
    DEC2D_HANDLE const handle = DEC2D_GetSingletonDecoderHandle();
    g_reads.clear();
    if (handle == nullptr) {
        ADD_FAILURE() << "no decoder handle";
        return g_reads;
    }
    DEC2D_ImplementFormatter(handle, nullptr, nullptr, nullptr, [](void*, tagDecodedLabel const* label) {
        char aim[8] = {};
        DEC2D_GetAIMIdentifier(label->identifier, aim, sizeof aim);
        g_reads.push_back({std::string(label->data, label->length), aim});
        return true;
    });
    DEC2D_OnTriggerDown(handle);
    DEC2D_Main(handle, frame.width, frame.height, frame.width, frame.pixels.data(), nullptr);
    return g_reads;
}

auto& Root() { return ivra_configuration::CommonPropertyReference::RootHandle(); }

class MaxiReaderTest : public testing::Test {
protected:
    void SetUp() override
    {
        // Other tests of this process may have left length limits or the
        // ignore-ECI switch behind.
        ivra_configuration::FixedLength any{};
        any.maximum = ivra_configuration::FixedLength::kNoMaximum;
        Root().fixed_length.maxi_code.Set(any);
        Root().string.ignore_eci_protocol.enable.Set(false);
        Root().read.maxi_code.Set(true);
    }
    void TearDown() override { Root().read.maxi_code.Set(false); }
};

std::string const kGs = "\x1d";
std::string const kParcel = "1Z00004951" + kGs + "UPSN" + kGs + "06X610" + kGs + "159";

struct Case {
    char const* name;
    support::SymbolInput input;
    support::RenderOptions options;
    std::string expected;
    std::string aim;
};

// Each case's frame gives exactly its one label.
template <std::size_t N>
void ExpectOneLabelEach(Case const (&cases)[N])
{
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        auto const r = support::render(c.input, c.options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        auto const& reads = ReadFrame(r.frame);
        if (reads.size() != 1u) {
            ADD_FAILURE() << reads.size() << " labels";
            continue;
        }
        EXPECT_EQ(reads[0].data, c.expected);
        EXPECT_EQ(reads[0].aim, c.aim);
    }
}

TEST_F(MaxiReaderTest, SymbolsOfEveryModeAreReadFromTheFrame)
{
    Case const cases[] = {
        {"mode 4 upright", {.symbology = BARCODE_MAXICODE, .data = "MODE FOUR 0123456789", .option1 = 4},
         {.moduleSize = 4.0}, "MODE FOUR 0123456789", "]U0"},
        {"mode 2 turned", {.symbology = BARCODE_MAXICODE, .data = "Parcel data", .option1 = 2,
          .primary = "152382802840001"},
         {.moduleSize = 3.5, .angle = 35}, "152382802" + kGs + "840" + kGs + "001" + kGs + "Parcel data", "]U1"},
        {"mode 3 blurred", {.symbology = BARCODE_MAXICODE, .data = "LONDON", .option1 = 3, .primary = "W1A1AA826001"},
         {.moduleSize = 4.0, .angle = 200, .blur = 1.2}, "W1A1AA" + kGs + "826" + kGs + "001" + kGs + "LONDON", "]U1"},
        // Blur of nearly half a module: the rings' swing is shallow beside
        // the data's, and single modules fade toward their neighbours.
        {"mode 2 heavily blurred", {.symbology = BARCODE_MAXICODE, .data = "Parcel data", .option1 = 2,
          .primary = "152382802840001"},
         {.moduleSize = 5.0, .angle = 20, .blur = 2.0}, "152382802" + kGs + "840" + kGs + "001" + kGs + "Parcel data", "]U1"},
        {"mode 4 heavily blurred", {.symbology = BARCODE_MAXICODE, .data = "MODE FOUR 0123456789", .option1 = 4},
         {.moduleSize = 4.0, .angle = 20, .blur = 1.6}, "MODE FOUR 0123456789", "]U0"},
        // Three pixels a module: the bull's-eye is narrower than the
        // engine's three parallel search lines are apart.
        {"mode 4 small", {.symbology = BARCODE_MAXICODE, .data = "MODE FOUR 0123456789", .option1 = 4},
         {.moduleSize = 3.0, .angle = 45}, "MODE FOUR 0123456789", "]U0"},
        {"mode 3 small and noisy", {.symbology = BARCODE_MAXICODE, .data = "LONDON", .option1 = 3,
          .primary = "W1A1AA826001"},
         {.moduleSize = 3.0, .angle = 160, .noise = 25}, "W1A1AA" + kGs + "826" + kGs + "001" + kGs + "LONDON", "]U1"},
        // Perspective that makes the inner modules sharpest at a wrong turn.
        {"mode 4 under perspective", {.symbology = BARCODE_MAXICODE, .data = "MODE FOUR 0123456789", .option1 = 4},
         {.moduleSize = 5.5, .angle = 180, .perspectiveX = 0.2, .perspectiveY = 0.1}, "MODE FOUR 0123456789", "]U0"},
        // Strong perspective on small symbols: one refined mapping leaves
        // the outer modules a module off; the grid grown from the bull's-eye
        // out reads them (and the always-light modules beside the
        // orientation modules tell the turn from the one 180 degrees off).
        {"mode 3 leaning", {.symbology = BARCODE_MAXICODE, .data = kParcel, .option1 = 3, .primary = "B1050 056999"},
         {.moduleSize = 4.0, .angle = 0, .perspectiveX = 0.2, .perspectiveY = 0.1},
         "B1050 " + kGs + "056" + kGs + "999" + kGs + kParcel, "]U1"},
        {"mode 2 small and leaning", {.symbology = BARCODE_MAXICODE, .data = "Parcel data", .option1 = 2,
          .primary = "152382802840001"},
         {.moduleSize = 3.0, .angle = 75, .perspectiveX = 0.2, .perspectiveY = 0.1},
         "152382802" + kGs + "840" + kGs + "001" + kGs + "Parcel data", "]U1"},
        {"mode 6 leaning", {.symbology = BARCODE_MAXICODE, .data = "READER PROGRAMMING", .option1 = 6},
         {.moduleSize = 3.0, .angle = 90, .perspectiveX = 0.2, .perspectiveY = 0.1}, "READER PROGRAMMING", "]U0"},
        {"mode 5 noisy", {.symbology = BARCODE_MAXICODE, .data = "enhanced correction", .option1 = 5},
         {.moduleSize = 3.5, .angle = 110, .noise = 25}, "enhanced correction", "]U0"},
        {"mode 6 low contrast", {.symbology = BARCODE_MAXICODE, .data = "READER SETUP", .option1 = 6},
         {.moduleSize = 4.0, .angle = 300, .dark = 380, .light = 620}, "READER SETUP", "]U0"},
        {"ECI", {.symbology = BARCODE_MAXICODE, .data = "a\\b", .option1 = 4, .eci = 3},
         {.moduleSize = 4.0, .angle = 15}, "\\000003a\\\\b", "]U2"},
    };
    ExpectOneLabelEach(cases);
}

// Ring-like data beside the bull's-eye passes the locator's ring test on a
// row or two; tried first, such a sighting marked the whole symbol as
// searched and its true bull's-eye was never tried. So was a sighting on a
// chord of the rings a ring or two off their centre, whose rows all miss the
// centre spot.
TEST_F(MaxiReaderTest, SightingsBesideTheBullsEyeDoNotHideIt)
{
    support::SymbolInput const mode2{.symbology = BARCODE_MAXICODE, .data = kParcel, .option1 = 2,
                                     .primary = "152382802840001"};
    std::string const expected2 = "152382802" + kGs + "840" + kGs + "001" + kGs + kParcel;
    Case const cases[] = {
        // The true bull's-eye seen on two rows, a patch of data on one.
        {"noisy, 3 px, 15 degrees", mode2, {.moduleSize = 3.0, .angle = 15, .noise = 25, .seed = 2}, expected2, "]U1"},
        {"noisy, 4 px, 105 degrees", mode2, {.moduleSize = 4.0, .angle = 105, .noise = 25, .seed = 32}, expected2,
         "]U1"},
        {"noisy, 5.5 px, 330 degrees", mode2, {.moduleSize = 5.5, .angle = 330, .noise = 25, .seed = 71}, expected2,
         "]U1"},
        // Every sighting on one row, the first on a chord 5 px off the centre.
        {"noisy, 3 px, 210 degrees", mode2, {.moduleSize = 3.0, .angle = 210, .noise = 25, .seed = 15}, expected2,
         "]U1"},
        // A patch of data seen on two rows, the true bull's-eye on one.
        {"blurred, 4 px, 0 degrees", {.symbology = BARCODE_MAXICODE, .data = "READER PROGRAMMING", .option1 = 6},
         {.moduleSize = 4.0, .angle = 0, .blur = 1.4, .seed = 25}, "READER PROGRAMMING", "]U0"},
    };
    ExpectOneLabelEach(cases);
}

// The length setting refuses the text, and nothing is reported.
TEST_F(MaxiReaderTest, LengthSettingAndSwitchRefuseTheRead)
{
    auto const r = support::render({.symbology = BARCODE_MAXICODE, .data = "TWELVE CHARS", .option1 = 4},
                                   {.moduleSize = 4.0});
    ASSERT_TRUE(r.symbol.ok);
    ivra_configuration::FixedLength only{};
    only.count = 1;
    only.lengths[0] = 11;
    only.maximum = ivra_configuration::FixedLength::kNoMaximum;
    Root().fixed_length.maxi_code.Set(only);
    EXPECT_TRUE(ReadFrame(r.frame).empty());
    EXPECT_EQ(total_CWD, 0) << "a refused read hands nothing on";
    EXPECT_EQ(MAX_ans_cnt, 0);
    only.lengths[0] = 12;
    Root().fixed_length.maxi_code.Set(only);
    auto const& reads = ReadFrame(r.frame);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(total_CWD, 144);
    ASSERT_EQ(MAX_ans_cnt, 12);
    EXPECT_EQ(std::string(reinterpret_cast<char const*>(MAX_ans), MAX_ans_cnt), reads[0].data);
}

// The finder check alone, on the engine's frame: the run counts it takes, and
// a bull's-eye offered again in the same image.
TEST(MaxiFinderTest, CountsAndRepeatedBullsEyes)
{
    double const module = 4.0;
    auto const r = support::render({.symbology = BARCODE_MAXICODE, .data = "FINDER", .option1 = 4},
                                   {.moduleSize = module, .angle = 20});
    ASSERT_TRUE(r.symbol.ok);
    decode_image_info.samplePixels = r.frame.pixels.data();
    decode_image_info.sampleWidth = r.frame.width;
    decode_image_info.sampleHeight = r.frame.height;
    decode_image_info.sampleRowPadding = 0;
    support::Point const centre = r.symbol.toFrame({14.5, 14.43335});  // the bull's-eye centre in zint's module units
    // Eleven runs across the middle, in 1/32 pixel: the centre spot, then ten
    // rings.
    int runs[11];
    for (int i = 0; i < 11; ++i) {
        runs[i] = static_cast<int>(32 * module * (i == 5 ? 1.158 : 0.787));
    }
    int const y = static_cast<int>(centre.y);
    POINT_st first{static_cast<int>(centre.x - 4.51 * module), y};
    POINT_st last{static_cast<int>(centre.x + 4.51 * module), y};
    reset_max00();
    for (int count : {2, 4, 6, 12}) {
        EXPECT_EQ(MX_check_finderH3(runs + (11 - count) / 2, count, &first, &last, 2, 0, 0), 129) << count;
    }
    EXPECT_EQ(MX_check_finderH3(runs, 11, &first, &last, 2, 0, 0), 23);
    EXPECT_NEAR(finder_MX.eye.x, centre.x, module);
    EXPECT_NEAR(finder_MX.eye.y, centre.y, module);
    EXPECT_EQ(MX_check_finderH3(runs, 11, &first, &last, 2, 0, 0), 129) << "the same bull's-eye twice";
    reset_max01();  // a new image
    EXPECT_EQ(MX_check_finderH3(runs, 11, &first, &last, 2, 0, 0), 23);
}

TEST_F(MaxiReaderTest, NothingIsReadWhenMaxiCodeIsOff)
{
    auto const r = support::render({.symbology = BARCODE_MAXICODE, .data = "SWITCHED OFF", .option1 = 4},
                                   {.moduleSize = 4.0});
    ASSERT_TRUE(r.symbol.ok);
    Root().read.maxi_code.Set(false);
    EXPECT_TRUE(ReadFrame(r.frame).empty());
}

}  // namespace
