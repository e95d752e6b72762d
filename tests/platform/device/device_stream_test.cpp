// Streams on device nodes through the device backend, against the machine's own /dev:
// a missing node is refused, never made into a plain file, and an existing one is
// opened as it is.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(DeviceStream, MissingNodeIsRefusedInEveryModeAndNothingIsCreated)
{
    std::string const path = "/dev/scanner-test-no-node-" + std::to_string(::getpid());
    for (char const* mode : {"wb", "w", "ab", "r+b", "rb"}) {
        SCOPED_TRACE(mode);
        errno = 0;
        FILE* const stream = plat::fopen(path.c_str(), mode);
        EXPECT_EQ(stream, nullptr);
        EXPECT_EQ(errno, ENOENT);
        if (stream != nullptr) {
            plat::fclose(stream);
        }
        struct stat info {};
        bool const created = ::stat(path.c_str(), &info) == 0;
        EXPECT_FALSE(created) << "a plain file took the device's place";
        if (created) {
            ::unlink(path.c_str());
        }
    }
}

TEST(DeviceStream, ExistingNodeOpensForWritingAndTheDescriptorIsItsOwn)
{
    FILE* const stream = plat::fopen("/dev/null", "wb");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(std::fputs("settings", stream) >= 0, true);
    EXPECT_EQ(std::fflush(stream), 0);
    struct stat info {};
    ASSERT_EQ(plat::fstat(plat::fileno(stream), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    EXPECT_EQ(plat::fclose(stream), 0);

    errno = 0;
    EXPECT_EQ(plat::fopen("/dev/null", "wx"), nullptr); // not a mode for a device node
    EXPECT_EQ(errno, EINVAL);
}

TEST(DeviceStream, PlainFilesKeepTheLibrarysModes)
{
    std::string const path = ::testing::TempDir() + "device-stream-" + std::to_string(::getpid());
    FILE* stream = plat::fopen(path.c_str(), "wb"); // created
    ASSERT_NE(stream, nullptr);
    std::fputs("old text", stream);
    plat::fclose(stream);
    stream = plat::fopen(path.c_str(), "wb"); // truncated
    ASSERT_NE(stream, nullptr);
    plat::fclose(stream);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 0);
    ::unlink(path.c_str());
}

} // namespace
