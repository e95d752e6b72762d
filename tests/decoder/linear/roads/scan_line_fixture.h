#pragma once
// Scan lines across zint symbols drawn by the test renderer, with the module
// boundaries the renderer drew them at, in the line's own coordinates.

#include <algorithm>
#include <cmath>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/ptr_line_segment.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/roads/pick_line_element.h"
#include "decoder/linear/roads/pick_line_subroutine.h"
#include "decoder/linear/line/scan_element.h"
#include "decoder/linear/roads/scan_subroutine.h"
#include "tests/support/symbol_geometry.h"
#include "tests/support/symbol_renderer.h"

namespace scan_test {

using DEC2DIvra::PickLineElement;
using DEC2DIvra::ScanElement;

inline constexpr unsigned kFractionBits = 8;
inline constexpr double kUnit = 1 << kFractionBits;

struct RenderedLine {
    bool ok = false;
    std::vector<PickLineElement> samples;
    std::vector<double> edges;  // expected run boundaries, line coordinates
    support::Rendering rendering;
};

// Samples the middle row of a horizontal symbol from `margin` modules before
// its first bar to `margin` modules after its last, one sample per pixel.
inline RenderedLine SampleRow(support::SymbolInput const& input, support::RenderOptions const& options,
                              double margin = 5.0)
{
    RenderedLine line;
    line.rendering = support::render(input, options);
    support::RenderedSymbol const& symbol = line.rendering.symbol;
    support::SymbolGeometry const geometry = support::encodeSymbol(input);
    if (!symbol.ok || !geometry.ok) {
        return line;
    }
    double const middle = symbol.heightModules / 2;
    std::vector<double> moduleEdges;
    for (support::InkShape const& shape : geometry.shapes) {
        if (shape.y0 <= middle && shape.y1 >= middle) {
            moduleEdges.push_back(shape.x0);
            moduleEdges.push_back(shape.x1);
        }
    }
    std::sort(moduleEdges.begin(), moduleEdges.end());
    // Abutting bars share an edge that is no run boundary.
    std::vector<double> unique;
    for (double e : moduleEdges) {
        if (!unique.empty() && std::fabs(unique.back() - e) < 1e-9) {
            unique.pop_back();
        } else {
            unique.push_back(e);
        }
    }
    if (unique.empty()) {
        return line;
    }
    int const y = static_cast<int>(std::floor(symbol.toFrame({unique.front(), middle}).y));
    int const x0 = static_cast<int>(std::floor(symbol.toFrame({unique.front() - margin, middle}).x));
    int const x1 = static_cast<int>(std::ceil(symbol.toFrame({unique.back() + margin, middle}).x));
    support::Frame const& frame = line.rendering.frame;
    if (x0 < 0 || x1 >= frame.width || y < 0 || y >= frame.height) {
        return line;
    }
    DEC2DIvra::GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
    DEC2DIvra::PtrLineSegment walk;
    if (!walk.Set(image, DEC2DIvra::LineSegment{{x0, y}, {x1, y}})) {
        return line;
    }
    line.samples.resize(static_cast<size_t>(x1 - x0 + 1));
    DEC2DIvra::StackInterface<PickLineElement> stack(line.samples.data(), static_cast<unsigned>(line.samples.size()));
    DEC2DIvra::PickLineSubroutine const pick(stack, kFractionBits);
    if (!pick.Start(image, walk)) {
        return line;
    }
    line.samples.resize(stack.GetCount());
    // Pixel x covers [x, x + 1): sample k stands for the frame position x0 + k + 0.5.
    for (double e : unique) {
        double const fx = symbol.toFrame({e, middle}).x;
        line.edges.push_back((fx - 0.5 - x0) * kUnit);
    }
    line.ok = true;
    return line;
}

// The work buffer and run list a scan needs.
struct Scanner {
    std::vector<unsigned char> work = std::vector<unsigned char>(DEC2DIvra::ScanSubroutine::kWorkBytes + 8);
    DEC2DIvra::ScanSubroutine scan{DEC2DIvra::VirtualArray<unsigned char>(work.data(), static_cast<unsigned>(work.size()))};
    std::vector<ScanElement> runs = std::vector<ScanElement>(8192);
    DEC2DIvra::StackInterface<ScanElement> stack{runs.data(), static_cast<unsigned>(runs.size())};
    bool falseEdge = false;
    unsigned maxStep = 0;

    bool Run(std::vector<PickLineElement>& samples, bool central = true, unsigned divider = 16)
    {
        DEC2DIvra::StackInterface<PickLineElement> in(samples.data(), static_cast<unsigned>(samples.size()));
        in.SetCount(static_cast<unsigned>(samples.size()));
        return scan.Start(DEC2DIvra::GrayImage(), in, stack, central, divider, falseEdge, maxStep);
    }
    bool Run(std::vector<PickLineElement>& samples, DEC2DIvra::ScanSubroutine::LowContrastEdges edges)
    {
        DEC2DIvra::StackInterface<PickLineElement> in(samples.data(), static_cast<unsigned>(samples.size()));
        in.SetCount(static_cast<unsigned>(samples.size()));
        return scan.Start(DEC2DIvra::GrayImage(), in, stack, true, 16, falseEdge, maxStep, edges,
                          smoothedForContrast);
    }
    bool smoothedForContrast = false;
    std::vector<ScanElement> Runs() const { return std::vector<ScanElement>(stack.begin(), stack.end()); }
};

}  // namespace scan_test
