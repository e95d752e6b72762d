#include "app/commands/memory_channel.h"

namespace {

constexpr char kEsc = 0x1B;
constexpr char kAck = 0x06;
constexpr char kNak = 0x15;

} // namespace

MemoryChannel::MemoryChannel(ivra_configuration::InputStream& commands, ivra_configuration::OutputStream& host)
    : commands_(commands), host_(host)
{
}

bool MemoryChannel::isOutput(ivra_configuration::OutputStream& out) { return dynamic_cast<Output*>(&out) != nullptr; }

// The evaluator's rule: ESC starts a line, and a lower-case first character makes it a
// text command, answered once its CR has been read.
void MemoryChannel::take(char c)
{
    if (c == kEsc) {
        lineStart_ = true;
        textLine_ = false;
    } else if (lineStart_) {
        lineStart_ = false;
        textLine_ = c >= 'a' && c <= 'z';
    }
}

bool MemoryChannel::dropped(char c) const { return textLine_ && (c == kAck || c == kNak); }

bool MemoryChannel::Input::Read(char& c)
{
    if (!channel_.commands_.Read(c)) {
        return false;
    }
    channel_.take(c);
    return true;
}

bool MemoryChannel::Input::Read(void* buffer, unsigned length)
{
    // A block read is watched as closely as single bytes: a text command's line may
    // come in one.
    if (!channel_.commands_.Read(buffer, length)) {
        return false;
    }
    for (unsigned i = 0; i < length; ++i) {
        channel_.take(static_cast<char const*>(buffer)[i]);
    }
    return true;
}

bool MemoryChannel::Output::Write(char c) { return channel_.dropped(c) || channel_.host_.Write(c); }

int MemoryChannel::Output::Write(void const* buffer, unsigned length)
{
    if (!channel_.textLine_) {
        return channel_.host_.Write(buffer, length);
    }
    return OutputStream::Write(buffer, length); // byte by byte, through the filter
}

bool MemoryChannel::Output::Write(char const* text)
{
    if (!channel_.textLine_) {
        return channel_.host_.Write(text);
    }
    return OutputStream::Write(text);
}

bool MemoryChannel::Output::Flush() { return channel_.host_.Flush(); }
