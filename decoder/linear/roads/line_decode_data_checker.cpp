#include "decoder/linear/roads/line_decode_data_checker.h"

#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/linear/line/bar_symbol_decoder.h"

namespace DEC2DIvra {

namespace {

// An edge line: fitted through the points when there are two or more and the
// fit crosses the band; otherwise the band's own side moved to the last
// point.
bool CalcEdgeLine(StackInterface<Point> const& points, LineSegment const& side, LineSegment const& first,
                  LineSegment const& last, Line& edge)
{
    if (points.IsEmpty()) {
        return false;
    }
    if (points.GetCount() >= 2) {
        Line fitted;
        Line firstLine;
        Line lastLine;
        Point p;
        Point q;
        Rectangle firstBounds;
        Rectangle lastBounds;
        Geometry::CalcRectangle(first, firstBounds);
        Geometry::CalcRectangle(last, lastBounds);
        if (Geometry::CalcLine(ArrayIterator<Point const>(points.GetFirst(), points.GetCount()), fitted, -1) &&
            first.CalcLine(firstLine) && last.CalcLine(lastLine) && Geometry::CalcCrossPoint(fitted, firstLine, p) &&
            Geometry::CalcCrossPoint(fitted, lastLine, q) && Geometry::IsIncluding(firstBounds, p) &&
            Geometry::IsIncluding(lastBounds, q)) {
            edge = fitted;
            return true;
        }
    }
    return side.CalcLine(edge) && edge.MoveTo(points.GetTop());
}

}  // namespace

LineDecodeDataChecker::LineDecodeDataChecker(SharedMemoryDistributor& memory, DecoderDetailProperty const& detail)
    : detail_(&detail)
{
    pending_.Initialize(memory);
    VirtualArray<Point> const starts = memory.TakeArray<Point>(kPointCapacity);
    VirtualArray<Point> const ends = memory.TakeArray<Point>(kPointCapacity);
    startPoints_.Set(starts.GetData(), starts.GetCount());
    endPoints_.Set(ends.GetData(), ends.GetCount());
}

void LineDecodeDataChecker::Initialize()
{
    pending_.Clear();
    count_ = 0;
    disputed_ = false;
    statistics_ = LineStatistics();
    startPoints_.Clear();
    endPoints_.Clear();
    offeredCount_ = 0;
}

void LineDecodeDataChecker::OnChengeImage()
{
    startPoints_.Clear();
    endPoints_.Clear();
}

bool LineDecodeDataChecker::Offer(LineSegment const& segment, Region const& band)
{
    for (unsigned i = 0; i < offeredCount_; ++i) {
        OfferedLine const& o = offered_[i];
        if (o.segment.begin == segment.begin && o.segment.end == segment.end && !SameBand(o.band, band)) {
            return false;
        }
    }
    if (offeredCount_ < kOfferedCapacity) {
        offered_[offeredCount_++] = OfferedLine{segment, band};
    }
    return true;
}

bool LineDecodeDataChecker::SameBand(Region const& a, Region const& b)
{
    for (unsigned k = 0; k < 4; ++k) {
        if (!(a.corner[k] == b.corner[k])) {
            return false;
        }
    }
    return true;
}

void LineDecodeDataChecker::Append(StackInterface<Point>& points, Point const& point)
{
    if (points.IsEmpty() || !(points.GetTop() == point)) {
        points.Push(point);  // a full list keeps the points it has
    }
}

bool LineDecodeDataChecker::Restart(LineDecodeData const& line, LineSegment const& segment, Region const& band)
{
    if (!pending_.Copy(line)) {
        count_ = 0;
        return false;
    }
    startPoints_.Clear();
    endPoints_.Clear();
    offeredCount_ = 0;
    Offer(segment, band);
    Append(startPoints_, segment.begin);
    Append(endPoints_, segment.end);
    // A new result starts its statistics afresh, also when it replaces
    // another: a label carries only the statistics of its own reads.
    statistics_ = line.statistics;
    count_ = 1;
    return true;
}

bool LineDecodeDataChecker::Accept()
{
    // Handed out: the next read starts a new count.
    count_ = 0;
    disputed_ = false;
    offeredCount_ = 0;
    return true;
}

bool LineDecodeDataChecker::IsShortUnchecked(LineDecodeData const& line)
{
    if (line.decoder == nullptr || line.symbols.GetCount() > kShortSymbols) {
        return false;
    }
    tagSymbology const symbology = line.decoder->GetSymbology();
    return symbology == SYMBOLOGY_CODE39 || symbology == SYMBOLOGY_CODABAR;
}

unsigned LineDecodeDataChecker::CalcRequiredRepeats() const
{
    unsigned const repeats = static_cast<unsigned>(detail_->redundancy.Get()) + 1;
    return repeats + (disputed_ ? 1u : 0u) + (IsShortUnchecked(pending_) ? 1u : 0u);
}

bool LineDecodeDataChecker::Check(LineDecodeData const& line, LineSegment const& segment, Region const& band)
{
    if (stackedRowAtOnce_ && line.decoder != nullptr && line.decoder->IsStackedRow(line.symbols, line.reverced != 0)) {
        return Restart(line, segment, band) && Accept();
    }
    if (count_ == 0 || !pending_.EqualTo(line)) {
        // Also of another length: lines that leave a slanted symbol through
        // its bar ends read a fragment, its end character taken for a stop.
        bool const substitution = count_ != 0 && pending_.decoder != nullptr && line.decoder != nullptr &&
                                  pending_.decoder->GetSymbology() == line.decoder->GetSymbology();
        if (!Restart(line, segment, band)) {
            return false;
        }
        disputed_ = substitution;
        return count_ >= CalcRequiredRepeats() ? Accept() : false;
    }
    // Overlapping regions can lay the very same scan line again: it is no
    // second read (a line that left a slanted symbol through its bar ends
    // confirmed its own fragment so).
    if (!Offer(segment, band)) {
        return false;
    }
    Append(startPoints_, segment.begin);
    Append(endPoints_, segment.end);
    if (statistics_.valid && line.statistics.valid) {
        statistics_.Fold(line.statistics);
    } else if (line.statistics.valid) {
        statistics_ = line.statistics;
    }
    ++count_;
    return count_ >= CalcRequiredRepeats() ? Accept() : false;
}

bool LineDecodeDataChecker::CalcDecodedRegion(GrayImage const&, bool reverced, Region const& band,
                                              Region& region) const
{
    LineSegment const first{band.corner[0], band.corner[1]};
    LineSegment const last{band.corner[3], band.corner[2]};
    LineSegment const startSide{band.corner[0], band.corner[3]};
    LineSegment const endSide{band.corner[1], band.corner[2]};
    Line startEdge;
    Line endEdge;
    Line firstLine;
    Line lastLine;
    if (!CalcEdgeLine(startPoints_, startSide, first, last, startEdge) ||
        !CalcEdgeLine(endPoints_, endSide, first, last, endEdge) || !first.CalcLine(firstLine) ||
        !last.CalcLine(lastLine)) {
        return false;
    }
    Line const& leading = reverced ? endEdge : startEdge;
    Line const& trailing = reverced ? startEdge : endEdge;
    Region result;
    if (!Geometry::CalcCrossPoint(leading, firstLine, result.corner[0]) ||
        !Geometry::CalcCrossPoint(trailing, firstLine, result.corner[1]) ||
        !Geometry::CalcCrossPoint(trailing, lastLine, result.corner[2]) ||
        !Geometry::CalcCrossPoint(leading, lastLine, result.corner[3])) {
        return false;
    }
    region = result;
    return true;
}

}  // namespace DEC2DIvra
