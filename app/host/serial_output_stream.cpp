#include "app/host/serial_output_stream.h"

#include <climits>
#include <cstring>

std::size_t writeWithReopen(SerialPort& port, std::span<unsigned char const> bytes)
{
    std::size_t done = 0;
    if (port.writeBlock(bytes, &done)) {
        return bytes.size();
    }
    (void)port.reopen();
    std::size_t rest = 0;
    (void)port.writeBlock(bytes.subspan(done), &rest);
    return done + rest;
}

SerialOutputStream::SerialOutputStream(std::string const& path, unsigned baudrate, unsigned char parity,
                                       unsigned char datasize, unsigned char stopbits, unsigned readTimeoutMs)
    : port_(path, baudrate, parity, datasize, stopbits, readTimeoutMs)
{
    // A port that cannot be opened now is reopened by the first failed write.
    (void)port_.open();
}

bool SerialOutputStream::Write(char c)
{
    unsigned char const byte = static_cast<unsigned char>(c);
    return writeWithReopen(port_, std::span<unsigned char const>(&byte, 1)) == 1;
}

int SerialOutputStream::Write(void const* buffer, unsigned length)
{
    if (buffer == nullptr || length == 0 || length > static_cast<unsigned>(INT_MAX)) {
        return 0;
    }
    std::span<unsigned char const> const bytes(static_cast<unsigned char const*>(buffer), length);
    return static_cast<int>(writeWithReopen(port_, bytes));
}

bool SerialOutputStream::Write(char const* text)
{
    if (text == nullptr) {
        return false;
    }
    std::size_t const length = std::strlen(text);
    std::span<unsigned char const> const bytes(reinterpret_cast<unsigned char const*>(text), length);
    return writeWithReopen(port_, bytes) == length;
}
