#include "decoder/core/geometry/geometry.h"
#include "decoder/stacked/pdf417/micro_finder_column_data.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"

namespace DEC2DIvra {

namespace {

unsigned long long Weight(MicroFinderColumnData const& column)
{
    unsigned long long weight = static_cast<unsigned long long>(column.CountRows()) << 16;
    unsigned height = 0;
    if (column.CalcChebyshevHeight(height)) {
        weight += height / 256;
    }
    return weight;
}

// The neighbouring-column ratio of two columns: 1 next to each other, 2
// with a column missing between them; 0 when it cannot be measured.
unsigned CalcColumnRatio(MicroFinderColumnData const& a, MicroFinderColumnData const& b)
{
    unsigned w1 = 0;
    unsigned w2 = 0;
    unsigned d = 0;
    if (!a.CalcChebyshevWidth(w1) || !b.CalcChebyshevWidth(w2) ||
        !MicroFinderColumnData::CalcChebyshevDistance(a, b, d)) {
        return 0;
    }
    long long const s = static_cast<long long>(w1) + w2;
    long long const unit = 17 * s / 20;
    if (unit <= 0) {
        return 0;
    }
    long long const ratio = (static_cast<long long>(d) - s / 2 + 17 * s / 40) / unit;
    return ratio == 1 || ratio == 2 ? static_cast<unsigned>(ratio) : 0u;
}

}  // namespace

unsigned MicroFinderColumnDataStack::GetLeftCenterRightColumnDataPtr(MicroFinderColumnData*& left,
                                                                     MicroFinderColumnData*& center,
                                                                     MicroFinderColumnData*& right, bool& inverted)
{
    left = center = right = nullptr;
    inverted = false;
    unsigned long long bestTotal = 0;
    unsigned const n = GetCount();
    for (unsigned combination = 0; combination < 4; ++combination) {
        bool const reversed = (combination & 1u) != 0;
        bool const light = (combination & 2u) != 0;
        // The two heaviest side columns and the heaviest center column, by
        // their index in the stack (the order along the scan).
        int side[2] = {-1, -1};
        unsigned long long sideWeight[2] = {0, 0};
        int middle = -1;
        unsigned long long middleWeight = 0;
        for (unsigned i = 0; i < n; ++i) {
            MicroFinderColumnData const& column = (*this)[i];
            if (column.reversed != reversed || column.inverted != light || column.GetCount() == 0) {
                continue;
            }
            unsigned long long const w = Weight(column);
            if (column.center) {
                if (middle < 0 || w > middleWeight) {
                    middle = static_cast<int>(i);
                    middleWeight = w;
                }
            } else if (side[0] < 0 || w > sideWeight[0]) {
                side[1] = side[0];
                sideWeight[1] = sideWeight[0];
                side[0] = static_cast<int>(i);
                sideWeight[0] = w;
            } else if (side[1] < 0 || w > sideWeight[1]) {
                side[1] = static_cast<int>(i);
                sideWeight[1] = w;
            }
        }
        if (side[0] < 0 && middle < 0) {
            continue;
        }
        // Left is the earlier side column along the scan (the later one
        // when read against it); a lone side column is the right one.
        int l = -1;
        int r = side[0];
        if (side[1] >= 0) {
            int const early = side[0] < side[1] ? side[0] : side[1];
            int const late = side[0] < side[1] ? side[1] : side[0];
            l = reversed ? late : early;
            r = reversed ? early : late;
        }
        int c = middle;
        if (c >= 0 && r >= 0) {
            bool const beforeRight = reversed ? c > r : c < r;
            bool const afterLeft = l < 0 || (reversed ? c < l : c > l);
            if (!beforeRight || !afterLeft) {
                c = -1;
            }
        }
        unsigned long long total = 0;
        total += l >= 0 ? Weight((*this)[static_cast<unsigned>(l)]) : 0;
        total += r >= 0 ? Weight((*this)[static_cast<unsigned>(r)]) : 0;
        total += c >= 0 ? middleWeight : 0;
        if (total > bestTotal) {
            bestTotal = total;
            left = l >= 0 ? &(*this)[static_cast<unsigned>(l)] : nullptr;
            right = r >= 0 ? &(*this)[static_cast<unsigned>(r)] : nullptr;
            center = c >= 0 ? &(*this)[static_cast<unsigned>(c)] : nullptr;
            inverted = light;
        }
    }
    return bestTotal > 0 ? 1u : 0u;
}

void MicroFinderColumnDataStack::Push(MicroPDFVersionTable::FinderPosition position,
                                      MicroPDFVersionBallotBox const& box, MicroFinderColumnData const& column) const
{
    for (unsigned i = 0; i < column.GetCount(); ++i) {
        int const number = column[i].row;
        if (number < 0) {
            continue;
        }
        for (unsigned v = 0; v < MicroPDFVersionTable::kCount; ++v) {
            if (MicroPDFVersionTable::table[v].IsIncluding(position, static_cast<unsigned>(number))) {
                box.Vote(v);
            }
        }
    }
}

unsigned MicroFinderColumnDataStack::GetMicroPDFVersion(MicroPDFVersionBallotBox const& box,
                                                        MicroFinderColumnData const* left,
                                                        MicroFinderColumnData const* center,
                                                        MicroFinderColumnData const* right,
                                                        MicroPDFVersionTable::Element& element,
                                                        Mod3OfCluster& order) const
{
    unsigned ratio = 0;
    if (left != nullptr) {
        MicroFinderColumnData const* other = center != nullptr ? center : right;
        if (other == nullptr) {
            return 0;
        }
        ratio = CalcColumnRatio(*left, *other);
        if (ratio == 0 && other == center && right != nullptr) {
            ratio = CalcColumnRatio(*left, *right);
        }
        if (ratio == 0) {
            return 0;
        }
    }
    unsigned voters = 0;
    MicroFinderColumnData const* const columns[3] = {left, center, right};
    for (unsigned p = 0; p < 3; ++p) {
        if (columns[p] != nullptr) {
            Push(static_cast<MicroPDFVersionTable::FinderPosition>(p), box, *columns[p]);
            ++voters;
        }
    }
    if (voters == 0 || !box.GetVersion(ratio == 1 || voters == 1, element)) {
        return 0;
    }
    // Final check of the winner's votes against its rows.
    unsigned votes = 0;
    for (unsigned v = 0; v < MicroPDFVersionTable::kCount; ++v) {
        MicroPDFVersionTable::Element const& e = MicroPDFVersionTable::table[v];
        if (e.columns == element.columns && e.rows == element.rows && e.ccA == element.ccA &&
            e.start == element.start && e.offset == element.offset) {
            votes = box.GetVotes(v);
            break;
        }
    }
    unsigned long long const r = element.rows;
    unsigned long long const n = votes;
    bool ok = false;
    switch (element.columns) {
    case 1: ok = r <= 2 * n; break;
    case 2: ok = n >= r; break;
    case 3: ok = element.ccA != 0 ? n >= r : 3 * n >= 2 * r; break;
    case 4: ok = 3 * n >= 2 * r; break;
    default: ok = false; break;
    }
    if (!ok) {
        return 0;
    }
    // The cluster of each row of a group of three, from the first row's
    // pattern number.
    static constexpr unsigned char kPlaces[3][3] = {{0, 1, 2}, {2, 0, 1}, {1, 2, 0}};
    unsigned const phase = (element.start + 2u) % 3u;  // (start - 1) mod 3
    order.count = 3;
    for (unsigned k = 0; k < 3; ++k) {
        order.place[k] = kPlaces[phase][k];
    }
    return 1;
}

}  // namespace DEC2DIvra
