#include "app/commands/serial_input_cmd_stream.h"

#include "config/key_tree.h"

// As long as the evaluator's longest text command, with ESC and CR.
std::size_t const SerialInputCmdStream::kMaxFrame = 2 * ivra_configuration::kTreeTextBound + 4096 + 2;

SerialInputCmdStream::SerialInputCmdStream(std::string const& path, unsigned baudrate, unsigned char parity,
                                           unsigned char datasize, unsigned char stopbits, unsigned readTimeoutMs)
    : port_(path, baudrate, parity, datasize, stopbits, readTimeoutMs)
{
    // A port that cannot be opened now is reopened by the first failed read.
    (void)port_.open();
}

bool SerialInputCmdStream::accept(unsigned char byte)
{
    char const c = static_cast<char>(byte);
    if (c == kStx || c == kEsc) {
        frame_.clear();
        frame_.push_back(kEsc);
        startByte_ = c;
        endByte_ = c == kStx ? kEtx : kCr;
        return false;
    }
    if (frame_.empty() || frame_.front() != kEsc) {
        return false;
    }
    if (c == endByte_) {
        frame_.push_back(kCr);
        bool const command = frame_.size() > 2;
        if (command) {
            pending_.insert(pending_.end(), frame_.begin(), frame_.end());
        }
        frame_.clear();
        return command;
    }
    if (frame_.size() + 1 >= kMaxFrame) {
        // Overlong: drop it, and skip the rest up to the next frame start.
        frame_.clear();
        frame_.shrink_to_fit();
        return false;
    }
    frame_.push_back(c);
    return false;
}

bool SerialInputCmdStream::Read(char& c)
{
    while (pending_.empty()) {
        int byte = port_.readByte(SerialPort::kWaitForever);
        if (byte < 0) {
            (void)port_.reopen();
            byte = port_.readByte(SerialPort::kWaitForever);
            if (byte < 0) {
                return false;
            }
        }
        (void)accept(static_cast<unsigned char>(byte));
    }
    c = pending_.front();
    pending_.pop_front();
    return true;
}
