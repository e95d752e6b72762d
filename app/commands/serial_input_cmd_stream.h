#pragma once
// Command input from a serial port. Commands come framed ESC ... CR or
// STX ... ETX; both reach the evaluator as ESC ... CR. A new ESC or STX drops
// an unfinished frame, an empty frame is dropped, and bytes outside a frame
// are skipped. A frame that grows past kMaxFrame is dropped whole, with the
// bytes that follow it up to the next ESC or STX, so that a sender that never
// ends its frame cannot exhaust memory or get a truncated command run.

#include "app/host/serial_port.h"
#include "config/stream.h"

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

class SerialInputCmdStream : public ivra_configuration::InputStream {
public:
    static constexpr char kStx = 0x02;
    static constexpr char kEtx = 0x03;
    static constexpr char kEsc = 0x1B;
    static constexpr char kCr = 0x0D;
    // The longest command the evaluator takes (a "set" of the whole tree), framed.
    static std::size_t const kMaxFrame;

    SerialInputCmdStream(std::string const& path, unsigned baudrate, unsigned char parity, unsigned char datasize,
                         unsigned char stopbits, unsigned readTimeoutMs);

    using ivra_configuration::InputStream::Read;
    // The next byte of a complete frame. Waits for the port without limit; a
    // failed read is answered by reopening the port and reading once more, and
    // a second failure is the end (false).
    bool Read(char& c) override;

    // One byte from the line through the framing; true when it completed a
    // frame, which Read then hands out.
    bool accept(unsigned char byte);
    bool hasPending() const { return !pending_.empty(); }

    SerialPort& port() { return port_; }

private:
    SerialPort port_;
    std::deque<char> pending_;
    std::vector<char> frame_;
    char startByte_ = 0;
    char endByte_ = 0;
};
