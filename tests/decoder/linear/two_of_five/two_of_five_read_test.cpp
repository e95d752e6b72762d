// The 2 of 5 family from rendered zint symbols through the fixed band of the
// linear frame, with the options each type applies and malformed symbols.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/linear/two_of_five/two_of_five_decoder.h"
#include "tests/decoder/linear/linear_read_fixture.h"
#include "tests/support/s_code_bars.h"

namespace two_of_five_test {
namespace {

using frame_test::Read;

class TwoOfFiveReadTest : public linear_read_test::LinearReadFixture {
protected:
    void EnableAll2of5()
    {
        auto& read = Keys().read;
        for (auto* key : {&read.industrial2of5, &read.interleaved2of5, &read.matrix2of5, &read.iata,
                          &read.chinese_post_matrix2of5, &read.scode}) {
            key->Set(true);
        }
    }

    Read Band(int symbology, std::string const& data, support::RenderOptions options = {.moduleSize = 2.0},
              int option2 = 0)
    {
        return LinearReadFixture::Band(Input(symbology, data, option2), options);
    }

    static support::SymbolInput SCode(std::string const& digits, double wide = 3.0)
    {
        support::SymbolInput input;
        input.bars = support::sCodeBars(digits, wide);
        input.height = 20.0f;
        return input;
    }
};

struct Case {
    char const* name;
    int symbology;
    std::string data;
    std::string expected;
    tagSymbology type;
    char const* aim;
};

// Every type, met from its start and (turned) from its stop, dark on light
// and light on dark, each with every type on.
TEST_F(TwoOfFiveReadTest, EveryTypeBothDirections)
{
    EnableAll2of5();
    std::vector<Case> const cases = {
        {"industrial", BARCODE_C25IND, "394372", "394372", SYMBOLOGY_INDUSTRIAL2OF5, "]S0"},
        {"interleaved", BARCODE_C25INTER, "12345678", "12345678", SYMBOLOGY_INTERLEAVED2OF5, "]I0"},
        {"interleaved odd", BARCODE_C25INTER, "1234567", "01234567", SYMBOLOGY_INTERLEAVED2OF5, "]I0"},
        {"matrix", BARCODE_C25STANDARD, "394292", "394292", SYMBOLOGY_MATRIX2OF5, "]X0"},
        {"iata", BARCODE_C25IATA, "693517", "693517", SYMBOLOGY_IATA, "]R0"},
        {"chinese post", BARCODE_C25LOGIC, "919657", "919657", SYMBOLOGY_CHINESE_POST, "]X0"},
        {"itf-14", BARCODE_ITF14, "1234567890123", "12345678901231", SYMBOLOGY_INTERLEAVED2OF5, "]I0"},
    };
    for (Case const& c : cases) {
        for (double const angle : {0.0, 180.0}) {
            for (bool const inverted : {false, true}) {
                Read const read = Band(c.symbology, c.data, {.moduleSize = 2.0, .angle = angle, .inverted = inverted});
                std::string const where = std::string(c.name) + " angle " + std::to_string(angle) +
                                          (inverted ? " inverted" : "");
                EXPECT_TRUE(read.ok) << where;
                EXPECT_EQ(read.data, c.expected) << where;
                EXPECT_EQ(read.symbology, c.type) << where;
                EXPECT_EQ(read.aim, c.aim) << where;
            }
        }
    }
}

// S-code: pairs closed by a single character, from its start and its stop,
// at 2:1, 2.5:1 and 3:1; an Interleaved 2 of 5 read never takes a single
// character, and S-code needs its own key.
TEST_F(TwoOfFiveReadTest, SCodeClosesItsPairsWithASingleCharacter)
{
    EnableAll2of5();
    std::string const digits = std::string("394712") + support::sCodeCheck("394712");
    ASSERT_EQ(digits, "3947128");
    for (double const wide : {2.0, 2.5, 3.0}) {
        for (double const angle : {0.0, 180.0}) {
            for (bool const inverted : {false, true}) {
                std::string const where = "wide " + std::to_string(wide) + " angle " + std::to_string(angle) +
                                          (inverted ? " inverted" : "");
                Read const read =
                    LinearReadFixture::Band(SCode(digits, wide), {.moduleSize = 2.0, .angle = angle, .inverted = inverted});
                EXPECT_EQ(read.data, digits) << where;
                EXPECT_EQ(read.symbology, SYMBOLOGY_SCODE) << where;
                EXPECT_EQ(read.aim, "]X0") << where;
            }
        }
    }
    // Under perspective the single character and the pair beside it differ
    // in span by more than pairs do.
    for (double const angle : {0.0, 180.0}) {
        Read const read = LinearReadFixture::Band(
            SCode(digits), {.moduleSize = 2.0, .angle = angle, .perspectiveX = angle == 0.0 ? 0.25 : -0.25});
        EXPECT_EQ(read.data, digits) << "perspective, angle " << angle;
    }
    // Interleaved 2 of 5 reads on without S-code's key, and reads no S-code.
    Keys().read.scode.Set(false);
    EXPECT_FALSE(LinearReadFixture::Band(SCode(digits)).ok);
    EXPECT_EQ(Band(BARCODE_C25INTER, "12345678").data, "12345678");
    // S-code alone reads no Interleaved 2 of 5.
    Keys().read.scode.Set(true);
    Keys().read.interleaved2of5.Set(false);
    EXPECT_EQ(LinearReadFixture::Band(SCode(digits)).data, digits);
    EXPECT_FALSE(Band(BARCODE_C25INTER, "12345678").ok);
}

TEST_F(TwoOfFiveReadTest, SCodeOptionsLengthAndMalformedSymbols)
{
    Keys().read.scode.Set(true);
    auto& code = Keys().code.scode;
    code.check_check_digit.Set(true);
    EXPECT_EQ(LinearReadFixture::Band(SCode("3947128")).data, "3947128");
    EXPECT_FALSE(LinearReadFixture::Band(SCode("3947125")).ok) << "wrong check character";
    code.transmit_check_digit.Set(false);
    Read read = LinearReadFixture::Band(SCode("3947128"));
    EXPECT_EQ(read.data, "394712");
    code.transmit_as_interleaved2of5.Set(true);
    read = LinearReadFixture::Band(SCode("3947128"));
    EXPECT_EQ(read.data, "0394712");
    EXPECT_EQ(read.symbology, SYMBOLOGY_SCODE);

    // The one-character form reads only where the length record admits it.
    code.check_check_digit.Set(false);
    code.transmit_check_digit.Set(true);
    code.transmit_as_interleaved2of5.Set(false);
    EXPECT_FALSE(LinearReadFixture::Band(SCode("7")).ok);
    auto length = Keys().fixed_length.scode.Value();
    length.minimum = 1;
    Keys().fixed_length.scode.Set(length);
    EXPECT_EQ(LinearReadFixture::Band(SCode("7")).data, "7");

    ExpectNoQuietZoneAndTruncatedRefused(SCode("3947128"), 12);
}

// Verified check digits: taken off only when verified and not transmitted;
// a wrong check digit gives no label.
TEST_F(TwoOfFiveReadTest, CheckDigits)
{
    auto& read = Keys().read;
    auto& code = Keys().code;
    read.interleaved2of5.Set(true);
    // zint's modulus 10 check (option 2 = 1): 1234567 gets 0.
    Read r = Band(BARCODE_C25INTER, "1234567", {.moduleSize = 2.0}, 1);
    EXPECT_EQ(r.data, "12345670");
    EXPECT_EQ(r.aim, "]I0");
    code.interleaved2of5.check_check_digit.Set(true);
    r = Band(BARCODE_C25INTER, "1234567", {.moduleSize = 2.0}, 1);
    EXPECT_EQ(r.data, "12345670");
    EXPECT_EQ(r.aim, "]I1");
    code.interleaved2of5.transmit_check_digit.Set(false);
    r = Band(BARCODE_C25INTER, "1234567", {.moduleSize = 2.0}, 1);
    EXPECT_EQ(r.data, "1234567");
    EXPECT_EQ(r.aim, "]I3");
    EXPECT_FALSE(Band(BARCODE_C25INTER, "12345671").ok) << "wrong check digit";
    // Unverified, the last digit is data whatever the transmission setting.
    code.interleaved2of5.check_check_digit.Set(false);
    r = Band(BARCODE_C25INTER, "12345671");
    EXPECT_EQ(r.data, "12345671");
    EXPECT_EQ(r.aim, "]I0");

    read.industrial2of5.Set(true);
    code.industrial2of5.check_check_digit.Set(true);
    code.industrial2of5.transmit_check_digit.Set(false);
    r = Band(BARCODE_C25IND, "39437", {.moduleSize = 2.0}, 1);
    EXPECT_EQ(r.data, "39437");
    EXPECT_FALSE(Band(BARCODE_C25IND, "394370").ok) << "wrong check digit";
}

// An ITF shorter than its length record, a symbol without quiet zone and a
// truncated symbol give no label.
TEST_F(TwoOfFiveReadTest, MalformedSymbolsGiveNoLabel)
{
    EnableAll2of5();
    // Without a length record a two-digit ITF (what a partial scan fakes
    // most easily) is refused; a record admitting it lets it through.
    EXPECT_FALSE(Band(BARCODE_C25INTER, "12").ok);
    auto length = Keys().fixed_length.interleaved2of5.Value();
    length.minimum = 2;
    Keys().fixed_length.interleaved2of5.Set(length);
    EXPECT_EQ(Band(BARCODE_C25INTER, "12").data, "12");
    length.minimum = 8;
    Keys().fixed_length.interleaved2of5.Set(length);
    EXPECT_FALSE(Band(BARCODE_C25INTER, "123456").ok) << "shorter than the length record";
    EXPECT_TRUE(Band(BARCODE_C25INTER, "12345678").ok);

    for (int const symbology : {BARCODE_C25INTER, BARCODE_C25IND, BARCODE_C25STANDARD, BARCODE_C25IATA,
                                BARCODE_C25LOGIC}) {
        ExpectNoQuietZoneAndTruncatedRefused(Input(symbology, "12345678"), 12);
    }
}

// Faint thin specks in the quiet zone before a symbol (print noise) leave it
// a quiet zone, as they do after it; a bar there does not.
TEST_F(TwoOfFiveReadTest, FaintSpecksBeforeTheSymbolLeaveItsQuietZone)
{
    EnableAll2of5();
    double const module = 3.0;
    support::RenderOptions const options{.moduleSize = module};
    support::Rendering r = support::render(Input(BARCODE_C25IND, "394372"), options);
    ASSERT_TRUE(r.symbol.ok);
    int const start = static_cast<int>(r.symbol.corners[0].x);
    auto speck = [&](double modulesBefore, int grey) {
        int const x = start - static_cast<int>(modulesBefore * module);
        linear_read_test::PaintColumns(r.frame, x, x + 1, grey);
    };
    // A tenth of the contrast, one pixel wide: the zone splits into runs
    // shorter than half of it.
    int const faint = options.light - (options.light - options.dark) / 10;
    for (double at : {3.0, 6.0, 8.5}) {
        speck(at, faint);
    }
    std::vector<Read> const reads = harness.ReadFixedBand(r.frame);
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(reads.front().data, "394372");
    // A dark bar there is print, not noise.
    linear_read_test::PaintColumns(r.frame, start - static_cast<int>(4 * module),
                                   start - static_cast<int>(3 * module), options.dark);
    std::vector<Read> const barred = harness.ReadFixedBand(r.frame);
    EXPECT_TRUE(barred.empty() || !barred.front().ok);
}

// Other symbologies' frames give no 2 of 5 label with every type on: a
// partial scan of their patterns fakes no short symbol.
TEST_F(TwoOfFiveReadTest, OtherSymbologiesGiveNo2of5Label)
{
    EnableAll2of5();
    struct Other {
        int symbology;
        char const* data;
    };
    for (Other const& o : std::vector<Other>{{BARCODE_CODE128, "Scan-0042"},
                                             {BARCODE_CODE128, "0123456789"},
                                             {BARCODE_EANX, "400638133393"},
                                             {BARCODE_UPCA, "01234567890"},
                                             {BARCODE_EANX, "1234567"},
                                             {BARCODE_CODE39, "ABC-123"},
                                             {BARCODE_CODABAR, "A123456B"}}) {
        for (double const angle : {0.0, 20.0, 180.0}) {
            for (double const module : {1.5, 2.0, 3.0}) {
                support::Rendering const r =
                    support::render(Input(o.symbology, o.data), {.moduleSize = module, .angle = angle});
                for (Read const& read : harness.ReadFixedBand(r.frame)) {
                    ADD_FAILURE() << o.data << " angle " << angle << " read as " << read.symbology << " "
                                  << read.data;
                }
            }
        }
    }
}

// IATA check methods on symbols whose check digits were worked by hand. Data
// 12345678901234, weights from the right 1, 3, 2, 6, 4, 5, 1, 3, 2, 6, 4, 5,
// 1, 3: the ten digits next to the check digit sum 4 + 9 + 4 + 6 + 0 + 45 +
// 8 + 21 + 12 + 30 = 139 (method 2: 139 mod 7 = 6); method 1 adds 4 x the
// first digit (143 mod 7 = 3); all fourteen sum 175 (method 3: 0).
TEST_F(TwoOfFiveReadTest, IataCheckMethods)
{
    using Method = ivra_configuration::configuration::code::iata::check_check_digit::Enum;
    Keys().read.iata.Set(true);
    Keys().code.iata.transmit_check_digit.Set(false);
    struct Symbol {
        char const* digits;
        Method method;
    };
    Symbol const symbols[] = {{"123456789012343", Method::CHECK_METHOD1},
                              {"123456789012346", Method::CHECK_METHOD2},
                              {"123456789012340", Method::CHECK_METHOD3}};
    for (Symbol const& symbol : symbols) {
        for (Method const method : {Method::CHECK_METHOD1, Method::CHECK_METHOD2, Method::CHECK_METHOD3}) {
            Keys().code.iata.check_check_digit.Set(method);
            Read const read = Band(BARCODE_C25IATA, symbol.digits);
            std::string const where = std::string(symbol.digits) + " method " +
                                      std::to_string(static_cast<unsigned>(method));
            if (method == symbol.method) {
                EXPECT_EQ(read.data, std::string(symbol.digits, 14)) << where;
                EXPECT_EQ(read.aim, "]R3") << where;
            } else {
                EXPECT_FALSE(read.ok) << where;
            }
        }
    }
    // Fourteen digits and a check digit are what every method needs.
    Keys().code.iata.check_check_digit.Set(Method::CHECK_METHOD3);
    EXPECT_FALSE(Band(BARCODE_C25IATA, "12345678901230").ok);
}

TEST(TwoOfFiveCheckTest, Methods)
{
    using DEC2DIvra::TwoOfFiveDecoder;
    unsigned char const weight3[] = {1, 2, 3, 4, 5, 6, 7, 0};
    EXPECT_TRUE(TwoOfFiveDecoder::CheckModulus10Weight3(weight3, 8));
    EXPECT_FALSE(TwoOfFiveDecoder::CheckModulus10Weight3(weight3, 7));
    unsigned char const zero[] = {0};
    EXPECT_TRUE(TwoOfFiveDecoder::CheckModulus10Weight3(zero, 1));
    // Doubling: first digits of each pair doubled (digit sum): 1->2, 3->6,
    // 5->1, 7->5; seconds 2, 4, 6: sum 26, check 4.
    unsigned char const doubling[] = {1, 2, 3, 4, 5, 6, 7, 4};
    EXPECT_TRUE(TwoOfFiveDecoder::CheckModulus10Doubling(doubling, 8));
}

}  // namespace
}  // namespace two_of_five_test
