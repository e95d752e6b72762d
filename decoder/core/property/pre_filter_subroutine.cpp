#include "decoder/core/property/pre_filter_subroutine.h"

#include <cstdint>

namespace DEC2DIvra {

namespace {

enum class FilterKind { kDarkThickening, kLightThickening, kMovingAverage };

// One filter's settings as read at the start of a call.
struct FilterStep {
    FilterKind kind;
    bool enable;
    unsigned priority;
    unsigned diameterX;
    unsigned diameterY;
};

FilterStep Snapshot(FilterKind kind, FiltersProperty::Filter const& filter)
{
    return FilterStep{kind, filter.GetEnable(), filter.GetPriority(), filter.GetDiameterX(), filter.GetDiameterY()};
}

constexpr unsigned kStepCount = 3;

// The enabled steps in running order; false when one of them is out of range.
bool Plan(FiltersProperty const& filters, FilterStep (&steps)[kStepCount], unsigned& count)
{
    FilterStep const all[kStepCount] = {Snapshot(FilterKind::kDarkThickening, filters.black_bold),
                                        Snapshot(FilterKind::kLightThickening, filters.white_bold),
                                        Snapshot(FilterKind::kMovingAverage, filters.moving_average)};
    count = 0;
    for (FilterStep const& step : all) {
        if (!step.enable) {
            continue;
        }
        if (!PreFilter::IsValidDiameter(step.diameterX) || !PreFilter::IsValidDiameter(step.diameterY)) {
            return false;
        }
        // Insertion behind every step of lower or equal priority keeps ties
        // in table order.
        unsigned place = count;
        while (place > 0 && steps[place - 1].priority > step.priority) {
            steps[place] = steps[place - 1];
            --place;
        }
        steps[place] = step;
        ++count;
    }
    return true;
}

bool Run(FilterStep const& step, PreFilterImage const& image, VirtualArray<unsigned char> scratch)
{
    switch (step.kind) {
    case FilterKind::kDarkThickening:
        return PreFilter::Minimum(image, step.diameterX, step.diameterY, scratch);
    case FilterKind::kLightThickening:
        return PreFilter::Maximum(image, step.diameterX, step.diameterY, scratch);
    case FilterKind::kMovingAverage:
        return PreFilter::Mean(image, step.diameterX, step.diameterY, scratch);
    }
    return false;
}

std::size_t CopyBytes(int width, int height)
{
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * sizeof(unsigned short);
}

}  // namespace

bool ApplyPreFilterSubroutine::Start(FiltersProperty const& filters, PreFilterImage const& image,
                                     VirtualArray<unsigned char> scratch) const
{
    FilterStep steps[kStepCount];
    unsigned count = 0;
    if (!Plan(filters, steps, count)) {
        return false;
    }
    // Every step asks the same of the image and the scratch, so only the first
    // can refuse, and it does so before it changes anything.
    for (unsigned i = 0; i < count; ++i) {
        if (!Run(steps[i], image, scratch)) {
            return false;
        }
    }
    return true;
}

bool ApplyPreFilterSubroutine::Start(FiltersProperty const& filters, GrayImage const& frame,
                                     VirtualArray<unsigned char> area, GrayImage& filtered) const
{
    filtered = frame;
    FilterStep steps[kStepCount];
    unsigned count = 0;
    if (!Plan(filters, steps, count)) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    int const width = frame.GetWidth();
    int const height = frame.GetHeight();
    std::size_t const needed = CalcAreaBytes(width, height);
    if (needed == 0 || frame.GetPixels() == nullptr || frame.GetPitch() < width || area.GetData() == nullptr ||
        area.GetCount() < needed) {
        return false;
    }
    // The copy starts at the first 2-byte boundary of the area.
    unsigned const skip = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(area.GetData()) % 2);
    auto* copy = reinterpret_cast<unsigned short*>(area.GetData() + skip);
    unsigned const copyBytes = static_cast<unsigned>(CopyBytes(width, height));
    for (int y = 0; y < height; ++y) {
        unsigned short const* source = frame.GetPixels() + static_cast<std::ptrdiff_t>(y) * frame.GetPitch();
        unsigned short* target = copy + static_cast<std::ptrdiff_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            target[x] = source[x];
        }
    }
    PreFilterImage const image{copy, width, height, width};
    VirtualArray<unsigned char> const scratch = area.Slice(skip + copyBytes, area.GetCount() - skip - copyBytes);
    for (unsigned i = 0; i < count; ++i) {
        if (!Run(steps[i], image, scratch)) {
            return false;
        }
    }
    filtered = GrayImage(width, height, width, copy);
    return true;
}

std::size_t ApplyPreFilterSubroutine::CalcAreaBytes(int width, int height)
{
    std::size_t const scratch = PreFilter::CalcScratchBytes(width, height);
    return scratch == 0 ? 0 : 1 + CopyBytes(width, height) + scratch;
}

}  // namespace DEC2DIvra
