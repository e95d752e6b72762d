#include "sim/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using scanner_sim::Mode;
using scanner_sim::Options;
using scanner_sim::Parse;

Parse parse(std::vector<char const*> args, Options& options)
{
    args.insert(args.begin(), "scanner-sim");
    std::string problem;
    Parse const result = scanner_sim::parseOptions(static_cast<int>(args.size()), args.data(), options, problem);
    if (result == Parse::Misuse) {
        EXPECT_FALSE(problem.empty());
    }
    return result;
}

TEST(SimOptions, AcceptsEachModeWithItsArguments)
{
    Options o;
    ASSERT_EQ(parse({"scan", "a.png", "b.png"}, o), Parse::Ok);
    EXPECT_EQ(o.mode, Mode::Scan);
    EXPECT_EQ(o.board, "./board");
    EXPECT_EQ(o.arguments, (std::vector<std::string>{"a.png", "b.png"}));

    ASSERT_EQ(parse({"decode", "--time", "--board", "/tmp/b", "x.pgm"}, o), Parse::Ok);
    EXPECT_EQ(o.mode, Mode::Decode);
    EXPECT_TRUE(o.time);
    EXPECT_EQ(o.board, "/tmp/b");

    ASSERT_EQ(parse({"command", "--board=dir", "get bank"}, o), Parse::Ok);
    EXPECT_EQ(o.board, "dir");
    EXPECT_EQ(o.arguments, (std::vector<std::string>{"get bank"}));

    // After "--" a text starting with "-" is an argument, as "set -f" needs.
    ASSERT_EQ(parse({"command", "--", "-f"}, o), Parse::Ok);
    EXPECT_EQ(o.arguments, (std::vector<std::string>{"-f"}));

    ASSERT_EQ(parse({"run"}, o), Parse::Ok);
    EXPECT_EQ(o.mode, Mode::Run);
}

TEST(SimOptions, RefusesMisuse)
{
    std::vector<std::vector<char const*>> const cases = {
        {},
        {"scna", "a.png"},
        {"scan"},
        {"decode", "--time"},
        {"scan", "--time", "a.png"}, // --time belongs to decode only
        {"command"},
        {"run", "extra"},
        {"run", "--board"},
        {"run", "--board="},
        {"run", "--board", "a", "--board", "b"},
        {"scan", "--colour", "a.png"},
    };
    for (auto const& args : cases) {
        Options o;
        EXPECT_EQ(parse(args, o), Parse::Misuse) << (args.empty() ? "(none)" : args[0]);
    }
}

TEST(SimOptions, HelpWins)
{
    Options o;
    EXPECT_EQ(parse({"--help"}, o), Parse::Help);
    EXPECT_EQ(parse({"scan", "-h"}, o), Parse::Help);
}

} // namespace
