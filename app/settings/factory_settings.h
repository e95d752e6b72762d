#pragma once
// What the factory decides about one device: its model name, serial number and
// 16-character model configuration (from which the host interface and the hardware
// options are read), and five command lines replayed whenever the factory defaults are
// restored. The model record lives on its own flash partition; the command lines and the
// interface live in the parameter objects' text. A factory mode, toggled by a command
// and ended by every save, guards the commands that change factory data.
//
// Model configuration characters: 0-7 model name; 8 '*' when programmed by command;
// 9 interface ('9' USB serial, 'A' USB keyboard, anything else UART); 10 option digit;
// 11, 12, 13 option bits (bit 0 of each: option 1, option 2, hall sensor; bit 2 of 13
// external trigger, bit 3 of 13 option 3); 14-15 carried along unread.

#include "app/settings/parameter_object.h"
#include "app/signal.h"

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class FactorySettings final : public ParameterObject {
public:
    enum eCommandLine : unsigned {
        eCommon = 0,       // always replayed first
        eCommonLast = 1,   // always replayed last
        eUart = 2,         // interface 0
        eUsbKeyboard = 3,  // interface 10
        eUsbSerial = 4,    // interface 9
    };
    static constexpr unsigned kCommandLineCount = 5;
    static std::array<char const*, kCommandLineCount> const DEFAULT_CMD_LINES;
    // Codes a stored line may not hold: they would switch the interface or restore the
    // defaults from inside a restore.
    static constexpr char const* CMD_LINE_FILTER_LIST = "U2|SU|UB|RV|\\[C01|\\[SU1";

    static constexpr unsigned char kInterfaceUart = 0;
    static constexpr unsigned char kInterfaceUsbSerial = 9;
    static constexpr unsigned char kInterfaceUsbKeyboard = 10;

    static constexpr char const* kModelWritePartition = "/dev/mtd1";
    static constexpr char const* kModelReadPartition = "/dev/mtd1ro";
    static constexpr std::size_t kModelConfLength = 16;

    static FactorySettings& getInstance();

    // An empty line for any other index. A copy: commands may change a line meanwhile.
    std::string CommandLine(unsigned line) const;
    bool CommandLine(unsigned line, std::string const& text);

    unsigned char Interface() const { return interface_.load(); }
    // Accepts 0, 9 or 10 and ignores anything else.
    void Interface(unsigned char value);

    bool FactoryMode() const { return factoryMode_.load(); }
    void FactoryMode(bool on) { factoryMode_.store(on); }

    bool HallSensor() const { return hallSensor_.load(); }
    bool ExternalTrigger() const { return externalTrigger_.load(); }

    std::string Model() const;
    std::string ModelConf() const;
    std::string SerialNumber() const;

    // The model record from flash. False, with nothing changed, when it cannot be read
    // or is no model record.
    bool LoadModelConfig();
    // The model record onto flash; true only when it reads back as written.
    bool SaveModelConfig();

    static void AddDocument(std::string const& name, rapidjson::Document& sub, rapidjson::Document& doc);
    // The text between the apostrophes of a quoted parameter without the filtered codes,
    // removed until none is left. False for a parameter that is not quoted or holds a
    // byte that is no printable ASCII character.
    static bool FilterCommandLine(std::vector<char>& params, std::string& out);

    void ConnectSetToDefault(std::function<void()> const& slot);
    void ConnectToSaveCustomDefault(std::function<void()> const& slot);
    void ConnectToLoadCustomDefault(std::function<void()> const& slot);
    void EmitSetToDefault();

    bool Deserialize(rapidjson::Value const& value) override;
    bool Deserialize(rapidjson::Document const& document) override;
    void Serialize(rapidjson::Document& document) const override;
    int ExecuteCommand(unsigned code, std::vector<char> params, ivra_configuration::InputStream& in,
                       ivra_configuration::OutputStream& out) override;
    void SetDefault() override {}

private:
    // The model configuration and what is read from it.
    struct ModelConfig {
        std::string model;
        std::string modelconf;
        std::string serialNumber;
    };

    FactorySettings();
    static MenuCommandItem const* CommandTable();

    // Interface and option flags from modelconf; a configuration too short to hold them
    // sets none.
    void DecodeModelConf(std::string const& modelconf);
    ModelConfig CurrentModelConfig() const;
    void RestoreModelConfig(ModelConfig const& config, unsigned char interface);
    // A line from a quoted parameter, saved with the parameter objects; when the save
    // fails the line is put back.
    int StoreLine(unsigned line, std::vector<char>& params);
    void Reply(std::string text) const;

    int ExecuteCommandJ_V();
    int ExecuteCommandED8();
    int ExecuteCommandEFY(std::vector<char>& params);
    int ExecuteCommandEFZ();
    int ExecuteCommandEH1(std::vector<char> const& params);
    int ExecuteCommandEH2(std::vector<char>& params);
    int ExecuteCommandEH3();
    int ExecuteCommandF3C();
    int ExecuteCommandF3D();
    int ExecuteCommandF3G();
    int ExecuteCommandF3I(std::vector<char>& params);
    int ExecuteCommandC01();
    int ExecuteCommandSU();
    int ExecuteCommandU2();
    int ExecuteCommandBAP();
    int ExecuteCommandBAQ();
    int ExecuteCommandZW(ivra_configuration::OutputStream& out);
    int ExecuteProgramSerialNumber(std::vector<char>& params);
    int ExecuteProgramFactoryDefaults(std::vector<char> const& params);
    int ExecuteInterfaceCommand(unsigned char value);

    mutable std::mutex mutex_; // lines and model record: written by commands, read by others
    std::array<std::string, kCommandLineCount> lines_;
    ModelConfig config_;
    std::atomic<unsigned char> selectedLine_{0};
    std::atomic<unsigned char> interface_{kInterfaceUart};
    std::atomic<unsigned char> optionDigit_{0};
    std::atomic<bool> factoryMode_{false};
    std::atomic<bool> option1_{false};
    std::atomic<bool> option2_{false};
    std::atomic<bool> option3_{false};
    std::atomic<bool> hallSensor_{false};
    std::atomic<bool> externalTrigger_{false};
    std::mutex loaderMutex_;
    sigs::Signal<void()> setToDefault_;
    sigs::Signal<void()> saveCustomDefault_;
    sigs::Signal<void()> loadCustomDefault_;
};
