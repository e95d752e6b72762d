// The codeword stages of the MaxiCode and Han Xin readers, which
// legacy_messages starts after: the engine's Reed-Solomon corrector, the
// MaxiCode block correction, the Han Xin function information, codeword
// extraction and block correction, each on well-formed words with errors
// and erasures put in by the input. Within the code's capacity the corrector
// must give back exactly the word that was sent; beyond it, it may refuse or
// answer another codeword, never a word that is none.
//
// Input: a selector byte (stage: the byte modulo 5, options: the quotient),
// then the stage's bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "decoder/legacy/engine/legacy_rs.h"
#include "decoder/legacy/han_xin/han_xin_codewords.h"
#include "decoder/legacy/han_xin/han_xin_correction.h"
#include "decoder/legacy/han_xin/han_xin_data.h"
#include "decoder/legacy/han_xin/han_xin_function_info.h"
#include "decoder/legacy/han_xin/han_xin_version.h"
#include "decoder/legacy/maxicode/maxi_codewords.h"
#include "decoder/legacy/maxicode/maxi_message.h"

namespace {

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

class Input {
public:
    Input(std::uint8_t const* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t Left() const { return size_ - at_; }
    std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }

private:
    std::uint8_t const* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// GF(2^m) in the int tables the engine takes, and a systematic encoder
// written from the definition: the check words make the word vanish at
// alpha^first .. alpha^(first + n - k - 1).
struct Field {
    Field(unsigned bits, unsigned polynomial) : size(1 << bits)
    {
        Require(BuildGFTables_COM(bits, polynomial, log, power));
    }

    unsigned Multiply(unsigned a, unsigned b) const
    {
        return a == 0 || b == 0 ? 0 : static_cast<unsigned>(power[(log[a] + log[b]) % (size - 1)]);
    }

    // word[0 .. k) data, word[k .. n) written.
    void Encode(unsigned short* word, int n, int k, unsigned first) const
    {
        int const checks = n - k;
        std::vector<unsigned> generator(1, 1);  // highest power first
        for (int j = 0; j < checks; ++j) {
            unsigned const root = static_cast<unsigned>(power[(first + j) % (size - 1)]);
            std::vector<unsigned> next(generator.size() + 1, 0);
            for (std::size_t i = 0; i < generator.size(); ++i) {
                next[i] ^= generator[i];
                next[i + 1] ^= Multiply(generator[i], root);
            }
            generator = next;
        }
        std::vector<unsigned> remainder(static_cast<std::size_t>(n), 0);
        for (int i = 0; i < k; ++i) {
            remainder[i] = word[i];
        }
        for (int i = 0; i < k; ++i) {
            unsigned const factor = remainder[i];
            for (std::size_t j = 0; factor != 0 && j < generator.size(); ++j) {
                remainder[i + j] ^= Multiply(factor, generator[j]);
            }
        }
        for (int i = k; i < n; ++i) {
            word[i] = static_cast<unsigned short>(remainder[i]);
        }
    }

    bool IsCodeword(unsigned short const* word, int n, int k, unsigned first) const
    {
        std::vector<unsigned short> copy(word, word + n);
        Encode(copy.data(), n, k, first);
        return std::memcmp(copy.data(), word, sizeof(unsigned short) * n) == 0;
    }

    int size;
    int log[256] = {};
    int power[256] = {};
};

Field const& Gf16()
{
    static Field const field(4, 0x13);
    return field;
}
Field const& Gf64()
{
    static Field const field(6, 0x43);
    return field;
}
Field const& Gf256()
{
    static Field const field(8, 0x163);
    return field;
}

// Errors as pairs of bytes (place, value xored in), at most `limit` of them;
// how many landed on a place not hit before.
int PutErrors(Input& in, unsigned short* word, int n, int mask, int limit, std::vector<bool>& hit)
{
    int errors = 0;
    for (int e = 0; e < limit && in.Left() >= 2; ++e) {
        int const place = in.Next() % n;
        unsigned short const flip = static_cast<unsigned short>(in.Next() & mask);
        if (flip == 0 || hit[place]) {
            continue;
        }
        hit[place] = true;
        word[place] = static_cast<unsigned short>(word[place] ^ flip);
        ++errors;
    }
    return errors;
}

// The engine's corrector on any field it serves, with erasures and a reserve.
void Corrector(std::uint8_t options, Input& in)
{
    static Field const* const kFields[3] = {&Gf16(), &Gf64(), &Gf256()};
    Field const& field = *kFields[options % 3];
    int const mode = options / 3 & 1;
    unsigned const first = mode == 0 ? 0u : 1u;
    int const n = 2 + in.Next() % (field.size - 2);
    int const k = in.Next() % n;
    int const reserve = options / 6 & 3;
    std::vector<unsigned short> word(static_cast<std::size_t>(n));
    for (int i = 0; i < k; ++i) {
        word[i] = static_cast<unsigned short>(in.Next() % field.size);
    }
    field.Encode(word.data(), n, k, first);
    std::vector<unsigned short> const sent = word;
    std::vector<bool> hit(static_cast<std::size_t>(n), false);
    // Erasures: some of them on places that are wrong, some on right ones,
    // some outside the word (ignored).
    int const erasureCount = in.Next() % 16;
    std::vector<unsigned short> erasures;
    int erased = 0;
    for (int j = 0; j < erasureCount; ++j) {
        unsigned short const place = static_cast<unsigned short>(in.Next() % (n + 2));
        erasures.push_back(place);
        if (place < n && !hit[place]) {
            hit[place] = true;
            ++erased;
            word[place] = static_cast<unsigned short>(word[place] ^ (in.Next() % field.size));
        }
    }
    int const errors = PutErrors(in, word.data(), n, field.size - 1, 16, hit);
    int const result = CorrectErrs_COM(mode, word.data(), field.log, field.power, field.size, n, k,
                                       static_cast<int>(erasures.size()), erasures.data(), reserve);
    if (2 * errors + erased <= n - k - reserve) {
        Require(result >= 0 && word == sent);
    } else if (result >= 0) {
        Require(field.IsCodeword(word.data(), n, k, first));
    }
}

// A MaxiCode symbol of mode 2 to 6 with its check words, errors put into its
// blocks, then correction and the message.
void Maxi(std::uint8_t options, Input& in)
{
    static bool const tables = [] {
        InitTables_mx();
        return true;
    }();
    (void)tables;
    Field const& field = Gf64();
    static MaxiCodewords codewords;
    static MaxiMessage message;
    int const mode = 2 + options % 5;
    unsigned short primary[20];
    primary[0] = static_cast<unsigned short>((in.Next() & 0x30) | mode);
    for (int i = 1; i < 10; ++i) {
        primary[i] = in.Next() & 63;
    }
    field.Encode(primary, 20, 10, 1);
    int const k = mode == 5 ? 34 : 42;
    unsigned short halves[2][62];
    for (int half = 0; half < 2; ++half) {
        for (int i = 0; i < k; ++i) {
            halves[half][i] = in.Next() & 63;
        }
        field.Encode(halves[half], 62, k, 1);
    }
    codewords.value[0] = 0;
    for (int i = 0; i < 20; ++i) {
        codewords.value[1 + i] = static_cast<unsigned char>(primary[i]);
    }
    for (int i = 0; i < 62; ++i) {
        codewords.value[21 + 2 * i] = static_cast<unsigned char>(halves[0][i]);
        codewords.value[22 + 2 * i] = static_cast<unsigned char>(halves[1][i]);
    }
    MaxiCodewords const sent = codewords;
    // Errors anywhere in the symbol, counted per block.
    int errors[3] = {};
    std::vector<bool> hit(kMaxiCodewords + 1, false);
    while (in.Left() >= 2) {
        int const number = 1 + in.Next() % kMaxiCodewords;
        unsigned char const flip = in.Next() & 63;
        if (flip == 0 || hit[number]) {
            continue;
        }
        hit[number] = true;
        codewords.value[number] = static_cast<unsigned char>(codewords.value[number] ^ flip);
        ++errors[number <= 20 ? 0 : 1 + (number - 21) % 2];
    }
    int const read = CorrectMaxiCodewords(codewords);
    if (2 * errors[0] <= 10 && 2 * errors[1] <= 62 - k && 2 * errors[2] <= 62 - k) {
        Require(read == mode && std::memcmp(&codewords, &sent, sizeof codewords) == 0);
    }
    if (read >= 0) {
        int const answer = InterpretMaxiMessage(codewords, read, options >> 3 & 1, message);
        Require(answer == 129 || (message.length >= 0 && message.length < kMaxiTextCapacity));
    }
}

// The function information: three data nibbles (version, level, mask as the
// symbol writes them) with their four checks and at most two errors.
void FunctionInfo(Input& in)
{
    unsigned short nibbles[7];
    for (int i = 0; i < 3; ++i) {
        nibbles[i] = in.Next() & 15;
    }
    Gf16().Encode(nibbles, 7, 3, 1);
    unsigned short const sent[7] = {nibbles[0], nibbles[1], nibbles[2], nibbles[3],
                                    nibbles[4], nibbles[5], nibbles[6]};
    std::vector<bool> hit(7, false);
    int const errors = PutErrors(in, nibbles, 7, 15, 2, hit);
    int const corrected = CorrectErrs_CHINA(nibbles);
    bool const zero = sent[0] == 0 && sent[1] == 0 && sent[2] == 0;
    if (errors <= 1 && !zero) {
        Require(corrected == errors && std::memcmp(nibbles, sent, sizeof sent) == 0);
    }
    if (corrected >= 0) {
        CHINA_FUNCTION_INFO_st info{};
        if (ParseHanXinFunctionInfo(nibbles, in.Next() & 63, &info) == 0) {
            Require(info.version >= 1 && info.version <= kHanXinMaxVersion && info.size <= kHanXinMaxSize);
        }
    }
    // The same bytes as the 34 bits a symbol holds.
    unsigned long long bits = 0;
    for (int i = 0; i < 5; ++i) {
        bits = bits << 8 | in.Next();
    }
    int spare = 0;
    SplitHanXinFunctionBits(bits & ((1ULL << 34) - 1), nibbles, &spare);
    Require(spare >= 0 && spare < 64);
}

// A sampled grid (0 light, 1 dark, 2 function) of a version the input names:
// the function information read from it, and its data codewords extracted
// into a sequence of the version's length, or of a shorter one.
void Grid(std::uint8_t options, Input& in)
{
    static std::vector<unsigned short> grid(static_cast<std::size_t>(kHanXinMaxSize) * kHanXinMaxSize);
    int const version = 1 + in.Next() % kHanXinMaxVersion;
    int size = 0;
    Require(get_size_CHINA(&size, version) == 0 && size <= kHanXinMaxSize);
    // Rows of bits; a byte above 0xF0 marks the rest of its row as function.
    std::uint8_t byte = 0;
    for (int y = 0; y < size; ++y) {
        bool function = false;
        for (int x = 0; x < size; ++x) {
            if (x % 8 == 0) {
                byte = in.Next();
                function = function || byte > 0xF0;
            }
            grid[static_cast<std::size_t>(y) * kHanXinMaxSize + x] =
                function ? 2 : static_cast<unsigned short>(byte >> (x % 8) & 1);
        }
    }
    CHINA_FUNCTION_INFO_st info{};
    int corrections = 0;
    if (ReadHanXinFunctionInfoFromGrid(grid.data(), size, &info, &corrections) == 0) {
        Require(info.version >= 1 && info.version <= kHanXinMaxVersion);
    }
    HanXinVersionBesideCorner(grid.data(), size, (options & 1) != 0 ? 2 : 0);
    // The record as the reader would fill it for this version.
    info = CHINA_FUNCTION_INFO_st{};
    info.version = version;
    info.level = options >> 1 & 3;
    info.mask = options >> 3 & 3;
    info.size = size;
    Require(get_param_K(&info.k, version) == 0 && get_param_R(&info.r, version) == 0 &&
            get_param_M(&info.m, version) == 0);
    info.lines = info.m + 2;
    int const total = HanXinTotalCodewords(version);
    int const capacity = (options & 0x20) != 0 ? total / 2 : total;
    std::unique_ptr<unsigned char[]> sequence(new unsigned char[capacity == 0 ? 1 : capacity]);
    int const count = ExtractHanXinCodewords(grid.data(), info, sequence.get(), capacity);
    Require(count <= capacity);
    if (count == total && capacity == total) {
        int const data = CorrectHanXinBlocks(sequence.get(), version, info.level);
        Require(data <= total);
    }
}

// Data codewords of a version and level in blocks with their checks, errors
// put into them, then block correction and the text.
void Blocks(std::uint8_t options, Input& in)
{
    int const version = 1 + in.Next() % kHanXinMaxVersion;
    int const level = options & 3;
    HanXinBlockClass classes[3];
    Require(HanXinBlockClasses(version, level, classes) == 0);
    int const total = HanXinTotalCodewords(version);
    std::unique_ptr<unsigned char[]> sequence(new unsigned char[total]);
    std::vector<unsigned char> data;
    int at = 0;
    bool within = true;
    unsigned short word[kHanXinMaxBlockLength];
    for (int c = 0; c < 3; ++c) {
        int const n = classes[c].length;
        int const k = n - classes[c].checks;
        for (int b = 0; b < classes[c].count; ++b) {
            for (int i = 0; i < k; ++i) {
                word[i] = in.Next();
                data.push_back(static_cast<unsigned char>(word[i]));
            }
            Gf256().Encode(word, n, k, 1);
            // A few errors per block, one more now and then than it takes.
            std::vector<bool> hit(static_cast<std::size_t>(n), false);
            int const errors = PutErrors(in, word, n, 255, in.Next() % (classes[c].checks / 2 + 1), hit);
            within = within && 2 * errors <= classes[c].checks - 2;
            for (int i = 0; i < n; ++i) {
                sequence[at + i] = static_cast<unsigned char>(word[i]);
            }
            at += n;
        }
    }
    Require(at == total);
    int const count = CorrectHanXinBlocks(sequence.get(), version, level);
    if (within) {
        Require(count == static_cast<int>(data.size()) && std::memcmp(sequence.get(), data.data(), data.size()) == 0);
    }
    if (count > 0) {
        static unsigned char out[8000];
        int const capacity = (options & 4) != 0 ? 1 + options % 64 : static_cast<int>(sizeof out);
        std::memcpy(CHINA_byte_sequence, sequence.get(), static_cast<std::size_t>(count));
        CHINA_total_byte_count = count;
        CHINA_final_data = out;
        CHINA_final_data_capacity = capacity;
        if (develop_text_CHINA() == 0) {
            Require(CHINA_final_data_count >= 0 && CHINA_final_data_count <= capacity);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    Input in(data + 1, size - 1);
    std::uint8_t const options = static_cast<std::uint8_t>(data[0] / 5);
    switch (data[0] % 5) {
    case 0: Corrector(options, in); break;
    case 1: Maxi(options, in); break;
    case 2: FunctionInfo(in); break;
    case 3: Grid(options, in); break;
    default: Blocks(options, in); break;
    }
    return 0;
}
