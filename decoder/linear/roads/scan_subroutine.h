#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/containers/virtual_array.h"
#include "decoder/linear/roads/pick_line_element.h"
#include "decoder/linear/line/scan_element.h"

namespace DEC2DIvra {

// Turns the grey samples of a scan line into alternating dark and light runs.
// Edges are the extremes of the slope profile found with a hysteresis walk;
// each edge is placed at the slope-weighted centre of its flank.
//
// The slope profile and the edge list live in a work buffer of the caller
// (normally the decoder handle's work area): 4928 entries each.
class ScanSubroutine {
public:
    static constexpr unsigned kProfileCapacity = 4928;
    struct SlopeEntry {
        int coordinate;
        int slope;
    };
    struct EdgePair {
        int first;    // profile index after the previous edge
        int extreme;  // profile index of this edge's slope extreme
    };
    static constexpr unsigned kWorkBytes = kProfileCapacity * (sizeof(SlopeEntry) + sizeof(EdgePair));

    ScanSubroutine() = default;
    // Takes kWorkBytes from the work area; IsReady() tells whether it could.
    explicit ScanSubroutine(SharedMemoryDistributor& memory);
    // Lays the buffers over a caller's block; a block smaller than kWorkBytes
    // gives a smaller capacity.
    explicit ScanSubroutine(VirtualArray<unsigned char> const& work);

    bool IsReady() const { return capacity_ >= 2; }
    unsigned GetCapacity() const { return capacity_; }

    // samples in, runs out (the run stack is emptied first). central restricts
    // the level statistics to the middle half of the line and lets the routine
    // choose its own slope divider; divider is used without it. falseEdge
    // reports a walk that left a false edge in the middle half; maxStep is the
    // largest grey step between neighbouring counted samples. False when no
    // runs result, or on malformed samples (fewer than two, coordinates that
    // do not rise), a line longer than the profile, or a full run stack.
    bool Start(GrayImage const& image, StackInterface<PickLineElement> const& samples,
               StackInterface<ScanElement>& runs, bool central, unsigned divider, bool& falseEdge,
               unsigned& maxStep) const;
    // How a low-contrast line (a grey range below kLowContrastRange) is read.
    // Smoothing finds its edges against noise but also spreads each flank
    // over the next, so that edges a small module apart pull each other's
    // centres apart.
    enum class LowContrastEdges {
        kSmoothedPlacedOnSamples,  // found on the smoothed slopes, placed on the sampled ones
        kSmoothed,                 // found and placed on the smoothed slopes
        kUnsmoothed,               // no smoothing for the contrast
        kSmoothedAgainstNoise,     // every line smoothed, whatever its range
    };
    // The same, reading a low-contrast line as `edges` says; smoothedForContrast
    // tells whether the line was smoothed for its range alone, smoothed
    // whether it was smoothed at all.
    bool Start(GrayImage const& image, StackInterface<PickLineElement> const& samples,
               StackInterface<ScanElement>& runs, bool central, unsigned divider, bool& falseEdge,
               unsigned& maxStep, LowContrastEdges edges, bool& smoothedForContrast) const;
    bool Start(GrayImage const& image, StackInterface<PickLineElement> const& samples,
               StackInterface<ScanElement>& runs, bool central, unsigned divider, bool& falseEdge,
               unsigned& maxStep, LowContrastEdges edges, bool& smoothedForContrast, bool& smoothed) const;

    static constexpr long long kLowContrastRange = 255;

private:
    struct WalkResult {
        bool started = false;
        bool firstLight = false;
        unsigned edgeCount = 0;
        bool falseMark = false;
        bool repeatedFalseMark = false;
        bool overflow = false;
    };

    // The slope between each pair of neighbouring samples at the pair's
    // middle; false when the coordinates do not rise.
    bool FillProfile(StackInterface<PickLineElement> const& samples, unsigned count) const;
    WalkResult Walk(unsigned count, int hysteresis, long long lowMiddle, long long highMiddle) const;
    int CalcEdgePosition(unsigned count, unsigned extreme, int hysteresis, bool rising) const;

    SlopeEntry* profile_ = nullptr;
    EdgePair* edges_ = nullptr;
    unsigned capacity_ = 0;
};

}  // namespace DEC2DIvra
