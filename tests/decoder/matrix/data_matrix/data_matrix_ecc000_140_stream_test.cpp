// The first stage of an ECC 000-140 read: the header that names the code,
// read through damage, and the protection removed over the module bits that
// lie inside the symbol's border.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_header.h"
#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_stream.h"
#include "tests/decoder/matrix/data_matrix/data_matrix_ecc000_140_encoder.h"

namespace data_matrix_ecc000_140_stream_test {
namespace {

using DEC2DIvra::DataMatrixEcc000To140Header;
using DEC2DIvra::DataMatrixEcc000To140Size;
using DEC2DIvra::DataMatrixEcc000To140Stream;
using DEC2DIvra::DataStreamForDataMatrix;
using DEC2DIvra::FanoData;
using DEC2DIvra::VirtualArray;
using data_matrix_ecc000_140_encoder::Encode;
using data_matrix_ecc000_140_encoder::Encoded;
using data_matrix_ecc000_140_encoder::Pack;
using data_matrix_ecc000_140_encoder::RandomGroups;

void FlipBit(std::vector<unsigned short>& stream, unsigned bit)
{
    stream[bit / 8] = static_cast<unsigned short>(stream[bit / 8] ^ (0x80u >> (bit % 8)));
}

// A whole symbol's module stream: as many steps as the module bits inside
// the border hold, the bits left over zero.
struct Symbol {
    Encoded encoded;
    std::vector<unsigned short> expected;
    unsigned bits = 0;
};

Symbol MakeSymbol(unsigned codeIndex, unsigned side)
{
    FanoData fano;
    EXPECT_TRUE(fano.Initialize(codeIndex));
    unsigned const moduleBits = DataMatrixEcc000To140Size::GetModuleBits(side);
    unsigned const steps = (moduleBits - 19) / fano.n;
    std::vector<unsigned> const groups = RandomGroups(fano.k, steps, 31 + codeIndex + side);
    Symbol s;
    s.encoded = Encode(codeIndex, groups);
    s.encoded.stream.resize((moduleBits + 7) / 8, 0);
    s.encoded.moduleBits = moduleBits;
    s.expected = Pack(fano.k, groups);
    s.bits = steps * fano.k;
    return s;
}

struct Reader {
    std::unique_ptr<DataMatrixEcc000To140Stream> stream = std::make_unique<DataMatrixEcc000To140Stream>();
    std::vector<unsigned short> out = std::vector<unsigned short>(2048);
    std::vector<unsigned short> rebuilt = std::vector<unsigned short>(2048);
    DataMatrixEcc000To140Stream::Result result;

    bool Run(std::vector<unsigned short> const& codewords, unsigned side)
    {
        VirtualArray<unsigned short> o(out.data(), static_cast<unsigned>(out.size()));
        VirtualArray<unsigned short> r(rebuilt.data(), static_cast<unsigned>(rebuilt.size()));
        DataStreamForDataMatrix in{codewords.data(), static_cast<unsigned>(codewords.size())};
        return stream->Start(in, side, o, r, result);
    }

    std::vector<unsigned short> Decoded(size_t count) const
    {
        return std::vector<unsigned short>(out.begin(), out.begin() + static_cast<long>(count));
    }
};

// Every code over a small, a middle and the largest side its step count
// allows: the header names the code, the decoded bits are the input, and a
// header with one wrong prefix bit and one wrong copy of every index bit
// still names the same code.
TEST(Ecc000To140Stream, EveryCodeReadsThroughAHeaderWithFaults)
{
    Reader reader;
    for (unsigned code = 0; code < DEC2DIvra::ConvolutionErrorCorrect::kCodes; ++code) {
        for (unsigned side : {9u, 25u, 47u}) {
            Symbol s = MakeSymbol(code, side);
            ASSERT_TRUE(reader.Run(s.encoded.stream, side)) << code << " " << side;
            EXPECT_EQ(reader.result.codeIndex, code);
            EXPECT_EQ(reader.result.bits, s.bits);
            EXPECT_EQ(reader.Decoded(s.expected.size()), s.expected) << code << " " << side;
            EXPECT_EQ(reader.result.errors, 0u);

            FlipBit(s.encoded.stream, 2);  // a prefix bit
            for (unsigned b = 0; b < 4; ++b) {
                FlipBit(s.encoded.stream, 7 + 3 * b + (b + code) % 3);  // one copy of each index bit
            }
            ASSERT_TRUE(reader.Run(s.encoded.stream, side)) << code << " " << side;
            EXPECT_EQ(reader.result.codeIndex, code);
            EXPECT_EQ(reader.Decoded(s.expected.size()), s.expected);
        }
    }
}

TEST(Ecc000To140Stream, RefusesWhatNoSymbolCarries)
{
    Reader reader;
    Symbol s = MakeSymbol(6, 21);
    // Two wrong prefix bits: not a protected header.
    std::vector<unsigned short> prefix = s.encoded.stream;
    FlipBit(prefix, 0);
    FlipBit(prefix, 4);
    EXPECT_FALSE(reader.Run(prefix, 21));
    // Index 12 .. 15 fit the 4-bit field but name no code.
    for (unsigned index = 12; index < 16; ++index) {
        std::vector<unsigned short> header = s.encoded.stream;
        unsigned bits = 0x38;
        for (int b = 3; b >= 0; --b) {
            bits = (bits << 3) | (((index >> b) & 1u) * 7u);
        }
        header[0] = static_cast<unsigned short>(bits >> 11);
        header[1] = static_cast<unsigned short>((bits >> 3) & 0xFF);
        header[2] = static_cast<unsigned short>((header[2] & 0x1F) | ((bits & 7u) << 5));
        unsigned code = 99;
        DataStreamForDataMatrix in{header.data(), static_cast<unsigned>(header.size())};
        EXPECT_FALSE(DataMatrixEcc000To140Header::Read(in, s.encoded.moduleBits, code)) << index;
        EXPECT_FALSE(reader.Run(header, 21)) << index;
    }
    // Even sides and sides beyond the range are ECC 200 or nothing.
    for (unsigned side : {7u, 10u, 20u, 51u}) {
        EXPECT_EQ(DataMatrixEcc000To140Size::GetModuleBits(side), 0u) << side;
        EXPECT_FALSE(reader.Run(s.encoded.stream, side)) << side;
    }
    // The module bits lie inside the border: the stream of a 21 x 21 symbol
    // is too short for the 23 x 23 size, and a cut stream is refused.
    EXPECT_FALSE(reader.Run(s.encoded.stream, 23));
    std::vector<unsigned short> cut(s.encoded.stream.begin(), s.encoded.stream.end() - 1);
    EXPECT_FALSE(reader.Run(cut, 21));
}

}  // namespace
}  // namespace data_matrix_ecc000_140_stream_test
