// zint's PDF417 and MicroPDF417 symbols read off their module rows: every
// symbol character and row address pattern must be in the tables, the row
// indicators and the size table must agree with zint, and the corrected
// codewords must give back zint's input.
#include <random>
#include <string>
#include <vector>

#include "decoder/stacked/micro_pdf_version_table.h"
#include "decoder/stacked/pdf_row_reader.h"
#include "tests/decoder/stacked/pdf_symbol_fixture.h"

namespace {

using namespace DEC2DIvra;
using pdf_test::Encode;
using pdf_test::Options;
using pdf_test::Rows;

struct Symbol {
    unsigned rows = 0;
    unsigned columns = 0;
    unsigned level = 0;  // PDF417
    unsigned version = 0;  // MicroPDF417 table index
    std::vector<unsigned short> codewords;
};

// A PDF417 symbol's codewords, checked character by character.
Symbol ReadPdf417(Rows const& rows)
{
    Symbol s;
    s.rows = static_cast<unsigned>(rows.size());
    s.columns = static_cast<unsigned>((rows[0].size() - 69) / 17);
    int ri[3] = {-1, -1, -1};
    for (unsigned r = 0; r < s.rows; ++r) {
        unsigned const wanted = (r % 3) * 3;
        for (unsigned k = 0; k < s.columns + 2; ++k) {
            float w[8];
            unsigned value = 0;
            unsigned cluster = 0;
            EXPECT_TRUE(pdf_test::Runs(rows[r], 17 + 17 * k, 17, 8, w) && PDFRowReader::DecodeCharacter(w, value, cluster))
                << "row " << r << " column " << k;
            EXPECT_EQ(cluster, wanted) << "row " << r << " column " << k;
            if (k == 0) {
                EXPECT_EQ(value / 30, r / 3);
                ri[cluster / 3] = static_cast<int>(value % 30);
            } else if (k <= s.columns) {
                s.codewords.push_back(static_cast<unsigned short>(value));
            }
        }
    }
    // The left indicators name the rows, the level and the columns.
    EXPECT_EQ(ri[2], static_cast<int>(s.columns) - 1);
    if (ri[0] >= 0 && ri[1] >= 0) {
        EXPECT_EQ(static_cast<unsigned>(ri[0] * 3 + ri[1] % 3 + 1), s.rows);
        s.level = static_cast<unsigned>(ri[1] / 3);
    }
    return s;
}

// A MicroPDF417 symbol's codewords; its row address patterns must step
// through the numbers of its size in the table.
Symbol ReadMicro(Rows const& rows, bool component = false)
{
    Symbol s;
    size_t const width = rows[0].size();
    s.columns = width == 38 ? 1 : width == 55 ? 2 : width == 82 ? 3 : width == 99 ? 4 : 0;
    s.rows = static_cast<unsigned>(rows.size());
    s.version = MicroPDFVersionTable::kCount;
    for (unsigned v = component ? 34 : 0; v < (component ? MicroPDFVersionTable::kCount : 34u); ++v) {
        if (MicroPDFVersionTable::table[v].columns == s.columns && MicroPDFVersionTable::table[v].rows == s.rows) {
            s.version = v;
        }
    }
    EXPECT_LT(s.version, MicroPDFVersionTable::kCount) << s.columns << " x " << s.rows;
    if (s.version >= MicroPDFVersionTable::kCount) {
        return s;
    }
    auto const& element = MicroPDFVersionTable::table[s.version];
    static constexpr size_t kData[4][4] = {{10}, {10, 27}, {10, 37, 54}, {10, 27, 54, 71}};
    for (unsigned r = 0; r < s.rows; ++r) {
        float w[8];
        struct Place {
            size_t at;
            MicroPDFVersionTable::FinderPosition position;
        };
        std::vector<Place> places{{0, MicroPDFVersionTable::kLeft}, {width - 11, MicroPDFVersionTable::kRight}};
        if (s.columns >= 3) {
            places.push_back({s.columns == 3 ? 27u : 44u, MicroPDFVersionTable::kCenter});
        }
        for (Place const& p : places) {
            EXPECT_TRUE(pdf_test::Runs(rows[r], p.at, 10, 6, w));
            unsigned const n = PDFRowReader::DecodeRowAddress(w);
            unsigned const expected = (MicroPDFVersionTable::CalcColumnStart(element, p.position) - 1 + r) % 52 + 1;
            EXPECT_EQ(n, expected + (p.position == MicroPDFVersionTable::kCenter ? 64u : 0u)) << "row " << r;
        }
        for (unsigned k = 0; k < s.columns; ++k) {
            unsigned value = 0;
            unsigned cluster = 0;
            EXPECT_TRUE(pdf_test::Runs(rows[r], kData[s.columns - 1][k], 17, 8, w) &&
                        PDFRowReader::DecodeCharacter(w, value, cluster));
            EXPECT_EQ(cluster, (element.start - 1 + r) % 3 * 3) << "row " << r;
            s.codewords.push_back(static_cast<unsigned short>(value));
        }
    }
    return s;
}

std::string Data(DecodedLabel const& label) { return std::string(label.data.GetFirst(), label.data.GetCount()); }

std::string Aim(DecodedLabel const& label)
{
    char aim[8] = {};
    label.identifier.GetAIMIdentifier(aim, sizeof(aim));
    return aim;
}

class PdfCodewordRoad : public pdf_test::PDFDecoderFixture {
protected:
    int Decode(Symbol const& s, std::vector<unsigned short> const& erasures = {})
    {
        bool composite = false;
        return decoder.DecodePDF417Codewords(s.codewords.data(), static_cast<unsigned>(s.codewords.size()), s.level,
                                             erasures.data(), static_cast<unsigned>(erasures.size()), label, composite);
    }
    DecodedLabel label;
};

TEST_F(PdfCodewordRoad, Pdf417CompactionsGiveBackZintsInput)
{
    std::string binary;
    for (int i = 0; i < 40; ++i) {
        binary.push_back(static_cast<char>((i * 37 + 128) & 0xFF));
    }
    struct Case {
        std::string data;
        int level;
        int columns;
    } const cases[] = {
        {"PDF417", 2, 3},
        {"aBc!x ~ Mixed 123 & punctuation; <tags> @home", 3, 5},
        {"https://example.com/path?q=1&r=two#frag", 4, 6},
        {"1234567890123", 2, 4},
        {std::string(95, '7') + "12345678901234567890123456789012345678901234567", 5, 10},
        {binary.substr(0, 5), 2, 2},
        {binary.substr(0, 6), 2, 2},
        {binary.substr(0, 7), 2, 2},
        {binary.substr(0, 12), 3, 3},
        {binary, 5, 8},
        {"Text then bytes \x80\x81\x82 then 123456789012345678 digits", 2, 12},
        {std::string(800, 'A'), 5, 30},
    };
    for (Case const& c : cases) {
        auto const encoded = Encode({.data = c.data, .option1 = c.level, .option2 = c.columns});
        ASSERT_TRUE(encoded.ok) << encoded.error;
        Symbol const s = ReadPdf417(encoded.rows);
        EXPECT_EQ(s.level, static_cast<unsigned>(c.level));
        ASSERT_EQ(Decode(s), 1) << c.data;
        EXPECT_EQ(Data(label), c.data);
        EXPECT_EQ(Aim(label), "]L2");
    }
}

TEST_F(PdfCodewordRoad, EciDesignatorsAreConsumedAndNeverWritten)
{
    for (int eci : {3, 9, 26, 899, 900, 811799}) {
        auto const encoded = Encode({.data = "caf\xc3\xa9 ECI", .inputMode = DATA_MODE, .eci = eci});
        ASSERT_TRUE(encoded.ok) << encoded.error;
        ASSERT_EQ(Decode(ReadPdf417(encoded.rows)), 1) << eci;
        EXPECT_EQ(Data(label), "caf\xc3\xa9 ECI") << eci;
    }
}

TEST_F(PdfCodewordRoad, MacroPdfFillsTheStructuredAppendRecordCountOnlyOnTheLast)
{
    for (int index = 1; index <= 3; ++index) {
        // Lengths that leave pad codewords behind the control block.
        auto const encoded = Encode({.data = std::string(static_cast<size_t>(index * 7), 'S'), .option2 = 4,
                                     .structIndex = index, .structCount = 3, .structId = "017053"});
        ASSERT_TRUE(encoded.ok) << encoded.error;
        ASSERT_EQ(Decode(ReadPdf417(encoded.rows)), 1) << index;
        EXPECT_EQ(Data(label), std::string(static_cast<size_t>(index * 7), 'S'));
        EXPECT_EQ(label.structuredAppend.mode, 1u);
        EXPECT_EQ(label.structuredAppend.value3, static_cast<unsigned>(index - 1));
        EXPECT_EQ(label.structuredAppend.value2, index == 3 ? 3u : 0u);
        EXPECT_EQ(label.structuredAppend.value1, 17u * 65536u + 53u);
    }
}

TEST_F(PdfCodewordRoad, DamageWithinTheLevelIsCorrectedAndBeyondItNeverMisread)
{
    std::mt19937 random(7);
    for (int level = 0; level <= 6; ++level) {
        std::string const data = "Damage test at level " + std::to_string(level) + " with some more text";
        auto const encoded = Encode({.data = data, .option1 = level, .option2 = 6});
        ASSERT_TRUE(encoded.ok);
        Symbol const clean = ReadPdf417(encoded.rows);
        unsigned const e = 2u << level;
        unsigned const n = static_cast<unsigned>(clean.codewords.size());
        for (unsigned trial = 0; trial < 12; ++trial) {
            // Erasures up to E - 3 and errors filling what is left of E - 2.
            unsigned const erased = e > 3 ? random() % (e - 2) : 0;
            unsigned const errors = (e - 2 - erased) / 2;
            Symbol damaged = clean;
            std::vector<unsigned short> erasures;
            std::vector<unsigned> places(n);
            for (unsigned i = 0; i < n; ++i) {
                places[i] = i;
            }
            std::shuffle(places.begin(), places.end(), random);
            for (unsigned i = 0; i < erased + errors && i < n; ++i) {
                unsigned const at = places[i];
                damaged.codewords[at] = static_cast<unsigned short>((clean.codewords[at] + 1 + random() % 900) % 929);
                if (i < erased) {
                    damaged.codewords[at] = 0;
                    erasures.push_back(static_cast<unsigned short>(at));
                }
            }
            bool const refusedOnlyAtTheEdge = erased + 2 == e && e > 2;
            int const read = Decode(damaged, erasures);
            if (!refusedOnlyAtTheEdge) {
                EXPECT_EQ(read, 1) << "level " << level << " erased " << erased << " errors " << errors;
            }
            if (read == 1) {
                EXPECT_EQ(Data(label), data);
            }
            // One error more than the level can take: no label, or the right one.
            Symbol beyond = damaged;
            unsigned const at = places[erased + errors];
            beyond.codewords[at] = static_cast<unsigned short>((clean.codewords[at] + 5) % 929);
            if (Decode(beyond, erasures) == 1) {
                EXPECT_EQ(Data(label), data) << "level " << level;
            }
        }
    }
}

TEST_F(PdfCodewordRoad, EveryMicroPdf417SizeReadsBack)
{
    std::vector<bool> seen(34, false);
    std::mt19937 random(3);
    for (int columns = 1; columns <= 4; ++columns) {
        for (int length = 1; length <= 250; length += 1 + length / 40) {
            std::string data;
            for (int i = 0; i < length; ++i) {
                data.push_back(static_cast<char>('A' + random() % 26));
            }
            auto const encoded = Encode({.symbology = BARCODE_MICROPDF417, .data = data, .option2 = columns});
            if (!encoded.ok) {
                continue;
            }
            Symbol const s = ReadMicro(encoded.rows);
            if (s.version >= 34) {
                continue;
            }
            seen[s.version] = true;
            ASSERT_EQ(decoder.DecodeMicroPDF417Codewords(s.codewords.data(), s.version, nullptr, 0, label), 1)
                << data;
            EXPECT_EQ(Data(label), data);
        }
    }
    for (unsigned v = 0; v < 34; ++v) {
        EXPECT_TRUE(seen[v]) << "size " << v << " never made";
    }
}

TEST_F(PdfCodewordRoad, MicroPdf417BytesAndDigitsReadBack)
{
    for (std::string const& data : {std::string("\x01\x02\xff\xfe\x80", 5), std::string("0123456789012345678901234"),
                                   std::string("MicroPDF417")}) {
        auto const encoded = Encode({.symbology = BARCODE_MICROPDF417, .data = data});
        ASSERT_TRUE(encoded.ok);
        Symbol const s = ReadMicro(encoded.rows);
        ASSERT_EQ(decoder.DecodeMicroPDF417Codewords(s.codewords.data(), s.version, nullptr, 0, label), 1);
        EXPECT_EQ(Data(label), data);
        EXPECT_EQ(Aim(label).substr(0, 2), "]L");
    }
}

// The 2D part of a zint composite: the rows above the separator, cut to the
// component's own width (its first bar to the end of its last).
Rows ComponentRows(Rows const& rows, bool pdf417)
{
    Rows out;
    for (auto const& row : rows) {
        size_t first = 0;
        while (first < row.size() && row[first] == 0) {
            ++first;
        }
        size_t last = row.size();
        while (last > first && row[last - 1] == 0) {
            --last;
        }
        float w[8];
        bool const component = pdf417 ? pdf_test::Runs(row, first, 17, 8, w) && PDFRowReader::IsStartPattern(w)
                                      : pdf_test::Runs(row, first, 10, 6, w) && PDFRowReader::DecodeRowAddress(w) <= 52;
        if (!component || (!out.empty() && last - first != out[0].size())) {
            break;
        }
        out.emplace_back(row.begin() + static_cast<long>(first), row.begin() + static_cast<long>(last));
    }
    return out;
}

TEST_F(PdfCodewordRoad, CompositeComponentsGiveTheirElementStrings)
{
    // CC-A and CC-B are read as MicroPDF417 of the component sizes or the
    // plain ones, CC-C as PDF417; each gives the element string of its data.
    struct Case {
        int symbology;
        int mode;  // 1 CC-A, 2 CC-B, 3 CC-C
        char const* primary;
        char const* data;
        std::string expected;
    };
    Case const cases[] = {
        {BARCODE_GS1_128_CC, 1, "[01]09501101530003", "[10]ABC123", "10ABC123"},
        {BARCODE_GS1_128_CC, 2, "[01]09501101530003", "[10]ABC123[21]XYZ", "10ABC123\x1d" "21XYZ"},
        {BARCODE_GS1_128_CC, 3, "[01]09501101530003", "[99]1234-abcd[21]1234567890", "991234-abcd\x1d" "211234567890"},
        {BARCODE_EANX_CC, 1, "331234567890", "[99]1234-abcd", "991234-abcd"},
        {BARCODE_EANX_CC, 2, "1234567", "[17]010200[10]ABC", "17010200" "10ABC"},
        {BARCODE_UPCA_CC, 1, "01234567890", "[11]990102[21]A1", "11990102" "21A1"},
        {BARCODE_UPCE_CC, 2, "0123456", "[90]ABC123[21]xyz", "90ABC123\x1d" "21xyz"},
        {BARCODE_DBAR_OMN_CC, 1, "0950110153000", "[3103]001234", "3103001234"},
        {BARCODE_DBAR_EXP_CC, 2, "[01]09501101530003[3103]000123", "[21]ABCDEFGHIJKLMNOP", "21ABCDEFGHIJKLMNOP"},
    };
    for (Case const& c : cases) {
        std::string const name = std::string(c.primary) + " " + c.data + " mode " + std::to_string(c.mode);
        auto const encoded = Encode({.symbology = c.symbology, .data = c.data, .option1 = c.mode,
                                     .inputMode = GS1_MODE, .primary = c.primary});
        ASSERT_TRUE(encoded.ok) << name << ": " << encoded.error;
        Rows const rows = ComponentRows(encoded.rows, c.mode == 3);
        ASSERT_FALSE(rows.empty()) << name;
        if (c.mode == 3) {
            Symbol const s = ReadPdf417(rows);
            bool composite = false;
            ASSERT_EQ(decoder.DecodePDF417Codewords(s.codewords.data(), static_cast<unsigned>(s.codewords.size()),
                                                    s.level, nullptr, 0, label, composite),
                      1)
                << name;
            EXPECT_TRUE(composite) << name;
        } else {
            // CC-A has its own sizes; CC-B takes MicroPDF417's.
            Symbol const s = ReadMicro(rows, c.mode == 1);
            ASSERT_EQ(decoder.DecodeMicroPDF417Codewords(s.codewords.data(), s.version, nullptr, 0, label), 1)
                << name;
            EXPECT_TRUE(label.identifier.GetModifierBit(9) || label.identifier.GetModifierBit(10)) << name;
        }
        EXPECT_EQ(Data(label), c.expected) << name;
    }
}

}  // namespace
