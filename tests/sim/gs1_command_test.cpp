// The GS1 conversion commands that take parameters ("X/1", "X/W", "X/X", "X/Y") through
// scanner-sim command: whole without parameters, and a command refused with a parameter
// it cannot take changes nothing.
#include "tests/sim/sim_program_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using SimGs1Command = sim_test::SimProgramTest;

struct Row {
    char const* what;
    std::vector<std::string> commands;
    // Per command: its whole reply, or for a listing ("X/Z", "ED5") a part of it.
    std::vector<std::string> replies;
};

bool IsListing(std::string const& command) { return command == "[X/Z" || command.rfind("[ED5", 0) == 0; }

TEST_F(SimGs1Command, ParameterCommandsAreWholeAloneAndRefusedOnesChangeNothing)
{
    std::string const mode1Program = "\\s80\\Ax+$<CR>\\Df02<CR><ACK>";
    std::vector<Row> const rows = {
        {"FNC1 left as it is read",
         {"set gs1_conversion/enable:true", "[X/Y", "[X/Z"},
         {"<ACK>", "<ACK>", "Field Separator          = FFFF<CR>"}},
        {"output mode 1 with the default AI table", {"[X/2", "[X/1", "[ED5Q5"}, {"<ACK>", "<ACK>", mode1Program}},
        {"no data separator", {"[X/W5L", "[X/W", "[X/Z"}, {"<ACK>", "<ACK>", "Data Separator           = FFFF<CR>"}},
        {"no element separator",
         {"[X/X5L", "[X/X", "[X/Z"},
         {"<ACK>", "<ACK>", "Element String Separator = FFFF<CR>"}},
        {"a command after one without parameters",
         {"[X/W5L", "[X/W[X/3", "[X/Z"},
         {"<ACK>", "<ACK>", "Data Separator           = FFFF<CR>"}},
        {"a separator character that is none",
         {"[X/W5L", "[X/W9Z", "[X/Z"},
         {"<ACK>", "<NAK>", "Data Separator           = 2BFF<CR>"}},
        {"a third separator character",
         {"[X/X5L", "[X/X1M5LQ5", "[X/Z"},
         {"<ACK>", "<NAK>", "Element String Separator = 2BFF<CR>"}},
        {"an AI that is none",
         {"[X/1177A[2557C[25510", "[X/1ZZ", "[X/Z"},
         {"<ACK>", "<NAK>", "   0 17FF 5BFF 5DFF<CR>   1 10FF FFFF FFFF<CR>END"}},
        {"the mode of a refused X/1 is not installed",
         {"[X/2", "[X/1ZZ", "[ED5Q5"},
         {"<ACK>", "<NAK>", "\\Ax\\(\\I\\)"}}, // mode 2's program
    };
    int board = 0;
    for (Row const& row : rows) {
        SCOPED_TRACE(row.what);
        auto const [out, status] = run("command", row.commands, "board" + std::to_string(board++));
        std::vector<std::string> lines;
        std::size_t from = 0;
        for (std::size_t at; (at = out.find('\n', from)) != std::string::npos; from = at + 1) {
            lines.push_back(out.substr(from, at - from));
        }
        ASSERT_EQ(lines.size(), row.commands.size()) << out;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (IsListing(row.commands[i])) {
                EXPECT_NE(lines[i].find(row.replies[i]), std::string::npos) << row.commands[i] << ": " << lines[i];
            } else {
                EXPECT_EQ(lines[i], row.replies[i]) << row.commands[i];
            }
        }
        bool const refused = std::find(row.replies.begin(), row.replies.end(), "<NAK>") != row.replies.end();
        EXPECT_EQ(status, refused ? 1 : 0);
    }
}

// What the separator commands set is there after a restart, an emptied FNC1
// replacement included (it once came back as GS: the load puts GS there first).
TEST_F(SimGs1Command, SeparatorsAreKeptThroughASave)
{
    ASSERT_EQ(run("command", {"[X/Y", "[X/W5L", "save"}).second, 0);
    std::string const listing = run("command", {"[X/Z"}).first;
    EXPECT_NE(listing.find("Field Separator          = FFFF<CR>"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Data Separator           = 2BFF<CR>"), std::string::npos) << listing;
    ASSERT_EQ(run("command", {"[X/Y1M", "save"}).second, 0);
    std::string const again = run("command", {"[X/Z"}).first;
    EXPECT_NE(again.find("Field Separator          = 0DFF<CR>"), std::string::npos) << again;
}

} // namespace
