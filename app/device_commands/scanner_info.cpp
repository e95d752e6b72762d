#include "app/device_commands/scanner_info.h"

#include "app/settings/factory_settings.h"
#include "app/settings/menu_cmd_handler.h"
#include "app/settings/settings_persistence.h"
#include "app/commands/reply_routing.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t Code(char const* text) { return CommandCode(text); }

MenuCommandItem const scannerInfoMenuCommandItem[] = {
    {Code("Z1"), 0, 0, {}},  {Code("Z2"), 0, 0, {}},  {Code("Z3"), 0, 0, {}}, {Code("ZA"), 0, 0, {}},
    {Code("YV"), 0, 0, {}},  {Code("EFK"), 1, 1, {}}, {Code("FEL"), 0, 0, {}}, {0, 0, 0, {}},
};

constexpr char const* kBootModeCommand = "/usr/bin/felboot";
// The identifier's words lie in the first 16 of these bytes; the map covers them all.
constexpr std::size_t kChipIdSpan = 32;

void Reply(std::string text) { DoStringToOutputStream(pthread_self(), text, false); }

// The interface's name; empty for a value that names none.
std::string InterfaceName(unsigned char interface)
{
    switch (interface) {
    case FactorySettings::kInterfaceUsbSerial:
        return "USB-COM";
    case FactorySettings::kInterfaceUsbKeyboard:
        return "USB-HID";
    case FactorySettings::kInterfaceUart:
        return "UART";
    default:
        return {};
    }
}

} // namespace

ScannerInfo::ScannerInfo() : ParameterObject("scannerinfo", ParameterIdentifier::ScannerInfo, scannerInfoMenuCommandItem) {}

int ScannerInfo::ExecuteCommand(unsigned code, std::vector<char> params, ivra_configuration::InputStream&,
                                ivra_configuration::OutputStream&)
{
    switch (code) {
    case Code("Z1"):
        return ExecuteCommandZ1();
    case Code("Z2"):
        return ExecuteCommandZ2();
    case Code("Z3"):
        return ExecuteCommandZ3();
    case Code("ZA"):
        return ExecuteCommandZA();
    case Code("YV"):
        return ExecuteCommandYV();
    case Code("EFK"):
        return ExecuteCommandEFK(params);
    case Code("FEL"):
        return ExecuteCommandFEL();
    default:
        return kRefused;
    }
}

int ScannerInfo::ExecuteCommandZ1()
{
    Reply(std::string(kFirmwareIdentification) + '\r');
    return kDone;
}

// Closes a menu session (the read cycle writes it after the toggle that ends
// menu mode and after a 2D menu or address label): what the session set is
// kept as "save" keeps it, and a save that fails is refused.
int ScannerInfo::ExecuteCommandZ2() { return MenuCmdHandler::getInstance().onSaveProperties() ? kDone : kRefused; }

int ScannerInfo::ExecuteCommandZ3()
{
    std::string name = InterfaceName(FactorySettings::getInstance().Interface());
    std::string text = std::string("Version:   ") + kFirmwareIdentification + "\rInterface: " +
                       (name.empty() ? "Unknown" : name) + '\r';
    // Only after a start that could not read the stored parameters: the user learns why
    // they are back on their defaults while the other settings were kept.
    if (StoredParametersLost()) {
        text += "Settings:  stored parameters unreadable, on defaults\r";
    }
    Reply(text);
    return kDone;
}

int ScannerInfo::ExecuteCommandZA()
{
    std::string text;
    for (char c = 0x20; c <= 0x7E; ++c) {
        text += c;
    }
    Reply(text + '\r');
    return kDone;
}

int ScannerInfo::ExecuteCommandYV()
{
    // Typed on a keyboard, a line feed would end the line early.
    bool const typed = GetInterfaceOutputStreamByThread(pthread_self()) == kChannelMemory &&
                       FactorySettings::getInstance().Interface() == FactorySettings::kInterfaceUsbKeyboard;
    std::string text;
    for (char c = 0x00; c < 0x20; ++c) {
        if (!(typed && c == '\n')) {
            text += c;
        }
    }
    Reply(text + '\r');
    return kDone;
}

int ScannerInfo::ExecuteCommandEFK(std::vector<char> const& params)
{
    FactorySettings const& factory = FactorySettings::getInstance();
    switch (getQValue(params, 1)) {
    case 0:
        Reply(factory.Model() + '\r');
        return kDone;
    case 1:
        return ExecuteCommandZ1();
    case 2: {
        std::string const name = InterfaceName(factory.Interface());
        if (!name.empty()) {
            Reply(name + '\r');
        }
        return kDone;
    }
    case 3:
        Reply("SR\r");
        return kDone;
    case 4:
        Reply((GetSid() ? ChipId() : std::string("?")) + '\r');
        return kDone;
    case 5: {
        std::string const serial = factory.SerialNumber();
        Reply((serial.empty() ? std::string("no serial") : serial) + '\r');
        return kDone;
    }
    default:
        return kRefused;
    }
}

int ScannerInfo::ExecuteCommandFEL()
{
    (void)plat::system(kBootModeCommand); // the device restarts; nothing to wait for
    return kDone;
}

std::string ScannerInfo::ChipId() const
{
    std::lock_guard lock(mutex_);
    return sid_;
}

bool ScannerInfo::GetSid()
{
    std::lock_guard lock(mutex_);
    if (!sid_.empty()) {
        return true;
    }
    int const fd = plat::open("/dev/mem", O_RDWR | O_SYNC);
    if (fd < 0) {
        return false;
    }
    long const page = ::sysconf(_SC_PAGESIZE);
    if (page <= 0) {
        plat::close(fd);
        return false;
    }
    unsigned long const pageSize = static_cast<unsigned long>(page);
    unsigned long const base = kChipIdAddress & ~(pageSize - 1);
    unsigned long const offset = kChipIdAddress - base;
    std::size_t const length = offset + kChipIdSpan > pageSize ? 2 * pageSize : pageSize;
    void* const map = plat::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, static_cast<off_t>(base));
    if (map == MAP_FAILED || map == nullptr) {
        plat::close(fd);
        return false;
    }
    auto const* words = reinterpret_cast<std::uint32_t const volatile*>(static_cast<char const*>(map) + offset);
    char text[4 * 8 + 1];
    std::snprintf(text, sizeof text, "%08x%08x%08x%08x", static_cast<unsigned>(words[0]),
                  static_cast<unsigned>(words[1]), static_cast<unsigned>(words[2]), static_cast<unsigned>(words[3]));
    plat::munmap(map, length);
    plat::close(fd);
    sid_ = text;
    return true;
}
