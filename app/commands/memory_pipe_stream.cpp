#include "app/commands/memory_pipe_stream.h"

namespace {

constexpr char kEsc = 0x1B;
constexpr std::uint16_t kMask = MemoryPipeStream::kSize - 1;

} // namespace

bool MemoryPipeStream::PipeInputStream::Read(void*, unsigned)
{
    return false;
}

int MemoryPipeStream::PipeOutputStream::Write(void const*, unsigned)
{
    return 0;
}

MemoryPipeStream::MemoryPipeStream() = default;

MemoryPipeStream::~MemoryPipeStream()
{
    std::unique_lock<std::mutex> lock(mutex_);
    closed_ = true;
    data_.notify_all();
    room_.notify_all();
    drained_.notify_all();
    // The members go only after every waiting reader and writer has left.
    room_.wait(lock, [this] { return users_ == 0; });
}

void MemoryPipeStream::leave()
{
    if (--users_ == 0 && closed_) {
        room_.notify_all();
    }
}

std::size_t MemoryPipeStream::unreadLocked() const
{
    return static_cast<std::uint16_t>(writeIndex_ - readIndex_) & kMask;
}

std::size_t MemoryPipeStream::unread() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return unreadLocked();
}

bool MemoryPipeStream::waitUntilEvaluated(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex_);
    ++users_;
    drained_.wait_for(lock, timeout, [this] { return closed_ || (readerWaiting_ && unreadLocked() == 0); });
    bool const evaluated = !closed_ && readerWaiting_ && unreadLocked() == 0;
    leave();
    return evaluated;
}

void MemoryPipeStream::setWriteWait(std::chrono::milliseconds wait)
{
    std::lock_guard<std::mutex> lock(mutex_);
    writeWait_ = wait;
}

void MemoryPipeStream::interruptReader(bool interrupted)
{
    std::lock_guard<std::mutex> lock(mutex_);
    interrupted_ = interrupted;
    data_.notify_all();
}

bool MemoryPipeStream::put(char c)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (closed_ || (dropping_ && c != kEsc)) {
        return false;
    }
    ++users_;
    bool const room = room_.wait_for(lock, writeWait_, [this] { return closed_ || unreadLocked() < kSize - 1; });
    if (closed_ || !room) {
        dropping_ = true;
        leave();
        return false;
    }
    dropping_ = false;
    ring_[writeIndex_ & kMask] = c;
    writeIndex_ = static_cast<std::uint16_t>((writeIndex_ + 1) & kMask);
    data_.notify_one();
    leave();
    return true;
}

bool MemoryPipeStream::take(char& c)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (unreadLocked() == 0 && !closed_ && !interrupted_) {
        // Checked and waited under the lock: a byte written in between still wakes us.
        ++users_;
        readerWaiting_ = true;
        drained_.notify_all();
        data_.wait(lock);
        readerWaiting_ = false;
        leave();
    }
    if (interrupted_ || unreadLocked() == 0) {
        return false;
    }
    c = ring_[readIndex_ & kMask];
    readIndex_ = static_cast<std::uint16_t>((readIndex_ + 1) & kMask);
    room_.notify_one();
    return true;
}
