#include "decoder/linear/data_bar/rss_region_collector.h"

namespace DEC2DIvra {

unsigned RSSRegionCollector::Push(Region const& region)
{
    for (unsigned i = 0; i < count_; ++i) {
        if (regions_[i] == region) {
            return i;
        }
    }
    if (count_ >= kCapacity) {
        return kCapacity;
    }
    regions_[count_] = region;
    return count_++;
}

Region const& RSSRegionCollector::Get(unsigned index) const
{
    static Region const kNone{};
    if (count_ == 0) {
        return kNone;
    }
    return regions_[index < count_ ? index : count_ - 1];
}

}  // namespace DEC2DIvra
