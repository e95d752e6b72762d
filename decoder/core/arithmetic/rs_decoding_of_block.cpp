#include "decoder/core/arithmetic/rs_decoding_of_block.h"

#include "decoder/core/arithmetic/polynomial_on_finite_field.h"

namespace DEC2DIvra {

namespace {

// The locator's sum of terms at successive positions: the term with logarithm
// logs[k] at one position has logs[k] + steps[k] at the next. Characteristic 2
// adds by XOR.
template <bool Binary>
unsigned int ScanPositions(FiniteField const& field, unsigned int n, unsigned int termCount, unsigned short* logs,
                           unsigned short const* steps, unsigned int degree, unsigned short* positions,
                           unsigned int limit)
{
    unsigned int const order = field.Size() - 1;
    unsigned int count = 0;
    for (unsigned int i = 0; i < n; ++i) {
        unsigned short sum = 0;
        for (unsigned int k = 0; k < termCount; ++k) {
            unsigned short const term = field.Antilogarithm(logs[k]);
            sum = Binary ? static_cast<unsigned short>(sum ^ term) : field.Add(sum, term);
            unsigned int const next = logs[k] + steps[k];
            logs[k] = static_cast<unsigned short>(next >= order ? next - order : next);
        }
        if (sum == 0) {
            if (count == limit) {
                return limit + 1;
            }
            positions[count++] = static_cast<unsigned short>(i);
            // A locator of this degree has no more roots.
            if (count == degree) {
                break;
            }
        }
    }
    return count;
}

// Chien search: position i is in error when the locator vanishes at alpha^-(n-1-i).
// Term t of the locator at that point is L_t alpha^(-t(n-1-i)); stepping to the next
// position multiplies it by alpha^t, so each nonzero term needs one look-up per
// position. A locator of degree 1 has its one root solved for instead. logs and
// steps (degree + 1 entries each) are scratch. Answers the number of roots,
// stopping with limit + 1 when there are more than limit.
unsigned int FindRoots(FiniteField const& field, PolynomialOnFiniteField const& locator, unsigned int n,
                       unsigned short* logs, unsigned short* steps, unsigned short* positions, unsigned int limit)
{
    unsigned int const order = field.Size() - 1;
    int const degree = locator.Degree();
    if (degree < 1) {
        return 0;
    }
    if (degree == 1) {
        // L_0 + L_1 x = 0 at x = -L_0 / L_1 = alpha^-(n-1-i): position i when n-1-i,
        // the negated logarithm, lies in the block (n <= order, so at most one does).
        unsigned short const root = field.Negate(field.Divide(locator.Coefficient(0), locator.Coefficient(1)));
        if (root == 0) {
            return 0;
        }
        unsigned int const distance = (order - field.Logarithm(root)) % order;
        if (distance >= n) {
            return 0;
        }
        if (limit == 0) {
            return 1;
        }
        positions[0] = static_cast<unsigned short>(n - 1 - distance);
        return 1;
    }
    unsigned int termCount = 0;
    for (int t = 0; t <= degree; ++t) {
        unsigned short const coefficient = locator.Coefficient(static_cast<unsigned int>(t));
        if (coefficient == 0) {
            continue;
        }
        unsigned long long const shift = static_cast<unsigned long long>(t) * (n - 1) % order;
        logs[termCount] = static_cast<unsigned short>((field.Logarithm(coefficient) + order - shift) % order);
        steps[termCount] = static_cast<unsigned short>(static_cast<unsigned int>(t) % order);
        ++termCount;
    }
    unsigned int const wanted = static_cast<unsigned int>(degree);
    if (field.Characteristic() == 2) {
        return ScanPositions<true>(field, n, termCount, logs, steps, wanted, positions, limit);
    }
    return ScanPositions<false>(field, n, termCount, logs, steps, wanted, positions, limit);
}

// Whether S_j = sum over t of E_t X_t^(firstRoot + j) for every j < count, with
// X_t = alpha^(n-1-position_t): the errors account for every syndrome. rest
// (count entries) is scratch.
bool ErrorsMatchSyndromes(FiniteField const& field, unsigned int firstRoot, unsigned short const* syndromes,
                          unsigned int count, unsigned int n, unsigned short const* positions,
                          unsigned short const* errors, unsigned int errorCount, unsigned short* rest)
{
    unsigned int const order = field.Size() - 1;
    for (unsigned int j = 0; j < count; ++j) {
        rest[j] = syndromes[j];
    }
    for (unsigned int t = 0; t < errorCount; ++t) {
        if (errors[t] == 0) {
            continue;
        }
        // Term j is E_t alpha^(step (firstRoot + j)): one step more each.
        unsigned int const step = (n - 1 - positions[t]) % order;
        unsigned int exponent = static_cast<unsigned int>(
            (field.Logarithm(errors[t]) + static_cast<unsigned long long>(step) * firstRoot) % order);
        for (unsigned int j = 0; j < count; ++j) {
            rest[j] = field.Subtract(rest[j], field.Antilogarithm(exponent));
            exponent += step;
            exponent = exponent >= order ? exponent - order : exponent;
        }
    }
    for (unsigned int j = 0; j < count; ++j) {
        if (rest[j] != 0) {
            return false;
        }
    }
    return true;
}

bool WorkIsComplete(RSdecodingWork const& work)
{
    return work.capacity > 0 && work.syndromes != nullptr && work.locator != nullptr && work.previous != nullptr &&
           work.scratch != nullptr && work.evaluator != nullptr && work.derivative != nullptr &&
           work.positions != nullptr && work.saved != nullptr && work.erased != nullptr;
}

} // namespace

unsigned int CorrectReedSolomonBlock(FiniteField const& field, unsigned int firstRoot, RSdecodingWork const& work,
                                     unsigned short* codewords, unsigned int n, unsigned int k,
                                     unsigned int erasureCount, unsigned short const* erasures, unsigned int reserve,
                                     unsigned int* located)
{
    if (located != nullptr) {
        *located = 0;
    }
    if (!field.IsValid() || !WorkIsComplete(work) || codewords == nullptr) {
        return 0;
    }
    unsigned int const size = field.Size();
    unsigned int const order = size - 1;
    if (n >= size || n <= k || n > work.capacity) {
        return 0;
    }
    unsigned int const checkCount = n - k;
    if (reserve > checkCount || erasureCount > checkCount - reserve) {
        return 0;
    }
    if (erasureCount > 0 && erasures == nullptr) {
        return 0;
    }
    for (unsigned int i = 0; i < n; ++i) {
        work.erased[i] = 0;
    }
    for (unsigned int j = 0; j < erasureCount; ++j) {
        unsigned int const position = erasures[j];
        if (position >= n || work.erased[position] != 0) {
            return 0;
        }
        work.erased[position] = 1;
    }
    for (unsigned int i = 0; i < n; ++i) {
        if (work.erased[i] == 0 && codewords[i] >= size) {
            return 0;
        }
    }
    firstRoot %= order;

    if (ComputeSyndromes(field, firstRoot, codewords, n, checkCount, work.syndromes, work.syndromeScratch,
                         work.syndromeScratch != nullptr ? SyndromeScratchEntries(work.capacity) : 0)) {
        // Already a codeword; only erased values outside the field still need their 0.
        for (unsigned int i = 0; i < n; ++i) {
            if (work.erased[i] != 0 && codewords[i] >= size) {
                codewords[i] = 0;
            }
        }
        if (located != nullptr) {
            *located = erasureCount;
        }
        return 1;
    }

    unsigned int const slots = work.capacity + 1;
    PolynomialOnFiniteField first(field, work.locator, slots);
    PolynomialOnFiniteField second(field, work.scratch, slots);
    PolynomialOnFiniteField previous(field, work.previous, slots);
    PolynomialOnFiniteField* locator = &first;
    PolynomialOnFiniteField* next = &second;

    // Erasure locator: the product of (1 - X x) over the erased positions X = alpha^(n-1-p).
    locator->SetConstant(1);
    for (unsigned int j = 0; j < erasureCount; ++j) {
        unsigned short const x = field.Power(static_cast<long long>(n - 1 - erasures[j]));
        if (!locator->MultiplyByLinear(field.Negate(x))) {
            return 0;
        }
    }
    if (!previous.Assign(*locator)) {
        return 0;
    }

    // Berlekamp-Massey started from the erasure locator, so that the result locates
    // errors and erasures together. The correction term is x^previousShift times
    // previous, shifted only where it is used: once the locator is complete the
    // remaining steps cost one discrepancy each.
    unsigned int length = erasureCount;
    unsigned int previousShift = 0;
    for (unsigned int r = erasureCount + 1; r <= checkCount; ++r) {
        unsigned short discrepancy = 0;
        int const top = locator->Degree() < static_cast<int>(r) - 1 ? locator->Degree() : static_cast<int>(r) - 1;
        for (int i = 0; i <= top; ++i) {
            discrepancy = field.Add(discrepancy, field.Multiply(locator->Coefficient(static_cast<unsigned int>(i)),
                                                                work.syndromes[r - 1 - static_cast<unsigned int>(i)]));
        }
        ++previousShift;
        if (discrepancy == 0) {
            continue;
        }
        if (!next->Assign(*locator) || !next->SubtractScaled(previous, discrepancy, previousShift)) {
            return 0;
        }
        if (2 * length <= r + erasureCount - 1) {
            length = r + erasureCount - length;
            if (!previous.Assign(*locator)) {
                return 0;
            }
            previous.Scale(field.Inverse(discrepancy));
            previousShift = 0;
        }
        PolynomialOnFiniteField* const swap = locator;
        locator = next;
        next = swap;
    }
    if (locator->Degree() != static_cast<int>(length) || length < erasureCount) {
        return 0;
    }
    unsigned int const errorCount = length - erasureCount;
    if (erasureCount + 2 * errorCount > checkCount - reserve) {
        return 0;
    }

    unsigned int const rootCount =
        FindRoots(field, *locator, n, work.evaluator, work.derivative, work.positions, length);
    // Roots outside the block (or repeated ones) mean more errors than the code can place.
    if (rootCount != length) {
        return 0;
    }

    // Forney: with the evaluator W = S L mod x^(n-k), the error at X is
    // -X^(1-firstRoot) W(1/X) / L'(1/X). Only W's terms below the locator's degree
    // are formed: when the errors are those located, W has no others; when it has,
    // no values at these positions make a codeword, and the check below refuses
    // the block either way.
    PolynomialOnFiniteField syndromes(field, work.syndromes, work.capacity);
    PolynomialOnFiniteField evaluator(field, work.evaluator, slots);
    PolynomialOnFiniteField derivative(field, work.derivative, slots);
    if (!syndromes.Load(work.syndromes, checkCount) ||
        !evaluator.AssignProductTruncated(syndromes, *locator, length) || !derivative.AssignDerivative(*locator)) {
        return 0;
    }
    for (unsigned int t = 0; t < rootCount; ++t) {
        long long const exponent = static_cast<long long>(n - 1 - work.positions[t]);
        unsigned short const inverse = field.Power(-exponent);
        unsigned short const denominator = derivative.Evaluate(inverse);
        if (denominator == 0) {
            return 0;
        }
        unsigned short const magnitude = field.Multiply(field.Power(exponent * (1 - static_cast<long long>(firstRoot))),
                                                        field.Divide(evaluator.Evaluate(inverse), denominator));
        work.saved[t] = field.Negate(magnitude);
    }
    // The corrected block must be a codeword. Its syndromes are the received
    // block's less those of the errors, so the errors' alone must match: a
    // few terms each instead of another pass over the whole block.
    if (!ErrorsMatchSyndromes(field, firstRoot, work.syndromes, checkCount, n, work.positions, work.saved,
                              rootCount, work.derivative)) {
        return 0;
    }
    for (unsigned int t = 0; t < rootCount; ++t) {
        unsigned int const position = work.positions[t];
        codewords[position] = field.Subtract(ReceivedValue(codewords, position, size), work.saved[t]);
    }
    if (located != nullptr) {
        *located = length;
    }
    return 1;
}

} // namespace DEC2DIvra
