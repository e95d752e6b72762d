// scanner-sim run as a user drives it: a terminal on the UART relay, the camera's image,
// the trigger key and a look at the LEDs and buzzer from the console.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/frame.h"
#include "tests/support/image_file.h"
#include "tests/support/menu_label.h"
#include "tests/support/symbol_renderer.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

class SimRunRoad : public sim_test::SimProgramTest {
protected:
    void TearDown() override
    {
        stop();
        SimProgramTest::TearDown();
    }

    void stop()
    {
        for (int* fd : {&terminal_, &console_, &printed_}) {
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
        }
        if (child_ > 0) {
            ::kill(child_, SIGTERM);
            int status = 0;
            ::waitpid(child_, &status, 0);
            child_ = -1;
        }
    }

    // The speed the UART's terminal shows, once it is `wanted` or `looks` looks later.
    speed_t terminalSpeed(speed_t wanted, int looks = 40)
    {
        termios settings{};
        for (int i = 0; i < looks; ++i) {
            EXPECT_EQ(::tcgetattr(terminal_, &settings), 0);
            if (cfgetospeed(&settings) == wanted) {
                break;
            }
            std::this_thread::sleep_for(50ms);
        }
        return cfgetospeed(&settings);
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
        printed_ = out[0];
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

    // One console line, taken once the console has answered the "indicators" sent after
    // it (the console and the serial ports are read by threads of their own).
    void console(std::string const& line)
    {
        std::string const text = line + "\n";
        ASSERT_EQ(::write(console_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        indicators();
        if (line.rfind("image ", 0) == 0) {
            // Frames the camera took before hold the old picture.
            std::this_thread::sleep_for(500ms);
        }
    }

    // Sends one command and gathers what the UART sends for `wait`, or until `until` arrives.
    std::string command(std::string const& text, std::chrono::milliseconds wait, std::string const& until = {})
    {
        std::string const framed = "\x1b" + text + "\r";
        EXPECT_EQ(::write(terminal_, framed.data(), framed.size()), static_cast<ssize_t>(framed.size()));
        std::string got;
        auto end = std::chrono::steady_clock::now() + wait;
        bool found = false;
        while (std::chrono::steady_clock::now() < end) {
            if (!found && !until.empty() && got.find(until) != std::string::npos) {
                // What follows at once (an ACK after the label) belongs to this command.
                found = true;
                end = std::min(end, std::chrono::steady_clock::now() + 200ms);
            }
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

    // The console's "indicators": the LED and buzzer writes since the last look.
    std::string indicators()
    {
        std::string const text = "indicators\n";
        EXPECT_EQ(::write(console_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        std::string shown;
        while (shown.size() < 4 || shown.compare(shown.size() - 4, 4, "end\n") != 0) {
            pollfd ready{printed_, POLLIN, 0};
            if (::poll(&ready, 1, 5000) <= 0) {
                break;
            }
            char c = 0;
            if (::read(printed_, &c, 1) != 1) {
                break;
            }
            shown.push_back(c);
        }
        return shown;
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
    int printed_ = -1;
};

// The command's ACK and the label it started, in either order: the label may reach
// the port first.
bool acked(std::string const& got, std::string const& label)
{
    return got == "\x06" + label || got == label + "\x06";
}

using sim_test::Memory;

// "Z" and "Y" from the host start and end a read; a data-editing program sees whether
// the trigger key is up when its label is formatted, and its NG signal gives the error
// LED and beep in place of the good-read ones.
TEST_F(SimRunRoad, TriggerCommandsTheTriggerKeyAndProgramSignals)
{
    std::string images[4];
    char const* const texts[] = {"HELLO", "GOOD", "NG42"};
    for (int i = 0; i < 3; ++i) {
        auto label = support::render({.symbology = BARCODE_CODE128, .data = texts[i]}, {.moduleSize = 2.0});
        ASSERT_TRUE(label.symbol.ok) << label.symbol.error;
        images[i] = image(std::string(texts[i]) + ".png", label.frame);
    }
    images[3] = image("blank.png", support::makeFrame(support::kFrameWidth, support::kFrameHeight, 900));
    auto const& [hello, good, ng, blank] = images;
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(command(Memory(1, "^NG(.*)", "[0,1]$SIGNAL{NG}"), 5000ms, "\x06"), "\x06");
    EXPECT_EQ(command(Memory(2, "^(.*)", "($IS_TRIGGER_UP{up:}|down:)[0,1]"), 5000ms, "\x06"), "\x06");

    // A read started on a blank view and ended takes no label shown afterwards.
    console("image " + blank);
    EXPECT_EQ(command("Z", 5000ms, "\x06"), "\x06");
    EXPECT_EQ(command("Y", 5000ms, "\x06"), "\x06");
    console("image " + hello);
    EXPECT_EQ(command("get bank", 600ms), "0\r");
    EXPECT_TRUE(acked(command("Z", 5000ms, "HELLO"), "up:HELLO"));

    console("image " + good);
    console("trigger");
    EXPECT_EQ(command("", 5000ms, "GOOD"), "down:GOOD");
    console("release");

    // What one label's signal did, once the beeps of the one before have ended.
    auto signalled = [&](std::string const& picture, std::string const& output) {
        command("", 600ms);
        console("image " + picture);
        EXPECT_TRUE(acked(command("Z", 5000ms, output), output));
        command("", 600ms);
        return indicators();
    };
    std::string const ngSignals = signalled(ng, "42");
    for (char const* line : {"led_error/brightness 1\n", "buzzer/frequency 2000\n", "buzzer/frequency 1500\n"}) {
        EXPECT_NE(ngSignals.find(line), std::string::npos) << line << "\n" << ngSignals;
    }
    for (char const* line : {"led_goodread/brightness 1\n", "buzzer/frequency 3250\n"}) {
        EXPECT_EQ(ngSignals.find(line), std::string::npos) << line << "\n" << ngSignals;
    }
    std::string const goodSignals = signalled(hello, "up:HELLO");
    EXPECT_NE(goodSignals.find("led_goodread/brightness 1\n"), std::string::npos) << goodSignals;
    EXPECT_NE(goodSignals.find("buzzer/frequency 3250\n"), std::string::npos) << goodSignals;
    EXPECT_EQ(goodSignals.find("led_error/brightness 1\n"), std::string::npos) << goodSignals;

    // With trigger commands off, "Z" is still answered but starts nothing.
    EXPECT_EQ(command("set universal_acceptance/trigger_command:false", 5000ms, "\x06"), "\x06");
    EXPECT_EQ(command("Z", 800ms), "\x06");
}

// A menu label read outside menu mode is refused with the error LED and beep, and
// nothing reaches the host (SimMenu shows it changes nothing).
TEST_F(SimRunRoad, AStrayMenuLabelSignalsAnErrorAndChangesNothing)
{
    std::string const stray = image("stray.png", support::renderMenuLabel("X/2", {.moduleSize = 2.0}).frame);
    ASSERT_NO_FATAL_FAILURE(start());
    command("", 600ms);
    console("image " + stray);
    EXPECT_EQ(command("Z", 1500ms), "\x06"); // the read's ACK, and no data after it
    command("", 600ms);
    std::string const signals = indicators();
    for (char const* line : {"led_error/brightness 1\n", "buzzer/frequency 2000\n", "buzzer/frequency 1500\n"}) {
        EXPECT_NE(signals.find(line), std::string::npos) << line << "\n" << signals;
    }
    EXPECT_EQ(signals.find("led_goodread/brightness 1\n"), std::string::npos) << signals;
}

// The UART's terminal shows the line settings a save applies, and a restart keeps them;
// values the port cannot run at are refused and change nothing.
TEST_F(SimRunRoad, TheUartTerminalShowsTheLineSettingsASaveAppliesAndARestartKeeps)
{
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(terminalSpeed(B9600), B9600);
    EXPECT_EQ(command("set interface/uart/baud_rate:19200", 5000ms, "\x06"), "\x06");
    EXPECT_EQ(command("set interface/uart/stop_bits:1", 5000ms, "\x06"), "\x06");
    EXPECT_EQ(command("set interface/uart/data_bits:6", 5000ms, "\x15"), "\x15");
    EXPECT_EQ(terminalSpeed(B19200, 4), B9600); // not before a save
    EXPECT_EQ(command("save", 5000ms, "\x06"), "\x06");
    EXPECT_EQ(terminalSpeed(B19200), B19200);
    termios settings{};
    ASSERT_EQ(::tcgetattr(terminal_, &settings), 0);
    EXPECT_NE(settings.c_cflag & CSTOPB, 0u);

    stop();
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(terminalSpeed(B19200), B19200);
    EXPECT_EQ(command("get interface/uart/data_bits", 5000ms, "\r"), "8\r");
}

} // namespace
