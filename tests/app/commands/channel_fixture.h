#pragma once
// The command channels as the firmware runs them: the "USBCOM", "UART" and
// "MEMORY" threads evaluating commands from the process's channel streams,
// with the host at the simulated board's serial masters.
//
// Each test runs its own threads and ends them; its board reset gives the
// ports new lines, and ChannelTest moves every port of the channels onto them.

#include "app/commands/command_channels.h"
#include "app/commands/memory_channel.h"
#include "app/host/interface_output_stream.h"
#include "app/settings/menu_cmd_handler.h"
#include "app/host/host_interface.h"
#include "app/settings/parameter_object.h"
#include "app/commands/reply_routing.h"
#include "config/configuration.h"
#include "tests/platform/board_fixture.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <pthread.h>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace channel_test {

using namespace std::chrono_literals;

inline constexpr char const* kUsb = "/dev/ttyGS0";
inline constexpr char const* kUart = "/dev/ttyS0";
inline constexpr char kEsc = 0x1B;
inline constexpr char kCr = 0x0D;
inline constexpr char kAck = 0x06;
inline constexpr char kNak = 0x15;

// The three command threads of one test, named as the firmware names them so
// that replies find their channel. stop() ends and joins them: the pipe's
// reader is interrupted, and the serial readers find their ports closed and
// their devices gone, so each evaluator returns and its thread sees the stop.
// No thread outlives its test to read commands or pipe bytes meant for another.
class CommandThreads {
public:
    CommandThreads() = default;
    CommandThreads(CommandThreads const&) = delete;
    CommandThreads& operator=(CommandThreads const&) = delete;
    ~CommandThreads() { stop(); }

    void start()
    {
        MenuCmdHandler::getInstance();
        stop_ = false;
        run("USBCOM", usbComInputstream, usbComOutputstream);
        run("UART", uartInputStream, uartOutputstream);
        run("MEMORY", memoryChannel_.input(), memoryChannel_.output());
    }

    void stop()
    {
        if (threads_.empty()) {
            return;
        }
        stop_ = true;
        memoryPipeStream.interruptReader(true);
        plat::sim::Board& board = plat::sim::board();
        for (char const* device : {kUsb, kUart}) {
            EXPECT_TRUE(board.removeDevice(device));
        }
        for (SerialPort* port : {&usbComInputstream.port(), &uartInputStream.port()}) {
            port->close();
        }
        for (std::thread& thread : threads_) {
            thread.join();
        }
        threads_.clear();
        memoryPipeStream.interruptReader(false);
        // What the test left unread in the pipe goes with it.
        for (char c; memoryPipeStream.unread() > 0 && memoryPipeStream.input().Read(c);) {
        }
        for (char const* device : {kUsb, kUart}) {
            EXPECT_TRUE(board.restoreDevice(device));
        }
    }

private:
    template <typename In, typename Out>
    void run(char const* name, In& in, Out& out)
    {
        threads_.emplace_back([this, name, &in, &out] {
            pthread_setname_np(pthread_self(), name);
            while (!stop_) {
                ivra_configuration::Evaluate(in, out);
            }
        });
    }

    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
    // The "MEMORY" thread's streams, as the firmware's handle_pipe_com makes them.
    MemoryChannel memoryChannel_{memoryPipeStream.input(), InterfaceOutputStream::getInstance()};
};

// Every port of the channels onto the board's present lines, before the
// threads start: the output ports first set up the new lines, so the readers
// find them set and discard nothing the host sends.
inline void reattachPorts()
{
    for (SerialPort* port : {&usbComInputstream.port(), &uartInputStream.port()}) {
        port->setRetryTimes(20ms, 2000ms);
    }
    for (SerialPort* port : {&usbComOutputstream.port(), &uartOutputstream.port(),
                             &InterfaceOutputStream::getInstance().usbSerialPort(),
                             &InterfaceOutputStream::getInstance().uartPort(), &usbComInputstream.port(),
                             &uartInputStream.port()}) {
        EXPECT_TRUE(port->reopen());
    }
}

// A parameter object that serves a few codes under the free identifier:
//   "ZT" runs at once; "ZR" is refused; "ZP" runs with exactly two numbers;
//   "ZE" replies "echo" CR on the channel of the thread that runs it.
class TestCommands final : public ParameterObject {
public:
    TestCommands() : ParameterObject("testcommands", ParameterIdentifier::Unused, kTable) {}

    int ExecuteCommand(unsigned code, std::vector<char> params, ivra_configuration::InputStream&,
                       ivra_configuration::OutputStream&) override
    {
        char const name[] = {static_cast<char>(code >> 8), static_cast<char>(code), '\0'};
        {
            std::lock_guard<std::mutex> lock(mutex_);
            executed_.push_back(std::string(name) + std::string(params.begin(), params.end()));
        }
        if (code == 0x5A52) {
            return kRefused;
        }
        if (code == 0x5A45) {
            std::string reply = "echo\r";
            DoStringToOutputStream(pthread_self(), reply, false);
        }
        return kDone;
    }

    std::vector<std::string> executed() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return executed_;
    }

    static constexpr MenuCommandItem kTable[] = {
        {0x5A54, 0, 0, {0, 0}}, // ZT
        {0x5A52, 0, 0, {0, 0}}, // ZR
        {0x5A50, 2, 2, {0, 0}}, // ZP
        {0x5A45, 0, 0, {0, 0}}, // ZE
        {0, 0, 0, {0, 0}},
    };

private:
    mutable std::mutex mutex_;
    std::vector<std::string> executed_;
};

// A fresh board with the channels running on it and the test codes served.
class ChannelTest : public platform_test::BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        reattachPorts();
        restoreDefaults();
        threads_.start();
    }

    void TearDown() override
    {
        threads_.stop();
        setHostInterfaceSource(nullptr);
        InterfaceOutputStream::getInstance().setUsbHidKeyboardWriter(nullptr);
        restoreDefaults();
        // Closed output ports reopen on their first write, on whatever board comes next.
        for (SerialPort* port : {&usbComOutputstream.port(), &uartOutputstream.port(),
                                 &InterfaceOutputStream::getInstance().usbSerialPort(),
                                 &InterfaceOutputStream::getInstance().uartPort()}) {
            port->close();
        }
        BoardTest::TearDown();
    }

    static void restoreDefaults()
    {
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        EXPECT_TRUE(ivra_configuration::SetDefault());
    }

    static void setSetting(ivra_configuration::PropertyHandle<bool> const& handle, bool value)
    {
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        ASSERT_TRUE(handle.Set(value));
        ASSERT_TRUE(ivra_configuration::Update());
    }

    // The banks as stored text: what a save would keep.
    static std::string storedSettings()
    {
        ivra_configuration::StringOutputStream text;
        EXPECT_TRUE(ivra_configuration::Export(text));
        return text.Text();
    }

    void send(std::string_view port, std::string_view bytes) { ASSERT_TRUE(board().hostWrite(port, bytes)); }

    // What the host receives until the line has been quiet for `quiet`, waiting
    // at most `first` for the first byte.
    std::string receive(std::string_view port, std::chrono::milliseconds first = 3000ms,
                        std::chrono::milliseconds quiet = 150ms)
    {
        std::string received = board().hostRead(port, 1, first);
        if (received.empty()) {
            return received;
        }
        for (std::string more; !(more = board().hostRead(port, 4096, quiet)).empty();) {
            received += more;
        }
        return received;
    }

    // The bytes on the port until they end with `tail` or `limit` has passed
    // (a slow machine can leave long gaps inside one reply).
    std::string receiveUntil(std::string_view port, std::string_view tail, std::chrono::milliseconds limit = 5000ms)
    {
        auto const end = std::chrono::steady_clock::now() + limit;
        std::string received;
        while (!received.ends_with(tail)) {
            auto const now = std::chrono::steady_clock::now();
            if (now >= end) {
                break;
            }
            received += board().hostRead(port, 1, std::chrono::duration_cast<std::chrono::milliseconds>(end - now));
        }
        return received;
    }

    // The bytes into the memory pipe, as the read cycle writes a menu label.
    static void sendToPipe(std::string_view bytes)
    {
        for (char c : bytes) {
            ASSERT_TRUE(memoryPipeStream.output().Write(c));
        }
    }

    TestCommands commands_;
    CommandThreads threads_;
};

} // namespace channel_test
