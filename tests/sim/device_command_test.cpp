// Device information, one-letter and interface commands through scanner-sim command.
#include "tests/sim/sim_program_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using SimDeviceCommand = sim_test::SimProgramTest;

TEST_F(SimDeviceCommand, AnswerWithTheirTextsAndTheInterfaceAndModelRecordSurviveARestart)
{
    std::string printable;
    for (char c = 0x20; c < 0x7F; ++c) {
        printable += c;
    }
    std::string const serial = "[SS:'\\''SN-1'\\''"; // [SS:'SN-1' in the shell's single quotes
    auto const [out, status] =
        run("command", {"Z1", "Z3", "ZA", "[EFKQ0", "[EFKQ1", "[EFKQ2", "[EFKQ3", "[EFKQ4", "[EFKQ5", "A", "B",
                        "[EFKQ9", "SU", "[J.V", "SU", "}SIMMODEL*A01010X", serial, "save"});
    EXPECT_EQ(out, "SCAN0101<CR><ACK>\n"
                   "Version:   SCAN0101<CR>Interface: UART<CR><ACK>\n" +
                       printable + "<CR><ACK>\n"
                       "<CR><ACK>\n"
                       "SCAN0101<CR><ACK>\n"
                       "UART<CR><ACK>\n"
                       "SR<CR><ACK>\n"
                       "12c000815a4b3c2d0e1f2a3b4c5d6e7f<CR><ACK>\n"
                       "no serial<CR><ACK>\n"
                       "<ACK><ACK>\n<ACK>\n"
                       "<NAK>\n"                               // no digit 9
                       "<NAK>\n<ACK>\n<ACK>\n<ACK>\n<ACK>\n<ACK>\n"); // "SU" needs factory mode on a UART model
    EXPECT_EQ(status, 1);
    EXPECT_EQ(run("command", {"Z3", "[EFKQ0", "[EFKQ5", "[ED8", "SU", "U2"}),
              std::pair(std::string("Version:   SCAN0101<CR>Interface: USB-HID<CR><ACK>\n"
                                    "SIMMODEL<CR><ACK>\nSN-1<CR><ACK>\nU<CR><ACK>\n<ACK>\n<NAK>\n"),
                        1));
}

} // namespace
