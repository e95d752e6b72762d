#include "platform/sim/stdio_stream.h"

#include "platform/platform.h"
#include "platform/sim/device_registry.h"

#include <cerrno>
#include <fcntl.h>
#include <new>

namespace plat::sim {
namespace {

struct Cookie {
    int fd;
    FILE* stream;
};

ssize_t readCookie(void* cookie, char* buffer, size_t size)
{
    return plat::read(static_cast<Cookie*>(cookie)->fd, buffer, size);
}

ssize_t writeCookie(void* cookie, char const* buffer, size_t size)
{
    ssize_t const n = plat::write(static_cast<Cookie*>(cookie)->fd, buffer, size);
    return n < 0 ? 0 : n; // stdio takes 0 as the failure of a write
}

int seekCookie(void* cookie, off64_t* offset, int whence)
{
    off_t const at = plat::lseek(static_cast<Cookie*>(cookie)->fd, static_cast<off_t>(*offset), whence);
    if (at < 0) {
        return -1;
    }
    *offset = at;
    return 0;
}

int closeCookie(void* cookie)
{
    auto* const owned = static_cast<Cookie*>(cookie);
    registry().descriptors().unbindStream(owned->stream);
    int const result = plat::close(owned->fd);
    delete owned;
    return result;
}

} // namespace

FILE* openStream(int fd, char const* mode)
{
    auto* cookie = new (std::nothrow) Cookie{fd, nullptr};
    if (cookie == nullptr) {
        plat::close(fd);
        errno = ENOMEM;
        return nullptr;
    }
    cookie_io_functions_t const functions{readCookie, writeCookie, seekCookie, closeCookie};
    FILE* const stream = ::fopencookie(cookie, mode, functions);
    if (stream == nullptr) {
        int const error = errno;
        plat::close(fd);
        delete cookie;
        errno = error;
        return nullptr;
    }
    cookie->stream = stream;
    registry().descriptors().bindStream(stream, fd);
    return stream;
}

} // namespace plat::sim
