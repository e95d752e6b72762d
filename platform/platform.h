#pragma once
// The one layer through which the application reaches the kernel. Two backends
// implement it: platform/device passes every call through, platform/sim is the
// simulated board. The calls keep the kernel's signatures and errno conventions
// so that the application code reads like ordinary device code.

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <poll.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <termios.h>

namespace plat {

int open(char const* path, int flags, mode_t mode = 0);
int close(int fd);
ssize_t read(int fd, void* buffer, size_t count);
ssize_t write(int fd, void const* buffer, size_t count);
int poll(struct pollfd* fds, nfds_t count, int timeoutMs);
int ioctl(int fd, unsigned long request, void* argument);
void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset);
int munmap(void* address, size_t length);
int pipe(int fds[2]);
int isatty(int fd);
off_t lseek(int fd, off_t offset, int whence);
int fstat(int fd, struct stat* info);
// Whether a device or sysfs directory exists (the PWM channel appears on export).
int stat(char const* path, struct stat* info);

int tcgetattr(int fd, struct termios* settings);
int tcsetattr(int fd, int when, struct termios const* settings);
int tcflush(int fd, int queue);
int tcdrain(int fd);
int cfsetispeed(struct termios* settings, speed_t speed);
int cfsetospeed(struct termios* settings, speed_t speed);

// Flash partitions are read and written as stdio streams; the descriptor that
// plat::fileno gives for such a stream takes the MTD ioctls through plat::ioctl.
// The streams are ordinary FILE*: fread, fwrite, fflush, fseek and rewind apply.
// A device node opened for writing is never truncated or created.
FILE* fopen(char const* path, char const* mode);
int fclose(FILE* stream);
int fileno(FILE* stream);

int system(char const* command);

std::chrono::steady_clock::time_point steadyNow();
std::chrono::system_clock::time_point systemNow();

} // namespace plat
