#include "decoder/linear/two_of_five/two_of_five_layout.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned char N = TwoOfFiveLayout::kNoRun;

// Every pattern in line order. Industrial: start 313111, digits in the bars
// with narrow spaces, stop 31113. IATA: start 1111, Industrial digits, stop
// 311. Interleaved: start 1111, pairs (bars, spaces), stop 311. Matrix: start
// 411111, five-element digits and a gap, stop 41111. Chinese Post: start
// 1111, Matrix digits each closed by a narrow gap, stop 311 (untested, the
// gaps let Interleaved pairs pass for Chinese Post digits). Met from the
// stop, each character begins with the space that closed it.
constexpr TwoOfFiveLayout kLayouts[] = {
    {SYMBOLOGY_INDUSTRIAL2OF5, false, 6, 0x05, 0x1F, 10, {{0, 2, 4, 6, 8}, {N, N, N, N, N}}, 0x0AA, 5, 0x11, 0x1F},
    {SYMBOLOGY_INDUSTRIAL2OF5, true, 5, 0x11, 0x1F, 10, {{9, 7, 5, 3, 1}, {N, N, N, N, N}}, 0x154, 6, 0x28, 0x3E},
    {SYMBOLOGY_MATRIX2OF5, false, 6, 0x01, 0x1F, 6, {{0, 1, 2, 3, 4}, {N, N, N, N, N}}, 0, 5, 0x01, 0x1F},
    {SYMBOLOGY_MATRIX2OF5, true, 5, 0x10, 0x1F, 6, {{5, 4, 3, 2, 1}, {N, N, N, N, N}}, 0, 6, 0x20, 0x3E},
    {SYMBOLOGY_IATA, false, 4, 0x00, 0x0F, 10, {{0, 2, 4, 6, 8}, {N, N, N, N, N}}, 0x0AA, 3, 0x01, 0x07},
    {SYMBOLOGY_IATA, true, 3, 0x04, 0x07, 10, {{9, 7, 5, 3, 1}, {N, N, N, N, N}}, 0x154, 4, 0x00, 0x0F},
    {SYMBOLOGY_INTERLEAVED2OF5, false, 4, 0x00, 0x0F, 10, {{0, 2, 4, 6, 8}, {1, 3, 5, 7, 9}}, 0, 3, 0x01, 0x07},
    {SYMBOLOGY_INTERLEAVED2OF5, true, 3, 0x04, 0x07, 10, {{9, 7, 5, 3, 1}, {8, 6, 4, 2, 0}}, 0, 4, 0x00, 0x0F},
    {SYMBOLOGY_CHINESE_POST, false, 4, 0x00, 0x07, 6, {{0, 1, 2, 3, 4}, {N, N, N, N, N}}, 0x20, 3, 0x01, 0x07},
    {SYMBOLOGY_CHINESE_POST, true, 3, 0x04, 0x07, 6, {{5, 4, 3, 2, 1}, {N, N, N, N, N}}, 0x01, 4, 0x00, 0x0E},
};

// The single character that closes an S-code in place of a pair: five bars
// holding the digit, every space narrow, the space before the stop included.
// Openings and closings are those of Interleaved 2 of 5.
constexpr TwoOfFiveLayout kSingles[] = {
    {SYMBOLOGY_SCODE, false, 4, 0x00, 0x0F, 10, {{0, 2, 4, 6, 8}, {N, N, N, N, N}}, 0x2AA, 3, 0x01, 0x07},
    {SYMBOLOGY_SCODE, true, 3, 0x04, 0x07, 10, {{9, 7, 5, 3, 1}, {N, N, N, N, N}}, 0x155, 4, 0x00, 0x0F},
};

}  // namespace

bool TwoOfFiveLayout::IsMixed() const { return type == SYMBOLOGY_MATRIX2OF5 || type == SYMBOLOGY_CHINESE_POST; }

TwoOfFiveLayout const* TwoOfFiveLayout::Get(tagSymbology type, bool reverse)
{
    for (TwoOfFiveLayout const& layout : kLayouts) {
        if (layout.type == type && layout.reverse == reverse) {
            return &layout;
        }
    }
    return nullptr;
}

TwoOfFiveLayout const& TwoOfFiveLayout::GetSingle(bool reverse) { return kSingles[reverse ? 1 : 0]; }

}  // namespace DEC2DIvra
