#pragma once

#include "decoder/core/interfaces/abstract_dot_decoder.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/virtual_array.h"
#include "decoder/matrix/data_dot_grid.h"

namespace DEC2DIvra {

struct DEC2DProperty;

// Reads DotCode from the dot candidates the symbol locator hands over one by
// one, gathering them over the calls of one image. It lays its buffers over
// its part of the work area once, when it is built. The reading stages are
// not built in yet: every call reads nothing.
class DotCodeDecoder final : public AbstractDotDecoder {
public:
    DotCodeDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property);
    DotCodeDecoder(DotCodeDecoder const&) = delete;
    DotCodeDecoder& operator=(DotCodeDecoder const&) = delete;

    int Start(GrayImage const& image, Dot const& dot, DecodedLabel& label) override;
    void OnNewImage() override;

    DataDotGrid const& GetDataDotGrid() const { return grid_; }

private:
    SharedMemoryDistributor memory_;
    DEC2DProperty const* property_;
    DataDotGrid grid_;
};

}  // namespace DEC2DIvra
