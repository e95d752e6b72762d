#pragma once
// STAND-IN until the factory settings land: only what start-up, persistence and the
// host output need of them. It holds the five factory command lines with their
// defaults, the host interface (0 UART, 9 USB serial, 10 USB keyboard), the factory-mode
// flag, the hall-sensor flag and the set-to-default signal, and stores its
// "factorysettings" section in the parameter objects' text. It has no commands and does
// not read the model record. Replace this file by the real class of the same name; its
// callers use only what is declared here.

#include "app/parameter_object.h"
#include "app/signal.h"

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

class FactorySettings final : public ParameterObject {
public:
    enum eCommandLine : unsigned {
        eCommon = 0,       // always replayed first
        eCommonLast = 1,   // always replayed last
        eUart = 2,         // interface 0
        eUsbKeyboard = 3,  // interface 10
        eUsbSerial = 4,    // interface 9
    };
    static constexpr unsigned kCommandLineCount = 5;
    static std::array<char const*, kCommandLineCount> const DEFAULT_CMD_LINES;

    static constexpr unsigned char kInterfaceUart = 0;
    static constexpr unsigned char kInterfaceUsbSerial = 9;
    static constexpr unsigned char kInterfaceUsbKeyboard = 10;

    static FactorySettings& getInstance();

    // An empty line for any other index. A copy: commands may change a line meanwhile.
    std::string CommandLine(unsigned line) const;
    bool CommandLine(unsigned line, std::string const& text);

    unsigned char Interface() const { return interface_.load(); }
    // Accepts 0, 9 or 10 and ignores anything else.
    void Interface(unsigned char value);

    bool FactoryMode() const { return factoryMode_.load(); }
    void FactoryMode(bool on) { factoryMode_.store(on); }

    bool HallSensor() const { return hallSensor_.load(); }
    bool ExternalTrigger() const { return externalTrigger_.load(); }

    // The model record: not read by this stand-in (false, nothing changes).
    bool LoadModelConfig();

    void ConnectSetToDefault(std::function<void()> const& slot);
    void EmitSetToDefault();

    bool Deserialize(rapidjson::Value const& value) override;
    bool Deserialize(rapidjson::Document const& document) override;
    void Serialize(rapidjson::Document& document) const override;

private:
    FactorySettings();

    mutable std::mutex mutex_; // the lines are written by commands and read by start-up
    std::array<std::string, kCommandLineCount> lines_;
    std::atomic<unsigned char> interface_{kInterfaceUart};
    std::atomic<bool> factoryMode_{false};
    std::atomic<bool> hallSensor_{false};
    std::atomic<bool> externalTrigger_{false};
    sigs::Signal<void()> setToDefault_;
};
