#pragma once
// A fresh simulated board in a temporary board directory for each test.

#include "platform/platform.h"
#include "platform/sim/board.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace platform_test {

// A descriptor closed through the platform layer at the end of its scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) {
            plat::close(fd_);
        }
    }
    Descriptor(Descriptor const&) = delete;
    Descriptor& operator=(Descriptor const&) = delete;
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_;
};

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/board-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        directory_ = pattern;
        plat::sim::board().reset();
        ASSERT_TRUE(plat::sim::board().setBoardDirectory(directory_));
    }

    void TearDown() override
    {
        plat::sim::board().reset();
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    plat::sim::Board& board() { return plat::sim::board(); }
    std::string const& directory() const { return directory_; }

private:
    std::string directory_;
};

// errno of a call that must fail with -1.
template <typename Call>
int failure(Call&& call)
{
    errno = 0;
    auto const result = call();
    EXPECT_EQ(result, -1);
    return errno;
}

} // namespace platform_test
