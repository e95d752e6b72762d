#include "app/factory_settings_hook.h"

#include <string>

std::array<char const*, FactorySettings::kCommandLineCount> const FactorySettings::DEFAULT_CMD_LINES{
    "GCW7*4[BAW", "", "", "RZ7I[DLF", ""};

namespace {

constexpr char const* kSection = "factorysettings";
constexpr char const* kInterfaceMember = "interface";

std::string LineMember(unsigned line) { return "cmd_line_" + std::to_string(line); }

bool KnownInterface(unsigned value)
{
    return value == FactorySettings::kInterfaceUart || value == FactorySettings::kInterfaceUsbSerial ||
           value == FactorySettings::kInterfaceUsbKeyboard;
}

} // namespace

FactorySettings& FactorySettings::getInstance()
{
    static FactorySettings instance;
    return instance;
}

FactorySettings::FactorySettings() : ParameterObject(kSection, ParameterIdentifier::FactorySettings, nullptr)
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

bool FactorySettings::LoadModelConfig() { return false; }

void FactorySettings::ConnectSetToDefault(std::function<void()> const& slot) { setToDefault_.connect(slot); }

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
