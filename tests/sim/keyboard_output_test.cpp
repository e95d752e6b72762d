// The USB keyboard on the simulated board, read back by a host with the same layout:
// labels typed in every layout, the lock-key framing, pacing, and a gadget that fails.
#include "app/host/usb_hid_keyboard.h"
#include "config/configuration.h"
#include "config/memory_stream.h"
#include "platform/sim/board.h"
#include "sim/keyboard_host.h"
#include "sim/run_mode.h"
#include "tests/platform/board_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Report = std::array<std::uint8_t, 8>;

std::string command(std::string const& text)
{
    std::string const line = "\x1b" + text + "\r";
    ivra_configuration::MemoryInputStream in(line);
    ivra_configuration::StringOutputStream out;
    ivra_configuration::Evaluate(in, out);
    return out.Text();
}

std::u32string fromUtf8(std::string const& text)
{
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        auto const lead = static_cast<unsigned char>(text[i]);
        int const extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        out += c;
        i += 1 + extra;
    }
    return out;
}

class KeyboardOutput : public platform_test::BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        keyboard_ = std::make_unique<UsbHidKeyboard>();
    }
    void TearDown() override
    {
        keyboard_.reset();
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        EXPECT_TRUE(ivra_configuration::SetDefault());
        BoardTest::TearDown();
    }

    std::vector<Report> typeAndWait(std::u32string const& text)
    {
        board().keyboard().clearReports();
        for (char32_t c : text) {
            keyboard_->write(c);
        }
        return drained();
    }

    // The reports the host got once the sender has emptied its queue.
    std::vector<Report> drained()
    {
        for (int i = 0; i < 500 && keyboard_->pending() != 0; ++i) {
            std::this_thread::sleep_for(2ms);
        }
        std::this_thread::sleep_for(20ms);
        std::vector<Report> reports;
        for (auto const& record : board().keyboard().reports()) {
            reports.push_back(record.bytes);
        }
        return reports;
    }

    std::string typed(int language, std::u32string const& text)
    {
        return scanner_sim::typedText(language, typeAndWait(text));
    }

    std::unique_ptr<UsbHidKeyboard> keyboard_;
};

struct LayoutCase {
    char const* setting;
    int language;
    char const* name;
    char const* letters; // the national letters the layout has keys or dead keys for
};

constexpr char kAscii[] = " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";

TEST_F(KeyboardOutput, EveryLayoutTypesAsciiAndLatinOneLettersAsTheLabelHasThem)
{
    LayoutCase const cases[] = {
        {"USA", 1, "US 0409", ""},
        {"UK", 2, "UK 0809", "£éúíóáÉÚÍÓÁ¬¦€"},
        {"FRENCH", 3, "French 040C", "éèçàùâêîôûäëïöüÿÂÊÎÔÛÄËÏÖÜ²°£µ§¤€ñÑãÃõÕ"},
        {"GERMAN", 4, "German 0407", "äöüÄÖÜß°§²³µ€âêîôûáéíóúýàèìòùÂÊÎÔÛÁÉÍÓÚÝÀÈÌÒÙ"},
        {"ITALIAN", 5, "Italian 0410", "àèéìòùç£§°€"},
        {"DUTCH", 12, "Dutch 0413", "áéíóúýàèìòùäëïöüÿâêîôûãõñçÇ§°±¹²³¼½¾£€¶ß«»¢µ·¬¦"},
    };
    // Characters no layout has a key for come as Alt codes in Windows-1252.
    std::string const others = "ÅåÆæØøÞþÐð¿¡©®";
    for (auto const& layout : cases) {
        SCOPED_TRACE(layout.setting);
        ASSERT_EQ(command(std::string("set interface/usb_hid/keyboard/language:\"") + layout.setting + "\""), "\x06");
        EXPECT_EQ(keyboard_->keyboardName(), layout.name);
        std::string const label = std::string(kAscii) + layout.letters + others + "\r";
        EXPECT_EQ(typed(layout.language, fromUtf8(label)), label);
        // The host's lock states are put back after each batch.
        EXPECT_EQ(board().keyboard().hostLeds(), 0);
    }
}

TEST_F(KeyboardOutput, CapsLockIsOffWhileTypingAndOnAgainAfterwards)
{
    // Num Lock and Caps Lock on, told again until the keyboard's listener has it.
    for (int i = 0; i < 200 && !keyboard_->isCapsLockOn(); ++i) {
        board().keyboard().setHostLeds(0x03);
        std::this_thread::sleep_for(5ms);
    }
    std::vector<Report> const reports = typeAndWait(U"aB1");
    scanner_sim::KeyboardHost host(1);
    host.setLocks(true, true);
    for (auto const& report : reports) {
        host.receive(report);
    }
    EXPECT_EQ(host.utf8(), "aB1");
    EXPECT_TRUE(host.capsLock());
    ASSERT_GE(reports.size(), 4u);
    EXPECT_EQ(reports.front(), (Report{0x02, 0, 0x39, 0, 0, 0, 0, 0}));
    EXPECT_EQ(reports[reports.size() - 2], (Report{0, 0, 0x39, 0, 0, 0, 0, 0}));
    EXPECT_EQ(board().keyboard().hostLeds(), 0x03);
}

TEST_F(KeyboardOutput, ControlCharactersAsCtrlKeysOrAsDirectKeys)
{
    EXPECT_EQ(typed(1, U"A\tB\r"), "A\tB\r");
    std::vector<Report> reports = typeAndWait(U"\r");
    EXPECT_NE(std::find(reports.begin(), reports.end(), Report{0x01, 0, 0x10, 0, 0, 0, 0, 0}), reports.end());
    ASSERT_EQ(command("set interface/usb_hid/direct_key_input/enable:true"), "\x06");
    reports = typeAndWait(U"\r");
    EXPECT_NE(std::find(reports.begin(), reports.end(), Report{0, 0, 0x28, 0, 0, 0, 0, 0}), reports.end());
    EXPECT_EQ(scanner_sim::typedText(1, reports), "\r");
}

TEST_F(KeyboardOutput, AlternativeFormsForCharactersWithoutAKey)
{
    struct Case {
        char const* mode;
        char const* expected; // what the host types for "€ é"
    } const cases[] = {
        {"ALL_VALUE", "€ é"},
        {"MULTI_BYTE_ALTN", "€ é"},
        {"MULTI_BYTE_ALTL", "€ é"},
        {"MULTI_BYTE_ALTN_HEX", "€ é"},
        {"ONLY_ASCII", " "},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_EQ(command(std::string("set interface/usb_hid/upper_ascii_output/mode:\"") + c.mode + "\""), "\x06");
        EXPECT_EQ(typed(1, U"€ é"), c.expected);
    }
}

TEST_F(KeyboardOutput, PausesAndInterCharacterDelayPaceTheReports)
{
    ASSERT_EQ(command("set interface/usb_hid/inter_character_delay/time:30"), "\x06");
    board().keyboard().clearReports();
    keyboard_->write('a');
    keyboard_->write(0xE105); // 50 ms, nothing written
    keyboard_->write('b');
    ASSERT_TRUE(board().keyboard().waitForReports(8, 2s));
    std::this_thread::sleep_for(50ms);
    auto const records = board().keyboard().reports();
    std::vector<Report> typedReports;
    for (auto const& record : records) {
        if (record.bytes[2] == 0x05) {
            auto const bPressed = record.time;
            // "a" released, 30 ms, pause 50 ms (its own release adds 30 ms), then "b".
            auto const aReleased = std::find_if(records.begin(), records.end(), [](auto const& r) {
                return r.bytes == Report{};
            })->time;
            EXPECT_GE(bPressed - aReleased, 100ms);
        }
        typedReports.push_back(record.bytes);
    }
    EXPECT_EQ(scanner_sim::typedText(1, typedReports), "ab");
}

TEST_F(KeyboardOutput, ALanguageWithoutLayoutIsRefusedAndTheLayoutStays)
{
    ASSERT_EQ(command("set interface/usb_hid/keyboard/language:\"GERMAN\""), "\x06");
    EXPECT_NE(command("set interface/usb_hid/keyboard/language:\"SPANISH\""), "\x06");
    EXPECT_EQ(keyboard_->keyboardName(), "German 0407");
    EXPECT_EQ(typed(4, U"yz"), "yz");
}

TEST_F(KeyboardOutput, AGadgetThatIsGoneKeepsTheReportsUntilItIsBack)
{
    ASSERT_TRUE(board().removeDevice("/dev/hidg0"));
    board().keyboard().clearReports();
    for (char32_t c : std::u32string(U"kept")) {
        keyboard_->write(c);
    }
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(board().keyboard().reports().empty());
    EXPECT_GT(keyboard_->pending(), 0u);
    ASSERT_TRUE(board().restoreDevice("/dev/hidg0"));
    ASSERT_TRUE(board().keyboard().waitForReports(8, 3s));
    EXPECT_EQ(scanner_sim::typedText(1, drained()), "kept");
}

TEST_F(KeyboardOutput, RunModeShowsTheReportsAndWhatTheyTyped)
{
    // The sender may split the label into batches (each tapping Num Lock around it) when
    // the second character comes after the first has gone out; the console shows
    // whatever the host got, in order.
    std::vector<Report> const reports = typeAndWait(U"Hi");
    ASSERT_GE(reports.size(), 8u);
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    std::fputs("keyboard\nkeyboard\nquit\n", in);
    std::rewind(in);
    EXPECT_EQ(scanner_sim::runConsole(in, err, out), 0);
    std::rewind(out);
    std::string shown;
    for (int c; (c = std::fgetc(out)) != EOF;) {
        shown.push_back(static_cast<char>(c));
    }
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    std::string expected;
    for (Report const& report : reports) {
        expected += "report:";
        for (std::uint8_t byte : report) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", byte);
            expected += hex;
        }
        expected += "\n";
    }
    // Num Lock tapped first, then Shift+H and its release; then nothing new.
    EXPECT_EQ(expected.substr(0, 96), "report: 00 00 53 00 00 00 00 00\nreport: 00 00 00 00 00 00 00 00\n"
                                      "report: 02 00 0B 00 00 00 00 00\n");
    EXPECT_EQ(shown, expected + "typed: Hi\ntyped: \n");
}

} // namespace
