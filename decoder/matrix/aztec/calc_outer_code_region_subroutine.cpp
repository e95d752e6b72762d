#include "decoder/matrix/aztec/calc_outer_code_region_subroutine.h"

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/matrix/aztec/common_vector_grid.h"

namespace DEC2DIvra {

namespace {

Point Step(Point const& p, unsigned direction, int k)
{
    Vector const v = StepToDirection::Get(direction, k);
    return Point{p.x + v.dx, p.y + v.dy};
}

// The table entry of module p (from the centre module); false off the table.
bool ReadModule(BinarizationTableForAztec const& table, Point const& p, unsigned& bit)
{
    unsigned char value = 0;
    if (!table.AtFromCenter(p.x, p.y, value)) {
        return false;
    }
    bit = value != 0 ? 1u : 0u;
    return true;
}

}  // namespace

bool CalcOuterCodeRegionSubroutine::Start(GrayImage const& image, bool colour, CommonCodeMesh const& mesh,
                                          BinarizationTableForAztec const& table, Region const& region,
                                          unsigned (&counts)[4], Region& newRegion)
{
    Line lines[4];
    unsigned fresh[4] = {counts[0], counts[1], counts[2], counts[3]};
    bool any = false;
    for (unsigned s = 0; s < 4; ++s) {
        unsigned count = 0;
        if (CalcOuterLine(image, colour, counts, s, mesh, table, count, lines[s])) {
            fresh[s] = count;
            any = true;
        } else if (!Geometry::CalcLine(region[s], region[s + 1], lines[s])) {
            return false;
        }
    }
    for (unsigned s = 0; s < 4; ++s) {
        counts[s] = fresh[s];
    }
    if (!any) {
        return false;
    }
    Region out{};
    for (unsigned t = 0; t < 4; ++t) {
        if (!Geometry::CalcCrossPoint(lines[t], lines[(t + 3) & 3], out[t])) {
            return false;
        }
    }
    newRegion = out;
    return true;
}

bool CalcOuterCodeRegionSubroutine::CalcOuterLine(GrayImage const& image, bool colour, unsigned const (&counts)[4],
                                                  unsigned s, CommonCodeMesh const& mesh,
                                                  BinarizationTableForAztec const& table, unsigned& newCount,
                                                  Line& line)
{
    unsigned const h = mesh.GetWidth() / 2;
    unsigned const c = counts[s & 3];
    unsigned const a = counts[(s + 1) & 3];
    unsigned const e = counts[(s + 3) & 3];
    if (h < 3 || c > h - 3) {
        return false;
    }
    unsigned const length = a == h - 1 ? a + e + 2 : a + e + 4;
    Point start = Step(Point{}, s, static_cast<int>(c));
    start = Step(start, s + 3, static_cast<int>(e == h - 1 ? h : e + 2));
    unsigned const lines = c > h - 5 ? h - c : kMaxLines;
    unsigned index = 0;
    unsigned bits = 0;
    unsigned mask = 0;
    if (!CalcDataForLineSearch(table, start, s, length, lines, index, bits, mask)) {
        return false;
    }
    start = Step(start, s, static_cast<int>(index));
    if (!CalcOuterLine(image, colour, mesh, start, s, length, bits, mask, line)) {
        return false;
    }
    newCount = c + index + 1;
    return true;
}

bool CalcOuterCodeRegionSubroutine::CalcDataForLineSearch(BinarizationTableForAztec const& table, Point const& start,
                                                          unsigned s, unsigned length, unsigned lines,
                                                          unsigned& index, unsigned& bits, unsigned& mask)
{
    if (lines < 3 || lines > kMaxLines) {
        return false;
    }
    unsigned words[kMaxLines] = {};
    for (unsigned k = 0; k < lines; ++k) {
        Point const from = Step(start, s, static_cast<int>(k));
        unsigned word = 0;
        for (unsigned m = 0; m < length; ++m) {
            unsigned bit = 0;
            if (!ReadModule(table, Step(from, s + 1, static_cast<int>(m)), bit)) {
                return false;
            }
            word = (word << 1) | bit;
        }
        words[k] = word;
    }
    unsigned masks[kMaxLines - 2] = {};
    for (unsigned k = 2; k < lines; ++k) {
        masks[k - 2] = (words[k] ^ words[k - 1]) & (words[k - 1] ^ words[k - 2]);
    }
    if (!SelectLineSearchIndex(masks, length, lines - 2, index)) {
        return false;
    }
    bits = words[index + 1];
    mask = masks[index];
    return true;
}

bool CalcOuterCodeRegionSubroutine::SelectLineSearchIndex(unsigned const (&masks)[kMaxLines - 2], unsigned length,
                                                          unsigned count, unsigned& index)
{
    unsigned const usable = length >= 32 ? 0xFFFFFFFFu : (1u << length) - 1;
    int best = 1;
    bool found = false;
    for (unsigned k = 0; k < count && k < kMaxLines - 2; ++k) {
        unsigned const m = masks[k] & usable;
        if (m == 0) {
            continue;
        }
        int const span = (31 - __builtin_clz(m)) - __builtin_ctz(m);
        if (span > best) {
            best = span;
            index = k;
            found = true;
        }
    }
    return found;
}

bool CalcOuterCodeRegionSubroutine::CalcOuterLine(GrayImage const& image, bool colour, CommonCodeMesh const& mesh,
                                                  Point const& start, unsigned s, unsigned length, unsigned bits,
                                                  unsigned mask, Line& line)
{
    unsigned found = 0;
    for (unsigned k = 0; k < length && found < kMaxPoints; ++k) {
        unsigned const bit = length - 1 - k;
        if (bit >= 32 || ((mask >> bit) & 1u) == 0) {
            continue;
        }
        Point const from = Step(start, s + 1, static_cast<int>(k));
        Point const to = Step(from, s, 2);
        LineSegment segment{};
        if (!mesh.CalcModulePoint(from.x, from.y, segment.begin) || !mesh.CalcModulePoint(to.x, to.y, segment.end)) {
            continue;
        }
        bool const dark = ((bits >> bit) & 1u) != 0;
        Point centre{};
        if (centre_.Start(image, segment, colour ? dark : !dark, mesh.GetFractionBits(), centre)) {
            points_[found++] = centre;
        }
    }
    if (found < 2) {
        return false;
    }
    return Geometry::CalcLine(ArrayIterator<Point const>(points_, found), line, -1);
}

}  // namespace DEC2DIvra
