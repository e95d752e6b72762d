// The key listener against the simulated key input device.
#include "app/indicators/gpio_keyboard.h"

#include "tests/platform/board_fixture.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <mutex>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using platform_test::BoardTest;
using Events = std::vector<std::string>;

constexpr char const* kKeys = "/dev/input/event0";
constexpr unsigned kTrigger = 158;
constexpr unsigned kAim = 1;
constexpr unsigned kHall = 15;

class GpioKeyboardTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        GpioKeyboard::keysPressed_ = 0;
        keyboard_.setKeyboardEventName(kKeys);
        keyboard_.setReopenDelay(20ms);
        keyboard_.connectTrigger([this](bool on) { add("T", on); });
        keyboard_.connectAimWakeup([this](bool on) { add("A", on); });
        keyboard_.connectHallEffect([this](bool on) { add("H", on); });
    }

    void TearDown() override
    {
        keyboard_.stop();
        BoardTest::TearDown();
    }

    // What the slots saw, in order ("T1" trigger pressed, "A0" aim released),
    // once there are `count` events; a short pause shows whether more follow.
    Events events(std::size_t count)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, 3s, [&] { return events_.size() >= count; });
        changed_.wait_for(lock, 20ms, [&] { return events_.size() > count; });
        return events_;
    }

    // Returns once the listener reads the device: a key held at start is
    // reported only after the open.
    void startListening()
    {
        ASSERT_TRUE(board().pressKey(kAim));
        ASSERT_TRUE(keyboard_.start());
        ASSERT_EQ(events(1), (Events{"A1"}));
        ASSERT_TRUE(board().releaseKey(kAim));
        ASSERT_EQ(events(2), (Events{"A1", "A0"}));
    }

    GpioKeyboard keyboard_;

private:
    void add(char const* key, bool on)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::string(key) + (on ? "1" : "0"));
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    Events events_;
};

TEST_F(GpioKeyboardTest, HeldKeysFirstThenPressReleaseAndRepeat)
{
    ASSERT_TRUE(board().pressKey(kTrigger));
    ASSERT_TRUE(board().pressKey(kHall));
    ASSERT_TRUE(board().pressKey(kAim));
    ASSERT_TRUE(keyboard_.start());
    ASSERT_EQ(events(3), (Events{"A1", "T1", "H1"}));
    EXPECT_EQ(GpioKeyboard::keysPressed_.load(), 7u);

    ASSERT_TRUE(board().releaseKey(kTrigger));
    ASSERT_TRUE(board().repeatKey(kHall)); // still held: no new press, no release
    ASSERT_TRUE(board().releaseKey(kAim));
    ASSERT_TRUE(board().releaseKey(kHall));
    ASSERT_TRUE(board().repeatKey(kTrigger)); // its press was missed: it is down now
    ASSERT_TRUE(board().pressKey(30));        // a key the scanner does not have
    EXPECT_EQ(events(7), (Events{"A1", "T1", "H1", "T0", "A0", "H0", "T1"}));
    EXPECT_EQ(GpioKeyboard::keysPressed_.load(), 1u);
}

TEST_F(GpioKeyboardTest, MalformedRecordsAreIgnored)
{
    // A host FIFO in place of the device lets the test write any bytes.
    std::string const fifo = directory() + "/event0";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int const writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ASSERT_TRUE(board().redirect(kKeys, fifo));

    auto send = [&](std::uint16_t type, std::uint16_t code, std::int32_t value) {
        GpioKeyboard::InputEvent const event{1, 2, type, code, value};
        ASSERT_EQ(::write(writer, &event, sizeof event), 16);
    };
    auto drained = [&] {
        for (int i = 0; i < 300; ++i) {
            int pending = -1;
            if (::ioctl(writer, FIONREAD, &pending) == 0 && pending == 0) {
                return true;
            }
            std::this_thread::sleep_for(5ms);
        }
        return false;
    };

    ASSERT_TRUE(keyboard_.start());
    send(EV_KEY, kAim, 1);
    ASSERT_EQ(events(1), (Events{"A1"}));

    send(EV_KEY, kTrigger, 3);        // no such key value
    send(EV_KEY, kTrigger, -1);       // negative value
    send(EV_REL, kTrigger, 1);        // not a key event
    send(EV_SYN, 0, 0);               // report marker
    send(EV_KEY, kHall, 0x10001);     // value far out of range
    ASSERT_TRUE(drained());
    unsigned char const shortRecord[10] = {1, 0, 0, 0, 2, 0, 0, 0, EV_KEY, 0};
    ASSERT_EQ(::write(writer, shortRecord, sizeof shortRecord), 10);
    ASSERT_TRUE(drained());
    send(EV_KEY, kTrigger, 1);
    EXPECT_EQ(events(2), (Events{"A1", "T1"}));
    EXPECT_EQ(GpioKeyboard::keysPressed_.load(), 3u);
    keyboard_.stop();
    ::close(writer);
}

TEST_F(GpioKeyboardTest, StopEndsTheListener)
{
    startListening();
    keyboard_.stop(); // joins: returns only when the thread has ended
    ASSERT_TRUE(board().pressKey(kTrigger));
    EXPECT_EQ(events(2).size(), 2u);

    // It can be started again, and a missing device ends it at once.
    ASSERT_TRUE(board().removeDevice(kKeys));
    ASSERT_TRUE(keyboard_.start());
    keyboard_.stop();
    EXPECT_EQ(events(2).size(), 2u);
}

TEST_F(GpioKeyboardTest, DeviceLostWhileRunningIsReopenedAndResynchronised)
{
    startListening();
    ASSERT_TRUE(board().removeDevice(kKeys));
    ASSERT_TRUE(board().pressKey(kTrigger)); // wakes the listener, whose read now fails
    std::this_thread::sleep_for(60ms);       // a few reopen attempts while the device is away
    ASSERT_TRUE(board().restoreDevice(kKeys));
    EXPECT_EQ(events(3), (Events{"A1", "A0", "T1"}));
    EXPECT_EQ(GpioKeyboard::keysPressed_.load(), 1u);

    ASSERT_TRUE(board().releaseKey(kTrigger));
    EXPECT_EQ(events(4).back(), "T0");
}

TEST(KeyPolarityList, SplitAndJoinFollowLineReading)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(GpioKeyboard::splitString("", ','), V{});
    EXPECT_EQ(GpioKeyboard::splitString("a,,b,", ','), (V{"a", "", "b"}));
    EXPECT_EQ(GpioKeyboard::joinStrings({"", "a"}, ','), "a");
    EXPECT_EQ(GpioKeyboard::joinStrings({"a", ""}, ','), "a,");
    EXPECT_EQ(GpioKeyboard::addItemToString("", "158"), "158");
    EXPECT_EQ(GpioKeyboard::removeItemFromString("158", "158"), "");
}

using PolarityTest = BoardTest;

TEST_F(PolarityTest, TriggerInputFollowsTheExternalTriggerFlag)
{
    char const* const path = GpioKeyboard::kExternalTriggerPolarityPath;
    std::string overlong;
    while (overlong.size() <= 100) {
        overlong += "139,";
    }
    struct Case {
        std::string before;
        int external; // -1: flag not wired
        bool accepted;
        std::string after;
    };
    Case const cases[] = {
        {"139,158", 1, true, "139"},
        {"139,158\n", 0, true, "139,158"},
        {"139\n", 0, true, "139,158"},
        {"158,139,158", 1, true, "139"},
        {"139", -1, true, "139"},        // nothing to follow
        {"", 0, false, ""},              // nothing read: refused
        {overlong, 0, false, overlong},  // would be written back cut short
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.before);
        GpioKeyboard keyboard;
        if (c.external >= 0) {
            keyboard.setExternalTriggerFlagSource([&] { return c.external == 1; });
        }
        ASSERT_TRUE(board().setAttribute(path, c.before));
        EXPECT_EQ(keyboard.onChangeExternalTriggerSignalActive(), c.accepted);
        EXPECT_EQ(board().attribute(path).value_or("?"), c.after);
    }

    // A missing file accepts the change and writes nothing.
    GpioKeyboard keyboard;
    keyboard.setExternalTriggerFlagSource([] { return false; });
    ASSERT_TRUE(board().removeDevice(path));
    EXPECT_TRUE(keyboard.onChangeExternalTriggerSignalActive());
}

} // namespace
