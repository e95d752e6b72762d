// MicroPDF417 symbols and CC-A read between their row address columns.
#include "decoder/stacked/pdf_row_reader.h"

#include <cmath>

#include "decoder/stacked/micro_pdf_version_table.h"
#include "decoder/stacked/pdf_character_table.h"
#include "decoder/stacked/pdf_row_reader_tools.h"

namespace DEC2DIvra {

using namespace pdf_rows;

unsigned PDFRowReader::DecodeRowAddress(float const widths[6])
{
    int modules[6];
    if (!RoundModules(widths, 6, 10, 5, modules)) {
        return 255;
    }
    unsigned pattern = 0;
    for (unsigned i = 0; i < 6; ++i) {
        for (int m = 0; m < modules[i]; ++m) {
            pattern = pattern << 1 | (i % 2 == 0 ? 0u : 1u);
        }
    }
    // The tenth module is always a space.
    if ((pattern & 1u) == 0) {
        return 255;
    }
    return MicroPDFCharacterTable::Lookup(pattern >> 1);
}

namespace {

// The pairs of one width that make the symbol's columns, from those found
// on the search lines (`lineOf`, `columns` wide); their count, kept first.
unsigned KeepMicroColumn(PDFRowReader::Hit* left, PDFRowReader::Hit* right, unsigned short const* lineOf,
                         unsigned char const* columns, unsigned leftCount, bool besideBars, float ux, float uy,
                         unsigned& keptColumns)
{
    // A symbol's rows are crossed by several lines in a row, each finding
    // its pair where the last one did; a pair that no near line repeats is
    // chance (noise over a plain background makes runs of any width, and now
    // and then a pair that fits) and has no vote. Where too few are repeated
    // to fit a column (a small symbol met at a slant, whose rows few lines
    // cross whole), every pair votes.
    unsigned repeatedCount = 0;
    bool repeated[PDFRowReader::kMaxLines];
    for (unsigned i = 0; i < leftCount; ++i) {
        repeated[i] = IsRepeated(left, right, lineOf, columns, leftCount, i, ux, uy);
        repeatedCount += repeated[i] ? 1u : 0u;
    }
    bool const filter = repeatedCount >= kMinRepeated;
    unsigned votes[5] = {};
    for (unsigned i = 0; i < leftCount; ++i) {
        votes[columns[i]] += !filter || repeated[i] ? 1u : 0u;
    }
    // Pairs found in other symbols' bars scatter over the widths, mostly the
    // narrow ones; the symbol's own agree on one: the one most found or,
    // beside a linear symbol's bars, the widest that enough lines found.
    unsigned best = 1;
    for (unsigned k = 2; k <= 4; ++k) {
        best = votes[k] > votes[best] ? k : best;
    }
    for (unsigned k = 4; besideBars && k > best; --k) {
        if (votes[k] >= 3) {
            best = k;
            break;
        }
    }
    // A pair of that width found once stays when both its ends lie on the
    // columns through the first and the last repeated pair: a lone line
    // across the symbol's far rows still lengthens its columns.
    unsigned first = leftCount;
    unsigned last = leftCount;
    for (unsigned i = 0; filter && i < leftCount; ++i) {
        if (repeated[i] && columns[i] == best) {
            first = first < leftCount ? first : i;
            last = i;
        }
    }
    keptColumns = best;
    unsigned kept = 0;
    for (unsigned i = 0; i < leftCount; ++i) {
        bool const keep = !filter || repeated[i] ||
                          (first < last && OnColumn(left[first], left[last], left[i]) &&
                           OnColumn(right[first], right[last], right[i]));
        if (columns[i] == best && keep) {
            left[kept] = left[i];
            right[kept] = right[i];
            ++kept;
        }
    }
    return kept;
}

}  // namespace

unsigned PDFRowReader::CollectMicroHits(GrayImage const& image, Area const& area, bool inverted, bool backward,
                                        float maxRatio, bool besideBars, unsigned& farPairs, unsigned& looseCount,
                                        unsigned& looseFarPairs, unsigned keptColumns[2])
{
    // One sampling of the lines serves both kinds of pair: [0] strict ones
    // into left and right, [1] loose ones into spareLeft and spareRight.
    unsigned char columns[2][kMaxLines];
    unsigned short lineOf[2][kMaxLines];
    Hit* const lefts[2] = {b_->left, b_->spareLeft};
    Hit* const rights[2] = {b_->right, b_->spareRight};
    unsigned counts[2] = {0, 0};
    unsigned far[2] = {0, 0};
    float const ux = backward ? -area.ux : area.ux;
    float const uy = backward ? -area.uy : area.uy;
    unsigned const lines = CountSearchLines(area);
    for (unsigned j = 0; j < lines; ++j) {
        float x0 = 0;
        float y0 = 0;
        float step = 0;
        bool firstDark = false;
        unsigned const edges = ScanSearchLine(image, area, inverted, backward, j, x0, y0, step, firstDark);
        if (edges == 0) {
            continue;
        }
        float const* e = b_->edges;
        // Side patterns on the line; a left and a right one make a pair when
        // the data between them is as wide as 1 to 4 columns.
        struct Sighting {
            float begin;
            float end;
            float module;
            bool quiet;
            bool stop;
            bool dataAfter;   // a symbol character follows
            bool dataBefore;  // a symbol character precedes
            bool center;      // a center pattern
            float before;     // where the character before it begins
        };
        // Other symbols' characters pass for row address patterns (Code 128's
        // six runs above all): a pair counts beside data only.
        auto character = [e](unsigned from) {
            float w[8];
            for (unsigned i = 0; i < 8; ++i) {
                w[i] = e[from + i + 1] - e[from + i];
            }
            unsigned value = 0;
            unsigned cluster = 0;
            return DecodeCharacter(w, value, cluster);
        };
        Sighting seen[kMaxSightings];
        unsigned seenCount = 0;
        for (unsigned k = firstDark ? 0 : 1; k + 6 < edges && seenCount < kMaxSightings; k += 2) {
            float w[6];
            for (unsigned i = 0; i < 6; ++i) {
                w[i] = e[k + i + 1] - e[k + i];
            }
            unsigned const number = DecodeRowAddress(w);
            // A three-column CC-A has no left pattern: its center one stands in.
            bool const center = besideBars && number > 64 && number != 255;
            if (number != 255 && (number <= 52 || center)) {
                float const module = (e[k + 6] - e[k]) / 10.0f;
                // A left pattern has light before it; a right one the stop bar after it.
                bool const quiet = k == 0 || e[k] - e[k - 1] >= 1.5f * module;
                bool const stop = k + 7 < edges && Abs(e[k + 7] - e[k + 6] - module) <= 0.6f * module &&
                                  (k + 8 >= edges || e[k + 8] - e[k + 7] >= 1.5f * module);
                bool const after = k + 14 < edges && character(k + 6);
                bool const before = k >= 8 && character(k - 8);
                seen[seenCount++] =
                    Sighting{e[k], e[k + 6], module, quiet, stop, after, before, center, before ? e[k - 8] : 0.0f};
            }
        }
        bool have[2] = {false, false};
        Hit left[2] = {};
        Hit right[2] = {};
        // The widest such pair: patterns inside the data may pass for narrower ones.
        float widest[2] = {0, 0};
        unsigned widestColumns[2] = {0, 0};
        for (unsigned i = 0; i < seenCount; ++i) {
            for (unsigned j = i + 1; j < seenCount; ++j) {
                // Under perspective the two ends' modules differ; the span
                // between them is measured in their geometric mean.
                float const ratio = seen[i].module / seen[j].module;
                bool const center = seen[i].center;
                if ((!center && !seen[i].quiet) || seen[j].center || !seen[j].stop ||
                    (center && !seen[i].dataBefore) || !(seen[i].dataAfter || seen[j].dataBefore)) {
                    continue;
                }
                // Strict pairs have data read beside both patterns; every
                // pair here is a loose one.
                bool const strict = seen[i].dataAfter && seen[j].dataBefore;
                bool const apart = ratio > maxRatio || ratio < 1 / maxRatio;
                bool const perspective = ratio <= kSideModuleRatios[1] && ratio >= 1 / kSideModuleRatios[1];
                float const module = std::sqrt(seen[i].module * seen[j].module);
                // From a center pattern the row's data starts one character
                // before it, where a left pattern would end.
                float const end = center ? seen[i].begin - 17 * module : seen[i].end;
                float const between = (seen[j].begin - end) / module;
                unsigned const fits = center ? (Abs(between - 61) < 4 ? 3 : 0)
                                    : Abs(between - 17) < 3 ? 1 : Abs(between - 34) < 3 ? 2
                                    : Abs(between - 61) < 4 ? 3 : Abs(between - 78) < 4 ? 4 : 0;
                for (unsigned kind = strict ? 0u : 1u; kind < 2 && fits != 0; ++kind) {
                    if (apart) {
                        far[kind] += perspective ? 1u : 0u;
                    } else if (between > widest[kind]) {
                        widest[kind] = between;
                        widestColumns[kind] = fits;
                        // Under perspective the mean module misplaces the
                        // row's start: the center pattern's own module
                        // measures the character before it.
                        float start = end;
                        if (center) {
                            float const wide = (seen[i].begin - seen[i].before) / (17 * seen[i].module);
                            start = wide > 0.75f && wide < 1.6f ? seen[i].before
                                                                 : seen[i].begin - 17 * seen[i].module;
                        }
                        float const p = start * step;
                        float const q = seen[j].begin * step;
                        left[kind] = Hit{x0 + ux * p, y0 + uy * p, seen[i].module * step};
                        right[kind] = Hit{x0 + ux * q, y0 + uy * q, seen[j].module * step};
                        have[kind] = true;
                    }
                }
            }
        }
        for (unsigned kind = 0; kind < 2; ++kind) {
            if (have[kind]) {
                columns[kind][counts[kind]] = static_cast<unsigned char>(widestColumns[kind]);
                lineOf[kind][counts[kind]] = static_cast<unsigned short>(j);
                lefts[kind][counts[kind]] = left[kind];
                rights[kind][counts[kind]++] = right[kind];
            }
        }
    }
    farPairs += far[0];
    looseFarPairs = far[1];
    looseCount =
        KeepMicroColumn(lefts[1], rights[1], lineOf[1], columns[1], counts[1], besideBars, ux, uy, keptColumns[1]);
    return KeepMicroColumn(lefts[0], rights[0], lineOf[0], columns[0], counts[0], besideBars, ux, uy, keptColumns[0]);
}

bool PDFRowReader::ReadMicroLine(GrayImage const& image, float const p[2], float const q[2], unsigned columns,
                                 float skew, bool inverted, LineRead& line)
{
    line.address[0] = line.address[1] = line.address[2] = 0;
    for (unsigned k = 0; k < columns; ++k) {
        line.value[k] = 0xFFFF;
    }
    float const width = std::hypot(q[0] - p[0], q[1] - p[1]);
    if (!(width > 1.0f)) {
        return false;
    }
    float const total = kWidths[columns - 1];
    float const centerAt = columns == 3 ? 17.0f : 34.0f;
    float const m = width / total;
    float const root = std::sqrt(skew);
    // Room for the side patterns at the larger of the two ends' modules.
    float const margin = 12.0f * m * (root > 1 ? root : 1 / root);
    float perSample = 0;
    bool firstDark = false;
    unsigned const edges = SampleRow(image, p, q, width, margin, inverted, perSample, firstDark);
    float const* e = b_->edges;
    // `at` modules from P in samples, under the perspective the edge columns tell.
    auto position = [&](float at) { return (margin + width * Foreshorten(at / total, root)) / perSample; };
    // The window of `runs` runs whose first bar begins nearest to `at` modules from P.
    auto window = [&](float at, unsigned runs, float modules, float* w) {
        float const expected = position(at);
        float const span = position(at + modules) - expected;
        unsigned best = edges;
        float bestDistance = 0.3f * span;
        for (unsigned j = firstDark ? 0 : 1; j + runs < edges; j += 2) {
            float const d = Abs(e[j] - expected);
            if (d < bestDistance) {
                bestDistance = d;
                best = j;
            }
        }
        if (best >= edges || Abs(e[best + runs] - e[best] - span) > 0.2f * span) {
            return false;
        }
        for (unsigned n = 0; n < runs; ++n) {
            w[n] = e[best + n + 1] - e[best + n];
        }
        return true;
    };
    float w[8];
    if (window(-10.0f, 6, 10.0f, w)) {
        unsigned const n = DecodeRowAddress(w);
        line.address[0] = static_cast<unsigned char>(n <= 52 ? n : 0);
    }
    if (window(total, 6, 10.0f, w)) {
        unsigned const n = DecodeRowAddress(w);
        line.address[2] = static_cast<unsigned char>(n <= 52 ? n : 0);
    }
    if (columns >= 3 && window(centerAt, 6, 10.0f, w)) {
        unsigned const n = DecodeRowAddress(w);
        line.address[1] = static_cast<unsigned char>(n > 64 && n != 255 ? n - 64 : 0);
    }
    bool anyRead = false;
    for (unsigned k = 0; k < columns; ++k) {
        unsigned value = 0;
        unsigned cluster = 0;
        if (window(kOffsets[columns - 1][k], 8, 17.0f, w) && DecodeCharacter(w, value, cluster)) {
            line.value[k] = static_cast<unsigned short>(value);
            line.cluster[k] = static_cast<unsigned char>(cluster);
            anyRead = true;
        }
    }
    return anyRead;
}

unsigned PDFRowReader::PickMicroVersion(unsigned lines, unsigned columns, bool componentSizes)
{
    // The version whose columns take the most of the pattern numbers seen,
    // counting first the lines whose left (or center) and right numbers name
    // the same row (sizes that share numbers differ in where the right column
    // starts; a tall size takes nearly every number, a misread one too).
    unsigned bestPairs = 0;
    unsigned bestVotes = 0;
    unsigned best = MicroPDFVersionTable::kCount;
    // Three columns and no left pattern read on any line: a CC-A, whose
    // numbers a tall MicroPDF417 size would take as well, sheared rows
    // pairing on few lines.
    bool leftSeen = false;
    for (unsigned i = 0; i < lines && !leftSeen; ++i) {
        leftSeen = b_->lines[i].address[0] != 0;
    }
    bool const ccAOnly = componentSizes && columns == 3 && !leftSeen;
    for (unsigned v = 0; v < MicroPDFVersionTable::kCount; ++v) {
        MicroPDFVersionTable::Element const& element = MicroPDFVersionTable::table[v];
        if (element.columns != columns || (element.ccA != 0 && !componentSizes) || (element.ccA == 0 && ccAOnly)) {
            continue;
        }
        unsigned votes = 0;
        unsigned pairs = 0;
        for (unsigned i = 0; i < lines; ++i) {
            int row[3] = {-1, -1, -1};
            for (unsigned p = 0; p < 3; ++p) {
                unsigned const n = b_->lines[i].address[p];
                if (n == 0) {
                    continue;
                }
                unsigned const start = MicroPDFVersionTable::CalcColumnStart(
                    element, static_cast<MicroPDFVersionTable::FinderPosition>(p));
                unsigned const r = (n + 52 - start) % 52;
                if (r < element.rows) {
                    row[p] = static_cast<int>(r);
                    ++votes;
                }
            }
            // A three-column CC-A has no left column: its center one is
            // paired with the right.
            int const other = row[0] >= 0 ? row[0] : row[1];
            if (other >= 0 && row[2] >= 0 && (other - row[2] <= 2 && row[2] - other <= 2)) {
                ++pairs;
            }
        }
        bool const better =
            best >= MicroPDFVersionTable::kCount || pairs > bestPairs ||
            (pairs == bestPairs && (votes > bestVotes ||
                                    (votes == bestVotes && element.rows < MicroPDFVersionTable::table[best].rows)));
        if (better && (pairs > 0 || votes > 0)) {
            bestPairs = pairs;
            bestVotes = votes;
            best = v;
        }
    }
    if (best >= MicroPDFVersionTable::kCount) {
        return best;
    }
    MicroPDFVersionTable::Element const& element = MicroPDFVersionTable::table[best];
    // A three-column CC-A has no left column: its rows are told on the left
    // from its center column.
    bool const noLeft = element.ccA != 0 && element.columns == 3;
    for (unsigned i = 0; i < lines; ++i) {
        LineRead& line = b_->lines[i];
        for (unsigned side = 0; side < 2; ++side) {
            unsigned const p = side == 1 ? 2 : noLeft ? 1 : 0;
            unsigned const n = line.address[p];
            unsigned const start =
                MicroPDFVersionTable::CalcColumnStart(element, static_cast<MicroPDFVersionTable::FinderPosition>(p));
            unsigned const r = (n + 52 - start) % 52;
            line.row[side] = static_cast<short>(n != 0 && r < element.rows ? static_cast<int>(r) : -1);
        }
    }
    return best;
}

bool PDFRowReader::CarryRowsToEnds(unsigned lines, unsigned rows)
{
    // Under perspective a line laid between the columns crosses the rows at
    // a slant: the row at its left end is not the one at the center column
    // but lies on past it, half as far again as the right column's row
    // (the center pattern's middle is 22 modules from the row's start, the
    // right one's 44 further on). The rows on either side as straight lines
    // over the lines' fractions, misreads left out.
    float fraction[kMaxLines];
    float rowOf[kMaxLines];
    bool use[kMaxLines];
    float a[2] = {0, 0};
    float b[2] = {0, 0};
    for (unsigned side = 0; side < 2; ++side) {
        unsigned used = 0;
        for (unsigned i = 0; i < lines; ++i) {
            fraction[i] = b_->lines[i].fraction;
            rowOf[i] = static_cast<float>(b_->lines[i].row[side]);
            use[i] = b_->lines[i].row[side] >= 0;
        }
        bool ok = true;
        for (int round = 0; round < 3 && ok; ++round) {
            ok = FitLine(fraction, rowOf, use, lines, a[side], b[side]);
            float const limit = round == 0 ? 2.0f : 1.0f;
            used = 0;
            for (unsigned i = 0; i < lines && ok; ++i) {
                use[i] = rowOf[i] >= 0 && Abs(rowOf[i] - (a[side] + b[side] * fraction[i])) <= limit;
                used += use[i] ? 1u : 0u;
            }
        }
        if (!ok || used < 3) {
            return false;
        }
    }
    for (unsigned i = 0; i < lines; ++i) {
        float const f = b_->lines[i].fraction;
        float const center = a[0] + b[0] * f;
        float const right = a[1] + b[1] * f;
        float const at[2] = {center - (right - center) * 0.5f, center + (right - center) * (39.0f / 44.0f)};
        for (unsigned side = 0; side < 2; ++side) {
            long const r = std::lround(at[side]);
            b_->lines[i].row[side] = static_cast<short>(r >= 0 && r < static_cast<long>(rows) ? r : -1);
        }
    }
    return true;
}

bool PDFRowReader::ReadMicro(GrayImage const& image, Area const& area, bool inverted, bool backward,
                             bool componentSizes, float maxRatio, unsigned& farPairs, unsigned& version,
                             unsigned short* codewords, unsigned short* erasures, unsigned& erasureCount,
                             float corners[8])
{
    float lt[2], lb[2], rt[2], rb[2];
    float leftModule = 0;
    float rightModule = 0;
    // Pairs with data read on both sides first; when those give no columns
    // (blur), pairs with data on one side.
    unsigned looseCount = 0;
    unsigned looseFarPairs = 0;
    unsigned hitColumns[2] = {0, 0};
    unsigned const count = CollectMicroHits(image, area, inverted, backward, maxRatio, componentSizes, farPairs,
                                            looseCount, looseFarPairs, hitColumns);
    unsigned pairedColumns = hitColumns[0];
    if (!FitColumn(b_->left, count, area, backward, lt[0], lt[1], lb[0], lb[1], leftModule) ||
        !FitColumn(b_->right, count, area, backward, rt[0], rt[1], rb[0], rb[1], rightModule)) {
        pairedColumns = hitColumns[1];
        farPairs += looseFarPairs;
        if (!FitColumn(b_->spareLeft, looseCount, area, backward, lt[0], lt[1], lb[0], lb[1], leftModule) ||
            !FitColumn(b_->spareRight, looseCount, area, backward, rt[0], rt[1], rb[0], rb[1], rightModule)) {
            return false;
        }
    }
    Join(lt, lb, rt, rb);
    float const module = (leftModule + rightModule) / 2;
    float const skew = Skew(leftModule, rightModule);
    float const midWidth =
        std::hypot((rt[0] + rb[0] - lt[0] - lb[0]) / 2, (rt[1] + rb[1] - lt[1] - lb[1]) / 2) /
        std::sqrt(leftModule * rightModule);
    // A CC-A's three columns are told by its center pattern: its span to the
    // right one, read in their mean module, runs long under perspective
    // (the row's first character, where the module is largest, lies
    // beyond it).
    unsigned const columns = componentSizes && pairedColumns == 3 ? 3 : MicroColumns(midWidth);
    if (columns == 0) {
        return false;
    }
    float const total = kWidths[columns - 1];
    float const lengthLeft = std::hypot(lb[0] - lt[0], lb[1] - lt[1]);
    float const lengthRight = std::hypot(rb[0] - rt[0], rb[1] - rt[1]);
    unsigned lines = static_cast<unsigned>((lengthLeft > lengthRight ? lengthLeft : lengthRight) * 1.5f) + 2;
    lines = lines > kMaxLines ? kMaxLines : lines;
    for (unsigned i = 0; i < lines; ++i) {
        LineRead& line = b_->lines[i];
        line.fraction =
        -kOvershoot + (1.0f + 2.0f * kOvershoot) * (static_cast<float>(i) + 0.5f) / static_cast<float>(lines);
        line.row[0] = line.row[1] = -1;
        float const f = line.fraction;
        float const p[2] = {lt[0] + f * (lb[0] - lt[0]), lt[1] + f * (lb[1] - lt[1])};
        float const q[2] = {rt[0] + f * (rb[0] - rt[0]), rt[1] + f * (rb[1] - rt[1])};
        ReadMicroLine(image, p, q, columns, skew, inverted, line);
    }
    unsigned const best = PickMicroVersion(lines, columns, componentSizes);
    if (best >= MicroPDFVersionTable::kCount) {
        return false;
    }
    version = best;
    MicroPDFVersionTable::Element const& element = MicroPDFVersionTable::table[best];
    float across[4];
    for (unsigned k = 0; k < columns; ++k) {
        across[k] = (kOffsets[columns - 1][k] + 8.5f + 5.0f) / (total + 10.0f);
    }
    int const clusterShift = (element.start - 1) % 3;
    // A CC-A without a left column, its rows carried to the lines' ends, is
    // read along its rows alone: the lines laid between its columns cross
    // them at a slant under perspective, each character read there takes
    // in two rows and now and then passes for one of them, a vote that
    // outweighs the rows' own.
    bool const carried = element.ccA != 0 && columns == 3 && CarryRowsToEnds(lines, element.rows);
    if (carried) {
        for (unsigned c = 0; c < static_cast<unsigned>(element.rows) * columns; ++c) {
            for (unsigned slot = 0; slot < kSlots; ++slot) {
                b_->cells[c].count[slot] = 0;
            }
        }
    } else if (!VoteCells(lines, element.rows, columns, 0, clusterShift, across)) {
        return false;
    }
    // The modules of a CC-A without a left column were measured on its
    // center and right patterns, 22 and 66 modules from a row's start, and
    // its rows are read from 0 to 61: under perspective the root of a
    // module's reciprocal runs straight along a row, to the ends.
    float rowSkew = skew;
    if (carried && leftModule > 0 && rightModule > 0) {
        float const center = 1 / std::sqrt(leftModule);
        float const right = 1 / std::sqrt(rightModule);
        float const start = center - (right - center) * 0.5f;
        float const end = center + (right - center) * (39.0f / 44.0f);
        rowSkew = start > 0 && end > 0 ? Skew(1 / (start * start), 1 / (end * end)) : skew;
    }
    VoteRows(image, inverted, true, columns, element.rows, columns, 0, clusterShift, lt, lb, rt, rb, rowSkew, lines);
    TallyCells(static_cast<unsigned>(element.rows) * columns, codewords, erasures, erasureCount);
    SetCorners(lt, lb, rt, rb, backward ? -area.ux : area.ux, backward ? -area.uy : area.uy, 10.0f * module, corners);
    return true;
}

}  // namespace DEC2DIvra

namespace DEC2DIvra {

bool PDFRowReader::LayMicroLines(GrayImage const& image, QuadMap const& map, unsigned columns, bool inverted,
                                 unsigned lines, bool score, unsigned& reads, unsigned* characters)
{
    float const total = kWidths[columns - 1];
    // The ink runs from the left pattern's first bar to the stop bar's end.
    float const width = total + 21.0f;
    float const from = 10.0f / width;
    float const to = (10.0f + total) / width;
    reads = 0;
    for (unsigned i = 0; i < lines; ++i) {
        LineRead& line = score ? b_->rowLine : b_->lines[i];
        float const v = (static_cast<float>(i) + 0.5f) / static_cast<float>(lines);
        line.fraction = v;
        line.row[0] = line.row[1] = -1;
        float p[2];
        float q[2];
        map.At(from, v, p);
        map.At(to, v, q);
        float const near = map.ScaleAlong(from, v);
        float const skew = Skew(near, map.ScaleAlong(to, v));
        ReadMicroLine(image, p, q, columns, skew, inverted, line);
        reads += (line.address[0] != 0 ? 1u : 0u) + (line.address[2] != 0 ? 1u : 0u) +
                 (line.address[1] != 0 ? 1u : 0u);
        for (unsigned k = 0; characters != nullptr && k < columns; ++k) {
            *characters += line.value[k] != 0xFFFF ? 1u : 0u;
        }
    }
    return reads > 0;
}

}  // namespace DEC2DIvra
