#pragma once
// A dequeued capture buffer on loan to the application. The buffer goes back to the
// driver when the lease ends, that is when the last holder of its frame lets go, and
// only to the stream it came from: once that stream has stopped the lease returns
// nothing and merely keeps the pages mapped for whoever still reads them.

#include "app/camera/camera_mapped_buffers.h"

#include <memory>
#include <mutex>

// The way back to the driver for one stream's buffers.
class BufferReturn {
public:
    explicit BufferReturn(int fd) : fd_(fd) {}
    BufferReturn(BufferReturn const&) = delete;
    BufferReturn& operator=(BufferReturn const&) = delete;

    // QBUF of buffer `index`: 0, or -errno (-ESHUTDOWN once revoked).
    int requeue(unsigned index);
    // After this no buffer goes back through here, so the descriptor may be closed.
    void revoke();
    bool revoked() const;

private:
    mutable std::mutex mutex_;
    int fd_;
};

class FrameLease {
public:
    FrameLease() = default;
    FrameLease(unsigned index, std::shared_ptr<MappedBuffer> mapping, std::shared_ptr<BufferReturn> way)
        : index_(index), mapping_(std::move(mapping)), way_(std::move(way))
    {
    }
    ~FrameLease() { release(); }
    FrameLease(FrameLease&& other) noexcept;
    FrameLease& operator=(FrameLease&& other) noexcept;
    FrameLease(FrameLease const&) = delete;
    FrameLease& operator=(FrameLease const&) = delete;

    // Gives the buffer back now (or, when the stream has stopped, lets it go).
    void release();
    bool held() const { return mapping_ != nullptr; }
    std::shared_ptr<MappedBuffer> const& mapping() const { return mapping_; }

private:
    unsigned index_ = 0;
    std::shared_ptr<MappedBuffer> mapping_;
    std::shared_ptr<BufferReturn> way_;
};
