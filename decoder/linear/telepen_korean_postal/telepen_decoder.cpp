#include "decoder/linear/telepen_korean_postal/telepen_decoder.h"

#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/identifiers/telepen_korean_postal_identifiers.h"
#include "decoder/linear/line/plessey_line_runs.h"
#include "decoder/linear/telepen_korean_postal/telepen_partial_scan_data.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kModulesPerCharacter = 16;
// The most bar/space pairs one character can have (eight 1 bits).
constexpr unsigned kMaxPairs = 8;
constexpr unsigned kMaxRuns = 2 * kMaxPairs * TelepenDecoder::kMaxSymbols;

struct Reading {
    unsigned codes[TelepenDecoder::kMaxSymbols];
    unsigned firstRun[TelepenDecoder::kMaxSymbols];  // reading position of each character's first bar
    unsigned count = 0;
};

// The characters of a symbol in reading order; the symbol's last space lies
// in the quiet zone and counts narrow. The module width follows each
// character (16 modules), starting from the opening character's.
bool ReadCharacters(PlesseyLineRuns const& runs, Reading& reading)
{
    unsigned const total = runs.GetSymbolRuns();
    reading.count = 0;
    unsigned position = 0;
    // The opening character: five narrow pairs and a wide pair; its first
    // ten runs are one module each.
    long long module = 0;
    if (total < 12) {
        return false;
    }
    for (unsigned j = 0; j < 10; ++j) {
        module += runs.GetWidth(runs.At(j));
    }
    module /= 10;
    while (position < total && reading.count < TelepenDecoder::kMaxSymbols) {
        unsigned pattern = 0;
        unsigned pairs = 0;
        unsigned code = 0;
        bool done = false;
        unsigned const first = position;
        while (!done && pairs < kMaxPairs && position < total) {
            long long const bar = runs.GetWidth(runs.At(position));
            long long const space = position + 1 < total ? runs.GetWidth(runs.At(position + 1)) : module;
            if (module <= 0 || bar > 4 * module || space > 4 * module) {
                return false;
            }
            pattern |= (bar > 2 * module ? 1u : 0u) << (2 * pairs);
            pattern |= (space > 2 * module ? 1u : 0u) << (2 * pairs + 1);
            ++pairs;
            position += 2;
            done = TelepenPartialScanData::PatternToTelepen(2 * pairs, pattern, code);
        }
        if (!done) {
            return false;
        }
        reading.codes[reading.count] = code;
        reading.firstRun[reading.count] = first;
        ++reading.count;
        // The next module from this character's extent.
        if (position < total) {
            unsigned const a = runs.At(first);
            unsigned const b = runs.At(position - 1);
            long long const begin = runs[a < b ? a : b].begin;
            long long const end = runs[a < b ? b : a].end;
            module = (end - begin) / kModulesPerCharacter;
        }
    }
    return position >= total;
}

}  // namespace

TelepenDecoder::TelepenDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property)
    : BarSymbolDecoder(SYMBOLOGY_TELEPEN, context), telepen_(&property.telepen)
{
}

unsigned TelepenDecoder::NumericConversion(StackInterface<char>& data)
{
    char source[DecodedLabel::kDataBytes];
    unsigned const count = data.GetCount() < DecodedLabel::kDataBytes ? data.GetCount() : DecodedLabel::kDataBytes;
    for (unsigned i = 0; i < count; ++i) {
        source[i] = data[i];
    }
    data.Clear();
    unsigned option = 1;
    for (unsigned i = 0; i < count; ++i) {
        unsigned const code = static_cast<unsigned char>(source[i]);
        if (option == 2) {
            data.Push(source[i]);
        } else if (code == 16) {
            option = 2;
        } else if (code >= 27 && code <= 126) {
            data.Push(static_cast<char>('0' + (code - 27) / 10));
            data.Push(static_cast<char>('0' + (code - 27) % 10));
        } else if (code >= 17 && code <= 26) {
            data.Push(static_cast<char>('0' + (code - 17)));
            data.Push('X');
        } else {
            data.Push(source[i]);
        }
    }
    return option;
}

bool TelepenDecoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                         StackInterface<BarSymbol>& symbols, bool& negative, bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    negative = start.IsValid() && start->colour == kLightRun;
    if (!start.IsValid() || !telepen_->read.Get() || !CheckPolarity(negative)) {
        return false;
    }
    return ReadWindows(start, negative, symbols, reverced) || ReadWholeSymbol(start, negative, symbols, reverced);
}

bool TelepenDecoder::ReadWholeSymbol(ArrayIterator<ScanElement const> const& start, bool negative,
                                     StackInterface<BarSymbol>& symbols, bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    PlesseyLineRuns runs(start);
    // The symbol's last space merges into the quiet zone: the symbol holds an
    // odd number of runs, bar first and last.
    unsigned const total = runs.FindGroundAfter(1, kMaxRuns + 1, 3);
    if (total < 3 * 2 * 5) {
        return false;
    }
    Reading reading;
    bool found = false;
    for (bool const reversed : {false, true}) {
        runs.SetSymbol(total, reversed);
        if (ReadCharacters(runs, reading) && reading.count >= 2 && reading.codes[0] == kStart &&
            reading.codes[reading.count - 1] == kStop) {
            found = true;
            break;
        }
    }
    if (!found) {
        return false;
    }
    if (!runs.CheckMargins(total, GetDecoderDetail().quiet_zone.Get() * 12, negative, telepen_->smart_quiet_zone_check.Get())) {
        return false;
    }
    bool const reversed = runs.IsReversed();
    for (unsigned k = 0; k < reading.count; ++k) {
        unsigned const c = reversed ? reading.count - 1 - k : k;
        unsigned const firstRun = runs.At(reading.firstRun[c]);
        unsigned const lastRun = runs.At(c + 1 < reading.count ? reading.firstRun[c + 1] - 1 : total - 1);
        BarSymbol symbol;
        symbol.value = static_cast<int>(reading.codes[c]);
        symbol.begin = runs[firstRun < lastRun ? firstRun : lastRun].begin;
        symbol.end = runs[firstRun < lastRun ? lastRun : firstRun].end;
        if (!symbols.Push(symbol)) {
            return false;
        }
        runs.PushWindow(GetRateForTuningCalculator(), firstRun < lastRun ? firstRun : lastRun);
    }
    reverced = reversed;
    return true;
}

bool TelepenDecoder::CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const
{
    (void)reverced;
    unsigned const count = symbols.GetCount();
    if (count < 2) {
        return true;
    }
    unsigned sum = 0;
    for (unsigned i = 1; i + 1 < count; ++i) {
        sum += static_cast<unsigned>(symbols[i].value) & 0x7Fu;
    }
    return sum % 127 == 0;
}

bool TelepenDecoder::Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const
{
    label.data.Clear();
    unsigned const count = symbols.GetCount();
    // Start, check character and stop at the least: a start and a stop
    // alone leave no data (and no check character) to take off.
    if (count < 3 || count > kMaxSymbols) {
        return false;
    }
    for (unsigned i = 1; i + 2 < count; ++i) {
        unsigned const k = reverced ? count - 1 - i : i;
        if (!label.data.Push(static_cast<char>(symbols[k].value & 0x7F))) {
            label.data.Clear();
            return false;
        }
    }
    if (!telepen_->fixed_length.Get().Admits(label.data.GetCount())) {
        label.data.Clear();
        return false;
    }
    unsigned option = 0;
    if (!telepen_->enable_ascii_output_mode.Get()) {
        option = NumericConversion(label.data);
    }
    label.identifier.Copy(TelepenIdentifier(option));
    return true;
}

unsigned TelepenDecoder::CountLeastReadRuns() const { return telepen_->read.Get() ? 0u : kReadsNothing; }

}  // namespace DEC2DIvra
