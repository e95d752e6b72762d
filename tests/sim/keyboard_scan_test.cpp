// scanner-sim scan on a USB keyboard model: labels read by the camera come out as the
// text a host with the chosen layout types from the keyboard reports.
#include "app/firmware_main.h"
#include "app/settings/factory_settings.h"
#include "app/settings/settings_persistence.h"
#include "platform/sim/board.h"
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class KeyboardScan : public sim_test::SimProgramTest {
protected:
    // A board the factory made a USB keyboard model.
    void keyboardModel()
    {
        ASSERT_TRUE(plat::sim::board().setBoardDirectory((directory_ / "board").string()));
        FactorySettings::getInstance().Interface(FactorySettings::kInterfaceUsbKeyboard);
        ASSERT_TRUE(SaveSettings());
        FactorySettings::getInstance().Interface(FactorySettings::kInterfaceUart);
        ASSERT_TRUE(plat::sim::board().setBoardDirectory((directory_ / "unused").string()));
    }

    std::string symbol(std::string const& name, std::string const& data, double angle)
    {
        auto rendering = support::render({.symbology = BARCODE_CODE128, .data = data},
                                         {.moduleSize = 2.0, .angle = angle});
        EXPECT_TRUE(rendering.symbol.ok) << rendering.symbol.error;
        std::string const path = (directory_ / name).string();
        EXPECT_TRUE(support::writePng(path, rendering.frame, support::FileDepth::Bits8));
        return path;
    }
};

TEST_F(KeyboardScan, TheGermanAndFrenchLayoutsTypeTheLabelIntoTheHost)
{
    keyboardModel();
    // Letters that move between layouts, shifted digits, signs on the AltGr level, and
    // Latin-1 letters (in the symbol as Latin-1 bytes): keys, dead keys and Alt codes.
    std::vector<std::string> const images = {
        symbol("mixed.png", "Zy-Qa/Wm_1@#", 0),
        symbol("signs.png", "{[|]}~\\^`<>", 30),
        symbol("german.png", "Gr\xFC\xDF" "e", 0),
        symbol("latin.png", "Zo\xEB \xF1\xD8", 0),
    };
    // The other layouts are typed the same way (tests/sim/keyboard_output_test.cpp types
    // every one of them); these two move letters, digits and signs the most.
    for (char const* language : {"GERMAN", "FRENCH"}) {
        SCOPED_TRACE(language);
        ASSERT_EQ(run("command", {std::string("set interface/usb_hid/keyboard/language:\"") + language + "\"", "save"}),
                  std::pair(std::string("<ACK>\n<ACK>\n"), 0));
        EXPECT_EQ(run("scan", images), std::pair(std::string("Zy-Qa/Wm_1@#\n{[|]}~\\^`<>\nGrüße\nZoë ñØ\n"), 0));
    }
}

// "YV" from a 2D menu label runs on the MEMORY channel, whose replies a keyboard
// model types: the control bytes 0x00-0x1F in order, without the line feed.
TEST_F(KeyboardScan, ControlBytesFromAMenuLabelAreTypedWithoutTheLineFeed)
{
    keyboardModel();
    auto rendering = support::render({.symbology = BARCODE_QRCODE, .data = "@MENU_IVRA@ZZ@YV@ZZ@ARVI_UNEM@"},
                                     {.moduleSize = 3.0});
    ASSERT_TRUE(rendering.symbol.ok) << rendering.symbol.error;
    std::string const path = (directory_ / "yv.png").string();
    ASSERT_TRUE(support::writePng(path, rendering.frame, support::FileDepth::Bits8));
    EXPECT_EQ(run("scan", {path}),
              std::pair(std::string("<NUL><SOH><STX><ETX><EOT><ENQ><ACK><BEL><BS><HT><VT><FF><CR><SO><SI><DLE><DC1>"
                                    "<DC2><DC3><DC4><NAK><SYN><ETB><CAN><EM><SUB><ESC><FS><GS><RS><US><CR>\n"),
                        0));
}

} // namespace
