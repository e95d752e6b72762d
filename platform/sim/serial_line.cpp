#include "platform/sim/serial_line.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace plat::sim {
namespace {

constexpr tcflag_t kFrameBits = CSIZE | PARENB;

} // namespace

std::shared_ptr<SerialLine> SerialLine::create(int& error)
{
    std::shared_ptr<SerialLine> line(new SerialLine);
    line->master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line->master_ < 0) {
        error = errno;
        return nullptr;
    }
    char name[128];
    if (::grantpt(line->master_) != 0 || ::unlockpt(line->master_) != 0 ||
        ::ptsname_r(line->master_, name, sizeof name) != 0) {
        error = errno != 0 ? errno : EIO;
        return nullptr;
    }
    line->slavePath_ = name;
    line->keptSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line->keptSlave_ < 0) {
        error = errno;
        return nullptr;
    }
    // A new port passes bytes unchanged (no echo back to the host) until the firmware sets it up.
    termios raw{};
    if (::tcgetattr(line->keptSlave_, &raw) != 0) {
        error = errno;
        return nullptr;
    }
    ::cfmakeraw(&raw);
    if (::tcsetattr(line->keptSlave_, TCSANOW, &raw) != 0) {
        error = errno;
        return nullptr;
    }
    return line;
}

SerialLine::~SerialLine()
{
    if (keptSlave_ >= 0) {
        ::close(keptSlave_);
    }
    if (master_ >= 0) {
        ::close(master_);
    }
}

int SerialLine::openSlave(int flags) const
{
    // A device node is never created or truncated.
    int const fd = ::open(slavePath_.c_str(), (flags & ~(O_CREAT | O_EXCL | O_TRUNC)) | O_CLOEXEC);
    return fd < 0 ? -errno : fd;
}

int SerialLine::getTermios(int fd, termios& settings) const
{
    if (::tcgetattr(fd, &settings) != 0) {
        return -errno;
    }
    std::lock_guard lock(mutex_);
    settings.c_cflag = (settings.c_cflag & ~kFrameBits) | frame_;
    return 0;
}

int SerialLine::setTermios(int fd, int when, termios const& settings)
{
    // Held across the call so that the kept frame format matches the last applied settings.
    std::lock_guard lock(mutex_);
    // A pseudo-terminal always runs 8N; handing it another frame format makes
    // tcsetattr report EINVAL when nothing else changed. The board keeps the format.
    termios applied = settings;
    applied.c_cflag = (applied.c_cflag & ~kFrameBits) | CS8;
    if (::tcsetattr(fd, when, &applied) != 0) {
        return -errno;
    }
    frame_ = settings.c_cflag & kFrameBits;
    return 0;
}

bool SerialLine::settings(termios& settings) const { return getTermios(keptSlave_, settings) == 0; }

bool SerialLine::hostWrite(std::string_view bytes) const
{
    while (!bytes.empty()) {
        ssize_t const n = ::write(master_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string SerialLine::hostRead(std::size_t count, std::chrono::milliseconds wait) const
{
    using Clock = std::chrono::steady_clock;
    auto const deadline = Clock::now() + wait;
    std::string received;
    while (received.size() < count) {
        auto const left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd pfd{master_, POLLIN, 0};
        int const ready = ::poll(&pfd, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0 || (pfd.revents & POLLIN) == 0) {
            break;
        }
        char buffer[256];
        std::size_t const want = std::min(sizeof buffer, count - received.size());
        ssize_t const n = ::read(master_, buffer, want);
        if (n <= 0) {
            break;
        }
        received.append(buffer, static_cast<std::size_t>(n));
    }
    return received;
}

SerialOpenFile::SerialOpenFile(std::size_t node, int flags, int fd, std::shared_ptr<SerialLine> line)
    : OpenFile(node, flags), fd_(fd), line_(std::move(line))
{
}

ssize_t SerialOpenFile::read(void* buffer, std::size_t count)
{
    ssize_t const n = ::read(fd_, buffer, count);
    return n < 0 ? -errno : n;
}

ssize_t SerialOpenFile::write(void const* buffer, std::size_t count)
{
    ssize_t const n = ::write(fd_, buffer, count);
    return n < 0 ? -errno : n;
}

int SerialOpenFile::ioctl(unsigned long request, void* argument)
{
    int const result = ::ioctl(fd_, request, argument);
    return result < 0 ? -errno : result;
}

int SerialOpenFile::status(struct stat& info) { return ::fstat(fd_, &info) == 0 ? 0 : -errno; }

int SerialOpenFile::getTermios(termios& settings) { return line_->getTermios(fd_, settings); }

int SerialOpenFile::setTermios(int when, termios const& settings) { return line_->setTermios(fd_, when, settings); }

} // namespace plat::sim
