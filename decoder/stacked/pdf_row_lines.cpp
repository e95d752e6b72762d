// Lines along the rows between the edge columns: their characters, row indicators and votes for the cells.
#include "decoder/stacked/pdf_row_reader.h"

#include <cmath>

#include "decoder/stacked/pdf_row_reader_tools.h"

namespace DEC2DIvra {

using namespace pdf_rows;

unsigned PDFRowReader::SampleRow(GrayImage const& image, float const p[2], float const q[2], float width, float margin,
                                 bool inverted, float& perSample, bool& firstDark)
{
    float const ex = (q[0] - p[0]) / width;
    float const ey = (q[1] - p[1]) / width;
    unsigned const count = SampleLine(image, p[0] - ex * margin, p[1] - ey * margin, q[0] + ex * margin,
                                      q[1] + ey * margin, inverted);
    if (count < 2) {
        return 0;
    }
    perSample = (width + 2 * margin) / static_cast<float>(count - 1);
    return FindEdges(count, firstDark);
}

bool PDFRowReader::ReadPdfLine(GrayImage const& image, float const p[2], float const q[2], unsigned columns,
                               float skew, bool inverted, LineRead& line)
{
    for (unsigned k = 0; k < columns; ++k) {
        line.value[k] = 0xFFFF;
    }
    line.endColumn = 0xFF;
    float const width = std::hypot(q[0] - p[0], q[1] - p[1]);
    if (!(width > 1.0f)) {
        return false;
    }
    float const cw = width / static_cast<float>(columns);
    float const margin = cw * 0.25f;
    float perSample = 0;
    bool firstDark = false;
    unsigned const edges = SampleRow(image, p, q, width, margin, inverted, perSample, firstDark);
    float const* e = b_->edges;
    float const root = std::sqrt(skew);
    // Where column k begins, in samples, under the perspective the edge
    // columns' module widths tell.
    auto columnAt = [&](unsigned k) {
        return (margin + width * Foreshorten(static_cast<float>(k) / static_cast<float>(columns), root)) / perSample;
    };
    // Each character is looked for where the last one read ended, at its
    // width; after a miss, where the perspective puts its column.
    unsigned next = firstDark ? 0 : 1;
    float expected = columnAt(0);
    float along = columnAt(1) - expected;
    bool anyRead = false;
    for (unsigned k = 0; k < columns; ++k) {
        unsigned best = edges;
        float bestDistance = along * 0.3f;
        for (unsigned j = next; j + 8 < edges; j += 2) {
            float const d = Abs(e[j] - expected);
            if (d < bestDistance) {
                bestDistance = d;
                best = j;
            }
            if (e[j] > expected + along * 0.3f) {
                break;
            }
        }
        float span = 0;
        if (best < edges) {
            span = e[best + 8] - e[best];
        }
        unsigned value = 0;
        unsigned cluster = 0;
        float w[8];
        bool read = best < edges && Abs(span - along) <= 0.25f * along;
        if (read) {
            for (unsigned n = 0; n < 8; ++n) {
                w[n] = e[best + n + 1] - e[best + n];
            }
            read = DecodeCharacter(w, value, cluster);
        }
        if (read) {
            line.value[k] = static_cast<unsigned short>(value);
            line.cluster[k] = static_cast<unsigned char>(cluster);
            next = best;
            expected = e[best + 8];
            along = span;
            anyRead = true;
            float const at = expected * perSample - margin;
            line.end[0] = p[0] + (q[0] - p[0]) * at / width;
            line.end[1] = p[1] + (q[1] - p[1]) * at / width;
            line.endModule = span * perSample / 17.0f;
            line.endColumn = static_cast<unsigned char>(k);
        } else {
            expected = columnAt(k + 1);
            along = columnAt(k + 2) - expected;
        }
    }
    return anyRead;
}

namespace {

// How many more reads two clusters of the three need to be read twice each.
unsigned ReadsShortOfTwoClusters(unsigned const lines[3])
{
    unsigned first = 0;
    unsigned second = 0;
    for (unsigned c = 0; c < 3; ++c) {
        if (lines[c] > first) {
            second = first;
            first = lines[c];
        } else if (lines[c] > second) {
            second = lines[c];
        }
    }
    return (first < 2 ? 2 - first : 0) + (second < 2 ? 2 - second : 0);
}

// The column from `top` to `bottom` (`along`), the unit normal to it that
// points the reading way (ux, uy), and the cosine between the two; false
// for a column of no length.
bool ColumnNormal(float const top[2], float const bottom[2], float ux, float uy, float along[2], float normal[2],
                  float& cosine)
{
    along[0] = bottom[0] - top[0];
    along[1] = bottom[1] - top[1];
    float const length = std::hypot(along[0], along[1]);
    if (!(length > 0.0f)) {
        return false;
    }
    normal[0] = -along[1] / length;
    normal[1] = along[0] / length;
    cosine = normal[0] * ux + normal[1] * uy;
    if (cosine < 0) {
        normal[0] = -normal[0];
        normal[1] = -normal[1];
        cosine = -cosine;
    }
    return true;
}

}  // namespace

void PDFRowReader::ProbeRowIndicators(GrayImage const& image, float const top[2], float const along[2],
                                      float const way[2], float reach, bool start, bool inverted,
                                      unsigned probesAfter, unsigned lines[3])
{
    LineRead& line = b_->rowLine;
    float const signedReach = start ? reach : -reach;
    for (unsigned i = 0; i < kIndicatorProbes; ++i) {
        // Two clusters of two reads are out of reach of the lines left.
        if (ReadsShortOfTwoClusters(lines) > kIndicatorProbes - i + probesAfter) {
            return;
        }
        float const f = (static_cast<float>(i) + 0.5f) / static_cast<float>(kIndicatorProbes);
        float const at[2] = {top[0] + f * along[0], top[1] + f * along[1]};
        float const other[2] = {at[0] + signedReach * way[0], at[1] + signedReach * way[1]};
        bool const read = start ? ReadPdfLine(image, at, other, 1, 1.0f, inverted, line)
                                : ReadPdfLine(image, other, at, 1, 1.0f, inverted, line);
        if (read && line.cluster[0] / 3 < 3) {
            ++lines[line.cluster[0] / 3];
        }
    }
}

bool PDFRowReader::ShowsRowIndicators(GrayImage const& image, float const top[2], float const bottom[2], float module,
                                      float ux, float uy, bool start, bool inverted)
{
    // The row indicators beside the column, read on lines across it spread
    // over its length: consecutive rows use the three clusters in turn, the
    // bars of a linear symbol give one character (or none) on every line.
    // The lines run along the search lines and square to the column (the
    // rows' way when the search lines cross them at a slant).
    float along[2];
    float square[2];
    float cosine = 0;
    if (!ColumnNormal(top, bottom, ux, uy, along, square, cosine)) {
        return false;
    }
    unsigned lines[3] = {0, 0, 0};
    float const search[2] = {ux, uy};
    ProbeRowIndicators(image, top, along, search, 17.0f * module, start, inverted, kIndicatorProbes, lines);
    ProbeRowIndicators(image, top, along, square, 17.0f * module * cosine, start, inverted, 0, lines);
    return ReadsShortOfTwoClusters(lines) == 0;
}

bool PDFRowReader::ColumnProbe::SameAs(ColumnProbe const& other) const
{
    return ux == other.ux && uy == other.uy && start == other.start && inverted == other.inverted &&
           Abs(top[0] - other.top[0]) <= kColumnMoved && Abs(top[1] - other.top[1]) <= kColumnMoved &&
           Abs(bottom[0] - other.bottom[0]) <= kColumnMoved && Abs(bottom[1] - other.bottom[1]) <= kColumnMoved &&
           17.0f * Abs(module - other.module) <= kColumnMoved;
}

bool PDFRowReader::SweepsBeside(GrayImage const& image, float const top[2], float const bottom[2], float module,
                                float ux, float uy, bool start, bool inverted)
{
    ColumnProbe const asked{{top[0], top[1]}, {bottom[0], bottom[1]}, module, ux, uy, start, inverted};
    RowCheck& last = rowCheck_;
    if (last.set && last.column.SameAs(asked)) {
        return last.shown;
    }
    last.set = true;
    last.column = asked;
    last.shown = ShowsTurnedRowIndicators(image, top, bottom, module, ux, uy, start, inverted);
    return last.shown;
}

bool PDFRowReader::ShowsTurnedRowIndicators(GrayImage const& image, float const top[2], float const bottom[2],
                                            float module, float ux, float uy, bool start, bool inverted)
{
    float along[2];
    float normal[2];
    float cosine = 0;
    if (!ColumnNormal(top, bottom, ux, uy, along, normal, cosine)) {
        return false;
    }
    // A character's width square to the column (the seen module is along
    // the search lines, at a slant to the bars), and wider by the secant on
    // a line turned off square.
    float const square = 17.0f * module * cosine;
    for (float const turn : kRowTurns) {
        float const c = std::cos(turn);
        float const sn = std::sin(turn);
        float const way[2] = {normal[0] * c - normal[1] * sn, normal[0] * sn + normal[1] * c};
        unsigned lines[3] = {0, 0, 0};
        ProbeRowIndicators(image, top, along, way, square / c, start, inverted, 0, lines);
        if (ReadsShortOfTwoClusters(lines) == 0) {
            return true;
        }
    }
    return false;
}

bool PDFRowReader::RowPositions(unsigned lines, unsigned side, unsigned rows, float* at) const
{
    // Each row at the median fraction of the lines whose indicator on this
    // side names it; rows far off a straight fit over the others are taken
    // for misreads; the missing ones are interpolated between known rows.
    float fractions[kMaxLines];
    bool known[kMaxRows];
    float r[kMaxRows];
    float f[kMaxRows];
    bool use[kMaxRows];
    unsigned count = 0;
    for (unsigned row = 0; row < rows; ++row) {
        unsigned n = 0;
        for (unsigned i = 0; i < lines; ++i) {
            if (b_->lines[i].row[side] == static_cast<short>(row)) {
                float const v = b_->lines[i].fraction;
                unsigned j = n++;
                for (; j > 0 && fractions[j - 1] > v; --j) {
                    fractions[j] = fractions[j - 1];
                }
                fractions[j] = v;
            }
        }
        known[row] = n > 0;
        if (n > 0) {
            at[row] = fractions[n / 2];
            r[count] = static_cast<float>(row);
            f[count] = at[row];
            use[count] = true;
            ++count;
        }
    }
    if (count < 3) {
        return false;
    }
    float a = 0;
    float b = 0;
    // Rows run down the column or, read from the other end, up it.
    if (!FitLine(r, f, use, count, a, b) || !(Abs(b) > 0)) {
        return false;
    }
    unsigned kept = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (Abs(f[i] - (a + b * r[i])) > 2.0f * Abs(b)) {
            known[static_cast<unsigned>(r[i])] = false;
        } else {
            ++kept;
        }
    }
    if (kept < 3) {
        return false;
    }
    for (unsigned row = 0; row < rows; ++row) {
        if (known[row]) {
            continue;
        }
        int before = -1;
        int after = -1;
        for (int k = static_cast<int>(row) - 1; k >= 0 && before < 0; --k) {
            before = known[k] ? k : -1;
        }
        for (unsigned k = row + 1; k < rows && after < 0; ++k) {
            after = known[k] ? static_cast<int>(k) : -1;
        }
        if (before >= 0 && after >= 0) {
            float const t = static_cast<float>(static_cast<int>(row) - before) / static_cast<float>(after - before);
            at[row] = at[before] + t * (at[after] - at[before]);
        } else {
            at[row] = a + b * static_cast<float>(row);
        }
    }
    return true;
}

void PDFRowReader::VoteRows(GrayImage const& image, bool inverted, bool micro, unsigned columns, unsigned rows,
                            unsigned dataColumns, unsigned firstColumn, int clusterShift, float const lt[2],
                            float const lb[2], float const rt[2], float const rb[2], float skew, unsigned lines)
{
    // Under perspective a row meets the two edge columns at different
    // fractions of their lengths: each row is read along the line joining
    // where the indicators on either side put it.
    float* at[2] = {b_->rowAt[0], b_->rowAt[1]};
    bool const have[2] = {RowPositions(lines, 0, rows, at[0]), RowPositions(lines, 1, rows, at[1])};
    if (!have[0] && !have[1]) {
        return;
    }
    for (unsigned side = 0; side < 2; ++side) {
        if (!have[side]) {
            for (unsigned row = 0; row < rows; ++row) {
                at[side][row] = at[1 - side][row];
            }
        }
    }
    static constexpr float kWithin[3] = {-0.3f, 0.0f, 0.3f};
    LineRead& line = b_->rowLine;
    for (unsigned row = 0; row < rows; ++row) {
        for (float const within : kWithin) {
            float fraction[2];
            for (unsigned side = 0; side < 2; ++side) {
                float const* a = at[side];
                float const pitch = rows < 2 ? 0.0f
                                    : row == 0 ? a[1] - a[0]
                                    : row + 1 == rows ? a[row] - a[row - 1]
                                                      : (a[row + 1] - a[row - 1]) / 2;
                fraction[side] = a[row] + within * pitch;
            }
            float const p[2] = {lt[0] + fraction[0] * (lb[0] - lt[0]), lt[1] + fraction[0] * (lb[1] - lt[1])};
            float const q[2] = {rt[0] + fraction[1] * (rb[0] - rt[0]), rt[1] + fraction[1] * (rb[1] - rt[1])};
            bool const read = micro ? ReadMicroLine(image, p, q, columns, skew, inverted, line)
                                    : ReadPdfLine(image, p, q, columns, skew, inverted, line);
            if (!read) {
                continue;
            }
            for (unsigned c = 0; c < dataColumns; ++c) {
                unsigned const value = line.value[c + firstColumn];
                if (value != 0xFFFF &&
                    ((static_cast<int>(row) + clusterShift) % 3 + 3) % 3 * 3 == line.cluster[c + firstColumn]) {
                    Vote(row * dataColumns + c, value);
                }
            }
        }
    }
}

void PDFRowReader::Vote(unsigned cell, unsigned value)
{
    Cell& target = b_->cells[cell];
    unsigned s = 0;
    for (; s < kSlots && target.count[s] != 0 && target.value[s] != value; ++s) {
    }
    if (s < kSlots) {
        target.value[s] = static_cast<unsigned short>(value);
        ++target.count[s];
    }
}

bool PDFRowReader::VoteCells(unsigned lines, unsigned rows, unsigned dataColumns, unsigned firstColumn,
                            int clusterShift, float const* across, unsigned stride)
{
    // The rows on each side as straight lines over the fraction; a line laid
    // slightly across the rows meets a row between the two at a column.
    float fraction[kMaxLines];
    float rowOf[kMaxLines];
    bool use[kMaxLines];
    float a[2] = {0, 0};
    float b[2] = {0, 0};
    bool fitted[2] = {false, false};
    for (unsigned side = 0; side < 2; ++side) {
        for (unsigned i = 0; i < lines; ++i) {
            bool const read = i % stride == 0;
            fraction[i] = read ? b_->lines[i].fraction : 0.0f;
            short const r = read ? b_->lines[i].row[side] : static_cast<short>(-1);
            rowOf[i] = static_cast<float>(r);
            use[i] = r >= 0 && r < static_cast<short>(rows);
        }
        bool ok = true;
        for (int round = 0; round < 3 && ok; ++round) {
            ok = FitLine(fraction, rowOf, use, lines, a[side], b[side]);
            float const limit = round == 0 ? 4.0f : 1.0f;
            for (unsigned i = 0; i < lines && ok; ++i) {
                use[i] = rowOf[i] >= 0 && Abs(rowOf[i] - (a[side] + b[side] * fraction[i])) <= limit;
            }
        }
        unsigned used = 0;
        for (unsigned i = 0; i < lines; ++i) {
            used += use[i] ? 1u : 0u;
        }
        fitted[side] = ok && used >= 3;
    }
    if (!fitted[0] && !fitted[1]) {
        return false;
    }
    for (unsigned side = 0; side < 2; ++side) {
        if (!fitted[side]) {
            a[side] = a[1 - side];
            b[side] = b[1 - side];
        }
    }
    for (unsigned c = 0; c < rows * dataColumns; ++c) {
        for (unsigned s = 0; s < kSlots; ++s) {
            b_->cells[c].count[s] = 0;
        }
    }
    for (unsigned i = 0; i < lines; i += stride) {
        LineRead const& line = b_->lines[i];
        float const left = a[0] + b[0] * line.fraction;
        float const right = a[1] + b[1] * line.fraction;
        for (unsigned c = 0; c < dataColumns; ++c) {
            unsigned const value = line.value[c + firstColumn];
            if (value == 0xFFFF) {
                continue;
            }
            float const estimate = left + (right - left) * across[c];
            int const cluster = line.cluster[c + firstColumn];
            // The row of the character's cluster nearest to the estimate.
            int const nearest = static_cast<int>(std::lround(estimate));
            int r = -1;
            for (int d = -1; d <= 1; ++d) {
                int const candidate = nearest + d;
                if (((candidate + clusterShift) % 3 + 3) % 3 * 3 == cluster &&
                    Abs(static_cast<float>(candidate) - estimate) < 1.2f) {
                    r = candidate;
                }
            }
            if (r < 0 || r >= static_cast<int>(rows)) {
                continue;
            }
            Vote(static_cast<unsigned>(r) * dataColumns + c, value);
        }
    }
    return true;
}

void PDFRowReader::TallyCells(unsigned cells, unsigned short* codewords, unsigned short* erasures,
                              unsigned& erasureCount) const
{
    erasureCount = 0;
    for (unsigned c = 0; c < cells; ++c) {
        Cell const& cell = b_->cells[c];
        unsigned best = 0;
        unsigned second = 0;
        unsigned short value = 0;
        for (unsigned s = 0; s < kSlots; ++s) {
            if (cell.count[s] > best) {
                second = best;
                best = cell.count[s];
                value = cell.value[s];
            } else if (cell.count[s] > second) {
                second = cell.count[s];
            }
        }
        if (best == 0 || best == second) {
            codewords[c] = 0;
            erasures[erasureCount++] = static_cast<unsigned short>(c);
        } else {
            codewords[c] = value;
        }
    }
}

}  // namespace DEC2DIvra
