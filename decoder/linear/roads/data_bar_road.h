#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/scan_element.h"

namespace DEC2DIvra {

class LineDecodeData;

// GS1 DataBar as the frame drives it: finder patterns collected at every
// candidate run that no decoder took, finished into a symbol once enough are
// seen, and regions named around the segments for the symbol locator.
class DataBarRoad {
public:
    // Forgets the finder patterns of the previous decode.
    virtual void Initialize() = 0;
    // Collects finder patterns at a run; its answer does not end the line.
    virtual bool ExecuteBinarization(GrayImage const& image, Region const& region,
                                     ArrayIterator<ScanElement const> const& start, LineDecodeData const& line) = 0;
    // Tries to finish a symbol from what was collected; true with a label.
    virtual bool Start(GrayImage const& image, DecodedLabel& label) = 0;
    // Regions around the segments seen that it has not named before in this
    // decode (it is asked again as lines add sightings); true when it named
    // any.
    virtual bool CalcFinderRegions(StackInterface<Region>& regions) = 0;
    // Regions laid along the bars measured at the finders seen, each once
    // per decode, for the lines directly (the searcher would turn them
    // again); how many it named.
    virtual unsigned CalcAlignedRegions(GrayImage const& image, StackInterface<Region>& regions) = 0;

protected:
    DataBarRoad() = default;
    ~DataBarRoad() = default;
};

}  // namespace DEC2DIvra
