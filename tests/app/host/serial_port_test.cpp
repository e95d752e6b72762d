// The serial port against the simulated board's pseudo-terminals: the host end
// reads back the line settings and carries the bytes.
#include "app/host/serial_port.h"

#include "tests/platform/board_fixture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using platform_test::BoardTest;

constexpr char const* kUart = "/dev/ttyS0";
constexpr char const* kUsb = "/dev/ttyGS0";

std::span<unsigned char const> bytesOf(std::string const& text)
{
    return {reinterpret_cast<unsigned char const*>(text.data()), text.size()};
}

class SerialPortTest : public BoardTest {
protected:
    termios lineSettings(char const* port)
    {
        termios settings{};
        EXPECT_TRUE(board().serialSettings(port, settings));
        return settings;
    }

    // `count` bytes from the host end, fewer only when the line stays silent.
    std::string hostReceive(char const* port, std::size_t count)
    {
        std::string received;
        while (received.size() < count) {
            std::size_t const chunk = std::min<std::size_t>(count - received.size(), 4096);
            std::string const part = board().hostRead(port, chunk, 2000ms);
            if (part.empty()) {
                break;
            }
            received += part;
        }
        return received;
    }
};

struct LineCase {
    unsigned baudrate;
    unsigned char parity;
    unsigned char datasize;
    unsigned char stopbits;
    unsigned timeoutMs;
    speed_t speed;
    tcflag_t size;
    cc_t vmin;
    cc_t vtime;
};

void expectLine(termios const& t, LineCase const& c)
{
    EXPECT_EQ(cfgetispeed(&t), c.speed);
    EXPECT_EQ(cfgetospeed(&t), c.speed);
    EXPECT_EQ(t.c_cflag & CSIZE, c.size);
    EXPECT_EQ((t.c_cflag & PARENB) != 0, c.parity != 0);
    EXPECT_EQ((t.c_cflag & PARODD) != 0, c.parity == 2);
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.stopbits != 0);
    EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_cc[VMIN], c.vmin);
    EXPECT_EQ(t.c_cc[VTIME], c.vtime);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN | ECHOE), 0u);
    EXPECT_EQ(t.c_iflag & (IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXANY | IXOFF), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
}

TEST_F(SerialPortTest, OpenAppliesTheLineSettingsAsConstructed)
{
    LineCase const cases[] = {
        {2400, 0, 8, 0, 1000, B2400, CS8, 0, 10},
        {4800, 1, 7, 1, 150, B4800, CS7, 0, 2}, // whole tenths, rounded up
        {9600, 2, 6, 0, 0, B9600, CS6, 0, 0},   // no waiting at all
        {19200, 0, 5, 1, SerialPort::kReadTimeoutForever, B19200, CS5, 1, 0},
        {38400, 1, 8, 0, 25500, B38400, CS8, 0, 255},
        {57600, 2, 8, 1, 30000, B57600, CS8, 0, 255},
        {115200, 0, 8, 0, 1, B115200, CS8, 0, 1},
        {1200, 0, 9, 0, 1000, B115200, CS8, 0, 10}, // unknown speed and size fall back
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(testing::Message() << c.baudrate << " baud, " << c.timeoutMs << " ms");
        SerialPort port(kUart, c.baudrate, c.parity, c.datasize, c.stopbits, c.timeoutMs);
        ASSERT_TRUE(port.open());
        expectLine(lineSettings(kUart), c);
    }
}

TEST_F(SerialPortTest, SettersReapplyAndRefuseWhatThePortCannotDo)
{
    SerialPort port(kUart, 115200, 0, 8, 0, 1000);
    ASSERT_TRUE(port.open());
    EXPECT_TRUE(port.setBaudrate(9600));
    EXPECT_TRUE(port.setParity(2));
    EXPECT_TRUE(port.setDatasize(7)); // a change of the frame alone
    EXPECT_TRUE(port.setStopbits(1));
    LineCase const set{9600, 2, 7, 1, 1000, B9600, CS7, 0, 10};
    expectLine(lineSettings(kUart), set);

    // Each refusal leaves the line as it was; the read time-out stays as constructed.
    for (unsigned baudrate : {0u, 600u, 1200u, 230400u}) {
        EXPECT_FALSE(port.setBaudrate(baudrate)) << baudrate;
    }
    EXPECT_FALSE(port.setParity(3));
    EXPECT_FALSE(port.setDatasize(4));
    EXPECT_FALSE(port.setDatasize(9));
    EXPECT_FALSE(port.setStopbits(2));
    EXPECT_TRUE(port.setReadTimeout(0));
    expectLine(lineSettings(kUart), set);
    EXPECT_EQ(port.baudrate(), 9600u);
}

TEST_F(SerialPortTest, EveryByteValuePassesBothWaysAndReadsTimeOut)
{
    SerialPort port(kUsb, 115200, 0, 8, 0, 1000);
    ASSERT_TRUE(port.open());
    EXPECT_EQ(port.readByte(0), -1);
    EXPECT_EQ(port.readByte(30), -1);

    // Control bytes a cooked line would eat or rewrite (CR, XON/XOFF, interrupt, NUL...).
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    ASSERT_TRUE(board().hostWrite(kUsb, all));
    std::string received;
    for (int b; received.size() < all.size() && (b = port.readByte(1000)) >= 0;) {
        received.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(received, all);
    EXPECT_EQ(port.readByte(10), -1);

    ASSERT_TRUE(port.writeBlock(bytesOf(all)));
    ASSERT_TRUE(port.writeByte(0x0D));
    EXPECT_EQ(hostReceive(kUsb, 257), all + "\r");
}

TEST_F(SerialPortTest, CloseEndsAReadWaitingOnAnotherThread)
{
    SerialPort port(kUart, 115200, 0, 8, 0, 1000);
    ASSERT_TRUE(port.open());
    std::atomic<int> result{-2};
    std::thread reader([&] { result = port.readByte(SerialPort::kWaitForever); });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(result.load(), -2); // still waiting
    port.close();
    reader.join();
    EXPECT_EQ(result.load(), -1);
}

// A reader that reopens the port itself while another thread is closing it
// must neither hang the closer nor lose the reopened descriptors to it.
TEST_F(SerialPortTest, CloseRacingAReaderThatReopensEndsWithAWorkingPort)
{
    SerialPort port(kUart, 115200, 0, 8, 0, 1000);
    ASSERT_TRUE(port.open());
    for (int round = 0; round < 50; ++round) {
        std::atomic<bool> started{false};
        std::thread reader([&] {
            started = true;
            if (port.readByte(SerialPort::kWaitForever) < 0) {
                port.reopen();
            }
        });
        while (!started) {
            std::this_thread::yield();
        }
        port.close();
        reader.join();
        ASSERT_TRUE(port.reopen()) << "round " << round;
    }
    ASSERT_TRUE(board().hostWrite(kUart, "z"));
    EXPECT_EQ(port.readByte(1000), 'z');
}

TEST_F(SerialPortTest, ReopeningAnotherHandleKeepsUnreadInput)
{
    // The command input and the reply output are two ports on one line.
    SerialPort input(kUsb, 115200, 0, 8, 0, 1000);
    SerialPort output(kUsb, 115200, 0, 8, 0, 1000);
    ASSERT_TRUE(input.open());
    ASSERT_TRUE(output.open());
    ASSERT_TRUE(board().hostWrite(kUsb, "\x1bZ1\r"));
    std::this_thread::sleep_for(20ms); // let the bytes reach the line's input queue
    ASSERT_TRUE(output.reopen());
    ASSERT_TRUE(input.reopen());

    std::string received;
    for (int b; (b = input.readByte(200)) >= 0;) {
        received.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(received, "\x1bZ1\r");
}

TEST_F(SerialPortTest, StalledLineReportsHowMuchWentOutAndTheRestCanFollow)
{
    SerialPort port(kUsb, 115200, 0, 8, 0, 1000);
    port.setRetryTimes(50ms, 100ms);
    std::string block(1024 * 1024, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(i % 251);
    }
    std::size_t written = 99;
    EXPECT_FALSE(port.writeBlock(bytesOf(block), &written)); // closed
    EXPECT_EQ(written, 0u);
    ASSERT_TRUE(port.open());

    // Nobody reads the host end: the line fills up and stalls.
    EXPECT_FALSE(port.writeBlock(bytesOf(block), &written));
    ASSERT_GT(written, 0u);
    ASSERT_LT(written, block.size());
    std::string received = hostReceive(kUsb, written);

    // The rest waits for room while the host reads.
    std::thread host([&] { received += hostReceive(kUsb, block.size() - written); });
    std::size_t rest = 0;
    EXPECT_TRUE(port.writeBlock(bytesOf(block).subspan(written), &rest));
    host.join();
    EXPECT_EQ(written + rest, block.size());
    EXPECT_TRUE(received == block);
}

TEST_F(SerialPortTest, MissingOrLostDeviceFailsWithoutSpinning)
{
    ASSERT_TRUE(board().removeDevice(kUsb));
    SerialPort port(kUsb, 115200, 0, 8, 0, 1000);
    port.setRetryTimes(50ms, 100ms);
    EXPECT_FALSE(port.open());
    EXPECT_EQ(port.lastError(), -ENOENT);

    // The command channel's loop: read, on failure reopen and read again.
    int rounds = 0;
    for (auto until = std::chrono::steady_clock::now() + 300ms; std::chrono::steady_clock::now() < until; ++rounds) {
        if (port.readByte(SerialPort::kWaitForever) < 0) {
            port.reopen();
            (void)port.readByte(SerialPort::kWaitForever);
        }
    }
    EXPECT_LE(rounds, 6); // two 50 ms back-offs per round; a spinning loop makes thousands

    // Taken away while open: the read that wakes fails after the back-off.
    ASSERT_TRUE(board().restoreDevice(kUsb));
    ASSERT_TRUE(port.reopen());
    ASSERT_TRUE(board().removeDevice(kUsb));
    ASSERT_TRUE(board().hostWrite(kUsb, "A"));
    auto const start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.readByte(SerialPort::kWaitForever), -1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 40ms);
    EXPECT_FALSE(port.writeByte('x'));
}

TEST_F(SerialPortTest, PathThatIsNotATerminalIsNeitherUsedNorCreated)
{
    std::string const regular = directory() + "/not-a-tty";
    std::ofstream(regular) << "keep";
    ASSERT_TRUE(board().redirect(kUart, regular));
    SerialPort port(kUart, 115200, 0, 8, 0, 1000);
    EXPECT_FALSE(port.open());
    std::string content;
    std::getline(std::ifstream(regular), content);
    EXPECT_EQ(content, "keep");

    std::string const absent = directory() + "/no-such-node";
    ASSERT_TRUE(board().redirect(kUart, absent));
    EXPECT_FALSE(port.open());
    EXPECT_FALSE(std::filesystem::exists(absent));
}

} // namespace
