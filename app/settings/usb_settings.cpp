#include "app/settings/usb_settings.h"

#include <mutex>

UsbSettings& UsbSettings::getInstance()
{
    static UsbSettings instance;
    return instance;
}

UsbSettings::UsbSettings() : ParameterObject("usbcomsettings", ParameterIdentifier::UsbSettings, nullptr)
{
    std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
    ivra_configuration::Root().interface.usb_com.Push(observer_);
}

bool UsbSettings::Update() { return !ivra_configuration::Root().interface.usb_com.win10_ms_driver.enable.Value(); }
