#include "tests/support/menu_label.h"

#include <algorithm>
#include <cmath>

namespace support {

Rendering renderMenuLabel(std::string const& inner, RenderOptions const& options)
{
    Rendering r;
    r.frame = makeFrame(options.frameWidth, options.frameHeight, options.background);
    r.symbol = drawSymbol(r.frame, {.symbology = BARCODE_CODE39, .data = " " + inner + " "}, options);
    if (!r.symbol.ok) {
        return r;
    }
    // Characters of equal width, each followed by a narrow gap but the last: "*", the
    // space start, the inner text, the space stop, "*".
    double const characters = static_cast<double>(inner.size() + 4);
    double const width = (r.symbol.columns + 1) / characters;
    double const columns = r.symbol.columns;
    int const light = options.inverted ? options.dark : options.light;
    for (int y = 0; y < r.frame.height; ++y) {
        for (int x = 0; x < r.frame.width; ++x) {
            Point const m = r.symbol.toModule({x + 0.5, y + 0.5});
            if (m.y < -1.0 || m.y > r.symbol.heightModules + 1.0) {
                continue;
            }
            // Half a module short of the neighbouring bar, which stays as drawn.
            bool const start = m.x > -2.0 && m.x < width - 0.5;
            bool const stop = m.x > columns - width + 0.5 && m.x < columns + 2.0;
            if (start || stop) {
                r.frame.pixels[static_cast<std::size_t>(y) * r.frame.width + x] = static_cast<std::uint16_t>(light);
            }
        }
    }
    r.symbol.data = " " + inner + " ";
    finishFrame(r.frame, options);
    return r;
}

} // namespace support
