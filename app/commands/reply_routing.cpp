#include "app/commands/reply_routing.h"

#include "app/commands/command_channels.h"
#include "app/commands/memory_channel.h"
#include "app/host/host_interface.h"
#include "app/host/interface_output_stream.h"
#include "app/host/serial_output_stream.h"
#include "format/formatter.h"

#include <climits>
#include <pthread.h>
#include <vector>

std::map<std::string, int> const threadChannelMap = {
    {"MEMORY", kChannelMemory},
    {"USBCOM", kChannelUsbCom},
    {"UART", kChannelUart},
};

namespace {

void queueOnHostOutput(std::string const& text)
{
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) {
        return;
    }
    std::vector<OutputBufferData> units;
    if (!Formatter::BuildOutputBufferBasedOnInterface(reinterpret_cast<unsigned char const*>(text.data()),
                                                      static_cast<int>(text.size()), units, hostInterface())) {
        return;
    }
    InterfaceOutputStream& host = InterfaceOutputStream::getInstance();
    for (OutputBufferData const& unit : units) {
        host.pushOutputBuffer(unit);
    }
}

} // namespace

int GetInterfaceOutputStreamByThread(unsigned long thread)
{
    char name[30] = {};
    if (pthread_getname_np(static_cast<pthread_t>(thread), name, sizeof name) != 0) {
        return kChannelUnknown;
    }
    auto const found = threadChannelMap.find(name);
    return found == threadChannelMap.end() ? kChannelUnknown : found->second;
}

void DoStringToOutputStream(unsigned long thread, std::string& text, bool)
{
    if (text.empty()) {
        return;
    }
    std::span<unsigned char const> const bytes(reinterpret_cast<unsigned char const*>(text.data()), text.size());
    switch (GetInterfaceOutputStreamByThread(thread)) {
    case kChannelMemory:
        queueOnHostOutput(text);
        return;
    case kChannelUsbCom:
        (void)writeWithReopen(usbComOutputstream.port(), bytes);
        return;
    case kChannelUart:
        (void)writeWithReopen(uartOutputstream.port(), bytes);
        return;
    default:
        return; // nobody to answer
    }
}

void DebugDoStringToOutputStream(std::string& text)
{
    queueOnHostOutput(text);
}

int CheckInterfaceOutputStreamType(ivra_configuration::OutputStream& out)
{
    if (&out == &InterfaceOutputStream::getInstance() || MemoryChannel::isOutput(out)) {
        return kChannelMemory;
    }
    if (&out == &usbComOutputstream) {
        return kChannelUsbCom;
    }
    if (&out == &uartOutputstream) {
        return kChannelUart;
    }
    return kChannelUnknown;
}

int GetInterfaceOutputStream(ivra_configuration::OutputStream& out)
{
    return CheckInterfaceOutputStreamType(out);
}

int GetInterfaceOutputStreamType(ivra_configuration::OutputStream& out)
{
    switch (CheckInterfaceOutputStreamType(out)) {
    case kChannelMemory:
        return hostInterface();
    case kChannelUsbCom:
        return kHostInterfaceUsbSerial;
    case kChannelUart:
        return kHostInterfaceUart;
    default:
        return 255;
    }
}
