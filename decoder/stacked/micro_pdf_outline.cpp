#include "decoder/stacked/micro_pdf_outline.h"

#include <algorithm>
#include <cmath>

namespace DEC2DIvra {

namespace {

struct OutlinePoint {
    float x;
    float y;
};

float Cross(OutlinePoint const& o, OutlinePoint const& a, OutlinePoint const& b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

float TriangleArea(OutlinePoint const& a, OutlinePoint const& b, OutlinePoint const& c)
{
    float const area = Cross(a, b, c);
    return area < 0 ? -area : area;
}

// Andrew's monotone chain over points sorted by x then y; the hull into
// `hull` (room for count + 1), its vertex count returned.
unsigned ConvexHull(OutlinePoint const* points, unsigned count, OutlinePoint* hull)
{
    if (count < 3) {
        return 0;
    }
    unsigned k = 0;
    for (unsigned i = 0; i < count; ++i) {
        while (k >= 2 && Cross(hull[k - 2], hull[k - 1], points[i]) <= 0) {
            --k;
        }
        hull[k++] = points[i];
    }
    unsigned const lower = k + 1;
    for (unsigned i = count - 1; i-- > 0;) {
        while (k >= lower && Cross(hull[k - 2], hull[k - 1], points[i]) <= 0) {
            --k;
        }
        hull[k++] = points[i];
    }
    return k - 1;  // the last point repeats the first
}

}  // namespace

bool QuadMap::Set(float const corners[8])
{
    float const x0 = corners[0], y0 = corners[1], x1 = corners[2], y1 = corners[3];
    float const x2 = corners[4], y2 = corners[5], x3 = corners[6], y3 = corners[7];
    float const sx = x0 - x1 + x2 - x3;
    float const sy = y0 - y1 + y2 - y3;
    float const dx1 = x1 - x2, dx2 = x3 - x2, dy1 = y1 - y2, dy2 = y3 - y2;
    float const det = dx1 * dy2 - dx2 * dy1;
    if (!(std::fabs(det) > 1e-3f)) {
        return false;
    }
    g_ = (sx * dy2 - dx2 * sy) / det;
    h_ = (dx1 * sy - sx * dy1) / det;
    a_ = x1 - x0 + g_ * x1;
    b_ = x3 - x0 + h_ * x3;
    c_ = x0;
    d_ = y1 - y0 + g_ * y1;
    e_ = y3 - y0 + h_ * y3;
    f_ = y0;
    // The square's corners map in front of the camera, onto the corners.
    static constexpr float kCorner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (unsigned k = 0; k < 4; ++k) {
        float const w = g_ * kCorner[k][0] + h_ * kCorner[k][1] + 1;
        float p[2];
        At(kCorner[k][0], kCorner[k][1], p);
        if (!(w > 0.05f) || !(std::fabs(p[0] - corners[2 * k]) < 0.5f) ||
            !(std::fabs(p[1] - corners[2 * k + 1]) < 0.5f)) {
            return false;
        }
    }
    return true;
}

void QuadMap::At(float u, float v, float point[2]) const
{
    float const w = g_ * u + h_ * v + 1;
    point[0] = (a_ * u + b_ * v + c_) / w;
    point[1] = (d_ * u + e_ * v + f_) / w;
}

float QuadMap::ScaleAlong(float u, float v) const
{
    float p[2];
    float q[2];
    At(u - 0.005f, v, p);
    At(u + 0.005f, v, q);
    return std::hypot(q[0] - p[0], q[1] - p[1]) / 0.01f;
}

void MicroPdfOutline::Offset(float const corners[8], float offset, float moved[8])
{
    // Each side moved out along its normal (the quadrilateral turns
    // clockwise on the frame), the corners where the moved sides meet.
    for (unsigned c = 0; c < 4; ++c) {
        float const ax = corners[(2 * c + 6) % 8], ay = corners[(2 * c + 7) % 8];
        float const bx = corners[2 * c], by = corners[2 * c + 1];
        float const dx = corners[(2 * c + 2) % 8], dy = corners[(2 * c + 3) % 8];
        float const e1x = bx - ax, e1y = by - ay;
        float const e2x = dx - bx, e2y = dy - by;
        float const l1 = std::hypot(e1x, e1y);
        float const l2 = std::hypot(e2x, e2y);
        float const cross = e1x * e2y - e1y * e2x;
        moved[2 * c] = bx;
        moved[2 * c + 1] = by;
        if (!(l1 > 0) || !(l2 > 0) || !(std::fabs(cross) > 0.05f * l1 * l2)) {
            continue;  // no corner to speak of
        }
        float const n1x = e1y / l1, n1y = -e1x / l1;
        float const n2x = e2y / l2, n2y = -e2x / l2;
        // b + k n1 + t e1 = b + k n2 + s e2: t from the cross with e2.
        float const t = offset * ((n2x - n1x) * e2y - (n2y - n1y) * e2x) / cross;
        moved[2 * c] = bx + offset * n1x + t * e1x;
        moved[2 * c + 1] = by + offset * n1y + t * e1y;
    }
}

bool MicroPdfOutline::Find(GrayImage const& image, float cx, float cy, float ux, float uy, float halfLength,
                           float halfHeight, bool inverted, float corners[8])
{
    int const width = image.GetWidth();
    int const height = image.GetHeight();
    if (width < 3 || height < 3 || image.GetPixels() == nullptr || !(halfLength > 2) || !(halfHeight > 2)) {
        return false;
    }
    // The rectangle's box, cut to the frame.
    float const ex = std::fabs(ux) * halfLength + std::fabs(uy) * halfHeight;
    float const ey = std::fabs(uy) * halfLength + std::fabs(ux) * halfHeight;
    float const fx0 = std::floor(cx - ex);
    float const fx1 = std::ceil(cx + ex);
    float const fy0 = std::floor(cy - ey);
    float const fy1 = std::ceil(cy + ey);
    if (!(fx1 >= 0 && fy1 >= 0 && fx0 < static_cast<float>(width) && fy0 < static_cast<float>(height))) {
        return false;
    }
    int const x0 = fx0 < 0 ? 0 : static_cast<int>(fx0);
    int const y0 = fy0 < 0 ? 0 : static_cast<int>(fy0);
    int const x1 = fx1 > static_cast<float>(width - 1) ? width - 1 : static_cast<int>(fx1);
    int const y1 = fy1 > static_cast<float>(height - 1) ? height - 1 : static_cast<int>(fy1);
    auto const inside = [&](int x, int y) {
        float const dx = static_cast<float>(x) - cx;
        float const dy = static_cast<float>(y) - cy;
        return std::fabs(dx * ux + dy * uy) <= halfLength && std::fabs(dy * ux - dx * uy) <= halfHeight;
    };
    auto const value = [&](int x, int y) {
        unsigned const v = image.At(x, y) > 1023 ? 1023u : image.At(x, y);
        return inverted ? 1023u - v : v;
    };
    // Each row's span inside the rectangle (the rows scanned, every
    // rowStep-th), from the rectangle's two pairs of sides.
    int const rowStep = (y1 - y0) / static_cast<int>(kMaxRows) + 1;
    auto const span = [&](int y, int& from, int& to) {
        float low = static_cast<float>(x0);
        float high = static_cast<float>(x1);
        float const dy = static_cast<float>(y) - cy;
        // |(x - cx) a + dy b| <= h for the two sides' normals (a, b).
        float const normals[2][3] = {{ux, uy, halfLength}, {-uy, ux, halfHeight}};
        for (auto const& n : normals) {
            float const rest = dy * n[1];
            if (std::fabs(n[0]) < 1e-6f) {
                if (std::fabs(rest) > n[2]) {
                    return false;
                }
                continue;
            }
            float const a = cx + (-n[2] - rest) / n[0];
            float const b = cx + (n[2] - rest) / n[0];
            low = std::fmax(low, std::fmin(a, b));
            high = std::fmin(high, std::fmax(a, b));
        }
        if (!(low <= high)) {
            return false;
        }
        from = static_cast<int>(std::ceil(low));
        to = static_cast<int>(std::floor(high));
        return from <= to;
    };
    // The ink's and the light's levels: the darkest and lightest hundredth
    // of the rectangle (sampled every kLevelStep-th pixel both ways).
    unsigned histogram[1024] = {};
    unsigned total = 0;
    for (int y = y0; y <= y1; y += kLevelStep) {
        int from = 0;
        int to = 0;
        if (!span(y, from, to)) {
            continue;
        }
        for (int x = from; x <= to; x += kLevelStep) {
            ++histogram[value(x, y)];
            ++total;
        }
    }
    if (total < 32) {
        return false;
    }
    unsigned const tail = total / 100 + 1;
    unsigned dark = 0;
    for (unsigned seen = 0; dark < 1023 && (seen += histogram[dark]) < tail; ++dark) {
    }
    unsigned light = 1023;
    for (unsigned seen = 0; light > 0 && (seen += histogram[light]) < tail; --light) {
    }
    if (light < dark + 64) {
        return false;
    }
    // A grey surround lies well above the ink.
    unsigned const threshold = dark + (light - dark) * 2 / 5;
    auto const isDark = [&](int x, int y) {
        return x >= x0 && x <= x1 && y >= y0 && y <= y1 && value(x, y) < threshold && inside(x, y);
    };
    // Lone dark pixels are noise. A sample is dark below the threshold
    // (above its mirror when inverted; samples past 10 bits read as 1023).
    unsigned short const* const pixels = image.GetPixels();
    int const pitch = image.GetPitch();
    unsigned const mirrored = 1023u - threshold;
    auto const rawDark = [&](unsigned short raw) { return inverted ? raw > mirrored : raw < threshold; };
    auto const isInk = [&](int x, int y) {
        return inside(x, y) && (isDark(x - 1, y) || isDark(x + 1, y) || isDark(x, y - 1) || isDark(x, y + 1));
    };
    // The first and last ink pixel of each row scanned.
    OutlinePoint points[2 * kMaxRows];
    unsigned count = 0;
    for (int y = y0; y <= y1 && count + 2 <= 2 * kMaxRows; y += rowStep) {
        int from = 0;
        int to = 0;
        if (!span(y, from, to)) {
            continue;
        }
        unsigned short const* const row = pixels + static_cast<long long>(y) * pitch;
        int first = from;
        for (; first <= to && !(rawDark(row[first]) && isInk(first, y)); ++first) {
        }
        if (first > to) {
            continue;
        }
        int last = to;
        for (; last > first && !(rawDark(row[last]) && isInk(last, y)); --last) {
        }
        points[count++] = OutlinePoint{static_cast<float>(first), static_cast<float>(y)};
        if (last > first) {
            points[count++] = OutlinePoint{static_cast<float>(last), static_cast<float>(y)};
        }
    }
    std::sort(points, points + count,
              [](OutlinePoint const& a, OutlinePoint const& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    OutlinePoint hull[2 * kMaxRows + 1];
    unsigned const n = ConvexHull(points, count, hull);
    if (n < 4) {
        return false;
    }
    // The largest quadrilateral on the hull's vertices: for each diagonal
    // i-j the farthest vertex on either side, whose place only moves on as
    // j does.
    float bestArea = 0;
    unsigned best[4] = {0, 0, 0, 0};
    for (unsigned i = 0; i < n; ++i) {
        unsigned k = i + 1;
        unsigned l = i + 3;
        for (unsigned j = i + 2; j + 1 < i + n; ++j) {
            OutlinePoint const& pi = hull[i];
            OutlinePoint const& pj = hull[j % n];
            while (k + 1 < j && TriangleArea(pi, hull[(k + 1) % n], pj) >= TriangleArea(pi, hull[k % n], pj)) {
                ++k;
            }
            l = l <= j ? j + 1 : l;
            while (l + 1 < i + n && TriangleArea(pj, hull[(l + 1) % n], pi) >= TriangleArea(pj, hull[l % n], pi)) {
                ++l;
            }
            float const area = TriangleArea(pi, hull[k % n], pj) + TriangleArea(pj, hull[l % n], pi);
            if (area > bestArea) {
                bestArea = area;
                best[0] = i;
                best[1] = k % n;
                best[2] = j % n;
                best[3] = l % n;
            }
        }
    }
    // Twice the area: a symbol of a few pixels is no outline.
    if (!(bestArea >= 128.0f)) {
        return false;
    }
    float signedArea = 0;
    for (unsigned c = 0; c < 4; ++c) {
        OutlinePoint const& p = hull[best[c]];
        OutlinePoint const& q = hull[best[(c + 1) % 4]];
        signedArea += p.x * q.y - q.x * p.y;
    }
    // Top-left, top-right, bottom-right, bottom-left turn clockwise on the
    // frame (y down).
    OutlinePoint quad[4];
    for (unsigned c = 0; c < 4; ++c) {
        quad[c] = hull[best[signedArea > 0 ? c : 3 - c]];
    }
    for (unsigned c = 0; c < 4; ++c) {
        corners[2 * c] = quad[c].x;
        corners[2 * c + 1] = quad[c].y;
    }
    return true;
}

}  // namespace DEC2DIvra
