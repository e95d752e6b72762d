#pragma once
// A V4L2 device node: its path and, while open, its descriptor. Requests answer 0 or
// minus errno, as the kernel does.

#include <string>

class V4L2Device {
public:
    explicit V4L2Device(std::string path) : path_(std::move(path)) {}
    virtual ~V4L2Device();
    V4L2Device(V4L2Device const&) = delete;
    V4L2Device& operator=(V4L2Device const&) = delete;

    std::string const& path() const { return path_; }
    int descriptor() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }

protected:
    // 0; -EBUSY when already open; -errno of the open.
    int openDevice(int flags);
    void closeDevice();
    // -EBADF when closed.
    int request(unsigned long code, void* argument) const;

private:
    std::string const path_;
    int fd_ = -1;
};
