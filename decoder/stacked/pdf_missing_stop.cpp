// The far end of the rows of a symbol whose stop column is not seen (a compact one has none).
#include "decoder/stacked/pdf_row_reader.h"

#include <cmath>

#include "decoder/stacked/pdf_row_reader_tools.h"

namespace DEC2DIvra {

bool PDFRowReader::PlaceMissingStop(GrayImage const& image, bool inverted, float ux, float uy, float const top[2],
                                    float const bottom[2], float module, float stopTop[2], float stopBottom[2],
                                    float& stopModule)
{
    stopModule = module;
    rowsReachStop_ = false;
    float const cx = bottom[0] - top[0];
    float const cy = bottom[1] - top[1];
    float const length = std::hypot(cx, cy);
    if (!(length > 0) || !(module > 0)) {
        return false;
    }
    // The rows run square to the column, the way the lines read.
    float nx = -cy / length;
    float ny = cx / length;
    float const cosine = nx * ux + ny * uy;
    if (cosine < 0) {
        nx = -nx;
        ny = -ny;
    }
    // The module seen along the lines is wider by the slant's secant.
    float const square = module * (cosine < 0 ? -cosine : cosine);
    if (!(square > 0)) {
        return false;
    }
    // The rows' slants to the column's normal, at its top and bottom: under
    // perspective the rows are not square to the column, and converge.
    float slant[2] = {0, 0};
    auto const place = [&](unsigned columns) {
        float const width = 17.0f * square * static_cast<float>(columns);
        stopTop[0] = top[0] + (nx + slant[0] * cx / length) * width;
        stopTop[1] = top[1] + (ny + slant[0] * cy / length) * width;
        stopBottom[0] = bottom[0] + (nx + slant[1] * cx / length) * width;
        stopBottom[1] = bottom[1] + (ny + slant[1] * cy / length) * width;
    };
    // Three columns read the left row indicator at its place, whatever the
    // count; its cluster 6 rows name the data columns.
    unsigned constexpr kProbeColumns = 3;
    auto const probe = [&] {
        place(kProbeColumns);
        float const ends[8] = {top[0],     top[1],     bottom[0],     bottom[1],
                               stopTop[0], stopTop[1], stopBottom[0], stopBottom[1]};
        for (unsigned i = 0; i < kStopProbeLines; ++i) {
            ReadRowLine(image, inverted, kProbeColumns, 1.0f, ends, i, kStopProbeLines);
        }
    };
    // The lines of each half whose row indicator and the character beside
    // it are of one cluster: they run along a row.
    auto const alongRows = [&](unsigned half) {
        unsigned count = 0;
        for (unsigned i = half * kStopProbeLines / 2; i < (half + 1) * kStopProbeLines / 2; ++i) {
            LineRead const& line = b_->lines[i];
            count += line.value[0] != 0xFFFF && line.value[1] != 0xFFFF && line.cluster[0] == line.cluster[1];
        }
        return count;
    };
    probe();
    unsigned along[2] = {alongRows(0), alongRows(1)};
    // When either half's lines cross the rows, the slants that keep most of
    // them along a row are sought, each half its own.
    // First at the slant of the search lines that met the start pattern,
    // then about the better of the two.
    if (2 * along[0] < kStopProbeLines / 2 || 2 * along[1] < kStopProbeLines / 2) {
        float bestSlant[2] = {0, 0};
        float const lines = (ux * cx + uy * cy) / length / (cosine < 0 ? -cosine : cosine);
        float const searchSlant = lines < -1.0f ? -1.0f : (lines > 1.0f ? 1.0f : lines);
        slant[0] = slant[1] = searchSlant;
        probe();
        unsigned const atSearch[2] = {alongRows(0), alongRows(1)};
        float const base = atSearch[0] + atSearch[1] > along[0] + along[1] ? searchSlant : 0.0f;
        for (unsigned half = 0; half < 2; ++half) {
            if (atSearch[half] > along[half]) {
                along[half] = atSearch[half];
                bestSlant[half] = searchSlant;
            }
        }
        for (float const step : kRowSlants) {
            float const tried = base + step;
            slant[0] = slant[1] = tried;
            probe();
            for (unsigned half = 0; half < 2; ++half) {
                unsigned const n = alongRows(half);
                if (n > along[half]) {
                    along[half] = n;
                    bestSlant[half] = tried;
                }
            }
        }
        slant[0] = bestSlant[0];
        slant[1] = bestSlant[1];
        probe();
    }
    // A left row indicator of cluster 6 holds the data columns less one; it
    // counts when the character beside it, read, is of its cluster (a
    // line off the symbol reads chance characters of any).
    unsigned counts[kMaxColumns] = {};
    unsigned best = 0;
    for (unsigned i = 0; i < kStopProbeLines; ++i) {
        LineRead const& line = b_->lines[i];
        if (line.value[0] == 0xFFFF || line.cluster[0] != 6 || line.value[1] == 0xFFFF || line.cluster[1] != 6) {
            continue;
        }
        unsigned const c = line.value[0] % 30;
        ++counts[c];
        best = counts[c] > counts[best] ? c : best;
    }
    if (counts[best] < kStopProbeVotes || best + 3 > kMaxColumns) {
        return false;
    }
    // The data columns and both row indicator places.
    unsigned const columns = best + 3;
    // Lines read at that count; per half, those that read the last data
    // column on the row's cluster, as the row indicator says: they ran along
    // their row to its end.
    unsigned const last = columns - 2;
    auto const reachEnds = [&](unsigned reached[2]) {
        place(columns);
        float const ends[8] = {top[0],     top[1],     bottom[0],     bottom[1],
                               stopTop[0], stopTop[1], stopBottom[0], stopBottom[1]};
        reached[0] = reached[1] = 0;
        for (unsigned i = 0; i < kClosingBarLines; ++i) {
            ReadRowLine(image, inverted, columns, 1.0f, ends, i, kClosingBarLines);
            LineRead const& line = b_->lines[i];
            reached[2 * i / kClosingBarLines] += line.endColumn == last && line.value[0] != 0xFFFF &&
                                                 line.cluster[0] == line.cluster[last];
        }
    };
    unsigned reached[2];
    reachEnds(reached);
    // Rows square to the column that run to their ends: the stop column
    // stands where the count puts it.
    bool const upright = slant[0] == 0 && slant[1] == 0;
    if (upright && reached[0] >= kClosingBarPoints / 2 + 2 && reached[1] >= kClosingBarPoints / 2 + 2) {
        rowsReachStop_ = true;
        return true;
    }
    // Wide rows wander off their row under perspective at slants that keep
    // three columns on it: each half's slant is sought again at the count.
    if (reached[0] < kClosingBarPoints / 2 + 2 || reached[1] < kClosingBarPoints / 2 + 2) {
        for (unsigned half = 0; half < 2; ++half) {
            float const base = slant[half];
            float bestSlant = base;
            unsigned most = reached[half];
            for (float const step : kSlantSteps) {
                slant[half] = base + step;
                unsigned tried[2];
                reachEnds(tried);
                if (tried[half] > most) {
                    most = tried[half];
                    bestSlant = slant[half];
                }
            }
            slant[half] = bestSlant;
        }
        reachEnds(reached);
    }
    // Rows that the short lines found square to the column and that no
    // slant takes to their ends (small modules over many columns) are read
    // square to it, from where the count puts the stop column.
    if (upright && (reached[0] < kClosingBarPoints / 2 + 2 || reached[1] < kClosingBarPoints / 2 + 2)) {
        slant[0] = slant[1] = 0;
        place(columns);
        return true;
    }
    rowsReachStop_ =
        FollowClosingBar(image, inverted, top, bottom, columns, module, square, stopTop, stopBottom, stopModule);
    return true;
}

bool PDFRowReader::FollowClosingBar(GrayImage const& image, bool inverted, float const top[2], float const bottom[2],
                                    unsigned columns, float module, float square, float stopTop[2],
                                    float stopBottom[2], float& stopModule)
{
    using pdf_rows::Abs;
    float const cx = bottom[0] - top[0];
    float const cy = bottom[1] - top[1];
    float const length = std::hypot(cx, cy);
    float const reach = std::hypot(stopTop[0] - top[0], stopTop[1] - top[1]);
    if (!(length > 0) || !(reach > 0) || columns < 3) {
        return false;
    }
    // The column's unit (c) and the unit across it the rows are read (n).
    float const c[2] = {cx / length, cy / length};
    float n[2] = {-c[1], c[0]};
    if (n[0] * (stopTop[0] - top[0]) + n[1] * (stopTop[1] - top[1]) < 0) {
        n[0] = -n[0];
        n[1] = -n[1];
    }
    // The ends of the last data column on lines spread over the column,
    // each as (t along the column, s across it) from the top.
    unsigned const last = columns - 2;
    float t[kClosingBarLines];
    float s[kClosingBarLines];
    float modules[kClosingBarLines];
    bool use[kClosingBarLines];
    unsigned count = 0;
    for (unsigned i = 0; i < kClosingBarLines; ++i) {
        LineRead const& line = b_->lines[i];
        // Its character read, of the row's cluster as the row indicator says.
        if (line.endColumn != last || line.value[0] == 0xFFFF || line.cluster[0] != line.cluster[last]) {
            continue;
        }
        float const dx = line.end[0] - top[0];
        float const dy = line.end[1] - top[1];
        t[count] = dx * c[0] + dy * c[1];
        s[count] = dx * n[0] + dy * n[1];
        modules[count] = line.endModule;
        ++count;
    }
    if (count < kClosingBarPoints) {
        return false;
    }
    // The median module there; the line through the ends, first by the
    // median slope and offset, then least squares over the ends near it.
    float scratch[kClosingBarLines];
    for (unsigned i = 0; i < count; ++i) {
        unsigned j = i;
        for (; j > 0 && scratch[j - 1] > modules[i]; --j) {
            scratch[j] = scratch[j - 1];
        }
        scratch[j] = modules[i];
    }
    float const farModule = scratch[count / 2];
    if (!(farModule > 0.3f * square) || !(farModule < 2.0f * square)) {
        return false;
    }
    float b = pdf_rows::MedianSlope(t, s, count, scratch);
    float a = pdf_rows::MedianOffset(t, s, count, b, scratch);
    unsigned used = 0;
    float tMin = 0;
    float tMax = 0;
    for (int round = 0; round < 2; ++round) {
        used = 0;
        tMin = 1e9f;
        tMax = -1e9f;
        for (unsigned i = 0; i < count; ++i) {
            use[i] = Abs(s[i] - (a + b * t[i])) <= farModule;
            if (use[i]) {
                ++used;
                tMin = t[i] < tMin ? t[i] : tMin;
                tMax = t[i] > tMax ? t[i] : tMax;
            }
        }
        if (used < kClosingBarPoints || tMax - tMin < 0.25f * length || !pdf_rows::FitLine(t, s, use, count, a, b)) {
            return false;
        }
    }
    // The bar stands a module's width past the ends: its middle line, and
    // beside it a line in the quiet zone, are followed from the ends' middle
    // both ways while the bar shows darker than the quiet zone.
    float const tMid = (tMin + tMax) / 2;
    float const far = 0.8f * length;
    float barEnds[2][2];
    for (int way = 0; way < 2; ++way) {
        float const tEnd = way == 0 ? tMid - far : tMid + far;
        auto const at = [&](float tt, float offset, float out[2]) {
            float const ss = a + b * tt + offset * farModule;
            out[0] = top[0] + tt * c[0] + ss * n[0];
            out[1] = top[1] + tt * c[1] + ss * n[1];
        };
        float b0[2], b1[2], q0[2], q1[2];
        at(tMid, 0.5f, b0);
        at(tEnd, 0.5f, b1);
        at(tMid, 2.0f, q0);
        at(tEnd, 2.0f, q1);
        float bar[kMaxSamples];
        unsigned const barCount = SampleLine(image, b0[0], b0[1], b1[0], b1[1], inverted, bar);
        unsigned const quietCount = SampleLine(image, q0[0], q0[1], q1[0], q1[1], inverted, b_->samples);
        unsigned const samples = barCount < quietCount ? barCount : quietCount;
        if (samples < 8) {
            return false;
        }
        float const perSample = far / static_cast<float>(samples - 1);
        // The contrast at the middle sets the bar's mark.
        float contrast = 0;
        unsigned const middle = samples / 8;
        for (unsigned i = 0; i < middle; ++i) {
            contrast += b_->samples[i] - bar[i];
        }
        contrast /= static_cast<float>(middle);
        if (!(contrast > 0)) {
            return false;
        }
        unsigned const gap = static_cast<unsigned>(1.5f * farModule / perSample) + 2;
        unsigned lastDark = 0;
        for (unsigned i = 0; i < samples && i <= lastDark + gap; ++i) {
            if (b_->samples[i] - bar[i] > 0.5f * contrast) {
                lastDark = i;
            }
        }
        float const tt = way == 0 ? tMid - perSample * static_cast<float>(lastDark)
                                  : tMid + perSample * static_cast<float>(lastDark);
        at(tt, 0.0f, barEnds[way]);
    }
    float const barLength = std::hypot(barEnds[1][0] - barEnds[0][0], barEnds[1][1] - barEnds[0][1]);
    if (barLength < 0.3f * length || barLength > 1.6f * length) {
        return false;
    }
    // The rows end a row indicator's width past the bar, as the stop column
    // of a full symbol stands.
    float const* const from[2] = {top, bottom};
    float* const to[2] = {stopTop, stopBottom};
    for (int k = 0; k < 2; ++k) {
        float const dx = barEnds[k][0] - from[k][0];
        float const dy = barEnds[k][1] - from[k][1];
        float const d = std::hypot(dx, dy);
        if (!(d > 0)) {
            return false;
        }
        to[k][0] = barEnds[k][0] + dx / d * 17.0f * farModule;
        to[k][1] = barEnds[k][1] + dy / d * 17.0f * farModule;
    }
    stopModule = farModule * module / square;
    barFollowed_ = true;
    return true;
}

}  // namespace DEC2DIvra
