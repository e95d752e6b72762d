// The factory, device-information and one-letter commands as the host sends them on
// USB serial, and the interface settings they guard.
#include "app/firmware_main.h"
#include "app/settings/factory_settings.h"
#include "app/settings/flash_partition.h"
#include "app/device_commands/scanner_info.h"
#include "app/settings/settings_persistence.h"
#include "app/device_commands/single_menu_cmd.h"
#include "app/settings/uart_settings.h"
#include "app/settings/usb_settings.h"
#include "tests/app/commands/channel_fixture.h"

#include <atomic>

namespace channel_test {
namespace {

std::string const ack(1, kAck);
std::string const nak(1, kNak);

// Counted on the command thread, read on the test's.
std::atomic<int>& restoresSeen()
{
    static std::atomic<int> count{0};
    return count;
}

class FactoryCommands : public ChannelTest {
protected:
    void SetUp() override
    {
        // The command objects exist before the command threads start, as at
        // the firmware's start: a thread never meets one half built.
        FactorySettings::getInstance();
        UartSettings::getInstance();
        UsbSettings::getInstance();
        ChannelTest::SetUp();
        MenuCmdHandler::getInstance().setLoadSavePropertiesCallback(DoLoadProperties, SaveSettings);
        resetFactory();
    }

    void TearDown() override
    {
        resetFactory();
        ChannelTest::TearDown();
    }

    static void resetFactory()
    {
        FactorySettings& factory = FactorySettings::getInstance();
        factory.FactoryMode(false);
        factory.Interface(FactorySettings::kInterfaceUart);
        for (unsigned line = 0; line < FactorySettings::kCommandLineCount; ++line) {
            factory.CommandLine(line, FactorySettings::DEFAULT_CMD_LINES[line]);
        }
    }

    std::string host(std::string const& text, char const* port = kUsb, std::chrono::milliseconds quiet = 60ms)
    {
        send(port, kEsc + text + kCr);
        return receive(port, 3000ms, quiet);
    }

    ScannerInfo info_;
    SingleMenuCmd single_;
};

TEST_F(FactoryCommands, StoredLinesLoseTheCodesThatWouldRestoreTheDefaults)
{
    struct Case {
        std::string params;
        bool quoted;
        std::string line;
    };
    Case const cases[] = {
        {"'U2ABC[C01D'", true, "ABCD"},
        {"'SSUU'", true, ""},         // one pass would leave "SU"
        {"'[C[C0101X'", true, "X"},   // and "[C01"
        {"'UU22[SU1RV'", true, ""},
        {"ABC", false, ""},
        {"'AB\x80'", false, ""},      // no printable text
        {"'", false, ""},
    };
    for (Case const& c : cases) {
        std::vector<char> params(c.params.begin(), c.params.end());
        std::string line = "unchanged";
        EXPECT_EQ(FactorySettings::FilterCommandLine(params, line), c.quoted) << c.params;
        if (c.quoted) {
            EXPECT_EQ(line, c.line) << c.params;
        }
    }
}

TEST_F(FactoryCommands, FactoryModeGuardsTheFactoryCommands)
{
    EXPECT_EQ(host("[ED8"), "U\r" + ack);
    for (char const* command : {"[EH1Q0Q3", "[EH3", "[F3C", "[F3G", "}MODELNAM*9010000"}) {
        EXPECT_EQ(host(command), nak) << command;
    }
    EXPECT_EQ(host("[J.V"), ack);
    EXPECT_EQ(host("[ED8"), "F\r" + ack);
    EXPECT_EQ(host("[EH1Q0Q5"), nak); // 5 is no line
    EXPECT_EQ(host("[EH1Q0Q3"), ack);
    EXPECT_EQ(host("[EH3"), "RZ7I[DLF\r" + ack);
    EXPECT_EQ(host("[EH2'Z1'"), ack);
    EXPECT_EQ(host("[EH3"), "Z1\r" + ack);
    EXPECT_EQ(host("[F3G"), "Configuration: None\rCommand Line:  GCW7*4[BAW\r" + ack);
    // A quoted text longer than any command takes is refused, not waited on.
    EXPECT_EQ(host("[EH2'" + std::string(250, 'A') + "'"), nak);
    EXPECT_EQ(host("[EH3"), "Z1\r" + ack);
    EXPECT_EQ(host("save"), ack);
    EXPECT_EQ(host("[ED8"), "U\r" + ack); // a save ends factory mode
}

TEST_F(FactoryCommands, TheModelRecordIsProgrammedOnlyWhenItCanBeStored)
{
    EXPECT_EQ(host("[J.V"), ack);
    EXPECT_EQ(host("}MODELNAMX9010000"), nak); // character 8 must be '*'
    EXPECT_EQ(board().flashDump("/dev/mtd1")[0], 0xFF);
    // 'A' is the keyboard; bit 0 of character 13 the hall sensor, bit 2 the external trigger.
    EXPECT_EQ(host("}MODELNAM*A01150X"), ack);
    EXPECT_EQ(host("[SS:'SN-7'"), ack);
    FactorySettings& factory = FactorySettings::getInstance();
    EXPECT_EQ(factory.Interface(), FactorySettings::kInterfaceUsbKeyboard);
    EXPECT_TRUE(factory.HallSensor());
    EXPECT_TRUE(factory.ExternalTrigger());
    std::string record;
    ASSERT_EQ(ReadPartitionText(FactorySettings::kModelReadPartition, record), PartitionRead::Text);
    EXPECT_EQ(record, R"({"modelconf":{"configuration":"MODELNAM*A01150X","model":"MODELNAM","serialnumber":"SN-7"}})");

    // A record that cannot be stored changes nothing.
    ASSERT_TRUE(board().setFlashFaults("/dev/mtd1", {.failErase = true}));
    EXPECT_EQ(host("}OTHERNAM*900000X"), nak);
    EXPECT_EQ(host("[SS:'SN-8'"), nak);
    ASSERT_TRUE(board().setFlashFaults("/dev/mtd1", {}));
    EXPECT_EQ(host("[EFKQ0"), "MODELNAM\r" + ack);
    EXPECT_EQ(host("[EFKQ5"), "SN-7\r" + ack);
    EXPECT_EQ(factory.Interface(), FactorySettings::kInterfaceUsbKeyboard);

    // A configuration too short to hold the options on flash sets none of them.
    ASSERT_TRUE(WritePartitionText(FactorySettings::kModelWritePartition, FactorySettings::kModelReadPartition,
                                   R"({"modelconf":{"configuration":"SHORT*A1"}})"));
    EXPECT_TRUE(factory.LoadModelConfig());
    EXPECT_FALSE(factory.HallSensor());
    EXPECT_EQ(factory.Interface(), FactorySettings::kInterfaceUart);
    EXPECT_EQ(factory.Model(), "");
}

TEST_F(FactoryCommands, ALineWhoseSaveFailedIsNotKept)
{
    ASSERT_TRUE(board().setFlashFaults("/dev/mtd2", {.failErase = true}));
    EXPECT_EQ(host("[EFY'Z1'"), nak);
    EXPECT_EQ(host("[EFZ"), "None\r" + ack);
    EXPECT_EQ(host("[J.V"), ack);
    EXPECT_EQ(host("[F3I'Z1'"), nak);
    EXPECT_TRUE(host("[F3G").ends_with("Command Line:  GCW7*4[BAW\r" + ack));
    ASSERT_TRUE(board().setFlashFaults("/dev/mtd2", {}));
    EXPECT_EQ(host("[EFY'Z1'"), ack);
    EXPECT_EQ(host("[EFZ"), "Z1\r" + ack);
}

TEST_F(FactoryCommands, InterfaceCommandsRestoreTheDefaultsOfTheModelOnly)
{
    int restores = 0;
    static bool const connected = [] {
        FactorySettings::getInstance().ConnectSetToDefault([] { ++restoresSeen(); });
        return true;
    }();
    ASSERT_TRUE(connected);
    restores = restoresSeen();
    EXPECT_EQ(host("SU"), nak); // a UART model is no keyboard model
    EXPECT_EQ(host("U2"), ack);
    EXPECT_EQ(restoresSeen(), restores + 1);
    EXPECT_EQ(host("[J.V"), ack);
    EXPECT_EQ(host("[C01"), ack); // in factory mode the interface changes
    EXPECT_EQ(FactorySettings::getInstance().Interface(), FactorySettings::kInterfaceUsbSerial);
    EXPECT_EQ(host("Z3"), "Version:   SCAN0101\rInterface: USB-COM\r" + ack);
    EXPECT_EQ(restoresSeen(), restores + 2);
}

TEST_F(FactoryCommands, TheLoaderStartsOnThePortTheCommandCameIn)
{
    // ACK before the loader starts, then the command's own answer a second later.
    EXPECT_EQ(host("ZW"), ack);
    EXPECT_EQ(receive(kUsb, 2000ms, 60ms), ack);
    board().setSystemStatus(-1);
    EXPECT_EQ(host("ZW", kUart), ack + nak);
    EXPECT_EQ(board().systemLog(), (std::vector<std::string>{"/usr/bin/loader-start.sh /dev/ttyGS0",
                                                             "/usr/bin/loader-start.sh /dev/ttyS0"}));
}

TEST_F(FactoryCommands, DeviceInformation)
{
    std::string controls;
    for (char c = 0; c < 0x20; ++c) {
        controls += c;
    }
    std::string printable;
    for (char c = 0x20; c < 0x7F; ++c) {
        printable += c;
    }
    EXPECT_EQ(host("Z1"), "SCAN0101\r" + ack);
    EXPECT_EQ(host("Z3"), "Version:   SCAN0101\rInterface: UART\r" + ack);
    EXPECT_EQ(host("ZA"), printable + "\r" + ack);
    EXPECT_EQ(host("YV"), controls + "\r" + ack);
    EXPECT_EQ(host("[EFKQ0"), "\r" + ack);
    EXPECT_EQ(host("[EFKQ1"), "SCAN0101\r" + ack);
    EXPECT_EQ(host("[EFKQ2"), "UART\r" + ack);
    EXPECT_EQ(host("[EFKQ3"), "SR\r" + ack);
    EXPECT_EQ(host("[EFKQ5"), "no serial\r" + ack);
    EXPECT_EQ(host("[EFKQ6"), nak);
    // The chip identifier: "?" while it cannot be read, and read again on the next request.
    board().setMemoryFaults({.failMap = true});
    EXPECT_EQ(host("[EFKQ4"), "?\r" + ack);
    board().setMemoryFaults({});
    board().setChipId({0x01234567, 0x89abcdef, 0, 0xffffffff});
    EXPECT_EQ(host("[EFKQ4"), "0123456789abcdef00000000ffffffff\r" + ack);
    EXPECT_EQ(host("[FEL"), ack);
    EXPECT_EQ(board().systemLog(), std::vector<std::string>{"/usr/bin/felboot"});
}

TEST_F(FactoryCommands, OneLetterCommandsAnswerWhateverTheSettingsAllow)
{
    EXPECT_EQ(host("A"), ack + ack);
    auto const& acceptance = ivra_configuration::Root().universal_acceptance;
    setSetting(acceptance.buzzer_command, false);
    setSetting(acceptance.led_command, false);
    board().clearAttributeLog();
    for (char const* command : {"B", "E", "L", "N", "O"}) {
        EXPECT_EQ(host(command), ack) << command;
    }
    EXPECT_TRUE(board().attributeLog().empty());
}

TEST_F(FactoryCommands, UartAndUsbSettingsTakeOnlyWhatThePortsCanDo)
{
    for (char const* refused : {"set interface/uart/baud_rate:600", "set interface/uart/baud_rate:1200",
                                "set interface/uart/baud_rate:12345", "set interface/uart/data_bits:6",
                                "set interface/uart/parity:3", "set interface/uart/stop_bits:2",
                                "set interface/usb_com/win10_ms_driver/enable:true"}) {
        EXPECT_EQ(host(refused), nak) << refused;
    }
    EXPECT_EQ(UartSettings::getInstance().Current().baudrate, 9600u);
    EXPECT_EQ(host("set interface/uart/baud_rate:38400"), ack);
    EXPECT_EQ(host("set interface/uart/data_bits:7"), ack);
    EXPECT_EQ(UartSettings::getInstance().Current().baudrate, 38400u);
    EXPECT_EQ(UartSettings::getInstance().Current().databits, 7u);
    // Each bank keeps its own; a bank switch brings them.
    EXPECT_EQ(host("set bank:1"), ack);
    EXPECT_EQ(UartSettings::getInstance().Current().baudrate, 9600u);
    EXPECT_EQ(host("set bank:0"), ack);
    EXPECT_EQ(UartSettings::getInstance().Current().baudrate, 38400u);
}

} // namespace
} // namespace channel_test
