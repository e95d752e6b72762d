// Missing devices, closed descriptors and paths the board does not simulate: every call
// fails cleanly with the kernel's errno, and ordinary files still reach the kernel.
#include "tests/platform/board_fixture.h"

#include <fcntl.h>
#include <sys/ioctl.h> // before the MTD header, which uses its request macros
#include <mtd/mtd-user.h>

namespace platform_test {
namespace {

struct DeviceCase {
    char const* path;
    int flags;
};

DeviceCase const kDevices[] = {
    {"/dev/ttyGS0", O_RDWR | O_NOCTTY | O_NONBLOCK},
    {"/dev/ttyS0", O_RDWR | O_NOCTTY | O_NONBLOCK},
    {"/dev/mtd2", O_RDWR},
    {"/dev/mtd3ro", O_RDONLY},
    {"/sys/class/leds/led_goodread/brightness", O_WRONLY},
    {"/sys/devices/platform/gpio_keys/active_low", O_RDWR},
    {"/dev/input/event0", O_RDONLY},
    {"/dev/mem", O_RDWR | O_SYNC},
    {"/dev/video0", O_RDWR},
};

class DevicePresenceTest : public BoardTest, public ::testing::WithParamInterface<DeviceCase> {};

TEST_P(DevicePresenceTest, RemovedDeviceFailsToOpenAndItsDescriptorsFail)
{
    auto const& device = GetParam();
    Descriptor before(plat::open(device.path, device.flags));
    ASSERT_TRUE(before);

    ASSERT_TRUE(board().removeDevice(device.path));
    EXPECT_EQ(failure([&] { return plat::open(device.path, device.flags); }), ENOENT);
    struct stat info {};
    EXPECT_EQ(failure([&] { return plat::stat(device.path, &info); }), ENOENT);
    errno = 0;
    EXPECT_EQ(plat::fopen(device.path, "r"), nullptr);
    EXPECT_EQ(errno, ENOENT);

    char c = '1';
    EXPECT_EQ(failure([&] { return plat::read(before.get(), &c, 1); }), ENODEV);
    EXPECT_EQ(failure([&] { return plat::write(before.get(), &c, 1); }), ENODEV);
    mtd_info_user mtd{};
    EXPECT_EQ(failure([&] { return plat::ioctl(before.get(), MEMGETINFO, &mtd); }), ENODEV);

    ASSERT_TRUE(board().restoreDevice(device.path));
    Descriptor after(plat::open(device.path, device.flags));
    EXPECT_TRUE(after);
}

TEST_P(DevicePresenceTest, ClosedDescriptorFailsWithBadDescriptor)
{
    auto const& device = GetParam();
    int const fd = plat::open(device.path, device.flags);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(plat::close(fd), 0);

    char c = 0;
    mtd_info_user mtd{};
    termios t{};
    struct stat info {};
    EXPECT_EQ(failure([&] { return plat::read(fd, &c, 1); }), EBADF);
    EXPECT_EQ(failure([&] { return plat::write(fd, &c, 1); }), EBADF);
    EXPECT_EQ(failure([&] { return plat::ioctl(fd, MEMGETINFO, &mtd); }), EBADF);
    EXPECT_EQ(failure([&] { return plat::lseek(fd, 0, SEEK_SET); }), EBADF);
    EXPECT_EQ(failure([&] { return plat::fstat(fd, &info); }), EBADF);
    EXPECT_EQ(failure([&] { return plat::tcgetattr(fd, &t); }), EBADF);
    EXPECT_EQ(failure([&] { return plat::close(fd); }), EBADF);
}

INSTANTIATE_TEST_SUITE_P(Devices, DevicePresenceTest, ::testing::ValuesIn(kDevices));

TEST_F(BoardTest, PathsTheBoardLacksAreMissing)
{
    char const* const missing[] = {"/dev/ttyUSB0", "/dev/mtd0",    "/dev/mtd5",  "/dev/mtd1r", "/dev/input/event1",
                                   "/dev/sda",   "/sys/class/net/lo/mtu",
                                   "/sys/class/pwm/pwmchip1/export"};
    for (char const* path : missing) {
        SCOPED_TRACE(path);
        EXPECT_EQ(failure([&] { return plat::open(path, O_RDWR | O_CREAT, 0666); }), ENOENT);
        struct stat info {};
        EXPECT_EQ(failure([&] { return plat::stat(path, &info); }), ENOENT);
    }
    EXPECT_EQ(failure([] { return plat::open(nullptr, O_RDONLY); }), EFAULT);
    EXPECT_EQ(failure([] { return plat::open("/dev/mtd1", O_ACCMODE); }), EINVAL);
    EXPECT_FALSE(board().removeDevice("/dev/sda"));
    char c;
    EXPECT_EQ(failure([&] { return plat::read(-1, &c, 1); }), EBADF);
}

TEST_F(BoardTest, OrdinaryFilesStillReachTheKernel)
{
    std::string const path = directory() + "/ordinary.txt";
    {
        Descriptor fd(plat::open(path.c_str(), O_RDWR | O_CREAT, 0644));
        ASSERT_TRUE(fd);
        ASSERT_EQ(plat::write(fd.get(), "hello", 5), 5);
        ASSERT_EQ(plat::lseek(fd.get(), 1, SEEK_SET), 1);
        char text[4];
        ASSERT_EQ(plat::read(fd.get(), text, 4), 4);
        EXPECT_EQ(std::string(text, 4), "ello");
        struct stat info {};
        ASSERT_EQ(plat::fstat(fd.get(), &info), 0);
        EXPECT_EQ(info.st_size, 5);
    }
    FILE* file = plat::fopen(path.c_str(), "w"); // an ordinary file is truncated, as stdio does
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(plat::fileno(file), ::fileno(file));
    ASSERT_EQ(plat::fclose(file), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST_F(BoardTest, RedirectPutsAHostFileInPlaceOfADevice)
{
    std::string const path = directory() + "/not-a-tty";
    ASSERT_TRUE(board().redirect("/dev/ttyS0", path));
    {
        Descriptor fd(plat::open("/dev/ttyS0", O_RDWR | O_NOCTTY | O_NONBLOCK | O_CREAT, 0666));
        ASSERT_TRUE(fd);
        EXPECT_EQ(plat::isatty(fd.get()), 0);
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    ASSERT_TRUE(board().redirect("/dev/ttyS0", ""));
    Descriptor fd(plat::open("/dev/ttyS0", O_RDWR | O_NOCTTY | O_NONBLOCK));
    ASSERT_TRUE(fd);
    EXPECT_EQ(plat::isatty(fd.get()), 1);
    EXPECT_FALSE(board().redirect("/dev/nothing", path));
}

} // namespace
} // namespace platform_test
