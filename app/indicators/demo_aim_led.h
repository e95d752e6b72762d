#pragma once
// The aimer LED with the timers of the indicator LEDs, counted in heartbeat
// ticks rather than milliseconds.

#include "app/indicators/gpio_led.h"

#include <cstdint>
#include <mutex>

class DemoAimLed {
public:
    // A set of bits: 1 lit, 2 lit and blinking every 25 ticks.
    using eAction = unsigned;
    static constexpr eAction kOn = 1;
    static constexpr eAction kBlink = 2;

    DemoAimLed();
    DemoAimLed(DemoAimLed const&) = delete;
    DemoAimLed& operator=(DemoAimLed const&) = delete;
    virtual ~DemoAimLed() = default;

    // For a number of ticks; 0 switches the LED off.
    void doAction(eAction action, int ticks);
    void doHeartBeat();

private:
    std::mutex mutex_;
    GPIOLed led_{"led_aim"};
    std::uint16_t onTime_ = 0;
    std::uint16_t blink_ = 0;
};
