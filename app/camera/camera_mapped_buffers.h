#pragma once
// The capture buffers mapped from the driver. A mapping stays until its last holder lets
// go, so a frame a reader still holds keeps its pixels after the stream has stopped.

#include <cstddef>
#include <memory>
#include <vector>

class MappedBuffer {
public:
    MappedBuffer(void* address, std::size_t length) : address_(address), length_(length) {}
    ~MappedBuffer();
    MappedBuffer(MappedBuffer const&) = delete;
    MappedBuffer& operator=(MappedBuffer const&) = delete;

    void* address() const { return address_; }
    std::size_t length() const { return length_; }

private:
    void* address_;
    std::size_t length_;
};

class FrameBufferInfo {
public:
    FrameBufferInfo(unsigned index, std::shared_ptr<MappedBuffer> mapping)
        : index_(index), mapping_(std::move(mapping))
    {
    }
    virtual ~FrameBufferInfo() = default;

    unsigned index() const { return index_; }
    void* address() const { return mapping_->address(); }
    std::size_t length() const { return mapping_->length(); }
    std::shared_ptr<MappedBuffer> const& mapping() const { return mapping_; }

private:
    unsigned index_;
    std::shared_ptr<MappedBuffer> mapping_;
};

class V4L2MMFrameBuffer {
public:
    std::size_t getTotalBuffers() const { return buffers_.size(); }
    // Null and 0 for an index out of range.
    void* MMAddress(std::size_t i) const;
    std::size_t MMBufSize(std::size_t i) const;
    std::shared_ptr<MappedBuffer> mapping(std::size_t i) const;
    // Appends buffer `index`, taking over the mapping (unmapped when no one holds it).
    void setMMapBuffer(unsigned index, void* address, std::size_t length);
    void clearTotalBuffer() { buffers_.clear(); }

private:
    std::vector<FrameBufferInfo> buffers_;
};
