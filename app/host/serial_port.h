#pragma once
// A termios serial device with a stop pipe, so that a read waiting on one
// thread can be ended by close() on another.
//
// One mutex per port serialises open, close, reopen, settings and writes. A
// reader does not hold it while it waits; close() wakes the reader through the
// stop pipe and closes the descriptors only after the reader has left.

#include "app/file.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <span>
#include <string>

class SerialPort : public File {
public:
    static constexpr unsigned kReadTimeoutForever = 0xFFFFFFFFu;
    static constexpr unsigned short kWaitForever = 65535;

    SerialPort();
    SerialPort(std::string const& path, unsigned baudrate, unsigned char parity, unsigned char datasize,
               unsigned char stopbits, unsigned readTimeoutMs);
    ~SerialPort() override;

    bool open();
    void close() override;
    // close() and open() under one hold of the port lock.
    bool reopen();

    // The byte (0-255), or -1 on time-out, on close(), or on failure. A wait
    // of kWaitForever has no time-out. A read that fails for another reason
    // than its time-out returns no sooner than the retry back-off (or its
    // time-out, if shorter), so a close-reopen-retry loop over a missing or
    // broken device cannot spin.
    int readByte(unsigned short timeoutMs);

    bool writeByte(unsigned char byte);
    // True only when every byte went out. A full output buffer is waited for
    // (poll for output); when the port takes nothing for the write stall time,
    // or a call fails, the result is false and `written` (if given) tells how
    // many bytes did go out, so that a retry can send only the rest.
    bool writeBlock(std::span<unsigned char const> bytes, std::size_t* written = nullptr);

    // Accepted values only; anything else returns false and changes nothing.
    // On an open port the settings are applied at once and that is the result.
    bool setBaudrate(unsigned baudrate);
    bool setParity(unsigned char parity);
    bool setDatasize(unsigned char datasize);
    bool setStopbits(unsigned char stopbits);
    // The read time-out stays as constructed.
    bool setReadTimeout(unsigned readTimeoutMs);

    bool UpdateIoSettings();

    unsigned baudrate() const;
    unsigned char parity() const;
    unsigned char datasize() const;
    unsigned char stopbits() const;
    unsigned readTimeout() const;

    // Back-off for failed reads (1 s) and write stall limit (2 s); tests shorten them.
    void setRetryTimes(std::chrono::milliseconds backoff, std::chrono::milliseconds writeStall);

private:
    bool openLocked();
    void closeLocked(std::unique_lock<std::mutex>& lock);
    bool applySettingsLocked();
    int failedRead(std::chrono::steady_clock::time_point start, std::chrono::milliseconds backoff,
                   unsigned short timeoutMs, int stopFd);

    mutable std::mutex lock_;
    std::condition_variable readerLeft_;
    unsigned readers_ = 0;
    bool closing_ = false;

    unsigned baudrate_ = 9600;
    unsigned char datasize_ = 8;
    unsigned char parity_ = 0;
    unsigned char stopbits_ = 0;
    unsigned readTimeoutMs_ = 1000;
    int stopRead_ = -1;
    int stopWrite_ = -1;

    std::chrono::milliseconds backoff_{1000};
    std::chrono::milliseconds writeStall_{2000};
};
