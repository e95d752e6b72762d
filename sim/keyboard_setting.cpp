#include "sim/keyboard_setting.h"

#include "config/configuration.h"

#include <mutex>

namespace scanner_sim {

int keyboardLanguage()
{
    std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
    return static_cast<int>(ivra_configuration::Root().interface.usb_hid.keyboard.language.Value());
}

} // namespace scanner_sim
