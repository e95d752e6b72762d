#pragma once
// Per-symbology output options the decoder does not apply itself. Each
// symbology with such options has one global object, registered under the
// formatter's identifiers it serves.

#include "config/property_handle.h"
#include "config/value_types.h"
#include "format/decode_data_byte.h"
#include "format/formatter_decode_data.h"

// The settings a symbology's options read; any of them may be missing.
struct SymbologyHandles {
    const ivra_configuration::ValueHandle<bool>* enable = nullptr;
    const ivra_configuration::ValueHandle<ivra_configuration::string_t<4>>* prefix = nullptr;
    const ivra_configuration::ValueHandle<ivra_configuration::string_t<4>>* suffix = nullptr;
    const ivra_configuration::ValueHandle<ivra_configuration::FixedLength>* length = nullptr;
};

class Symbology {
public:
    static constexpr unsigned kRegistrySize = 99;
    static constexpr unsigned kAffixUnits = 4;
    static constexpr unsigned char kNoByte = 255;

    virtual bool GetEnable() const;
    // Four cells or bytes: one per code unit of the text, kNoByte for the rest.
    virtual void GetPrefixCharacter(DecodeDataByte* cells) const;
    virtual void GetSuffixCharacter(DecodeDataByte* cells) const;
    virtual void GetPrefixCharacter(unsigned char* bytes) const;
    virtual void GetSuffixCharacter(unsigned char* bytes) const;
    virtual unsigned GetMinLength() const;
    // 0 when there is no maximum.
    virtual unsigned GetMaxLength() const;
    // 65535 past the listed lengths.
    virtual unsigned GetFixedLength(unsigned index) const;
    virtual ~Symbology() = default;
    // The same with a leading mode that these symbologies do not use.
    virtual void GetPrefixCharacter(unsigned mode, DecodeDataByte* cells) const;
    virtual void GetSuffixCharacter(unsigned mode, DecodeDataByte* cells) const;
    virtual void GetPrefixCharacter(unsigned mode, unsigned char* bytes) const;
    virtual void GetSuffixCharacter(unsigned mode, unsigned char* bytes) const;
    // Short command texts of the symbology's options; none in the base.
    virtual void GetOptionCode1(char (&text)[4]) const;
    virtual void GetOptionCode2(char (&text)[4]) const;
    virtual void GetOptionCode3(char (&text)[4]) const;
    virtual void ExecuteEffectOfCodeOption(FormatterDecodeData* record, unsigned mode);
    virtual bool IsEnabled() const;
    virtual void Refresh();

    void AddSymbol(SymbologyIdentifier id);
    // The object registered under `id`; nullptr when none.
    static Symbology* GetSymbology(SymbologyIdentifier id);

protected:
    // `handles` is called on first use, once the settings store exists.
    using HandlesSource = const SymbologyHandles& (*)();
    explicit Symbology(HandlesSource handles) : handles_(handles) {}
    Symbology(const Symbology&) = delete;
    Symbology& operator=(const Symbology&) = delete;

    const SymbologyHandles& Handles() const;

private:
    HandlesSource handles_;

    static Symbology* symbol[kRegistrySize];
};
