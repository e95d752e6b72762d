#include "app/file.h"

#include "platform/platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

File::File(std::string const& path)
    : path_(path)
{
}

File::~File()
{
    File::close();
}

bool File::setFileName(std::string const& path)
{
    if (isOpen()) {
        return false;
    }
    path_ = path;
    return true;
}

bool File::isDevicePath(std::string const& path)
{
    return path.rfind("/dev/", 0) == 0 || path.rfind("/sys/", 0) == 0;
}

bool File::open(eOpenMode mode, int extraFlags)
{
    if (path_.empty() || isOpen()) {
        return false;
    }
    int flags = 0;
    switch (mode) {
    case eRead:
        flags = O_RDONLY;
        break;
    case eWrite:
        flags = O_WRONLY;
        break;
    case eReadWrite:
        flags = O_RDWR;
        break;
    default:
        return false;
    }
    if (mode != eRead && mayCreate_ && !isDevicePath(path_)) {
        flags |= O_CREAT;
    }
    int const fd = plat::open(path_.c_str(), flags | extraFlags, 0666);
    if (fd < 0) {
        lastError_ = -errno;
        return false;
    }
    fd_ = fd;
    mode_ = mode;
    lastError_ = 0;
    return true;
}

void File::close()
{
    if (fd_ >= 0) {
        if (plat::close(fd_) != 0) {
            lastError_ = -errno;
        }
        fd_ = -1;
    }
    mode_ = eClosed;
}

bool File::exists() const
{
    return exists(path_);
}

bool File::exists(std::string const& path)
{
    struct stat info {};
    return !path.empty() && plat::stat(path.c_str(), &info) == 0;
}

long File::size() const
{
    if (!isOpen()) {
        return -EINVAL;
    }
    struct stat info {};
    if (plat::fstat(fd_, &info) != 0) {
        return -errno;
    }
    return static_cast<long>(info.st_size);
}

long File::pos() const
{
    if (!isOpen()) {
        return 0;
    }
    off_t const offset = plat::lseek(fd_, 0, SEEK_CUR);
    return offset < 0 ? -errno : static_cast<long>(offset);
}

long File::seek(long offset)
{
    if (!isOpen()) {
        return fail(EINVAL);
    }
    off_t const result = plat::lseek(fd_, offset, SEEK_SET);
    return result < 0 ? fail(errno) : static_cast<long>(result);
}

long File::fail(int error)
{
    lastError_ = -error;
    return -error;
}

long File::read(std::span<unsigned char> bytes)
{
    if (!isOpen()) {
        return fail(EINVAL);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t const n = plat::read(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && done == 0) {
            return fail(errno);
        }
        break;
    }
    return static_cast<long>(done);
}

long File::write(std::span<unsigned char const> bytes)
{
    if (!isOpen()) {
        return fail(EINVAL);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t const n = plat::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && done == 0) {
            return fail(errno);
        }
        break;
    }
    return static_cast<long>(done);
}

long File::write(std::string const& text)
{
    return write(std::span<unsigned char const>(reinterpret_cast<unsigned char const*>(text.data()), text.size()));
}

long File::write(unsigned char byte)
{
    return write(&byte, 1);
}

long File::write(unsigned char const* bytes, unsigned count)
{
    if (!isOpen()) {
        return fail(EINVAL);
    }
    ssize_t const n = plat::write(fd_, bytes, count);
    if (n < 0) {
        return fail(errno);
    }
    return static_cast<long>(n);
}
