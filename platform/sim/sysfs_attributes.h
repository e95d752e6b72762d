#pragma once
// The board's sysfs attributes (LEDs, buzzer, PWM channel, key polarity). As in sysfs, every
// write replaces the value whatever the file offset; each write is logged with its time.

#include "platform/sim/harness_types.h"
#include "platform/sim/open_file.h"

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat::sim {

class SysfsAttributes {
public:
    SysfsAttributes();

    // Whether the node can be opened now (the PWM channel's files appear on export).
    bool present(std::size_t node) const;

    std::optional<std::string> value(std::size_t node) const;
    bool setValue(std::size_t node, std::string_view value); // harness: not logged
    // A write by the firmware: count or negative errno.
    ssize_t store(std::size_t node, std::string_view value);

    std::vector<AttributeEvent> log() const;
    void clearLog();

    static constexpr std::size_t kMaxValue = 4096; // one page, as sysfs takes
    static constexpr std::size_t kMaxLog = 1 << 16;

private:
    ssize_t exportChannel(std::string_view value);
    void append(std::size_t node, std::string_view value);

    mutable std::mutex mutex_;
    std::vector<std::string> values_; // by node index
    std::deque<AttributeEvent> log_;
    bool exported_ = false;
};

class AttributeOpenFile final : public OpenFile {
public:
    AttributeOpenFile(std::size_t node, int flags, std::shared_ptr<SysfsAttributes> attributes);

    ssize_t read(void* buffer, std::size_t count) override;
    ssize_t write(void const* buffer, std::size_t count) override;
    off_t seek(off_t offset, int whence) override;
    int status(struct stat& info) override;

private:
    std::shared_ptr<SysfsAttributes> attributes_;
    std::mutex mutex_;
    std::uint64_t position_ = 0;
    std::string shown_; // the value as read at offset 0
    bool haveShown_ = false;
};

} // namespace plat::sim
