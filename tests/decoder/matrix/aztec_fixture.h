#pragma once
// The decoder handle with Aztec Code and Aztec Runes on, bound to its own
// settings store, read through DEC2D_Main as the decoder thread does; and
// zint's module matrix of an Aztec symbol for the data-path tests.

#include <memory>
#include <new>
#include <string>
#include <vector>

#include <zint.h>

#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/identifiers/symbology_identifier.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/two_dimension_decoder.h"
#include "tests/support/frame.h"

namespace aztec_test {

struct Read {
    std::string data;
    std::string aim;
    unsigned negative = 0;
    tagStructuredAppend structuredAppend{};
    tagDEC2D_REGION region{};
};

class AztecHarness {
public:
    AztecHarness()
    {
        Settings().read.aztec_code.Set(true);
        Settings().read.aztec_runes.Set(true);
        if (handle_ != nullptr) {
            DEC2D_ImplementFormatter(handle_.get(), this, nullptr, nullptr, &AztecHarness::Callback);
        }
    }

    bool IsReady() const { return handle_ != nullptr; }
    ivra_configuration::configuration::Handle& Settings() { return manager_.Root(); }
    DEC2DIvra::DEC2DProperty const& Property() const { return *property_; }

    std::vector<Read> const& Decode(support::Frame const& frame)
    {
        reads_.clear();
        DEC2D_OnTriggerDown(handle_.get());
        DEC2D_Main(handle_.get(), frame.width, frame.height, frame.width, frame.pixels.data(), nullptr);
        return reads_;
    }

private:
    static bool Callback(void* context, tagDecodedLabel const* label)
    {
        auto& self = *static_cast<AztecHarness*>(context);
        Read read;
        read.data.assign(label->data, label->length);
        char aim[8] = {};
        static_cast<DEC2DIvra::SymbologyIdentifier const*>(label->identifier)->GetAIMIdentifier(aim, sizeof aim);
        read.aim = aim;
        read.negative = label->flag;
        read.structuredAppend = *label->structuredAppend;
        read.region = *label->region;
        self.reads_.push_back(read);
        return true;
    }

    ivra_configuration::ConfigurationManager manager_;
    std::unique_ptr<DEC2DIvra::DEC2DProperty> property_ =
        std::make_unique<DEC2DIvra::DEC2DProperty>(manager_.Root());
    std::unique_ptr<DEC2DIvra::TwoDimensionDecoder> handle_{new (std::nothrow)
                                                                DEC2DIvra::TwoDimensionDecoder(property_.get())};
    std::vector<Read> reads_;
};

// zint's modules of a symbol, row by row, 1 dark; empty when zint refuses.
struct Matrix {
    int size = 0;
    std::vector<unsigned char> cells;
};

inline Matrix EncodeMatrix(int symbology, std::string const& data, int version = 0, int inputMode = DATA_MODE,
                           int eci = 0, zint_structapp const* structapp = nullptr)
{
    Matrix m;
    zint_symbol* s = ZBarcode_Create();
    if (s == nullptr) {
        return m;
    }
    s->symbology = symbology;
    s->option_2 = version;
    s->input_mode = inputMode;
    s->eci = eci;
    if (structapp != nullptr) {
        s->structapp = *structapp;
    }
    int const result = ZBarcode_Encode(s, reinterpret_cast<unsigned char const*>(data.data()),
                                       static_cast<int>(data.size()));
    if (result < ZINT_ERROR && s->rows == s->width) {
        m.size = s->rows;
        m.cells.resize(static_cast<size_t>(m.size) * m.size);
        for (int y = 0; y < m.size; ++y) {
            for (int x = 0; x < m.size; ++x) {
                m.cells[static_cast<size_t>(y) * m.size + x] = (s->encoded_data[y][x >> 3] >> (x & 7)) & 1;
            }
        }
    }
    ZBarcode_Delete(s);
    return m;
}

}  // namespace aztec_test
