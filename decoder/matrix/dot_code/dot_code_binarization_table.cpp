#include "decoder/matrix/dot_code/dot_code_binarization_table.h"

namespace DEC2DIvra {

bool BinarizationTableForDotCode::SetSize(unsigned width, unsigned height)
{
    if (static_cast<unsigned long long>(width) * height > cells_.GetCount()) {
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

void BinarizationTableForDotCode::ReverseX()
{
    for (unsigned y = 0; y < height_; ++y) {
        for (unsigned x = 0; x < width_ / 2; ++x) {
            unsigned char const keep = At(x, y);
            At(x, y) = At(width_ - 1 - x, y);
            At(width_ - 1 - x, y) = keep;
        }
    }
}

bool BinarizationTableForDotCode::ExchangeXY(BinarizationTableForDotCode& scratch)
{
    unsigned const width = width_;
    unsigned const height = height_;
    if (!scratch.SetSize(height, width)) {
        return false;
    }
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            scratch.At(y, x) = At(x, y);
        }
    }
    width_ = height;
    height_ = width;
    for (unsigned y = 0; y < height_; ++y) {
        for (unsigned x = 0; x < width_; ++x) {
            At(x, y) = scratch.At(x, y);
        }
    }
    return true;
}

bool BinarizationTableForDotCode::ExtractPartTable(unsigned cut, bool mirror, BinarizationTableForDotCode& out) const
{
    unsigned left = 1;
    unsigned right = 1;
    unsigned top = 0;
    unsigned bottom = 0;
    switch (cut) {
    case 0: top = 1; break;
    case 1: bottom = 1; break;
    case 2: right = 0; break;
    case 3: left = 0; break;
    default: break;
    }
    if (width_ <= left + right || height_ <= top + bottom) {
        return false;
    }
    unsigned const width = width_ - left - right;
    unsigned const height = height_ - top - bottom;
    if (!out.SetSize(width, height)) {
        return false;
    }
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            unsigned const to = mirror ? width - 1 - x : x;
            out.At(to, y) = At(x + left, y + top);
        }
    }
    return true;
}

bool BinarizationTableForDotCode::SetPartTable(BinarizationTableForDotCode const& part, unsigned cut)
{
    unsigned const left = cut == 3 ? 0u : 1u;
    unsigned const top = cut == 0 ? 1u : 0u;
    unsigned const right = cut == 2 ? 0u : 1u;
    unsigned const bottom = cut == 1 ? 1u : 0u;
    if (part.width_ + left + right != width_ || part.height_ + top + bottom != height_) {
        return false;
    }
    for (unsigned y = 0; y < part.height_; ++y) {
        for (unsigned x = 0; x < part.width_; ++x) {
            At(x + left, y + top) = part.At(x, y);
        }
    }
    return true;
}

bool BinarizationTableForDotCode::ExtendTable(unsigned side, BinarizationTableForDotCode& out) const
{
    unsigned const left = side == 0 ? 1u : 0u;
    unsigned const top = side == 2 ? 1u : 0u;
    unsigned const width = width_ + (side < 2 ? 1u : 0u);
    unsigned const height = height_ + (side >= 2 ? 1u : 0u);
    if (side > 3 || !out.SetSize(width, height)) {
        return false;
    }
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            bool const inside = x >= left && y >= top && x - left < width_ && y - top < height_;
            out.At(x, y) = inside ? At(x - left, y - top) : 0;
        }
    }
    return true;
}

bool BinarizationTableForDotCode::GetCoord(ReadingOrder order, unsigned bit, unsigned& x, unsigned& y) const
{
    if (width_ < 4 || width_ % 2 != 0 || height_ < 3 || height_ % 2 != 1) {
        return false;
    }
    unsigned const hw = width_ / 2;
    unsigned const corner = height_ * hw - 6;  // K: the six corner dots come last
    unsigned const firstSkip = hw - 2;
    unsigned const secondSkip = width_ - 3;
    unsigned const thirdSkip = corner - firstSkip;
    if (bit < corner) {
        unsigned j = bit + 5;
        if (bit < firstSkip) {
            j = bit + 1;
        } else if (bit < secondSkip) {
            j = bit + 2;
        } else if (bit < thirdSkip) {
            j = bit + 3;
        }
        unsigned const row = j / hw;
        y = order == kForward ? row : height_ - 1 - row;
        x = 2 * (j % hw) + (y % 2);
        return true;
    }
    if (bit >= corner + 6) {
        return false;
    }
    // (W-2, H-1), (W-2, 0), (W-1, H-2), (W-1, 1), (0, H-1), (0, 0)
    unsigned const k = bit - corner;
    x = k < 2 ? width_ - 2 : (k < 4 ? width_ - 1 : 0);
    unsigned const yy = k == 0 || k == 4 ? height_ - 1 : (k == 2 ? height_ - 2 : (k == 3 ? 1 : 0));
    y = order == kForward ? yy : height_ - 1 - yy;
    return true;
}

}  // namespace DEC2DIvra
