#pragma once

#include "decoder/core/interfaces/abstract_region_decoder.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

struct DEC2DProperty;

// Reads an Aztec Code or Aztec Runes symbol around the bull's-eye the symbol locator found.
// It lays its buffers over its part of the work area once, when it is
// built. The reading stages are not built in yet: every call reads nothing.
class AztecCodeDecoder final : public AbstractRegionDecoder {
public:
    AztecCodeDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property);
    AztecCodeDecoder(AztecCodeDecoder const&) = delete;
    AztecCodeDecoder& operator=(AztecCodeDecoder const&) = delete;

    int Start(GrayImage const& image, Region const& bullsEye, DecodedLabel& label) override;

private:
    SharedMemoryDistributor memory_;
    DEC2DProperty const* property_;
};

}  // namespace DEC2DIvra
