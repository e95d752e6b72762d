#include "app/host/serial_port.h"
#include "app/stop_pipe.h"

#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

bool isSupportedBaudrate(unsigned baudrate)
{
    switch (baudrate) {
    case 2400:
    case 4800:
    case 9600:
    case 19200:
    case 38400:
    case 57600:
    case 115200:
        return true;
    default:
        return false;
    }
}

speed_t speedOf(unsigned baudrate)
{
    switch (baudrate) {
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    default:
        return B115200;
    }
}

bool sameSettings(termios const& a, termios const& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag
        && a.c_cc[VMIN] == b.c_cc[VMIN] && a.c_cc[VTIME] == b.c_cc[VTIME] && cfgetispeed(&a) == cfgetispeed(&b)
        && cfgetospeed(&a) == cfgetospeed(&b);
}

int remainingMs(Clock::time_point deadline)
{
    auto const left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

SerialPort::SerialPort()
{
    mayCreate_ = false;
}

SerialPort::SerialPort(std::string const& path, unsigned baudrate, unsigned char parity, unsigned char datasize,
                       unsigned char stopbits, unsigned readTimeoutMs)
    : File(path)
    , baudrate_(baudrate)
    , datasize_(datasize)
    , parity_(parity)
    , stopbits_(stopbits)
    , readTimeoutMs_(readTimeoutMs)
{
    mayCreate_ = false;
}

SerialPort::~SerialPort()
{
    close();
}

bool SerialPort::open()
{
    std::lock_guard<std::mutex> lock(lock_);
    return openLocked();
}

bool SerialPort::openLocked()
{
    if (path_.empty() || closing_) {
        return false;
    }
    // Non-blocking so that open does not wait for modem lines; reads poll and
    // writes wait for room, so no call relies on blocking.
    if (!File::open(eReadWrite, O_NOCTTY | O_NONBLOCK)) {
        return false;
    }
    if (plat::isatty(fd_) != 1) {
        File::close();
        return false;
    }
    int fds[2];
    if (plat::pipe(fds) != 0) {
        lastError_ = -errno;
        File::close();
        return false;
    }
    stopRead_ = fds[0];
    stopWrite_ = fds[1];
    if (!applySettingsLocked()) {
        // A port left at unknown line settings would garble every byte.
        plat::close(stopRead_);
        plat::close(stopWrite_);
        stopRead_ = stopWrite_ = -1;
        File::close();
        return false;
    }
    return true;
}

void SerialPort::close()
{
    std::unique_lock<std::mutex> lock(lock_);
    closeLocked(lock);
}

void SerialPort::closeLocked(std::unique_lock<std::mutex>& lock)
{
    // A close already waiting for its readers finishes first; otherwise a
    // reader's own reopen could slip in and the waiting close would then
    // shut the descriptors of the reopened port.
    readerLeft_.wait(lock, [this] { return !closing_; });
    if (stopWrite_ >= 0) {
        closing_ = true;
        // The byte is never read: it keeps every later poll of this pipe
        // readable until the pipe is closed.
        wakeStopPipe(stopWrite_);
        readerLeft_.wait(lock, [this] { return readers_ == 0; });
        plat::close(stopRead_);
        plat::close(stopWrite_);
        stopRead_ = stopWrite_ = -1;
        closing_ = false;
        readerLeft_.notify_all();
    }
    File::close();
}

bool SerialPort::reopen()
{
    std::unique_lock<std::mutex> lock(lock_);
    closeLocked(lock);
    return openLocked();
}

int SerialPort::failedRead(Clock::time_point start, milliseconds backoff, unsigned short timeoutMs, int stopFd)
{
    milliseconds limit = backoff;
    if (timeoutMs != kWaitForever) {
        limit = std::min(limit, milliseconds(timeoutMs));
    }
    Clock::time_point const until = start + limit;
    if (stopFd < 0) {
        std::this_thread::sleep_until(until);
        return -1;
    }
    // Wait on the stop pipe alone, so that close() still ends the wait.
    for (;;) {
        int const left = remainingMs(until);
        if (left == 0) {
            return -1;
        }
        pollfd stop{stopFd, POLLIN, 0};
        int const n = plat::poll(&stop, 1, left);
        if (n != 0 && !(n < 0 && errno == EINTR)) {
            return -1;
        }
    }
}

int SerialPort::readByte(unsigned short timeoutMs)
{
    Clock::time_point const start = Clock::now();
    int fd = -1;
    int stopFd = -1;
    milliseconds backoff;
    {
        std::lock_guard<std::mutex> lock(lock_);
        backoff = backoff_;
        if (isOpen() && !closing_ && stopRead_ >= 0) {
            fd = fd_;
            stopFd = stopRead_;
            ++readers_;
        }
    }
    if (fd < 0) {
        return failedRead(start, backoff, timeoutMs, -1);
    }

    Clock::time_point const deadline = start + milliseconds(timeoutMs);
    int result = -1;
    bool failed = false;
    for (;;) {
        int const waitMs = timeoutMs == kWaitForever ? -1 : remainingMs(deadline);
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        int const n = plat::poll(fds, 2, waitMs);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            failed = true;
            break;
        }
        if (n == 0 || fds[1].revents != 0) {
            break; // time-out, or close() from another thread
        }
        if (fds[0].revents & POLLIN) {
            unsigned char byte = 0;
            ssize_t const got = plat::read(fd, &byte, 1);
            if (got == 1) {
                result = byte;
                break;
            }
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                continue; // another descriptor of the device took the byte
            }
        }
        failed = true; // hang-up, device error, or end of file
        break;
    }
    if (failed) {
        failedRead(start, backoff, timeoutMs, stopFd);
    }

    std::lock_guard<std::mutex> lock(lock_);
    if (--readers_ == 0) {
        readerLeft_.notify_all();
    }
    return result;
}

bool SerialPort::writeByte(unsigned char byte)
{
    return writeBlock(std::span<unsigned char const>(&byte, 1));
}

bool SerialPort::writeBlock(std::span<unsigned char const> bytes, std::size_t* written)
{
    std::lock_guard<std::mutex> lock(lock_);
    std::size_t done = 0;
    bool ok = isOpen();
    Clock::time_point lastProgress = Clock::now();
    while (ok && done < bytes.size()) {
        ssize_t const n = plat::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            lastProgress = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            lastError_ = -errno;
            ok = false;
            break;
        }
        // Output buffer full: wait for room, but not for ever.
        int const left = remainingMs(lastProgress + writeStall_);
        if (left == 0) {
            lastError_ = -EAGAIN;
            ok = false;
            break;
        }
        pollfd out{fd_, POLLOUT, 0};
        int const ready = plat::poll(&out, 1, left);
        if (ready < 0 && errno != EINTR) {
            lastError_ = -errno;
            ok = false;
        } else if (ready > 0 && !(out.revents & POLLOUT)) {
            lastError_ = -EIO;
            ok = false;
        }
    }
    if (written != nullptr) {
        *written = done;
    }
    return ok && done == bytes.size();
}

bool SerialPort::setBaudrate(unsigned baudrate)
{
    if (!isSupportedBaudrate(baudrate)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(lock_);
    baudrate_ = baudrate;
    return !isOpen() || applySettingsLocked();
}

bool SerialPort::setParity(unsigned char parity)
{
    if (parity > 2) {
        return false;
    }
    std::lock_guard<std::mutex> lock(lock_);
    parity_ = parity;
    return !isOpen() || applySettingsLocked();
}

bool SerialPort::setDatasize(unsigned char datasize)
{
    if (datasize < 5 || datasize > 8) {
        return false;
    }
    std::lock_guard<std::mutex> lock(lock_);
    datasize_ = datasize;
    return !isOpen() || applySettingsLocked();
}

bool SerialPort::setStopbits(unsigned char stopbits)
{
    if (stopbits > 1) {
        return false;
    }
    std::lock_guard<std::mutex> lock(lock_);
    stopbits_ = stopbits;
    return !isOpen() || applySettingsLocked();
}

bool SerialPort::setReadTimeout(unsigned)
{
    return true;
}

bool SerialPort::UpdateIoSettings()
{
    std::lock_guard<std::mutex> lock(lock_);
    return applySettingsLocked();
}

bool SerialPort::applySettingsLocked()
{
    if (!isOpen()) {
        return false;
    }
    termios settings{};
    if (plat::tcgetattr(fd_, &settings) != 0) {
        lastError_ = -errno;
        return false;
    }
    termios const current = settings;

    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    if (parity_ == 1) {
        settings.c_cflag |= PARENB;
    } else if (parity_ == 2) {
        settings.c_cflag |= PARENB | PARODD;
    }
    switch (datasize_) {
    case 5:
        settings.c_cflag |= CS5;
        break;
    case 6:
        settings.c_cflag |= CS6;
        break;
    case 7:
        settings.c_cflag |= CS7;
        break;
    default:
        settings.c_cflag |= CS8;
        break;
    }
    settings.c_cflag |= CREAD | CLOCAL;
    if (stopbits_ != 0) {
        settings.c_cflag |= CSTOPB;
    }
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON
                                               | IXANY | IXOFF);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN | ECHOE);

    if (readTimeoutMs_ == kReadTimeoutForever) {
        settings.c_cc[VMIN] = 1;
        settings.c_cc[VTIME] = 0;
    } else if (readTimeoutMs_ == 0) {
        settings.c_cc[VMIN] = 0;
        settings.c_cc[VTIME] = 0;
    } else if (readTimeoutMs_ <= 25500) {
        settings.c_cc[VMIN] = 0;
        settings.c_cc[VTIME] = static_cast<cc_t>((readTimeoutMs_ + 99) / 100);
    } else {
        settings.c_cc[VMIN] = 0;
        settings.c_cc[VTIME] = 255;
    }

    speed_t const speed = speedOf(baudrate_);
    if (plat::cfsetispeed(&settings, speed) != 0 || plat::cfsetospeed(&settings, speed) != 0) {
        lastError_ = -errno;
        return false;
    }

    // Another descriptor of this device (the command input of the same line)
    // may hold unread bytes: when the line is already set up this way, a
    // reopen leaves them. Only a real change of the line discards input, whose
    // bytes came at the old settings.
    if (sameSettings(current, settings)) {
        return true;
    }
    (void)plat::tcflush(fd_, TCIFLUSH);
    if (plat::tcsetattr(fd_, TCSANOW, &settings) != 0) {
        lastError_ = -errno;
        return false;
    }
    return true;
}

unsigned SerialPort::baudrate() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return baudrate_;
}

unsigned char SerialPort::parity() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return parity_;
}

unsigned char SerialPort::datasize() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return datasize_;
}

unsigned char SerialPort::stopbits() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return stopbits_;
}

unsigned SerialPort::readTimeout() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return readTimeoutMs_;
}

void SerialPort::setRetryTimes(std::chrono::milliseconds backoff, std::chrono::milliseconds writeStall)
{
    std::lock_guard<std::mutex> lock(lock_);
    backoff_ = backoff;
    writeStall_ = writeStall;
}
