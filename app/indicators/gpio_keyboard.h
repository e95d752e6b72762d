#pragma once
// The scanner's keys: a listener thread on the input-event device turns
// presses and releases of the trigger, the aim/wake-up key and the hall-effect
// sensor into bool signals (true on a press). Slots run on the listener thread.

#include "app/signal.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <thread>
#include <vector>

class GpioKeyboard {
public:
    static constexpr char const* kExternalTriggerPolarityPath = "/sys/devices/platform/gpio_keys/active_low";

    // Bits of keysPressed_.
    static constexpr std::uint32_t kTriggerBit = 1;
    static constexpr std::uint32_t kAimWakeupBit = 2;
    static constexpr std::uint32_t kHallEffectBit = 4;

    // Input key codes.
    static constexpr std::uint16_t kTriggerCode = 158;
    static constexpr std::uint16_t kAimWakeupCode = 1;
    static constexpr std::uint16_t kHallEffectCode = 15;

    // One input event record of the device's 32-bit ABI.
    struct InputEvent {
        std::uint32_t seconds;
        std::uint32_t microseconds;
        std::uint16_t type;
        std::uint16_t code;
        std::int32_t value;
    };
    static_assert(sizeof(InputEvent) == 16, "the key device delivers 16-byte records");

    // The firmware's instance. Tests build their own.
    static GpioKeyboard& getInstance();

    GpioKeyboard();
    GpioKeyboard(GpioKeyboard const&) = delete;
    GpioKeyboard& operator=(GpioKeyboard const&) = delete;
    virtual ~GpioKeyboard();

    void setKeyboardEventName(std::string const& path);

    void connectTrigger(std::function<void(bool)> const& slot);
    void connectAimWakeup(std::function<void(bool)> const& slot);
    void connectHallEffect(std::function<void(bool)> const& slot);

    // Starts the listener; false when it runs already or no stop pipe can be made.
    bool start();
    // Ends the listener and waits for it.
    void stop();

    // How long the listener waits before reopening a device that failed.
    void setReopenDelay(std::chrono::milliseconds delay) { reopenDelay_ = delay; }

    // Where the model's external-trigger flag comes from (the factory
    // settings); main wires it. Unwired, the polarity handler changes nothing.
    void setExternalTriggerFlagSource(std::function<bool()> source);

    // Rewrites the list of active-low key inputs so that the trigger input's
    // polarity follows the external-trigger flag. Observer result.
    bool onChangeExternalTriggerSignalActive();

    static std::vector<std::string> splitString(std::string const& s, char sep);
    static std::string joinStrings(std::vector<std::string> const& items, char sep);
    static std::string removeItemFromString(std::string const& list, std::string const& item);
    static std::string addItemToString(std::string const& list, std::string const& item);

    // One bit per key, written by the listener, read anywhere without a lock.
    static std::atomic<std::uint32_t> keysPressed_;

private:
    struct Key {
        std::uint16_t code;
        std::uint32_t bit;
        sigs::Signal<void(bool)> GpioKeyboard::*signal;
    };
    static std::span<Key const> keys();
    static Key const* keyFor(std::uint16_t code);

    void keysListener();
    void syncKeyState(int device, bool initial);
    void handleEvent(InputEvent const& event);
    int reopenDevice();

    std::string path_;
    std::atomic<bool> stop_{false};
    int stopRead_ = -1;
    int stopWrite_ = -1;
    std::thread listener_;
    std::chrono::milliseconds reopenDelay_{1000};
    std::function<bool()> externalTriggerFlag_;

    sigs::Signal<void(bool)> trigger_;
    sigs::Signal<void(bool)> aimWakeup_;
    sigs::Signal<void(bool)> hallEffect_;
};
