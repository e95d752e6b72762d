#pragma once

#include "decoder/core/interfaces/abstract_matrix_code_decoder.h"
#include "decoder/core/interfaces/abstract_region_decoder.h"

struct MULTIPLE_LABEL_st;
struct tagPoint_t;
struct tagSymbolRegion;

namespace DEC2DIvra {

// The one door into the legacy matrix engine (MaxiCode, Han Xin): told of
// each image before the symbol locator runs, then given horizontal segments
// laid across a candidate. The engine keeps its state in its own records, so
// there is one engine per process, used from the decoder thread only.
class OldMatrixDecoder final : public AbstractMatrixCodeDecoder, public AbstractRegionDecoder {
public:
    // Statuses of the last call.
    static constexpr int kRunning = 2;
    static constexpr int kLabelWritten = 3;
    static constexpr int kTableEmpty = 0;
    static constexpr int kNothingFound = 5;
    static constexpr int kNothingAfterFinder = 6;
    static constexpr int kRegionRefused = 7;

    // Resets the whole engine.
    OldMatrixDecoder();
    OldMatrixDecoder(OldMatrixDecoder const&) = delete;
    OldMatrixDecoder& operator=(OldMatrixDecoder const&) = delete;

    // The engine's pass over a whole region: lines across it for the families
    // such a region holds, none of which this engine reads; 1 with the label
    // written, 0 with the label emptied.
    int Start(GrayImage const& image, Region const& region, unsigned mode, DecodedLabel& label) override;
    // One pass of the engine along the segment; 1 with the label written, 0
    // with the label emptied.
    int Start(GrayImage const& image, LineSegment const& segment, DecodedLabel& label) override;
    // Not a road of the engine: answers 0 and touches nothing.
    int Start(GrayImage const& image, Region const& region, DecodedLabel& label) override;

    // Per image: the engine's image and its per-image state (the result table
    // emptied).
    void OnNewImage(GrayImage const& image);

    int GetStatus() const { return status_; }
    bool MetFinder() const override { return status_ == kNothingAfterFinder || status_ == kLabelWritten; }

    // A result-table entry as the caller's label: data, corners, identifier
    // and structured-append record. False, with the label emptied, when the
    // data does not fit the label.
    static bool WriteLabel(MULTIPLE_LABEL_st const& entry, DecodedLabel& label);

    // The label's identifier from a result entry of each family, its
    // modifier bits taken from the entry's AIM modifier character.
    static void SetSymbology_QR(DecodedLabel& label, MULTIPLE_LABEL_st const& entry);
    static void SetSymbology_mQR(DecodedLabel& label, MULTIPLE_LABEL_st const& entry);
    static void SetSymbology_DataMatrix(DecodedLabel& label, MULTIPLE_LABEL_st const& entry);
    static void SetSymbology_Maxi(DecodedLabel& label, MULTIPLE_LABEL_st const& entry);
    static void SetSymbology_Aztec(DecodedLabel& label, MULTIPLE_LABEL_st const& entry);
    static void SetSymbology_ChineseSensible(DecodedLabel& label, MULTIPLE_LABEL_st const& entry);

    // At the start of every call: the frame under the engine's debug view,
    // when one is attached.
    static void SimulationC_SetGrayImage(GrayImage const& image);
    // Whether the four corners of a region lie where the engine may read it,
    // and the region fitted to the image: every region is taken as it is.
    static int VerifyRegion(tagPoint_t* corners, unsigned const& width, unsigned const& height);
    static int AdjustRegion(unsigned char kind, tagPoint_t* corners, unsigned const& width, unsigned const& height);

private:
    int StartLine(GrayImage const& image, LineSegment const& segment, DecodedLabel& label);
    int StartRegion(GrayImage const& image, tagPoint_t* corners, unsigned flags, DecodedLabel& label);
    // What a pass left: nothing (5 or 6), an empty table (0) or the label (3).
    static int Finish(int passResult, tagSymbolRegion* region, DecodedLabel& label);

    int status_ = 0;
};

}  // namespace DEC2DIvra
