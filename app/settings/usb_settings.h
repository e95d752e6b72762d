#pragma once
// Guards the USB serial settings: the driver flag `interface/usb_com/win10_ms_driver/enable`
// cannot be switched on, so every change under `interface/usb_com` that leaves it on is
// refused.

#include "app/settings/parameter_object.h"
#include "config/configuration.h"

class UsbSettings final : public ParameterObject {
public:
    static UsbSettings& getInstance();

    // The observer of `interface/usb_com`: false refuses the change.
    bool Update();

private:
    UsbSettings();

    ivra_configuration::DelegateObserver<UsbSettings> observer_{*this, &UsbSettings::Update};
};
