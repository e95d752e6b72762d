// The Telepen windows over hand-made lines: the start (or, met from the
// symbol's end, the stop), then one character after another, each measured
// by the module width of the one before; characters of only six runs, all
// of them wide, among them.

#include <gtest/gtest.h>

#include <vector>

#include "decoder/linear/telepen_korean_postal/telepen_decoder.h"
#include "decoder/linear/telepen_korean_postal/telepen_partial_scan_data.h"
#include "tests/decoder/linear/line/scan_run_list.h"

namespace telepen_window_test {
namespace {

using DEC2DIvra::BarSymbol;
using DEC2DIvra::TelepenDecoder;
using DEC2DIvra::TelepenPartialScanData;
using scan_test::Run;
using scan_test::RunList;

constexpr int kModule = 4;

// The elements (modules each, bar first) of a character: the narrow/wide
// pattern of 16 modules whose bits give the code with even parity.
std::vector<int> Elements(unsigned code)
{
    for (unsigned count = 6; count <= 16; count += 2) {
        for (unsigned pattern = 0; pattern < (1u << count); ++pattern) {
            unsigned modules = 0;
            for (unsigned k = 0; k < count; ++k) {
                modules += (pattern >> k & 1u) != 0 ? 3 : 1;
            }
            unsigned read = 0;
            if (modules == 16 && TelepenPartialScanData::PatternToTelepen(count, pattern, read) && read == code) {
                std::vector<int> elements;
                for (unsigned k = 0; k < count; ++k) {
                    elements.push_back((pattern >> k & 1u) != 0 ? 3 : 1);
                }
                return elements;
            }
        }
    }
    return {};
}

// Start, data, check character and stop between quiet zones; the stop's
// last space is the quiet zone.
RunList Symbol(std::vector<unsigned> const& data)
{
    unsigned sum = 0;
    std::vector<unsigned> codes{static_cast<unsigned>(TelepenDecoder::kStart)};
    for (unsigned c : data) {
        codes.push_back(c);
        sum += c;
    }
    codes.push_back((127 - sum % 127) % 127);
    codes.push_back(static_cast<unsigned>(TelepenDecoder::kStop));
    std::vector<Run> runs{{'L', 900, 20 * kModule}};
    for (unsigned c : codes) {
        std::vector<int> const elements = Elements(c);
        EXPECT_FALSE(elements.empty()) << c;
        for (unsigned k = 0; k < elements.size(); ++k) {
            runs.push_back({k % 2 == 0 ? 'D' : 'L', k % 2 == 0 ? 100 : 900, elements[k] * kModule});
        }
    }
    runs.back().width = 20 * kModule;
    return RunList(runs);
}

// The codes the windows read walking the line from its first bar.
std::vector<unsigned> ReadCodes(RunList const& line)
{
    std::vector<unsigned> codes;
    TelepenPartialScanData window;
    BarSymbol symbol;
    unsigned runs = 0;
    unsigned module = 0;
    if (!window.SetLength(TelepenPartialScanData::kStartRuns) || !window.Set(line.At(1)) ||
        !window.CalcStartBarSymbol(symbol, runs, module)) {
        return codes;
    }
    bool const reversed = symbol.value == TelepenDecoder::kStop;
    codes.push_back(static_cast<unsigned>(symbol.value));
    int next = 1 + static_cast<int>(runs);
    while (next + 5 < static_cast<int>(line.runs.size())) {
        unsigned const left = static_cast<unsigned>(line.runs.size()) - static_cast<unsigned>(next);
        if (!window.SetLength(left < 16 ? left : 16) || !window.Set(line.At(next)) ||
            !window.CalcBarSymbol(reversed, symbol, runs, module)) {
            break;
        }
        codes.push_back(static_cast<unsigned>(symbol.value));
        next += static_cast<int>(runs);
    }
    return codes;
}

TEST(TelepenWindowTest, CharactersAlongTheLineAndFromTheEnd)
{
    // 'H' is three wide bars with a narrow and two wide spaces: six runs,
    // every bar wide.
    for (std::vector<unsigned> const& data :
         std::vector<std::vector<unsigned>>{{'H'}, {'H', 'E', 'L', 'L', 'O'}, {'z', '_', 127, 0}, {'1', '2', '3'}}) {
        RunList const line = Symbol(data);
        std::vector<unsigned> expected{static_cast<unsigned>(TelepenDecoder::kStart)};
        unsigned sum = 0;
        for (unsigned c : data) {
            expected.push_back(c);
            sum += c;
        }
        expected.push_back((127 - sum % 127) % 127);
        expected.push_back(static_cast<unsigned>(TelepenDecoder::kStop));
        EXPECT_EQ(ReadCodes(line), expected);
        // From the far end: the stop first, each character mirrored.
        std::vector<unsigned> const backward(expected.rbegin(), expected.rend());
        EXPECT_EQ(ReadCodes(line.Mirror()), backward);
    }
}

}  // namespace
}  // namespace telepen_window_test
