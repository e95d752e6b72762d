#pragma once
// Frames for measuring the symbol locator: zint symbols (Code 128, EAN-13)
// at every fifth degree round the turn, anywhere in a 640 x 480 frame, under
// one condition each (module size, blur, noise, contrast, lighting,
// polarity, clutter, a second symbol), and frames without any symbol. Shared
// by the locator's tests and its benchmark, so that both count the same.

#include <zint.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/clutter.h"
#include "tests/support/frame.h"
#include "tests/support/symbol_renderer.h"

namespace searcher_scenes {

struct Condition {
    char const* name;
    int symbology = BARCODE_CODE128;  // BARCODE_CODE128 or BARCODE_EANX
    double module = 2.0;
    double blur = 0.0;
    double noise = 0.0;
    int dark = 100;
    int light = 900;
    bool inverted = false;
    double lighting = 0.0;
    bool clutter = false;
    bool twoSymbols = false;
};

struct Scene {
    bool ok = false;  // false: the symbol does not fit the frame at this angle
    support::Frame frame{};
    std::vector<std::string> expected{};  // the data of each symbol drawn
    std::vector<support::Quad> corners{};  // where each lies (without quiet zone)
    double angle = 0.0;
};

inline constexpr unsigned kAngles = 72;  // every fifth degree

// Texts whose symbols fit the frame at every angle at the module size.
inline char const* PickText(int symbology, double module, unsigned i)
{
    static char const* const kEan[] = {"978020137962", "501234567890", "400638133393",
                                       "871125300120", "590123412345", "761234567890"};
    static char const* const kLong[] = {"Code128", "0123456789", "ab12CD34", "Hello!", "97802013", "XYZ"};
    static char const* const kShort[] = {"AB12", "123456", "x9y", "Q", "Code", "42"};
    static char const* const kTiny[] = {"AB", "1234", "x9", "Q", "7", "42"};
    unsigned const k = i % 6;
    if (symbology == BARCODE_EANX) {
        return kEan[k];
    }
    if (module >= 5) {
        return kTiny[k];
    }
    return module >= 3.5 ? kShort[k] : kLong[k];
}

inline uint64_t Mix(uint64_t v)
{
    v += 0x9E3779B97F4A7C15ull;
    v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ull;
    v = (v ^ (v >> 27)) * 0x94D049BB133111EBull;
    return v ^ (v >> 31);
}

// A number in [0, 1) from a seed.
inline double Unit(uint64_t seed) { return static_cast<double>(Mix(seed) >> 11) / 9007199254740992.0; }

inline double QuietModules(int symbology) { return symbology == BARCODE_EANX ? 12.0 : 10.0; }

// The symbol's extent in modules (without quiet zone), by symbology and text.
inline std::pair<double, double> SymbolModules(int symbology, std::string const& text)
{
    static std::map<std::pair<int, std::string>, std::pair<double, double>> known;
    auto const key = std::make_pair(symbology, text);
    auto const found = known.find(key);
    if (found != known.end()) {
        return found->second;
    }
    support::RenderOptions options;
    options.moduleSize = 1.0;
    support::Rendering const r = support::render({.symbology = symbology, .data = text}, options);
    std::pair<double, double> const size{r.symbol.widthModules, r.symbol.heightModules};
    known[key] = size;
    return size;
}

// A centre at which the symbol with its quiet zone lies inside the area
// [x0, x1] x [y0, y1] at the given angle; false when it cannot.
inline bool PickCentre(int symbology, std::string const& text, double module, double angle, double x0, double y0,
                       double x1, double y1, uint64_t seed, support::Point& centre)
{
    auto const [w, h] = SymbolModules(symbology, text);
    double const q = QuietModules(symbology);
    double const width = (w + 2 * q) * module;
    double const height = (h + 2 * q) * module;
    double const a = angle * std::numbers::pi / 180.0;
    double const hx = (width * std::abs(std::cos(a)) + height * std::abs(std::sin(a))) / 2 + 1;
    double const hy = (width * std::abs(std::sin(a)) + height * std::abs(std::cos(a))) / 2 + 1;
    if (x1 - x0 < 2 * hx || y1 - y0 < 2 * hy) {
        return false;
    }
    centre.x = x0 + hx + Unit(seed) * (x1 - x0 - 2 * hx);
    centre.y = y0 + hy + Unit(seed + 1) * (y1 - y0 - 2 * hy);
    return true;
}

inline std::string ExpectedData(int symbology, support::RenderedSymbol const& symbol)
{
    return symbology == BARCODE_EANX ? symbol.text : symbol.data;
}

// Scene `index` (0 .. kAngles - 1) of a condition: the angle is 5 * index
// degrees; text, position, noise and lighting direction follow from the
// index. With two symbols the second is a Code 128 symbol at its own angle
// in the other half of the frame.
inline Scene MakeScene(Condition const& c, unsigned index)
{
    Scene scene;
    scene.angle = 5.0 * index;
    scene.frame = support::makeFrame();
    support::RenderOptions o;
    o.moduleSize = c.module;
    o.angle = scene.angle;
    o.dark = c.dark;
    o.light = c.light;
    o.inverted = c.inverted;
    o.quietZone = QuietModules(c.symbology);
    uint64_t const seed = 1000u * static_cast<uint64_t>(c.symbology) + index * 7919u +
                          static_cast<uint64_t>(c.module * 100);
    std::string const text = PickText(c.symbology, c.module, index);
    double const x1 = c.twoSymbols ? 320.0 : 640.0;
    support::Point centre;
    if (!PickCentre(c.symbology, text, c.module, scene.angle, 0, 0, x1, 480, seed, centre)) {
        return scene;
    }
    o.centre = centre;
    support::RenderedSymbol const first =
        support::drawSymbol(scene.frame, {.symbology = c.symbology, .data = text}, o);
    if (!first.ok) {
        return scene;
    }
    scene.expected.push_back(ExpectedData(c.symbology, first));
    scene.corners.push_back(first.corners);
    double const quiet = QuietModules(c.symbology) * c.module;
    if (c.twoSymbols) {
        support::RenderOptions o2 = o;
        o2.angle = 5.0 * ((index * 29 + 11) % kAngles);
        o2.quietZone = QuietModules(BARCODE_CODE128);
        std::string const text2 = PickText(BARCODE_CODE128, c.module, index + 3);
        support::Point centre2;
        if (!PickCentre(BARCODE_CODE128, text2, c.module, o2.angle, 320, 0, 640, 480, seed + 7, centre2)) {
            return scene;
        }
        o2.centre = centre2;
        support::RenderedSymbol const second =
            support::drawSymbol(scene.frame, {.symbology = BARCODE_CODE128, .data = text2}, o2);
        if (!second.ok) {
            return scene;
        }
        scene.expected.push_back(second.data);
        scene.corners.push_back(second.corners);
    }
    if (c.clutter) {
        support::ClutterOptions clutter;
        clutter.seed = seed;
        clutter.keepClear = scene.corners;
        clutter.margin = quiet + 2;
        support::addClutter(scene.frame, clutter);
    }
    o.lighting = c.lighting;
    o.lightingAngle = 360.0 * Unit(seed + 2);
    o.blur = c.blur;
    o.noise = c.noise;
    o.seed = seed;
    support::finishFrame(scene.frame, o);
    scene.ok = true;
    return scene;
}

// Frames without any symbol: plain, noisy, unevenly lit, cluttered.
inline support::Frame MakeEmptyFrame(unsigned index)
{
    support::Frame frame = support::makeFrame(support::kFrameWidth, support::kFrameHeight, 300 + 40 * (index % 10));
    if (index % 4 != 0) {
        support::ClutterOptions clutter;
        clutter.seed = 77 + index;
        clutter.textLines = 4 + static_cast<int>(index % 5);
        clutter.strokes = 2 + static_cast<int>(index % 4);
        support::addClutter(frame, clutter);
    }
    support::RenderOptions o;
    o.lighting = (index % 3) * 0.4;
    o.lightingAngle = 37.0 * index;
    o.noise = 4.0 * (index % 5);
    o.blur = (index % 2) * 0.7;
    o.seed = 500 + index;
    support::finishFrame(frame, o);
    return frame;
}

// The conditions measured, by symbology: module sizes first, then one
// impairment at a time, then combinations.
inline std::vector<Condition> MakeConditions(int symbology)
{
    bool const ean = symbology == BARCODE_EANX;
    std::vector<Condition> list;
    auto add = [&](Condition c) {
        c.symbology = symbology;
        list.push_back(c);
    };
    add({.name = "1.2 px", .module = 1.2});
    add({.name = "1.5 px", .module = 1.5});
    add({.name = "2 px", .module = 2.0});
    add({.name = "3 px", .module = 3.0});
    add({.name = "4 px", .module = 4.0});
    if (!ean) {
        add({.name = "6 px", .module = 6.0});
    }
    add({.name = "2 px, blur 0.8", .module = 2.0, .blur = 0.8});
    add({.name = "3 px, blur 1.2", .module = 3.0, .blur = 1.2});
    add({.name = "2 px, noise 20", .module = 2.0, .noise = 20});
    add({.name = "3 px, noise 40", .module = 3.0, .noise = 40});
    add({.name = "2 px, contrast 200", .module = 2.0, .dark = 400, .light = 600});
    add({.name = "3 px, contrast 80", .module = 3.0, .dark = 480, .light = 560});
    add({.name = "2 px, uneven lighting 0.8", .module = 2.0, .lighting = 0.8});
    add({.name = "2 px, light on dark", .module = 2.0, .inverted = true});
    add({.name = "2 px, clutter", .module = 2.0, .clutter = true});
    add({.name = "2 px, two symbols", .module = 2.0, .twoSymbols = true});
    add({.name = "2 px, blur 0.8, noise 20, contrast 200", .module = 2.0, .blur = 0.8, .noise = 20, .dark = 400,
         .light = 600});
    add({.name = "1.5 px, light on dark, clutter, noise 10", .module = 1.5, .noise = 10, .inverted = true,
         .clutter = true});
    return list;
}

}  // namespace searcher_scenes
