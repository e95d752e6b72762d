#include "app/indicators/demo_aim_led.h"

namespace {

constexpr std::uint16_t kBlinkTicks = 25;
constexpr std::uint16_t kIdle = 65535;

} // namespace

DemoAimLed::DemoAimLed() = default;

void DemoAimLed::doAction(eAction action, int ticks)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (ticks != 0) {
        // 65535 would mean idle: the LED would never go off.
        std::uint16_t const onTime = ticks < 1 ? 1 : ticks >= kIdle ? kIdle - 1 : static_cast<std::uint16_t>(ticks);
        if (action & kOn) {
            led_.setState(GPIOLed::eOn);
            onTime_ = onTime;
        }
        if (action & kBlink) {
            led_.setState(GPIOLed::eOn);
            onTime_ = onTime;
            blink_ = kBlinkTicks;
        }
        return;
    }
    if (action & kOn) {
        led_.setState(GPIOLed::eOff);
        onTime_ = 0;
    }
    if (action & kBlink) {
        led_.setState(GPIOLed::eOff);
        onTime_ = 0;
        blink_ = 0;
    }
}

void DemoAimLed::doHeartBeat()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (onTime_ != kIdle) {
        if (--onTime_ == 0) {
            led_.setState(GPIOLed::eOff);
            blink_ = 0;
            return;
        }
    }
    if (blink_ != 0 && --blink_ == 0) {
        led_.setState(led_.state() == GPIOLed::eOn ? GPIOLed::eOff : GPIOLed::eOn);
        blink_ = kBlinkTicks;
    }
}
