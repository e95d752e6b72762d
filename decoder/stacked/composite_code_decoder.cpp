#include "decoder/stacked/composite_code_decoder.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "decoder/core/identifiers/pdf_identifiers.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/sampling/bilinear.h"

namespace DEC2DIvra {

namespace {

enum : unsigned { kComponent1D2D = 0, kComponent2DOnly = 1, kComponent1DOnly = 2 };

constexpr unsigned kKindCode128 = 4;
constexpr unsigned kKindDataBar = 5;
// The PDF417 reader's search area beside a segment reaches back over it by
// this share of the segment's length.
constexpr float kAreaBelow = 0.15f;
// Modules between the heights a GS1-128 label's 2D part is sought from.
constexpr float kCode128Step = 4.0f;
constexpr unsigned kLimitedBit = 8;
constexpr unsigned kExpandedBit = 9;
// Modules from the linear bars' ends to the middle of the 2D part's rows,
// about, for the turn of its rows under perspective.
constexpr float kRowsAbove = 10.0f;
constexpr float kMaxEdgeSlope = 1.5f;

// The two short sides together must span this many pixels before they
// are trusted for the bars' direction: a few pixels' rounding turns them
// less than the slant of the edge they correct.
constexpr int kMinSides = 8;
// One side shorter than this (pixels) gives no direction of its own; a side
// laid along the bars instead reaches this far.
constexpr int kMinSide = 4;
constexpr float kSideReach = 64.0f;

// Where a DataBar label's 2D part is sought, in turn: along the line through
// the bars' ends (`onEdge`) or along the region's edge lifted square to the
// bars, `modules` above it, with the bars' direction turned by `tilt`
// (radians, about 3 and 6 degrees). The line through the bars' ends meets
// the 2D part's rows a few degrees off under perspective, and a search line
// crosses the 6 modules of a 3-row 2D part over its 99 at no more than 3.5
// degrees off its rows: the turns and heights that read most labels come
// first, each search costing about as much as the rest of the read.
struct DataBarSearch {
    bool onEdge;
    float tilt;
    float modules;
};
constexpr DataBarSearch kDataBarSearches[] = {
    {true, 0.0f, 0.0f},    {false, 0.0f, 5.0f},  {true, -0.05f, 0.0f}, {true, 0.05f, 0.0f},
    {true, -0.05f, 10.0f}, {true, -0.05f, 5.0f}, {false, 0.10f, 5.0f}, {false, -0.05f, 5.0f},
};
// The edge square to the lines that read the label is tried last from this
// height (modules).
constexpr float kDataBarSquareHeight = 9.0f;
// The top edge's own normal is tried as well when it lies further than this
// (cosine; about 10 degrees) from the bars' direction the search began with.
constexpr float kEdgeTurnCos = 0.985f;

int Manhattan(int x, int y) { return (x < 0 ? -x : x) + (y < 0 ? -y : y); }

Point ToPoint(float x, float y) { return Point{static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))}; }

// Where the line through a and b meets the line through c and d; false when
// they run parallel.
bool Meet(Point a, Point b, Point c, Point d, Point& out)
{
    long long const rx = b.x - a.x;
    long long const ry = b.y - a.y;
    long long const sx = d.x - c.x;
    long long const sy = d.y - c.y;
    long long const den = rx * sy - ry * sx;
    if (den == 0) {
        return false;
    }
    long long const num = static_cast<long long>(c.x - a.x) * sy - static_cast<long long>(c.y - a.y) * sx;
    out.x = static_cast<int>(a.x + rx * num / den);
    out.y = static_cast<int>(a.y + ry * num / den);
    return true;
}

// The end of a bar on one side: the bar met where a reading line enters it at
// (x, y), the line running on along (wx, wy) over `module` pixels a module,
// followed along (sx, sy) while it stays darker than `threshold` (lighter
// for a negative label). Under perspective and shear the bars keep neither
// their direction across the symbol nor a square to the reading line; each
// one stays straight. False when no bar stands there.
bool FollowBar(GrayImage const& image, float x, float y, float wx, float wy, float module, float sx, float sy,
               float threshold, bool negative, float reach, float& endX, float& endY)
{
    float const sign = negative ? -1.0f : 1.0f;
    float const limit = sign * threshold;
    // Bilinear between the four pixels around a point inside the frame.
    int const maxX = image.GetWidth() - 1;
    int const maxY = image.GetHeight() - 1;
    auto level = [&](float px, float py) {
        int const x0 = static_cast<int>(px);
        int const y0 = static_cast<int>(py);
        int const x1 = x0 < maxX ? x0 + 1 : maxX;
        int const y1 = y0 < maxY ? y0 + 1 : maxY;
        float const ax = px - static_cast<float>(x0);
        float const ay = py - static_cast<float>(y0);
        float const top = static_cast<float>(image.At(x0, y0)) * (1 - ax) + static_cast<float>(image.At(x1, y0)) * ax;
        float const bottom =
            static_cast<float>(image.At(x0, y1)) * (1 - ax) + static_cast<float>(image.At(x1, y1)) * ax;
        return sign * (top * (1 - ay) + bottom * ay);
    };
    auto inside = [&](float px, float py) {
        return px >= 0.0f && py >= 0.0f && px <= static_cast<float>(image.GetWidth() - 1) &&
               py <= static_cast<float>(image.GetHeight() - 1);
    };
    if (!inside(x, y)) {
        return false;
    }
    // The bar's middle across the line's first module.
    float best = 0;
    float cx = x;
    float cy = y;
    bool met = false;
    for (float t = 0; t <= module; t += 0.25f) {
        float const px = x + wx * t;
        float const py = y + wy * t;
        if (!inside(px, py)) {
            break;
        }
        float const v = level(px, py);
        if (!met || v < best) {
            best = v;
            cx = px;
            cy = py;
            met = true;
        }
    }
    if (!met || !(best < limit)) {
        return false;
    }
    // Across the bar, within half a module either way (at least a pixel):
    // the darkest point keeps the walk on the bar when its direction was
    // guessed a little off.
    float const across = module * 0.5f > 1.0f ? module * 0.5f : 1.0f;
    float nx = -sy;
    float ny = sx;
    float const startX = cx;
    float const startY = cy;
    float lastX = cx;
    float lastY = cy;
    int misses = 0;
    for (float walked = 0; walked < reach; walked += 1.0f) {
        float const px = cx + sx;
        float const py = cy + sy;
        if (!inside(px, py)) {
            break;
        }
        float darkest = 0;
        float offset = 0;
        bool first = true;
        for (float o = -across; o <= across + 0.01f; o += 0.5f) {
            float const qx = px + nx * o;
            float const qy = py + ny * o;
            if (!inside(qx, qy)) {
                continue;
            }
            float const v = level(qx, qy);
            if (first || v < darkest) {
                darkest = v;
                offset = o;
                first = false;
            }
        }
        if (first || !(darkest < limit)) {
            // Two light steps in a row end the bar.
            if (++misses >= 2) {
                break;
            }
            cx = px;
            cy = py;
            continue;
        }
        misses = 0;
        // Half the sideways step: a pixel's noise moves the walk little.
        cx = px + nx * offset * 0.5f;
        cy = py + ny * offset * 0.5f;
        lastX = cx;
        lastY = cy;
        // The way walked so far, once long enough, steers the rest.
        float const gone = std::hypot(cx - startX, cy - startY);
        if (gone >= 6.0f) {
            sx = (cx - startX) / gone;
            sy = (cy - startY) / gone;
            nx = -sy;
            ny = sx;
        }
    }
    endX = lastX;
    endY = lastY;
    return true;
}

}  // namespace

CompositeCodeDecoder::CompositeCodeDecoder(DEC2DProperty const& property, AbstractLineSegmentDecoder& pdf)
    : composite_(&property.composite), gs1DataBar_(&property.gs1_databar), gs1128_(&property.gs1_128),
      pdf417_(&property.pdf417), microPdf417_(&property.micro_pdf417), pdf_(&pdf)
{
}

// The line through the bars' ends on the 2D part's side, found by following
// bars met along the label's middle line to their ends: a region's sides
// and edges are fitted to the lines that read the label, and under
// perspective the bars' ends keep no square to the bars nor to those
// lines. On success the region's corners on that side move onto the line
// and (upX, upY) becomes its normal.
bool CompositeCodeDecoder::TopEdge(GrayImage const& image, DecodedLabel const& label, bool sidesLead, float& upX,
                                   float& upY, Region& r)
{
    int const n = static_cast<int>(label.moduleCount);
    float const rise = static_cast<float>(r[0].x + r[1].x - r[2].x - r[3].x) * upX +
                       static_cast<float>(r[0].y + r[1].y - r[2].y - r[3].y) * upY;
    unsigned const ia = rise >= 0 ? 0 : 3;
    unsigned const ib = rise >= 0 ? 1 : 2;
    // The middle line, a tenth longer at each end.
    float const fx = static_cast<float>(r[0].x + r[3].x) / 2;
    float const fy = static_cast<float>(r[0].y + r[3].y) / 2;
    float const lx = static_cast<float>(r[1].x + r[2].x) / 2 - fx;
    float const ly = static_cast<float>(r[1].y + r[2].y) / 2 - fy;
    float const line = std::hypot(lx, ly);
    // A line longer than the frame, or one starting far outside it, is no
    // label's.
    float const frame = static_cast<float>(image.GetWidth() + image.GetHeight());
    if (!(line >= 16.0f && line <= frame * 2.0f) || n <= 0 || !(fx >= -frame && fx <= frame * 2.0f) ||
        !(fy >= -frame && fy <= frame * 2.0f)) {
        return false;
    }
    float const wx = lx / line;
    float const wy = ly / line;
    float const module = line / static_cast<float>(n);
    float const upLength = std::hypot(upX, upY);
    float bx = upX / upLength;
    float by = upY / upLength;
    // The sides run along the bars when the lines that read the label lie
    // apart; the walk steers itself onto a bar's own direction.
    int const sideX = r[0].x - r[3].x + r[1].x - r[2].x;
    int const sideY = r[0].y - r[3].y + r[1].y - r[2].y;
    if (sidesLead && Manhattan(sideX, sideY) >= kMinSides) {
        float const side = std::hypot(static_cast<float>(sideX), static_cast<float>(sideY));
        bool const same = static_cast<float>(sideX) * bx + static_cast<float>(sideY) * by >= 0;
        bx = (same ? 1.0f : -1.0f) * static_cast<float>(sideX) / side;
        by = (same ? 1.0f : -1.0f) * static_cast<float>(sideY) / side;
    }
    auto at = [&image](int px, int py) { return static_cast<float>(image.AtClamped(px, py)); };
    float const from = -line * 0.1f;
    float const to = line * 1.1f;
    float low = 0;
    float high = 0;
    bool any = false;
    for (float t = from; t <= to; t += 0.5f) {
        float const v = Bilinear(at, fx + wx * t, fy + wy * t);
        low = !any || v < low ? v : low;
        high = !any || v > high ? v : high;
        any = true;
    }
    if (!(high - low >= 16.0f)) {
        return false;
    }
    float const threshold = (low + high) / 2;
    bool const negative = label.negative != 0;
    float const sign = negative ? -1.0f : 1.0f;
    // Every bar met along the line, followed to its end: bars that run on
    // into a 2D part close above overshoot, so the ends' line is the one
    // most pairs of ends agree on (the median slope and offset). Heights
    // count along the line's normal toward the 2D part.
    float const nx = wy;
    float const ny = -wx;
    float const turn = nx * bx + ny * by >= 0 ? 1.0f : -1.0f;
    float const reach = line * 1.5f + 16.0f;
    float first = 0;
    float last = 0;
    // Where the line enters each bar; of many, a spread of them is followed.
    float entries[kMaxBars];
    unsigned entered = 0;
    bool dark = false;
    for (float t = from; t <= to && entered < kMaxBars; t += 0.5f) {
        bool const now = sign * Bilinear(at, fx + wx * t, fy + wy * t) < sign * threshold;
        if (now && !dark) {
            entries[entered++] = t;
        }
        dark = now;
    }
    unsigned const followed = entered < kMaxFollowed ? entered : kMaxFollowed;
    auto fit = [&](float dir, float& slope, float& offset) {
        float along[kMaxFollowed];
        float height[kMaxFollowed];
        unsigned count = 0;
        for (unsigned i = 0; i < followed; ++i) {
            float const t = entries[followed > 1 ? i * (entered - 1) / (followed - 1) : 0];
            float ex = 0;
            float ey = 0;
            if (FollowBar(image, fx + wx * t, fy + wy * t, wx, wy, module, dir * bx, dir * by, threshold, negative,
                          reach, ex, ey)) {
                along[count] = (ex - fx) * wx + (ey - fy) * wy;
                height[count] = turn * ((ex - fx) * nx + (ey - fy) * ny);
                ++count;
            }
        }
        if (count < 4) {
            return false;
        }
        float const minApart = line * 0.25f;
        unsigned pairs = 0;
        for (unsigned p = 0; p < count; ++p) {
            for (unsigned q = p + 1; q < count; ++q) {
                float const ds = along[q] - along[p];
                if (ds >= minApart || ds <= -minApart) {
                    slopes_[pairs++] = (height[q] - height[p]) / ds;
                }
            }
        }
        if (pairs < 3) {
            return false;
        }
        std::nth_element(slopes_, slopes_ + pairs / 2, slopes_ + pairs);
        slope = slopes_[pairs / 2];
        for (unsigned p = 0; p < count; ++p) {
            slopes_[p] = height[p] - slope * along[p];
        }
        std::nth_element(slopes_, slopes_ + count / 2, slopes_ + count);
        offset = slopes_[count / 2];
        first = *std::min_element(along, along + count);
        last = *std::max_element(along, along + count);
        return true;
    };
    float lowSlope = 0;
    float lowOffset = 0;
    float slope = 0;
    float offset = 0;
    bool const bottom = fit(-1.0f, lowSlope, lowOffset);
    if (!fit(1.0f, slope, offset)) {
        return false;
    }
    // Under perspective the lines along the rows turn steadily from the
    // bars' one end to the other, and on past them: the 2D part's rows,
    // `kRowsAbove` modules above the ends on average, turn on by that
    // share of the bars' height.
    float const middle = (first + last) / 2;
    float const tall = (offset + slope * middle) - (lowOffset + lowSlope * middle);
    if (bottom && tall >= module * 8.0f) {
        float const k = kRowsAbove * module / tall;
        float const turned = slope + (slope - lowSlope) * k;
        offset += (slope - turned) * middle;
        slope = turned;
    }
    // Ends' lines steeper than this against the reading line are no bars'
    // ends (the reading line crosses the bars well within 45 degrees of
    // square).
    if (!(slope >= -kMaxEdgeSlope && slope <= kMaxEdgeSlope)) {
        return false;
    }
    auto onEdge = [&](float t) {
        float const h = turn * (offset + slope * t);
        return ToPoint(fx + wx * t + nx * h, fy + wy * t + ny * h);
    };
    Point const ca = onEdge(first);
    Point const cb = onEdge(last);
    float const ex = static_cast<float>(cb.x - ca.x);
    float const ey = static_cast<float>(cb.y - ca.y);
    float const edge = std::hypot(ex, ey);
    if (!(edge >= line * 0.5f)) {
        return false;
    }
    r[ia] = ca;
    r[ib] = cb;
    upX = ey / edge;
    upY = -ex / edge;
    return true;
}

int CompositeCodeDecoder::Start(GrayImage const& image, DecodedLabel& label)
{
    unsigned const mode = composite_->component_mode.Get();
    bool const ignoreLink = composite_->ignore_link_flag.Get();
    SymbologyIdentifier const& id = label.identifier;
    unsigned kind = 0;
    bool enabled = false;
    bool upcEan = false;
    switch (id.GetSymbology()) {
    case SYMBOLOGY_CODE128:
        if (!id.GetModifierBit(8) && !id.GetModifierBit(9)) {
            return 1;
        }
        kind = kKindCode128;
        enabled = composite_->read.Get();
        break;
    case SYMBOLOGY_UPCA:
    case SYMBOLOGY_EAN13:
    case SYMBOLOGY_UPCE:
    case SYMBOLOGY_EAN8:
        if (id.GetModifierBit(8) || id.GetModifierBit(9)) {
            return 1;
        }
        kind = id.GetSymbology() == SYMBOLOGY_UPCA ? 0 : id.GetSymbology() == SYMBOLOGY_EAN13 ? 2
             : id.GetSymbology() == SYMBOLOGY_UPCE ? 1 : 3;
        enabled = composite_->read_composite_ean.Get();
        upcEan = true;
        break;
    case SYMBOLOGY_GS1_DATABAR:
        if (!id.GetModifierBit(11)) {
            return 1;
        }
        kind = kKindDataBar;
        enabled = composite_->read.Get();
        break;
    case SYMBOLOGY_PDF417:
    case SYMBOLOGY_MICRO_PDF417: {
        bool const linked = id.GetSymbology() == SYMBOLOGY_PDF417 ? id.GetModifierBit(8)
                                                                   : (id.GetModifierBit(9) || id.GetModifierBit(10));
        if (!linked) {
            return 1;
        }
        return mode != kComponent1DOnly && ignoreLink ? 1 : 0;
    }
    default:
        return 1;
    }
    if (mode != kComponent2DOnly && !enabled) {
        return 1;
    }
    // A label without a module count or a top edge gives no place to look.
    int const tx = label.region[1].x - label.region[0].x;
    int const ty = label.region[1].y - label.region[0].y;
    int const e = Manhattan(tx, ty);
    int const n = static_cast<int>(label.moduleCount);
    if (n == 0 || e == 0) {
        return 0;
    }
    // The 2D part stands above the linear one, on the left of its reading
    // direction; the located corners may list the bottom edge first.
    Region r = label.region;
    float upX = static_cast<float>(ty);
    float upY = static_cast<float>(-tx);
    // (An Expanded label's corners end on its last character, wherever that
    // lies.) Lines crossing a DataBar symbol at a slant leave a top edge that cuts
    // across the 2D part's rows; its short sides, each through the outer end
    // of a character on the first and the last line, run along the bars and
    // give the rows' true direction.
    int const sideX = r[0].x - r[3].x + r[1].x - r[2].x;
    int const sideY = r[0].y - r[3].y + r[1].y - r[2].y;
    // A DataBar label's region may be cut square to the lines that read it
    // rather than to its bars (a Limited one's always is) and may reach into
    // the 2D part: the bars' direction measured in the frame comes first.
    float barX = 0;
    float barY = 0;
    if (kind == kKindDataBar && !id.GetModifierBit(kExpandedBit) && barDirection_.Measure(image, r, barX, barY)) {
        bool const same = barX * static_cast<float>(ty) - barY * static_cast<float>(tx) >= 0;
        upX = same ? barX : -barX;
        upY = same ? barY : -barY;
    } else if (kind == kKindDataBar && !id.GetModifierBit(kExpandedBit) && Manhattan(sideX, sideY) >= kMinSides) {
        bool const same = static_cast<long long>(sideX) * ty - static_cast<long long>(sideY) * tx >= 0;
        upX = static_cast<float>(same ? sideX : -sideX);
        upY = static_cast<float>(same ? sideY : -sideY);
    }
    if (kind != kKindDataBar) {
        TopEdge(image, label, true, upX, upY, r);
    }
    float const up = std::hypot(upX, upY);
    upX /= up;
    upY /= up;
    float const d = upcEan ? 9.0f : 5.0f;
    bool const negative = label.negative != 0;
    // The 2D part read along a segment: a PDF417 one stands beside GS1-128
    // alone.
    bool const pdf417 = kind == kKindCode128;
    auto read = [&](LineSegment const& segment) {
        return pdf_->Start(image, segment, negative, pdf417, component_) != 0 &&
               (pdf417 || component_.identifier.GetSymbology() != SYMBOLOGY_PDF417);
    };
    // Searches above the label with the bars' direction turned by `tilt`
    // (radians), once, from two heights or only from `only` modules up; true
    // when the 2D part was read.
    auto seek = [&](float tilt, bool once, float const* only = nullptr) {
        float const c = std::cos(tilt);
        float const s = std::sin(tilt);
        float const ux = upX * c - upY * s;
        float const uy = upX * s + upY * c;
        float const rise = static_cast<float>(r[0].x + r[1].x - r[2].x - r[3].x) * ux +
                           static_cast<float>(r[0].y + r[1].y - r[2].y - r[3].y) * uy;
        Point const a = rise >= 0 ? r[0] : r[3];
        Point const b = rise >= 0 ? r[1] : r[2];
        // Both ends lifted along the bars to the higher one: the edge then runs
        // along the rows.
        float const heightA = static_cast<float>(a.x) * ux + static_cast<float>(a.y) * uy;
        float const heightB = static_cast<float>(b.x) * ux + static_cast<float>(b.y) * uy;
        float const height = std::max(heightA, heightB);
        float const fromX = static_cast<float>(a.x) + ux * (height - heightA);
        float const fromY = static_cast<float>(a.y) + uy * (height - heightA);
        float const alongX = static_cast<float>(b.x) + ux * (height - heightB) - fromX;
        float const alongY = static_cast<float>(b.y) + uy * (height - heightB) - fromY;
        float const length = std::hypot(alongX, alongY);
        if (length < 1.0f) {
            return false;
        }
        float const module = length / static_cast<float>(n);
        float const reach = 32.0f / static_cast<float>(n);
        auto placed = [&](float modules) {
            float const ox = ux * modules * module;
            float const oy = uy * modules * module;
            return LineSegment{ToPoint(fromX - alongX * reach + ox, fromY - alongY * reach + oy),
                               ToPoint(fromX + alongX * (1.0f + reach) + ox, fromY + alongY * (1.0f + reach) + oy)};
        };
        if (only != nullptr) {
            return read(placed(*only));
        }
        // The search area reaches back into the linear bars, whose runs can
        // outvote a small 2D part's side patterns; a UPC/EAN part is sought
        // once more from well above them.
        if (read(placed(d)) || (!once && read(placed(d + 4.0f))) || (upcEan && read(placed(d + 16.0f)))) {
            return true;
        }
        // Code 128's tall bars hold runs like a row's side patterns all along
        // the area's part over them, and which lines the area's rows meet
        // decides whether they win: the area steps up until it clears them.
        if (kind == kKindCode128 && !once) {
            float const clear = kAreaBelow * (static_cast<float>(n) + 64.0f) + 2.0f;
            for (float h = 1.0f; h <= clear; h += kCode128Step) {
                if (h != d && h != d + 4.0f && read(placed(h))) {
                    return true;
                }
            }
        }
        return false;
    };
    bool found = false;
    if (kind == kKindDataBar) {
        // The line through the bars' ends, followed from the bars' direction
        // found above, and the region's own edge lifted along that direction
        // take turns: under strong perspective neither the region's edge nor
        // its sides need lie along the 2D part's rows, while the bars' ends
        // of a label read on few lines can mislead the followed line.
        Region const square = r;
        float const squareX = upX;
        float const squareY = upY;
        Region edge = r;
        float edgeUpX = upX;
        float edgeUpY = upY;
        bool const followed = TopEdge(image, label, false, edgeUpX, edgeUpY, edge);
        // An Omnidirectional label's 2D part is met along its bars' ends
        // first more often, a Limited or Expanded one's from the edge.
        bool const edgeFirst = !id.GetModifierBit(kLimitedBit) && !id.GetModifierBit(kExpandedBit);
        for (unsigned i = 0; i < std::size(kDataBarSearches); ++i) {
            DataBarSearch const& at = kDataBarSearches[i < 2 && !edgeFirst ? 1 - i : i];
            if (at.onEdge && !followed) {
                continue;
            }
            r = at.onEdge ? edge : square;
            upX = at.onEdge ? edgeUpX : squareX;
            upY = at.onEdge ? edgeUpY : squareY;
            if (seek(at.tilt, true, &at.modules)) {
                found = true;
                break;
            }
        }
        r = square;
        upX = squareX;
        upY = squareY;
        // Lines laid along the bars themselves (a short symbol's own region)
        // leave a top edge square to them, while the sides, cut by the ends
        // of a few lines, may lean further than the turns above reach.
        float const edgeX = static_cast<float>(ty) / std::hypot(static_cast<float>(tx), static_cast<float>(ty));
        float const edgeY = static_cast<float>(-tx) / std::hypot(static_cast<float>(tx), static_cast<float>(ty));
        if (!found && upX * edgeX + upY * edgeY < kEdgeTurnCos) {
            upX = edgeX;
            upY = edgeY;
            found = seek(0.0f, true, &kDataBarSquareHeight);
        }
    } else {
        found = seek(0.0f, false);
    }
    if (!found) {
        // A linear part read without its 2D part is never a whole
        // composite. UPC/EAN carry no linkage flag: nothing says a
        // component belongs to them, so they pass on as they were read.
        return (ignoreLink || upcEan) && mode != kComponent2DOnly ? 1 : 0;
    }
    if (mode == kComponent2DOnly && !enabled) {
        label.Copy(component_);
        return 1;
    }
    unsigned const joined = label.data.GetCount() + 1 + component_.data.GetCount();
    if (joined > label.data.GetCapacity() || !composite_->fixed_length.Get().Admits(joined)) {
        return 0;
    }
    label.data.Push(28);
    for (unsigned i = 0; i < component_.data.GetCount(); ++i) {
        label.data.Push(component_.data[i]);
    }
    unsigned option = kind;
    SymbologyIdentifier const& part = component_.identifier;
    if (part.GetSymbology() == SYMBOLOGY_PDF417) {
        option |= 1u << 6;
    } else {
        option |= 1u << 3;
        if (part.GetModifierBit(10) && !part.GetModifierBit(9)) {
            option |= 1u << 5;
        }
    }
    label.identifier = CommonSymbologyIdentifier(CompositeIdentifier(option));
    // The label's sides run on to the component's top edge. Lines from
    // several regions may meet a side's ends at one point or a few pixels
    // apart (a label read on one line has sides of no length): such a side
    // runs along the bars' direction instead. Where no side meets the edge,
    // the component's top corners stand in: the label is read whole either way.
    auto side = [&](Point const& from, Point const& other) {
        return Manhattan(other.x - from.x, other.y - from.y) >= kMinSide
                   ? other
                   : ToPoint(static_cast<float>(from.x) + upX * kSideReach,
                             static_cast<float>(from.y) + upY * kSideReach);
    };
    Point top[2];
    if (!Meet(label.region[0], side(label.region[0], label.region[3]), component_.region[0], component_.region[1],
              top[0]) ||
        !Meet(label.region[1], side(label.region[1], label.region[2]), component_.region[0], component_.region[1],
              top[1])) {
        top[0] = component_.region[0];
        top[1] = component_.region[1];
    }
    label.region[0] = top[0];
    label.region[1] = top[1];
    return 1;
}

}  // namespace DEC2DIvra
