// MSI Plessey, UK Plessey, Telepen and Korean postal from rendered zint symbols through the fixed band of the linear frame, their options, checks
// and malformed symbols.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "decoder/linear/bar_symbol_decoder_set.h"
#include "decoder/linear/telepen_korean_postal/korean_postal_decoder.h"
#include "decoder/linear/plessey/msi_plessey_decoder.h"
#include "decoder/linear/telepen_korean_postal/telepen_decoder.h"
#include "decoder/linear/telepen_korean_postal/telepen_partial_scan_data.h"
#include "decoder/linear/plessey/uk_plessey_decoder.h"
#include "tests/decoder/linear/linear_read_fixture.h"

namespace plessey_test {
namespace {

namespace cfg = ivra_configuration;
using DEC2DIvra::MSIPlesseyDecoder;
using frame_test::Read;

class PlesseyTest : public linear_read_test::LinearReadFixture {
protected:
    // Both directions and polarities.
    void ExpectEverywhere(support::SymbolInput const& input, std::string const& expected, tagSymbology symbology)
    {
        for (double const angle : {0.0, 180.0}) {
            for (bool const inverted : {false, true}) {
                Read const read = Band(input, {.moduleSize = 2.0, .angle = angle, .inverted = inverted});
                std::string const where = input.data + " angle " + std::to_string(angle) + (inverted ? " inv" : "");
                EXPECT_EQ(read.data, expected) << where;
                EXPECT_EQ(read.symbology, symbology) << where;
            }
        }
    }

    frame_test::LinearFrameHarness harness;
};

// The check schemes zint draws, each verified by its setting; exactly the
// verified check digits come off the label.
TEST_F(PlesseyTest, MsiCheckSchemes)
{
    Keys().read.msi_plessey.Set(true);
    using Check = cfg::configuration::code::msi_plessey::check_check_digit::Enum;
    using Transmit = cfg::configuration::code::msi_plessey::transmit_check_digit::Enum;
    struct Scheme {
        int zint;
        unsigned setting;
    };
    // zint: 1 mod 10, 2 mod 10 + mod 10, 3 mod 11, 4 mod 11 + mod 10.
    for (Scheme const s : {Scheme{1, 1}, Scheme{2, 2}, Scheme{4, 4}}) {
        Keys().code.msi_plessey.check_check_digit.Set(static_cast<Check>(s.setting));
        Keys().code.msi_plessey.transmit_check_digit.Set(static_cast<Transmit>(0));
        ExpectEverywhere(Input(BARCODE_MSI_PLESSEY, "1234567", s.zint), "1234567", SYMBOLOGY_MSI_PLESSEY);
        Keys().code.msi_plessey.transmit_check_digit.Set(static_cast<Transmit>(2));
        Read const all = Band(Input(BARCODE_MSI_PLESSEY, "1234567", s.zint));
        EXPECT_EQ(all.data.size(), s.setting == 1 ? 8u : 9u) << s.zint;
        Keys().code.msi_plessey.transmit_check_digit.Set(static_cast<Transmit>(1));
        EXPECT_EQ(Band(Input(BARCODE_MSI_PLESSEY, "1234567", s.zint)).data.size(), 8u) << s.zint;
    }
    // Without a check setting nothing comes off, whatever the transmission.
    Keys().code.msi_plessey.check_check_digit.Set(static_cast<Check>(0));
    Keys().code.msi_plessey.transmit_check_digit.Set(static_cast<Transmit>(0));
    EXPECT_EQ(Band(Input(BARCODE_MSI_PLESSEY, "1234567")).data, "1234567");
    EXPECT_EQ(Band(Input(BARCODE_MSI_PLESSEY, "7")).data, "7");
    // A wrong check digit, and a one-digit symbol under a check setting.
    Keys().code.msi_plessey.check_check_digit.Set(static_cast<Check>(1));
    EXPECT_FALSE(Band(Input(BARCODE_MSI_PLESSEY, "12345670")).ok);
    EXPECT_TRUE(Band(Input(BARCODE_MSI_PLESSEY, "12345674")).ok);
    EXPECT_FALSE(Band(Input(BARCODE_MSI_PLESSEY, "0")).ok);
}

TEST_F(PlesseyTest, NoQuietZoneOrTruncatedGivesNoLabel)
{
    Keys().read.msi_plessey.Set(true);
    ExpectNoQuietZoneAndTruncatedRefused(Input(BARCODE_MSI_PLESSEY, "1234567", 1), 20);
    Keys().read.telepen.Set(true);
    ExpectNoQuietZoneAndTruncatedRefused(Input(BARCODE_TELEPEN, "Telepen"), 40);
}


TEST(MsiCheckTest, CountsAndModuli)
{
    // Seven data digits and a mod 10 check: NOT_TRANSMIT_CD with setting 1
    // takes one digit off, not two.
    EXPECT_EQ(MSIPlesseyDecoder::CountRemoved(0, MSIPlesseyDecoder::CountCheckDigits(1)), 1);
    EXPECT_EQ(MSIPlesseyDecoder::CountRemoved(1, MSIPlesseyDecoder::CountCheckDigits(1)), 0);
    EXPECT_EQ(MSIPlesseyDecoder::CountRemoved(1, MSIPlesseyDecoder::CountCheckDigits(3)), 1);
    EXPECT_EQ(MSIPlesseyDecoder::CountRemoved(0, MSIPlesseyDecoder::CountCheckDigits(0)), 0);
    EXPECT_EQ(MSIPlesseyDecoder::CountCheckDigits(6), -1);
    unsigned char const mod10[] = {1, 2, 3, 4, 5, 6, 7, 4};
    EXPECT_TRUE(MSIPlesseyDecoder::CheckMod10(mod10, 8, 0));
    EXPECT_FALSE(MSIPlesseyDecoder::CheckMod10(mod10, 7, 0));
    // Mod 11 over 1 2 3 4 5 6 7 with weights 2..7, 2 from the right:
    // 7*2 + 6*3 + 5*4 + 4*5 + 3*6 + 2*7 + 1*2 = 106; 106 + c = 0 mod 11: c = 4.
    unsigned char const mod11[] = {1, 2, 3, 4, 5, 6, 7, 4};
    EXPECT_TRUE(MSIPlesseyDecoder::CheckMod11(mod11, 8, 0));
}

TEST_F(PlesseyTest, TelepenAsciiAndNumeric)
{
    Keys().read.telepen.Set(true);
    ExpectEverywhere(Input(BARCODE_TELEPEN, "Telepen"), "Telepen", SYMBOLOGY_TELEPEN);
    ExpectEverywhere(Input(BARCODE_TELEPEN, "a\x01~ Z"), "a\x01~ Z", SYMBOLOGY_TELEPEN);
    Keys().code.telepen.enable_ascii_output_mode.Set(false);
    ExpectEverywhere(Input(BARCODE_TELEPEN_NUM, "1234567890"), "1234567890", SYMBOLOGY_TELEPEN);
    EXPECT_EQ(Band(Input(BARCODE_TELEPEN_NUM, "12345X")).data, "12345X");
}

// Data and check codes summing to 254 pass, 255 fail; numeric mode expands
// the codes before a DLE and copies the rest.
TEST_F(PlesseyTest, TelepenCheckAndNumericConversion)
{
    using DEC2DIvra::TelepenDecoder;
    auto const* telepen = harness.Frame().GetBarSymbolDecoderSet().GetTrialDecoder(
        DEC2DIvra::BarSymbolDecoderSet::kTelepen);
    ASSERT_NE(telepen, nullptr);
    DEC2DIvra::BarSymbol symbols[4];
    int const values[4] = {'_', 127, 127, 'z'};
    for (unsigned i = 0; i < 4; ++i) {
        symbols[i].value = values[i];
    }
    DEC2DIvra::StackInterface<DEC2DIvra::BarSymbol> stack(symbols, 4);
    stack.SetCount(4);
    EXPECT_TRUE(telepen->CheckCheckDigit(stack, false));
    symbols[2].value = 1;  // 128: no multiple of 127
    EXPECT_FALSE(telepen->CheckCheckDigit(stack, false));
    // Start and stop alone: no check character to take off, no label.
    symbols[1].value = 'z';
    stack.SetCount(2);
    DEC2DIvra::DecodedLabel label;
    EXPECT_FALSE(telepen->Start(stack, false, label));
    EXPECT_EQ(label.data.GetCount(), 0u);

    char buffer[32];
    DEC2DIvra::StackInterface<char> data(buffer, sizeof(buffer));
    for (char c : std::string{static_cast<char>(27 + 12), static_cast<char>(20), static_cast<char>(16), 'A',
                              static_cast<char>(40)}) {
        data.Push(c);
    }
    EXPECT_EQ(TelepenDecoder::NumericConversion(data), 2u);
    EXPECT_EQ(std::string(data.GetFirst(), data.GetCount()), std::string("123XA") + static_cast<char>(40));
    using DEC2DIvra::TelepenPartialScanData;
    unsigned code = 0;
    // Eight narrow pairs: eight 1 bits, even parity: code 127.
    EXPECT_TRUE(TelepenPartialScanData::PatternToTelepen(16, 0, code));
    EXPECT_EQ(code, 127u);
    EXPECT_FALSE(TelepenPartialScanData::PatternToTelepen(14, 0, code)) << "seven bits";
    // The start: five narrow pairs and a wide one; a lone wide space opens a
    // pair it must close.
    EXPECT_TRUE(TelepenPartialScanData::PatternToTelepen(12, 0xC00, code));
    EXPECT_EQ(code, static_cast<unsigned>('_'));
    EXPECT_FALSE(TelepenPartialScanData::PatternToTelepen(14, 0x002, code)) << "unclosed pair";
}

// UK Plessey: hex characters, the check characters kept off by default, A as
// X and the spaced groups on request; a damaged check refuses the symbol.
TEST_F(PlesseyTest, UkPlesseyOptionsAndCheck)
{
    Keys().read.uk_plessey.Set(true);
    ExpectEverywhere(Input(BARCODE_PLESSEY, "12345"), "12345", SYMBOLOGY_UK_PLESSEY);
    ExpectEverywhere(Input(BARCODE_PLESSEY, "0A1B2C3D4E5F"), "0A1B2C3D4E5F", SYMBOLOGY_UK_PLESSEY);
    Keys().code.uk_plessey.convert_a_to_x.Set(true);
    Keys().code.uk_plessey.enable_insert_space.Set(true);
    EXPECT_EQ(Band(Input(BARCODE_PLESSEY, "0A1B2C3D4E5F")).data, "0 X1 B2C3D 4E 5F");
    EXPECT_EQ(Band(Input(BARCODE_PLESSEY, "12")).data, "1 2");
    Keys().code.uk_plessey.enable_insert_space.Set(false);
    Keys().code.uk_plessey.transmit_check_digit.Set(true);
    EXPECT_EQ(Band(Input(BARCODE_PLESSEY, "12345")).data.size(), 7u);
    // One data character and its check: three characters, too few to check.
    EXPECT_FALSE(Band(Input(BARCODE_PLESSEY, "1")).ok);
    ExpectNoQuietZoneAndTruncatedRefused(Input(BARCODE_PLESSEY, "12345"), 20);

    // The check characters of "1" are 1110 1100 as printed: remainder 0; one
    // bit changed anywhere leaves a remainder.
    unsigned char characters[] = {0x8, 0xE, 0xC};
    EXPECT_EQ(DEC2DIvra::UKPlesseyDecoder::CalcCheckRemainder(characters, 3), 0u);
    for (unsigned i = 0; i < 3; ++i) {
        for (unsigned bit = 1; bit < 16; bit <<= 1) {
            characters[i] ^= bit;
            EXPECT_NE(DEC2DIvra::UKPlesseyDecoder::CalcCheckRemainder(characters, 3), 0u) << i << " " << bit;
            characters[i] ^= bit;
        }
    }
}

// Korean postal: six digits and a check digit, the first digit's first space
// in the quiet zone; the check digit and the dash as set.
TEST_F(PlesseyTest, KoreanPostalForms)
{
    Keys().read.korean_postal_authority.Set(true);
    for (char const* digits : {"123456", "000000", "987654", "470129"}) {
        ExpectEverywhere(Input(BARCODE_KOREAPOST, digits), digits, SYMBOLOGY_KOREAN_POSTAL);
    }
    Keys().code.korean_postal_authority.transmit_check_digit.Set(true);
    Keys().code.korean_postal_authority.transmit_dash.Set(true);
    EXPECT_EQ(Band(Input(BARCODE_KOREAPOST, "123456")).data, "9123-456");
    // Read only one way: upside down it gives nothing.
    Keys().code.korean_postal_authority.enable_upside_down_reading.Set(false);
    EXPECT_TRUE(Band(Input(BARCODE_KOREAPOST, "123456"), {.moduleSize = 2.0}).ok);
    EXPECT_FALSE(Band(Input(BARCODE_KOREAPOST, "123456"), {.moduleSize = 2.0, .angle = 180}).ok);
    Keys().code.korean_postal_authority.enable_backward_scanning.Set(true);
    EXPECT_TRUE(Band(Input(BARCODE_KOREAPOST, "123456"), {.moduleSize = 2.0, .angle = 180}).ok);
}

// Korean Postal digits through the reader, upright and upside down, at 2 and
// 3 px a module and in both polarities. Values whose print read the other way
// also makes valid digits (858866 once read "688985") are refused either way;
// the others read as printed both ways.
TEST_F(PlesseyTest, KoreanPostalDigitsReadAsPrinted)
{
    Keys().read.korean_postal_authority.Set(true);
    Keys().readable_medium.positive_and_negative_codes.all_1d_and_composite_codes.Set(
        ivra_configuration::configuration::readable_medium::positive_and_negative_codes::all_1d_and_composite_codes::
            Enum::POSITIVE_AND_NEGATIVE);
    std::vector<std::string> const both = {"858866", "000009", "000090", "000356", "000566"};
    for (char const* value : {"123456", "470129", "858866", "000009", "000090", "000356", "000566", "999999"}) {
        bool const ambiguous = std::find(both.begin(), both.end(), value) != both.end();
        for (double const module : {2.0, 3.0}) {
            for (bool const inverted : {false, true}) {
                for (double const angle : {0.0, 180.0}) {
                    std::string const where = std::string(value) + " module " + std::to_string(module) + " angle " +
                                              std::to_string(angle) + (inverted ? " inverted" : "");
                    frame_test::Read const read = Band(Input(BARCODE_KOREAPOST, value),
                                                       {.moduleSize = module, .angle = angle, .inverted = inverted});
                    EXPECT_EQ(read.data, ambiguous ? "" : value) << where;
                }
            }
        }
    }
}

}  // namespace
}  // namespace plessey_test
