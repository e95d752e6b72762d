#pragma once

#include "decoder/core/interfaces/abstract_matrix_code_decoder.h"
#include "decoder/core/interfaces/abstract_region_decoder.h"

namespace DEC2DIvra {

// The one door into the legacy matrix engine (MaxiCode, Han Xin): told of
// each image before the symbol locator runs, then given horizontal segments
// laid across a candidate. The engine keeps its state in its own records.
// Its readers are not built in yet: every call reads nothing.
class OldMatrixDecoder final : public AbstractMatrixCodeDecoder, public AbstractRegionDecoder {
public:
    OldMatrixDecoder() = default;
    OldMatrixDecoder(OldMatrixDecoder const&) = delete;
    OldMatrixDecoder& operator=(OldMatrixDecoder const&) = delete;

    int Start(GrayImage const& image, Region const& region, unsigned mode, DecodedLabel& label) override;
    int Start(GrayImage const& image, LineSegment const& segment, DecodedLabel& label) override;
    // Not a road of the engine: answers 0 and touches nothing.
    int Start(GrayImage const& image, Region const& region, DecodedLabel& label) override;

    void OnNewImage(GrayImage const& image);

    int GetStatus() const { return status_; }

private:
    int status_ = 0;
};

}  // namespace DEC2DIvra
