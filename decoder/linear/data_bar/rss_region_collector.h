#pragma once

#include "decoder/core/geometry/region.h"

namespace DEC2DIvra {

// The scan regions DataBar finders were met in during one decode. A
// character's code names its finder's region by index (four bits), so the
// characters of one row can be told from those of a row met in another
// region.
class RSSRegionCollector {
public:
    static constexpr unsigned kCapacity = 16;

    void Clear() { count_ = 0; }

    // The index of an identical region already held, else of the region
    // appended; kCapacity when it is new and every slot is taken.
    unsigned Push(Region const& region);
    // The region at `index`; the last one held for an index past them (an
    // empty region when none is held).
    Region const& Get(unsigned index) const;
    unsigned GetCount() const { return count_; }

private:
    Region regions_[kCapacity];
    unsigned count_ = 0;
};

}  // namespace DEC2DIvra
