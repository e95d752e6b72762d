#include "app/host/interface_output_stream.h"

#include "app/indicators/buzzer.h"
#include "app/host/host_interface.h"
#include "app/host/serial_output_stream.h"
#include "app/host/usb_hid_keyboard.h"
#include "config/configuration.h"

#include <climits>
#include <cstring>

namespace {

constexpr unsigned kBaudrate = 115200;
constexpr unsigned kReadTimeoutMs = 1000;
constexpr unsigned int kKeyboardPause = 0xE100;

} // namespace

InterfaceOutputStream& InterfaceOutputStream::getInstance()
{
    static InterfaceOutputStream* const instance = [] {
        auto* stream = new InterfaceOutputStream();
        auto* keyboard = new UsbHidKeyboard(UsbHidKeyboard::kDevicePath);
        stream->setUsbHidKeyboardWriter([keyboard](unsigned int codepoint) { (void)keyboard->write(codepoint); });
        return stream;
    }();
    return *instance;
}

InterfaceOutputStream::InterfaceOutputStream(std::string const& usbSerialPath, std::string const& uartPath)
    : usbSerialPort_(usbSerialPath, kBaudrate, 0, 8, 0, kReadTimeoutMs)
    , uartPort_(uartPath, kBaudrate, 0, 8, 0, kReadTimeoutMs)
    , goodReadBeep_([] { Buzzer::getInstance().play(Buzzer::kGoodRead, Buzzer::kMaximumLoudness); })
    , thread_([this] { outputThread(); })
{
}

InterfaceOutputStream::~InterfaceOutputStream()
{
    running_.store(false);
    queue_.wakeAll(wake_);
    thread_.join();
    usbSerialPort_.close();
    uartPort_.close();
}

SerialPort* InterfaceOutputStream::hostPort(unsigned char hostInterface)
{
    switch (hostInterface) {
    case kHostInterfaceUsbSerial:
        return &usbSerialPort_;
    case kHostInterfaceUart:
        return &uartPort_;
    default:
        return nullptr;
    }
}

bool InterfaceOutputStream::Write(char c)
{
    unsigned char const byte = static_cast<unsigned char>(c);
    SerialPort* const port = hostPort(hostInterface());
    return port == nullptr || writeWithReopen(*port, std::span<unsigned char const>(&byte, 1)) == 1;
}

int InterfaceOutputStream::Write(void const* buffer, unsigned length)
{
    SerialPort* const port = hostPort(hostInterface());
    if (port == nullptr || buffer == nullptr || length == 0 || length > static_cast<unsigned>(INT_MAX)) {
        return 0;
    }
    std::span<unsigned char const> const bytes(static_cast<unsigned char const*>(buffer), length);
    return static_cast<int>(writeWithReopen(*port, bytes));
}

bool InterfaceOutputStream::Write(char const* text)
{
    if (text == nullptr) {
        return false;
    }
    SerialPort* const port = hostPort(hostInterface());
    std::size_t const length = std::strlen(text);
    std::span<unsigned char const> const bytes(reinterpret_cast<unsigned char const*>(text), length);
    return port == nullptr || writeWithReopen(*port, bytes) == length;
}

void InterfaceOutputStream::pushOutputBuffer(OutputBufferData const& unit)
{
    queue_.push(std::make_shared<OutputBufferData const>(unit));
    wake_.notify_one();
}

void InterfaceOutputStream::setUsbHidKeyboardWriter(UsbHidKeyboardWriter writer)
{
    std::lock_guard<std::mutex> lock(hooksMutex_);
    keyboard_ = std::move(writer);
}

InterfaceOutputStream::UsbHidKeyboardWriter InterfaceOutputStream::keyboardWriter()
{
    std::lock_guard<std::mutex> lock(hooksMutex_);
    return keyboard_;
}

void InterfaceOutputStream::setGoodReadBeep(GoodReadBeep beep)
{
    std::lock_guard<std::mutex> lock(hooksMutex_);
    goodReadBeep_ = std::move(beep);
}

void InterfaceOutputStream::outputThread()
{
    std::shared_ptr<OutputBufferData const> unit;
    while (queue_.waitPop(wake_, unit, [this] { return !running_.load(); })) {
        if (!running_.load()) {
            break;
        }
        play(*unit);
        unit.reset();
    }
}

bool InterfaceOutputStream::pause(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> lock(queue_.mutex());
    return !wake_.wait_for(lock, duration, [this] { return !running_.load(); });
}

void InterfaceOutputStream::playBytes(std::span<unsigned char const> bytes)
{
    SerialPort* const port = hostPort(hostInterface());
    unsigned const delayMs = ivra_configuration::Root().interface.uart.inter_character_delay.time.Value();
    if (delayMs == 0) {
        if (port != nullptr) {
            (void)writeWithReopen(*port, bytes);
        }
        return;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (port != nullptr) {
            (void)writeWithReopen(*port, bytes.subspan(i, 1));
        }
        if (!pause(std::chrono::milliseconds(delayMs))) {
            return;
        }
    }
}

void InterfaceOutputStream::play(OutputBufferData const& unit)
{
    switch (unit.type) {
    case OutputBufferData::ByteText:
    case OutputBufferData::EciMarker:
        playBytes(unit.bytes);
        return;
    case OutputBufferData::CodePoints: {
        UsbHidKeyboardWriter const keyboard = keyboardWriter();
        if (keyboard) {
            for (unsigned int value : unit.values) {
                keyboard(value);
            }
        }
        return;
    }
    case OutputBufferData::Pause: {
        if (unit.values.empty()) {
            return;
        }
        unsigned int const value = unit.values.front();
        if (hostInterface() == kHostInterfaceUsbKeyboard) {
            // The keyboard paces the pause in its own report queue.
            UsbHidKeyboardWriter const keyboard = keyboardWriter();
            if (keyboard) {
                keyboard(kKeyboardPause | (value & 0xFF));
            }
        } else if (value != 0) {
            (void)pause(std::chrono::milliseconds(static_cast<long long>(value) * 10));
        }
        return;
    }
    case OutputBufferData::GoodRead: {
        GoodReadBeep beep;
        {
            std::lock_guard<std::mutex> lock(hooksMutex_);
            beep = goodReadBeep_;
        }
        if (beep) {
            beep();
        }
        return;
    }
    default:
        return; // unknown units are dropped
    }
}
