#include "app/read_cycle/no_label_message.h"

#include "config/configuration.h"

namespace cfg = ivra_configuration;

NoLabelMessage::NoLabelMessage()
{
    std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
    cfg::Root().Push(observer_);
    refresh();
}

bool NoLabelMessage::refresh()
{
    auto const& root = cfg::Root();
    Copy fresh;
    for (std::uint32_t unit : root.string.error_message.no_label.Value()) {
        fresh.text.push_back(static_cast<unsigned char>(unit & 0xFF));
    }
    fresh.cclSource = static_cast<unsigned>(root.character_conversion.ccl_source.Value());
    std::lock_guard lock(mutex_);
    copy_ = std::move(fresh);
    return true;
}

NoLabelMessage::Copy NoLabelMessage::current() const
{
    std::lock_guard lock(mutex_);
    return copy_;
}
