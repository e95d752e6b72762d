#pragma once

#include "decoder/core/location/code_searcher.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/roads/pick_line_element.h"
#include "decoder/linear/roads/scan_band.h"
#include "decoder/linear/roads/scan_schedule.h"

namespace DEC2DIvra {

struct DEC2DProperty;
class BarSymbolDecoderSet;
class CombinedLineRoad;
class LineDecodeDataChecker;
class LineDecoder;
class MultiLineRoad;

// Runs the scan schedule over a band: averaged single lines at the sixteen
// positions from the centre outwards, the combined-line road when a line shows
// a false edge, regions added around GS1 DataBar segments, and the multi-line
// stage at the end. Each decoded line goes to the repeat checker; the first
// result it accepts becomes the label.
class LineAndPreBlockDecoder {
public:
    static constexpr unsigned kRegionCapacity = 32;
    static constexpr unsigned kFinderRegionCapacity = 59;
    static constexpr unsigned kLocatedRegionCapacity = 15;
    static constexpr unsigned kAlignedRegionCapacity = 12;
    // Times one decode takes regions from the DataBar road: those that name
    // a pair's rows, and those that give only regions along finder bars (a
    // budget of their own, so that they never use up the pairs' turns).
    static constexpr unsigned kMaxFinderNamings = 8;
    static constexpr unsigned kMaxAlignedNamings = 8;
    static constexpr unsigned kLineSlotCount = ScanSchedule::kPositionCount;
    // Samples of one line; the run-length conversion takes no more.
    static constexpr unsigned kSampleCapacity = 4928;
    // Lines averaged into one scan line at most; bounds the sample sums.
    static constexpr unsigned kMaxAveragedLines = 256;

    // Outcome of a decode without an accepted label (GetStatus).
    static constexpr unsigned kStatusNone = 0;     // accepted, or nothing seen
    static constexpr unsigned kStatusSeen = 1;     // a symbol was seen, no label came out
    static constexpr unsigned kStatusRefused = 2;  // read, but its data or region was refused

    // The buffers come from the work area; scanMode is the frame's copy of the
    // caller's scan mode (the number of parallel lines averaged).
    LineAndPreBlockDecoder(SharedMemoryDistributor& memory, DEC2DProperty const& property, LineDecoder const& decoder,
                           BarSymbolDecoderSet const& decoders, unsigned const& scanMode);
    LineAndPreBlockDecoder(LineAndPreBlockDecoder const&) = delete;
    LineAndPreBlockDecoder& operator=(LineAndPreBlockDecoder const&) = delete;

    bool IsReady() const { return ready_; }

    // The schedule over one band. stopEarly ends the decode at the first line
    // that does not decode; located is false for the fixed band, whose lines
    // are decoded whole. True when the decode ended on an accepted result:
    // status 0 with the label filled, or status 2 when it was refused.
    bool Start(GrayImage const& image, BarCodeScanRegion const& band, LineDecodeDataChecker& checker,
               DecodedLabel& label, bool stopEarly, bool located);
    // One averaged scan line of the band at a scan index, decoded into the
    // result with the decoded part of the line.
    bool Scan(GrayImage const& image, BarCodeScanRegion const& band, bool wholeLine, unsigned index,
              LineDecodeData& result, LineSegment& segment, bool& falseEdge);
    // A decoded line through the repeat checker; true when the checker
    // accepted it (the status tells whether a label came out).
    bool Check(GrayImage const& image, LineDecodeData const& line, LineSegment const& segment,
               BarCodeScanRegion const& band, LineDecodeDataChecker& checker, DecodedLabel& label);

    unsigned GetStatus() const { return status_; }

    void SetCodeSearcher(CodeSearcher* searcher) { searcher_ = searcher; }
    void SetCombinedLineRoad(CombinedLineRoad* road) { combined_ = road; }
    void SetMultiLineRoad(MultiLineRoad* road) { multiLine_ = road; }

    // The single-line result of a scan position of the first band, and the
    // combined-line result of a scan index, as the last decode left them.
    LineDecodeData const& GetSingleLine(unsigned position) const { return single_[position % kLineSlotCount]; }
    LineDecodeData const& GetCombinedLine(unsigned index) const { return combinedLine_[index % kLineSlotCount]; }

private:
    struct ScanRegionEntry {
        BarCodeScanRegion band;
        unsigned next = 0;           // scan index from which the band is read again
        unsigned combinedStart = 0;  // first index whose single line is still to come
        unsigned char prepared = 0;  // the combined lines of the band are prepared
    };

    // What one decode keeps across regions and indices.
    struct Progress {
        bool lineSeen = false;
        bool combinedPending = false;
        bool finderFound = false;
        unsigned namings = 0;
        unsigned alignedNamings = 0;
        unsigned lowestCombined = 0xFFFFFFFFu;
        unsigned highestCombined = 0;
    };

    enum class Outcome { kGoOn, kEnded, kStop, kRestart };

    Outcome VisitRegion(GrayImage const& image, unsigned r, unsigned index, LineDecodeDataChecker& checker,
                        DecodedLabel& label, bool stopEarly, bool located, Progress& progress);
    // A read in a region laid along DataBar rows that is no label of its own.
    bool IsStrayRead(DecodedLabel const& label) const;
    bool TryDataBar(GrayImage const& image, unsigned index, DecodedLabel& label);
    // A new entry at the end of the region list; nothing when it is full or
    // the region gives no band.
    void AddRegion(GrayImage const& image, Region const& region);
    // Forgets the regions after the first whose lines are all read.
    void DropSpentRegions();
    bool AddFinderRegions(GrayImage const& image, Progress& progress);
    bool StartMultiLine(GrayImage const& image, DecodedLabel& label, Progress const& progress);
    bool SampleAveragedLine(GrayImage const& image, BarCodeScanRegion const& band, unsigned position,
                            LineSegment& middle);
    void ClearSlots();

    DEC2DProperty const* property_;
    LineDecoder const* lineDecoder_;
    BarSymbolDecoderSet const* decoders_;
    unsigned const* scanMode_;
    CodeSearcher* searcher_ = nullptr;
    CombinedLineRoad* combined_ = nullptr;
    MultiLineRoad* multiLine_ = nullptr;

    LineDecodeData single_[kLineSlotCount];
    LineDecodeData combinedLine_[kLineSlotCount];
    LineDecodeData shared_;
    unsigned status_ = kStatusNone;

    StackInterface<PickLineElement> sum_;
    StackInterface<PickLineElement> line_;

    ScanRegionEntry region_[kRegionCapacity];
    unsigned regionCount_ = 0;
    Region finderRegionBuffer_[kFinderRegionCapacity];
    StackInterface<Region> finderRegions_;
    Region locatedRegionBuffer_[kLocatedRegionCapacity];
    StackInterface<Region> locatedRegions_;
    Region alignedRegionBuffer_[kAlignedRegionCapacity];
    StackInterface<Region> alignedRegions_;
    bool ready_ = false;
};

}  // namespace DEC2DIvra
