#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "tests/decoder/core/allocation_counter.h"
#include "decoder/core/identifiers/code128_identifier.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/identifiers/pdf_identifiers.h"
#include "decoder/core/identifiers/qr_identifiers.h"
#include "decoder/two_dimension_decoder.h"

namespace DEC2DIvra {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// What the application's callback saw, copied out while the view was valid.
struct Seen {
    std::string data;
    std::string aim;
    tagSymbology symbology = SYMBOLOGY_NONE;
    tagDEC2D_REGION region{};
    tagStructuredAppend structuredAppend{};
    unsigned flag = 0;
    int angle = 999;
};

struct Application {
    std::vector<Seen> seen;
    std::vector<bool> answers;  // the callback's answer per label; true once they run out
    void* expectedContext = nullptr;
    bool contextMatched = true;

    static bool Callback(void* context, tagDecodedLabel const* label)
    {
        Application& app = *static_cast<Application*>(context);
        app.contextMatched = app.contextMatched && context == app.expectedContext;
        Seen s;
        s.data.assign(label->data, label->length);
        char aim[11];
        DEC2D_GetAIMIdentifier(label->identifier, aim, sizeof(aim));
        s.aim = aim;
        s.symbology = DEC2D_GetSymbology(label->identifier);
        s.region = *label->region;
        s.structuredAppend = *label->structuredAppend;
        s.flag = label->flag;
        s.angle = label->angle;
        std::size_t const index = app.seen.size();
        app.seen.push_back(s);
        return index < app.answers.size() ? app.answers[index] : true;
    }
};

// A locator stand-in that hands over scripted labels, one after another,
// until the outlet accepts one.
class ScriptedSearcher final : public CodeSearcher {
public:
    int Start(GrayImage const&, Region const&, StackInterface<Region>&) override { return 0; }

    int Start(GrayImage const& image, tagDecodeOption const& option, DecoderSet const&, DecodedLabel& label,
              LabelOutlet& outlet) override
    {
        ++searches;
        lastWidth = image.GetWidth();
        lastReadMode = option.readMode;
        if (rowHintFirst) {
            // What the linear frame makes of a PDF417 row: an empty label.
            label.Clear();
            label.identifier.Copy(PDFIdentifier());
            label.region.corner[2] = {140, 100};
            if (outlet.Offer(label)) {
                return 1;
            }
        }
        for (unsigned i = 0; i < labels; ++i) {
            label.Clear();
            label.identifier.Copy(Code128Identifier(1));
            for (char c : std::string("LABEL") + static_cast<char>('0' + i)) {
                label.data.Push(c);
            }
            label.region.corner[0] = {100, 200};
            label.region.corner[1] = {100, 100};  // reading upward on the screen
            label.region.corner[2] = {140, 100};
            label.region.corner[3] = {140, 200};
            label.structuredAppend = tagStructuredAppend{1, 7, 3, 2};
            label.negative = 1;
            if (outlet.Offer(label)) {
                return 1;
            }
        }
        return claimSuccess ? 1 : 0;
    }

    unsigned labels = 0;
    bool rowHintFirst = false;
    bool claimSuccess = false;
    int searches = 0;
    int lastWidth = 0;
    unsigned lastReadMode = 99;
};

class DecoderHandleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        handle = new (std::nothrow) TwoDimensionDecoder(nullptr);
        ASSERT_NE(handle, nullptr);
        app.expectedContext = &app;
        app.seen.reserve(8);  // the test's own bookkeeping must not count as the decoder's
        ASSERT_EQ(DEC2D_ImplementFormatter(handle, &app, nullptr, nullptr, &Application::Callback), 1);
    }
    void TearDown() override { delete handle; }

    TwoDimensionDecoder* handle = nullptr;
    Application app;
    std::vector<unsigned short> frame = std::vector<unsigned short>(kWidth * kHeight, 512);
};

TEST(DecoderHandleSizeTest, TheHandleIsOneBlockOfTheAgreedSize)
{
    EXPECT_EQ(sizeof(TwoDimensionDecoder), 14527608u);
    EXPECT_EQ(TwoDimensionDecoder::kWorkAreaBytes, 7096076u);
    // (What the handle allocates with its decoders built is counted in
    // SearcherAllocationTest.)
    TwoDimensionDecoder* handle = new (std::nothrow) TwoDimensionDecoder(nullptr);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->GetWorkArea().GetCount(), 7096076u);
    unsigned char* const begin = reinterpret_cast<unsigned char*>(handle);
    unsigned char* const area = handle->GetWorkArea().GetData();
    EXPECT_GE(area, begin);
    EXPECT_LE(area + 7096076, begin + sizeof(TwoDimensionDecoder));
    // The rest, less the handle's own records, is the arena for the decoders.
    EXPECT_GT(handle->GetObjectArena().GetRoom() + handle->GetObjectArena().GetUsed(), 7000000u);
    delete handle;
}

TEST_F(DecoderHandleTest, WithNoDecoderBuiltNothingIsDecodedAndNothingAllocated)
{
    allocation_counter::Start();
    int const result = DEC2D_Main(handle, kWidth, kHeight, kWidth, frame.data(), nullptr);
    unsigned long const allocations = allocation_counter::Stop();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(allocations, 0u);
    EXPECT_TRUE(app.seen.empty());
}

TEST_F(DecoderHandleTest, LabelsReachTheCallbackUntilOneIsAcceptedWithoutAllocating)
{
    ScriptedSearcher* searcher = handle->GetObjectArena().Build<ScriptedSearcher>();
    ASSERT_NE(searcher, nullptr);
    handle->SetCodeSearcher(searcher);
    searcher->labels = 3;
    app.answers = {false, true, true};

    tagDecodeOption option = MakeDefaultDecodeOption(kWidth, kHeight);
    option.readMode = kReadModeMoving;
    allocation_counter::Start();
    int const result = DEC2D_Main(handle, kWidth, kHeight, kWidth, frame.data(), &option);
    unsigned long const allocations = allocation_counter::Stop();

    EXPECT_EQ(result, 1);
    EXPECT_EQ(allocations, 0u);
    EXPECT_TRUE(app.contextMatched);
    ASSERT_EQ(app.seen.size(), 2u);  // the second label was accepted and ended the search
    EXPECT_EQ(app.seen[0].data, "LABEL0");
    EXPECT_EQ(app.seen[1].data, "LABEL1");
    EXPECT_EQ(app.seen[1].aim, "]C1");
    EXPECT_EQ(app.seen[1].symbology, SYMBOLOGY_CODE128);
    EXPECT_EQ(app.seen[1].region.x0, 100);
    EXPECT_EQ(app.seen[1].region.y1, 100);
    EXPECT_EQ(app.seen[1].region.x3, 140);
    EXPECT_EQ(app.seen[1].structuredAppend.value1, 7u);
    EXPECT_EQ(app.seen[1].flag, 1u);
    EXPECT_EQ(app.seen[1].angle, 90);
    EXPECT_EQ(searcher->lastReadMode, kReadModeMoving);
    EXPECT_EQ(searcher->lastWidth, kWidth);
}

TEST_F(DecoderHandleTest, APdf417RowHintNeverReachesTheCallback)
{
    ScriptedSearcher* searcher = handle->GetObjectArena().Build<ScriptedSearcher>();
    handle->SetCodeSearcher(searcher);
    searcher->rowHintFirst = true;
    EXPECT_EQ(DEC2D_Main(handle, kWidth, kHeight, kWidth, frame.data(), nullptr), 0);
    EXPECT_TRUE(app.seen.empty());
    searcher->labels = 1;
    EXPECT_EQ(DEC2D_Main(handle, kWidth, kHeight, kWidth, frame.data(), nullptr), 1);
    ASSERT_EQ(app.seen.size(), 1u);
    EXPECT_EQ(app.seen[0].data, "LABEL0");
}

TEST_F(DecoderHandleTest, AClaimedSuccessWithoutAnAcceptedLabelCountsForNothing)
{
    ScriptedSearcher* searcher = handle->GetObjectArena().Build<ScriptedSearcher>();
    handle->SetCodeSearcher(searcher);
    searcher->labels = 2;
    searcher->claimSuccess = true;
    app.answers = {false, false};
    EXPECT_EQ(DEC2D_Main(handle, kWidth, kHeight, kWidth, frame.data(), nullptr), 0);
    EXPECT_EQ(app.seen.size(), 2u);

    // Without a callback nobody can accept a label.
    ASSERT_EQ(DEC2D_ImplementFormatter(handle, nullptr, nullptr, nullptr, nullptr), 1);
    searcher->claimSuccess = false;
    EXPECT_EQ(DEC2D_Main(handle, kWidth, kHeight, kWidth, frame.data(), nullptr), 0);
}

TEST_F(DecoderHandleTest, MalformedFramesAreRefusedBeforeAnythingIsTouched)
{
    ScriptedSearcher* searcher = handle->GetObjectArena().Build<ScriptedSearcher>();
    handle->SetCodeSearcher(searcher);
    searcher->labels = 1;
    handle->GetLabel().data.Push('K');  // the previous label must survive a refusal
    struct {
        int width, height, pitch;
        bool pixels;
    } const cases[] = {
        {kWidth, kHeight, kWidth, false}, {0, kHeight, kWidth, true},     {kWidth, -1, kWidth, true},
        {kWidth, kHeight, kWidth - 1, true}, {20000, 10, 20000, true},    {10, 20000, 10, true},
        {-640, 480, 640, true},
    };
    for (auto const& c : cases) {
        EXPECT_EQ(DEC2D_Main(handle, c.width, c.height, c.pitch, c.pixels ? frame.data() : nullptr, nullptr), 0);
    }
    EXPECT_EQ(searcher->searches, 0);
    EXPECT_TRUE(app.seen.empty());
    EXPECT_EQ(handle->GetLabel().data.GetCount(), 1u);
    EXPECT_EQ(DEC2D_Main(nullptr, kWidth, kHeight, kWidth, frame.data(), nullptr), 0);
    EXPECT_EQ(DEC2D_ImplementFormatter(nullptr, nullptr, nullptr, nullptr, &Application::Callback), 0);
    DEC2D_OnTriggerDown(nullptr);
    EXPECT_EQ(DEC2D_GetDec2DProperty(nullptr), nullptr);
}

struct FakeFrame {
    Region band;
    unsigned mode = 0;
    int reads = 0;
    int triggers = 0;
    int newImages = 0;

    static int Read(void* self, GrayImage const&, Region const& band, unsigned mode, DecodedLabel& label)
    {
        FakeFrame& frame = *static_cast<FakeFrame*>(self);
        frame.band = band;
        frame.mode = mode;
        ++frame.reads;
        label.identifier.Copy(QRIdentifier(0));
        label.data.Push('Q');
        label.region = band;
        return 1;
    }
    static void TriggerDown(void* self) { ++static_cast<FakeFrame*>(self)->triggers; }
    static void NewImage(void* self, GrayImage const&) { ++static_cast<FakeFrame*>(self)->newImages; }
};

TEST_F(DecoderHandleTest, FixedBandReadOffersTheLinearLabelOfTheCentreBand)
{
    FakeFrame fake;
    handle->SetLinearFrameHooks(LinearFrameHooks{&fake, &FakeFrame::Read, &FakeFrame::TriggerDown});
    handle->SetLegacyEngineHooks(LegacyEngineHooks{&fake, &FakeFrame::NewImage});
    ScriptedSearcher* searcher = handle->GetObjectArena().Build<ScriptedSearcher>();
    handle->SetCodeSearcher(searcher);

    tagDecodeOption option = MakeDefaultDecodeOption(kWidth, kHeight);
    option.readMode = kFixedBandReadMode;
    allocation_counter::Start();
    int const result = DEC2D_Main(handle, kWidth, kHeight, kWidth, frame.data(), &option);
    unsigned long const allocations = allocation_counter::Stop();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(fake.reads, 1);
    EXPECT_EQ(fake.mode, 4u);
    EXPECT_EQ(fake.band.corner[0], (Point{0, 224}));
    EXPECT_EQ(fake.band.corner[1], (Point{639, 224}));
    EXPECT_EQ(fake.band.corner[2], (Point{639, 255}));
    EXPECT_EQ(fake.band.corner[3], (Point{0, 255}));
    EXPECT_EQ(searcher->searches, 0);
    EXPECT_EQ(fake.newImages, 0);
    ASSERT_EQ(app.seen.size(), 1u);
    EXPECT_EQ(app.seen[0].aim, "]Q1");
    EXPECT_EQ(app.seen[0].angle, 0);

    // The whole-image search tells the legacy engine about the image first.
    option.readMode = kReadModeHandy;
    EXPECT_EQ(DEC2D_Main(handle, kWidth, kHeight, kWidth, frame.data(), &option), 0);
    EXPECT_EQ(fake.newImages, 1);
    EXPECT_EQ(searcher->searches, 1);
    DEC2D_OnTriggerDown(handle);
    EXPECT_EQ(fake.triggers, 1);

    // A frame lower than the band gets the band clipped to it.
    Region const small = TwoDimensionDecoder::CalcFixedBand(100, 20);
    EXPECT_EQ(small.corner[0], (Point{0, 0}));
    EXPECT_EQ(small.corner[2], (Point{99, 19}));
}

TEST(DecoderHandleAngleTest, ReadingAngleInWholeDegrees)
{
    struct {
        Point p[4];
        int angle;
    } const cases[] = {
        {{{0, 0}, {10, 0}, {10, 5}, {0, 5}}, 0},          // reading to the right
        {{{0, 10}, {0, 0}, {5, 0}, {5, 10}}, 90},         // upward on the screen
        {{{10, 5}, {0, 5}, {0, 0}, {10, 0}}, -180},       // to the left
        {{{5, 0}, {5, 10}, {0, 10}, {0, 0}}, -90},        // downward
        {{{0, 0}, {10, -10}, {11, -9}, {1, 1}}, 45},
        {{{0, 0}, {10, 10}, {9, 11}, {-1, 1}}, -45},
        {{{0, 0}, {0, 0}, {0, 0}, {0, 0}}, 0},            // a cleared region
        {{{0, 0}, {100, -1}, {100, -1}, {0, 0}}, 0},      // 0.57 degrees: one 9-bit step, 0.70
        {{{0, 0}, {100, 1}, {100, 1}, {0, 0}}, -1},       // -0.57: value 511, 359.3 -> 359 -> -1
        {{{0, 0}, {100, 3}, {100, 3}, {0, 0}}, -2},       // 358.3 -> value 510 -> 358 -> -2
    };
    for (auto const& c : cases) {
        Region r;
        for (unsigned i = 0; i < 4; ++i) {
            r.corner[i] = c.p[i];
        }
        EXPECT_EQ(TwoDimensionDecoder::CalcReadingAngle(r), c.angle) << c.p[1].x << "," << c.p[1].y;
    }
}

TEST(DecoderHandleOptionTest, DefaultOptionsScaleWithTheFrame)
{
    tagDecodeOption const vga = MakeDefaultDecodeOption(640, 480);
    EXPECT_EQ(vga.flags, 256);
    EXPECT_EQ(vga.centralLeft, 220);
    EXPECT_EQ(vga.centralTop, 215);
    EXPECT_EQ(vga.centralRight, 420);
    EXPECT_EQ(vga.centralBottom, 265);
    EXPECT_EQ(vga.readMode, kReadModeHandy);
    EXPECT_EQ(vga.secondTop, 479);
    EXPECT_EQ(vga.flagBytes[1], 1);
    tagDecodeOption const big = MakeDefaultDecodeOption(1280, 960);
    EXPECT_EQ(big.centralLeft, 440);
    EXPECT_EQ(big.centralBottom, 530);
}

TEST(DecoderSingletonTest, OneHandleWithTheRegisteredPropertyTable)
{
    // The handle builds every decoder with the table, so it must be a real one.
    static DEC2DProperty table;
    DEC2DProperty* const property = &table;
    DEC2D_SetDec2DProperty(property);
    DEC2D_HANDLE const first = DEC2D_GetSingletonDecoderHandle();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(DEC2D_GetSingletonDecoderHandle(), first);
    EXPECT_EQ(DEC2D_GetDec2DProperty(first), property);
}

}  // namespace
}  // namespace DEC2DIvra
