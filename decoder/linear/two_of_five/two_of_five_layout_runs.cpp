#include "decoder/linear/two_of_five/two_of_five_layout_runs.h"

#include "decoder/linear/line/magnitude_sort.h"
#include "decoder/linear/two_of_five/two_of_five_table.h"

namespace DEC2DIvra {

namespace {

struct Ranked {
    unsigned position = 0;  // reading position within the digit
    long long magnitude = 0;
    long long width = 0;
};

// b within a factor of `num/den` of a, either way.
bool IsNear(long long a, long long b, long long num, long long den)
{
    return a * den <= b * num && b * den <= a * num;
}

// A run's raw width against the narrow width of the character beside it:
// narrow runs within a factor of two either way, wide ones (up to the four
// modules of the Matrix start) above it and below five narrow widths.
bool IsPrintWidth(long long width, long long narrow, bool wide)
{
    if (wide) {
        return 4 * width >= 5 * narrow && width <= 5 * narrow;
    }
    return 2 * width >= narrow && width <= 2 * narrow;
}

}  // namespace

bool TwoOfFiveLayoutRuns::ClassifyDigit(unsigned first, unsigned char const* runs, int& digit,
                                             long long& threshold, long long& narrowWidth) const
{
    Ranked ranked[5];
    for (unsigned k = 0; k < 5; ++k) {
        unsigned const i = first + runs[k];
        ScanElement const& run = (*this)[i];
        ranked[k] = Ranked{k, GetMagnitude(i), static_cast<long long>(run.end) - run.begin};
    }
    SortByMagnitude(ranked, 5);
    // Two wide of five: the step between them and the narrow ones must stand
    // clear of the spread within each class.
    long long const step = ranked[3].magnitude - ranked[2].magnitude;
    long long const narrowSpread = ranked[2].magnitude - ranked[0].magnitude;
    long long const wideSpread = ranked[4].magnitude - ranked[3].magnitude;
    if (step <= narrowSpread || 2 * step <= wideSpread || 5 * ranked[3].magnitude <= 7 * ranked[2].magnitude) {
        return false;
    }
    unsigned pattern = 0;
    for (unsigned k = 3; k < 5; ++k) {
        pattern |= 1u << (4 - ranked[k].position);
    }
    digit = TwoOfFiveTable::GetDigit(pattern);
    long long const narrow = (ranked[0].magnitude + ranked[1].magnitude + ranked[2].magnitude) / 3;
    long long const wide = (ranked[3].magnitude + ranked[4].magnitude) / 2;
    threshold = (narrow + wide) / 2;
    narrowWidth = (ranked[0].width + ranked[1].width + ranked[2].width) / 3;
    return digit != TwoOfFiveTable::kNoDigit;
}

bool TwoOfFiveLayoutRuns::CalcBarSymbol(TwoOfFiveLayout const& layout, unsigned first,
                                             Character const* previous, Character& character) const
{
    character = Character{};
    if (!HasRuns(first + layout.characterRuns)) {
        return false;
    }
    long long narrowWidth = 0;
    if (!ClassifyDigit(first, layout.digits[0], character.digits[0], character.barThreshold, narrowWidth)) {
        return false;
    }
    character.digitCount = 1;
    character.narrowWidth = narrowWidth;
    character.spaceThreshold = character.barThreshold;
    if (layout.IsPair()) {
        long long spaceNarrow = 0;
        if (!ClassifyDigit(first, layout.digits[1], character.digits[1], character.spaceThreshold,
                           spaceNarrow)) {
            return false;
        }
        character.digitCount = 2;
        character.narrowWidth = (narrowWidth + spaceNarrow) / 2;
    }
    for (unsigned i = 0; i < layout.characterRuns; ++i) {
        ScanElement const& run = (*this)[first + i];
        long long const width = static_cast<long long>(run.end) - run.begin;
        if (((layout.narrow >> i) & 1u) != 0 && GetMagnitude(first + i) >= character.spaceThreshold) {
            return false;
        }
        if (2 * width < character.narrowWidth || width > 5 * character.narrowWidth) {
            return false;
        }
    }
    character.begin = (*this)[first].begin;
    character.end = (*this)[first + layout.characterRuns - 1].end;
    if (previous != nullptr) {
        long long const span = static_cast<long long>(character.end) - character.begin;
        long long const before = static_cast<long long>(previous->end) - previous->begin;
        if (!IsNear(span, before, 4, 3) || !IsNear(character.barThreshold, previous->barThreshold, 2, 1) ||
            !IsNear(character.spaceThreshold, previous->spaceThreshold, 2, 1)) {
            return false;
        }
    }
    return true;
}

bool TwoOfFiveLayoutRuns::CheckPattern(unsigned first, unsigned runs, unsigned wide, unsigned examined,
                                            Character const& reference) const
{
    if (!HasRuns(first + runs)) {
        return false;
    }
    unsigned char const bar = (*this)[0].colour;
    for (unsigned i = 0; i < runs; ++i) {
        ScanElement const& run = (*this)[first + i];
        long long const width = static_cast<long long>(run.end) - run.begin;
        bool const expectWide = ((wide >> i) & 1u) != 0;
        // Every run, examined or not, keeps to the print widths of the
        // character beside it: a run of another symbol's pattern or of its
        // quiet zone does not.
        if (!IsPrintWidth(width, reference.narrowWidth, expectWide)) {
            return false;
        }
        if (((examined >> i) & 1u) == 0) {
            continue;
        }
        long long const threshold = run.colour == bar ? reference.barThreshold : reference.spaceThreshold;
        if ((GetMagnitude(first + i) > threshold) != expectWide) {
            return false;
        }
    }
    return true;
}

}  // namespace DEC2DIvra
