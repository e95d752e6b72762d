// The buzzer's lists and timing, read back from the simulated board's sysfs
// event log. A tone lasts from its frequency write to the next one: never
// shorter than asked, and within a generous slack of it.
#include "app/indicators/buzzer.h"
#include "config/configuration.h"

#include "tests/platform/board_fixture.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using ToneType = ivra_configuration::configuration::indicator::buzzer::good_read::tone::type::Enum;
using LoudnessType = ivra_configuration::configuration::indicator::buzzer::loudness::type::Enum;
using SignalActive = ivra_configuration::configuration::indicator::buzzer::signal_active::Enum;
using Manual = ivra_configuration::Array<std::uint16_t, 2>;
using Tones = std::vector<Buzzer::beep>;

constexpr char const* kFrequency = "/sys/class/leds/buzzer/frequency";
constexpr char const* kBrightness = "/sys/class/leds/buzzer/brightness";
constexpr char const* kActiveLow = "/sys/class/leds/buzzer/active_low";

auto& settings()
{
    return ivra_configuration::Root().indicator.buzzer;
}

template <class Handle, class Value>
void set(Handle const& handle, Value const& value)
{
    std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
    ASSERT_TRUE(handle.Set(value));
    ASSERT_TRUE(ivra_configuration::Update());
}

class BuzzerTest : public platform_test::BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        restoreDefaults();
    }

    void TearDown() override
    {
        restoreDefaults();
        BoardTest::TearDown();
    }

    static void restoreDefaults()
    {
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        EXPECT_TRUE(settings().SetDefault());
        EXPECT_TRUE(ivra_configuration::Update());
    }

    std::vector<plat::sim::AttributeEvent> writes(char const* path)
    {
        auto log = board().attributeLog();
        std::erase_if(log, [&](auto const& event) { return event.path != path; });
        return log;
    }

    // The frequency writes, once the buzzer has fallen silent.
    std::vector<plat::sim::AttributeEvent> untilSilence()
    {
        auto const deadline = Clock::now() + 5s;
        for (;;) {
            auto found = writes(kFrequency);
            if ((!found.empty() && found.back().value == "0") || Clock::now() > deadline) {
                return found;
            }
            std::this_thread::sleep_for(1ms);
        }
    }

    void expectTones(Tones const& tones)
    {
        auto const found = untilSilence();
        ASSERT_EQ(found.size(), tones.size() + 1);
        for (std::size_t i = 0; i < tones.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(found[i].value, std::to_string(tones[i].frequency));
            auto const length = found[i + 1].time - found[i].time;
            EXPECT_GE(length, std::chrono::milliseconds(tones[i].duration));
            EXPECT_LT(length, std::chrono::milliseconds(tones[i].duration) + 1s);
        }
        EXPECT_EQ(found.back().value, "0");
    }

    // A buzzer built on the present settings, its start-up writes out of the log.
    std::unique_ptr<Buzzer> quietBuzzer()
    {
        auto buzzer = std::make_unique<Buzzer>();
        board().clearAttributeLog();
        return buzzer;
    }
};

TEST_F(BuzzerTest, FixedListsPlayInOrderAtFullLoudness)
{
    struct Case {
        int type;
        Tones tones;
    };
    Case const cases[] = {
        {0, {{2500, 150}, {3000, 100}, {4000, 100}}},
        {1, {{2000, 100}, {1500, 200}}},
        {3, {{3500, 200}}},
        {4, {{3000, 100}, {2500, 100}, {4000, 100}}},
        {5, {{3000, 10}}},
    };
    auto buzzer = quietBuzzer();
    for (auto const& c : cases) {
        SCOPED_TRACE(c.type);
        board().clearAttributeLog();
        ASSERT_TRUE(buzzer->play(c.type, 127));
        expectTones(c.tones);
        // The level goes with every tone, not with the silence.
        auto const levels = writes(kBrightness);
        EXPECT_EQ(levels.size(), c.tones.size());
        EXPECT_TRUE(std::all_of(levels.begin(), levels.end(), [](auto const& e) { return e.value == "127"; }));
    }
}

TEST_F(BuzzerTest, GoodReadListFollowsTheToneSettings)
{
    struct Case {
        char const* what;
        bool enable;
        ToneType type;
        Manual manual;
        std::uint16_t ms;
        Tones tones;
    };
    Case const cases[] = {
        {"high", true, ToneType::HIGH, {}, 30, {{3250, 30}}},
        {"medium", true, ToneType::MEDIUM, {}, 30, {{3000, 30}}},
        {"low", true, ToneType::LOW, {}, 30, {{2750, 30}}},
        {"falling", true, ToneType::TO_LOW, {}, 30, {{3000, 30}, {2500, 30}}},
        {"rising", true, ToneType::TO_HIGH, {}, 80, {{3000, 80}, {4000, 80}}},
        {"manual, a 0 skipped", true, ToneType::MANUAL, {2, {0, 2700}}, 30, {{2700, 30}}},
        {"manual, two tones", true, ToneType::MANUAL, {2, {2600, 2700}}, 30, {{2600, 30}, {2700, 30}}},
        {"manual, none given", true, ToneType::MANUAL, {}, 30, {}},
        {"switched off: silence at once", false, ToneType::TO_HIGH, {}, 30, {}},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        set(settings().good_read.enable, c.enable);
        set(settings().good_read.tone.type, c.type);
        set(settings().good_read.tone.manual_value, c.manual);
        set(settings().good_read.time, c.ms);
        auto buzzer = quietBuzzer();
        ASSERT_TRUE(buzzer->play(2, 127));
        expectTones(c.tones);
    }
}

TEST_F(BuzzerTest, LoudnessSetsTheLevelOfEachTone)
{
    struct Case {
        LoudnessType type;
        std::uint8_t manual;
        char const* level;
    };
    Case const cases[] = {
        {LoudnessType::MAXIMUM, 10, "127"}, {LoudnessType::HIGH, 10, "101"},  {LoudnessType::MEDIUM, 10, "75"},
        {LoudnessType::LOW, 10, "50"},      {LoudnessType::MANUAL, 50, "63"}, {LoudnessType::MANUAL, 0, "0"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.level);
        set(settings().loudness.type, c.type);
        set(settings().loudness.manual_value, c.manual);
        auto buzzer = quietBuzzer();
        ASSERT_TRUE(buzzer->play(5, 63)); // the volume argument does not count
        untilSilence();
        auto const levels = writes(kBrightness);
        ASSERT_EQ(levels.size(), 1u);
        EXPECT_EQ(levels[0].value, c.level);
    }
}

TEST_F(BuzzerTest, TheFirmwareInstanceFollowsTheSettings)
{
    Buzzer& buzzer = Buzzer::getInstance();
    set(settings().signal_active, SignalActive::LOW);
    EXPECT_EQ(board().attribute(kActiveLow), "1");
    set(settings().signal_active, SignalActive::HIGH);
    EXPECT_EQ(board().attribute(kActiveLow), "0");
    set(settings().loudness.type, LoudnessType::LOW);
    EXPECT_EQ(buzzer.loudness(), 50);
    set(settings().good_read.tone.type, ToneType::TO_LOW);
    EXPECT_EQ(buzzer.goodReadList().size(), 2u);
}

TEST_F(BuzzerTest, ARequestDuringAToneReturnsAtOnceAndReplacesTheRestAfterIt)
{
    auto buzzer = quietBuzzer();
    auto const sounding = [&] {
        auto const deadline = Clock::now() + 5s;
        while (writes(kFrequency).empty() && Clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
    };
    ASSERT_TRUE(buzzer->play(0, 127));
    sounding();
    ASSERT_TRUE(buzzer->play(1, 127));
    // The 150 ms tone was still sounding when the request came back.
    EXPECT_EQ(writes(kFrequency).size(), 1u);
    expectTones({{2500, 150}, {2000, 100}, {1500, 200}});

    // Nobody waits for a tone of a minute, and the end of the player cuts it.
    board().clearAttributeLog();
    buzzer->setCustomBeep({{1000, 60000}});
    ASSERT_TRUE(buzzer->play(128, 127));
    sounding();
    auto request = std::async(std::launch::async, [&] { return buzzer->play(1, 127); });
    EXPECT_EQ(request.wait_for(5s), std::future_status::ready) << "the request waited for the tone";
    EXPECT_EQ(writes(kFrequency).size(), 1u);
    buzzer.reset();
    EXPECT_TRUE(request.get());
    EXPECT_EQ(board().attributeLog().back().value, "0");
}

TEST_F(BuzzerTest, NoRequestIsLost)
{
    // Each request comes the moment the player falls silent after the last
    // one, where a wake-up between its check and its wait would be missed.
    auto buzzer = quietBuzzer();
    buzzer->setCustomBeep({{3000, 1}});
    auto const toneThenSilence = [&] {
        auto const deadline = Clock::now() + 2s;
        for (;;) {
            auto const log = board().attributeLog(); // a few entries: cheap to poll
            if (log.size() >= 2 && log.front().value == "3000" && log.back().value == "0") {
                return true;
            }
            if (Clock::now() > deadline) {
                return false;
            }
        }
    };
    for (int round = 0; round < 3000; ++round) {
        board().clearAttributeLog();
        ASSERT_TRUE(buzzer->play(128, 127));
        ASSERT_TRUE(toneThenSilence()) << "round " << round;
    }
}

TEST_F(BuzzerTest, RequestsWithoutAListChangeNothing)
{
    auto buzzer = quietBuzzer();
    for (int const type : {-1, 6, 127, 129}) {
        EXPECT_FALSE(buzzer->play(type, 127)) << type;
    }
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(board().attributeLog().empty());

    ASSERT_TRUE(buzzer->play(128, 127)); // the custom list is empty until set
    expectTones({});
    board().clearAttributeLog();
    buzzer->setCustomBeep({{1000, 20}, {1200, 30}});
    ASSERT_TRUE(buzzer->play(128, 127));
    expectTones({{1000, 20}, {1200, 30}});
}

TEST_F(BuzzerTest, MissingAttributesFailSilently)
{
    // Without loudness and polarity the tones keep their timing.
    ASSERT_TRUE(board().removeDevice(kBrightness));
    ASSERT_TRUE(board().removeDevice(kActiveLow));
    set(settings().signal_active, SignalActive::LOW);
    auto buzzer = quietBuzzer();
    EXPECT_EQ(buzzer->activeLevel(), 0); // nothing was written
    ASSERT_TRUE(buzzer->play(1, 127));
    expectTones({{2000, 100}, {1500, 200}});
    EXPECT_TRUE(writes(kBrightness).empty());

    // Without any attribute, requests are taken and nothing is written.
    ASSERT_TRUE(board().removeDevice(kFrequency));
    board().clearAttributeLog();
    ASSERT_TRUE(buzzer->play(0, 127));
    ASSERT_TRUE(buzzer->play(1, 127));
    buzzer.reset();
    EXPECT_TRUE(board().attributeLog().empty());
}

} // namespace
