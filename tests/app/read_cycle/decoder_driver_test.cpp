// The decoder driver: which frames it decodes, when it says a read found nothing, and
// the decode options it takes from the settings.
#include "tests/app/read_cycle/read_cycle_fixture.h"

#include <atomic>

namespace read_cycle_test {
namespace {

std::atomic<int> noLabels{0};

class DecoderDriverTest : public ReadCycleTest {
protected:
    void SetUp() override
    {
        ReadCycleTest::SetUp();
        saved_ = LabelCallback::func;
        LabelCallback::func = [this](void*, tagDecodedLabel const* label) {
            last_ = std::string(label->data, label->length);
            ++labels_;
            return true;
        };
        static bool const connected = [] {
            decoder().connectNoLabel([] { ++noLabels; });
            return true;
        }();
        EXPECT_TRUE(connected);
        noLabels = 0;
    }

    void TearDown() override
    {
        decoder().stopDecoder(true);
        LabelCallback::func = saved_;
    }

    static Decoder& decoder() { return reader().decoder(); }

    bool labelsReach(int count)
    {
        return eventually([&] { return labels_ >= count; }) && labels_ == count;
    }

    std::function<bool(void*, tagDecodedLabel const*)> saved_;
    std::atomic<int> labels_{0};
    std::string last_;
};

TEST_F(DecoderDriverTest, DecodesOnlyTheNewestFrameOnlyOnceAndOnlyWhileEnabled)
{
    FrameIndexStatusPtr const older = show(code128("OLD-1"));
    show(code128("OLD-2"));
    FrameIndexStatusPtr const newest = show(code128("NEW-3"));
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(taken(newest, 0ms)); // disabled: the frames wait

    decoder().startDecoder();
    ASSERT_TRUE(labelsReach(1));
    EXPECT_EQ(last_, "NEW-3");
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(labels_, 1); // a frame is decoded once, older ones never
    EXPECT_EQ(older->status, FrameIndexStatus::eNew);

    show(code128("NEXT-4"));
    ASSERT_TRUE(labelsReach(2));
    EXPECT_EQ(last_, "NEXT-4");
    EXPECT_EQ(newest->status, FrameIndexStatus::eSuperseded);
}

TEST_F(DecoderDriverTest, NoLabelOnlyWhenAnEnabledReadEndsLoudlyWithoutALabel)
{
    decoder().stopDecoder(false); // not enabled
    decoder().startDecoder();
    decoder().stopDecoder(true); // a good read or a software stop
    EXPECT_EQ(noLabels, 0);

    decoder().startDecoder();
    EXPECT_TRUE(taken(show(blank())));
    decoder().stopDecoder(false);
    decoder().stopDecoder(false);
    EXPECT_EQ(noLabels, 1);

    decoder().startDecoder();
    show(code128("SEEN"));
    ASSERT_TRUE(labelsReach(1));
    std::this_thread::sleep_for(20ms);
    decoder().stopDecoder(false);
    EXPECT_EQ(noLabels, 1); // the read took a label
}

// A trigger pressed again while the last frame of the read before is still being
// decoded: that frame's label belongs to the old read, and the new one still ends in
// the no-label signal when it finds nothing.
TEST_F(DecoderDriverTest, AReadStartedWhileTheFrameBeforeIsDecodedStillEndsWithoutALabel)
{
    LabelCallback::func = [this](void*, tagDecodedLabel const*) {
        decoder().startDecoder(); // the key thread, while DEC2D_Main still runs
        ++labels_;
        return true;
    };
    decoder().startDecoder();
    show(code128("OLD-READ"));
    ASSERT_TRUE(labelsReach(1));
    // Frames are decoded one after the other: once this one is taken, the one before is done.
    ASSERT_TRUE(taken(show(blank())));
    decoder().stopDecoder(false);
    EXPECT_EQ(noLabels, 1);
}

TEST_F(DecoderDriverTest, DecodeOptionsFollowTheSettingsWhenTheTriggerTypeChanges)
{
    struct Case {
        char const* mode;
        unsigned readMode;
    } const cases[] = {{"MOVING", 0}, {"FIX_MOUNT", 2}, {"SINGLE_LINE", 1}, {"HANDY", 1}};
    for (Case const& c : cases) {
        set(std::string("set detail_of_decoder/code_search_mode:\"") + c.mode + "\"");
        set("set detail_of_decoder/search_step:7");
        set("set detail_of_decoder/filters/white_bold/enable:true");
        EXPECT_NE(decoder().decodeOptions().searchStep, 7) << c.mode; // not yet
        set("set trigger/manual/type:\"MULTIPLE\"");
        DEC2DIvra::tagDecodeOption const options = decoder().decodeOptions();
        EXPECT_EQ(options.readMode, c.readMode) << c.mode;
        EXPECT_EQ(options.searchStep, 7);
        EXPECT_EQ(options.whiteBoldEnable, 1u);
        EXPECT_EQ(options.flagBytes[4], 0); // dark thickening off
        set("set detail_of_decoder/search_step:0");
        set("set trigger/manual/type:\"SINGLE\"");
    }
}

} // namespace
} // namespace read_cycle_test
