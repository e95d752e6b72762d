// The serial ports: real terminals whose settings read back as set, with one input queue per
// port however many descriptors the firmware holds.
#include "tests/platform/board_fixture.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

namespace platform_test {
namespace {

constexpr int kPortFlags = O_RDWR | O_NOCTTY | O_NONBLOCK | O_CREAT; // as the firmware's File opens a port

struct LineCase {
    speed_t speed;
    tcflag_t size;
    int parity; // 0 none, 1 even, 2 odd
    bool twoStopBits;
    cc_t vmin;
    cc_t vtime;
};

// The firmware's port set-up: raw bytes, the given frame and read timing.
int applyLine(int fd, LineCase const& line)
{
    termios t{};
    if (plat::tcgetattr(fd, &t) != 0) {
        return -1;
    }
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= line.size | CREAD | CLOCAL;
    t.c_cflag |= line.parity == 1 ? PARENB : line.parity == 2 ? PARENB | PARODD : 0;
    t.c_cflag |= line.twoStopBits ? CSTOPB : 0;
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXANY | IXOFF);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN | ECHOE);
    t.c_cc[VMIN] = line.vmin;
    t.c_cc[VTIME] = line.vtime;
    plat::cfsetispeed(&t, line.speed);
    plat::cfsetospeed(&t, line.speed);
    plat::tcflush(fd, TCIFLUSH);
    return plat::tcsetattr(fd, TCSANOW, &t);
}

void expectLine(termios const& t, LineCase const& line)
{
    EXPECT_EQ(cfgetispeed(&t), line.speed);
    EXPECT_EQ(cfgetospeed(&t), line.speed);
    EXPECT_EQ(t.c_cflag & CSIZE, line.size);
    EXPECT_EQ((t.c_cflag & PARENB) != 0, line.parity != 0);
    if (line.parity != 0) {
        EXPECT_EQ((t.c_cflag & PARODD) != 0, line.parity == 2);
    }
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, line.twoStopBits);
    EXPECT_EQ(t.c_cc[VMIN], line.vmin);
    EXPECT_EQ(t.c_cc[VTIME], line.vtime);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
}

bool waitReadable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    return plat::poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN) != 0;
}

int pending(int fd)
{
    int count = -1;
    return plat::ioctl(fd, FIONREAD, &count) == 0 ? count : -1;
}

// Waits until the terminal has taken in `count` bytes from the host end.
bool waitPending(int fd, int count)
{
    for (int i = 0; i < 200 && pending(fd) < count; ++i) {
        waitReadable(fd, 10);
    }
    return pending(fd) == count;
}

// The firmware opens its ports from static initialisers, before main and any harness call.
int const portOpenedBeforeMain = plat::open("/dev/ttyGS0", kPortFlags, 0666);

TEST(SerialBeforeMain, PortOpensDuringStaticInitialisation)
{
    ASSERT_GE(portOpenedBeforeMain, 0);
    EXPECT_EQ(plat::isatty(portOpenedBeforeMain), 1);
    termios t{};
    EXPECT_EQ(plat::tcgetattr(portOpenedBeforeMain, &t), 0);
}

class SerialLineTest : public BoardTest, public ::testing::WithParamInterface<char const*> {};

TEST_P(SerialLineTest, SettingsReadBackAsSet)
{
    LineCase const cases[] = {
        {B115200, CS8, 0, false, 0, 10}, {B9600, CS7, 1, false, 0, 3}, {B2400, CS5, 2, true, 1, 0},
        {B57600, CS6, 1, true, 0, 255},  {B4800, CS8, 2, false, 0, 0}, {B19200, CS7, 0, true, 1, 0},
        {B38400, CS8, 1, false, 0, 1},
    };
    for (auto const& line : cases) {
        SCOPED_TRACE(testing::Message() << "speed " << line.speed << " size " << line.size << " parity "
                                        << line.parity);
        Descriptor setter(plat::open(GetParam(), kPortFlags, 0666));
        Descriptor other(plat::open(GetParam(), kPortFlags, 0666));
        ASSERT_TRUE(setter && other);
        ASSERT_EQ(applyLine(setter.get(), line), 0);

        termios seen{};
        ASSERT_EQ(plat::tcgetattr(other.get(), &seen), 0);
        expectLine(seen, line);
        ASSERT_TRUE(board().serialSettings(GetParam(), seen));
        expectLine(seen, line);
    }
}

TEST_P(SerialLineTest, BytesPassBothWays)
{
    Descriptor port(plat::open(GetParam(), kPortFlags, 0666));
    ASSERT_TRUE(port);
    ASSERT_EQ(applyLine(port.get(), {B115200, CS8, 0, false, 0, 10}), 0);

    using namespace std::string_literals;
    std::string const command = "\x1b" "S_CMD_020F\r\n\x00\xff"s;
    ASSERT_TRUE(board().hostWrite(GetParam(), command));
    ASSERT_TRUE(waitPending(port.get(), static_cast<int>(command.size())));
    std::string received(command.size(), '?');
    ASSERT_EQ(plat::read(port.get(), received.data(), received.size()), static_cast<ssize_t>(command.size()));
    EXPECT_EQ(received, command);

    std::string const reply = "\x06\r\n\x15";
    ASSERT_EQ(plat::write(port.get(), reply.data(), reply.size()), static_cast<ssize_t>(reply.size()));
    EXPECT_EQ(board().hostRead(GetParam(), reply.size(), std::chrono::seconds(2)), reply);
}

TEST_P(SerialLineTest, FlushOnOneDescriptorDiscardsInputForAll)
{
    Descriptor input(plat::open(GetParam(), kPortFlags, 0666));
    Descriptor output(plat::open(GetParam(), kPortFlags, 0666));
    ASSERT_TRUE(input && output);
    ASSERT_TRUE(board().hostWrite(GetParam(), "abc"));
    ASSERT_TRUE(waitPending(input.get(), 3));
    EXPECT_EQ(pending(output.get()), 3);

    ASSERT_EQ(plat::tcflush(output.get(), TCIFLUSH), 0);
    EXPECT_EQ(pending(input.get()), 0);
    char c;
    EXPECT_EQ(failure([&] { return plat::read(input.get(), &c, 1); }), EAGAIN);
}

TEST_P(SerialLineTest, HostEndSurvivesFirmwareReopening)
{
    {
        Descriptor first(plat::open(GetParam(), kPortFlags, 0666));
        ASSERT_TRUE(first);
    }
    // No firmware descriptor is open: the host end must still take bytes.
    ASSERT_TRUE(board().hostWrite(GetParam(), "x"));
    Descriptor again(plat::open(GetParam(), kPortFlags, 0666));
    ASSERT_TRUE(again);
    ASSERT_TRUE(waitPending(again.get(), 1));
    ASSERT_EQ(plat::write(again.get(), "y", 1), 1);
    EXPECT_EQ(board().hostRead(GetParam(), 1, std::chrono::seconds(2)), "y");
}

TEST_P(SerialLineTest, OpensTheTerminalAndCreatesNothing)
{
    Descriptor port(plat::open(GetParam(), kPortFlags, 0666));
    ASSERT_TRUE(port);
    EXPECT_EQ(plat::isatty(port.get()), 1);
    struct stat opened {};
    struct stat slave {};
    struct stat byPath {};
    ASSERT_EQ(plat::fstat(port.get(), &opened), 0);
    ASSERT_EQ(::stat(board().serialSlavePath(GetParam()).c_str(), &slave), 0);
    ASSERT_EQ(plat::stat(GetParam(), &byPath), 0);
    EXPECT_TRUE(S_ISCHR(opened.st_mode));
    EXPECT_EQ(opened.st_rdev, slave.st_rdev);
    EXPECT_EQ(byPath.st_rdev, slave.st_rdev);
}

INSTANTIATE_TEST_SUITE_P(Ports, SerialLineTest, ::testing::Values("/dev/ttyGS0", "/dev/ttyS0"));

TEST_F(BoardTest, SerialPortsAreSeparateLines)
{
    Descriptor usb(plat::open("/dev/ttyGS0", kPortFlags, 0666));
    Descriptor uart(plat::open("/dev/ttyS0", kPortFlags, 0666));
    ASSERT_TRUE(usb && uart);
    EXPECT_NE(board().serialSlavePath("/dev/ttyGS0"), board().serialSlavePath("/dev/ttyS0"));
    ASSERT_TRUE(board().hostWrite("/dev/ttyS0", "u"));
    ASSERT_TRUE(waitPending(uart.get(), 1));
    EXPECT_EQ(pending(usb.get()), 0);
    EXPECT_EQ(board().serialMaster("/dev/ttyUSB0"), -1);
}

} // namespace
} // namespace platform_test
