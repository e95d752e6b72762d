#pragma once

#include "decoder/core/interfaces/abstract_bar_code_decoder.h"
#include "decoder/core/location/code_searcher.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/virtual_array.h"
#include "decoder/core/work_area_layout.h"
#include "decoder/linear/roads/abstract_pick_line_decoder.h"
#include "decoder/linear/bar_symbol_decoder_set.h"
#include "decoder/linear/code128/codablock_f_decoder.h"
#include "decoder/linear/roads/combined_line_decoder.h"
#include "decoder/linear/roads/line_and_pre_block_decoder.h"
#include "decoder/linear/roads/line_decode_data_checker.h"
#include "decoder/linear/roads/line_decoder.h"
#include "decoder/linear/line/multi_line_decode_data.h"
#include "decoder/linear/roads/multi_line_decoder.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"

namespace DEC2DIvra {

struct DEC2DProperty;

// The front end of every 1D read: lays a band of scan lines over a region,
// runs the scan schedule with every symbology decoder, and fills the label
// once a result has been read often enough. The status word (of the locator
// interface) is 1 when a symbol was seen but no label came out.
class BarCodeDecoder final : public AbstractBarCodeDecoder, public AbstractPickLineDecoder {
public:
    static constexpr unsigned kInitialScanMode = 4;

    BarCodeDecoder(VirtualArray<unsigned char>& workArea, DEC2DProperty const& property);
    BarCodeDecoder(BarCodeDecoder const&) = delete;
    BarCodeDecoder& operator=(BarCodeDecoder const&) = delete;

    // False when the work area could not hold the frame's buffers; every
    // decode then answers 0.
    bool IsReady() const { return ready_; }
    // The bytes of the frame's part of the work area in use, and those of
    // the repeat checker's own part.
    unsigned GetWorkAreaUsed() const { return memory_.GetOffset(); }
    unsigned GetRepeatCheckerUsed() const { return checkerMemory_.GetOffset(); }

    // A located region (the locator's call).
    int Start(GrayImage const& image, Region const& region, unsigned scanMode, DecodedLabel& label) override;
    // One decode; located is false for the fixed band through the image
    // centre. Nonzero when the label holds a label.
    int Start(GrayImage const& image, Region const& region, unsigned scanMode, DecodedLabel& label, bool located);
    // One pass over one region; on success result points at the accepted
    // line result.
    int StartPart(GrayImage const& image, Region const& region, unsigned scanMode, DecodedLabel& label,
                  LineDecodeData const*& result, bool located);
    // Reading from pick-line samples is not offered by the linear frame.
    int Start(GrayImage const& image, StackInterface<PickLineElement> const& samples, DecodedLabel& label) override;

    // True when a line result and a multi-line result name the same
    // symbology and carry the same character values in the same number.
    static bool Check(LineDecodeData const& line, MultiLineDecodeData const& multiLine);

    // The trials of the located regions of one image are bounded (see
    // LineTrialBudget): kImageTrials from OpenImage to CloseImage, at most
    // kRegionTrials of them in one region. The hardest reads seen took
    // 334,000 trials in their region (DataBar at low contrast, which gathers
    // its finders over many lines) and 925,000 in their frame (DataBar
    // Expanded under perspective, read in the fourth region of its symbol
    // after three that read nothing); symbol-free photographs ran up to
    // 1,600,000.
    void OpenImage() override;
    void CloseImage() override;
    static constexpr unsigned kImageTrials = 1200000;
    static constexpr unsigned kRegionTrials = 400000;
    LineTrialBudget const& GetTrialBudget() const { return trialBudget_; }

    // A new trigger starts without a result waiting for its repeats.
    void OnTriggerDown() { checker_.Initialize(); }

    void SetCodeSearcher(CodeSearcher* searcher) { searcher_ = searcher; }
    BarSymbolDecoderSet& GetBarSymbolDecoderSet() { return decoders_; }
    LineAndPreBlockDecoder& GetLineAndPreBlockDecoder() { return lineAndPreBlock_; }
    LineDecoder const& GetLineDecoder() const { return lineDecoder_; }
    CompositeLineDecoder& GetCompositeLineDecoder() { return compositeLine_; }
    MultiLineDecoder& GetMultiLineDecoder() { return multiLine_; }
    LineDecodeDataChecker const& GetLineDecodeDataChecker() const { return checker_; }
    unsigned GetScanMode() const { return scanMode_; }
    CodablockFDecoder const& GetCodablockFDecoder() const { return codablockF_; }

private:
    bool IsAnyLinearCodeEnabled() const;
    // The label is a Codablock F row: its region found the other rows, each
    // read through StartPart; nonzero with the whole symbol in the label.
    int ReadCodablockF(GrayImage const& image, unsigned scanMode, DecodedLabel& label,
                       LineDecodeData const* result);
    // Offers the read behind a row label to the Codablock F decoder; fromLine:
    // the line's read was taken (else the multi-line road's).
    bool AddCodablockFRow(DecodedLabel const& row, LineDecodeData const* result, bool& fromLine);
    // A band along the line's decoded segment, quiet zones included, for a
    // symbol of `modules` modules; false when the line gives none.
    static bool CalcRowBand(GrayImage const& image, LineDecodeData const& line, unsigned modules, Region& band);
    static constexpr long long kMaxRowLength = 1 << 16;
    // Reads each row region (the last found first) and offers the rows read.
    void ReadCodablockFRows(GrayImage const& image, unsigned scanMode, StackInterface<Region> const& rows);
    // Reads one row region; true when it gave a row the Codablock F decoder took.
    bool ReadCodablockFRow(GrayImage const& image, unsigned scanMode, Region const& band);
    // Rows read beside a missing row that the locator starts again from.
    static constexpr unsigned kMaxRowSeeds = 4;

    // Over the frame's part of the work area (see work_area_layout.h); the
    // repeat checker has a part of its own that no other decoder writes, so
    // that a waiting result survives the other decoders' reads.
    SharedMemoryDistributor memory_;
    SharedMemoryDistributor checkerMemory_;
    DEC2DProperty const* property_;
    CodeSearcher* searcher_ = nullptr;
    CodablockFDecoder codablockF_;
    RateForTuningCalculator rate_;
    LineTrialBudget trialBudget_;
    BarSymbolDecoderSet decoders_;
    LineDecoder lineDecoder_;
    LineDecodeDataChecker checker_;
    LineAndPreBlockDecoder lineAndPreBlock_;
    // The schedule's two further roads over a band.
    CompositeLineDecoder compositeLine_;
    MultiLineDecoder multiLine_;
    unsigned scanMode_ = kInitialScanMode;
    bool ready_ = false;
    // The row-region stack of the locator, and each row pass's label.
    Region rowRegions_[CodablockFDecoder::kMaxRows * 2];
    DecodedLabel rowLabel_;
};

}  // namespace DEC2DIvra
