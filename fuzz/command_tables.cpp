// Command lines through the evaluator to the firmware's own command objects, wired as
// the start-up wires them: the factory and interface commands, device information, the
// one-letter commands, GS1 conversion ("X/.."), the data-editing memories ("ED5") and
// image upload ("DE.."), with "save", "load" and the restore of the defaults on the
// simulated board's flash. The input is the command text; a line without ESC gets one.
//
// Whatever the lines do: the handler never holds more parameter bytes than its limit;
// without "J.V" the device never enters factory mode, and the model record, the
// interface and the factory command lines but line 1 (which needs no factory mode) stay; a stored command line is printable and holds none of the
// codes a restore must not replay; the interface is one of the three; the parameter
// objects' text reads back as it was written; and when a line asked for an image, the
// window the settings give fits the frame and the image can be made.
//
// What a run changed is put back before the next (settings, parameter objects, factory
// record, flash), and only what changed, so that runs stay independent and cheap. A
// read started by a command would run on for the rest of the session: the commands may
// not trigger (universal_acceptance/trigger_command off).

#include "app/device_commands/image_capture.h"
#include "app/device_commands/image_transfer.h"
#include "app/device_commands/scanner_info.h"
#include "app/device_commands/single_menu_cmd.h"
#include "app/firmware_main.h"
#include "app/host/host_interface.h"
#include "app/host/interface_output_stream.h"
#include "app/settings/factory_settings.h"
#include "app/settings/gs1_conversion.h"
#include "app/settings/menu_cmd_handler.h"
#include "app/settings/parameter_object.h"
#include "app/settings/ride_zodoz_for_command_system.h"
#include "app/settings/settings_persistence.h"
#include "app/settings/uart_settings.h"
#include "app/settings/usb_settings.h"
#include "config/configuration.h"
#include "format/decode_data_byte.h"
#include "platform/sim/board.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace cfg = ivra_configuration;
namespace fs = std::filesystem;

void fail(int line)
{
    std::fprintf(stderr, "command_tables: check on line %d failed\n", line);
    std::abort();
}
#define check(condition) ((condition) ? (void)0 : fail(__LINE__))

constexpr char kEsc = 0x1B;
constexpr std::array<char const*, 4> kPartitions{"/dev/mtd1", "/dev/mtd2", "/dev/mtd3", "/dev/mtd4"};
// A model record on flash, so that a changed record can be loaded back.
constexpr char const* kBaseRecord =
    R"({"modelconf":{"configuration":"SCAN0101*90000  ","model":"SCAN0101","serialnumber":"BASE0001"}})";

using Image = std::vector<unsigned char>;

// The banks, the custom default and the bank selected, one after the other.
Image Banks()
{
    cfg::ConfigurationManager& m = cfg::CommandSystem::Instance().Manager();
    Image image;
    image.reserve((cfg::kBankCount + 1) * cfg::ConfigurationManager::ImageSize() + 1);
    for (unsigned b = 0; b < cfg::kBankCount; ++b) {
        unsigned char const* bank = m.BankImage(b);
        image.insert(image.end(), bank, bank + cfg::ConfigurationManager::ImageSize());
    }
    unsigned char const* custom = m.CustomDefaultImage();
    image.insert(image.end(), custom, custom + cfg::ConfigurationManager::ImageSize());
    image.push_back(static_cast<unsigned char>(m.CurrentBank()));
    return image;
}

// Banks() == image, without the copy.
bool SameBanks(Image const& image)
{
    cfg::ConfigurationManager& m = cfg::CommandSystem::Instance().Manager();
    std::size_t const size = cfg::ConfigurationManager::ImageSize();
    unsigned char const* at = image.data();
    for (unsigned b = 0; b < cfg::kBankCount; ++b, at += size) {
        if (std::memcmp(m.BankImage(b), at, size) != 0) {
            return false;
        }
    }
    return std::memcmp(m.CustomDefaultImage(), at, size) == 0 && at[size] == m.CurrentBank();
}

std::string ParameterText()
{
    std::string text;
    check(ParameterObject::SerializeToString(text));
    return text;
}

struct Factory {
    std::string model;
    std::string modelconf;
    std::string serialNumber;
    std::array<std::string, FactorySettings::kCommandLineCount> lines;
    unsigned char interface = 0;

    static Factory Now()
    {
        FactorySettings const& f = FactorySettings::getInstance();
        Factory now{f.Model(), f.ModelConf(), f.SerialNumber(), {}, f.Interface()};
        for (unsigned i = 0; i < FactorySettings::kCommandLineCount; ++i) {
            now.lines[i] = f.CommandLine(i);
        }
        return now;
    }
    bool operator==(Factory const&) const = default;
};

struct Flash {
    std::vector<std::uint8_t> bytes;
    fs::file_time_type written;
};

struct Base {
    std::string directory;
    Image banks;
    std::string parameters;
    Factory factory;
    std::array<Flash, kPartitions.size()> flash;
};

fs::file_time_type WriteTime(std::string const& directory, char const* partition)
{
    std::error_code error;
    auto const time = fs::last_write_time(directory + "/" + (partition + 5) + ".bin", error);
    return error ? fs::file_time_type{} : time;
}

// The settings as this target runs them: the factory defaults, no trigger from commands.
void SettingsToBase()
{
    check(cfg::SetDefault());
    for (unsigned bank = 1; bank < cfg::kBankCount; ++bank) {
        check(cfg::SetDefaultToBank(bank));
    }
    check(cfg::Root().universal_acceptance.trigger_command.Set(false, true) && cfg::Update());
}

void FactoryToBase(Base const& base)
{
    FactorySettings& factory = FactorySettings::getInstance();
    factory.FactoryMode(false);
    for (unsigned line = 0; line < FactorySettings::kCommandLineCount; ++line) {
        factory.CommandLine(line, base.factory.lines[line]);
    }
    if (factory.Model() != base.factory.model || factory.ModelConf() != base.factory.modelconf ||
        factory.SerialNumber() != base.factory.serialNumber) {
        check(plat::sim::board().flashLoad(kPartitions[0], 0, base.flash[0].bytes));
        check(factory.LoadModelConfig());
    }
    factory.Interface(base.factory.interface);
}

Base const& Init()
{
    static Base* const base = [] {
        auto* b = new Base;
        char pattern[] = "/tmp/fuzz-command-tables-XXXXXX";
        check(::mkdtemp(pattern) != nullptr);
        b->directory = pattern;
        auto& board = plat::sim::board();
        check(board.setBoardDirectory(b->directory));
        board.setSystemStatus(-1); // the loader and boot-mode scripts do not start

        // As the firmware's start builds and wires them.
        RideZodozForCommandSystem<DecodeDataByte>::getInstance();
        GS1Conversion::getInstance();
        UartSettings::getInstance();
        UsbSettings::getInstance();
        MenuCmdHandler::getInstance().setLoadSavePropertiesCallback(DoLoadProperties, SaveSettings);
        FactorySettings& factory = FactorySettings::getInstance();
        ImageCapture::getInstance();
        factory.ConnectSetToDefault(ToDefault);
        setHostInterfaceSource([] { return FactorySettings::getInstance().Interface(); });
        (void)&scannerInfo;
        (void)&singleMenuCmd;
        InterfaceOutputStream::getInstance();

        std::vector<std::uint8_t> record(kBaseRecord, kBaseRecord + std::strlen(kBaseRecord));
        record.resize(board.flashGeometry(kPartitions[0])->size, 0xFF);
        check(board.flashLoad(kPartitions[0], 0, record));
        {
            std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
            LoadStartSettings();
            SettingsToBase();
        }
        factory.Interface(FactorySettings::kInterfaceUsbSerial);
        b->banks = Banks();
        b->parameters = ParameterText();
        b->factory = Factory::Now();
        for (std::size_t i = 0; i < kPartitions.size(); ++i) {
            b->flash[i].bytes = board.flashDump(kPartitions[i]);
            check(!b->flash[i].bytes.empty());
            b->flash[i].written = WriteTime(b->directory, kPartitions[i]);
        }
        return b;
    }();
    return *base;
}

// Puts back whatever the last run changed.
void Reset(Base& base)
{
    auto& board = plat::sim::board();
    for (std::size_t i = 0; i < kPartitions.size(); ++i) {
        if (WriteTime(base.directory, kPartitions[i]) != base.flash[i].written) {
            check(board.flashLoad(kPartitions[i], 0, base.flash[i].bytes));
            base.flash[i].written = WriteTime(base.directory, kPartitions[i]);
        }
    }
    std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
    if (!SameBanks(base.banks)) {
        SettingsToBase();
        check(SameBanks(base.banks));
    }
    if (ParameterText() != base.parameters) {
        // SetDefault keeps some of an object's state (the GS1 AI index): the text puts it back.
        ParameterObject::SetDefaults();
        check(ParameterObject::DeserializeFromString(base.parameters));
    }
    FactoryToBase(base);
    check(ParameterText() == base.parameters);
    check(Factory::Now() == base.factory);
}

bool Mentions(std::string_view text, std::string_view code) { return text.find(code) != std::string_view::npos; }

// The window and the image of an upload, from the settings as they stand, on a small frame.
void Upload()
{
    static FrameBuffer* const frame = [] {
        auto* f = new FrameBuffer;
        std::vector<std::uint16_t> samples(80 * 60);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::uint16_t>((i * 37) % 1024);
        }
        f->assignBuffer(samples.data(), samples.size());
        f->width = 80;
        f->height = 60;
        return f;
    }();
    ImageSettings const settings = ImageCapture::CurrentSettings();
    ConvertedImage converted;
    if (!ConvertImage(*frame, settings, converted)) {
        return;
    }
    check(converted.width >= 1 && converted.width <= 80 && converted.height >= 1 && converted.height <= 60);
    check(converted.window.xEnd < 80 && converted.window.yEnd < 60);
    std::vector<std::uint8_t> payload;
    if (EncodeImage(*frame, converted, settings, payload)) {
        InformationField const field = MakeInformationField(*frame, converted, payload.size(), 1, false);
        (void)field;
        (void)BlockChecksum(payload);
    }
}

void CheckFactory(Base const& base, bool toggled)
{
    Factory const now = Factory::Now();
    check(now.interface == FactorySettings::kInterfaceUart || now.interface == FactorySettings::kInterfaceUsbSerial ||
          now.interface == FactorySettings::kInterfaceUsbKeyboard);
    static std::regex const filtered(FactorySettings::CMD_LINE_FILTER_LIST);
    for (std::string const& line : now.lines) {
        for (char c : line) {
            check(c >= 0x20 && c <= 0x7E);
        }
        check(!std::regex_search(line, filtered));
    }
    if (!toggled) {
        check(!FactorySettings::getInstance().FactoryMode());
        check(now.model == base.factory.model && now.modelconf == base.factory.modelconf &&
              now.serialNumber == base.factory.serialNumber && now.interface == base.factory.interface);
        // Line 1 ("EFY") needs no factory mode; the others do.
        for (unsigned line = 0; line < FactorySettings::kCommandLineCount; ++line) {
            check(line == FactorySettings::eCommonLast || now.lines[line] == base.factory.lines[line]);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    static Base& base = const_cast<Base&>(Init());
    Reset(base);

    std::string text(reinterpret_cast<char const*>(data), size);
    if (text.empty() || text.front() != kEsc) {
        text.insert(text.begin(), kEsc);
    }
    {
        std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
        cfg::MemoryInputStream in(text);
        cfg::StringOutputStream out(1 << 16);
        while (in.Position() < text.size()) {
            std::size_t const before = in.Position();
            cfg::Evaluate(in, out);
            check(MenuCmdHandler::getInstance().parameters().size() <= MenuCmdHandler::kMaxParameterBytes);
            if (in.Position() == before) {
                break;
            }
        }
    }

    CheckFactory(base, Mentions(text, "J.V"));
    {
        std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
        // The objects' text as a save stores it reads back the same.
        std::string const written = ParameterText();
        if (written != base.parameters) {
            check(ParameterObject::DeserializeFromString(written));
            check(ParameterText() == written);
        }
        if (Mentions(text, "DE1") || Mentions(text, "DE8")) {
            Upload();
        }
    }
    // What the commands wrote to the host's ports: nobody reads them here.
    auto& board = plat::sim::board();
    (void)board.hostRead("/dev/ttyGS0", 1 << 16, std::chrono::milliseconds(0));
    (void)board.hostRead("/dev/ttyS0", 1 << 16, std::chrono::milliseconds(0));
    board.clearAttributeLog();
    return 0;
}
