#include "app/settings/uart_settings.h"

#include <algorithm>
#include <array>

namespace {

namespace cfg = ivra_configuration;

// The speeds the serial ports can be set to.
constexpr std::array<unsigned, 7> kBaudrates = {2400, 4800, 9600, 19200, 38400, 57600, 115200};

} // namespace

UartSettings& UartSettings::getInstance()
{
    static UartSettings instance;
    return instance;
}

UartSettings::UartSettings() : ParameterObject("uartsettings", ParameterIdentifier::UartSettings, nullptr)
{
    std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
    cfg::Root().interface.uart.Push(uartObserver_);
    cfg::Root().bank.Push(bankObserver_);
}

UartSettings::Values UartSettings::TreeValues()
{
    auto const& uart = cfg::Root().interface.uart;
    return {uart.baud_rate.Value(), uart.parity.Value(), uart.data_bits.Value(), uart.stop_bits.Value()};
}

bool UartSettings::Acceptable(Values const& values)
{
    // 600 and 1200 baud would be stored while the ports stayed at another speed.
    return std::find(kBaudrates.begin(), kBaudrates.end(), values.baudrate) != kBaudrates.end() &&
           values.parity < 3 && (values.databits == 7 || values.databits == 8) && values.stopbits < 2;
}

void UartSettings::Take(Values const& values)
{
    std::lock_guard lock(mutex_);
    baudrate_.value = values.baudrate;
    parity_.value = values.parity;
    databits_.value = values.databits;
    stopbits_.value = values.stopbits;
}

bool UartSettings::Update()
{
    Values const values = TreeValues();
    if (!Acceptable(values)) {
        return false;
    }
    Take(values);
    return true;
}

bool UartSettings::onChangeBank()
{
    Values const values = TreeValues();
    if (Acceptable(values)) {
        Take(values);
    }
    return true;
}

UartSettings::Values UartSettings::Current() const
{
    std::lock_guard lock(mutex_);
    return {baudrate_.value, parity_.value, databits_.value, stopbits_.value};
}
