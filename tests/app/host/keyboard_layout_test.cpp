// Reports of single code points, as the layouts build them, for the cases where the
// host's layout differs from the US one or a character has no key.
#include "app/host/keyboard_layouts.h"

#include "config/configuration.h"
#include "config/memory_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Reports = std::vector<KeyReport>;

constexpr KeyReport kRelease{};
KeyReport key(unsigned char modifier, unsigned char usage) { return {modifier, 0, usage, 0, 0, 0, 0, 0}; }

template <typename Layout>
Reports typed(unsigned int codepoint)
{
    Layout layout(0, "test");
    Reports reports;
    layout.write(codepoint, [&reports](KeyReport report) {
        reports.push_back(report);
        return true;
    });
    return reports;
}

std::string command(std::string const& text)
{
    std::string const line = "\x1b" + text + "\r";
    ivra_configuration::MemoryInputStream in(line);
    ivra_configuration::StringOutputStream out;
    ivra_configuration::Evaluate(in, out);
    return out.Text();
}

class KeyboardLayout : public ::testing::Test {
protected:
    void TearDown() override
    {
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        EXPECT_TRUE(ivra_configuration::SetDefault());
    }
};

TEST_F(KeyboardLayout, NationalKeysDeadKeysAndTheUsFallBack)
{
    struct Case {
        char const* what;
        Reports reports;
        Reports expected;
    } const cases[] = {
        {"German y", typed<HidDE_00000407>('y'), {key(0, 0x1D), kRelease}},
        {"German z", typed<HidDE_00000407>('z'), {key(0, 0x1C), kRelease}},
        {"German a from the US map", typed<HidDE_00000407>('a'), {key(0, 0x04), kRelease}},
        {"German e circumflex", typed<HidDE_00000407>(0xEA), {key(0, 0x35), key(0, 0x08), kRelease}},
        {"German circumflex alone", typed<HidDE_00000407>('^'), {key(0, 0x35), key(0, 0x2C), kRelease}},
        {"French 1", typed<HidFr_0000040C>('1'), {key(2, 0x1E), kRelease}},
        {"French a", typed<HidFr_0000040C>('a'), {key(0, 0x14), kRelease}},
        {"French a circumflex", typed<HidFr_0000040C>(0xE2), {key(0, 0x2F), key(0, 0x14), kRelease}},
        {"UK #", typed<HidUK_00000809>('#'), {key(0, 0x32), kRelease}},
        {"UK @", typed<HidUK_00000809>('@'), {key(2, 0x34), kRelease}},
        {"UK NUL", typed<HidUK_00000809>(0), {key(3, 0x34), kRelease}},
        {"US carriage return", typed<HidUS_00000409>('\r'), {key(1, 0x10), kRelease}},
        {"US direct Enter", typed<HidUS_00000409>(0xE0B2), {key(0, 0x28), kRelease}},
        {"Dutch euro on AltGr", typed<HidNL_00000413>(0x20AC), {key(0x40, 0x08), kRelease}},
        {"Dutch c cedilla", typed<HidNL_00000413>(0xE7), {key(0x40, 0x2E), key(0, 0x06), kRelease}},
        {"pause", typed<HidIT_00000410>(0xE1FF), {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, kRelease}},
    };
    for (auto const& c : cases) {
        EXPECT_EQ(c.reports, c.expected) << c.what;
    }
}

TEST_F(KeyboardLayout, AlternativeFormsOfACharacterWithoutAKey)
{
    KeyReport const altUp = key(4, 0);
    struct Case {
        char const* mode;
        unsigned int codepoint;
        Reports expected;
    } const cases[] = {
        // Alt held: keypad 0 2 3, the 3 let up with Alt still held, 3 again.
        {"MULTI_BYTE_ALTN", 0xE9, {key(4, 0x62), key(4, 0x5A), key(4, 0x5B), altUp, key(4, 0x5B), kRelease}},
        {"MULTI_BYTE_ALTL", 0x20AC, {key(3, 0x18), key(0, 0x5A), key(0, 0x62), key(0, 0x04), key(0, 0x06),
                                     key(0, 0x2C), kRelease}},
        {"MULTI_BYTE_ALTN_HEX", 0xE9, {key(4, 0x57), key(4, 0x62), altUp, key(4, 0x62), key(4, 0x08),
                                       key(4, 0x61), kRelease}},
        {"ONLY_ASCII", 0xE9, {kRelease}},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_EQ(command(std::string("set interface/usb_hid/upper_ascii_output/mode:\"") + c.mode + "\""), "\x06");
        EXPECT_EQ(typed<HidUS_00000409>(c.codepoint), c.expected);
    }
    // Italian has no key for "~": the alternative form even though the US map has one.
    ASSERT_EQ(command("set interface/usb_hid/upper_ascii_output/mode:\"ALL_VALUE\""), "\x06");
    EXPECT_EQ(typed<HidIT_00000410>('~'),
              (Reports{key(4, 0x62), key(4, 0x59), key(4, 0x5A), key(4, 0x5E), kRelease}));
    // A character the code page lacks has no Alt code: only the release.
    EXPECT_EQ(typed<HidUS_00000409>(0x1E9E), (Reports{kRelease}));
}

TEST_F(KeyboardLayout, MapsHoldTheirEntries)
{
    EXPECT_EQ(HidDefault::cpControlToScancode_.size(), 32u);
    EXPECT_EQ(HidDefault::cpToScanCode_.size(), 152u);
    EXPECT_EQ(HidFr_0000040C::cpDeadKey_.size(), 38u);
    EXPECT_EQ(HidFr_0000040C::cpToScanCode_.size(), 59u);
    EXPECT_EQ(HidDE_00000407::cpDeadKey_.size(), 35u);
    EXPECT_EQ(HidDE_00000407::cpToScanCode_.size(), 43u);
    EXPECT_EQ(HidIT_00000410::cpToScanCode_.size(), 36u);
    EXPECT_EQ(HidNL_00000413::cpDeadKey_.size(), 57u);
}

} // namespace
