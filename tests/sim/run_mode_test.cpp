// scanner-sim run: the console that plays the user and the terminal relays.
#include "sim/run_mode.h"

#include "platform/platform.h"
#include "tests/app/commands/channel_fixture.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using channel_test::ChannelTest;
using namespace std::chrono_literals;

std::FILE* textFile(std::string const& text)
{
    std::FILE* file = std::tmpfile();
    std::fputs(text.c_str(), file);
    std::rewind(file);
    return file;
}

std::string contents(std::FILE* file)
{
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        text.push_back(static_cast<char>(c));
    }
    return text;
}

using SimRun = ChannelTest;

TEST_F(SimRun, ConsoleDrivesTheKeysAndCameraUntilQuit)
{
    std::FILE* in = textFile("trigger\n  \nimage /no/such/image.png\nimage\nfrobnicate\nrelease\ntrigger\nquit\nrelease\n");
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(scanner_sim::runConsole(in, err), 0);
    std::string const problems = contents(err);
    std::fclose(in);
    std::fclose(err);
    EXPECT_NE(problems.find("image: /no/such/image.png"), std::string::npos) << problems;
    EXPECT_NE(problems.find("image: give an image file"), std::string::npos) << problems;
    EXPECT_NE(problems.find("unknown command \"frobnicate\""), std::string::npos) << problems;
    EXPECT_TRUE(board().keyHeld(158)); // the last trigger held; nothing after "quit" ran
    ASSERT_TRUE(board().releaseKey(158));
}

// A console line longer than any buffer is one command: its tail never runs as one
// of its own (a 4095-byte line ending in "quit" once quit).
TEST_F(SimRun, ALongConsoleLineIsOneCommand)
{
    std::FILE* in = textFile(std::string(4095, 'x') + "quit\n" + std::string(10000, 'y') + "trigger\ntrigger\nquit\n");
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(scanner_sim::runConsole(in, err), 0);
    std::string const problems = contents(err);
    std::fclose(in);
    std::fclose(err);
    EXPECT_EQ(problems.find("unknown command \"quit\""), std::string::npos) << problems.substr(0, 200);
    EXPECT_TRUE(board().keyHeld(158)); // only the trigger on a line of its own ran, and the run went on to it
    ASSERT_TRUE(board().releaseKey(158));
}

TEST_F(SimRun, TerminalOnTheRelayTalksToTheCommandChannel)
{
    for (char const* port : {channel_test::kUsb, channel_test::kUart}) {
        SCOPED_TRACE(port);
        std::string problem;
        auto relay = scanner_sim::SerialRelay::open(port, problem);
        ASSERT_NE(relay, nullptr) << problem;
        int const terminal = ::open(relay->path().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(terminal, 0);
        termios raw{};
        ASSERT_EQ(::tcgetattr(terminal, &raw), 0);
        ::cfmakeraw(&raw);
        ASSERT_EQ(::tcsetattr(terminal, TCSANOW, &raw), 0);

        std::string const command = "\x02get bank\x03";
        ASSERT_EQ(::write(terminal, command.data(), command.size()), static_cast<ssize_t>(command.size()));
        std::string reply;
        while (reply.size() < 2) {
            pollfd ready{terminal, POLLIN, 0};
            if (::poll(&ready, 1, 3000) <= 0) {
                break;
            }
            char buffer[16];
            ssize_t const n = ::read(terminal, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            reply.append(buffer, static_cast<std::size_t>(n));
        }
        EXPECT_EQ(reply, "0\r");
        ::close(terminal);
    }
}

// The console's look at the keyboard reads the language setting while the command channels
// change it; the host types with the layout set at the time of the look.
TEST_F(SimRun, KeyboardLooksFollowTheLanguageWhileCommandsChangeIt)
{
    constexpr int kLooks = 200;
    std::FILE* in = std::tmpfile();
    for (int i = 0; i < kLooks; ++i) {
        std::fputs("keyboard\n", in);
    }
    std::rewind(in);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    std::thread console([&] { scanner_sim::runConsole(in, err, out); });
    auto const setLanguage = [&](char const* language) {
        std::string const command = std::string("\x1bset interface/usb_hid/keyboard/language:\"") + language + "\"\r";
        EXPECT_TRUE(board().hostWrite(channel_test::kUsb, command));
        EXPECT_EQ(board().hostRead(channel_test::kUsb, 1, 3000ms), "\x06") << language;
    };
    for (int i = 0; i < kLooks; ++i) {
        setLanguage(i % 2 == 0 ? "GERMAN" : "USA");
    }
    console.join();
    std::string const looks = contents(out);
    std::size_t typedLines = 0;
    for (std::size_t at = 0; (at = looks.find("typed: ", at)) != std::string::npos; ++at) {
        ++typedLines;
    }
    EXPECT_EQ(typedLines, static_cast<std::size_t>(kLooks));

    // The key right of T: Y on a US keyboard, Z on a German one.
    setLanguage("GERMAN");
    platform_test::Descriptor gadget(plat::open("/dev/hidg0", O_WRONLY));
    ASSERT_TRUE(gadget);
    for (std::array<std::uint8_t, 8> const report : {std::array<std::uint8_t, 8>{0, 0, 0x1C}, std::array<std::uint8_t, 8>{}}) {
        ASSERT_EQ(plat::write(gadget.get(), report.data(), report.size()), 8);
    }
    std::FILE* last = std::tmpfile();
    std::fputs("keyboard\n", last);
    std::rewind(last);
    std::FILE* shown = std::tmpfile();
    EXPECT_EQ(scanner_sim::runConsole(last, err, shown), 0);
    EXPECT_EQ(contents(shown), "report: 00 00 1C 00 00 00 00 00\nreport: 00 00 00 00 00 00 00 00\ntyped: z\n");
    for (std::FILE* file : {in, out, err, last, shown}) {
        std::fclose(file);
    }
}

} // namespace
