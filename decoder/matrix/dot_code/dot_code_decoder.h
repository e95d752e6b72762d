#pragma once

#include "decoder/core/containers/virtual_array.h"
#include "decoder/core/interfaces/abstract_dot_decoder.h"
#include "decoder/core/location/searched_region_stack.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/matrix/dot_code/data_dot_grid.h"
#include "decoder/matrix/dot_code/dot_code_binarization_table.h"
#include "decoder/matrix/dot_code/dot_code_data_stream_conversion.h"
#include "decoder/matrix/dot_code/dot_code_dot_center.h"
#include "decoder/matrix/dot_code/dot_code_dot_stack.h"
#include "decoder/matrix/dot_code/dot_code_error_detection.h"
#include "decoder/matrix/dot_code/dot_code_first_grid.h"
#include "decoder/matrix/dot_code/dot_code_step_vectors.h"
#include "decoder/core/sampling/common_code_mesh.h"

namespace DEC2DIvra {

struct DEC2DProperty;

// A parallelogram around dots (corners in 1/256 pixel, in order round it)
// and the number of dots it holds.
struct DotsRegion {
    Region region;
    unsigned count = 0;
};

// Reads DotCode from the dot candidates the symbol locator hands over one by
// one: it gathers them over the calls of one image until their sizes and
// positions give the dot pitch. Then, first, it re-centres the candidates,
// grows the dots over the symbol step by step, keeps the largest cluster,
// builds the grid of dot lines from them, grows the grid side by side and
// samples the mesh of its crossings. Behind that, for images that way does
// not read, a second reader with its own dot stack grows the dots over a
// lattice of grid positions and fits least-squares lines to them. Its
// buffers lie over its part of the work area, laid out once when it is
// built.
class DotCodeDecoder final : public AbstractDotDecoder {
public:
    static constexpr unsigned kMaxCandidates = 64;
    static constexpr unsigned kMaxCentres = 8192;
    static constexpr unsigned kMinimumCandidates = 12;
    // Full attempts in one image: a symbol that does not read, or print and
    // texture that look like dots, cost no more.
    static constexpr unsigned kMaxAttempts = 8;
    static constexpr unsigned kMaxAllAttempts = 32;
    // Lattice positions probed in one image by the reader behind the grid:
    // a frame full of dot-like texture costs a bounded time (about 60 ms
    // for 640 x 480 grey noise), while a large noisy symbol behind a few
    // false starts still reads.
    static constexpr unsigned kPositionBudget = 80000;
    static constexpr unsigned kMaxNodes = 16384;
    static constexpr int kLatticeHalf = 128;  // grid positions each side of the first dot
    static constexpr unsigned kMaxSide = DataDotGrid::kSegmentCapacity;

    DotCodeDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property);
    DotCodeDecoder(DotCodeDecoder const&) = delete;
    DotCodeDecoder& operator=(DotCodeDecoder const&) = delete;

    int Start(GrayImage const& image, Dot const& dot, DecodedLabel& label) override;
    void OnNewImage() override;

    // Reads a table of even width and odd height in the reverse and then the
    // forward order; true when one converts, `reversed` telling which. With
    // the symbol record on, the table is then repainted from the corrected
    // codewords.
    bool DecodeBinarizationTable(BinarizationTableForDotCode& table, DecodedLabel& label, bool& reversed);
    // The sampled table turned or cut to that shape, each way tried until
    // one reads; the label's region written from the grid.
    bool DecodeBinarizationTable(bool inverted, BinarizationTableForDotCode& table, DecodedLabel& label);

    // The candidate centres (1/256 pixel) of the dots stored: all (Set) or
    // one dot's (Push). A dot of the standard colour gives its own centre
    // when its size is the mode size's within 1, and its separated centres
    // when it is two dots side by side (size about twice the mode size) or
    // three in a triangle.
    static void SetTempDotCenterStack(DotStack const& dots, unsigned modeSize, Point* out, unsigned& count,
                                      unsigned capacity);
    static void PushTempDotCenterStack(DotStack const& dots, unsigned index, unsigned modeSize, Point* out,
                                       unsigned& count, unsigned capacity);

    // Unites two regions of dots into b when they overlap: united tells
    // whether they did; false when a side of the outline cannot be formed.
    static bool UniteDotsRegion(DotsRegion& a, DotsRegion& b, bool& united);

    // The label region through grid points two lines inside the grid: o, m
    // and r tell the orientation, mirror and reading order of the read.
    bool CalcSymbolRegion(DataDotGrid const& grid, bool o, bool m, bool r, unsigned index, Region& region) const;

    DataDotGrid const& GetDataDotGrid() const { return grid_; }
    bool IsReady() const { return ready_; }

    // Positions the grid reader probes in one image (dots grown, sides
    // probed): bounds the time a frame full of dot-like texture costs
    // (about 40 ms for 640 x 480 grey noise). A blank position may be
    // probed from each of its neighbours: a symbol of some 4,000 positions
    // takes most of it, and larger ones are left to the lattice reader.
    static constexpr unsigned kDotSearchBudget = 12000;

private:
    // --- The dot grid reader ---
    int StartAlongDotGrid(GrayImage const& image, Dot const& dot, DecodedLabel& label);
    int DecodeFromDotCenters(GrayImage const& image, DotStepVectors const& steps, bool dark, unsigned candidates,
                             DecodedLabel& label);
    void CalcRectangleVectors();
    bool CalcDotCenterStack(GrayImage const& image, bool dark, unsigned candidates);
    bool CalcDotContrast(GrayImage const& image, bool dark, Point const& centre, int& contrast) const;
    bool DeleteNoiseDot(int threshold, int& smallest);
    bool CalcTempRegions(Region& first, Region& second);
    bool SearchInnerDot(GrayImage const& image, bool dark, Region const& first, Region const& second, int& smallest);
    bool SearchNewDotCenter(GrayImage const& image, bool dark, Point const& at, int threshold, DotCenter& found);
    bool PushNewDotCenter(DotCenter const& centre);
    bool IsNewDotCenter(Point const& p) const;
    bool DeleteIsolatedDots();
    bool CorrectStepVectors();
    bool CorrectStepVector(Vector const& v, Vector& corrected);
    bool ExpandDataDotGrid(GrayImage const& image, bool dark, int smallest, bool& grown);
    bool ExpamdAllSideGrid(GrayImage const& image, bool dark, int smallest);
    bool ExpamdTwoSideGrid(GrayImage const& image, bool dark, int smallest, bool columns);
    bool SearchSideDot(GrayImage const& image, bool dark, int smallest, bool last, bool columns);
    bool CalcCodeMesh(bool transposed);
    int DecodeDataDotGrid(GrayImage const& image, bool dark, DecodedLabel& label);
    void FillDotGridRecord(BinarizationTableForDotCode const& table, DecodedLabel& label) const;
    // Centres near a point, through buckets of the image a rectangle wide.
    void ResetCentreBuckets();
    void AddCentreBucket(unsigned index);
    bool FindCentreNear(Point const& p, unsigned& index) const;
    // visit(i) for each centre i within the rectangle vectors of p, through
    // the buckets around it, until one returns true; whether one did.
    template <class Visit>
    bool VisitCentresNear(Point const& p, Visit const& visit) const;
    void CompactCentres();

    static constexpr int kNoContrast = -(1 << 30);
    static constexpr int kDeleted = -(1 << 29);
    static constexpr unsigned kMaxBuckets = 16384;

    DotStack gridDots_;
    Point gridCandidates_[2 * kMaxCandidates];
    unsigned gridCandidateCount_ = 0;
    unsigned gridExamined_ = 0;
    unsigned gridModeSize_ = 0;
    CalcStepVectorSubroutine stepSearch_;
    DotStepVectors steps_;
    Vector rectMin_;
    Vector rectMax_;
    VirtualArray<DotCenter> dotCentres_;
    VirtualArray<DotCenter> sortedCentres_;
    unsigned dotCentreCount_ = 0;
    VirtualArray<DotsRegion> regions_;
    VirtualArray<int> bucketHead_;
    VirtualArray<int> bucketNext_;
    int bucketSide_ = 256;
    int imageWidth_ = 0;
    int imageHeight_ = 0;
    unsigned bucketColumns_ = 1;
    unsigned bucketRows_ = 1;
    SearchedRegionStack gridSearched_;
    Region gridSearchedBuffer_[32];
    bool searchedPushed_ = false;
    bool sideClosed_[2][2] = {};
    CalcFirstDataDotGridSubroutine firstGrid_;
    CommonCodeMesh mesh_;
    unsigned dotSearchProbed_ = 0;

    // --- The lattice reader behind it ---
    int StartOnLattice(GrayImage const& image, Dot const& dot, DecodedLabel& label);
    void ClearDots();
    static void CorrectLatticeStepVectors(Point const* centres, unsigned count, DotStepVectors& steps);
    static bool CalcFinerStepVectors(DotStepVectors const& steps, DotStepVectors& finer);
    // A full attempt with the step vectors and, when it fails, with the
    // finer grid they halve.
    int Attempt(GrayImage const& image, DotStepVectors const& steps, bool dark, DecodedLabel& label);
    // The full attempt from the candidates, once the step vectors are known.
    int DecodeFromCandidates(GrayImage const& image, DotStepVectors const& steps, bool dark, DecodedLabel& label);
    // Grows the dots of one symbol from a first dot over the grid positions;
    // the count of dots found.
    unsigned GrowLatticeDots(GrayImage const& image, DotStepVectors const& steps, bool dark, Point const& first,
                             int reference);
    bool IsUnvisitedPosition(int column, int row) const;
    // Drops edge lines with dots at under a fifth of their positions.
    void TrimSparseEdges(int& minColumn, int& maxColumn, int& minRow, int& maxRow);
    int DecodeFittedGrid(GrayImage const& image, bool dark, unsigned columns, unsigned rows, DecodedLabel& label);
    bool SampleTable(GrayImage const& image, bool dark, bool laplacian, unsigned columns, unsigned rows);
    // The sampled table turned to the shape the codeword reader reads.
    bool DecodeTableForm(DecodedLabel& label);
    // `table` is the sampled table, or a copy with a line added or cut whose
    // (0, 0) lies at `origin` in it.
    bool DecodeOriented(BinarizationTableForDotCode& table, Point const& origin, bool originIsDot, DecodedLabel& label,
                        bool& reversed);
    // The symbol record from the repainted table, turned back onto the
    // sampled positions: how far the dots stand from the ground.
    void FillSymbolRecord(BinarizationTableForDotCode const& table, Point const& origin, bool transposed,
                          bool mirrored, DecodedLabel& label) const;
    // The grid positions of the symbol's corners: the first codeword's
    // corner, then on round the symbol clockwise as printed.
    void KeepSymbolCorners(BinarizationTableForDotCode const& table, Point const& origin, bool transposed,
                           bool mirrored, bool reversed);
    void CalcCornerRegion(DecodedLabel& label) const;
    Point symbolCorners_[4] = {};

    SharedMemoryDistributor memory_;
    DEC2DProperty const* property_;
    DataDotGrid grid_;
    DotStack dots_;
    SearchedRegionStack searched_;  // explored in this attempt
    Region searchedBuffer_[16];
    SearchedRegionStack clutter_;   // explored in this image and too few dots there
    Region clutterBuffer_[32];
    DotCodeErrorDetection errorDetection_;
    DataStreamConversionForDotCode conversion_;

    // Dot centres taken from the image around the candidates: the grey
    // extremes of the dots' colour, which part dots that blur has merged
    // into one run.
    void PushExtremeCenters(GrayImage const& image, Dot const& dot);
    // The same over the area of the dots collected, once a few are.
    void PushExtremeCentersAround(GrayImage const& image, bool dark);
    // Extremes no darker (lighter) than `middle` are passed over; `smooth`
    // looks for them over 3 x 3 pixels.
    void PushExtremeCenters(GrayImage const& image, bool dark, int left, int top, int right, int bottom, int middle,
                            bool smooth);
    static constexpr int kMaxAreaSide = 240;
    static constexpr unsigned kSmoothedSize = 4;  // dots this large and more

    Point extremes_[kMaxCandidates];
    unsigned extremeCount_ = 0;
    unsigned extremesExamined_ = 0;
    unsigned areaScannedAt_ = 0;  // the dot count at the last scan of their area
    unsigned detachedTriedAt_ = 0;  // the candidate count at the last try without triangles
    Point candidates_[kMaxCandidates];
    unsigned candidateCount_ = 0;
    unsigned examined_ = 0;
    unsigned modeSize_ = 0;
    unsigned attempts_ = 0;     // those that found a grid like a symbol's
    unsigned allAttempts_ = 0;
    bool credibleFailure_ = false;
    unsigned positionsProbed_ = 0;

    // A grid position visited while the dots of a symbol are grown: a dot,
    // or a blank next to one (blanks counts the blank steps since the last
    // dot), with the local step vectors there.
    struct DotNode {
        Point point;
        int column;
        int row;
        Vector u;
        Vector w;
        unsigned char blanks;
    };

    VirtualArray<GridDot> centres_;
    unsigned centreCount_ = 0;
    VirtualArray<DotNode> nodes_;
    unsigned nodeCount_ = 0;
    VirtualArray<short> lattice_;       // node at each grid position, -1 none
    VirtualArray<unsigned short> words_;
    VirtualArray<unsigned short> maskedWords_;  // corrected, as printed, for the repaint
    VirtualArray<unsigned short> erasures_;
    BinarizationTableForDotCode table_;
    BinarizationTableForDotCode scratch_;
    BinarizationTableForDotCode part_;
    CommonLuminanceMap luminance_;
    CommonGapAndThresholdMap blocks_;
    VirtualArray<bool> decided_;
    bool ready_ = false;
};

}  // namespace DEC2DIvra
