#pragma once
// The model's host interface, which decides where host output goes: 0 the
// UART, 9 USB serial, 10 the USB keyboard. The factory settings own the value
// and install a source for it at start-up; until then the model counts as a
// USB serial one.

#include <atomic>

inline constexpr unsigned char kHostInterfaceUart = 0;
inline constexpr unsigned char kHostInterfaceUsbSerial = 9;
inline constexpr unsigned char kHostInterfaceUsbKeyboard = 10;

using HostInterfaceSource = unsigned char (*)();

inline std::atomic<HostInterfaceSource>& hostInterfaceSourceSlot()
{
    static std::atomic<HostInterfaceSource> slot{nullptr};
    return slot;
}

// nullptr puts back the default.
inline void setHostInterfaceSource(HostInterfaceSource source)
{
    hostInterfaceSourceSlot().store(source);
}

inline unsigned char hostInterface()
{
    HostInterfaceSource const source = hostInterfaceSourceSlot().load();
    return source != nullptr ? source() : kHostInterfaceUsbSerial;
}
