#pragma once
// Output to the host: decoded data and the replies of commands from menu
// labels. Producers push output units; one thread plays them in order on the
// model's host interface (USB serial, UART or USB keyboard), pausing and
// sounding the good-read beep where the units say so. It is also the output
// stream of the "MEMORY" command channel: text written to it goes straight to
// the serial port of a serial model, outside the queue.
//
// Units are shared, so a push copies a unit once and the thread plays it
// without holding the queue's mutex; pauses never block producers.

#include "app/safe_queue.h"
#include "app/host/serial_port.h"
#include "config/stream.h"
#include "format/output_buffer_data.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

class InterfaceOutputStream : public ivra_configuration::OutputStream {
public:
    // One code point (or 0xE100 | pause) for the USB keyboard's report queue.
    using UsbHidKeyboardWriter = std::function<void(unsigned int)>;
    using GoodReadBeep = std::function<void()>;

    // The firmware's instance, built on first use (its ports open on the first
    // write) and never destroyed: every producer may use it until the end.
    static InterfaceOutputStream& getInstance();

    // Tests build their own on the same devices.
    explicit InterfaceOutputStream(std::string const& usbSerialPath = "/dev/ttyGS0",
                                   std::string const& uartPath = "/dev/ttyS0");
    InterfaceOutputStream(InterfaceOutputStream const&) = delete;
    InterfaceOutputStream& operator=(InterfaceOutputStream const&) = delete;
    // Ends the output thread (units still queued are dropped) and closes the ports.
    ~InterfaceOutputStream() override;

    // Straight to the host interface's serial port; a keyboard model drops
    // the text (true: nothing is owed). False when the port failed.
    bool Write(char c) override;
    // The number of bytes written: 0 on a keyboard model, short on failure.
    int Write(void const* buffer, unsigned length) override;
    bool Write(char const* text) override;
    bool Flush() override { return true; }

    // Queues a copy of the unit for the output thread.
    void pushOutputBuffer(OutputBufferData const& unit);

    // Where keyboard units go; the USB keyboard installs itself here. Until
    // then keyboard units are consumed without output.
    void setUsbHidKeyboardWriter(UsbHidKeyboardWriter writer);
    // The good-read unit's beep; the buzzer's good-read list by default.
    void setGoodReadBeep(GoodReadBeep beep);

    SerialPort& usbSerialPort() { return usbSerialPort_; }
    SerialPort& uartPort() { return uartPort_; }

private:
    void outputThread();
    void play(OutputBufferData const& unit);
    void playBytes(std::span<unsigned char const> bytes);
    UsbHidKeyboardWriter keyboardWriter();
    // The host interface's serial port, or nullptr for a keyboard model.
    SerialPort* hostPort(unsigned char hostInterface);
    // False when the stream is being destroyed.
    bool pause(std::chrono::milliseconds duration);

    SerialPort usbSerialPort_;
    SerialPort uartPort_;
    std::mutex hooksMutex_;
    UsbHidKeyboardWriter keyboard_;
    GoodReadBeep goodReadBeep_;
    std::condition_variable wake_;
    std::atomic<bool> running_{true};
    SafeQueue<std::shared_ptr<OutputBufferData const>> queue_;
    // Last: starts after everything it uses is built.
    std::thread thread_;
};
