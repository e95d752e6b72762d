// Codeword blocks of real symbols: read out of symbols made by zint (QR Code, Data
// Matrix and Aztec from the module matrix; PDF417 and DotCode from zint's own
// listing of the codewords it placed, as reading their bar and dot patterns back
// would need their pattern tables), and the worked examples of the symbology
// standards. A real block must pass untouched and be restored after damage.

#include <unistd.h>
#include <zint.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decoder/core/arithmetic/galois_field_modulo_power_of_two.h"
#include "decoder/core/arithmetic/galois_field_modulo_prime_number.h"
#include "decoder/core/arithmetic/rs_decoding_of_aztec.h"
#include "decoder/core/arithmetic/rs_decoding_of_data_matrix.h"
#include "decoder/core/arithmetic/rs_decoding_of_dot_code.h"
#include "decoder/core/arithmetic/rs_decoding_of_pdf417.h"
#include "decoder/core/arithmetic/rs_decoding_of_qr_code.h"
#include "tests/decoder/core/rs_test_encoder.h"
#include "tests/support/qr_model1_symbol.h"

using namespace DEC2DIvra;

namespace {

using Words = std::vector<unsigned short>;

struct Block {
    Words words;
    unsigned int k = 0;
};

// ---- zint symbols -------------------------------------------------------------

struct Matrix {
    int rows = 0;
    int width = 0;
    std::vector<std::vector<int>> modules; // 1 = dark
    int At(int row, int column) const
    {
        return modules[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }
};

struct ZintOptions {
    int symbology;
    int option1;
    int option2;
    int option3;
    std::string data;
};

struct SymbolDeleter {
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};
using Symbol = std::unique_ptr<zint_symbol, SymbolDeleter>;

Symbol MakeSymbol(ZintOptions const& o)
{
    Symbol symbol(ZBarcode_Create());
    symbol->symbology = o.symbology;
    symbol->option_1 = o.option1;
    symbol->option_2 = o.option2;
    symbol->option_3 = o.option3;
    return symbol;
}

int Encode(zint_symbol* symbol, std::string const& data)
{
    return ZBarcode_Encode(symbol, reinterpret_cast<unsigned char const*>(data.data()), static_cast<int>(data.size()));
}

bool MakeMatrix(ZintOptions const& o, Matrix& out)
{
    Symbol symbol = MakeSymbol(o);
    if (Encode(symbol.get(), o.data) >= ZINT_ERROR) {
        ADD_FAILURE() << symbol->errtxt;
        return false;
    }
    out.rows = symbol->rows;
    out.width = symbol->width;
    out.modules.assign(static_cast<std::size_t>(out.rows), std::vector<int>(static_cast<std::size_t>(out.width)));
    for (int y = 0; y < out.rows; ++y) {
        for (int x = 0; x < out.width; ++x) {
            out.modules[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] =
                (symbol->encoded_data[y][x >> 3] >> (x & 7)) & 1;
        }
    }
    return true;
}

// zint's debug listing of one encoding, taken from its standard output.
std::string DebugListing(ZintOptions const& o)
{
    Symbol symbol = MakeSymbol(o);
    symbol->debug = ZINT_DEBUG_PRINT;
    std::fflush(stdout);
    std::FILE* file = std::tmpfile();
    if (file == nullptr) {
        return {};
    }
    int const saved = dup(STDOUT_FILENO);
    if (saved < 0 || dup2(fileno(file), STDOUT_FILENO) < 0) {
        std::fclose(file);
        return {};
    }
    int const result = Encode(symbol.get(), o.data);
    std::fflush(stdout);
    bool const restored = dup2(saved, STDOUT_FILENO) >= 0;
    close(saved);
    if (!restored) {
        std::fclose(file);
        return {};
    }
    std::string text;
    std::rewind(file);
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, count);
    }
    std::fclose(file);
    return result >= ZINT_ERROR ? std::string() : text;
}

// The numbers after the first occurrence of label, up to the end of the line
// (inline) or on the next line; [n] brackets are skipped.
std::vector<unsigned int> NumbersAfter(std::string const& text, std::string const& label, bool nextLine)
{
    std::vector<unsigned int> out;
    std::size_t at = text.find(label);
    if (at == std::string::npos) {
        return out;
    }
    at = text.find(nextLine ? '\n' : ':', at + label.size());
    if (at == std::string::npos) {
        return out;
    }
    std::size_t const end = text.find('\n', at + 1);
    std::string line = text.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    for (char& c : line) {
        if (c == '[' || c == ']') {
            c = ' ';
        }
    }
    std::istringstream in(line);
    unsigned int value = 0;
    while (in >> value) {
        out.push_back(value);
    }
    return out;
}

Words ToWords(std::vector<unsigned int> const& values)
{
    return Words(values.begin(), values.end());
}

unsigned short BitsToWord(std::vector<int> const& bits, std::size_t first, unsigned int count)
{
    unsigned int value = 0;
    for (unsigned int i = 0; i < count; ++i) {
        value = (value << 1) | static_cast<unsigned int>(bits[first + i]);
    }
    return static_cast<unsigned short>(value);
}

// ---- QR Code (versions 1-6: no version information, at most one alignment pattern)

GaloisFieldModuloPowerOfTwo<8> const gf256qr(0x11D);
GaloisFieldModuloPowerOfTwo<8> const gf256dm(0x12D);
GaloisFieldModuloPowerOfTwo<4> const gf16(0x13);
GaloisFieldModuloPowerOfTwo<6> const gf64(0x43);
GaloisFieldModuloPowerOfTwo<10> const gf1024(0x409);
GaloisFieldModuloPowerOfTwo<12> const gf4096(0x1069);
GaloisFieldModuloPrimeNumber<929> const gf929(3);
GaloisFieldModuloPrimeNumber<113> const gf113(3);

// Blocks of one version and level: {count, words, data words} per group.
struct QRGroup {
    unsigned int blocks;
    unsigned int words;
    unsigned int data;
};
struct QRLevel {
    QRGroup groups[2];
    unsigned int reserve;
};
// [version - 1][L, M, Q, H]
QRLevel const kQRLevels[6][4] = {
    {{{{1, 26, 19}}, 3}, {{{1, 26, 16}}, 2}, {{{1, 26, 13}}, 1}, {{{1, 26, 9}}, 1}},
    {{{{1, 44, 34}}, 2}, {{{1, 44, 28}}, 0}, {{{1, 44, 22}}, 0}, {{{1, 44, 16}}, 0}},
    {{{{1, 70, 55}}, 1}, {{{1, 70, 44}}, 0}, {{{2, 35, 17}}, 0}, {{{2, 35, 13}}, 0}},
    {{{{1, 100, 80}}, 0}, {{{2, 50, 32}}, 0}, {{{2, 50, 24}}, 0}, {{{4, 25, 9}}, 0}},
    {{{{1, 134, 108}}, 0}, {{{2, 67, 43}}, 0}, {{{2, 33, 15}, {2, 34, 16}}, 0}, {{{2, 33, 11}, {2, 34, 12}}, 0}},
    {{{{2, 86, 68}}, 0}, {{{4, 43, 27}}, 0}, {{{4, 43, 19}}, 0}, {{{4, 43, 15}}, 0}},
};

// The data modules in placement order, still masked.
std::vector<int> QRStream(Matrix const& m, int version, int mask)
{
    int const size = m.rows;
    int const alignment = size - 7;
    auto isFunction = [&](int r, int c) {
        if ((r < 9 && c < 9) || (r < 9 && c >= size - 8) || (r >= size - 8 && c < 9) || r == 6 || c == 6) {
            return true;
        }
        return version >= 2 && std::abs(r - alignment) <= 2 && std::abs(c - alignment) <= 2;
    };
    std::vector<int> bits;
    bool upward = true;
    for (int right = size - 1; right >= 1; right -= 2) {
        if (right == 6) {
            right = 5;
        }
        for (int step = 0; step < size; ++step) {
            int const r = upward ? size - 1 - step : step;
            for (int c = right; c >= right - 1; --c) {
                if (!isFunction(r, c)) {
                    bits.push_back(m.At(r, c) ^ (support::qrMaskDark(mask, r, c) ? 1 : 0));
                }
            }
        }
        upward = !upward;
    }
    return bits;
}

// De-interleaves the codewords into blocks; empty when the level does not fit.
std::vector<Block> QRBlocks(std::vector<int> const& bits, QRLevel const& level)
{
    std::vector<Block> blocks;
    for (QRGroup const& g : level.groups) {
        for (unsigned int b = 0; b < g.blocks; ++b) {
            blocks.push_back({Words(g.words), g.data});
        }
    }
    unsigned int total = 0;
    unsigned int longest = 0;
    for (Block const& b : blocks) {
        total += static_cast<unsigned int>(b.words.size());
        longest = std::max(longest, b.k);
    }
    if (total * 8 > bits.size()) {
        return {};
    }
    std::size_t next = 0;
    for (unsigned int i = 0; i < longest; ++i) {
        for (Block& b : blocks) {
            if (i < b.k) {
                b.words[i] = BitsToWord(bits, 8 * next++, 8);
            }
        }
    }
    unsigned int const checks = static_cast<unsigned int>(blocks[0].words.size()) - blocks[0].k;
    for (unsigned int i = 0; i < checks; ++i) {
        for (Block& b : blocks) {
            b.words[b.k + i] = BitsToWord(bits, 8 * next++, 8);
        }
    }
    return blocks;
}

// ---- Data Matrix ECC 200 (single data region sizes) ------------------------------

struct DMSize {
    int rows;
    int columns;
    unsigned int checkWords;
};
DMSize const kDMSizes[] = {{10, 10, 5},  {12, 12, 7},  {14, 14, 10}, {16, 16, 12}, {18, 18, 14}, {20, 20, 18},
                           {22, 22, 20}, {24, 24, 24}, {26, 26, 28}, {8, 18, 7},   {12, 26, 14}};

// The ECC 200 placement: for every module of the mapping matrix, codeword * 8 + bit
// (bit 0 the most significant), or -1 for the fixed corner pattern.
class DMPlacement {
public:
    DMPlacement(int rows, int columns)
        : rows_(rows), columns_(columns), cells_(static_cast<std::size_t>(rows * columns), -2)
    {
        int word = 0;
        int r = 4;
        int c = 0;
        do {
            if (r == rows_ && c == 0) {
                Corner({{rows_ - 1, 0},
                        {rows_ - 1, 1},
                        {rows_ - 1, 2},
                        {0, columns_ - 2},
                        {0, columns_ - 1},
                        {1, columns_ - 1},
                        {2, columns_ - 1},
                        {3, columns_ - 1}},
                       word++);
            }
            if (r == rows_ - 2 && c == 0 && columns_ % 4 != 0) {
                Corner({{rows_ - 3, 0},
                        {rows_ - 2, 0},
                        {rows_ - 1, 0},
                        {0, columns_ - 4},
                        {0, columns_ - 3},
                        {0, columns_ - 2},
                        {0, columns_ - 1},
                        {1, columns_ - 1}},
                       word++);
            }
            if (r == rows_ - 2 && c == 0 && columns_ % 8 == 4) {
                Corner({{rows_ - 3, 0},
                        {rows_ - 2, 0},
                        {rows_ - 1, 0},
                        {0, columns_ - 2},
                        {0, columns_ - 1},
                        {1, columns_ - 1},
                        {2, columns_ - 1},
                        {3, columns_ - 1}},
                       word++);
            }
            if (r == rows_ + 4 && c == 2 && columns_ % 8 == 0) {
                Corner({{rows_ - 1, 0},
                        {rows_ - 1, columns_ - 1},
                        {0, columns_ - 3},
                        {0, columns_ - 2},
                        {0, columns_ - 1},
                        {1, columns_ - 3},
                        {1, columns_ - 2},
                        {1, columns_ - 1}},
                       word++);
            }
            do {
                if (r < rows_ && c >= 0 && Cell(r, c) == -2) {
                    Utah(r, c, word++);
                }
                r -= 2;
                c += 2;
            } while (r >= 0 && c < columns_);
            r += 1;
            c += 3;
            do {
                if (r >= 0 && c < columns_ && Cell(r, c) == -2) {
                    Utah(r, c, word++);
                }
                r += 2;
                c -= 2;
            } while (r < rows_ && c >= 0);
            r += 3;
            c += 1;
        } while (r < rows_ || c < columns_);
        words_ = word;
        for (int& cell : cells_) {
            if (cell == -2) {
                cell = -1;
            }
        }
    }
    int Words() const { return words_; }
    int Cell(int r, int c) const { return cells_[static_cast<std::size_t>(r * columns_ + c)]; }

private:
    void Module(int r, int c, int word, int bit)
    {
        if (r < 0) {
            r += rows_;
            c += 4 - ((rows_ + 4) % 8);
        }
        if (c < 0) {
            c += columns_;
            r += 4 - ((columns_ + 4) % 8);
        }
        cells_[static_cast<std::size_t>(r * columns_ + c)] = word * 8 + bit;
    }
    void Utah(int r, int c, int word)
    {
        int const places[8][2] = {{r - 2, c - 2}, {r - 2, c - 1}, {r - 1, c - 2}, {r - 1, c - 1},
                                  {r - 1, c},     {r, c - 2},     {r, c - 1},     {r, c}};
        for (int bit = 0; bit < 8; ++bit) {
            Module(places[bit][0], places[bit][1], word, bit);
        }
    }
    void Corner(std::vector<std::pair<int, int>> const& places, int word)
    {
        for (int bit = 0; bit < 8; ++bit) {
            Module(places[static_cast<std::size_t>(bit)].first, places[static_cast<std::size_t>(bit)].second, word,
                   bit);
        }
    }
    int rows_;
    int columns_;
    std::vector<int> cells_;
    int words_ = 0;
};

// ---- Aztec ------------------------------------------------------------------------

struct AztecRead {
    Words mode;
    unsigned int modeData = 0;
    Block data;
    unsigned int bits = 0;
};

// Mode message: clockwise around the ring just outside the bull's-eye from two
// modules past the top-left corner; full-range symbols skip the reference line.
Words AztecModeWords(Matrix const& m, bool compact)
{
    int const c = m.rows / 2;
    int const radius = compact ? 5 : 7;
    std::vector<int> offsets;
    for (int i = 2; i <= 2 * radius - 2; ++i) {
        if (compact || i != radius) {
            offsets.push_back(i);
        }
    }
    std::vector<int> bits;
    for (int i : offsets) {
        bits.push_back(m.At(c - radius, c - radius + i));
    }
    for (int i : offsets) {
        bits.push_back(m.At(c - radius + i, c + radius));
    }
    for (int i : offsets) {
        bits.push_back(m.At(c + radius, c + radius - i));
    }
    for (int i : offsets) {
        bits.push_back(m.At(c + radius - i, c - radius));
    }
    Words words;
    for (std::size_t i = 0; i + 4 <= bits.size(); i += 4) {
        words.push_back(BitsToWord(bits, i, 4));
    }
    return words;
}

bool ReadAztec(Matrix const& m, bool compact, AztecRead& out)
{
    out.mode = AztecModeWords(m, compact);
    Words const& w = out.mode;
    unsigned int layers = 0;
    unsigned int dataWords = 0;
    if (compact) {
        out.modeData = 2;
        layers = (w[0] >> 2) + 1u;
        dataWords = ((w[0] & 3u) << 4 | w[1]) + 1u;
    } else {
        out.modeData = 4;
        layers = (w[0] << 1 | w[1] >> 3) + 1u;
        dataWords = ((w[1] & 7u) << 8 | w[2] << 4 | w[3]) + 1u;
    }
    out.bits = layers <= 2 ? 6 : layers <= 8 ? 8 : layers <= 22 ? 10 : 12;
    // Layer coordinates without the reference grid, mapped onto the symbol.
    int const base = (compact ? 11 : 14) + 4 * static_cast<int>(layers);
    std::vector<int> map(static_cast<std::size_t>(base));
    if (compact) {
        for (int i = 0; i < base; ++i) {
            map[static_cast<std::size_t>(i)] = i;
        }
    } else {
        int const half = base / 2;
        int const center = m.rows / 2;
        for (int i = 0; i < half; ++i) {
            int const offset = i + i / 15;
            map[static_cast<std::size_t>(half - i - 1)] = center - offset - 1;
            map[static_cast<std::size_t>(half + i)] = center + offset + 1;
        }
    }
    if (m.rows != (compact ? base : base + 1 + 2 * ((base / 2 - 1) / 15))) {
        return false;
    }
    auto at = [&](int row, int column) {
        return m.At(map[static_cast<std::size_t>(row)], map[static_cast<std::size_t>(column)]);
    };
    // Outermost layer first, each side as a run of two-module dominoes.
    std::vector<int> bits;
    for (int layer = 0; layer < static_cast<int>(layers); ++layer) {
        int const run = (static_cast<int>(layers) - layer) * 4 + (compact ? 9 : 12);
        int const low = 2 * layer;
        int const high = base - 1 - low;
        std::vector<int> ring(static_cast<std::size_t>(8 * run));
        for (int j = 0; j < run; ++j) {
            for (int k = 0; k < 2; ++k) {
                ring[static_cast<std::size_t>(2 * j + k)] = at(low + j, low + k);
                ring[static_cast<std::size_t>(2 * run + 2 * j + k)] = at(high - k, low + j);
                ring[static_cast<std::size_t>(4 * run + 2 * j + k)] = at(high - j, high - k);
                ring[static_cast<std::size_t>(6 * run + 2 * j + k)] = at(low + k, high - j);
            }
        }
        bits.insert(bits.end(), ring.begin(), ring.end());
    }
    std::size_t const skip = bits.size() % out.bits;
    for (std::size_t at2 = skip; at2 + out.bits <= bits.size(); at2 += out.bits) {
        out.data.words.push_back(BitsToWord(bits, at2, out.bits));
    }
    out.data.k = dataWords;
    return dataWords < out.data.words.size();
}

// ---- checks shared by every block ---------------------------------------------------

using Decode = std::function<unsigned int(Words& words, unsigned int k, Words const& erasures, unsigned int& located)>;

// The block passes untouched; with a third of its check words spent on errors and
// erasures it comes back whole.
void CheckRealBlock(Block const& block, unsigned int fieldSize, unsigned int checkBudget, Decode const& decode,
                    unsigned int seed, bool erasures = true)
{
    Words words = block.words;
    unsigned int located = 99;
    ASSERT_NE(decode(words, block.k, {}, located), 0u);
    EXPECT_EQ(words, block.words);
    EXPECT_EQ(located, 0u);

    std::mt19937 random(seed);
    unsigned int const n = static_cast<unsigned int>(block.words.size());
    unsigned int const v = erasures ? checkBudget / 3 : 0;
    unsigned int const e = (checkBudget - v) / 2;
    Words damaged = block.words;
    Words erased;
    std::vector<unsigned int> order(n);
    for (unsigned int i = 0; i < n; ++i) {
        order[i] = i;
    }
    std::shuffle(order.begin(), order.end(), random);
    for (unsigned int i = 0; i < v; ++i) {
        erased.push_back(static_cast<unsigned short>(order[i]));
        damaged[order[i]] = 0;
    }
    for (unsigned int i = v; i < v + e; ++i) {
        damaged[order[i]] =
            static_cast<unsigned short>((damaged[order[i]] + 1 + random() % (fieldSize - 1)) % fieldSize);
    }
    ASSERT_NE(decode(damaged, block.k, erased, located), 0u) << "v=" << v << " e=" << e;
    EXPECT_EQ(damaged, block.words);
    EXPECT_EQ(located, v + e);
}

TEST(RSdecodingSymbolTest, QRCodeBlocksFromZint)
{
    auto decoder = std::make_unique<RSdecodingOfQRcode>();
    struct Case {
        int version;
        int level; // 1 L .. 4 H
        std::string data;
    };
    Case const cases[] = {{1, 1, "01234567"},
                          {1, 2, "HELLO WORLD"},
                          {1, 4, "qr"},
                          {2, 1, "A somewhat longer text"},
                          {2, 3, "12345"},
                          {3, 2, "mixed 1234 abc"},
                          {3, 4, "x"},
                          {4, 2, "four M blocks?"},
                          {4, 4, "H"},
                          {5, 3, "two groups of blocks"},
                          {6, 2, "https://example.org/rs"}};
    int seed = 1;
    for (Case const& c : cases) {
        SCOPED_TRACE("version " + std::to_string(c.version) + " level " + std::to_string(c.level));
        Matrix m;
        ASSERT_TRUE(MakeMatrix({BARCODE_QRCODE, c.level, c.version, 0, c.data}, m));
        ASSERT_EQ(m.rows, 4 * c.version + 17);
        // The mask is the one reading that gives codewords. Levels nest (a block with
        // more check words is also one with fewer), so the level is the strongest that fits.
        int found = 0;
        std::vector<Block> blocks;
        unsigned int reserve = 0;
        for (int mask = 0; mask < 8; ++mask) {
            std::vector<int> const bits = QRStream(m, c.version, mask);
            bool maskFits = false;
            for (QRLevel const& level : kQRLevels[c.version - 1]) {
                std::vector<Block> candidate = QRBlocks(bits, level);
                bool valid = !candidate.empty();
                for (Block const& b : candidate) {
                    valid = valid &&
                            rs_test::IsCodeword(gf256qr, 0, b.words, static_cast<unsigned int>(b.words.size()) - b.k);
                }
                // The table runs L to H, so a later fit has more check words.
                if (valid) {
                    maskFits = true;
                    blocks = candidate;
                    reserve = level.reserve;
                }
            }
            found += maskFits ? 1 : 0;
        }
        ASSERT_EQ(found, 1);
        for (Block const& b : blocks) {
            unsigned int const s = static_cast<unsigned int>(b.words.size()) - b.k;
            CheckRealBlock(
                b, 256, s - reserve,
                [&](Words& w, unsigned int k, Words const& e, unsigned int& located) {
                    return decoder->CorrectErrors(w.data(), static_cast<unsigned int>(w.size()), k,
                                                  static_cast<unsigned int>(e.size()), e.data(), reserve, &located);
                },
                static_cast<unsigned int>(seed++));
        }
    }
}

TEST(RSdecodingSymbolTest, DataMatrixBlocksFromZint)
{
    auto decoder = std::make_unique<RSdecodingOfDataMatrix>();
    std::string const texts[] = {"123456", "Data Matrix", "rs", "ECC 200 codewords", "a longer message of text"};
    int seed = 100;
    for (int sizeOption : {1, 2, 3, 4, 5, 6, 7, 8, 9, 25, 27}) {
        for (std::string const& text : texts) {
            Matrix m;
            Symbol probe = MakeSymbol({BARCODE_DATAMATRIX, 0, sizeOption, 0, text});
            if (Encode(probe.get(), text) >= ZINT_ERROR) {
                continue; // too long for this size
            }
            ASSERT_TRUE(MakeMatrix({BARCODE_DATAMATRIX, 0, sizeOption, 0, text}, m));
            SCOPED_TRACE(std::to_string(m.rows) + "x" + std::to_string(m.width) + " " + text);
            DMSize const* size = nullptr;
            for (DMSize const& s : kDMSizes) {
                if (s.rows == m.rows && s.columns == m.width) {
                    size = &s;
                }
            }
            ASSERT_NE(size, nullptr);
            DMPlacement const placement(m.rows - 2, m.width - 2);
            Block block{Words(static_cast<std::size_t>(placement.Words()), 0), 0};
            for (int r = 0; r < m.rows - 2; ++r) {
                for (int c = 0; c < m.width - 2; ++c) {
                    int const cell = placement.Cell(r, c);
                    if (cell >= 0 && m.At(r + 1, c + 1) != 0) {
                        block.words[static_cast<std::size_t>(cell / 8)] |=
                            static_cast<unsigned short>(0x80 >> (cell % 8));
                    }
                }
            }
            block.k = static_cast<unsigned int>(block.words.size()) - size->checkWords;
            ASSERT_TRUE(rs_test::IsCodeword(gf256dm, 1, block.words, size->checkWords));
            CheckRealBlock(
                block, 256, size->checkWords,
                [&](Words& w, unsigned int k, Words const& e, unsigned int& located) {
                    return decoder->CorrectErrors(w.data(), static_cast<unsigned int>(w.size()), k,
                                                  static_cast<unsigned int>(e.size()), e.data(), &located);
                },
                static_cast<unsigned int>(seed++));
        }
    }
}

TEST(RSdecodingSymbolTest, AztecBlocksFromZint)
{
    auto decoder = std::make_unique<RSdecodingOfAztec>();
    struct Case {
        bool compact;
        int layers;
        std::string data;
    };
    Case const cases[] = {{true, 1, "01234567"},      {true, 2, "Aztec"},
                          {true, 3, "compact three"}, {true, 4, "HELLO"},
                          {false, 1, "full range"},   {false, 4, "layers"},
                          {false, 9, "ten-bit"},      {false, 15, "ten-bit words"},
                          {false, 23, "twelve-bit"},  {false, 32, "the largest symbol"}};
    FiniteField const* fields[13] = {};
    fields[6] = &gf64;
    fields[8] = &gf256dm;
    fields[10] = &gf1024;
    fields[12] = &gf4096;
    int seed = 200;
    for (Case const& c : cases) {
        SCOPED_TRACE(std::string(c.compact ? "compact " : "full ") + std::to_string(c.layers));
        Matrix m;
        ASSERT_TRUE(MakeMatrix({BARCODE_AZTEC, 0, c.compact ? c.layers : c.layers + 4, 0, c.data}, m));
        AztecRead read;
        ASSERT_TRUE(ReadAztec(m, c.compact, read));
        unsigned int const s = static_cast<unsigned int>(read.data.words.size()) - read.data.k;
        ASSERT_TRUE(rs_test::IsCodeword(*fields[read.bits], 1, read.data.words, s));
        unsigned int const modeChecks = static_cast<unsigned int>(read.mode.size()) - read.modeData;
        ASSERT_TRUE(rs_test::IsCodeword(gf16, 1, read.mode, modeChecks));

        CheckRealBlock(
            read.data, 1u << read.bits, s,
            [&](Words& w, unsigned int k, Words const& e, unsigned int& located) {
                return decoder->CorrectErrors(w.data(), read.bits, static_cast<unsigned int>(w.size()), k,
                                              static_cast<unsigned int>(e.size()), e.data(), &located);
            },
            static_cast<unsigned int>(seed++));
        Block const mode{read.mode, read.modeData};
        CheckRealBlock(
            mode, 16, modeChecks,
            [&](Words& w, unsigned int k, Words const&, unsigned int& located) {
                return decoder->CorrectErrorsModeMessage(w.data(), static_cast<unsigned int>(w.size()), k, located)
                           ? 1u
                           : 0u;
            },
            static_cast<unsigned int>(seed++), false);
    }
}

TEST(RSdecodingSymbolTest, AztecModeMessagesAsTheReaderCallsThem)
{
    // Compact messages go in as 7 words with 2 data words (5 check words: 2
    // errors), full-range ones as 10 words with 4 (6 check words: 3 errors).
    // Taking a check word as data would leave a full-range message with 2.
    auto decoder = std::make_unique<RSdecodingOfAztec>();
    for (bool compact : {true, false}) {
        Matrix m;
        ASSERT_TRUE(MakeMatrix({BARCODE_AZTEC, 0, compact ? 2 : 8, 0, "mode"}, m));
        Words const mode = AztecModeWords(m, compact);
        unsigned int const words =
            compact ? RSdecodingOfAztec::kCompactModeWords : RSdecodingOfAztec::kFullRangeModeWords;
        unsigned int const value =
            compact ? RSdecodingOfAztec::kCompactModeDataWords : RSdecodingOfAztec::kFullRangeModeDataWords;
        unsigned int const errors = (words - value) / 2;
        ASSERT_EQ(mode.size(), words);
        std::mt19937 random(compact ? 7 : 11);
        for (unsigned trial = 0; trial < 2000; ++trial) {
            Words damaged = mode;
            std::vector<std::size_t> positions(mode.size());
            std::iota(positions.begin(), positions.end(), 0);
            std::shuffle(positions.begin(), positions.end(), random);
            for (unsigned e = 0; e < errors; ++e) {
                damaged[positions[e]] ^= static_cast<unsigned short>(1 + random() % 15);
            }
            unsigned int corrected = 0;
            ASSERT_TRUE(decoder->CorrectErrorsModeMessage(damaged.data(), words, value, corrected)) << trial;
            EXPECT_EQ(damaged, mode);
            EXPECT_EQ(corrected, errors);
        }
    }
}

TEST(RSdecodingSymbolTest, PDF417BlocksFromZint)
{
    auto decoder = std::make_unique<RSdecodingOfPDF417>();
    Decode const decode = [&](Words& w, unsigned int k, Words const& e, unsigned int& located) {
        return decoder->CorrectErrors(w.data(), static_cast<unsigned int>(w.size()), k,
                                      static_cast<unsigned int>(e.size()), e.data(), 2, &located);
    };
    std::string const texts[] = {"PDF417", "A PDF417 symbol with some text", "1234567890123", "mixed Text 42!"};
    int seed = 300;
    for (int level = 0; level <= 5; ++level) {
        for (std::string const& text : texts) {
            SCOPED_TRACE("level " + std::to_string(level) + " " + text);
            std::string const listing = DebugListing({BARCODE_PDF417, level, 0, 0, text});
            Words const words = ToWords(NumbersAfter(listing, "Complete CW string", true));
            std::vector<unsigned int> const checks = NumbersAfter(listing, "No. of ECC Codewords", false);
            ASSERT_FALSE(words.empty()) << "zint's codeword listing not found";
            ASSERT_EQ(checks.size(), 1u);
            unsigned int const s = checks[0];
            ASSERT_EQ(s, 2u << level);
            ASSERT_EQ(words[0] + s, words.size()); // the length descriptor
            Block const block{words, static_cast<unsigned int>(words.size()) - s};
            ASSERT_TRUE(rs_test::IsCodeword(gf929, 1, block.words, s));
            CheckRealBlock(block, 929, s - 2, decode, static_cast<unsigned int>(seed++));
        }
    }
}

TEST(RSdecodingSymbolTest, DotCodeBlocksFromZint)
{
    auto decoder = std::make_unique<RSdecodingOfDotCode>();
    std::string const texts[] = {"A", "01234567", "Hello World 123", "abcdefghijklmnopqrstuvwxyz0123456789",
                                 "12345678901234567890"};
    int seed = 400;
    for (std::string const& text : texts) {
        SCOPED_TRACE(text);
        std::string const listing = DebugListing({BARCODE_DOTCODE, 0, 0, 0, text});
        std::size_t const maskAt = listing.find("Applying mask ");
        ASSERT_NE(maskAt, std::string::npos) << "zint's codeword listing not found";
        unsigned int const maskValue = static_cast<unsigned int>(std::stoul(listing.substr(maskAt + 14)));
        Words const data = ToWords(NumbersAfter(listing, "Masked codewords", false));
        Words const checks = ToWords(NumbersAfter(listing, "Masked ECCs", false));
        ASSERT_FALSE(data.empty());
        ASSERT_FALSE(checks.empty());
        // The mask value is the block's first word.
        Block block{{static_cast<unsigned short>(maskValue & 3)}, 0};
        block.words.insert(block.words.end(), data.begin(), data.end());
        block.k = static_cast<unsigned int>(block.words.size());
        block.words.insert(block.words.end(), checks.begin(), checks.end());
        unsigned int const s = static_cast<unsigned int>(checks.size());
        ASSERT_TRUE(rs_test::IsCodeword(gf113, 1, block.words, s));
        CheckRealBlock(
            block, 113, s - 2,
            [&](Words& w, unsigned int k, Words const& e, unsigned int& located) {
                return decoder->CorrectErrors(w.data(), static_cast<unsigned int>(w.size()), k,
                                              static_cast<unsigned int>(e.size()), e.data(), 2, located)
                           ? 1u
                           : 0u;
            },
            static_cast<unsigned int>(seed++));
    }
}

// Worked examples of the standards: the test encoder reproduces their check words
// (so the conventions are the standards'), and the decoder takes them as they are.
TEST(RSdecodingSymbolTest, WorkedExamplesOfTheStandards)
{
    auto qr = std::make_unique<RSdecodingOfQRcode>();
    auto dm = std::make_unique<RSdecodingOfDataMatrix>();
    auto pdf = std::make_unique<RSdecodingOfPDF417>();
    struct Example {
        std::string name;
        FiniteField const* field;
        unsigned int firstRoot;
        Words data;
        Words checks;
        Decode decode;
    };
    Example const examples[] = {
        {"QR 01234567 1-M",
         &gf256qr,
         0,
         {0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11},
         {0xA5, 0x24, 0xD4, 0xC1, 0xED, 0x36, 0xC7, 0x87, 0x2C, 0x55},
         [&](Words& w, unsigned int k, Words const& e, unsigned int& located) {
             return qr->CorrectErrors(w.data(), static_cast<unsigned int>(w.size()), k,
                                      static_cast<unsigned int>(e.size()), e.data(), 2, &located);
         }},
        {"Data Matrix 123456 10x10",
         &gf256dm,
         1,
         {142, 164, 186},
         {114, 25, 5, 88, 102},
         [&](Words& w, unsigned int k, Words const& e, unsigned int& located) {
             return dm->CorrectErrors(w.data(), static_cast<unsigned int>(w.size()), k,
                                      static_cast<unsigned int>(e.size()), e.data(), &located);
         }},
        {"PDF417 level 1",
         &gf929,
         1,
         {5, 453, 178, 121, 239},
         {452, 327, 657, 619},
         [&](Words& w, unsigned int k, Words const& e, unsigned int& located) {
             return pdf->CorrectErrors(w.data(), static_cast<unsigned int>(w.size()), k,
                                       static_cast<unsigned int>(e.size()), e.data(), 2, &located);
         }},
    };
    unsigned int seed = 500;
    for (Example const& x : examples) {
        SCOPED_TRACE(x.name);
        unsigned int const s = static_cast<unsigned int>(x.checks.size());
        Words expected = x.data;
        expected.insert(expected.end(), x.checks.begin(), x.checks.end());
        EXPECT_EQ(rs_test::Encode(*x.field, x.firstRoot, x.data, s), expected);
        Block const block{expected, static_cast<unsigned int>(x.data.size())};
        // QR 1-M and PDF417 keep 2 check words back; Data Matrix none.
        CheckRealBlock(block, x.field->Size(), x.name.rfind("Data", 0) == 0 ? s : s - 2, x.decode, seed++);
    }
}

} // namespace
