#pragma once

#include "decoder/core/tag_decoded_label.h"

namespace DEC2DIvra {

// The grey statistics of a read (the results of the rate calculator): bar and
// space separation per run, its normalised 16.16 form, the arc cosine of that
// as a signed byte, and the count of windows whose darkest light run was
// darker than their brightest dark run.
struct LineStatistics {
    unsigned char valid = 0;
    int separation = 0;
    int normalisedSeparation = 0;
    signed char angle = 0;
    unsigned overlaps = 0;

    // Folds another read of the same result in: the weaker of each value.
    void Fold(LineStatistics const& other)
    {
        separation = other.separation < separation ? other.separation : separation;
        normalisedSeparation =
            other.normalisedSeparation < normalisedSeparation ? other.normalisedSeparation : normalisedSeparation;
        angle = other.angle > angle ? other.angle : angle;
        overlaps = other.overlaps > overlaps ? other.overlaps : overlaps;
    }

    tagFurtherRecord ToRecord() const
    {
        return tagFurtherRecord{valid, separation, normalisedSeparation, angle, overlaps};
    }

    friend bool operator==(LineStatistics const&, LineStatistics const&) = default;
};

}  // namespace DEC2DIvra
