// MicroPDF417 symbols read within the outline of their ink, where no search line follows a row.
#include "decoder/stacked/pdf_row_reader.h"

#include <cmath>

#include "decoder/stacked/micro_pdf_version_table.h"
#include "decoder/stacked/pdf_row_reader_tools.h"

namespace DEC2DIvra {

using namespace pdf_rows;

void PDFRowReader::RankOutlineChoices(GrayImage const& image, bool inverted)
{
    // Which sides are the row address columns, and which way the rows read,
    // the outline does not tell; nor how many columns lie between: the turn
    // and count whose lines read the most row address patterns. A few lines
    // tell them apart.
    Outline& o = outline_;
    float ink[8];
    MicroPdfOutline::Offset(o.ink, kOutlineOffsets[0], ink);
    for (unsigned turn = 0; turn < 4; ++turn) {
        float turned[8];
        for (unsigned c = 0; c < 8; ++c) {
            turned[c] = ink[(2 * turn + c) % 8];
        }
        QuadMap map;
        if (!map.Set(turned)) {
            continue;
        }
        for (unsigned columns = 1; columns <= 4; ++columns) {
            unsigned reads = 0;
            unsigned characters = 0;
            LayMicroLines(image, map, columns, inverted, kOutlineScoreLines, true, reads, &characters);
            // Characters read where a count places them tell the counts apart
            // (the side patterns read at nearly any).
            unsigned const score = reads + characters;
            unsigned at = o.choiceCount++;
            for (; at > 0 && o.choices[at - 1].score < score; --at) {
                o.choices[at] = o.choices[at - 1];
            }
            o.choices[at] = Outline::Choice{turn, columns, reads, score};
        }
    }
}

bool PDFRowReader::ReadMicroOutline(GrayImage const& image, Area const& area, bool inverted, unsigned attempt,
                                    unsigned& version, unsigned short* codewords, unsigned short* erasures,
                                    unsigned& erasureCount, float corners[8])
{
    // The outline and the ranking serve every rank of one area and polarity.
    Outline& o = outline_;
    if (!o.set || o.inverted != inverted || o.image != image.GetPixels() || o.cx != area.cx || o.cy != area.cy ||
        o.ux != area.ux || o.uy != area.uy) {
        o = Outline{};
        o.set = true;
        o.inverted = inverted;
        o.image = image.GetPixels();
        o.cx = area.cx, o.cy = area.cy, o.ux = area.ux, o.uy = area.uy;
        float const reach = area.nearHalfLength > 0 ? area.nearHalfLength : area.halfLength;
        bool found =
            MicroPdfOutline::Find(image, area.cx, area.cy, area.ux, area.uy, reach, area.halfHeight * kOutlineWiden,
                                  inverted, o.ink);
        // The located bars may be a part of the symbol, cut by the area's
        // sides: looked for again around what was found, with room to grow.
        for (unsigned round = 0; found && round < kOutlineRegrowths; ++round) {
            float low[2] = {o.ink[0], o.ink[1]};
            float high[2] = {o.ink[0], o.ink[1]};
            for (unsigned c = 1; c < 4; ++c) {
                for (unsigned k = 0; k < 2; ++k) {
                    low[k] = o.ink[2 * c + k] < low[k] ? o.ink[2 * c + k] : low[k];
                    high[k] = o.ink[2 * c + k] > high[k] ? o.ink[2 * c + k] : high[k];
                }
            }
            float const room = 0.3f * (high[0] - low[0] > high[1] - low[1] ? high[0] - low[0] : high[1] - low[1]);
            float grown[8];
            if (!MicroPdfOutline::Find(image, (low[0] + high[0]) / 2, (low[1] + high[1]) / 2, 1.0f, 0.0f,
                                       (high[0] - low[0]) / 2 + room, (high[1] - low[1]) / 2 + room, inverted,
                                       grown)) {
                break;
            }
            float moved = 0;
            for (unsigned c = 0; c < 8; ++c) {
                moved = Abs(grown[c] - o.ink[c]) > moved ? Abs(grown[c] - o.ink[c]) : moved;
                o.ink[c] = grown[c];
            }
            if (moved < 1.0f) {
                break;
            }
        }
        if (found) {
            RankOutlineChoices(image, inverted);
        }
    }
    unsigned const rank = attempt / kOutlineOffsetCount;
    if (rank >= o.choiceCount || o.choices[rank].reads < kOutlineMinReads) {
        return false;
    }
    float ink[8];
    MicroPdfOutline::Offset(o.ink, kOutlineOffsets[attempt % kOutlineOffsetCount], ink);
    Outline::Choice const* const choices = o.choices;
    unsigned const turn = choices[rank].turn;
    unsigned const columns = choices[rank].columns;
    float turned[8];
    for (unsigned c = 0; c < 8; ++c) {
        turned[c] = ink[(2 * turn + c) % 8];
    }
    QuadMap map;
    if (!map.Set(turned)) {
        return false;
    }
    float const tall = std::hypot(turned[6] - turned[0], turned[7] - turned[1]);
    float const tallRight = std::hypot(turned[4] - turned[2], turned[5] - turned[3]);
    unsigned lines = static_cast<unsigned>((tall > tallRight ? tall : tallRight) * 2.0f) + 2;
    lines = lines > kMaxLines ? kMaxLines : (lines < 16 ? 16 : lines);
    unsigned reads = 0;
    if (!LayMicroLines(image, map, columns, inverted, lines, false, reads)) {
        return false;
    }
    unsigned const best = PickMicroVersion(lines, columns, false);
    if (best >= MicroPDFVersionTable::kCount) {
        return false;
    }
    version = best;
    MicroPDFVersionTable::Element const& element = MicroPDFVersionTable::table[best];
    float const total = kWidths[columns - 1];
    float across[4];
    for (unsigned k = 0; k < columns; ++k) {
        across[k] = (kOffsets[columns - 1][k] + 8.5f + 5.0f) / (total + 10.0f);
    }
    int const clusterShift = (element.start - 1) % 3;
    if (!VoteCells(lines, element.rows, columns, 0, clusterShift, across)) {
        return false;
    }
    // Each row read again along its own line, as the map places it.
    float const width = total + 21.0f;
    float const from = 10.0f / width;
    float const to = (10.0f + total) / width;
    static constexpr float kWithin[3] = {-0.25f, 0.0f, 0.25f};
    LineRead& line = b_->rowLine;
    for (unsigned row = 0; row < element.rows; ++row) {
        for (float const within : kWithin) {
            float const v = (static_cast<float>(row) + 0.5f + within) / static_cast<float>(element.rows);
            float p[2];
            float q[2];
            map.At(from, v, p);
            map.At(to, v, q);
            float const skew = Skew(map.ScaleAlong(from, v), map.ScaleAlong(to, v));
            if (!ReadMicroLine(image, p, q, columns, skew, inverted, line)) {
                continue;
            }
            for (unsigned c = 0; c < columns; ++c) {
                unsigned const value = line.value[c];
                if (value != 0xFFFF &&
                    ((static_cast<int>(row) + clusterShift) % 3 + 3) % 3 * 3 == line.cluster[c]) {
                    Vote(row * columns + c, value);
                }
            }
        }
    }
    TallyCells(static_cast<unsigned>(element.rows) * columns, codewords, erasures, erasureCount);
    for (unsigned c = 0; c < 8; ++c) {
        corners[c] = turned[c];
    }
    return true;
}

}  // namespace DEC2DIvra
