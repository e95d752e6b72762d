#include "decoder/matrix/qr/qr_binarization.h"

#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/geometry/vector.h"
#include "decoder/core/sampling/binarization_subroutine.h"
#include "decoder/matrix/qr/qr_version_tables.h"

namespace DEC2DIvra {

int BinarizationSubroutineForQRCode::Start(GrayImage const& image, CommonCodeMesh const& mesh, bool micro,
                                           unsigned version, bool polarity, bool laplacian, CommonLuminanceMap& map,
                                           VariableSizeVirtualTable<bool>& table) const
{
    if (version < 1 || version > (micro ? 4u : QRVersionTables::kMaxVersion)) {
        return 0;
    }
    unsigned const side = micro ? QRVersionTables::GetMicroSize(version) : QRVersionTables::GetSize(version);
    if (mesh.GetWidth() != side + 2 || mesh.GetHeight() != side + 2 ||
        !(laplacian ? MakeLapLuminanceMap(image, mesh, map) : MakeLuminanceMap(image, mesh, map))) {
        return 0;
    }
    CommonGapAndThresholdMap blocks(blocks_);
    Rectangle const area{1, 1, static_cast<int>(side), static_cast<int>(side)};
    return BinarizationSubroutine().Start(image, map, area, blocks,
                                          Vector{static_cast<int>(kBlock), static_cast<int>(kBlock)}, polarity,
                                          table);
}

}  // namespace DEC2DIvra
