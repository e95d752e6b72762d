// The engine's result table and the adapter's turning of an entry into the
// caller's label: the guards on every fixed buffer, and the identifiers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/core/dec2d_entry.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/legacy/engine/legacy_reader_entries.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/engine/old_matrix_decoder.h"

namespace {

// Files one good read as a reader does; answers register's result.
int FileRead(std::vector<unsigned char>& data, int labelType, int resultCode, char const* aim,
             STRUCT_APPEND_st const* sa = nullptr)
{
    STRUCT_APPEND_st own;
    init_struct_append(&own);
    int const xs[4] = {10, 60, 60, 10};
    int const ys[4] = {10, 10, 60, 60};
    MULTIPLE_LABEL_st work{};
    set_result2multiple_label(&work, sa != nullptr ? sa : &own, xs, ys, data.data(), data.data() + data.size(),
                              static_cast<int>(data.size()), reinterpret_cast<signed char const*>(aim), labelType,
                              resultCode, labelType == kLegacyHanXin ? kLegacyHanXin : 0);
    determine_multiple_label_status(&work);
    return register_multiple_label_data(&work);
}

std::string LabelText(DEC2DIvra::DecodedLabel const& label)
{
    std::string text;
    for (unsigned i = 0; i < label.data.GetCount(); ++i) {
        text += label.data[i];
    }
    return text;
}

class LegacyResultTest : public testing::Test {
protected:
    void SetUp() override { force_reset_multiple(); }
};

TEST_F(LegacyResultTest, TheTwentyFirstReadOfAnImageIsFiledAsNotEntered)
{
    std::vector<unsigned char> data{'A', 'B'};
    for (int i = 0; i < kLegacyResultEntries; ++i) {
        ASSERT_EQ(FileRead(data, kLegacyMaxiCode, kLegacyMaxiCode, "]U0"), 0) << i;
    }
    EXPECT_EQ(FileRead(data, kLegacyMaxiCode, kLegacyMaxiCode, "]U0"), -1);
    EXPECT_EQ(multiple_label_count, kLegacyResultEntries);
    ASSERT_EQ(error_multiple_label_count, 1);
    EXPECT_EQ(error_multiple_label[0].reason, kLegacyReasonTableFull);
    // The error table also stops at 20 without writing past it.
    for (int i = 0; i < 30; ++i) {
        FileRead(data, kLegacyMaxiCode, kLegacyMaxiCode, "]U0");
    }
    EXPECT_EQ(error_multiple_label_count, kLegacyResultEntries);
}

TEST_F(LegacyResultTest, DataLongerThanAnEntryIsRefusedNotCut)
{
    std::vector<unsigned char> fits(kLegacyAnswerBytes, 'x');
    std::vector<unsigned char> tooLong(kLegacyAnswerBytes + 1, 'y');
    EXPECT_EQ(FileRead(tooLong, kLegacyHanXin, 28, "]X0"), -1);
    EXPECT_EQ(multiple_label_count, 0);
    EXPECT_EQ(FileRead(fits, kLegacyHanXin, 28, "]X0"), 0);
    ASSERT_EQ(multiple_label_count, 1);
    EXPECT_EQ(multiple_label[0].dataLength, kLegacyAnswerBytes);
    EXPECT_EQ(multiple_label[0].makerCode, 'e');
    EXPECT_EQ(multiple_label[0].structAppend.kind, kLegacyNothing);
}

TEST_F(LegacyResultTest, AMaxiCodeSequenceSlotKeepsNoMoreThanItHolds)
{
    reset_struct_append();
    std::vector<unsigned char> data(400, 'm');
    STRUCT_APPEND_st sa;
    init_struct_append(&sa);
    sa.kind = kLegacyMaxiCodeAppend;
    sa.present = 1;
    sa.secondValue = 1;  // position 2
    sa.thirdValue = 3;
    ASSERT_EQ(FileRead(data, kLegacyMaxiCode, kLegacyMaxiCodeAppend, "]U0", &sa), 0);
    int length = 0;
    ASSERT_NE(GetMaxiSequenceData(1, &length), nullptr);
    EXPECT_EQ(length, kLegacyMaxiSequenceBytes);
    sa.secondValue = 8;  // position 9: beyond the slots, kept in the table only
    EXPECT_EQ(FileRead(data, kLegacyMaxiCode, kLegacyMaxiCodeAppend, "]U0", &sa), 0);
    EXPECT_EQ(GetMaxiSequenceData(8, &length), nullptr);
}

TEST_F(LegacyResultTest, BackslashesAreDoubledOnlyWhenTheResultFits)
{
    struct Case {
        std::string in;
        int capacity;
        int answer;
        std::string out;
    } const cases[] = {
        {"a\\b\\", 16, 0, "a\\\\b\\\\"},
        {"\\\\", 4, 0, "\\\\\\\\"},
        {"a\\b", 3, -1, "a\\b"},
        {"abc", 3, 0, "abc"},
    };
    for (Case const& c : cases) {
        std::vector<unsigned char> buffer(c.in.begin(), c.in.end());
        buffer.resize(c.capacity + 4, 0xEE);
        int length = static_cast<int>(c.in.size());
        EXPECT_EQ(double_backslash_ECI(buffer.data(), &length, c.capacity), c.answer) << c.in;
        EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + length), c.out) << c.in;
        EXPECT_EQ(buffer[c.capacity], 0xEE) << "written past the capacity: " << c.in;
    }
}

TEST_F(LegacyResultTest, EntriesBecomeLabelsWithTheReadersIdentifier)
{
    struct Case {
        int labelType;
        int resultCode;
        char const* aim;
        char const* text;
        int symbology;
        char const* labelAim;
        char maker;
    } const cases[] = {
        // The reader's modifier stands, also where the mode bits alone would
        // give another (a mode 0 symbol reads "]U1").
        {kLegacyMaxiCode, kLegacyMaxiCode, "]U1", "ABC", 38, "]U1", 'v'},
        {kLegacyMaxiCode, kLegacyMaxiCode, "]U2", "\\000003ABC", 38, "]U2", 'v'},
        {kLegacyHanXin, 28, "]X0", "HX", 37, "]X0", 'e'},
        {kLegacyHanXin, 28, "]X1", "\\000026HX", 37, "]X1", 'e'},
    };
    for (Case const& c : cases) {
        force_reset_multiple();
        std::vector<unsigned char> data(c.text, c.text + std::string(c.text).size());
        ASSERT_EQ(FileRead(data, c.labelType, c.resultCode, c.aim), 0);
        DEC2DIvra::DecodedLabel label;
        ASSERT_TRUE(DEC2DIvra::OldMatrixDecoder::WriteLabel(multiple_label[0], label));
        EXPECT_EQ(LabelText(label), c.text);
        EXPECT_EQ(static_cast<int>(label.identifier.GetSymbology()), c.symbology);
        char aim[8] = {};
        ASSERT_TRUE(label.identifier.GetAIMIdentifier(aim, sizeof aim));
        EXPECT_STREQ(aim, c.labelAim);
        EXPECT_EQ(label.identifier.GetIvraIdentifier(), c.maker);
        EXPECT_EQ(label.region[2].x, 60);
        EXPECT_EQ(label.region[3].y, 60);
        EXPECT_EQ(label.structuredAppend.mode, 0u);
        if (c.labelType == kLegacyMaxiCode) {
            EXPECT_EQ(label.identifier.GetModifier() & 7u, static_cast<unsigned>(GetMaxiMode()) & 7u);
            EXPECT_EQ(label.identifier.GetModifierBit(3), c.aim[2] >= '2');
        }
    }
}

TEST_F(LegacyResultTest, ALineWithoutASymbolReadsNothingAndEmptiesTheLabel)
{
    // The settings come through the process's handle, as on the device.
    static DEC2DIvra::DEC2DProperty property;
    DEC2D_SetDec2DProperty(&property);
    std::vector<unsigned short> pixels(640 * 480, 900);
    DEC2DIvra::GrayImage const image(640, 480, 640, pixels.data());
    DEC2DIvra::OldMatrixDecoder engine;
    engine.OnNewImage(image);
    DEC2DIvra::DecodedLabel label;
    label.data.Push('z');
    EXPECT_EQ(engine.Start(image, DEC2DIvra::LineSegment{{10, 100}, {600, 100}}, label), 0);
    EXPECT_EQ(engine.GetStatus(), DEC2DIvra::OldMatrixDecoder::kNothingFound);
    EXPECT_EQ(label.data.GetCount(), 0u);
    EXPECT_EQ(engine.Start(image, DEC2DIvra::Region{}, label), 0);
}

TEST_F(LegacyResultTest, RowsAreReadWithTheImagesPitch)
{
    // 64 x 48 samples in rows of 80: the padding is never read as a pixel.
    std::vector<unsigned short> pixels(80 * 48, 700);
    for (int y = 0; y < 48; ++y) {
        for (int x = 64; x < 80; ++x) {
            pixels[y * 80 + x] = 5;
        }
    }
    pixels[20 * 80 + 10] = 33;
    DEC2DIvra::GrayImage const image(64, 48, 80, pixels.data());
    DEC2DIvra::OldMatrixDecoder engine;
    engine.OnNewImage(image);
    EXPECT_EQ(ImgGrayValue(10, 20), 33);
    EXPECT_EQ(ImgGrayValue(63, 47), 700);
    EXPECT_EQ(ImgGrayValue(64, 0), 1023);
}

}  // namespace
