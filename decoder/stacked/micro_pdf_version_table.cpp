#include "decoder/stacked/micro_pdf_version_table.h"

namespace DEC2DIvra {

MicroPDFVersionTable::Element const MicroPDFVersionTable::table[kCount] = {
    {1, 11, 7, 1, 8, 0},    {1, 14, 7, 8, 0, 0},    {1, 17, 7, 36, 0, 0},   {1, 20, 8, 19, 0, 0},
    {1, 24, 8, 9, 8, 0},    {1, 28, 8, 25, 8, 0},   {2, 8, 8, 1, 0, 0},     {2, 11, 9, 1, 8, 0},
    {2, 14, 9, 8, 0, 0},    {2, 17, 10, 36, 0, 0},  {2, 20, 11, 19, 0, 0},  {2, 23, 13, 9, 8, 0},
    {2, 26, 15, 27, 8, 0},  {3, 6, 12, 1, 0, 0},    {3, 8, 14, 7, 0, 0},    {3, 10, 16, 15, 0, 0},
    {3, 12, 18, 25, 0, 0},  {3, 15, 21, 37, 0, 0},  {3, 20, 26, 1, 16, 0},  {3, 26, 32, 1, 8, 0},
    {3, 32, 38, 21, 8, 0},  {3, 38, 44, 15, 16, 0}, {3, 44, 50, 1, 24, 0},  {4, 4, 8, 47, 24, 0},
    {4, 6, 12, 1, 0, 0},    {4, 8, 14, 7, 0, 0},    {4, 10, 16, 15, 0, 0},  {4, 12, 18, 25, 0, 0},
    {4, 15, 21, 37, 0, 0},  {4, 20, 26, 1, 16, 0},  {4, 26, 32, 1, 8, 0},   {4, 32, 38, 21, 8, 0},
    {4, 38, 44, 15, 16, 0}, {4, 44, 50, 1, 24, 0},  {2, 5, 4, 39, 32, 1},   {2, 6, 4, 1, 32, 1},
    {2, 7, 5, 32, 32, 1},   {2, 8, 5, 8, 32, 1},    {2, 9, 6, 14, 32, 1},   {2, 10, 6, 43, 32, 1},
    {2, 12, 7, 20, 32, 1},  {3, 4, 4, 11, 32, 1},   {3, 5, 5, 1, 32, 1},    {3, 6, 6, 5, 32, 1},
    {3, 7, 7, 15, 32, 1},   {3, 8, 7, 21, 32, 1},   {4, 3, 4, 40, 32, 1},   {4, 4, 5, 43, 32, 1},
    {4, 5, 6, 46, 32, 1},   {4, 6, 7, 34, 32, 1},   {4, 7, 8, 29, 32, 1},
};

unsigned MicroPDFVersionTable::CalcColumnStart(Element const& element, FinderPosition position)
{
    unsigned const step = element.columns < 3 ? (position == kRight ? 1u : 0u) : static_cast<unsigned>(position);
    return (element.start - 1u + step * element.offset) % 52u + 1u;
}

bool MicroPDFVersionTable::Element::IsIncluding(unsigned position, unsigned number) const
{
    if (position > kRight || (columns < 3 && position == kCenter) || number > 52) {
        return false;
    }
    unsigned const start = CalcColumnStart(*this, static_cast<FinderPosition>(position));
    // Rows from the column's first pattern on, round the cycle of 52.
    unsigned const row = (number + 52u - start % 52u) % 52u;
    return row < rows;
}

bool MicroPDFVersionTable::Element::IsEnableCount(unsigned votes) const
{
    unsigned const f = columns <= 2 || (columns == 3 && ccA != 0) ? 2u : 3u;
    return 2ull * votes >= static_cast<unsigned long long>(f) * rows;
}

}  // namespace DEC2DIvra
