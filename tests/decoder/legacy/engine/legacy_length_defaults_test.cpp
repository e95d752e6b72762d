// Length settings put back to their defaults by the legacy engine: set
// through the store's text commands as a host sets them, read back through
// the same commands, and felt by a MaxiCode symbol read through the process's
// decoder handle.
#include <gtest/gtest.h>

#include <string>

#include "config/configuration.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/identifiers/tag_symbology.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/legacy/engine/legacy_length_defaults.h"
#include "tests/support/symbol_renderer.h"

namespace {

using ivra_configuration::FixedLength;

std::string Command(std::string const& text)
{
    std::string const line = "\x1b" + text + "\r";
    ivra_configuration::MemoryInputStream in(line);
    ivra_configuration::StringOutputStream out;
    ivra_configuration::Evaluate(in, out);
    return out.Text();
}

auto& Root() { return ivra_configuration::Root(); }

int Reads(support::Frame const& frame)
{
    static DEC2DIvra::DEC2DProperty property;
    DEC2D_SetDec2DProperty(&property);
    DEC2D_HANDLE const handle = DEC2D_GetSingletonDecoderHandle();
    static int labels;
    labels = 0;
    DEC2D_ImplementFormatter(handle, nullptr, nullptr, nullptr, [](void*, tagDecodedLabel const*) {
        ++labels;
        return true;
    });
    DEC2D_OnTriggerDown(handle);
    DEC2D_Main(handle, frame.width, frame.height, frame.width, frame.pixels.data(), nullptr);
    return labels;
}

class LegacyLengthDefaultsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(InitFixManMinLengthMenu(), 0);
        Root().read.maxi_code.Set(true);
        ivra_configuration::Update();
    }
    void TearDown() override
    {
        InitFixManMinLengthMenu();
        Root().read.maxi_code.Set(false);
        ivra_configuration::Update();
    }
};

// A 20-character MaxiCode symbol is refused by a minimum of 60 and read
// again once the minimum is back to its default; the maximum and the fixed
// lengths go back on their own, each leaving the other parts as set.
TEST_F(LegacyLengthDefaultsTest, EachPartGoesBackToItsDefaultAndTheReaderFollows)
{
    auto const r = support::render({.symbology = BARCODE_MAXICODE, .data = "MODE FOUR 0123456789", .option1 = 4},
                                   {.moduleSize = 4.0});
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    ASSERT_EQ(Reads(r.frame), 1);

    EXPECT_NE(Command("set fixed_length/maxi_code:{\"lengths\":[7],\"minimum\":60,\"maximum\":90}").find("\x06"),
              std::string::npos);
    EXPECT_EQ(Reads(r.frame), 0);
    ASSERT_EQ(SetDefaultFixLength_Sel(SYMBOLOGY_MAXICODE), 0);
    FixedLength v = Root().fixed_length.maxi_code.Value();
    EXPECT_EQ(v.count, 0u);
    EXPECT_EQ(v.minimum, 60);
    EXPECT_EQ(v.maximum, 90);
    EXPECT_EQ(Reads(r.frame), 0);  // still under the minimum
    ASSERT_EQ(SetDefaultMinLength_Sel(SYMBOLOGY_MAXICODE), 0);
    v = Root().fixed_length.maxi_code.Value();
    EXPECT_EQ(v.minimum, 0);
    EXPECT_EQ(v.maximum, 90);
    EXPECT_EQ(Reads(r.frame), 1);

    Command("set fixed_length/maxi_code:{\"maximum\":10}");
    EXPECT_EQ(Reads(r.frame), 0);
    ASSERT_EQ(SetDefaultMaxLength_Sel(SYMBOLOGY_MAXICODE), 0);
    EXPECT_EQ(Root().fixed_length.maxi_code.Value().maximum, FixedLength::kNoMaximum);
    EXPECT_EQ(Reads(r.frame), 1);
}

// The _All forms reach every settable symbology, Code 128 and GS1-128 alike,
// and a whole reset gives what a new device has (Code 39 keeps its factory
// minimum of two); the symbologies outside the table are left alone.
TEST_F(LegacyLengthDefaultsTest, TheWholeTableGoesBackToTheFactoryLengths)
{
    std::string const factory = Command("get fixed_length");
    Command("set fixed_length/code39:{\"lengths\":[5,9],\"minimum\":4,\"maximum\":30}");
    Command("set fixed_length/gs1_128:{\"minimum\":3,\"maximum\":40}");
    Command("set fixed_length/chinese_sensible_code:{\"lengths\":[12]}");
    Command("set fixed_length/ocrb:{\"minimum\":8}");

    ASSERT_EQ(SetDefaultMaxLength_All(), 0);
    EXPECT_EQ(Root().fixed_length.code39.Value().maximum, FixedLength::kNoMaximum);
    EXPECT_EQ(Root().fixed_length.gs1_128.Value().maximum, FixedLength::kNoMaximum);
    EXPECT_EQ(Root().fixed_length.code39.Value().minimum, 4);
    ASSERT_EQ(SetDefaultMinLength_All(), 0);
    EXPECT_EQ(Root().fixed_length.code39.Value().minimum, 2);
    EXPECT_EQ(Root().fixed_length.gs1_128.Value().minimum, 0);
    EXPECT_EQ(Root().fixed_length.code39.Value().count, 2u);
    ASSERT_EQ(SetDefaultFixLength_All(), 0);
    EXPECT_EQ(Root().fixed_length.code39.Value().count, 0u);
    EXPECT_EQ(Root().fixed_length.chinese_sensible_code.Value().count, 0u);
    EXPECT_EQ(Root().fixed_length.ocrb.Value().minimum, 8);  // not a settable entry

    Command("set fixed_length/code128:{\"lengths\":[6],\"maximum\":12}");
    Command("set fixed_length/gs1_128:{\"minimum\":3}");
    ASSERT_EQ(InitFixManMinLengthMenu(), 0);
    Command("set fixed_length/ocrb:{\"minimum\":0}");
    EXPECT_EQ(Command("get fixed_length"), factory);

    for (int i = 0; i < kFixedLengthSettableCount; ++i) {
        EXPECT_GT(GetFixedLengthSettableCodeId(i), 0);
    }
    EXPECT_EQ(GetFixedLengthSettableCodeId(-1), -1);
    EXPECT_EQ(GetFixedLengthSettableCodeId(kFixedLengthSettableCount), -1);
}

// A symbology without a length setting is refused and nothing changes; a
// chosen one reaches both entries that share its number.
TEST_F(LegacyLengthDefaultsTest, ASymbologyWithoutALengthSettingIsRefused)
{
    Command("set fixed_length/code128:{\"minimum\":5}");
    Command("set fixed_length/gs1_128:{\"minimum\":6}");
    std::string const before = Command("get fixed_length");
    EXPECT_EQ(SetDefaultMinLength_Sel(SYMBOLOGY_UPCA), -1);
    EXPECT_EQ(SetDefaultMaxLength_Sel(-5), -1);
    EXPECT_EQ(SetDefaultFixLength_Sel(SYMBOLOGY_EAN13), -1);
    EXPECT_EQ(Command("get fixed_length"), before);
    ASSERT_EQ(SetDefaultMinLength_Sel(SYMBOLOGY_CODE128), 0);
    EXPECT_EQ(Root().fixed_length.code128.Value().minimum, 0);
    EXPECT_EQ(Root().fixed_length.gs1_128.Value().minimum, 0);
}

}  // namespace
