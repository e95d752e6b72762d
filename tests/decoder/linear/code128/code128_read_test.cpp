// Code 128 from rendered zint symbols, through the two roads into the linear
// frame: the fixed band of DEC2D_Main and a located region.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "decoder/linear/bar_symbol_decoder_set.h"
#include "tests/decoder/linear/code128/code128_fixture.h"
#include "tests/decoder/linear/frame_fixture.h"
#include "tests/decoder/linear/roads/scan_line_fixture.h"

namespace code128_test {
namespace {

using DEC2DIvra::BarSymbolDecoderSet;
using frame_test::Read;

constexpr unsigned kPositive = 0;
constexpr unsigned kNegative = 1;
constexpr unsigned kBoth = 2;

class Code128ReadTest : public ::testing::Test {
protected:
    Code128ReadTest()
    {
        EXPECT_TRUE(harness.IsReady());
        harness.ClearLengthLimits();
        BarSymbolDecoderSet const& set = harness.Frame().GetBarSymbolDecoderSet();
        unsigned const trials[4] = {BarSymbolDecoderSet::kCode128, BarSymbolDecoderSet::kCode128Negative,
                                    BarSymbolDecoderSet::kCode128Bold, BarSymbolDecoderSet::kCode128BoldNegative};
        unsigned const options[4] = {0, Code128Decoder::kNegative, Code128Decoder::kForBigger,
                                     Code128Decoder::kForBigger | Code128Decoder::kNegative};
        for (unsigned i = 0; i < 4; ++i) {
            auto const* decoder = dynamic_cast<Code128Decoder const*>(set.GetTrialDecoder(trials[i]));
            EXPECT_TRUE(decoder != nullptr && decoder->GetOption() == options[i]) << "trial " << trials[i];
        }
    }

    cfg::configuration::Handle& Settings() { return harness.Settings(); }

    Read Band(support::SymbolInput const& input, support::RenderOptions const& options)
    {
        support::Rendering const r = support::render(input, options);
        EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<Read> const reads = harness.ReadFixedBand(r.frame);
        return reads.empty() ? Read{} : reads.front();
    }

    Read Region(support::SymbolInput const& input, support::RenderOptions const& options)
    {
        support::Rendering const r = support::render(input, options);
        EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
        double const along = options.quietZone * options.moduleSize;
        return harness.ReadRegion(r.frame, frame_test::ToRegion(r.symbol.corners, along));
    }

    frame_test::LinearFrameHarness harness;
};

struct Symbol {
    char const* name;
    support::SymbolInput input;
    std::string data;
    char const* aim;
};

std::vector<ScanElement> ScanRuns(std::vector<DEC2DIvra::PickLineElement> samples)
{
    scan_test::Scanner scanner;
    scanner.Run(samples);
    return scanner.Runs();
}

std::string Digits(size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += static_cast<char>('0' + (i * 7) % 10);
    }
    return s;
}

std::vector<Symbol> Symbols()
{
    std::string const e9 = "\xE9";
    return {
        {"one character", {.data = "7"}, "7", "]C0"},
        {"code set B", {.data = "Hello, World"}, "Hello, World", "]C0"},
        {"code set C", {.data = "0123456789"}, "0123456789", "]C0"},
        {"B to C and back", {.data = "AB123456cd"}, "AB123456cd", "]C0"},
        {"code set A with shift", {.data = "\x01\x02" "a\x03"}, "\x01\x02" "a\x03", "]C0"},
        {"B with shift to A", {.data = "ab\x09" "cd"}, "ab\x09" "cd", "]C0"},
        {"extended characters", {.data = "x\xE9\xE9\xE9\xE9\xE9\xE9y"}, "x\xE9\xE9\xE9\xE9\xE9\xE9y", "]C0"},
        {"single FNC4 in a latch", {.data = e9 + e9 + e9 + e9 + e9 + "A" + e9 + e9 + e9},
         e9 + e9 + e9 + e9 + e9 + "A" + e9 + e9 + e9, "]C0"},
        {"GS1-128", {.symbology = BARCODE_GS1_128, .data = "[01]09501101530003[10]AB-12[21]XYZ", .inputMode = GS1_MODE},
         "0109501101530003" "10AB-12\x1D" "21XYZ", "]C1"},
    };
}

// Every kind of content through both roads, with identifier and maker code.
TEST_F(Code128ReadTest, ContentThroughBothRoads)
{
    for (Symbol const& s : Symbols()) {
        support::SymbolInput input = s.input;
        Read const band = Band(input, {.moduleSize = 2.0});
        EXPECT_TRUE(band.ok) << s.name;
        EXPECT_EQ(band.data, s.data) << s.name;
        EXPECT_EQ(band.symbology, SYMBOLOGY_CODE128) << s.name;
        EXPECT_EQ(band.aim, s.aim) << s.name;
        EXPECT_EQ(band.maker, 'T') << s.name;

        Read const region = Region(input, {.moduleSize = 2.0, .angle = 30});
        EXPECT_TRUE(region.ok) << s.name;
        EXPECT_EQ(region.data, s.data) << s.name;
        EXPECT_EQ(region.aim, s.aim) << s.name;
        if (region.ok) {
            unsigned const symbolCharacters = static_cast<unsigned>(ZintValues(input).size());
            EXPECT_EQ(region.moduleCount, 11u * symbolCharacters) << s.name;
        }
    }
}

// Eighty characters: a wider frame keeps 1.5 pixels per module.
TEST_F(Code128ReadTest, EightyCharacters)
{
    std::string data = "Code 128, 80 characters: ";
    data += Digits(80 - data.size());
    ASSERT_EQ(data.size(), 80u);
    support::SymbolInput const input{.data = data};
    for (double module : {1.5, 2.0}) {
        Read const band = Band(input, {.frameWidth = 1280, .moduleSize = module});
        EXPECT_TRUE(band.ok) << module;
        EXPECT_EQ(band.data, data);
    }
    EXPECT_EQ(Region(input, {.frameWidth = 1280, .frameHeight = 960, .moduleSize = 1.5, .angle = 200}).data, data);
}

TEST_F(Code128ReadTest, PolarityFollowsTheSetting)
{
    support::SymbolInput const input{.data = "Polarity 42"};
    struct Case {
        unsigned setting;
        bool normal;
        bool inverted;
    };
    for (Case const c : {Case{kPositive, true, false}, Case{kNegative, false, true}, Case{kBoth, true, true}}) {
        harness.SetPolarity(c.setting);
        for (bool inverted : {false, true}) {
            bool const expected = inverted ? c.inverted : c.normal;
            Read const band = Band(input, {.moduleSize = 3, .inverted = inverted});
            EXPECT_EQ(band.ok, expected) << c.setting << " inverted " << inverted;
            Read const region = Region(input, {.moduleSize = 3, .angle = 135, .inverted = inverted});
            EXPECT_EQ(region.ok, expected) << c.setting << " inverted " << inverted;
            if (region.ok) {
                EXPECT_EQ(region.data, "Polarity 42");
                EXPECT_EQ(region.negative, inverted ? 1u : 0u);
            }
        }
    }
}

// Labels that must not come out.
TEST_F(Code128ReadTest, RefusedLabels)
{
    // The check character repainted as another character.
    support::SymbolInput const ab{.data = "AB"};
    support::RenderOptions const plain{.moduleSize = 3};
    support::Rendering r = support::render(ab, plain);
    ASSERT_TRUE(r.symbol.ok);
    std::vector<int> const values = ZintValues(ab);
    ASSERT_EQ(values.size(), 5u);
    auto paint = [&](double x0, double x1, int grey) {
        for (int y = 0; y < r.frame.height; ++y) {
            for (int x = 0; x < r.frame.width; ++x) {
                support::Point const m = r.symbol.toModule({x + 0.5, y + 0.5});
                if (m.x >= x0 && m.x < x1 && m.y >= 0 && m.y < r.symbol.heightModules) {
                    r.frame.at(x, y) = static_cast<uint16_t>(grey);
                }
            }
        }
    };
    int const wrong = (values[3] + 1) % 103;
    unsigned char const* widths = Code128Table::GetWidths(static_cast<unsigned>(wrong));
    double x = 33;  // start, A, B
    paint(x, x + 11, plain.light);
    for (unsigned k = 0; k < 6; ++k) {
        if ((k & 1) == 0) {
            paint(x, x + widths[k], plain.dark);
        }
        x += widths[k];
    }
    EXPECT_TRUE(harness.ReadFixedBand(r.frame).empty()) << "wrong check character";

    // Ink within the quiet zone, before the start and after the stop.
    double const end = r.symbol.widthModules;
    for (double at : {-6.0, end + 4}) {
        r = support::render(ab, plain);
        paint(at, at + 2, plain.dark);
        EXPECT_TRUE(harness.ReadFixedBand(r.frame).empty()) << "ink at module " << at;
        r = support::render(ab, plain);
        double const beyond = at < 0 ? -12 : end + 12;
        paint(beyond, beyond + 2, plain.dark);
        EXPECT_FALSE(harness.ReadFixedBand(r.frame).empty()) << "ink beyond the quiet zone, at " << beyond;
    }

    // Length restriction.
    cfg::FixedLength lengths{};
    lengths.minimum = 3;
    lengths.maximum = cfg::FixedLength::kNoMaximum;
    ASSERT_TRUE(Settings().fixed_length.code128.Set(lengths));
    EXPECT_TRUE(Band(ab, plain).data.empty());
    EXPECT_EQ(Band({.data = "ABC"}, plain).data, "ABC");
    lengths.minimum = 0;
    lengths.count = 1;
    lengths.lengths[0] = 12;
    ASSERT_TRUE(Settings().fixed_length.code128.Set(lengths));
    EXPECT_FALSE(Band({.data = "ABC"}, plain).ok);
    EXPECT_TRUE(Region({.data = "ABCDEFGHIJKL"}, {.moduleSize = 2, .angle = 90}).ok);

    // Code 128 off.
    ASSERT_TRUE(Settings().read.code128.Set(false));
    EXPECT_FALSE(Band({.data = "ABCDEFGHIJKL"}, plain).ok);
}

// A light stripe seven modules wide across the bars at a slant spoils a
// character or two on every scan line, other ones from line to line: the
// lines read together.
TEST_F(Code128ReadTest, DamagedBandReadsThroughTheMultiLineRoad)
{
    constexpr unsigned kSimple = 1;
    constexpr unsigned kUseComposition = 3;
    harness.SetDecodeMode(kUseComposition);
    support::SymbolInput const input{.data = "Stripe 128", .height = 40};
    for (double angle : {0.0, 33.0, 200.0}) {
        support::RenderOptions const options{.moduleSize = 3, .angle = angle};
        support::Rendering r = support::render(input, options);
        ASSERT_TRUE(r.symbol.ok);
        for (int y = 0; y < r.frame.height; ++y) {
            for (int x = 0; x < r.frame.width; ++x) {
                support::Point const m = r.symbol.toModule({x + 0.5, y + 0.5});
                double const centre = 14 + 60 * m.y / r.symbol.heightModules;
                if (m.y >= 0 && m.y <= r.symbol.heightModules && std::fabs(m.x - centre) < 3.5) {
                    r.frame.at(x, y) = static_cast<uint16_t>(options.light);
                }
            }
        }
        if (angle == 0.0) {
            // No row of the symbol reads by itself.
            Decoders lone;
            int const top = static_cast<int>(std::ceil(r.symbol.corners[0].y));
            int const bottom = static_cast<int>(std::floor(r.symbol.corners[3].y));
            for (int y = top; y < bottom; y += 2) {
                std::vector<DEC2DIvra::PickLineElement> samples;
                for (int x = 0; x < r.frame.width; ++x) {
                    samples.push_back({x * 16, r.frame.at(x, y)});
                }
                std::string data;
                EXPECT_FALSE(lone.Decode(lone.normal, ScanRuns(samples), data)) << "row " << y << ": " << data;
            }
        }
        DEC2DIvra::Region const region =
            frame_test::ToRegion(r.symbol.corners, options.quietZone * options.moduleSize);
        Read const read = harness.ReadRegion(r.frame, region);
        EXPECT_TRUE(read.ok) << angle;
        EXPECT_EQ(read.data, "Stripe 128") << angle;
        // Without the multi-line road nothing comes out.
        harness.SetDecodeMode(kSimple);
        EXPECT_FALSE(harness.ReadRegion(r.frame, region).ok) << angle;
        harness.SetDecodeMode(kUseComposition);
    }
}

// Read counts per condition, printed as a table; each must reach its floor.
TEST_F(Code128ReadTest, ReadRates)
{
    struct Condition {
        char const* name;
        bool band;
        support::RenderOptions options;
        unsigned floorPercent;
    };
    harness.SetPolarity(kBoth);
    std::vector<Condition> conditions = {
        {"band, 1.5 px", true, {.moduleSize = 1.5}, 90},
        {"band, 2 px", true, {.moduleSize = 2.0}, 95},
        {"band, 3 px", true, {.moduleSize = 3.0}, 100},
        {"band, 4 px", true, {.moduleSize = 4.0}, 100},
        {"band, 6 px", true, {.moduleSize = 6.0}, 100},
        {"band, 3 px, blur 1.0", true, {.moduleSize = 3.0, .blur = 1.0}, 95},
        {"band, 2 px, blur 0.8", true, {.moduleSize = 2.0, .blur = 0.8}, 90},
        {"band, 2 px, blur 1.2", true, {.moduleSize = 2.0, .blur = 1.2}, 50},
        {"band, 1.5 px, blur 0.7", true, {.moduleSize = 1.5, .blur = 0.7}, 50},
        {"band, 1.5 px, blur 1.0", true, {.moduleSize = 1.5, .blur = 1.0}, 25},
        {"band, 2 px, blur 1.5", true, {.moduleSize = 2.0, .blur = 1.5}, 25},
        {"band, 3 px, noise 20", true, {.moduleSize = 3.0, .noise = 20}, 95},
        {"band, 3 px, noise 40", true, {.moduleSize = 3.0, .noise = 40}, 90},
        {"band, 3 px, noise 80", true, {.moduleSize = 3.0, .noise = 80}, 50},
        {"band, 3 px, contrast 150", true, {.moduleSize = 3.0, .dark = 450, .light = 600}, 95},
        {"band, 3 px, contrast 80", true, {.moduleSize = 3.0, .dark = 480, .light = 560}, 50},
        {"band, 2 px, blur 0.8, noise 20, contrast 200", true,
         {.moduleSize = 2.0, .dark = 400, .light = 600, .blur = 0.8, .noise = 20}, 70},
        {"band, 3 px, inverted", true, {.moduleSize = 3.0, .inverted = true}, 100},
        {"region, 2.5 px, any angle", false, {.moduleSize = 2.5}, 90},
        {"region, 1.5 px, any angle", false, {.moduleSize = 1.5}, 50},
        {"region, 4 px, any angle, blur 1", false, {.moduleSize = 4.0, .blur = 1.0}, 90},
        {"region, 6 px, any angle", false, {.moduleSize = 6.0}, 90},
        {"region, 2.5 px, any angle, inverted", false, {.moduleSize = 2.5, .inverted = true}, 90},
        {"region, 2.5 px, any angle, noise 30", false, {.moduleSize = 2.5, .noise = 30}, 80},
        {"region, 2 px, any angle, blur 0.8, noise 20, contrast 200", false,
         {.moduleSize = 2.0, .dark = 400, .light = 600, .blur = 0.8, .noise = 20}, 80},
    };
    // Symbols that fit the frame at every angle: up to 10 characters below
    // 4 pixels per module, up to 4 at 4, up to 2 at 6.
    char const* const longTexts[] = {"Code128", "0123456789", "ab12CD34", "Hello, 128", "A\x01" "b2",
                                     "9780201379624"};
    char const* const shortTexts[] = {"AB12", "123456", "x9y", "Q", "Code", "42"};
    char const* const tinyTexts[] = {"AB", "1234", "x9", "Q", "7", "42"};
    std::printf("%-40s %s\n", "condition", "read / tries");
    for (Condition const& c : conditions) {
        unsigned tries = 0;
        unsigned reads = 0;
        char const* const* const texts =
            c.options.moduleSize >= 6 ? tinyTexts : (c.options.moduleSize >= 4 ? shortTexts : longTexts);
        for (unsigned t = 0; t < 12; ++t) {
            support::SymbolInput const input{.data = texts[t % 6]};
            support::RenderOptions o = c.options;
            o.seed = 1000 + t;
            o.angle = c.band ? (t % 3) - 1.0 : 30.0 * t + 7.0;
            o.centre = support::Point{320 + (t % 5) * 3.3, 240 + (t % 4) * 1.7};
            Read const read = c.band ? Band(input, o) : Region(input, o);
            ++tries;
            reads += read.ok && read.data == texts[t % 6] ? 1 : 0;
            EXPECT_TRUE(!read.ok || read.data == texts[t % 6]) << c.name << ": misread";
        }
        std::printf("%-40s %u / %u\n", c.name, reads, tries);
        EXPECT_GE(reads * 100, c.floorPercent * tries) << c.name;
    }
}

}  // namespace
}  // namespace code128_test
