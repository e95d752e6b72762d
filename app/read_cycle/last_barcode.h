#pragma once
// The last label reported, for repeat suppression: a label equal to it (AIM identifier
// and every data byte) read again within the configured window counts as a repeat.
//
// Guarded by its own lock: the decoder thread compares and stores while the heartbeat
// clears it at the end of a read. Time runs on the steady clock, so setting the date
// neither lengthens nor ends a window.

#include "decoder/core/tag_decoded_label.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class LastBarcode {
public:
    static constexpr unsigned kAimIdentifierSize = 11;
    // Nanoseconds of a monotonic clock; never 0 in practice.
    using Clock = std::function<std::int64_t()>;

    explicit LastBarcode(Clock clock = steadyNanoseconds);

    // Whether the label repeats the stored one (reads double_read_reset/enable and /time).
    bool compare(tagDecodedLabel const& label) const;
    void assign(tagDecodedLabel const& label);
    void updateTime();
    void clear();

    bool empty() const;
    static std::int64_t steadyNanoseconds();

private:
    Clock const clock_;
    mutable std::mutex mutex_;
    char aimIdentifier_[kAimIdentifierSize] = {};
    std::vector<char> data_;
    unsigned flag_ = 0;   // kept, not compared
    std::int64_t time_ = 0; // of the last read or repeat; 0: none
};
