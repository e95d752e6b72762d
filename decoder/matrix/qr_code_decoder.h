#pragma once

#include "decoder/core/interfaces/abstract_region_decoder.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

struct DEC2DProperty;

// Reads a QR Code or Micro QR symbol around the finder patterns the symbol locator found.
// It lays its buffers over its part of the work area once, when it is
// built. The reading stages are not built in yet: every call reads nothing.
class QRCodeDecoder final : public AbstractRegionDecoder {
public:
    QRCodeDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property);
    QRCodeDecoder(QRCodeDecoder const&) = delete;
    QRCodeDecoder& operator=(QRCodeDecoder const&) = delete;

    int Start(GrayImage const& image, Region const& finders, DecodedLabel& label) override;

private:
    SharedMemoryDistributor memory_;
    DEC2DProperty const* property_;
};

}  // namespace DEC2DIvra
