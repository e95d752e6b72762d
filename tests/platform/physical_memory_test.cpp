// "/dev/mem" and system(): the chip identifier at its physical address, and the recorder.
#include "tests/platform/board_fixture.h"

#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace platform_test {
namespace {

using PhysicalMemoryTest = BoardTest;

plat::sim::ChipId wordsAt(void const* base, std::size_t offset)
{
    plat::sim::ChipId words{};
    std::memcpy(words.data(), static_cast<std::uint8_t const*>(base) + offset, sizeof words);
    return words;
}

TEST_F(PhysicalMemoryTest, MappedPagesShowTheChipIdentifier)
{
    auto const page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    struct MapCase {
        off_t offset;
        std::size_t length;
        std::size_t wordsAt;
    };
    MapCase const cases[] = {
        {0x01C23000, page, 0x800},
        {0x01C23000, 2 * page, 0x800},
        {0x01C22000, 0x2000, 0x1800},
    };
    plat::sim::ChipId const custom{0x00000001, 0xdeadbeef, 0x80000000, 0x7fffffff};
    for (auto const& chip : {plat::sim::kDefaultChipId, custom}) {
        board().setChipId(chip);
        for (auto const& c : cases) {
            SCOPED_TRACE(testing::Message() << std::hex << c.offset << " + " << c.length);
            Descriptor fd(plat::open("/dev/mem", O_RDWR | O_SYNC));
            ASSERT_TRUE(fd);
            void* base = plat::mmap(nullptr, c.length, PROT_READ, MAP_SHARED, fd.get(), c.offset);
            ASSERT_NE(base, MAP_FAILED);
            EXPECT_EQ(wordsAt(base, c.wordsAt), chip);
            EXPECT_EQ(static_cast<std::uint8_t const*>(base)[0], 0);
            EXPECT_EQ(plat::munmap(base, c.length), 0);
        }
    }
    EXPECT_EQ(board().chipId(), custom);
}

TEST_F(PhysicalMemoryTest, FailuresAndBadRequests)
{
    auto const page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    board().setMemoryFaults({true, false});
    EXPECT_EQ(failure([] { return plat::open("/dev/mem", O_RDWR | O_SYNC); }), EACCES);

    board().setMemoryFaults({false, true});
    Descriptor fd(plat::open("/dev/mem", O_RDWR | O_SYNC));
    ASSERT_TRUE(fd);
    errno = 0;
    EXPECT_EQ(plat::mmap(nullptr, page, PROT_READ, MAP_SHARED, fd.get(), 0x01C23000), MAP_FAILED);
    EXPECT_EQ(errno, EPERM);

    board().setMemoryFaults({});
    struct BadMap {
        std::size_t length;
        int flags;
        off_t offset;
    };
    BadMap const bad[] = {{page, MAP_SHARED, 0x01C23800}, {0, MAP_SHARED, 0x01C23000}, {page, 0, 0x01C23000}};
    for (auto const& b : bad) {
        errno = 0;
        EXPECT_EQ(plat::mmap(nullptr, b.length, PROT_READ, b.flags, fd.get(), b.offset), MAP_FAILED);
        EXPECT_EQ(errno, EINVAL);
    }
}

TEST_F(PhysicalMemoryTest, SystemRecordsCommandsAndAnswersTheSetStatus)
{
    EXPECT_EQ(plat::system("/usr/bin/loader-start.sh /dev/ttyGS0"), 0);
    board().setSystemStatus(256);
    EXPECT_EQ(plat::system("/usr/bin/felboot"), 256);
    EXPECT_NE(plat::system(nullptr), 0);
    EXPECT_EQ(board().systemLog(),
              (std::vector<std::string>{"/usr/bin/loader-start.sh /dev/ttyGS0", "/usr/bin/felboot"}));
}

} // namespace
} // namespace platform_test
