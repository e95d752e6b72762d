// The region entry on rendered zint symbols: polarity settings, the
// seen-symbol flag the locator keeps, damaged rows read through erasures,
// and the enable settings.
#include <cmath>
#include <string>

#include "decoder/stacked/micro_pdf_version_table.h"
#include "tests/decoder/stacked/pdf_symbol_fixture.h"
#include "tests/support/symbol_renderer.h"

namespace {

using namespace DEC2DIvra;
namespace cfg = ivra_configuration;

class PdfRegionRead : public pdf_test::PDFDecoderFixture {
protected:
    void SetPolarity(unsigned value)
    {
        using Polarity = cfg::configuration::readable_medium::positive_and_negative_codes::pdf_417::Enum;
        manager.Root().readable_medium.positive_and_negative_codes.pdf_417.Set(static_cast<Polarity>(value));
        ASSERT_TRUE(manager.Update());
        property.TakeSettings();
    }

    void Enable(bool pdf, bool micro)
    {
        manager.Root().read.pdf417.Set(pdf);
        manager.Root().read.micro_pdf417.Set(micro);
        ASSERT_TRUE(manager.Update());
        property.TakeSettings();
    }

    // The decoder on the symbol's own outline, as the locator would hand it.
    int Read(support::Rendering const& r)
    {
        Region region;
        for (unsigned i = 0; i < 4; ++i) {
            region[i] = Point{static_cast<int>(std::lround(r.symbol.corners[i].x)),
                              static_cast<int>(std::lround(r.symbol.corners[i].y))};
        }
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        return decoder.Start(image, region, label);
    }

    // The decoder on a band of the symbol from x0 to x1 of its width (as a
    // locator that found one end of it would hand it); `flipped` lays the
    // region the other way round.
    int ReadBand(support::Rendering const& r, double x0, double x1, bool flipped)
    {
        double const w = r.symbol.widthModules;
        double const h = r.symbol.heightModules;
        support::Point const module[4] = {{x0 * w, 0}, {x1 * w, 0}, {x1 * w, h}, {x0 * w, h}};
        Region region;
        for (unsigned i = 0; i < 4; ++i) {
            support::Point const p = r.symbol.toFrame(module[(i + (flipped ? 2 : 0)) % 4]);
            region[i] = Point{static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
        }
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        return decoder.Start(image, region, label);
    }

    std::string Data() const { return std::string(label.data.GetFirst(), label.data.GetCount()); }

    // A region over the first `share` of the symbol's width (its start end),
    // turned about its middle by `turn` radians off the rows.
    static Region TurnedStartEnd(support::Rendering const& r, double share, double turn)
    {
        double const w = r.symbol.widthModules;
        double const h = r.symbol.heightModules;
        support::Point const module[4] = {{0, 0}, {share * w, 0}, {share * w, h}, {0, h}};
        support::Point corners[4];
        double cx = 0;
        double cy = 0;
        for (unsigned i = 0; i < 4; ++i) {
            corners[i] = r.symbol.toFrame(module[i]);
            cx += corners[i].x / 4;
            cy += corners[i].y / 4;
        }
        Region region;
        for (unsigned i = 0; i < 4; ++i) {
            double const dx = corners[i].x - cx;
            double const dy = corners[i].y - cy;
            region[i] = Point{static_cast<int>(std::lround(cx + dx * std::cos(turn) - dy * std::sin(turn))),
                              static_cast<int>(std::lround(cy + dx * std::sin(turn) + dy * std::cos(turn)))};
        }
        return region;
    }

    static support::Rendering Render(int symbology, std::string const& data, support::RenderOptions o = {})
    {
        support::SymbolInput input;
        input.symbology = symbology;
        input.data = data;
        input.option2 = symbology == BARCODE_PDF417 ? 4 : 0;
        support::Rendering r = support::render(input, o);
        EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
        return r;
    }

    // Paints a band of the symbol (module coordinates, y from top to bottom) light.
    static void Wipe(support::Rendering& r, double x0, double x1, double y0, double y1)
    {
        for (int y = 0; y < r.frame.height; ++y) {
            for (int x = 0; x < r.frame.width; ++x) {
                support::Point const m = r.symbol.toModule({static_cast<double>(x), static_cast<double>(y)});
                if (m.x >= x0 && m.x < x1 && m.y >= y0 && m.y < y1) {
                    r.frame.pixels[static_cast<size_t>(y) * r.frame.width + x] = 900;
                }
            }
        }
    }

    DecodedLabel label;
};

TEST_F(PdfRegionRead, PolaritySettingDecidesWhatIsReadAndTheLabelTellsWhich)
{
    support::RenderOptions light;
    light.inverted = true;
    light.angle = 20;
    support::Rendering const r = Render(BARCODE_PDF417, "light on dark", light);
    SetPolarity(0);
    EXPECT_EQ(Read(r), 0);
    SetPolarity(2);
    ASSERT_EQ(Read(r), 1);
    EXPECT_EQ(Data(), "light on dark");
    EXPECT_EQ(label.negative, 1);
    SetPolarity(1);
    EXPECT_EQ(Read(Render(BARCODE_PDF417, "dark on light")), 0);
}

// The search lines are sampled once for both polarities and both ways along
// them: a symbol reads whichever way its region runs, dark on light or light
// on dark, whole or located by one end only (then on the long lines), and
// the label tells its polarity.
TEST_F(PdfRegionRead, EachPolarityReadsWhicheverWayTheRegionRunsAndWhereverItWasLocated)
{
    SetPolarity(2);
    struct Case {
        double angle;
        bool inverted;
        bool flipped;
        double x0;
        double x1;
    };
    std::string const data = "Either way, either polarity";
    for (Case const c : {Case{0, false, false, 0, 1}, Case{0, false, true, 0, 1}, Case{0, true, false, 0, 1},
                         Case{0, true, true, 0, 1}, Case{160, false, true, 0, 1}, Case{250, true, false, 0, 1},
                         Case{20, false, false, 0, 0.25}, Case{20, false, true, 0, 0.25},
                         Case{200, true, false, 0.75, 1}, Case{200, true, true, 0.75, 1},
                         Case{110, false, true, 0.75, 1}, Case{290, true, false, 0, 0.25}}) {
        support::RenderOptions o;
        o.moduleSize = 2.5;
        o.angle = c.angle;
        o.inverted = c.inverted;
        support::Rendering const r = Render(BARCODE_PDF417, data, o);
        std::string const what = "at " + std::to_string(c.angle) + (c.inverted ? " light on dark" : "") +
                                 (c.flipped ? " flipped" : "") + " band " + std::to_string(c.x0);
        label.Clear();
        ASSERT_EQ(ReadBand(r, c.x0, c.x1, c.flipped), 1) << what;
        EXPECT_EQ(Data(), data) << what;
        EXPECT_EQ(label.negative, c.inverted ? 1 : 0) << what;
    }
}

TEST_F(PdfRegionRead, SeenSymbolFlagStaysWhenRowsAreUnreadableAndClearsOnARead)
{
    support::Rendering r = Render(BARCODE_PDF417, "The rows of this symbol get wiped out", {.moduleSize = 2.5});
    ASSERT_EQ(Read(r), 1);
    EXPECT_EQ(decoder.GetSeenSymbol(), 0u);
    // Everything between the start and the stop column.
    Wipe(r, 17, r.symbol.widthModules - 18, 0, r.symbol.heightModules);
    EXPECT_EQ(Read(r), 0);
    EXPECT_EQ(decoder.GetSeenSymbol(), 1u);
}

// What a read that gives no label tells the locator: both edge columns, or
// one column with row indicators of the three clusters beside it, are a
// PDF417 symbol (the linear decoders are spared its region); a start or stop
// column with nothing readable beside it, as the bars of a stacked linear
// symbol show, is not.
TEST_F(PdfRegionRead, ALoneColumnIsASymbolOnlyWithRowIndicatorsBesideIt)
{
    struct Case {
        char const* name;
        double x0, x1;  // modules wiped, from the symbol's left edge
        double fromRight0, fromRight1;  // and from its right edge
        unsigned seen;
        bool reads;  // the start column and its row indicators read the rows, as a compact symbol's do
    };
    // Four data columns: start 17, indicator 17, data 68, indicator 17, stop 18 modules.
    for (Case const c : {Case{"rows wiped", 17, 119, 0, 0, PDFDecoder::kSeenSymbol, false},
                         Case{"start column wiped", 0, 17, 0, 0, PDFDecoder::kSeenColumn, false},
                         Case{"stop column wiped", 0, 0, 0, 18, PDFDecoder::kSeenNothing, true},
                         Case{"start column and right indicators wiped", 0, 17, 18, 35, PDFDecoder::kSeenNothing,
                              false},
                         Case{"everything but the stop column wiped", 0, 119, 0, 0, PDFDecoder::kSeenNothing, false}}) {
        for (double const angle : {0.0, 35.0}) {
            std::string const text = "One column left to tell the symbol by";
            support::Rendering r = Render(BARCODE_PDF417, text, {.moduleSize = 2.5, .angle = angle});
            double const w = r.symbol.widthModules;
            double const h = r.symbol.heightModules;
            ASSERT_DOUBLE_EQ(w, 137.0);
            Wipe(r, c.x0, c.x1, 0, h);
            Wipe(r, w - c.fromRight1, w - c.fromRight0, 0, h);
            EXPECT_EQ(Read(r), c.reads ? 1 : 0) << c.name << " at " << angle;
            EXPECT_EQ(decoder.GetSeenSymbol(), c.seen) << c.name << " at " << angle;
            if (c.reads) {
                EXPECT_EQ(Data(), text) << c.name << " at " << angle;
            }
        }
    }
}

// A compact symbol (no right row indicator, a single bar for its stop) is
// read from its start column only as far as its left row indicators tell:
// without them, or with data columns they name missing, nothing is read.
TEST_F(PdfRegionRead, ACompactSymbolReadsOnlyAsItsRowIndicatorsTell)
{
    std::string const text = "Compact rows told by their indicators";
    struct Case {
        char const* name;
        double x0, x1;  // modules wiped, from the symbol's left edge
        double fromRight0, fromRight1;  // and from its right edge
        bool reads;
    };
    // Four data columns: start 17, indicator 17, data 68, stop 1 module.
    for (Case const c : {Case{"whole", 0, 0, 0, 0, true}, Case{"left indicators wiped", 17, 34, 0, 0, false},
                         Case{"left indicators and stop wiped", 17, 34, 0, 1, false},
                         Case{"last two data columns and stop wiped", 0, 0, 0, 35, false}}) {
        for (double const angle : {0.0, 20.0}) {
            support::SymbolInput input;
            input.symbology = BARCODE_PDF417COMP;
            input.data = text;
            input.option2 = 4;
            support::Rendering r = support::render(input, {.moduleSize = 2.5, .angle = angle});
            ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
            double const w = r.symbol.widthModules;
            double const h = r.symbol.heightModules;
            ASSERT_DOUBLE_EQ(w, 103.0);
            Wipe(r, c.x0, c.x1, 0, h);
            Wipe(r, w - c.fromRight1, w - c.fromRight0, 0, h);
            EXPECT_EQ(Read(r), c.reads ? 1 : 0) << c.name << " at " << angle;
            if (c.reads) {
                EXPECT_EQ(Data(), text) << c.name << " at " << angle;
            }
        }
    }
}

// A glance along the region's search lines meets the start and stop
// patterns of a PDF417 symbol however its region was located (a fragment of
// it at a slant to its rows included), and not the bars of linear symbols,
// stacked ones included; it gives no label.
TEST_F(PdfRegionRead, AGlanceMeetsPdf417StartAndStopPatternsOnly)
{
    SetPolarity(2);
    struct Case {
        char const* name;
        support::SymbolInput input;
        double angle;
        bool inverted;
        double x0, x1;  // the band of the symbol handed over
        bool flipped;
        bool met;
    };
    support::SymbolInput const pdf{.symbology = BARCODE_PDF417, .data = "A glance along the lines", .option2 = 4};
    support::SymbolInput const codablock{.symbology = BARCODE_CODABLOCKF, .data = "CODABLOCK F STACKED ROWS 0123456789"};
    support::SymbolInput const stacked{.symbology = BARCODE_DBAR_OMNSTK, .data = "0950110153000"};
    support::SymbolInput const linear{.symbology = BARCODE_CODE128, .data = "Code 128 bars"};
    for (Case const& c : {Case{"PDF417", pdf, 0, false, 0, 1, false, true},
                          Case{"PDF417 light on dark", pdf, 200, true, 0, 1, true, true},
                          Case{"PDF417 middle", pdf, 30, false, 0.4, 0.6, false, true},
                          Case{"Codablock F", codablock, 0, false, 0, 1, false, false},
                          Case{"DataBar Stacked Omnidirectional", stacked, 90, false, 0, 1, false, false},
                          Case{"Code 128", linear, 15, false, 0, 1, false, false}}) {
        support::Rendering const r = support::render(c.input, {.moduleSize = 2.5, .angle = c.angle, .inverted = c.inverted});
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        decoder.SetInput(PDFDecoder::kInputGlance);
        label.Clear();
        EXPECT_EQ(ReadBand(r, c.x0, c.x1, c.flipped), 0) << c.name;
        EXPECT_EQ(decoder.GetSeenSymbol() == PDFDecoder::kSeenPattern, c.met) << c.name;
        EXPECT_EQ(label.data.GetCount(), 0u) << c.name;
        decoder.SetInput(PDFDecoder::kInputRead);
        EXPECT_EQ(ReadBand(r, c.x0, c.x1, c.flipped), c.met ? 1 : 0) << c.name;
    }
}

TEST_F(PdfRegionRead, ANearGlanceWantsOneColumnOfAPolarityReadWithinTheRegionsReach)
{
    // The near glance looks along the region's own reach only, for a start
    // or stop pattern of a polarity the settings read, met on two lines;
    // the glance across the frame takes one pattern of either polarity.
    struct Case {
        char const* name;
        support::SymbolInput input;
        double angle;
        bool inverted;
        unsigned polarity;  // 0 normal, 1 light on dark, 2 both
        double x0, x1;      // the band of the symbol handed over
        bool metNear;
        bool metAcross;
    };
    support::SymbolInput const pdf{.symbology = BARCODE_PDF417, .data = "A near glance along the lines", .option2 = 6};
    support::SymbolInput const matrix{.symbology = BARCODE_DATAMATRIX, .data = "Data Matrix 0123456789 abcdefghij"};
    support::SymbolInput const linear{.symbology = BARCODE_CODE128, .data = "Code 128 bars"};
    for (Case const& c : {Case{"PDF417", pdf, 20, false, 0, 0, 1, true, true},
                          Case{"PDF417 light on dark, both read", pdf, 200, true, 2, 0, 1, true, true},
                          Case{"PDF417 light on dark, normal read", pdf, 200, true, 0, 0, 1, false, true},
                          Case{"PDF417 dark on light, light on dark read", pdf, 0, false, 1, 0, 1, false, true},
                          Case{"PDF417 middle", pdf, 30, false, 2, 0.45, 0.55, false, true},
                          Case{"Data Matrix", matrix, 10, false, 2, 0, 1, false, false},
                          Case{"Code 128", linear, 15, false, 2, 0, 1, false, false}}) {
        SetPolarity(c.polarity);
        support::Rendering const r = support::render(c.input, {.moduleSize = 2.5, .angle = c.angle, .inverted = c.inverted});
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        for (bool const near : {true, false}) {
            decoder.SetInput(near ? PDFDecoder::kInputGlanceNear : PDFDecoder::kInputGlance);
            label.Clear();
            EXPECT_EQ(ReadBand(r, c.x0, c.x1, false), 0) << c.name;
            EXPECT_EQ(decoder.GetSeenSymbol() == PDFDecoder::kSeenPattern, near ? c.metNear : c.metAcross)
                << c.name << (near ? ", near" : ", across");
        }
        decoder.SetInput(PDFDecoder::kInputRead);
    }
}

TEST_F(PdfRegionRead, DamagedRowsAreReadThroughErasures)
{
    support::Rendering r = Render(BARCODE_PDF417, "Damaged rows are erasures, not errors", {.moduleSize = 2.5, .angle = 35});
    // Two data columns of one row band gone: within level 2's reach.
    Wipe(r, 34, 68, r.symbol.heightModules * 0.4, r.symbol.heightModules * 0.4 + 3);
    ASSERT_EQ(Read(r), 1);
    EXPECT_EQ(Data(), "Damaged rows are erasures, not errors");
}

TEST_F(PdfRegionRead, EnableSettingsGateTheRegionEntry)
{
    Enable(true, true);
    support::Rendering const micro = Render(BARCODE_MICROPDF417, "micro", {.moduleSize = 3.0, .angle = 200});
    ASSERT_EQ(Read(micro), 1);
    EXPECT_EQ(Data(), "micro");
    Enable(false, false);
    EXPECT_EQ(Read(micro), 0);
    EXPECT_EQ(Read(Render(BARCODE_PDF417, "off")), 0);
}

TEST_F(PdfRegionRead, EverySizeIsFoundAtAnAngleAndMicroSizesAreVotedRight)
{
    // Each MicroPDF417 size: its row address columns found, its size voted
    // from them (a wrong size gives no label), at an angle of its own.
    Enable(true, true);
    std::vector<bool> seen(34, false);
    unsigned sizes = 0;
    for (int columns = 1; columns <= 4; ++columns) {
        for (int length = 1; length <= 250; length += 1 + length / 40) {
            std::string const data(static_cast<size_t>(length), static_cast<char>('A' + length % 26));
            auto const encoded = pdf_test::Encode({.symbology = BARCODE_MICROPDF417, .data = data, .option2 = columns});
            if (!encoded.ok) {
                continue;
            }
            unsigned version = 34;
            for (unsigned v = 0; v < 34; ++v) {
                if (MicroPDFVersionTable::table[v].columns == columns &&
                    MicroPDFVersionTable::table[v].rows == encoded.rows.size()) {
                    version = v;
                }
            }
            if (version >= 34 || seen[version]) {
                continue;
            }
            seen[version] = true;
            ++sizes;
            support::SymbolInput input{.symbology = BARCODE_MICROPDF417, .data = data, .option2 = columns};
            double const angle = (version * 47) % 360;
            support::Rendering const r = support::render(input, {.moduleSize = 2.0, .angle = angle});
            ASSERT_TRUE(r.symbol.ok);
            EXPECT_EQ(Read(r), 1) << columns << " x " << encoded.rows.size() << " at " << angle;
            EXPECT_EQ(Data(), data) << columns << " x " << encoded.rows.size();
        }
    }
    EXPECT_EQ(sizes, 34u);
    // PDF417 from one to thirty data columns, three rows to many.
    struct Size {
        int columns;
        int length;
    };
    for (Size const size : {Size{1, 3}, Size{3, 1}, Size{5, 120}, Size{12, 20}, Size{17, 200}, Size{30, 300}}) {
        std::string const data(static_cast<size_t>(size.length), static_cast<char>('a' + size.length % 26));
        support::SymbolInput input{.symbology = BARCODE_PDF417, .data = data, .option2 = size.columns};
        double const angle = (size.columns * 53) % 360;
        support::Rendering const r = support::render(
            input, {.frameWidth = 1000, .frameHeight = 1000, .moduleSize = 1.6, .angle = angle});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        EXPECT_EQ(Read(r), 1) << size.columns << " columns at " << angle;
        EXPECT_EQ(Data(), data) << size.columns << " columns";
    }
}

TEST_F(PdfRegionRead, KeystonedSymbolsAreReadAlongTheirRows)
{
    // Under perspective a row meets the two edge columns at different
    // fractions of their lengths and its columns narrow along it.
    struct Case {
        int columns;
        double angle;
        char const* data;
    };
    for (Case const c : {Case{6, 0, "Keystoned PDF417, six data columns"}, Case{6, 200, "Keystoned PDF417, six data columns"},
                         Case{3, 0, "Three columns 0123456789"}, Case{3, 60, "Three columns 0123456789"},
                         Case{3, 200, "Three columns 0123456789"}}) {
        support::SymbolInput input{.symbology = BARCODE_PDF417, .data = c.data, .option2 = c.columns};
        support::Rendering const r =
            support::render(input, {.moduleSize = 2.5, .angle = c.angle, .perspectiveX = 0.2, .perspectiveY = 0.1});
        ASSERT_TRUE(r.symbol.ok);
        EXPECT_EQ(Read(r), 1) << c.data << " at " << c.angle;
        EXPECT_EQ(Data(), c.data) << c.data << " at " << c.angle;
    }
}

TEST_F(PdfRegionRead, AKeystonedSymbolLocatedAtASlantToItsRowsIsReadFromOneEnd)
{
    // A region over the start end only, turned off the rows by up to 0.7
    // radians: the lines along it meet the start column but pass by the stop
    // column, which lies where the rows lead.
    support::SymbolInput input{.symbology = BARCODE_PDF417, .data = "Keystoned 0123456789", .option2 = 3};
    for (double const angle : {0.0, 40.0, 150.0, 250.0, 300.0}) {
        support::Rendering const r = support::render(
            input, {.moduleSize = 2.0, .angle = angle, .perspectiveX = 0.2, .perspectiveY = 0.1});
        ASSERT_TRUE(r.symbol.ok);
        for (double const turn : {-0.7, -0.5, 0.3}) {
            Region const region = TurnedStartEnd(r, 0.3, turn);
            GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
            label.Clear();
            EXPECT_EQ(decoder.Start(image, region, label), 1) << angle << " degrees, turned " << turn;
            EXPECT_EQ(Data(), "Keystoned 0123456789") << angle << " degrees, turned " << turn;
        }
    }
}

TEST_F(PdfRegionRead, AFarColumnOfNarrowModulesIsFoundAtASlant)
{
    // Small modules under strong keystone: the far column's modules are
    // about a pixel wide, and few of the rays fanned from the start column
    // meet its pattern (now and then only the ones between coarser steps).
    support::SymbolInput input{.symbology = BARCODE_PDF417, .data = "Keystoned 0123456789", .option2 = 3};
    struct Case {
        double angle;  // degrees
        double turn;   // radians, of the region off the rows
    };
    for (Case const c : {Case{0, -0.5}, Case{250, -0.5}, Case{300, -0.6}, Case{300, -0.5}, Case{300, -0.4}}) {
        support::Rendering const r = support::render(
            input, {.moduleSize = 1.5, .angle = c.angle, .perspectiveX = 0.25, .perspectiveY = 0.1});
        ASSERT_TRUE(r.symbol.ok);
        Region const region = TurnedStartEnd(r, 0.3, c.turn);
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        label.Clear();
        EXPECT_EQ(decoder.Start(image, region, label), 1) << c.angle << " degrees, turned " << c.turn;
        EXPECT_EQ(Data(), "Keystoned 0123456789") << c.angle << " degrees, turned " << c.turn;
    }
}

TEST_F(PdfRegionRead, AColumnCrossedByItsRowsFarOffSquareIsStillSweptFrom)
{
    // Keystoned top to bottom, the rows fan out and cross the start column
    // well off square: its row indicators read on lines turned half a radian
    // and more from square to it only, and the far column is swept for from
    // it all the same (lines square to it alone would take it for a column
    // of chance patterns).
    support::SymbolInput input{.symbology = BARCODE_PDF417, .data = "Keystoned 0123456789", .option2 = 3};
    for (double const angle : {0.0, 30.0, 200.0}) {
        support::Rendering const r =
            support::render(input, {.moduleSize = 2.0, .angle = angle, .perspectiveY = 0.3});
        ASSERT_TRUE(r.symbol.ok);
        for (double const turn : {-0.5, 0.0}) {
            Region const region = TurnedStartEnd(r, 0.3, turn);
            GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
            label.Clear();
            EXPECT_EQ(decoder.Start(image, region, label), 1) << angle << " degrees, turned " << turn;
            EXPECT_EQ(Data(), "Keystoned 0123456789") << angle << " degrees, turned " << turn;
        }
    }
}

}  // namespace
