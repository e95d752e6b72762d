// The ECC 000-140 Fano decoder against streams this test encodes by the same
// code table (no outside encoder makes ECC 000-140): clean and damaged
// streams, the edges of the step count, a hopeless stream that must give up
// within the move budget, and the last bits of a stream that ends mid-byte.

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "decoder/matrix/data_matrix/data_matrix_convolution_error_correct.h"
#include "tests/decoder/matrix/data_matrix/data_matrix_ecc000_140_encoder.h"

namespace data_matrix_convolution_test {
namespace {

using DEC2DIvra::ConvolutionErrorCorrect;
using DEC2DIvra::DataStreamForDataMatrix;
using DEC2DIvra::FanoData;
using DEC2DIvra::VirtualArray;
using data_matrix_ecc000_140_encoder::Encode;
using data_matrix_ecc000_140_encoder::Encoded;
using data_matrix_ecc000_140_encoder::Pack;
using data_matrix_ecc000_140_encoder::RandomGroups;

struct Decoder {
    std::unique_ptr<ConvolutionErrorCorrect> fano = std::make_unique<ConvolutionErrorCorrect>();
    std::vector<unsigned short> out = std::vector<unsigned short>(2048);
    std::vector<unsigned short> rebuilt = std::vector<unsigned short>(2048);
    unsigned errors = 0;

    int Run(Encoded const& e, unsigned codeIndex, unsigned moduleBits = 0)
    {
        VirtualArray<unsigned short> o(out.data(), static_cast<unsigned>(out.size()));
        VirtualArray<unsigned short> r(rebuilt.data(), static_cast<unsigned>(rebuilt.size()));
        DataStreamForDataMatrix in{e.stream.data(), static_cast<unsigned>(e.stream.size())};
        return fano->Start(in, moduleBits != 0 ? moduleBits : e.moduleBits, codeIndex, true, o, r, errors);
    }
};

class ConvolutionRoundTrip : public ::testing::TestWithParam<unsigned> {};

// Every code: a clean stream decodes to its input with no codeword in error;
// a few flipped bits spread over the stream are corrected and counted. The
// 3-bit codes end mid-byte: the last bits must stay.
TEST_P(ConvolutionRoundTrip, CleanAndDamaged)
{
    unsigned const code = GetParam();
    FanoData fano;
    ASSERT_TRUE(fano.Initialize(code));
    // Whole steps that end mid-byte for the 3-bit codes (count mod 8 of 3).
    unsigned const count = fano.k == 3 ? 8 * 13 + 3 : 8 * 40 / fano.k;
    std::vector<unsigned> const groups = RandomGroups(fano.k, count, 7 + code);
    std::vector<unsigned short> const expected = Pack(fano.k, groups);
    Encoded e = Encode(code, groups);
    Decoder d;
    ASSERT_EQ(d.Run(e, code), 1);
    EXPECT_EQ(std::vector<unsigned short>(d.out.begin(), d.out.begin() + static_cast<long>(expected.size())),
              expected);
    EXPECT_EQ(d.errors, 0u);

    if (fano.m < 3) {
        return;  // the one-step memory of the lightest code leaves no room to correct
    }
    for (unsigned bit = 40; bit < e.moduleBits; bit += 97) {
        e.stream[bit / 8] = static_cast<unsigned short>(e.stream[bit / 8] ^ (0x80u >> (bit % 8)));
    }
    ASSERT_EQ(d.Run(e, code), 1);
    EXPECT_EQ(std::vector<unsigned short>(d.out.begin(), d.out.begin() + static_cast<long>(expected.size())),
              expected);
    EXPECT_GT(d.errors, 0u);
}

INSTANTIATE_TEST_SUITE_P(Codes, ConvolutionRoundTrip, ::testing::Range(0u, 12u));

TEST(Convolution, ComplementShortcutMatchesTheGenerators)
{
    // For k = 1 the second branch's output is the first's complemented.
    for (unsigned code : {3u, 6u, 7u, 8u, 9u, 10u, 11u}) {
        FanoData fano;
        ASSERT_TRUE(fano.Initialize(code));
        unsigned const top = 1u << fano.m;
        unsigned const mask = (1u << fano.n) - 1u;
        for (unsigned state = 0; state < top; state += (top > 65536 ? 251 : 1)) {
            unsigned char const zero = ConvolutionErrorCorrect::GetConvolution(state, fano.n, code);
            unsigned char const one = ConvolutionErrorCorrect::GetConvolution(state | top, fano.n, code);
            ASSERT_EQ(one, static_cast<unsigned char>(~zero & mask)) << "code " << code << " state " << state;
        }
    }
}

TEST(Convolution, PackingKeepsAPartialLastCodeword)
{
    // 3 and 6 groups of 3 bits: 9 and 18 bits, the last one or two in a
    // codeword of their own.
    std::vector<unsigned short> three{7, 0, 5};
    EXPECT_EQ(ConvolutionErrorCorrect::SetBitArrayToByte(3, 3, three.data()), 2u);
    EXPECT_EQ(three[0], 0xE2u);  // 111 000 10
    EXPECT_EQ(three[1], 0x80u);  // 1
    std::vector<unsigned short> six{1, 2, 3, 4, 5, 7};
    EXPECT_EQ(ConvolutionErrorCorrect::SetBitArrayToByte(3, 6, six.data()), 3u);
    EXPECT_EQ(six[2], 0xC0u);  // the last two bits of 111
}

TEST(Convolution, HeaderBitsRepeatTheIndexThreeTimes)
{
    for (unsigned code = 0; code < ConvolutionErrorCorrect::kCodes; ++code) {
        unsigned short header[3];
        ConvolutionErrorCorrect::SetHeaderBitToStream(code, header);
        unsigned bits = (header[0] << 16) | (header[1] << 8) | header[2];
        unsigned expected = 0x38;  // 0, 1, 1, 1, 0, 0, 0
        for (int b = 3; b >= 0; --b) {
            unsigned const v = (code >> b) & 1u;
            expected = (expected << 3) | (v * 7u);
        }
        EXPECT_EQ(bits >> 5, expected) << code;
        EXPECT_EQ(bits & 31u, 0u);
    }
}

TEST(Convolution, StepCountEdges)
{
    Decoder d;
    // Fewer than n bits behind the header: nothing to decode, success.
    Encoded header = Encode(3, {});
    EXPECT_EQ(d.Run(header, 3, 20), 1);
    // The 49 x 49 symbol under a half-rate code takes 1095 steps; one more
    // is more than any symbol holds.
    Encoded longest = Encode(3, RandomGroups(1, 1095, 3));
    EXPECT_EQ(d.Run(longest, 3), 1);
    Encoded tooLong = Encode(3, RandomGroups(1, 1096, 3));
    EXPECT_EQ(d.Run(tooLong, 3), 0);
    // A code index the table does not hold.
    EXPECT_EQ(d.Run(header, 12, 40), 0);
    // A module count beyond the stream's bits.
    Encoded short_ = Encode(6, RandomGroups(1, 10, 4));
    EXPECT_EQ(d.Run(short_, 6, short_.moduleBits + 64), 0);
}

TEST(Convolution, HopelessStreamGivesUpWithinTheMoveBudget)
{
    // Random bits under a valid header: the search must end, and fail.
    Encoded e = Encode(9, RandomGroups(1, 600, 5));
    std::mt19937 random(11);
    for (size_t i = 3; i < e.stream.size(); ++i) {
        e.stream[i] = static_cast<unsigned short>(random() & 0xFF);
    }
    Decoder d;
    EXPECT_EQ(d.Run(e, 9), 0);
}

}  // namespace
}  // namespace data_matrix_convolution_test
