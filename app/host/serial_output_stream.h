#pragma once
// Command replies to a serial port. Every write goes out whole or reports the
// shortfall: what a write leaves undone (a stalled or lost line) is tried once
// more after the port is reopened, from where the first attempt stopped.

#include "app/host/serial_port.h"
#include "config/stream.h"

#include <cstddef>
#include <span>
#include <string>

class SerialOutputStream : public ivra_configuration::OutputStream {
public:
    SerialOutputStream(std::string const& path, unsigned baudrate, unsigned char parity, unsigned char datasize,
                       unsigned char stopbits, unsigned readTimeoutMs);

    bool Write(char c) override;
    // The number of bytes that went out; fewer than `length` on failure.
    int Write(void const* buffer, unsigned length) override;
    // True only when the whole text went out.
    bool Write(char const* text) override;
    bool Flush() override { return true; }

    SerialPort& port() { return port_; }

private:
    SerialPort port_;
};

// Writes all of `bytes` to the port; after a failure the port is reopened and
// the rest tried once more. The count of bytes that went out.
std::size_t writeWithReopen(SerialPort& port, std::span<unsigned char const> bytes);
