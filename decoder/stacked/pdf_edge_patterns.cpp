// Start and stop patterns and symbol characters from the widths of 8 runs.
#include "decoder/stacked/pdf_row_reader.h"

#include <cmath>

#include "decoder/stacked/pdf_row_reader_tools.h"

namespace DEC2DIvra {

using namespace pdf_rows;

bool PDFRowReader::MayBeEdgePattern(float const w[8], float along)
{
    // The margin lies far beyond the rounding between a window's length and
    // its runs' sum, and beyond what the pattern tests let the first pair
    // of runs fall short by (a module of the 17 at most).
    return 17.0f * (w[0] + w[1]) >= 6.5f * along;
}

namespace {

// The widths of each run and the next (the last with the first) of a window
// of 8 runs, and the module they give: a window's bars and spaces measured
// edge to like edge, as blur keeps them.
float EdgeToEdge(float const w[8], float t[8])
{
    for (unsigned i = 0; i < 8; ++i) {
        t[i] = w[i] + w[(i + 1) % 8];
    }
    return (t[0] + t[2] + t[4] + t[6]) / 17.0f;
}

}  // namespace

bool PDFRowReader::IsStartPattern(float const w[8])
{
    float t[8];
    float const s = EdgeToEdge(w, t);
    auto within = [s](float v, float low, float high) { return v >= low * s && v <= high * s; };
    if (!within(t[0], 8, 10) || !within(t[6], 3, 5) || !within(t[7], 10, 12)) {
        return false;
    }
    for (unsigned i = 1; i <= 5; ++i) {
        if (!within(t[i], 1, 3)) {
            return false;
        }
    }
    return true;
}

bool PDFRowReader::IsStopPattern(float const w[8])
{
    float t[8];
    float const s = EdgeToEdge(w, t);
    auto within = [s](float v, float low, float high) { return v >= low * s && v <= high * s; };
    return within(t[0], 7, 9) && within(t[1], 1, 3) && within(t[2], 3, 5) && within(t[3], 3, 5) &&
           within(t[4], 1, 3) && within(t[5], 1, 3) && within(t[6], 2, 4) && within(t[7], 8, 10);
}

bool PDFRowReader::DecodeCharacter(float const widths[8], unsigned& value, unsigned& cluster)
{
    float total = 0;
    for (unsigned i = 0; i < 8; ++i) {
        total += widths[i];
    }
    if (total <= 0) {
        return false;
    }
    float const unit = total / 17.0f;
    int modules[8];
    if (!RoundModules(widths, 8, 17, 6, modules)) {
        return false;
    }
    if (LookUp(modules, value, cluster)) {
        return true;
    }
    // Blur moves edges but keeps the distances from a bar's edge to the next
    // bar's like edge: rebuild the runs from those pairs.
    int pairs[7];
    for (unsigned i = 0; i < 7; ++i) {
        pairs[i] = static_cast<int>(std::lround((widths[i] + widths[i + 1]) / unit));
    }
    float bestError = 1e9f;
    bool found = false;
    for (int first = 1; first <= 6; ++first) {
        int m[8];
        m[0] = first;
        int s = first;
        bool ok = true;
        for (unsigned i = 0; i < 7 && ok; ++i) {
            m[i + 1] = pairs[i] - m[i];
            ok = m[i + 1] >= 1 && m[i + 1] <= 6;
            s += m[i + 1];
        }
        if (!ok || s != 17) {
            continue;
        }
        float e = 0;
        for (unsigned i = 0; i < 8; ++i) {
            e += Abs(widths[i] / unit - static_cast<float>(m[i]));
        }
        unsigned v = 0;
        unsigned c = 0;
        if (e < bestError && LookUp(m, v, c)) {
            bestError = e;
            value = v;
            cluster = c;
            found = true;
        }
    }
    return found;
}

}  // namespace DEC2DIvra
