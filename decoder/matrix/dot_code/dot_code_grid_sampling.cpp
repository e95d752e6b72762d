// The dot grid reader's last stages: the grid grown side by side over the
// symbol, the mesh of its crossings sampled and the table read in the
// orientations its shape leaves open.

#include <initializer_list>

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/sampling/binarization_subroutine.h"
#include "decoder/matrix/dot_code/binarization_subroutine_for_dot_code.h"
#include "decoder/matrix/dot_code/dot_code_decoder.h"

namespace DEC2DIvra {

bool DotCodeDecoder::ExpandDataDotGrid(GrayImage const& image, bool dark, int smallest, bool& grown)
{
    for (auto& side : sideClosed_) {
        side[0] = false;
        side[1] = false;
    }
    grown = false;
    while (grid_.GetCount(true) <= 8 && grid_.GetCount(false) <= 8 && ExpamdAllSideGrid(image, dark, smallest)) {
        grown = true;
    }
    bool const columnsFirst = grid_.GetCount(true) <= grid_.GetCount(false);
    grown = ExpamdTwoSideGrid(image, dark, smallest, columnsFirst) || grown;
    grown = ExpamdTwoSideGrid(image, dark, smallest, !columnsFirst) || grown;
    // Each side ends on probes that found too few dots, beyond the range in
    // use: the grown grid drops them, the last by DeleteOuterSegment. A
    // side whose probe could not even be placed (the image border) may
    // have none to drop.
    bool oneBeyondEach = true;
    for (bool columns : {true, false}) {
        for (bool last : {false, true}) {
            while (grid_.CountBeyond(last, columns) > 1) {
                if (!grid_.DropOutermostBeyond(last, columns)) {
                    return false;
                }
            }
            oneBeyondEach = oneBeyondEach && grid_.CountBeyond(last, columns) == 1;
        }
    }
    if (grown && oneBeyondEach) {
        return grid_.DeleteOuterSegment();
    }
    return grid_.DropLinesBeyond();
}

bool DotCodeDecoder::ExpamdAllSideGrid(GrayImage const& image, bool dark, int smallest)
{
    bool any = false;
    for (bool columns : {true, false}) {
        for (bool last : {false, true}) {
            any = SearchSideDot(image, dark, smallest, last, columns) || any;
        }
    }
    return any;
}

bool DotCodeDecoder::ExpamdTwoSideGrid(GrayImage const& image, bool dark, int smallest, bool columns)
{
    bool any = false;
    for (;;) {
        bool const first = SearchSideDot(image, dark, smallest, false, columns);
        bool const last = SearchSideDot(image, dark, smallest, true, columns);
        if (!first && !last) {
            return any;
        }
        any = true;
    }
}

bool DotCodeDecoder::SearchSideDot(GrayImage const& image, bool dark, int smallest, bool last, bool columns)
{
    bool& closed = sideClosed_[columns ? 1 : 0][last ? 1 : 0];
    if (closed) {
        return false;
    }
    // A line of few dots may lie inside the symbol: the side is given up
    // only when the next line out holds too few as well.
    closed = grid_.CountBeyond(last, columns) >= 1;
    if (!grid_.PushTempOuterSegment(image, last, columns)) {
        closed = true;
        return false;
    }
    StackInterface<LineSegment>& own = grid_.GetSegments(columns);
    unsigned const probed = last ? own.GetCount() - 1 : 0;
    unsigned const from = grid_.GetFirstIndex(!columns);
    unsigned const to = grid_.GetLastIndex(!columns);
    constexpr unsigned kMaxFound = DataDotGrid::kSegmentCapacity;
    Point found[kMaxFound];
    unsigned count = 0;
    CalcDotCenterSubroutine const centring;
    for (unsigned k = from; k <= to; ++k) {
        Point p;
        if (!grid_.CalcPoint(columns ? probed : k, columns ? k : probed, p)) {
            continue;
        }
        if (dotSearchProbed_++ >= kDotSearchBudget) {
            return false;
        }
        Point q = p;
        int contrast = 0;
        if (!centring.Start(image, steps_, dark, 2, q) || q.x - p.x < rectMin_.dx || q.x - p.x > rectMax_.dx ||
            q.y - p.y < rectMin_.dy || q.y - p.y > rectMax_.dy || !CalcDotContrast(image, dark, q, contrast) ||
            contrast <= smallest - 32) {
            continue;
        }
        grid_.CorrectCrossSegment(q, last, columns, k);
        if (count < kMaxFound) {
            found[count++] = q;
        }
    }
    unsigned const positions = to + 1 - from;
    Line line;
    if (count * 9 <= positions ||
        (count >= 2 ? !Geometry::CalcLine(ArrayIterator<Point const>(found, count), line, -1)
                    : !own[probed].CalcLine(line)) ||
        !grid_.PushOuterSegment(line, last, columns)) {
        return false;
    }
    closed = false;
    return true;
}

bool DotCodeDecoder::CalcCodeMesh(bool transposed)
{
    unsigned const columns = grid_.GetCount(true);
    unsigned const rows = grid_.GetCount(false);
    unsigned const width = transposed ? rows : columns;
    unsigned const height = transposed ? columns : rows;
    if (width < 2 || height < 2 || !mesh_.SetSize(width + 2, height + 2, 8) || !mesh_.SetSamplingSize(8)) {
        return false;
    }
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            unsigned const i = grid_.GetFirstIndex(true) + (transposed ? y : x);
            unsigned const j = grid_.GetFirstIndex(false) + (transposed ? x : y);
            if (!grid_.CalcPoint(i, j, mesh_.At(x + 1, y + 1))) {
                return false;
            }
        }
    }
    // One ring of positions beyond the symbol, a pitch out, gives the
    // outer dots their neighbours.
    auto beyond = [](Point const& edge, Point const& inner) {
        return Point{2 * edge.x - inner.x, 2 * edge.y - inner.y};
    };
    for (unsigned y = 1; y <= height; ++y) {
        mesh_.At(0, y) = beyond(mesh_.At(1, y), mesh_.At(2, y));
        mesh_.At(width + 1, y) = beyond(mesh_.At(width, y), mesh_.At(width - 1, y));
    }
    for (unsigned x = 0; x < width + 2; ++x) {
        mesh_.At(x, 0) = beyond(mesh_.At(x, 1), mesh_.At(x, 2));
        mesh_.At(x, height + 1) = beyond(mesh_.At(x, height), mesh_.At(x, height - 1));
    }
    return true;
}

int DotCodeDecoder::DecodeDataDotGrid(GrayImage const& image, bool dark, DecodedLabel& label)
{
    unsigned const columns = grid_.GetCount(true);
    unsigned const rows = grid_.GetCount(false);
    // Different parities: the reader's shape, even width and odd height.
    bool const transposed = columns % 2 == 1 && rows % 2 == 0;
    VariableSizeVirtualTable<bool> out(decided_);
    BinarizationSubroutineForDotCode binarization(luminance_, blocks_, out);
    for (int laplacian = 0; laplacian < 2; ++laplacian) {
        if (!CalcCodeMesh(transposed) || !binarization.Start(image, mesh_, laplacian != 0, dark, table_)) {
            return 0;
        }
        if (DecodeBinarizationTable(!dark, table_, label)) {
            return 1;
        }
    }
    return 0;
}

bool DotCodeDecoder::DecodeBinarizationTable(bool inverted, BinarizationTableForDotCode& table, DecodedLabel& label)
{
    unsigned const width = table.GetWidth();
    unsigned const height = table.GetHeight();
    unsigned const c = grid_.GetCount(true);
    unsigned const r = grid_.GetCount(false);
    bool const parity = grid_.GetParity();
    bool const record = property_->common_2d.fill_symbol_record.Get();
    bool reversed = false;
    bool o = false;
    bool m = false;
    unsigned index = 0;
    if ((width + height) % 2 == 1) {
        // Dots where x + y is even: a first column that starts blank is
        // read mirrored.
        if (parity) {
            table.ReverseX();
        }
        bool const read = DecodeBinarizationTable(table, label, reversed);
        if (parity) {
            table.ReverseX();
        }
        if (!read) {
            return false;
        }
        o = c % 2 == 0;
        m = parity;
    } else {
        // One edge line is spurious: cut it, the cut the parity selects
        // first, the other read mirrored; with both counts even, also with
        // rows and columns exchanged.
        bool const odd = width % 2 == 1;
        unsigned const pair[2] = {odd ? (parity ? 2u : 3u) : (parity ? 1u : 0u),
                                  odd ? (parity ? 3u : 2u) : (parity ? 0u : 1u)};
        unsigned const tries = odd ? 2 : 4;
        bool read = false;
        bool exchanged = false;
        unsigned cut = 0;
        for (unsigned t = 0; t < tries && !read; ++t) {
            if (t == 2) {
                if (!table.ExchangeXY(scratch_)) {
                    return false;
                }
                exchanged = true;
            }
            cut = pair[t % 2];
            m = t % 2 == 1;
            read = table.ExtractPartTable(cut, m, part_) && DecodeBinarizationTable(part_, label, reversed);
        }
        if (read && record) {
            if (m) {
                part_.ReverseX();
            }
            table.SetPartTable(part_, cut);
        }
        if (exchanged && !table.ExchangeXY(scratch_)) {
            return false;
        }
        if (!read) {
            return false;
        }
        bool const f = odd ? cut == 2 : cut == 0;
        o = odd ? r < c : (r >= c) != exchanged;
        bool const e = c % 2 == 0;
        index = o != e ? (f ? 1u : 3u) : (f ? 2u : 4u);
    }
    Region region;
    if (CalcSymbolRegion(grid_, o, m, reversed, index, region)) {
        label.region = region;
    }
    if (record) {
        FillDotGridRecord(table, label);
    }
    label.negative = inverted ? 1 : 0;
    return true;
}

bool DotCodeDecoder::CalcSymbolRegion(DataDotGrid const& grid, bool o, bool m, bool r, unsigned index,
                                      Region& region) const
{
    int const lastColumn = static_cast<int>(grid.GetCount(true)) - 1;
    int const lastRow = static_cast<int>(grid.GetCount(false)) - 1;
    int left = 2;
    int top = 2;
    int right = lastColumn - 2;
    int bottom = lastRow - 2;
    switch (index) {
    case 1: right = lastColumn - 1; break;
    case 2: bottom = lastRow - 1; break;
    case 3: left = 1; break;
    case 4: top = 1; break;
    default: break;
    }
    if (right < 0 || bottom < 0) {
        return false;
    }
    int const xs[4] = {left, right, right, left};
    int const ys[4] = {top, top, bottom, bottom};
    Point p[4];
    for (unsigned k = 0; k < 4; ++k) {
        if (!grid.CalcPoint(grid.GetFirstIndex(true) + static_cast<unsigned>(xs[k]),
                            grid.GetFirstIndex(false) + static_cast<unsigned>(ys[k]), p[k])) {
            return false;
        }
    }
    static unsigned const kOrders[4][4] = {{0, 1, 2, 3}, {2, 3, 0, 1}, {1, 0, 3, 2}, {3, 2, 1, 0}};
    unsigned order = 0;
    if (o == r) {
        order = !m ? 0 : (o ? 2 : 3);
    } else {
        order = m ? 1 : (!o ? 2 : 3);
    }
    for (unsigned k = 0; k < 4; ++k) {
        Point const& q = p[kOrders[order][k]];
        region.corner[k] = Point{q.x / 256, q.y / 256};
    }
    return true;
}

void DotCodeDecoder::FillDotGridRecord(BinarizationTableForDotCode const& table, DecodedLabel& label) const
{
    if (table.GetWidth() == 0 || table.GetHeight() == 0) {
        return;
    }
    VariableSizeVirtualTable<unsigned char> cells(&table.At(0, 0), table.GetWidth() * table.GetHeight());
    int product = 0;
    unsigned setMean = 0;
    unsigned clearMean = 0;
    if (!cells.Resize(table.GetWidth(), table.GetHeight()) ||
        !BinarizationSubroutine::CalcInnerProduct(luminance_, Vector{1, 1}, cells, product, setMean, clearMean)) {
        return;
    }
    label.further.present = 1;
    label.further.value1 = product;
    label.further.value2 = static_cast<int>(setMean);
    label.further.value3 = 0;
    label.further.value4 = clearMean;
}

}  // namespace DEC2DIvra
