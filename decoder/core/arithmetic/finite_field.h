#pragma once
// Arithmetic in a finite field GF(q) through the power and logarithm tables of a
// primitive element alpha. The tables belong to the concrete field
// (GaloisFieldModuloPowerOfTwo, GaloisFieldModuloPrimeNumber), which attaches them
// once it has built them; until then the field reports itself invalid.

namespace DEC2DIvra {

class FiniteField {
public:
    FiniteField(FiniteField const&) = delete;
    FiniteField& operator=(FiniteField const&) = delete;

    // Number of elements q, 0 while no tables are attached.
    unsigned int Size() const { return size_; }
    bool IsValid() const { return size_ != 0; }
    // 2 for GF(2^m), p for GF(p).
    unsigned int Characteristic() const { return characteristic_; }

    unsigned short Add(unsigned short a, unsigned short b) const
    {
        if (characteristic_ == 2) {
            return static_cast<unsigned short>(a ^ b);
        }
        unsigned int sum = static_cast<unsigned int>(a) + b;
        return static_cast<unsigned short>(sum >= characteristic_ ? sum - characteristic_ : sum);
    }
    unsigned short Negate(unsigned short a) const
    {
        if (characteristic_ == 2 || a == 0) {
            return a;
        }
        return static_cast<unsigned short>(characteristic_ - a);
    }
    unsigned short Subtract(unsigned short a, unsigned short b) const { return Add(a, Negate(b)); }

    unsigned short Multiply(unsigned short a, unsigned short b) const
    {
        if (a == 0 || b == 0) {
            return 0;
        }
        return power_[logarithm_[a] + logarithm_[b]];
    }
    // a / b; 0 when b is 0, which has no inverse.
    unsigned short Divide(unsigned short a, unsigned short b) const
    {
        if (a == 0 || b == 0) {
            return 0;
        }
        return power_[logarithm_[a] + order_ - logarithm_[b]];
    }
    unsigned short Inverse(unsigned short a) const { return Divide(1, a); }

    // a * alpha^exponent for 0 <= exponent < q - 1.
    unsigned short MultiplyByPower(unsigned short a, unsigned int exponent) const
    {
        if (a == 0) {
            return 0;
        }
        return power_[logarithm_[a] + exponent];
    }
    // alpha^exponent for any exponent, negative ones included.
    unsigned short Power(long long exponent) const
    {
        long long reduced = exponent % static_cast<long long>(order_);
        if (reduced < 0) {
            reduced += order_;
        }
        return power_[reduced];
    }
    // alpha^e for 0 <= e < 2 (q - 1), without reduction.
    unsigned short Antilogarithm(unsigned int e) const { return power_[e]; }
    // The exponent e with alpha^e = a, 0 <= e < q - 1; a must not be 0.
    unsigned int Logarithm(unsigned short a) const { return logarithm_[a]; }
    // The integer value times the field's one: value mod p (value mod 2 in GF(2^m)).
    unsigned short FromInteger(unsigned int value) const
    {
        return static_cast<unsigned short>(value % characteristic_);
    }

protected:
    FiniteField() = default;
    ~FiniteField() = default;

    // power holds alpha^i for 0 <= i < 2 (q - 1) so that sums of two logarithms need
    // no reduction; logarithm holds log(a) for 1 <= a < q.
    void Attach(unsigned int size, unsigned int characteristic, unsigned short const* power,
                unsigned short const* logarithm);

private:
    unsigned int size_ = 0;
    unsigned int order_ = 1;
    unsigned int characteristic_ = 2;
    unsigned short const* power_ = nullptr;
    unsigned short const* logarithm_ = nullptr;
};

} // namespace DEC2DIvra
