#pragma once
// The application's own settings objects. Each registers under a fixed identifier,
// serves the serial command codes of its table, and keeps its state as one member of
// a common JSON document stored on the parameter partition.

#include "config/stream.h"

#include <rapidjson/document.h>

#include <cstdint>
#include <string>
#include <vector>

// Index into the registry.
enum class ParameterIdentifier : int {
    ScannerInfo = 0,
    ImageCapture = 1,
    FactorySettings = 2,
    UartSettings = 3,
    UsbSettings = 4,
    Unused = 5,
    RideZodozForCommandSystem = 6,
    GS1Conversion = 7,
    SingleMenuCmd = 8,
};

inline constexpr int kParameterIdentifierCount = 9;

// One row of a command table; a table ends at a row whose code is 0.
struct MenuCommandItem {
    std::uint32_t code;    // characters packed big-endian ("ED8" is 0x454438)
    std::uint8_t minimum;  // least parameter count
    std::uint8_t maximum;  // greatest parameter count
    std::uint8_t reserved[2];
};
static_assert(sizeof(MenuCommandItem) == 8, "command table rows are 8 bytes");

// A command code as the tables hold it: the characters packed big-endian ("ED8").
constexpr std::uint32_t CommandCode(char const* text)
{
    std::uint32_t value = 0;
    for (; *text != '\0'; ++text) {
        value = value << 8 | static_cast<unsigned char>(*text);
    }
    return value;
}

// The code under which the 16-character program token reaches the tables.
inline constexpr std::uint32_t kProgramTokenCode = 0xFFFFFFFFu;

class JSONBase {
public:
    explicit JSONBase(std::string name) : name_(std::move(name)) {}
    JSONBase(JSONBase const&) = delete;
    JSONBase& operator=(JSONBase const&) = delete;
    virtual ~JSONBase() = default;

    virtual bool Deserialize(rapidjson::Value const& value) = 0;
    virtual bool Deserialize(rapidjson::Document const& document) = 0;
    virtual void Serialize(rapidjson::Document& document) const = 0;

    // Parses the text into doc. Empty or blank text, or anything but white space after
    // the value, fails.
    bool InitDocument(std::string const& text, rapidjson::Document& doc) const;

    std::string const& name() const { return name_; }

private:
    std::string name_;
};

class ParameterObject : public JSONBase {
public:
    // Results of Parse and ExecuteCommand.
    static constexpr int kNotMine = 0;
    static constexpr int kNeedParameters = 1; // known code, count outside its range
    static constexpr int kDone = 2;
    static constexpr int kRefused = 3;
    // Done, and the parameters that follow it on the line go to SetParameter. Should one of
    // them be refused, UndoCommand puts back what the command changed.
    static constexpr int kDoneTakesParameters = 4;
    // SetParameter: the object took the parameter.
    static constexpr int kParameterTaken = 16;

    static constexpr char const* RAW_READ_PARTITION = "/dev/mtd2ro";
    static constexpr char const* RAW_WRITE_PARTITION = "/dev/mtd2";

    // Registers nothing.
    ParameterObject();
    // Registers this object under the identifier; a later object with the same identifier
    // replaces it. The table may be null (no commands) and must end with a code-0 row.
    ParameterObject(std::string name, ParameterIdentifier identifier, MenuCommandItem const* table);
    // Leaves the registry as it was before this object registered, so that no slot
    // points at a destroyed object.
    ~ParameterObject() override;

    bool Deserialize(rapidjson::Value const& value) override;
    bool Deserialize(rapidjson::Document const& document) override;
    void Serialize(rapidjson::Document& document) const override;

    // Parameters arrive as one byte vector: "Q" and a digit per number, or one quoted
    // string with its quotes; their count is the length / 2.
    virtual int Parse(unsigned code, std::vector<char> const& params, ivra_configuration::InputStream& in,
                      ivra_configuration::OutputStream& out);
    virtual int SetParameter(unsigned code, char const* text, unsigned length, ivra_configuration::InputStream& in,
                             ivra_configuration::OutputStream& out);
    virtual int ExecuteCommand(unsigned code, std::vector<char> params, ivra_configuration::InputStream& in,
                               ivra_configuration::OutputStream& out);
    virtual void SetDefault();
    // The command that answered kDoneTakesParameters is refused after all: a token after
    // it was neither its parameter nor a command, or the line ended short of a parameter.
    // Puts back the settings the command and its parameters changed.
    virtual void UndoCommand();

    ParameterIdentifier identifier() const { return identifier_; }
    MenuCommandItem const* commandTable() const { return table_; }

    // The first object, in identifier order, that knows the code and answers 1, 2 or 4
    // sets `index`; otherwise the last answer is returned (0 with nothing registered).
    static int ParseAll(unsigned code, std::vector<char> const& params, ivra_configuration::InputStream& in,
                        ivra_configuration::OutputStream& out, int& index);
    static int SetParameterAll(int index, unsigned code, char const* text, unsigned length,
                               ivra_configuration::InputStream& in, ivra_configuration::OutputStream& out);
    static void SetDefaults();
    static void UndoCommandOf(int index);

    static int getQCount(std::vector<char> const& params);
    // The first `digits` digits of the parameters as one decimal number ('Q' skipped).
    static int getQValue(std::vector<char> const& params, int digits);

    // The common document: one member per object that has something to store, compact.
    static bool SerializeToString(std::string& out);
    static bool DeserializeFromString(std::string const& text);
    // Writes only when the stored text differs; false when the partition could not be
    // written and read back as written. The text goes with the stored banks.
    static bool SerializeToRawPartition();
    // The same for a save that writes the banks next: the new text counts only once banks
    // of generation `link` are stored, and the text that goes with banks `linkedUpTo`
    // (the stored ones) is kept.
    static bool SerializeToRawPartition(std::uint32_t link, std::uint32_t linkedUpTo);
    // The text that goes with the stored banks.
    static bool DeserializeFromRawPartition();

    // The object registered under the identifier, or null.
    static ParameterObject* registered(ParameterIdentifier identifier);

private:
    // Zero before any constructor runs, so objects built by static initialisers of any
    // file may register.
    static ParameterObject* list_[kParameterIdentifierCount];

    ParameterIdentifier identifier_ = ParameterIdentifier::Unused;
    MenuCommandItem const* table_ = nullptr;
    bool registered_ = false;
    ParameterObject* replaced_ = nullptr;
};
