// MaxiCode codewords, error correction and message, from zint's module grids.
#include <gtest/gtest.h>
#include <zint.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "decoder/legacy/maxicode/maxi_bit_map.h"
#include "decoder/legacy/maxicode/maxi_codewords.h"
#include "decoder/legacy/maxicode/maxi_message.h"

namespace {

using Modules = std::array<unsigned char, kMaxiRows * kMaxiColumns>;

struct Encoding {
    int mode = 4;
    std::string data{};
    std::string primary{};
    int scm = 0;  // "[)>" RS "01" GS vv header with vv = scm - 1
    int eci = 0;
    int position = 0;  // structured append, from 1
    int total = 0;
    std::vector<std::pair<int, std::string>> segments{};  // replaces data when set
};

Modules Encode(Encoding const& e)
{
    zint_symbol* symbol = ZBarcode_Create();
    symbol->symbology = BARCODE_MAXICODE;
    symbol->option_1 = e.mode;
    symbol->option_2 = e.scm;
    symbol->input_mode = DATA_MODE;
    symbol->eci = e.eci;
    std::strncpy(symbol->primary, e.primary.c_str(), sizeof symbol->primary - 1);
    if (e.total > 0) {
        symbol->structapp.index = e.position;
        symbol->structapp.count = e.total;
    }
    int error = 0;
    if (e.segments.empty()) {
        error = ZBarcode_Encode(symbol, reinterpret_cast<unsigned char const*>(e.data.data()),
                                static_cast<int>(e.data.size()));
    } else {
        std::vector<zint_seg> segs;
        for (auto const& [eci, text] : e.segments) {
            segs.push_back({reinterpret_cast<unsigned char*>(const_cast<char*>(text.data())),
                            static_cast<int>(text.size()), eci});
        }
        error = ZBarcode_Encode_Segs(symbol, segs.data(), static_cast<int>(segs.size()));
    }
    EXPECT_LT(error, ZINT_ERROR) << symbol->errtxt;
    Modules m{};
    for (int r = 0; r < kMaxiRows; ++r) {
        for (int c = 0; c < kMaxiColumns; ++c) {
            m[static_cast<size_t>(r * kMaxiColumns + c)] = (symbol->encoded_data[r][c >> 3] >> (c & 7)) & 1;
        }
    }
    ZBarcode_Delete(symbol);
    return m;
}

class MaxiMessageTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitTables_mx();
        BuildMaxiBitInverse();
        clear_Bo_MX();
    }

    MaxiMessage message_{};

    std::string Text() const { return {reinterpret_cast<char const*>(message_.text), static_cast<size_t>(message_.length)}; }
};

// Flips every bit of `count` codewords of one block, spread over the block.
void Corrupt(Modules& m, std::vector<int> const& codewords)
{
    for (int c : codewords) {
        for (int bit = 6 * c - 5; bit <= 6 * c; ++bit) {
            m[static_cast<size_t>(imaxbits_x[bit] + kMaxiColumns * imaxbits_y[bit])] ^= 1;
        }
    }
}

std::string const kGs = "\x1d";

struct Case {
    char const* name;
    Encoding encoding;
    std::string expected;
    int mode;
    int result = 23;
};

TEST_F(MaxiMessageTest, ZintSymbolsOfEveryModeReadBack)
{
    std::string const latin = "caf\xe9 \xc0 la cr\xe8me \xbf\xa1 \x01\x02\x1b end";
    Case const cases[] = {
        {"upper", {.mode = 4, .data = "HELLO WORLD 123"}, "HELLO WORLD 123", 4},
        {"shifts and latches", {.mode = 4, .data = "Mixed Case; text {} ~|"}, "Mixed Case; text {} ~|", 4},
        {"sets C D E", {.mode = 4, .data = latin}, latin, 4},
        {"numeric shift", {.mode = 4, .data = "A123456789012345678B"}, "A123456789012345678B", 4},
        {"mode 5", {.mode = 5, .data = "ENHANCED error correction"}, "ENHANCED error correction", 5},
        {"mode 6", {.mode = 6, .data = "READER PROGRAMMING"}, "READER PROGRAMMING", 6},
        {"mode 2", {.mode = 2, .data = "PARCEL", .primary = "152382802840001"},
         "152382802" + kGs + "840" + kGs + "001" + kGs + "PARCEL", 2},
        {"mode 2 short postcode", {.mode = 2, .data = "x", .primary = "12345840001"},
         "12345" + kGs + "840" + kGs + "001" + kGs + "x", 2},
        {"mode 3", {.mode = 3, .data = "Label", .primary = "B1050 056999"},
         "B1050 " + kGs + "056" + kGs + "999" + kGs + "Label", 3},
        {"header first", {.mode = 2, .data = "1Z999", .primary = "152382802840001", .scm = 97},
         "[)>\x1e" "01" + kGs + "96152382802" + kGs + "840" + kGs + "001" + kGs + "1Z999", 2},
        {"eci doubles backslashes", {.mode = 4, .data = "a\\b", .eci = 3}, "\\000003a\\\\b", 4},
        {"two ecis", {.mode = 4, .segments = {{3, "AB"}, {7, "CD"}}}, "\\000003AB\\000007CD", 4},
        {"first of a series", {.mode = 2, .data = "DATA", .primary = "152382802840001", .position = 1, .total = 3},
         "152382802" + kGs + "840" + kGs + "001" + kGs + "DATA", 2, 24},
        {"later part", {.mode = 2, .data = "MORE", .primary = "152382802840001", .position = 2, .total = 3},
         "MORE", 2, 24},
        {"mode 4 series", {.mode = 4, .data = "PART", .position = 3, .total = 3}, "PART", 4, 24},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Modules const m = Encode(c.encoding);
        EXPECT_EQ(DecodeMaxiModules(m.data(), 0, message_), c.result);
        EXPECT_EQ(Text(), c.expected);
        EXPECT_EQ(message_.mode, c.mode);
        if (c.encoding.total > 0) {
            EXPECT_EQ(StructNo_MX, c.encoding.position);
            EXPECT_EQ(StructBo_MX, c.encoding.total);
        }
    }
}

TEST_F(MaxiMessageTest, IgnoringEciDropsTheEscapeOnly)
{
    Modules const m = Encode({.mode = 4, .data = "a\\b", .eci = 3});
    ASSERT_EQ(DecodeMaxiModules(m.data(), 1, message_), 23);
    EXPECT_EQ(Text(), "a\\b");
    EXPECT_EQ(message_.eci, 0);
}

// Primary block: 10 check codewords (5 errors); secondary halves 20 each
// (10 errors; mode 5: 28, 14 errors), odd and even codewords.
TEST_F(MaxiMessageTest, ErrorsUpToCapacityAreCorrectedOneMoreFails)
{
    struct Block {
        char const* name;
        int mode;
        int first;
        int step;
        int capacity;
    };
    Block const blocks[] = {
        {"primary", 4, 1, 1, 5},
        {"secondary odd", 4, 21, 2, 10},
        {"secondary even", 4, 22, 2, 10},
        {"mode 5 secondary", 5, 22, 2, 14},
    };
    for (Block const& b : blocks) {
        SCOPED_TRACE(b.name);
        Modules const clean = Encode({.mode = b.mode, .data = "ERROR CORRECTION TEST 0123"});
        for (int errors : {b.capacity, b.capacity + 1}) {
            std::vector<int> hit;
            for (int i = 0; i < errors; ++i) {
                hit.push_back(b.first + b.step * ((i * 7) % (b.mode == 5 && b.first > 20 ? 62 : b.first > 20 ? 62 : 20)));
            }
            Modules m = clean;
            Corrupt(m, hit);
            int const result = DecodeMaxiModules(m.data(), 0, message_);
            if (errors <= b.capacity) {
                EXPECT_EQ(result, 23);
                EXPECT_EQ(Text(), "ERROR CORRECTION TEST 0123");
            } else {
                // One beyond capacity is refused, never misread.
                EXPECT_TRUE(result == 129 || Text() == "ERROR CORRECTION TEST 0123") << Text();
            }
        }
    }
}

// Corrected codewords that do not form a valid message are refused, not
// read past their end or written past a field.
TEST_F(MaxiMessageTest, MalformedMessagesAreRefused)
{
    auto codewords = [](int mode) {
        MaxiCodewords c{};
        c.value[1] = static_cast<unsigned char>(mode);
        for (int i = 2; i <= kMaxiCodewords; ++i) {
            c.value[i] = 33;  // pad
        }
        return c;
    };
    {
        SCOPED_TRACE("numeric shift at the end");
        MaxiCodewords c = codewords(4);
        c.value[21 + 81] = 31;
        EXPECT_EQ(InterpretMaxiMessage(c, 4, 0, message_), 129);
    }
    {
        SCOPED_TRACE("ECI at the end");
        MaxiCodewords c = codewords(4);
        c.value[21 + 83] = 27;
        EXPECT_EQ(InterpretMaxiMessage(c, 4, 0, message_), 129);
    }
    {
        SCOPED_TRACE("numeric shift above nine digits");
        MaxiCodewords c = codewords(4);
        c.value[2] = 31;
        for (int i = 3; i <= 7; ++i) {
            c.value[i] = 63;
        }
        EXPECT_EQ(InterpretMaxiMessage(c, 4, 0, message_), 129);
    }
    for (int length : {19, 20, 63}) {
        SCOPED_TRACE(length);
        MaxiCodewords c = codewords(2);
        c.value[1] = 2;
        c.value[2] = c.value[3] = c.value[4] = c.value[5] = 0;
        c.value[6] = static_cast<unsigned char>((length & 3) << 4);
        c.value[7] = static_cast<unsigned char>(length >> 2);
        int const result = InterpretMaxiMessage(c, 2, 0, message_);
        if (length <= 19) {
            EXPECT_EQ(result, 23);
            EXPECT_EQ(Text().substr(0, 20), std::string(19, '0') + kGs);
        } else {
            EXPECT_EQ(result, 129);
        }
    }
    {
        SCOPED_TRACE("postal length 0");
        MaxiCodewords c = codewords(2);
        c.value[1] = 2 | (3 << 4);
        c.value[6] = 0;
        c.value[7] = 0;
        EXPECT_EQ(InterpretMaxiMessage(c, 2, 0, message_), 23);
        EXPECT_EQ(Text().substr(0, 6), "00000" + kGs);
    }
    {
        SCOPED_TRACE("many ECIs cannot overrun the text");
        MaxiCodewords c = codewords(4);
        for (int i = 21; i + 1 <= 104; i += 2) {
            c.value[i] = 27;
            c.value[i + 1] = 3;
        }
        c.value[2] = 59;  // shift B
        c.value[3] = 43;  // backslash
        EXPECT_EQ(InterpretMaxiMessage(c, 4, 0, message_), 23);
        std::string const text = Text();
        EXPECT_EQ(text.substr(0, 4), "\\\\\\0");  // the literal doubled once
        EXPECT_EQ(text.size(), 2 + 42u * 7);
    }
}

// Shifts take one codeword (two or three for set B's shifts to A), locks
// and latches hold; pads of set E write nothing.
TEST_F(MaxiMessageTest, ShiftsLocksAndLatchesOfTheCodeSets)
{
    struct SetCase {
        char const* name;
        std::vector<unsigned char> codewords;
        std::string expected;
    };
    SetCase const cases[] = {
        {"shift C for one", {1, 60, 0, 1}, "A\xc0" "A"},
        {"lock C until latch A", {60, 60, 0, 0, 58, 1}, "\xc0\xc0" "A"},
        {"lock D", {61, 61, 0, 47, 58, 2}, "\xe0\x8a" "B"},
        {"lock E, pads", {62, 62, 1, 28, 2, 29, 58, 1}, "\x01\x02" "A"},
        {"B two- and three-shift A", {63, 1, 56, 1, 2, 3, 57, 4, 5, 6, 7}, "aABcDEFg"},
        {"B shift A, latch A", {63, 1, 59, 1, 2, 63, 2}, "aAbB"},
        {"numeric shift", {31, 0, 0, 0, 0, 1, 1}, "000000001A"},
        {"ECI in set C keeps the set", {60, 60, 0, 27, 3, 0, 58}, "\xc0\\000003\xc0"},
    };
    for (SetCase const& t : cases) {
        SCOPED_TRACE(t.name);
        MaxiCodewords c{};
        c.value[1] = 4;
        std::vector<int> order;
        for (int i = 2; i <= 10; ++i) {
            order.push_back(i);
        }
        for (int i = 21; i <= 104; ++i) {
            order.push_back(i);
        }
        for (size_t i = 0; i < order.size(); ++i) {
            c.value[order[i]] = i < t.codewords.size() ? t.codewords[i] : 33;
        }
        ASSERT_EQ(InterpretMaxiMessage(c, 4, 0, message_), 23);
        EXPECT_EQ(Text(), t.expected);
        EXPECT_EQ(max_anl_total_CWD, 93);
    }
}

TEST_F(MaxiMessageTest, ClearingStructuredAppendClearsTheHostCounters)
{
    StructNo_MX = 3;
    Stru16Bo_MX = 4;
    Stru16Parity_MX = 5;
    StructCount_MX = 6;
    clear_Bo_MX();
    EXPECT_EQ((std::vector<int>{StructNo_MX, Stru16Bo_MX, Stru16Parity_MX, StructCount_MX}),
              (std::vector<int>{1, 0, 0, 0}));
}

}  // namespace
