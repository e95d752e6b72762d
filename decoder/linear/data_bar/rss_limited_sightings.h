#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/gray_image.h"
#include "decoder/linear/line/scan_element.h"

namespace DEC2DIvra {

class LineDecodeData;

// DataBar Limited check characters that lines crossed without reading the
// symbol. A Limited symbol is short (ten modules for 74): a band laid a few
// degrees off its bars leaves the symbol before one data character ends,
// though every line through its middle sees the check character and one
// data character whole. Such crossings, seen on two lines or more, name a
// region laid along the bars measured at the check character, long enough
// for the whole symbol and its guards.
class RSSLimitedSightings {
public:
    static constexpr unsigned kMaxSightings = 16;
    // Lines that must cross a check character before it names a region.
    static constexpr unsigned kMinLines = 2;
    // Modules of the check character, and how far beyond either of its
    // ends the region reaches: a data character, the guards and the
    // quiet zone.
    static constexpr int kCheckModules = 18;
    static constexpr int kReachModules = 36;
    // Bars that run on this far (modules) along themselves on both sides of
    // a check character belong to a taller symbol.
    static constexpr double kTallModules = 8.0;

    void Clear();
    // Notes the check character beginning at `start` when a data character
    // beside it reads too; true when it did.
    bool Note(GrayImage const& image, ArrayIterator<ScanElement const> const& start, LineDecodeData const& line);
    // Regions over the check characters seen on enough lines, each once
    // per decode, at most `most`; how many it named.
    unsigned CalcRegions(GrayImage const& image, StackInterface<Region>& regions, unsigned most);

private:
    struct Sighting {
        LineSegment check;
        unsigned lines;
        bool named;
    };
    void Add(LineSegment const& check);

    Sighting sightings_[kMaxSightings];
    unsigned count_ = 0;
};

}  // namespace DEC2DIvra
