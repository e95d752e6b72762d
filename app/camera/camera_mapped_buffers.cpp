#include "app/camera/camera_mapped_buffers.h"

#include "platform/platform.h"

MappedBuffer::~MappedBuffer()
{
    if (address_ != nullptr) {
        plat::munmap(address_, length_);
    }
}

void* V4L2MMFrameBuffer::MMAddress(std::size_t i) const
{
    return i < buffers_.size() ? buffers_[i].address() : nullptr;
}

std::size_t V4L2MMFrameBuffer::MMBufSize(std::size_t i) const
{
    return i < buffers_.size() ? buffers_[i].length() : 0;
}

std::shared_ptr<MappedBuffer> V4L2MMFrameBuffer::mapping(std::size_t i) const
{
    return i < buffers_.size() ? buffers_[i].mapping() : nullptr;
}

void V4L2MMFrameBuffer::setMMapBuffer(unsigned index, void* address, std::size_t length)
{
    buffers_.emplace_back(index, std::make_shared<MappedBuffer>(address, length));
}
