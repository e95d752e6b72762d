#pragma once

#include "decoder/core/interfaces/abstract_l_pattern_decoder.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

struct DEC2DProperty;

// Reads a Data Matrix symbol from the solid L the symbol locator found.
// It lays its buffers over its part of the work area once, when it is
// built. The reading stages are not built in yet: every call reads nothing.
class DataMatrixDecoder final : public AbstractLPatternDecoder {
public:
    DataMatrixDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property);
    DataMatrixDecoder(DataMatrixDecoder const&) = delete;
    DataMatrixDecoder& operator=(DataMatrixDecoder const&) = delete;

    int Start(GrayImage const& image, Region const& lPattern, DecodedLabel& label) override;

private:
    SharedMemoryDistributor memory_;
    DEC2DProperty const* property_;
};

}  // namespace DEC2DIvra
