#include "app/commands/command_channels.h"

namespace {

constexpr char const* kUsbSerial = "/dev/ttyGS0";
constexpr char const* kUart = "/dev/ttyS0";
constexpr unsigned kBaudrate = 115200;
constexpr unsigned kReadTimeoutMs = 1000;

} // namespace

SerialInputCmdStream& usbComInputstream = *new SerialInputCmdStream(kUsbSerial, kBaudrate, 0, 8, 0, kReadTimeoutMs);
UartInputCmdStream& uartInputStream = *new UartInputCmdStream(kUart, kBaudrate, 0, 8, 0, kReadTimeoutMs);
MemoryPipeStream& memoryPipeStream = *new MemoryPipeStream();
SerialOutputStream& usbComOutputstream = *new SerialOutputStream(kUsbSerial, kBaudrate, 0, 8, 0, kReadTimeoutMs);
UartOutputStream& uartOutputstream = *new UartOutputStream(kUart, kBaudrate, 0, 8, 0, kReadTimeoutMs);
