#pragma once

#include "decoder/core/geometry/dot.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/rectangle.h"

namespace DEC2DIvra {

// A finder-like pattern met on one or more sampled rows: its centre, its
// module in pixels, and how many rows saw it.
struct FinderSighting {
    Point centre;
    int module = 0;
    unsigned rows = 0;
    unsigned char dark = 1;  // a dark pattern on a light ground
    unsigned char kind = 0;  // bull's-eyes: kAztec or kMaxiCode
    unsigned char square = 0;  // QR finders: the diagonals showed the pattern too
};

// Two solid legs meeting at a corner: `along` ends the leg whose other leg
// lies to its left on the screen, `across` ends that other leg.
struct LPatternSighting {
    Point corner;
    Point along;
    Point across;
};

// The middle of a strip walk after every kStride-th step (1/256 pixel).
struct StripTrace {
    static constexpr int kStride = 8;
    static constexpr unsigned kMaxPoints = 1024 / kStride;
    int x[kMaxPoints];
    int y[kMaxPoints];
    unsigned count = 0;
};

// The candidates of the matrix stages, gathered in one pass over every
// stride-th row of the search area: each row is cut into dark and light runs
// against a threshold local to 16-pixel blocks (a row without contrast costs
// one look at each pixel), and the run patterns of each kind of candidate
// are checked across the row and then along the column through it. Integer
// arithmetic only; every list is a fixed array, full lists take no more.
class MatrixCandidateFinder {
public:
    // A large symbol's data passes for a finder on many rows, each sighting
    // of one row; a turned finder, too, passes on one row only.
    static constexpr unsigned kMaxFinders = 40;
    static constexpr unsigned kMaxBullsEyes = 16;
    static constexpr unsigned kMaxLPatterns = 16;  // at most 32: fineLPatterns_
    static constexpr unsigned kMaxHanXinFinders = 16;
    static constexpr unsigned kMaxDots = 512;
    static constexpr unsigned kMaxRuns = 2048;
    static constexpr unsigned kBlock = 16;
    static constexpr unsigned kMaxBlocks = 1024;
    // 10-bit grey levels: below it a stretch is taken as flat (sensor noise
    // alone stays under it), and runs change colour only a share of the
    // contrast past the threshold: a quarter, an eighth for QR finders (a
    // blurred one-module ring of a finder peaks little more than that).
    static constexpr int kContrastFloor = 160;
    // The floor of the faint bull's-eye sweep: a small symbol printed pale
    // and seen through heavy noise swings less than kContrastFloor.
    static constexpr int kFaintContrastFloor = 96;
    static constexpr int kMarginShare = 4;
    static constexpr int kQRMarginShare = 8;
    static constexpr int kMinLeg = 20;         // pixels
    static constexpr unsigned char kAztec = 0;
    static constexpr unsigned char kMaxiCode = 1;

    struct Wanted {
        bool qrFinders = false;
        bool bullsEyes = false;
        // A blurred MaxiCode's wide light centre, sought again on rows cut
        // at their local mean (it serves no other pattern).
        bool blurredMaxiCentres = true;
        bool lPatterns = false;
        bool hanXinFinders = false;
        bool dots = false;
        // The image is the one the previous sweep ran on, its pixels
        // unchanged since (the same frame): the block measures of the rows
        // that sweep cut are taken again, not measured. A sweep without it
        // forgets them.
        bool sameImage = false;
        // The sweep is one part of a larger one over the rows gridStride
        // apart from gridTop on (0: the sweep's rows are the whole): the
        // block measures are kept for that grid. `laterPart`: an earlier
        // part of it swept other rows of the same image, and the QR-finder
        // or bull's-eye list swept for keeps what it found (the loose
        // bull's-eyes stay last).
        bool laterPart = false;
        int gridTop = 0;
        unsigned gridStride = 0;

        bool Any() const { return qrFinders || bullsEyes || lPatterns || hanXinFinders || dots; }
    };

    void Start(GrayImage const& image, Rectangle const& area, unsigned stride, Wanted const& wanted);

    FinderSighting const* GetQRFinders() const { return finders_; }
    unsigned GetQRFinderCount() const { return finderCount_; }
    FinderSighting const* GetBullsEyes() const { return bullsEyes_; }
    unsigned GetBullsEyeCount() const { return bullsEyeCount_; }
    // The bull's-eyes before the loose ones, which follow them in the list.
    unsigned GetStrictBullsEyeCount() const { return strictBullsEyeCount_; }
    // Bull's-eyes in rows whose blocks swing less than kContrastFloor but at
    // least kFaintContrastFloor, sought over every stride-th row of `area`
    // after Start: those not already listed are appended to the list
    // (strict before loose), which keeps its order and strict count. The
    // rows kept for other sweeps of the image keep their measures.
    void SweepFaintBullsEyes(GrayImage const& image, Rectangle const& area, unsigned stride);
    FinderSighting const* GetHanXinFinders() const { return hanXin_; }
    unsigned GetHanXinFinderCount() const { return hanXinCount_; }
    LPatternSighting const* GetLPatterns() const { return lPatterns_; }
    unsigned GetLPatternCount() const { return lPatternCount_; }
    // A sweep for L patterns alone, row by row, for a caller that tries
    // each sighting as soon as it is seen: StartLPatterns starts the L lists
    // afresh over `area` (the other lists keep theirs), whose rows `stride`
    // apart from its top keep their block measures as Start's do (taken
    // again with `sameImage`), SweepLPatternRow adds row y's sightings, as
    // Start would on that row. A sighting keeps its place in the list, but
    // one walked at a quarter pixel can be replaced by the same corner
    // walked in whole pixels. `keepLongMisses`: an earlier L sweep of this
    // image (its pixels unchanged) went before, and a row across the middle
    // of a long wide strip it walked to no L does not walk it again.
    void StartLPatterns(GrayImage const& image, Rectangle const& area, unsigned stride, bool sameImage,
                        bool keepLongMisses = false);
    void SweepLPatternRow(GrayImage const& image, int y);
    // SweepLPatternRow in steps: it pauses after a run that brought a
    // sighting (new, or replacing one walked at a quarter pixel) while no
    // sighting in the list is one a later run could replace, and returns
    // false; called again for the same row it goes on from the next run.
    // True once the row is done. A caller that tries the list at each pause
    // tries the sightings in the order it would after the whole row.
    bool SweepLPatternRowPart(GrayImage const& image, int y);
    // The dots in the order the sweep found them; when the list filled,
    // those without like dots around them were left out (DotNeighbourScreen).
    Dot const* GetDots() const { return dots_; }
    unsigned GetDotCount() const { return dotCount_; }

private:
    struct Run {
        int x;
        int length;
        bool dark;
    };

    // The runs of one row and its block thresholds; false when the row has
    // no contrast anywhere. Runs change colour 1 / marginShare of the
    // contrast past the threshold; with 0, at the threshold itself.
    bool ScanRow(GrayImage const& image, Rectangle const& area, int y, int marginShare);
    // The block measures of row y (MeasureRowBlocks), or what they were on
    // that row in an earlier sweep of the same image (kept in
    // keptMeasures_); false when no block of the row has contrast.
    bool MeasureRow(unsigned short const* row, Rectangle const& area, int right, int y);
    // Starts the kept block measures afresh, for rows `stride` apart from
    // `top` on, across the given area of `image`.
    void ForgetRows(GrayImage const& image, Rectangle const& area, unsigned stride);
    // The runs of one row cut at the mean grey of the kMeanReach pixels on
    // each side, in the blocks ScanRow last found contrast in: a heavily
    // blurred bull's-eye's rings swing well inside its block thresholds.
    void ScanRowAtLocalMean(GrayImage const& image, Rectangle const& area, int y);
    int GetThreshold(int x) const;
    // The bull's-eye cut and checks of row y; `blurredMaxiCentres`: a row
    // with no sighting is cut again at its local mean (in the faint sweep
    // every row is).
    void SweepBullsEyeRow(GrayImage const& image, Rectangle const& area, int y, bool blurredMaxiCentres);
    // The row's run widths side by side, and 16 zeros past them, for the
    // screens that take several runs at a time.
    void LayWidths(int* widths) const;
    // Appends the sightings of `list` not within a module of one listed,
    // while there is room.
    void AppendBullsEyes(FinderSighting const* list, unsigned count);
    // The run through (x, y) along the column and `count` runs above and
    // below it (each measured up to `limit`); false when the centre run
    // passes the limit or the area ends first.
    bool ScanColumn(GrayImage const& image, int x, int y, int threshold, unsigned count, int limit, int* above,
                    int* below, int& centre, int& top) const;
    // ScanColumn in two steps: the centre run alone (false when it passes
    // the limit or x lies off the area), then the runs around the centre
    // run that step found.
    bool ScanColumnCentre(GrayImage const& image, int x, int y, int threshold, int limit, int& centre, int& top) const;
    bool ScanColumnRuns(GrayImage const& image, int x, int threshold, unsigned count, int limit, int* above,
                        int* below, int centre, int top) const;

    // The widths of `count` runs from `first` on and their sum; 0 when the
    // row has fewer.
    int TakeWidths(unsigned first, unsigned count, int* widths) const;

    // The five runs from run i on are those of a QR finder along the row,
    // 1:1:3:1:1 as IsRunRatio judges it, `total` pixels wide (the row
    // screen in Start passed them): the column and diagonals through the
    // middle run decide.
    void CheckQRFinder(GrayImage const& image, unsigned i, int y, int total);
    // `screened`: the six ring runs around run i are known to be even
    // (the row screen in Start), and are not measured again.
    void CheckBullsEye(GrayImage const& image, unsigned i, int y, bool screened = false);
    // The widths, in half-pixel steps, of `count` runs on each side of the
    // run through (x, y) along a diagonal, the farthest first, and that
    // run's own; false when a run reaches `steps` or the image ends.
    bool DiagonalRuns(GrayImage const& image, int x, int y, int threshold, int steps, int slope, int count,
                      int* widths, int& centre) const;
    // Whether a QR finder sighting shows its pattern along both diagonals
    // as well, no longer than a square's (a bar code's bars pass across and
    // along the column at many angles).
    bool IsSquareQRFinder(GrayImage const& image, int x, int y, int threshold, int rowTotal, int columnTotal) const;
    void CheckHanXinFinder(unsigned i, int y);
    void CheckLPattern(GrayImage const& image, unsigned i, int y);
    // Walks a strip of one colour from `from` (1/256 pixel) along the unit
    // vector (dx, dy) (x 256), keeping to its middle; the pixels walked, and
    // where it stopped: off the colour, or where the strip (about `width`
    // wide) merges on both sides. `fine`: on samples between pixels, the
    // strip measured across in quarter pixels, for strips two or three
    // pixels wide.
    int FollowStrip(GrayImage const& image, int threshold, bool dark, Point from, int dx, int dy, int width,
                    bool fine, Point& end, StripTrace* trace = nullptr) const;
    // The L from a run's strip at `start` along (dx, dy), noted when found;
    // true when found (or already noted), with the pixels the strip first
    // walked in `walked`.
    bool SightL(GrayImage const& image, int threshold, bool dark, Point start, int dx, int dy, int width,
                bool evenRun, bool fine, int& walked);
    // A leg walked in this sweep: the legs of an L noted (a row across them
    // again would find that L again), and the wide strips that were no L
    // before the timing sides were looked at (a row that walks one to about
    // the same ends would judge it the same). Ends in pixels; width: the
    // first walk's estimate for a strip, the leg's own for an L.
    struct WalkedLeg {
        Point ends[2];
        int width;
        bool dark;
        bool fine;
        bool found;
        bool frame = false;  // a wide strip that turns at both ends
        // A miss: the narrowest the strip measured across its walk (0: not
        // measured).
        int narrowest = 0;
        // A miss: points along the first walk from ends[1] to ends[0], in
        // pixels (a label's edge in perspective may bend); pathCount 0: none.
        static constexpr unsigned kPathPoints = 9;
        Point path[kPathPoints] = {};
        unsigned pathCount = 0;
    };
    static constexpr unsigned kMaxWalkedLegs = 64;
    static constexpr int kWideStrip = 8;  // pixels
    // Whether `start` (1/256 pixel) lies between a leg's ends, at least
    // `inset` from either and at most `reach` off its middle (1/256 pixel).
    static bool IsOnLeg(WalkedLeg const& leg, Point start, int reach, int inset = 0);
    // Whether a run's middle lies on a leg of an L noted.
    bool IsOnFoundLeg(Point start, bool dark, bool fine) const;
    // Whether a run's middle, about as wide, lies in a wide strip walked
    // before that turned at both ends.
    bool IsInWideFrame(Point start, bool dark, bool fine, int width) const;
    // Whether a wide run's middle, of half to twice its width, lies in the
    // middle of a wide strip walked before to no L (in this sweep, or a
    // long one in an earlier sweep of the image kept).
    bool IsInWideMiss(Point start, bool dark, bool fine, int width) const;
    // Whether a wide run's middle, of half to twice its width, joins a wide
    // strip walked before to no L: at most twice that strip's first width
    // off its path, with nothing but its colour between, and its chords
    // pointing along that part of the path.
    bool IsAlongWideMiss(GrayImage const& image, int threshold, Point start, bool dark, bool fine, int width, int dx,
                         int dy) const;
    // Whether a first walk across a wide strip ended about where one that
    // found no L did.
    bool IsKnownMiss(Point const* ends, int width, bool dark, bool fine) const;
    void NoteLeg(WalkedLeg const& leg);
    // Whether the timing sides opposite the legs from `corner` to `along`
    // and to `across` change colour about once a module; `fine`: the ends
    // come from a walk at a quarter pixel, known to a pixel.
    bool IsTimed(GrayImage const& image, int threshold, bool dark, int width, Point corner, Point along,
                 Point across, bool fine = false) const;
    void CheckDot(GrayImage const& image, unsigned i, int y, unsigned stride);

    // Sightings closer than mergeModules modules (0: the default reach) are one pattern.
    static void Note(FinderSighting* list, unsigned& count, unsigned capacity, FinderSighting const& seen,
                     int mergeModules = 0);

    Rectangle area_{};
    int maxDot_ = 0;
    Run runs_[kMaxRuns];
    unsigned runCount_ = 0;
    // The measures of the row last measured (MeasureRowBlocks), in
    // measured_ or keptMeasures_.
    unsigned short const* threshold_ = nullptr;
    unsigned short const* margin_ = nullptr;  // 0: no contrast around the block
    unsigned short const* middle_ = nullptr;
    unsigned short measured_[3 * kMaxBlocks];
    unsigned blockCount_ = 0;
    // The row the blocks were last measured on, in this sweep.
    unsigned short const* measuredRow_ = nullptr;
    bool rowHasContrast_ = false;
    // The block measures of the rows the sweeps of one image cut, kept so
    // that each row is measured once whatever the sweeps: row r of the grid
    // (y = keptTop_ + r * keptStride_) holds its three arrays (threshold,
    // margin, middle) of keptRowValues_ each from 3 * r * keptRowValues_ on,
    // while they fit.
    static constexpr unsigned kMaxKeptValues = 3 * 49152;
    static constexpr unsigned kMaxKeptRows = 4096;
    static constexpr unsigned char kRowUnknown = 0;
    static constexpr unsigned char kRowFlat = 1;
    static constexpr unsigned char kRowWithContrast = 2;
    unsigned short keptMeasures_[kMaxKeptValues];
    unsigned char rowState_[kMaxKeptRows] = {};
    unsigned keptRows_ = 0;  // rows of the grid with a state (the others are unknown)
    unsigned keptRowValues_ = 0;
    unsigned short const* keptPixels_ = nullptr;
    int keptPitch_ = 0;
    int keptLeft_ = 0;
    int keptRight_ = -1;
    int keptTop_ = 0;
    int keptStride_ = 1;
    static constexpr int kMeanReach = 5;
    // The row ScanRowAtLocalMean cut: its thresholds are the local means.
    unsigned short const* meanRow_ = nullptr;

    FinderSighting finders_[kMaxFinders];
    unsigned finderCount_ = 0;
    FinderSighting bullsEyes_[kMaxBullsEyes];
    unsigned bullsEyeCount_ = 0;
    unsigned strictBullsEyeCount_ = 0;
    // Aztec bull's-eyes whose rings pass only a pixel off one width: kept
    // apart and offered after the others.
    FinderSighting looseBullsEyes_[kMaxBullsEyes];
    unsigned looseBullsEyeCount_ = 0;
    // The faint sweep's sightings (SweepFaintBullsEyes), strict and loose,
    // and whether it is the sweep running (rows measured at its floor).
    FinderSighting faintBullsEyes_[kMaxBullsEyes];
    unsigned faintBullsEyeCount_ = 0;
    FinderSighting faintLooseBullsEyes_[kMaxBullsEyes];
    unsigned faintLooseBullsEyeCount_ = 0;
    bool faint_ = false;
    FinderSighting hanXin_[kMaxHanXinFinders];
    unsigned hanXinCount_ = 0;
    LPatternSighting lPatterns_[kMaxLPatterns];
    unsigned lPatternCount_ = 0;
    WalkedLeg walkedLegs_[kMaxWalkedLegs];
    unsigned walkedLegCount_ = 0;  // noted in this sweep; the oldest are overwritten
    // The wide misses whose ends lie kLongMiss pixels apart or more, of the
    // L sweeps since the last that did not keep them; the oldest are
    // overwritten. The pixels and pitch of the image they were walked on.
    static constexpr unsigned kMaxLongMisses = 16;
    static constexpr int kLongMiss = 128;
    WalkedLeg longMisses_[kMaxLongMisses];
    unsigned longMissCount_ = 0;
    unsigned short const* longMissPixels_ = nullptr;
    int longMissPitch_ = 0;
    // The first walk of SightL, each way from the run's middle.
    StripTrace traces_[2];
    // Bit k: lPatterns_[k] was walked at a quarter pixel (set when noted).
    unsigned fineLPatterns_ = 0;
    // The row SweepLPatternRowPart paused on (its runs still in runs_) and
    // the run it goes on from; -1: none.
    int pausedRow_ = -1;
    unsigned short const* pausedPixels_ = nullptr;
    unsigned nextRun_ = 0;
    Dot dots_[kMaxDots];
    unsigned dotCount_ = 0;
    // A full dot list is screened (DotNeighbourScreen) over the rows swept
    // so far, a few times a sweep; once a screen frees too little room the
    // list takes no more.
    static constexpr unsigned kMaxDotScreens = 8;
    unsigned dotScreens_ = 0;
    bool dotListClosed_ = false;
};

// The blocks of kBlock pixels of row[left..right] (the last one may be
// shorter), `count` of them, each with the grey range of its own pixels and
// of its neighbours': its threshold, the middle of that range; its margin,
// the width of that range, or 0 when neither its own range nor the step of
// its middle grey from a neighbour's reaches contrastFloor; and its own
// middle grey. Each array takes `count` rounded up to a multiple of 8
// values (at most kMaxBlocks). False when every block is without contrast.
// `lanes`: on vector lanes where the machine has them (false: one block at
// a time, the same measures).
bool MeasureRowBlocks(unsigned short const* row, int left, int right, unsigned count, unsigned short* threshold,
                      unsigned short* margin, unsigned short* middle, bool lanes = true,
                      int contrastFloor = MatrixCandidateFinder::kContrastFloor);

// The first block from b on (before count) that a row cut must look at in a
// run of colour `dark`, of the blocks MeasureRowBlocks measured: one with a
// margin, or a flat one whose middle grey lies more than kContrastFloor / 8
// past its threshold on the other colour's side; count when there is none.
// Each array holds count rounded up to a multiple of 8 values.
unsigned SkipFlatBlocks(unsigned short const* threshold, unsigned short const* margin, unsigned short const* middle,
                        unsigned b, unsigned count, bool dark);

// The samples of a strip walk from (x, y) on across the strip: how many of
// the points (x + k ax, y + k ay), k = 1 ... far (1/256 pixel), are of the
// strip's colour before the first that is not, each judged by the sum of
// its grey and the two (dx, dy) before and after it against 3 x threshold;
// a point with any of those off the image ends them. `fine`: the points at
// a quarter of those steps (each quotient rounded toward zero), their greys
// interpolated between pixels. `lanes`: long runs of points in vector lanes
// where the processor has them (false: one point at a time, the same
// count).
int CountStripSamples(GrayImage const& image, int threshold, bool dark, int dx, int dy, int x, int y, int ax, int ay,
                      int far, bool fine, bool lanes = true);

// Whether run widths follow module counts: each width within a quarter of
// (its modules + 1) modules of what the total gives it, and slack pixels
// more.
bool IsRunRatio(int const* widths, int const* modules, unsigned count, int slack = 0);

}  // namespace DEC2DIvra
