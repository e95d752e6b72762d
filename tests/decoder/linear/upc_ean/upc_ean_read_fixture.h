#pragma once
// Shared set-up of the UPC/EAN tests: the linear frame with both UPC/EAN
// decoders in their trial entries, every other linear symbology off, and
// rendered zint symbols read through the fixed band or a located region.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/linear/bar_symbol_decoder_set.h"
#include "decoder/linear/upc_ean/upc_ean_decoder.h"
#include "tests/decoder/linear/frame_fixture.h"
#include "tests/support/symbol_renderer.h"

namespace upc_ean_test {

namespace cfg = ivra_configuration;
using frame_test::Read;

class UpcEanFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(harness.IsReady());
        harness.EnableAllLinear(false);
        harness.SetRedundancy(0);
        harness.SetDecodeMode(1);  // one image decides
        harness.SetPolarity(2);
        harness.SetOnlyCompleteCodes(false);
        auto& read = Keys().read;
        for (auto* key : {&read.upc_a, &read.upc_a_addon2, &read.upc_a_addon5, &read.upc_e, &read.upc_e_addon2,
                          &read.upc_e_addon5, &read.upc_e1, &read.upc_e1_addon2, &read.upc_e1_addon5, &read.ean13,
                          &read.ean13_addon2, &read.ean13_addon5, &read.ean8, &read.ean8_addon2, &read.ean8_addon5}) {
            key->Set(true);
        }
        auto& code = Keys().code;
        code.upc_a.transmit_check_digit.Set(true);
        code.upc_a.transmit_leading_digit.Set(false);
        code.upc_e.transmit_check_digit.Set(true);
        code.upc_e.transmit_leading_digit.Set(true);
        code.upc_e.transmit_as_upc_a.Set(false);
        code.ean13.transmit_check_digit.Set(true);
        code.ean8.transmit_check_digit.Set(true);
        // The frame's own UPC/EAN entries when it has them, else these.
        DEC2DIvra::BarSymbolDecoderSet& set = harness.Frame().GetBarSymbolDecoderSet();
        if (set.GetTrialDecoder(DEC2DIvra::BarSymbolDecoderSet::kWpc) == nullptr) {
            set.SetTrialDecoder(DEC2DIvra::BarSymbolDecoderSet::kWpc, &forward);
            set.SetTrialDecoder(DEC2DIvra::BarSymbolDecoderSet::kWpcReverce, &reverse);
        }
    }

    cfg::configuration::Handle& Keys() { return harness.Settings(); }

    static support::SymbolInput Symbol(int symbology, std::string const& data)
    {
        support::SymbolInput input;
        input.symbology = symbology;
        input.data = data;
        input.height = 30.0f;
        return input;
    }

    // The fixed band through the frame centre; the first label, if any.
    Read ReadBand(support::Rendering const& r)
    {
        std::vector<Read> const reads = harness.ReadFixedBand(r.frame);
        return reads.empty() ? Read{} : reads.front();
    }

    // The symbol's own region, stretched along its reading direction so that
    // the scan lines see the quiet zones.
    Read ReadRegion(support::Rendering const& r, double modules = 14.0, double moduleSize = 3.0)
    {
        return harness.ReadRegion(r.frame, frame_test::ToRegion(r.symbol.corners, modules * moduleSize));
    }

    frame_test::LinearFrameHarness harness;
    DEC2DIvra::WPCDecoder forward{harness.Frame().GetBarSymbolDecoderSet().GetContext(), harness.Property()};
    DEC2DIvra::WPCReverceDecoder reverse{harness.Frame().GetBarSymbolDecoderSet().GetContext(), harness.Property()};
};

}  // namespace upc_ean_test
