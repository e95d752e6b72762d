#pragma once

#include "decoder/core/geometry/vector.h"
#include "decoder/linear/roads/pick_line_subroutine.h"
#include "decoder/linear/roads/scan_buffer.h"
#include "decoder/linear/roads/scan_subroutine.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"
#include "decoder/stacked/pdf417/row_indicator_ballot.h"

namespace DEC2DIvra {

class GrayImage;
class RowIndicatorColumnData;
class SharedMemoryDistributor;
class StartStopColumnData;

// Reads the row indicator columns from the runs of scan lines laid across
// them next to the start and stop patterns, without building the columns'
// borders first; the fallback when picking them fails.
class RowIndicatorScanSubroutine {
public:
    static constexpr unsigned kSampleCapacity = 4096;
    static constexpr unsigned kRunCapacity = 2048;

    explicit RowIndicatorScanSubroutine(SharedMemoryDistributor& memory);
    RowIndicatorScanSubroutine(RowIndicatorScanSubroutine const&) = delete;
    RowIndicatorScanSubroutine& operator=(RowIndicatorScanSubroutine const&) = delete;

    bool Start(GrayImage const& image, Vector const& codeVector, StartStopColumnData const* start,
               StartStopColumnData const* stop, bool inverted, RowIndicatorColumnData& left,
               RowIndicatorColumnData& right, Mod3OfCluster& order, DecodeParameterForPDF& parameter) const;
    // One codeword along scan line `step` of a pass; true to go on along
    // this direction.
    bool Scan(GrayImage const& image, Vector const& codeVector, StartStopColumnData const& finder, bool inverted,
              bool side, unsigned pass, bool direction, unsigned step, RowIndicatorColumnData& column) const;

    bool IsReady() const { return ready_; }

private:
    mutable ScanBuffer buffer_;
    PickLineSubroutine pick_;
    ScanSubroutine scan_;
    mutable RowIndicatorBallot ballot_;
    bool ready_ = false;
};

}  // namespace DEC2DIvra
