#pragma once
// The in-memory command pipe: menu labels read by the scanner are written in
// on one thread and evaluated as commands on the "MEMORY" thread.
//
// A ring of 4096 bytes; equal indexes mean empty, so it holds 4095 unread
// bytes. A writer never overwrites unread bytes: when the ring is full it
// waits a while for the reader, and when there is still no room the byte is
// refused and so is everything after it up to the next ESC. The bytes already
// in the ring then end in an unfinished command, which that ESC discards, so
// a truncated command is never run.

#include "config/stream.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

class MemoryPipeStream {
public:
    static constexpr std::size_t kSize = 4096;

    class PipeInputStream final : public ivra_configuration::InputStream {
    public:
        explicit PipeInputStream(MemoryPipeStream& pipe) : pipe_(pipe) {}
        // The next byte. An empty pipe is waited on once; still empty after
        // the wake-up (or on destruction) is the end for now (false).
        bool Read(char& c) override { return pipe_.take(c); }
        // Not supported: false, nothing read.
        bool Read(void* buffer, unsigned length) override;

    private:
        MemoryPipeStream& pipe_;
    };

    class PipeOutputStream final : public ivra_configuration::OutputStream {
    public:
        explicit PipeOutputStream(MemoryPipeStream& pipe) : pipe_(pipe) {}
        using ivra_configuration::OutputStream::Write;
        // False when the byte was refused (pipe full, or dropping up to ESC).
        bool Write(char c) override { return pipe_.put(c); }
        // Not supported: nothing written.
        int Write(void const* buffer, unsigned length) override;
        bool Flush() override { return true; }

    private:
        MemoryPipeStream& pipe_;
    };

    MemoryPipeStream();
    MemoryPipeStream(MemoryPipeStream const&) = delete;
    MemoryPipeStream& operator=(MemoryPipeStream const&) = delete;
    // Wakes a waiting reader and writer, which then give up, and waits for
    // them to leave.
    ~MemoryPipeStream();

    PipeInputStream& input() { return input_; }
    PipeOutputStream& output() { return output_; }

    std::size_t unread() const;
    // Waits until every byte written has been read and the reader is back
    // waiting for more, so every whole command written has been run. False
    // when that does not happen within `timeout`.
    bool waitUntilEvaluated(std::chrono::milliseconds timeout);
    // While set, the reader's reads end at once with false, a wait in
    // progress included, so that a thread looping over the evaluator can see
    // that it is told to stop.
    void interruptReader(bool interrupted);
    // How long a writer waits for room before refusing (1 s); tests shorten it.
    void setWriteWait(std::chrono::milliseconds wait);

private:
    bool put(char c);
    bool take(char& c);
    std::size_t unreadLocked() const;
    void leave();

    mutable std::mutex mutex_;
    std::condition_variable data_;
    // Room for the writer; also notified on destruction.
    std::condition_variable room_;
    // The reader has started waiting on an empty ring.
    std::condition_variable drained_;
    std::array<char, kSize> ring_{};
    std::uint16_t readIndex_ = 0;
    std::uint16_t writeIndex_ = 0;
    bool dropping_ = false;
    bool closed_ = false;
    bool interrupted_ = false;
    bool readerWaiting_ = false;
    unsigned users_ = 0; // readers and writers waiting
    std::chrono::milliseconds writeWait_{1000};
    PipeInputStream input_{*this};
    PipeOutputStream output_{*this};
};
