#pragma once

#include "decoder/linear/line/common_partial_scan_data.h"

namespace DEC2DIvra {

// The quiet zone a Plessey-family symbol needs beside a window whose
// narrowest run is `width`: width x quiet_zone x 10 / 7.
unsigned CalcPlesseyQuietZone(long long width, unsigned quietZone);

// The quiet zone after `window` (in its walking direction), `margin` wide,
// on light ground (dark for a negative symbol), tolerating `specks`.
bool CheckPlesseyQuietZoneAfter(CommonPartialScanData const& window, bool negative, unsigned margin,
                                unsigned specks);

}  // namespace DEC2DIvra
