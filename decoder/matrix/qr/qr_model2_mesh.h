#pragma once

#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/matrix/qr/qr_finder_region.h"

namespace DEC2DIvra {

// Module (column, row) of a point of the alignment grid.
struct MiniFinderPosition {
    unsigned short column = 0;
    unsigned short row = 0;
};

// A point of the alignment grid: an alignment pattern's centre, or a finder
// corner module's, in 1/256 pixel. valid: a centre is known (found or
// estimated); corrected: a search confirmed it, or a finder gave it.
struct MiniFinderPoint {
    Point centre;
    MiniFinderPosition position;
    unsigned size = 0;
    unsigned char valid = 0;
    unsigned char corrected = 0;
};

// The module centres of a QR Code (Model 2) from its finders and alignment
// patterns: the patterns looked for where the grid of alignment coordinates
// puts them, each from the points already known around it, straight lines
// fitted through the found centres of every grid row and column, and the
// mesh filled cell by cell between neighbouring grid points, so that a
// symbol bent or seen at a slant is followed cell by cell. The mesh gets the
// symbol and a ring of one module: (S + 2) x (S + 2) points, 1/256 pixel.
// polarity: the symbol is light on dark.
class CalcModel2QRCodeMeshSubroutine {
public:
    static constexpr unsigned kMaxGrid = 9;  // alignment coordinates + 2
    using MiniFinderTable = VariableSizeVirtualTable<MiniFinderPoint>;

    // Versions 1-40; a missing top-right or bottom-left finder is null.
    // Nonzero when the mesh is filled.
    int Start(GrayImage const& image, QRFinderRegion const* topLeft, QRFinderRegion const* topRight,
              QRFinderRegion const* bottomLeft, bool polarity, unsigned version, CommonCodeMesh& mesh) const;
    // Version 1: the centres of the symbol's four corner modules from lines
    // through the finders' side midpoints.
    int StartForVersionOne(GrayImage const& image, QRFinderRegion const& topLeft, QRFinderRegion const& topRight,
                           QRFinderRegion const& bottomLeft, bool polarity, unsigned version, Region& region) const;
    // Versions 2-6 (one alignment pattern): the pattern looked for, every
    // other grid point the crossing of lines through the finders' sides.
    int StartForSmallVersion(GrayImage const& image, QRFinderRegion const& topLeft, QRFinderRegion const& topRight,
                             QRFinderRegion const& bottomLeft, bool polarity, unsigned version,
                             CommonCodeMesh& mesh) const;

    // Small versions printed on a curved surface (versions 1-6): the grid
    // of the finders and the one alignment pattern (only predicted for
    // version 1) with a middle row and column put in, the middle points of
    // the timing patterns moved to where the timing scores best, and the
    // mesh cell by cell over that grid.
    int StartForCurvedSmallVersion(GrayImage const& image, QRFinderRegion const& topLeft,
                                   QRFinderRegion const& topRight, QRFinderRegion const& bottomLeft, bool polarity,
                                   unsigned version, CommonCodeMesh& mesh) const;
    // A 4 x 4 grid widened to 5 x 5 (a middle row and column), the middle
    // point of the timing row (vertical: column) moved along its bow to
    // where the timing pattern scores best. 0 for a larger grid, a point
    // off the image, or a degenerate grid.
    int AdjustToCurvedTimingPatternForSmallVersions(GrayImage const& image, bool polarity, MiniFinderTable const& in,
                                                    bool vertical, MiniFinderTable& out) const;

    // The grid shaped (n + 2) x (n + 2), seeded from the finders, and its
    // interior found or estimated; 0 for a version without coordinates or
    // no finder to start from.
    int CalcMiniFinders(GrayImage const& image, QRFinderRegion const* const* finders, bool polarity,
                        unsigned version, MiniFinderTable& grid) const;
    // The mesh from a grid, cell by cell; a missing border cell rebuilt from
    // its neighbour first.
    int CalcCodeRegions(GrayImage const& image, MiniFinderTable& grid, unsigned version, CommonCodeMesh& mesh) const;
    // The cell's corners (i, j), (i + 1, j), (i + 1, j + 1), (i, j + 1);
    // false unless all four are valid.
    static bool CalcCodeRegion(MiniFinderTable const& grid, unsigned i, unsigned j, Region& region);

    // The module coordinate of grid index i (n alignment coordinates).
    static unsigned CalcMiniFinderPosition(unsigned version, unsigned i);
    static void SetMainFinderPositions(QRFinderRegion const* const* finders, unsigned version, MiniFinderTable& grid);
    // The mean Chebyshev side of the finders present, 1/256 pixel.
    static unsigned CalcSearchMiniFinderSize(QRFinderRegion const* const* finders);

private:
    // Every point of a 4 x 4 grid but the inner one from lines through the
    // finders' sides and the inner point.
    static bool CompleteSmallGrid(QRFinderRegion const* const* finders, unsigned version, MiniFinderTable& grid);
    // The point between two grid neighbours, each weighted by its distance
    // and the skew of the grid at it (cosines in 1/65536).
    static bool CalcCenterMiniFinderPoint(MiniFinderPoint const& a, int cosineA, MiniFinderPoint const& b,
                                          int cosineB, MiniFinderPoint& out);
    // The centre of a 3 x 3 block of points: the crossing of its middle row
    // and column.
    static bool CalcCrossMiniFinder(MiniFinderTable const& grid, unsigned i, unsigned j, MiniFinderPoint& out);

    struct GridLines {
        Line row[kMaxGrid];
        Line column[kMaxGrid];
        bool hasRow[kMaxGrid] = {};
        bool hasColumn[kMaxGrid] = {};
    };

    // The grid point (i, j) estimated from the known points around it.
    static bool CalcMiniFinder(MiniFinderTable const& grid, unsigned i, unsigned j, MiniFinderPoint& point);
    // The nearest valid point from (i, j) stepping (di, dj); false at the
    // grid's edge.
    static bool SearchNextMiniFinderOnTable(MiniFinderTable const& grid, unsigned i, unsigned j, int di, int dj,
                                            unsigned& fi, unsigned& fj);
    // The alignment pattern searched around the point's estimate; true and
    // the point corrected when found.
    bool CorrectMiniFinder(GrayImage const& image, bool polarity, unsigned searchSize, MiniFinderPoint& point) const;
    static void PushToIndexStack(unsigned short* stack, unsigned& count, unsigned short index);
    // A found centre off the line of the others of its grid row or column
    // loses its correction (module in 1/256 pixel).
    static void RejectStrayFinds(MiniFinderTable& grid, unsigned module);
    // Lines through the corrected points of each grid row and column but
    // the last (the inner ones with one such point or none placed between
    // their fitted neighbours); then every interior point not corrected,
    // and every missing one of the top row and the left column, put at its
    // lines' crossing.
    static void CalcGridLines(MiniFinderTable& grid, GridLines& lines);
    // A line for index k from the nearest fitted lines either side, through
    // `through` when given.
    static bool SearchNearLines(MiniFinderTable const& grid, Line const* lines, bool const* has, unsigned k,
                                bool columns, Point const* through, Line& out);
    // The missing corners of border cell (i, j) from its neighbour at
    // (i + di, j + dj), whose edge lines are extended.
    static bool ExtendCell(MiniFinderTable& grid, unsigned i, unsigned j, int di, int dj);
};

}  // namespace DEC2DIvra
