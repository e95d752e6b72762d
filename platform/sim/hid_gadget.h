#pragma once
// The USB keyboard gadget "/dev/hidg0" with the host on its far side. Each write is one input
// report, logged with its time. The host keeps its own lock states: when a report presses
// Caps Lock, Num Lock or Scroll Lock it toggles the lock and sends its LED output report,
// which every reader of the gadget gets as one byte (unless it is told not to answer).

#include "platform/sim/harness_types.h"
#include "platform/sim/open_file.h"
#include "platform/sim/reader_streams.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace plat::sim {

class HidGadget {
public:
    // Returns the read end of a new LED stream, or a negative errno; its write end goes to writeFd.
    int openReader(int flags, int& writeFd) { return streams_.open(flags, writeFd); }
    void closeReader(int writeFd) { streams_.close(writeFd); }

    // The firmware's side: an input report (at most 8 bytes are kept).
    ssize_t deviceWrite(void const* buffer, std::size_t count);

    // The host's side.
    std::vector<HidReportRecord> reports() const;
    void clearReports();
    // Waits until at least `count` reports are logged; false on time-out.
    bool waitForReports(std::size_t count, std::chrono::milliseconds timeout) const;
    std::uint8_t hostLeds() const;
    void setHostLeds(std::uint8_t leds); // sent to the readers like a lock change
    void setAnswersLockKeys(bool answers);

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable logged_;
    ReaderStreams streams_;
    std::vector<HidReportRecord> log_;
    std::array<std::uint8_t, 8> held_{}; // the last report
    std::uint8_t leds_ = 0;
    bool answers_ = true;
};

class HidOpenFile final : public OpenFile {
public:
    HidOpenFile(std::size_t node, int flags, int readFd, int writeFd, std::shared_ptr<HidGadget> gadget);
    ~HidOpenFile() override;

    ssize_t read(void* buffer, std::size_t count) override;
    ssize_t write(void const* buffer, std::size_t count) override;
    void release() override;

private:
    int readFd_;  // the LED stream's read end (-1 when opened write-only)
    int writeFd_; // its write end
    std::shared_ptr<HidGadget> gadget_;
};

} // namespace plat::sim
