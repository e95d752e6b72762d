#pragma once
// The decoder handle with DotCode on (every other symbology off), bound to
// its own settings store, and zint DotCode symbols as frames or as tables.

#include <gtest/gtest.h>
#include <zint.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/identifiers/symbology_identifier.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/two_dimension_decoder.h"
#include "tests/support/symbol_renderer.h"

namespace dot_code_test {

struct Label {
    std::string data;
    std::string aim;
    tagStructuredAppend structuredAppend{};
    unsigned flag = 0;
};

class DotCodeHarness {
public:
    DotCodeHarness()
    {
        auto& root = manager_.Root();
        root.read.dot_code.Set(true);
        if (handle_ != nullptr) {
            DEC2D_ImplementFormatter(handle_.get(), this, nullptr, nullptr, &DotCodeHarness::Callback);
        }
        labels_.reserve(8);
    }

    bool IsReady() const { return handle_ != nullptr; }
    ivra_configuration::configuration::Handle& Settings() { return manager_.Root(); }
    DEC2DIvra::DEC2DProperty const& Property() const { return *property_; }

    std::vector<Label> const& Read(support::Frame const& frame)
    {
        labels_.clear();
        DEC2D_OnTriggerDown(handle_.get());
        DEC2D_Main(handle_.get(), frame.width, frame.height, frame.width, frame.pixels.data(), nullptr);
        return labels_;
    }

private:
    static bool Callback(void* context, tagDecodedLabel const* label)
    {
        auto& self = *static_cast<DotCodeHarness*>(context);
        Label l;
        l.data.assign(label->data, label->length);
        char aim[8] = {};
        static_cast<DEC2DIvra::SymbologyIdentifier const*>(label->identifier)->GetAIMIdentifier(aim, sizeof(aim));
        l.aim = aim;
        l.structuredAppend = *label->structuredAppend;
        l.flag = label->flag;
        if (self.labels_.size() < self.labels_.capacity()) {
            self.labels_.push_back(l);
        }
        return true;
    }

    ivra_configuration::ConfigurationManager manager_;
    std::unique_ptr<DEC2DIvra::DEC2DProperty> property_ =
        std::make_unique<DEC2DIvra::DEC2DProperty>(manager_.Root());
    std::unique_ptr<DEC2DIvra::TwoDimensionDecoder> handle_{new (std::nothrow)
                                                                DEC2DIvra::TwoDimensionDecoder(property_.get())};
    std::vector<Label> labels_;
};

inline support::SymbolInput DotCodeInput(std::string const& data, int inputMode = DATA_MODE, int eci = 0)
{
    support::SymbolInput input;
    input.symbology = BARCODE_DOTCODE;
    input.data = data;
    input.inputMode = inputMode;
    input.eci = eci;
    return input;
}

// zint's dot matrix of a symbol: rows of '1' and '0', empty on failure.
inline std::vector<std::string> ZintDots(support::SymbolInput const& input, int appendIndex = 0, int appendCount = 0)
{
    std::vector<std::string> rows;
    zint_symbol* symbol = ZBarcode_Create();
    symbol->symbology = input.symbology;
    symbol->input_mode = input.inputMode;
    symbol->eci = input.eci;
    symbol->option_1 = input.option1;
    symbol->option_2 = input.option2;
    symbol->option_3 = input.option3;
    symbol->structapp.index = appendIndex;
    symbol->structapp.count = appendCount;
    if (ZBarcode_Encode(symbol, reinterpret_cast<unsigned char const*>(input.data.data()),
                        static_cast<int>(input.data.size())) < ZINT_ERROR) {
        for (int r = 0; r < symbol->rows; ++r) {
            std::string row;
            for (int c = 0; c < symbol->width; ++c) {
                row.push_back(((symbol->encoded_data[r][c >> 3] >> (c & 7)) & 1) != 0 ? '1' : '0');
            }
            rows.push_back(row);
        }
    }
    ZBarcode_Delete(symbol);
    return rows;
}

}  // namespace dot_code_test
