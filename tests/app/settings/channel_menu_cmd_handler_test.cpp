// The command handler's token rules, with a parameter object that records what
// reaches it. Runs on an unnamed thread, so nothing is answered on a channel.
#include "app/settings/menu_cmd_handler.h"
#include "app/settings/parameter_object.h"
#include "config/configuration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::uint32_t code(char const* text)
{
    std::uint32_t v = 0;
    for (; *text != '\0'; ++text) {
        v = (v << 8) | static_cast<unsigned char>(*text);
    }
    return v;
}

class Recorder final : public ParameterObject {
public:
    Recorder() : ParameterObject("recorder", ParameterIdentifier::Unused, kTable) {}

    int ExecuteCommand(unsigned c, std::vector<char> params, ivra_configuration::InputStream&,
                       ivra_configuration::OutputStream&) override
    {
        std::string name = "<program>";
        if (c != kProgramTokenCode) {
            for (name.clear(); c != 0; c >>= 8) {
                name.insert(name.begin(), static_cast<char>(c & 0xFF));
            }
        }
        log.push_back(name + std::string(params.begin(), params.end()));
        return name == "ZR" ? kRefused : kDone;
    }

    // "ZG" takes any token but a number as its own parameter.
    int SetParameter(unsigned c, char const* text, unsigned length, ivra_configuration::InputStream&,
                     ivra_configuration::OutputStream&) override
    {
        if (c != code("ZG") || length == 0 || text[0] == 'Q') {
            return -1;
        }
        log.push_back("set:" + std::string(text, length));
        return kParameterTaken;
    }

    std::vector<std::string> log;

private:
    static constexpr MenuCommandItem kTable[] = {
        {code("ZT"), 0, 0, {0, 0}},  {code("ZR"), 0, 0, {0, 0}},      {code("ZP"), 2, 2, {0, 0}},
        {code("ZG"), 1, 1, {0, 0}},  {code("SS:"), 1, 99, {0, 0}},    {kProgramTokenCode, 8, 8, {0, 0}},
        {0, 0, 0, {0, 0}},
    };
};

class ChannelMenuCmdHandler : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(run(std::string(1, '\0'))); }

    bool run(std::string const& token)
    {
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        ivra_configuration::MemoryInputStream in("");
        return handler().Execute(token.data(), static_cast<unsigned>(token.size()), in, out_);
    }

    static MenuCmdHandler& handler() { return MenuCmdHandler::getInstance(); }

    Recorder recorder_;
    ivra_configuration::StringOutputStream out_;
};

TEST_F(ChannelMenuCmdHandler, TokensReachTheParameterObjectsAsCodesAndParameters)
{
    struct Case {
        char const* what;
        std::vector<std::string> tokens;
        std::vector<bool> results;
        std::vector<std::string> log;
    };
    Case const cases[] = {
        {"a code that runs at once", {"ZT"}, {true}, {"ZT"}},
        {"numbers collected until the count fits", {"ZP", "Q1", "Q2"}, {true, true, true}, {"ZPQ1Q2"}},
        {"a number after a finished command is not taken", {"ZP", "Q1", "Q2", "Q3"}, {true, true, true, false},
         {"ZPQ1Q2"}},
        {"a number without a command", {"Q5"}, {false}, {}},
        {"a length prefix is dropped, a quoted text is one parameter", {"[SS:", "'ABC123'"}, {true, true},
         {"SS:'ABC123'"}},
        {"the program token", {"}ABCDEFGH*IJKLMNO"}, {true}, {"<program>ABCDEFGH*IJKLMNO"}},
        {"a NUL clears the pending command", {"ZP", "Q1", std::string(1, '\0'), "Q2"}, {true, true, true, false},
         {}},
        {"an unknown code", {"XY"}, {false}, {}},
        {"a refusal", {"ZR"}, {false}, {"ZR"}},
        {"a waiting object takes its own parameter first", {"ZG", "[XYZ", "Q7"}, {true, true, true},
         {"set:XYZ", "ZGQ7"}},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(run(std::string(1, '\0')));
        recorder_.log.clear();
        std::vector<bool> results;
        for (auto const& token : c.tokens) {
            results.push_back(run(token));
        }
        EXPECT_EQ(results, c.results);
        EXPECT_EQ(recorder_.log, c.log);
    }
    EXPECT_TRUE(out_.Text().empty()); // no channel: no answer
}

TEST_F(ChannelMenuCmdHandler, EndlessParametersDropTheCommand)
{
    // Five parameters for a command of two: a quoted text is the whole parameter, so
    // no later token could make it fit, and the command is refused at once.
    ASSERT_TRUE(run("ZP"));
    EXPECT_FALSE(run("'ABCDEFGH'"));
    EXPECT_EQ(handler().currentCode(), 0u);
    // Digits after it find no command to pile up on.
    int taken = 0;
    while (taken < 10000 && run("Q1")) {
        ++taken;
    }
    EXPECT_LT(taken, 10000);
    EXPECT_EQ(handler().currentCode(), 0u);
    EXPECT_TRUE(handler().parameters().empty());

    ASSERT_TRUE(run("ZP"));
    EXPECT_FALSE(run("'" + std::string(MenuCmdHandler::kMaxParameterBytes, 'x') + "'"));
    EXPECT_TRUE(run("ZT"));
    EXPECT_EQ(recorder_.log, (std::vector<std::string>{"ZT"}));
}

TEST_F(ChannelMenuCmdHandler, SaveAndLoadReportWhatTheirCallbacksDid)
{
    auto command = [](char const* text) {
        ivra_configuration::MemoryInputStream in(text);
        ivra_configuration::StringOutputStream out;
        ivra_configuration::Evaluate(in, out);
        return out.Text();
    };
    bool result = true;
    int calls = 0;
    auto callback = [&] { ++calls; return result; };
    handler().setLoadSavePropertiesCallback(callback, callback);
    EXPECT_EQ(command("\x1bsave\r\x1bload\r"), "\x06\x06");
    result = false;
    EXPECT_EQ(command("\x1bsave\r\x1bload\r"), "\x15\x15");
    EXPECT_EQ(calls, 4);
    // Without callbacks nothing was saved, and that is no success.
    handler().setLoadSavePropertiesCallback({}, {});
    EXPECT_EQ(command("\x1bsave\r\x1bload\r"), "\x15\x15");
}

} // namespace
