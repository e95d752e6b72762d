#include "app/camera/camera_trigger_output.h"

#include <cstring>

CameraTrigger::CameraTrigger(std::string name)
    : name_(std::move(name)), enable_(std::string(kChannel) + "/enable"), period_(std::string(kChannel) + "/period")
{
    init();
    enable_.open(File::eWrite);
    period_.open(File::eWrite);
}

bool CameraTrigger::writeTo(File& file, char const* text)
{
    auto const length = static_cast<long>(std::strlen(text));
    return file.write(reinterpret_cast<unsigned char const*>(text), static_cast<unsigned>(length)) == length;
}

bool CameraTrigger::writeOnce(std::string const& path, char const* text)
{
    File file(path);
    return file.open(File::eWrite) && writeTo(file, text);
}

bool CameraTrigger::init()
{
    bool exported = File::exists(kChannel);
    if (!exported) {
        exported = writeOnce(std::string(kChip) + "/export", "0");
    }
    // The period first: the duty cycle may not exceed it.
    bool const period = writeOnce(std::string(kChannel) + "/period", kReadingPeriod);
    bool const duty = writeOnce(std::string(kChannel) + "/duty_cycle", kDutyCycle);
    return exported && period && duty;
}

bool CameraTrigger::on(bool slow)
{
    bool const period = writeTo(period_, slow ? kWatchingPeriod : kReadingPeriod);
    bool const enable = writeTo(enable_, "1");
    return period && enable;
}

bool CameraTrigger::off() { return writeTo(enable_, "0"); }
