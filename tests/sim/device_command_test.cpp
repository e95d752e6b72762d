// Device information, one-letter, factory and interface commands through scanner-sim command.
#include "tests/sim/sim_program_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using SimDeviceCommand = sim_test::SimProgramTest;

struct CommandReply {
    std::string command;
    std::string reply; // as printed: control bytes by name
};

// One board start runs every row in order; each reply is checked against its command.
void expectReplies(std::vector<CommandReply> const& rows, std::pair<std::string, int> const& got, int status)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = got.first.find('\n', from)) != std::string::npos; from = at + 1) {
        lines.push_back(got.first.substr(from, at - from));
    }
    ASSERT_EQ(lines.size(), rows.size()) << got.first;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(lines[i], rows[i].reply) << rows[i].command;
    }
    EXPECT_EQ(got.second, status);
}

std::vector<std::string> commandsOf(std::vector<CommandReply> const& rows)
{
    std::vector<std::string> commands;
    for (auto const& row : rows) {
        commands.push_back(row.command);
    }
    return commands;
}

TEST_F(SimDeviceCommand, AnswerWithTheirTextsAndTheInterfaceAndModelRecordSurviveARestart)
{
    std::string const printable = sim_test::PrintableAnswer();
    std::string const controls = sim_test::ControlAnswer();
    std::vector<CommandReply> const rows = {
        {"Z1", "SCAN0101<CR><ACK>"},
        {"Z3", "Version:   SCAN0101<CR>Interface: UART<CR><ACK>"},
        {"ZA", printable + "<ACK>"},
        {"YV", controls + "<ACK>"},
        {"[EFKQ0", "<CR><ACK>"}, // no model yet
        {"[EFKQ1", "SCAN0101<CR><ACK>"},
        {"[EFKQ2", "UART<CR><ACK>"},
        {"[EFKQ3", "SR<CR><ACK>"},
        {"[EFKQ4", "12c000815a4b3c2d0e1f2a3b4c5d6e7f<CR><ACK>"},
        {"[EFKQ5", "no serial<CR><ACK>"},
        {"[EFKQ9", "<NAK>"},
        {"[FEL", "<ACK>"},
        {"A", "<ACK><ACK>"},
        {"B", "<ACK>"},
        {"E", "<ACK>"},
        {"L", "<ACK>"},
        {"N", "<ACK>"},
        {"O", "<ACK>"},
        {"Z", "<ACK>"},
        {"Y", "<ACK>"},
        {"[BAP", "<ACK>"},
        {"[BAQ", "<ACK>"},
        {"[ED8", "U<CR><ACK>"},
        {"[EFZ", "None<CR><ACK>"},
        // Factory mode guards these.
        {"[EH3", "<NAK>"},
        {"[F3G", "<NAK>"},
        {"[F3C", "<NAK>"},
        {"SU", "<NAK>"}, // nor is this a keyboard model
        {"[J.V", "<ACK>"},
        {"[ED8", "F<CR><ACK>"},
        {"[F3C", "<ACK>"},
        {"[F3DQ0Q1", "<ACK>"},
        {"[EH1Q0Q5", "<NAK>"}, // lines 0 to 4
        {"[EH1Q0Q3", "<ACK>"},
        {"[EH3", "RZ7I[DLF<CR><ACK>"},
        {"[F3G", "Configuration: None<CR>Command Line:  GCW7*4[BAW<CR><ACK>"},
        {"SU", "<ACK>"},
        {"}SIMMODEL*A01010X", "<ACK>"},
        {"[SS:'SN-1'", "<ACK>"},
        {"save", "<ACK>"},
        {"[ED8", "U<CR><ACK>"}, // a save leaves factory mode
    };
    expectReplies(rows, run("command", commandsOf(rows)), 1);

    std::vector<CommandReply> const restarted = {
        {"Z3", "Version:   SCAN0101<CR>Interface: USB-HID<CR><ACK>"},
        {"[EFKQ0", "SIMMODEL<CR><ACK>"},
        {"[EFKQ2", "USB-HID<CR><ACK>"},
        {"[EFKQ5", "SN-1<CR><ACK>"},
        {"[ED8", "U<CR><ACK>"},
        {"SU", "<ACK>"},  // the model's own interface: defaults restored
        {"U2", "<NAK>"},  // another one needs factory mode
        {"[C01", "<NAK>"},
        {"[J.V", "<ACK>"},
        {"[C01", "<ACK>"},
        {"save", "<ACK>"},
    };
    expectReplies(restarted, run("command", commandsOf(restarted)), 1);
    EXPECT_EQ(run("command", {"[EFKQ2"}), std::pair(std::string("USB-COM<CR><ACK>\n"), 0));
}

// Malformed commands are refused and change nothing that is asked afterwards.
TEST_F(SimDeviceCommand, MalformedCommandsAreRefusedAndChangeNothing)
{
    std::string const overlong = "[EFY'" + std::string(300, 'L') + "'";
    std::vector<CommandReply> const rows = {
        {"[J.V", "<ACK>"},
        {overlong, "<NAK>"},
        {"[EFY'AB\xe9" "CDEFG'", "<NAK>"},       // a byte above 127
        {"[SS:'SN\xc3\xa9-2'", "<NAK>"},
        {"[EH1Q3", "<NAK>"},                     // one digit of two
        {"Q0", "<NAK>"},                         // and no later line completes it
        {"[EFK", "<NAK>"},
        {"[EH3", "GCW7*4[BAW<CR><ACK>"},         // "EH1" chose no line
        {"}SIMMODEL-A01010X", "<NAK>"},          // no '*' at its place
        {"set interface/uart/baud_rate:12345", "<NAK>"},
        {"set " + std::string(5000, 'x') + ":1", "<NAK>"},
        {"[EFZ", "None<CR><ACK>"},
        {"[EFKQ5", "no serial<CR><ACK>"},
        {"[EFKQ0", "<CR><ACK>"},
        {"get interface/uart/baud_rate", "9600<CR>"},
    };
    expectReplies(rows, run("command", commandsOf(rows)), 1);
}

} // namespace
