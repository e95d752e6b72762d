#pragma once

// Division by a constant through a multiplier worked out once: the divisor's
// parameters are computed by calc_u32div_param (calc_u16div_param for 16-bit
// dividends) and every later division is a multiply and two shifts. Nothing
// on the read path divides this way yet; the routines are kept with the
// engine's arithmetic for code that divides many values by one divisor.

// The five fields in this order: dividend, multiplier, shift, divisor, method
// (0 power of two: a shift alone; 1 multiply high; 2 increment, then
// multiply high).
struct CONST_DIVISION_st {
    unsigned int dividend;
    unsigned int multiplier;
    unsigned int shift;
    unsigned int divisor;
    unsigned int method;
};

// From p->divisor: shift = floor(log2 divisor); a power of two takes
// multiplier 1 and method 0, any other divisor the multiplier
// floor((2^(32+s) + 2^s) / divisor), with method 1 when multiplier times
// divisor reaches 2^(32+s) and 2 otherwise. Answers 0, or -1 (p unchanged)
// for a divisor of 0.
int calc_u32div_param(CONST_DIVISION_st* p);
// p->dividend / p->divisor, truncated, through the parameters.
unsigned int exec_u32div_by_const(CONST_DIVISION_st const* p);

// The same for dividends and divisors of 16 bits (a divisor above 65535 is
// refused with -1).
int calc_u16div_param(CONST_DIVISION_st* p);
unsigned int exec_u16div_by_const(CONST_DIVISION_st const* p);
