#include "decoder/linear/telepen_korean_postal/telepen_partial_scan_data.h"

#include "decoder/linear/telepen_korean_postal/telepen_decoder.h"

namespace DEC2DIvra {

namespace {

long long Distance(long long a, long long b) { return a < b ? b - a : a - b; }

}  // namespace

bool TelepenPartialScanData::PatternToTelepen(unsigned count, unsigned pattern, unsigned& code)
{
    code = 0;
    if (count == 0 || count % 2 != 0 || count > kMaxRuns) {
        return false;
    }
    unsigned bits = 0;
    unsigned value = 0;
    bool open = false;
    auto put = [&](unsigned bit) {
        if (bits < 8) {
            value |= bit << bits;
        }
        ++bits;
    };
    for (unsigned k = 0; k < count; k += 2) {
        bool const bar = (pattern >> k & 1u) != 0;
        bool const space = (pattern >> (k + 1) & 1u) != 0;
        if (!bar && !space) {
            put(1);
        } else if (bar && !space) {
            put(0);
            put(0);
        } else if (bar && space) {
            put(0);
            put(1);
            put(0);
        } else {
            put(open ? 1 : 0);
            put(open ? 0 : 1);
            open = !open;
        }
    }
    unsigned ones = 0;
    for (unsigned b = 0; b < 8; ++b) {
        ones += (value >> b) & 1u;
    }
    code = value & 0x7Fu;
    return bits == 8 && !open && ones % 2 == 0;
}

long long TelepenPartialScanData::WidthOf(unsigned count) const
{
    long long width = 0;
    for (unsigned k = 0; k < count && k < GetLength(); ++k) {
        width += static_cast<long long>((*this)[k].end) - (*this)[k].begin;
    }
    return width;
}

bool TelepenPartialScanData::Classify(unsigned count, unsigned modules, unsigned& wide) const
{
    wide = 0;
    if (count < 2 || count > GetLength() || modules == 0) {
        return false;
    }
    // Wide runs are two modules wider than narrow ones.
    long long magnitude = 0;
    for (unsigned k = 0; k < count; ++k) {
        magnitude += (*this)[k].magnitude;
    }
    unsigned const reference = static_cast<unsigned>(2 * magnitude / modules);
    for (unsigned first = 0; first < 2; ++first) {
        unsigned const n = (count - first + 1) / 2;
        TwoValuePattern pattern;
        bool ambiguous = false;
        if (!CalcPattern(kNoLowestRank, kNoHighestRank, false, first, 2, n, reference, pattern, ambiguous)) {
            return false;
        }
        // Runs of one class are wide when each is over two modules (three
        // wide bars and spaces fill a character).
        bool const allWide =
            pattern.wideCount == 0 && static_cast<long long>(pattern.narrowMagnitude) * modules > 2 * magnitude;
        for (unsigned i = 0; i < n; ++i) {
            if (allWide || (pattern.pattern >> (n - 1 - i) & 1u) != 0) {
                wide |= 1u << (first + 2 * i);
            }
        }
    }
    return true;
}

bool TelepenPartialScanData::CalcStartBarSymbol(BarSymbol& symbol, unsigned& runs, unsigned& module) const
{
    symbol = BarSymbol{};
    runs = 0;
    module = 0;
    unsigned wide = 0;
    if (GetLength() != kStartRuns || !Classify(kStartRuns, kModules, wide)) {
        return false;
    }
    unsigned key = 0;
    for (unsigned k = 0; k < kStartRuns; ++k) {
        key = (key << 1) | (wide >> k & 1u);
    }
    if (key == 3) {
        symbol.value = TelepenDecoder::kStart;
        runs = kStartRuns;
    } else if (key == 6 || key == 7) {
        symbol.value = TelepenDecoder::kStop;
        runs = kStartRuns - 1;
    } else {
        return false;
    }
    long long const span = GetSpan();
    module = static_cast<unsigned>(span / kModules);
    symbol.begin = (*this)[0].begin;
    symbol.end = (*this)[runs - 1].end;
    symbol.width = static_cast<int>(module);
    return module > 0;
}

bool TelepenPartialScanData::CalcBarSymbol(bool reversed, BarSymbol& symbol, unsigned& runs,
                                           unsigned& module) const
{
    symbol = BarSymbol{};
    long long const m = module;
    if (m <= 0 || GetLength() < kMinRuns - 1) {
        return false;
    }
    // The run count whose width comes nearest 16 modules; read forward, an
    // odd count ending at the quiet zone (a run over four modules, or the
    // window's end) is a character whose last space is that zone.
    unsigned best = 0;
    long long bestDistance = 0;
    for (unsigned n = kMinRuns - 1; n <= GetLength(); ++n) {
        bool const even = n % 2 == 0;
        bool const atGround =
            !reversed && !even &&
            (n == GetLength() || static_cast<long long>((*this)[n].end) - (*this)[n].begin > 4 * m);
        if (!even && !atGround) {
            continue;
        }
        long long const width = WidthOf(n) + (even ? 0 : m);
        long long const distance = Distance(width, static_cast<long long>(kModules) * m);
        if (4 * width < 3 * static_cast<long long>(kModules) * m ||
            4 * width > 5 * static_cast<long long>(kModules) * m) {
            continue;
        }
        if (best == 0 || distance < bestDistance) {
            best = n;
            bestDistance = distance;
        }
    }
    unsigned wide = 0;
    if (best == 0 || !Classify(best, best % 2 == 0 ? kModules : kModules - 1, wide)) {
        return false;
    }
    unsigned const count = best + best % 2;
    // The elements in the character's own order, bar first.
    unsigned pattern = 0;
    for (unsigned k = 0; k < best; ++k) {
        unsigned const at = reversed ? best - 1 - k : k;
        pattern |= (wide >> at & 1u) << k;
    }
    unsigned code = 0;
    if (!PatternToTelepen(count, pattern, code)) {
        return false;
    }
    long long const width = WidthOf(best) + (best % 2 == 0 ? 0 : m);
    symbol.value = static_cast<int>(code);
    symbol.begin = (*this)[0].begin;
    symbol.end = (*this)[best - 1].end;
    module = static_cast<unsigned>(width / kModules);
    symbol.width = static_cast<int>(module);
    runs = best;
    return module > 0;
}

}  // namespace DEC2DIvra
