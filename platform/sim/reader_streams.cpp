#include "platform/sim/reader_streams.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace plat::sim {

ReaderStreams::~ReaderStreams()
{
    for (int stream : streams_) {
        ::close(stream);
    }
}

int ReaderStreams::open(int flags, int& writeFd)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return -errno;
    }
    // The harness must never block on a reader that is not reading.
    if (::fcntl(ends[1], F_SETFL, O_NONBLOCK) != 0 ||
        ((flags & O_NONBLOCK) != 0 && ::fcntl(ends[0], F_SETFL, O_NONBLOCK) != 0)) {
        int const error = errno;
        ::close(ends[0]);
        ::close(ends[1]);
        return -error;
    }
    std::lock_guard lock(mutex_);
    streams_.push_back(ends[1]);
    writeFd = ends[1];
    return ends[0];
}

void ReaderStreams::close(int writeFd)
{
    std::lock_guard lock(mutex_);
    auto it = std::find(streams_.begin(), streams_.end(), writeFd);
    if (it != streams_.end()) {
        ::close(writeFd);
        streams_.erase(it);
    }
}

void ReaderStreams::broadcast(void const* record, std::size_t size) const
{
    std::lock_guard lock(mutex_);
    for (int stream : streams_) {
        [[maybe_unused]] ssize_t const n = ::write(stream, record, size);
    }
}

} // namespace plat::sim
