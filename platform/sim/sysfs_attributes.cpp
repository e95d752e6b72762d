#include "platform/sim/sysfs_attributes.h"

#include "platform/sim/device_nodes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace plat::sim {
namespace {

bool isAttribute(std::size_t node)
{
    auto const nodes = deviceNodes();
    return node < nodes.size() &&
           (nodes[node].kind == NodeKind::Attribute || nodes[node].kind == NodeKind::PwmExport);
}

// The channel number written to "export": digits, optionally followed by a newline.
std::optional<unsigned> channelNumber(std::string_view text)
{
    if (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    unsigned number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    return number;
}

} // namespace

SysfsAttributes::SysfsAttributes()
{
    auto const nodes = deviceNodes();
    values_.reserve(nodes.size());
    for (auto const& node : nodes) {
        values_.emplace_back(node.initialValue);
    }
}

bool SysfsAttributes::present(std::size_t node) const
{
    if (!isAttribute(node)) {
        return false;
    }
    if (deviceNodes()[node].unit != kAttributeNeedsExport) {
        return true;
    }
    std::lock_guard lock(mutex_);
    return exported_;
}

std::optional<std::string> SysfsAttributes::value(std::size_t node) const
{
    if (!isAttribute(node) || deviceNodes()[node].kind == NodeKind::PwmExport) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    return values_[node];
}

bool SysfsAttributes::setValue(std::size_t node, std::string_view value)
{
    if (!isAttribute(node) || deviceNodes()[node].kind == NodeKind::PwmExport || value.size() > kMaxValue) {
        return false;
    }
    std::lock_guard lock(mutex_);
    values_[node] = value;
    return true;
}

ssize_t SysfsAttributes::store(std::size_t node, std::string_view value)
{
    if (!isAttribute(node)) {
        return -EINVAL;
    }
    value = value.substr(0, kMaxValue);
    if (value.empty()) {
        return 0;
    }
    std::lock_guard lock(mutex_);
    if (deviceNodes()[node].kind == NodeKind::PwmExport) {
        ssize_t const result = exportChannel(value);
        if (result < 0) {
            return result;
        }
    } else {
        values_[node] = value;
    }
    append(node, value);
    return static_cast<ssize_t>(value.size());
}

ssize_t SysfsAttributes::exportChannel(std::string_view value)
{
    auto const channel = channelNumber(value);
    if (!channel) {
        return -EINVAL;
    }
    if (*channel != 0) {
        return -ENODEV; // the chip has one channel
    }
    if (exported_) {
        return -EBUSY;
    }
    exported_ = true;
    return 0;
}

void SysfsAttributes::append(std::size_t node, std::string_view value)
{
    if (log_.size() == kMaxLog) {
        log_.pop_front();
    }
    log_.push_back({std::chrono::steady_clock::now(), std::string(deviceNodes()[node].path), std::string(value)});
}

std::vector<AttributeEvent> SysfsAttributes::log() const
{
    std::lock_guard lock(mutex_);
    return {log_.begin(), log_.end()};
}

void SysfsAttributes::clearLog()
{
    std::lock_guard lock(mutex_);
    log_.clear();
}

AttributeOpenFile::AttributeOpenFile(std::size_t node, int flags, std::shared_ptr<SysfsAttributes> attributes)
    : OpenFile(node, flags), attributes_(std::move(attributes))
{
}

ssize_t AttributeOpenFile::read(void* buffer, std::size_t count)
{
    std::lock_guard lock(mutex_);
    if (position_ == 0 || !haveShown_) {
        auto value = attributes_->value(node());
        if (!value) {
            return -EIO;
        }
        shown_ = std::move(*value);
        haveShown_ = true;
    }
    if (position_ >= shown_.size()) {
        return 0;
    }
    std::size_t const n = std::min<std::size_t>(count, shown_.size() - position_);
    std::memcpy(buffer, shown_.data() + position_, n);
    position_ += n;
    return static_cast<ssize_t>(n);
}

ssize_t AttributeOpenFile::write(void const* buffer, std::size_t count)
{
    std::lock_guard lock(mutex_);
    ssize_t const n = attributes_->store(node(), {static_cast<char const*>(buffer), count});
    if (n > 0) {
        position_ += static_cast<std::uint64_t>(n);
    }
    return n;
}

off_t AttributeOpenFile::seek(off_t offset, int whence)
{
    std::lock_guard lock(mutex_);
    std::int64_t target = offset;
    if (whence == SEEK_CUR) {
        target += static_cast<std::int64_t>(position_);
    } else if (whence != SEEK_SET) {
        return -EINVAL;
    }
    if (target < 0) {
        return -EINVAL;
    }
    position_ = static_cast<std::uint64_t>(target);
    return static_cast<off_t>(target);
}

int AttributeOpenFile::status(struct stat& info)
{
    info = {};
    bool const writeOnly = deviceNodes()[node()].kind == NodeKind::PwmExport;
    info.st_mode = S_IFREG | (writeOnly ? 0200 : 0644);
    info.st_size = 4096;
    return 0;
}

} // namespace plat::sim
