#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/line/line_statistics.h"

namespace DEC2DIvra {

struct DecoderDetailProperty;

// The repeat checker: a line result counts only once the same result has been
// read redundancy + 1 times in a row, and once more when it replaced a result
// of the same symbology (lines that disagree on a character or read a
// fragment: the symbologies without a check character have nothing else
// against a line that crossed the ends of some bars). A line with the decoded
// ends of one that another band offered for the waiting result adds nothing.
// It keeps the waiting result with its folded statistics, and the decoded ends
// of every agreeing line, from which the label's region is fitted.
class LineDecodeDataChecker {
public:
    static constexpr unsigned kPointCapacity = 256;
    // Lines remembered per waiting result; past that, lines count unchecked.
    static constexpr unsigned kOfferedCapacity = 64;
    // The work-area bytes the lists take, with room to align each of the five.
    static constexpr unsigned kBufferBytes =
        LineDecodeData::kBufferBytes + 2 * kPointCapacity * static_cast<unsigned>(sizeof(Point)) + 5 * 7;

    LineDecodeDataChecker(SharedMemoryDistributor& memory, DecoderDetailProperty const& detail);
    LineDecodeDataChecker(LineDecodeDataChecker const&) = delete;
    LineDecodeDataChecker& operator=(LineDecodeDataChecker const&) = delete;

    bool IsReady() const { return pending_.IsReady() && startPoints_.GetCapacity() == kPointCapacity; }

    // Forgets the waiting result (a new trigger).
    void Initialize();
    // Forgets the points gathered in the previous image; a waiting result
    // stays.
    void OnChengeImage();
    // Offers a decoded line with its decoded segment and the band that laid
    // it; true when it completes the repeats (the result is then handed out
    // and no longer waits).
    bool Check(LineDecodeData const& line, LineSegment const& segment, Region const& band = Region{});
    // With this on, a row of a stacked symbol counts at its first read: the
    // lines across a stacked symbol alternate between its rows, so that no row
    // is read twice in a row, and such a row only starts the reading of every
    // row in a band of its own (with this off, and the repeats).
    void SetStackedRowAtOnce(bool atOnce) { stackedRowAtOnce_ = atOnce; }
    // The label's region: edge lines fitted through the gathered begin and
    // end points, cut by the band's first and last scan line (the reversed
    // flag puts the end points' edge first).
    bool CalcDecodedRegion(GrayImage const& image, bool reverced, Region const& band, Region& region) const;

    LineDecodeData const& GetPending() const { return pending_; }
    // Nonzero while a result waits for its repeats.
    unsigned GetCount() const { return count_; }
    LineStatistics const& GetStatistics() const { return statistics_; }
    StackInterface<Point> const& GetStartPoints() const { return startPoints_; }
    StackInterface<Point> const& GetEndPoints() const { return endPoints_; }

private:
    struct OfferedLine {
        LineSegment segment;
        Region band;
    };

    // Start, stop and at most four characters of Code 39 or Codabar, whose
    // check character is optional: two lines crossing the modules of a 2D
    // symbol or of other print can agree on such a fragment, quiet zones
    // included. One agreeing line more is asked of them; a printed label
    // gives many.
    static constexpr unsigned kShortSymbols = 6;
    static bool IsShortUnchecked(LineDecodeData const& line);
    unsigned CalcRequiredRepeats() const;
    bool Restart(LineDecodeData const& line, LineSegment const& segment, Region const& band);
    bool Accept();
    static void Append(StackInterface<Point>& points, Point const& point);
    // Records a line offered for the waiting result; false when another
    // band offered a line with the same decoded ends before.
    bool Offer(LineSegment const& segment, Region const& band);
    static bool SameBand(Region const& a, Region const& b);

    DecoderDetailProperty const* detail_;
    LineDecodeData pending_;
    unsigned count_ = 0;
    bool disputed_ = false;
    LineStatistics statistics_;
    StackInterface<Point> startPoints_;
    StackInterface<Point> endPoints_;
    OfferedLine offered_[kOfferedCapacity];
    unsigned offeredCount_ = 0;
    bool stackedRowAtOnce_ = false;
};

}  // namespace DEC2DIvra
