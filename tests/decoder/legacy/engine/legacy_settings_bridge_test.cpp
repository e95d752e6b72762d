// The legacy engine reads its settings through the process-wide decoder
// handle and its property table, at every call.
#include <gtest/gtest.h>

#include "config/common_property_reference.h"
#include "config/key_tree.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/legacy/engine/legacy_settings_bridge.h"

namespace {

TEST(LegacySettingsBridgeTest, SettingsAreReadThroughTheHandleAtEveryCall)
{
    auto& root = ivra_configuration::CommonPropertyReference::RootHandle();
    static DEC2DIvra::DEC2DProperty property;
    DEC2D_SetDec2DProperty(&property);
    ASSERT_NE(DEC2D_GetSingletonDecoderHandle(), nullptr);

    for (bool on : {true, false, true}) {
        root.string.ignore_eci_protocol.enable.Set(on);
        EXPECT_EQ(GetIgnoreECIProtocol(), on ? 1 : 0);
        root.read.maxi_code.Set(on);
        EXPECT_EQ(GetMaxiEnable(), on ? 1 : 0);
        root.read.aztec_runes.Set(!on);
        EXPECT_EQ(GetAztecRunesEnable(), on ? 0 : 1);
    }

    // The length rule: a list admits only its lengths; otherwise minimum and
    // maximum, 65535 meaning none.
    ivra_configuration::FixedLength length{};
    length.count = 2;
    length.lengths[0] = 12;
    length.lengths[1] = 20;
    length.maximum = ivra_configuration::FixedLength::kNoMaximum;
    root.fixed_length.maxi_code.Set(length);
    EXPECT_EQ(CheckMaxiLength(12), 1);
    EXPECT_EQ(CheckMaxiLength(20), 1);
    EXPECT_EQ(CheckMaxiLength(13), 0);
    length = {};
    length.minimum = 5;
    length.maximum = 5;
    root.fixed_length.chinese_sensible_code.Set(length);
    EXPECT_EQ(CheckChineseSensibleLength(5), 1);
    EXPECT_EQ(CheckChineseSensibleLength(4), 0);
    EXPECT_EQ(CheckChineseSensibleLength(6), 0);
    length.minimum = 0;
    length.maximum = ivra_configuration::FixedLength::kNoMaximum;
    root.fixed_length.chinese_sensible_code.Set(length);
    EXPECT_EQ(CheckChineseSensibleLength(0), 1);
    EXPECT_EQ(CheckChineseSensibleLength(9000), 1);
}

}  // namespace
