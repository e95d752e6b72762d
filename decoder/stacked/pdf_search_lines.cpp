// The search lines across an area and the start and stop patterns met on them.
#include "decoder/stacked/pdf_row_reader.h"

#include <cmath>
#include <cstring>

#include "decoder/stacked/pdf_row_reader_tools.h"

namespace DEC2DIvra {

using namespace pdf_rows;

unsigned PDFRowReader::CountSearchLines(Area const& area)
{
    unsigned const lines = static_cast<unsigned>(2.0f * area.halfHeight / kSearchSpacing) + 1;
    return lines > kMaxLines ? kMaxLines : lines;
}

unsigned PDFRowReader::ScanSearchLine(GrayImage const& image, Area const& area, bool inverted, bool backward,
                                      unsigned j, float& x0, float& y0, float& step, bool& firstDark, bool* cut)
{
    float const ux = backward ? -area.ux : area.ux;
    float const uy = backward ? -area.uy : area.uy;
    float const off = -area.halfHeight + kSearchSpacing * static_cast<float>(j);
    float const mx = area.cx - off * area.uy;
    float const my = area.cy + off * area.ux;
    // The line's reach within the frame: samples beyond it would repeat the border.
    float from = -area.halfLength;
    float to = area.halfLength;
    float const bounds[2][3] = {{mx, ux, static_cast<float>(image.GetWidth() - 1)},
                                {my, uy, static_cast<float>(image.GetHeight() - 1)}};
    for (auto const& b : bounds) {
        if (Abs(b[1]) < 1e-6f) {
            if (b[0] < 0 || b[0] > b[2]) {
                return 0;
            }
            continue;
        }
        float const t0 = (0 - b[0]) / b[1];
        float const t1 = (b[2] - b[0]) / b[1];
        from = t0 < t1 ? (t0 > from ? t0 : from) : (t1 > from ? t1 : from);
        to = t0 < t1 ? (t1 < to ? t1 : to) : (t0 < to ? t0 : to);
    }
    if (cut != nullptr) {
        *cut = from > -area.halfLength && to < area.halfLength;
    }
    if (!(to - from >= 2.0f)) {
        return 0;
    }
    x0 = mx + from * ux;
    y0 = my + from * uy;
    unsigned const count = SampleLine(image, x0, y0, mx + to * ux, my + to * uy, inverted);
    if (count < 2) {
        return 0;
    }
    step = (to - from) / static_cast<float>(count - 1);
    return FindEdges(count, firstDark);
}

void PDFRowReader::CollectHits(GrayImage const& image, Area const& area, bool inverted, bool backward,
                               unsigned& leftCount, unsigned& rightCount)
{
    CollectHits(image, area, inverted, backward, b_->left, leftCount, b_->right, rightCount);
}

void PDFRowReader::CollectHits(GrayImage const& image, Area const& area, bool inverted, bool backward, Hit* left,
                               unsigned& leftCount, Hit* right, unsigned& rightCount, unsigned first,
                               unsigned stride, unsigned short* leftLines, unsigned short* rightLines)
{
    float const ux = backward ? -area.ux : area.ux;
    float const uy = backward ? -area.uy : area.uy;
    unsigned const lines = CountSearchLines(area);
    for (unsigned j = first; j < lines; j += stride) {
        float x0 = 0;
        float y0 = 0;
        float step = 0;
        bool firstDark = false;
        unsigned const edges = ScanSearchLine(image, area, inverted, backward, j, x0, y0, step, firstDark);
        if (edges == 0) {
            continue;
        }
        float const* e = b_->edges;
        bool haveStart = false;
        bool haveStop = false;
        Hit stop{};
        for (unsigned k = firstDark ? 0 : 1; k + 8 < edges; k += 2) {
            // The first two runs tell most windows out; the others are
            // measured for those left.
            float w[8];
            w[0] = e[k + 1] - e[k];
            w[1] = e[k + 2] - e[k + 1];
            float const along = e[k + 8] - e[k];
            if (!MayBeEdgePattern(w, along)) {
                continue;
            }
            for (unsigned i = 2; i < 8; ++i) {
                w[i] = e[k + i + 1] - e[k + i];
            }
            if (!haveStart && leftCount < kMaxLines && IsStartPattern(w)) {
                float const p = e[k + 8] * step;
                if (leftLines != nullptr) {
                    leftLines[leftCount] = static_cast<unsigned short>(j);
                }
                left[leftCount++] = Hit{x0 + ux * p, y0 + uy * p, along * step / 17.0f};
                haveStart = true;
            } else if (IsStopPattern(w)) {
                float const p = e[k] * step;
                stop = Hit{x0 + ux * p, y0 + uy * p, along * step / 17.0f};
                haveStop = true;
            }
        }
        if (haveStop && rightCount < kMaxLines) {
            if (rightLines != nullptr) {
                rightLines[rightCount] = static_cast<unsigned short>(j);
            }
            right[rightCount++] = stop;
        }
    }
}

namespace {

// Puts a sighting met on `line` among those of a list kept in line order.
void InsertSighting(PDFRowReader::Hit* hits, unsigned short* lines, unsigned& count, PDFRowReader::Hit const& hit,
                    unsigned line)
{
    if (count >= PDFRowReader::kMaxLines) {
        return;
    }
    unsigned i = count++;
    for (; i > 0 && lines[i - 1] > line; --i) {
        hits[i] = hits[i - 1];
        lines[i] = lines[i - 1];
    }
    hits[i] = hit;
    lines[i] = static_cast<unsigned short>(line);
}

}  // namespace

void PDFRowReader::FindLineSightings(float const* e, unsigned edges, bool firstDark, float x0, float y0, float step,
                                     float ux, float uy, LineHits& hits) const
{
    hits.haveStart = hits.haveStop = 0;
    // Read backward the edges come in the other order, as negated distances
    // from the line's start: the runs keep their widths. The first dark run
    // met backward is the one before the last edge.
    float reversed[kMaxEdges];
    for (unsigned i = 0; i < edges; ++i) {
        reversed[i] = -e[edges - 1 - i];
    }
    bool const backFirstDark = firstDark != (edges % 2 == 1);
    for (unsigned inverted = 0; inverted < 2; ++inverted) {
        if (!polarities_[inverted]) {
            continue;
        }
        for (unsigned backward = 0; backward < 2; ++backward) {
            float const* run = backward != 0 ? reversed : e;
            float const sign = backward != 0 ? -1.0f : 1.0f;
            // Light on dark, the dark runs of the frame are the symbol's spaces.
            bool const dark = (backward != 0 ? backFirstDark : firstDark) != (inverted != 0);
            unsigned const list = inverted * 2 + backward;
            bool haveStart = false;
            for (unsigned k = dark ? 0 : 1; k + 8 < edges; k += 2) {
                float w[8];
                w[0] = run[k + 1] - run[k];
                w[1] = run[k + 2] - run[k + 1];
                float const along = run[k + 8] - run[k];
                if (!MayBeEdgePattern(w, along)) {
                    continue;
                }
                for (unsigned i = 2; i < 8; ++i) {
                    w[i] = run[k + i + 1] - run[k + i];
                }
                float const module = along * step / 17.0f;
                if (!haveStart && IsStartPattern(w)) {
                    float const p = sign * run[k + 8] * step;
                    hits.start[list] = Hit{x0 + ux * p, y0 + uy * p, module};
                    haveStart = true;
                    hits.haveStart |= static_cast<unsigned char>(1u << list);
                } else if (IsStopPattern(w)) {
                    float const p = sign * run[k] * step;
                    hits.stop[list] = Hit{x0 + ux * p, y0 + uy * p, module};
                    hits.haveStop |= static_cast<unsigned char>(1u << list);
                }
            }
        }
    }
}

void PDFRowReader::AddLineSightings(LineHits const& hits, unsigned line)
{
    for (unsigned list = 0; list < 4; ++list) {
        Sightings& s = b_->sightings[list];
        if ((hits.haveStart >> list & 1u) != 0) {
            InsertSighting(s.left, s.leftLine, s.leftCount, hits.start[list], line);
        }
        if ((hits.haveStop >> list & 1u) != 0) {
            InsertSighting(s.right, s.rightLine, s.rightCount, hits.stop[list], line);
        }
    }
}

unsigned PDFRowReader::CountSightings() const
{
    unsigned count = 0;
    for (Sightings const& s : b_->sightings) {
        count += s.leftCount + s.rightCount;
    }
    return count;
}

bool PDFRowReader::AddSearchLine(GrayImage const& image, Area const& area, unsigned j)
{
    unsigned const before = CountSightings();
    CutLines& cut = cutLines_;
    // A line the frame cut on lines this long is cut on longer ones too.
    CutLines const asked{true,
                         image.GetPixels(),
                         image.GetWidth(),
                         image.GetHeight(),
                         image.GetPitch(),
                         area.cx,
                         area.cy,
                         area.ux,
                         area.uy,
                         area.halfHeight,
                         area.halfLength,
                         {polarities_[0], polarities_[1]}};
    if (!cut.set || cut.pixels != asked.pixels || cut.width != asked.width || cut.height != asked.height ||
        cut.pitch != asked.pitch || cut.cx != asked.cx || cut.cy != asked.cy || cut.ux != asked.ux ||
        cut.uy != asked.uy || cut.halfHeight != asked.halfHeight || !(asked.halfLength >= cut.halfLength) ||
        cut.polarities[0] != asked.polarities[0] || cut.polarities[1] != asked.polarities[1]) {
        cut = asked;
        std::memset(b_->lineState, 0, sizeof b_->lineState);
    }
    cut.halfLength = area.halfLength;
    LineHits& hits = b_->lineHits[j];
    if (b_->lineState[j] != kCutLine) {
        float x0 = 0;
        float y0 = 0;
        float step = 0;
        bool firstDark = false;
        bool cutEnds = false;
        unsigned const edges = ScanSearchLine(image, area, false, false, j, x0, y0, step, firstDark, &cutEnds);
        hits.haveStart = hits.haveStop = 0;
        if (edges != 0) {
            FindLineSightings(b_->edges, edges, firstDark, x0, y0, step, area.ux, area.uy, hits);
        }
        b_->lineState[j] = cutEnds ? kCutLine : 0;
    }
    AddLineSightings(hits, j);
    return CountSightings() != before;
}

void PDFRowReader::CollectSightings(GrayImage const& image, Area const& area, unsigned first, unsigned stride)
{
    unsigned const lines = CountSearchLines(area);
    if (first != 0) {
        // The lines between those read, within their reach.
        for (unsigned j = first; j < lines && j <= sampledHigh_ + 1; j += stride) {
            if (j + 1 >= sampledLow_) {
                AddSearchLine(image, area, j);
            }
        }
        return;
    }
    // From the middle line outward, both ways: the search area is often many
    // times as tall as the symbol (its height follows the located region's
    // length).
    unsigned const middle = (lines - 1) / 2 / stride * stride;
    walk_ = Walk{};
    walk_.middle = middle;
    walk_.stride = stride;
    walk_.lines = lines;
    walk_.step[0] = walk_.step[1] = stride;
    walk_.open[0] = walk_.open[1] = true;
    walk_.any = AddSearchLine(image, area, middle);
    sampledLow_ = sampledHigh_ = middle;
}

void PDFRowReader::WalkOutward(GrayImage const& image, Area const& area, unsigned gapLimit)
{
    // Once sightings were met, a way pauses after gapLimit lines without
    // one (the symbol's edge columns most likely lie behind) and ends after
    // kSightingGap; a paused way goes on from where it stopped. The lines
    // without one count from the first sighting on either way: a way that
    // met none yet may be about to reach the symbol.
    Walk& w = walk_;
    for (bool moved = true; moved;) {
        moved = false;
        for (unsigned way = 0; way < 2; ++way) {
            if (!w.open[way] || (w.any && w.gap[way] >= gapLimit)) {
                continue;
            }
            unsigned const k = w.step[way];
            if (way == 0 ? k > w.middle : w.middle + k >= w.lines) {
                w.open[way] = false;
                continue;
            }
            unsigned const j = way == 0 ? w.middle - k : w.middle + k;
            bool const seen = AddSearchLine(image, area, j);
            sampledLow_ = j < sampledLow_ ? j : sampledLow_;
            sampledHigh_ = j > sampledHigh_ ? j : sampledHigh_;
            if (seen && !w.any) {
                w.any = true;
                w.gap[0] = w.gap[1] = 0;
            }
            w.gap[way] = seen ? 0 : w.gap[way] + 1;
            w.step[way] = k + w.stride;
            w.open[way] = !(w.any && w.gap[way] >= kSightingGap);
            moved = true;
        }
    }
}

bool PDFRowReader::Glance(GrayImage const& image, Area const& area, unsigned wanted, bool normal, bool inverted)
{
    for (Sightings& s : b_->sightings) {
        s.leftCount = s.rightCount = 0;
    }
    // Every sighting list is filled here: a later Read samples its own.
    sightingsReach_ = -1.0f;
    linesRead_ = 0;
    bool const polarities[2] = {polarities_[0], polarities_[1]};
    polarities_[0] = normal;
    polarities_[1] = inverted;
    unsigned const lines = CountSearchLines(area);
    unsigned const stride = lines > kGlanceLines ? lines / kGlanceLines : 1;
    // The patterns of one kind, polarity and reading way that `wanted`
    // lines met (one column's).
    auto const most = [&] {
        unsigned n = 0;
        for (Sightings const& s : b_->sightings) {
            n = s.leftCount > n ? s.leftCount : n;
            n = s.rightCount > n ? s.rightCount : n;
        }
        return n;
    };
    for (unsigned j = stride / 2; j < lines && most() < wanted; j += stride) {
        AddSearchLine(image, area, j);
    }
    polarities_[0] = polarities[0];
    polarities_[1] = polarities[1];
    return most() >= wanted;
}

void PDFRowReader::UpdateSightings(GrayImage const& image, Area const& lines)
{
    if (lines.halfLength != sightingsReach_) {
        for (Sightings& s : b_->sightings) {
            s.leftCount = s.rightCount = 0;
        }
        sightingsReach_ = lines.halfLength;
        linesRead_ = 0;
        linesWanted_ = 1;
        gapWanted_ = kFirstSightingGap;
        unchanged_[0] = unchanged_[1] = false;
    }
    if (linesRead_ == 0) {
        CollectSightings(image, lines, 0, 2);
        linesRead_ = 1;
        gapWalked_ = 0;
    }
    if (gapWalked_ < gapWanted_) {
        bool const again = gapWalked_ != 0;
        unsigned before[2] = {};
        for (unsigned i = 0; i < 4; ++i) {
            before[i / 2] += b_->sightings[i].leftCount + b_->sightings[i].rightCount;
        }
        WalkOutward(image, lines, gapWanted_);
        gapWalked_ = gapWanted_;
        for (unsigned i = 0; i < 4; ++i) {
            before[i / 2] -= b_->sightings[i].leftCount + b_->sightings[i].rightCount;
        }
        // A polarity whose sightings the walk on left as they were reads
        // as it read before.
        unchanged_[0] = again && before[0] == 0;
        unchanged_[1] = again && before[1] == 0;
    }
    if (linesWanted_ == 2 && linesRead_ == 1) {
        CollectSightings(image, lines, 1, 2);
        linesRead_ = 2;
        unchanged_[0] = unchanged_[1] = false;
    }
}

bool PDFRowReader::ReadAllLines()
{
    if (!shared_ || linesRead_ == 0) {
        return false;
    }
    // First the outward walk's paused ways go on to their full gap.
    if (gapWalked_ < kSightingGap && (walk_.open[0] || walk_.open[1])) {
        gapWanted_ = kSightingGap;
        return true;
    }
    gapWanted_ = kSightingGap;
    // More to read: the lines between, or the rows on more lines when a
    // reading got as far as them.
    if (linesRead_ == 2 && (denseRows_ || !sparseRowsRead_)) {
        return false;
    }
    linesWanted_ = 2;
    denseRows_ = true;
    for (Sightings const& s : b_->sightings) {
        if (s.leftCount > 0 && s.rightCount > 0) {
            return true;
        }
    }
    return false;
}

}  // namespace DEC2DIvra
