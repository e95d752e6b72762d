#include "decoder/core/code_searcher_engine.h"

#include "decoder/core/bar_region_builder.h"
#include "decoder/core/code_searcher_candidate_order.h"
#include "decoder/core/dec2d_property.h"

namespace DEC2DIvra {

static_assert(CodeSearcherEngine::kSearchedRegions >=
                  CodeSearcherEngine::kHandyBudget * (CodeSearcherEngine::kVariants + 2),
              "every region tried in one image, and its label's, stays on the searched stack");

CodeSearcherEngine::CodeSearcherEngine(DEC2DProperty const& property)
    : property_(&property), searched_(VirtualArray<Region>(searchedBuffer_, kSearchedRegions))
{
}

Rectangle CodeSearcherEngine::CalcSearchArea(GrayImage const& image) const
{
    DecoderDetailProperty const& detail = property_->detail_of_decoder;
    Rectangle area;
    area.left = detail.search_margin_left.Get();
    area.top = detail.search_margin_top.Get();
    area.right = image.GetWidth() - 1 - static_cast<int>(detail.search_margin_right.Get());
    area.bottom = image.GetHeight() - 1 - static_cast<int>(detail.search_margin_bottom.Get());
    return area;
}

int CodeSearcherEngine::Start(GrayImage const& image, Region const& region, StackInterface<Region>& located)
{
    Rectangle const area = CalcSearchArea(image);
    if (image.GetPixels() == nullptr || area.right < area.left || area.bottom < area.top) {
        return 0;
    }
    return rows_.Start(image, area, region, located) != 0 ? 1 : 0;
}

int CodeSearcherEngine::Start(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders,
                              DecodedLabel& label, LabelOutlet& outlet)
{
    searched_.Clear();
    tried_ = 0;
    if (image.GetPixels() == nullptr) {
        return 0;
    }
    if (decoders.barCode != nullptr && SearchLinear(image, option, *decoders.barCode, label, outlet) != 0) {
        return 1;
    }
    return 0;
}

int CodeSearcherEngine::SearchLinear(GrayImage const& image, tagDecodeOption const& option,
                                     AbstractBarCodeDecoder& decoder, DecodedLabel& label, LabelOutlet& outlet)
{
    Rectangle const area = CalcSearchArea(image);
    unsigned stride = option.searchStep == 0 ? kDefaultStride : option.searchStep;
    stride = stride > kMaxStride ? kMaxStride : stride;
    if (area.right < area.left || area.bottom < area.top ||
        !field_.Start(image, area, BarOrientationField::kDefaultCellSide, stride)) {
        return 0;
    }
    field_.Classify(kEnergyFloor, kCoherenceFloor);
    grower_.Start(field_, kMinimumCells);
    unsigned const count = finder_.Start(image, field_, grower_, tuning_);
    BarRegionCandidate* candidates = finder_.GetCandidates();
    OrderBarRegionCandidates(candidates, count);

    bool const central = property_->detail_of_decoder.central_reading.Get();
    Rectangle const window{option.centralLeft, option.centralTop, option.centralRight, option.centralBottom};
    unsigned const budget = option.readMode == kReadModeMoving ? kMovingBudget : kHandyBudget;
    for (unsigned i = 0; i < count && tried_ < budget; ++i) {
        BarRegionCandidate const& candidate = candidates[i];
        if ((central && !IsOverlapping(candidate.region, window)) || searched_.IsIncluded(candidate.region)) {
            continue;
        }
        ++tried_;
        if (ReadCandidate(image, area, candidate, decoder, label) == 0) {
            continue;
        }
        searched_.Push(label.region);
        if (outlet.Offer(label)) {
            return 1;
        }
        if (ReadBesideLabel(image, area, candidate, budget, decoder, label, outlet) != 0) {
            return 1;
        }
    }
    return 0;
}

int CodeSearcherEngine::ReadBesideLabel(GrayImage const& image, Rectangle const& area,
                                        BarRegionCandidate const& candidate, unsigned budget,
                                        AbstractBarCodeDecoder& decoder, DecodedLabel& label, LabelOutlet& outlet)
{
    // Two labels side by side join into one candidate when their quiet zones
    // and the label edges between them fill the gap with edges; the rest of
    // the candidate beside the label read is then a candidate of its own
    // (inside the candidate's searched region, so not looked up there).
    long long low = 0;
    long long high = 0;
    for (unsigned k = 0; k < 4; ++k) {
        long long const s = candidate.axis.CalcS(label.region[k].x, label.region[k].y);
        low = k == 0 || s < low ? s : low;
        high = k == 0 || s > high ? s : high;
    }
    int const least = static_cast<int>(tuning_.minimumLength + 2 * candidate.quiet);
    BarRegionCandidate sides[2] = {candidate, candidate};
    sides[0].s1 = static_cast<int>(low);
    sides[1].s0 = static_cast<int>(high);
    for (BarRegionCandidate& side : sides) {
        if (side.s1 - side.s0 < least || tried_ >= budget ||
            !CalcBarRegionSubroutine().Start(side.axis, side.s0, side.s1, side.t0, side.t1, area, side.region)) {
            continue;
        }
        ++tried_;
        if (ReadCandidate(image, area, side, decoder, label) == 0) {
            continue;
        }
        searched_.Push(label.region);
        if (outlet.Offer(label)) {
            return 1;
        }
    }
    return 0;
}

int CodeSearcherEngine::ReadCandidate(GrayImage const& image, Rectangle const& area,
                                      BarRegionCandidate const& candidate, AbstractBarCodeDecoder& decoder,
                                      DecodedLabel& label)
{
    Region region = candidate.region;
    for (unsigned variant = 0; variant <= kVariants; ++variant) {
        if (variant > 0) {
            // A symbol seen without a label: its middle, with more room at
            // both ends, gives the lines another chance (and a pending
            // result its repeat).
            int const extra = static_cast<int>(candidate.quiet) * static_cast<int>(variant);
            int const trim = (candidate.t1 - candidate.t0) / 4;
            if (!CalcBarRegionSubroutine().Start(candidate.axis, candidate.s0 - extra, candidate.s1 + extra,
                                                 candidate.t0 + trim, candidate.t1 - trim, area, region)) {
                return 0;
            }
        }
        label.Clear();
        int const read = decoder.Start(image, region, kScanMode, label);
        searched_.Push(region);
        if (read != 0) {
            return 1;
        }
        if (decoder.GetStatus() != 1) {
            return 0;
        }
    }
    return 0;
}

}  // namespace DEC2DIvra
