// sysfs attributes: a write replaces the value whatever the offset and is logged; reads show
// the current value; the PWM channel appears on export.
#include "tests/platform/board_fixture.h"

#include <fcntl.h>
#include <string>
#include <thread>

namespace platform_test {
namespace {

constexpr int kWriteFlags = O_WRONLY | O_CREAT; // the firmware's File opens attributes so

std::string readAll(int fd)
{
    std::string text;
    char buffer[7]; // small, so that reads continue at an offset
    ssize_t n;
    while ((n = plat::read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

using SysfsTest = BoardTest;

TEST_F(SysfsTest, EachWriteReplacesTheValueAndIsLogged)
{
    char const* const paths[] = {
        "/sys/class/leds/led_goodread/brightness", "/sys/class/leds/led_error/brightness",
        "/sys/class/leds/led_aim/brightness",      "/sys/class/leds/buzzer/brightness",
        "/sys/class/leds/buzzer/frequency",        "/sys/class/leds/led_goodread/active_low",
        "/sys/devices/platform/gpio_keys/active_low",
    };
    for (char const* path : paths) {
        SCOPED_TRACE(path);
        board().clearAttributeLog();
        Descriptor fd(plat::open(path, kWriteFlags, 0666));
        ASSERT_TRUE(fd);
        auto const start = std::chrono::steady_clock::now();
        for (char const* value : {"2700", "1", "0"}) {
            std::string const text = value;
            ASSERT_EQ(plat::write(fd.get(), text.data(), text.size()), static_cast<ssize_t>(text.size()));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(board().attribute(path), "0");

        auto const log = board().attributeLog();
        ASSERT_EQ(log.size(), 3u);
        EXPECT_EQ(log[0].value, "2700");
        EXPECT_EQ(log[1].value, "1");
        EXPECT_EQ(log[2].value, "0");
        EXPECT_GE(log[0].time, start);
        for (std::size_t i = 0; i < log.size(); ++i) {
            EXPECT_EQ(log[i].path, path);
            if (i > 0) {
                EXPECT_GT(log[i].time, log[i - 1].time);
            }
        }
    }
}

TEST_F(SysfsTest, ReadsShowTheCurrentValueFromTheStart)
{
    char const* const path = "/sys/class/leds/buzzer/frequency";
    ASSERT_TRUE(board().setAttribute(path, "2731 Hz, long enough to need several reads"));
    Descriptor reader(plat::open(path, O_RDONLY));
    ASSERT_TRUE(reader);
    EXPECT_EQ(readAll(reader.get()), "2731 Hz, long enough to need several reads");
    EXPECT_EQ(board().attributeLog().size(), 0u); // the harness's own set is not an event

    Descriptor writer(plat::open(path, kWriteFlags, 0666));
    ASSERT_TRUE(writer);
    ASSERT_EQ(plat::write(writer.get(), "4000", 4), 4);
    EXPECT_EQ(readAll(reader.get()), ""); // still at the end of what it read
    ASSERT_EQ(plat::lseek(reader.get(), 0, SEEK_SET), 0);
    EXPECT_EQ(readAll(reader.get()), "4000");
    char c;
    EXPECT_EQ(failure([&] { return plat::read(writer.get(), &c, 1); }), EBADF);
}

TEST_F(SysfsTest, KeyPolarityListIsRewrittenOnTheSameDescriptor)
{
    Descriptor fd(plat::open("/sys/devices/platform/gpio_keys/active_low", O_RDWR));
    ASSERT_TRUE(fd);
    char list[100];
    ssize_t const n = plat::read(fd.get(), list, sizeof list);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(list, static_cast<std::size_t>(n)), "139,158");
    ASSERT_EQ(plat::write(fd.get(), "139", 3), 3);
    EXPECT_EQ(board().attribute("/sys/devices/platform/gpio_keys/active_low"), "139");
}

TEST_F(SysfsTest, PwmChannelAppearsOnExport)
{
    char const* const channel = "/sys/class/pwm/pwmchip0/pwm0";
    char const* const period = "/sys/class/pwm/pwmchip0/pwm0/period";
    char const* const exporter = "/sys/class/pwm/pwmchip0/export";
    struct stat info {};
    EXPECT_EQ(failure([&] { return plat::stat(channel, &info); }), ENOENT);
    EXPECT_EQ(failure([&] { return plat::open(period, kWriteFlags, 0666); }), ENOENT);
    ASSERT_EQ(plat::stat("/sys/class/pwm/pwmchip0", &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));

    EXPECT_EQ(failure([&] { return plat::open(exporter, O_RDONLY); }), EACCES);
    Descriptor exportFd(plat::open(exporter, kWriteFlags, 0666));
    ASSERT_TRUE(exportFd);
    struct Write {
        char const* text;
        int error;
    };
    Write const writes[] = {{"x", EINVAL}, {"1", ENODEV}, {"0\n", 0}, {"0", EBUSY}};
    for (auto const& w : writes) {
        SCOPED_TRACE(w.text);
        std::string const text = w.text;
        if (w.error == 0) {
            EXPECT_EQ(plat::write(exportFd.get(), text.data(), text.size()), static_cast<ssize_t>(text.size()));
        } else {
            EXPECT_EQ(failure([&] { return plat::write(exportFd.get(), text.data(), text.size()); }), w.error);
        }
    }
    ASSERT_EQ(plat::stat(channel, &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    for (char const* file : {"period", "duty_cycle", "enable"}) {
        std::string const path = std::string(channel) + "/" + file;
        Descriptor fd(plat::open(path.c_str(), kWriteFlags, 0666));
        EXPECT_TRUE(fd) << path;
    }
    EXPECT_EQ(board().attributeLog().size(), 1u); // the refused exports are not events
}

TEST_F(SysfsTest, MalformedWritesAndUnknownAttributes)
{
    char const* const path = "/sys/class/leds/led_error/brightness";
    Descriptor fd(plat::open(path, kWriteFlags, 0666));
    ASSERT_TRUE(fd);
    EXPECT_EQ(plat::write(fd.get(), "", 0), 0);
    std::string const huge(5000, '7');
    EXPECT_EQ(plat::write(fd.get(), huge.data(), huge.size()), 4096);
    EXPECT_EQ(board().attribute(path), std::string(4096, '7'));
    EXPECT_EQ(board().attributeLog().size(), 1u);
    EXPECT_EQ(failure([&] { return plat::write(fd.get(), nullptr, 1); }), EFAULT);

    // An attribute the board lacks is missing, never the workstation's own.
    EXPECT_EQ(failure([] { return plat::open("/sys/class/leds/input0::capslock/brightness", O_WRONLY); }), ENOENT);
    EXPECT_EQ(failure([] { return plat::open("/sys/class/leds/led_error/max_brightness", O_RDONLY); }), ENOENT);
    EXPECT_FALSE(board().attribute("/sys/class/leds/led_nope/brightness"));
    EXPECT_FALSE(board().setAttribute("/dev/mtd1", "1"));
}

} // namespace
} // namespace platform_test
