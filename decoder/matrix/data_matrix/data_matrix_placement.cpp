#include "decoder/matrix/data_matrix/data_matrix_placement.h"

namespace DEC2DIvra {

namespace {

// The placement walk over a rows x columns mapping matrix; each module a
// codeword's bit lies in is handed to the sink as (row, column, codeword,
// bit), bit 1 the most significant.
template <typename Sink>
class Walker {
public:
    Walker(unsigned rows, unsigned columns, unsigned char* visited, Sink const& sink)
        : visited_(visited), sink_(sink), rows_(static_cast<int>(rows)), columns_(static_cast<int>(columns))
    {
    }

    // Bit 1 is the most significant of the codeword.
    void Module(int row, int column, unsigned codeword, unsigned bit)
    {
        if (row < 0) {
            row += rows_;
            column += 4 - ((rows_ + 4) % 8);
        }
        if (column < 0) {
            column += columns_;
            row += 4 - ((columns_ + 4) % 8);
        }
        if (row < 0 || column < 0 || row >= rows_ || column >= columns_) {
            return;
        }
        visited_[row * columns_ + column] = 1;
        sink_(row, column, codeword, bit);
    }

    void Utah(int row, int column, unsigned codeword)
    {
        Module(row - 2, column - 2, codeword, 1);
        Module(row - 2, column - 1, codeword, 2);
        Module(row - 1, column - 2, codeword, 3);
        Module(row - 1, column - 1, codeword, 4);
        Module(row - 1, column, codeword, 5);
        Module(row, column - 2, codeword, 6);
        Module(row, column - 1, codeword, 7);
        Module(row, column, codeword, 8);
    }

    // The four corner shapes, as (row, column) pairs; a negative value counts
    // from the far side.
    void Corner(int const (*cells)[2], unsigned codeword)
    {
        for (unsigned bit = 0; bit < 8; ++bit) {
            int const row = cells[bit][0] < 0 ? rows_ + cells[bit][0] : cells[bit][0];
            int const column = cells[bit][1] < 0 ? columns_ + cells[bit][1] : cells[bit][1];
            Module(row, column, codeword, bit + 1);
        }
    }

    bool IsVisited(int row, int column) const { return visited_[row * columns_ + column] != 0; }

    unsigned Run()
    {
        static constexpr int kCorner1[8][2] = {{-1, 0}, {-1, 1}, {-1, 2}, {0, -2}, {0, -1}, {1, -1}, {2, -1}, {3, -1}};
        static constexpr int kCorner2[8][2] = {{-3, 0}, {-2, 0}, {-1, 0}, {0, -4}, {0, -3}, {0, -2}, {0, -1}, {1, -1}};
        static constexpr int kCorner3[8][2] = {{-3, 0}, {-2, 0}, {-1, 0}, {0, -2}, {0, -1}, {1, -1}, {2, -1}, {3, -1}};
        static constexpr int kCorner4[8][2] = {{-1, 0}, {-1, -1}, {0, -3}, {0, -2}, {0, -1}, {1, -3}, {1, -2}, {1, -1}};
        unsigned codeword = 0;
        int row = 4;
        int column = 0;
        do {
            if (row == rows_ && column == 0) {
                Corner(kCorner1, codeword++);
            }
            if (row == rows_ - 2 && column == 0 && columns_ % 4 != 0) {
                Corner(kCorner2, codeword++);
            }
            if (row == rows_ - 2 && column == 0 && columns_ % 8 == 4) {
                Corner(kCorner3, codeword++);
            }
            if (row == rows_ + 4 && column == 2 && columns_ % 8 == 0) {
                Corner(kCorner4, codeword++);
            }
            do {
                if (row < rows_ && column >= 0 && !IsVisited(row, column)) {
                    Utah(row, column, codeword++);
                }
                row -= 2;
                column += 2;
            } while (row >= 0 && column < columns_);
            row += 1;
            column += 3;
            do {
                if (row >= 0 && column < columns_ && !IsVisited(row, column)) {
                    Utah(row, column, codeword++);
                }
                row += 2;
                column -= 2;
            } while (row < rows_ && column >= 0);
            row += 3;
            column += 1;
        } while (row < rows_ || column < columns_);
        return codeword;
    }

private:
    unsigned char* visited_;
    Sink const& sink_;
    int rows_;
    int columns_;
};

}  // namespace

bool DataMatrixPlacement::ReadCodewords(VariableSizeVirtualTable<bool> const& matrix, unsigned char* visited,
                                        unsigned visitedBytes, unsigned short* codewords, unsigned count)
{
    unsigned const modules = matrix.GetWidth() * matrix.GetHeight();
    // The smallest mapping matrix is 6 x 16; below 6 the corner shapes overlap.
    if (matrix.GetWidth() < 6 || matrix.GetHeight() < 6 || modules > visitedBytes) {
        return false;
    }
    for (unsigned i = 0; i < modules; ++i) {
        visited[i] = 0;
    }
    for (unsigned i = 0; i < count; ++i) {
        codewords[i] = 0;
    }
    auto const read = [&](int row, int column, unsigned codeword, unsigned bit) {
        if (codeword < count && matrix.At(static_cast<unsigned>(column), static_cast<unsigned>(row))) {
            codewords[codeword] |= static_cast<unsigned short>(1u << (8 - bit));
        }
    };
    Walker walker(matrix.GetHeight(), matrix.GetWidth(), visited, read);
    return walker.Run() >= count;
}

bool DataMatrixPlacementTable::Build(unsigned width, unsigned height, unsigned count, unsigned char* visited,
                                     unsigned visitedBytes)
{
    count_ = 0;
    unsigned long long const modules = static_cast<unsigned long long>(width) * height;
    if (width < 6 || height < 6 || modules > visitedBytes || modules >= kNone || count == 0 || count > kMaxBits / 8) {
        return false;
    }
    for (unsigned i = 0; i < modules; ++i) {
        visited[i] = 0;
    }
    for (unsigned i = 0; i < count * 8; ++i) {
        modules_[i] = kNone;
    }
    auto const lay = [&](int row, int column, unsigned codeword, unsigned bit) {
        if (codeword < count) {
            modules_[codeword * 8 + bit - 1] = static_cast<unsigned short>(static_cast<unsigned>(row) * width +
                                                                           static_cast<unsigned>(column));
        }
    };
    Walker walker(height, width, visited, lay);
    if (walker.Run() < count) {
        return false;
    }
    width_ = width;
    height_ = height;
    count_ = count;
    return true;
}

bool DataMatrixPlacementTable::Read(VariableSizeVirtualTable<bool> const& matrix, unsigned short* codewords) const
{
    if (count_ == 0 || matrix.GetWidth() != width_ || matrix.GetHeight() != height_) {
        return false;
    }
    bool const* dark = matrix.GetData();
    for (unsigned c = 0; c < count_; ++c) {
        unsigned short const* bits = modules_ + c * 8;
        unsigned value = 0;
        for (unsigned b = 0; b < 8; ++b) {
            value = value << 1 | (bits[b] != kNone && dark[bits[b]] ? 1u : 0u);
        }
        codewords[c] = static_cast<unsigned short>(value);
    }
    return true;
}

}  // namespace DEC2DIvra
