// Flash partitions: NOR programming, erase blocks, the read-only twins, persistence in the
// board directory and the injected faults.
#include "tests/platform/board_fixture.h"

#include <cstdint>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <mtd/mtd-user.h>
#include <string>
#include <vector>

namespace platform_test {
namespace {

using plat::sim::FlashFaults;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kBlock = 64 * 1024;

Bytes bytesOf(std::string const& text) { return Bytes(text.begin(), text.end()); }

// The firmware's save: erase every block through the stream's descriptor, then write byte by byte.
bool saveText(char const* partition, std::string const& text)
{
    FILE* out = plat::fopen(partition, "wb");
    if (out == nullptr) {
        return false;
    }
    mtd_info_user info{};
    bool ok = plat::ioctl(plat::fileno(out), MEMGETINFO, &info) == 0 && info.erasesize > 0;
    for (std::uint32_t offset = 0; ok && offset < info.size; offset += info.erasesize) {
        erase_info_user range{offset, info.erasesize};
        ok = plat::ioctl(plat::fileno(out), MEMUNLOCK, &range) == 0 &&
             plat::ioctl(plat::fileno(out), MEMERASE, &range) == 0;
    }
    std::rewind(out);
    for (char c : text) {
        ok = ok && std::fwrite(&c, 1, 1, out) == 1;
    }
    ok = std::fflush(out) == 0 && ok;
    return plat::fclose(out) == 0 && ok;
}

// The firmware's load: bytes up to the first erased byte.
std::string loadText(char const* partition)
{
    FILE* in = plat::fopen(partition, "rb");
    if (in == nullptr) {
        return "<no stream>";
    }
    std::string text;
    int c;
    while ((c = std::fgetc(in)) != EOF && c != 0xFF) {
        text.push_back(static_cast<char>(c));
    }
    plat::fclose(in);
    return text;
}

int eraseVia(int fd, std::uint32_t start, std::uint32_t length)
{
    erase_info_user range{start, length};
    return plat::ioctl(fd, MEMERASE, &range);
}

using FlashTest = BoardTest;

TEST_F(FlashTest, PartitionsAnswerTheirGeometryAndStartErased)
{
    struct Partition {
        char const* path;
        char const* twin;
        std::uint32_t size;
    };
    Partition const partitions[] = {{"/dev/mtd1", "/dev/mtd1ro", 128 * 1024},
                                    {"/dev/mtd2", "/dev/mtd2ro", 128 * 1024},
                                    {"/dev/mtd3", "/dev/mtd3ro", 256 * 1024},
                                    {"/dev/mtd4", "/dev/mtd4ro", 128 * 1024}};
    for (auto const& p : partitions) {
        SCOPED_TRACE(p.path);
        Descriptor fd(plat::open(p.path, O_RDWR));
        ASSERT_TRUE(fd);
        mtd_info_user info{};
        ASSERT_EQ(plat::ioctl(fd.get(), MEMGETINFO, &info), 0);
        EXPECT_EQ(info.type, MTD_NORFLASH);
        EXPECT_EQ(info.size, p.size);
        EXPECT_EQ(info.erasesize, kBlock);
        EXPECT_EQ(info.writesize, 1u);
        EXPECT_EQ(plat::lseek(fd.get(), 0, SEEK_END), static_cast<off_t>(p.size));

        Bytes const dump = board().flashDump(p.twin);
        ASSERT_EQ(dump.size(), p.size);
        EXPECT_EQ(dump, Bytes(p.size, 0xFF));
        EXPECT_EQ(board().flashEraseCounts(p.path), std::vector<unsigned>(p.size / kBlock, 0));
    }
}

TEST_F(FlashTest, ProgrammingWithoutEraseAndsBits)
{
    Descriptor fd(plat::open("/dev/mtd1", O_RDWR));
    ASSERT_TRUE(fd);
    std::uint8_t const writes[] = {0xF0, 0x3C, 0xFF};
    for (auto value : writes) {
        ASSERT_EQ(plat::lseek(fd.get(), 10, SEEK_SET), 10);
        ASSERT_EQ(plat::write(fd.get(), &value, 1), 1);
    }
    Bytes const dump = board().flashDump("/dev/mtd1");
    EXPECT_EQ(dump[10], 0x30);
    EXPECT_EQ(dump[9], 0xFF);
    EXPECT_EQ(dump[11], 0xFF);

    // A second save without erase would corrupt: only the firmware's erase makes it readable.
    ASSERT_TRUE(saveText("/dev/mtd1", "{\"a\":1}"));
    EXPECT_EQ(loadText("/dev/mtd1ro"), "{\"a\":1}");
}

TEST_F(FlashTest, EraseSetsWholeBlocksAndRefusesBadRanges)
{
    struct EraseCase {
        std::uint32_t start;
        std::uint32_t length;
        int error; // 0: accepted
        std::vector<unsigned> erased;
    };
    EraseCase const cases[] = {
        {0, kBlock, 0, {1, 0}},
        {kBlock, kBlock, 0, {0, 1}},
        {0, 2 * kBlock, 0, {1, 1}},
        {0, 0, 0, {0, 0}},
        {1, kBlock, EINVAL, {0, 0}},
        {0, 100, EINVAL, {0, 0}},
        {kBlock, 2 * kBlock, EINVAL, {0, 0}},
        {2 * kBlock, kBlock, EINVAL, {0, 0}},
        {0xFFFF0000u, 0x20000u, EINVAL, {0, 0}},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(testing::Message() << "start " << c.start << " length " << c.length);
        board().reset();
        ASSERT_TRUE(board().setBoardDirectory(directory()));
        ASSERT_TRUE(board().flashLoad("/dev/mtd2", 0, Bytes(2 * kBlock, 0x00)));
        Descriptor fd(plat::open("/dev/mtd2", O_RDWR));
        ASSERT_TRUE(fd);
        if (c.error == 0) {
            EXPECT_EQ(eraseVia(fd.get(), c.start, c.length), 0);
        } else {
            EXPECT_EQ(failure([&] { return eraseVia(fd.get(), c.start, c.length); }), c.error);
        }
        Bytes const dump = board().flashDump("/dev/mtd2");
        for (std::size_t block = 0; block < 2; ++block) {
            auto const expected = static_cast<std::uint8_t>(c.erased[block] != 0 ? 0xFF : 0x00);
            EXPECT_EQ(Bytes(dump.begin() + block * kBlock, dump.begin() + (block + 1) * kBlock),
                      Bytes(kBlock, expected));
        }
        EXPECT_EQ(board().flashEraseCounts("/dev/mtd2"), c.erased);
    }
}

TEST_F(FlashTest, SaveAndLoadThroughStdioLikeTheFirmware)
{
    ASSERT_TRUE(saveText("/dev/mtd3", "{\"old\":true,\"longer\":\"text\"}"));
    ASSERT_TRUE(saveText("/dev/mtd3", "{\"new\":1}"));
    EXPECT_EQ(loadText("/dev/mtd3ro"), "{\"new\":1}");
    EXPECT_EQ(board().flashEraseCounts("/dev/mtd3"), (std::vector<unsigned>{2, 2, 2, 2}));

    // "wb" on a device truncates nothing.
    FILE* out = plat::fopen("/dev/mtd3", "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(plat::fclose(out), 0);
    EXPECT_EQ(loadText("/dev/mtd3ro"), "{\"new\":1}");
}

TEST_F(FlashTest, ContentsSurviveRecreatingTheBoard)
{
    ASSERT_TRUE(saveText("/dev/mtd4", "kept"));
    board().reset();
    ASSERT_TRUE(board().setBoardDirectory(directory()));
    EXPECT_EQ(loadText("/dev/mtd4ro"), "kept");
    EXPECT_EQ(std::filesystem::file_size(directory() + "/mtd4.bin"), 128u * 1024);

    ASSERT_TRUE(board().setBoardDirectory(directory() + "/other"));
    EXPECT_EQ(loadText("/dev/mtd4ro"), "");
}

TEST_F(FlashTest, PowerCutLeavesTheRestAsItWas)
{
    Bytes const before = bytesOf("0123456789abcdef");
    for (std::int64_t cutAfter : {0, 1, 5, 15}) {
        SCOPED_TRACE(cutAfter);
        board().reset();
        ASSERT_TRUE(board().setBoardDirectory(directory()));
        ASSERT_TRUE(board().flashLoad("/dev/mtd2", 0, before));
        ASSERT_TRUE(board().flashLoad("/dev/mtd2", kBlock, bytesOf("second block")));
        FlashFaults faults;
        faults.powerCutAfter = cutAfter;
        ASSERT_TRUE(board().setFlashFaults("/dev/mtd2", faults));

        Descriptor fd(plat::open("/dev/mtd2", O_RDWR));
        ASSERT_TRUE(fd);
        Bytes const zeros(before.size(), 0x00);
        // The doomed firmware sees success; nothing after the cut lands.
        EXPECT_EQ(plat::write(fd.get(), zeros.data(), zeros.size()), static_cast<ssize_t>(zeros.size()));
        EXPECT_EQ(eraseVia(fd.get(), kBlock, kBlock), 0);
        EXPECT_TRUE(board().flashPowerCut("/dev/mtd2"));

        board().reset();
        ASSERT_TRUE(board().setBoardDirectory(directory()));
        Bytes const dump = board().flashDump("/dev/mtd2");
        for (std::size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(dump[i], static_cast<std::int64_t>(i) < cutAfter ? 0x00 : before[i]) << "byte " << i;
        }
        EXPECT_EQ(Bytes(dump.begin() + kBlock, dump.begin() + kBlock + 12), bytesOf("second block"));
        EXPECT_EQ(dump[kBlock + 12], 0xFF);
    }
}

TEST_F(FlashTest, EraseCutLeavesItsBlockPartErasedAndStopsEverything)
{
    Bytes const zeros(kBlock, 0x00);
    ASSERT_TRUE(board().flashLoad("/dev/mtd2", 0, zeros));
    ASSERT_TRUE(board().flashLoad("/dev/mtd2", kBlock, zeros));
    FlashFaults faults;
    faults.eraseCutAfter = 1;
    ASSERT_TRUE(board().setFlashFaults("/dev/mtd2", faults));

    Descriptor fd(plat::open("/dev/mtd2", O_RDWR));
    ASSERT_TRUE(fd);
    // Both blocks in one request: the first completes, the power goes during the second.
    EXPECT_EQ(eraseVia(fd.get(), 0, 2 * kBlock), 0);
    EXPECT_TRUE(board().flashPowerCut("/dev/mtd2"));
    Bytes const ones = bytesOf("\xFF\xFF");
    EXPECT_EQ(plat::write(fd.get(), ones.data(), ones.size()), 2); // lost, but reported as written

    Bytes const dump = board().flashDump("/dev/mtd2");
    ASSERT_EQ(dump.size(), 2 * kBlock);
    EXPECT_EQ(Bytes(dump.begin(), dump.begin() + kBlock), Bytes(kBlock, 0xFF));
    std::size_t erased = 0;
    std::size_t kept = 0;
    for (std::size_t i = kBlock; i < dump.size(); ++i) {
        erased += dump[i] == 0xFF;
        kept += dump[i] == 0x00;
    }
    // Neither erased nor as it was: bytes of every kind, mostly half-set ones.
    EXPECT_GT(erased, 0u);
    EXPECT_GT(kept, 0u);
    EXPECT_LT(erased + kept, kBlock / 2);
    EXPECT_EQ(board().flashEraseCounts("/dev/mtd2"), (std::vector<unsigned>{1, 0}));
}

TEST_F(FlashTest, ShortWriteComesUpShortThenFails)
{
    FlashFaults faults;
    faults.shortWriteAfter = 3;
    ASSERT_TRUE(board().setFlashFaults("/dev/mtd1", faults));
    Descriptor fd(plat::open("/dev/mtd1", O_WRONLY));
    ASSERT_TRUE(fd);
    Bytes const data = bytesOf("abcdefgh");
    EXPECT_EQ(plat::write(fd.get(), data.data(), data.size()), 3);
    EXPECT_EQ(failure([&] { return plat::write(fd.get(), data.data(), data.size()); }), EIO);
    EXPECT_EQ(loadText("/dev/mtd1ro"), "abc");

    // Through stdio the failure shows at the flush.
    ASSERT_TRUE(board().setFlashFaults("/dev/mtd4", faults));
    FILE* out = plat::fopen("/dev/mtd4", "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(std::fwrite(data.data(), 1, data.size(), out), data.size());
    EXPECT_EQ(std::fflush(out), EOF);
    plat::fclose(out);
}

TEST_F(FlashTest, InjectedFaultsFailTheirCall)
{
    FlashFaults openFails, eraseFails, infoFails, zeroErase;
    openFails.failOpen = true;
    eraseFails.failErase = true;
    infoFails.failGetInfo = true;
    zeroErase.zeroEraseSize = true;

    ASSERT_TRUE(board().setFlashFaults("/dev/mtd3ro", openFails));
    EXPECT_EQ(failure([] { return plat::open("/dev/mtd3", O_RDWR); }), EIO);
    EXPECT_EQ(failure([] { return plat::open("/dev/mtd3ro", O_RDONLY); }), EIO);
    errno = 0;
    EXPECT_EQ(plat::fopen("/dev/mtd3", "wb"), nullptr);
    EXPECT_EQ(errno, EIO);

    ASSERT_TRUE(board().flashLoad("/dev/mtd1", 0, bytesOf("stored")));
    ASSERT_TRUE(board().setFlashFaults("/dev/mtd1", eraseFails));
    Descriptor fd(plat::open("/dev/mtd1", O_RDWR));
    ASSERT_TRUE(fd);
    EXPECT_EQ(failure([&] { return eraseVia(fd.get(), 0, kBlock); }), EIO);
    EXPECT_EQ(loadText("/dev/mtd1ro"), "stored");
    EXPECT_EQ(board().flashEraseCounts("/dev/mtd1"), (std::vector<unsigned>{0, 0}));

    mtd_info_user info{};
    ASSERT_TRUE(board().setFlashFaults("/dev/mtd1", infoFails));
    EXPECT_EQ(failure([&] { return plat::ioctl(fd.get(), MEMGETINFO, &info); }), EIO);
    ASSERT_TRUE(board().setFlashFaults("/dev/mtd1", zeroErase));
    ASSERT_EQ(plat::ioctl(fd.get(), MEMGETINFO, &info), 0);
    EXPECT_EQ(info.erasesize, 0u);
    EXPECT_EQ(info.size, 128u * 1024);
}

TEST_F(FlashTest, ReadOnlyTwinShowsTheBytesAndRefusesChanges)
{
    ASSERT_TRUE(saveText("/dev/mtd2", "same"));
    EXPECT_EQ(failure([] { return plat::open("/dev/mtd2ro", O_RDWR); }), EACCES);
    EXPECT_EQ(failure([] { return plat::open("/dev/mtd2ro", O_WRONLY); }), EACCES);
    errno = 0;
    EXPECT_EQ(plat::fopen("/dev/mtd2ro", "wb"), nullptr);
    EXPECT_EQ(errno, EACCES);

    Descriptor ro(plat::open("/dev/mtd2ro", O_RDONLY));
    ASSERT_TRUE(ro);
    char text[4];
    ASSERT_EQ(plat::read(ro.get(), text, 4), 4);
    EXPECT_EQ(std::string(text, 4), "same");
    EXPECT_EQ(failure([&] { return plat::write(ro.get(), "x", 1); }), EBADF);
    EXPECT_EQ(failure([&] { return eraseVia(ro.get(), 0, kBlock); }), EPERM);
    erase_info_user range{0, kBlock};
    EXPECT_EQ(failure([&] { return plat::ioctl(ro.get(), MEMUNLOCK, &range); }), EPERM);
    EXPECT_EQ(loadText("/dev/mtd2"), "same");
}

TEST_F(FlashTest, EdgesOfThePartitionAndBadRequests)
{
    Descriptor fd(plat::open("/dev/mtd1", O_RDWR));
    ASSERT_TRUE(fd);
    char c = 0;
    ASSERT_EQ(plat::lseek(fd.get(), 0, SEEK_END), 128 * 1024);
    EXPECT_EQ(plat::read(fd.get(), &c, 1), 0);
    EXPECT_EQ(failure([&] { return plat::write(fd.get(), &c, 1); }), ENOSPC);
    EXPECT_EQ(failure([&] { return plat::lseek(fd.get(), 1, SEEK_END); }), EINVAL);
    EXPECT_EQ(failure([&] { return plat::lseek(fd.get(), -1, SEEK_SET); }), EINVAL);
    ASSERT_EQ(plat::lseek(fd.get(), 128 * 1024 - 2, SEEK_SET), 128 * 1024 - 2);
    EXPECT_EQ(plat::write(fd.get(), "abcd", 4), 2);

    EXPECT_EQ(failure([&] { return plat::ioctl(fd.get(), MEMGETINFO, nullptr); }), EFAULT);
    EXPECT_EQ(failure([&] { return plat::ioctl(fd.get(), TIOCGWINSZ, &c); }), ENOTTY);
    EXPECT_EQ(plat::isatty(fd.get()), 0);
    errno = 0;
    EXPECT_EQ(plat::fopen("/dev/mtd1", "q"), nullptr);
    EXPECT_EQ(errno, EINVAL);
}

} // namespace
} // namespace platform_test
