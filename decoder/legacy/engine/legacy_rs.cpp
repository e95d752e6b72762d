#include "decoder/legacy/engine/legacy_rs.h"

#include "decoder/legacy/engine/legacy_gf_polynomial.h"

#include "decoder/core/arithmetic/finite_field.h"
#include "decoder/core/arithmetic/galois_field_modulo_power_of_two.h"
#include "decoder/core/arithmetic/rs_decoding_of_block.h"

namespace {

using DEC2DIvra::FiniteField;

// Fields up to GF(4096); blocks are shorter than the field.
constexpr unsigned int kMaxBits = 12;
constexpr unsigned int kMaxFieldSize = 1u << kMaxBits;
constexpr unsigned int kMaxBlock = kMaxFieldSize - 1;

// The reader's int tables seen as a field: copied into the layout the shared
// block decoder reads (power doubled so that sums of two logarithms need no
// reduction), after checking that they are a power/logarithm pair.
class ReaderField final : public FiniteField {
public:
    bool Load(int const* logTable, int const* powerTable, int fieldSize)
    {
        if (logTable == nullptr || powerTable == nullptr || fieldSize < 4 ||
            fieldSize > static_cast<int>(kMaxFieldSize) || (fieldSize & (fieldSize - 1)) != 0) {
            return false;
        }
        unsigned int const size = static_cast<unsigned int>(fieldSize);
        unsigned int const order = size - 1;
        if (powerTable[0] != 1) {
            return false;
        }
        for (unsigned int e = 0; e < order; ++e) {
            int const value = powerTable[e];
            if (value < 1 || value >= fieldSize || logTable[value] != static_cast<int>(e)) {
                return false;
            }
            power_[e] = static_cast<unsigned short>(value);
            power_[e + order] = static_cast<unsigned short>(value);
            logarithm_[value] = static_cast<unsigned short>(e);
        }
        logarithm_[0] = 0;
        Attach(size, 2, power_, logarithm_);
        return true;
    }

private:
    unsigned short power_[2 * (kMaxFieldSize - 1)] = {};
    unsigned short logarithm_[kMaxFieldSize] = {};
};

// The engine's working records for one correction.
struct Work {
    ReaderField field;
    DEC2DIvra::RSdecodingOfBlock<kMaxBlock> block;
    unsigned short erasures[kMaxBlock];
    unsigned char listed[kMaxBlock];
    unsigned short received[kMaxBlock];
};

Work work;

}  // namespace

int CorrectErrs_COM(int mode, unsigned short* codewords, int const* logTable, int const* powerTable, int fieldSize,
                    int n, int k, int erasureCount, unsigned short const* erasures, int reserve)
{
    if (codewords == nullptr || n < 1 || k < 0 || n - k < 1 || reserve < 0 || n > static_cast<int>(kMaxBlock)) {
        return -1;
    }
    if (!work.field.Load(logTable, powerTable, fieldSize) || n >= fieldSize) {
        return -1;
    }
    // The polynomial routines work over the field of the last correction.
    SetGFTable(powerTable, logTable, fieldSize);
    unsigned int const length = static_cast<unsigned int>(n);
    // Indices outside the word are dropped, and each position is erased once.
    unsigned int kept = 0;
    if (erasureCount > 0 && erasures != nullptr) {
        for (unsigned int i = 0; i < length; ++i) {
            work.listed[i] = 0;
        }
        for (int j = 0; j < erasureCount; ++j) {
            unsigned int const index = erasures[j];
            if (index < length && work.listed[index] == 0) {
                work.listed[index] = 1;
                work.erasures[kept++] = static_cast<unsigned short>(index);
            }
        }
    }
    for (unsigned int i = 0; i < length; ++i) {
        work.received[i] = codewords[i];
    }
    unsigned int located = 0;
    unsigned int const firstRoot = mode == 0 ? 0u : 1u;
    if (work.block.Correct(work.field, firstRoot, codewords, length, static_cast<unsigned int>(k), kept,
                           work.erasures, static_cast<unsigned int>(reserve), &located) == 0) {
        return -1;
    }
    for (unsigned int i = 0; i < length; ++i) {
        if (codewords[i] != work.received[i]) {
            return static_cast<int>(located);
        }
    }
    return 0;
}

bool BuildGFTables_COM(unsigned int bits, unsigned int polynomial, int* logTable, int* powerTable)
{
    if (bits < 2 || bits > kMaxBits || logTable == nullptr || powerTable == nullptr) {
        return false;
    }
    static unsigned short power[2 * (kMaxFieldSize - 1)];
    static unsigned short logarithm[kMaxFieldSize];
    if (!DEC2DIvra::BuildPowerOfTwoFieldTables(bits, polynomial, power, logarithm)) {
        return false;
    }
    unsigned int const size = 1u << bits;
    for (unsigned int i = 0; i < size; ++i) {
        logTable[i] = logarithm[i];
        powerTable[i] = power[i];
    }
    return true;
}
