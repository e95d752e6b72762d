// Menu labels through scanner-sim scan: what they change is there on the same board at
// the next start, and nothing reaches the host.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/menu_label.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class SimMenu : public sim_test::SimProgramTest {
protected:
    std::string image(std::string const& name, support::Rendering const& rendering)
    {
        EXPECT_TRUE(rendering.symbol.ok) << rendering.symbol.error;
        std::string const path = (directory_ / name).string();
        EXPECT_TRUE(support::writePng(path, rendering.frame, support::FileDepth::Bits8));
        return path;
    }

    // A Code 39 menu label of the characters between its space start and stop.
    std::string menu(std::string const& name, std::string const& inner, support::RenderOptions options = {})
    {
        if (options.moduleSize == support::RenderOptions{}.moduleSize) {
            options.moduleSize = 2.0;
        }
        return image(name, support::renderMenuLabel(inner, options));
    }

    // A 2D menu label: the command text between the header and the trailer, as Code 128
    // or printed as a QR Code.
    std::string menu2D(std::string const& name, std::string const& command, int symbology = BARCODE_CODE128)
    {
        std::string const data = "@MENU_IVRA@ZZ@" + command + "@ZZ@ARVI_UNEM@";
        if (symbology == BARCODE_QRCODE) {
            return image(name, support::render({.symbology = symbology, .data = data}, {.moduleSize = 3.0}));
        }
        return image(name, support::render({.symbology = symbology, .data = data, .height = 15},
                                           {.moduleSize = 1.3}));
    }

    std::string gs1Label()
    {
        return image("gs1.png", support::render({.symbology = BARCODE_GS1_128,
                                                 .data = "[01]09501101530003[3103]001250[10]AB",
                                                 .inputMode = GS1_MODE},
                                                {.moduleSize = 1.2}));
    }
};

// What a menu session sets is there at the next start without a saving command: the
// toggle that closes the session, and a 2D menu label, end it with "Z2", which keeps it.
TEST_F(SimMenu, MenuSessionsAndQrMenuLabelsKeepWhatTheySetForTheNextStart)
{
    std::string const gs1 = gs1Label();
    std::vector<std::string> const session = {menu("open.png", "ZZ"), menu("mode2.png", "X/2"),
                                              menu("close.png", "ZZ")};
    EXPECT_EQ(run("scan", session), std::pair(std::string("\n\n\n"), 1));
    EXPECT_EQ(run("scan", {gs1}), std::pair(std::string("(01)09501101530003(3103)001250(10)AB\n"), 0));

    // Printed as QR, never host data; each '@' piece is a command.
    EXPECT_EQ(run("scan", {menu2D("qr.png", "X/3@X/F", BARCODE_QRCODE)}), std::pair(std::string("\n"), 1));
    EXPECT_EQ(run("scan", {gs1}), std::pair(std::string("09501101530003001.250AB\n"), 0));
}

TEST_F(SimMenu, AMenuSessionSwitchesTheInterfaceAndA2DLabelStoresItWithAFactoryLine)
{
    std::vector<std::string> const images = {
        menu("open.png", "ZZ"),       menu("factory.png", "J.V", {.angle = 30}), menu("usb.png", "C01"),
        menu("close.png", "ZZ"),      menu2D("efy.png", "EFY@'ABCDE'"),
    };
    // Menu labels are not host data: nothing is printed, and no read counts as good.
    EXPECT_EQ(run("scan", images), std::pair(std::string("\n\n\n\n\n"), 1));
    EXPECT_EQ(run("command", {"[EFZ", "Z3", "[ED8"}),
              std::pair(std::string("ABCDE<CR><ACK>\nVersion:   SCAN0101<CR>Interface: USB-COM<CR><ACK>\nU<CR><ACK>\n"),
                        0));
}

TEST_F(SimMenu, BrokenAndStrayMenuLabelsChangeNothing)
{
    std::vector<std::string> const images = {
        menu("stray.png", "J.V"),           // a fragment outside menu mode
        menu("unmarked.png", "+-ABCDEF"),   // a whole command without its closing marks
        menu("address.png", "12345G"),      // no hex digit
        menu2D("control.png", "EFY@'A\x7f" "BCDE'"),
    };
    // Each is read, as the menu form or as the Code 128 that carries it.
    std::string const decoded = run("decode", images).first;
    for (char const* read : {"\t2\t]X0\t", "\t4\t]C0\t"}) {
        EXPECT_NE(decoded.find(read), std::string::npos) << decoded;
    }
    EXPECT_EQ(decoded.find("\t-"), std::string::npos) << decoded;
    EXPECT_EQ(run("scan", images), std::pair(std::string("\n\n\n\n"), 1));
    EXPECT_EQ(run("command", {"[ED8", "[EFZ"}), std::pair(std::string("U<CR><ACK>\nNone<CR><ACK>\n"), 0));
}

} // namespace
