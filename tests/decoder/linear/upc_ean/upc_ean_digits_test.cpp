// The digit tables, parity patterns, check digits, UPC-E expansion and add-on
// parities against the symbols libzint encodes, read from either end.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/linear/upc_ean/upc_ean_digits.h"
#include "decoder/linear/upc_ean/upc_ean_tables.h"
#include "tests/decoder/linear/upc_ean/upc_ean_perfect_read.h"

namespace upc_ean_test {
namespace {

using namespace DEC2DIvra;

std::string Digits(UpcEanDigits const& d)
{
    std::string s;
    for (unsigned i = 0; i < d.GetMainCount(); ++i) {
        s.push_back(static_cast<char>('0' + d.GetMain(i)));
    }
    for (unsigned i = 0; i < d.GetAddonCount(); ++i) {
        s.push_back(static_cast<char>('0' + d.GetAddon(i)));
    }
    return s;
}

TEST(UpcEanDigitsTest, Ean13AndUpcAFromZintReadFromEitherEnd)
{
    // Every leading digit (0 is UPC-A) and every digit in both halves.
    for (int lead = 0; lead <= 9; ++lead) {
        for (int shift = 0; shift < 10; ++shift) {
            std::string data(1, static_cast<char>('0' + lead));
            for (int i = 0; i < 11; ++i) {
                data.push_back(static_cast<char>('0' + (shift + 3 * i) % 10));
            }
            ZintRow const row = EncodeRow(BARCODE_EANX, data);
            ASSERT_TRUE(row.ok) << data;
            for (bool reverced : {false, true}) {
                PerfectLine read = PerfectRead(row, 12, reverced);
                UpcEanDigits digits;
                ASSERT_TRUE(digits.Set(read.Stack(), reverced)) << data;
                EXPECT_EQ(std::to_string(digits.CalcLeadingDigit()) + Digits(digits), row.text) << reverced;
                EXPECT_TRUE(digits.Check()) << row.text << reverced;
            }
        }
    }
}

TEST(UpcEanDigitsTest, Ean8FromZintReadFromEitherEnd)
{
    for (char const* data : {"9638507", "0123456", "7890123", "5555555", "3141592"}) {
        ZintRow const row = EncodeRow(BARCODE_EANX, data);
        ASSERT_TRUE(row.ok);
        for (bool reverced : {false, true}) {
            PerfectLine read = PerfectRead(row, 8, reverced);
            UpcEanDigits digits;
            ASSERT_TRUE(digits.Set(read.Stack(), reverced));
            EXPECT_EQ(Digits(digits), row.text);
            EXPECT_TRUE(digits.Check());
        }
    }
}

TEST(UpcEanDigitsTest, UpcEParityNamesZintsCheckDigitAndNumberSystem)
{
    // Every last-digit rule of the expansion, in both number systems.
    for (char system : {'0', '1'}) {
        for (char const* body : {"425261", "123450", "123451", "123452", "123453", "123434", "123465", "654329",
                                 "000017", "999998"}) {
            std::string const data = std::string(1, system) + body;
            ZintRow const row = EncodeRow(BARCODE_UPCE, data);
            ASSERT_TRUE(row.ok) << data;
            for (bool reverced : {false, true}) {
                PerfectLine read = PerfectRead(row, 6, reverced);
                UpcEanDigits digits;
                ASSERT_TRUE(digits.Set(read.Stack(), reverced)) << data;
                EXPECT_EQ(Digits(digits), row.text.substr(1, 6));
                EXPECT_EQ(digits.IsUpcE1(), system == '1') << data;
                EXPECT_EQ(static_cast<char>('0' + digits.CalcUpcECheckDigit()), row.text[7]) << data;
                EXPECT_TRUE(digits.Check()) << data;
            }
        }
    }
}

TEST(UpcEanDigitsTest, UpcEExpansionFollowsTheLastDigitRule)
{
    struct Case {
        char const* upce;   // number system and six digits
        char const* upca;   // the UPC-A form without its check digit
    } const cases[] = {
        {"0425261", "04210000526"},  // last digit 0-2: manufacturer's first three digits end in it
        {"0123453", "01230000045"},  // 3
        {"0123434", "01234000003"},  // 4
        {"0123465", "01234600005"},  // 5-9: product code ends in it
        {"1654329", "16543200009"},
    };
    for (Case const& c : cases) {
        unsigned char upce[6];
        for (int i = 0; i < 6; ++i) {
            upce[i] = static_cast<unsigned char>(c.upce[i + 1] - '0');
        }
        unsigned char full[11];
        full[0] = static_cast<unsigned char>(c.upce[0] - '0');
        ASSERT_TRUE(UpcEanTables::ExpandUpcE(upce, full + 1));
        std::string text;
        for (unsigned char d : full) {
            text.push_back(static_cast<char>('0' + d));
        }
        EXPECT_EQ(text, c.upca) << c.upce;
        // zint's UPC-E check digit is the UPC-A check digit of the expansion.
        ZintRow const row = EncodeRow(BARCODE_UPCE, c.upce);
        ASSERT_TRUE(row.ok) << c.upce;
        EXPECT_EQ(row.text.back(), static_cast<char>('0' + UpcEanTables::CalcUpcACheckDigit(full))) << c.upce;
    }
    unsigned char const bad[6] = {1, 2, 3, 4, 5, 10};
    unsigned char out[10];
    EXPECT_FALSE(UpcEanTables::ExpandUpcE(bad, out));
}

TEST(UpcEanDigitsTest, AddonParitiesOfEveryTwoDigitValueAndFiveDigitSamples)
{
    std::vector<std::string> addons;
    for (int v = 0; v < 100; ++v) {
        addons.push_back(std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10));
    }
    for (int v = 0; v < 100000; v += 997) {
        std::string s = std::to_string(100000 + v).substr(1);
        addons.push_back(s);
    }
    for (std::string const& addon : addons) {
        ZintRow const row = EncodeRow(BARCODE_EANX, "590123412345+" + addon);
        ASSERT_TRUE(row.ok) << addon;
        unsigned const n = static_cast<unsigned>(addon.size());
        for (bool reverced : {false, true}) {
            PerfectLine read = PerfectRead(row, 12, reverced, n);
            UpcEanDigits digits;
            ASSERT_TRUE(digits.Set(read.Stack(), reverced));
            EXPECT_EQ(Digits(digits), row.text.substr(1, 12) + addon);
            EXPECT_TRUE(digits.Check()) << addon;
            // The same digit in the other parity set breaks the add-on check.
            BarSymbol& first = read.symbols[12];
            int const pattern = first.value & 0x7F;
            first.value = static_cast<int>(UpcEanTables::Mirror7(~static_cast<unsigned>(pattern) & 0x7Fu)) | 256;
            ASSERT_TRUE(digits.Set(read.Stack(), reverced));
            EXPECT_EQ(digits.GetAddon(0), addon[0] - '0');
            EXPECT_FALSE(digits.Check()) << addon;
        }
    }
}

TEST(UpcEanDigitsTest, WrongCheckDigitOrParityIsRefused)
{
    ZintRow const row = EncodeRow(BARCODE_EANX, "590123412345");
    ASSERT_TRUE(row.ok);
    PerfectLine read = PerfectRead(row, 12, false);
    // Another right-half digit in the check position.
    int const check = read.symbols[11].value;
    read.symbols[11].value = Code(EncodeRow(BARCODE_EANX, "590123412346").modules, 3 + 42 + 5 + 35);
    ASSERT_NE(read.symbols[11].value, check);
    UpcEanDigits digits;
    ASSERT_TRUE(digits.Set(read.Stack(), false));
    EXPECT_FALSE(digits.Check());
    // A left-half character read as set B where the leading digit needs A.
    read.symbols[11].value = check;
    read.symbols[0].value = static_cast<int>(UpcEanTables::Mirror7(~static_cast<unsigned>(read.symbols[0].value) & 0x7Fu));
    ASSERT_TRUE(digits.Set(read.Stack(), false));
    EXPECT_FALSE(digits.Check());
}

TEST(UpcEanDigitsTest, LengthsAndCodesNoSymbolHasAreRefused)
{
    ZintRow const row = EncodeRow(BARCODE_EANX, "590123412345+12345");
    PerfectLine full = PerfectRead(row, 12, false, 5);
    for (unsigned n = 0; n <= 17; ++n) {
        PerfectLine read;
        read.symbols.assign(full.symbols.begin(), full.symbols.begin() + n);
        UpcEanDigits digits;
        bool const layout = n == 6 || n == 8 || n == 10 || n == 11 || n == 12 || n == 13 || n == 14 || n == 17;
        if (!layout) {
            EXPECT_FALSE(digits.Set(read.Stack(), false)) << n;
        }
    }
    // A main-symbol code where an add-on digit belongs, and a code no
    // character has.
    PerfectLine read = full;
    read.symbols[13].value &= 0x7F;
    UpcEanDigits digits;
    EXPECT_FALSE(digits.Set(read.Stack(), false));
    read = full;
    read.symbols[3].value = 0;
    EXPECT_FALSE(digits.Set(read.Stack(), false));
}

}  // namespace
}  // namespace upc_ean_test
