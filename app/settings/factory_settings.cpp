#include "app/settings/factory_settings.h"

#include "app/settings/flash_partition.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <regex>
#include <string>

std::array<char const*, FactorySettings::kCommandLineCount> const FactorySettings::DEFAULT_CMD_LINES{
    "GCW7*4[BAW", "", "", "RZ7I[DLF", ""};

namespace {

constexpr char const* kSection = "factorysettings";
constexpr char const* kInterfaceMember = "interface";
constexpr char const* kRecordMember = "modelconf";
constexpr char const* kConfigurationMember = "configuration";
constexpr char const* kModelMember = "model";
constexpr char const* kSerialNumberMember = "serialnumber";
// Characters of a model configuration up to the last one read.
constexpr std::size_t kDecodedLength = 14;

std::string LineMember(unsigned line) { return "cmd_line_" + std::to_string(line); }

bool KnownInterface(unsigned value)
{
    return value == FactorySettings::kInterfaceUart || value == FactorySettings::kInterfaceUsbSerial ||
           value == FactorySettings::kInterfaceUsbKeyboard;
}

std::string StringMember(rapidjson::Value const& object, char const* name)
{
    auto const member = object.FindMember(name);
    if (member == object.MemberEnd() || !member->value.IsString()) {
        return {};
    }
    return {member->value.GetString(), member->value.GetStringLength()};
}

void AddString(rapidjson::Document& document, char const* name, std::string const& text)
{
    if (text.empty()) {
        return;
    }
    auto& allocator = document.GetAllocator();
    document.AddMember(rapidjson::StringRef(name),
                       rapidjson::Value(text.c_str(), static_cast<rapidjson::SizeType>(text.size()), allocator),
                       allocator);
}

} // namespace

FactorySettings& FactorySettings::getInstance()
{
    static FactorySettings instance;
    return instance;
}

FactorySettings::FactorySettings() : ParameterObject(kSection, ParameterIdentifier::FactorySettings, CommandTable())
{
    for (unsigned line = 0; line < kCommandLineCount; ++line) {
        lines_[line] = DEFAULT_CMD_LINES[line];
    }
}

std::string FactorySettings::CommandLine(unsigned line) const
{
    std::lock_guard lock(mutex_);
    return line < kCommandLineCount ? lines_[line] : std::string();
}

bool FactorySettings::CommandLine(unsigned line, std::string const& text)
{
    if (line >= kCommandLineCount) {
        return false;
    }
    std::lock_guard lock(mutex_);
    lines_[line] = text;
    return true;
}

void FactorySettings::Interface(unsigned char value)
{
    if (KnownInterface(value)) {
        interface_.store(value);
    }
}

std::string FactorySettings::Model() const
{
    std::lock_guard lock(mutex_);
    return config_.model;
}

std::string FactorySettings::ModelConf() const
{
    std::lock_guard lock(mutex_);
    return config_.modelconf;
}

std::string FactorySettings::SerialNumber() const
{
    std::lock_guard lock(mutex_);
    return config_.serialNumber;
}

void FactorySettings::DecodeModelConf(std::string const& modelconf)
{
    // Nothing is read past the end of a short configuration: it sets no option.
    bool const complete = modelconf.size() >= kDecodedLength;
    auto const at = [&](std::size_t i) { return complete ? static_cast<unsigned char>(modelconf[i]) : 0u; };
    unsigned char const interfaceCode = static_cast<unsigned char>(at(9));
    interface_.store(interfaceCode == '9'   ? kInterfaceUsbSerial
                     : interfaceCode == 'A' ? kInterfaceUsbKeyboard
                                            : kInterfaceUart);
    optionDigit_.store(complete ? static_cast<unsigned char>(at(10) - '0') : 0);
    option1_.store((at(11) & 1) != 0);
    option2_.store((at(12) & 1) != 0);
    hallSensor_.store((at(13) & 1) != 0);
    externalTrigger_.store((at(13) & 4) != 0);
    option3_.store((at(13) & 8) != 0);
}

FactorySettings::ModelConfig FactorySettings::CurrentModelConfig() const
{
    std::lock_guard lock(mutex_);
    return config_;
}

void FactorySettings::RestoreModelConfig(ModelConfig const& config, unsigned char interface)
{
    {
        std::lock_guard lock(mutex_);
        config_ = config;
    }
    DecodeModelConf(config.modelconf);
    interface_.store(interface); // as the parameter text may have set it
}

bool FactorySettings::LoadModelConfig()
{
    std::string text;
    if (ReadPartitionText(kModelReadPartition, text) != PartitionRead::Text) {
        return false;
    }
    rapidjson::Document document;
    if (!InitDocument(text, document) || !document.IsObject()) {
        return false;
    }
    auto const record = document.FindMember(kRecordMember);
    if (record == document.MemberEnd() || !record->value.IsObject()) {
        return false;
    }
    ModelConfig config;
    config.modelconf = StringMember(record->value, kConfigurationMember);
    config.model = StringMember(record->value, kModelMember);
    config.serialNumber = StringMember(record->value, kSerialNumberMember);
    DecodeModelConf(config.modelconf);
    std::lock_guard lock(mutex_);
    config_ = std::move(config);
    return true;
}

bool FactorySettings::SaveModelConfig()
{
    ModelConfig const config = CurrentModelConfig();
    std::string text;
    if (!config.modelconf.empty() || !config.model.empty() || !config.serialNumber.empty()) {
        rapidjson::Document document;
        document.SetObject();
        rapidjson::Document record(&document.GetAllocator());
        record.SetObject();
        AddString(record, kConfigurationMember, config.modelconf);
        AddString(record, kModelMember, config.model);
        AddString(record, kSerialNumberMember, config.serialNumber);
        AddDocument(kRecordMember, record, document);
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        document.Accept(writer);
        text.assign(buffer.GetString(), buffer.GetSize());
    }
    return WritePartitionText(kModelWritePartition, kModelReadPartition, text);
}

void FactorySettings::AddDocument(std::string const& name, rapidjson::Document& sub, rapidjson::Document& doc)
{
    auto& allocator = doc.GetAllocator();
    rapidjson::Value key(name.c_str(), static_cast<rapidjson::SizeType>(name.size()), allocator);
    rapidjson::Value value(static_cast<rapidjson::Value&>(sub), allocator); // a copy: sub may use another allocator
    doc.AddMember(key, value, allocator);
}

bool FactorySettings::FilterCommandLine(std::vector<char>& params, std::string& out)
{
    if (params.size() < 2 || params.front() != '\'' || params.back() != '\'') {
        return false;
    }
    std::string text(params.begin() + 1, params.end() - 1);
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    // One pass would let "SSUU" become "SU": remove until nothing matches.
    static std::regex const filter(CMD_LINE_FILTER_LIST, std::regex::ECMAScript);
    for (std::string filtered; (filtered = std::regex_replace(text, filter, "")) != text;) {
        text = std::move(filtered);
    }
    out = std::move(text);
    return true;
}

void FactorySettings::ConnectSetToDefault(std::function<void()> const& slot) { setToDefault_.connect(slot); }
void FactorySettings::ConnectToSaveCustomDefault(std::function<void()> const& slot)
{
    saveCustomDefault_.connect(slot);
}
void FactorySettings::ConnectToLoadCustomDefault(std::function<void()> const& slot)
{
    loadCustomDefault_.connect(slot);
}

void FactorySettings::EmitSetToDefault() { setToDefault_(); }

bool FactorySettings::Deserialize(rapidjson::Value const& value)
{
    if (!value.IsObject()) {
        return false;
    }
    std::lock_guard lock(mutex_);
    for (unsigned line = 0; line < kCommandLineCount; ++line) {
        auto const member = value.FindMember(LineMember(line).c_str());
        if (member != value.MemberEnd() && member->value.IsString()) {
            lines_[line].assign(member->value.GetString(), member->value.GetStringLength());
        }
    }
    auto const member = value.FindMember(kInterfaceMember);
    if (member != value.MemberEnd() && member->value.IsUint() && KnownInterface(member->value.GetUint())) {
        interface_.store(static_cast<unsigned char>(member->value.GetUint()));
    }
    return true;
}

bool FactorySettings::Deserialize(rapidjson::Document const& document)
{
    if (!document.IsObject()) {
        return false;
    }
    auto const section = document.FindMember(kSection);
    if (section == document.MemberEnd() || !section->value.IsObject()) {
        return false;
    }
    return Deserialize(section->value);
}

void FactorySettings::Serialize(rapidjson::Document& document) const
{
    auto& allocator = document.GetAllocator();
    document.SetObject();
    std::lock_guard lock(mutex_);
    for (unsigned line = 0; line < kCommandLineCount; ++line) {
        if (lines_[line] == DEFAULT_CMD_LINES[line]) {
            continue;
        }
        rapidjson::Value name(LineMember(line).c_str(), allocator);
        rapidjson::Value text(lines_[line].c_str(), static_cast<rapidjson::SizeType>(lines_[line].size()), allocator);
        document.AddMember(name, text, allocator);
    }
    document.AddMember(rapidjson::StringRef(kInterfaceMember), static_cast<unsigned>(interface_.load()), allocator);
}
