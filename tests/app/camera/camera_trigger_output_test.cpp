// The camera trigger output on the simulated PWM channel.
#include "app/camera/camera_trigger_output.h"

#include "tests/platform/board_fixture.h"

#include <string>
#include <utility>
#include <vector>

namespace {

using platform_test::BoardTest;
using Writes = std::vector<std::pair<std::string, std::string>>;

class CameraTriggerTest : public BoardTest {
protected:
    Writes writes()
    {
        Writes out;
        for (auto const& event : board().attributeLog()) {
            out.emplace_back(event.path, event.value);
        }
        board().clearAttributeLog();
        return out;
    }
};

constexpr char const* kExport = "/sys/class/pwm/pwmchip0/export";
constexpr char const* kPeriod = "/sys/class/pwm/pwmchip0/pwm0/period";
constexpr char const* kDuty = "/sys/class/pwm/pwmchip0/pwm0/duty_cycle";
constexpr char const* kEnable = "/sys/class/pwm/pwmchip0/pwm0/enable";

TEST_F(CameraTriggerTest, ExportsOnceThenPacesFastOrSlow)
{
    board().clearAttributeLog();
    CameraTrigger trigger;
    EXPECT_EQ(trigger.name(), "camera_hw_trigger");
    EXPECT_EQ(writes(), (Writes{{kExport, "0"}, {kPeriod, "12000000"}, {kDuty, "1000"}}));

    EXPECT_TRUE(trigger.on(true));
    EXPECT_TRUE(trigger.on(false));
    EXPECT_TRUE(trigger.off());
    EXPECT_EQ(writes(), (Writes{{kPeriod, "200000000"},
                                {kEnable, "1"},
                                {kPeriod, "12000000"},
                                {kEnable, "1"},
                                {kEnable, "0"}}));

    // The channel is there now: no second export.
    CameraTrigger again;
    EXPECT_TRUE(again.init());
    EXPECT_EQ(writes(), (Writes{{kPeriod, "12000000"}, {kDuty, "1000"}, {kPeriod, "12000000"}, {kDuty, "1000"}}));
}

TEST_F(CameraTriggerTest, MissingChipFailsQuietly)
{
    ASSERT_TRUE(board().removeDevice(kExport));
    CameraTrigger trigger;
    EXPECT_FALSE(trigger.init());
    EXPECT_FALSE(trigger.on(false));
    EXPECT_FALSE(trigger.off());
    EXPECT_TRUE(writes().empty());
}

} // namespace
