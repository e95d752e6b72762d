#include "platform/sim/hid_gadget.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace plat::sim {
namespace {

constexpr std::uint8_t kNumLock = 0x01;
constexpr std::uint8_t kCapsLock = 0x02;
constexpr std::uint8_t kScrollLock = 0x04;

bool pressed(std::array<std::uint8_t, 8> const& report, std::uint8_t key)
{
    return std::find(report.begin() + 2, report.end(), key) != report.end();
}

} // namespace

ssize_t HidGadget::deviceWrite(void const* buffer, std::size_t count)
{
    if (count == 0) {
        return 0;
    }
    std::array<std::uint8_t, 8> report{};
    std::memcpy(report.data(), buffer, std::min(count, report.size()));
    std::lock_guard lock(mutex_);
    log_.push_back({std::chrono::steady_clock::now(), report});
    std::uint8_t leds = leds_;
    for (auto [key, bit] : {std::pair{std::uint8_t{0x53}, kNumLock}, std::pair{std::uint8_t{0x39}, kCapsLock},
                            std::pair{std::uint8_t{0x47}, kScrollLock}}) {
        if (pressed(report, key) && !pressed(held_, key)) {
            leds = static_cast<std::uint8_t>(leds ^ bit);
        }
    }
    held_ = report;
    if (answers_ && leds != leds_) {
        leds_ = leds;
        streams_.broadcast(&leds_, 1);
    }
    logged_.notify_all();
    return static_cast<ssize_t>(std::min(count, report.size()));
}

std::vector<HidReportRecord> HidGadget::reports() const
{
    std::lock_guard lock(mutex_);
    return log_;
}

void HidGadget::clearReports()
{
    std::lock_guard lock(mutex_);
    log_.clear();
}

bool HidGadget::waitForReports(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return logged_.wait_for(lock, timeout, [&] { return log_.size() >= count; });
}

std::uint8_t HidGadget::hostLeds() const
{
    std::lock_guard lock(mutex_);
    return leds_;
}

void HidGadget::setHostLeds(std::uint8_t leds)
{
    std::lock_guard lock(mutex_);
    leds_ = leds;
    streams_.broadcast(&leds, 1);
}

void HidGadget::setAnswersLockKeys(bool answers)
{
    std::lock_guard lock(mutex_);
    answers_ = answers;
}

HidOpenFile::HidOpenFile(std::size_t node, int flags, int readFd, int writeFd, std::shared_ptr<HidGadget> gadget)
    : OpenFile(node, flags), readFd_(readFd), writeFd_(writeFd), gadget_(std::move(gadget))
{
}

HidOpenFile::~HidOpenFile()
{
    release();
    if (readFd_ >= 0) {
        ::close(readFd_);
    }
}

void HidOpenFile::release()
{
    if (int const stream = std::exchange(writeFd_, -1); stream >= 0) {
        gadget_->closeReader(stream);
    }
}

ssize_t HidOpenFile::read(void* buffer, std::size_t count)
{
    if (!readable() || readFd_ < 0) {
        return -EBADF;
    }
    ssize_t const n = ::read(readFd_, buffer, std::min<std::size_t>(count, 1));
    return n < 0 ? -errno : n;
}

ssize_t HidOpenFile::write(void const* buffer, std::size_t count)
{
    if (!writable()) {
        return -EBADF;
    }
    return gadget_->deviceWrite(buffer, count);
}

} // namespace plat::sim
