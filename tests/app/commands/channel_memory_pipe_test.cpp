// The in-memory command pipe between the label thread and the "MEMORY" thread.
#include "app/commands/memory_pipe_stream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

std::string readAll(MemoryPipeStream& pipe)
{
    std::string out;
    for (char c; pipe.unread() > 0 && pipe.input().Read(c);) {
        out.push_back(c);
    }
    return out;
}

TEST(ChannelMemoryPipe, FullRingNeverOverwritesUnreadBytes)
{
    MemoryPipeStream pipe;
    pipe.setWriteWait(20ms);
    std::string const first = "\x1b" + std::string(MemoryPipeStream::kSize - 2, 'A'); // 4095 bytes: full
    for (char c : first) {
        ASSERT_TRUE(pipe.output().Write(c));
    }
    // Nobody reads: the byte is refused, and so is the rest of its command up to the next ESC.
    EXPECT_FALSE(pipe.output().Write('B'));
    char c = 0;
    ASSERT_TRUE(pipe.input().Read(c));
    EXPECT_FALSE(pipe.output().Write('C'));
    EXPECT_TRUE(pipe.output().Write('\x1b'));
    EXPECT_FALSE(pipe.output().Write('D')); // full again
    EXPECT_EQ(c + readAll(pipe), first + "\x1b");

    EXPECT_FALSE(pipe.input().Read(&c, 1)); // block transfers are not offered
    EXPECT_EQ(pipe.output().Write("ab", 2), 0);
}

TEST(ChannelMemoryPipe, WriterWaitsForAReaderThatKeepsUp)
{
    MemoryPipeStream pipe;
    std::string label;
    for (std::size_t i = 0; i < 3 * MemoryPipeStream::kSize; ++i) { // round the ring three times
        label.push_back(static_cast<char>(i % 251));
    }
    std::string received;
    std::thread reader([&] {
        for (char c; received.size() < label.size();) {
            if (pipe.input().Read(c)) { // a wake-up without data answers false
                received.push_back(c);
            }
        }
    });
    for (char c : label) {
        ASSERT_TRUE(pipe.output().Write(c));
    }
    reader.join();
    EXPECT_EQ(received, label);
}

} // namespace

namespace {

// A program leaving the firmware after its menu labels must know their commands have run:
// bytes still in the ring, or taken but not yet evaluated, are not that.
TEST(ChannelMemoryPipe, EvaluatedOnlyOnceTheReaderHasTakenEveryByteAndWaitsForMore)
{
    MemoryPipeStream pipe;
    EXPECT_FALSE(pipe.waitUntilEvaluated(10ms)); // no reader yet
    for (char c : std::string("\x1bZ2\r")) {
        ASSERT_TRUE(pipe.output().Write(c));
    }
    std::atomic<bool> release{false};
    std::atomic<int> taken{0};
    std::thread reader([&] {
        for (char c; taken < 4;) {
            if (pipe.input().Read(c) && ++taken == 4) {
                while (!release) { // the command runs
                    std::this_thread::sleep_for(1ms);
                }
            }
        }
        char more = 0;
        (void)pipe.input().Read(more); // back for more, until the pipe interrupts it
    });
    EXPECT_FALSE(pipe.waitUntilEvaluated(50ms));
    EXPECT_EQ(taken, 4);
    release = true;
    EXPECT_TRUE(pipe.waitUntilEvaluated(5s));
    pipe.interruptReader(true);
    reader.join();
}

} // namespace
