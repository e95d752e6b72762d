#pragma once
// A thin owner of one file descriptor, opened through the platform layer.

#include <span>
#include <string>

class File {
public:
    enum eOpenMode { eClosed = 0, eRead = 1, eWrite = 2, eReadWrite = 3 };

    File() = default;
    explicit File(std::string const& path);
    File(File const&) = delete;
    File& operator=(File const&) = delete;
    virtual ~File();

    // The path changes only while the file is closed.
    bool setFileName(std::string const& path);
    std::string const& fileName() const { return path_; }

    // Write modes create a missing regular file, but never a node under /dev
    // or /sys: a file created there would take the name a late driver needs.
    bool open(eOpenMode mode, int extraFlags = 0);
    virtual void close();

    // Whether the path can be stat'ed.
    bool exists() const;
    static bool exists(std::string const& path);

    // Size in bytes, or -errno (-EINVAL when closed).
    long size() const;
    // Current offset; 0 when closed.
    long pos() const;
    // Absolute position; the new offset or -errno.
    long seek(long offset);

    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    eOpenMode openMode() const { return mode_; }
    // 0, or the negative errno of the last failed call.
    int lastError() const { return lastError_; }

    // Whole-span transfers: loop until done or a call makes no progress.
    // Result: the count done; -errno when nothing was done and a call failed;
    // -EINVAL on a closed file.
    long read(std::span<unsigned char> bytes);
    long write(std::span<unsigned char const> bytes);
    long write(std::string const& text);
    // One write call: its count, or -errno.
    long write(unsigned char byte);
    long write(unsigned char const* bytes, unsigned count);

    static bool isDevicePath(std::string const& path);

protected:
    long fail(int error);

    std::string path_;
    bool mayCreate_ = true;
    int fd_ = -1;
    eOpenMode mode_ = eClosed;
    int lastError_ = 0;
};
