// "Z" and "Y" from the host start and stop a read: scanner-sim run with a terminal on
// the UART relay, the camera's image set from the console.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/frame.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

class SimSoftwareTrigger : public sim_test::SimProgramTest {
protected:
    void TearDown() override
    {
        if (terminal_ >= 0) {
            ::close(terminal_);
        }
        if (console_ >= 0) {
            ::close(console_);
        }
        if (child_ > 0) {
            ::kill(child_, SIGTERM);
            int status = 0;
            ::waitpid(child_, &status, 0);
        }
        SimProgramTest::TearDown();
    }

    // Starts scanner-sim run and opens the UART's pseudo-terminal, raw.
    void start()
    {
        int in[2], out[2];
        ASSERT_EQ(::pipe(in), 0);
        ASSERT_EQ(::pipe(out), 0);
        std::string const program = program_.string();
        std::string const board = (directory_ / "board").string();
        child_ = ::fork();
        ASSERT_GE(child_, 0);
        if (child_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            int const null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            ::execl(program.c_str(), program.c_str(), "run", "--board", board.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        console_ = in[1];
        // "USB serial: PATH" and "UART: PATH".
        std::string printed;
        while (std::count(printed.begin(), printed.end(), '\n') < 2) {
            pollfd ready{out[0], POLLIN, 0};
            ASSERT_GT(::poll(&ready, 1, 20000), 0) << printed;
            char c = 0;
            ASSERT_EQ(::read(out[0], &c, 1), 1) << printed;
            printed.push_back(c);
        }
        ::close(out[0]);
        std::size_t const at = printed.find("UART: ");
        ASSERT_NE(at, std::string::npos) << printed;
        std::string const path = printed.substr(at + 6, printed.find('\n', at) - at - 6);
        terminal_ = ::open(path.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(terminal_, 0) << path;
        termios raw{};
        ASSERT_EQ(::tcgetattr(terminal_, &raw), 0);
        ::cfmakeraw(&raw);
        ASSERT_EQ(::tcsetattr(terminal_, TCSANOW, &raw), 0);
    }

    void console(std::string const& line)
    {
        std::string const text = line + "\n";
        ASSERT_EQ(::write(console_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    // Sends one command and gathers what the UART sends for `wait`, or until `until` arrives.
    std::string command(std::string const& text, std::chrono::milliseconds wait, std::string const& until = {})
    {
        std::string const framed = "\x1b" + text + "\r";
        EXPECT_EQ(::write(terminal_, framed.data(), framed.size()), static_cast<ssize_t>(framed.size()));
        std::string got;
        auto const end = std::chrono::steady_clock::now() + wait;
        while (std::chrono::steady_clock::now() < end && (until.empty() || got.find(until) == std::string::npos)) {
            pollfd ready{terminal_, POLLIN, 0};
            if (::poll(&ready, 1, 50) > 0) {
                char buffer[256];
                ssize_t const n = ::read(terminal_, buffer, sizeof buffer);
                if (n > 0) {
                    got.append(buffer, static_cast<std::size_t>(n));
                }
            }
        }
        return got;
    }

    std::string image(std::string const& name, support::Frame const& frame)
    {
        std::string const path = (directory_ / name).string();
        EXPECT_TRUE(support::writePng(path, frame, support::FileDepth::Bits8));
        return path;
    }

    pid_t child_ = -1;
    int console_ = -1;
    int terminal_ = -1;
};

TEST_F(SimSoftwareTrigger, ZStartsAReadAndYEndsIt)
{
    auto label = support::render({.symbology = BARCODE_CODE128, .data = "HELLO"}, {.moduleSize = 2.0});
    ASSERT_TRUE(label.symbol.ok) << label.symbol.error;
    std::string const labelImage = image("label.png", label.frame);
    std::string const blank = image("blank.png", support::makeFrame(label.frame.width, label.frame.height, 900));
    ASSERT_NO_FATAL_FAILURE(start());

    // A read started on a blank view and stopped takes no label shown afterwards.
    console("image " + blank);
    EXPECT_EQ(command("Z", 5000ms, "\x06"), "\x06");
    EXPECT_EQ(command("Y", 5000ms, "\x06"), "\x06");
    console("image " + labelImage);
    EXPECT_EQ(command("get bank", 1000ms), "0\r");

    EXPECT_EQ(command("Z", 5000ms, "HELLO"), "\x06HELLO");

    // With trigger commands off, "Z" is still answered but starts nothing.
    EXPECT_EQ(command("set universal_acceptance/trigger_command:false", 5000ms, "\x06"), "\x06");
    EXPECT_EQ(command("Z", 1000ms), "\x06");
}

} // namespace
