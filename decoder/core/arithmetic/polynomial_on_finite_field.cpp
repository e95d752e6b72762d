#include "decoder/core/arithmetic/polynomial_on_finite_field.h"

namespace DEC2DIvra {

PolynomialOnFiniteField::PolynomialOnFiniteField(FiniteField const& field, unsigned short* coefficients,
                                                 unsigned int capacity)
    : field_(&field), coefficients_(coefficients), capacity_(coefficients != nullptr ? capacity : 0)
{
}

void PolynomialOnFiniteField::Trim()
{
    while (degree_ >= 0 && coefficients_[degree_] == 0) {
        --degree_;
    }
}

bool PolynomialOnFiniteField::SetConstant(unsigned short value)
{
    if (capacity_ == 0) {
        return false;
    }
    coefficients_[0] = value;
    degree_ = value != 0 ? 0 : -1;
    return true;
}

bool PolynomialOnFiniteField::Load(unsigned short const* values, unsigned int count)
{
    if (count > capacity_ || (values == nullptr && count > 0)) {
        return false;
    }
    if (values != coefficients_) {
        for (unsigned int i = 0; i < count; ++i) {
            coefficients_[i] = values[i];
        }
    }
    degree_ = static_cast<int>(count) - 1;
    Trim();
    return true;
}

bool PolynomialOnFiniteField::Assign(PolynomialOnFiniteField const& other)
{
    if (&other == this) {
        return true;
    }
    if (other.degree_ >= static_cast<int>(capacity_)) {
        return false;
    }
    for (int i = 0; i <= other.degree_; ++i) {
        coefficients_[i] = other.coefficients_[i];
    }
    degree_ = other.degree_;
    return true;
}

bool PolynomialOnFiniteField::MultiplyByLinear(unsigned short a)
{
    if (degree_ < 0 || a == 0) {
        return true;
    }
    if (degree_ + 1 >= static_cast<int>(capacity_)) {
        return false;
    }
    coefficients_[degree_ + 1] = 0;
    for (int i = degree_ + 1; i > 0; --i) {
        coefficients_[i] = field_->Add(coefficients_[i], field_->Multiply(a, coefficients_[i - 1]));
    }
    ++degree_;
    Trim();
    return true;
}

bool PolynomialOnFiniteField::ShiftUp()
{
    if (degree_ < 0) {
        return true;
    }
    if (degree_ + 1 >= static_cast<int>(capacity_)) {
        return false;
    }
    for (int i = degree_ + 1; i > 0; --i) {
        coefficients_[i] = coefficients_[i - 1];
    }
    coefficients_[0] = 0;
    ++degree_;
    return true;
}

void PolynomialOnFiniteField::Scale(unsigned short factor)
{
    for (int i = 0; i <= degree_; ++i) {
        coefficients_[i] = field_->Multiply(coefficients_[i], factor);
    }
    Trim();
}

bool PolynomialOnFiniteField::SubtractScaled(PolynomialOnFiniteField const& other, unsigned short factor,
                                             unsigned int shift)
{
    if (factor == 0 || other.degree_ < 0) {
        return true;
    }
    if (&other == this) {
        if (shift != 0) {
            return false;
        }
        Scale(field_->Subtract(1, factor));
        return true;
    }
    if (static_cast<unsigned int>(other.degree_) + shift >= capacity_) {
        return false;
    }
    int const top = other.degree_ + static_cast<int>(shift);
    for (int i = degree_ + 1; i <= top; ++i) {
        coefficients_[i] = 0;
    }
    for (int i = 0; i <= other.degree_; ++i) {
        unsigned int const to = static_cast<unsigned int>(i) + shift;
        coefficients_[to] = field_->Subtract(coefficients_[to], field_->Multiply(factor, other.coefficients_[i]));
    }
    if (top > degree_) {
        degree_ = top;
    }
    Trim();
    return true;
}

bool PolynomialOnFiniteField::AssignProductTruncated(PolynomialOnFiniteField const& a, PolynomialOnFiniteField const& b,
                                                     unsigned int terms)
{
    if (&a == this || &b == this) {
        return false;
    }
    if (a.degree_ < 0 || b.degree_ < 0 || terms == 0) {
        degree_ = -1;
        return true;
    }
    int top = a.degree_ + b.degree_;
    if (top >= static_cast<int>(terms)) {
        top = static_cast<int>(terms) - 1;
    }
    if (top >= static_cast<int>(capacity_)) {
        return false;
    }
    for (int k = 0; k <= top; ++k) {
        unsigned short sum = 0;
        int const first = k > b.degree_ ? k - b.degree_ : 0;
        int const last = k < a.degree_ ? k : a.degree_;
        for (int i = first; i <= last; ++i) {
            sum = field_->Add(sum, field_->Multiply(a.coefficients_[i], b.coefficients_[k - i]));
        }
        coefficients_[k] = sum;
    }
    degree_ = top;
    Trim();
    return true;
}

bool PolynomialOnFiniteField::AssignDerivative(PolynomialOnFiniteField const& other)
{
    if (&other == this) {
        return false;
    }
    if (other.degree_ <= 0) {
        degree_ = -1;
        return true;
    }
    if (other.degree_ - 1 >= static_cast<int>(capacity_)) {
        return false;
    }
    for (int i = 1; i <= other.degree_; ++i) {
        coefficients_[i - 1] =
            field_->Multiply(other.coefficients_[i], field_->FromInteger(static_cast<unsigned int>(i)));
    }
    degree_ = other.degree_ - 1;
    Trim();
    return true;
}

unsigned short PolynomialOnFiniteField::Evaluate(unsigned short x) const
{
    if (degree_ < 0) {
        return 0;
    }
    unsigned short value = coefficients_[degree_];
    for (int i = degree_ - 1; i >= 0; --i) {
        value = field_->Add(field_->Multiply(value, x), coefficients_[i]);
    }
    return value;
}

} // namespace DEC2DIvra
