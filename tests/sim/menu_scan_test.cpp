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

    // A 2D menu label: the command text between the header and the trailer, as Code 128.
    std::string menu2D(std::string const& name, std::string const& command)
    {
        std::string const data = "@MENU_IVRA@ZZ@" + command + "@ZZ@ARVI_UNEM@";
        return image(name, support::render({.symbology = BARCODE_CODE128, .data = data, .height = 15},
                                           {.moduleSize = 1.3}));
    }
};

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
