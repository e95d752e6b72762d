#include "app/read_cycle/last_barcode.h"

#include "config/configuration.h"
#include "decoder/core/dec2d_entry.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>

namespace {

constexpr std::int64_t kNanosecondsPerMillisecond = 1000000;
constexpr std::int64_t kLongestElapsed = 65535; // ms

} // namespace

LastBarcode::LastBarcode(Clock clock) : clock_(std::move(clock)) {}

std::int64_t LastBarcode::steadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool LastBarcode::compare(tagDecodedLabel const& label) const
{
    // On the decoder thread, while a command may rewrite the settings: both values of
    // one moment, read under the command lock (taken before this object's own).
    bool enabled = false;
    std::uint16_t window = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        auto const& reset = ivra_configuration::Root().trigger.auto_detection.double_read_reset;
        enabled = reset.enable.Value();
        window = reset.time.Value();
    }
    if (!enabled) {
        return false;
    }
    char aim[kAimIdentifierSize] = {};
    DEC2D_GetAIMIdentifier(label.identifier, aim, sizeof aim);

    std::lock_guard lock(mutex_);
    if (data_.empty() || label.length != data_.size() || label.data == nullptr) {
        return false;
    }
    // Every byte counts: binary data may hold NULs.
    if (std::memcmp(label.data, data_.data(), data_.size()) != 0) {
        return false;
    }
    if (std::strncmp(aim, aimIdentifier_, sizeof aim) != 0) {
        return false;
    }
    if (time_ == 0) {
        return true;
    }
    std::int64_t const elapsed =
        std::clamp<std::int64_t>((clock_() - time_) / kNanosecondsPerMillisecond, 0, kLongestElapsed);
    return elapsed <= window;
}

void LastBarcode::assign(tagDecodedLabel const& label)
{
    char aim[kAimIdentifierSize] = {};
    DEC2D_GetAIMIdentifier(label.identifier, aim, sizeof aim);
    std::int64_t const now = clock_();
    std::lock_guard lock(mutex_);
    if (label.data != nullptr) {
        data_.assign(label.data, label.data + label.length);
    } else {
        data_.clear();
    }
    flag_ = label.flag;
    time_ = now;
    std::memcpy(aimIdentifier_, aim, sizeof aim);
}

void LastBarcode::updateTime()
{
    std::int64_t const now = clock_();
    std::lock_guard lock(mutex_);
    time_ = now;
}

void LastBarcode::clear()
{
    std::lock_guard lock(mutex_);
    data_.clear();
    time_ = 0;
}

bool LastBarcode::empty() const
{
    std::lock_guard lock(mutex_);
    return data_.empty();
}
