// The bull's-eye walked frame by frame from an inner ring outward.
#include "decoder/matrix/aztec/aztec_finder_searcher.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/rectangle.h"

namespace DEC2DIvra {

namespace {

// The frame of a ring: its corner modules' outer corners, halfway between
// the corner module centres of the ring and of the next.
bool FrameOfRing(AztecFinderGrid const& grid, int ring, Region& frame)
{
    for (unsigned k = 0; k < 4; ++k) {
        if (!grid.CalcCornerOfSymbolRegion(ring, k, 0, frame[k])) {
            return false;
        }
    }
    return true;
}

void SideMiddles(Region const& frame, Point (&middles)[4])
{
    for (unsigned s = 0; s < 4; ++s) {
        Geometry::CalcCenterPoint(frame[s], frame[s + 1], middles[s]);
    }
}

bool Contains(Region const& outer, Region const& inner)
{
    for (unsigned k = 0; k < 4; ++k) {
        if (!Geometry::IsIncluding(outer, inner[k])) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool AztecFinderSearcher::Start(GrayImage const& image, bool colour, Region const& innerRegion, unsigned ring,
                                AztecFinderGrid& grid) const
{
    unsigned const last = grid.IsCompact() ? 3 : 5;
    if (ring == 0 || ring >= last || !grid.SetGrid(innerRegion, ring)) {
        return false;
    }
    Region previous{};
    if (!FrameOfRing(grid, static_cast<int>(ring), previous)) {
        return false;
    }
    Point middles[4];
    SideMiddles(previous, middles);
    Region inner = previous;
    for (unsigned next = ring + 1; next <= last; ++next) {
        // The colour just inside the next frame: the next ring's.
        bool const inside = ((next - ring) & 1u) != 0 ? !colour : colour;
        Region frame{};
        if (!CalcOuterFrameRegion(image, inside, grid, next, previous, frame) || !Contains(previous, innerRegion) ||
            !SetOuterGridAndCenterPoint(frame, next, middles, grid)) {
            return false;
        }
        inner = previous;
        previous = frame;
    }
    grid.SetFrames(previous, inner);
    return true;
}

bool AztecFinderSearcher::CalcOuterFrameRegion(GrayImage const& image, bool colour, AztecFinderGrid const& grid,
                                               unsigned ring, Region const& previous, Region& frame) const
{
    if (ring < 2) {
        return false;
    }
    // From the corner modules of the last ring confirmed and of the ring
    // inside it, one and a half rings on: the next frame's corner.
    int const last = static_cast<int>(ring) - 1;
    int constexpr kOne = 1 << CommonVectorGrid::kFractionBits;
    Rectangle const inside{kOne, kOne, (image.GetWidth() - 2) * kOne, (image.GetHeight() - 2) * kOne};
    Point const& centre = grid.GetCenter();
    Region expected{};
    for (unsigned k = 0; k < 4; ++k) {
        int const x = RegionCornerCoord::X(k);
        int const y = RegionCornerCoord::Y(k);
        Vector current{};
        Vector before{};
        if (!grid.CalcVectorFromCrossPoint(x * last, y * last, current) ||
            !grid.CalcVectorFromCrossPoint(x * (last - 1), y * (last - 1), before)) {
            return false;
        }
        expected[k] = Point{centre.x + current.dx + (3 * (current.dx - before.dx)) / 2,
                            centre.y + current.dy + (3 * (current.dy - before.dy)) / 2};
        if (!Geometry::IsIncluding(inside, expected[k])) {
            return false;
        }
    }
    Vector steps[4];
    for (unsigned s = 0; s < 4; ++s) {
        steps[s] = grid.GetStep(s);
    }
    Region found{};
    if (!CalcFinderRegionSubroutine().Start(image, expected, steps, colour, found) || !Contains(found, previous)) {
        return false;
    }
    frame = found;
    return true;
}

bool AztecFinderSearcher::SetOuterGridAndCenterPoint(Region const& frame, unsigned ring, Point (&middles)[4],
                                                     AztecFinderGrid& grid)
{
    Point fresh[4];
    SideMiddles(frame, fresh);
    Point const& centre = grid.GetCenter();
    for (unsigned s = 0; s < 4; ++s) {
        Point middle{};
        Geometry::CalcCenterPoint(fresh[s], middles[s], middle);
        if (!grid.ConfirmGrid(Vector{middle.x - centre.x, middle.y - centre.y}, s, static_cast<int>(ring))) {
            return false;
        }
        middles[s] = fresh[s];
    }
    return true;
}

}  // namespace DEC2DIvra
