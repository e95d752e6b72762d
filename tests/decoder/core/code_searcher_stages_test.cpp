// The decoder handle as the application builds it, with every 2D symbology
// on: every decoder object exists, the symbol locator hands each kind of
// zint-made symbol to its decoder through its stage, the stages keep their
// order, and a region read in one stage is not handed on by a later one.
#include <gtest/gtest.h>

#include <algorithm>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/location/code_searcher_engine.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/two_dimension_decoder.h"
#include "decoder/core/work_area_layout.h"
#include "decoder/matrix/dot_code/dot_code_decoder.h"
#include "decoder/stacked/composite_code_decoder.h"
#include "decoder/stacked/pdf_decoder.h"
#include "tests/support/symbol_renderer.h"

namespace DEC2DIvra {
namespace {

// One hand-off as a stand-in decoder saw it: the stage its decoder belongs
// to, and the stage whose turn it was (the matrix stages take turns part by
// part within one RunStage call).
struct Call {
    CodeSearchStage stage;
    CodeSearchStage running;
    Point centre;
    Region region{};  // the region handed on, where there is one
};

struct CallLog {
    std::vector<Call> calls;
    CodeSearchStage running = CodeSearchStage::kLinear;
    // The engine whose turns count, when set (else `running`).
    CodeSearcherEngine const* engine = nullptr;

    CodeSearchStage Running() const { return engine != nullptr ? engine->GetActiveStage() : running; }
    // A stand-in then answers with a label of this region, as a decoder that
    // read the symbol there would.
    bool read = false;
    Region labelRegion;
    // Named when nothing is read, as a Data Matrix decoder names the
    // outline of a symbol it found and could not read.
    Region unread;

    int Note(CodeSearchStage stage, Point const& centre, DecodedLabel& label, Region const& region = Region())
    {
        calls.push_back(Call{stage, Running(), centre, region});
        if (!read) {
            label.region = unread;
            return 0;
        }
        label.region = labelRegion;
        label.data.Push('x');
        return 1;
    }
};

class RecordingStack final : public AbstractStackCodeDecoder {
public:
    explicit RecordingStack(CallLog& log) : log_(log) {}
    int Start(GrayImage const&, Region const& region, DecodedLabel& label) override
    {
        return log_.Note(CodeSearchStage::kStacked, region.CalcCenterPoint(), label);
    }

private:
    CallLog& log_;
};

class RecordingRegion final : public AbstractRegionDecoder {
public:
    RecordingRegion(CallLog& log, CodeSearchStage stage) : log_(log), stage_(stage) {}
    int Start(GrayImage const&, Region const& region, DecodedLabel& label) override
    {
        return log_.Note(stage_, region.CalcCenterPoint(), label, region);
    }

private:
    CallLog& log_;
    CodeSearchStage stage_;
};

class RecordingLPattern final : public AbstractLPatternDecoder {
public:
    explicit RecordingLPattern(CallLog& log) : log_(log) {}
    int Start(GrayImage const&, Region const& region, DecodedLabel& label) override
    {
        return log_.Note(CodeSearchStage::kLPattern, region.CalcCenterPoint(), label);
    }

private:
    CallLog& log_;
};

// The legacy engine's door serves two stages (MaxiCode bull's-eyes, Han
// Xin finders): a call counts for the stage running.
class RecordingMatrix final : public AbstractMatrixCodeDecoder {
public:
    explicit RecordingMatrix(CallLog& log) : log_(log) {}
    int Start(GrayImage const&, Region const&, unsigned, DecodedLabel&) override { return 0; }
    int Start(GrayImage const&, LineSegment const& s, DecodedLabel& label) override
    {
        EXPECT_EQ(s.begin.y, s.end.y) << "segments are horizontal";
        return log_.Note(log_.Running(), Point{(s.begin.x + s.end.x) / 2, s.begin.y}, label);
    }

private:
    CallLog& log_;
};

class RecordingDot final : public AbstractDotDecoder {
public:
    explicit RecordingDot(CallLog& log) : log_(log) {}
    int Start(GrayImage const&, Dot const& dot, DecodedLabel& label) override
    {
        return log_.Note(CodeSearchStage::kDot, dot.position, label);
    }
    void OnNewImage() override { ++newImages; }
    unsigned newImages = 0;

private:
    CallLog& log_;
};

bool IsInside(support::Quad const& q, Point const& p)
{
    // Convex: the point on the same side of all four edges.
    int sign = 0;
    for (unsigned i = 0; i < 4; ++i) {
        support::Point const& a = q[i];
        support::Point const& b = q[(i + 1) % 4];
        double const cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
        int const s = cross > 0 ? 1 : (cross < 0 ? -1 : 0);
        if (s != 0 && sign != 0 && s != sign) {
            return false;
        }
        sign = s != 0 ? s : sign;
    }
    return true;
}

class CodeSearcherStagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& root = manager.Root();
        for (auto* key : {&root.read.qr_code, &root.read.micro_qr, &root.read.aztec_code, &root.read.aztec_runes,
                          &root.read.maxi_code, &root.read.chinese_sensible_code, &root.read.data_matrix,
                          &root.read.pdf417, &root.read.micro_pdf417, &root.read.dot_code}) {
            key->Set(true);
        }
        handle.reset(new (std::nothrow) TwoDimensionDecoder(property.get()));
        ASSERT_NE(handle, nullptr);
        DEC2D_ImplementFormatter(handle.get(), this, nullptr, nullptr, &CodeSearcherStagesTest::Callback);
        log.engine = static_cast<CodeSearcherEngine const*>(handle->GetCodeSearcher());
    }

    // The stand-ins take the 2D decoders' places; the linear frame stays.
    void PlugInStandIns()
    {
        DecoderSet& set = handle->GetDecoderSet();
        set.stackCode = &stack;
        set.region[DecoderSet::kQRCode] = &qr;
        set.region[DecoderSet::kAztec] = &aztec;
        set.lPattern = &lPattern;
        set.matrixCode = &matrix;
        set.dot = &dot;
    }

    void Decode(support::Frame const& frame)
    {
        DEC2D_OnTriggerDown(handle.get());
        DEC2D_Main(handle.get(), frame.width, frame.height, frame.width, frame.pixels.data(), nullptr);
    }

    // The stages one by one through the locator, as DEC2D_Main runs them.
    void DecodeStageByStage(support::Frame const& frame)
    {
        auto& engine = *static_cast<CodeSearcherEngine*>(handle->GetCodeSearcher());
        GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
        tagDecodeOption const option = MakeDefaultDecodeOption(frame.width, frame.height);
        engine.BeginImage();
        for (unsigned s = 0; s <= static_cast<unsigned>(CodeSearchStage::kDot); ++s) {
            log.running = static_cast<CodeSearchStage>(s);
            engine.RunStage(log.running, image, option, handle->GetDecoderSet(), *label, refusing);
        }
    }

    class Refusing final : public LabelOutlet {
    public:
        bool Offer(DecodedLabel const&) override { return false; }
    };

    static bool Callback(void* context, tagDecodedLabel const*)
    {
        ++static_cast<CodeSearcherStagesTest*>(context)->offered;
        return false;
    }

    ivra_configuration::ConfigurationManager manager;
    std::unique_ptr<DEC2DProperty> property = std::make_unique<DEC2DProperty>(manager.Root());
    std::unique_ptr<TwoDimensionDecoder> handle;
    CallLog log;
    RecordingStack stack{log};
    RecordingRegion qr{log, CodeSearchStage::kQRFinder};
    RecordingRegion aztec{log, CodeSearchStage::kBullsEye};
    RecordingLPattern lPattern{log};
    RecordingMatrix matrix{log};
    RecordingDot dot{log};
    int offered = 0;
    std::unique_ptr<DecodedLabel> label = std::make_unique<DecodedLabel>();
    Refusing refusing;
};

Region ToRegion(support::Quad const& q)
{
    Region r;
    for (unsigned i = 0; i < 4; ++i) {
        r.corner[i] = Point{static_cast<int>(q[i].x), static_cast<int>(q[i].y)};
    }
    return r;
}

TEST_F(CodeSearcherStagesTest, EveryDecoderObjectIsBuiltInTheHandle)
{
    DecoderSet const& set = handle->GetDecoderSet();
    void const* const objects[] = {set.barCode, set.stackCode, set.composite, set.region[DecoderSet::kQRCode],
                                   set.region[DecoderSet::kAztec], set.lPattern, set.matrixCode, set.dot};
    auto const* begin = reinterpret_cast<unsigned char const*>(handle.get());
    for (void const* object : objects) {
        ASSERT_NE(object, nullptr);
        auto const* at = static_cast<unsigned char const*>(object);
        EXPECT_TRUE(at > begin && at < begin + sizeof(TwoDimensionDecoder)) << "in the handle's arena";
    }
    // The DotCode grid: two empty stacks of 128 segments, half a pixel apart
    // at least.
    DataDotGrid const& grid = static_cast<DotCodeDecoder const*>(set.dot)->GetDataDotGrid();
    EXPECT_EQ(grid.GetColumnSegments().GetCapacity(), 128u);
    EXPECT_EQ(grid.GetRowSegments().GetCapacity(), 128u);
    EXPECT_TRUE(grid.GetColumnSegments().IsEmpty());
    EXPECT_TRUE(grid.GetRowSegments().IsEmpty());
    EXPECT_EQ(grid.GetMinimumLineSpacing(), 128);
    // The PDF417 decoder lays its buffers out from the start of the work
    // area; the composite reader reaches the same object.
    auto const* composite = static_cast<CompositeCodeDecoder const*>(set.composite);
    auto const* pdf = static_cast<PDFDecoder const*>(composite->GetLineSegmentDecoder());
    EXPECT_EQ(pdf->GetWorkArea().GetBase(), handle->GetWorkArea().GetData());
    EXPECT_EQ(pdf->GetWorkArea().GetSize(), WorkAreaLayout::kStacked.GetSize());
}

TEST_F(CodeSearcherStagesTest, EachSymbolReachesItsDecoderThroughItsStage)
{
    struct Case {
        char const* name;
        int symbology;
        char const* data;
        CodeSearchStage stage;
        double module;
        unsigned minimum;  // hand-offs inside the symbol at least
    };
    Case const cases[] = {
        {"PDF417", BARCODE_PDF417, "STACKED ROWS OF A PDF417 SYMBOL", CodeSearchStage::kStacked, 2.0, 1},
        {"QR Code", BARCODE_QRCODE, "A QR CODE FROM ZINT", CodeSearchStage::kQRFinder, 4.0, 1},
        {"Aztec", BARCODE_AZTEC, "AN AZTEC SYMBOL FROM ZINT", CodeSearchStage::kBullsEye, 4.0, 1},
        {"MaxiCode", BARCODE_MAXICODE, "A MAXICODE SYMBOL", CodeSearchStage::kBullsEye, 6.0, 1},
        {"Data Matrix", BARCODE_DATAMATRIX, "A DATA MATRIX SYMBOL", CodeSearchStage::kLPattern, 4.0, 1},
        {"Han Xin", BARCODE_HANXIN, "HAN XIN FROM ZINT", CodeSearchStage::kHanXinFinder, 4.0, 1},
        {"DotCode", BARCODE_DOTCODE, "DOTCODE FROM ZINT", CodeSearchStage::kDot, 5.0, 20},
    };
    PlugInStandIns();
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        for (double angle : {0.0, 30.0}) {
            SCOPED_TRACE(angle);
            support::Rendering const r = support::render({.symbology = c.symbology, .data = c.data},
                                                         {.moduleSize = c.module, .angle = angle});
            ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
            log.calls.clear();
            unsigned const newImages = dot.newImages;
            DecodeStageByStage(r.frame);
            unsigned inside = 0;
            for (Call const& call : log.calls) {
                // Bar-like regions whose rows differ and show a PDF417 start or
                // stop pattern go to the stacked decoder from the linear stage,
                // or from its regions put off until the L-pattern stage has had
                // the frame (matrix data, clock tracks), read after it.
                bool const early = call.stage == CodeSearchStage::kStacked &&
                                   (call.running == CodeSearchStage::kLinear ||
                                    call.running == CodeSearchStage::kLPattern);
                EXPECT_TRUE(call.stage == call.running || early) << "each decoder is called from its own stage only";
                inside += call.stage == c.stage && IsInside(r.symbol.corners, call.centre) ? 1 : 0;
            }
            EXPECT_GE(inside, c.minimum);
            EXPECT_EQ(dot.newImages, newImages + 1) << "the dot decoder hears of each image once";
        }
    }
}

TEST_F(CodeSearcherStagesTest, StagesRunInTheDocumentedOrder)
{
    PlugInStandIns();
    // The legacy door serves two stages; without it every call names its
    // stage.
    handle->GetDecoderSet().matrixCode = nullptr;
    support::Frame frame = support::makeFrame();
    struct Placed {
        int symbology;
        double x;
        double y;
        double module;
    };
    for (Placed const& p : {Placed{BARCODE_DOTCODE, 110, 110, 3.0}, Placed{BARCODE_DATAMATRIX, 320, 110, 3.0},
                            Placed{BARCODE_AZTEC, 530, 110, 3.0}, Placed{BARCODE_QRCODE, 140, 350, 3.0},
                            Placed{BARCODE_PDF417, 440, 360, 2.0}}) {
        ASSERT_TRUE(support::drawSymbol(frame, {.symbology = p.symbology, .data = "ORDER"},
                                        {.moduleSize = p.module, .centre = support::Point{p.x, p.y},
                                         .quietZone = 5.0})
                        .ok);
    }
    Decode(frame);
    std::vector<CodeSearchStage> seen;
    for (std::size_t i = 0; i < log.calls.size(); ++i) {
        if (i == 0 || log.calls[i].stage != log.calls[i - 1].stage) {
            seen.push_back(log.calls[i].stage);
        }
    }
    // The QR, bull's-eye and L stages take turns part by part, in that
    // order within a part: an L read in the first part may come before a
    // bull's-eye a later part brings.
    auto first = [&seen](CodeSearchStage stage) {
        return static_cast<std::size_t>(std::find(seen.begin(), seen.end(), stage) - seen.begin());
    };
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), CodeSearchStage::kStacked);
    EXPECT_EQ(seen.back(), CodeSearchStage::kDot);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), CodeSearchStage::kDot), 1);
    EXPECT_LT(first(CodeSearchStage::kStacked), first(CodeSearchStage::kQRFinder));
    EXPECT_LT(first(CodeSearchStage::kQRFinder), first(CodeSearchStage::kBullsEye));
    EXPECT_LT(first(CodeSearchStage::kQRFinder), first(CodeSearchStage::kLPattern));
    EXPECT_LT(first(CodeSearchStage::kBullsEye), seen.size());
    EXPECT_LT(first(CodeSearchStage::kLPattern), seen.size());
}

// The matrix stages take turns part by part: a QR triple, found again by
// every later part, is handed on once when the decoder reads nothing
// (again only where the later rows moved its finders), a QR symbol's triples all
// before the other stages' turns; and the outlines the L stage names
// between the parts keep none of the other stages' candidates away.
TEST_F(CodeSearcherStagesTest, MatrixStagesTakingTurnsHandEachTripleOnOnce)
{
    struct Case {
        int symbology;
        double module;
        double angle;
    };
    Case const cases[] = {
        {BARCODE_QRCODE, 4.0, 0.0}, {BARCODE_QRCODE, 3.0, 30.0}, {BARCODE_QRCODE, 2.0, 15.0},
        {BARCODE_QRCODE, 5.0, 60.0}, {BARCODE_AZTEC, 3.0, 0.0},  {BARCODE_AZTEC, 4.0, 20.0},
        {BARCODE_AZTEC, 2.0, 35.0},
    };
    manager.Root().read.micro_qr.Set(false);
    manager.Root().read.chinese_sensible_code.Set(false);
    manager.Root().read.dot_code.Set(false);
    PlugInStandIns();
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.symbology) + " at " + std::to_string(c.angle));
        std::string data = "TURNS OF THE STAGES";
        while (c.module < 2.5 && data.size() < 600) {
            data += " 0123456789 TURNS";
        }
        support::Rendering const r = support::render({.symbology = c.symbology, .data = data},
                                                     {.moduleSize = c.module, .angle = c.angle});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        CodeSearchStage const own =
            c.symbology == BARCODE_QRCODE ? CodeSearchStage::kQRFinder : CodeSearchStage::kBullsEye;
        auto handed = [&] {
            unsigned n = 0;
            for (Call const& call : log.calls) {
                n += call.stage == own && IsInside(r.symbol.corners, call.centre) ? 1 : 0;
            }
            return n;
        };
        log.calls.clear();
        log.unread = Region();
        DecodeStageByStage(r.frame);
        unsigned const plain = handed();
        EXPECT_GE(plain, 1u);
        // A QR symbol's finders make square triples in the first part: the
        // QR stage tries all of its own before another stage's turn (its
        // finders' corners pass for L patterns).
        bool other = false;
        for (Call const& call : log.calls) {
            if (c.symbology != BARCODE_QRCODE) {
                break;
            }
            other = other || (call.stage != CodeSearchStage::kQRFinder && call.running != CodeSearchStage::kLinear &&
                              call.running != CodeSearchStage::kStacked);
            // A lone finder's square of seven modules, handed once the
            // whole frame is swept, looks for the finders a symbol lost.
            Region const& q = call.region;
            bool const lone = q[0].y == q[1].y && q[0].x == q[3].x && q[1].x - q[0].x == q[3].y - q[0].y &&
                              q[1].x - q[0].x <= static_cast<int>(8 * c.module);
            EXPECT_FALSE(other && call.stage == CodeSearchStage::kQRFinder && !lone)
                << "a QR triple after another stage's turn";
        }
        for (std::size_t i = 0; i < log.calls.size(); ++i) {
            for (std::size_t k = i + 1; k < log.calls.size(); ++k) {
                Call const& a = log.calls[i];
                Call const& b = log.calls[k];
                bool same = a.stage == CodeSearchStage::kQRFinder && b.stage == CodeSearchStage::kQRFinder;
                for (unsigned corner : {0u, 1u, 3u}) {
                    same = same && a.region.corner[corner] == b.region.corner[corner];
                }
                EXPECT_FALSE(same) << "a triple handed on twice, at " << a.centre.x << "," << a.centre.y;
            }
        }
        // Every outline the L stand-in names covers the whole frame.
        log.calls.clear();
        log.unread = ToRegion({support::Point{0, 0}, support::Point{double(r.frame.width), 0},
                               support::Point{double(r.frame.width), double(r.frame.height)},
                               support::Point{0, double(r.frame.height)}});
        DecodeStageByStage(r.frame);
        EXPECT_EQ(handed(), plain) << "another stage's searched regions kept this one's candidates away";
    }
}

// A sighting that found no symbol leaves the other sightings in its legs'
// span to be tried; one on a symbol that was found and not read keeps the
// others on that symbol away.
TEST_F(CodeSearcherStagesTest, OnlyAnUnreadSymbolKeepsOtherLSightingsAway)
{
    PlugInStandIns();
    support::Rendering const r = support::render({.symbology = BARCODE_DATAMATRIX, .data = "SIGHTED AGAIN AND AGAIN",
                                                  .option2 = 13},
                                                 {.moduleSize = 3.0, .angle = 20});
    ASSERT_TRUE(r.symbol.ok);
    auto inside = [&] {
        unsigned n = 0;
        for (Call const& call : log.calls) {
            n += call.stage == CodeSearchStage::kLPattern && IsInside(r.symbol.corners, call.centre) ? 1 : 0;
        }
        return n;
    };
    Decode(r.frame);
    EXPECT_GE(inside(), 3u);

    // The L rows are swept in interleaved parts: the outline found and not
    // read keeps away the other sightings of its own part, and a later part
    // tries the symbol once more from its own rows.
    log.calls.clear();
    log.unread = ToRegion(r.symbol.corners);
    Decode(r.frame);
    EXPECT_GE(inside(), 1u);
    EXPECT_LE(inside(), CodeSearcherEngine::kLPatternSweeps);
}

TEST_F(CodeSearcherStagesTest, NoStageHandsOnWhatAnEarlierStageRead)
{
    PlugInStandIns();
    support::Rendering const r =
        support::render({.symbology = BARCODE_QRCODE, .data = "READ BY THE QR STAGE"}, {.moduleSize = 4.0});
    ASSERT_TRUE(r.symbol.ok);
    // Without a read, the finders' corners pass for solid L-patterns too.
    Decode(r.frame);
    unsigned lInside = 0;
    for (Call const& call : log.calls) {
        lInside += call.stage == CodeSearchStage::kLPattern && IsInside(r.symbol.corners, call.centre) ? 1 : 0;
    }
    ASSERT_GT(lInside, 0u);

    log.calls.clear();
    log.read = true;
    log.labelRegion = ToRegion(r.symbol.corners);
    Decode(r.frame);
    ASSERT_FALSE(log.calls.empty());
    EXPECT_EQ(log.calls.front().stage, CodeSearchStage::kQRFinder);
    EXPECT_GT(offered, 0) << "the label was offered (and refused, so the search went on)";
    for (Call const& call : log.calls) {
        if (call.stage != CodeSearchStage::kQRFinder) {
            EXPECT_FALSE(IsInside(r.symbol.corners, call.centre)) << static_cast<unsigned>(call.stage);
        }
    }
}

TEST_F(CodeSearcherStagesTest, StagesOfDisabledSymbologiesHandNothingOn)
{
    PlugInStandIns();
    auto& root = manager.Root();
    for (auto* key : {&root.read.qr_code, &root.read.micro_qr, &root.read.aztec_code, &root.read.aztec_runes,
                      &root.read.maxi_code, &root.read.chinese_sensible_code, &root.read.data_matrix,
                      &root.read.data_matrix_ecc000_140, &root.read.pdf417, &root.read.micro_pdf417,
                      &root.read.dot_code}) {
        key->Set(false);
    }
    for (int symbology : {BARCODE_QRCODE, BARCODE_DATAMATRIX, BARCODE_PDF417, BARCODE_DOTCODE}) {
        support::Rendering const r = support::render({.symbology = symbology, .data = "OFF"}, {.moduleSize = 4.0});
        ASSERT_TRUE(r.symbol.ok);
        Decode(r.frame);
    }
    EXPECT_TRUE(log.calls.empty());
}

TEST_F(CodeSearcherStagesTest, LinearStageLeavesOutRegionsInsideAQROrAztecSymbol)
{
    // A large QR or Aztec symbol's data and a QR symbol's finders pass for
    // bars in many places, and each such region cost the linear decoders
    // milliseconds: none inside either goes to them. A bar code's bars pass
    // the QR finder test across and along the column at many angles, and
    // must still reach them; a short bar code's few edges have it looked at
    // for lying in a QR or Aztec symbol first, and must too.
    struct Case {
        char const* name;
        int symbology;
        std::string data;
        int version;
        double module;
        double angle;
    };
    std::string text;
    while (text.size() < 700) {
        text += "Frame-" + std::to_string(text.size() * 37 % 1000) + "/";
    }
    std::string prose;
    while (prose.size() < 1500) {
        prose += "Aztec 2D symbol, read at any angle: 0123456789. ";
    }
    Case const cases[] = {
        {"QR 25", BARCODE_QRCODE, text, 25, 2.0, 0.0},
        // The first region here lies in the data, away from the finders.
        {"QR 25", BARCODE_QRCODE, text, 25, 2.0, 30.0},
        {"QR 10", BARCODE_QRCODE, text.substr(0, 200), 10, 3.0, 45.0},
        // The first region here lies across a finder's rings.
        {"QR 10", BARCODE_QRCODE, text.substr(0, 200), 10, 2.0, 15.0},
        {"Aztec 22 layers", BARCODE_AZTEC, prose.substr(0, 976), 26, 2.0, 75.0},
        {"Aztec 22 layers", BARCODE_AZTEC, prose.substr(0, 976), 26, 2.0, 195.0},
        {"Aztec 27 layers", BARCODE_AZTEC, prose.substr(0, 1466), 31, 2.0, 15.0},
        {"Aztec 32 layers", BARCODE_AZTEC, prose.substr(0, 1500), 36, 2.0, 0.0},
        {"Aztec 12 layers", BARCODE_AZTEC, prose.substr(0, 296), 16, 3.0, 240.0},
        {"Code 128", BARCODE_CODE128, "ABCDEFGHIJ1234567890", 0, 2.0, 30.0},
        {"Code 128", BARCODE_CODE128, "ABCDEFGHIJ1234567890", 0, 3.0, 45.0},
        {"Code 128", BARCODE_CODE128, "ABCDEFGHIJ1234567890", 0, 2.0, 60.0},
        {"short Code 128", BARCODE_CODE128, "A", 0, 2.0, 0.0},
        {"short Code 128", BARCODE_CODE128, "A", 0, 3.0, 30.0},
        {"short Interleaved 2 of 5", BARCODE_C25INTER, "12", 0, 3.0, 15.0},
    };
    auto& engine = *static_cast<CodeSearcherEngine*>(handle->GetCodeSearcher());
    for (Case const& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(c.angle));
        support::SymbolInput input{.symbology = c.symbology, .data = c.data};
        input.option2 = c.version;
        support::Rendering const r = support::render(input, {.moduleSize = c.module, .angle = c.angle});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        tagDecodeOption const option = MakeDefaultDecodeOption(r.frame.width, r.frame.height);
        engine.BeginImage();
        engine.RunStage(CodeSearchStage::kLinear, image, option, handle->GetDecoderSet(), *label, refusing);
        SearchedRegionStack const& handed = engine.GetSearchedRegions();
        unsigned inside = 0;
        for (unsigned i = 0; i < handed.GetCount(); ++i) {
            inside += IsInside(r.symbol.corners, handed[i].CalcCenterPoint()) ? 1 : 0;
        }
        if (c.symbology == BARCODE_QRCODE || c.symbology == BARCODE_AZTEC) {
            EXPECT_EQ(inside, 0u) << inside << " of " << handed.GetCount() << " regions inside";
        } else {
            EXPECT_GE(inside, 1u) << "none of " << handed.GetCount() << " regions inside";
        }
    }
}

// Data Matrix data makes bar-like regions and ring-like runs, and has no
// finder the linear or bull's-eye stage could sweep for: the regions that
// look like matrix data and the sightings whose rings are not even all round
// wait for the L-pattern stage, which reads the symbol first. Nothing of the
// symbol's data reaches the linear decoders or the Aztec reader before it.
TEST_F(CodeSearcherStagesTest, DataMatrixDataWaitsForTheLPatternStage)
{
    struct Case {
        char const* name;
        std::string data;
        int size;  // zint's option 2
        double module;
        double angle;
        int inputMode;
    };
    Case const cases[] = {
        {"44 x 44", "Data Matrix ECC 200 reads ASCII, C40 and TEXT 0123456789", 13, 3.0, 30.0, DATA_MODE},
        {"72 x 72", std::string(200, 'Q') + "abcdefghij0123456789", 17, 2.0, 135.0, DATA_MODE},
        {"96 x 96", "[01]09501101530003[17]251231[10]ABC123", 20, 3.0, 120.0, GS1_MODE},
        {"144 x 144", std::string(900, '7') + "END", 24, 2.0, 0.0, DATA_MODE},
    };
    // A MaxiCode centre passes for an Aztec bull's-eye at times, and is not
    // kept waiting: MaxiCode is off, as in the factory settings.
    manager.Root().read.maxi_code.Set(false);
    PlugInStandIns();
    auto& engine = *static_cast<CodeSearcherEngine*>(handle->GetCodeSearcher());
    unsigned deferred = 0;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        support::Rendering const r = support::render(
            {.symbology = BARCODE_DATAMATRIX, .data = c.data, .option2 = c.size, .inputMode = c.inputMode},
            {.moduleSize = c.module, .angle = c.angle});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        tagDecodeOption const option = MakeDefaultDecodeOption(r.frame.width, r.frame.height);
        log.calls.clear();
        engine.BeginImage();
        // The data, inside the finder and the alternating border (whose
        // modules along the edge pass for short bars, and may go).
        double const w = r.symbol.widthModules;
        double const h = r.symbol.heightModules;
        support::Quad const data = {r.symbol.toFrame({2, 2}), r.symbol.toFrame({w - 2, 2}),
                                    r.symbol.toFrame({w - 2, h - 2}), r.symbol.toFrame({2, h - 2})};
        auto searchedInside = [&] {
            SearchedRegionStack const& searched = engine.GetSearchedRegions();
            unsigned inside = 0;
            for (unsigned i = 0; i < searched.GetCount(); ++i) {
                inside += IsInside(data, searched[i].CalcCenterPoint()) ? 1 : 0;
            }
            return inside;
        };
        for (unsigned s = 0; s <= static_cast<unsigned>(CodeSearchStage::kLPattern); ++s) {
            log.running = static_cast<CodeSearchStage>(s);
            unsigned const before = engine.GetSearchedRegions().GetCount();
            engine.RunStage(log.running, image, option, handle->GetDecoderSet(), *label, refusing);
            if (log.running == CodeSearchStage::kLinear) {
                EXPECT_EQ(searchedInside(), 0u) << "the linear stage handed on the symbol's data";
            }
            // The stand-in reads nothing: what waited is handed on after the
            // L patterns.
            if (log.running == CodeSearchStage::kLPattern) {
                deferred += engine.GetSearchedRegions().GetCount() > before ? 1 : 0;
            }
        }
        unsigned lInside = 0;
        for (Call const& call : log.calls) {
            bool const inside = IsInside(r.symbol.corners, call.centre);
            if (call.stage == CodeSearchStage::kBullsEye && call.running != CodeSearchStage::kLPattern) {
                EXPECT_FALSE(inside) << "an Aztec read of the data at " << call.centre.x << ", " << call.centre.y;
            }
            lInside += call.stage == CodeSearchStage::kLPattern && inside ? 1 : 0;
        }
        EXPECT_GE(lInside, 1u);
    }
    EXPECT_GT(deferred, 0u) << "nothing waited in any frame";
}

// A bar code and an Aztec symbol beside a Data Matrix symbol still read in
// their own stages, before the L-pattern stage, through the decoders the
// firmware builds.
TEST_F(CodeSearcherStagesTest, SymbolsBesideDataMatrixDataReadInTheirOwnStages)
{
    manager.Root().read.maxi_code.Set(false);
    struct Placed {
        char const* name;
        int symbology;
        std::string data;
        int size;
        double x;
        double y;
        double module;
        double angle;
        CodeSearchStage stage;
    };
    Placed const placed[] = {
        {"Data Matrix", BARCODE_DATAMATRIX, std::string(120, 'x') + "0123456789", 15, 170, 150, 2.0, 10.0,
         CodeSearchStage::kLPattern},
        {"Aztec", BARCODE_AZTEC, "AZTEC BESIDE DATA MATRIX 0123456789", 3, 470, 150, 3.0, 20.0,
         CodeSearchStage::kBullsEye},
        {"Code 128", BARCODE_CODE128, "CODE128-BESIDE", 0, 320, 380, 2.0, 5.0, CodeSearchStage::kLinear},
    };
    support::Frame frame = support::makeFrame();
    for (Placed const& p : placed) {
        ASSERT_TRUE(support::drawSymbol(frame, {.symbology = p.symbology, .data = p.data, .option2 = p.size},
                                        {.moduleSize = p.module, .angle = p.angle,
                                         .centre = support::Point{p.x, p.y}, .quietZone = 4.0})
                        .ok)
            << p.name;
    }
    // Every label offered is refused, so that each stage runs.
    struct Offered final : LabelOutlet {
        CallLog* log = nullptr;
        std::vector<std::pair<CodeSearchStage, std::string>> labels;
        bool Offer(DecodedLabel const& l) override
        {
            labels.emplace_back(log->Running(), std::string(&l.data[0], l.data.GetCount()));
            return false;
        }
    } offered;
    offered.log = &log;
    auto& engine = *static_cast<CodeSearcherEngine*>(handle->GetCodeSearcher());
    GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
    tagDecodeOption const option = MakeDefaultDecodeOption(frame.width, frame.height);
    engine.BeginImage();
    for (unsigned s = 0; s <= static_cast<unsigned>(CodeSearchStage::kLPattern); ++s) {
        log.running = static_cast<CodeSearchStage>(s);
        engine.RunStage(log.running, image, option, handle->GetDecoderSet(), *label, offered);
    }
    for (Placed const& p : placed) {
        SCOPED_TRACE(p.name);
        bool read = false;
        for (auto const& [stage, data] : offered.labels) {
            EXPECT_TRUE(data == placed[0].data || data == placed[1].data || data == placed[2].data)
                << "a wrong label: " << data;
            read = read || (data == p.data && stage == p.stage);
        }
        EXPECT_TRUE(read) << "not read in its own stage";
    }
}

}  // namespace
}  // namespace DEC2DIvra
