#pragma once
// One pipe per reader of a device that hands out records (key events, LED bytes): the
// device writes each record into every stream; a reader reads and polls its own end.
// Records from before an open are not replayed. A full stream loses the record rather
// than block the device.

#include <cstddef>
#include <mutex>
#include <vector>

namespace plat::sim {

class ReaderStreams {
public:
    ReaderStreams() = default;
    ReaderStreams(ReaderStreams const&) = delete;
    ReaderStreams& operator=(ReaderStreams const&) = delete;
    ~ReaderStreams();

    // The read end of a new stream (non-blocking when the flags say so), or a negative
    // errno; the write end, which names the stream, goes to writeFd.
    int open(int flags, int& writeFd);
    void close(int writeFd);
    // A record of at most the pipe's atomic size goes into each stream whole or not at all.
    void broadcast(void const* record, std::size_t size) const;

private:
    mutable std::mutex mutex_;
    std::vector<int> streams_; // write ends
};

} // namespace plat::sim
