#pragma once

#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// The decoders' share of the handle's work area. Each decoder lays its
// buffers over its own part only. Two parts may overlap only when their
// decoders never hold live data in them at the same time; when a decoder's
// data is live is given as the phases of a decode in which it may be read
// again:
//
//   part                    bytes                  live in
//   PDF417 / MicroPDF417    0 .. 1,310,720         stacked stage, and a linear read
//                                                  (composite components are read from it)
//   linear frame            1,310,720 .. 6,978,024 linear stage
//   linear repeat checker   6,978,024 .. 7,096,076 always: a result waiting for its
//                                                  repeats outlives the image and every
//                                                  other decoder's stage
//   QR Code                 0 .. 6,978,024         QR stage
//   Aztec                   0 .. 6,978,024         bull's-eye stage
//   Data Matrix             0 .. 6,978,024         L-pattern stage
//   DotCode                 0 .. 6,978,024         dot stage (its dots live from one
//                                                  dot call to the next of one image)
//
// The legacy engine keeps its state in its own records, and the symbol
// locator and the pre-filtered frame live in the handle's arena, so none of
// them is written over.
enum DecodePhase : unsigned {
    kPhaseLinear = 1u << 0,
    kPhaseStacked = 1u << 1,
    kPhaseQRCode = 1u << 2,
    kPhaseAztec = 1u << 3,
    kPhaseDataMatrix = 1u << 4,
    kPhaseDotCode = 1u << 5,
    kPhaseBetweenImages = 1u << 6,
    kPhaseAlways = (1u << 7) - 1,
};

struct WorkAreaPart {
    unsigned begin;
    unsigned end;
    unsigned live;  // DecodePhase bits

    constexpr unsigned GetSize() const { return end - begin; }
    constexpr bool IsOverlapping(WorkAreaPart const& other) const
    {
        return begin < other.end && other.begin < end;
    }
};

namespace WorkAreaLayout {

inline constexpr unsigned kBytes = 7096076;
inline constexpr unsigned kAlignment = 8;

// The repeat checker: one line result (runs, characters, start symbols), the
// decoded ends of 256 lines, and room to align each list; the begin stays
// aligned.
inline constexpr unsigned kRepeatCheckerBytes = 118052;
inline constexpr unsigned kStackedBytes = 1310720;

inline constexpr unsigned kRepeatCheckerBegin = kBytes - kRepeatCheckerBytes;

inline constexpr WorkAreaPart kStacked{0, kStackedBytes, kPhaseStacked | kPhaseLinear};
inline constexpr WorkAreaPart kLinearFrame{kStackedBytes, kRepeatCheckerBegin, kPhaseLinear};
inline constexpr WorkAreaPart kLinearRepeatChecker{kRepeatCheckerBegin, kBytes, kPhaseAlways};
inline constexpr WorkAreaPart kQRCode{0, kRepeatCheckerBegin, kPhaseQRCode};
inline constexpr WorkAreaPart kAztec{0, kRepeatCheckerBegin, kPhaseAztec};
inline constexpr WorkAreaPart kDataMatrix{0, kRepeatCheckerBegin, kPhaseDataMatrix};
inline constexpr WorkAreaPart kDotCode{0, kRepeatCheckerBegin, kPhaseDotCode};

inline constexpr WorkAreaPart kParts[] = {kStacked, kLinearFrame, kLinearRepeatChecker, kQRCode,
                                          kAztec,   kDataMatrix,  kDotCode};

// Every part lies inside the area, starts aligned, and shares bytes only with
// parts whose data is never live at the same time as its own.
constexpr bool IsSound()
{
    unsigned const count = sizeof(kParts) / sizeof(kParts[0]);
    for (unsigned i = 0; i < count; ++i) {
        WorkAreaPart const& a = kParts[i];
        if (a.begin >= a.end || a.end > kBytes || a.begin % kAlignment != 0 || a.live == 0) {
            return false;
        }
        for (unsigned j = i + 1; j < count; ++j) {
            if (a.IsOverlapping(kParts[j]) && (a.live & kParts[j].live) != 0) {
                return false;
            }
        }
    }
    return true;
}

static_assert(IsSound(), "two decoders would write over each other's live data");

// A decoder's part of the handle's work area (the whole area given); empty
// when the area is smaller than the layout.
inline VirtualArray<unsigned char> Window(VirtualArray<unsigned char> const& area, WorkAreaPart const& part)
{
    return area.GetCount() < kBytes ? VirtualArray<unsigned char>() : area.Slice(part.begin, part.GetSize());
}

}  // namespace WorkAreaLayout

}  // namespace DEC2DIvra
