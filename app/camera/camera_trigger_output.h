#pragma once
// The camera trigger output: a PWM channel whose period paces the sensor, fast while
// reading and slow while watching for motion. The "enable" and "period" files stay open.

#include "app/file.h"

#include <string>

class CameraTrigger {
public:
    static constexpr char const* kChip = "/sys/class/pwm/pwmchip0";
    static constexpr char const* kChannel = "/sys/class/pwm/pwmchip0/pwm0";
    static constexpr char const* kReadingPeriod = "12000000";  // ns
    static constexpr char const* kWatchingPeriod = "200000000"; // ns
    static constexpr char const* kDutyCycle = "1000";           // ns

    explicit CameraTrigger(std::string name = "camera_hw_trigger");
    CameraTrigger(CameraTrigger const&) = delete;
    CameraTrigger& operator=(CameraTrigger const&) = delete;
    virtual ~CameraTrigger() = default;

    // Exports the channel when missing and sets the reading period and the duty cycle.
    bool init();
    bool on(bool slow);
    bool off();

    std::string const& name() const { return name_; }

private:
    static bool writeOnce(std::string const& path, char const* text);
    static bool writeTo(File& file, char const* text);

    std::string const name_;
    File enable_;
    File period_;
};
