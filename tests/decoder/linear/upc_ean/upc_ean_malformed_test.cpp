// Damaged or false UPC/EAN symbols give no label: a wrong check digit, a
// truncated symbol, a missing quiet zone, a partly covered symbol, stripes
// that are no symbol at all.

#include <random>
#include <string>

#include "tests/decoder/linear/frame_stripe_code.h"
#include "tests/decoder/linear/upc_ean/upc_ean_read_fixture.h"
#include "tests/decoder/linear/upc_ean/upc_ean_zint_modules.h"

namespace upc_ean_test {
namespace {

class UpcEanMalformedTest : public UpcEanFixture {
protected:
    // Draws a module row ('1' ink) and reads it through the band and the
    // region, upright and upside down; true when any of them gave a label.
    bool AnyRead(std::string const& modules, double quietZone = 12.0)
    {
        for (double angle : {0.0, 180.0}) {
            frame_test::StripeDrawing drawing;
            drawing.moduleSize = 3.0;
            drawing.angle = angle;
            drawing.quietZone = quietZone;
            support::Frame frame = support::makeFrame();
            support::Quad const quad = frame_test::DrawStripes(frame, modules, drawing);
            if (!harness.ReadFixedBand(frame).empty() ||
                harness.ReadRegion(frame, frame_test::ToRegion(quad, 14 * drawing.moduleSize)).ok) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(UpcEanMalformedTest, TheUntouchedRowsRead)
{
    // The drawing itself is sound: the rows read as they are.
    for (auto const& [symbology, data] : {std::pair{BARCODE_EANX, "590123412345"}, std::pair{BARCODE_EANX, "9638507"},
                                          std::pair{BARCODE_UPCE, "0425261"}}) {
        ZintRow const row = EncodeRow(symbology, data);
        ASSERT_TRUE(row.ok);
        EXPECT_TRUE(AnyRead(row.modules)) << data;
    }
}

TEST_F(UpcEanMalformedTest, WrongCheckDigitGivesNoLabel)
{
    // The check character of another number put in place of the right one.
    ZintRow const good = EncodeRow(BARCODE_EANX, "590123412345");
    ZintRow const other = EncodeRow(BARCODE_EANX, "590123412346");
    std::string modules = good.modules;
    size_t const check = 3 + 42 + 5 + 35;
    modules.replace(check, 7, other.modules.substr(check, 7));
    ASSERT_NE(modules, good.modules);
    EXPECT_FALSE(AnyRead(modules));

    ZintRow const ean8 = EncodeRow(BARCODE_EANX, "9638507");
    std::string eight = ean8.modules;
    size_t const last = 3 + 28 + 5 + 21;
    eight.replace(last, 7, EncodeRow(BARCODE_EANX, "9638508").modules.substr(last, 7));
    EXPECT_FALSE(AnyRead(eight));
}

TEST_F(UpcEanMalformedTest, TruncatedSymbolGivesNoLabel)
{
    ZintRow const row = EncodeRow(BARCODE_EANX, "590123412345");
    for (size_t keep : {size_t{40}, size_t{60}, size_t{88}, size_t{93}}) {
        EXPECT_FALSE(AnyRead(row.modules.substr(0, keep))) << keep;
    }
    // An add-on cut short leaves the plain symbol only when that is allowed.
    ZintRow const addon = EncodeRow(BARCODE_EANX, "590123412345+12345");
    Keys().read.ean13.Set(false);
    EXPECT_FALSE(AnyRead(addon.modules.substr(0, addon.modules.size() - 12)));
}

TEST_F(UpcEanMalformedTest, MissingQuietZoneGivesNoLabel)
{
    for (auto const& [symbology, data] : {std::pair{BARCODE_EANX, "590123412345"}, std::pair{BARCODE_EANX, "9638507"},
                                          std::pair{BARCODE_UPCE, "0425261"}}) {
        ZintRow const row = EncodeRow(symbology, data);
        // A bar three modules before either end of the symbol.
        EXPECT_FALSE(AnyRead("11000" + row.modules)) << data;
        EXPECT_FALSE(AnyRead(row.modules + "00011")) << data;
    }
}

TEST_F(UpcEanMalformedTest, PartlyCoveredSymbolGivesNoLabel)
{
    ZintRow const row = EncodeRow(BARCODE_EANX, "590123412345");
    // A label stuck across two characters, light or dark.
    std::string light = row.modules;
    light.replace(20, 12, std::string(12, '0'));
    EXPECT_FALSE(AnyRead(light));
    std::string dark = row.modules;
    dark.replace(60, 10, std::string(10, '1'));
    EXPECT_FALSE(AnyRead(dark));
}

TEST_F(UpcEanMalformedTest, RandomStripesGiveNoLabel)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> width(1, 4);
    for (int trial = 0; trial < 40; ++trial) {
        // Guards in place, characters random: the parities and check digit
        // must catch it.
        std::string modules = "101";
        for (int i = 0; i < 84; ++i) {
            modules.push_back(i % 2 == 0 ? '0' : '1');
        }
        for (char& m : modules) {
            if (&m - modules.data() >= 3 && width(random) == 1) {
                m = m == '0' ? '1' : '0';
            }
        }
        modules.insert(45, "01010");
        modules += "101";
        EXPECT_FALSE(AnyRead(modules)) << modules;
    }
}

}  // namespace
}  // namespace upc_ean_test
