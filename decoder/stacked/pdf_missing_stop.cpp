// The far end of the rows of a symbol whose stop column is not seen (a compact one has none).
#include "decoder/stacked/pdf_row_reader.h"

#include <cmath>

namespace DEC2DIvra {

bool PDFRowReader::PlaceMissingStop(GrayImage const& image, bool inverted, float ux, float uy, float const top[2],
                                    float const bottom[2], float module, float stopTop[2], float stopBottom[2])
{
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
    auto const place = [&](unsigned columns) {
        float const width = 17.0f * square * static_cast<float>(columns);
        stopTop[0] = top[0] + nx * width;
        stopTop[1] = top[1] + ny * width;
        stopBottom[0] = bottom[0] + nx * width;
        stopBottom[1] = bottom[1] + ny * width;
    };
    // Three columns read the left row indicator at its place, whatever the
    // count; its cluster 6 rows name the data columns.
    unsigned constexpr kProbeColumns = 3;
    place(kProbeColumns);
    float const ends[8] = {top[0], top[1], bottom[0], bottom[1], stopTop[0], stopTop[1], stopBottom[0], stopBottom[1]};
    for (unsigned i = 0; i < kStopProbeLines; ++i) {
        ReadRowLine(image, inverted, kProbeColumns, 1.0f, ends, i, kStopProbeLines);
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
    place(best + 3);
    return true;
}

}  // namespace DEC2DIvra
