// Codabar: rendered zint symbols through the fixed band of the linear frame,
// the output options, the check methods and malformed symbols.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "decoder/linear/codabar/codabar_decoder.h"
#include "tests/decoder/linear/linear_read_fixture.h"

namespace codabar_test {
namespace {

namespace cfg = ivra_configuration;
using DEC2DIvra::CodabarDecoder;
using frame_test::Read;

class CodabarTest : public linear_read_test::LinearReadFixture {
protected:
    void SetUp() override
    {
        LinearReadFixture::SetUp();
        Keys().read.codabar.Set(true);
    }

    auto& Code() { return Keys().code.codabar; }

    Read Band(std::string const& data, support::RenderOptions options = {.moduleSize = 2.0}, int option2 = 0)
    {
        return LinearReadFixture::Band(Input(BARCODE_CODABAR, data, option2), options);
    }
};

// Both reading directions and polarities, the start/stop forms.
TEST_F(CodabarTest, DirectionsPolaritiesAndStartStopForms)
{
    struct Form {
        unsigned form;
        std::string expected;
    };
    std::vector<Form> const forms = {{0, "12-34$56"}, {1, "A12-34$56N"}, {2, "a12-34$56n"},
                                     {3, "A12-34$56B"}, {4, "a12-34$56b"}, {5, "\x11" "12-34$56\x12"}};
    for (Form const& f : forms) {
        Code().transmit_start_and_stop.Set(
            static_cast<cfg::configuration::code::codabar::transmit_start_and_stop::Enum>(f.form));
        for (double const angle : {0.0, 180.0}) {
            for (bool const inverted : {false, true}) {
                Read const read = Band("A12-34$56B", {.moduleSize = 2.0, .angle = angle, .inverted = inverted});
                std::string const where =
                    "form " + std::to_string(f.form) + " angle " + std::to_string(angle) + (inverted ? " inv" : "");
                EXPECT_EQ(read.data, f.expected) << where;
                EXPECT_EQ(read.symbology, SYMBOLOGY_CODABAR) << where;
                EXPECT_EQ(read.aim, "]F0") << where;
            }
        }
    }
}

// The modulus 16 check: verified and taken off gives ]F4; unverified the
// character before the stop is data and stays, whatever the transmission
// setting; a wrong check character gives no label.
TEST_F(CodabarTest, CheckDigitVerificationAndTransmission)
{
    // zint appends the modulus 16 check character with option 2 = 1: "A1234B" + "5".
    Code().check_check_digit.Set(true);
    Code().transmit_check_digit.Set(false);
    Read read = Band("A1234B", {.moduleSize = 2.0}, 1);
    EXPECT_EQ(read.data, "1234");
    EXPECT_EQ(read.aim, "]F4");
    Code().transmit_check_digit.Set(true);
    read = Band("A1234B", {.moduleSize = 2.0}, 1);
    ASSERT_EQ(read.data.size(), 5u);
    EXPECT_EQ(read.aim, "]F2");

    Code().check_check_digit.Set(false);
    Code().transmit_check_digit.Set(false);
    read = Band("A1234B");
    EXPECT_EQ(read.data, "1234");
    EXPECT_EQ(read.aim, "]F0");

    Code().check_check_digit.Set(true);
    EXPECT_FALSE(Band("A1234B").ok) << "no check character";
    EXPECT_TRUE(Band("A12345B").ok) << "check character 5";
    EXPECT_FALSE(Band("A12346B").ok) << "wrong check character";
}

TEST_F(CodabarTest, LengthRecordAndQuietZone)
{
    EXPECT_TRUE(Band("A123456789B").ok);
    auto length = Keys().fixed_length.codabar.Value();
    length.minimum = 9;
    Keys().fixed_length.codabar.Set(length);
    EXPECT_FALSE(Band("A12345678B").ok);
    EXPECT_TRUE(Band("A123456789B").ok);

    // Without a record, fewer than four data characters are what a slanted line
    // across another symbol can fake: refused, unless a record admits them.
    length.minimum = 0;
    Keys().fixed_length.codabar.Set(length);
    EXPECT_FALSE(Band("A123B").ok);
    EXPECT_TRUE(Band("A1234B").ok);
    length.minimum = 1;
    Keys().fixed_length.codabar.Set(length);
    EXPECT_TRUE(Band("A123B").ok);
}

// A bar in the quiet zone before the start, or the stop and the last digits
// cut off, give no label.
TEST_F(CodabarTest, NoQuietZoneOrTruncatedGivesNoLabel)
{
    ExpectNoQuietZoneAndTruncatedRefused(Input(BARCODE_CODABAR, "A12345678B"), 30);
}

// Characters stand at most 5.3 narrow elements apart: farther apart they are
// runs of other print (a Codabar "1506-" came from the rows of a noisy
// PDF417). The check is on by default and can be switched off.
TEST_F(CodabarTest, GapsWiderThanTheStandardAllowsAreRefused)
{
    support::Rendering wide = support::render(Input(BARCODE_CODABAR, "A123456B"), {.moduleSize = 2.0});
    ASSERT_TRUE(wide.symbol.ok);
    support::Rendering near = wide;
    // zint's start character A takes 10 modules; a gap of one follows.
    linear_read_test::WidenGap(near, 10.0, 2.0, 4.0);
    linear_read_test::WidenGap(wide, 10.0, 2.0, 9.0);
    EXPECT_FALSE(harness.ReadFixedBand(near.frame).empty());
    EXPECT_TRUE(harness.ReadFixedBand(wide.frame).empty());
    Code().intercharacter_gap_check.Set(false);
    EXPECT_FALSE(harness.ReadFixedBand(wide.frame).empty());
}

// Redraws an upright symbol's rows with character k (its seven elements
// and the gap after it) widened `scales[k]` times, the characters found as
// runs of eight along the middle row; the rest of the row is paper.
support::Frame ScaleCharacters(support::Rendering const& r, std::vector<double> const& scales)
{
    support::Frame out = r.frame;
    int const top = static_cast<int>(r.symbol.corners[0].y) + 1;
    int const bottom = static_cast<int>(r.symbol.corners[3].y) - 1;
    int const left = static_cast<int>(r.symbol.corners[0].x);
    int const right = static_cast<int>(r.symbol.corners[1].x);
    std::uint16_t const* middle = &r.frame.pixels[static_cast<size_t>((top + bottom) / 2) * r.frame.width];
    int const threshold = (middle[left - 4] + 100) / 2;
    // The first pixel of each run from the first bar on.
    std::vector<int> runs;
    bool dark = false;
    for (int x = left - 4; x <= right + 4; ++x) {
        bool const now = middle[x] < threshold;
        if (now != dark && (now || !runs.empty())) {
            runs.push_back(x);
        }
        dark = now;
    }
    for (int y = top; y <= bottom; ++y) {
        std::uint16_t const* from = &r.frame.pixels[static_cast<size_t>(y) * r.frame.width];
        std::uint16_t* to = &out.pixels[static_cast<size_t>(y) * out.width];
        double x = runs.front();
        for (size_t k = 0; k < scales.size() && 8 * k + 1 < runs.size(); ++k) {
            int const a = runs[8 * k];
            int const b = runs[std::min(8 * k + 8, runs.size() - 1)];
            double const end = x + (b - a) * scales[k];
            for (int at = static_cast<int>(x); at < static_cast<int>(end) && at < out.width; ++at) {
                to[at] = from[a + static_cast<int>((at - x) / scales[k])];
            }
            x = end;
        }
        for (int at = static_cast<int>(x); at < out.width; ++at) {
            to[at] = from[0];
        }
    }
    return out;
}

// A printed symbol's module changes smoothly along it; characters whose
// module wanders are bars of different print strung together (a Codabar
// "93-4/" came from a blurred DataBar composite). A steep keystone, whose
// module changes fourfold along the symbol, still reads.
TEST_F(CodabarTest, CharactersOfWanderingModuleGiveNoLabel)
{
    support::Rendering const r = support::render(Input(BARCODE_CODABAR, "A12345678B"), {.moduleSize = 1.0});
    ASSERT_TRUE(r.symbol.ok);
    EXPECT_EQ(harness.ReadFixedBand(r.frame).size(), 1u);
    ASSERT_TRUE(r.symbol.ok);
    std::vector<double> const even(10, 2.0);
    std::vector<double> const steady = {2, 2, 2, 2, 3, 3, 3, 3, 4, 4};
    std::vector<double> const wandering = {3, 2, 2, 2, 3, 3, 3, 2, 3, 5};
    EXPECT_EQ(harness.ReadFixedBand(ScaleCharacters(r, even)).size(), 1u);
    EXPECT_EQ(harness.ReadFixedBand(ScaleCharacters(r, steady)).size(), 1u);
    for (frame_test::Read const& read : harness.ReadFixedBand(ScaleCharacters(r, wandering))) {
        ADD_FAILURE() << read.data;
    }
    for (double const keystone : {0.4, -0.4}) {
        Read const read = Band("A12345678B", {.moduleSize = 2.0, .perspectiveX = keystone});
        EXPECT_EQ(read.data, "12345678") << keystone;
    }
}

TEST_F(CodabarTest, ConcatenationMarks)
{
    Code().enable_abc_cx.Set(2);
    Read read = Band("D1234A");
    EXPECT_EQ(read.aim, "]F1");
    EXPECT_EQ(read.maker, 'S');
    Code().enable_abc_cx.Set(4);
    read = Band("A1234C");
    EXPECT_EQ(read.maker, 'f');
}

char const* Text(DEC2DIvra::StackInterface<char> const& text, std::string& out)
{
    out.assign(text.GetFirst(), text.GetCount());
    return out.c_str();
}

TEST(CodabarOptionTest, SpaceInsertionAndStartStopForms)
{
    char buffer[64];
    std::string out;
    struct Case {
        std::string in;
        std::string expected;
    };
    for (Case const& c : std::vector<Case>{{"A12B", "A 12B"}, {"A1234B", "A 1234 B"}, {"A123456789B", "A 1234 56789 B"}}) {
        DEC2DIvra::StackInterface<char> text(buffer, sizeof(buffer));
        for (char ch : c.in) {
            text.Push(ch);
        }
        EXPECT_TRUE(CodabarDecoder::ExecuteSpaceInsertionOption(text));
        EXPECT_STREQ(Text(text, out), c.expected.c_str());
    }
    // Form 1 keeps a start "A" and turns a stop "B" into "N".
    DEC2DIvra::StackInterface<char> text(buffer, sizeof(buffer));
    for (char ch : std::string("A12B")) {
        text.Push(ch);
    }
    unsigned modifier = 0;
    CodabarDecoder::ExecuteSTSPOption(1, text, modifier);
    EXPECT_STREQ(Text(text, out), "A12N");
    EXPECT_EQ(modifier, 1u << CodabarDecoder::kStartStopSent);
}

TEST(CodabarOptionTest, SevenAndNineChecks)
{
    // A 1 2 3 ? B with values 16 1 2 3 c 17. 7-check over 1 2 3 from the
    // right: 3*1 + 2*3 + 1*2 = 11; method 1: 11 mod 7 = 4; method 2: 3.
    unsigned char values[6] = {16, 1, 2, 3, 4, 17};
    EXPECT_TRUE(CodabarDecoder::Check7CheckCheckDigit(values, 6, 2, false));
    values[4] = 3;
    EXPECT_TRUE(CodabarDecoder::Check7CheckCheckDigit(values, 6, 2, true));
    // 9-check: 1 + 2 + 3 = 6; method 3: 6; method 4: 3. "-" (10) counts 3 with
    // mode 2, nothing with mode 0.
    unsigned char nine[6] = {16, 1, 2, 3, 6, 17};
    EXPECT_TRUE(CodabarDecoder::Check9CheckCheckDigit(nine, 6, 2, false));
    nine[4] = 3;
    EXPECT_TRUE(CodabarDecoder::Check9CheckCheckDigit(nine, 6, 2, true));
    unsigned char withDash[6] = {16, 1, 10, 3, 7, 17};
    EXPECT_TRUE(CodabarDecoder::Check9CheckCheckDigit(withDash, 6, 2, false));   // 1 + 3 + 3 = 7
    EXPECT_FALSE(CodabarDecoder::Check9CheckCheckDigit(withDash, 6, 0, false));  // 1 + 3 = 4
    unsigned char mod16[5] = {16, 1, 2, 12, 17};  // 48
    EXPECT_TRUE(CodabarDecoder::CheckModulus16CheckDigit(mod16, 5));
    mod16[2] = 3;
    EXPECT_FALSE(CodabarDecoder::CheckModulus16CheckDigit(mod16, 5));
}

}  // namespace
}  // namespace codabar_test
