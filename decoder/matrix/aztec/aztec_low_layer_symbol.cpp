// The Aztec reader's road for symbols without reference lines: the grid
// walked out over the bull's-eye's frames, the modules sampled through it,
// and the symbol's sides re-fitted outward while the data does not correct.
#include "decoder/matrix/aztec/aztec_code_decoder.h"

#include "decoder/core/geometry/geometry.h"

#include <cmath>
#include <initializer_list>

namespace DEC2DIvra {

namespace {

// A grid position of the ray search (pixel centres at half pixels) in the
// fixed point of the frames' grid (pixel centres on whole coordinates).
bool ToFixed(AztecModuleGrid const& grid, int i, int j, Point& point)
{
    double x = 0;
    double y = 0;
    if (!grid.Map(i, j, x, y) || !(std::fabs(x) < 1e6 && std::fabs(y) < 1e6)) {
        return false;
    }
    int constexpr kOne = 1 << CommonVectorGrid::kFractionBits;
    point = Point{static_cast<int>(std::lround((x - 0.5) * kOne)), static_cast<int>(std::lround((y - 0.5) * kOne))};
    return true;
}

}  // namespace

bool AztecCodeDecoder::WalkFinderFrames(GrayImage const& image, bool dark, bool compact)
{
    // Walked once per ray-search grid and symbol kind: the mode ring's
    // reading walked them already.
    if (walkTried_ && walkedCompact_ == compact) {
        return walked_;
    }
    walkTried_ = true;
    walkedCompact_ = compact;
    walked_ = Walk(image, dark, compact);
    return walked_;
}

bool AztecCodeDecoder::Walk(GrayImage const& image, bool dark, bool compact)
{
    // The corner modules of the first ring, which the ray search measures
    // closely, start the walk.
    Region inner{};
    for (unsigned k = 0; k < 4; ++k) {
        if (!ToFixed(grid_, RegionCornerCoord::X(k), RegionCornerCoord::Y(k), inner[k])) {
            return false;
        }
    }
    finderGrid_.SetCompact(compact);
    // The first ring is light on a dark-centred bull's-eye.
    return finder_.Start(image, !dark, inner, 1, finderGrid_);
}

void AztecCodeDecoder::TurnFinderGrid(OrientationPattern const& orientation)
{
    // Turned into the symbol's reading orientation, as the table is read.
    unsigned turns = orientation.rotation & 3u;
    if (orientation.mirrored) {
        turns = (turns == 0 || turns == 2) ? turns + 1 : turns - 1;
    }
    symbolGrid_.SetRotatedGrid(finderGrid_, turns, orientation.mirrored);
}

void AztecCodeDecoder::SetRegionFromGrid(CommonVectorGrid const& grid, unsigned half, DecodedLabel& label) const
{
    // Label corners run top-left, top-right, bottom-right, bottom-left; the
    // grid's corners bottom-left, bottom-right, top-right, top-left.
    int constexpr kHalf = 1 << (CommonVectorGrid::kFractionBits - 1);
    for (unsigned k = 0; k < 4; ++k) {
        Point p{};
        grid.CalcCornerOfSymbolRegion(static_cast<int>(half), 3 - k, 0, p);
        label.region.corner[k] = Point{(p.x + kHalf) >> CommonVectorGrid::kFractionBits,
                                       (p.y + kHalf) >> CommonVectorGrid::kFractionBits};
    }
}

int AztecCodeDecoder::DecodeLowLayerSymbol(GrayImage const& image, bool dark, ModeMessageInformation const& information,
                                           OrientationPattern const& orientation, DecodedLabel& label)
{
    unsigned const size = AztecSymbolSize(information.compact, information.layers);
    if (information.runes || size > kLowLayerMaxSize || (!information.compact && information.layers > 4) ||
        !WalkFinderFrames(image, dark, information.compact)) {
        return 0;
    }
    TurnFinderGrid(orientation);
    int const half = static_cast<int>(size / 2);
    unsigned const start = information.compact ? 3u : 5u;
    unsigned counts[4] = {start, start, start, start};
    // The grid starts out covering the bull's-eye's outer frame, whose
    // corner modules' centres the walk measured; turned into reading order,
    // corner k of the symbol is the walked corner the turn takes it to.
    Region const frame = finderGrid_.GetInnerFrameCenterRegion();
    Region region{};
    for (unsigned k = 0; k < 4; ++k) {
        double x = 0;
        double y = 0;
        AztecSymbolToReader(orientation, RegionCornerCoord::X(k), RegionCornerCoord::Y(k), x, y);
        for (unsigned m = 0; m < 4; ++m) {
            if (RegionCornerCoord::X(m) == static_cast<int>(std::lround(x)) &&
                RegionCornerCoord::Y(m) == static_cast<int>(std::lround(y))) {
                region[k] = frame[m];
            }
        }
    }
    CommonCodeMesh mesh(meshPoints_);
    if (!mesh.SetSize(size, size, CommonVectorGrid::kFractionBits) ||
        !mesh.SetSamplingSize(CommonVectorGrid::kFractionBits)) {
        return 0;
    }
    BinarizationTableForAztec table{Cells(), size};
    for (unsigned round = 0; round < kMaxOuterRounds; ++round) {
        for (int j = -half; j <= half; ++j) {
            for (int i = -half; i <= half; ++i) {
                mesh.At(static_cast<unsigned>(i + half), static_cast<unsigned>(j + half)) =
                    symbolGrid_.GetTempModuleCenter(i, j);
            }
        }
        // Grey values first; on the first round, when they do not correct,
        // the sharpened ones too, which part modules that blur has run
        // together. Later rounds move the grid, not the modules' look.
        for (bool const laplacian : {false, true}) {
            if (laplacian && round > 0) {
                break;
            }
            if (binarization_.Start(image, mesh, laplacian, dark, table) &&
                DecodeTable(table, information, label) != 0) {
                SetRegionFromGrid(symbolGrid_, static_cast<unsigned>(half), label);
                regionSet_ = true;
                return 1;
            }
        }
        Region next{};
        if (!outerRegion_.Start(image, dark, mesh, table, region, counts, next) || !symbolGrid_.SetGrid(next, counts)) {
            break;
        }
        region = next;
    }
    if (!information.compact) {
        return 0;
    }
    // A compact symbol that no straight grid reads may be bent: each arm
    // walked outward on its own grid.
    TurnFinderGrid(orientation);
    Region corners{};
    if (!curved_.Start(image, dark, half, symbolGrid_, table, corners) || DecodeTable(table, information, label) == 0) {
        return 0;
    }
    int constexpr kHalf = 1 << (CommonVectorGrid::kFractionBits - 1);
    for (unsigned k = 0; k < 4; ++k) {
        Point const& p = corners[3 - k];
        label.region.corner[k] = Point{(p.x + kHalf) >> CommonVectorGrid::kFractionBits,
                                       (p.y + kHalf) >> CommonVectorGrid::kFractionBits};
    }
    regionSet_ = true;
    return 1;
}

}  // namespace DEC2DIvra
