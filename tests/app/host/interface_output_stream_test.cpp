// The host output stream on the simulated board: units played in order on the
// model's interface, with their pauses timed at the host end of the line.
#include "app/host/interface_output_stream.h"

#include "app/indicators/buzzer.h"
#include "app/host/host_interface.h"
#include "config/configuration.h"
#include "tests/platform/board_fixture.h"

#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr char const* kUsb = "/dev/ttyGS0";
constexpr char const* kUart = "/dev/ttyS0";

OutputBufferData bytes(std::string const& text, std::uint32_t type = OutputBufferData::ByteText)
{
    return {type, std::vector<unsigned char>(text.begin(), text.end()), {}};
}

OutputBufferData values(std::uint32_t type, std::vector<unsigned int> v) { return {type, {}, std::move(v)}; }

unsigned char usbSerialModel() { return kHostInterfaceUsbSerial; }
unsigned char uartModel() { return kHostInterfaceUart; }
unsigned char keyboardModel() { return kHostInterfaceUsbKeyboard; }

class InterfaceOutputStreamTest : public platform_test::BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        stream_.setUsbHidKeyboardWriter([this](unsigned v) {
            std::lock_guard<std::mutex> lock(mutex_);
            typed_.push_back(v);
        });
    }

    void TearDown() override
    {
        setHostInterfaceSource(nullptr);
        BoardTest::TearDown();
    }

    // The bytes as they reach the host, each with its time of arrival.
    std::string arrivals(char const* port, std::size_t count, std::vector<Clock::time_point>* times = nullptr)
    {
        std::string got;
        while (got.size() < count) {
            std::string const b = board().hostRead(port, 1, 2000ms);
            if (b.empty()) {
                break;
            }
            got += b;
            if (times != nullptr) {
                times->push_back(Clock::now());
            }
        }
        return got;
    }

    std::vector<unsigned> typed(std::size_t count)
    {
        for (auto until = Clock::now() + 3s; Clock::now() < until; std::this_thread::sleep_for(1ms)) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (typed_.size() >= count) {
                break;
            }
        }
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(typed_, {});
    }

    std::mutex mutex_;
    std::vector<unsigned> typed_;
    InterfaceOutputStream stream_;
};

TEST_F(InterfaceOutputStreamTest, UnitsReachTheInterfaceOfTheModel)
{
    using Model = std::pair<HostInterfaceSource, char const*>; // no port: a keyboard model
    for (auto const& [model, port] : {Model{usbSerialModel, kUsb}, Model{uartModel, kUart}, Model{keyboardModel, nullptr}}) {
        SCOPED_TRACE(port == nullptr ? "keyboard" : port);
        setHostInterfaceSource(model);
        stream_.pushOutputBuffer(bytes("abc"));
        stream_.pushOutputBuffer(bytes("\\000026", OutputBufferData::EciMarker));
        stream_.pushOutputBuffer(bytes("dropped", 5)); // no such unit type
        stream_.pushOutputBuffer(values(OutputBufferData::CodePoints, {0x41, 0xE00D}));
        stream_.pushOutputBuffer(bytes("!"));
        EXPECT_EQ(typed(2), (std::vector<unsigned>{0x41, 0xE00D})); // keyboard units, whatever the model
        if (port != nullptr) {
            EXPECT_EQ(arrivals(port, 11), "abc\\000026!");
        }
        EXPECT_EQ(board().hostRead(kUsb, 64, 100ms) + board().hostRead(kUart, 64, 10ms), "");
    }
}

TEST_F(InterfaceOutputStreamTest, PausesAndTheBeepTakeTheirPlaceInOrder)
{
    setHostInterfaceSource(usbSerialModel);
    Buzzer buzzer;
    stream_.setGoodReadBeep([&] { buzzer.play(Buzzer::kGoodRead, Buzzer::kMaximumLoudness); });
    board().clearAttributeLog();
    for (auto const& unit : {bytes("A"), values(OutputBufferData::Pause, {30}), bytes("B"),
                             values(OutputBufferData::GoodRead, {0}), values(OutputBufferData::Pause, {10}),
                             values(OutputBufferData::Pause, {}), // malformed: no time
                             values(OutputBufferData::Pause, {0}), bytes("C")}) {
        stream_.pushOutputBuffer(unit);
    }
    std::vector<Clock::time_point> at;
    ASSERT_EQ(arrivals(kUsb, 3, &at), "ABC");
    EXPECT_GE(at[1] - at[0], 280ms);
    EXPECT_GE(at[2] - at[1], 90ms);
    auto log = board().attributeLog();
    std::erase_if(log, [](auto const& e) { return e.path != "/sys/class/leds/buzzer/frequency" || e.value == "0"; });
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().value, std::to_string(buzzer.goodReadList().front().frequency));
    EXPECT_LT(log.front().time, at[2]); // played before the pause that precedes C

    // A keyboard model hands pauses to the keyboard, which paces them itself.
    setHostInterfaceSource(keyboardModel);
    stream_.pushOutputBuffer(values(OutputBufferData::Pause, {30}));
    stream_.pushOutputBuffer(values(OutputBufferData::Pause, {0x1FF}));
    EXPECT_EQ(typed(2), (std::vector<unsigned>{0xE11E, 0xE1FF}));
}

TEST_F(InterfaceOutputStreamTest, InterCharacterDelaySpacesEveryByte)
{
    setHostInterfaceSource(uartModel);
    auto set = [](std::uint16_t ms) {
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        ASSERT_TRUE(ivra_configuration::Root().interface.uart.inter_character_delay.time.Set(ms));
        ASSERT_TRUE(ivra_configuration::Update());
    };
    set(60);
    stream_.pushOutputBuffer(bytes("abc"));
    std::vector<Clock::time_point> at;
    std::string const got = arrivals(kUart, 3, &at);
    set(0);
    ASSERT_EQ(got, "abc");
    EXPECT_GE(at[1] - at[0], 50ms);
    EXPECT_GE(at[2] - at[1], 50ms);
}

TEST_F(InterfaceOutputStreamTest, TextWrittenStraightBypassesTheQueue)
{
    setHostInterfaceSource(usbSerialModel);
    stream_.pushOutputBuffer(values(OutputBufferData::Pause, {50}));
    stream_.pushOutputBuffer(bytes("queued"));
    std::this_thread::sleep_for(50ms); // the pause is playing
    stream_.usbSerialPort().close();   // as a failed write elsewhere would leave it: reopened
    EXPECT_TRUE(stream_.Write("now"));
    EXPECT_TRUE(stream_.Write('!'));
    EXPECT_EQ(stream_.Write("+-", 2), 2);
    EXPECT_EQ(arrivals(kUsb, 12), "now!+-queued");

    // A keyboard model has no serial port for text: nothing written, nothing owed.
    setHostInterfaceSource(keyboardModel);
    EXPECT_TRUE(stream_.Write("dropped"));
    EXPECT_EQ(stream_.Write("xy", 2), 0);
    EXPECT_EQ(board().hostRead(kUsb, 16, 200ms) + board().hostRead(kUart, 16, 10ms), "");

    // A lost device: writes fail and say so; units are consumed; the stream still ends.
    setHostInterfaceSource(usbSerialModel);
    ASSERT_TRUE(board().removeDevice(kUsb));
    stream_.usbSerialPort().setRetryTimes(20ms, 50ms);
    EXPECT_FALSE(stream_.Write("lost"));
    stream_.pushOutputBuffer(bytes("lost"));
    stream_.pushOutputBuffer(values(OutputBufferData::Pause, {255}));
}

} // namespace
