#include "decoder/core/location/code_searcher_engine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/location/bar_region_builder.h"
#include "decoder/core/location/bulls_eye_reach.h"
#include "decoder/core/location/bulls_eye_rings.h"
#include "decoder/core/location/code_searcher_candidate_order.h"
#include "decoder/core/location/matrix_data_check.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/location/stacked_candidate_check.h"

#include <algorithm>
#include <iterator>
#include <cmath>
#include <cstdlib>

namespace DEC2DIvra {

static_assert(CodeSearcherEngine::kSearchedRegions >=
                  CodeSearcherEngine::kHandyBudget * (CodeSearcherEngine::kVariants + 2),
              "every region tried in one image, and its label's, stays on the searched stack");

CodeSearcherEngine::CodeSearcherEngine(DEC2DProperty const& property)
    : property_(&property), searched_(VirtualArray<Region>(searchedBuffer_, kSearchedRegions)),
      taken_(VirtualArray<Region>(takenBuffer_, kTakenRegions)),
      qrSearched_(VirtualArray<Region>(qrSearchedBuffer_, kStageRegions)),
      eyeSearched_(VirtualArray<Region>(eyeSearchedBuffer_, kStageRegions))
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

void CodeSearcherEngine::BeginImage()
{
    searched_.Clear();
    taken_.Clear();
    tried_ = 0;
    barCandidateCount_ = 0;
    barRegionsFound_ = false;
    qrFindersFound_ = false;
    qrTripleCount_ = 0;
    qrAloneCount_ = 0;
    bullsEyesFound_ = false;
    eyeParts_ = 0;
    otherPatternsFound_ = false;
    wholeSweepDone_ = false;
    seenStackedCount_ = 0;
    stackedRowCount_ = 0;
    stackedHanded_ = 0;
    deferredComponent_ = -1;
    for (bool& tried : stackedTried_) {
        tried = false;
    }
    stackedPatternSeen_ = -1;
    for (bool& deferred : eyeDeferred_) {
        deferred = false;
    }
    for (bool& deferred : linearDeferred_) {
        deferred = false;
    }
    eyesDeferred_ = 0;
    eyesHanded_ = 0;
    linearDeferredCount_ = 0;
    late_ = false;
    activeStage_ = CodeSearchStage::kLinear;
    matrixPartsRun_ = false;
    qrParts_ = 0;
    qrHanded_ = 0;
    lParts_ = 0;
    lHanded_ = 0;
    deferredLCount_ = 0;
    deferredLSeen_ = 0;
    qrTriedCount_ = 0;
    qrSearched_.Clear();
    eyeSearched_.Clear();
}

int CodeSearcherEngine::Start(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders,
                              DecodedLabel& label, LabelOutlet& outlet)
{
    BeginImage();
    if (decoders.lPattern != nullptr) {
        decoders.lPattern->OnNewImage();
    }
    if (image.GetPixels() == nullptr) {
        return 0;
    }
    static constexpr CodeSearchStage kOrder[] = {
        CodeSearchStage::kLinear,   CodeSearchStage::kStacked,      CodeSearchStage::kQRFinder,
        CodeSearchStage::kBullsEye, CodeSearchStage::kLPattern,     CodeSearchStage::kHanXinFinder,
        CodeSearchStage::kDot,
    };
    // The linear decoders' work over the image's regions is bounded from
    // here to the image's end.
    struct ImageScope {
        AbstractBarCodeDecoder* decoder;
        explicit ImageScope(AbstractBarCodeDecoder* d) : decoder(d)
        {
            if (decoder != nullptr) {
                decoder->OpenImage();
            }
        }
        ~ImageScope()
        {
            if (decoder != nullptr) {
                decoder->CloseImage();
            }
        }
        ImageScope(ImageScope const&) = delete;
        ImageScope& operator=(ImageScope const&) = delete;
    } const scope(decoders.barCode);
    for (CodeSearchStage const stage : kOrder) {
        if (RunStage(stage, image, option, decoders, label, outlet) != 0) {
            return 1;
        }
    }
    return 0;
}

bool CodeSearcherEngine::IsAztecWanted(DecoderSet const& decoders) const
{
    return decoders.region[DecoderSet::kAztec] != nullptr &&
           (property_->aztec_code.read.Get() || property_->aztec_code.read_runes.Get());
}

bool CodeSearcherEngine::IsWanted(CodeSearchStage stage, DecoderSet const& decoders) const
{
    DEC2DProperty const& p = *property_;
    switch (stage) {
    case CodeSearchStage::kLinear:
        return decoders.barCode != nullptr;
    case CodeSearchStage::kStacked:
        return decoders.stackCode != nullptr && (p.pdf417.read.Get() || p.micro_pdf417.read.Get());
    case CodeSearchStage::kQRFinder:
        return decoders.region[DecoderSet::kQRCode] != nullptr &&
               (p.qr_code.read.Get() || p.qr_code.read_micro_qr.Get());
    case CodeSearchStage::kBullsEye:
        return IsAztecWanted(decoders) || (decoders.matrixCode != nullptr && p.maxi_code.read.Get());
    case CodeSearchStage::kLPattern:
        return decoders.lPattern != nullptr && (p.data_matrix.read.Get() || p.data_matrix.read_ecc000_140.Get());
    case CodeSearchStage::kHanXinFinder:
        return decoders.matrixCode != nullptr && p.chinese_sensible_code.read.Get();
    case CodeSearchStage::kDot:
        return decoders.dot != nullptr && p.dot_code.read.Get();
    }
    return false;
}

int CodeSearcherEngine::RunStage(CodeSearchStage stage, GrayImage const& image, tagDecodeOption const& option,
                                 DecoderSet const& decoders, DecodedLabel& label, LabelOutlet& outlet)
{
    if (image.GetPixels() == nullptr || !IsWanted(stage, decoders)) {
        return 0;
    }
    activeStage_ = stage;
    switch (stage) {
    case CodeSearchStage::kLinear:
        return SearchLinear(image, option, decoders, label, outlet);
    case CodeSearchStage::kStacked:
        return SearchStacked(image, option, *decoders.stackCode, label, outlet);
    case CodeSearchStage::kQRFinder:
    case CodeSearchStage::kBullsEye:
        return SearchMatrixParts(image, option, decoders, label, outlet);
    case CodeSearchStage::kLPattern:
        if (SearchMatrixParts(image, option, decoders, label, outlet) != 0 ||
            SearchLPatternStage(image, option, decoders, label, outlet) != 0) {
            return 1;
        }
        activeStage_ = CodeSearchStage::kLPattern;
        return SearchDeferred(image, option, decoders, label, outlet);
    case CodeSearchStage::kHanXinFinder:
        FindMatrixCandidates(image, option, decoders, stage);
        return SearchHanXinFinders(image, option, *decoders.matrixCode, label, outlet);
    case CodeSearchStage::kDot:
        FindMatrixCandidates(image, option, decoders, stage);
        return SearchDots(image, *decoders.dot, label, outlet);
    }
    return 0;
}

void CodeSearcherEngine::FindBarRegions(GrayImage const& image, tagDecodeOption const& option)
{
    if (barRegionsFound_) {
        return;
    }
    barRegionsFound_ = true;
    barCandidateCount_ = 0;
    Rectangle const area = CalcSearchArea(image);
    unsigned stride = option.searchStep == 0 ? kDefaultStride : option.searchStep;
    stride = stride > kMaxStride ? kMaxStride : stride;
    if (area.right < area.left || area.bottom < area.top ||
        !field_.Start(image, area, BarOrientationField::kDefaultCellSide, stride)) {
        return;
    }
    field_.Classify(kEnergyFloor, kCoherenceFloor);
    grower_.Start(field_, kMinimumCells);
    barCandidateCount_ = finder_.Start(image, field_, grower_, tuning_);
    OrderBarRegionCandidates(finder_.GetCandidates(), barCandidateCount_);
}

void CodeSearcherEngine::FindMatrixCandidates(GrayImage const& image, tagDecodeOption const& option,
                                              DecoderSet const& decoders, CodeSearchStage stage)
{
    if (stage == CodeSearchStage::kQRFinder) {
        if (IsWanted(CodeSearchStage::kQRFinder, decoders)) {
            while (SweepQRPart(image, option)) {
            }
        }
        return;
    }
    if (stage == CodeSearchStage::kBullsEye) {
        while (SweepBullsEyePart(image, option, decoders)) {
        }
        return;
    }
    if (wholeSweepDone_) {
        return;
    }
    wholeSweepDone_ = true;
    // A sweep after another one of this frame takes the block measures of
    // the rows that one cut.
    MatrixCandidateFinder::Wanted wanted;
    wanted.sameImage = qrParts_ > 0 || eyeParts_ > 0 || otherPatternsFound_;
    otherPatternsFound_ = true;
    wanted.blurredMaxiCentres = decoders.matrixCode != nullptr && property_->maxi_code.read.Get();
    // L patterns swept part by part before are not gathered again.
    wanted.lPatterns = IsWanted(CodeSearchStage::kLPattern, decoders) && lParts_ == 0;
    wanted.hanXinFinders = IsWanted(CodeSearchStage::kHanXinFinder, decoders);
    wanted.dots = IsWanted(CodeSearchStage::kDot, decoders);
    unsigned stride = option.searchStep == 0 ? kRowStride : option.searchStep;
    stride = stride > kMaxStride ? kMaxStride : stride;
    matrix_.Start(image, CalcSearchArea(image), stride, wanted);
}

MatrixCandidateFinder::Wanted CodeSearcherEngine::GetGridPart(GrayImage const& image, tagDecodeOption const& option,
                                                             unsigned offset, bool laterPart, Rectangle& area,
                                                             unsigned& stride) const
{
    stride = option.searchStep == 0 ? kRowStride : option.searchStep;
    stride = stride > kMaxStride ? kMaxStride : stride;
    Rectangle const whole = CalcSearchArea(image);
    area = whole;
    area.top += static_cast<int>(offset * stride);
    MatrixCandidateFinder::Wanted wanted;
    wanted.sameImage = qrParts_ > 0 || eyeParts_ > 0 || otherPatternsFound_;
    wanted.laterPart = laterPart;
    wanted.gridTop = whole.top;
    wanted.gridStride = stride;
    return wanted;
}

bool CodeSearcherEngine::SweepQRPart(GrayImage const& image, tagDecodeOption const& option)
{
    if (qrParts_ >= kQRParts) {
        return false;
    }
    Rectangle area;
    unsigned stride = 0;
    MatrixCandidateFinder::Wanted wanted = GetGridPart(image, option, qrParts_, qrParts_ > 0, area, stride);
    wanted.qrFinders = true;
    ++qrParts_;
    // The finders of any part swept tell which regions lie in a QR symbol.
    qrFindersFound_ = true;
    // An empty part (a search area of few rows) keeps the list as it is.
    if (area.top <= area.bottom) {
        matrix_.Start(image, area, kQRParts * stride, wanted);
    }
    ListQRTriples(image);
    return true;
}

bool CodeSearcherEngine::SweepBullsEyePart(GrayImage const& image, tagDecodeOption const& option,
                                           DecoderSet const& decoders)
{
    static constexpr unsigned kOffsets[kBullsEyeSweeps] = {0, 2, 1, 3};
    if (eyeParts_ >= kBullsEyeSweeps) {
        return false;
    }
    Rectangle area;
    unsigned stride = 0;
    MatrixCandidateFinder::Wanted wanted =
        GetGridPart(image, option, kOffsets[eyeParts_], eyeParts_ > 0, area, stride);
    wanted.bullsEyes = IsWanted(CodeSearchStage::kBullsEye, decoders);
    wanted.blurredMaxiCentres = decoders.matrixCode != nullptr && property_->maxi_code.read.Get();
    ++eyeParts_;
    bullsEyesFound_ = eyeParts_ == kBullsEyeSweeps;
    // An empty part (a search area of few rows) keeps the lists as they are.
    if (area.top <= area.bottom) {
        matrix_.Start(image, area, kBullsEyeSweeps * stride, wanted);
    }
    // Merged sightings move: their reaches are measured again.
    for (int& reach : bullsEyeReach_) {
        reach = -1;
    }
    return true;
}

unsigned CodeSearcherEngine::GetStageBudget(tagDecodeOption const& option) const
{
    return option.readMode == kReadModeMoving ? kMovingStageBudget : kStageBudget;
}

bool CodeSearcherEngine::IsFree(Point const& point, unsigned stageFirst) const
{
    return !taken_.IsIncluded(point) && !searched_.IsIncluded(point, stageFirst);
}

template <class Decoder>
int CodeSearcherEngine::ReadRegion(Decoder& decoder, GrayImage const& image, Region const& region,
                                   DecodedLabel& label)
{
    label.Clear();
    int const read = decoder.Start(image, region, label);
    searched_.Push(region);
    return read;
}

bool CodeSearcherEngine::Deliver(DecodedLabel& label, LabelOutlet& outlet)
{
    taken_.Push(label.region);
    searched_.Push(label.region);
    return outlet.Offer(label);
}

int CodeSearcherEngine::SearchLinear(GrayImage const& image, tagDecodeOption const& option,
                                     DecoderSet const& decoders, DecodedLabel& label, LabelOutlet& outlet)
{
    AbstractBarCodeDecoder& decoder = *decoders.barCode;
    AbstractCompositeCodeDecoder* const composite = decoders.composite;
    lateLinearRun_ = IsWanted(CodeSearchStage::kLPattern, decoders);
    AbstractStackCodeDecoder* const stacked =
        IsWanted(CodeSearchStage::kStacked, decoders) ? decoders.stackCode : nullptr;
    FindBarRegions(image, option);
    BarRegionCandidate* candidates = finder_.GetCandidates();
    Rectangle const area = CalcSearchArea(image);
    bool const central = property_->detail_of_decoder.central_reading.Get();
    Rectangle const window{option.centralLeft, option.centralTop, option.centralRight, option.centralBottom};
    unsigned const budget = option.readMode == kReadModeMoving ? kMovingBudget : kHandyBudget;
    unsigned const stackedBudget = GetStageBudget(option);
    bool const micro = property_->micro_pdf417.read.Get();
    bool const composites = composite != nullptr && property_->composite.read.Get();
    for (unsigned i = 0; i < barCandidateCount_ && tried_ < budget; ++i) {
        BarRegionCandidate const& candidate = candidates[i];
        if (late_ != linearDeferred_[i]) {
            continue;
        }
        bool const searched = late_ ? taken_.IsIncluded(candidate.region) ||
                                          searched_.IsIncluded(candidate.region.CalcCenterPoint(), lateFirst_)
                                    : candidate.deferred ? taken_.IsIncluded(candidate.region)
                                                         : searched_.IsIncluded(candidate.region);
        if ((central && !IsOverlapping(candidate.region, window)) || searched) {
            continue;
        }
        // A region that shows a PDF417 start or stop pattern, or with
        // MicroPDF417 read a column of row address patterns at its rows' ends,
        // and whose lines across show differing rows goes to the stacked
        // decoder before the linear ones: their trials over a stacked
        // symbol's rows cost many times its read, and now and then one of
        // them takes a row's bars for a linear symbol. A region it reads
        // nothing in goes on to the linear decoders as any other. With
        // composites read, a region in which lines beside the start or stop
        // pattern read alike holds a composite's linear part below its PDF417
        // 2D part: the linear label goes first, and the composite reader
        // reads the 2D part (the stacked read around a label guards against
        // a stacked symbol's bars read as one).
        if (stacked && !stackedTried_[i] && stackedHanded_ < stackedBudget &&
            ((IsStackedCandidate(image, candidate) && HasDifferingRows(image, candidate) &&
              !(composites && HoldsBarsBesideStartOrStop(image, candidate))) ||
             (micro && ShowsRowAddressPatterns(image, candidate) && HasDifferingRowAddressRows(image, candidate)))) {
            Handed const handed = HandToStacked(*stacked, image, i, !composites, label, outlet);
            if (handed == Handed::kTaken) {
                return 1;
            }
            if (handed == Handed::kDone) {
                continue;
            }
        }
        // Data Matrix data makes bar-like regions too, and has no finder
        // for the sweeps below: a region that looks like matrix data, or runs
        // along a symbol's clock track, waits until the L-pattern stage has
        // had the frame. A region whose lines across disagreed and that has
        // as few edges as a matrix symbol's data make along it often reaches
        // past a keystoned symbol into its quiet zone: a third of its lines
        // changing as matrix data do, three times at least, puts it off too
        // (the lines across a narrow DataBar Stacked region change twice,
        // from row to separator to row).
        if (!late_ && !stackedTried_[i] && IsWanted(CodeSearchStage::kLPattern, decoders) &&
            (LooksLikeMatrixData(image, candidate) || LiesAlongClockTrack(image, candidate) ||
             (!candidate.steady && candidate.edges <= kMatrixRegionEdges &&
              LooksLikeMatrixData(image, candidate, kMatrixDataLines / 3, kMatrixDataLeastChanges + 1)))) {
            // A keystoned PDF417 symbol's codewords pass for matrix data too:
            // a region whose lines across its own reach meet a start or stop
            // pattern goes to the stacked decoder before it waits. One read
            // there as nothing waits all the same.
            if (stacked && !composites && stackedHanded_ < stackedBudget && property_->pdf417.read.Get() &&
                GlancesStartOrStop(*stacked, image, candidate.region, true)) {
                Handed const handed = HandToStacked(*stacked, image, i, true, label, outlet);
                if (handed == Handed::kTaken) {
                    return 1;
                }
                if (handed == Handed::kDone) {
                    continue;
                }
            }
            linearDeferred_[i] = true;
            ++linearDeferredCount_;
            continue;
        }
        // A QR or Aztec symbol's data makes bar-like regions that cost the
        // linear decoders many milliseconds each: once a region gave no label
        // (a bar code's own is mostly the first), the QR finders and the
        // bull's-eyes are swept (for stages 3 and 4, which use them again)
        // and regions inside a symbol they span are left out. The first
        // region, too, when it has as few edges as a matrix symbol's data
        // make along a region.
        if ((tried_ > 0 || candidate.edges <= kMatrixRegionEdges) &&
            LiesInMatrixSymbol(image, option, decoders, candidate.region, true)) {
            continue;
        }
        // A keystoned PDF417 symbol breaks into regions whose profile shows
        // neither edge column, at odd angles to its rows; the linear decoders
        // spend tens of milliseconds on each. A region whose lines across
        // differ and whose search lines, run across the frame, meet a start
        // or stop pattern (the same in every row, so met at any angle) goes
        // to the stacked decoder first: where it finds a start or stop
        // column and no label, the region is a stacked symbol's, not a linear
        // one's. Composites keep the road above: their linear part lies
        // beside a PDF417 2D part.
        if (stacked && !composites && !stackedTried_[i] && stackedHanded_ < stackedBudget &&
            property_->pdf417.read.Get() && HasDifferingRows(image, candidate) &&
            GlancesStartOrStop(*stacked, image, candidate.region, false)) {
            Handed const handed = HandToStacked(*stacked, image, i, true, label, outlet);
            if (handed == Handed::kTaken) {
                return 1;
            }
            if (handed == Handed::kDone) {
                continue;
            }
        }
        ++tried_;
        if (ReadCandidate(image, area, candidate, decoder, label) == 0) {
            continue;
        }
        Offered const offered = OfferLinearLabel(image, option, decoders, i, candidate.region, label, outlet);
        if (offered == Offered::kTaken) {
            return 1;
        }
        if (offered == Offered::kWithheld) {
            continue;
        }
        if (ReadBesideLabel(image, area, option, decoders, i, budget, label, outlet) != 0) {
            return 1;
        }
    }
    // The 2D part put off above, unless a joined label holds it.
    if (deferredComponent_ >= 0) {
        Region const region = candidates[deferredComponent_].region;
        deferredComponent_ = -1;
        if (stacked != nullptr && !taken_.IsIncluded(region.CalcCenterPoint()) &&
            ReadStacked(*stacked, image, region, label) != 0 && Deliver(label, outlet)) {
            return 1;
        }
    }
    return 0;
}

bool CodeSearcherEngine::IsLinkedComponent(DecodedLabel const& label)
{
    SymbologyIdentifier const& id = label.identifier;
    return (id.GetSymbology() == SYMBOLOGY_PDF417 && id.GetModifierBit(8)) ||
           (id.GetSymbology() == SYMBOLOGY_MICRO_PDF417 && (id.GetModifierBit(9) || id.GetModifierBit(10)));
}

CodeSearcherEngine::Offered CodeSearcherEngine::OfferLinearLabel(GrayImage const& image,
                                                                  tagDecodeOption const& option,
                                                                  DecoderSet const& decoders, unsigned i,
                                                                  Region const& region, DecodedLabel& label,
                                                                  LabelOutlet& outlet)
{
    AbstractCompositeCodeDecoder* const composite = decoders.composite;
    AbstractStackCodeDecoder* const stacked =
        IsWanted(CodeSearchStage::kStacked, decoders) ? decoders.stackCode : nullptr;
    bool const composites = composite != nullptr && property_->composite.read.Get();
    // UPC-E and EAN-8 carry one check digit: a QR symbol's data passes for
    // one now and then. No bar code lies inside a QR symbol.
    unsigned const symbology = label.identifier.GetSymbology();
    if ((symbology == SYMBOLOGY_UPCE || symbology == SYMBOLOGY_EAN8) &&
        LiesInMatrixSymbol(image, option, decoders, region, false)) {
        return Offered::kWithheld;
    }
    // A PDF417 row met by a linear decoder is no label: the stacked stage
    // reads the region.
    if (label.identifier.GetSymbology() == SYMBOLOGY_PDF417 && label.data.GetCount() == 0) {
        if (!stackedTried_[i] && stackedRowCount_ < kSeenStackedRegions) {
            stackedRows_[stackedRowCount_++] = region;
        }
        return Offered::kWithheld;
    }
    // The codeword bars of a PDF417 or MicroPDF417 symbol pass for a short
    // linear label now and then. No bar code lies inside a stacked symbol:
    // one read from the same region whose outline holds the label is
    // offered instead. A composite's linear part lies beside its 2D part.
    // A region the stacked decoder read nothing in already is not read
    // again. A Code 128 label that carries a composite's linkage goes to
    // the composite reader instead, which reads the 2D part beside it (a
    // PDF417 one included) or withholds it: no stacked symbol's bars pass
    // for a linear label that has a 2D part of its own beside it.
    if (stacked != nullptr && !stackedTried_[i] && MayHoldStackedSymbol(image) &&
        !(composites && !property_->composite.ignore_link_flag.Get() && IsCompositeLinearPart(label)) &&
        ReadsStackedAround(image, *stacked, region, label)) {
        return Deliver(stackedLabel_, outlet) ? Offered::kTaken : Offered::kWithheld;
    }
    // The composite reader joins a 2D component to the label, or withholds it.
    if (composite != nullptr && composite->Start(image, label) == 0) {
        return Offered::kWithheld;
    }
    return Deliver(label, outlet) ? Offered::kTaken : Offered::kOffered;
}

CodeSearcherEngine::Handed CodeSearcherEngine::HandToStacked(AbstractStackCodeDecoder& decoder, GrayImage const& image,
                                                             unsigned i, bool spareLinear, DecodedLabel& label,
                                                             LabelOutlet& outlet)
{
    stackedTried_[i] = true;
    ++stackedHanded_;
    if (ReadStacked(decoder, image, finder_.GetCandidates()[i].region, label) != 0) {
        // A composite's 2D part read alone (its link ignored) waits until the
        // linear decoders have had the frame: its linear part, read beside
        // it, gives the joined label first.
        if (IsLinkedComponent(label) && deferredComponent_ < 0) {
            deferredComponent_ = static_cast<int>(i);
            return Handed::kOnward;
        }
        return Deliver(label, outlet) ? Handed::kTaken : Handed::kDone;
    }
    if (!spareLinear || !ShowedPdfColumns(decoder) || !lateLinearRun_) {
        return Handed::kOnward;
    }
    // PDF417 columns seen and no label: the linear decoders get the region
    // after the matrix stages, not before them. Under noise or light-on-dark
    // a DataBar Expanded Stacked symbol's bars can pass for both columns.
    linearDeferred_[i] = true;
    ++linearDeferredCount_;
    return Handed::kDone;
}

int CodeSearcherEngine::SearchStacked(GrayImage const& image, tagDecodeOption const& option,
                                      AbstractStackCodeDecoder& decoder, DecodedLabel& label, LabelOutlet& outlet)
{
    FindBarRegions(image, option);
    unsigned const first = searched_.GetCount();
    unsigned const budget = GetStageBudget(option);
    // The regions the linear stage handed over count against the budget.
    unsigned handed = stackedHanded_;
    BarRegionCandidate const* candidates = finder_.GetCandidates();
    // The regions where a linear decoder met a PDF417 row first, then the
    // bar-like regions whose profile shows a start or stop pattern, then (for
    // MicroPDF417, which has neither) the other bar-like regions.
    bool const micro = property_->micro_pdf417.read.Get();
    unsigned const total = stackedRowCount_ + barCandidateCount_ * (micro ? 2u : 1u);
    for (unsigned i = 0; i < total && handed < budget; ++i) {
        bool const fromRow = i < stackedRowCount_;
        bool const rest = i >= stackedRowCount_ + barCandidateCount_;
        unsigned const c = rest ? i - stackedRowCount_ - barCandidateCount_ : i - stackedRowCount_;
        Region const& region = fromRow ? stackedRows_[i] : candidates[c].region;
        // A region the linear stage handed over already is not read again;
        // no stacked symbol lies inside a QR symbol whose finders the
        // linear stage has already found.
        if ((!fromRow && stackedTried_[c]) || !IsFree(region.CalcCenterPoint(), first) ||
            (!fromRow && IsStackedCandidate(image, candidates[c]) == rest) ||
            (!fromRow && qrFindersFound_ && IsInsideQRSymbol(region.CalcCenterPoint()))) {
            continue;
        }
        ++handed;
        if (ReadStacked(decoder, image, region, label) != 0 && Deliver(label, outlet)) {
            return 1;
        }
    }
    return 0;
}

int CodeSearcherEngine::ReadStacked(AbstractStackCodeDecoder& decoder, GrayImage const& image, Region const& region,
                                    DecodedLabel& label)
{
    decoder.SetInput(0);
    if (ReadRegion(decoder, image, region, label) != 0) {
        return 1;
    }
    unsigned const seen = decoder.GetSeenSymbol();
    if ((seen == AbstractStackCodeDecoder::kSeenSymbol || seen == AbstractStackCodeDecoder::kSeenComponent) &&
        seenStackedCount_ < kSeenStackedRegions) {
        seenStacked_[seenStackedCount_++] = region;
    }
    return 0;
}

bool CodeSearcherEngine::GlancesStartOrStop(AbstractStackCodeDecoder& decoder, GrayImage const& image,
                                            Region const& region, bool near)
{
    DecodedLabel unused;
    decoder.SetInput(near ? AbstractStackCodeDecoder::kInputGlanceNear : AbstractStackCodeDecoder::kInputGlance);
    decoder.Start(image, region, unused);
    decoder.SetInput(AbstractStackCodeDecoder::kInputRead);
    return decoder.GetSeenSymbol() == AbstractStackCodeDecoder::kSeenPattern;
}

bool CodeSearcherEngine::ShowedPdfColumns(AbstractStackCodeDecoder const& decoder)
{
    unsigned const seen = decoder.GetSeenSymbol();
    return seen == AbstractStackCodeDecoder::kSeenSymbol || seen == AbstractStackCodeDecoder::kSeenColumn;
}

bool CodeSearcherEngine::MayHoldStackedSymbol(GrayImage const& image)
{
    // A MicroPDF417 symbol has neither pattern to look for.
    if (property_->micro_pdf417.read.Get() || stackedRowCount_ > 0) {
        return true;
    }
    if (stackedPatternSeen_ < 0) {
        stackedPatternSeen_ = 0;
        BarRegionCandidate const* candidates = finder_.GetCandidates();
        for (unsigned i = 0; i < barCandidateCount_ && stackedPatternSeen_ == 0; ++i) {
            stackedPatternSeen_ = IsStackedCandidate(image, candidates[i]) ? 1 : 0;
        }
    }
    return stackedPatternSeen_ == 1;
}

bool CodeSearcherEngine::IsCompositeLinearPart(DecodedLabel const& label)
{
    SymbologyIdentifier const& id = label.identifier;
    return id.GetSymbology() == SYMBOLOGY_CODE128 && (id.GetModifierBit(8) || id.GetModifierBit(9));
}

bool CodeSearcherEngine::ReadsStackedAround(GrayImage const& image, AbstractStackCodeDecoder& decoder,
                                            Region const& region, DecodedLabel const& label)
{
    // The region is not marked searched: the stacked stage may still read it
    // (a symbol beside the label, such as a composite's 2D part, is left to
    // the readers that join it).
    stackedLabel_.Clear();
    decoder.SetInput(0);
    if (decoder.Start(image, region, stackedLabel_) == 0) {
        return false;
    }
    return Geometry::IsIncluding(stackedLabel_.region, label.region.CalcCenterPoint());
}

bool CodeSearcherEngine::IsGappedQRPair(GrayImage const& image, FinderSighting const& a, FinderSighting const& b)
{
    int const dx = b.centre.x - a.centre.x;
    int const dy = b.centre.y - a.centre.y;
    int const steps = std::max(std::abs(dx), std::abs(dy));
    // Perspective shrinks one finder's module against the other's: the
    // larger one measures the run.
    int const module = std::max(1, std::max(a.module, b.module));
    if (steps <= 12 * module || image.GetPixels() == nullptr) {
        return false;
    }
    // The threshold halfway between the darkest and lightest pixel met.
    int low = 1023;
    int high = 0;
    for (int i = 0; i <= steps; ++i) {
        int const v = image.AtClamped(a.centre.x + dx * i / steps, a.centre.y + dy * i / steps);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    int const threshold = (low + high) / 2;
    int run = 0;
    for (int i = 0; i <= steps; ++i) {
        int const v = image.AtClamped(a.centre.x + dx * i / steps, a.centre.y + dy * i / steps);
        bool const background = a.dark != 0 ? v >= threshold : v < threshold;
        run = background ? run + 1 : 0;
        if (run > 12 * module) {
            return true;
        }
    }
    return false;
}

void CodeSearcherEngine::ListQRTriples(GrayImage const& image)
{
    FinderSighting const* finders = matrix_.GetQRFinders();
    unsigned const count = matrix_.GetQRFinderCount();
    // Three finders at the corners of a right angle: a, with b and c equally
    // far and square to each other, of like module and polarity. Triples
    // whose weakest finder was seen on most rows go first (a pattern met on
    // few rows is more often a chance run of data modules), and among those
    // the widest: a large symbol's data and alignment patterns make smaller
    // triples inside it.
    QRTriple* const triples = qrTriples_;
    unsigned& tripleCount = qrTripleCount_;
    tripleCount = 0;
    // From each a, the offsets to every finder, worked out once for all
    // its pairs.
    long long dx[MatrixCandidateFinder::kMaxFinders];
    long long dy[MatrixCandidateFinder::kMaxFinders];
    long long d2[MatrixCandidateFinder::kMaxFinders];
    // The finders that may share a triple with a (of its polarity, and of
    // a module within three times its own), in their order.
    unsigned char partners[MatrixCandidateFinder::kMaxFinders];
    for (unsigned a = 0; a < count; ++a) {
        FinderSighting const& fa = finders[a];
        unsigned partnerCount = 0;
        for (unsigned k = 0; k < count; ++k) {
            FinderSighting const& fk = finders[k];
            int const low = fa.module < fk.module ? fa.module : fk.module;
            int const high = fa.module > fk.module ? fa.module : fk.module;
            if (k == a || fa.dark != fk.dark || high > 3 * low) {
                continue;
            }
            dx[k] = fk.centre.x - fa.centre.x;
            dy[k] = fk.centre.y - fa.centre.y;
            d2[k] = dx[k] * dx[k] + dy[k] * dy[k];
            partners[partnerCount++] = static_cast<unsigned char>(k);
        }
        for (unsigned i = 0; i < partnerCount; ++i) {
            unsigned const b = partners[i];
            FinderSighting const& fb = finders[b];
            int const pairLow = fa.module < fb.module ? fa.module : fb.module;
            int const pairHigh = fa.module > fb.module ? fa.module : fb.module;
            long long const abx = dx[b];
            long long const aby = dy[b];
            long long const ab2 = d2[b];
            for (unsigned j = i + 1; j < partnerCount; ++j) {
                unsigned const c = partners[j];
                FinderSighting const& fc = finders[c];
                long long const ac2 = d2[c];
                // Legs of one length first: most pairs fail there.
                if (ab2 > ac2 * 2 || ac2 > ab2 * 2) {
                    continue;
                }
                int const low = pairLow < fc.module ? pairLow : fc.module;
                int const high = pairHigh > fc.module ? pairHigh : fc.module;
                long long const acx = dx[c];
                long long const acy = dy[c];
                long long const dot = abx * acx + aby * acy;
                // Version 1 finders lie 14 modules apart, and a finder's
                // module measured along rows and columns grows by up to 1.41
                // when the symbol is turned. Perspective lengthens one leg
                // against the other and opens or closes the angle between them.
                long long const reach = 9LL * low;
                if (high > 3 * low || ab2 < reach * reach || ac2 < reach * reach || dot * dot * 5 > ab2 * ac2) {
                    continue;
                }
                unsigned weakest = fa.rows < fb.rows ? fa.rows : fb.rows;
                weakest = fc.rows < weakest ? fc.rows : weakest;
                // Symbols side by side make wide triples of finders of
                // different symbols, with quiet zones between them: those
                // go after the triples of one symbol each.
                bool const gapped = IsGappedQRPair(image, fa, fb) || IsGappedQRPair(image, fa, fc);
                QRTriple const t{static_cast<unsigned char>(a), static_cast<unsigned char>(b),
                                 static_cast<unsigned char>(c), weakest > 4 ? 4u : weakest, ab2 + ac2, gapped};
                // Kept in order, strongest first; a full list drops the weakest.
                unsigned at = tripleCount < kMaxQRTriples ? tripleCount++ : kMaxQRTriples;
                auto before = [](QRTriple const& p, QRTriple const& q) {
                    if (p.gapped != q.gapped) {
                        return !p.gapped;
                    }
                    return p.rows > q.rows || (p.rows == q.rows && p.span > q.span);
                };
                while (at > 0 && before(t, triples[at - 1])) {
                    if (at < kMaxQRTriples) {
                        triples[at] = triples[at - 1];
                    }
                    --at;
                }
                if (at < kMaxQRTriples) {
                    triples[at] = t;
                }
            }
        }
    }
}

bool CodeSearcherEngine::IsInsideQRSymbol(Point const& point) const
{
    FinderSighting const* finders = matrix_.GetQRFinders();
    for (unsigned i = 0; i < qrTripleCount_; ++i) {
        FinderSighting const& a = finders[qrTriples_[i].a];
        FinderSighting const& b = finders[qrTriples_[i].b];
        FinderSighting const& c = finders[qrTriples_[i].c];
        if (a.square == 0 || b.square == 0 || c.square == 0) {
            continue;
        }
        // The point as a + s (b - a) + t (c - a). The finder centres lie 3.5
        // modules inside the symbol's edges, and under perspective its far
        // corner is not b + c - a: s and t may pass 0 and 1 by that much.
        double const bx = b.centre.x - a.centre.x;
        double const by = b.centre.y - a.centre.y;
        double const cx = c.centre.x - a.centre.x;
        double const cy = c.centre.y - a.centre.y;
        double const px = point.x - a.centre.x;
        double const py = point.y - a.centre.y;
        double const det = bx * cy - by * cx;
        if (det == 0.0) {
            continue;
        }
        double const s = (px * cy - py * cx) / det;
        double const t = (bx * py - by * px) / det;
        int const module = a.module < b.module ? (a.module < c.module ? a.module : c.module)
                                               : (b.module < c.module ? b.module : c.module);
        double const sMargin = 3.5 * module / std::sqrt(bx * bx + by * by);
        double const tMargin = 3.5 * module / std::sqrt(cx * cx + cy * cy);
        if (s >= -sMargin && s <= 1.0 + sMargin && t >= -tMargin && t <= 1.0 + tMargin) {
            return true;
        }
    }
    return false;
}

bool CodeSearcherEngine::IsInsideAztecSymbol(GrayImage const& image, Point const& point)
{
    FinderSighting const* eyes = matrix_.GetBullsEyes();
    for (unsigned i = 0; i < matrix_.GetBullsEyeCount(); ++i) {
        FinderSighting const& eye = eyes[i];
        if (eye.kind != MatrixCandidateFinder::kAztec) {
            continue;
        }
        if (bullsEyeReach_[i] < 0) {
            bullsEyeReach_[i] = MeasureBullsEyeReach(image, eye);
        }
        int const reach = bullsEyeReach_[i];
        int const dx = point.x - eye.centre.x;
        int const dy = point.y - eye.centre.y;
        if (dx <= reach && -dx <= reach && dy <= reach && -dy <= reach) {
            return true;
        }
    }
    return false;
}

bool CodeSearcherEngine::LiesInMatrixSymbol(GrayImage const& image, tagDecodeOption const& option,
                                            DecoderSet const& decoders, Region const& region, bool aztec)
{
    Point const centre = region.CalcCenterPoint();
    bool const qr = IsWanted(CodeSearchStage::kQRFinder, decoders);
    bool const eyes = aztec && IsAztecWanted(decoders);
    // The QR-finder and bull's-eye sweeps go on part by part, in the order
    // of their stages, only until a symbol their finders span holds the
    // region: a region of a symbol's data mostly lies in one the first part
    // finds; one that lies in none takes the whole sweeps.
    for (unsigned part = 0; part < kMatrixParts && (qr || eyes); ++part) {
        if (qr) {
            while (qrParts_ < QRPartsFor(part) && SweepQRPart(image, option)) {
            }
            if (IsInsideQRSymbol(centre)) {
                return true;
            }
        }
        if (eyes) {
            while (eyeParts_ <= part && SweepBullsEyePart(image, option, decoders)) {
            }
            if (IsInsideAztecSymbol(image, centre)) {
                return true;
            }
        }
    }
    return false;
}

int CodeSearcherEngine::SearchMatrixParts(GrayImage const& image, tagDecodeOption const& option,
                                          DecoderSet const& decoders, DecodedLabel& label, LabelOutlet& outlet)
{
    if (matrixPartsRun_) {
        return 0;
    }
    matrixPartsRun_ = true;
    bool const qr = IsWanted(CodeSearchStage::kQRFinder, decoders);
    bool const eyes = IsWanted(CodeSearchStage::kBullsEye, decoders);
    // The L patterns are swept part by part, whatever other finders are
    // wanted (a whole sweep lists a cluttered frame's corners in row order,
    // and those spent the stage's budget before the symbol's L came up),
    // unless a whole sweep of this frame listed them already.
    bool const ls = IsWanted(CodeSearchStage::kLPattern, decoders) && !(wholeSweepDone_ && lParts_ == 0);
    // Each stage keeps its own budget over all parts, and only what it
    // handed on itself keeps its later candidates away.
    qrHanded_ = 0;
    eyesHanded_ = 0;
    for (unsigned part = 0; part < kMatrixParts; ++part) {
        // Parts swept before (for the linear stage) are tried together. A
        // part that shows a QR triple (or with Micro QR read, a finder seen
        // on two rows) not read has the QR stage sweep and try the rest
        // before the other stages' turns: the frame holds a QR symbol most
        // likely, whose finders' corners pass for L patterns too, and its
        // data for bull's-eyes now and then.
        if (qr) {
            activeStage_ = CodeSearchStage::kQRFinder;
            while (qrParts_ < QRPartsFor(part) && SweepQRPart(image, option)) {
            }
            if (SearchQRFinders(image, option, *decoders.region[DecoderSet::kQRCode], label, outlet) != 0) {
                return 1;
            }
            if (qrParts_ < kQRParts && ShowsQRSymbol()) {
                while (SweepQRPart(image, option)) {
                }
                if (SearchQRFinders(image, option, *decoders.region[DecoderSet::kQRCode], label, outlet) != 0) {
                    return 1;
                }
            }
        }
        if (eyes) {
            activeStage_ = CodeSearchStage::kBullsEye;
            while (eyeParts_ <= part && SweepBullsEyePart(image, option, decoders)) {
            }
            if (SearchBullsEyes(image, option, decoders, label, outlet) != 0) {
                return 1;
            }
        }
        if (ls) {
            activeStage_ = CodeSearchStage::kLPattern;
            if (SearchLPatternParts(image, option, decoders, label, outlet,
                                    (part + 1) * (kLPatternSweeps / kMatrixParts)) != 0) {
                return 1;
            }
        }
    }
    if (eyes && IsAztecWanted(decoders)) {
        activeStage_ = CodeSearchStage::kBullsEye;
        return SearchFaintBullsEyes(image, option, decoders, label, outlet);
    }
    return 0;
}

int CodeSearcherEngine::SearchFaintBullsEyes(GrayImage const& image, tagDecodeOption const& option,
                                             DecoderSet const& decoders, DecodedLabel& label, LabelOutlet& outlet)
{
    // A small symbol printed pale and seen through heavy noise swings less
    // than the sweeps take for contrast: its bull's-eye's rows are cut
    // once more at a lower floor, after every part's candidates had their
    // turn, and the sightings they add are tried in the stage's budget.
    unsigned stride = option.searchStep == 0 ? kRowStride : option.searchStep;
    stride = stride > kMaxStride ? kMaxStride : stride;
    unsigned const listed = matrix_.GetBullsEyeCount();
    matrix_.SweepFaintBullsEyes(image, CalcSearchArea(image), stride);
    if (matrix_.GetBullsEyeCount() == listed) {
        return 0;
    }
    for (int& reach : bullsEyeReach_) {
        reach = -1;
    }
    return SearchBullsEyes(image, option, decoders, label, outlet);
}

int CodeSearcherEngine::SearchQRFinders(GrayImage const& image, tagDecodeOption const& option,
                                        AbstractRegionDecoder& decoder, DecodedLabel& label, LabelOutlet& outlet)
{
    FinderSighting const* finders = matrix_.GetQRFinders();
    unsigned const count = matrix_.GetQRFinderCount();
    unsigned const budget = GetStageBudget(option);
    unsigned& handed = qrHanded_;
    QRTriple const* triples = qrTriples_;
    unsigned const tripleCount = qrTripleCount_;
    bool const whole = qrParts_ >= kQRParts;
    for (unsigned i = 0; i < tripleCount && handed < budget; ++i) {
        // Before the whole sweep only triples of square finders are tried:
        // a large symbol's data (and an Aztec symbol's) makes many triples
        // of chance runs, which the first part would spend the budget on
        // before its own finders' rows are swept.
        if (!whole && !IsSquareTriple(triples[i])) {
            continue;
        }
        Point const& pa = finders[triples[i].a].centre;
        Point const& pb = finders[triples[i].b].centre;
        Point const& pc = finders[triples[i].c].centre;
        bool const clockwise = static_cast<long long>(pb.x - pa.x) * (pc.y - pa.y) -
                                   static_cast<long long>(pb.y - pa.y) * (pc.x - pa.x) >
                               0;
        Point const& right = clockwise ? pb : pc;
        Point const& down = clockwise ? pc : pb;
        Region region;
        region.corner[0] = pa;
        region.corner[1] = right;
        region.corner[2] = Point{right.x + down.x - pa.x, right.y + down.y - pa.y};
        region.corner[3] = down;
        // Only a label read blocks a triple: a wrong triple tried before may
        // well cover the right one's centre. A triple an earlier part
        // brought waits for the whole sweep, and is tried again when the
        // rows of all parts moved its finders at all: a pixel decides a
        // small module's read under perspective.
        int const module = std::min(std::min(finders[triples[i].a].module, finders[triples[i].b].module),
                                    finders[triples[i].c].module);
        if (taken_.IsIncluded(region.CalcCenterPoint()) || WasQRRegionTried(region, module)) {
            continue;
        }
        ++handed;
        if (qrTriedCount_ < sizeof(qrTried_) / sizeof(qrTried_[0])) {
            qrTried_[qrTriedCount_] = region;
            qrTriedModule_[qrTriedCount_++] = module;
        }
        // A triple of chance patterns (none of its finders square: grass,
        // gravel, text) spans an area where a lone Micro QR finder may well
        // lie: only a triple that looks like a symbol hides the finders
        // inside it from the lone tries below.
        int const square = (finders[triples[i].a].square != 0) + (finders[triples[i].b].square != 0) +
                           (finders[triples[i].c].square != 0);
        if (square > 0) {
            qrSearched_.Push(region);
        }
        if (ReadRegion(decoder, image, region, label) != 0 && Deliver(label, outlet)) {
            return 1;
        }
    }
    // A finder of no triple may be a Micro QR symbol's only one: the square
    // of seven modules around it, once every part is swept (a later part
    // may bring the finder's partners). Those seen on more than one row go
    // first; a small one turned near the diagonal passes the run test on
    // one row. A finder is of a triple tried when it lies where one of that
    // triple's finders did.
    // With QR Code read, such a finder may also be what remains of a
    // symbol that lost one: the decoder looks for the others beside it.
    if (!(property_->qr_code.read_micro_qr.Get() || property_->qr_code.read.Get()) || !whole) {
        return 0;
    }
    bool used[MatrixCandidateFinder::kMaxFinders] = {};
    for (unsigned k = 0; k < count; ++k) {
        FinderSighting const& f = finders[k];
        int const reach = f.module / 2 > 1 ? f.module / 2 : 1;
        for (unsigned t = 0; t < qrTriedCount_ && !used[k]; ++t) {
            for (unsigned corner : {0u, 1u, 3u}) {
                Point const& p = qrTried_[t].corner[corner];
                used[k] = used[k] || (std::abs(p.x - f.centre.x) <= reach && std::abs(p.y - f.centre.y) <= reach);
            }
        }
    }
    for (unsigned i = 0; i < 2 * count && handed < budget; ++i) {
        FinderSighting const& f = finders[i % count];
        int const h = f.module * 7 / 2;
        if (used[i % count] || (f.rows < 2) != (i >= count) || taken_.IsIncluded(f.centre) ||
            qrSearched_.IsIncluded(f.centre)) {
            continue;
        }
        ++handed;
        Region region;
        region.corner[0] = Point{f.centre.x - h, f.centre.y - h};
        region.corner[1] = Point{f.centre.x + h, f.centre.y - h};
        region.corner[2] = Point{f.centre.x + h, f.centre.y + h};
        region.corner[3] = Point{f.centre.x - h, f.centre.y + h};
        qrSearched_.Push(region);
        if (ReadRegion(decoder, image, region, label) != 0 && Deliver(label, outlet)) {
            return 1;
        }
    }
    // A symbol that lost a finder often makes a wrong triple of the two it
    // kept and a chance pattern: its finders are tried alone as well, on a
    // budget of their own, those seen on more rows first.
    unsigned const aloneBudget = std::min<unsigned>(budget / 2 + 1, sizeof(qrAlone_) / sizeof(qrAlone_[0]));
    for (unsigned i = 0; property_->qr_code.read.Get() && i < count && qrAloneCount_ < aloneBudget; ++i) {
        FinderSighting const& f = finders[i];
        if (!used[i] || f.rows < 2 || f.square == 0 || taken_.IsIncluded(f.centre)) {
            continue;
        }
        int const h = f.module * 7 / 2;
        bool before = false;
        for (unsigned k = 0; k < qrAloneCount_; ++k) {
            before = before || (std::abs(qrAlone_[k].x - f.centre.x) <= h && std::abs(qrAlone_[k].y - f.centre.y) <= h);
        }
        if (before) {
            continue;
        }
        qrAlone_[qrAloneCount_++] = f.centre;
        Region region;
        region.corner[0] = Point{f.centre.x - h, f.centre.y - h};
        region.corner[1] = Point{f.centre.x + h, f.centre.y - h};
        region.corner[2] = Point{f.centre.x + h, f.centre.y + h};
        region.corner[3] = Point{f.centre.x - h, f.centre.y + h};
        if (ReadRegion(decoder, image, region, label) != 0 && Deliver(label, outlet)) {
            return 1;
        }
    }
    return 0;
}

bool CodeSearcherEngine::ShowsQRSymbol() const
{
    FinderSighting const* finders = matrix_.GetQRFinders();
    for (unsigned i = 0; i < qrTripleCount_; ++i) {
        QRTriple const& t = qrTriples_[i];
        int const square = (finders[t.a].square != 0) + (finders[t.b].square != 0) + (finders[t.c].square != 0);
        if (square >= 2) {
            return true;
        }
    }
    bool const micro = property_->qr_code.read_micro_qr.Get();
    for (unsigned i = 0; micro && i < matrix_.GetQRFinderCount(); ++i) {
        if (finders[i].square != 0 && finders[i].rows >= 2) {
            return true;
        }
    }
    return false;
}

bool CodeSearcherEngine::IsSquareTriple(QRTriple const& triple) const
{
    FinderSighting const* finders = matrix_.GetQRFinders();
    return finders[triple.a].square != 0 && finders[triple.b].square != 0 && finders[triple.c].square != 0;
}

bool CodeSearcherEngine::WasQRRegionTried(Region const& region, int module) const
{
    for (unsigned t = 0; t < qrTriedCount_; ++t) {
        int const low = std::min(module, qrTriedModule_[t]);
        int const reach = qrParts_ < kQRParts ? std::max(low, 2) : 0;
        bool same = true;
        for (unsigned corner : {0u, 1u, 3u}) {
            Point const& p = qrTried_[t].corner[corner];
            Point const& q = region.corner[corner];
            same = same && std::abs(p.x - q.x) <= reach && std::abs(p.y - q.y) <= reach;
        }
        if (same) {
            return true;
        }
    }
    return false;
}

int CodeSearcherEngine::ReadAcross(GrayImage const& image, Rectangle const& box, int const* rows, unsigned rowCount,
                                   AbstractMatrixCodeDecoder& decoder, DecodedLabel& label, bool* metFinder)
{
    int const left = box.left < 0 ? 0 : box.left;
    int const right = box.right > image.GetWidth() - 1 ? image.GetWidth() - 1 : box.right;
    for (unsigned i = 0; i < rowCount; ++i) {
        if (rows[i] < 0 || rows[i] >= image.GetHeight() || right <= left) {
            continue;
        }
        label.Clear();
        int const read = decoder.Start(image, LineSegment{Point{left, rows[i]}, Point{right, rows[i]}}, label);
        if (metFinder != nullptr && decoder.MetFinder()) {
            *metFinder = true;
        }
        if (read != 0) {
            return 1;
        }
    }
    return 0;
}

namespace {

Region SquareAround(Point const& centre, int half)
{
    Region region;
    region.corner[0] = Point{centre.x - half, centre.y - half};
    region.corner[1] = Point{centre.x + half, centre.y - half};
    region.corner[2] = Point{centre.x + half, centre.y + half};
    region.corner[3] = Point{centre.x - half, centre.y + half};
    return region;
}

}  // namespace

int CodeSearcherEngine::ReadAztecEye(AbstractRegionDecoder& decoder, GrayImage const& image,
                                     FinderSighting const& eye, DecodedLabel& label)
{
    // The core of a full-range symbol and its mode message. The reader looks
    // for the true centre a few modules around the eye at most: only
    // sightings that near are left out after it. A ring-like pattern in a
    // symbol's data lies a few modules off its bull's-eye, and the whole
    // square would keep the bull's-eye itself from the reader.
    label.Clear();
    int const read = decoder.Start(image, SquareAround(eye.centre, eye.module * 7), label);
    searched_.Push(SquareAround(eye.centre, eye.module * kAztecCentreReach));
    eyeSearched_.Push(SquareAround(eye.centre, eye.module * kAztecCentreReach));
    return read;
}

int CodeSearcherEngine::SearchBullsEyes(GrayImage const& image, tagDecodeOption const& option,
                                        DecoderSet const& decoders, DecodedLabel& label, LabelOutlet& outlet)
{
    DEC2DProperty const& p = *property_;
    AbstractRegionDecoder* aztec = decoders.region[DecoderSet::kAztec];
    bool const aztecWanted = IsAztecWanted(decoders);
    bool const maxiWanted = decoders.matrixCode != nullptr && p.maxi_code.read.Get();
    FinderSighting const* eyes = matrix_.GetBullsEyes();
    // The stage's own turn looks only at what it handed on itself (other
    // stages run between its parts); the deferred turn at what it hands on.
    unsigned const first = searched_.GetCount();
    unsigned const budget = GetStageBudget(option);
    unsigned handed = eyesHanded_;
    // Of the strict sightings those seen on more than one row go first: a
    // ring-like patch of data seen on one row, tried first, marked the whole
    // symbol around it as searched and kept its true bull's-eye from being
    // tried. The loose ones stay last.
    // While parts are left to sweep, the loose ones wait for them.
    unsigned const strict = matrix_.GetStrictBullsEyeCount() < matrix_.GetBullsEyeCount()
                                ? matrix_.GetStrictBullsEyeCount()
                                : matrix_.GetBullsEyeCount();
    unsigned const count = bullsEyesFound_ ? matrix_.GetBullsEyeCount() : strict;
    for (unsigned i = 0; i < strict + count && handed < budget; ++i) {
        unsigned const k = i < strict ? i : i - strict;
        FinderSighting const& eye = eyes[k];
        if (k < strict && (eye.rows < 2) != (i >= strict)) {
            continue;
        }
        bool const maxi = eye.kind == MatrixCandidateFinder::kMaxiCode;
        // Blur and thresholds narrow a MaxiCode centre spot, and a light-on-dark
        // MaxiCode has a dark one: an eye taken for Aztec that Aztec does not
        // read is offered to the MaxiCode reader too. At two pixels a module
        // a row through a small turned bull's-eye can meet a light ring as its
        // widest middle run: an eye taken for MaxiCode goes to the Aztec
        // reader after the MaxiCode one, which looks for the true centre.
        bool const free = late_ ? IsFree(eye.centre, first)
                                : !taken_.IsIncluded(eye.centre) && !eyeSearched_.IsIncluded(eye.centre);
        if ((!aztecWanted && !maxiWanted) || !free || late_ != eyeDeferred_[k]) {
            continue;
        }
        // Data Matrix data makes ring-like runs on a row now and then, but
        // seldom even rings all round: such a sighting waits for the
        // L-pattern stage (unless a MaxiCode centre might have passed for it).
        if (!late_ && !maxi && !maxiWanted && IsWanted(CodeSearchStage::kLPattern, decoders) &&
            !HasEvenRings(image, eye)) {
            eyeDeferred_[k] = true;
            ++eyesDeferred_;
            continue;
        }
        ++handed;
        int read = 0;
        if (!maxi && aztecWanted) {
            read = ReadAztecEye(*aztec, image, eye, label);
        }
        if (read == 0 && maxiWanted) {
            // The rings span about a third of the symbol: segments through
            // the centre and one and two ring widths above and below (a
            // sighting on a chord of the rings lies a ring or two off their
            // centre), across the whole symbol.
            int const radius = eye.module * 4;
            int const rows[5] = {eye.centre.y, eye.centre.y - eye.module, eye.centre.y + eye.module,
                                 eye.centre.y - 2 * eye.module, eye.centre.y + 2 * eye.module};
            bool metFinder = false;
            read = ReadAcross(image, Rectangle{eye.centre.x - radius * 3, 0, eye.centre.x + radius * 3, 0}, rows, 5,
                              *decoders.matrixCode, label, &metFinder);
            // A bull's-eye found and not read covers its symbol; a sighting
            // the engine found no bull's-eye at (ring-like data) covers only
            // itself, or it would hide the true bull's-eye beside it.
            Region const covered = SquareAround(eye.centre, metFinder ? radius * 3 : eye.module * 2);
            searched_.Push(covered);
            eyeSearched_.Push(covered);
        }
        if (read == 0 && maxi && aztecWanted) {
            read = ReadAztecEye(*aztec, image, eye, label);
        }
        if (read != 0 && Deliver(label, outlet)) {
            return 1;
        }
    }
    eyesHanded_ = handed;
    return 0;
}

int CodeSearcherEngine::SearchDeferred(GrayImage const& image, tagDecodeOption const& option,
                                       DecoderSet const& decoders, DecodedLabel& label, LabelOutlet& outlet)
{
    late_ = true;
    lateFirst_ = searched_.GetCount();
    int read = 0;
    if (linearDeferredCount_ > 0) {
        read = SearchLinear(image, option, decoders, label, outlet);
    }
    if (read == 0 && eyesDeferred_ > 0) {
        read = SearchBullsEyes(image, option, decoders, label, outlet);
    }
    late_ = false;
    return read;
}

namespace {

bool IsSameSighting(LPatternSighting const& a, LPatternSighting const& b)
{
    return a.corner == b.corner && a.along == b.along && a.across == b.across;
}

}  // namespace

int CodeSearcherEngine::SearchLPatternStage(GrayImage const& image, tagDecodeOption const& option,
                                            DecoderSet const& decoders, DecodedLabel& label, LabelOutlet& outlet)
{
    // The L list of a whole sweep made before (for Han Xin finders or dots,
    // before any L part) is tried as it stands.
    if (wholeSweepDone_ && lParts_ == 0) {
        lParts_ = kLPatternSweeps;
        unsigned const first = searched_.GetCount();
        FindMatrixCandidates(image, option, decoders, CodeSearchStage::kLPattern);
        if (SearchLPatterns(image, option, *decoders.lPattern, label, outlet, first, lHanded_) != 0) {
            return 1;
        }
    } else if (SearchLPatternParts(image, option, decoders, label, outlet, kLPatternSweeps) != 0) {
        return 1;
    }
    // The sightings the decoder put off (no quiet side: a blotchy ground's
    // chance corners mostly) come last, so that they do not spend the
    // budget before the symbol's own L is seen.
    return SearchDeferredLPatterns(image, option, *decoders.lPattern, label, outlet);
}

int CodeSearcherEngine::SearchLPatternParts(GrayImage const& image, tagDecodeOption const& option,
                                            DecoderSet const& decoders, DecodedLabel& label, LabelOutlet& outlet,
                                            unsigned end)
{
    // Following a sighted leg costs most of the sweep, and each row across a
    // leg follows it again: the sweep's rows are taken in kLPatternSweeps
    // interleaved parts, every sixteenth row from the first, then from the
    // ninth, the fifth, the thirteenth and so on, each part halving the
    // gaps the parts before it left (every fourth one's rows are those of a
    // bull's-eye part). A symbol's legs cross the rows of nearly every part,
    // so the first part mostly reads it (with fewer of the quiet zone's wide
    // strips walked on the way to its L); a frame without one is swept
    // whole. Within a part each sighting is tried as soon as a row brings
    // it, in the order the rows see them, and a read ends the sweep: the
    // rows below a symbol's L are not swept. An outline found and not read
    // keeps away only the sightings of its own part: a later part sees the
    // same L from other rows, and a blurred symbol the one sighting did not
    // read, the other may. A later part keeps the long wide strips the
    // earlier ones walked to no L (a label's edges seen in perspective),
    // which its rows do not walk again. The stage's budget holds for all
    // parts together.
    unsigned const budget = GetStageBudget(option);
    unsigned stride = option.searchStep == 0 ? kRowStride : option.searchStep;
    stride = stride > kMaxStride ? kMaxStride : stride;
    static constexpr unsigned kOffsets[kLPatternSweeps] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    Rectangle const area = CalcSearchArea(image);
    end = end > kLPatternSweeps ? kLPatternSweeps : end;
    while (lParts_ < end) {
        unsigned const part = lParts_++;
        // After another sweep of this frame the rows take the block
        // measures that sweep took.
        bool const sameImage = qrParts_ > 0 || eyeParts_ > 0 || otherPatternsFound_;
        otherPatternsFound_ = true;
        int const top = area.top + static_cast<int>(kOffsets[part] * stride);
        if (area.right < area.left || area.bottom < top) {
            continue;
        }
        matrix_.StartLPatterns(image, area, stride, sameImage, part > 0);
        unsigned const partFirst = searched_.GetCount();
        TriedLPatterns tried;
        for (int y = top; y <= area.bottom; y += static_cast<int>(kLPatternSweeps * stride)) {
            // A row pauses after a run that brought a sighting no later run
            // of it can replace: the sightings are tried in the order the
            // whole row would hand them, and a read leaves the rest of the
            // row's runs unwalked.
            bool rowDone = false;
            while (!rowDone) {
                rowDone = matrix_.SweepLPatternRowPart(image, y);
                // The sightings not tried as they are now: a row's new ones,
                // and one replaced by a surer walk of its corner.
                if (SearchLPatterns(image, option, *decoders.lPattern, label, outlet, partFirst, lHanded_, &tried) !=
                    0) {
                    return 1;
                }
                // With the budget spent (sightings put off spending a share
                // of it) no sighting is tried any more: the rest is not swept.
                if (lHanded_ * kDeferredShare + deferredLSeen_ >= budget * kDeferredShare) {
                    lParts_ = kLPatternSweeps;
                    return 0;
                }
            }
            if (matrix_.GetLPatternCount() >= MatrixCandidateFinder::kMaxLPatterns) {
                // Every sighting in it has been tried or put off: the list
                // starts afresh for the rows below (those tried are not
                // handed on again), so that a noisy ground's chance corners
                // above a symbol do not keep its own L out of the list.
                matrix_.StartLPatterns(image, area, stride, true, true);
                tried = TriedLPatterns{};
            }
        }
    }
    return 0;
}

int CodeSearcherEngine::SearchLPatterns(GrayImage const& image, tagDecodeOption const& option,
                                        AbstractLPatternDecoder& decoder, DecodedLabel& label, LabelOutlet& outlet,
                                        unsigned first, unsigned& handed, TriedLPatterns* tried)
{
    LPatternSighting const* ls = matrix_.GetLPatterns();
    unsigned const budget = GetStageBudget(option);
    for (unsigned i = 0; i < matrix_.GetLPatternCount() && handed < budget; ++i) {
        LPatternSighting const& l = ls[i];
        if (tried != nullptr) {
            if (i < tried->count && IsSameSighting(tried->seen[i], l)) {
                continue;
            }
            tried->seen[i] = l;
            tried->count = i + 1 > tried->count ? i + 1 : tried->count;
        }
        Region region;
        region.corner[0] = l.across;
        region.corner[1] = Point{l.across.x + l.along.x - l.corner.x, l.across.y + l.along.y - l.corner.y};
        region.corner[2] = l.along;
        region.corner[3] = l.corner;
        if (!IsFree(region.CalcCenterPoint(), first)) {
            continue;
        }
        if (WasHanded(l)) {
            continue;
        }
        if (!decoder.IsPromising(image, region)) {
            DeferLPattern(region, first);
            continue;
        }
        NoteHanded(l, handed);
        ++handed;
        if (TryLPattern(image, decoder, region, label, outlet) != 0) {
            return 1;
        }
    }
    return 0;
}

int CodeSearcherEngine::TryLPattern(GrayImage const& image, AbstractLPatternDecoder& decoder, Region const& region,
                                    DecodedLabel& label, LabelOutlet& outlet)
{
    label.Clear();
    if (decoder.Start(image, region, label) != 0) {
        searched_.Push(region);
        return Deliver(label, outlet) ? 1 : 0;
    }
    // A sighting off any symbol (a label's corner on a grey ground) says
    // nothing of the symbols its legs span: only an outline the decoder
    // failed to read keeps the other sightings on it away.
    if (!(label.region == Region())) {
        searched_.Push(label.region);
    }
    return 0;
}

void CodeSearcherEngine::NoteHanded(LPatternSighting const& l, unsigned handed)
{
    if (handed < std::size(handedL_)) {
        handedL_[handed] = l;
    }
}

bool CodeSearcherEngine::WasHanded(LPatternSighting const& l) const
{
    auto near = [](Point const& a, Point const& b) {
        return std::abs(a.x - b.x) <= kSameLReach && std::abs(a.y - b.y) <= kSameLReach;
    };
    unsigned const kept = static_cast<unsigned>(std::size(handedL_));
    unsigned const count = lHanded_ < kept ? lHanded_ : kept;
    for (unsigned i = 0; i < count; ++i) {
        if (near(handedL_[i].corner, l.corner) && near(handedL_[i].along, l.along) &&
            near(handedL_[i].across, l.across)) {
            return true;
        }
    }
    return false;
}

void CodeSearcherEngine::DeferLPattern(Region const& region, unsigned first)
{
    // The same corner comes again from the rows of later parts.
    int const near = MatrixCandidateFinder::kMinLeg / 2;
    for (unsigned i = 0; i < deferredLCount_; ++i) {
        Point const& c = deferredL_[i].region.corner[3];
        if (std::abs(c.x - region.corner[3].x) <= near && std::abs(c.y - region.corner[3].y) <= near) {
            return;
        }
    }
    ++deferredLSeen_;
    if (deferredLCount_ < kMaxDeferredLPatterns) {
        deferredL_[deferredLCount_++] = DeferredLPattern{region, first};
    }
}

int CodeSearcherEngine::SearchDeferredLPatterns(GrayImage const& image, tagDecodeOption const& option,
                                                AbstractLPatternDecoder& decoder, DecodedLabel& label,
                                                LabelOutlet& outlet)
{
    unsigned const budget = GetStageBudget(option);
    unsigned const count = deferredLCount_;
    deferredLCount_ = 0;
    for (unsigned i = 0; i < count && lHanded_ < budget; ++i) {
        Region const& region = deferredL_[i].region;
        if (!IsFree(region.CalcCenterPoint(), deferredL_[i].first)) {
            continue;
        }
        LPatternSighting const l{region.corner[3], region.corner[2], region.corner[0]};
        if (WasHanded(l)) {
            continue;
        }
        NoteHanded(l, lHanded_);
        ++lHanded_;
        if (TryLPattern(image, decoder, region, label, outlet) != 0) {
            return 1;
        }
    }
    return 0;
}

int CodeSearcherEngine::SearchHanXinFinders(GrayImage const& image, tagDecodeOption const& option,
                                            AbstractMatrixCodeDecoder& decoder, DecodedLabel& label,
                                            LabelOutlet& outlet)
{
    // The finders seen on two rows or more, one symbol around them all: a
    // segment through each across the box they span.
    FinderSighting const* finders = matrix_.GetHanXinFinders();
    int rows[4];
    unsigned rowCount = 0;
    Rectangle box{1 << 30, 1 << 30, -(1 << 30), -(1 << 30)};
    for (unsigned i = 0; i < matrix_.GetHanXinFinderCount() && rowCount < 4; ++i) {
        FinderSighting const& f = finders[i];
        if (f.rows < 2 || !IsFree(f.centre, searched_.GetCount())) {
            continue;
        }
        int const reach = f.module * 8;
        box.left = f.centre.x - reach < box.left ? f.centre.x - reach : box.left;
        box.top = f.centre.y - reach < box.top ? f.centre.y - reach : box.top;
        box.right = f.centre.x + reach > box.right ? f.centre.x + reach : box.right;
        box.bottom = f.centre.y + reach > box.bottom ? f.centre.y + reach : box.bottom;
        rows[rowCount++] = f.centre.y;
    }
    if (rowCount == 0 || GetStageBudget(option) == 0) {
        return 0;
    }
    int const read = ReadAcross(image, box, rows, rowCount, decoder, label);
    Region region;
    region.corner[0] = Point{box.left, box.top};
    region.corner[1] = Point{box.right, box.top};
    region.corner[2] = Point{box.right, box.bottom};
    region.corner[3] = Point{box.left, box.bottom};
    searched_.Push(region);
    return read != 0 && Deliver(label, outlet) ? 1 : 0;
}

int CodeSearcherEngine::SearchDots(GrayImage const& image, AbstractDotDecoder& decoder, DecodedLabel& label,
                                   LabelOutlet& outlet)
{
    // Row by row from the top: the decoder gathers them until it can
    // measure the pitch.
    decoder.OnNewImage();
    Dot const* dots = matrix_.GetDots();
    for (unsigned i = 0; i < matrix_.GetDotCount(); ++i) {
        if (taken_.IsIncluded(dots[i].position)) {
            continue;
        }
        label.Clear();
        if (decoder.Start(image, dots[i], label) != 0 && Deliver(label, outlet)) {
            return 1;
        }
    }
    return 0;
}

int CodeSearcherEngine::ReadBesideLabel(GrayImage const& image, Rectangle const& area,
                                        tagDecodeOption const& option, DecoderSet const& decoders, unsigned i,
                                        unsigned budget, DecodedLabel& label, LabelOutlet& outlet)
{
    // Two labels side by side join into one candidate when their quiet zones
    // and the label edges between them fill the gap with edges; the rest of
    // the candidate beside the label read is then a candidate of its own
    // (inside the candidate's searched region, so not looked up there). Its
    // label passes the same checks as the first: a composite's linear part
    // read there goes to the composite reader, which joins its 2D part or
    // withholds it.
    BarRegionCandidate const& candidate = finder_.GetCandidates()[i];
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
        if (ReadCandidate(image, area, side, *decoders.barCode, label) == 0) {
            continue;
        }
        if (OfferLinearLabel(image, option, decoders, i, side.region, label, outlet) == Offered::kTaken) {
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
        // Lines laid along bars seen in the region may run on into a symbol
        // whose label the frame already gave: that label is not given again.
        if (read != 0 && !taken_.IsIncluded(label.region.CalcCenterPoint())) {
            return 1;
        }
        if (read != 0) {
            label.Clear();
            continue;
        }
        if (decoder.GetStatus() != 1) {
            return 0;
        }
    }
    return 0;
}

}  // namespace DEC2DIvra
