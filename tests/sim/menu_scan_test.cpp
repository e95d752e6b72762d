// Menu labels through scanner-sim scan: what they change is there on the same board at
// the next start, and nothing reaches the host.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/menu_label.h"

#include <gtest/gtest.h>

#include <future>
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
    // Two boards side by side: each keeps what its own labels set.
    auto scan = [this](std::string const& board, std::string const& line) {
        std::vector<std::string> const images = {
            menu(board + "open.png", "ZZ"), menu(board + "factory.png", "J.V", {.angle = 30}),
            menu(board + "usb.png", "C01"), menu(board + "close.png", "ZZ"),
            menu2D(board + "efy.png", "EFY@'" + line + "'"),
        };
        return std::async(std::launch::async, [this, images, board] { return run("scan", images, board); });
    };
    auto first = scan("one", "ABCDE");
    auto second = scan("two", "VWXYZ");
    // Menu labels are not host data: nothing is printed, and no read counts as good.
    EXPECT_EQ(first.get(), std::pair(std::string("\n\n\n\n\n"), 1));
    EXPECT_EQ(second.get(), std::pair(std::string("\n\n\n\n\n"), 1));
    for (auto const& [board, line] : {std::pair("one", "ABCDE"), std::pair("two", "VWXYZ")}) {
        EXPECT_EQ(run("command", {"[EFZ", "Z3", "[ED8"}, board),
                  std::pair(std::string(line) +
                                "<CR><ACK>\nVersion:   SCAN0101<CR>Interface: USB-COM<CR><ACK>\nU<CR><ACK>\n",
                            0))
            << board;
    }
}

// Each command of the command tables read from a menu label: what it changed, asked on
// the same board at the next start, or what it answered, which goes to the host.
struct MenuCommandCase {
    int board;             // rows of a board are read in one scan, in order
    int label;             // rows of a label are one 2D label, or one Code 39 menu session
    int carrier;           // 0: Code 39 menu labels; else zint's symbology of the 2D label
    char const* command;   // the label's text for the command
    std::string host;      // what reaches the host
    std::vector<std::string> query; // commands on the same board afterwards (none: no visible effect)
    char const* answer;    // their replies, a line each
};

TEST_F(SimMenu, EveryTableCommandReadFromAMenuLabelDoesWhatItNames)
{
    constexpr int kMenu39 = 0;
    constexpr int kQr = BARCODE_QRCODE;
    constexpr int kCode128 = BARCODE_CODE128;
    std::string const printable = sim_test::PrintableAnswer();
    std::string const controls = sim_test::ControlAnswer();
    std::vector<MenuCommandCase> const cases = {
        // Board 0: what the commands set and keep.
        {0, 0, kMenu39, "J.V", "", {"[ED8"}, "U<CR><ACK>\n"}, // the closing save leaves factory mode
        {0, 0, kMenu39, "C01", "", {"Z3"}, "Version:   SCAN0101<CR>Interface: USB-COM<CR><ACK>\n"},
        {0, 1, kQr, "J.V", "", {}, ""},
        {0, 1, kQr, "EFY@'LINE-ONE'", "", {"[EFZ"}, "LINE-ONE<CR><ACK>\n"},
        {0, 1, kQr, "EH1@Q0@Q3@EH2@'LINE-THREE'", "", {"[J.V", "[EH1Q0Q3", "[EH3"},
         "<ACK>\n<ACK>\nLINE-THREE<CR><ACK>\n"},
        {0, 1, kQr, "F3C@F3D@Q0@Q1", "", {}, ""}, // no effect of their own
        {0, 1, kQr, "F3I@'LINE-ZERO'", "", {"[F3G"},
         "Configuration: SIMMODEL*901010X<CR>Command Line:  LINE-ZERO<CR><ACK>\n"},
        {0, 1, kQr, "SS:@'SN-0042'", "", {"[EFKQ5"}, "SN-0042<CR><ACK>\n"},
        {0, 1, kQr, "}SIMMODEL*901010X", "", {"[EFKQ0"}, "SIMMODEL<CR><ACK>\n"},
        {0, 2, kCode128, "BAQ@BAP", "", {}, ""}, // no custom default is connected
        // Board 1: the answers, typed out on the model's host port.
        {1, 3, kQr, "Z1", "SCAN0101<CR>", {}, ""},
        {1, 3, kQr, "Z3", "Version:   SCAN0101<CR>Interface: UART<CR>", {}, ""},
        {1, 3, kQr, "ZA", printable, {}, ""},
        {1, 3, kQr, "YV", controls, {}, ""},
        {1, 3, kQr, "EFK@Q0@EFK@Q1@EFK@Q2@EFK@Q3", "<CR>SCAN0101<CR>UART<CR>SR<CR>", {}, ""},
        {1, 3, kQr, "EFK@Q4@EFK@Q5", "12c000815a4b3c2d0e1f2a3b4c5d6e7f<CR>no serial<CR>", {}, ""},
        {1, 4, kQr, "A", "<ACK>", {}, ""},
        {1, 5, kCode128, "B", "", {}, ""},
        // Written straight to the port, ahead of replies still queued: alone in their label.
        {1, 6, kQr, "FEL@ZW", "<ACK>", {}, ""},
        {1, 6, kQr, "DE6@DE0@DE1",
         ";Trim(   0,   0, 639, 479) Sub(1,1) Bp 8 Jq 75 FfJPEG TrPART Fl(0,0) Re0<CR>OK Capture<CR>OK Capture<CR>",
         {}, ""},
    };
    for (int board = 0; board < 2; ++board) {
        std::vector<std::string> images;
        std::string host;
        std::vector<std::string> queries;
        std::string answers;
        for (std::size_t i = 0; i < cases.size();) {
            if (cases[i].board != board) {
                ++i;
                continue;
            }
            MenuCommandCase const& first = cases[i];
            std::string text;
            std::vector<std::string> fragments;
            for (; i < cases.size() && cases[i].label == first.label; ++i) {
                text += (text.empty() ? "" : "@") + std::string(cases[i].command);
                fragments.push_back(cases[i].command);
                host += cases[i].host;
                queries.insert(queries.end(), cases[i].query.begin(), cases[i].query.end());
                answers += cases[i].answer;
            }
            std::string const name = std::to_string(first.label);
            if (first.carrier == kMenu39) {
                images.push_back(menu(name + "open.png", "ZZ"));
                for (std::size_t f = 0; f < fragments.size(); ++f) {
                    images.push_back(menu(name + "-" + std::to_string(f) + ".png", fragments[f]));
                }
                images.push_back(menu(name + "close.png", "ZZ"));
                host += std::string(fragments.size() + 1, '\n');
            } else {
                images.push_back(menu2D(name + ".png", text, first.carrier));
            }
            host += '\n';
        }
        std::string const boardName = "board" + std::to_string(board);
        EXPECT_EQ(run("scan", images, boardName).first, host) << boardName;
        if (!queries.empty()) {
            EXPECT_EQ(run("command", queries, boardName).first, answers) << boardName;
        }
    }
}

// A 2D label may carry a text command: it runs, but the evaluator's ACK or NAK for it is no
// host data, whether the command was taken or refused.
TEST_F(SimMenu, TextCommandsOfA2DLabelRunWithoutAnAnswerToTheHost)
{
    std::vector<std::string> const images = {
        menu2D("code128.png", "\"set read/code128:false\"", BARCODE_QRCODE),
        menu2D("getread.png", "get_read", BARCODE_QRCODE), // no such action: refused
    };
    EXPECT_EQ(run("scan", images), std::pair(std::string("\n\n"), 1));
    EXPECT_EQ(run("command", {"get read/code128"}), std::pair(std::string("false<CR>\n"), 0));
    // The defaults restored, and kept by the closing "Z2".
    EXPECT_EQ(run("scan", {menu2D("default.png", "set_default", BARCODE_QRCODE)}), std::pair(std::string("\n"), 1));
    EXPECT_EQ(run("command", {"get read/code128"}), std::pair(std::string("true<CR>\n"), 0));
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
