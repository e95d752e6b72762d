// The fewest runs each decoder says a read of it takes (or the line decoder's
// floor, for a decoder that does not say), held against reads of the shortest
// symbols of each symbology, and where those reads lie from the run offered:
// the reading against noise passes a line or a run over on them, so a count
// above a real read's, or a read beyond the runs it looks at, would be lost.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "decoder/linear/bar_symbol_decoder_set.h"
#include "decoder/linear/roads/line_decoder.h"
#include "tests/decoder/linear/linear_read_fixture.h"

namespace least_read_runs_test {
namespace {

using DEC2DIvra::ArrayIterator;
using DEC2DIvra::BarSymbol;
using DEC2DIvra::BarSymbolDecoder;
using DEC2DIvra::BarSymbolDecoderSet;
using DEC2DIvra::LineDecoder;
using DEC2DIvra::ScanElement;
using DEC2DIvra::StackInterface;

// The runs of the frame's row through the symbol's middle, split at the
// grey halfway between the row's extremes; a run's grey is its extreme, its
// edges sixteen line units a pixel.
std::vector<ScanElement> RowRuns(support::Rendering const& r)
{
    support::Frame const& frame = r.frame;
    int const y = static_cast<int>((r.symbol.corners[0].y + r.symbol.corners[3].y) / 2.0);
    int low = support::kMaxLevel;
    int high = 0;
    for (int x = 0; x < frame.width; ++x) {
        low = frame.at(x, y) < low ? frame.at(x, y) : low;
        high = frame.at(x, y) > high ? frame.at(x, y) : high;
    }
    int const middle = (low + high) / 2;
    std::vector<ScanElement> runs;
    for (int x = 0; x < frame.width; ++x) {
        int const grey = frame.at(x, y);
        unsigned char const colour = grey > middle ? DEC2DIvra::kLightRun : DEC2DIvra::kDarkRun;
        if (runs.empty() || runs.back().colour != colour) {
            runs.push_back(ScanElement{colour, grey, 16 * x, 16 * x, 0});
        }
        ScanElement& run = runs.back();
        run.grey = colour == DEC2DIvra::kLightRun ? (grey > run.grey ? grey : run.grey)
                                                  : (grey < run.grey ? grey : run.grey);
        run.end = 16 * (x + 1);
        ++run.samples;
    }
    return runs;
}

using Settings = ivra_configuration::configuration::Handle;

struct Case {
    char const* name;
    int symbology;
    std::string data;
    std::function<void(Settings&)> enable;
};

// The line seen from its other end.
std::vector<ScanElement> Mirror(std::vector<ScanElement> const& runs)
{
    int const length = runs.empty() ? 0 : runs.back().end;
    std::vector<ScanElement> mirrored(runs.rbegin(), runs.rend());
    for (ScanElement& run : mirrored) {
        int const begin = run.begin;
        run.begin = length - run.end;
        run.end = length - begin;
    }
    return mirrored;
}

class LeastReadRunsTest : public linear_read_test::LinearReadFixture {
protected:
    // Every decoder of the set, and the reads of the row each takes from any
    // run: each read's characters hold as many runs whole as the decoder
    // says at least. Returns the reads counted.
    unsigned CheckReads(std::vector<ScanElement> const& runs, std::string const& where)
    {
        BarSymbolDecoderSet const& set = harness.Frame().GetBarSymbolDecoderSet();
        std::vector<BarSymbolDecoder const*> decoders;
        for (unsigned t = 0; t < BarSymbolDecoderSet::kTrialCount; ++t) {
            decoders.push_back(set.GetTrialDecoder(t));
        }
        decoders.push_back(set.GetRSSLimitedDecoder());
        unsigned reads = 0;
        for (BarSymbolDecoder const* decoder : decoders) {
            if (decoder == nullptr) {
                continue;
            }
            // A decoder that does not say is held to the line decoder's floor.
            unsigned least = decoder->CountLeastReadRuns();
            least = least == 0 ? LineDecoder::kLeastSymbolRuns : least;
            if (least == BarSymbolDecoder::kReadsNothing) {
                continue;
            }
            for (unsigned i = 0; i < runs.size(); ++i) {
                BarSymbol buffer[512];
                StackInterface<BarSymbol> symbols(buffer, 512);
                bool negative = false;
                bool reverced = false;
                ArrayIterator<ScanElement const> const at(runs.data(), static_cast<unsigned>(runs.size()),
                                                          static_cast<int>(i), 1);
                if (!decoder->ExecuteBinarization(at, symbols, negative, reverced) || symbols.IsEmpty() ||
                    !decoder->CheckCheckDigit(symbols, reverced)) {
                    continue;
                }
                int first = symbols[0].begin;
                int last = symbols[0].end;
                for (BarSymbol const& s : symbols) {
                    first = s.begin < first ? s.begin : first;
                    last = s.end > last ? s.end : last;
                }
                unsigned whole = 0;
                bool near = false;
                for (unsigned k = 0; k < runs.size(); ++k) {
                    whole += runs[k].begin >= first && runs[k].end <= last ? 1u : 0u;
                    // The reading against noise offers a run only beside
                    // the runs a read there holds.
                    bool const held = runs[k].end > first && runs[k].begin < last;
                    near = near || (held && k + LineDecoder::kReadBeforeRuns >= i &&
                                    k <= i + LineDecoder::kReadAfterRuns);
                }
                EXPECT_GE(whole, least) << where << ", symbology " << decoder->GetSymbology() << " from run " << i;
                EXPECT_TRUE(near) << where << ", symbology " << decoder->GetSymbology() << " from run " << i;
                ++reads;
            }
        }
        return reads;
    }
};

TEST_F(LeastReadRunsTest, ShortestSymbolsHoldTheCount)
{
    std::vector<Case> const cases = {
        {"Code 128", BARCODE_CODE128, "A", [](Settings& k) { k.read.code128.Set(true); }},
        {"Code 39", BARCODE_CODE39, "1", [](Settings& k) { k.read.code39.Set(true); }},
        {"Codabar", BARCODE_CODABAR, "A1B", [](Settings& k) { k.read.codabar.Set(true); }},
        {"Interleaved 2 of 5", BARCODE_C25INTER, "12", [](Settings& k) { k.read.interleaved2of5.Set(true); }},
        {"Industrial 2 of 5", BARCODE_C25IND, "1", [](Settings& k) { k.read.industrial2of5.Set(true); }},
        {"Matrix 2 of 5", BARCODE_C25STANDARD, "1", [](Settings& k) { k.read.matrix2of5.Set(true); }},
        {"IATA 2 of 5", BARCODE_C25IATA, "1", [](Settings& k) { k.read.iata.Set(true); }},
        {"UPC-E", BARCODE_UPCE, "0123456", [](Settings& k) { k.read.upc_e.Set(true); }},
        {"EAN-8", BARCODE_EANX, "1234567", [](Settings& k) { k.read.ean8.Set(true); }},
        {"DataBar Limited", BARCODE_DBAR_LTD, "0123456789012", [](Settings& k) { k.read.gs1_databar_limited.Set(true); }},
        {"Code 93", BARCODE_CODE93, "1", [](Settings& k) { k.read.code93.Set(true); }},
        {"Code 11", BARCODE_CODE11, "1", [](Settings& k) { k.read.code11.Set(true); }},
        {"MSI", BARCODE_MSI_PLESSEY, "12",
         [](Settings& k) {
             k.read.msi_plessey.Set(true);
             // zint draws no check digit unless told.
             using Check = ivra_configuration::configuration::code::msi_plessey::check_check_digit::Enum;
             k.code.msi_plessey.check_check_digit.Set(static_cast<Check>(0));
         }},
        {"UK Plessey", BARCODE_PLESSEY, "12", [](Settings& k) { k.read.uk_plessey.Set(true); }},
        {"Telepen", BARCODE_TELEPEN, "1", [](Settings& k) { k.read.telepen.Set(true); }},
        {"Korean Postal", BARCODE_KOREAPOST, "123456", [](Settings& k) { k.read.korean_postal_authority.Set(true); }},
    };
    for (Case const& c : cases) {
        harness.EnableAllLinear(false);
        c.enable(Keys());
        support::Rendering const r = support::render(Input(c.symbology, c.data), {.moduleSize = 3.0});
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        std::vector<ScanElement> const runs = RowRuns(r);
        unsigned const reads = CheckReads(runs, c.name) + CheckReads(Mirror(runs), std::string(c.name) + " mirrored");
        EXPECT_GT(reads, 0u) << c.name;
    }
}

// A DataBar Limited read takes the fourteen runs before its check character
// and the twenty-eight from it on, and no more: the line cut to them reads
// alike, in both polarities; one run fewer either side reads nothing.
TEST_F(LeastReadRunsTest, DataBarLimitedReadsOnItsOwnRunsAlone)
{
    harness.EnableAllLinear(false);
    Keys().read.gs1_databar_limited.Set(true);
    // The guard against UPC-A print looks at the runs around the symbol.
    Keys().code.gs1_databar.enable_protection_for_upc_a.Set(false);
    BarSymbolDecoder const& limited = *harness.Frame().GetBarSymbolDecoderSet().GetRSSLimitedDecoder();
    auto read = [&limited](std::vector<ScanElement> const& runs, int at, std::vector<int>& values) {
        BarSymbol buffer[8];
        StackInterface<BarSymbol> symbols(buffer, 8);
        bool negative = false;
        bool reverced = false;
        ArrayIterator<ScanElement const> const it(runs.data(), static_cast<unsigned>(runs.size()), at, 1);
        values.clear();
        if (!limited.ExecuteBinarization(it, symbols, negative, reverced)) {
            return false;
        }
        for (BarSymbol const& symbol : symbols) {
            values.push_back(symbol.value);
        }
        return true;
    };
    for (bool const inverted : {false, true}) {
        support::Rendering const r =
            support::render(Input(BARCODE_DBAR_LTD, "0123456789012"), {.moduleSize = 3.0, .inverted = inverted});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<ScanElement> const runs = RowRuns(r);
        std::vector<int> whole;
        int at = 0;
        while (at < static_cast<int>(runs.size()) && !read(runs, at, whole)) {
            ++at;
        }
        ASSERT_LT(at, static_cast<int>(runs.size())) << "inverted " << inverted;
        ASSERT_GE(at, 14);
        ASSERT_LE(at + 28, static_cast<int>(runs.size()));
        std::vector<ScanElement> const cut(runs.begin() + (at - 14), runs.begin() + (at + 28));
        std::vector<int> values;
        EXPECT_TRUE(read(cut, 14, values)) << "inverted " << inverted;
        EXPECT_EQ(values, whole) << "inverted " << inverted;
        std::vector<ScanElement> const shorter(cut.begin() + 1, cut.end());
        EXPECT_FALSE(read(shorter, 13, values)) << "inverted " << inverted;
        std::vector<ScanElement> const shortened(cut.begin(), cut.end() - 1);
        EXPECT_FALSE(read(shortened, 14, values)) << "inverted " << inverted;
    }
}

}  // namespace
}  // namespace least_read_runs_test
