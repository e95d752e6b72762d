#pragma once
// The settings the UART ports are configured with. They follow `interface/uart`: every
// change there is checked here first and refused unless the ports can take it. The ports
// themselves change only when updateUartSettings() runs (after a save, and at start-up).

#include "app/settings/parameter_object.h"
#include "config/configuration.h"

#include <mutex>

class UartSettings final : public ParameterObject {
public:
    template <class T>
    struct NamedValue {
        char const* name;
        T defaultValue;
        T value;
    };

    struct Values {
        unsigned baudrate;
        unsigned char parity;   // 0 none, 1 even, 2 odd
        unsigned char databits; // 7 or 8
        unsigned char stopbits; // 0 one, 1 two
    };

    static UartSettings& getInstance();

    // The observer of `interface/uart`: false refuses the change.
    bool Update();
    Values Current() const;

    // Whether the ports take the values.
    static bool Acceptable(Values const& values);

private:
    UartSettings();
    // A bank switch brings the values of the new bank.
    bool onChangeBank();
    static Values TreeValues();
    void Take(Values const& values);

    mutable std::mutex mutex_;
    NamedValue<unsigned> baudrate_{"baudrate", 9600, 9600};
    NamedValue<unsigned char> parity_{"parity", 0, 0};
    NamedValue<unsigned char> databits_{"databits", 8, 8};
    NamedValue<unsigned char> stopbits_{"stopbits", 0, 0};
    ivra_configuration::DelegateObserver<UartSettings> uartObserver_{*this, &UartSettings::Update};
    ivra_configuration::DelegateObserver<UartSettings> bankObserver_{*this, &UartSettings::onChangeBank};
};
