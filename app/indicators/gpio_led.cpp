#include "app/indicators/gpio_led.h"

GPIOLed::GPIOLed(std::string const& name)
    : name_(name), brightness_(kClassPath + name + "/brightness")
{
    brightness_.open(File::eWrite);
    setState(eOff);
}

GPIOLed::~GPIOLed()
{
    setState(eOff);
    brightness_.close();
}

bool GPIOLed::setState(int state)
{
    std::lock_guard lock(mutex_);
    state_ = state != 0 ? eOn : eOff;
    unsigned char const text = state_ == eOn ? '1' : '0';
    return brightness_.write(&text, 1) == 1;
}

bool GPIOLed::setActiveLevel(eActiveLevel level)
{
    File activeLow(kClassPath + name_ + "/active_low");
    if (!activeLow.open(File::eWrite)) {
        return false;
    }
    std::string const text = std::to_string(level);
    long const written = activeLow.write(reinterpret_cast<unsigned char const*>(text.data()),
                                         static_cast<unsigned>(text.size()));
    activeLow.close();
    if (written != static_cast<long>(text.size()) || activeLow.lastError() != 0) {
        return false;
    }
    std::lock_guard lock(mutex_);
    activeLevel_ = level;
    return true;
}

GPIOLed::eState GPIOLed::state() const
{
    std::lock_guard lock(mutex_);
    return state_;
}

GPIOLed::eActiveLevel GPIOLed::activeLevel() const
{
    std::lock_guard lock(mutex_);
    return activeLevel_;
}
