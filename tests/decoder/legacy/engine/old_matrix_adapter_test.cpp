// The adapter's identifiers for every family a result entry may name, and
// the host's image settings on the engine's image record.

#include <gtest/gtest.h>

#include <string>

#include "decoder/core/decoded_label.h"
#include "decoder/legacy/engine/legacy_engine_image.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/engine/old_matrix_decoder.h"

namespace {

using DEC2DIvra::OldMatrixDecoder;

std::string Aim(DEC2DIvra::DecodedLabel const& label)
{
    char aim[8] = {};
    return label.identifier.GetAIMIdentifier(aim, sizeof aim) ? std::string(aim) : std::string();
}

// Each family's modifier bits, set from the entry's AIM modifier character,
// make the label's AIM text carry that character again.
TEST(OldMatrixAdapter, IdentifiersCarryTheEntrysModifier)
{
    struct Family {
        void (*set)(DEC2DIvra::DecodedLabel&, MULTIPLE_LABEL_st const&);
        char letter;
        char const* modifiers;
        int symbology;
        char maker;
    } const families[] = {
        {OldMatrixDecoder::SetSymbology_QR, 'Q', "0123456", 33, 'u'},
        {OldMatrixDecoder::SetSymbology_mQR, 'Q', "12", 34, 'j'},
        {OldMatrixDecoder::SetSymbology_DataMatrix, 'd', "0123456", 35, 't'},
        {OldMatrixDecoder::SetSymbology_Aztec, 'z', "0123456789ABC", 36, 'o'},
        {OldMatrixDecoder::SetSymbology_ChineseSensible, 'X', "01", 37, 'e'},
    };
    for (Family const& f : families) {
        for (char const* m = f.modifiers; *m != '\0'; ++m) {
            MULTIPLE_LABEL_st entry{};
            entry.aim[0] = ']';
            entry.aim[1] = f.letter;
            entry.aim[2] = *m;
            DEC2DIvra::DecodedLabel label;
            f.set(label, entry);
            EXPECT_EQ(Aim(label), std::string("]") + f.letter + *m) << f.letter << *m;
            EXPECT_EQ(static_cast<int>(label.identifier.GetSymbology()), f.symbology) << f.letter << *m;
            EXPECT_EQ(label.identifier.GetIvraIdentifier(), f.maker) << f.letter << *m;
        }
    }
    // The closing flag of a QR or Data Matrix entry sets bit 15.
    MULTIPLE_LABEL_st entry{};
    entry.aim[2] = '1';
    entry.closingFlag = 1;
    DEC2DIvra::DecodedLabel label;
    OldMatrixDecoder::SetSymbology_QR(label, entry);
    EXPECT_TRUE(label.identifier.GetModifierBit(15));
    OldMatrixDecoder::SetSymbology_DataMatrix(label, entry);
    EXPECT_TRUE(label.identifier.GetModifierBit(15));
}

// A written label takes its identifier by the entry's label type; a Micro QR
// entry is told from a QR one by its maker code.
TEST(OldMatrixAdapter, LabelTypeChoosesTheFamily)
{
    static unsigned char text[] = "AB";
    struct Case {
        int labelType;
        unsigned char maker;
        char modifier;
        int symbology;
    } const cases[] = {
        {kLegacyQR, 'u', '1', 33}, {kLegacyQRModel1, 'u', '0', 33}, {kLegacyQRAppend, 'j', '2', 34},
        {kLegacyDataMatrixAppend, 't', '1', 35}, {kLegacyAztecRune, 'o', 'C', 36}, {kLegacyHanXin, 'e', '0', 37},
    };
    for (Case const& c : cases) {
        MULTIPLE_LABEL_st entry{};
        entry.labelType = c.labelType;
        entry.structAppend.kind = kLegacyNothing;
        entry.makerCode = c.maker;
        entry.aim[2] = c.modifier;
        entry.data = text;
        entry.dataLength = 2;
        DEC2DIvra::DecodedLabel label;
        ASSERT_TRUE(OldMatrixDecoder::WriteLabel(entry, label));
        EXPECT_EQ(static_cast<int>(label.identifier.GetSymbology()), c.symbology) << c.labelType;
        EXPECT_EQ(Aim(label).substr(2), std::string(1, c.modifier)) << c.labelType;
    }
}

TEST(OldMatrixAdapter, ImageSettingsReachBothCopiesAndTheResetRestoresThem)
{
    InitDecodeMainEx();
    EXPECT_EQ(get_default_decode_area_width(), 640);
    EXPECT_EQ(get_default_decode_area_height(), 480);
    SetImageWidth(1280);
    SetImageHeight(960);
    SetMovingObjectFlag(1);
    SetImageOffsetX(12);
    SetImageOffsetY(-7);
    EXPECT_EQ(get_default_decode_area_width(), 1280);
    EXPECT_EQ(get_default_decode_area_height(), 960);
    EXPECT_EQ(decode_image_info.sampleWidth, 1280);
    EXPECT_EQ(decode_image_info.sampleHeight, 960);
    EXPECT_EQ(decode_image_info.movingObject, 1);
    EXPECT_EQ(decode_image_info.offsetX, 12);
    EXPECT_EQ(decode_image_info.offsetY, -7);
    InitDecodeMainEx();
    EXPECT_EQ(get_default_decode_area_width(), 640);
    EXPECT_EQ(decode_image_info.offsetX, 0);
    EXPECT_EQ(decode_image_info.movingObject, 0);
    EXPECT_EQ(multiple_label_count, 0);
}

}  // namespace
