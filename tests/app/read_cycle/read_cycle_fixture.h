#pragma once
// The read cycle as the firmware runs it, driven step by step: the test plays the trigger
// (the key callbacks), the heartbeat (doHeartBeat) and the camera (frames pushed into the
// frame queue), and reads what the host receives on the USB serial port.

#include "app/camera/frame_queue.h"
#include "app/read_cycle/read_barcode.h"
#include "config/configuration.h"
#include "platform/sim/board.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace read_cycle_test {

using namespace std::chrono_literals;

inline constexpr char const* kHostPort = "/dev/ttyGS0"; // the default host interface

// A frame with its own pixels: they live as long as anyone holds the frame.
inline FrameIndexStatusPtr makeFrame(support::Frame const& picture)
{
    struct Holder {
        FrameIndexStatus status;
        std::vector<std::uint16_t> pixels;
    };
    auto holder = std::make_shared<Holder>();
    holder->pixels = picture.pixels;
    holder->status.width = picture.width;
    holder->status.height = picture.height;
    holder->status.pixels = holder->pixels.data();
    return FrameIndexStatusPtr(holder, &holder->status);
}

inline support::Frame code128(std::string const& data, double angle = 0.0)
{
    auto rendering = support::render({.symbology = BARCODE_CODE128, .data = data}, {.moduleSize = 2.5, .angle = angle});
    EXPECT_TRUE(rendering.symbol.ok) << rendering.symbol.error;
    return rendering.frame;
}

inline support::Frame blank() { return support::makeFrame(); }

class ReadCycleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static char directory[] = "/tmp/read-cycle-XXXXXX";
        static bool const made = ::mkdtemp(directory) != nullptr;
        ASSERT_TRUE(made && plat::sim::board().setBoardDirectory(directory));
    }

    void SetUp() override
    {
        {
            std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
            ivra_configuration::SetDefault();
            ivra_configuration::Update();
        }
        // What setting up the imager does, without the camera.
        reader().onChangeReadMode();
        reader().onChangeAutoDetect();
        // Whatever an earlier test left running ends quietly.
        for (int i = 0; i < 70000 && reader().readTimer() != 0 && reader().readTimer() != ReadBarcode::kNoTimeOut; ++i) {
            reader().doHeartBeat();
        }
        reader().stopReading();
        frameIB.clear();
        received(100ms, 100ms);
    }

    static ReadBarcode& reader() { return ReadBarcode::getInstance(); }

    // A text command through the evaluator, as the host sends it.
    static void set(std::string const& command)
    {
        std::string const framed = "\x1b" + command + "\r";
        ivra_configuration::MemoryInputStream in(framed);
        ivra_configuration::StringOutputStream reply;
        ivra_configuration::Evaluate(in, reply);
        ASSERT_EQ(reply.Text(), "\x06") << command;
    }

    static FrameIndexStatusPtr show(support::Frame const& picture)
    {
        FrameIndexStatusPtr frame = makeFrame(picture);
        frameIB.push(frame);
        return frame;
    }

    // Whether `done` comes true within the time-out (checked every millisecond).
    template <typename Done>
    static bool eventually(Done done, std::chrono::milliseconds timeout = 5s)
    {
        for (auto const until = std::chrono::steady_clock::now() + timeout; !done();) {
            if (std::chrono::steady_clock::now() >= until) {
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    // Whether the decoder took the frame (or a newer one overtook it) in time.
    static bool taken(FrameIndexStatusPtr const& frame, std::chrono::milliseconds timeout = 5s)
    {
        return eventually([&] { return (std::lock_guard(frameIB.mutex), frame->status != FrameIndexStatus::eNew); }, timeout);
    }

    // What the host has received until the line stays quiet for `quiet`.
    static std::string received(std::chrono::milliseconds quiet = 300ms, std::chrono::milliseconds first = 5s)
    {
        std::string bytes = plat::sim::board().hostRead(kHostPort, 1, first);
        for (std::string more; !bytes.empty() && !(more = plat::sim::board().hostRead(kHostPort, 4096, quiet)).empty();) {
            bytes += more;
        }
        return bytes;
    }

    static void ticks(int count)
    {
        while (count-- > 0) {
            reader().doHeartBeat();
        }
    }
};

} // namespace read_cycle_test
