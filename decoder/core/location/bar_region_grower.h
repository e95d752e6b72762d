#pragma once

#include "decoder/core/location/bar_region_gradient_tensor.h"
#include "decoder/core/location/bar_region_orientation_field.h"

namespace DEC2DIvra {

// One connected group of bar-like cells whose directions agree.
struct BarRegionComponent {
    unsigned first = 0;  // its cells are GetCellOrder()[first .. first + count)
    unsigned count = 0;
    GradientTensor tensor;    // the sums of its cells
    long long sumX = 0;       // of the cell centres, pixels
    long long sumY = 0;
    unsigned coherenceSum = 0;
};

// Grows regions over the bar-like cells of a field: a cell joins a group
// through a neighbour (eight-connected) when its doubled direction lies within
// the tolerance of the group's mean one, or, since the bars of a label seen at
// a slant fan out smoothly, within a fraction of the tolerance of that
// neighbour's and a multiple of it of the mean. Groups smaller than the
// minimum are not kept.
class BarRegionGrower {
public:
    static constexpr unsigned kMaxComponents = 256;
    // In 9-bit angles of the doubled direction: 14 degrees, that is bars
    // within 7 degrees of the group's.
    static constexpr unsigned kDefaultTolerance = 20;
    static constexpr unsigned kDriftFactor = 3;  // of the tolerance, from the mean
    static constexpr unsigned kDriftStep = 2;    // half of it, from the neighbour

    // Nonzero count of components kept. The field's bar-like cells are those
    // of its last Classify.
    unsigned Start(BarOrientationField const& field, unsigned minimumCells, unsigned tolerance = kDefaultTolerance);

    unsigned GetCount() const { return count_; }
    BarRegionComponent const& GetComponent(unsigned i) const { return components_[i]; }
    unsigned short const* GetCellOrder() const { return order_; }

private:
    BarRegionComponent components_[kMaxComponents];
    unsigned count_ = 0;
    // Cells in the order they were reached, one group after another.
    unsigned short order_[BarOrientationField::kMaxCells];
    // Whether a cell may still join a group: not bar-like, bar-like and
    // open, or taken by a group.
    enum State : unsigned char { kClosed, kOpen, kTaken };
    State state_[BarOrientationField::kMaxCells];
};

}  // namespace DEC2DIvra
