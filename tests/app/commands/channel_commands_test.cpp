// Commands from the host on the simulated serial lines and from menu labels in
// the memory pipe, run by the channel threads; replies checked at the host end.
#include "tests/app/commands/channel_fixture.h"

#include <algorithm>
#include <cstdint>
#include <random>

namespace channel_test {
namespace {

std::string const ack(1, kAck);
std::string const nak(1, kNak);
std::string framed(std::string const& text) { return kEsc + text + kCr; }

char const* const kSerialPorts[] = {kUsb, kUart};

using ChannelCommands = ChannelTest;

TEST_F(ChannelCommands, FramingOnTheSerialPorts)
{
    for (char const* port : kSerialPorts) {
        SCOPED_TRACE(port);
        // ESC ... CR and STX ... ETX give the same reply.
        for (std::string const text : {"get bank", "ZT", "set bank:9"}) {
            send(port, framed(text));
            std::string const escReply = receive(port);
            send(port, "\x02" + text + "\x03");
            EXPECT_EQ(receive(port), escReply) << text;
        }
        // A new start drops the open frame ("ZR" would be refused); bytes outside
        // a frame and empty frames are skipped.
        send(port, kEsc + std::string("ZR\x02ZT\x03"));
        EXPECT_EQ(receive(port), ack);
        send(port, "\x02ZR" + framed("ZT") + "ZR\r\x03" + framed("") + "\x02\x03");
        EXPECT_EQ(receive(port), ack);
    }
    EXPECT_EQ(commands_.executed(), std::vector<std::string>(8, "ZT"));
}

TEST_F(ChannelCommands, AckAndNakFollowTheSettingAndTheChannel)
{
    // Menu mode, which silences them too, is shown through the firmware's read
    // cycle (FirmwareStartTest.MenuModeSilencesTheHostAndSignalsEachCommand).
    struct Case {
        char const* command;
        bool response;
        std::string expected;
    };
    Case const cases[] = {
        {"ZT", true, ack},   {"ZR", true, nak}, // refused by its object
        {"XY", true, nak},                      // nobody's code
        {"Q1", true, nak},                      // a number without a command
        {"ZTZT", true, ack},                    // one answer per line
        {"ZTXY", true, nak}, {"ZE", true, "echo\r" + ack},
        {"ZT", false, ""},   {"XY", false, ""},
    };
    for (char const* port : kSerialPorts) {
        for (auto const& c : cases) {
            SCOPED_TRACE(testing::Message() << port << " " << c.command << " " << c.response);
            setSetting(ivra_configuration::Root().universal_response, c.response);
            send(port, framed(c.command));
            EXPECT_EQ(receive(port, c.expected.empty() ? 400ms : 3000ms), c.expected);
        }
    }
    setSetting(ivra_configuration::Root().universal_response, true);
    // Commands from menu labels are never answered with ACK or NAK.
    sendToPipe(framed("ZT") + framed("XY"));
    EXPECT_EQ(receive(kUsb, 500ms), "");
}

TEST_F(ChannelCommands, RepliesGoBackOnTheChannelTheCommandCameIn)
{
    for (auto const& [in, other] : {std::pair{kUsb, kUart}, std::pair{kUart, kUsb}}) {
        SCOPED_TRACE(in);
        send(in, framed("get universal_response") + framed("ZE") + framed("get no/such/key"));
        EXPECT_EQ(receive(in), "true\recho\r" + ack + nak);
        EXPECT_EQ(receive(other, 200ms), "");
    }
}

unsigned char uartModel() { return kHostInterfaceUart; }
unsigned char keyboardModel() { return kHostInterfaceUsbKeyboard; }

TEST_F(ChannelCommands, MenuLabelRepliesGoThroughTheHostOutput)
{
    // USB serial model (the default): a handler's reply is queued, a text
    // command's answer written straight; both come out on USB serial. A text
    // command's ACK or NAK does not: nobody sent a menu label's line to be
    // acknowledged, and the host would take the byte for label data.
    sendToPipe(framed("ZE"));
    EXPECT_EQ(receive(kUsb), "echo\r");
    sendToPipe(framed("set universal_response:true") + framed("no/such/action") + framed("get bank") +
               framed("get no/such/key"));
    EXPECT_EQ(receive(kUsb), "0\r");

    setHostInterfaceSource(uartModel);
    sendToPipe(framed("set universal_response:true") + framed("ZE") + framed("no/such/action"));
    EXPECT_EQ(receive(kUart), "echo\r");
    EXPECT_EQ(receive(kUsb, 10ms), "");

    // A USB keyboard model types the reply; the straight text has nowhere to go.
    std::mutex mutex;
    std::vector<unsigned> typed;
    InterfaceOutputStream::getInstance().setUsbHidKeyboardWriter([&](unsigned v) {
        std::lock_guard<std::mutex> lock(mutex);
        typed.push_back(v);
    });
    setHostInterfaceSource(keyboardModel);
    sendToPipe(framed("ZE") + framed("get bank"));
    EXPECT_EQ(receive(kUsb, 500ms) + receive(kUart, 10ms), "");
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(typed, (std::vector<unsigned>{'e', 'c', 'h', 'o', '\r'}));
}

// Every byte value but 'Z', so that no test code can form by chance.
std::string binary(std::size_t size, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
        c = c == 'Z' ? '\x80' : c;
    }
    return bytes;
}

TEST_F(ChannelCommands, GarbageOverlongAndBinaryInputStoreNothingAndHangNothing)
{
    std::string const before = storedSettings();
    std::string tooManyNumbers = kEsc + std::string("ZP'ABCDEFGH'");
    for (int i = 0; i < 1000; ++i) {
        tooManyNumbers += "Q1";
    }
    std::vector<std::string> const inputs = {
        "no frame at all\r\x03\x06\x15",
        binary(64 * 1024, 1),
        kEsc + std::string(SerialInputCmdStream::kMaxFrame + 16, 'b') + kCr, // overlong
        tooManyNumbers + kCr,
        // refused values, and a good one cut short by a new start
        framed("set bank:\"3\"") + framed("set -f bank:{") + kEsc + "set bank:4\x02\x03",
    };
    for (char const* port : kSerialPorts) {
        for (auto const& input : inputs) {
            send(port, input);
            send(port, framed("ZT")); // the channel still takes commands
            std::string const reply = receiveUntil(port, std::string(1, kAck));
            EXPECT_TRUE(!reply.empty() && reply.back() == kAck) << port;
        }
    }
    for (auto const& input : inputs) {
        for (char c : input) {
            memoryPipeStream.output().Write(c); // refusals are part of the test
        }
        sendToPipe(framed("get universal_response"));
        std::string const reply = receiveUntil(kUsb, "true\r");
        EXPECT_TRUE(reply.ends_with("true\r"));
    }
    EXPECT_EQ(storedSettings(), before);
    EXPECT_EQ(commands_.executed(), std::vector<std::string>(2 * inputs.size(), "ZT"));
    for (char const* partition : {"/dev/mtd2", "/dev/mtd3"}) {
        auto const dump = board().flashDump(partition);
        EXPECT_TRUE(std::all_of(dump.begin(), dump.end(), [](std::uint8_t b) { return b == 0xFF; })) << partition;
    }
}

} // namespace
} // namespace channel_test
