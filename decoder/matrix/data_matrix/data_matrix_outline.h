#pragma once

#include "decoder/core/containers/virtual_array.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// A point in pixels with its fraction.
struct OutlinePoint {
    float x = 0;
    float y = 0;
};

// The outline of a Data Matrix symbol around a seed on its L: the symbol's
// own connected patch is filled from the seed (against a threshold taken
// around it, on a 3 x 3 mean so that noise does not break or leak it), its
// convex hull gives the four sides roughly, and each side is then refitted
// to the edge crossings of short scans across it, keeping the outermost
// (the timing sides' light modules lie a module deeper). The two solid
// sides meeting at one corner are the L.
class DataMatrixOutline {
public:
    // Buffers from the caller's work area: the fill's bits (two bits and a
    // byte for every 64 pixels of the largest frame, and a word's alignment),
    // and the fill's stack.
    DataMatrixOutline(VirtualArray<unsigned char> const& marks, VirtualArray<int> const& stack);

    // Fills the patch around the L corner as seen; reach: a length near the
    // legs'. The symbol's own dark is light when negative is set. False when
    // no patch of a symbol's size was filled, or the patch ran off two sides
    // of the frame.
    // mayRepeat: when the sighting's thresholds and the pixel the fill
    // starts from fall in the patch the last fill of this polarity found on
    // a frame of the same buffer and shape, that patch is taken again
    // without filling (WasRepeat then says so); the caller must know the
    // frame is the same one, and else fill again without it.
    bool Fill(GrayImage const& image, Point const& corner, int reach, bool negative, bool mayRepeat = false);
    bool WasRepeat() const { return repeat_; }
    // Fill with the symbol's dark taken as `ink` (a grey of the L's own
    // modules) rather than the darkest twentieth of the square around the
    // corner: a darker ground within reach (a chessboard, a shadow) puts
    // that too low and leaves a pale symbol's modules out of the patch.
    // Never takes a patch again.
    bool FillAtInk(GrayImage const& image, Point const& corner, int reach, bool negative, int ink);
    // The larger of the height and width in pixels of the patch the last
    // fill found, failed or not; 0 when no pixel near the corner was dark
    // enough to start from; -1 when it was given up before its end (too
    // large, off the frame) or had no thresholds.
    int GetPatchExtent() const { return extent_; }
    // No patch is taken again before it is filled anew (its symbol read).
    void ForgetPatches() { kept_[0].valid = kept_[1].valid = false; }
    // The outline of the patch the last Fill found, which it must have
    // found: false when it has no four sides with an L. scans: where the
    // edge scans start, kFarScans a tenth of a side out, kNearScans a few
    // pixels out (a grey ground beyond a large symbol's quiet zone may lie
    // within a tenth), kNearestScans a few pixels and a hundredth of the
    // side (a cluttered ground close beyond a quiet zone a few modules
    // wide, whose light points pass for the quiet zone's).
    static constexpr int kFarScans = 0;
    static constexpr int kNearScans = 1;
    static constexpr int kNearestScans = 2;
    // refitTiming: the timing sides are fitted again from the far corner
    // of the parallelogram the L spans (the hull may miss a timing corner
    // by several modules); else they stay as the hull's corners put them,
    // which holds under a perspective that leaves the far corner well off
    // that parallelogram's.
    bool Fit(GrayImage const& image, int scans, bool refitTiming = true);

    // Corners from the L's corner on: the L corner, the far end of the leg
    // with the symbol on its right (screen y down), the timing corner, the
    // far end of the other leg.
    OutlinePoint const& GetCorner(unsigned i) const { return corners_[i & 3]; }
    int GetThreshold() const { return threshold_; }
    // The leftmost and rightmost pixel of row y in the patch the last Fill
    // found; false when the patch has none in that row.
    bool GetRowSpan(int y, int& left, int& right) const;
    // A digest of the patch the last Fill found, row spans and thresholds,
    // the polarity included: all Fit reads of the fill. Two fills of one
    // frame with the same digest give the same outline.
    unsigned long long GetFillDigest() const;

    // Sub-pixel grey value (bilinear), with the image's border repeated.
    static float Sample(GrayImage const& image, float x, float y);
    // Sample at n points, out[i] exactly Sample(image, xs[i], ys[i]); eight
    // points at a time in 256-bit lanes where the processor has them while
    // all eight lie on the image, then four at a time where all four do.
    static void SampleAll(GrayImage const& image, float const* xs, float const* ys, unsigned n, float* out);

private:
    static constexpr unsigned kMaxHull = 4096;
    static constexpr unsigned kScans = 48;
    // The most modules along a side, and the longest coarse step of the
    // edge scans in half pixels.
    static constexpr float kMaxModules = 144;
    static constexpr int kMaxCoarse = 4;
    // The most offsets a side's edge scans step through from a table.
    static constexpr int kChainPoints = 1024;
    // The nearest to a side, in pixels, that its edge scans start.
    static constexpr float kLeastOutside = 3.0f;
    // The least grey difference between a given ink and the light.
    static constexpr int kLeastInkContrast = 48;

    struct Line {
        float nx = 0, ny = 0, c = 0;  // nx x + ny y = c, n the outward unit normal
        float depth = 0;              // mean inward distance of the scan crossings
        bool valid = false;
    };

    // The fill keeps its darkness and its filled pixels as bits, 64 pixels
    // of a row to a word; a word's darkness is worked out when the fill
    // first reaches it.
    using Word = unsigned long long;
    static constexpr int kWordBits = 64;

    bool IsDark(GrayImage const& image, int x, int y) const;
    Word CalcDarkWord(GrayImage const& image, int word, int y) const;
    Word GetOpenWord(GrayImage const& image, int word, int y);
    // ink: the symbol's dark, or -1 to take it from the square.
    bool CalcThreshold(GrayImage const& image, Point const& corner, int reach, int ink);
    int CalcExtent() const;
    bool FillFrom(GrayImage const& image, Point const& seed, bool mayRepeat);
    void ClearFill(int height);
    int SpreadRows(GrayImage const& image, Point const& start, int height);
    unsigned CountFilled() const;
    bool FillRuns(GrayImage const& image, Point const& start, int height);
    bool LayOut(int height);
    Point FindStart(GrayImage const& image, Point const& seed) const;
    unsigned CalcHull();
    bool CalcRoughCorners(unsigned hullCount, OutlinePoint* rough) const;
    // nearerOnDark: a scan whose first point is dark starts again nearer
    // the side (for the sides through the hull's corners, which lie on the
    // symbol's edge; a side fitted again from a corner the others put may
    // run off it, and its scans then start over the symbol).
    Line FitSide(GrayImage const& image, OutlinePoint const& a, OutlinePoint const& b, OutlinePoint const& centre,
                 bool nearerOnDark) const;
    float Luminance(GrayImage const& image, float x, float y) const;
    // chain: the side's table of scan offsets from s on, or nullptr.
    bool FindEdge(GrayImage const& image, float px, float py, float nx, float ny, float s, float inside,
                  float previous, int coarse, float const* chain, float& crossing) const;

    static constexpr int kMaxRows = 2048;
    // The widest row (in words) and the most sweeps SpreadRows takes.
    static constexpr int kRowWords = 64;
    static constexpr int kMaxSweeps = 16;

    VirtualArray<unsigned char> marks_;
    Word* dark_ = nullptr;           // a row's words one after the other
    Word* filled_ = nullptr;
    unsigned char* known_ = nullptr;  // a word's darkness worked out, a byte a word
    int words_ = 0;                   // words of a row
    int rowLeft_[kMaxRows];
    int rowRight_[kMaxRows];
    int top_ = 0;
    int bottom_ = 0;
    VirtualArray<int> stack_;
    OutlinePoint hull_[kMaxHull];
    OutlinePoint rowEnds_[2 * kMaxRows];
    OutlinePoint corners_[4];
    int threshold_ = 0;
    int light_ = 0;  // the light level the threshold was taken from
    int fillThreshold_ = 0;
    bool negative_ = false;
    int scans_ = kFarScans;
    int width_ = 0;
    // The marks hold the fill's bits and row spans once for each polarity
    // when both fit (parts_ 2), so that each polarity's last patch is kept
    // while the other is filled; else once, and no patch is kept.
    struct Kept {
        bool valid = false;
        unsigned short const* pixels = nullptr;
        int width = 0, height = 0, pitch = 0;
        int threshold = 0, fillThreshold = 0;
        int top = 0, bottom = -1;
    };
    Kept kept_[2];
    unsigned char* parts_[2] = {nullptr, nullptr};
    unsigned partCount_ = 0;
    long long count_ = 0;  // words of the frame
    bool repeat_ = false;
    int extent_ = -1;
};

}  // namespace DEC2DIvra
