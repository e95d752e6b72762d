// The legacy engine reads its settings through the process-wide decoder
// handle and its property table, at every call.
#include <gtest/gtest.h>

#include "config/common_property_reference.h"
#include "config/key_tree.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/legacy/engine/legacy_engine_switches.h"
#include "decoder/legacy/engine/legacy_settings_bridge.h"

namespace {

// Puts a setting back as the test found it: the settings live in the
// process-wide store, which every later test of this binary reads.
template <class T>
class Restore {
public:
    explicit Restore(ivra_configuration::ValueHandle<T> const& key) : key_(key), kept_(key.Value()) {}
    ~Restore() { key_.Set(kept_); }
    Restore(Restore const&) = delete;
    Restore& operator=(Restore const&) = delete;

private:
    ivra_configuration::ValueHandle<T> const& key_;
    T kept_;
};

TEST(LegacySettingsBridgeTest, SettingsAreReadThroughTheHandleAtEveryCall)
{
    auto& root = ivra_configuration::CommonPropertyReference::RootHandle();
    static DEC2DIvra::DEC2DProperty property;
    DEC2D_SetDec2DProperty(&property);
    ASSERT_NE(DEC2D_GetSingletonDecoderHandle(), nullptr);
    Restore<bool> const eci(root.string.ignore_eci_protocol.enable);
    Restore<bool> const maxi(root.read.maxi_code);
    Restore<bool> const runes(root.read.aztec_runes);
    Restore<ivra_configuration::FixedLength> const maxiLength(root.fixed_length.maxi_code);
    Restore<ivra_configuration::FixedLength> const hanXinLength(root.fixed_length.chinese_sensible_code);

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

TEST(LegacySettingsBridgeTest, SettingsOfOtherSymbologiesAndTheEngineSwitches)
{
    auto& root = ivra_configuration::CommonPropertyReference::RootHandle();
    static DEC2DIvra::DEC2DProperty property;
    DEC2D_SetDec2DProperty(&property);
    Restore<bool> const keptEnables[] = {
        Restore<bool>(root.read.data_matrix), Restore<bool>(root.read.data_matrix_ecc000_140),
        Restore<bool>(root.read.pdf417), Restore<bool>(root.read.micro_pdf417),
        Restore<bool>(root.readable_medium.output_bad_read.enable)};
    using Kept = Restore<ivra_configuration::FixedLength>;
    Kept const keptLengths[] = {Kept(root.fixed_length.data_matrix), Kept(root.fixed_length.pdf417),
                                Kept(root.fixed_length.micro_pdf417), Kept(root.fixed_length.aztec_code),
                                Kept(root.fixed_length.qr_code)};

    // Each getter reads its own key: turning one on leaves the others off.
    struct Enable {
        ivra_configuration::ValueHandle<bool> const* key;
        int (*get)();
    };
    Enable const enables[] = {
        {&root.read.data_matrix, GetDataMatrixEcc200Enable},
        {&root.read.data_matrix_ecc000_140, GetDataMatrixEcc000Enable},
        {&root.read.pdf417, GetPDF417Enable},
        {&root.read.micro_pdf417, GetMicroPDF417Enable},
        {&root.readable_medium.output_bad_read.enable, GetEnableBadRead},
    };
    for (Enable const& on : enables) {
        for (Enable const& e : enables) {
            e.key->Set(&e == &on);
        }
        for (Enable const& e : enables) {
            EXPECT_EQ(e.get(), &e == &on ? 1 : 0) << &on - enables << " " << &e - enables;
        }
    }

    // Lengths {12, 20} on one symbology at a time; the others admit anything.
    struct Length {
        ivra_configuration::ValueHandle<ivra_configuration::FixedLength> const* key;
        int (*check)(unsigned);
    };
    Length const lengths[] = {
        {&root.fixed_length.data_matrix, CheckDataMatrixLength},
        {&root.fixed_length.pdf417, CheckPDF417Length},
        {&root.fixed_length.micro_pdf417, CheckMicroPDF417Length},
        {&root.fixed_length.aztec_code, CheckAztecLength},
        {&root.fixed_length.qr_code, CheckQRLength},
    };
    ivra_configuration::FixedLength open{};
    open.maximum = ivra_configuration::FixedLength::kNoMaximum;
    ivra_configuration::FixedLength listed = open;
    listed.count = 2;
    listed.lengths[0] = 12;
    listed.lengths[1] = 20;
    for (Length const& set : lengths) {
        for (Length const& l : lengths) {
            l.key->Set(&l == &set ? listed : open);
        }
        for (Length const& l : lengths) {
            bool const restricted = &l == &set;
            EXPECT_EQ(l.check(12), 1);
            EXPECT_EQ(l.check(20), 1);
            EXPECT_EQ(l.check(13), restricted ? 0 : 1) << &set - lengths << " " << &l - lengths;
        }
    }

    // Bad-read output needs the setting and no suspension.
    struct BadRead {
        bool setting;
        int suspended, output;
    };
    for (BadRead c : {BadRead{true, 0, 1}, BadRead{true, 1, 0}, BadRead{false, 0, 0}, BadRead{false, 1, 0}}) {
        root.readable_medium.output_bad_read.enable.Set(c.setting);
        SetSuspendOutputBadRead(c.suspended);
        EXPECT_EQ(IsOutputBadRead(), c.output) << c.setting << c.suspended;
    }
    SetSuspendOutputBadRead(0);

    struct Switch {
        void (*set)(int);
        int (*is)();
    };
    for (Switch s : {Switch{SetMenuZZEnableFlag, IsMenuZZEnable}, Switch{SetSsiMode, IsSsiMode},
                     Switch{SetCheckLengthSettingFlag, IsFixedLengthSetting}}) {
        EXPECT_EQ(s.is(), 0) << "starts off";
        s.set(7);
        EXPECT_EQ(s.is(), 1);
        s.set(0);
        EXPECT_EQ(s.is(), 0);
    }
}

}  // namespace
