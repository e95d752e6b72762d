#pragma once
// One open description of a simulated device: what a descriptor of the board refers to.
// Calls return a count or a negative errno, as the kernel's own file operations do.

#include <cerrno>
#include <cstddef>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <termios.h>

namespace plat::sim {

class OpenFile {
public:
    OpenFile(std::size_t node, int flags) : node_(node), access_(flags & O_ACCMODE) {}
    virtual ~OpenFile() = default;
    OpenFile(OpenFile const&) = delete;
    OpenFile& operator=(OpenFile const&) = delete;

    std::size_t node() const { return node_; }
    bool readable() const { return access_ == O_RDONLY || access_ == O_RDWR; }
    bool writable() const { return access_ == O_WRONLY || access_ == O_RDWR; }

    virtual ssize_t read(void* /*buffer*/, std::size_t /*count*/) { return -EINVAL; }
    virtual ssize_t write(void const* /*buffer*/, std::size_t /*count*/) { return -EINVAL; }
    virtual int ioctl(unsigned long /*request*/, void* /*argument*/) { return -ENOTTY; }
    virtual off_t seek(off_t /*offset*/, int /*whence*/) { return -ESPIPE; }
    // On failure returns nullptr and sets error.
    virtual void* map(std::size_t /*length*/, int /*protection*/, int /*flags*/, off_t /*offset*/, int& error)
    {
        error = ENODEV;
        return nullptr;
    }
    virtual int status(struct stat& info)
    {
        info = {};
        info.st_mode = S_IFCHR | 0600;
        return 0;
    }
    // Called as the descriptor closes, while other threads may still hold the open file.
    virtual void release() {}
    virtual int getTermios(termios& /*settings*/) { return -ENOTTY; }
    virtual int setTermios(int /*when*/, termios const& /*settings*/) { return -ENOTTY; }

private:
    std::size_t node_;
    int access_;
};

} // namespace plat::sim
