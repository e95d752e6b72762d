// The device backend: every call goes straight to the kernel or the C library.
#include "platform/platform.h"

#include "platform/stream_flags.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace plat {

int open(char const* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int close(int fd) { return ::close(fd); }
ssize_t read(int fd, void* buffer, size_t count) { return ::read(fd, buffer, count); }
ssize_t write(int fd, void const* buffer, size_t count) { return ::write(fd, buffer, count); }
int poll(struct pollfd* fds, nfds_t count, int timeoutMs) { return ::poll(fds, count, timeoutMs); }
int ioctl(int fd, unsigned long request, void* argument) { return ::ioctl(fd, request, argument); }

void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset)
{
    return ::mmap(address, length, protection, flags, fd, offset);
}

int munmap(void* address, size_t length) { return ::munmap(address, length); }
int pipe(int fds[2]) { return ::pipe(fds); }
int isatty(int fd) { return ::isatty(fd); }
off_t lseek(int fd, off_t offset, int whence) { return ::lseek(fd, offset, whence); }
int fstat(int fd, struct stat* info) { return ::fstat(fd, info); }
int stat(char const* path, struct stat* info) { return ::stat(path, info); }

int tcgetattr(int fd, struct termios* settings) { return ::tcgetattr(fd, settings); }
int tcsetattr(int fd, int when, struct termios const* settings) { return ::tcsetattr(fd, when, settings); }
int tcflush(int fd, int queue) { return ::tcflush(fd, queue); }
int tcdrain(int fd) { return ::tcdrain(fd); }
int cfsetispeed(struct termios* settings, speed_t speed) { return ::cfsetispeed(settings, speed); }
int cfsetospeed(struct termios* settings, speed_t speed) { return ::cfsetospeed(settings, speed); }

namespace {

bool DeviceNode(char const* path) { return std::strncmp(path, "/dev/", 5) == 0; }

} // namespace

FILE* fopen(char const* path, char const* mode)
{
    if (path == nullptr) {
        errno = EFAULT;
        return nullptr;
    }
    if (!DeviceNode(path)) {
        return std::fopen(path, mode);
    }
    // The C library would create a missing node as a plain file and truncate an existing
    // one: open only what is there, as it is.
    int const flags = streamFlags(mode);
    if (flags < 0) {
        errno = EINVAL;
        return nullptr;
    }
    int const fd = ::open(path, flags | O_CLOEXEC);
    if (fd < 0) {
        return nullptr; // ENOENT when the node is missing
    }
    FILE* const stream = ::fdopen(fd, mode);
    if (stream == nullptr) {
        int const error = errno;
        ::close(fd);
        errno = error;
    }
    return stream;
}

int fclose(FILE* stream) { return std::fclose(stream); }
int fileno(FILE* stream) { return ::fileno(stream); }

int system(char const* command) { return std::system(command); }

std::chrono::steady_clock::time_point steadyNow() { return std::chrono::steady_clock::now(); }
std::chrono::system_clock::time_point systemNow() { return std::chrono::system_clock::now(); }

} // namespace plat
