#include "app/device_commands/single_menu_cmd.h"

#include "app/indicators/buzzer.h"
#include "app/indicators/indicator_leds.h"
#include "app/read_cycle/read_barcode.h"
#include "app/commands/reply_routing.h"
#include "config/configuration.h"

#include <pthread.h>

namespace {

constexpr std::uint32_t Code(char const* text) { return CommandCode(text); }

MenuCommandItem const singleMenuCmdItem[] = {
    {Code("A"), 0, 0, {}}, {Code("B"), 0, 0, {}}, {Code("E"), 0, 0, {}}, {Code("L"), 0, 0, {}},
    {Code("N"), 0, 0, {}}, {Code("O"), 0, 0, {}}, {Code("Y"), 0, 0, {}}, {Code("Z"), 0, 0, {}},
    {0, 0, 0, {}},
};

constexpr char kAck = 0x06;

auto const& Acceptance() { return ivra_configuration::Root().universal_acceptance; }

void Beep(Buzzer::eType type)
{
    if (Acceptance().buzzer_command.Value()) {
        Buzzer::getInstance().play(type, Buzzer::kMaximumLoudness);
    }
}

void Light(IndicatorLeds::eAction leds)
{
    if (Acceptance().led_command.Value()) {
        IndicatorLeds::getInstance().doAction(leds, ivra_configuration::Root().indicator.led.good_read.time.Value());
    }
}

void Trigger(bool on)
{
    if (Acceptance().trigger_command.Value()) {
        ReadBarcode::getInstance().softwareTrigger(on);
    }
}

} // namespace

SingleMenuCmd::SingleMenuCmd() : ParameterObject("singlemenucmd", ParameterIdentifier::SingleMenuCmd, singleMenuCmdItem) {}

int SingleMenuCmd::ExecuteCommand(unsigned code, std::vector<char>, ivra_configuration::InputStream&,
                                  ivra_configuration::OutputStream& out)
{
    switch (code) {
    case Code("A"):
        return ExecuteCommandA(out);
    case Code("B"):
        return ExecuteCommandB();
    case Code("E"):
        return ExecuteCommandE();
    case Code("L"):
        return ExecuteCommandL();
    case Code("N"):
        return ExecuteCommandN();
    case Code("O"):
        return ExecuteCommandO();
    case Code("Y"):
        return ExecuteCommandY();
    case Code("Z"):
        return ExecuteCommandZ();
    default:
        return kRefused;
    }
}

int SingleMenuCmd::ExecuteCommandA(ivra_configuration::OutputStream&)
{
    std::string text(1, kAck);
    DoStringToOutputStream(pthread_self(), text, false);
    return kDone;
}

int SingleMenuCmd::ExecuteCommandB()
{
    Beep(Buzzer::kGoodRead);
    return kDone;
}

int SingleMenuCmd::ExecuteCommandE()
{
    Beep(Buzzer::kError);
    return kDone;
}

int SingleMenuCmd::ExecuteCommandL()
{
    Light(IndicatorLeds::kGoodReadLed);
    return kDone;
}

int SingleMenuCmd::ExecuteCommandN()
{
    Light(IndicatorLeds::kErrorLed);
    return kDone;
}

int SingleMenuCmd::ExecuteCommandO()
{
    Light(IndicatorLeds::kGoodReadLed | IndicatorLeds::kErrorLed);
    return kDone;
}

int SingleMenuCmd::ExecuteCommandY()
{
    Trigger(false);
    return kDone;
}

int SingleMenuCmd::ExecuteCommandZ()
{
    Trigger(true);
    return kDone;
}
