#include "tests/support/symbol_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace support {

namespace {

// zint's vector output counts two units per module at scale 1.
constexpr double kUnitsPerModule = 2.0;

struct SymbolDeleter {
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};

InkShape boxShape(double x0, double y0, double x1, double y1)
{
    InkShape shape;
    shape.isBox = true;
    shape.x0 = x0;
    shape.y0 = y0;
    shape.x1 = x1;
    shape.y1 = y1;
    shape.outline.add({x0, y0});
    shape.outline.add({x1, y0});
    shape.outline.add({x1, y1});
    shape.outline.add({x0, y1});
    return shape;
}

InkShape polygonShape(Polygon const& outline, bool subtract)
{
    InkShape shape;
    shape.outline = outline;
    shape.subtract = subtract;
    shape.x0 = shape.y0 = INFINITY;
    shape.x1 = shape.y1 = -INFINITY;
    for (int i = 0; i < outline.count; ++i) {
        Point const p = outline.points[static_cast<size_t>(i)];
        shape.x0 = std::min(shape.x0, p.x);
        shape.y0 = std::min(shape.y0, p.y);
        shape.x1 = std::max(shape.x1, p.x);
        shape.y1 = std::max(shape.y1, p.y);
    }
    return shape;
}

Polygon hexagon(double x, double y, double diameter, int rotation)
{
    double const r = 0.5 * diameter;
    double const h = 0.5 * std::sqrt(3.0) * r;
    Polygon p;
    if (rotation == 90 || rotation == 270) { // flat top
        p.add({x - r, y});
        p.add({x - 0.5 * r, y - h});
        p.add({x + 0.5 * r, y - h});
        p.add({x + r, y});
        p.add({x + 0.5 * r, y + h});
        p.add({x - 0.5 * r, y + h});
    } else { // pointed top
        p.add({x, y - r});
        p.add({x + h, y - 0.5 * r});
        p.add({x + h, y + 0.5 * r});
        p.add({x, y + r});
        p.add({x - h, y + 0.5 * r});
        p.add({x - h, y - 0.5 * r});
    }
    return p;
}

// No font here: each character becomes a solid block, which is what text
// looks like to a symbol locator anyway.
void addTextBlocks(zint_vector_string const& s, std::vector<InkShape>& text)
{
    if (s.length <= 0 || s.fsize <= 0.0f)
        return;
    double const size = s.fsize / kUnitsPerModule;
    double const pitch = s.width > 0.0f ? s.width / kUnitsPerModule / s.length : 0.6 * size;
    double const total = pitch * s.length;
    double const x = s.x / kUnitsPerModule;
    double const start = s.halign == 1 ? x : s.halign == 2 ? x - total : x - 0.5 * total;
    double const baseline = s.y / kUnitsPerModule;
    for (int i = 0; i < s.length; ++i) {
        if (s.text == nullptr || s.text[i] == ' ')
            continue;
        double const left = start + i * pitch + 0.15 * pitch;
        text.push_back(boxShape(left, baseline - 0.7 * size, left + 0.7 * pitch, baseline));
    }
}

// A row of bars and spaces (module widths, dark first) as boxes.
SymbolGeometry barsGeometry(std::vector<double> const& runs, double height)
{
    SymbolGeometry g;
    double x = 0.0;
    for (size_t i = 0; i < runs.size(); ++i) {
        if (!(runs[i] > 0.0)) {
            g.error = "bar widths must be positive";
            return g;
        }
        if (i % 2 == 0)
            g.shapes.push_back(boxShape(x, 0.0, x + runs[i], height));
        x += runs[i];
    }
    g.width = g.labelX1 = x;
    g.height = g.labelY1 = height;
    g.rows = 1;
    g.columns = static_cast<int>(std::lround(x));
    g.ok = true;
    return g;
}

// The runs of a one-row symbol's boxes, its wide elements `ratio` modules wide.
std::vector<double> widenedRuns(std::vector<InkShape> const& ink, double ratio)
{
    std::vector<std::pair<double, double>> boxes;
    for (InkShape const& shape : ink)
        boxes.emplace_back(shape.x0, shape.x1);
    std::sort(boxes.begin(), boxes.end());
    std::vector<double> runs;
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (i > 0)
            runs.push_back(boxes[i].first - boxes[i - 1].second);
        runs.push_back(boxes[i].second - boxes[i].first);
    }
    for (double& w : runs)
        w = w > 1.5 ? ratio : w;
    return runs;
}

} // namespace

SymbolGeometry encodeSymbol(SymbolInput const& input)
{
    if (!input.bars.empty())
        return barsGeometry(input.bars, input.height > 0.0f ? input.height : 50.0);
    SymbolGeometry g;
    std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol) {
        g.error = "zint: out of memory";
        return g;
    }
    if (input.primary.size() >= sizeof(symbol->primary)) {
        g.error = "primary message too long";
        return g;
    }
    if (input.data.size() > ZINT_MAX_DATA_LEN) {
        g.error = "data too long";
        return g;
    }
    zint_symbol& s = *symbol;
    s.symbology = input.symbology;
    s.option_1 = input.option1;
    s.option_2 = input.option2;
    s.option_3 = input.option3;
    s.input_mode = input.inputMode;
    s.eci = input.eci;
    if (input.height > 0.0f)
        s.height = input.height;
    s.scale = 1.0f;
    s.whitespace_width = 0;
    s.whitespace_height = 0;
    s.output_options = (input.outputOptions & ~BARCODE_QUIET_ZONES) | BARCODE_NO_QUIET_ZONES;
    s.show_hrt = input.humanReadable ? 1 : 0;
    std::memcpy(s.primary, input.primary.c_str(), input.primary.size() + 1);

    auto const* bytes = reinterpret_cast<unsigned char const*>(input.data.data());
    int result = ZBarcode_Encode(&s, bytes, static_cast<int>(input.data.size()));
    if (result >= ZINT_ERROR) {
        g.error = std::string("zint: ") + s.errtxt;
        return g;
    }
    result = ZBarcode_Buffer_Vector(&s, 0);
    if (result >= ZINT_ERROR || s.vector == nullptr) {
        g.error = std::string("zint vector: ") + s.errtxt;
        return g;
    }

    std::vector<InkShape> ink;
    for (zint_vector_rect const* r = s.vector->rectangles; r; r = r->next) {
        if (r->colour == 8) // white: nothing to print
            continue;
        ink.push_back(boxShape(r->x / kUnitsPerModule, r->y / kUnitsPerModule, (r->x + r->width) / kUnitsPerModule,
                               (r->y + r->height) / kUnitsPerModule));
    }
    for (zint_vector_hexagon const* h = s.vector->hexagons; h; h = h->next)
        ink.push_back(polygonShape(
            hexagon(h->x / kUnitsPerModule, h->y / kUnitsPerModule, h->diameter / kUnitsPerModule, h->rotation), false));
    for (zint_vector_circle const* c = s.vector->circles; c; c = c->next) {
        Point const centre{c->x / kUnitsPerModule, c->y / kUnitsPerModule};
        double const radius = 0.5 * c->diameter / kUnitsPerModule;
        double const half = 0.5 * c->width / kUnitsPerModule;
        if (c->width > 0.0f) { // a ring: its stroke straddles the diameter
            ink.push_back(polygonShape(circlePolygon(centre, radius + half), c->colour != 0));
            if (radius > half)
                ink.push_back(polygonShape(circlePolygon(centre, radius - half), c->colour == 0));
        } else {
            ink.push_back(polygonShape(circlePolygon(centre, radius), c->colour != 0));
        }
    }
    std::vector<InkShape> text;
    for (zint_vector_string const* str = s.vector->strings; str; str = str->next)
        addTextBlocks(*str, text);

    // Symbol box: zint's extent when no text shares it, else the ink's extent.
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    if (text.empty()) {
        x0 = y0 = 0.0;
        x1 = s.vector->width / kUnitsPerModule;
        y1 = s.vector->height / kUnitsPerModule;
    }
    for (InkShape const& shape : ink) {
        if (shape.subtract)
            continue;
        x0 = std::min(x0, shape.x0);
        y0 = std::min(y0, shape.y0);
        x1 = std::max(x1, shape.x1);
        y1 = std::max(y1, shape.y1);
    }
    if (!(x1 > x0 && y1 > y0)) {
        g.error = "zint gave an empty symbol";
        return g;
    }
    double lx0 = x0, ly0 = y0, lx1 = x1, ly1 = y1;
    for (InkShape const& shape : text) {
        lx0 = std::min(lx0, shape.x0);
        ly0 = std::min(ly0, shape.y0);
        lx1 = std::max(lx1, shape.x1);
        ly1 = std::max(ly1, shape.y1);
    }
    ink.insert(ink.end(), text.begin(), text.end());

    // Origin at the symbol's top-left corner.
    for (InkShape& shape : ink) {
        shape.x0 -= x0;
        shape.x1 -= x0;
        shape.y0 -= y0;
        shape.y1 -= y0;
        for (int i = 0; i < shape.outline.count; ++i) {
            shape.outline.points[static_cast<size_t>(i)].x -= x0;
            shape.outline.points[static_cast<size_t>(i)].y -= y0;
        }
    }
    if (input.wideRatio > 0.0) {
        if (!text.empty() || s.rows != 1) {
            g.error = "a wide ratio is for one row of bars without text";
            return g;
        }
        return barsGeometry(widenedRuns(ink, input.wideRatio), y1 - y0);
    }
    g.width = x1 - x0;
    g.height = y1 - y0;
    g.labelX0 = lx0 - x0;
    g.labelY0 = ly0 - y0;
    g.labelX1 = lx1 - x0;
    g.labelY1 = ly1 - y0;
    g.shapes = std::move(ink);
    g.text = reinterpret_cast<char const*>(s.text);
    g.rows = s.rows;
    g.columns = s.width;
    g.ok = true;
    return g;
}

} // namespace support
