// The whole-image search as the decoders see it: which regions it hands to
// the linear decoder, in which order, how often, and how the decode options
// and settings steer it. A recording decoder stands in for the linear frame.
#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/interfaces/abstract_bar_code_decoder.h"
#include "decoder/core/location/code_searcher_engine.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/interfaces/decoder_set.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/interfaces/label_outlet.h"
#include "decoder/core/tag_decode_option.h"
#include "tests/support/symbol_renderer.h"

namespace searcher_test {
namespace {

using namespace DEC2DIvra;

// A linear decoder that records the regions it is given and answers as the
// test says: the answer function gets the call's index and region and
// returns the result, setting the status word through the decoder.
class RecordingBarCodeDecoder final : public AbstractBarCodeDecoder {
public:
    using Answer = std::function<int(unsigned call, Region const&, DecodedLabel&, RecordingBarCodeDecoder&)>;

    explicit RecordingBarCodeDecoder(Answer answer) : answer_(std::move(answer)) { regions.reserve(256); }

    int Start(GrayImage const&, Region const& region, unsigned scanMode, DecodedLabel& label) override
    {
        SetStatus(0);
        scanModes.push_back(scanMode);
        regions.push_back(region);
        events.push_back(open ? 'r' : 'x');
        return answer_(static_cast<unsigned>(regions.size() - 1), region, label, *this);
    }
    void OpenImage() override
    {
        events.push_back(open ? 'X' : 'O');
        open = true;
    }
    void CloseImage() override
    {
        events.push_back(open ? 'C' : 'X');
        open = false;
    }

    std::vector<Region> regions;
    std::vector<unsigned> scanModes;
    // O: image opened, r: a region read while open, C: closed; x and X: a
    // region read or an image opened or closed out of turn.
    std::string events;
    bool open = false;

private:
    Answer answer_;
};

// Writes `text` as the label's data and `region` as its region.
void FillLabel(DecodedLabel& label, std::string const& text, Region const& region)
{
    for (char c : text) {
        label.data.Push(static_cast<unsigned char>(c));
    }
    label.region = region;
}

class RecordingOutlet final : public LabelOutlet {
public:
    explicit RecordingOutlet(bool accept) : accept_(accept) {}

    bool Offer(DecodedLabel const& label) override
    {
        labels.emplace_back(reinterpret_cast<char const*>(label.data.GetFirst()), label.data.GetCount());
        return accept_;
    }

    std::vector<std::string> labels;

private:
    bool accept_;
};

Region ToRegion(support::Quad const& quad)
{
    Region region;
    for (unsigned i = 0; i < 4; ++i) {
        region.corner[i] = Point{static_cast<int>(std::lround(quad[i].x)), static_cast<int>(std::lround(quad[i].y))};
    }
    return region;
}

bool Holds(support::Quad const& quad, Point const& p) { return Geometry::IsIncluding(ToRegion(quad), p); }

bool Inside(Region const& region, Rectangle const& area)
{
    for (Point const& p : region.corner) {
        if (p.x < area.left || p.x > area.right || p.y < area.top || p.y > area.bottom) {
            return false;
        }
    }
    return true;
}

struct Drawn {
    support::Frame frame = support::makeFrame();
    std::vector<support::Quad> quads;

    void Add(std::string const& text, double module, double angle, double x, double y)
    {
        support::RenderOptions o;
        o.moduleSize = module;
        o.angle = angle;
        o.centre = support::Point{x, y};
        support::RenderedSymbol const s = support::drawSymbol(frame, {.data = text}, o);
        ASSERT_TRUE(s.ok) << s.error;
        quads.push_back(s.corners);
    }
};

class EngineTest : public ::testing::Test {
protected:
    EngineTest()
    {
        if (engine_ != nullptr) {
            option_ = MakeDefaultDecodeOption(support::kFrameWidth, support::kFrameHeight);
        }
    }

    int Search(support::Frame const& frame, RecordingBarCodeDecoder& decoder, RecordingOutlet& outlet)
    {
        DecoderSet decoders;
        decoders.barCode = &decoder;
        GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
        return engine_->Start(image, option_, decoders, label_, outlet);
    }

    void SetMargins(unsigned top, unsigned right, unsigned bottom, unsigned left)
    {
        auto& margin = manager_.Root().detail_of_decoder.search_margin;
        margin.top.Set(static_cast<std::uint16_t>(top));
        margin.right.Set(static_cast<std::uint16_t>(right));
        margin.bottom.Set(static_cast<std::uint16_t>(bottom));
        margin.left.Set(static_cast<std::uint16_t>(left));
    }

    ivra_configuration::ConfigurationManager manager_;
    std::unique_ptr<DEC2DProperty> property_ = std::make_unique<DEC2DProperty>(manager_.Root());
    std::unique_ptr<CodeSearcherEngine> engine_{new (std::nothrow) CodeSearcherEngine(*property_)};
    std::unique_ptr<DecodedLabel> labelOwner_ = std::make_unique<DecodedLabel>();
    DecodedLabel& label_ = *labelOwner_;
    tagDecodeOption option_{};
};

// Reads every region it is given, the label carrying the call's number.
RecordingBarCodeDecoder::Answer ReadsAll()
{
    return [](unsigned call, Region const& region, DecodedLabel& label, RecordingBarCodeDecoder&) {
        FillLabel(label, "label " + std::to_string(call), region);
        return 1;
    };
}

// Reads nothing; `status` is the status word it leaves.
RecordingBarCodeDecoder::Answer ReadsNothing(unsigned status)
{
    return [status](unsigned, Region const&, DecodedLabel&, RecordingBarCodeDecoder& self) {
        self.SetStatus(status);
        return 0;
    };
}

TEST_F(EngineTest, TheStrongestCandidateGoesFirstAndAnAcceptedLabelEndsTheSearch)
{
    ASSERT_NE(engine_, nullptr);
    Drawn drawn;
    drawn.Add("Q", 2.0, 20, 480, 120);
    drawn.Add("A LONGER SYMBOL 0123", 2.0, 200, 250, 330);
    RecordingBarCodeDecoder decoder(ReadsAll());
    RecordingOutlet outlet(true);
    EXPECT_EQ(Search(drawn.frame, decoder, outlet), 1);
    ASSERT_EQ(decoder.regions.size(), 1u);
    EXPECT_TRUE(Holds(drawn.quads[1], decoder.regions[0].CalcCenterPoint()));
    EXPECT_EQ(decoder.scanModes[0], CodeSearcherEngine::kScanMode);
    EXPECT_EQ(outlet.labels, std::vector<std::string>{"label 0"});
}

TEST_F(EngineTest, EveryRegionOfAnImageIsReadBetweenItsOpeningAndItsClosing)
{
    // The linear decoder bounds its work over an image between the two: an
    // image left open would carry its spent bound into the next one.
    ASSERT_NE(engine_, nullptr);
    Drawn drawn;
    drawn.Add("SYMBOL ONE", 2.0, 95, 150, 240);
    drawn.Add("SYMBOL TWO", 2.5, 330, 450, 240);
    RecordingBarCodeDecoder taken(ReadsAll());
    RecordingOutlet accepts(true);
    EXPECT_EQ(Search(drawn.frame, taken, accepts), 1);
    EXPECT_EQ(taken.events, "OrC");
    EXPECT_EQ(Search(drawn.frame, taken, accepts), 1);
    EXPECT_EQ(taken.events, "OrCOrC");

    RecordingBarCodeDecoder none(ReadsNothing(0));
    RecordingOutlet outlet(false);
    EXPECT_EQ(Search(drawn.frame, none, outlet), 0);
    ASSERT_GE(none.events.size(), 4u);
    EXPECT_EQ(none.events, "O" + std::string(none.regions.size(), 'r') + "C");
}

TEST_F(EngineTest, RefusedLabelsLetTheSearchGoOnAndNoRegionIsDecodedTwice)
{
    ASSERT_NE(engine_, nullptr);
    Drawn drawn;
    drawn.Add("SYMBOL ONE", 2.0, 95, 150, 240);
    drawn.Add("SYMBOL TWO", 2.5, 330, 450, 240);
    RecordingBarCodeDecoder decoder(ReadsAll());
    RecordingOutlet outlet(false);
    EXPECT_EQ(Search(drawn.frame, decoder, outlet), 0);
    ASSERT_EQ(decoder.regions.size(), 2u);
    EXPECT_EQ(outlet.labels.size(), 2u);
    bool seen[2] = {false, false};
    for (Region const& r : decoder.regions) {
        for (unsigned k = 0; k < 2; ++k) {
            seen[k] = seen[k] || Holds(drawn.quads[k], r.CalcCenterPoint());
        }
    }
    EXPECT_TRUE(seen[0] && seen[1]);
    // The regions and the labels' regions are on the searched stack.
    EXPECT_TRUE(engine_->GetSearchedRegions().IsIncluded(decoder.regions[0]));
    EXPECT_TRUE(engine_->GetSearchedRegions().IsIncluded(decoder.regions[1]));
}

TEST_F(EngineTest, ALabelWhoseRegionCoversTheOtherCandidatesEndsTheirTurn)
{
    ASSERT_NE(engine_, nullptr);
    Drawn drawn;
    drawn.Add("SYMBOL ONE", 2.0, 0, 160, 240);
    drawn.Add("SYMBOL TWO", 2.0, 0, 470, 240);
    Region whole;
    whole.corner[0] = Point{0, 0};
    whole.corner[1] = Point{639, 0};
    whole.corner[2] = Point{639, 479};
    whole.corner[3] = Point{0, 479};
    RecordingBarCodeDecoder decoder([&](unsigned, Region const&, DecodedLabel& label, RecordingBarCodeDecoder&) {
        FillLabel(label, "everything", whole);
        return 1;
    });
    RecordingOutlet outlet(false);
    Search(drawn.frame, decoder, outlet);
    EXPECT_EQ(decoder.regions.size(), 1u);
    EXPECT_EQ(outlet.labels.size(), 1u);
}

TEST_F(EngineTest, ARegionWithASymbolSeenButNotReadIsTriedInVariants)
{
    ASSERT_NE(engine_, nullptr);
    Drawn drawn;
    drawn.Add("VARIANTS", 2.0, 40, 320, 240);
    {
        RecordingBarCodeDecoder decoder(ReadsNothing(1));
        RecordingOutlet outlet(true);
        EXPECT_EQ(Search(drawn.frame, decoder, outlet), 0);
        ASSERT_EQ(decoder.regions.size(), 1u + CodeSearcherEngine::kVariants);
        for (unsigned i = 1; i < decoder.regions.size(); ++i) {
            EXPECT_NE(decoder.regions[i], decoder.regions[i - 1]);
            EXPECT_TRUE(Geometry::IsIncluding(decoder.regions[0], decoder.regions[i].CalcCenterPoint()));
        }
    }
    {
        RecordingBarCodeDecoder decoder(ReadsNothing(0));
        RecordingOutlet outlet(true);
        Search(drawn.frame, decoder, outlet);
        EXPECT_EQ(decoder.regions.size(), 1u);
    }
    {
        // A variant that reads ends the turn with its label.
        RecordingBarCodeDecoder decoder([](unsigned call, Region const& region, DecodedLabel& label,
                                           RecordingBarCodeDecoder& self) {
            if (call == 0) {
                self.SetStatus(1);
                return 0;
            }
            FillLabel(label, "second look", region);
            return 1;
        });
        RecordingOutlet outlet(true);
        EXPECT_EQ(Search(drawn.frame, decoder, outlet), 1);
        EXPECT_EQ(decoder.regions.size(), 2u);
        EXPECT_EQ(outlet.labels, std::vector<std::string>{"second look"});
    }
}

TEST_F(EngineTest, TheReadModeSetsHowManyCandidatesAnImageMayCost)
{
    ASSERT_NE(engine_, nullptr);
    Drawn drawn;
    // Twelve labels whose quiet zones stay apart (labels that touch may
    // join into one candidate, to be split when one of them is read).
    for (unsigned row = 0; row < 3; ++row) {
        for (unsigned column = 0; column < 4; ++column) {
            drawn.Add("AB" + std::to_string(row * 4 + column), 1.3, 10.0 * (row * 4 + column), 85 + 157.0 * column,
                      85 + 155.0 * row);
        }
    }
    // Held in: every label is tried, within the budget (a neighbour met by a
    // label's lines at its angle may be one candidate more).
    option_.readMode = kReadModeHandy;
    RecordingBarCodeDecoder handy(ReadsNothing(0));
    RecordingOutlet outlet(true);
    Search(drawn.frame, handy, outlet);
    EXPECT_LE(handy.regions.size(), CodeSearcherEngine::kHandyBudget);
    for (support::Quad const& quad : drawn.quads) {
        Point const centre{static_cast<int>((quad[0].x + quad[2].x) / 2), static_cast<int>((quad[0].y + quad[2].y) / 2)};
        EXPECT_TRUE(std::any_of(handy.regions.begin(), handy.regions.end(),
                                [&](Region const& r) { return Geometry::IsIncluding(r, centre); }))
            << "label at " << centre.x << "," << centre.y << " not tried";
    }
    // Moving: the budget stops the search.
    option_.readMode = kReadModeMoving;
    RecordingBarCodeDecoder moving(ReadsNothing(0));
    Search(drawn.frame, moving, outlet);
    EXPECT_EQ(moving.regions.size(), CodeSearcherEngine::kMovingBudget);
}

TEST_F(EngineTest, TheSearchMarginsKeepEveryRegionInsideTheArea)
{
    ASSERT_NE(engine_, nullptr);
    Drawn drawn;
    drawn.Add("LEFT EDGE", 1.5, 90, 70, 240);
    drawn.Add("MIDDLE", 2.0, 15, 360, 240);
    struct Case {
        unsigned top, right, bottom, left;
        unsigned calls;
    };
    for (Case const c : {Case{0, 0, 0, 0, 2}, Case{0, 0, 0, 160, 1}, Case{30, 40, 50, 20, 2}, Case{240, 0, 240, 0, 0},
                         Case{0, 0, 0, 700, 0}}) {
        SetMargins(c.top, c.right, c.bottom, c.left);
        GrayImage const image(drawn.frame.width, drawn.frame.height, drawn.frame.width, drawn.frame.pixels.data());
        Rectangle const area = engine_->CalcSearchArea(image);
        RecordingBarCodeDecoder decoder(ReadsNothing(0));
        RecordingOutlet outlet(true);
        Search(drawn.frame, decoder, outlet);
        EXPECT_EQ(decoder.regions.size(), c.calls) << c.left << " " << c.top;
        for (Region const& r : decoder.regions) {
            EXPECT_TRUE(Inside(r, area));
        }
    }
}

TEST_F(EngineTest, CentralReadingTakesOnlyCandidatesOverTheCentralWindow)
{
    ASSERT_NE(engine_, nullptr);
    Drawn corner;
    corner.Add("IN A CORNER", 2.0, 0, 160, 90);
    Drawn centre;
    centre.Add("AT THE CENTRE", 2.0, 60, 330, 250);
    struct Case {
        Drawn const* drawn;
        bool central;
        unsigned calls;
    };
    for (Case const c : {Case{&corner, false, 1}, Case{&corner, true, 0}, Case{&centre, true, 1}}) {
        manager_.Root().trigger.manual.central_reading.enable.Set(c.central);
        RecordingBarCodeDecoder decoder(ReadsNothing(0));
        RecordingOutlet outlet(true);
        Search(c.drawn->frame, decoder, outlet);
        EXPECT_EQ(decoder.regions.size(), c.calls) << (c.drawn == &corner ? "corner" : "centre") << c.central;
    }
}

TEST_F(EngineTest, TheSearchStepIsTheSamplingStrideOfThePassOverThePixels)
{
    ASSERT_NE(engine_, nullptr);
    Drawn drawn;
    drawn.Add("STEP", 2.0, 70, 320, 240);
    struct Case {
        unsigned char step;
        unsigned stride;
    };
    for (Case const c : {Case{0, CodeSearcherEngine::kDefaultStride}, Case{2, 2}, Case{3, 3}, Case{255, 8}}) {
        option_.searchStep = c.step;
        RecordingBarCodeDecoder decoder(ReadsNothing(0));
        RecordingOutlet outlet(true);
        Search(drawn.frame, decoder, outlet);
        EXPECT_EQ(engine_->GetField().GetStride(), c.stride);
        if (c.stride <= 2) {
            ASSERT_EQ(decoder.regions.size(), 1u) << int{c.step};
            EXPECT_TRUE(Holds(drawn.quads[0], decoder.regions[0].CalcCenterPoint()));
        }
    }
}

TEST_F(EngineTest, MalformedImagesAreSearchedSafelyOrNotAtAll)
{
    ASSERT_NE(engine_, nullptr);
    RecordingBarCodeDecoder decoder(ReadsAll());
    RecordingOutlet outlet(true);
    DecoderSet decoders;
    decoders.barCode = &decoder;
    std::vector<unsigned short> pixels(64 * 64, 500);
    struct Case {
        int width, height, pitch;
        bool null;
    };
    for (Case const c : {Case{640, 480, 640, true}, Case{0, 0, 0, false}, Case{1, 1, 1, false}, Case{2, 2, 2, false},
                         Case{64, 1, 64, false}, Case{1, 64, 1, false}, Case{-5, 10, 10, false}}) {
        GrayImage const image(c.width, c.height, c.pitch, c.null ? nullptr : pixels.data());
        EXPECT_EQ(engine_->Start(image, option_, decoders, label_, outlet), 0) << c.width << "x" << c.height;
    }
    EXPECT_TRUE(decoder.regions.empty());
    // Samples beyond ten bits: a symbol drawn at 16 bits with full-scale
    // noise is searched without overflowing anything.
    {
        Drawn wide;
        wide.Add("SIXTEEN BITS", 2.0, 30, 320, 240);
        for (size_t i = 0; i < wide.frame.pixels.size(); ++i) {
            wide.frame.pixels[i] = static_cast<uint16_t>(wide.frame.pixels[i] * 64 + (i * 2654435761u) % 64);
        }
        Search(wide.frame, decoder, outlet);
    }
    // With no linear decoder built, nothing is searched for it.
    Drawn drawn;
    drawn.Add("NO DECODER", 2.0, 0, 320, 240);
    GrayImage const image(drawn.frame.width, drawn.frame.height, drawn.frame.width, drawn.frame.pixels.data());
    EXPECT_EQ(engine_->Start(image, option_, DecoderSet{}, label_, outlet), 0);
}

TEST_F(EngineTest, BarsInThePaddingBeyondTheWidthAreNotSearched)
{
    ASSERT_NE(engine_, nullptr);
    // A 320-pixel-wide image inside rows of 640: the right half holds a
    // symbol that is not part of the image.
    Drawn drawn;
    drawn.Add("PADDING", 2.0, 0, 480, 240);
    RecordingBarCodeDecoder decoder(ReadsNothing(0));
    RecordingOutlet outlet(true);
    DecoderSet decoders;
    decoders.barCode = &decoder;
    GrayImage const image(320, drawn.frame.height, drawn.frame.width, drawn.frame.pixels.data());
    EXPECT_EQ(engine_->Start(image, option_, decoders, label_, outlet), 0);
    EXPECT_TRUE(decoder.regions.empty());
}

}  // namespace
}  // namespace searcher_test
