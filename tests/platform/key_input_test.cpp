// The key input device: EVIOCGKEY reflects the held keys, and each change arrives as 16-byte
// records in the board's 32-bit layout.
#include "tests/platform/board_fixture.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <thread>

namespace platform_test {
namespace {

constexpr unsigned kTrigger = 158;
constexpr unsigned kAim = 1;
constexpr unsigned kHall = 15;

struct Record {
    std::uint32_t seconds;
    std::uint32_t microseconds;
    std::uint16_t type;
    std::uint16_t code;
    std::int32_t value;
};

bool bit(std::uint8_t const* bitmap, unsigned code) { return (bitmap[code / 8] >> (code % 8) & 1) != 0; }

bool readRecord(int fd, Record& record)
{
    pollfd p{fd, POLLIN, 0};
    if (plat::poll(&p, 1, 2000) != 1) {
        return false;
    }
    std::uint8_t raw[16];
    if (plat::read(fd, raw, sizeof raw) != 16) {
        return false;
    }
    std::memcpy(&record.seconds, raw, 4);
    std::memcpy(&record.microseconds, raw + 4, 4);
    std::memcpy(&record.type, raw + 8, 2);
    std::memcpy(&record.code, raw + 10, 2);
    std::memcpy(&record.value, raw + 12, 4);
    return true;
}

using KeyInputTest = BoardTest;

TEST_F(KeyInputTest, KeyStateReflectsHeldKeys)
{
    struct Step {
        char action; // p press, r release, a auto-repeat
        unsigned code;
        bool trigger, aim, hall;
    };
    Step const steps[] = {
        {'p', kTrigger, true, false, false}, {'a', kTrigger, true, false, false}, {'p', kAim, true, true, false},
        {'p', kHall, true, true, true},      {'r', kTrigger, false, true, true},  {'r', kHall, false, true, false},
        {'r', kAim, false, false, false},
    };
    Descriptor fd(plat::open("/dev/input/event0", O_RDONLY));
    ASSERT_TRUE(fd);
    for (auto const& s : steps) {
        SCOPED_TRACE(testing::Message() << s.action << " " << s.code);
        bool const ok = s.action == 'p' ? board().pressKey(s.code)
                        : s.action == 'r' ? board().releaseKey(s.code)
                                          : board().repeatKey(s.code);
        ASSERT_TRUE(ok);
        std::uint8_t bitmap[20] = {};
        ASSERT_EQ(plat::ioctl(fd.get(), 0x80144518UL, bitmap), 20); // EVIOCGKEY(20), as the firmware asks
        EXPECT_EQ(bit(bitmap, kTrigger), s.trigger);
        EXPECT_EQ(bit(bitmap, kAim), s.aim);
        EXPECT_EQ(bit(bitmap, kHall), s.hall);
        EXPECT_EQ(board().keyHeld(kTrigger), s.trigger);
    }
}

TEST_F(KeyInputTest, LargeKeyStateRequestGetsTheWholeBitmapOnly)
{
    Descriptor fd(plat::open("/dev/input/event0", O_RDONLY));
    ASSERT_TRUE(fd);
    ASSERT_TRUE(board().pressKey(KEY_MAX));
    std::array<std::uint8_t, 256> bitmap;
    bitmap.fill(0xAA);
    ASSERT_EQ(plat::ioctl(fd.get(), EVIOCGKEY(256), bitmap.data()), KEY_CNT / 8);
    EXPECT_TRUE(bit(bitmap.data(), KEY_MAX));
    EXPECT_FALSE(bit(bitmap.data(), kTrigger));
    EXPECT_EQ(bitmap[KEY_CNT / 8], 0xAA);

    EXPECT_FALSE(board().pressKey(KEY_CNT));
    EXPECT_FALSE(board().releaseKey(100000));
    EXPECT_EQ(failure([&] { return plat::ioctl(fd.get(), EVIOCGKEY(20), nullptr); }), EFAULT);
    int bits = 0;
    EXPECT_EQ(failure([&] { return plat::ioctl(fd.get(), EVIOCGBIT(EV_KEY, 4), &bits); }), EINVAL);
}

TEST_F(KeyInputTest, ChangesArriveAsSixteenByteRecords)
{
    Descriptor fd(plat::open("/dev/input/event0", O_RDONLY));
    ASSERT_TRUE(fd);
    auto const before = std::chrono::system_clock::now();
    ASSERT_TRUE(board().pressKey(kTrigger));
    ASSERT_TRUE(board().repeatKey(kTrigger));
    ASSERT_TRUE(board().releaseKey(kTrigger));

    for (int value : {1, 2, 0}) {
        Record key{};
        Record sync{};
        ASSERT_TRUE(readRecord(fd.get(), key));
        ASSERT_TRUE(readRecord(fd.get(), sync));
        EXPECT_EQ(key.type, EV_KEY);
        EXPECT_EQ(key.code, kTrigger);
        EXPECT_EQ(key.value, value);
        EXPECT_LT(key.microseconds, 1000000u);
        EXPECT_GE(static_cast<std::int64_t>(key.seconds),
                  std::chrono::duration_cast<std::chrono::seconds>(before.time_since_epoch()).count());
        EXPECT_EQ(sync.type, EV_SYN);
        EXPECT_EQ(sync.code, SYN_REPORT);
    }
}

TEST_F(KeyInputTest, ReadsHandOutWholeRecordsToEveryOpener)
{
    Descriptor early(plat::open("/dev/input/event0", O_RDONLY | O_NONBLOCK));
    ASSERT_TRUE(early);
    ASSERT_TRUE(board().pressKey(kAim));
    Descriptor late(plat::open("/dev/input/event0", O_RDONLY | O_NONBLOCK));
    ASSERT_TRUE(late);
    ASSERT_TRUE(board().releaseKey(kAim));

    std::uint8_t buffer[40];
    EXPECT_EQ(failure([&] { return plat::read(early.get(), buffer, 8); }), EINVAL);
    EXPECT_EQ(plat::read(early.get(), buffer, 40), 32); // press and its sync, whole records only
    EXPECT_EQ(plat::read(early.get(), buffer, 40), 32); // release and its sync
    EXPECT_EQ(plat::read(late.get(), buffer, 40), 32);  // only what happened after its open
    EXPECT_EQ(failure([&] { return plat::read(late.get(), buffer, 40); }), EAGAIN);
    EXPECT_EQ(failure([&] { return plat::write(late.get(), buffer, 16); }), EBADF);
}

TEST_F(KeyInputTest, ClosingWhileAnotherThreadReadsEndsThatRead)
{
    int const fd = plat::open("/dev/input/event0", O_RDONLY);
    ASSERT_GE(fd, 0);
    ssize_t got = -2;
    std::thread reader([&] {
        std::uint8_t record[16];
        got = plat::read(fd, record, sizeof record);
    });
    while (board().keyReadsUnderWay() == 0) {
        std::this_thread::yield();
    }
    ASSERT_EQ(plat::close(fd), 0);
    reader.join();
    EXPECT_EQ(got, 0);
    // No stream is left whose reader is gone (writing into one would raise SIGPIPE).
    EXPECT_TRUE(board().pressKey(kTrigger));
    EXPECT_TRUE(board().releaseKey(kTrigger));
}

} // namespace
} // namespace platform_test
