#include "decoder/linear/code39_code93_code11/code93_decoder.h"

#include "decoder/core/identifiers/code93_code11_identifiers.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/code39_code93_code11/code39_table.h"
#include "decoder/linear/code39_code93_code11/character_start.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"

namespace DEC2DIvra {

namespace {

// The modules of the 48 characters, a bar module 1 (the key inverts them).
constexpr unsigned short kPatterns[48] = {
    0x114, 0x148, 0x144, 0x142, 0x128, 0x124, 0x122, 0x150, 0x112, 0x10A,  // 0-9
    0x1A8, 0x1A4, 0x1A2, 0x194, 0x192, 0x18A, 0x168, 0x164, 0x162, 0x134,  // A-J
    0x11A, 0x158, 0x14C, 0x146, 0x12C, 0x116, 0x1B4, 0x1B2, 0x1AC, 0x1A6,  // K-T
    0x196, 0x19A, 0x16C, 0x166, 0x136, 0x13A,                              // U-Z
    0x12E, 0x1D4, 0x1D2, 0x1CA, 0x16E, 0x176, 0x1AE,                       // - . space $ / + %
    0x126, 0x1DA, 0x1D6, 0x132,                                            // ($) (%) (/) (+)
    0x15E,                                                                 // start/stop
};
constexpr char kCharacters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
constexpr char kShifts[] = "$%/+";
constexpr unsigned kShiftFirst = 43;
constexpr unsigned kStartStop = 47;

struct KeyTable {
    unsigned char value[512] = {};
};

constexpr KeyTable MakeKeyTable()
{
    KeyTable table{};
    for (unsigned char& v : table.value) {
        v = 255;
    }
    for (unsigned v = 0; v < 48; ++v) {
        table.value[~kPatterns[v] & 0x1FFu] = static_cast<unsigned char>(v);
    }
    return table;
}

constexpr KeyTable kTable = MakeKeyTable();

// Modules of each run by rounding its share of the nine; the run with the
// largest rounding error gives or takes the difference.
bool ShareModules(int const (&width)[Code93PartialScanData::kRuns], unsigned (&modules)[Code93PartialScanData::kRuns])
{
    long long total = 0;
    for (int w : width) {
        if (w <= 0) {
            return false;
        }
        total += w;
    }
    long long error[Code93PartialScanData::kRuns];
    int sum = 0;
    for (unsigned i = 0; i < Code93PartialScanData::kRuns; ++i) {
        long long const scaled = 9LL * width[i] * 2;  // in half modules of total
        long long m = (scaled / total + 1) / 2;
        m = m < 1 ? 1 : (m > 4 ? 4 : m);
        modules[i] = static_cast<unsigned>(m);
        error[i] = 9LL * width[i] - m * total;  // positive: the run is wider than its modules
        sum += static_cast<int>(m);
    }
    while (sum != 9) {
        int best = -1;
        for (unsigned i = 0; i < Code93PartialScanData::kRuns; ++i) {
            bool const can = sum < 9 ? modules[i] < 4 : modules[i] > 1;
            if (can && (best < 0 || (sum < 9 ? error[i] > error[best] : error[i] < error[best]))) {
                best = static_cast<int>(i);
            }
        }
        if (best < 0) {
            return false;
        }
        int const step = sum < 9 ? 1 : -1;
        modules[best] = static_cast<unsigned>(static_cast<int>(modules[best]) + step);
        error[best] -= step * total;
        sum += step;
    }
    return true;
}

bool KeyOf(int const (&width)[Code93PartialScanData::kRuns], bool reverse, unsigned& key)
{
    unsigned modules[Code93PartialScanData::kRuns];
    if (!ShareModules(width, modules)) {
        return false;
    }
    key = 0;
    for (unsigned p = 0; p < Code93PartialScanData::kRuns; ++p) {
        unsigned const i = reverse ? Code93PartialScanData::kRuns - 1 - p : p;
        for (unsigned m = 0; m < modules[i]; ++m) {
            key = (key << 1) | ((p & 1u) != 0 ? 1u : 0u);
        }
    }
    return Code93Decoder::GetValue(key) != 255;
}

}  // namespace

bool Code93PartialScanData::CalcBarSymbol(bool reverse, unsigned& key) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    // Widths re-measured by contrast first: at small modules a narrow run
    // that blur or the pixel grid keeps from its colour's full level measures
    // wide, and the plain widths then round to another valid character (a
    // "3" read as "N", a "-" as "O") that only the check characters refuse.
    int width[kRuns];
    Code93PartialScanData corrected = *this;
    corrected.Correct();
    for (unsigned i = 0; i < kRuns; ++i) {
        width[i] = corrected[i].end - corrected[i].begin;
    }
    if (KeyOf(width, reverse, key)) {
        return true;
    }
    for (unsigned i = 0; i < kRuns; ++i) {
        width[i] = (*this)[i].end - (*this)[i].begin;
    }
    return KeyOf(width, reverse, key);
}

unsigned Code93Decoder::GetValue(unsigned key) { return key < 512 ? kTable.value[key] : 255u; }

Code93Decoder::Code93Decoder(BarSymbolDecoderContext const& context, bool negative, DEC2DProperty const& property)
    : BarSymbolDecoder(SYMBOLOGY_CODE93, context), negative_(negative), code93_(&property.code93)
{
}

bool Code93Decoder::CheckQuietZone(Code93PartialScanData const& window, bool after) const
{
    long long const width = window.GetSpan();
    long long const zone = GetDecoderDetail().quiet_zone.Get();
    long long const margin = ((10 * width / 9) * zone) / 7;
    return CheckCharacterQuietZone(window, margin, negative_, after, code93_->smart_quiet_zone_check.Get());
}

bool Code93Decoder::ReadFirst(ArrayIterator<ScanElement const> const& start, Code93PartialScanData& window,
                              bool& reverced) const
{
    // Met from its start, the first run is the start character's first bar;
    // met from its stop end, it is the terminating bar, and the stop
    // character (read backwards) begins at the run after it.
    for (int shift = 0; shift < 2; ++shift) {
        ArrayIterator<ScanElement const> first = start;
        if (shift == 1) {
            first.Next();
        }
        Code93PartialScanData work;
        if (!first.IsValid() || !work.Set(first)) {
            continue;
        }
        bool const reverse = shift == 1;
        bool const found = FindStartCharacter(
            work, kMaxNoisePasses, [&](Code93PartialScanData const& w) { return CheckQuietZone(w, false); },
            [&](Code93PartialScanData const& w) {
                unsigned key = 0;
                return w.CalcBarSymbol(reverse, key) && key == kStartStopKey;
            });
        if (found) {
            window = work;
            reverced = reverse;
            return true;
        }
    }
    return false;
}

bool Code93Decoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                        StackInterface<BarSymbol>& symbols, bool& negative, bool& reverced) const
{
    return ReadFromOfferedOrPreviousRun(start, symbols, [&](ArrayIterator<ScanElement const> const& first) {
        return Read(first, symbols, negative, reverced);
    });
}

bool Code93Decoder::Read(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                         bool& negative, bool& reverced) const
{
    symbols.Clear();
    negative = negative_;
    reverced = false;
    if (!code93_->read.Get() || !CheckPolarity(negative_) || !start.IsValid() ||
        (start->colour == kLightRun) != negative_) {
        return false;
    }
    Code93PartialScanData window;
    if (!ReadFirst(start, window, reverced)) {
        return false;
    }
    RateForTuningCalculator const& rate = GetRateForTuningCalculator();
    unsigned key = kStartStopKey;
    for (;;) {
        BarSymbol symbol;
        symbol.value = static_cast<int>(key);
        symbol.begin = window[0].begin;
        symbol.end = window[Code93PartialScanData::kRuns - 1].end;
        symbol.width = static_cast<int>(window.GetSpan() / Code93PartialScanData::kModules);
        symbol.contrast = window.GetContrast();
        if (!symbols.Push(symbol)) {
            return false;
        }
        rate.Push(window);
        if (symbols.GetCount() > 1 && key == kStartStopKey) {
            // The terminating bar ends a forward read; the quiet zone lies
            // beyond it (the margin test passes over runs of the ink's colour).
            return symbols.GetCount() >= 5 && CheckQuietZone(window, true);
        }
        if (symbols.GetCount() >= kMaxSymbols) {
            return false;
        }
        long long const width = window.GetSpan();
        if (!window.SetNextRunLengthData(static_cast<unsigned>(4 * width / 5), static_cast<unsigned>(6 * width / 5)) ||
            !window.CalcBarSymbol(reverced, key)) {
            return false;
        }
    }
}

bool Code93Decoder::CollectValues(StackInterface<BarSymbol> const& symbols, bool reverced, unsigned char* values,
                                  unsigned capacity, unsigned& count)
{
    count = 0;
    unsigned const n = symbols.GetCount();
    if (n > capacity) {
        return false;
    }
    for (unsigned i = 0; i < n; ++i) {
        BarSymbol const& symbol = symbols[reverced ? n - 1 - i : i];
        unsigned const v = symbol.value < 0 ? 255u : GetValue(static_cast<unsigned>(symbol.value));
        if (v == 255) {
            return false;
        }
        values[count++] = static_cast<unsigned char>(v);
    }
    return true;
}

bool Code93Decoder::CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const
{
    unsigned char values[kMaxSymbols];
    unsigned count = 0;
    if (!CollectValues(symbols, reverced, values, kMaxSymbols, count) || count < 5 || values[0] != kStartStop ||
        values[count - 1] != kStartStop) {
        return false;
    }
    for (unsigned i = 1; i + 1 < count; ++i) {
        if (values[i] == kStartStop) {
            return false;
        }
    }
    if (!code93_->check_check_digit.Get()) {
        return true;
    }
    // values[1 .. count-4] data, count-3 C, count-2 K.
    unsigned const c = count - 3;
    unsigned sumC = 0;
    unsigned sumK = 0;
    for (unsigned i = c; i-- > 1;) {
        unsigned const fromRight = c - i;  // 1 for the last data character
        sumC += values[i] * ((fromRight - 1) % 20 + 1);
        sumK += values[i] * (fromRight % 15 + 1);
    }
    sumK += values[c];
    return sumC % 47 == values[c] && sumK % 47 == values[c + 1];
}

bool Code93Decoder::Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const
{
    label.data.Clear();
    unsigned char values[kMaxSymbols];
    unsigned count = 0;
    if (!CollectValues(symbols, reverced, values, kMaxSymbols, count) || count < 5) {
        return false;
    }
    unsigned const end = count - 3;  // C, K and stop are never output
    for (unsigned i = 1; i < end; ++i) {
        unsigned const v = values[i];
        char byte = 0;
        if (v >= kShiftFirst && v < kStartStop) {
            if (i + 1 >= end || values[i + 1] < 10 || values[i + 1] > 35 ||
                !Code39Table::ExpandFullASCII(kShifts[v - kShiftFirst], kCharacters[values[i + 1]], byte)) {
                label.data.Clear();
                return false;
            }
            ++i;
        } else if (v < kShiftFirst) {
            byte = kCharacters[v];
        } else {
            label.data.Clear();
            return false;
        }
        if (!label.data.Push(byte)) {
            label.data.Clear();
            return false;
        }
    }
    if (!code93_->fixed_length.Get().Admits(label.data.GetCount())) {
        label.data.Clear();
        return false;
    }
    label.identifier.Copy(Code93Identifier(code93_->check_check_digit.Get() ? kCheckVerified : 0u));
    return true;
}

unsigned Code93Decoder::CountLeastReadRuns() const
{
    return code93_->read.Get() && CheckPolarity(negative_) ? 0u : kReadsNothing;
}

}  // namespace DEC2DIvra
