#pragma once

namespace DEC2DIvra {

// The sums of the gradient products gx * gx, gy * gy and gx * gy over a patch
// of an image. Their principal direction is the direction in which the grey
// level changes most; across parallel bars nearly all the change lies along
// that one direction, elsewhere it is spread over all directions.
struct GradientTensor {
    long long xx = 0;
    long long yy = 0;
    long long xy = 0;
    unsigned samples = 0;

    void Add(GradientTensor const& other)
    {
        xx += other.xx;
        yy += other.yy;
        xy += other.xy;
        samples += other.samples;
    }

    long long CalcEnergy() const { return xx + yy; }

    // The principal direction as a unit vector with 16 fraction bits (either
    // of its two signs); false when the patch has no preferred direction.
    bool CalcDirection(int& ux, int& uy) const;

    // The principal direction doubled, as a 9-bit angle (512 to a turn), so
    // that opposite directions give the same value; false when there is none.
    bool CalcDoubledAngle(unsigned& angle) const;
};

}  // namespace DEC2DIvra
