#include "app/camera/camera_frame_lease.h"

#include "platform/platform.h"

#include <cerrno>
#include <linux/videodev2.h>
#include <utility>

int BufferReturn::requeue(unsigned index)
{
    std::lock_guard lock(mutex_);
    if (fd_ < 0) {
        return -ESHUTDOWN;
    }
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = index;
    return plat::ioctl(fd_, VIDIOC_QBUF, &buffer) == 0 ? 0 : -errno;
}

void BufferReturn::revoke()
{
    std::lock_guard lock(mutex_);
    fd_ = -1;
}

bool BufferReturn::revoked() const
{
    std::lock_guard lock(mutex_);
    return fd_ < 0;
}

FrameLease::FrameLease(FrameLease&& other) noexcept
    : index_(other.index_), mapping_(std::move(other.mapping_)), way_(std::move(other.way_))
{
}

FrameLease& FrameLease::operator=(FrameLease&& other) noexcept
{
    if (this != &other) {
        release();
        index_ = other.index_;
        mapping_ = std::move(other.mapping_);
        way_ = std::move(other.way_);
    }
    return *this;
}

void FrameLease::release()
{
    if (way_) {
        way_->requeue(index_);
        way_.reset();
    }
    mapping_.reset();
}
