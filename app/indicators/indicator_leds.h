#pragma once
// The good-read and error LEDs. A request lights them for a number of
// heartbeat ticks, optionally blinking; the heartbeat counts the timers down.
//
// One mutex serialises requests (decoder, command and main threads) and ticks
// (heartbeat thread), so that a request is never half undone by a tick that
// ends the previous one.

#include "app/indicators/gpio_led.h"
#include "config/observer.h"

#include <cstdint>
#include <mutex>

class IndicatorLeds {
public:
    // A set of bits.
    using eAction = unsigned;
    static constexpr eAction kErrorLed = 1;
    static constexpr eAction kGoodReadLed = 2;
    static constexpr eAction kErrorBlink = 4;    // error LED, toggled every 25 ticks
    static constexpr eAction kGoodReadBlink = 8; // good-read LED, toggled every 25 ticks

    static constexpr std::uint16_t kBlinkTicks = 25;
    static constexpr std::uint16_t kIdle = 65535;
    static constexpr int kMillisecondsPerTick = 10;

    // The firmware's instance, built on first use and never destroyed: it
    // follows indicator/led/good_read/invert for the life of the process.
    static IndicatorLeds& getInstance();

    // Reads the invert setting once and follows no later change, so it may be
    // destroyed (the store cannot unlink an observer). Tests build these.
    IndicatorLeds();
    IndicatorLeds(IndicatorLeds const&) = delete;
    IndicatorLeds& operator=(IndicatorLeds const&) = delete;
    virtual ~IndicatorLeds() = default;

    // Lights the LEDs named by the bits for ms / 10 ticks (at least one); a
    // time of 0 switches them off. LEDs not named keep running.
    void doAction(eAction action, int ms);
    // One tick of the timers.
    void doHeartBeat();

    bool onChangeGoodReadInvert();

private:
    struct Channel {
        explicit Channel(char const* name) : led(name) {}
        GPIOLed led;
        std::uint16_t onTime = 0;
        std::uint16_t blink = 0;
    };

    static std::uint16_t ticksFor(int ms);
    static void countOnTime(Channel& channel);
    static void countBlink(Channel& channel);
    bool followSettings();

    std::mutex mutex_;
    Channel goodRead_{"led_goodread"};
    Channel error_{"led_error"};
    ivra_configuration::DelegateObserver<IndicatorLeds> goodReadInvertObserver_{
        *this, &IndicatorLeds::onChangeGoodReadInvert};
};
