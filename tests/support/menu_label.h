#pragma once
// Code 39 menu labels, whose start and stop characters are spaces: zint encodes the text
// with a space at either end as Code 39, and the "*" start and stop it adds are then
// painted over with the label's light, so that the spaces take their place.
//
//   auto r = support::renderMenuLabel("ZZ", {.moduleSize = 2.5});   // the menu toggle

#include "tests/support/symbol_renderer.h"

#include <string>

namespace support {

// `inner`: the characters between the space start and stop (Code 39's character set).
Rendering renderMenuLabel(std::string const& inner, RenderOptions const& options = {});

} // namespace support
