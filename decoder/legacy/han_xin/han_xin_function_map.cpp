#include "decoder/legacy/han_xin/han_xin_function_map.h"

#include "decoder/legacy/han_xin/han_xin_version.h"

namespace {

struct Symbol {
    unsigned short* grid;
    int size;

    void Block(int row, int column, int rows, int columns, unsigned short value = kHanXinFunctionModule) const
    {
        for (int r = row; r < row + rows; ++r) {
            for (int c = column; c < column + columns; ++c) {
                if (r >= 0 && r < size && c >= 0 && c < size) {
                    grid[r * kHanXinMaxSize + c] = value;
                }
            }
        }
    }
};

// The alignment lattice: row lines run down from row 0, column lines left
// from the last column, m intervals of k modules and then one of r - 1.
int Interval(int index, int m, int k, int r) { return index < m ? k : r - 1; }

bool Parameters(int version, int* size, int* m, int* r, int* k)
{
    return get_size_CHINA(size, version) == 0 && get_param_M(m, version) == 0 && get_param_R(r, version) == 0 &&
           get_param_K(k, version) == 0;
}

// Alignment lines: at every other lattice point (checkerboard, the top-right
// corner left out) a dark line runs left along the row and down along the
// column, each with a light line on its inner side.
void AlignmentLines(Symbol const& symbol, int m, int k, int r, unsigned short dark, unsigned short light)
{
    int const size = symbol.size;
    for (int rowIndex = 0, row = 0; row < size; row += Interval(rowIndex, m, k, r), ++rowIndex) {
        int const height = Interval(rowIndex, m, k, r);
        for (int columnIndex = 0, column = size - 1; column >= 0;
             column -= Interval(columnIndex, m, k, r), ++columnIndex) {
            if ((rowIndex + columnIndex) % 2 != 0 || (rowIndex == 0 && columnIndex == 0)) {
                continue;
            }
            int const width = Interval(columnIndex, m, k, r);
            symbol.Block(row + 1, column - width - 1, 1, width + 1, light);
            symbol.Block(row + 1, column - 1, height, 1, light);
            symbol.Block(row, column - width, 1, width + 1, dark);
            symbol.Block(row, column, height, 1, dark);
        }
    }
}

// Assistant patterns: 3 x 3 blocks centred on the edge where a lattice line
// meets it. Right and top edges take every other line from the second; left
// and bottom edges take the lines of the same parity as m.
void AssistantPatterns(Symbol const& symbol, int m, int k, int r)
{
    int const size = symbol.size;
    for (int index = 0, row = 0; row < size; row += Interval(index, m, k, r), ++index) {
        if (index % 2 == 1) {
            symbol.Block(row - 1, size - 2, 3, 3);
        }
        if (index % 2 != m % 2) {
            symbol.Block(row - 1, -1, 3, 3);
        }
    }
    for (int index = 0, column = size - 1; column >= 0; column -= Interval(index, m, k, r), ++index) {
        if (index % 2 == 1) {
            symbol.Block(-1, column - 1, 3, 3);
        }
        if (index % 2 != m % 2) {
            symbol.Block(size - 2, column - 1, 3, 3);
        }
    }
}

// The four 9 x 9 corner regions: finder pattern, separator and function
// information.
void Corners(Symbol const& symbol)
{
    int const size = symbol.size;
    symbol.Block(0, 0, 9, 9);
    symbol.Block(0, size - 9, 9, 9);
    symbol.Block(size - 9, 0, 9, 9);
    symbol.Block(size - 9, size - 9, 9, 9);
}

// The alignment lines in the colours given, then the assistant patterns and
// the corners over their ends as function modules.
int Mark(unsigned short* grid, int version, unsigned short dark, unsigned short light)
{
    int size = 0;
    int m = 0;
    int r = 0;
    int k = 0;
    if (!Parameters(version, &size, &m, &r, &k)) {
        return -1;
    }
    Symbol const symbol{grid, size};
    if (m > 0) {
        AlignmentLines(symbol, m, k, r, dark, light);
        AssistantPatterns(symbol, m, k, r);
    }
    Corners(symbol);
    return 0;
}

}  // namespace

int MarkHanXinFunctionModules(unsigned short* grid, int version)
{
    return Mark(grid, version, kHanXinFunctionModule, kHanXinFunctionModule);
}

int MarkHanXinAlignmentColours(unsigned short* grid, int version) { return Mark(grid, version, 1, 0); }
