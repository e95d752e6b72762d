// Each output and admission setting of UPC/EAN changes the label exactly as
// it should: check and leading digits, UPC-E shown as UPC-A, add-ons required
// or optional, book-number forms and forced add-ons.

#include <string>

#include "decoder/two_dimension_decoder.h"
#include "tests/decoder/linear/upc_ean/upc_ean_perfect_read.h"
#include "tests/decoder/linear/upc_ean/upc_ean_read_fixture.h"

namespace upc_ean_test {
namespace {

using namespace DEC2DIvra;
using Isxn = cfg::configuration::code::ean13::enable_isbn::Enum;
using Issn = cfg::configuration::code::ean13::enable_issn::Enum;
using Ismn = cfg::configuration::code::ean13::enable_ismn::Enum;

struct Label {
    Read read;
    unsigned modifier = 0;
};

class UpcEanOptionsTest : public UpcEanFixture {
protected:
    Label ReadSymbol(int symbology, std::string const& data, int gap = 0)
    {
        support::SymbolInput input = Symbol(symbology, data);
        input.option2 = gap;
        support::Rendering const r = support::render(input, support::RenderOptions{});
        EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
        Label label;
        label.read = ReadRegion(r);
        label.modifier = label.read.ok ? harness.Handle().GetLabel().identifier.GetModifier() : 0u;
        return label;
    }

    static cfg::string_t<39> Text(std::string const& s)
    {
        cfg::string_t<39> t{};
        t.count = static_cast<std::uint32_t>(s.size());
        for (size_t i = 0; i < s.size() && i < 39; ++i) {
            t.data[i] = static_cast<unsigned char>(s[i]);
        }
        return t;
    }
};

constexpr unsigned kAddon2 = WPCDecoder::kAddon2;
constexpr unsigned kAddon5 = WPCDecoder::kAddon5;
constexpr unsigned kCheck = WPCDecoder::kCheckDigit;
constexpr unsigned kLead = WPCDecoder::kLeadingDigitOrIsbn;
constexpr unsigned kE1 = WPCDecoder::kUpcE1OrIssn;

TEST_F(UpcEanOptionsTest, CheckAndLeadingDigits)
{
    Label l = ReadSymbol(BARCODE_EANX, "590123412345");
    EXPECT_EQ(l.read.data, "5901234123457");
    EXPECT_EQ(l.modifier, kCheck);
    Keys().code.ean13.transmit_check_digit.Set(false);
    l = ReadSymbol(BARCODE_EANX, "590123412345");
    EXPECT_EQ(l.read.data, "590123412345");
    EXPECT_EQ(l.modifier, 0u);

    Keys().code.upc_a.transmit_leading_digit.Set(true);
    l = ReadSymbol(BARCODE_UPCA, "03600029145");
    EXPECT_EQ(l.read.data, "0036000291452");
    EXPECT_EQ(l.read.symbology, SYMBOLOGY_UPCA);
    EXPECT_EQ(l.modifier, kCheck | kLead);
    Keys().code.upc_a.transmit_check_digit.Set(false);
    Keys().code.upc_a.transmit_leading_digit.Set(false);
    l = ReadSymbol(BARCODE_UPCA, "03600029145");
    EXPECT_EQ(l.read.data, "03600029145");
    EXPECT_EQ(l.modifier, 0u);

    Keys().code.ean8.transmit_check_digit.Set(false);
    EXPECT_EQ(ReadSymbol(BARCODE_EANX, "9638507").read.data, "9638507");

    l = ReadSymbol(BARCODE_UPCE, "1425261");
    EXPECT_EQ(l.read.data, "14252611");
    EXPECT_EQ(l.modifier, kCheck | kLead | kE1);
    Keys().code.upc_e.transmit_leading_digit.Set(false);
    Keys().code.upc_e.transmit_check_digit.Set(false);
    l = ReadSymbol(BARCODE_UPCE, "1425261");
    EXPECT_EQ(l.read.data, "425261");
    EXPECT_EQ(l.modifier, kE1);
}

TEST_F(UpcEanOptionsTest, UpcEShownAsUpcA)
{
    Keys().code.upc_e.transmit_as_upc_a.Set(true);
    Label l = ReadSymbol(BARCODE_UPCE, "0425261");
    EXPECT_EQ(l.read.data, "042100005264");
    EXPECT_EQ(l.read.symbology, SYMBOLOGY_UPCA);
    EXPECT_EQ(l.modifier, kCheck);
    // The UPC-A keys, not the UPC-E ones, shape the text.
    Keys().code.upc_a.transmit_leading_digit.Set(true);
    Keys().code.upc_a.transmit_check_digit.Set(false);
    l = ReadSymbol(BARCODE_UPCE, "1654329");
    EXPECT_EQ(l.read.data, "016543200009");
    EXPECT_EQ(l.modifier, kLead);
    l = ReadSymbol(BARCODE_UPCE, "0123465+12", 9);
    EXPECT_EQ(l.read.data, "00123460000512");
    EXPECT_EQ(l.modifier, kLead | kAddon2);
}

TEST_F(UpcEanOptionsTest, AddonRequiredOptionalOrIgnored)
{
    auto& read = Keys().read;
    // Optional: both forms read.
    EXPECT_EQ(ReadSymbol(BARCODE_EANX, "590123412345").read.data, "5901234123457");
    Label l = ReadSymbol(BARCODE_EANX, "590123412345+12345");
    EXPECT_EQ(l.read.data, "590123412345712345");
    EXPECT_EQ(l.modifier, kCheck | kAddon5);
    // Required: the plain form is refused.
    read.ean13.Set(false);
    EXPECT_FALSE(ReadSymbol(BARCODE_EANX, "590123412345").read.ok);
    EXPECT_EQ(ReadSymbol(BARCODE_EANX, "590123412345+12").read.data, "590123412345712");
    // Only the 5-digit add-on admitted: a 2-digit one is refused.
    read.ean13_addon2.Set(false);
    EXPECT_FALSE(ReadSymbol(BARCODE_EANX, "590123412345+12").read.ok);
    // Ignored: no add-on key, the add-on is not read.
    read.ean13.Set(true);
    read.ean13_addon5.Set(false);
    l = ReadSymbol(BARCODE_EANX, "590123412345+12345");
    EXPECT_EQ(l.read.data, "5901234123457");
    EXPECT_EQ(l.modifier, kCheck);

    read.upc_e.Set(false);
    EXPECT_FALSE(ReadSymbol(BARCODE_UPCE, "0425261").read.ok);
    EXPECT_EQ(ReadSymbol(BARCODE_UPCE, "0425261+24", 9).read.data, "0425261424");
    EXPECT_TRUE(ReadSymbol(BARCODE_UPCE, "1425261").read.ok);  // UPC-E1 keys stay on
    read.upc_e1.Set(false);
    read.upc_e1_addon2.Set(false);
    read.upc_e1_addon5.Set(false);
    EXPECT_FALSE(ReadSymbol(BARCODE_UPCE, "1425261").read.ok);

    read.ean8.Set(false);
    EXPECT_FALSE(ReadSymbol(BARCODE_EANX, "9638507").read.ok);
    EXPECT_EQ(ReadSymbol(BARCODE_EANX, "9638507+33").read.data, "9638507433");
    read.upc_a.Set(false);
    EXPECT_FALSE(ReadSymbol(BARCODE_UPCA, "03600029145").read.ok);
}

TEST_F(UpcEanOptionsTest, BookSerialAndMusicNumbers)
{
    Keys().code.ean13.enable_isbn.Set(Isxn::ENABLE);
    Label l = ReadSymbol(BARCODE_ISBNX, "097522980X");
    EXPECT_EQ(l.read.data, "097522980X");
    EXPECT_EQ(l.modifier, kCheck | kLead);
    // ENABLE refuses what is no book; a 979 book stays its EAN-13.
    EXPECT_FALSE(ReadSymbol(BARCODE_EANX, "590123412345").read.ok);
    l = ReadSymbol(BARCODE_EANX, "979103230082");
    EXPECT_EQ(l.read.data, "9791032300824");
    EXPECT_EQ(l.modifier, kCheck);
    // With an add-on nothing is converted.
    EXPECT_EQ(ReadSymbol(BARCODE_EANX, "978030640615+90000").read.data, "978030640615790000");

    Keys().code.ean13.enable_isbn.Set(Isxn::IF_POSSIBLE);
    EXPECT_EQ(ReadSymbol(BARCODE_EANX, "590123412345").read.data, "5901234123457");

    Keys().code.ean13.enable_issn.Set(Issn::ENABLE);
    l = ReadSymbol(BARCODE_EANX, "977031784700");
    EXPECT_EQ(l.read.data, "03178471");
    EXPECT_EQ(l.modifier, kCheck | kE1);

    Keys().code.ean13.enable_ismn.Set(Ismn::ENABLE);
    Keys().code.ean13.transmit_check_digit.Set(false);
    l = ReadSymbol(BARCODE_EANX, "979023067118");
    EXPECT_EQ(l.read.data, "M230671187");
    EXPECT_EQ(l.modifier, WPCDecoder::kIsmn);
}

TEST_F(UpcEanOptionsTest, ForcedAddons)
{
    auto& ean13 = Keys().code.ean13;
    ean13.enable_forced_addon2.Set(true);
    Keys().read.ean13_addon2.Set(false);
    Keys().read.ean13_addon5.Set(false);
    EXPECT_FALSE(ReadSymbol(BARCODE_EANX, "977031784700").read.ok);
    EXPECT_EQ(ReadSymbol(BARCODE_EANX, "977031784700+04").read.data, "977031784700104");
    EXPECT_EQ(ReadSymbol(BARCODE_EANX, "590123412345").read.data, "5901234123457");

    Keys().readable_medium.japan_book_code.magazine_code.enable.Set(true);
    EXPECT_FALSE(ReadSymbol(BARCODE_EANX, "491234567890").read.ok);
    EXPECT_FALSE(ReadSymbol(BARCODE_EANX, "491234567890+12").read.ok);
    EXPECT_TRUE(ReadSymbol(BARCODE_EANX, "491234567890+12345").read.ok);

    ean13.forced_addon2_headers.Set(Text("12,59"));
    EXPECT_FALSE(ReadSymbol(BARCODE_EANX, "590123412345").read.ok);
    EXPECT_EQ(ReadSymbol(BARCODE_EANX, "590123412345+12").read.data, "590123412345712");
    EXPECT_FALSE(ReadSymbol(BARCODE_EANX, "590123412345+12345").read.ok);
}

// A forced prefix makes a UPC-A need an add-on, but only the UPC-A add-on
// keys admit one: the EAN-13 rule that a forced prefix admits its add-on does
// not carry over. Start is asked directly, as the multi-line road asks it
// once its add-on blocks are found.
TEST_F(UpcEanOptionsTest, ForcedPrefixAdmitsNoUpcAAddonWhoseKeyIsOff)
{
    // As an EAN-13, UPC-A 036... begins 003.
    Keys().code.ean13.forced_addon2_headers.Set(Text("00"));
    ZintRow const row = EncodeRow(BARCODE_UPCA, "03600029145+07", 9);
    ASSERT_TRUE(row.ok);
    PerfectLine plain = PerfectRead(row, 12, false);
    PerfectLine withAddon = PerfectRead(row, 12, false, 2);
    DecodedLabel& label = harness.Handle().GetLabel();
    EXPECT_FALSE(forward.Start(plain.Stack(), false, label));
    EXPECT_TRUE(forward.Start(withAddon.Stack(), false, label));
    Keys().read.upc_a_addon2.Set(false);
    EXPECT_FALSE(forward.Start(withAddon.Stack(), false, label));
    // The same prefix on an EAN-13 still admits its add-on.
    Keys().read.ean13_addon2.Set(false);
    Keys().code.ean13.forced_addon2_headers.Set(Text("59"));
    ZintRow const ean = EncodeRow(BARCODE_EANX, "590123412345+12");
    ASSERT_TRUE(ean.ok);
    PerfectLine eanAddon = PerfectRead(ean, 12, false, 2);
    EXPECT_TRUE(forward.Start(eanAddon.Stack(), false, label));
}

TEST_F(UpcEanOptionsTest, ForcedAddonStateByPrefix)
{
    auto& ean13 = Keys().code.ean13;
    auto state = [&](char const* prefix) {
        unsigned char const digits[3] = {static_cast<unsigned char>(prefix[0] - '0'),
                                         static_cast<unsigned char>(prefix[1] - '0'),
                                         static_cast<unsigned char>(prefix[2] - '0')};
        return forward.CheckForcedAddon(digits);
    };
    EXPECT_EQ(state("378"), 0u);
    ean13.enable_forced_addon1.Set(true);
    EXPECT_EQ(state("378"), 3u);
    EXPECT_EQ(state("529"), 3u);
    EXPECT_EQ(state("977"), 0u);
    ean13.forced_addon2_headers.Set(Text("4,977,x1,1234,,"));
    ean13.forced_addon5_headers.Set(Text("97"));
    EXPECT_EQ(state("977"), 3u);
    EXPECT_EQ(state("978"), 2u);
    EXPECT_EQ(state("401"), 1u);
    // Malformed entries (a letter, four digits, empty) name nothing.
    EXPECT_EQ(state("123"), 0u);
    EXPECT_EQ(state("512"), 0u);
    EXPECT_TRUE(forward.IsEnableAnyAddon());
}

}  // namespace
}  // namespace upc_ean_test
