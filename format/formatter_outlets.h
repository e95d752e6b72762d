#pragma once
// What the formatter needs of the application: the host output queue, the
// model's host interface, the good-read LED and the buzzer. The application
// fills these in once at start-up; until then output goes nowhere and the
// host interface reads as the UART.

#include <functional>

#include "format/output_buffer_data.h"

struct FormatterOutlets {
    // Host interfaces of the model configuration.
    static constexpr unsigned char kUart = 0;
    static constexpr unsigned char kUsbSerial = 9;
    static constexpr unsigned char kUsbKeyboard = 10;

    // Hands one unit to the host output queue, which keeps its own copy.
    std::function<void(const OutputBufferData&)> pushOutput;
    std::function<unsigned char()> hostInterface;
    // Lights the LEDs of `bits` (1 error, 2 good read; 4 and 8 blinking) for ms.
    std::function<void(unsigned bits, unsigned ms)> indicate;
    std::function<void(unsigned type, unsigned volume)> playBuzzer;
    // Whether the trigger key is held down now; unwired it reads as held.
    std::function<bool()> triggerHeld;

    void Push(const OutputBufferData& unit) const
    {
        if (pushOutput)
            pushOutput(unit);
    }
    unsigned char HostInterface() const { return hostInterface ? hostInterface() : kUart; }
    bool IsUsbKeyboard() const { return HostInterface() == kUsbKeyboard; }
    void Indicate(unsigned bits, unsigned ms) const
    {
        if (indicate)
            indicate(bits, ms);
    }
    bool TriggerUp() const { return triggerHeld ? !triggerHeld() : false; }
    void PlayBuzzer(unsigned type, unsigned volume) const
    {
        if (playBuzzer)
            playBuzzer(type, volume);
    }
};
