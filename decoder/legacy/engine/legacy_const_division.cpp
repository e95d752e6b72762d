#include "decoder/legacy/engine/legacy_const_division.h"

namespace {

unsigned int FloorLog2(unsigned int value)
{
    unsigned int s = 0;
    while (s < 31 && (value >> (s + 1)) != 0) {
        ++s;
    }
    return s;
}

// Shared by both widths: `bits` is 32 or 16.
int CalcParameters(CONST_DIVISION_st* p, unsigned int bits)
{
    if (p == nullptr || p->divisor == 0 || (bits == 16 && p->divisor > 0xFFFFu)) {
        return -1;
    }
    unsigned int const d = p->divisor;
    unsigned int const s = FloorLog2(d);
    p->shift = s;
    if ((d & (d - 1)) == 0) {
        p->multiplier = 1;
        p->method = 0;
        return 0;
    }
    // 2^(bits+s) < 2^63 for every divisor that fits the width.
    unsigned long long const top = 1ULL << (bits + s);
    unsigned long long const m = (top + (1ULL << s)) / d;
    p->multiplier = static_cast<unsigned int>(m);
    p->method = m * d >= top ? 1u : 2u;
    return 0;
}

}  // namespace

int calc_u32div_param(CONST_DIVISION_st* p) { return CalcParameters(p, 32); }

int calc_u16div_param(CONST_DIVISION_st* p) { return CalcParameters(p, 16); }

unsigned int exec_u32div_by_const(CONST_DIVISION_st const* p)
{
    unsigned long long const m = p->multiplier;
    unsigned long long const x = p->dividend;
    switch (p->method) {
    case 0:
        return static_cast<unsigned int>(x >> p->shift);
    case 1:
        return static_cast<unsigned int>(((x * m) >> 32) >> p->shift);
    default:
        // x + 1 may reach 2^32: the product still fits 64 bits.
        return static_cast<unsigned int>((((x + 1) * m) >> 32) >> p->shift);
    }
}

unsigned int exec_u16div_by_const(CONST_DIVISION_st const* p)
{
    unsigned long long const m = p->multiplier;
    unsigned long long const x = p->dividend & 0xFFFFu;
    switch (p->method) {
    case 0:
        return static_cast<unsigned int>(x >> p->shift);
    case 1:
        return static_cast<unsigned int>(((x * m) >> 16) >> p->shift);
    default:
        return static_cast<unsigned int>(((m + x * m) >> 16) >> p->shift);
    }
}
