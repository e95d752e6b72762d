// A stand-in for the engine's shared Reed-Solomon corrector, used until that
// corrector is linked in (its strong definition replaces this one). Errors
// only: Berlekamp-Massey, Chien search and Forney over the caller's tables.
#include "decoder/legacy/maxi_rs.h"

namespace {

constexpr int kMaxLength = 255;

struct Field {
    int const* log;
    int const* power;
    int order;  // q - 1

    int Mul(int a, int b) const { return a == 0 || b == 0 ? 0 : power[(log[a] + log[b]) % order]; }
    int Div(int a, int b) const { return a == 0 ? 0 : power[(log[a] - log[b] + order) % order]; }
    int Pow(int exponent) const { return power[((exponent % order) + order) % order]; }
};

// r(x) = c[0] x^(n-1) + ... + c[n-1], evaluated at alpha^exponent.
int Evaluate(Field const& f, unsigned short const* c, int n, int exponent)
{
    int const x = f.Pow(exponent);
    int value = 0;
    for (int i = 0; i < n; ++i) {
        value = f.Mul(value, x) ^ c[i];
    }
    return value;
}

}  // namespace

__attribute__((weak)) int CorrectErrs_COM(int mode, unsigned short* codewords, int* logTable, int* powerTable,
                                          int fieldSize, int n, int k, int erasureCount, unsigned short* erasures,
                                          int reserve)
{
    (void)erasures;
    (void)reserve;
    int const checks = n - k;
    if (codewords == nullptr || logTable == nullptr || powerTable == nullptr || fieldSize < 4 || n <= 0 ||
        n > kMaxLength || n >= fieldSize || checks <= 0 || erasureCount != 0) {
        return -1;
    }
    Field const f{logTable, powerTable, fieldSize - 1};
    int const first = mode == 0 ? 0 : 1;
    int syndrome[kMaxLength] = {};
    bool clean = true;
    for (int i = 0; i < checks; ++i) {
        syndrome[i] = Evaluate(f, codewords, n, first + i);
        clean = clean && syndrome[i] == 0;
    }
    if (clean) {
        return 0;
    }

    // Berlekamp-Massey: locator sigma(x), coefficient of x^i at index i.
    int sigma[kMaxLength + 1] = {1};
    int previous[kMaxLength + 1] = {1};
    int length = 0;
    int shift = 1;
    int lastDiscrepancy = 1;
    for (int step = 0; step < checks; ++step) {
        int discrepancy = syndrome[step];
        for (int i = 1; i <= length; ++i) {
            discrepancy ^= f.Mul(sigma[i], syndrome[step - i]);
        }
        if (discrepancy == 0) {
            ++shift;
            continue;
        }
        int const scale = f.Div(discrepancy, lastDiscrepancy);
        int saved[kMaxLength + 1];
        for (int i = 0; i <= checks; ++i) {
            saved[i] = sigma[i];
        }
        for (int i = 0; i + shift <= checks; ++i) {
            sigma[i + shift] ^= f.Mul(scale, previous[i]);
        }
        if (2 * length <= step) {
            length = step + 1 - length;
            for (int i = 0; i <= checks; ++i) {
                previous[i] = saved[i];
            }
            lastDiscrepancy = discrepancy;
            shift = 1;
        } else {
            ++shift;
        }
    }
    if (length == 0 || 2 * length > checks) {
        return -1;
    }

    // Chien search over the n positions; position p carries power p.
    int positions[kMaxLength];
    int found = 0;
    for (int p = 0; p < n; ++p) {
        int value = 0;
        for (int i = length; i >= 0; --i) {
            value = f.Mul(value, f.Pow(-p)) ^ sigma[i];
        }
        if (value == 0) {
            positions[found++] = p;
        }
    }
    if (found != length) {
        return -1;
    }

    // Forney: omega(x) = S(x) sigma(x) mod x^checks.
    int omega[kMaxLength] = {};
    for (int i = 0; i < checks; ++i) {
        for (int j = 0; j <= i && j <= length; ++j) {
            omega[i] ^= f.Mul(sigma[j], syndrome[i - j]);
        }
    }
    unsigned short corrected[kMaxLength];
    for (int i = 0; i < n; ++i) {
        corrected[i] = codewords[i];
    }
    for (int e = 0; e < found; ++e) {
        int const p = positions[e];
        int const inverse = -p;  // X^-1 as an exponent
        int numerator = 0;
        for (int i = checks - 1; i >= 0; --i) {
            numerator = f.Mul(numerator, f.Pow(inverse)) ^ omega[i];
        }
        int denominator = 0;  // sigma'(X^-1)
        for (int i = 1; i <= length; i += 2) {
            denominator ^= f.Mul(sigma[i], f.Pow(inverse * (i - 1)));
        }
        if (denominator == 0) {
            return -1;
        }
        // With the first root alpha^first the value carries X^(1 - first).
        int const value = f.Mul(f.Div(numerator, denominator), f.Pow(p * (1 - first)));
        corrected[n - 1 - p] = static_cast<unsigned short>(corrected[n - 1 - p] ^ value);
    }
    for (int i = 0; i < checks; ++i) {
        if (Evaluate(f, corrected, n, first + i) != 0) {
            return -1;
        }
    }
    for (int i = 0; i < n; ++i) {
        codewords[i] = corrected[i];
    }
    return found;
}
