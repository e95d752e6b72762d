#pragma once

#include "decoder/linear/roads/data_bar_road.h"
#include "decoder/linear/data_bar/rss_candidate_map.h"
#include "decoder/linear/data_bar/rss_limited_sightings.h"
#include "decoder/linear/data_bar/rss_region_collector.h"

namespace DEC2DIvra {

struct CompositeProperty;
struct DecoderDetailProperty;
struct Gs1DataBarProperty;
class RSSFinderPartialScanData;
class RSSPartialScanData;
struct RSSCharacter;

// GS1 DataBar Omnidirectional (one row, truncated or stacked) and Expanded
// (one row or stacked). Every line votes the characters it reads beside a
// finder pattern into the map of that finder; a symbol is put together from
// the best-voted characters once their check values agree. Stacked rows need
// no more than this: each line reads the row it crosses.
//
// A symbol is first put together from characters voted by the scan region
// and direction they were read in (the region tells the rows of a stacked
// symbol apart), then, for what that leaves unread, from the votes of all
// lines together: a symbol met by lines of several regions or from both
// ends may have no character clearly voted in any one of them.
class RSSDecoder final : public DataBarRoad {
public:
    // A character counts with this many agreeing lines.
    static constexpr unsigned kMinVotes = 4;
    // ... and leads every other reading of its place by this many.
    static constexpr unsigned kMinLead = 2;
    // A finder's neighbours name a region for the locator with fewer.
    static constexpr unsigned kMinRegionVotes = 3;
    // Modules a 2D component spans over a one-row Omnidirectional symbol
    // (half of it over a stacked one), and per finder of an Expanded row.
    static constexpr unsigned kOmniRowModules = 92;
    static constexpr unsigned kExpandedPairModules = 49;
    // Lines closer than this (squared, pixels) across the bars give no
    // direction of their own.
    static constexpr long long kMinSquaredAcross = 16;

    RSSDecoder(DecoderDetailProperty const& detail, Gs1DataBarProperty const& dataBar,
               CompositeProperty const& composite);

    void Initialize() override;
    bool ExecuteBinarization(GrayImage const& image, Region const& region, ArrayIterator<ScanElement const> const& start,
                             LineDecodeData const& line) override;
    bool Start(GrayImage const& image, DecodedLabel& label) override;
    bool CalcFinderRegions(StackInterface<Region>& regions) override;
    unsigned CalcAlignedRegions(GrayImage const& image, StackInterface<Region>& regions) override;

private:
    using Maps9 = RSSPairCandidateMap[9];
    using Maps12 = RSSPairCandidateMap[12];

    struct Side;
    // tag: the reverse bit and region index the line's codes carry;
    // regionKnown false when the region found no slot.
    void Vote(RSSFinderPartialScanData const& finder, unsigned value, bool inverted, Side const& before,
              Side const& after, LineSegment const& pair, LineSegment const* seen, unsigned tag, bool regionKnown);
    using Entry = BarSymbolCandidateMapForRSS<64>::Entry;
    using PairEntries = Entry const* [4];
    // whole: the characters by their whole codes (region and direction);
    // else by the characters alone.
    bool CheckOmni(Maps9 const& left, Maps9 const& right, bool inverted, bool whole, DecodedLabel& label,
                   bool needGround = false) const;
    // The left pair of finder value i and the right pair of value j: each
    // character clearly voted (left outer, left inner, right outer, right
    // inner into `best`), the grounds agreeing with the polarity, and the
    // characters' checksum equal to the check value the two finders name.
    // The label's tuning record from the winning characters' runs.
    static void FillTuningRecord(RateForTuningCalculator const& rate, DecodedLabel& label);
    // codes: the whole codes chosen (the characters' codes when not whole).
    static bool CheckPair(RSSPairCandidateMap const& left, RSSPairCandidateMap const& right, unsigned i, unsigned j,
                          bool inverted, bool needGround, bool whole, PairEntries& best, unsigned (&codes)[4]);
    bool CheckExpanded(Maps12 const& maps, bool whole, DecodedLabel& label) const;
    // The clear best character of one side, by whole code or by character;
    // null when none is clear.
    static Entry const* PickBest(BarSymbolCandidateMapForRSS<64> const& side, bool whole, unsigned& code);
    static unsigned RegionOf(unsigned code) { return code >> BarSymbolCandidateMapForRSS<64>::kRegionShift; }
    static BarSymbolCandidateMapForRSS<64>::Entry const* GetBestOfPair(RSSPairCandidateMap const& map);
    static bool CalcPairRegion(RSSPairCandidateMap const& map, Region& region);
    static bool LieInOneRow(BarSymbolCandidateMapForRSS<64>::Entry const& a,
                            BarSymbolCandidateMapForRSS<64>::Entry const& b, Point const& symbolStart);
    static bool CalcRowRegion(Maps12 const& maps, Region& region);
    static Region StackedRegion(BarSymbolCandidateMapForRSS<64>::Entry const& first,
                                BarSymbolCandidateMapForRSS<64>::Entry const& rowEnd,
                                BarSymbolCandidateMapForRSS<64>::Entry const* const* entries, unsigned count);
    // Regions around the rows of a stacked symbol seen by single lines; how
    // many it named.
    unsigned CalcColumnRegions(Maps12 const& maps, unsigned inverted, StackInterface<Region>& regions);
    // A row of a column found by CalcColumnRegions: its place along the
    // bars, the stretch of a line across it and its width.
    struct ColumnRow {
        long long along;
        LineSegment pair;
        long long width;
    };
    // Regions over the rows no line read between the column's rows read:
    // where neighbours lie two or more row pitches apart. How many it named.
    unsigned CalcGapRegions(ColumnRow* rows, unsigned count, long long vx, long long vy, long long gap,
                            StackInterface<Region>& regions);
    // The stretch of a line across a pair, widened for cut-off characters and
    // squared to the bars (dx, dy), swept by `shift` along them.
    static bool SquareToBars(LineSegment const& pair, long long dx, long long dy, Point const& shift,
                             Region& region);
    // Pairs already named as regions in this decode: 36 Omnidirectional
    // maps, 24 Expanded ones, and the Expanded row axis.
    static constexpr unsigned kExpandedBits = 36;
    static constexpr unsigned kRowBit = 60;
    bool IsNamed(unsigned bit) const { return (named_ >> bit & 1u) != 0; }
    bool IsAligned(unsigned bit) const { return (aligned_ >> bit & 1u) != 0; }
    // The Omnidirectional map of a naming bit, and the bit of the same
    // finder in the other polarity.
    RSSPairCandidateMap const& MapOf(unsigned bit) const;
    static unsigned TwinOf(unsigned bit);
    // A finder gives a region along its own bars once this many lines read
    // beside it; at most this many regions per call.
    static constexpr unsigned kMinAlignedSightings = 2;
    static constexpr unsigned kMaxAlignedPerCall = 4;
    // Modules between the middles of a Stacked symbol's rows (5 and 7
    // high, a module of separator between).
    static constexpr double kRowPitchModules = 7.0;
    // Both characters of the pair stand.
    static bool IsRead(RSSPairCandidateMap const& map);
    // Regions a row away from a read Omnidirectional pair whose other half
    // no line saw; how many it named.
    unsigned CalcOtherRowRegions(GrayImage const& image, StackInterface<Region>& regions);
    void Name(unsigned bit) { named_ |= 1ULL << bit; }

    DecoderDetailProperty const* detail_;
    Gs1DataBarProperty const* dataBar_;
    CompositeProperty const* composite_;
    Maps9 omniLeft_;
    Maps9 omniRight_;
    Maps9 omniLeftInverted_;
    Maps9 omniRightInverted_;
    Maps12 expanded_;
    Maps12 expandedInverted_;
    RSSRegionCollector regions_;
    unsigned long long named_ = 0;
    // Omnidirectional pairs already given a region along their measured bars.
    unsigned long long aligned_ = 0;
    // Read pairs whose other row was sought.
    unsigned long long otherRow_ = 0;
    // The middles of the gap rows named in this decode.
    static constexpr unsigned kMaxGapRows = 12;
    Point gapRows_[kMaxGapRows];
    unsigned gapRowCount_ = 0;
    RSSLimitedSightings limited_;
};

}  // namespace DEC2DIvra
