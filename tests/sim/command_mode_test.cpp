// scanner-sim command against the command channels running on the simulated board.
#include "sim/command_mode.h"

#include "tests/app/commands/channel_fixture.h"

#include <cstdio>

namespace {

using namespace std::chrono_literals;

TEST(SimCommand, ShowsControlBytesByName)
{
    EXPECT_EQ(scanner_sim::showControls(std::string("\x06\x15" "0\r\0\x1b\x7f{\"a\":1}\n\xc3\xa9", 17)),
              "<ACK><NAK>0<CR><NUL><ESC><DEL>{\"a\":1}<LF>\xc3\xa9");
}

class SimCommandSession : public channel_test::ChannelTest {
protected:
    // What sendCommands prints, and its status.
    std::pair<std::string, int> session(std::vector<std::string> const& texts)
    {
        std::FILE* out = std::tmpfile();
        EXPECT_NE(out, nullptr);
        int const status = scanner_sim::sendCommands(texts, out, {1500ms, 150ms});
        std::rewind(out);
        std::string printed;
        for (int c; (c = std::fgetc(out)) != EOF;) {
            printed.push_back(static_cast<char>(c));
        }
        std::fclose(out);
        return {printed, status};
    }
};

TEST_F(SimCommandSession, PrintsOneLineOfReplyPerCommandAndFailsOnRefusal)
{
    EXPECT_EQ(session({"get bank", "set bank:1", "get bank", "ZT", "ZE"}),
              std::pair(std::string("0<CR>\n<ACK>\n1<CR>\n<ACK>\necho<CR><ACK>\n"), 0));
    EXPECT_EQ(session({"set bank:9", "XY", "get bank"}), std::pair(std::string("<NAK>\n<NAK>\n1<CR>\n"), 1));
    setSetting(ivra_configuration::Root().universal_response, false);
    EXPECT_EQ(session({"ZT"}), std::pair(std::string("\n"), 1)); // no answer at all
}

} // namespace
