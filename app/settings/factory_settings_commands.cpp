// The factory commands: factory mode, the factory command lines, the model record, the
// interface commands and the firmware loader.
#include "app/settings/factory_settings.h"

#include "app/commands/reply_routing.h"
#include "platform/platform.h"

#include <chrono>
#include <cstdio>
#include <pthread.h>
#include <thread>

namespace {

constexpr std::uint32_t Code(char const* text) { return CommandCode(text); }

constexpr std::uint8_t kAnyLength = 99;

MenuCommandItem const factorySettingsMenuCommandItem[] = {
    {kProgramTokenCode, 8, 8, {}},
    {Code("J.V"), 0, 0, {}},
    {Code("ED8"), 0, 0, {}},
    {Code("EFY"), 0, kAnyLength, {}},
    {Code("EFZ"), 0, 0, {}},
    {Code("EH1"), 2, 2, {}},
    {Code("EH2"), 0, kAnyLength, {}},
    {Code("EH3"), 0, 0, {}},
    {Code("F3C"), 0, 0, {}},
    {Code("F3D"), 2, 2, {}},
    {Code("F3G"), 0, 0, {}},
    {Code("F3I"), 0, kAnyLength, {}},
    {Code("C01"), 0, 0, {}},
    {Code("SU"), 0, 0, {}},
    {Code("U2"), 0, 0, {}},
    {Code("BAP"), 0, 0, {}},
    {Code("BAQ"), 0, 0, {}},
    {Code("SS:"), 0, kAnyLength, {}},
    {Code("ZW"), 0, 0, {}},
    {0, 0, 0, {}},
};

// Commands that need factory mode.
bool NeedsFactoryMode(unsigned code)
{
    switch (code) {
    case kProgramTokenCode:
    case Code("EH1"):
    case Code("EH2"):
    case Code("EH3"):
    case Code("F3C"):
    case Code("F3D"):
    case Code("F3G"):
    case Code("F3I"):
    case Code("SS:"):
        return true;
    default:
        return false;
    }
}

constexpr char kAck = 0x06;
constexpr int kMaxSelectableLine = 4;
constexpr char const* kLoaderCommand = "/usr/bin/loader-start.sh %s";
constexpr std::size_t kLoaderCommandSize = 100;
constexpr std::size_t kProgramTokenLength = 16;
constexpr std::size_t kProgramMark = 8;

std::string OrNone(std::string const& text) { return text.empty() ? "None" : text; }

} // namespace

MenuCommandItem const* FactorySettings::CommandTable() { return factorySettingsMenuCommandItem; }

void FactorySettings::Reply(std::string text) const { DoStringToOutputStream(pthread_self(), text, false); }

int FactorySettings::ExecuteCommand(unsigned code, std::vector<char> params, ivra_configuration::InputStream&,
                                    ivra_configuration::OutputStream& out)
{
    if (NeedsFactoryMode(code) && !FactoryMode()) {
        return kRefused;
    }
    switch (code) {
    case kProgramTokenCode:
        return ExecuteProgramFactoryDefaults(params);
    case Code("J.V"):
        return ExecuteCommandJ_V();
    case Code("ED8"):
        return ExecuteCommandED8();
    case Code("EFY"):
        return ExecuteCommandEFY(params);
    case Code("EFZ"):
        return ExecuteCommandEFZ();
    case Code("EH1"):
        return ExecuteCommandEH1(params);
    case Code("EH2"):
        return ExecuteCommandEH2(params);
    case Code("EH3"):
        return ExecuteCommandEH3();
    case Code("F3C"):
        return ExecuteCommandF3C();
    case Code("F3D"):
        return ExecuteCommandF3D();
    case Code("F3G"):
        return ExecuteCommandF3G();
    case Code("F3I"):
        return ExecuteCommandF3I(params);
    case Code("C01"):
        return ExecuteCommandC01();
    case Code("SU"):
        return ExecuteCommandSU();
    case Code("U2"):
        return ExecuteCommandU2();
    case Code("BAP"):
        return ExecuteCommandBAP();
    case Code("BAQ"):
        return ExecuteCommandBAQ();
    case Code("SS:"):
        return ExecuteProgramSerialNumber(params);
    case Code("ZW"):
        return ExecuteCommandZW(out);
    default:
        return kRefused;
    }
}

int FactorySettings::ExecuteCommandJ_V()
{
    factoryMode_.store(!factoryMode_.load());
    return kDone;
}

int FactorySettings::ExecuteCommandED8()
{
    Reply(FactoryMode() ? "F\r" : "U\r");
    return kDone;
}

int FactorySettings::StoreLine(unsigned line, std::vector<char>& params)
{
    if (params.empty()) {
        return kNeedParameters; // the quoted text is the next token
    }
    std::string text;
    if (!FilterCommandLine(params, text)) {
        return kRefused;
    }
    std::string const before = CommandLine(line);
    CommandLine(line, text);
    if (!SerializeToRawPartition()) {
        // A refused command leaves the line as it was.
        CommandLine(line, before);
        return kRefused;
    }
    return kDone;
}

int FactorySettings::ExecuteCommandEFY(std::vector<char>& params) { return StoreLine(eCommonLast, params); }

int FactorySettings::ExecuteCommandEFZ()
{
    Reply(OrNone(CommandLine(eCommonLast)) + '\r');
    return kDone;
}

int FactorySettings::ExecuteCommandEH1(std::vector<char> const& params)
{
    int const line = getQValue(params, 2);
    if (line > kMaxSelectableLine) {
        return kRefused;
    }
    selectedLine_.store(static_cast<unsigned char>(line));
    return kDone;
}

int FactorySettings::ExecuteCommandEH2(std::vector<char>& params)
{
    return StoreLine(selectedLine_.load(), params);
}

int FactorySettings::ExecuteCommandEH3()
{
    Reply(OrNone(CommandLine(selectedLine_.load())) + '\r');
    return kDone;
}

int FactorySettings::ExecuteCommandF3C() { return kDone; }

int FactorySettings::ExecuteCommandF3D() { return kDone; }

int FactorySettings::ExecuteCommandF3G()
{
    Reply("Configuration: " + OrNone(ModelConf()) + "\rCommand Line:  " + OrNone(CommandLine(eCommon)) + '\r');
    return kDone;
}

int FactorySettings::ExecuteCommandF3I(std::vector<char>& params)
{
    // A failed save is refused like the other line commands, not reported as done.
    return StoreLine(eCommon, params);
}

int FactorySettings::ExecuteInterfaceCommand(unsigned char value)
{
    if (FactoryMode()) {
        Interface(value);
    } else if (Interface() != value) {
        return kRefused;
    }
    EmitSetToDefault();
    return kDone;
}

int FactorySettings::ExecuteCommandC01() { return ExecuteInterfaceCommand(kInterfaceUsbSerial); }
int FactorySettings::ExecuteCommandSU() { return ExecuteInterfaceCommand(kInterfaceUsbKeyboard); }
int FactorySettings::ExecuteCommandU2() { return ExecuteInterfaceCommand(kInterfaceUart); }

int FactorySettings::ExecuteCommandBAP()
{
    loadCustomDefault_();
    return kDone;
}

int FactorySettings::ExecuteCommandBAQ()
{
    saveCustomDefault_();
    return kDone;
}

int FactorySettings::ExecuteCommandZW(ivra_configuration::OutputStream& out)
{
    std::unique_lock lock(loaderMutex_, std::try_to_lock);
    if (!lock.owns_lock()) {
        return kRefused;
    }
    char const* const port = CheckInterfaceOutputStreamType(out) == kChannelUart ? "/dev/ttyS0" : "/dev/ttyGS0";
    char command[kLoaderCommandSize];
    std::snprintf(command, kLoaderCommandSize - 1, kLoaderCommand, port);
    out.Write(kAck);
    bool const started = plat::system(command) >= 0;
    if (started) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    return started ? kDone : kRefused;
}

int FactorySettings::ExecuteProgramSerialNumber(std::vector<char>& params)
{
    if (params.empty()) {
        return kNeedParameters;
    }
    std::string text;
    if (!FilterCommandLine(params, text)) {
        return kRefused;
    }
    ModelConfig const before = CurrentModelConfig();
    {
        std::lock_guard lock(mutex_);
        config_.serialNumber = text;
    }
    if (!SaveModelConfig()) {
        RestoreModelConfig(before, Interface());
        return kRefused;
    }
    return kDone;
}

int FactorySettings::ExecuteProgramFactoryDefaults(std::vector<char> const& params)
{
    if (params.size() != kProgramTokenLength || params[kProgramMark] != '*') {
        return kRefused;
    }
    for (char c : params) {
        if (c < 0x20 || c > 0x7E) {
            return kRefused;
        }
    }
    std::string const modelconf(params.begin(), params.end());
    ModelConfig const before = CurrentModelConfig();
    unsigned char const interfaceBefore = Interface();
    {
        std::lock_guard lock(mutex_);
        config_.modelconf = modelconf;
        config_.model = modelconf.substr(0, 8);
    }
    DecodeModelConf(modelconf);
    if (!SaveModelConfig()) {
        RestoreModelConfig(before, interfaceBefore);
        return kRefused;
    }
    return kDone;
}
