#include "decoder/legacy/engine/legacy_gf_polynomial.h"

namespace {

// Polynomials stay below this degree, as in the corrector's working records.
constexpr int kMaxCoefficients = 2500;

struct FieldContext {
    int const* power = nullptr;
    int const* logarithm = nullptr;
    int size = 0;
};

FieldContext field;

bool HasField() { return field.power != nullptr && field.logarithm != nullptr && field.size >= 2; }

bool IsElement(int value) { return value >= 0 && value < field.size; }

// Nonzero operands only; the callers test for 0.
int Multiply(int a, int b)
{
    int e = field.logarithm[a] + field.logarithm[b];
    if (e >= field.size - 1) {
        e -= field.size - 1;
    }
    return field.power[e];
}

int Divide(int a, int b)
{
    int e = field.logarithm[a] - field.logarithm[b];
    if (e < 0) {
        e += field.size - 1;
    }
    return field.power[e];
}

int Trim(int const* p, int degree)
{
    while (degree > 0 && p[degree] == 0) {
        --degree;
    }
    return degree;
}

}  // namespace

void SetGFTable(int const* powerTable, int const* logTable, int fieldSize)
{
    field.power = powerTable;
    field.logarithm = logTable;
    field.size = fieldSize;
}

int GFconv_COM(int const* a, int const* b, int* out, int degA, int degB, int* degOut)
{
    if (degB < 0) {
        *degOut = degA + degB;
        return degB + 1;
    }
    if (!HasField() || degA < 0 || degA + degB + 1 > kMaxCoefficients) {
        return -1;
    }
    int const degree = degA + degB;
    for (int k = 0; k <= degree; ++k) {
        out[k] = 0;
    }
    for (int i = 0; i <= degA; ++i) {
        for (int j = 0; j <= degB; ++j) {
            // Values outside the field count as 0 rather than index past the tables.
            if (a[i] != 0 && b[j] != 0 && IsElement(a[i]) && IsElement(b[j])) {
                out[i + j] ^= Multiply(a[i], b[j]);
            }
        }
    }
    *degOut = Trim(out, degree);
    return degB + 1;
}

int GFdeconv_COM(int const* a, int const* b, int* quotient, int* remainder, int degA, int degB, int* degQ,
                 int* degR)
{
    if (!HasField() || degA < 0 || degB < 0 || degA >= kMaxCoefficients || degB >= kMaxCoefficients) {
        return -1;
    }
    degB = Trim(b, degB);
    if (b[degB] == 0 || !IsElement(b[degB])) {
        return -1;
    }
    degA = Trim(a, degA);
    for (int k = 0; k <= degA; ++k) {
        remainder[k] = IsElement(a[k]) ? a[k] : 0;
    }
    if (degA < degB) {
        quotient[0] = 0;
        *degQ = 0;
        *degR = degA;
        return 0;
    }
    int const qDegree = degA - degB;
    for (int k = 0; k <= qDegree; ++k) {
        quotient[k] = 0;
    }
    for (int top = degA; top >= degB; --top) {
        int const lead = remainder[top];
        if (lead == 0) {
            continue;
        }
        int const factor = Divide(lead, b[degB]);
        quotient[top - degB] = factor;
        for (int j = 0; j <= degB; ++j) {
            if (b[j] != 0 && IsElement(b[j])) {
                remainder[top - degB + j] ^= Multiply(factor, b[j]);
            }
        }
    }
    *degQ = qDegree;
    int const rDegree = degB == 0 ? 0 : Trim(remainder, degB - 1);
    *degR = remainder[rDegree] == 0 ? 0 : rDegree;
    return 0;
}
