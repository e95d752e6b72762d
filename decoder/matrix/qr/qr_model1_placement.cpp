#include "decoder/matrix/qr/qr_model1_placement.h"

#include "decoder/matrix/qr/qr_version_tables.h"

namespace DEC2DIvra {

namespace {

// Blocks of four modules along an edge, ending before c = 21 (odd versions)
// or 17 (even versions), then every 8.
bool IsExtensionBlock(unsigned version, unsigned size, unsigned along)
{
    for (unsigned c = version % 2 == 1 ? 21u : 17u; c < size; c += 8) {
        if (along + 4 >= c && along < c) {
            return true;
        }
    }
    return false;
}

// Walks the data modules in placement order; `visit(x, y)` returns false
// to stop.
template <typename Visit>
void Walk(unsigned version, Visit&& visit)
{
    unsigned const size = QRVersionTables::GetSize(version);
    auto column = [&](unsigned const* columns, unsigned count, unsigned fromRow) {
        for (int y = static_cast<int>(fromRow); y >= 0; --y) {
            for (unsigned k = 0; k < count; ++k) {
                unsigned const x = columns[k];
                if (!QRModel1Placement::IsFunctionModule(version, x, static_cast<unsigned>(y)) &&
                    !visit(x, static_cast<unsigned>(y))) {
                    return false;
                }
            }
        }
        return true;
    };
    unsigned const first[2] = {size - 1, size - 2};
    unsigned const second[2] = {size - 3, size - 4};
    if (!column(first, 2, size - 3) || !column(second, 2, size - 1)) {
        return;
    }
    unsigned c = size - 5;
    for (; c > 8; c -= 4) {
        unsigned const group[4] = {c, c - 1, c - 2, c - 3};
        if (!column(group, 4, size - 1)) {
            return;
        }
    }
    for (int right = static_cast<int>(c); right >= 1; right -= 2) {
        if (right == 6) {
            right = 5;  // the vertical timing pattern
        }
        unsigned const pair[2] = {static_cast<unsigned>(right), static_cast<unsigned>(right) - 1};
        if (!column(pair, 2, size - 1)) {
            return;
        }
    }
}

}  // namespace

bool QRModel1Placement::IsFunctionModule(unsigned version, unsigned x, unsigned y)
{
    unsigned const size = QRVersionTables::GetSize(version);
    // Finders, separators and format information; timing patterns.
    if ((x <= 8 && y <= 8) || (x <= 8 && y + 8 >= size) || (x + 8 >= size && y <= 8) || x == 6 || y == 6) {
        return true;
    }
    bool const bottom = y + 2 >= size;
    bool const right = x + 2 >= size;
    return (bottom && right) || (bottom && IsExtensionBlock(version, size, x)) ||
           (right && IsExtensionBlock(version, size, y));
}

unsigned QRModel1Placement::Read(QRModuleView const& modules, unsigned version, unsigned mask,
                                 unsigned short* codewords, unsigned short* contrast, unsigned capacity)
{
    if (version < 1 || modules.dark == nullptr || modules.size != QRVersionTables::GetSize(version) ||
        capacity == 0) {
        return 0;
    }
    unsigned count = 0;
    unsigned bit = kUnplacedBits;
    unsigned value = 0;
    unsigned weakest = 0xFFFFu;
    Walk(version, [&](unsigned x, unsigned y) {
        unsigned const index = y * modules.size + x;
        bool const dark = (modules.dark[index] != 0) != QRCodewordPlacement::IsMaskedDark(false, mask, x, y);
        value = (value << 1) | (dark ? 1u : 0u);
        if (modules.contrast != nullptr && modules.contrast[index] < weakest) {
            weakest = modules.contrast[index];
        }
        if (++bit < 8) {
            return true;
        }
        codewords[count] = static_cast<unsigned short>(value);
        if (contrast != nullptr) {
            contrast[count] = static_cast<unsigned short>(weakest);
        }
        bit = 0;
        value = 0;
        weakest = 0xFFFFu;
        return ++count < capacity;
    });
    return count;
}

}  // namespace DEC2DIvra
