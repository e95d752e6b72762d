#pragma once

#include "decoder/core/containers/dynamic_stack_interface.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/containers/variable_length_virtual_array.h"
#include "decoder/core/geometry/vector.h"
#include "decoder/core/containers/virtual_array.h"
#include "decoder/linear/roads/combined_line_road.h"
#include "decoder/linear/roads/pick_line_element.h"
#include "decoder/linear/roads/scan_band.h"
#include "decoder/linear/roads/scan_subroutine.h"

namespace DEC2DIvra {

class LineDecodeData;
class LineDecoder;

// The high-resolution road of a scan band. Thin bars tilted against the pixel
// grid are sampled at a different phase on every pixel line; once the drift
// of the edges from line to line is known, the samples of neighbouring lines
// can be shifted onto one line and merged into a profile finer than one
// pixel. Initialize prepares up to 72 parallel lines over the band, levels
// and smooths them, and measures the drift (the molecule line: drift per line
// as a straight-line function of the line coordinate). Start takes the lines
// around one of up to 16 places across the band, enough of them for their
// sampling phases to cover a whole pixel, aligns them by the drift, merges
// them at two samples a pixel, sharpens the result, and decodes it as a line
// of that place.
class CompositeLineDecoder final : public CombinedLineRoad {
public:
    enum LineType : unsigned {
        kWholeLine = 0,    // the frame's combined lines: edges from the whole line
        kCentralLine = 1,  // level statistics from the line's middle half
    };

    // Lines prepared over a band at most, and the longest line (Manhattan).
    static constexpr unsigned kMaxLines = 72;
    static constexpr unsigned kMaxLineLength = 1218;
    static constexpr unsigned kMaxSamples = kMaxLineLength + 1;
    // Combined lines a band gives at most (one per scan index).
    static constexpr unsigned kMaxCombinedLines = 16;
    // Window positions scored when the drift is measured.
    static constexpr unsigned kMaxPositions = 2464;
    // A combined line holds no more samples than the run-length conversion
    // takes.
    static constexpr unsigned kMergedCapacity = ScanSubroutine::kProfileCapacity;
    // Drifts are 16.16 samples per line; a correction divides by twice that.
    static constexpr long long kSlopeOne = 65536;

    // A point of the drift measurement: x the line coordinate, y the drift
    // found there; distance its distance from the line being fitted.
    struct PointAndDistance {
        int x = 0;
        int y = 0;
        long long distance = 0;
    };

    // The buffers come from the work area.
    explicit CompositeLineDecoder(SharedMemoryDistributor& memory);
    CompositeLineDecoder(CompositeLineDecoder const&) = delete;
    CompositeLineDecoder& operator=(CompositeLineDecoder const&) = delete;

    bool IsReady() const { return ready_; }

    // Prepares the combined lines of a band; GetLineCount is 0 when the band
    // allows none (it touches the image border, its lines are too long or too
    // short, or no drift could be measured).
    void Initialize(GrayImage const& image, BarCodeScanRegion const& band) override;
    bool IsCompleted() const override { return completed_; }
    unsigned GetLineCount() const override { return combinedCount_; }
    bool Start(GrayImage const& image, LineDecoder const& decoder, unsigned index, LineDecodeData& result,
               LineSegment& segment) override;
    // One combined line of a scan index decoded into the result, with the
    // decoded part of the line; false when it does not decode or the index
    // lies outside the prepared lines.
    bool Start(GrayImage const& image, LineDecoder const& decoder, int index, LineType type, LineDecodeData& result,
               LineSegment& segment) const;

    // What the last Initialize laid out: prepared lines, their spacing in
    // pixels and the samples of one line's walk.
    unsigned GetPreparedLineCount() const { return prepared_; }
    unsigned GetSpacing() const { return spacing_; }
    // The measured drift at a line coordinate, 16.16 samples per line.
    long long CalcDrift(int coordinate) const;
    // The samples of a combined line as Start decodes them (after Start).
    StackInterface<PickLineElement> const& GetCombinedSamples() const { return merged_; }

    // Grey filters of the road. Smoothing: the nine-tap low-pass over odd
    // neighbours (sum 244), the ends padded with copies of the end samples;
    // the stack is filtered in place through the work buffer.
    static void Smooth(StackInterface<PickLineElement>& samples, VirtualArray<int> const& work);
    // Sharpening of a combined line (sum 16), four samples at each end kept;
    // a line of 7 samples or fewer is left as it is.
    static void Sharpen(StackInterface<PickLineElement>& samples, VirtualArray<int> const& work);

    // The mean grey of the middle third of a line; false for an empty line or
    // a mean of 0.
    static bool CalcAverage(StackInterface<PickLineElement> const& samples, int& average);

private:
    bool Prepare(GrayImage const& image);
    bool CalcAverages();
    void LevelBrightness();
    bool CorrectLineCoords(int& unit, Line& molecule);
    unsigned CalcInnerProduct(unsigned first, unsigned second, int shift, unsigned start, unsigned window,
                              unsigned positions, int* scores) const;
    void ScoreShifts(unsigned distance, int offset, unsigned start, unsigned window, unsigned positions, bool refine);
    bool CalcMoleculeLine(VariableLengthVirtualArray<PointAndDistance>& points, Line& molecule) const;
    bool ApplyCorrection();
    long long CalcCorrection(int coordinate, long long lineOffsetTwice) const;
    void CalcGroup(unsigned index, unsigned& first, unsigned& last) const;
    // The lines that make the combined line of an index, and the line it
    // lies on.
    void CalcWindow(unsigned index, unsigned& first, unsigned& last, unsigned& target) const;
    // A prepared line sampled again from the image, levelled and aligned.
    bool PickAligned(GrayImage const& image, unsigned line, StackInterface<PickLineElement>& samples) const;
    bool Merge(unsigned first, unsigned last) const;

    // The band and the prepared lines.
    BarCodeScanRegion band_;
    Point start_;       // start point of the band's middle (virtual) line
    Vector direction_;  // the scan direction, start to end of every line
    Vector lineStep_;   // from one prepared line to the next
    bool fourConnected_ = false;
    unsigned prepared_ = 0;
    unsigned spacing_ = 0;
    unsigned window_ = 0;
    unsigned distance_ = 0;  // lines between the two lines correlated
    int unit_ = 0;  // mean coordinate step per sample
    Line molecule_;
    unsigned combinedCount_ = 0;
    int levelAverage_[kMaxLines] = {};  // the lines' mean grey before levelling
    int levelTarget_ = 0;              // the grey every line is levelled to
    int range_[kMaxLines] = {};        // each levelled line's grey range
    int largestRange_ = 0;
    bool completed_ = false;

    // Buffers over the work area.
    VariableLengthVirtualArray<PickLineElement> pool_;
    VirtualArray<DynamicStackInterface<PickLineElement>> lines_;
    VirtualArray<int> average_;
    VirtualArray<int> bestScore_;
    VirtualArray<int> bestSlope_;
    VirtualArray<int> plusScore_;
    VirtualArray<int> minusScore_;
    VariableLengthVirtualArray<PointAndDistance> points_;
    VirtualArray<int> filterWork_;
    mutable StackInterface<PickLineElement> merged_;
    VirtualArray<PickLineElement> raw_;
    mutable unsigned rawFirst_[kMaxLines] = {};
    mutable unsigned rawCount_[kMaxLines] = {};
    mutable unsigned mergeNext_[kMaxLines] = {};
    bool ready_ = false;
};

}  // namespace DEC2DIvra
