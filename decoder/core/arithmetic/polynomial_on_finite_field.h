#pragma once
// A polynomial over a FiniteField kept in caller-owned fixed storage: coefficient i
// belongs to x^i. Nothing allocates; an operation whose result would not fit the
// storage answers false and leaves the polynomial unchanged.

#include "decoder/core/arithmetic/finite_field.h"

namespace DEC2DIvra {

class PolynomialOnFiniteField {
public:
    // capacity is the number of coefficient slots: degrees up to capacity - 1 fit.
    PolynomialOnFiniteField(FiniteField const& field, unsigned short* coefficients, unsigned int capacity);

    // -1 for the zero polynomial.
    int Degree() const { return degree_; }
    unsigned int Capacity() const { return capacity_; }
    // 0 above the degree.
    unsigned short Coefficient(unsigned int power) const
    {
        return static_cast<int>(power) <= degree_ ? coefficients_[power] : 0;
    }

    bool SetConstant(unsigned short value);
    // Takes values[0 .. count) as the coefficients; values may be this polynomial's own storage.
    bool Load(unsigned short const* values, unsigned int count);
    bool Assign(PolynomialOnFiniteField const& other);
    // *= (1 + a x)
    bool MultiplyByLinear(unsigned short a);
    // *= x
    bool ShiftUp();
    // *= factor
    void Scale(unsigned short factor);
    // -= factor * x^shift * other; other may be this polynomial only unshifted.
    bool SubtractScaled(PolynomialOnFiniteField const& other, unsigned short factor, unsigned int shift = 0);
    // this = a * b mod x^terms; this must be neither a nor b.
    bool AssignProductTruncated(PolynomialOnFiniteField const& a, PolynomialOnFiniteField const& b, unsigned int terms);
    // this = the formal derivative of other; this must not be other.
    bool AssignDerivative(PolynomialOnFiniteField const& other);
    unsigned short Evaluate(unsigned short x) const;

private:
    void Trim();

    FiniteField const* field_;
    unsigned short* coefficients_;
    unsigned int capacity_;
    int degree_ = -1;
};

} // namespace DEC2DIvra
