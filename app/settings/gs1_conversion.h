#pragma once
// How GS1 data is rewritten for output: the "X/1" ... "X/Z" commands, the
// settings' JSON section "gs1conversion", and after every change the
// data-editing program 5 that carries them out.

#include "app/settings/parameter_object.h"
#include "config/configuration.h"
#include "format/data_edit/gs1_conversion_program.h"

#include <cstdint>
#include <string>
#include <vector>

class GS1Conversion final : public ParameterObject {
public:
    // SetParameter results besides kParameterTaken.
    static constexpr int kParameterRefused = 64;
    static constexpr int kSeparatorFull = 65;
    static constexpr int kSeparatorTooLarge = 66;
    static constexpr int kNoParameters = -1;

    static GS1Conversion& getInstance();

    bool Deserialize(rapidjson::Value const& value) override;
    bool Deserialize(rapidjson::Document const& document) override;
    void Serialize(rapidjson::Document& document) const override;
    int SetParameter(unsigned code, char const* text, unsigned length, ivra_configuration::InputStream& in,
                     ivra_configuration::OutputStream& out) override;
    int ExecuteCommand(unsigned code, std::vector<char> params, ivra_configuration::InputStream& in,
                       ivra_configuration::OutputStream& out) override;
    void SetDefault() override;
    void UndoCommand() override;

    // Regenerates and installs program 5: 0, or -1 when it cannot be installed.
    int RideZodozConversion();
    std::string ExecuteShowSetting() const;

    bool onChangeGs1ConversionEnable();
    bool onChangeTransferGS128();

    Gs1ConversionValues const& Values() const { return values_; }

private:
    GS1Conversion();
    void SetDecodeModeC128(unsigned char mode);
    int SetSeparatorParameter(Gs1Separator& separator, char const* text, unsigned length);
    int SetAiParameter(char const* text, unsigned length);
    // The values back as given, with the switch bits and program 5 that follow them.
    void Restore(Gs1ConversionValues const& values);

    Gs1ConversionValues values_;
    unsigned aiParameter_ = 0;        // index within an "X/1" group of five
    unsigned separatorParameter_ = 0; // characters taken by a separator command
    // The values before the last command that takes parameters, while UndoCommand may
    // still put them back.
    Gs1ConversionValues beforeCommand_;
    bool undoable_ = false;
    ivra_configuration::DelegateObserver<GS1Conversion> enableObserver_{*this,
                                                                       &GS1Conversion::onChangeGs1ConversionEnable};
    ivra_configuration::DelegateObserver<GS1Conversion> transferObserver_{*this, &GS1Conversion::onChangeTransferGS128};
};

// A parameter in the character notation of the GS1 commands: the character,
// and whether it is a direct key code. False when the text is none of the
// forms; `value` may then exceed 255 for a number too large.
bool ParseGs1Character(char const* text, unsigned length, unsigned& value, bool& key);
