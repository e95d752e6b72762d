#pragma once
// The firmware's main routine. On the device it never returns; the simulated board
// runs it on a thread of its own. The command channels' streams it runs are built
// before main (app/commands/command_channels.h).

#include "app/heartbeat.h"
#include "app/host/interface_output_stream.h"
#include "app/commands/memory_pipe_stream.h"
#include "config/stream.h"

#include <string>

// The 10 ms time base, built before main and started last.
extern Heartbeat hb;

int firmwareMain();

// Everything main does before the USB serial loop: singletons in order, the stored
// settings or the factory defaults, keys, LEDs, command threads and the heartbeat.
void firmwareStart();
// The USB serial command channel on the calling thread, for ever.
[[noreturn]] void runUsbCommandChannel();

// The factory command lines for the model's host interface, replayed through the
// evaluator; replies go to the host output stream.
void InitCommandLines();
// The line InitCommandLines replays: ESC, line 0, the interface's line, line 1, CR.
std::string FactoryCommandLine();
// The settings the firmware starts from: the model record, the parameter objects and the
// banks on flash, or, when the banks cannot be read, the factory defaults and the factory
// command lines. Banks read without their parameter text leave the parameter objects alone
// on their defaults (StoredParametersLost). Builds the parameter objects the stored text needs.
void LoadStartSettings();
// Factory defaults for the store and every parameter object, then the replay.
void ToDefault();
// The UART settings onto every UART port; false when any port refused any of them.
bool updateUartSettings();
// The "save" action the command handler runs: the settings onto flash
// (DoSaveProperties), then the UART ports onto the saved values. False when either failed.
bool SaveSettings();
bool IsTTYDevice(std::string const& path);

void handle_pipe_com(MemoryPipeStream::PipeInputStream& in, InterfaceOutputStream& out);
void handle_uart_com(ivra_configuration::InputStream& in, ivra_configuration::OutputStream& out);
