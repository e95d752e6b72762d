#include "app/firmware_main.h"

#include "app/indicators/buzzer.h"
#include "app/commands/command_channels.h"
#include "app/settings/factory_settings.h"
#include "app/device_commands/image_capture.h"
#include "app/file.h"
#include "app/indicators/gpio_keyboard.h"
#include "app/settings/gs1_conversion.h"
#include "app/host/host_interface.h"
#include "app/indicators/indicator_leds.h"
#include "app/commands/memory_channel.h"
#include "app/commands/memory_input_stream.h"
#include "app/settings/menu_cmd_handler.h"
#include "app/commands/menu_code2d.h"
#include "app/commands/menu_code39.h"
#include "app/settings/parameter_object.h"
#include "app/read_cycle/read_barcode.h"
#include "app/settings/ride_zodoz_for_command_system.h"
#include "app/device_commands/scanner_info.h"
#include "app/settings/settings_persistence.h"
#include "app/device_commands/single_menu_cmd.h"
#include "app/settings/uart_settings.h"
#include "app/settings/usb_settings.h"
#include "config/configuration.h"
#include "platform/platform.h"

#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <thread>

// Built before main after the command channels' streams (app/commands/command_channels.cpp)
// and the thread-name map (app/commands/reply_routing.cpp). The menu-code parsers register
// with the read cycle's registry (app/commands/menu_parser.h) as they are built.
MenuCode39 mnucode39;
MenuCode2D mnucode2D;
Heartbeat hb(std::chrono::milliseconds(10));
ScannerInfo scannerInfo;
SingleMenuCmd singleMenuCmd;

namespace {

namespace cfg = ivra_configuration;

constexpr char kEsc = 0x1B;
constexpr char kCr = 0x0D;
constexpr char const* kUartDevice = "/dev/ttyS0";
constexpr char const* kKeyDevice = "/dev/input/event0";

// Set while the factory lines replay on this thread: a restore of the defaults that
// one of them asks for would otherwise start the replay over inside itself.
thread_local bool replaying = false;

std::thread* memoryThread = nullptr;
std::thread* uartThread = nullptr;

bool ApplyUartValues(SerialPort& port, UartSettings::Values const& values)
{
    bool ok = port.setBaudrate(values.baudrate);
    ok = port.setParity(values.parity) && ok;
    ok = port.setDatasize(values.databits) && ok;
    return port.setStopbits(values.stopbits) && ok;
}

void NameThisThread(char const* name) { pthread_setname_np(pthread_self(), name); }

unsigned char FactoryInterface() { return FactorySettings::getInstance().Interface(); }

} // namespace

std::string FactoryCommandLine()
{
    FactorySettings const& factory = FactorySettings::getInstance();
    std::string line(1, kEsc);
    line += factory.CommandLine(FactorySettings::eCommon);
    switch (factory.Interface()) {
    case FactorySettings::kInterfaceUart:
        line += factory.CommandLine(FactorySettings::eUart);
        break;
    case FactorySettings::kInterfaceUsbKeyboard:
        line += factory.CommandLine(FactorySettings::eUsbKeyboard);
        break;
    case FactorySettings::kInterfaceUsbSerial:
        line += factory.CommandLine(FactorySettings::eUsbSerial);
        break;
    default:
        break;
    }
    line += factory.CommandLine(FactorySettings::eCommonLast);
    line += kCr;
    return line;
}

void InitCommandLines()
{
    if (replaying) {
        return;
    }
    replaying = true;
    std::string const line = FactoryCommandLine();
    MemoryInputStream in(line);
    {
        // An interface command restores the defaults from a host's line: the host gets
        // the answer to its command, not to the replay.
        MenuCmdHandler::Silence const silence;
        cfg::Evaluate(in, InterfaceOutputStream::getInstance());
    }
    replaying = false;
}

void ToDefault()
{
    if (replaying) {
        return;
    }
    cfg::SetDefault();
    ParameterObject::SetDefaults();
    InitCommandLines();
}

void LoadStartSettings()
{
    FactorySettings::getInstance().LoadModelConfig(); // without a model record the object keeps its defaults
    ParameterObject::DeserializeFromRawPartition();
    if (LoadStartSettingsFromFlash() == StartSettings::None) {
        cfg::SetDefault();
        ParameterObject::SetDefaults();
        InitCommandLines();
    }
}

bool updateUartSettings()
{
    UartSettings::Values const values = UartSettings::getInstance().Current();
    bool ok = ApplyUartValues(uartInputStream.port(), values);
    ok = ApplyUartValues(uartOutputstream.port(), values) && ok;
    return ApplyUartValues(InterfaceOutputStream::getInstance().uartPort(), values) && ok;
}

bool SaveSettings() { return DoSaveProperties() && updateUartSettings(); }

bool IsTTYDevice(std::string const& path)
{
    if (path.empty()) {
        return false;
    }
    File file(path);
    if (!file.open(File::eReadWrite, O_NOCTTY | O_NONBLOCK)) {
        return false;
    }
    bool const terminal = plat::isatty(file.descriptor()) == 1;
    file.close();
    return terminal;
}

void handle_pipe_com(MemoryPipeStream::PipeInputStream& in, InterfaceOutputStream& out)
{
    // The replies reach the host; the acknowledgements of text commands do not.
    MemoryChannel channel(in, out);
    for (;;) {
        cfg::Evaluate(channel.input(), channel.output());
    }
}

void handle_uart_com(ivra_configuration::InputStream& in, ivra_configuration::OutputStream& out)
{
    // sleep_for resumes with the remaining time when a signal interrupts it.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    for (;;) {
        cfg::Evaluate(in, out);
    }
}

void firmwareStart()
{
    // The data-editing memories (which give the formatter its programs), GS1
    // conversion and the interface settings, before the settings are loaded.
    RideZodozForCommandSystem<DecodeDataByte>::getInstance();
    GS1Conversion::getInstance();
    UartSettings::getInstance();
    UsbSettings::getInstance();

    MenuCmdHandler::getInstance().setLoadSavePropertiesCallback(DoLoadProperties, SaveSettings);

    FactorySettings& factory = FactorySettings::getInstance();
    ImageCapture::getInstance(); // registers the image-upload commands
    factory.ConnectSetToDefault(ToDefault);
    setHostInterfaceSource(FactoryInterface);
    LoadStartSettings();

    Buzzer::getInstance();
    GpioKeyboard& keys = GpioKeyboard::getInstance();
    keys.setKeyboardEventName(kKeyDevice);
    keys.setExternalTriggerFlagSource([] { return FactorySettings::getInstance().ExternalTrigger(); });

    IndicatorLeds& leds = IndicatorLeds::getInstance();
    hb.connect([&leds] { leds.doHeartBeat(); });

    ReadBarcode& reader = ReadBarcode::getInstance(); // with its decoder thread
    hb.connect([&reader] { reader.doHeartBeat(); });
    keys.connectTrigger([&reader](bool pressed) { reader.triggerPressedCallback(pressed); });
    keys.connectAimWakeup([&reader](bool pressed) { reader.wakeupPressedCallback(pressed); });
    if (factory.HallSensor()) {
        keys.connectHallEffect([&reader](bool active) { reader.hallSensorActiveCallback(active); });
    }
    keys.start();
    reader.setupBarcodeImager();

    updateUartSettings();

    // The threads live as long as the process; they are never joined.
    memoryThread = new std::thread([] {
        NameThisThread("MEMORY");
        handle_pipe_com(memoryPipeStream.input(), InterfaceOutputStream::getInstance());
    });
    if (IsTTYDevice(kUartDevice)) {
        uartThread = new std::thread([] {
            NameThisThread("UART");
            handle_uart_com(uartInputStream, uartOutputstream);
        });
    }

    hb.start();

    bool startupLed = false;
    bool startupBeep = false;
    {
        std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
        startupLed = cfg::Root().indicator.led.startup.enable.Value();
        startupBeep = cfg::Root().indicator.buzzer.startup.enable.Value();
    }
    if (startupLed) {
        leds.doAction(IndicatorLeds::kGoodReadLed, 100);
    }
    if (startupBeep) {
        Buzzer::getInstance().play(Buzzer::kPowerOn, Buzzer::kMaximumLoudness);
    }
}

void runUsbCommandChannel()
{
    for (;;) {
        NameThisThread("USBCOM");
        cfg::Evaluate(usbComInputstream, usbComOutputstream);
    }
}

int firmwareMain()
{
    firmwareStart();
    runUsbCommandChannel();
}
