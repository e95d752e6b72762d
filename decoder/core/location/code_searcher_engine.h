#pragma once

#include "decoder/core/location/bar_region_finder.h"
#include "decoder/core/location/bar_region_grower.h"
#include "decoder/core/location/bar_region_orientation_field.h"
#include "decoder/core/location/bar_region_row_locator.h"
#include "decoder/core/location/code_searcher.h"
#include "decoder/core/location/code_searcher_candidate_order.h"
#include "decoder/core/location/matrix_candidate_finder.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/location/searched_region_stack.h"

namespace DEC2DIvra {

struct DEC2DProperty;

// The symbol locator of the decoder handle. For a whole image: one pass over
// the pixels builds the cell field of gradient directions inside the area
// less the search margins; bar-like cells of one direction are grown into
// groups; each group's axis profile yields candidate regions, for the linear
// and the stacked stage. One pass over sampled rows gathers the candidates
// of the matrix stages. The candidates go to the decoders in the documented
// order (code_searcher_candidate_order.h) until the label outlet accepts a
// label. A region once handed to a decoder goes on the searched stack, so
// that no stage hands it twice in one image; the region of every label
// obtained goes on the taken stack, so that no later stage hands a candidate
// inside it. A stage runs only when its decoder is built in and one of its
// symbologies is enabled.
//
// The decode options are honoured as follows: the search step is the
// sampling stride of the pass over the pixels (0: every pixel; larger steps
// search faster and lose the finest bars); the read mode sets how many
// candidates one image may cost (moving objects are seen again in the next
// frame, so fewer); and with central reading on, only candidates that
// overlap the central window are decoded.
class CodeSearcherEngine final : public CodeSearcher {
public:
    // Room for every region of a full budget with its variants and labels.
    static constexpr unsigned kSearchedRegions = 256;
    static constexpr unsigned kTakenRegions = 32;
    // Candidates one matrix or stacked stage may hand over in one image.
    static constexpr unsigned kStageBudget = 8;
    static constexpr unsigned kMovingStageBudget = 2;
    static constexpr unsigned kSeenStackedRegions = 8;
    // Sampled rows of the matrix stages' pass.
    static constexpr unsigned kRowStride = 2;
    // The bar-like regions a QR or Aztec symbol's data make show 16 to 26
    // edges, a bar code's mostly 44 or more: a first region of that few is
    // looked at for lying in a matrix symbol before the linear decoders get it.
    static constexpr unsigned kMatrixRegionEdges = 25;
    static constexpr unsigned kHandyBudget = 24;
    static constexpr unsigned kMovingBudget = 6;
    static constexpr unsigned kScanMode = 4;
    // Further regions tried around a candidate in which a symbol was seen.
    static constexpr unsigned kVariants = 2;
    static constexpr unsigned kDefaultStride = 1;
    static constexpr unsigned kMaxStride = 8;
    static constexpr unsigned kLPatternSweeps = 16;
    static constexpr unsigned kBullsEyeSweeps = 4;
    static constexpr unsigned kMinimumCells = 3;
    static constexpr unsigned kEnergyFloor = 64;      // mean squared gradient, grey levels
    static constexpr unsigned kCoherenceFloor = 140;  // of 255

    explicit CodeSearcherEngine(DEC2DProperty const& property);
    CodeSearcherEngine(CodeSearcherEngine const&) = delete;
    CodeSearcherEngine& operator=(CodeSearcherEngine const&) = delete;

    int Start(GrayImage const& image, Region const& region, StackInterface<Region>& located) override;
    int Start(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders, DecodedLabel& label,
              LabelOutlet& outlet) override;

    // The image less the configured search margins; empty (right < left)
    // when the margins leave nothing.
    Rectangle CalcSearchArea(GrayImage const& image) const;

    // One image stage by stage, as Start runs it: BeginImage, then each
    // stage in order while none answers 1 (a label was accepted). The bar
    // regions are found with the first of stages 1 and 2; the first of
    // stages 3 to 5 runs the QR-finder, bull's-eye and (without Han Xin
    // finders or dots wanted) L-pattern stages together, part by part
    // (SearchMatrixParts); the Han Xin finders and dots, with the L patterns
    // then, are found with the first of stages 5 to 7. Stage 5 ends with
    // what stages 1 and 4 left for it (SearchDeferred).
    void BeginImage();
    int RunStage(CodeSearchStage stage, GrayImage const& image, tagDecodeOption const& option,
                 DecoderSet const& decoders, DecodedLabel& label, LabelOutlet& outlet);
    void FindBarRegions(GrayImage const& image, tagDecodeOption const& option);
    // The row sweep for the stage's patterns, whatever of it is not swept
    // yet: the QR finders in one (its parts), the bull's-eyes in another
    // (its parts), the L-patterns, Han Xin finders and dots in a third.
    void FindMatrixCandidates(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders,
                              CodeSearchStage stage);

    // The stage whose candidates the search is handing on (or last handed
    // on): the matrix stages 3 to 5 take their turns part by part within one
    // call of RunStage (SearchMatrixParts).
    CodeSearchStage GetActiveStage() const { return activeStage_; }

    // What the last whole-image search saw, for tests and measurements.
    BarOrientationField const& GetField() const { return field_; }
    SearchedRegionStack const& GetSearchedRegions() const { return searched_; }
    MatrixCandidateFinder const& GetMatrixCandidates() const { return matrix_; }
    // The stacked regions in which start and stop patterns were seen but
    // nothing was read.
    Region const* GetSeenStackedRegions() const { return seenStacked_; }
    unsigned GetSeenStackedRegionCount() const { return seenStackedCount_; }

private:
    int SearchLinear(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders,
                     DecodedLabel& label, LabelOutlet& outlet);
    // Three QR finders at the corners of a right angle: finder indices, the
    // weakest finder's rows (at most 4) and the squared legs' sum.
    struct QRTriple {
        unsigned char a;
        unsigned char b;
        unsigned char c;
        unsigned rows;
        long long span;
        bool gapped;  // a stretch of background lies between two finders
    };
    static constexpr unsigned kMaxQRTriples = 64;
    // The triples of the QR finders swept, strongest first.
    void ListQRTriples(GrayImage const& image);
    // Whether the line between two finder centres crosses a run of the
    // background longer than twelve modules: the quiet zones between two
    // symbols rather than one symbol's modules.
    static bool IsGappedQRPair(GrayImage const& image, FinderSighting const& a, FinderSighting const& b);
    // Whether a point lies in the symbol that a triple of square finders
    // (their diagonals show the pattern too) spans: no other symbol can.
    bool IsInsideQRSymbol(Point const& point) const;
    // Whether a point lies within the reach of an Aztec bull's-eye swept
    // (each reach measured when first asked).
    bool IsInsideAztecSymbol(GrayImage const& image, Point const& point);
    // Whether the region's centre lies in a QR symbol or, with aztec, an
    // Aztec symbol, the finders or bull's-eyes of each symbology read swept
    // first.
    bool LiesInMatrixSymbol(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders,
                            Region const& region, bool aztec);
    // Whether the frame may hold a stacked symbol: a bar-like region shows a
    // PDF417 start or stop pattern, a linear decoder met a PDF417 row, or
    // MicroPDF417 is read. Only then is a linear label checked against one.
    bool MayHoldStackedSymbol(GrayImage const& image);
    // Whether the stacked decoder's last call, which gave no label, met a
    // PDF417 symbol's start or stop column (a composite's 2D part read whole
    // does not count: its linear part may share the region).
    static bool ShowedPdfColumns(AbstractStackCodeDecoder const& decoder);
    // What handing a bar-like region to the stacked decoder in the linear
    // stage came to: a label the outlet took (the search ends), the region
    // done with (a label not taken, or with `spareLinear` a PDF417 symbol's
    // columns seen), or onward to the linear decoders.
    enum class Handed { kTaken, kDone, kOnward };
    // Whether regions put off by the linear stage get their late pass (it
    // runs with the L-pattern stage).
    bool lateLinearRun_ = false;
    Handed HandToStacked(AbstractStackCodeDecoder& decoder, GrayImage const& image, unsigned i, bool spareLinear,
                         DecodedLabel& label, LabelOutlet& outlet);
    // Whether the stacked decoder's glance along the region's search lines
    // (`near`: as long as the region's own reach, else across the frame)
    // meets a PDF417 start or stop pattern.
    static bool GlancesStartOrStop(AbstractStackCodeDecoder& decoder, GrayImage const& image, Region const& region,
                                   bool near);
    // Whether a Code 128 label carries the linkage of a composite's linear
    // part (the 2D part lies beside it).
    static bool IsCompositeLinearPart(DecodedLabel const& label);
    // Whether a PDF417 or MicroPDF417 label is a composite's 2D part.
    static bool IsLinkedComponent(DecodedLabel const& label);
    // Whether the stacked reader reads a symbol from the region whose outline
    // holds the label's centre; that symbol's label is left in stackedLabel_.
    bool ReadsStackedAround(GrayImage const& image, AbstractStackCodeDecoder& decoder, Region const& region,
                            DecodedLabel const& label);
    int SearchStacked(GrayImage const& image, tagDecodeOption const& option, AbstractStackCodeDecoder& decoder,
                      DecodedLabel& label, LabelOutlet& outlet);
    // Hands a region to the stacked decoder; a region it saw a symbol in
    // without a label is remembered. Nonzero with a label.
    int ReadStacked(AbstractStackCodeDecoder& decoder, GrayImage const& image, Region const& region,
                    DecodedLabel& label);
    int SearchQRFinders(GrayImage const& image, tagDecodeOption const& option, AbstractRegionDecoder& decoder,
                        DecodedLabel& label, LabelOutlet& outlet);
    // Modules around an Aztec eye within which its reader looks for the
    // bull's-eye's centre.
    static constexpr int kAztecCentreReach = 3;
    // Hands the square around an eye to the Aztec reader; nonzero with a label.
    int ReadAztecEye(AbstractRegionDecoder& decoder, GrayImage const& image, FinderSighting const& eye,
                     DecodedLabel& label);
    int SearchBullsEyes(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders,
                        DecodedLabel& label, LabelOutlet& outlet);
    // Sweeps the next of the kBullsEyeSweeps interleaved parts of the
    // bull's-eye sweep (every fourth row of it from the first, then from the
    // third, second and fourth); false when all were swept.
    bool SweepBullsEyePart(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders);
    // The bar-like regions that looked like matrix data and the Aztec
    // bull's-eyes whose rings were not even all round, put off while the L-pattern stage was
    // still to come (Data Matrix data makes both): handed on after that
    // stage read nothing, in the order of their own stages.
    int SearchDeferred(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders,
                       DecodedLabel& label, LabelOutlet& outlet);
    // The L-pattern stage: when the sweep looks for L patterns alone, its
    // rows are swept in kLPatternSweeps interleaved parts, each sighting
    // tried as soon as a row brings it, until a read, the stage's budget
    // spent, or the last part swept.
    int SearchLPatternStage(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders,
                            DecodedLabel& label, LabelOutlet& outlet);
    // The sightings a row-by-row sweep has tried, each as it was then.
    struct TriedLPatterns {
        LPatternSighting seen[MatrixCandidateFinder::kMaxLPatterns];
        unsigned count = 0;
    };
    // The sightings of the last sweep, but those inside regions searched from
    // `first` on, while fewer than the stage's budget have been handed over;
    // with `tried`, only those not tried before as they are now.
    int SearchLPatterns(GrayImage const& image, tagDecodeOption const& option, AbstractLPatternDecoder& decoder,
                        DecodedLabel& label, LabelOutlet& outlet, unsigned first, unsigned& handed,
                        TriedLPatterns* tried = nullptr);
    // Hands one sighting's region to the decoder: 1 with a label delivered;
    // an outline found and not read is marked searched.
    int TryLPattern(GrayImage const& image, AbstractLPatternDecoder& decoder, Region const& region,
                    DecodedLabel& label, LabelOutlet& outlet);
    // A sighting the decoder did not find promising, kept for after the
    // sweep (one of a corner already kept is not kept again).
    void DeferLPattern(Region const& region, unsigned first);
    // The kept sightings, in the order they were seen, while the stage's
    // budget lasts; the list is emptied.
    int SearchDeferredLPatterns(GrayImage const& image, tagDecodeOption const& option,
                                AbstractLPatternDecoder& decoder, DecodedLabel& label, LabelOutlet& outlet);
    int SearchHanXinFinders(GrayImage const& image, tagDecodeOption const& option,
                            AbstractMatrixCodeDecoder& decoder, DecodedLabel& label, LabelOutlet& outlet);
    int SearchDots(GrayImage const& image, AbstractDotDecoder& decoder, DecodedLabel& label, LabelOutlet& outlet);
    // Horizontal segments across a candidate to the legacy engine, one
    // through each given row; nonzero with a label. `metFinder`, when given,
    // tells whether any segment met a finder the engine accepted.
    int ReadAcross(GrayImage const& image, Rectangle const& box, int const* rows, unsigned rowCount,
                   AbstractMatrixCodeDecoder& decoder, DecodedLabel& label, bool* metFinder = nullptr);
    // The stage's decoder is built in and one of its symbologies is on.
    bool IsWanted(CodeSearchStage stage, DecoderSet const& decoders) const;
    // The Aztec reader is built in and Aztec Code or Aztec Runes is on.
    bool IsAztecWanted(DecoderSet const& decoders) const;
    // Hands a region to a decoder and marks it searched; nonzero with a label.
    template <class Decoder>
    int ReadRegion(Decoder& decoder, GrayImage const& image, Region const& region, DecodedLabel& label);
    // A candidate at this point is to be handed on: not inside a label's
    // region, nor in a region this stage handed on already.
    bool IsFree(Point const& point, unsigned stageFirst) const;
    // A label obtained: remembered as taken and offered; true when accepted.
    bool Deliver(DecodedLabel& label, LabelOutlet& outlet);
    unsigned GetStageBudget(tagDecodeOption const& option) const;
    // Reads one candidate, and its variants while the decoder says that it
    // saw a symbol but read no label; nonzero with a label.
    int ReadCandidate(GrayImage const& image, Rectangle const& area, BarRegionCandidate const& candidate,
                      AbstractBarCodeDecoder& decoder, DecodedLabel& label);

    // What became of a linear label read from region `region` of bar-like
    // candidate `i`: taken by the outlet (the search ends), withheld (no
    // label here, or one the outlet declined in its place), or offered and
    // declined (the search goes on beside it).
    enum class Offered { kTaken, kWithheld, kOffered };
    // The checks every linear label passes before it is delivered: no
    // bar code inside a matrix or stacked symbol, a PDF417 row handed on,
    // and the composite reader's join or withholding.
    Offered OfferLinearLabel(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders,
                             unsigned i, Region const& region, DecodedLabel& label, LabelOutlet& outlet);
    // The parts of candidate `i` either side of the label just read from
    // it, within the budget; nonzero when the outlet accepts a label.
    int ReadBesideLabel(GrayImage const& image, Rectangle const& area, tagDecodeOption const& option,
                        DecoderSet const& decoders, unsigned i, unsigned budget, DecodedLabel& label,
                        LabelOutlet& outlet);

    DEC2DProperty const* property_;
    BarRegionFinder::Tuning const tuning_{};
    BarOrientationField field_;
    BarRegionGrower grower_;
    BarRegionFinder finder_;
    BarRegionRowLocator rows_;
    Region searchedBuffer_[kSearchedRegions];
    SearchedRegionStack searched_;
    Region takenBuffer_[kTakenRegions];
    SearchedRegionStack taken_;
    unsigned tried_ = 0;
    unsigned barCandidateCount_ = 0;
    bool barRegionsFound_ = false;
    bool qrFindersFound_ = false;
    QRTriple qrTriples_[kMaxQRTriples];
    unsigned qrTripleCount_ = 0;
    bool bullsEyesFound_ = false;  // every part swept
    unsigned eyeParts_ = 0;        // parts of the bull's-eye sweep swept
    // Each swept bull's-eye's reach in pixels; -1 until measured.
    int bullsEyeReach_[MatrixCandidateFinder::kMaxBullsEyes] = {};
    // The bull's-eyes put off, and how many the bull's-eye stage handed on.
    bool eyeDeferred_[MatrixCandidateFinder::kMaxBullsEyes] = {};
    unsigned eyesDeferred_ = 0;
    unsigned eyesHanded_ = 0;
    // The bar-like candidates put off, and how many.
    bool linearDeferred_[BarRegionFinder::kMaxCandidates] = {};
    unsigned linearDeferredCount_ = 0;
    // The put-off work is being handed on; the searched regions from this
    // index on are those of that pass.
    bool late_ = false;
    unsigned lateFirst_ = 0;
    bool otherPatternsFound_ = false;
    // The sweep of the whole frame for Han Xin finders, dots (and L
    // patterns, where they were not swept part by part) was made.
    bool wholeSweepDone_ = false;
    MatrixCandidateFinder matrix_;
    Region seenStacked_[kSeenStackedRegions];
    unsigned seenStackedCount_ = 0;
    // Regions in which the linear decoders met a PDF417 row.
    Region stackedRows_[kSeenStackedRegions];
    unsigned stackedRowCount_ = 0;
    // The bar-like candidates the linear stage handed to the stacked decoder
    // (those with a start or stop pattern), and how many; the stacked stage
    // does not hand them again.
    bool stackedTried_[BarRegionFinder::kMaxCandidates] = {};
    unsigned stackedHanded_ = 0;
    // The candidate whose region gave a composite's 2D part alone in the
    // linear stage (-1 none): read again and offered after the linear
    // decoders, unless a joined label holds it.
    int deferredComponent_ = -1;
    // A stacked symbol read around a linear label.
    DecodedLabel stackedLabel_;
    // Whether a bar-like region of the frame shows a PDF417 start or stop
    // pattern; -1 until looked at.
    int stackedPatternSeen_ = -1;

    // The matrix stages part by part: the rows of the bull's-eye and
    // L-pattern sweeps are taken in kMatrixParts interleaved parts (each of
    // the kLPatternSweeps / kMatrixParts L parts whose rows are a bull's-eye
    // part's), those of the QR-finder sweep in kQRParts (the first holds the
    // rows of the first two bull's-eye parts: a finder's 3-module centre at
    // two pixels a module is crossed by every fourth row), and each part's
    // QR triples, then its bull's-eyes, then its L patterns are tried before
    // the next part is swept: a bull's-eye is 11 modules tall or more, an
    // L's leg 10, and the first part's rows nearly always cross the symbol.
    // Nonzero with a label accepted. Runs once per image, from the first
    // matrix stage run.
    int SearchMatrixParts(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders,
                          DecodedLabel& label, LabelOutlet& outlet);
    // Sweeps the next of the kQRParts parts of the QR-finder sweep (every
    // kQRParts-th row of it from the first, then from the second) and lists
    // the triples of all finders swept; false when all were swept.
    bool SweepQRPart(GrayImage const& image, tagDecodeOption const& option);
    // A part of the matrix sweeps' grid (every stride-th row of the search
    // area): its area from `offset` grid rows on and the grid's row stride,
    // and what its sweep wants of the kept block measures; the caller names
    // the patterns.
    MatrixCandidateFinder::Wanted GetGridPart(GrayImage const& image, tagDecodeOption const& option, unsigned offset,
                                              bool laterPart, Rectangle& area, unsigned& stride) const;
    // The L parts up to `end` (of kLPatternSweeps) not yet swept, each
    // sighting tried as a row brings it; nonzero with a label accepted.
    int SearchLPatternParts(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders,
                            DecodedLabel& label, LabelOutlet& outlet, unsigned end);
    // Whether the QR finders swept so far make a triple of square finders
    // or, with Micro QR read, a square one was seen on two rows.
    bool ShowsQRSymbol() const;
    bool IsSquareTriple(QRTriple const& triple) const;
    // Whether a triple's region was handed on before, its finders then
    // within a module of where they are now (where they are, once every
    // part is swept).
    bool WasQRRegionTried(Region const& region, int module) const;
    static constexpr unsigned kMatrixParts = kBullsEyeSweeps;
    static constexpr unsigned kQRParts = 2;
    // The QR parts swept before matrix part `part` is tried: the first
    // with the bull's-eye parts 0 and 1 (offsets 0 and 2), the second with
    // parts 2 and 3 (offsets 1 and 3).
    static constexpr unsigned QRPartsFor(unsigned part) { return part * kQRParts / kMatrixParts + 1; }
    static_assert(kLPatternSweeps % kMatrixParts == 0, "each matrix part holds whole L parts");
    CodeSearchStage activeStage_ = CodeSearchStage::kLinear;
    bool matrixPartsRun_ = false;
    unsigned qrParts_ = 0;      // parts of the QR-finder sweep swept
    unsigned qrHanded_ = 0;     // regions the QR stage handed on
    unsigned lParts_ = 0;       // L parts swept (all once the budget is spent)
    unsigned lHanded_ = 0;      // sightings the L stage handed on
    // The sightings the L decoder did not find promising, each with the
    // first searched region that keeps it away (as for its part).
    struct DeferredLPattern {
        Region region;
        unsigned first = 0;
    };
    static constexpr unsigned kMaxDeferredLPatterns = 16;
    // The sightings handed on this frame: one that lies on one of them
    // (every point within kSameLReach pixels) is not handed on again. Each
    // part's rows sight the same corner again, and its reading goes as
    // before.
    static constexpr int kSameLReach = 3;
    LPatternSighting handedL_[kStageBudget > kMovingStageBudget ? kStageBudget : kMovingStageBudget];
    bool WasHanded(LPatternSighting const& l) const;
    // Notes the sighting handed on as the `handed`-th of this frame.
    void NoteHanded(LPatternSighting const& l, unsigned handed);
    DeferredLPattern deferredL_[kMaxDeferredLPatterns];
    unsigned deferredLCount_ = 0;
    // Sightings put off this frame; kDeferredShare of them spend as much
    // of the stage's budget as one handed on: a noisy frame's sweep ends
    // as it did when each was tried.
    unsigned deferredLSeen_ = 0;
    static constexpr unsigned kDeferredShare = 16;
    // The QR triples handed on, with their smallest module.
    // The finders of tried triples handed on alone, this frame.
    Point qrAlone_[kStageBudget / 2 + 1];
    unsigned qrAloneCount_ = 0;
    Region qrTried_[kMovingStageBudget > kStageBudget ? kMovingStageBudget : kStageBudget];
    int qrTriedModule_[kMovingStageBudget > kStageBudget ? kMovingStageBudget : kStageBudget] = {};
    unsigned qrTriedCount_ = 0;
    // The regions the QR and the bull's-eye stages handed on themselves:
    // what other stages searched between their parts keeps nothing of
    // theirs away.
    static constexpr unsigned kStageRegions = 32;
    Region qrSearchedBuffer_[kStageRegions];
    SearchedRegionStack qrSearched_;
    Region eyeSearchedBuffer_[kStageRegions];
    SearchedRegionStack eyeSearched_;
};

}  // namespace DEC2DIvra
