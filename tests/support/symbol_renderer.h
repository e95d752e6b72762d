#pragma once
// Test symbols: encoded by libzint, drawn into a 10-bit grey frame as a camera
// would see them.
//
//   auto r = support::render({.symbology = BARCODE_QRCODE, .data = "HELLO"},
//                            {.moduleSize = 2.5, .angle = 30});
//   // r.frame: 640 x 480, r.symbol.corners: where the symbol lies, r.symbol.text ...
//
// The symbol's geometry comes from zint's vector output (rectangles, hexagons,
// discs and rings in module units). Each frame pixel gets the exact share of
// its square that ink covers under the affine/perspective mapping, so edges are
// anti-aliased as a lens and sensor would, at any fractional module size.
//
// Order of effects: geometry (with contrast and polarity), then lighting, then
// blur, then noise; render() does all of them, drawSymbol() only the geometry
// so that several symbols can share a frame before finishFrame().

#include "tests/support/frame.h"

#include <zint.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace support {

// What to encode. Fields map one to one onto zint's symbol structure.
struct SymbolInput {
    int symbology = BARCODE_CODE128; // zint's BARCODE_... number
    std::string data{};              // bytes handed to zint as they are
    int option1 = -1;                // zint option_1..3, zint's defaults
    int option2 = 0;
    int option3 = 0;
    int inputMode = DATA_MODE;       // DATA_MODE, UNICODE_MODE, GS1_MODE | ESCAPE_MODE ...
    int eci = 0;
    float height = 0.0f;             // bar height in modules for linear and stacked codes; 0 = zint's
    int outputOptions = 0;           // e.g. BARCODE_BIND; zint's own quiet zones are always off
    std::string primary{};           // composite linear part, MaxiCode primary message
    bool humanReadable = false;      // zint draws no text by default here
    // Not zint's: a row of bars and spaces in modules, dark first, drawn
    // `height` modules high (50 when 0) in place of a zint symbol, for what no
    // outside encoder draws.
    std::vector<double> bars{};
    // Not zint's: a two-width linear symbol whose every element wider than a
    // module is drawn this many modules wide (0: as zint draws it).
    double wideRatio = 0.0;
};

// How the symbol appears in the frame.
struct RenderOptions {
    int frameWidth = kFrameWidth;    // render() only
    int frameHeight = kFrameHeight;  // render() only
    int background = 512;            // render() only: grey of the scene around the label

    double moduleSize = 3.0;         // pixels per module at the symbol's centre, fractional
    double angle = 0.0;              // degrees, clockwise on screen, any value
    std::optional<Point> centre{};   // symbol centre in frame coordinates; default frame centre
    double quietZone = 10.0;         // modules of label (light) around the symbol
    int dark = 100;                  // grey of ink
    int light = 900;                 // grey of the label
    bool inverted = false;           // light modules on a dark label
    bool mirrored = false;           // the symbol seen in a mirror (left and right swapped)
    // Keystone: the scale at the symbol's right (left) edge is divided by
    // 1 + perspectiveX (1 - perspectiveX), likewise bottom/top for perspectiveY,
    // so positive values turn the right (bottom) edge away from the camera.
    // |perspectiveX| + |perspectiveY| must stay below 0.9, and the label with
    // its quiet zone must stay well short of the horizon, else it is refused.
    double perspectiveX = 0.0;
    double perspectiveY = 0.0;

    double lighting = 0.0;           // see applyLighting()
    double lightingAngle = 0.0;
    double blur = 0.0;               // Gaussian sigma in pixels
    double noise = 0.0;              // Gaussian sigma in grey levels
    uint64_t seed = 1;
};

struct RenderedSymbol {
    bool ok = false;
    std::string error{};             // zint's message or why the options were refused

    Quad corners{};                  // symbol edge, without quiet zone, in frame coordinates
    std::string data{};              // the bytes zint encoded
    std::string text{};              // zint's human-readable text: check digits added,
                                     // GS1 data in brackets; empty for most 2D codes
    int rows = 0;                    // zint's rows and width in modules
    int columns = 0;
    double widthModules = 0.0;       // extent of the drawn symbol in modules
    double heightModules = 0.0;
    // Module coordinates (origin at the symbol's top-left, y down) to frame
    // coordinates and back; row-major 3 x 3 homographies.
    std::array<double, 9> moduleToFrame{};
    std::array<double, 9> frameToModule{};

    Point toFrame(Point module) const;
    Point toModule(Point frame) const;
};

struct Rendering {
    Frame frame{};
    RenderedSymbol symbol{};
};

// A new frame of the background grey with one symbol, lighting, blur and noise.
// On failure the frame is plain background and symbol.ok is false.
Rendering render(SymbolInput const& input, RenderOptions const& options = {});

// Draws the symbol and its quiet zone over what the frame holds; ignores the
// frame size, background, lighting, blur and noise options. On failure the
// frame is left as it was.
RenderedSymbol drawSymbol(Frame& frame, SymbolInput const& input, RenderOptions const& options = {});

// Lighting, blur and noise from the options, in that order.
void finishFrame(Frame& frame, RenderOptions const& options);

} // namespace support
