#pragma once
// Command replies to the UART: written as on USB serial.

#include "app/host/serial_output_stream.h"

class UartOutputStream : public SerialOutputStream {
public:
    using SerialOutputStream::SerialOutputStream;
};
