#pragma once
// Command input from the UART: framed as on USB serial.

#include "app/commands/serial_input_cmd_stream.h"

class UartInputCmdStream : public SerialInputCmdStream {
public:
    using SerialInputCmdStream::SerialInputCmdStream;
};
