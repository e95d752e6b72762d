#pragma once
// A fresh board and the store at its factory defaults, with "save" and "load" wired to
// the flash as start-up wires them. Commands run through the evaluator.

#include "app/firmware_main.h"
#include "app/settings/factory_settings.h"
#include "app/settings/flash_partition.h"
#include "app/settings/menu_cmd_handler.h"
#include "app/settings/settings_persistence.h"
#include "config/configuration.h"
#include "tests/platform/board_fixture.h"

#include <rapidjson/document.h>

#include <cstdint>
#include <string>
#include <vector>

namespace persistence_test {

inline constexpr char kAck = 0x06;
inline constexpr char kNak = 0x15;

inline void StoreToFactoryDefaults()
{
    ivra_configuration::SetDefault();
    for (unsigned bank = 1; bank < 8; ++bank) {
        ivra_configuration::SetDefaultToBank(bank);
    }
    FactorySettings& factory = FactorySettings::getInstance();
    factory.Interface(FactorySettings::kInterfaceUart);
    for (unsigned line = 0; line < FactorySettings::kCommandLineCount; ++line) {
        factory.CommandLine(line, FactorySettings::DEFAULT_CMD_LINES[line]);
    }
}

// The text of the newest copy on a partition ("/dev/mtd3"), as a start would read it.
inline std::string StoredText(std::string const& partition)
{
    std::string text;
    EXPECT_NE(ReadPartitionText((partition + "ro").c_str(), text), PartitionRead::Unreadable);
    return text;
}

// The CR-ended lines of the banks text and what follows the last CR.
inline std::vector<std::string> SplitLines(std::string const& text, std::string& rest)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\r', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    rest = text.substr(start);
    return lines;
}

class SettingsTest : public platform_test::BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        StoreToFactoryDefaults();
        MenuCmdHandler::getInstance().setLoadSavePropertiesCallback(DoLoadProperties, SaveSettings);
    }

    void TearDown() override
    {
        StoreToFactoryDefaults();
        BoardTest::TearDown();
    }

    // A text command framed ESC ... CR; its answer.
    static std::string command(std::string const& text)
    {
        std::string const line = "\x1b" + text + "\r";
        ivra_configuration::MemoryInputStream in(line);
        ivra_configuration::StringOutputStream out;
        ivra_configuration::Evaluate(in, out);
        return out.Text();
    }

    static std::string exported()
    {
        ivra_configuration::StringOutputStream out;
        EXPECT_TRUE(ivra_configuration::Export(out));
        return out.Text();
    }
};

} // namespace persistence_test
