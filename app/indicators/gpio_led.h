#pragma once
// One LED of the kernel's LED class. The brightness file stays open for the
// life of the object; a file that cannot be opened makes every change fail
// silently, so a board without the LED runs on unchanged. Several threads may
// switch one LED (the aimer: key and imager threads): the state and the file
// are changed together under the LED's own lock.

#include "app/file.h"

#include <mutex>
#include <string>

class GPIOLed {
public:
    enum eState { eOff = 0, eOn = 1 };
    // The value of "active_low": 1 inverts the LED.
    using eActiveLevel = int;

    static constexpr char const* kClassPath = "/sys/class/leds/";

    explicit GPIOLed(std::string const& name);
    GPIOLed(GPIOLed const&) = delete;
    GPIOLed& operator=(GPIOLed const&) = delete;
    virtual ~GPIOLed();

    // Any nonzero state lights the LED. The state is recorded even when the
    // write fails, so that blinking keeps its rhythm once the LED is back.
    bool setState(int state);
    // Opens "active_low" for this call only; the level is recorded only when
    // it was written.
    bool setActiveLevel(eActiveLevel level);

    std::string const& name() const { return name_; }
    eState state() const;
    eActiveLevel activeLevel() const;

private:
    std::string const name_;
    mutable std::mutex mutex_;
    eState state_ = eOff;
    File brightness_;
    eActiveLevel activeLevel_ = 0;
};
