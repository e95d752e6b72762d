// The indicator LEDs on manual heartbeat ticks, read back from the simulated
// board's sysfs event log.
#include "app/indicators/demo_aim_led.h"
#include "app/heartbeat.h"
#include "app/indicators/indicator_leds.h"
#include "config/configuration.h"

#include "tests/platform/board_fixture.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr char const* kGoodRead = "/sys/class/leds/led_goodread/brightness";
constexpr char const* kError = "/sys/class/leds/led_error/brightness";
constexpr char const* kAim = "/sys/class/leds/led_aim/brightness";
constexpr char const* kGoodReadActiveLow = "/sys/class/leds/led_goodread/active_low";

struct Request {
    int tick;
    unsigned action;
    int ms;
};

class IndicatorLedsTest : public platform_test::BoardTest {
protected:
    void TearDown() override
    {
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        EXPECT_TRUE(ivra_configuration::Root().indicator.led.SetDefault());
        EXPECT_TRUE(ivra_configuration::Update());
        BoardTest::TearDown();
    }

    static void setInvert(bool invert)
    {
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        ASSERT_TRUE(ivra_configuration::Root().indicator.led.good_read.invert.Set(invert));
        ASSERT_TRUE(ivra_configuration::Update());
    }

    // LED writes as "tick:LED value" ("25:G0": good-read LED off after 25
    // ticks). Before each tick's writes are noted, `atTick` may make requests.
    template <class Leds>
    std::string timeline(Leds& leds, int ticks, std::function<void(int)> const& atTick)
    {
        Heartbeat heartbeat(10ms); // never started: the test steps it
        heartbeat.connect([&] { leds.doHeartBeat(); });
        board().clearAttributeLog();
        std::string text;
        std::size_t seen = 0;
        for (int tick = 0; tick <= ticks; ++tick) {
            if (tick > 0) {
                heartbeat.tick();
            }
            atTick(tick);
            auto const log = board().attributeLog();
            for (; seen < log.size(); ++seen) {
                auto const& path = log[seen].path;
                char const* led = path == kGoodRead ? "G" : path == kError ? "E" : path == kAim ? "A" : nullptr;
                if (led != nullptr) {
                    text += (text.empty() ? "" : " ") + std::to_string(tick) + ":" + led + log[seen].value;
                }
            }
        }
        return text;
    }

    std::string play(std::vector<Request> const& requests, int ticks)
    {
        IndicatorLeds leds;
        return timeline(leds, ticks, [&](int tick) {
            for (auto const& request : requests) {
                if (request.tick == tick) {
                    leds.doAction(request.action, request.ms);
                }
            }
        });
    }
};

TEST_F(IndicatorLedsTest, RequestsLightTheLedsForTheirTicks)
{
    struct Case {
        char const* what;
        std::vector<Request> requests;
        int ticks;
        char const* writes;
    };
    Case const cases[] = {
        {"5 ms still lasts one tick", {{0, 2, 5}}, 30, "0:G1 1:G0"},
        {"100 ms lasts ten ticks", {{0, 2, 100}}, 30, "0:G1 10:G0"},
        {"both LEDs", {{0, 3, 50}}, 30, "0:E1 0:G1 5:E0 5:G0"},
        {"blinking good-read LED", {{0, 8, 1000}}, 200, "0:G1 25:G0 50:G1 75:G0 100:G0"},
        {"blinking error LED ends mid-phase", {{0, 4, 600}}, 200, "0:E1 25:E0 50:E1 60:E0"},
        {"blink stopped by a time of 0, good-read LED untouched",
         {{0, 4, 1000}, {0, 2, 1000}, {30, 4, 0}},
         200,
         "0:E1 0:G1 25:E0 30:E0 100:G0"},
        {"a new request restarts the time", {{0, 2, 100}, {5, 2, 100}}, 40, "0:G1 5:G1 15:G0"},
        {"a time of 0 switches off at once", {{0, 2, 1000}, {3, 2, 0}}, 200, "0:G1 3:G0"},
        {"a negative time lasts one tick", {{0, 1, -20}}, 10, "0:E1 1:E0"},
        {"no known bits, nothing", {{0, 0, 100}, {0, 16, 100}}, 20, ""},
        // 65535 ticks would read as idle and leave the LED on for good.
        {"an overlong time still ends", {{0, 2, 700000}}, 65600, "0:G1 65534:G0"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(play(c.requests, c.ticks), c.writes);
    }
}

TEST_F(IndicatorLedsTest, InvertSettingDrivesActiveLow)
{
    setInvert(true);
    board().clearAttributeLog();
    IndicatorLeds leds; // both off, then the polarity
    std::vector<std::string> writes;
    for (auto const& event : board().attributeLog()) {
        writes.push_back(event.path + "=" + event.value);
    }
    EXPECT_EQ(writes, (std::vector<std::string>{std::string(kGoodRead) + "=0", std::string(kError) + "=0",
                                                std::string(kGoodReadActiveLow) + "=1"}));

    IndicatorLeds::getInstance(); // follows later changes
    setInvert(false);
    EXPECT_EQ(board().attribute(kGoodReadActiveLow), "0");
    setInvert(true);
    EXPECT_EQ(board().attribute(kGoodReadActiveLow), "1");
}

TEST_F(IndicatorLedsTest, MissingAttributesFailSilently)
{
    // Gone before the LEDs are built: they never open, the other LED works on.
    ASSERT_TRUE(board().removeDevice(kGoodRead));
    ASSERT_TRUE(board().removeDevice(kGoodReadActiveLow));
    setInvert(true);
    EXPECT_EQ(play({{0, 8, 600}, {0, 1, 100}}, 100), "0:E1 10:E0");
    ASSERT_TRUE(board().restoreDevice(kGoodRead));

    // Gone while open: the blink keeps its rhythm and shows again on return.
    IndicatorLeds leds;
    std::string const writes = timeline(leds, 150, [&](int tick) {
        if (tick == 0) {
            leds.doAction(8, 1000);
        } else if (tick == 10) {
            board().removeDevice(kGoodRead);
        } else if (tick == 60) {
            board().restoreDevice(kGoodRead);
        }
    });
    EXPECT_EQ(writes, "0:G1 75:G0 100:G0");
}

TEST_F(IndicatorLedsTest, AimLedCountsTicks)
{
    DemoAimLed aim;
    std::string const writes = timeline(aim, 120, [&](int tick) {
        if (tick == 0) {
            aim.doAction(2, 60);
        } else if (tick == 80) {
            aim.doAction(1, 5);
        }
    });
    EXPECT_EQ(writes, "0:A1 25:A0 50:A1 60:A0 80:A1 85:A0");
}

} // namespace
