#include "decoder/stacked/pdf417/magnitude_and_index_for_pdf.h"

namespace DEC2DIvra {

namespace {

int Sign(long long v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// The share of record i by width: its width's part of the modules left,
// rounded to nearest.
long long WidthShare(long long width, long long remaining, long long widths)
{
    return (widths / 2 + width * remaining) / widths;
}

// Raises the share to the minimum and to what the records after this one
// cannot take, then cuts it to an even share of what is left.
long long Bound(long long share, long long remaining, unsigned left, unsigned minimum, unsigned reserve)
{
    long long const least = remaining - static_cast<long long>(reserve) * (left - 1);
    if (share < minimum) {
        share = minimum;
    }
    if (share < least) {
        share = least;
    }
    long long const most = remaining / left;
    return share > most ? most : share;
}

bool Share(VirtualArray<MagnitudeAndIndexForPDF>& records, unsigned total, unsigned minimum, unsigned reserve,
           int add, bool byMagnitude)
{
    unsigned const n = records.GetCount();
    if (n == 0) {
        return false;
    }
    long long remaining = total;
    for (unsigned i = 0; i + 1 < n; ++i) {
        long long magnitudes = 0;
        long long widths = 0;
        for (unsigned j = i; j < n; ++j) {
            magnitudes += static_cast<long long>(add) + records[j].magnitude;
            widths += records[j].width;
        }
        if (widths <= 0) {
            return false;
        }
        long long share = 0;
        long long const width = records[i].width;
        if (byMagnitude) {
            if (magnitudes <= 0) {
                return false;
            }
            long long const twelfths = 12 * remaining * (static_cast<long long>(add) + records[i].magnitude) / magnitudes;
            share = twelfths >= 12LL * minimum + 5 ? WidthShare(width, remaining, widths) : (twelfths + 6) / 12;
        } else {
            share = WidthShare(width, remaining, widths);
        }
        share = Bound(share, remaining, n - i, minimum, reserve);
        records[i].count = static_cast<int>(share);
        remaining -= share;
    }
    records[n - 1].count = static_cast<int>(remaining);
    for (unsigned i = 0; i < n; ++i) {
        if (records[i].count < static_cast<int>(minimum) || records[i].count > static_cast<int>(reserve)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool MagnitudeAndIndexForPDF::CalcUnitWidth(VirtualArray<MagnitudeAndIndexForPDF>& records, unsigned total,
                                            unsigned minimum, unsigned reserve, int add)
{
    long long magnitudes = 0;
    for (unsigned i = 0; i < records.GetCount(); ++i) {
        magnitudes += static_cast<long long>(add) + records[i].magnitude;
    }
    if (magnitudes <= 0) {
        return CalcUnitWidthOnlyRawWidth(records, total, minimum, reserve);
    }
    return Share(records, total, minimum, reserve, add, true);
}

bool MagnitudeAndIndexForPDF::CalcUnitWidthOnlyRawWidth(VirtualArray<MagnitudeAndIndexForPDF>& records,
                                                        unsigned total, unsigned minimum, unsigned reserve)
{
    return Share(records, total, minimum, reserve, 0, false);
}

bool MagnitudeAndIndexForPDF::CalcPattern(VirtualArray<MagnitudeAndIndexForPDF const> const& bars,
                                          VirtualArray<MagnitudeAndIndexForPDF const> const& spaces,
                                          unsigned& pattern, unsigned& modules)
{
    unsigned value = 0;
    unsigned length = 0;
    unsigned const pairs = bars.GetCount() > spaces.GetCount() ? bars.GetCount() : spaces.GetCount();
    for (unsigned i = 0; i < pairs; ++i) {
        for (unsigned colour = 0; colour < 2; ++colour) {
            VirtualArray<MagnitudeAndIndexForPDF const> const& list = colour == 0 ? bars : spaces;
            if (i >= list.GetCount()) {
                continue;
            }
            int const count = list[i].count;
            if (count < 1 || length + static_cast<unsigned>(count) > 31) {
                return false;
            }
            for (int k = 0; k < count; ++k) {
                value = value << 1 | colour;
            }
            length += static_cast<unsigned>(count);
        }
    }
    pattern = value;
    modules = length;
    return true;
}

int MagnitudeAndIndexForPDF::CompareMagnitude(MagnitudeAndIndexForPDF const& a, MagnitudeAndIndexForPDF const& b)
{
    return Sign(static_cast<long long>(b.magnitude) - a.magnitude);
}

int MagnitudeAndIndexForPDF::CompareWidth(MagnitudeAndIndexForPDF const& a, MagnitudeAndIndexForPDF const& b)
{
    return Sign(static_cast<long long>(b.width) - a.width);
}

int MagnitudeAndIndexForPDF::CompareIndex(MagnitudeAndIndexForPDF const& a, MagnitudeAndIndexForPDF const& b)
{
    return Sign(static_cast<long long>(b.index) - a.index);
}

}  // namespace DEC2DIvra
