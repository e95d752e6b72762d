// Start-up of the firmware on the simulated board. Every start runs in a fresh process
// on a board directory that outlives it, as a device keeps its flash across a power
// cycle: the parent test prepares or inspects the flash images, a child process (this
// binary again, running FirmwareChild.Scenario) starts the firmware and plays the host
// on the USB serial port.
#include "app/firmware_main.h"

#include "app/settings/factory_settings.h"
#include "app/settings/menu_cmd_handler.h"
#include "app/settings/parameter_object.h"
#include "app/read_cycle/read_barcode.h"
#include "tests/app/settings/persistence_fixture.h"
#include "tests/support/menu_label.h"
#include "tests/support/symbol_renderer.h"

#include <rapidjson/document.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <string_view>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using namespace persistence_test;

constexpr char const* kScenarioVariable = "SCANNER_TEST_FIRMWARE_SCENARIO";
constexpr char const* kBoardVariable = "SCANNER_TEST_FIRMWARE_BOARD";
constexpr char const* kUsb = "/dev/ttyGS0";
constexpr char const* kUart = "/dev/ttyS0";
// Where the second copy of a partition starts: half of mtd3 and of mtd2.
constexpr std::size_t kBanksHalf = 128 * 1024;
constexpr std::size_t kParametersHalf = 64 * 1024;
constexpr unsigned kTriggerKey = 158;
// Fixed-code tokens of the factory lines: "GCW7*4[BAW" is GC W7 *4 BAW, "RZ7I[DLF" is RZ 7I DLF.
constexpr int kLine0Tokens = 4;
constexpr int kKeyboardLineTokens = 3;

// ---- The child: one start of the firmware ----

// Counts the fixed-code tokens the evaluator runs, whoever takes them.
class TokenCounter final : public ivra_configuration::Observer {
public:
    bool Update() override
    {
        ++count;
        return true;
    }
    std::atomic<int> count{0};
};

TokenCounter handledTokens;
TokenCounter unhandledTokens;

int TokensRun() { return handledTokens.count + unhandledTokens.count; }

// One framed command from the host and the reply: ACK, NAK, or text up to CR.
std::string Host(std::string const& text, char const* port = kUsb, std::chrono::milliseconds wait = 20s)
{
    auto& board = plat::sim::board();
    EXPECT_TRUE(board.hostWrite(port, "\x1b" + text + "\r"));
    std::string reply;
    auto const deadline = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < deadline) {
        std::string const part = board.hostRead(port, 1, 100ms);
        if (part.empty()) {
            continue;
        }
        reply += part;
        char const last = reply.back();
        if (last == kAck || last == kNak || last == '\r') {
            break;
        }
    }
    return reply;
}

std::string const ack(1, kAck);
std::string const nak(1, kNak);

speed_t UartSpeed()
{
    termios settings{};
    EXPECT_TRUE(plat::sim::board().serialSettings(kUart, settings));
    return cfgetospeed(&settings);
}

// Character size, parity and stop bits of the UART line, as "7O2".
std::string UartFraming()
{
    termios settings{};
    EXPECT_TRUE(plat::sim::board().serialSettings(kUart, settings));
    char const size = (settings.c_cflag & CSIZE) == CS7 ? '7' : (settings.c_cflag & CSIZE) == CS8 ? '8' : '?';
    char const parity = (settings.c_cflag & PARENB) == 0 ? 'N' : (settings.c_cflag & PARODD) != 0 ? 'O' : 'E';
    return {size, parity, (settings.c_cflag & CSTOPB) != 0 ? '2' : '1'};
}

void StartFirmware(std::string const& directory)
{
    ASSERT_TRUE(plat::sim::board().setBoardDirectory(directory));
    ivra_configuration::PushHandledCommandObserver(handledTokens);
    ivra_configuration::PushUnhandledCommandObserver(unhandledTokens);
    std::thread([] { firmwareMain(); }).detach();
    // The first answer also tells that start-up is over: the USB serial loop runs last.
    ASSERT_EQ(Host("get bank"), "0\r") << "no answer from the firmware";
}

// Saves settings A: bank 0 and bank 3 changed, a UART speed, the USB serial interface.
void SaveSettingsA()
{
    // The interface command of a factory, in factory mode: it restores the defaults first.
    EXPECT_EQ(Host("[J.V"), ack);
    EXPECT_EQ(Host("[C01"), ack);
    EXPECT_EQ(Host("set read/upc_a:false"), ack);
    EXPECT_EQ(Host("set bank:3"), ack);
    EXPECT_EQ(Host("set read/ean13:false"), ack);
    EXPECT_EQ(Host("set bank:0"), ack);
    EXPECT_EQ(Host("set interface/uart/baud_rate:19200"), ack);
    EXPECT_EQ(Host("set interface/uart/parity:2"), ack);
    EXPECT_EQ(Host("set interface/uart/data_bits:7"), ack);
    EXPECT_EQ(Host("set interface/uart/stop_bits:1"), ack);
    EXPECT_EQ(Host("set interface/uart/baud_rate:1200"), nak); // the port cannot run at it
    EXPECT_EQ(UartFraming(), "8N1");                          // nothing changes before a save
    EXPECT_EQ(Host("save"), ack);
    EXPECT_EQ(UartSpeed(), B19200); // a save sets the UART ports to what it stored
    EXPECT_EQ(UartFraming(), "7O2");
}

void ExpectSettingsA()
{
    EXPECT_EQ(TokensRun(), 0) << "stored settings must not replay the factory lines";
    EXPECT_EQ(Host("get read/upc_a"), "false\r");
    EXPECT_EQ(Host("get read/ean13"), "true\r");
    EXPECT_EQ(Host("set bank:3"), ack);
    EXPECT_EQ(Host("get read/ean13"), "false\r");
    EXPECT_EQ(FactorySettings::getInstance().Interface(), FactorySettings::kInterfaceUsbSerial);
    EXPECT_EQ(UartSpeed(), B19200);
    EXPECT_EQ(UartFraming(), "7O2");
}

// Whether the attribute was written with the value within a while after start-up.
bool Written(std::string const& path, std::string const& value)
{
    auto const deadline = std::chrono::steady_clock::now() + 2s;
    do {
        for (auto const& event : plat::sim::board().attributeLog()) {
            if (event.path == path && event.value == value) {
                return true;
            }
        }
        std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

constexpr char const* kGoodReadLed = "/sys/class/leds/led_goodread/brightness";
constexpr char const* kBuzzerFrequency = "/sys/class/leds/buzzer/frequency";
constexpr char const* kPowerOnFirstTone = "2500";

void ExpectFactoryStart(int tokens)
{
    EXPECT_TRUE(Written(kGoodReadLed, "1")) << "no power-on light";
    EXPECT_TRUE(Written(kBuzzerFrequency, kPowerOnFirstTone)) << "no power-on beep";
    EXPECT_EQ(TokensRun(), tokens) << "the factory lines were not replayed once";
    for (unsigned bank : {0u, 1u, 3u}) {
        EXPECT_EQ(Host("set bank:" + std::to_string(bank)), ack);
        EXPECT_EQ(Host("get read/upc_a"), "true\r") << "bank " << bank;
        EXPECT_EQ(Host("get read/ean13"), "true\r") << "bank " << bank;
        EXPECT_EQ(Host("get read/upc_e"), "true\r") << "bank " << bank;
    }
    EXPECT_EQ(Host("get interface/uart/baud_rate"), "9600\r");
    EXPECT_EQ(UartSpeed(), B9600);
}

void SaveWithFault(plat::sim::FlashFaults const& faults)
{
    EXPECT_EQ(Host("set read/upc_a:true"), ack);
    EXPECT_EQ(Host("set read/upc_e:false"), ack);
    ASSERT_TRUE(plat::sim::board().setFlashFaults("/dev/mtd3", faults));
    EXPECT_EQ(Host("save"), nak);
}

// A command code that some object takes, so that it counts as handled: "ZT".
class HandledCode final : public ParameterObject {
public:
    static constexpr MenuCommandItem kTable[] = {{0x5A54, 0, 0, {0, 0}}, {0, 0, 0, {0, 0}}};
    HandledCode() : ParameterObject("handledcode", ParameterIdentifier::Unused, kTable) {}
    int ExecuteCommand(unsigned, std::vector<char>, ivra_configuration::InputStream&,
                       ivra_configuration::OutputStream&) override
    {
        return kDone;
    }
};

// The menu-toggle label before the camera, read with the trigger key.
bool ScanMenuToggle()
{
    auto& board = plat::sim::board();
    bool const before = ReadBarcode::getInstance().isMenuMode();
    auto const rendering = support::renderMenuLabel("ZZ", {.moduleSize = 2.5});
    EXPECT_TRUE(board.camera().setFrame(rendering.frame.pixels, rendering.frame.width, rendering.frame.height));
    EXPECT_TRUE(board.pressKey(kTriggerKey));
    bool toggled = false;
    for (auto const deadline = std::chrono::steady_clock::now() + 10s;
         !toggled && std::chrono::steady_clock::now() < deadline;) {
        std::this_thread::sleep_for(10ms);
        toggled = ReadBarcode::getInstance().isMenuMode() != before;
    }
    EXPECT_TRUE(board.releaseKey(kTriggerKey));
    board.camera().clearImage();
    return toggled;
}

constexpr char const* kErrorLed = "/sys/class/leds/led_error/brightness";
constexpr char const* kGoodReadFirstTone = "3250"; // the factory good-read tone
constexpr char const* kErrorFirstTone = "2000";

// Whether a command from the host, in menu mode, gets no reply and sounds the
// tone and lights the LED. The reminder beep, once a second, replaces a tone
// asked for just before it starts, so the command may be sent a few times.
bool SignalsInMenuMode(std::string const& command, char const* port, char const* tone, char const* led)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        plat::sim::board().clearAttributeLog();
        EXPECT_EQ(Host(command, port, 1500ms), "");
        if (Written(led, "1") && Written(kBuzzerFrequency, tone)) {
            return true;
        }
    }
    return false;
}

// Menu mode, entered by scanning: the user hears and sees each command's outcome
// and the host gets no ACK or NAK.
void MenuModeScenario()
{
    EXPECT_EQ(Host("ZT"), ack);
    EXPECT_EQ(Host("XY"), nak);
    ASSERT_TRUE(ScanMenuToggle());
    EXPECT_TRUE(MenuCmdHandler::menuMode());
    EXPECT_TRUE(SignalsInMenuMode("ZT", kUsb, kGoodReadFirstTone, kGoodReadLed));
    EXPECT_TRUE(SignalsInMenuMode("XY", kUart, kErrorFirstTone, kErrorLed));

    ASSERT_TRUE(ScanMenuToggle());
    EXPECT_FALSE(MenuCmdHandler::menuMode());
    EXPECT_EQ(Host("ZT"), ack);

    // A broken menu label (an address of no hex digits): the error beep and LED, and
    // nothing for the host.
    auto& board = plat::sim::board();
    auto const broken = support::renderMenuLabel("12345G", {.moduleSize = 2.5});
    board.clearAttributeLog();
    EXPECT_TRUE(board.camera().setFrame(broken.frame.pixels, broken.frame.width, broken.frame.height));
    EXPECT_TRUE(board.pressKey(kTriggerKey));
    EXPECT_TRUE(Written(kErrorLed, "1"));
    EXPECT_TRUE(Written(kBuzzerFrequency, kErrorFirstTone));
    EXPECT_TRUE(board.releaseKey(kTriggerKey));
    board.camera().clearImage();
    EXPECT_EQ(board.hostRead(kUart, 1, 300ms), "");
    EXPECT_FALSE(MenuCmdHandler::menuMode());
}

// Scans the label before the camera and answers what reached the host on
// `port` within a while.
std::string ScanLabel(std::string const& data, char const* port)
{
    auto& board = plat::sim::board();
    auto const rendering = support::render({.symbology = BARCODE_CODE128, .data = data}, {.moduleSize = 2.0});
    EXPECT_TRUE(rendering.symbol.ok);
    EXPECT_TRUE(board.camera().setFrame(rendering.frame.pixels, rendering.frame.width, rendering.frame.height));
    EXPECT_TRUE(board.pressKey(kTriggerKey));
    std::string received;
    for (auto const deadline = std::chrono::steady_clock::now() + 10s;
         received.find(data) == std::string::npos && std::chrono::steady_clock::now() < deadline;) {
        received += board.hostRead(port, 256, 100ms);
    }
    EXPECT_TRUE(board.releaseKey(kTriggerKey));
    board.camera().clearImage();
    return received;
}

// An upload of the last frame whose host stops reading: the firmware gives
// the upload up, goes on answering on that port, and the next label reaches
// the host.
void InterruptedUploadScenario()
{
    auto& board = plat::sim::board();
    EXPECT_NE(ScanLabel("Before the upload", kUart).find("Before the upload"), std::string::npos);
    ASSERT_TRUE(board.hostWrite(kUsb, "\x1b[DE1\r"));
    // The host reads nothing and answers nothing for longer than the
    // transfer's three tries take.
    std::this_thread::sleep_for(8s);
    std::string sent;
    for (std::string part; !(part = board.hostRead(kUsb, 65536, 300ms)).empty();) {
        sent += part;
    }
    EXPECT_GT(sent.size(), 256u) << "the upload did not start";
    EXPECT_EQ(Host("get bank", kUsb), "0\r");
    std::string const after = ScanLabel("After the upload", kUart);
    EXPECT_NE(after.find("After the upload"), std::string::npos) << after;
}

void RunScenario(std::string const& scenario, std::string const& directory)
{
    // As long as the firmware's threads, which the process ends without a stop.
    static HandledCode handledCode;
    if (scenario == "keyboard-model") {
        FactorySettings::getInstance().Interface(FactorySettings::kInterfaceUsbKeyboard);
    }
    if (scenario == "no-uart-terminal") {
        ASSERT_TRUE(plat::sim::board().removeDevice(kUart));
    }
    StartFirmware(directory);
    if (::testing::Test::HasFatalFailure()) {
        return;
    }
    if (scenario == "no-uart-terminal") {
        ASSERT_TRUE(plat::sim::board().restoreDevice(kUart));
        // The UART thread would answer after its first second; there is none.
        EXPECT_EQ(Host("get bank", kUart, 2500ms), "");
        return;
    }
    if (scenario == "first-start-save") {
        EXPECT_EQ(TokensRun(), kLine0Tokens);
        SaveSettingsA();
    } else if (scenario == "restored") {
        ExpectSettingsA();
    } else if (scenario == "factory-start") {
        ExpectFactoryStart(kLine0Tokens);
    } else if (scenario == "banks-without-parameters") {
        // The banks of the garbage images below, with nothing replayed over them.
        EXPECT_EQ(TokensRun(), 0);
        EXPECT_EQ(Host("get read/upc_a"), "false\r");
        EXPECT_EQ(Host("set bank:1"), ack);
        EXPECT_EQ(Host("get read/ean13"), "false\r");
        EXPECT_EQ(Host("set bank:0"), ack);
    } else if (scenario == "keyboard-model") {
        ExpectFactoryStart(kLine0Tokens + kKeyboardLineTokens);
    } else if (scenario == "menu-mode") {
        MenuModeScenario();
    } else if (scenario == "interrupted-upload") {
        InterruptedUploadScenario();
    } else if (scenario == "uart-channel") {
        EXPECT_EQ(Host("get bank", kUart), "0\r");
    } else if (scenario == "save-signals") {
        EXPECT_EQ(Host("set indicator/led/startup/enable:false"), ack);
        EXPECT_EQ(Host("save"), ack);
    } else if (scenario == "quiet-light") {
        EXPECT_TRUE(Written(kBuzzerFrequency, kPowerOnFirstTone));
        EXPECT_FALSE(Written(kGoodReadLed, "1"));
    } else if (scenario == "save-power-cut") {
        plat::sim::FlashFaults faults;
        faults.powerCutAfter = 40;
        SaveWithFault(faults);
    } else if (scenario == "save-failed-erase") {
        plat::sim::FlashFaults faults;
        faults.failErase = true;
        SaveWithFault(faults);
    } else {
        ADD_FAILURE() << "unknown scenario " << scenario;
    }
}

TEST(FirmwareChild, Scenario)
{
    char const* scenario = std::getenv(kScenarioVariable);
    char const* directory = std::getenv(kBoardVariable);
    if (scenario == nullptr || directory == nullptr) {
        GTEST_SKIP() << "a start of the firmware, run by the FirmwareStart tests in a process of its own";
    }
    RunScenario(scenario, directory);
    std::fflush(stdout);
    std::fflush(stderr);
    // The firmware's threads run for ever; the process ends here, as a power cut would.
    std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
}

// ---- The parent: board directories, flash images and child processes ----

// The child's exit status; -1 when it crashed or did not end in time.
int RunChild(std::string const& scenario, std::string const& directory)
{
    std::string const exe = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string const filter = "--gtest_filter=FirmwareChild.Scenario";
    std::string const scenarioEntry = std::string(kScenarioVariable) + "=" + scenario;
    std::string const boardEntry = std::string(kBoardVariable) + "=" + directory;
    std::vector<char*> argv{const_cast<char*>(exe.c_str()), const_cast<char*>(filter.c_str()), nullptr};
    std::vector<char*> envp;
    for (char** e = environ; *e != nullptr; ++e) {
        envp.push_back(*e);
    }
    envp.push_back(const_cast<char*>(scenarioEntry.c_str()));
    envp.push_back(const_cast<char*>(boardEntry.c_str()));
    envp.push_back(nullptr);

    pid_t const pid = ::fork();
    if (pid == 0) {
        ::execve(exe.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    if (pid < 0) {
        return -1;
    }
    auto const deadline = std::chrono::steady_clock::now() + 120s;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(20ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class FirmwareStartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/firmware-start-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        directory_ = pattern;
    }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    int run(std::string const& scenario) { return RunChild(scenario, directory_); }

    // A partition's backing file, read without the board's help.
    std::string image(int partition) const
    {
        std::ifstream file(directory_ + "/mtd" + std::to_string(partition) + ".bin", std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    void writeImage(int partition, std::string const& bytes) const
    {
        std::ofstream file(directory_ + "/mtd" + std::to_string(partition) + ".bin", std::ios::binary);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    static std::string upToErased(std::string const& bytes) { return bytes.substr(0, bytes.find('\xFF')); }

    std::string directory_;
};

TEST_F(FirmwareStartTest, SavedSettingsAreBackAfterARestart)
{
    ASSERT_EQ(run("first-start-save"), 0);

    // A board's first save goes to the second half of each partition.
    std::string rest;
    auto const lines = SplitLines(upToErased(image(3).substr(kBanksHalf)), rest);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_TRUE(rest.empty());
    for (auto const& line : lines) {
        rapidjson::Document document;
        EXPECT_FALSE(document.Parse(line.c_str()).HasParseError()) << line;
    }
    rapidjson::Document parameters;
    ASSERT_FALSE(parameters.Parse(upToErased(image(2).substr(kParametersHalf)).c_str()).HasParseError());
    EXPECT_EQ(parameters["factorysettings"]["interface"].GetUint(), 9u);

    ASSERT_EQ(run("restored"), 0);
    ASSERT_EQ(run("restored"), 0); // a start that loaded changes nothing on flash
}

TEST_F(FirmwareStartTest, ErasedFlashReplaysTheFactoryLines)
{
    ASSERT_EQ(run("factory-start"), 0);
    EXPECT_EQ(upToErased(image(3)), ""); // a start writes nothing
}

TEST_F(FirmwareStartTest, KeyboardModelReplaysItsInterfaceLine) { ASSERT_EQ(run("keyboard-model"), 0); }

TEST_F(FirmwareStartTest, MenuModeSilencesTheHostAndSignalsEachCommand) { ASSERT_EQ(run("menu-mode"), 0); }

TEST_F(FirmwareStartTest, AnUploadTheHostStopsTakingLosesNoLaterLabel) { ASSERT_EQ(run("interrupted-upload"), 0); }

TEST_F(FirmwareStartTest, UartChannelRunsOnlyOnATerminal)
{
    ASSERT_EQ(run("uart-channel"), 0);
    ASSERT_EQ(run("no-uart-terminal"), 0);
}

TEST_F(FirmwareStartTest, PowerOnLightAndBeepFollowTheirOwnSettings)
{
    ASSERT_EQ(run("save-signals"), 0);
    ASSERT_EQ(run("quiet-light"), 0);
}

TEST_F(FirmwareStartTest, PowerCutDuringSaveKeepsTheEarlierSave)
{
    ASSERT_EQ(run("first-start-save"), 0);
    ASSERT_EQ(run("save-power-cut"), 0);
    ASSERT_EQ(run("restored"), 0);
}

TEST_F(FirmwareStartTest, BoardOfTheSingleCopyLayoutStartsWithItsSettings)
{
    ASSERT_EQ(run("first-start-save"), 0);
    // The same texts as the earlier firmware stored them: from the start of the partition.
    writeImage(3, upToErased(image(3).substr(kBanksHalf)));
    writeImage(2, upToErased(image(2).substr(kParametersHalf)));
    ASSERT_EQ(run("restored"), 0);
    ASSERT_EQ(run("save-power-cut"), 0);
    ASSERT_EQ(run("restored"), 0);
}

TEST_F(FirmwareStartTest, FailedEraseOnANewBoardFallsBackToFactoryDefaults)
{
    ASSERT_EQ(run("save-failed-erase"), 0);
    ASSERT_EQ(run("factory-start"), 0);
}

TEST_F(FirmwareStartTest, FailedEraseKeepsTheEarlierSave)
{
    ASSERT_EQ(run("first-start-save"), 0);
    ASSERT_EQ(run("save-failed-erase"), 0);
    ASSERT_EQ(run("restored"), 0);
}

struct Garbage {
    char const* name;
    std::string banks;
    std::string parameters;
};

void PrintTo(Garbage const& garbage, std::ostream* os) { *os << garbage.name; }

// The good first lines change bank 0 and bank 1; a start that took them without the
// rest would show them.
std::string const kBank0 = "{\"read\":{\"upc_a\":false}}\r";
std::string const kBank1 = "{\"read\":{\"ean13\":false}}\r";

std::string Lines(int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += "{}\r";
    }
    return out;
}

class GarbageFlashTest : public FirmwareStartTest, public ::testing::WithParamInterface<Garbage> {};

TEST_P(GarbageFlashTest, StartFallsBackCleanly)
{
    writeImage(3, GetParam().banks);
    if (!GetParam().parameters.empty()) {
        writeImage(2, GetParam().parameters);
    }
    // Damaged parameters alone cost only the parameter objects: the banks are taken.
    bool const banksIntact = std::string_view(GetParam().name).starts_with("parameters_");
    ASSERT_EQ(run(banksIntact ? "banks-without-parameters" : "factory-start"), 0);
}

std::string Noise(std::size_t count, unsigned seed)
{
    std::string bytes;
    unsigned state = seed;
    while (bytes.size() < count) {
        state = state * 1103515245u + 12345u;
        bytes.push_back(static_cast<char>((state >> 16) & 0x7F)); // no erased byte: all of it is read
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Images, GarbageFlashTest,
    ::testing::Values(Garbage{"random_bytes", Noise(5000, 1), ""},
                      Garbage{"truncated_json", kBank0 + kBank1 + "{\"read\":{\"up", ""},
                      Garbage{"lines_without_cr", "{\"read\":{\"upc_a\":false}}\n{}\n{}\n{}\n{}\n{}\n{}\n{}\n", ""},
                      Garbage{"erased_byte_inside", kBank0 + kBank1 + "{}\r\xFF" + Lines(5), ""},
                      Garbage{"parameters_damaged", kBank0 + kBank1 + Lines(6), "{\"factorysettings\":{\"inter"},
                      Garbage{"parameters_deeply_nested", kBank0 + kBank1 + Lines(6), std::string(120000, '[')}),
    [](auto const& info) { return std::string(info.param.name); });

// ---- In this process: the steps of start-up that need no restart ----

using StartStepsTest = SettingsTest;

TEST_F(StartStepsTest, FactoryLineFollowsTheInterface)
{
    FactorySettings& factory = FactorySettings::getInstance();
    factory.CommandLine(1, "L");
    factory.CommandLine(2, "U");
    factory.CommandLine(3, "K");
    factory.CommandLine(4, "S");
    struct Case {
        unsigned char interface;
        char const* line;
    };
    for (auto const& c : {Case{0, "\x1bGCW7*4[BAWUL\r"}, Case{10, "\x1bGCW7*4[BAWKL\r"},
                          Case{9, "\x1bGCW7*4[BAWSL\r"}}) {
        factory.Interface(c.interface);
        EXPECT_EQ(FactoryCommandLine(), c.line) << int(c.interface);
    }
    factory.Interface(5); // not an interface: ignored
    EXPECT_EQ(factory.Interface(), 9);
}

TEST_F(StartStepsTest, TerminalCheckOpensNothingNew)
{
    EXPECT_TRUE(IsTTYDevice("/dev/ttyS0"));
    EXPECT_FALSE(IsTTYDevice(""));
    EXPECT_FALSE(IsTTYDevice(directory() + "/missing"));
    ASSERT_TRUE(board().removeDevice("/dev/ttyS0"));
    EXPECT_FALSE(IsTTYDevice("/dev/ttyS0"));
    ASSERT_TRUE(board().restoreDevice("/dev/ttyS0"));

    std::string const regular = directory() + "/not-a-tty";
    ASSERT_TRUE(board().redirect("/dev/ttyS0", regular));
    EXPECT_FALSE(IsTTYDevice("/dev/ttyS0"));
    EXPECT_FALSE(std::filesystem::exists(regular)); // a device path is never created
    std::ofstream(regular) << "x";
    EXPECT_FALSE(IsTTYDevice("/dev/ttyS0"));
}

// Emits the set-to-default request, as the interface commands do.
class RestoreRequester final : public ParameterObject {
public:
    static constexpr MenuCommandItem kTable[] = {{0x5355, 0, 0, {0, 0}}, {0, 0, 0, {0, 0}}}; // "SU"
    RestoreRequester() : ParameterObject("requester", ParameterIdentifier::Unused, kTable) {}
    int ExecuteCommand(unsigned, std::vector<char>, ivra_configuration::InputStream&,
                       ivra_configuration::OutputStream&) override
    {
        ++runs;
        FactorySettings::getInstance().EmitSetToDefault();
        return kDone;
    }
    int runs = 0;
};

TEST_F(StartStepsTest, RestoreDoesNotRestartItselfFromAFactoryLine)
{
    FactorySettings& factory = FactorySettings::getInstance();
    static bool const connected = [&factory] {
        factory.ConnectSetToDefault(ToDefault);
        return true;
    }();
    ASSERT_TRUE(connected);
    MenuCmdHandler::getInstance();
    RestoreRequester requester;
    factory.CommandLine(1, "SU");
    ASSERT_EQ(command("set read/upc_a:false"), std::string(1, kAck));

    // The replayed "SU" asks for the restore that is running: it does not start again.
    ToDefault();
    EXPECT_EQ(command("get read/upc_a"), "true\r");
    EXPECT_EQ(requester.runs, 1);

    // Through the request itself, as the interface commands make it.
    ASSERT_EQ(command("set read/upc_a:false"), std::string(1, kAck));
    factory.EmitSetToDefault();
    EXPECT_EQ(command("get read/upc_a"), "true\r");
    EXPECT_EQ(requester.runs, 2);
}

} // namespace
