#pragma once
// Device information for the host: firmware identification, interface (and, after a
// start that could not read the stored parameters, that they are on their defaults),
// character-set test strings, chip identifier, model and serial number; the restart into
// the chip's USB boot mode; and the end of a menu session, which keeps its settings.

#include "app/settings/parameter_object.h"

#include <mutex>
#include <string>

class ScannerInfo final : public ParameterObject {
public:
    // Names the firmware build: four upper-case letters and four digits.
    static constexpr char const* kFirmwareIdentification = "SCAN0101";
    // Where this chip keeps its identifier: four 32-bit words.
    static constexpr unsigned long kChipIdAddress = 0x01C23800;

    ScannerInfo();

    int ExecuteCommand(unsigned code, std::vector<char> params, ivra_configuration::InputStream& in,
                       ivra_configuration::OutputStream& out) override;

    // Reads the chip identifier once; false (and tried again next time) when it cannot.
    bool GetSid();
    std::string ChipId() const;

private:
    int ExecuteCommandZ1();
    int ExecuteCommandZ2();
    int ExecuteCommandZ3();
    int ExecuteCommandZA();
    int ExecuteCommandYV();
    int ExecuteCommandEFK(std::vector<char> const& params);
    int ExecuteCommandFEL();

    mutable std::mutex mutex_;
    std::string sid_; // 32 lower-case hex digits; empty until read
};

// Built before main.
extern ScannerInfo scannerInfo;
