#pragma once
// The streams the "MEMORY" thread runs the commands of menu labels on: the bytes of the
// command pipe in, the host output stream out.
//
// What a menu label's commands reply reaches the host as they write it (the device's
// name for "Z1", the text of a "get"), but never an ACK or NAK: those acknowledge a line
// to the host that sent it, and a menu label has no such host; on the host output the
// byte would be label data. The command handler acknowledges no fixed-code line on this
// channel; the evaluator acknowledges a text command itself (a line whose first character
// after ESC is a lower-case letter), so that answer is dropped here. The beeps and LEDs
// of the read cycle and of the command handler mark a menu label's commands instead.

#include "config/stream.h"

class MemoryChannel {
public:
    // commands: the pipe's reading face; host: the host output stream. Both are used on
    // the one thread that evaluates from input() into output().
    MemoryChannel(ivra_configuration::InputStream& commands, ivra_configuration::OutputStream& host);
    MemoryChannel(MemoryChannel const&) = delete;
    MemoryChannel& operator=(MemoryChannel const&) = delete;

    ivra_configuration::InputStream& input() { return input_; }
    ivra_configuration::OutputStream& output() { return output_; }

    // True for the output face of a MemoryChannel: the host output of the "MEMORY" channel.
    static bool isOutput(ivra_configuration::OutputStream& out);

private:
    class Input final : public ivra_configuration::InputStream {
    public:
        explicit Input(MemoryChannel& channel) : channel_(channel) {}
        // The next command byte, noting where a line starts and whether it is a text command.
        bool Read(char& c) override;
        // Handed on as the pipe answers it (the pipe offers no block reads).
        bool Read(void* buffer, unsigned length) override;

    private:
        MemoryChannel& channel_;
    };

    class Output final : public ivra_configuration::OutputStream {
    public:
        explicit Output(MemoryChannel& channel) : channel_(channel) {}
        // Everything but a text command's ACK or NAK goes on to the host output; a dropped
        // byte counts as written.
        bool Write(char c) override;
        int Write(void const* buffer, unsigned length) override;
        bool Write(char const* text) override;
        bool Flush() override;

    private:
        MemoryChannel& channel_;
    };

    void take(char c);
    bool dropped(char c) const;

    ivra_configuration::InputStream& commands_;
    ivra_configuration::OutputStream& host_;
    bool lineStart_ = false; // ESC read, the line's first character not yet
    bool textLine_ = false;  // the line read last is a text command
    Input input_{*this};
    Output output_{*this};
};
