#pragma once
// The key input device: a key-state bitmap for EVIOCGKEY and a stream of 16-byte event
// records (the 32-bit layout of the board's kernel). Every opener gets its own stream, as
// with an event device; events from before an open are not replayed, only the key state.

#include "platform/sim/open_file.h"
#include "platform/sim/reader_streams.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <linux/input.h>
#include <memory>
#include <mutex>
#include <vector>

namespace plat::sim {

struct InputRecord32 {
    std::uint32_t seconds;
    std::uint32_t microseconds;
    std::uint16_t type;
    std::uint16_t code;
    std::int32_t value;
};
static_assert(sizeof(InputRecord32) == 16);

class KeyInput {
public:
    static constexpr std::size_t kBitmapBytes = KEY_CNT / 8;

    // Returns the read end of a new event stream, or a negative errno; the write end,
    // which names the stream, goes to writeFd.
    int openReader(int flags, int& writeFd) { return streams_.open(flags, writeFd); }
    void closeReader(int writeFd) { streams_.close(writeFd); }

    // Key value 1 press, 0 release, 2 auto-repeat; false for a code outside the key range.
    bool report(unsigned code, int value);
    bool held(unsigned code) const;
    // EVIOCGKEY: copies at most `length` bytes of the bitmap; returns the count copied.
    std::size_t keyState(void* out, std::size_t length) const;

    // Counts the reads under way, so that a test can close a descriptor while one waits.
    void readStarts() { ++reads_; }
    void readEnds() { --reads_; }
    int readsUnderWay() const { return reads_.load(); }

private:
    mutable std::mutex mutex_;
    std::array<std::uint8_t, kBitmapBytes> keys_{};
    ReaderStreams streams_;
    std::atomic<int> reads_{0};
};

class KeyOpenFile final : public OpenFile {
public:
    KeyOpenFile(std::size_t node, int flags, int fd, int writeFd, std::shared_ptr<KeyInput> input);
    ~KeyOpenFile() override;

    ssize_t read(void* buffer, std::size_t count) override;
    int ioctl(unsigned long request, void* argument) override;
    // The stream's write end goes when the descriptor closes, which ends a read that is
    // waiting; its read end only with the open file, once no read uses it any more. So no
    // event is ever written into a pipe without a reader (which would raise SIGPIPE in the
    // harness), and no descriptor is closed under a read.
    void release() override;

private:
    int fd_; // the stream's read end, not the caller's descriptor
    int writeFd_;
    std::shared_ptr<KeyInput> input_;
};

} // namespace plat::sim
