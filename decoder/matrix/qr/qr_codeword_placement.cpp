#include "decoder/matrix/qr/qr_codeword_placement.h"

#include "decoder/matrix/qr/qr_version_tables.h"

namespace DEC2DIvra {

namespace {

bool IsMicroFunction(unsigned x, unsigned y)
{
    // Finder with its separator, format information, timing patterns.
    return (x <= 8 && y <= 8) || x == 0 || y == 0;
}

// The function modules of one version, worked out once for a whole reading:
// for each row or column coordinate, the alignment pattern it passes within
// two modules of (their centres lie 16 modules apart at least).
class FunctionLayout {
public:
    FunctionLayout(bool micro, unsigned version) : micro_(micro), version_(version)
    {
        size_ = micro ? 0u : QRVersionTables::GetSize(version);
        for (unsigned i = 0; i < kMaxSize; ++i) {
            near_[i] = -1;
        }
        unsigned char positions[QRVersionTables::kMaxAlignment];
        unsigned const count = micro ? 0u : QRVersionTables::GetAlignmentPositions(version, positions);
        last_ = count == 0 ? 0 : count - 1;
        for (unsigned i = 0; i < count; ++i) {
            for (unsigned c = positions[i] - 2u; c <= positions[i] + 2u && c < kMaxSize; ++c) {
                near_[c] = static_cast<signed char>(i);
            }
        }
    }

    bool IsFunction(unsigned x, unsigned y) const
    {
        if (micro_) {
            return IsMicroFunction(x, y);
        }
        // Finders, separators and format information.
        if ((x <= 8 && y <= 8) || (x <= 8 && y + 8 >= size_) || (x + 8 >= size_ && y <= 8)) {
            return true;
        }
        if (x == 6 || y == 6) {
            return true;
        }
        if (version_ >= 7 && ((x + 11 >= size_ && y < 6) || (y + 11 >= size_ && x < 6))) {
            return true;
        }
        if (x >= kMaxSize || y >= kMaxSize || near_[x] < 0 || near_[y] < 0) {
            return false;
        }
        // The three corners that the finders take have none.
        unsigned const i = static_cast<unsigned>(near_[x]);
        unsigned const j = static_cast<unsigned>(near_[y]);
        return !((i == 0 && j == 0) || (i == 0 && j == last_) || (i == last_ && j == 0));
    }

    // The function modules of column x as the walk meets them: rows above
    // top and from bottom on, row `timing`, and the rows of the alignment
    // patterns the column passes (none when near is negative).
    struct Column {
        unsigned top = 0;
        unsigned bottom = 0;
        unsigned timing = 0;
        int near = -1;
    };

    Column GetColumn(unsigned x) const
    {
        Column c;
        unsigned const size = micro_ ? kMaxSize : size_;
        c.bottom = size;
        if (micro_) {
            c.top = x == 0 ? size : (x <= 8 ? 9u : 1u);
            c.timing = 0;
            return c;
        }
        c.timing = 6;
        if (x == 6) {
            c.top = size;
            return c;
        }
        if (x <= 8 || x + 8 >= size_) {
            c.top = 9;
        }
        if (x <= 8) {
            c.bottom = size_ - 8;
        }
        if (version_ >= 7) {
            if (x + 11 >= size_ && c.top < 6) {
                c.top = 6;
            }
            if (x < 6 && c.bottom > size_ - 11) {
                c.bottom = size_ - 11;
            }
        }
        c.near = x < kMaxSize ? near_[x] : -1;
        return c;
    }

    // IsFunction(x, y) for the x of `column`, with y inside the symbol.
    bool IsFunction(Column const& column, unsigned y) const
    {
        if (y < column.top || y >= column.bottom || y == column.timing) {
            return true;
        }
        if (column.near < 0 || near_[y] < 0) {
            return false;
        }
        unsigned const i = static_cast<unsigned>(column.near);
        unsigned const j = static_cast<unsigned>(near_[y]);
        return !((i == 0 && j == 0) || (i == 0 && j == last_) || (i == last_ && j == 0));
    }

private:
    static constexpr unsigned kMaxSize = 177;

    bool micro_;
    unsigned version_;
    unsigned size_ = 0;
    unsigned last_ = 0;
    signed char near_[kMaxSize];
};

}  // namespace

bool QRCodewordPlacement::IsFunctionModule(bool micro, unsigned version, unsigned x, unsigned y)
{
    return FunctionLayout(micro, version).IsFunction(x, y);
}

bool QRCodewordPlacement::IsMaskedDark(bool micro, unsigned mask, unsigned x, unsigned y)
{
    static constexpr unsigned char kMicroToQR[4] = {1, 4, 6, 7};
    unsigned const m = micro ? kMicroToQR[mask & 3u] : (mask & 7u);
    unsigned const i = y;
    unsigned const j = x;
    switch (m) {
    case 0: return (i + j) % 2 == 0;
    case 1: return i % 2 == 0;
    case 2: return j % 3 == 0;
    case 3: return (i + j) % 3 == 0;
    case 4: return (i / 2 + j / 3) % 2 == 0;
    case 5: return (i * j) % 2 + (i * j) % 3 == 0;
    case 6: return ((i * j) % 2 + (i * j) % 3) % 2 == 0;
    default: return ((i + j) % 2 + (i * j) % 3) % 2 == 0;
    }
}

unsigned QRCodewordPlacement::Read(QRModuleView const& modules, bool micro, unsigned version, unsigned mask,
                                   unsigned halfIndex, unsigned short* codewords, unsigned short* contrast,
                                   unsigned capacity)
{
    unsigned const size = modules.size;
    if (size < 11 || modules.dark == nullptr || capacity == 0) {
        return 0;
    }
    unsigned count = 0;
    unsigned bit = 0;
    unsigned value = 0;
    unsigned weakest = 0xFFFFu;
    bool upward = true;
    FunctionLayout const layout(micro, version);
    // Every mask repeats every 12 rows and every 6 columns.
    unsigned char maskRows[12] = {};
    for (unsigned i = 0; i < 12; ++i) {
        for (unsigned j = 0; j < 6; ++j) {
            maskRows[i] |= static_cast<unsigned char>((IsMaskedDark(micro, mask, j, i) ? 1u : 0u) << j);
        }
    }
    for (int right = static_cast<int>(size) - 1; right >= 1; right -= 2) {
        if (!micro && right == 6) {
            right = 5;  // the vertical timing pattern
        }
        unsigned const shift[2] = {static_cast<unsigned>(right) % 6, static_cast<unsigned>(right - 1) % 6};
        FunctionLayout::Column const columns[2] = {layout.GetColumn(static_cast<unsigned>(right)),
                                                   layout.GetColumn(static_cast<unsigned>(right - 1))};
        for (unsigned step = 0; step < size; ++step) {
            unsigned const y = upward ? size - 1 - step : step;
            unsigned const maskRow = maskRows[y % 12];
            for (unsigned k = 0; k < 2; ++k) {
                unsigned const x = static_cast<unsigned>(right) - k;
                if (layout.IsFunction(columns[k], y)) {
                    continue;
                }
                unsigned const index = y * size + x;
                unsigned const masked = (maskRow >> shift[k]) & 1u;
                unsigned const dark = (modules.dark[index] != 0 ? 1u : 0u) ^ masked;
                value = (value << 1) | dark;
                if (modules.contrast != nullptr && modules.contrast[index] < weakest) {
                    weakest = modules.contrast[index];
                }
                unsigned const width = count == halfIndex ? 4u : 8u;
                if (++bit < width) {
                    continue;
                }
                codewords[count] = static_cast<unsigned short>(width == 4 ? value << 4 : value);
                if (contrast != nullptr) {
                    contrast[count] = static_cast<unsigned short>(weakest);
                }
                if (++count == capacity) {
                    return count;
                }
                bit = 0;
                value = 0;
                weakest = 0xFFFFu;
            }
        }
        upward = !upward;
    }
    return count;
}

}  // namespace DEC2DIvra
