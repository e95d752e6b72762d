#include "tests/support/symbol_renderer.h"

#include "tests/support/polygon.h"
#include "tests/support/symbol_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace support {

namespace {

using Matrix = std::array<double, 9>;

Point apply(Matrix const& m, Point p)
{
    double const w = m[6] * p.x + m[7] * p.y + m[8];
    return {(m[0] * p.x + m[1] * p.y + m[2]) / w, (m[3] * p.x + m[4] * p.y + m[5]) / w};
}

double denominator(Matrix const& m, Point p)
{
    return m[6] * p.x + m[7] * p.y + m[8];
}

bool invertMatrix(Matrix const& m, Matrix& inverse)
{
    double const c0 = m[4] * m[8] - m[5] * m[7];
    double const c1 = m[5] * m[6] - m[3] * m[8];
    double const c2 = m[3] * m[7] - m[4] * m[6];
    double const det = m[0] * c0 + m[1] * c1 + m[2] * c2;
    if (!std::isfinite(det) || std::abs(det) < 1e-12)
        return false;
    inverse = {c0 / det,
               (m[2] * m[7] - m[1] * m[8]) / det,
               (m[1] * m[5] - m[2] * m[4]) / det,
               c1 / det,
               (m[0] * m[8] - m[2] * m[6]) / det,
               (m[2] * m[3] - m[0] * m[5]) / det,
               c2 / det,
               (m[1] * m[6] - m[0] * m[7]) / det,
               (m[0] * m[4] - m[1] * m[3]) / det};
    return true;
}

bool finite(double v)
{
    return std::isfinite(v);
}

char const* checkOptions(Frame const& frame, RenderOptions const& o)
{
    if (!frame.valid())
        return "frame has no pixels or a wrong pixel count";
    if (!finite(o.moduleSize) || o.moduleSize <= 0.0 || o.moduleSize > 1000.0)
        return "module size out of range";
    if (!finite(o.angle) || !finite(o.quietZone) || o.quietZone < 0.0 || o.quietZone > 1000.0)
        return "angle or quiet zone out of range";
    if (o.centre && (!finite(o.centre->x) || !finite(o.centre->y)))
        return "centre not finite";
    if (o.dark < 0 || o.dark > kMaxLevel || o.light < 0 || o.light > kMaxLevel)
        return "grey levels out of range";
    if (!finite(o.perspectiveX) || !finite(o.perspectiveY) || std::abs(o.perspectiveX) + std::abs(o.perspectiveY) >= 0.9)
        return "perspective out of range";
    return nullptr;
}

// Module-space ink shapes bucketed by 1-module cells, so each pixel tests only
// the few shapes near it.
class ShapeIndex {
public:
    explicit ShapeIndex(SymbolGeometry const& g) : shapes_(g.shapes), x0_(std::floor(g.labelX0)), y0_(std::floor(g.labelY0))
    {
        columns_ = static_cast<int>(std::ceil(g.labelX1) - x0_) + 1;
        rows_ = static_cast<int>(std::ceil(g.labelY1) - y0_) + 1;
        cells_.resize(static_cast<size_t>(columns_) * static_cast<size_t>(rows_));
        stamps_.assign(shapes_.size(), 0);
        for (size_t i = 0; i < shapes_.size(); ++i) {
            InkShape const& s = shapes_[i];
            int const cx0 = column(s.x0), cx1 = column(s.x1), cy0 = row(s.y0), cy1 = row(s.y1);
            for (int y = cy0; y <= cy1; ++y)
                for (int x = cx0; x <= cx1; ++x)
                    cells_[static_cast<size_t>(y) * static_cast<size_t>(columns_) + static_cast<size_t>(x)].push_back(
                        static_cast<uint32_t>(i));
        }
    }

    // Ink area (module units) that `footprint` covers.
    double inkArea(Polygon const& footprint)
    {
        double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
        for (int i = 0; i < footprint.count; ++i) {
            Point const p = footprint.points[static_cast<size_t>(i)];
            minX = std::min(minX, p.x);
            minY = std::min(minY, p.y);
            maxX = std::max(maxX, p.x);
            maxY = std::max(maxY, p.y);
        }
        ++stamp_;
        double sum = 0.0;
        int const cx0 = column(minX), cx1 = column(maxX), cy0 = row(minY), cy1 = row(maxY);
        for (int y = cy0; y <= cy1; ++y) {
            for (int x = cx0; x <= cx1; ++x) {
                for (uint32_t index :
                     cells_[static_cast<size_t>(y) * static_cast<size_t>(columns_) + static_cast<size_t>(x)]) {
                    if (stamps_[index] == stamp_)
                        continue;
                    stamps_[index] = stamp_;
                    InkShape const& s = shapes_[index];
                    if (s.x1 <= minX || s.x0 >= maxX || s.y1 <= minY || s.y0 >= maxY)
                        continue;
                    // A footprint wholly inside the shape needs no clipping: the
                    // clip would hand back the same points.
                    bool const inside = s.isBox ? s.x0 <= minX && s.x1 >= maxX && s.y0 <= minY && s.y1 >= maxY
                                                : containsAll(s.outline, footprint);
                    double const a = inside    ? area(footprint)
                                     : s.isBox ? area(clipToBox(footprint, s.x0, s.y0, s.x1, s.y1))
                                               : area(clipToConvex(footprint, s.outline));
                    sum += s.subtract ? -a : a;
                }
            }
        }
        return sum;
    }

private:
    int column(double x) const { return std::clamp(static_cast<int>(std::floor(x - x0_)), 0, columns_ - 1); }
    int row(double y) const { return std::clamp(static_cast<int>(std::floor(y - y0_)), 0, rows_ - 1); }

    std::vector<InkShape> const& shapes_;
    double x0_;
    double y0_;
    int columns_ = 0;
    int rows_ = 0;
    std::vector<std::vector<uint32_t>> cells_;
    std::vector<uint32_t> stamps_;
    uint32_t stamp_ = 0;
};

} // namespace

Point RenderedSymbol::toFrame(Point module) const
{
    return apply(moduleToFrame, module);
}

Point RenderedSymbol::toModule(Point frame) const
{
    return apply(frameToModule, frame);
}

RenderedSymbol drawSymbol(Frame& frame, SymbolInput const& input, RenderOptions const& o)
{
    RenderedSymbol out;
    out.data = input.data;
    if (char const* refusal = checkOptions(frame, o)) {
        out.error = refusal;
        return out;
    }
    SymbolGeometry g = encodeSymbol(input);
    if (!g.ok) {
        out.error = g.error;
        return out;
    }

    double const w = g.width;
    double const h = g.height;
    double const s = o.moduleSize;
    double const angle = o.angle * std::numbers::pi / 180.0;
    double const c = std::cos(angle);
    double const n = std::sin(angle);
    Point const centre = o.centre.value_or(Point{0.5 * frame.width, 0.5 * frame.height});
    // Centred and scaled, with the keystone in the homogeneous term w...
    double const kx = 2.0 * o.perspectiveX / w;
    double const ky = 2.0 * o.perspectiveY / h;
    double const k0 = 1.0 - o.perspectiveX - o.perspectiveY;
    double const tx = -0.5 * s * w;
    double const ty = -0.5 * s * h;
    // ...then turned and moved (the move scaled by w, as it is homogeneous).
    Matrix m{c * s + centre.x * kx, -n * s + centre.x * ky, c * tx - n * ty + centre.x * k0,
             n * s + centre.y * kx, c * s + centre.y * ky,  n * tx + c * ty + centre.y * k0,
             kx,                    ky,                     k0};
    if (o.mirrored) {
        // Module x goes to w - x first.
        for (size_t row = 0; row < 3; ++row) {
            m[row * 3 + 2] += w * m[row * 3];
            m[row * 3] = -m[row * 3];
        }
    }
    Matrix inverse{};
    if (!invertMatrix(m, inverse)) {
        out.error = "symbol mapping is singular";
        return out;
    }

    double const q = o.quietZone;
    std::array<Point, 4> const labelCorners{Point{g.labelX0 - q, g.labelY0 - q}, Point{g.labelX1 + q, g.labelY0 - q},
                                            Point{g.labelX1 + q, g.labelY1 + q}, Point{g.labelX0 - q, g.labelY1 + q}};
    // A label reaching towards the horizon would blow up; refuse instead.
    for (Point const& corner : labelCorners) {
        if (denominator(m, corner) < 0.2) {
            out.error = "perspective too strong for this label";
            return out;
        }
    }
    Polygon label;
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (Point const& corner : labelCorners) {
        Point const f = apply(m, corner);
        label.add(f);
        minX = std::min(minX, f.x);
        minY = std::min(minY, f.y);
        maxX = std::max(maxX, f.x);
        maxY = std::max(maxY, f.y);
    }

    double const inkLevel = o.inverted ? o.light : o.dark;
    double const paperLevel = o.inverted ? o.dark : o.light;
    ShapeIndex index(g);
    // Clamped as doubles: a shape far off the frame must not overflow an int.
    int const x0 = static_cast<int>(std::clamp(std::floor(minX), 0.0, double(frame.width)));
    int const y0 = static_cast<int>(std::clamp(std::floor(minY), 0.0, double(frame.height)));
    int const x1 = static_cast<int>(std::clamp(std::floor(maxX), -1.0, double(frame.width - 1)));
    int const y1 = static_cast<int>(std::clamp(std::floor(maxY), -1.0, double(frame.height - 1)));
    // Pixel corners in module space, one row above and one below: each corner
    // is mapped once for the four pixels that share it.
    size_t const across = x1 >= x0 ? static_cast<size_t>(x1 - x0 + 2) : 0;
    std::vector<Point> above(across);
    std::vector<Point> below(across);
    for (size_t i = 0; i < across; ++i)
        below[i] = apply(inverse, {double(x0) + double(i), double(y0)});
    for (int y = y0; y <= y1; ++y) {
        std::swap(above, below);
        for (size_t i = 0; i < across; ++i)
            below[i] = apply(inverse, {double(x0) + double(i), y + 1.0});
        for (int x = x0; x <= x1; ++x) {
            size_t const i = static_cast<size_t>(x - x0);
            Polygon pixel;
            pixel.add({double(x), double(y)});
            pixel.add({x + 1.0, double(y)});
            pixel.add({x + 1.0, y + 1.0});
            pixel.add({double(x), y + 1.0});
            if (excludesAll(label, pixel))
                continue;
            double const paper = containsAll(label, pixel) ? 1.0 : std::min(1.0, area(clipToConvex(pixel, label)));
            if (paper <= 0.0)
                continue;
            Polygon footprint;
            footprint.add(above[i]);
            footprint.add(above[i + 1]);
            footprint.add(below[i + 1]);
            footprint.add(below[i]);
            double const footprintArea = area(footprint);
            double const ink = footprintArea > 0.0 ? std::clamp(index.inkArea(footprint) / footprintArea, 0.0, paper) : 0.0;
            uint16_t& v = frame.at(x, y);
            double const value = v * (1.0 - paper) + paperLevel * (paper - ink) + inkLevel * ink;
            v = static_cast<uint16_t>(std::clamp(std::lround(value), 0L, static_cast<long>(kMaxLevel)));
        }
    }

    out.ok = true;
    out.moduleToFrame = m;
    out.frameToModule = inverse;
    out.corners = {apply(m, {0.0, 0.0}), apply(m, {w, 0.0}), apply(m, {w, h}), apply(m, {0.0, h})};
    out.text = g.text;
    out.rows = g.rows;
    out.columns = g.columns;
    out.widthModules = w;
    out.heightModules = h;
    return out;
}

void finishFrame(Frame& frame, RenderOptions const& options)
{
    applyLighting(frame, options.lighting, options.lightingAngle);
    applyBlur(frame, options.blur);
    applyNoise(frame, options.noise, options.seed);
}

Rendering render(SymbolInput const& input, RenderOptions const& options)
{
    Rendering r;
    r.frame = makeFrame(options.frameWidth, options.frameHeight, options.background);
    r.symbol = drawSymbol(r.frame, input, options);
    if (r.symbol.ok)
        finishFrame(r.frame, options);
    return r;
}

} // namespace support
