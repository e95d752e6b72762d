#pragma once
// Replies of command handlers go back on the channel of the thread that runs
// the command, found from the thread's name: "USBCOM" and "UART" write to
// that serial port, "MEMORY" (commands from menu labels) formats the text for
// the host interface and queues it on the host output stream (a menu label's
// commands are never acknowledged there: app/commands/memory_channel.h).

#include "config/stream.h"

#include <map>
#include <string>

inline constexpr int kChannelUnknown = 0;
inline constexpr int kChannelMemory = 1;
inline constexpr int kChannelUsbCom = 2;
inline constexpr int kChannelUart = 3;

// Thread name -> channel.
extern std::map<std::string, int> const threadChannelMap;

// The channel of a thread (a pthread_t); kChannelUnknown for any other name.
int GetInterfaceOutputStreamByThread(unsigned long thread);

// The text on the thread's channel; dropped for an unknown channel. The flag is unused.
void DoStringToOutputStream(unsigned long thread, std::string& text, bool flag);
// The text on the host output path, whatever the thread.
void DebugDoStringToOutputStream(std::string& text);

// Which channel an output stream is: 1 the host output stream (or the "MEMORY"
// thread's face of it, app/commands/memory_channel.h), 2 USB serial command
// output, 3 UART command output, 0 any other.
int CheckInterfaceOutputStreamType(ivra_configuration::OutputStream& out);
int GetInterfaceOutputStream(ivra_configuration::OutputStream& out);
// The host interface an output stream reaches: the model's for the host output
// stream, 9 for USB serial, 0 for the UART, 255 for any other.
int GetInterfaceOutputStreamType(ivra_configuration::OutputStream& out);
