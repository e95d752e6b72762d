#include "decoder/linear/roads/line_and_pre_block_decoder.h"

#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/linear/bar_symbol_decoder_set.h"
#include "decoder/linear/roads/combined_line_road.h"
#include "decoder/linear/roads/data_bar_road.h"
#include "decoder/linear/roads/line_decode_data_checker.h"
#include "decoder/linear/roads/line_decoder.h"
#include "decoder/linear/roads/multi_line_road.h"
#include "decoder/linear/roads/pick_line_stack_for_average_scan.h"
#include "decoder/linear/roads/scan_line_segment.h"

namespace DEC2DIvra {

namespace {

// Slope divider of the run-length conversion for averaged lines.
constexpr unsigned kScanDivider = 16;

constexpr unsigned kDecodeModeWithComposition = 2;
constexpr unsigned kDecodeModeComposition = 3;

Point Offset(Point const& p, Vector const& v, long long times)
{
    return Point{static_cast<int>(p.x + v.dx * times), static_cast<int>(p.y + v.dy * times)};
}

// +1 when the step between lines points from the first line toward the last
// along the across vector's longer axis, else -1.
int CalcInward(BarCodeScanRegion const& band)
{
    Point const& c1 = band.GetCorner(0);
    Point const& c4 = band.GetCorner(3);
    Vector const& step = band.GetStepVector();
    int const dx = c4.x - c1.x;
    int const dy = c4.y - c1.y;
    bool const xLonger = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    int const across = xLonger ? dx : dy;
    int const along = xLonger ? step.dx : step.dy;
    return (across < 0) == (along < 0) ? 1 : -1;
}

// How many samples the symbol drifts along a scan line when the line is moved
// by `steps` line steps: the step's component along the line, in samples of
// the line's walk (rounded to nearest).
int CalcDrift(BarCodeScanRegion const& band, long long steps)
{
    Point const& c1 = band.GetCorner(0);
    Point const& c2 = band.GetCorner(1);
    long long const wx = static_cast<long long>(c2.x) - c1.x;
    long long const wy = static_cast<long long>(c2.y) - c1.y;
    long long const major = wx < 0 ? -wx : wx;
    long long const minorRaw = wy < 0 ? -wy : wy;
    long long const majorAxis = major >= minorRaw ? major : minorRaw;
    long long const minorAxis = major >= minorRaw ? minorRaw : major;
    if (majorAxis == 0) {
        return 0;
    }
    Vector const& step = band.GetStepVector();
    // Content at major-axis position x on one line lies at x - along on the
    // next; a 4-connected walk takes (major + minor) / major samples per
    // major-axis step.
    long long const along = step.dx * wx + step.dy * wy;
    long long const samplesPerMajor = band.IsFourConnected() ? majorAxis + minorAxis : majorAxis;
    long long const numerator = -steps * along * samplesPerMajor;
    long long const denominator = majorAxis * majorAxis;
    long long const twice = 2 * numerator + (numerator >= 0 ? denominator : -denominator);
    return static_cast<int>(twice / (2 * denominator));
}

// The line's samples into the empty sum, shifted by `shift` elements as the
// averaging adds them.
bool StartSum(StackInterface<PickLineElement>& sum, StackInterface<PickLineElement> const& line, int shift)
{
    sum.Clear();
    for (unsigned i = 0; i < sum.GetCapacity(); ++i) {
        long long source = static_cast<long long>(i) + shift;
        source = source < 0 ? 0 : source;
        if (source >= static_cast<long long>(line.GetCount())) {
            break;
        }
        sum.Push(line[static_cast<unsigned>(source)]);
    }
    return !sum.IsEmpty();
}

}  // namespace

LineAndPreBlockDecoder::LineAndPreBlockDecoder(SharedMemoryDistributor& memory, DEC2DProperty const& property,
                                               LineDecoder const& decoder, BarSymbolDecoderSet const& decoders,
                                               unsigned const& scanMode)
    : property_(&property), lineDecoder_(&decoder), decoders_(&decoders), scanMode_(&scanMode),
      finderRegions_(finderRegionBuffer_, kFinderRegionCapacity),
      locatedRegions_(locatedRegionBuffer_, kLocatedRegionCapacity),
      alignedRegions_(alignedRegionBuffer_, kAlignedRegionCapacity)
{
    bool ok = true;
    for (LineDecodeData& slot : single_) {
        ok = slot.Initialize(memory) && ok;
    }
    for (LineDecodeData& slot : combinedLine_) {
        ok = slot.Initialize(memory) && ok;
    }
    ok = shared_.Initialize(memory) && ok;
    VirtualArray<PickLineElement> const sum = memory.TakeArray<PickLineElement>(kSampleCapacity);
    VirtualArray<PickLineElement> const line = memory.TakeArray<PickLineElement>(kSampleCapacity);
    sum_.Set(sum.GetData(), sum.GetCount());
    line_.Set(line.GetData(), line.GetCount());
    ready_ = ok && sum.GetCount() == kSampleCapacity && line.GetCount() == kSampleCapacity;
}

void LineAndPreBlockDecoder::ClearSlots()
{
    for (LineDecodeData& slot : single_) {
        slot.Clear();
    }
    for (LineDecodeData& slot : combinedLine_) {
        slot.Clear();
    }
    shared_.Clear();
}

bool LineAndPreBlockDecoder::Start(GrayImage const& image, BarCodeScanRegion const& band,
                                   LineDecodeDataChecker& checker, DecodedLabel& label, bool stopEarly, bool located)
{
    status_ = kStatusNone;
    if (!ready_) {
        return false;
    }
    ClearSlots();
    if (DataBarRoad* dataBar = decoders_->GetDataBarRoad()) {
        dataBar->Initialize();
    }
    region_[0] = ScanRegionEntry{band, 0, 0, 0};
    regionCount_ = 1;
    Progress progress;
    progress.lineSeen = !located;

    bool stopped = false;
    unsigned i = 0;
    while (i < ScanSchedule::kPositionCount && !stopped) {
        bool restart = false;
        for (unsigned r = 0; r < regionCount_ && !restart && !stopped; ++r) {
            switch (VisitRegion(image, r, i, checker, label, stopEarly, located, progress)) {
            case Outcome::kEnded:
                return true;
            case Outcome::kStop:
                stopped = true;
                break;
            case Outcome::kRestart:
                restart = true;
                break;
            case Outcome::kGoOn:
                break;
            }
        }
        if (stopped) {
            break;
        }
        if (restart) {
            i = 0;
            continue;
        }
        if (i > 2 && AddFinderRegions(image, progress)) {
            i = 0;
            continue;
        }
        ++i;
    }

    if (!stopped && StartMultiLine(image, label, progress)) {
        status_ = kStatusNone;
        return true;
    }
    status_ = (progress.finderFound || checker.GetCount() != 0) ? kStatusSeen : kStatusNone;
    return false;
}

LineAndPreBlockDecoder::Outcome LineAndPreBlockDecoder::VisitRegion(GrayImage const& image, unsigned r,
                                                                    unsigned index, LineDecodeDataChecker& checker,
                                                                    DecodedLabel& label, bool stopEarly,
                                                                    bool located, Progress& progress)
{
    ScanRegionEntry& entry = region_[r];
    if (entry.next > index) {
        return Outcome::kGoOn;
    }
    bool const first = r == 0;
    bool singleRead = false;
    bool singleDecoded = false;
    bool failed = false;
    bool falseEdge = false;

    if (entry.band.GetLineCount() > index && !progress.combinedPending && entry.combinedStart <= index) {
        singleRead = true;
        unsigned position = 0;
        LineDecodeData* slot = &shared_;
        if (first && ScanSchedule::CalcPosition(index, entry.band.GetLineCount(), position)) {
            slot = &single_[position];
        }
        LineSegment segment;
        if (Scan(image, entry.band, !located, index, *slot, segment, falseEdge)) {
            singleDecoded = true;
            if (Check(image, *slot, segment, entry.band, checker, label)) {
                if (first || !IsStrayRead(label)) {
                    return Outcome::kEnded;
                }
                label.Clear();
                status_ = kStatusNone;
            }
            if (entry.prepared) {
                failed = true;
            } else {
                progress.lineSeen = true;
            }
        } else {
            if (stopEarly) {
                return Outcome::kStop;
            }
            failed = true;
        }
    }
    if (failed && index > 2 && TryDataBar(image, index, label)) {
        return Outcome::kEnded;
    }

    bool const highResolution = property_->detail_of_decoder.enable_high_resolution_barcode_decoding.Get();
    if (first && highResolution && combined_ != nullptr) {
        if (!entry.prepared && !progress.lineSeen && singleRead && !singleDecoded && falseEdge) {
            entry.prepared = 1;
            entry.combinedStart = index + 1;
            entry.next = 0;
            combined_->Initialize(image, entry.band);
            return Outcome::kRestart;
        }
        if (entry.prepared && !progress.lineSeen && index < combined_->GetLineCount() &&
            index < kLineSlotCount) {
            progress.lowestCombined = index < progress.lowestCombined ? index : progress.lowestCombined;
            progress.highestCombined = index > progress.highestCombined ? index : progress.highestCombined;
            LineDecodeData& slot = combinedLine_[index];
            LineSegment segment;
            if (combined_->Start(image, *lineDecoder_, index, slot, segment)) {
                if (Check(image, slot, segment, entry.band, checker, label)) {
                    return Outcome::kEnded;
                }
                progress.combinedPending = true;
            } else if (index > 2 && TryDataBar(image, index, label)) {
                return Outcome::kEnded;
            }
        }
    }
    entry.next = index + 1;
    return Outcome::kGoOn;
}

bool LineAndPreBlockDecoder::IsStrayRead(DecodedLabel const& label) const
{
    // The regions after the first are laid along DataBar rows and finder
    // patterns, which print and other symbols show now and then: another
    // decoder's read refused there, or a UPC-E or EAN-8 (one check digit
    // over a few characters, which a PDF417 symbol's codewords pass for), is
    // one met by chance; the rows go on collecting.
    unsigned const symbology = label.identifier.GetSymbology();
    return status_ == kStatusRefused || symbology == SYMBOLOGY_UPCE || symbology == SYMBOLOGY_EAN8;
}

bool LineAndPreBlockDecoder::TryDataBar(GrayImage const& image, unsigned, DecodedLabel& label)
{
    DataBarRoad* dataBar = decoders_->GetDataBarRoad();
    if (dataBar == nullptr || !dataBar->Start(image, label)) {
        return false;
    }
    status_ = kStatusNone;
    return true;
}

bool LineAndPreBlockDecoder::AddFinderRegions(GrayImage const& image, Progress& progress)
{
    // Asked again while lines add sightings; a road that names regions every
    // time must not hold the schedule at its start for ever.
    DataBarRoad* dataBar = decoders_->GetDataBarRoad();
    if (dataBar == nullptr ||
        (progress.namings >= kMaxFinderNamings && progress.alignedNamings >= kMaxAlignedNamings)) {
        return false;
    }
    // Regions whose lines are all read give their places to the new ones;
    // a pair's own rows come first, and the road names again later what
    // found no place now.
    DropSpentRegions();
    if (regionCount_ >= kRegionCapacity) {
        return false;
    }
    unsigned const free = kRegionCapacity - regionCount_;
    finderRegions_.Set(finderRegionBuffer_, free < kFinderRegionCapacity ? free : kFinderRegionCapacity);
    alignedRegions_.Clear();
    bool const named = progress.namings < kMaxFinderNamings && dataBar->CalcFinderRegions(finderRegions_);
    bool const aligned = progress.alignedNamings < kMaxAlignedNamings &&
                         dataBar->CalcAlignedRegions(image, alignedRegions_) != 0;
    if (!named && !aligned) {
        return false;
    }
    ++(named ? progress.namings : progress.alignedNamings);
    // A region along a finder's bars is only a finder-like pattern seen
    // (print or a QR symbol's data shows them now and then); a symbol is seen
    // once a pair's characters named a region.
    progress.finderFound = progress.finderFound || named;
    locatedRegions_.Clear();
    bool found = false;
    if (searcher_ != nullptr) {
        for (unsigned k = finderRegions_.GetCount(); k-- > 0;) {
            if (searcher_->Start(image, finderRegions_[k], locatedRegions_) != 0) {
                found = true;
            }
        }
    }
    if (found) {
        // Taken in the order found, after the place kept for the pairs' rows.
        unsigned const kept = finderRegions_.GetCount();
        for (Region const& located : locatedRegions_) {
            if (regionCount_ + kept < kRegionCapacity) {
                AddRegion(image, located);
            }
        }
    }
    // The segments' own rows, squared to their bars: the lines that found
    // them may have run askew across a stacked symbol.
    for (Region const& finder : finderRegions_) {
        AddRegion(image, finder);
    }
    // Laid along the bars measured at a finder: the lines read them as
    // they are. They come after the pair's own rows and the located
    // regions: taken first they put those off, and noisy composites lost
    // reads.
    for (Region const& aligned : alignedRegions_) {
        AddRegion(image, aligned);
    }
    return true;
}

void LineAndPreBlockDecoder::DropSpentRegions()
{
    unsigned kept = 1;
    for (unsigned r = 1; r < regionCount_; ++r) {
        ScanRegionEntry const& entry = region_[r];
        unsigned const lines = entry.band.GetLineCount();
        unsigned const last = lines < ScanSchedule::kPositionCount ? lines : ScanSchedule::kPositionCount;
        if (entry.next < last) {
            region_[kept++] = entry;
        }
    }
    regionCount_ = kept;
}

void LineAndPreBlockDecoder::AddRegion(GrayImage const& image, Region const& region)
{
    if (regionCount_ >= kRegionCapacity) {
        return;
    }
    ScanRegionEntry& entry = region_[regionCount_];
    entry = ScanRegionEntry{};
    if (entry.band.Set(image, region)) {
        ++regionCount_;
    }
}

bool LineAndPreBlockDecoder::StartMultiLine(GrayImage const& image, DecodedLabel& label, Progress const& progress)
{
    unsigned const mode = property_->detail_of_decoder.barcode_decode_mode.Get();
    if (multiLine_ == nullptr || (mode != kDecodeModeWithComposition && mode != kDecodeModeComposition)) {
        return false;
    }
    ScanRegionEntry const& first = region_[0];
    unsigned const lines = first.band.GetLineCount();
    if (!progress.combinedPending && lines >= 1) {
        unsigned const n = lines < kLineSlotCount ? lines : kLineSlotCount;
        unsigned const lowest = ScanSchedule::GetLowestPosition(n - 1);
        unsigned const highest = ScanSchedule::GetHighestPosition(n - 1);
        ArrayIterator<LineDecodeData const> const slots(&single_[lowest], highest - lowest + 1);
        if (multiLine_->Start(image, slots, first.band.GetLocatedRegion(), label)) {
            return true;
        }
    }
    bool const highResolution = property_->detail_of_decoder.enable_high_resolution_barcode_decoding.Get();
    if (highResolution && combined_ != nullptr && first.prepared && combined_->IsCompleted() &&
        progress.highestCombined > progress.lowestCombined && progress.highestCombined < kLineSlotCount) {
        ArrayIterator<LineDecodeData const> const slots(&combinedLine_[progress.lowestCombined],
                                                        progress.highestCombined - progress.lowestCombined + 1);
        if (multiLine_->Start(image, slots, first.band.GetLocatedRegion(), label)) {
            return true;
        }
    }
    return false;
}

bool LineAndPreBlockDecoder::SampleAveragedLine(GrayImage const& image, BarCodeScanRegion const& band,
                                                unsigned position, LineSegment& middle)
{
    unsigned const lines = band.GetLineCount();
    int firstWeight = 0;
    int lastWeight = 0;
    if (!ScanSchedule::CalcWeights(position, lines, firstWeight, lastWeight)) {
        return false;
    }
    long long const n = lines < kLineSlotCount ? lines : kLineSlotCount;
    unsigned const side1 = Geometry::CalcChebyshevDistance(band.GetCorner(0), band.GetCorner(3));
    unsigned const side2 = Geometry::CalcChebyshevDistance(band.GetCorner(1), band.GetCorner(2));
    long long const shorter = side1 < side2 ? side1 : side2;
    long long m = shorter - n;
    m = m < static_cast<long long>(*scanMode_) ? m : static_cast<long long>(*scanMode_);
    m = m < static_cast<long long>(kMaxAveragedLines) ? m : static_cast<long long>(kMaxAveragedLines);
    m = m < 1 ? 1 : m;
    // The averaged lines lie two line steps apart; the last line is moved back
    // by their whole spread so that none of them leaves the band.
    while (m > 1 && 2 * (m - 1) > shorter) {
        --m;
    }
    long long const back = 2 * (m - 1);
    int const inward = CalcInward(band);
    Vector const& step = band.GetStepVector();
    Point const last0 = Offset(band.GetCorner(3), step, -inward * back);
    Point const last1 = Offset(band.GetCorner(2), step, -inward * back);
    LineSegment base;
    if (!Geometry::CalcCenterPoint(firstWeight, band.GetCorner(0), lastWeight, last0, base.begin) ||
        !Geometry::CalcCenterPoint(firstWeight, band.GetCorner(1), lastWeight, last1, base.end)) {
        return false;
    }

    long long const middleLine = (m - 1) / 2;
    middle = LineSegment{Offset(base.begin, step, inward * 2 * middleLine),
                         Offset(base.end, step, inward * 2 * middleLine)};
    if (!ScanLineSegment(middle, band.IsFourConnected()).IsInside(image)) {
        return false;
    }
    int added = 0;
    for (long long k = 0; k < m; ++k) {
        ScanLineSegment const line(LineSegment{Offset(base.begin, step, inward * 2 * k),
                                               Offset(base.end, step, inward * 2 * k)},
                                   band.IsFourConnected());
        // A line the image does not hold whole is left out of the average.
        if (!line.Pick(image, line_)) {
            continue;
        }
        int const shift = CalcDrift(band, inward * 2 * k);
        bool const ok = added == 0 ? StartSum(sum_, line_, shift) : PickLineStackForAverageScan::Add(sum_, line_, shift);
        if (!ok) {
            return false;
        }
        ++added;
    }
    return added > 0 && PickLineStackForAverageScan::Divide(sum_, added);
}

bool LineAndPreBlockDecoder::Scan(GrayImage const& image, BarCodeScanRegion const& band, bool wholeLine,
                                  unsigned index, LineDecodeData& result, LineSegment& segment, bool& falseEdge)
{
    falseEdge = false;
    unsigned position = 0;
    LineSegment middle;
    if (!ScanSchedule::CalcPosition(index, band.GetLineCount(), position) ||
        !SampleAveragedLine(image, band, position, middle)) {
        return false;
    }
    result.line = ScanLineSegment(middle, band.IsFourConnected());
    return lineDecoder_->Start(image, band.GetLocatedRegion(), sum_, wholeLine, result, falseEdge, true,
                               kScanDivider) &&
           result.CalcDecodedLineSegment(image, segment);
}

bool LineAndPreBlockDecoder::Check(GrayImage const& image, LineDecodeData const& line, LineSegment const& segment,
                                   BarCodeScanRegion const& band, LineDecodeDataChecker& checker, DecodedLabel& label)
{
    if (!checker.Check(line, segment, band.GetBand())) {
        return false;
    }
    LineDecodeData const& pending = checker.GetPending();
    BarSymbolDecoder const* decoder = pending.decoder;
    bool const reverced = pending.reverced != 0;
    label.Clear();
    Region region;
    if (decoder == nullptr || !decoder->Start(pending.symbols, reverced, label) ||
        !checker.CalcDecodedRegion(image, reverced, band.GetBand(), region)) {
        label.Clear();
        status_ = kStatusRefused;
        return true;
    }
    label.region = region;
    unsigned modules = 0;
    label.moduleCount = decoder->CountModule(pending.symbols, modules) ? modules : 0;
    label.negative = pending.negative;
    label.further = checker.GetStatistics().valid ? checker.GetStatistics().ToRecord() : tagFurtherRecord{};
    status_ = kStatusNone;
    return true;
}

}  // namespace DEC2DIvra
