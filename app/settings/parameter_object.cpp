#include "app/settings/parameter_object.h"

#include "app/settings/flash_partition.h"
#include "app/settings/settings_partitions.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <limits>

ParameterObject* ParameterObject::list_[kParameterIdentifierCount] = {};

namespace {

bool ValidIndex(int index) { return index >= 0 && index < kParameterIdentifierCount; }

} // namespace

bool JSONBase::InitDocument(std::string const& text, rapidjson::Document& doc) const
{
    // The reader takes a NUL as the end of the text, which would hide what follows it;
    // JSON text never holds one.
    if (text.find('\0') != std::string::npos) {
        doc.SetNull();
        return false;
    }
    // Empty or blank text and anything after the value fail; so do broken UTF-8 bytes.
    // Iterative, so that deeply nested garbage cannot exhaust the stack.
    doc.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag>(text.data(), text.size());
    return !doc.HasParseError();
}

ParameterObject::ParameterObject() : JSONBase(std::string()) {}

ParameterObject::ParameterObject(std::string name, ParameterIdentifier identifier, MenuCommandItem const* table)
    : JSONBase(std::move(name)), identifier_(identifier), table_(table)
{
    int const index = static_cast<int>(identifier);
    if (ValidIndex(index)) {
        replaced_ = list_[index];
        list_[index] = this;
        registered_ = true;
    }
}

ParameterObject::~ParameterObject()
{
    int const index = static_cast<int>(identifier_);
    if (registered_ && list_[index] == this) {
        list_[index] = replaced_;
    }
}

bool ParameterObject::Deserialize(rapidjson::Value const&) { return false; }
bool ParameterObject::Deserialize(rapidjson::Document const&) { return false; }
void ParameterObject::Serialize(rapidjson::Document&) const {}

int ParameterObject::Parse(unsigned code, std::vector<char> const& params, ivra_configuration::InputStream& in,
                           ivra_configuration::OutputStream& out)
{
    if (table_ == nullptr) {
        return kNotMine;
    }
    MenuCommandItem const* row = table_;
    while (row->code != 0 && row->code != code) {
        ++row;
    }
    if (row->code == 0) {
        return kNotMine;
    }
    int const count = getQCount(params);
    if (count < row->minimum || count > row->maximum) {
        return kNeedParameters;
    }
    // The base ExecuteCommand answers "not mine", as an object without executors must.
    return ExecuteCommand(code, params, in, out);
}

int ParameterObject::SetParameter(unsigned, char const*, unsigned, ivra_configuration::InputStream&,
                                  ivra_configuration::OutputStream&)
{
    return -1;
}

int ParameterObject::ExecuteCommand(unsigned, std::vector<char>, ivra_configuration::InputStream&,
                                    ivra_configuration::OutputStream&)
{
    return kNotMine;
}

void ParameterObject::SetDefault() {}

void ParameterObject::UndoCommand() {}

int ParameterObject::ParseAll(unsigned code, std::vector<char> const& params, ivra_configuration::InputStream& in,
                              ivra_configuration::OutputStream& out, int& index)
{
    int result = kNotMine;
    for (int i = 0; i < kParameterIdentifierCount; ++i) {
        if (list_[i] == nullptr) {
            continue;
        }
        result = list_[i]->Parse(code, params, in, out);
        if (result == kNeedParameters || result == kDone || result == kDoneTakesParameters) {
            index = i;
            return result;
        }
    }
    return result;
}

int ParameterObject::SetParameterAll(int index, unsigned code, char const* text, unsigned length,
                                     ivra_configuration::InputStream& in, ivra_configuration::OutputStream& out)
{
    if (!ValidIndex(index) || list_[index] == nullptr) {
        return -1;
    }
    return list_[index]->SetParameter(code, text, length, in, out);
}

void ParameterObject::SetDefaults()
{
    for (ParameterObject* object : list_) {
        if (object != nullptr) {
            object->SetDefault();
        }
    }
}

void ParameterObject::UndoCommandOf(int index)
{
    if (ValidIndex(index) && list_[index] != nullptr) {
        list_[index]->UndoCommand();
    }
}

int ParameterObject::getQCount(std::vector<char> const& params) { return static_cast<int>(params.size() / 2); }

int ParameterObject::getQValue(std::vector<char> const& params, int digits)
{
    int value = 0;
    int taken = 0;
    for (char c : params) {
        if (taken >= digits) {
            break;
        }
        if (c == 'Q') {
            continue;
        }
        if (value > (std::numeric_limits<int>::max() - 9) / 10) {
            break; // more digits than an int holds
        }
        value = value * 10 + (c - '0');
        ++taken;
    }
    return value;
}

ParameterObject* ParameterObject::registered(ParameterIdentifier identifier)
{
    int const index = static_cast<int>(identifier);
    return ValidIndex(index) ? list_[index] : nullptr;
}

bool ParameterObject::SerializeToString(std::string& out)
{
    out.clear();
    rapidjson::Document document;
    document.SetObject();
    auto& allocator = document.GetAllocator();
    for (ParameterObject const* object : list_) {
        if (object == nullptr) {
            continue;
        }
        rapidjson::Document section(&allocator);
        object->Serialize(section);
        if (!section.IsObject() || section.MemberCount() == 0) {
            continue;
        }
        rapidjson::Value name(object->name().c_str(), allocator);
        document.AddMember(name, static_cast<rapidjson::Value&>(section), allocator);
    }
    if (document.MemberCount() == 0) {
        return true;
    }
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    document.Accept(writer);
    out.assign(buffer.GetString(), buffer.GetSize());
    return true;
}

bool ParameterObject::DeserializeFromString(std::string const& text)
{
    JSONBase const* parser = nullptr;
    for (ParameterObject const* object : list_) {
        if (object != nullptr) {
            parser = object;
            break;
        }
    }
    if (parser == nullptr) {
        return false;
    }
    rapidjson::Document document;
    if (!parser->InitDocument(text, document)) {
        return false;
    }
    for (ParameterObject* object : list_) {
        if (object != nullptr) {
            object->Deserialize(document); // each object decides about its own section
        }
    }
    return true;
}

bool ParameterObject::SerializeToRawPartition()
{
    // Without the banks' generation the copy in use is unknown, and might be erased.
    std::uint32_t banks = 0;
    return StoredBanksGeneration(banks) && SerializeToRawPartition(banks, banks);
}

bool ParameterObject::SerializeToRawPartition(std::uint32_t link, std::uint32_t linkedUpTo)
{
    std::string text;
    if (!SerializeToString(text)) {
        return false;
    }
    std::string stored;
    if (ReadPartitionText(RAW_READ_PARTITION, stored, linkedUpTo) != PartitionRead::Unreadable && stored == text) {
        return true; // unchanged: spare the erase cycle
    }
    return WritePartitionText(RAW_WRITE_PARTITION, RAW_READ_PARTITION, text, link, linkedUpTo);
}

bool ParameterObject::DeserializeFromRawPartition()
{
    std::uint32_t banks = 0;
    std::string text;
    if (!StoredBanksGeneration(banks) || ReadPartitionText(RAW_READ_PARTITION, text, banks) != PartitionRead::Text) {
        return false;
    }
    return DeserializeFromString(text);
}
