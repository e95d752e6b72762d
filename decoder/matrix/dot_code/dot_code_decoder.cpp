#include "decoder/matrix/dot_code/dot_code_decoder.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/sampling/binarization_subroutine.h"
#include "decoder/matrix/dot_code/dot_code_codewords.h"
#include "decoder/matrix/dot_code/dot_code_step_vectors.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kLatticeSide = 2 * DotCodeDecoder::kLatticeHalf;
constexpr unsigned kMapSide = DotCodeDecoder::kMaxSide + 2;
constexpr unsigned kBlockSide = 4;
// A symbol needs more dots than this before it is sampled.
constexpr unsigned kMinimumSymbolDots = 16;
// Dots tried as the first of a symbol in one attempt.
constexpr unsigned kMaxSeeds = 4;
// Dots next to the first that correct the step vectors.
constexpr unsigned kNearDots = 48;

long long Length2(Vector const& v) { return static_cast<long long>(v.dx) * v.dx + static_cast<long long>(v.dy) * v.dy; }

// The neighbour positions of a dot: two steps along either axis and the four
// diagonal neighbours, as (column, row) offsets.
constexpr int kOffsets[8][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}, {2, 0}, {-2, 0}, {0, 2}, {0, -2}};

}  // namespace

DotCodeDecoder::DotCodeDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property)
    : memory_(workArea), property_(&property),
      searched_(VirtualArray<Region>(searchedBuffer_, sizeof(searchedBuffer_) / sizeof(searchedBuffer_[0]))),
      clutter_(VirtualArray<Region>(clutterBuffer_, sizeof(clutterBuffer_) / sizeof(clutterBuffer_[0])))
{
    gridSearched_ = SearchedRegionStack(
        VirtualArray<Region>(gridSearchedBuffer_, sizeof(gridSearchedBuffer_) / sizeof(gridSearchedBuffer_[0])));
    dotCentres_ = memory_.TakeArray<DotCenter>(kMaxCentres);
    sortedCentres_ = memory_.TakeArray<DotCenter>(kMaxCentres);
    regions_ = memory_.TakeArray<DotsRegion>(kMaxCentres);
    bucketHead_ = memory_.TakeArray<int>(kMaxBuckets);
    bucketNext_ = memory_.TakeArray<int>(kMaxCentres);
    mesh_ = CommonCodeMesh(memory_.TakeArray<Point>(kMapSide * kMapSide));
    centres_ = memory_.TakeArray<GridDot>(kMaxCentres);
    nodes_ = memory_.TakeArray<DotNode>(kMaxNodes);
    lattice_ = memory_.TakeArray<short>(kLatticeSide * kLatticeSide);
    words_ = memory_.TakeArray<unsigned short>(DotCodeSize::kMaxWords);
    maskedWords_ = memory_.TakeArray<unsigned short>(DotCodeSize::kMaxWords);
    erasures_ = memory_.TakeArray<unsigned short>(DotCodeSize::kMaxErasures);
    table_ = BinarizationTableForDotCode(memory_.TakeArray<unsigned char>(kMaxSide * kMaxSide));
    scratch_ = BinarizationTableForDotCode(memory_.TakeArray<unsigned char>(kMaxSide * kMaxSide));
    part_ = BinarizationTableForDotCode(memory_.TakeArray<unsigned char>(kMaxSide * kMaxSide));
    luminance_ = CommonLuminanceMap(memory_.TakeArray<unsigned short>(kMapSide * kMapSide));
    unsigned const blocks = (kMapSide + kBlockSide - 1) / kBlockSide;
    blocks_ = CommonGapAndThresholdMap(memory_.TakeArray<GapAndThreshold>(blocks * blocks));
    decided_ = memory_.TakeArray<bool>(kMaxSide * kMaxSide);
    ready_ = !memory_.HasFailed();
    for (short& cell : lattice_) {
        cell = -1;
    }
}

void DotCodeDecoder::OnNewImage()
{
    // The work area is shared with the frame's other decoders, which have
    // written over the grid marks and the nodes since the last image.
    for (short& cell : lattice_) {
        cell = -1;
    }
    nodeCount_ = 0;
    centreCount_ = 0;
    ClearDots();
    searched_.Clear();
    clutter_.Clear();
    gridDots_.Clear();
    gridCandidateCount_ = 0;
    gridExamined_ = 0;
    gridModeSize_ = 0;
    gridSearched_.Clear();
    dotSearchProbed_ = 0;
    attempts_ = 0;
    allAttempts_ = 0;
    positionsProbed_ = 0;
}

void DotCodeDecoder::ClearDots()
{
    dots_.Clear();
    candidateCount_ = 0;
    examined_ = 0;
    modeSize_ = 0;
    extremeCount_ = 0;
    extremesExamined_ = 0;
    areaScannedAt_ = 0;
    detachedTriedAt_ = 0;
}

int DotCodeDecoder::Start(GrayImage const& image, Dot const& dot, DecodedLabel& label)
{
    if (!ready_ || !property_->dot_code.read.Get() || image.GetPixels() == nullptr) {
        return 0;
    }
    int const read = StartAlongDotGrid(image, dot, label);
    if (read != 0) {
        return read;
    }
    return StartOnLattice(image, dot, label);
}

int DotCodeDecoder::StartOnLattice(GrayImage const& image, Dot const& dot, DecodedLabel& label)
{
    if (attempts_ >= kMaxAttempts ||
        allAttempts_ >= kMaxAllAttempts || positionsProbed_ >= kPositionBudget || clutter_.IsIncluded(dot.position)) {
        return 0;
    }
    dots_.SetLargestSize(static_cast<unsigned>(image.GetWidth()), static_cast<unsigned>(image.GetHeight()));
    if (dots_.IsFull() || candidateCount_ >= kMaxCandidates) {
        ClearDots();
    }
    if (extremeCount_ >= kMaxCandidates) {
        extremeCount_ = 0;
        extremesExamined_ = 0;
    }
    dots_.PushDot(dot);
    PushExtremeCenters(image, dot);
    if (!dots_.SetStandard()) {
        return 0;
    }
    unsigned const modeSize = dots_.CalcModeSize();
    if (modeSize != modeSize_) {
        examined_ = 0;
    }
    modeSize_ = modeSize;
    SetTempDotCenterStack(dots_, modeSize, candidates_, candidateCount_, kMaxCandidates);
    bool const dark = dots_.IsStandardDark();
    CalcStepVectorSubroutine const stepVectors;
    // Triangles among the dots of the first rows alone may fit a wrong grid:
    // wait for a few rows of them.
    DotStepVectors steps;
    bool const located = modeSize != 0 && candidateCount_ >= kMinimumCandidates &&
                         stepVectors.StartByScoredTriangles(image, modeSize, dark, examined_, candidates_, candidateCount_,
                                                            steps);
    examined_ = candidateCount_;
    int read = located ? Attempt(image, steps, dark, label) : 0;
    // No triangle among the candidates (the dots of one row, or dots that
    // never touch diagonally): pairs with ground between them tell the
    // vectors, tentatively, so that a failure keeps the dots for the
    // triangles that more of them may form.
    if (read == 0 && !located && candidateCount_ >= kMinimumCandidates && candidateCount_ >= 2 * detachedTriedAt_) {
        detachedTriedAt_ = candidateCount_;
        DotStepVectors detached;
        if (CalcStepVectorSubroutine::CalcStepVectorsFromCandidatePairs(image, modeSize, dark, candidates_,
                                                                         candidateCount_, detached)) {
            read = Attempt(image, detached, dark, label);
            DotStepVectors coarser;
            if (read == 0 && CalcFinerStepVectors(detached, coarser)) {
                coarser.Set(Vector{2 * coarser.v[0].dx, 2 * coarser.v[0].dy},
                            Vector{2 * coarser.v[1].dx, 2 * coarser.v[1].dy});
                read = Attempt(image, coarser, dark, label);
            }
            if (read != 0) {
                ClearDots();
                return read;
            }
        }
    }
    // Blur merges dots into runs the locator does not take for dots: the
    // grey extremes around them stand for those dots.
    DotStepVectors extremeSteps;
    if (read == 0 && !located && extremeCount_ < kMinimumCandidates &&
        dots_.GetCount() >= (areaScannedAt_ == 0 ? DotStack::kMinimumDots : 2 * areaScannedAt_)) {
        areaScannedAt_ = dots_.GetCount();
        PushExtremeCentersAround(image, dark);
    }
    // Extremes of small dots lie a few pixels apart; those of large blurred
    // dots, as far apart as the locator's dots are large. That size may be
    // known only after the extremes were first examined: it looks at all.
    if (read == 0 && extremeCount_ >= kMinimumCandidates && dots_.GetCount() >= DotStack::kMinimumDots &&
        (stepVectors.StartByScoredTriangles(image, 2, dark, extremesExamined_, extremes_, extremeCount_,
                                            extremeSteps) ||
         (modeSize > 2 &&
          stepVectors.StartByScoredTriangles(image, modeSize, dark, 0, extremes_, extremeCount_, extremeSteps)))) {
        for (unsigned i = 0; i < extremeCount_; ++i) {
            candidates_[i] = extremes_[i];
        }
        candidateCount_ = extremeCount_;
        read = Attempt(image, extremeSteps, dark, label);
        ClearDots();
        return read;
    }
    extremesExamined_ = extremeCount_;
    if (located) {
        ClearDots();
    }
    return read;
}

int DotCodeDecoder::Attempt(GrayImage const& image, DotStepVectors const& steps, bool dark, DecodedLabel& label)
{
    ++allAttempts_;
    credibleFailure_ = false;
    searched_.Clear();
    int read = DecodeFromCandidates(image, steps, dark, label);
    if (read == 0) {
        // Dots two steps apart along the axes, read as diagonal neighbours,
        // give vectors along the diagonals, a pitch and a half long: the
        // grid they span holds every other dot. Try the grid they halve.
        DotStepVectors finer;
        if (CalcFinerStepVectors(steps, finer)) {
            searched_.Clear();
            read = DecodeFromCandidates(image, finer, dark, label);
        }
        attempts_ += credibleFailure_ ? 1u : 0u;
    }
    return read;
}

void DotCodeDecoder::CorrectLatticeStepVectors(Point const* centres, unsigned count, DotStepVectors& steps)
{
    // Every pair of centres one neighbour step apart (two steps along an
    // axis, or diagonal) tells the vectors again; a few rounds of their mean
    // take out the error of the three dots the vectors came from.
    for (unsigned round = 0; round < 3; ++round) {
        Vector const u = steps.v[0];
        Vector const w = steps.v[1];
        long long const pitch2 = Length2(u) < Length2(w) ? Length2(u) : Length2(w);
        long long su[2] = {0, 0};
        long long sw[2] = {0, 0};
        long long nu = 0;
        long long nw = 0;
        Vector const forms[4] = {{2 * u.dx, 2 * u.dy}, {2 * w.dx, 2 * w.dy}, {u.dx + w.dx, u.dy + w.dy},
                                 {w.dx - u.dx, w.dy - u.dy}};
        for (unsigned a = 0; a < count; ++a) {
            for (unsigned b = 0; b < count; ++b) {
                long long const dx = static_cast<long long>(centres[b].x) - centres[a].x;
                long long const dy = static_cast<long long>(centres[b].y) - centres[a].y;
                for (unsigned f = 0; f < 4; ++f) {
                    long long const ex = dx - forms[f].dx;
                    long long const ey = dy - forms[f].dy;
                    // Within a third of a pitch of where the vectors put it.
                    if ((ex * ex + ey * ey) * 9 > pitch2) {
                        continue;
                    }
                    if (f == 0) {
                        su[0] += dx;
                        su[1] += dy;
                        nu += 2;
                    } else if (f == 1) {
                        sw[0] += dx;
                        sw[1] += dy;
                        nw += 2;
                    } else if (f == 2) {
                        // u + w: each half of it by the other's estimate.
                        su[0] += dx - w.dx;
                        su[1] += dy - w.dy;
                        sw[0] += dx - u.dx;
                        sw[1] += dy - u.dy;
                        ++nu;
                        ++nw;
                    } else {
                        su[0] += w.dx - dx;
                        su[1] += w.dy - dy;
                        sw[0] += dx + u.dx;
                        sw[1] += dy + u.dy;
                        ++nu;
                        ++nw;
                    }
                }
            }
        }
        if (nu == 0 || nw == 0) {
            return;
        }
        Vector const cu{static_cast<int>(su[0] / nu), static_cast<int>(su[1] / nu)};
        Vector const cw{static_cast<int>(sw[0] / nw), static_cast<int>(sw[1] / nw)};
        if ((cu.dx == 0 && cu.dy == 0) || (cw.dx == 0 && cw.dy == 0)) {
            return;
        }
        steps.Set(cu, cw);
    }
}

bool DotCodeDecoder::CalcFinerStepVectors(DotStepVectors const& steps, DotStepVectors& finer)
{
    Vector const& u = steps.v[0];
    Vector const& w = steps.v[1];
    Vector a{(u.dx - w.dx) / 2, (u.dy - w.dy) / 2};
    Vector b{(u.dx + w.dx) / 2, (u.dy + w.dy) / 2};
    // u the more horizontal with x not negative, w with y not negative.
    if ((a.dx < 0 ? -a.dx : a.dx) < (b.dx < 0 ? -b.dx : b.dx)) {
        Vector const keep = a;
        a = b;
        b = keep;
    }
    if (a.dx < 0) {
        a = Vector{-a.dx, -a.dy};
    }
    if (b.dy < 0) {
        b = Vector{-b.dx, -b.dy};
    }
    if ((a.dx == 0 && a.dy == 0) || (b.dx == 0 && b.dy == 0)) {
        return false;
    }
    finer.Set(a, b);
    return true;
}

void DotCodeDecoder::PushExtremeCenters(GrayImage const& image, Dot const& dot)
{
    if (dot.separation == Dot::kSingle && dot.size <= 3) {
        return;  // a small dot is one dot already
    }
    int const reach = dot.size > 12 ? 12 : static_cast<int>(dot.size);
    bool const dark = dot.dark != 0;
    PushExtremeCenters(image, dark, dot.position.x - reach, dot.position.y - reach, dot.position.x + reach,
                       dot.position.y + reach, dark ? 1 << 20 : -(1 << 20), dot.size >= kSmoothedSize);
}

void DotCodeDecoder::PushExtremeCentersAround(GrayImage const& image, bool dark)
{
    // Blur leaves the locator few dots of a small symbol: the rest lie
    // around them, merged into runs it passes over.
    int x0 = image.GetWidth();
    int y0 = image.GetHeight();
    int x1 = 0;
    int y1 = 0;
    unsigned largest = 0;
    for (unsigned i = 0; i < dots_.GetCount(); ++i) {
        Dot const& dot = dots_[i];
        if ((dot.dark != 0) != dark) {
            continue;
        }
        x0 = dot.position.x < x0 ? dot.position.x : x0;
        y0 = dot.position.y < y0 ? dot.position.y : y0;
        x1 = dot.position.x > x1 ? dot.position.x : x1;
        y1 = dot.position.y > y1 ? dot.position.y : y1;
        largest = dot.size > largest ? dot.size : largest;
    }
    int const margin = static_cast<int>(largest > 12 ? 24 : 2 * largest);
    // Dots spread wider than a symbol's are no one symbol.
    if (x1 < x0 || x1 - x0 > kMaxAreaSide || y1 - y0 > kMaxAreaSide) {
        return;
    }
    // Dots lie on the dark side of the area's grey range (light side for
    // light dots); noise on the ground makes extremes as well.
    int lowest = 1 << 16;
    int highest = -1;
    for (int y = (y0 - margin < 0 ? 0 : y0 - margin); y <= y1 + margin && y < image.GetHeight(); ++y) {
        for (int x = (x0 - margin < 0 ? 0 : x0 - margin); x <= x1 + margin && x < image.GetWidth(); ++x) {
            int const v = image.At(x, y);
            lowest = v < lowest ? v : lowest;
            highest = v > highest ? v : highest;
        }
    }
    PushExtremeCenters(image, dark, x0 - margin, y0 - margin, x1 + margin, y1 + margin, (lowest + highest) / 2,
                       largest >= kSmoothedSize);
}

void DotCodeDecoder::PushExtremeCenters(GrayImage const& image, bool dark, int left, int top, int right, int bottom,
                                        int middle, bool smooth)
{
    // Grey summed over 3 x 3 pixels where dots are larger (negated for
    // light dots): noise makes no extremes of its own inside a large dot or
    // on the ground. Small dots keep their single pixels.
    int const reach = smooth ? 1 : 0;
    auto level = [&](int x, int y) {
        int sum = 0;
        for (int dy = -reach; dy <= reach; ++dy) {
            for (int dx = -reach; dx <= reach; ++dx) {
                int const nx = x + dx < 0 ? 0 : (x + dx >= image.GetWidth() ? image.GetWidth() - 1 : x + dx);
                int const ny = y + dy < 0 ? 0 : (y + dy >= image.GetHeight() ? image.GetHeight() - 1 : y + dy);
                sum += image.At(nx, ny);
            }
        }
        return dark ? sum : -sum;
    };
    int const cells = smooth ? 9 : 1;
    int const limit = cells * (dark ? middle : -middle);
    int const x0 = left < 1 ? 1 : left;
    int const y0 = top < 1 ? 1 : top;
    int const x1 = right > image.GetWidth() - 2 ? image.GetWidth() - 2 : right;
    int const y1 = bottom > image.GetHeight() - 2 ? image.GetHeight() - 2 : bottom;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1 && extremeCount_ < kMaxCandidates; ++x) {
            // The darkest (lightest) place among its neighbours, and clearly so.
            int const v = level(x, y);
            if (v > limit) {
                continue;
            }
            bool extreme = true;
            int ground = v;
            for (int dy = -1; dy <= 1 && extreme; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (dx == 0 && dy == 0) {
                        continue;
                    }
                    int const n = level(x + dx, y + dy);
                    // Ties go to the first pixel in row order.
                    if (n < v || (n == v && (dy < 0 || (dy == 0 && dx < 0)))) {
                        extreme = false;
                        break;
                    }
                    ground = n > ground ? n : ground;
                }
            }
            if (!extreme || ground - v < cells * 16) {
                continue;
            }
            Point const centre{x * 256 + 128, y * 256 + 128};
            bool known = false;
            for (unsigned i = 0; i < extremeCount_ && !known; ++i) {
                known = extremes_[i] == centre;
            }
            if (!known) {
                extremes_[extremeCount_++] = centre;
            }
        }
    }
}

void DotCodeDecoder::SetTempDotCenterStack(DotStack const& dots, unsigned modeSize, Point* out, unsigned& count,
                                           unsigned capacity)
{
    count = 0;
    if (modeSize == 0) {
        return;
    }
    for (unsigned i = 0; i < dots.GetCount(); ++i) {
        PushTempDotCenterStack(dots, i, modeSize, out, count, capacity);
    }
}

void DotCodeDecoder::PushTempDotCenterStack(DotStack const& dots, unsigned index, unsigned modeSize, Point* out,
                                            unsigned& count, unsigned capacity)
{
    Dot const& dot = dots[index];
    if (dots.IsLegalSize(index, modeSize) && count < capacity) {
        out[count++] = Point{dot.position.x * 256 + 128, dot.position.y * 256 + 128};
    }
    if (dots.IsEnableSeparate(index, modeSize)) {
        for (unsigned k = 0; k < 2; ++k) {
            if (count < capacity) {
                out[count++] = Point{dot.separated[k].x * 256 + 128, dot.separated[k].y * 256 + 128};
            }
        }
    }
}

int DotCodeDecoder::DecodeFromCandidates(GrayImage const& image, DotStepVectors const& first, bool dark,
                                         DecodedLabel& label)
{
    DotStepVectors steps = first;
    // Re-centre the candidates and take the mean contrast of those that
    // stand out as the symbol's.
    CalcDotCenterSubroutine const centring;
    Point seeds[kMaxCandidates];
    int seedContrast[kMaxCandidates];
    unsigned seedCount = 0;
    long long sum = 0;
    for (unsigned i = 0; i < candidateCount_; ++i) {
        Point p = candidates_[i];
        int contrast = 0;
        if (!centring.Start(image, steps, dark, 2, p) || !CalcMeanDotContrast(image, steps, dark, p, contrast) ||
            contrast <= 0) {
            continue;
        }
        seeds[seedCount] = p;
        seedContrast[seedCount++] = contrast;
        sum += contrast;
    }
    if (seedCount < 4) {
        return 0;
    }
    int const mean = static_cast<int>(sum / seedCount);
    CorrectLatticeStepVectors(seeds, seedCount, steps);
    unsigned tried = 0;
    for (unsigned s = 0; s < seedCount && tried < kMaxSeeds; ++s) {
        // Noise beside the symbol stands out less than its dots.
        if (seedContrast[s] + 128 < mean || seedContrast[s] * 2 < mean) {
            continue;
        }
        Point const seedPixel{seeds[s].x >> 8, seeds[s].y >> 8};
        if (searched_.IsIncluded(seedPixel)) {
            continue;
        }
        ++tried;
        unsigned found = GrowLatticeDots(image, steps, dark, seeds[s], mean);
        if (found >= kMinimumSymbolDots) {
            // The dots next to the first, re-centred on their ink, give the
            // vectors more truly than the candidates did: search again with
            // them, so that the grid does not slip far from the first dot.
            Point near[kNearDots];
            unsigned const count = found < kNearDots ? found : kNearDots;
            for (unsigned i = 0; i < count; ++i) {
                near[i] = centres_[i].point;
            }
            CorrectLatticeStepVectors(near, count, steps);
            found = GrowLatticeDots(image, steps, dark, seeds[s], mean);
        }
        // The outline of what was searched, so that no later seed or dot
        // starts the same symbol again.
        int minX = seedPixel.x;
        int maxX = seedPixel.x;
        int minY = seedPixel.y;
        int maxY = seedPixel.y;
        int minColumn = 0;
        int maxColumn = 0;
        int minRow = 0;
        int maxRow = 0;
        for (unsigned i = 0; i < centreCount_; ++i) {
            GridDot const& d = centres_[i];
            minX = d.point.x / 256 < minX ? d.point.x / 256 : minX;
            maxX = d.point.x / 256 > maxX ? d.point.x / 256 : maxX;
            minY = d.point.y / 256 < minY ? d.point.y / 256 : minY;
            maxY = d.point.y / 256 > maxY ? d.point.y / 256 : maxY;
            minColumn = d.column < minColumn ? d.column : minColumn;
            maxColumn = d.column > maxColumn ? d.column : maxColumn;
            minRow = d.row < minRow ? d.row : minRow;
            maxRow = d.row > maxRow ? d.row : maxRow;
        }
        Region searched;
        searched.corner[0] = Point{minX, minY};
        searched.corner[1] = Point{maxX, minY};
        searched.corner[2] = Point{maxX, maxY};
        searched.corner[3] = Point{minX, maxY};
        if (!searched_.IsFull()) {
            searched_.Push(searched);
        }
        if (found < kMinimumSymbolDots) {
            // Too few dots for a symbol: later dots there start nothing.
            if (!clutter_.IsFull()) {
                clutter_.Push(searched);
            }
            continue;
        }
        TrimSparseEdges(minColumn, maxColumn, minRow, maxRow);
        unsigned const columns = static_cast<unsigned>(maxColumn - minColumn + 1);
        unsigned const rows = static_cast<unsigned>(maxRow - minRow + 1);
        // A symbol has a dot at about half of its dot positions: far fewer
        // are dots and ground found in print or texture around it.
        if (static_cast<unsigned long long>(centreCount_) * 10 * 2 < static_cast<unsigned long long>(columns) * rows * 3) {
            continue;
        }
        credibleFailure_ = true;
        bool const parity = ((minColumn + minRow) & 1) != 0;
        for (unsigned i = 0; i < centreCount_; ++i) {
            centres_[i].column -= minColumn;
            centres_[i].row -= minRow;
        }
        int read = 0;
        if (columns <= kMaxSide && rows <= kMaxSide &&
            grid_.Build(centres_.GetData(), centreCount_, columns, rows, parity)) {
            read = DecodeFittedGrid(image, dark, columns, rows, label);
        }
        if (read != 0) {
            return read;
        }
    }
    return 0;
}

void DotCodeDecoder::TrimSparseEdges(int& minColumn, int& maxColumn, int& minRow, int& maxRow)
{
    // An edge line of a symbol has a dot at a fair share of its positions;
    // a line with only a few is the edge of the label or print beside it.
    unsigned perColumn[kLatticeSide] = {};
    unsigned perRow[kLatticeSide] = {};
    for (unsigned i = 0; i < centreCount_; ++i) {
        ++perColumn[static_cast<unsigned>(centres_[i].column + kLatticeHalf)];
        ++perRow[static_cast<unsigned>(centres_[i].row + kLatticeHalf)];
    }
    auto sparse = [](unsigned dots, int span) { return dots * 10 < static_cast<unsigned>(span + 1) / 2 * 2; };
    bool trimmed = true;
    while (trimmed && maxColumn - minColumn > 3 && maxRow - minRow > 3) {
        trimmed = false;
        int const rows = maxRow - minRow + 1;
        int const columns = maxColumn - minColumn + 1;
        if (sparse(perColumn[minColumn + kLatticeHalf], rows)) {
            ++minColumn;
            trimmed = true;
        } else if (sparse(perColumn[maxColumn + kLatticeHalf], rows)) {
            --maxColumn;
            trimmed = true;
        } else if (sparse(perRow[minRow + kLatticeHalf], columns)) {
            ++minRow;
            trimmed = true;
        } else if (sparse(perRow[maxRow + kLatticeHalf], columns)) {
            --maxRow;
            trimmed = true;
        }
    }
    unsigned kept = 0;
    for (unsigned i = 0; i < centreCount_; ++i) {
        GridDot const& d = centres_[i];
        if (d.column >= minColumn && d.column <= maxColumn && d.row >= minRow && d.row <= maxRow) {
            centres_[kept++] = d;
        }
    }
    centreCount_ = kept;
}

unsigned DotCodeDecoder::GrowLatticeDots(GrayImage const& image, DotStepVectors const& steps, bool dark,
                                         Point const& first, int reference)
{
    // Undo the last search's marks.
    for (unsigned i = 0; i < nodeCount_; ++i) {
        DotNode const& n = nodes_[i];
        lattice_[static_cast<unsigned>(n.row + kLatticeHalf) * kLatticeSide +
                 static_cast<unsigned>(n.column + kLatticeHalf)] = -1;
    }
    nodeCount_ = 0;
    centreCount_ = 0;
    int const floor = reference / 3 > 24 ? reference / 3 : 24;
    nodes_[0] = DotNode{first, 0, 0, steps.v[0], steps.v[1], 0};
    lattice_[static_cast<unsigned>(kLatticeHalf) * kLatticeSide + kLatticeHalf] = 0;
    nodeCount_ = 1;
    centres_[0] = GridDot{first, 0, 0};
    centreCount_ = 1;
    CalcDotCenterSubroutine const centring;
    for (unsigned c = 0; c < nodeCount_; ++c) {
        DotNode const here = nodes_[c];
        // Blank positions carry the search over gaps between dots, two
        // steps at most, so that it stops in the quiet zone.
        if (here.blanks >= 2) {
            continue;
        }
        Vector const u = here.u;
        Vector const w = here.w;
        long long const pitch2 = Length2(u) < Length2(w) ? Length2(u) : Length2(w);
        DotStepVectors local;
        local.Set(u, w);
        for (auto const& offset : kOffsets) {
            // Across a blank, only to its diagonal neighbours: the search
            // stays within about three pitches of the last dot, short of
            // the edge of a label around a quiet zone.
            if (here.blanks > 0 && (offset[0] == 0 || offset[1] == 0)) {
                continue;
            }
            int const column = here.column + offset[0];
            int const row = here.row + offset[1];
            if (!IsUnvisitedPosition(column, row) || nodeCount_ >= kMaxNodes || centreCount_ >= kMaxCentres ||
                positionsProbed_ >= kPositionBudget) {
                continue;
            }
            ++positionsProbed_;
            Point const predicted{here.point.x + offset[0] * u.dx + offset[1] * w.dx,
                                  here.point.y + offset[0] * u.dy + offset[1] * w.dy};
            if (predicted.x < 256 || predicted.y < 256 || predicted.x >= (image.GetWidth() - 1) * 256 ||
                predicted.y >= (image.GetHeight() - 1) * 256) {
                continue;
            }
            Point p = predicted;
            int contrast = 0;
            bool centred = centring.Start(image, local, dark, 2, p);
            if (centred) {
                long long const dx = p.x - predicted.x;
                long long const dy = p.y - predicted.y;
                // Moved farther than about half a pitch: another dot or noise.
                centred = (dx * dx + dy * dy) * 400 <= pitch2 * 81;
            }
            bool dot = false;
            // A dot beyond a blank must stand out as the symbol's dots do.
            int const wanted = here.blanks > 0 && floor < reference / 2 ? reference / 2 : floor;
            if (centred) {
                dot = CalcMeanDotContrast(image, local, dark, p, contrast) && contrast >= wanted;
            } else {
                // A blurred or faint dot may show no edges: its centre then
                // stays where the grid puts it, if it stands out clearly.
                p = predicted;
                dot = CalcMeanDotContrast(image, local, dark, p, contrast) && contrast >= wanted * 3 / 2;
            }
            if (!dot) {
                p = predicted;
            }
            // The local steps follow the dot found, so that perspective does
            // not carry the predictions off the grid.
            Vector nu = u;
            Vector nw = w;
            int const ex = p.x - predicted.x;
            int const ey = p.y - predicted.y;
            if (offset[1] == 0) {
                nu = Vector{u.dx + ex / offset[0], u.dy + ey / offset[0]};
            } else if (offset[0] == 0) {
                nw = Vector{w.dx + ex / offset[1], w.dy + ey / offset[1]};
            } else {
                nu = Vector{u.dx + ex / (2 * offset[0]), u.dy + ey / (2 * offset[0])};
                nw = Vector{w.dx + ex / (2 * offset[1]), w.dy + ey / (2 * offset[1])};
            }
            unsigned const index = nodeCount_++;
            nodes_[index] = DotNode{p, column, row, nu, nw,
                                    static_cast<unsigned char>(dot ? 0 : here.blanks + 1)};
            lattice_[static_cast<unsigned>(row + kLatticeHalf) * kLatticeSide +
                     static_cast<unsigned>(column + kLatticeHalf)] = static_cast<short>(index);
            if (dot) {
                centres_[centreCount_++] = GridDot{p, column, row};
            }
        }
    }
    return centreCount_;
}

bool DotCodeDecoder::IsUnvisitedPosition(int column, int row) const
{
    if (column <= -kLatticeHalf || column >= kLatticeHalf - 1 || row <= -kLatticeHalf || row >= kLatticeHalf - 1) {
        return false;
    }
    return lattice_[static_cast<unsigned>(row + kLatticeHalf) * kLatticeSide +
                    static_cast<unsigned>(column + kLatticeHalf)] < 0;
}

bool DotCodeDecoder::SampleTable(GrayImage const& image, bool dark, bool laplacian, unsigned columns, unsigned rows)
{
    // One ring of positions beyond the grid gives every position its four
    // neighbours.
    if (!luminance_.SetSize(columns + 2, rows + 2)) {
        return false;
    }
    for (unsigned y = 0; y < rows + 2; ++y) {
        for (unsigned x = 0; x < columns + 2; ++x) {
            Point p;
            if (!grid_.CalcFittedPoint(static_cast<int>(x) - 1, static_cast<int>(y) - 1, p)) {
                return false;
            }
            unsigned value = 0;
            if (image.IsInside(p.x >> 8, p.y >> 8)) {
                value = laplacian ? GeometryEx::GetLapLuminance(image, p, 8) : GeometryEx::GetLuminance(image, p, 8);
            } else {
                value = dark ? GeometryEx::kMaxLuminance : 0;  // beyond the image: ground
            }
            luminance_.At(x, y) = static_cast<unsigned short>(value);
        }
    }
    VariableSizeVirtualTable<bool> out(decided_);
    Rectangle const area{1, 1, static_cast<int>(columns), static_cast<int>(rows)};
    BinarizationSubroutine const binarization;
    if (binarization.Start(image, luminance_, area, blocks_, Vector{kBlockSide, kBlockSide}, dark, out) == 0 ||
        !table_.SetSize(columns, rows)) {
        return false;
    }
    for (unsigned y = 0; y < rows; ++y) {
        for (unsigned x = 0; x < columns; ++x) {
            table_.At(x, y) = out.At(x, y) ? 1 : 0;
        }
    }
    return true;
}

int DotCodeDecoder::DecodeFittedGrid(GrayImage const& image, bool dark, unsigned columns, unsigned rows,
                                     DecodedLabel& label)
{
    if (columns <= 3 || rows <= 3) {
        return 0;
    }
    unsigned const positions = columns * rows;
    if (positions <= 75 && ((columns + rows) % 2 == 0 || (positions + rows <= 75 && positions + columns <= 75))) {
        return 0;
    }
    for (int laplacian = 0; laplacian < 2; ++laplacian) {
        if (!SampleTable(image, dark, laplacian != 0, columns, rows)) {
            return 0;
        }
        if (DecodeTableForm(label)) {
            label.negative = dark ? 0 : 1;
            CalcCornerRegion(label);
            return 1;
        }
    }
    return 0;
}

bool DotCodeDecoder::DecodeOriented(BinarizationTableForDotCode& table, Point const& origin, bool originIsDot,
                                    DecodedLabel& label, bool& reversed)
{
    // Even width and odd height with a dot at (0, 0): a turn by a quarter is
    // a transposition, a half turn or a mirror is what the two reading
    // orders and the column mirror undo.
    bool const transposed = table.GetWidth() % 2 == 1;
    if (transposed && !table.ExchangeXY(scratch_)) {
        return false;
    }
    if (!originIsDot) {
        table.ReverseX();
    }
    if (!DecodeBinarizationTable(table, label, reversed)) {
        return false;
    }
    KeepSymbolCorners(table, origin, transposed, !originIsDot, reversed);
    if (property_->common_2d.fill_symbol_record.Get()) {
        FillSymbolRecord(table, origin, transposed, !originIsDot, label);
    }
    return true;
}

void DotCodeDecoder::FillSymbolRecord(BinarizationTableForDotCode const& table, Point const& origin, bool transposed,
                                      bool mirrored, DecodedLabel& label) const
{
    // The luminance map has one ring of positions around the sampled table.
    unsigned long long sums[2] = {0, 0};
    unsigned long long counts[2] = {0, 0};
    for (unsigned y = 0; y < table.GetHeight(); ++y) {
        for (unsigned x = 0; x < table.GetWidth(); ++x) {
            unsigned const ux = mirrored ? table.GetWidth() - 1 - x : x;
            int const mx = static_cast<int>(transposed ? y : ux) + origin.x + 1;
            int const my = static_cast<int>(transposed ? ux : y) + origin.y + 1;
            if (mx < 0 || my < 0 || static_cast<unsigned>(mx) >= luminance_.GetWidth() ||
                static_cast<unsigned>(my) >= luminance_.GetHeight()) {
                continue;
            }
            unsigned const set = table.At(x, y) != 0 ? 1u : 0u;
            sums[set] += luminance_.At(static_cast<unsigned>(mx), static_cast<unsigned>(my));
            ++counts[set];
        }
    }
    if (counts[0] + counts[1] == 0) {
        return;
    }
    long long const difference = static_cast<long long>(sums[1]) - static_cast<long long>(sums[0]);
    label.further.present = 1;
    label.further.value1 = static_cast<int>(difference / static_cast<long long>(counts[0] + counts[1]));
    label.further.value2 = counts[1] == 0 ? 0 : static_cast<int>(sums[1] / counts[1]);
    label.further.value3 = 0;
    label.further.value4 = counts[0] == 0 ? 0u : static_cast<unsigned>(sums[0] / counts[0]);
}

bool DotCodeDecoder::DecodeTableForm(DecodedLabel& label)
{
    unsigned const columns = table_.GetWidth();
    unsigned const rows = table_.GetHeight();
    bool const parity = grid_.GetParity();
    bool reversed = false;
    if ((columns + rows) % 2 == 1) {
        return DecodeOriented(table_, Point{0, 0}, !parity, label, reversed);
    }
    // A whole edge line without dots was never found, or one line too many
    // was: try the table with a blank line added on each side, then without
    // one edge line.
    for (unsigned side = 0; side < 4; ++side) {
        if (!table_.ExtendTable(side, part_)) {
            continue;
        }
        bool const originMoved = side == 0 || side == 2;
        Point const origin{side == 0 ? -1 : 0, side == 2 ? -1 : 0};
        if (DecodeOriented(part_, origin, originMoved == parity, label, reversed)) {
            return true;
        }
    }
    unsigned const cuts[2] = {columns % 2 == 1 ? 2u : 0u, columns % 2 == 1 ? 3u : 1u};
    for (unsigned cut : cuts) {
        if (!table_.ExtractPartTable(cut, false, part_)) {
            continue;
        }
        // The cut's origin in the table: (1, 0), (0, 0), (1, 1) or (1, 0).
        Point const origin{cut == 3 ? 0 : 1, cut == 0 ? 1 : 0};
        if (DecodeOriented(part_, origin, ((origin.x + origin.y) % 2 == 0) != parity, label, reversed)) {
            return true;
        }
    }
    return false;
}

bool DotCodeDecoder::DecodeBinarizationTable(BinarizationTableForDotCode& table, DecodedLabel& label,
                                             bool& reversed)
{
    DotCodeSize size;
    if (table.GetWidth() % 2 != 0 || table.GetHeight() % 2 != 1 || !size.Calc(table.GetDotCount())) {
        return false;
    }
    DataStreamConversionForDotCode::Options options;
    options.suppressEscapes = property_->common_2d.suppress_eci_escape.Get();
    options.length = property_->dot_code.fixed_length.Get();
    static BinarizationTableForDotCode::ReadingOrder const kOrders[2] = {BinarizationTableForDotCode::kReverse,
                                                                        BinarizationTableForDotCode::kForward};
    for (auto const order : kOrders) {
        unsigned erasureCount = 0;
        unsigned corrected = 0;
        if (!CalcCodeWordFromBinarizationTable(table, order, size.words, size.checks, erasureCount,
                                               words_.GetData(), erasures_.GetData()) ||
            !errorDetection_.Start(size.words, size.data, erasureCount, words_.GetData(), erasures_.GetData(),
                                   corrected)) {
            continue;
        }
        bool const record = property_->common_2d.fill_symbol_record.Get();
        for (unsigned i = 0; record && i < size.words; ++i) {
            maskedWords_[i] = words_[i];
        }
        if (!DataStreamConversionForDotCode::RemoveMask(words_.GetData(), size.data) ||
            !conversion_.Start(words_.GetData(), size.data, options, label)) {
            continue;
        }
        reversed = order == BinarizationTableForDotCode::kReverse;
        if (record && !RepaintBinarizationTable(table, order, size.words, maskedWords_.GetData())) {
            return false;
        }
        return true;
    }
    return false;
}

void DotCodeDecoder::KeepSymbolCorners(BinarizationTableForDotCode const& table, Point const& origin,
                                       bool transposed, bool mirrored, bool reversed)
{
    // The read table is the printed symbol reflected (its rows are the
    // symbol's columns, first codeword first): clockwise as printed runs
    // down its first row's start, then across. The reverse order takes its
    // rows from the bottom.
    int const last = static_cast<int>(table.GetWidth()) - 1;
    int const top = reversed ? static_cast<int>(table.GetHeight()) - 1 : 0;
    int const bottom = reversed ? 0 : static_cast<int>(table.GetHeight()) - 1;
    Point const corners[4] = {{0, top}, {0, bottom}, {last, bottom}, {last, top}};
    for (unsigned k = 0; k < 4; ++k) {
        // Back through the column mirror and the transposition onto the
        // sampled table, whose positions are the grid's.
        int const x = mirrored ? last - corners[k].x : corners[k].x;
        int const y = corners[k].y;
        symbolCorners_[k] = Point{(transposed ? y : x) + origin.x, (transposed ? x : y) + origin.y};
    }
}

void DotCodeDecoder::CalcCornerRegion(DecodedLabel& label) const
{
    Point p[4];
    for (unsigned k = 0; k < 4; ++k) {
        if (!grid_.CalcFittedPoint(symbolCorners_[k].x, symbolCorners_[k].y, p[k])) {
            return;
        }
    }
    for (unsigned k = 0; k < 4; ++k) {
        label.region.corner[k] = Point{p[k].x / 256, p[k].y / 256};
    }
}

}  // namespace DEC2DIvra
