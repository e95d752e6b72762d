#pragma once
// A serial port of the board: a pseudo-terminal pair. The device path opens the slave; the
// host end (the master) belongs to the harness. One slave descriptor stays open for the
// life of the line so that the host end never sees a hang-up while the firmware reopens.

#include "platform/sim/open_file.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <termios.h>

namespace plat::sim {

class SerialLine {
public:
    // nullptr with error set when the system has no pseudo-terminal to give.
    static std::shared_ptr<SerialLine> create(int& error);
    ~SerialLine();
    SerialLine(SerialLine const&) = delete;
    SerialLine& operator=(SerialLine const&) = delete;

    int masterFd() const { return master_; }
    std::string const& slavePath() const { return slavePath_; }

    // Opens a further slave descriptor for the firmware; returns it or a negative errno.
    int openSlave(int flags) const;

    // A pseudo-terminal keeps the character size at 8 bits and no parity whatever is set,
    // so the frame format the firmware chose is kept here and shown with the settings.
    int getTermios(int fd, termios& settings) const;
    int setTermios(int fd, int when, termios const& settings);
    bool settings(termios& settings) const;

    bool hostWrite(std::string_view bytes) const;
    std::string hostRead(std::size_t count, std::chrono::milliseconds wait) const;

private:
    SerialLine() = default;

    int master_ = -1;
    int keptSlave_ = -1;
    std::string slavePath_;
    mutable std::mutex mutex_;
    tcflag_t frame_ = CS8;
};

// A firmware descriptor on the slave.
class SerialOpenFile final : public OpenFile {
public:
    SerialOpenFile(std::size_t node, int flags, int fd, std::shared_ptr<SerialLine> line);

    ssize_t read(void* buffer, std::size_t count) override;
    ssize_t write(void const* buffer, std::size_t count) override;
    int ioctl(unsigned long request, void* argument) override;
    int status(struct stat& info) override;
    int getTermios(termios& settings) override;
    int setTermios(int when, termios const& settings) override;

private:
    int fd_;
    std::shared_ptr<SerialLine> line_;
};

} // namespace plat::sim
