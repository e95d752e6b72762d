#include "app/camera/camera_device.h"

#include "platform/platform.h"

#include <cerrno>

V4L2Device::~V4L2Device() { closeDevice(); }

int V4L2Device::openDevice(int flags)
{
    if (isOpen()) {
        return -EBUSY;
    }
    int const fd = plat::open(path_.c_str(), flags);
    if (fd < 0) {
        return -errno;
    }
    fd_ = fd;
    return 0;
}

void V4L2Device::closeDevice()
{
    if (fd_ >= 0) {
        plat::close(fd_);
        fd_ = -1;
    }
}

int V4L2Device::request(unsigned long code, void* argument) const
{
    if (fd_ < 0) {
        return -EBADF;
    }
    // A signal arriving mid-request is no failure of the device.
    int result = 0;
    do {
        result = plat::ioctl(fd_, code, argument);
    } while (result < 0 && errno == EINTR);
    return result < 0 ? -errno : result;
}
