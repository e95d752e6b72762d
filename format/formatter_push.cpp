// The output of one label onto the host queue, in order: good-read unit when
// timed before, common prefix, symbology prefix, data, symbology suffix,
// common suffix, good-read unit when timed after.

#include <cstdio>
#include <cstring>
#include <string>

#include "format/formatter.h"

namespace {

template <unsigned N>
std::vector<unsigned char> LowBytes(const ivra_configuration::string_t<N>& text)
{
    std::vector<unsigned char> bytes;
    for (std::uint32_t unit : text)
        bytes.push_back(static_cast<unsigned char>(unit));
    return bytes;
}

OutputBufferData GoodReadUnit()
{
    OutputBufferData unit;
    unit.type = OutputBufferData::GoodRead;
    unit.values.push_back(0);
    return unit;
}

// The prefix and suffix codes that stand for values of the label.
constexpr unsigned char kSixDigitLength = 171;
constexpr unsigned char kAimIdentifier = 173;
constexpr unsigned char kLength = 174;
constexpr unsigned char kMakerCode = 175;

std::string Decimal(const char* format, int value)
{
    char text[16];
    const int n = std::snprintf(text, sizeof text, format, value);
    return n > 0 && static_cast<unsigned>(n) < sizeof text ? std::string(text, static_cast<unsigned>(n)) : std::string();
}

} // namespace

void Formatter::PushAll(const std::vector<OutputBufferData>& units) const
{
    for (const OutputBufferData& unit : units)
        outlets_.Push(unit);
}

int Formatter::FormatAndPushToOutputinterface(std::vector<OutputBufferData>& units, unsigned program,
                                              bool signalledNg)
{
    const SettingsScope settings(*this);
    int count = 0;
    if (!FormatOutputBuffer(units, count))
        return kFormatRefused;
    if (count < 1)
        return 0;

    outlets_.Indicate(signalledNg ? kErrorLed : kGoodReadLed, settings->goodReadLedMs);
    outlets_.Indicate(kErrorLedBlink, 0);
    if (signalledNg)
        outlets_.PlayBuzzer(kErrorBuzzerType, kErrorBuzzerVolume);

    using Timing = FormatterSettings::Timing;
    const bool goodReadBeep = !signalledNg && settings->goodReadBeep;
    const Timing timing = settings->timing;
    if (goodReadBeep && timing == Timing::BEFORE)
        outlets_.Push(GoodReadUnit());

    const bool symbologyAffixes = program == 0 || (program == DataEditPrograms::kGs1Program &&
                                                   programs_->Gs1OutputMode() != 0);
    const PrefixSuffixText affixes =
        symbologyAffixes ? SymbologyPrefixSuffix(*settings) : PrefixSuffixText{};

    std::vector<OutputBufferData> built;
    const auto& commonPrefix = settings->commonPrefix;
    if (commonPrefix.size() > 0 && BuildPrefixSuffix(LowBytes(commonPrefix), count, built))
        PushAll(built);
    if (affixes.found && BuildPrefixSuffix(affixes.prefix, count, built))
        PushAll(built);
    PushAll(units);
    if (affixes.found && BuildPrefixSuffix(affixes.suffix, count, built))
        PushAll(built);
    const auto& commonSuffix = settings->commonSuffix;
    if (commonSuffix.size() > 0 && BuildPrefixSuffix(LowBytes(commonSuffix), count, built))
        PushAll(built);

    if (goodReadBeep && timing == Timing::AFTER)
        outlets_.Push(GoodReadUnit());
    return 1;
}

bool Formatter::BuildPrefixSuffix(std::vector<unsigned char> text, int count, std::vector<OutputBufferData>& out)
{
    out.clear();
    const bool keyboard = outlets_.IsUsbKeyboard();
    for (unsigned char byte : text) {
        if (HandleSpecial(byte, count, out))
            continue;
        OutputBufferData unit;
        if (byte < 0x80) {
            // The keyboard types text from code points; a serial port takes the byte.
            if (keyboard) {
                unit.type = OutputBufferData::CodePoints;
                unit.values.push_back(byte);
            } else {
                unit.type = OutputBufferData::ByteText;
                unit.bytes.push_back(byte);
            }
            out.push_back(std::move(unit));
            continue;
        }
        const auto key = mapDirectToCodepoint.find(byte);
        if (key == mapDirectToCodepoint.end())
            continue;
        unit.type = OutputBufferData::CodePoints;
        unit.values.push_back(key->second);
        out.push_back(std::move(unit));
    }
    return !out.empty();
}

int Formatter::HandleSpecial(unsigned char code, int count, std::vector<OutputBufferData>& out)
{
    std::string text;
    switch (code) {
    case kSixDigitLength: text = Decimal("%06d", count); break;
    case kAimIdentifier: text = std::string(record_.aimIdentifier, strnlen(record_.aimIdentifier, 4)); break;
    case kLength: text = Decimal(Is2DCode(record_.symbologyIdentifier) ? "%06d" : "%02d", count); break;
    case kMakerCode:
        // A label without a maker code puts nothing here rather than a NUL.
        if (record_.ivraIdentifier != 0)
            text.assign(1, record_.ivraIdentifier);
        break;
    default: return 0;
    }
    if (text.empty())
        return 1;
    OutputBufferData unit;
    if (outlets_.IsUsbKeyboard()) {
        unit.type = OutputBufferData::CodePoints;
        for (char c : text)
            unit.values.push_back(static_cast<unsigned char>(c));
    } else {
        unit.type = OutputBufferData::ByteText;
        unit.bytes.assign(text.begin(), text.end());
    }
    out.push_back(std::move(unit));
    return 1;
}
