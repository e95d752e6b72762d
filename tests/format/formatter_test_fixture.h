#pragma once
// The formatter with recording outlets, the process-wide store back at its
// factory defaults, and labels built the way the decoder hands them over.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "config/configuration.h"
#include "decoder/core/identifiers/common_symbology_identifier.h"
#include "format/codabar_symbol.h"
#include "format/formatter.h"

namespace formatter_test {

using Units = std::vector<OutputBufferData>;

inline OutputBufferData Bytes(const std::string& text)
{
    return OutputBufferData{OutputBufferData::ByteText, std::vector<unsigned char>(text.begin(), text.end()), {}};
}
inline OutputBufferData Eci(const std::string& text)
{
    return OutputBufferData{OutputBufferData::EciMarker, std::vector<unsigned char>(text.begin(), text.end()), {}};
}
inline OutputBufferData CodePoints(std::vector<unsigned int> values)
{
    return OutputBufferData{OutputBufferData::CodePoints, {}, std::move(values)};
}
// The code points of ASCII text.
inline OutputBufferData Typed(const std::string& text)
{
    std::vector<unsigned int> values;
    for (unsigned char c : text)
        values.push_back(c);
    return CodePoints(values);
}
inline OutputBufferData GoodRead() { return OutputBufferData{OutputBufferData::GoodRead, {}, {0}}; }

inline std::string Describe(const OutputBufferData& u)
{
    std::string text = "[" + std::to_string(u.type) + ":";
    char hex[16];
    for (unsigned char b : u.bytes) {
        std::snprintf(hex, sizeof hex, "\\x%02X", b);
        text += (b >= 0x20 && b < 0x7F) ? std::string(1, static_cast<char>(b)) : std::string(hex);
    }
    for (unsigned v : u.values) {
        std::snprintf(hex, sizeof hex, " U+%04X", v);
        text += hex;
    }
    return text + "]";
}

inline std::string Describe(const Units& units)
{
    std::string text;
    for (const OutputBufferData& u : units)
        text += Describe(u);
    return text;
}

// Everything the formatter hands to the application.
struct Recorder {
    Units pushed;
    std::vector<std::pair<unsigned, unsigned>> leds;
    std::vector<std::pair<unsigned, unsigned>> beeps;
    unsigned char interface = FormatterOutlets::kUart;

    FormatterOutlets Outlets()
    {
        FormatterOutlets o;
        o.pushOutput = [this](const OutputBufferData& u) { pushed.push_back(u); };
        o.hostInterface = [this] { return interface; };
        o.indicate = [this](unsigned bits, unsigned ms) { leds.emplace_back(bits, ms); };
        o.playBuzzer = [this](unsigned type, unsigned volume) { beeps.emplace_back(type, volume); };
        return o;
    }
    void Clear()
    {
        pushed.clear();
        leds.clear();
        beeps.clear();
    }
};

class FormatterTest : public ::testing::Test {
protected:
    Formatter& formatter = Formatter::getInstance();
    Recorder host;
    std::int64_t clock = 1'000'000'000'000;

    void SetUp() override
    {
        ASSERT_TRUE(ivra_configuration::SetDefault());
        formatter.SetOutlets(host.Outlets());
        formatter.SetDataEditPrograms(nullptr);
        formatter.SetClock([this] { return clock; });
        formatter.StopFormatter();
    }
    void TearDown() override
    {
        formatter.SetOutlets(FormatterOutlets{});
        formatter.SetClock(nullptr);
        formatter.SetDataEditPrograms(nullptr);
        formatter.StopFormatter();
        ivra_configuration::SetDefault();
    }

    // A "set" text command through the evaluator, as the host sends it.
    static void Set(const std::string& pathAndValue)
    {
        const std::string line = "\x1bset " + pathAndValue + "\r";
        ivra_configuration::MemoryInputStream in(line);
        ivra_configuration::StringOutputStream out;
        ivra_configuration::Evaluate(in, out);
        ASSERT_EQ(out.Text(), std::string(1, '\x06')) << pathAndValue;
    }

    // One label through the road the read cycle takes; FormatData's result.
    int Read(const DEC2DIvra::SymbologyIdentifier& decoderIdentifier, const std::string& data)
    {
        const DEC2DIvra::CommonSymbologyIdentifier identifier(decoderIdentifier);
        const tagDEC2D_REGION region{10, 20, 110, 20, 110, 60, 10, 60};
        const tagStructuredAppend sa{};
        formatter.SetDecodeResult(&identifier, data.data(), static_cast<unsigned>(data.size()), &region, &sa, 0);
        formatter.SearchECIPatterns(data.data(), static_cast<unsigned>(data.size()));
        return formatter.FormatData();
    }
};

} // namespace formatter_test

inline void PrintTo(const OutputBufferData& unit, std::ostream* os) { *os << formatter_test::Describe(unit); }
