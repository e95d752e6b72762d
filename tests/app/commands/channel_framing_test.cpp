// Command framing on the serial ports: what the evaluator gets from the bytes
// on the line.
#include "app/commands/serial_input_cmd_stream.h"

#include "tests/platform/board_fixture.h"

namespace {

using namespace std::chrono_literals;

// Everything the framing hands out for the line bytes.
std::string delivered(std::string const& line)
{
    SerialInputCmdStream stream("", 115200, 0, 8, 0, 1000); // no port: framing only
    std::string out;
    for (char c : line) {
        stream.accept(static_cast<unsigned char>(c));
        for (char d; stream.hasPending() && stream.Read(d);) {
            out.push_back(d);
        }
    }
    return out;
}

TEST(ChannelFraming, DeliversFramesAsTheEvaluatorReadsThem)
{
    std::string const esc = "\x1b";
    std::string overlong = esc + std::string(SerialInputCmdStream::kMaxFrame, 'A') + "Z1\r";
    std::string const longest = esc + std::string(SerialInputCmdStream::kMaxFrame - 2, 'B') + "\r";
    struct Case {
        char const* what;
        std::string line;
        std::string expected;
    };
    Case const cases[] = {
        {"STX frame becomes ESC ... CR", "\x02Z1\x03", esc + "Z1\r"},
        {"bytes outside a frame are skipped", "ab\rc\x03" + esc + "Z1\rxy\r\x03", esc + "Z1\r"},
        {"a new STX drops an open frame", esc + "A\x02" "B\x03", esc + "B\r"},
        {"a new ESC drops an open frame", "\x02" "A" + esc + "B\r", esc + "B\r"},
        {"an empty frame is dropped", esc + "\r\x02\x03", ""},
        {"CR inside an STX frame is data", "\x02" "A\rB\x03", esc + "A\rB\r"},
        {"ETX inside an ESC frame is data", esc + "A\x03" "B\r", esc + "A\x03" "B\r"},
        {"an unended frame is held back", esc + "get bank", ""},
        {"NUL and high bytes are data", esc + std::string("\0\xff\r", 3), esc + std::string("\0\xff\r", 3)},
        {"an overlong frame is dropped up to the next start", overlong + esc + "Z2\r", esc + "Z2\r"},
        {"the longest frame that fits", longest, longest},
    };
    for (auto const& c : cases) {
        EXPECT_EQ(delivered(c.line), c.expected) << c.what;
    }
}

using ChannelFramingPort = platform_test::BoardTest;

TEST_F(ChannelFramingPort, LostDeviceEndsTheReadAfterAReopenWithoutSpinning)
{
    char const* const usb = "/dev/ttyGS0";
    SerialInputCmdStream stream(usb, 115200, 0, 8, 0, 1000);
    stream.port().setRetryTimes(50ms, 100ms);
    ASSERT_TRUE(board().removeDevice(usb));
    stream.port().close();
    auto const start = std::chrono::steady_clock::now();
    char c;
    EXPECT_FALSE(stream.Read(c));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 40ms); // backed off, not spun

    // The device back: the next read reopens it and goes on.
    ASSERT_TRUE(board().restoreDevice(usb));
    ASSERT_TRUE(board().hostWrite(usb, "\x1bZ1\r"));
    std::string got;
    while (got.size() < 4 && stream.Read(c)) {
        got.push_back(c);
    }
    EXPECT_EQ(got, "\x1bZ1\r");
}

} // namespace
