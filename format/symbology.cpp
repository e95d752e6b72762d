#include "format/symbology.h"

using ivra_configuration::FixedLength;
using ivra_configuration::string_t;

// Zero before any constructor runs, so registration does not depend on the
// order of static initialisation.
Symbology* Symbology::symbol[Symbology::kRegistrySize] = {};

namespace {

void FillCells(const ivra_configuration::ValueHandle<string_t<4>>* handle, DecodeDataByte* cells)
{
    unsigned i = 0;
    if (handle != nullptr) {
        const string_t<4>& text = handle->Value();
        for (; i < text.size(); ++i)
            cells[i].SetSingleChar(static_cast<unsigned char>(text[i]));
    }
    for (; i < Symbology::kAffixUnits; ++i)
        cells[i].SetSingleChar(Symbology::kNoByte);
}

void FillBytes(const ivra_configuration::ValueHandle<string_t<4>>* handle, unsigned char* bytes)
{
    unsigned i = 0;
    if (handle != nullptr) {
        const string_t<4>& text = handle->Value();
        for (; i < text.size(); ++i)
            bytes[i] = static_cast<unsigned char>(text[i]);
    }
    for (; i < Symbology::kAffixUnits; ++i)
        bytes[i] = Symbology::kNoByte;
}

} // namespace

const SymbologyHandles& Symbology::Handles() const
{
    static const SymbologyHandles none;
    return handles_ != nullptr ? handles_() : none;
}

bool Symbology::GetEnable() const
{
    const auto* enable = Handles().enable;
    return enable != nullptr && enable->Value();
}

void Symbology::GetPrefixCharacter(DecodeDataByte* cells) const { FillCells(Handles().prefix, cells); }
void Symbology::GetSuffixCharacter(DecodeDataByte* cells) const { FillCells(Handles().suffix, cells); }
void Symbology::GetPrefixCharacter(unsigned char* bytes) const { FillBytes(Handles().prefix, bytes); }
void Symbology::GetSuffixCharacter(unsigned char* bytes) const { FillBytes(Handles().suffix, bytes); }

unsigned Symbology::GetMinLength() const
{
    const auto* length = Handles().length;
    return length != nullptr ? length->Value().minimum : 0;
}

unsigned Symbology::GetMaxLength() const
{
    const auto* length = Handles().length;
    if (length == nullptr || length->Value().maximum == FixedLength::kNoMaximum)
        return 0;
    return length->Value().maximum;
}

unsigned Symbology::GetFixedLength(unsigned index) const
{
    const auto* length = Handles().length;
    if (length == nullptr)
        return 65535;
    const FixedLength& value = length->Value();
    const unsigned count = value.count < FixedLength::Capacity ? value.count : FixedLength::Capacity;
    return index < count ? value.lengths[index] : 65535;
}

void Symbology::GetPrefixCharacter(unsigned, DecodeDataByte* cells) const { GetPrefixCharacter(cells); }
void Symbology::GetSuffixCharacter(unsigned, DecodeDataByte* cells) const { GetSuffixCharacter(cells); }
void Symbology::GetPrefixCharacter(unsigned, unsigned char* bytes) const { GetPrefixCharacter(bytes); }
void Symbology::GetSuffixCharacter(unsigned, unsigned char* bytes) const { GetSuffixCharacter(bytes); }

void Symbology::GetOptionCode1(char (&)[4]) const {}
void Symbology::GetOptionCode2(char (&)[4]) const {}
void Symbology::GetOptionCode3(char (&)[4]) const {}

void Symbology::ExecuteEffectOfCodeOption(FormatterDecodeData*, unsigned) {}

bool Symbology::IsEnabled() const { return GetEnable(); }

void Symbology::Refresh() {}

void Symbology::AddSymbol(SymbologyIdentifier id)
{
    if (id < kRegistrySize)
        symbol[id] = this;
}

Symbology* Symbology::GetSymbology(SymbologyIdentifier id)
{
    return id < kRegistrySize ? symbol[id] : nullptr;
}
