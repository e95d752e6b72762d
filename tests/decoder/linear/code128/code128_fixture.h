#pragma once
// Code 128 test helpers: the symbol values and module widths zint encodes,
// ideal run-length lines drawn from module widths, and the four decoder
// instances over a private settings store.

#include <gtest/gtest.h>
#include <zint.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/bar_symbol_decoder_context.h"
#include "decoder/linear/code128/code128_decoder.h"
#include "decoder/linear/code128/code128_table.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/linear/line/scan_element.h"
#include "tests/support/symbol_renderer.h"

namespace code128_test {

using DEC2DIvra::BarSymbol;
using DEC2DIvra::Code128Decoder;
using DEC2DIvra::Code128Table;
using DEC2DIvra::ScanElement;
namespace cfg = ivra_configuration;

// The bar/space widths of one row of a zint symbol (zint's own encoder, no
// rendering), first bar first; empty when zint refuses the input.
inline std::vector<int> ZintRowWidths(support::SymbolInput const& input, int row = -1)
{
    std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    symbol->symbology = input.symbology;
    symbol->input_mode = input.inputMode;
    symbol->option_1 = input.option1;
    symbol->option_2 = input.option2;
    symbol->option_3 = input.option3;
    symbol->output_options = input.outputOptions;
    if (!input.primary.empty()) {
        std::snprintf(symbol->primary, sizeof symbol->primary, "%s", input.primary.c_str());
    }
    if (ZBarcode_Encode(symbol.get(), reinterpret_cast<unsigned char const*>(input.data.data()),
                        static_cast<int>(input.data.size())) >= ZINT_ERROR) {
        return {};
    }
    int const y = row < 0 ? symbol->rows - 1 : row;
    std::vector<int> widths;
    bool dark = false;
    for (int x = 0; x < symbol->width; ++x) {
        bool const set = ((symbol->encoded_data[y][x >> 3] >> (x & 7)) & 1) != 0;
        if (widths.empty() && !set) {
            continue;  // a composite's linear row may start after the 2D part
        }
        if (widths.empty() || set != dark) {
            widths.push_back(0);
            dark = set;
        }
        ++widths.back();
    }
    return widths;
}

// The symbol values of a Code 128 module row, by the decoder's own table; -1
// for a group of six widths that is no character. The stop's terminating bar
// is left out.
inline std::vector<int> ValuesOfWidths(std::vector<int> const& widths)
{
    std::vector<int> values;
    for (size_t i = 0; i + 6 <= widths.size(); i += 6) {
        int key = 0;
        for (size_t k = 0; k < 6; ++k) {
            for (int m = 0; m < widths[i + k]; ++m) {
                key = (key << 1) | static_cast<int>(k & 1);
            }
        }
        values.push_back(Code128Table::instance.GetValue(key));
    }
    return values;
}

inline std::vector<int> ZintValues(support::SymbolInput const& input, int row = -1)
{
    return ValuesOfWidths(ZintRowWidths(input, row));
}

// Module widths of a symbol built from values (start first, stop last); the
// check character is added when `withCheck`.
inline std::vector<int> WidthsOfValues(std::vector<int> values, bool withCheck = true)
{
    if (withCheck && values.size() >= 2) {
        long long sum = values[0];
        for (size_t i = 1; i + 1 < values.size(); ++i) {
            sum += static_cast<long long>(i) * values[i];
        }
        values.insert(values.end() - 1, static_cast<int>(sum % 103));
    }
    std::vector<int> widths;
    for (int v : values) {
        unsigned char const* w = Code128Table::GetWidths(static_cast<unsigned>(v));
        for (unsigned k = 0; k < Code128Table::GetWidthCount(static_cast<unsigned>(v)); ++k) {
            widths.push_back(w[k]);
        }
    }
    return widths;
}

// An ideal scan line: a quiet zone, the elements at `module` line units per
// module (plus `spread` units on every bar, taken from the spaces), and a
// quiet zone after; light runs at `light`, dark at `dark`; negative swaps
// the colours. Reverse lays the symbol mirrored, as met from its stop end.
// Borders put a bar beyond each quiet zone, so that the zones are measured;
// a speck is a one-module bar that far into the leading zone from the symbol.
struct LineOptions {
    int module = 48;
    int spread = 0;
    int leadingZone = 12;   // modules
    int trailingZone = 12;  // modules
    int light = 900;
    int dark = 100;
    bool negative = false;
    bool reverse = false;
    bool borders = false;
    int speck = -1;
};

inline std::vector<ScanElement> MakeLine(std::vector<int> widths, LineOptions const& o = {})
{
    if (o.reverse) {
        widths = std::vector<int>(widths.rbegin(), widths.rend());
    }
    std::vector<ScanElement> runs;
    int x = 0;
    // The label around the symbol is a little further from the ink than the
    // symbol's own spaces, as narrow spaces never reach the full level.
    auto add = [&](bool bar, int units, bool outside = false) {
        ScanElement e;
        bool const light = bar == o.negative;
        e.colour = light ? DEC2DIvra::kLightRun : DEC2DIvra::kDarkRun;
        e.grey = light ? o.light : o.dark;
        if (outside && !bar) {
            e.grey += light ? 50 : -50;
        }
        e.begin = x;
        e.end = x + units;
        e.samples = units / 16 > 0 ? units / 16 : 1;
        x = e.end;
        runs.push_back(e);
    };
    if (o.borders) {
        add(false, 4 * o.module, true);
        add(true, 4 * o.module, true);
    }
    if (o.speck >= 1 && o.speck + 1 < o.leadingZone) {
        add(false, (o.leadingZone - o.speck - 1) * o.module, true);
        add(true, o.module, true);
        add(false, o.speck * o.module, true);
    } else {
        add(false, o.leadingZone * o.module, true);
    }
    for (size_t i = 0; i < widths.size(); ++i) {
        bool const bar = (i & 1) == 0;
        add(bar, widths[i] * o.module + (bar ? o.spread : -o.spread));
    }
    add(false, o.trailingZone * o.module, true);
    if (o.borders) {
        add(true, 4 * o.module, true);
        add(false, 4 * o.module, true);
    }
    return runs;
}

// The four instances over a private store, with a result stack and a label.
struct Decoders {
    Decoders()
    {
        rate.Initialize(true);
        // The length keys hold no factory default of their own yet; give
        // them the record's "no restriction".
        cfg::FixedLength none{};
        none.maximum = cfg::FixedLength::kNoMaximum;
        auto& lengths = manager.Root().fixed_length;
        bool const set = lengths.code128.Set(none) && lengths.gs1_128.Set(none) && manager.Update();
        EXPECT_TRUE(set);
    }

    cfg::ConfigurationManager manager;
    DEC2DIvra::DEC2DProperty property{manager.Root()};
    DEC2DIvra::RateForTuningCalculator rate;
    DEC2DIvra::BarSymbolDecoderContext context{&property.detail_of_decoder, &rate};
    Code128Decoder normal{context, 0, property};
    Code128Decoder negative{context, Code128Decoder::kNegative, property};
    Code128Decoder bold{context, Code128Decoder::kForBigger, property};
    Code128Decoder boldNegative{context, Code128Decoder::kForBigger | Code128Decoder::kNegative, property};
    std::vector<BarSymbol> symbolBuffer = std::vector<BarSymbol>(512);
    DEC2DIvra::StackInterface<BarSymbol> symbols{symbolBuffer.data(), 512};
    DEC2DIvra::DecodedLabel label;

    Code128Decoder const* All(unsigned i) const
    {
        Code128Decoder const* const all[] = {&normal, &negative, &bold, &boldNegative};
        return all[i];
    }

    // Tries every run of the line as the frame does, with one instance; true
    // when the instance read a symbol whose check passes.
    bool Read(Code128Decoder const& decoder, std::vector<ScanElement> const& line, bool& negativeOut,
              bool& reverced)
    {
        for (unsigned i = 1; i < line.size(); ++i) {
            DEC2DIvra::ArrayIterator<ScanElement const> at(line.data(), static_cast<unsigned>(line.size()),
                                                          static_cast<int>(i), 1);
            rate.Initialize(true);
            if (decoder.ExecuteBinarization(at, symbols, negativeOut, reverced) &&
                decoder.CheckCheckDigit(symbols, reverced)) {
                return true;
            }
        }
        return false;
    }

    // The whole road of one line: read, then the label; the label's data.
    bool Decode(Code128Decoder const& decoder, std::vector<ScanElement> const& line, std::string& data)
    {
        bool negativeOut = false;
        bool reverced = false;
        label.Clear();
        if (!Read(decoder, line, negativeOut, reverced) || !decoder.Start(symbols, reverced, label)) {
            return false;
        }
        data.assign(label.data.begin(), label.data.end());
        return true;
    }

    template <class Handle, class Value>
    void Set(Handle& handle, Value const& value)
    {
        ASSERT_TRUE(handle.Set(value));
        ASSERT_TRUE(manager.Update());
    }
};

}  // namespace code128_test
