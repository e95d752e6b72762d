// The platform calls on the simulated board: descriptors of simulated devices go to their
// open files, everything else to the kernel.
#include "platform/platform.h"

#include "platform/sim/device_registry.h"
#include "platform/sim/stdio_stream.h"
#include "platform/sim/system_recorder.h"
#include "platform/stream_flags.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace plat {
namespace {

using sim::OpenFile;
using sim::registry;

template <typename T>
T fail(int error)
{
    errno = error;
    return static_cast<T>(-1);
}

// Kernel-style result: a negative value is an errno.
template <typename T>
T result(T value)
{
    return value < 0 ? fail<T>(static_cast<int>(-value)) : value;
}

// The open file behind a descriptor of the board, or null for a kernel descriptor. A device
// that was taken away answers ENODEV on the descriptors still open on it.
std::shared_ptr<OpenFile> boardFile(int fd, int& error)
{
    auto file = registry().descriptors().find(fd);
    error = file && !registry().present(file->node()) ? ENODEV : 0;
    return file;
}

} // namespace

int open(char const* path, int flags, mode_t mode)
{
    if (path == nullptr) {
        return fail<int>(EFAULT);
    }
    sim::Route const where = registry().route(path);
    switch (where.kind) {
    case sim::Route::Kind::Node:
        return registry().openNode(where.node, flags);
    case sim::Route::Kind::Missing:
        return fail<int>(ENOENT);
    case sim::Route::Kind::Kernel:
        break;
    }
    int const fd = ::open(where.hostPath.c_str(), flags, mode);
    if (fd >= 0) {
        registry().descriptors().take(fd); // a stale entry for a number closed behind our back
    }
    return fd;
}

int close(int fd)
{
    // Forget the descriptor before its number can be handed out again.
    if (auto file = registry().descriptors().take(fd)) {
        file->release();
    }
    return ::close(fd);
}

ssize_t read(int fd, void* buffer, size_t count)
{
    int error = 0;
    auto file = boardFile(fd, error);
    if (!file) {
        return ::read(fd, buffer, count);
    }
    if (error != 0) {
        return fail<ssize_t>(error);
    }
    if (!file->readable()) {
        return fail<ssize_t>(EBADF);
    }
    if (buffer == nullptr && count > 0) {
        return fail<ssize_t>(EFAULT);
    }
    return result(file->read(buffer, count));
}

ssize_t write(int fd, void const* buffer, size_t count)
{
    int error = 0;
    auto file = boardFile(fd, error);
    if (!file) {
        return ::write(fd, buffer, count);
    }
    if (error != 0) {
        return fail<ssize_t>(error);
    }
    if (!file->writable()) {
        return fail<ssize_t>(EBADF);
    }
    if (buffer == nullptr && count > 0) {
        return fail<ssize_t>(EFAULT);
    }
    return result(file->write(buffer, count));
}

int poll(struct pollfd* fds, nfds_t count, int timeoutMs) { return ::poll(fds, count, timeoutMs); }

int ioctl(int fd, unsigned long request, void* argument)
{
    int error = 0;
    auto file = boardFile(fd, error);
    if (!file) {
        return ::ioctl(fd, request, argument);
    }
    if (error != 0) {
        return fail<int>(error);
    }
    return result(file->ioctl(request, argument));
}

void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset)
{
    if ((flags & MAP_ANONYMOUS) != 0) {
        return ::mmap(address, length, protection, flags, fd, offset);
    }
    int error = 0;
    auto file = boardFile(fd, error);
    if (!file) {
        return ::mmap(address, length, protection, flags, fd, offset);
    }
    if (error != 0) {
        errno = error;
        return MAP_FAILED;
    }
    void* const pages = file->map(length, protection, flags, offset, error);
    if (pages == nullptr) {
        errno = error;
        return MAP_FAILED;
    }
    return pages;
}

int munmap(void* address, size_t length) { return ::munmap(address, length); }
int pipe(int fds[2]) { return ::pipe(fds); }

int isatty(int fd)
{
    int error = 0;
    auto file = boardFile(fd, error);
    if (file && error != 0) {
        errno = error;
        return 0;
    }
    return ::isatty(fd);
}

off_t lseek(int fd, off_t offset, int whence)
{
    int error = 0;
    auto file = boardFile(fd, error);
    if (!file) {
        return ::lseek(fd, offset, whence);
    }
    if (error != 0) {
        return fail<off_t>(error);
    }
    return result(file->seek(offset, whence));
}

int fstat(int fd, struct stat* info)
{
    int error = 0;
    auto file = boardFile(fd, error);
    if (!file) {
        return ::fstat(fd, info);
    }
    if (error != 0) {
        return fail<int>(error);
    }
    if (info == nullptr) {
        return fail<int>(EFAULT);
    }
    return result(file->status(*info));
}

int stat(char const* path, struct stat* info)
{
    if (path == nullptr || info == nullptr) {
        return fail<int>(EFAULT);
    }
    return registry().stat(path, info);
}

int tcgetattr(int fd, struct termios* settings)
{
    int error = 0;
    auto file = boardFile(fd, error);
    if (!file) {
        return ::tcgetattr(fd, settings);
    }
    if (error != 0) {
        return fail<int>(error);
    }
    if (settings == nullptr) {
        return fail<int>(EFAULT);
    }
    return result(file->getTermios(*settings));
}

int tcsetattr(int fd, int when, struct termios const* settings)
{
    int error = 0;
    auto file = boardFile(fd, error);
    if (!file) {
        return ::tcsetattr(fd, when, settings);
    }
    if (error != 0) {
        return fail<int>(error);
    }
    if (settings == nullptr) {
        return fail<int>(EFAULT);
    }
    return result(file->setTermios(when, *settings));
}

// A descriptor of the board that is not a terminal answers ENOTTY from the kernel as well.
int tcflush(int fd, int queue)
{
    int error = 0;
    auto file = boardFile(fd, error);
    return file && error != 0 ? fail<int>(error) : ::tcflush(fd, queue);
}

int tcdrain(int fd)
{
    int error = 0;
    auto file = boardFile(fd, error);
    return file && error != 0 ? fail<int>(error) : ::tcdrain(fd);
}

int cfsetispeed(struct termios* settings, speed_t speed) { return ::cfsetispeed(settings, speed); }
int cfsetospeed(struct termios* settings, speed_t speed) { return ::cfsetospeed(settings, speed); }

FILE* fopen(char const* path, char const* mode)
{
    if (path == nullptr) {
        errno = EFAULT;
        return nullptr;
    }
    int const flags = streamFlags(mode);
    if (flags < 0) {
        errno = EINVAL;
        return nullptr;
    }
    sim::Route const where = registry().route(path);
    if (where.kind == sim::Route::Kind::Kernel) {
        return std::fopen(where.hostPath.c_str(), mode);
    }
    if (where.kind == sim::Route::Kind::Missing) {
        errno = ENOENT;
        return nullptr;
    }
    int const fd = registry().openNode(where.node, flags);
    if (fd < 0) {
        return nullptr;
    }
    return sim::openStream(fd, mode);
}

int fclose(FILE* stream) { return std::fclose(stream); }

int fileno(FILE* stream)
{
    int const fd = registry().descriptors().streamDescriptor(stream);
    return fd >= 0 ? fd : ::fileno(stream);
}

int system(char const* command) { return registry().recorder()->run(command); }

std::chrono::steady_clock::time_point steadyNow() { return std::chrono::steady_clock::now(); }
std::chrono::system_clock::time_point systemNow() { return std::chrono::system_clock::now(); }

} // namespace plat
