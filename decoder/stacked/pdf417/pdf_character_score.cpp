#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/stacked/pdf417/pdf_partial_scan_data.h"

namespace DEC2DIvra {

namespace {

constexpr int kModules = 17;

// The grey value at a line coordinate, interpolated between the two samples
// around it; false outside the samples.
bool SampleAt(StackInterface<PickLineElement> const& samples, long long coordinate, unsigned& hint, long long& grey)
{
    unsigned const n = samples.GetCount();
    if (n < 2) {
        return false;
    }
    unsigned i = hint < n - 1 ? hint : 0;
    if (samples[i].coordinate > coordinate) {
        i = 0;
    }
    while (i + 1 < n && samples[i + 1].coordinate < coordinate) {
        ++i;
    }
    if (i + 1 >= n || samples[i].coordinate > coordinate) {
        return false;
    }
    long long const c0 = samples[i].coordinate;
    long long const c1 = samples[i + 1].coordinate;
    long long const g0 = samples[i].grey;
    long long const g1 = samples[i + 1].grey;
    grey = c1 > c0 ? g0 + (g1 - g0) * (coordinate - c0) / (c1 - c0) : g0;
    hint = i;
    return true;
}

}  // namespace

bool PDFPartialScanData::CalcBarSymbol(StackInterface<PickLineElement> const& samples, bool bigger, bool reversed,
                                       bool inverted, BarSymbolForPDF& symbol, unsigned short& score) const
{
    BarSymbolForPDF read;
    if (!(bigger ? CalcBarSymbolForBigger(reversed, read) : CalcBarSymbolForSmaller(reversed, read))) {
        return false;
    }
    // The grey value at each module centre.
    long long greys[kModules];
    long long largest = 0;
    long long smallest = 0;
    unsigned hint = 0;
    for (int i = 0; i < kModules; ++i) {
        long long const centre =
            (static_cast<long long>(read.begin) * (33 - 2 * i) + static_cast<long long>(read.end) * (1 + 2 * i)) / 34;
        if (!SampleAt(samples, centre, hint, greys[i])) {
            return false;
        }
        largest = i == 0 || greys[i] > largest ? greys[i] : largest;
        smallest = i == 0 || greys[i] < smallest ? greys[i] : smallest;
    }
    long long const threshold = (largest + smallest) / 2;
    // Correlation of the samples with the pattern (spaces up, bars down).
    long long sum = 0;
    unsigned long long squares = 0;
    for (int i = 0; i < kModules; ++i) {
        long long const d = greys[i] - threshold;
        unsigned const bit = reversed ? static_cast<unsigned>(i) : static_cast<unsigned>(16 - i);
        sum += (read.pattern >> bit & 1u) != 0 ? d : -d;
        squares += static_cast<unsigned long long>(d * d);
    }
    if (squares == 0) {
        return false;
    }
    unsigned const root = DecMath::Sqrt(squares * kModules);
    if (root == 0) {
        return false;
    }
    long long r = sum * 65535 / root;
    if (inverted) {
        r = -r;
    }
    symbol = read;
    if (r < 0) {
        score = 0;
        return true;
    }
    int const angle = DecMath::ACos(Real32::FromRaw(r << 16));
    long long const value = 65536 - 256LL * (angle + 1);
    score = static_cast<unsigned short>(value < 0 ? 0 : (value > 65535 ? 65535 : value));
    return true;
}

}  // namespace DEC2DIvra
