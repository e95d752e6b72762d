#include "app/indicators/indicator_leds.h"

#include "config/configuration.h"

IndicatorLeds& IndicatorLeds::getInstance()
{
    // Never destroyed: the heartbeat and the store's observer list keep
    // pointing at it until the process ends.
    static IndicatorLeds* const instance = [] {
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        auto* leds = new IndicatorLeds();
        leds->followSettings();
        return leds;
    }();
    return *instance;
}

IndicatorLeds::IndicatorLeds()
{
    onChangeGoodReadInvert();
}

bool IndicatorLeds::followSettings()
{
    // The store's lists are walked by command threads: link under their lock.
    std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
    return ivra_configuration::Root().indicator.led.good_read.invert.Push(goodReadInvertObserver_);
}

std::uint16_t IndicatorLeds::ticksFor(int ms)
{
    int const ticks = ms / kMillisecondsPerTick;
    if (ticks < 1) {
        return 1;
    }
    // 65535 would mean idle: the LED would never go off.
    return ticks >= kIdle ? kIdle - 1 : static_cast<std::uint16_t>(ticks);
}

void IndicatorLeds::doAction(eAction action, int ms)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (ms != 0) {
        std::uint16_t const ticks = ticksFor(ms);
        if (action & kErrorLed) {
            error_.led.setState(GPIOLed::eOn);
            error_.onTime = ticks;
        }
        if (action & kGoodReadLed) {
            goodRead_.led.setState(GPIOLed::eOn);
            goodRead_.onTime = ticks;
        }
        if (action & kErrorBlink) {
            error_.led.setState(GPIOLed::eOn);
            error_.blink = kBlinkTicks;
            error_.onTime = ticks;
        }
        if (action & kGoodReadBlink) {
            goodRead_.led.setState(GPIOLed::eOn);
            goodRead_.onTime = ticks;
            goodRead_.blink = kBlinkTicks;
        }
        return;
    }
    if (action & kErrorLed) {
        error_.led.setState(GPIOLed::eOff);
        error_.onTime = 0;
    }
    if (action & kGoodReadLed) {
        goodRead_.led.setState(GPIOLed::eOff);
        goodRead_.onTime = 0;
    }
    if (action & kErrorBlink) {
        error_.led.setState(GPIOLed::eOff);
        error_.onTime = 0;
        error_.blink = 0;
    }
    if (action & kGoodReadBlink) {
        goodRead_.led.setState(GPIOLed::eOff);
        goodRead_.onTime = 0;
        goodRead_.blink = 0;
    }
}

void IndicatorLeds::countOnTime(Channel& channel)
{
    if (channel.onTime == kIdle) {
        return;
    }
    // 0 wraps to idle: a switched-off timer stays quiet from the next tick on.
    --channel.onTime;
    if (channel.onTime == 0) {
        channel.led.setState(GPIOLed::eOff);
        channel.blink = 0;
    }
}

void IndicatorLeds::countBlink(Channel& channel)
{
    if (channel.blink == 0) {
        return;
    }
    if (--channel.blink == 0) {
        channel.led.setState(channel.led.state() == GPIOLed::eOn ? GPIOLed::eOff : GPIOLed::eOn);
        channel.blink = kBlinkTicks;
    }
}

void IndicatorLeds::doHeartBeat()
{
    std::lock_guard<std::mutex> lock(mutex_);
    countOnTime(error_);
    countOnTime(goodRead_);
    countBlink(error_);
    countBlink(goodRead_);
}

bool IndicatorLeds::onChangeGoodReadInvert()
{
    bool const invert = ivra_configuration::Root().indicator.led.good_read.invert.Value();
    std::lock_guard<std::mutex> lock(mutex_);
    goodRead_.led.setActiveLevel(invert ? 1 : 0);
    return true;
}
