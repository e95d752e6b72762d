// Output units of a label: cells to byte and code-point runs, ECI escapes cut
// out of the byte runs, and the keyboard's code points through iconv.

#include <cstddef>
#include <regex>
#include <utility>

#include "config/configuration.h"
#include "format/code_point_conversion.h"
#include "format/formatter.h"

using ivra_configuration::Root;

namespace {

constexpr std::uint32_t kPauseKind = 0xE001;   // bits 8-31 of a pause cell
constexpr std::uint32_t kCodePointKind = 0xE003; // bits 16-31 of a code-point cell

// (offset, length) of every ECI escape, a backslash and six digits, in order.
std::vector<std::pair<std::size_t, std::size_t>> FindEscapes(const char* data, std::size_t length)
{
    std::vector<std::pair<std::size_t, std::size_t>> found;
    if (data == nullptr || length == 0)
        return found;
    const std::regex escape(R"(\\\d{6})", std::regex::ECMAScript);
    for (std::cregex_iterator it(data, data + length, escape), end; it != end; ++it)
        found.emplace_back(static_cast<std::size_t>(it->position()), static_cast<std::size_t>(it->length()));
    return found;
}

OutputBufferData ByteUnit(std::vector<unsigned char>::const_iterator first,
                          std::vector<unsigned char>::const_iterator last, std::uint32_t type)
{
    OutputBufferData unit;
    unit.type = type;
    unit.bytes.assign(first, last);
    return unit;
}

// Replaces each byte unit that holds escapes by its pieces: text, escape, text...
void SplitAtEscapes(std::vector<OutputBufferData>& units)
{
    std::vector<OutputBufferData> split;
    split.reserve(units.size());
    for (OutputBufferData& unit : units) {
        if (unit.type != OutputBufferData::ByteText) {
            split.push_back(std::move(unit));
            continue;
        }
        const auto escapes = FindEscapes(reinterpret_cast<const char*>(unit.bytes.data()), unit.bytes.size());
        if (escapes.empty()) {
            split.push_back(std::move(unit));
            continue;
        }
        const auto begin = unit.bytes.cbegin();
        std::size_t done = 0;
        for (const auto& [offset, length] : escapes) {
            if (offset > done)
                split.push_back(ByteUnit(begin + static_cast<std::ptrdiff_t>(done), begin + static_cast<std::ptrdiff_t>(offset),
                                         OutputBufferData::ByteText));
            split.push_back(ByteUnit(begin + static_cast<std::ptrdiff_t>(offset), begin + static_cast<std::ptrdiff_t>(offset + length),
                                     OutputBufferData::EciMarker));
            done = offset + length;
        }
        if (done < unit.bytes.size())
            split.push_back(ByteUnit(begin + static_cast<std::ptrdiff_t>(done), unit.bytes.cend(), OutputBufferData::ByteText));
    }
    units = std::move(split);
}

unsigned CclSource() { return static_cast<unsigned>(Root().character_conversion.ccl_source.Value()); }

} // namespace

void Formatter::SearchECIPatterns(const char* data, unsigned length)
{
    if (!CanHaveEciSupport())
        return;
    for (const auto& [offset, n] : FindEscapes(data, length))
        eciList_.emplace_back(static_cast<unsigned>(offset), std::string(data + offset, n));
}

void Formatter::DecodeDataByteToOutputBuffer(const DecodeDataByte* cells, unsigned count,
                                             std::vector<OutputBufferData>& out)
{
    OutputBufferData bytes{OutputBufferData::ByteText, {}, {}};
    OutputBufferData codePoints{OutputBufferData::CodePoints, {}, {}};
    auto closeBytes = [&] {
        if (!bytes.bytes.empty())
            out.push_back(std::exchange(bytes, OutputBufferData{OutputBufferData::ByteText, {}, {}}));
    };
    auto closeCodePoints = [&] {
        if (!codePoints.values.empty())
            out.push_back(std::exchange(codePoints, OutputBufferData{OutputBufferData::CodePoints, {}, {}}));
    };
    for (unsigned i = 0; cells != nullptr && i < count; ++i) {
        const std::uint32_t value = cells[i].GetValue();
        if ((value >> 8) == 0) {
            closeCodePoints();
            bytes.bytes.push_back(static_cast<unsigned char>(value));
            continue;
        }
        closeBytes();
        if ((value >> 8) == kPauseKind) {
            closeCodePoints();
            out.push_back(OutputBufferData{OutputBufferData::Pause, {}, {value & 0xFF}});
        } else if ((value >> 16) == kCodePointKind) {
            codePoints.values.push_back(value & 0xFFFF);
        }
        // FNC1, keys and the other items have no output of their own.
    }
    closeBytes();
    closeCodePoints();
}

int Formatter::FormatOutputBuffer(std::vector<OutputBufferData>& units, int& count)
{
    count = 0;
    const SettingsScope settings(*this);
    if (CanHaveEciSupport())
        SplitAtEscapes(units);

    const bool keyboard = outlets_.IsUsbKeyboard();
    if (keyboard) {
        std::string escape;
        for (OutputBufferData& unit : units) {
            if (unit.type == OutputBufferData::EciMarker) {
                escape.assign(unit.bytes.begin(), unit.bytes.end());
            } else if (unit.type == OutputBufferData::ByteText) {
                // Text cut inside a character, text of which the code page
                // has nothing, or a code page without a converter: the
                // keyboard would not type it, so the label is refused rather
                // than signalled as read.
                std::vector<unsigned int> values;
                if (!ConvertToCodePoints(escape, unit.bytes, values) || (values.empty() && !unit.bytes.empty()))
                    return 0;
                unit.type = OutputBufferData::CodePoints;
                unit.bytes.clear();
                unit.values = std::move(values);
            }
        }
    }

    // Escape texts reach the host only on a serial interface that is told to keep them.
    const bool keepEscapes = !keyboard && !settings->ignoreEci;
    if (!keepEscapes)
        std::erase_if(units, [](const OutputBufferData& u) { return u.type == OutputBufferData::EciMarker; });

    for (const OutputBufferData& unit : units) {
        switch (unit.type) {
        case OutputBufferData::ByteText:
        case OutputBufferData::EciMarker: count += static_cast<int>(unit.bytes.size()); break;
        case OutputBufferData::CodePoints:
            if (keyboard)
                count += static_cast<int>(unit.values.size());
            break;
        default: break;
        }
    }
    return 1;
}

int Formatter::ConvertToCodePoints(std::string eci, const std::vector<unsigned char>& bytes,
                                   std::vector<unsigned int>& out)
{
    const SettingsScope settings(*this);
    return ivra::ConvertToCodePoints(eci, settings->cclSource, bytes, out);
}

bool Formatter::BuildOutputBufferBasedOnInterface(const unsigned char* text, int length,
                                                  std::vector<OutputBufferData>& out, unsigned char interface)
{
    return BuildOutputBufferBasedOnInterface(text, length, out, interface, CclSource());
}

bool Formatter::BuildOutputBufferBasedOnInterface(const unsigned char* text, int length,
                                                  std::vector<OutputBufferData>& out, unsigned char interface,
                                                  unsigned cclSource)
{
    if (text != nullptr && length > 0)
        out.push_back(OutputBufferData{OutputBufferData::ByteText, std::vector<unsigned char>(text, text + length), {}});
    if (interface == FormatterOutlets::kUsbKeyboard) {
        for (OutputBufferData& unit : out) {
            if (unit.type != OutputBufferData::ByteText)
                continue;
            std::vector<unsigned int> values;
            if (ivra::ConvertToCodePoints("", cclSource, unit.bytes, values)) {
                unit.type = OutputBufferData::CodePoints;
                unit.bytes.clear();
                unit.values = std::move(values);
            }
        }
    }
    return !out.empty();
}
