#pragma once
// The streams of the three command channels, built and opened before main in
// this order: USB serial input, UART input, the memory pipe, USB serial
// output, UART output. Each serial device is opened once for input and once
// for output (115200 baud, no parity, 8 data bits, one stop bit, 1000 ms read
// time-out). They are never destroyed: the channel threads use them until the
// process ends.

#include "app/commands/memory_pipe_stream.h"
#include "app/commands/serial_input_cmd_stream.h"
#include "app/host/serial_output_stream.h"
#include "app/commands/uart_input_cmd_stream.h"
#include "app/commands/uart_output_stream.h"

extern SerialInputCmdStream& usbComInputstream;
extern UartInputCmdStream& uartInputStream;
extern MemoryPipeStream& memoryPipeStream;
extern SerialOutputStream& usbComOutputstream;
extern UartOutputStream& uartOutputstream;
