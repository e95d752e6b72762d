#pragma once
// Symbols encoded by libzint and read back as module rows, so that the
// codeword road (tables, correction, interpretation) can be checked without
// an image; and a PDF417 decoder built over its own work area.

#include <gtest/gtest.h>
#include <zint.h>

#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/work_area_layout.h"
#include "decoder/stacked/pdf_decoder.h"

namespace pdf_test {

using Rows = std::vector<std::vector<int>>;

struct Encoded {
    bool ok = false;
    Rows rows;
    std::string error;
};

struct Options {
    int symbology = BARCODE_PDF417;
    std::string data{};
    int option1 = -1;  // error-correction level
    int option2 = 0;   // data columns
    int inputMode = DATA_MODE;
    int eci = 0;
    int structIndex = 0;  // 1-based; 0 none
    int structCount = 0;
    std::string structId{};
    std::string primary{};
};

inline Encoded Encode(Options const& o)
{
    Encoded out;
    zint_symbol* symbol = ZBarcode_Create();
    symbol->symbology = o.symbology;
    symbol->option_1 = o.option1;
    symbol->option_2 = o.option2;
    symbol->input_mode = o.inputMode;
    symbol->eci = o.eci;
    if (o.structCount > 0) {
        symbol->structapp.index = o.structIndex;
        symbol->structapp.count = o.structCount;
        snprintf(symbol->structapp.id, sizeof(symbol->structapp.id), "%s", o.structId.c_str());
    }
    if (!o.primary.empty()) {
        snprintf(symbol->primary, sizeof(symbol->primary), "%s", o.primary.c_str());
    }
    int const error = ZBarcode_Encode(symbol, reinterpret_cast<unsigned char const*>(o.data.data()),
                                      static_cast<int>(o.data.size()));
    if (error >= ZINT_ERROR) {
        out.error = symbol->errtxt;
    } else {
        out.ok = true;
        for (int y = 0; y < symbol->rows; ++y) {
            std::vector<int> row(static_cast<size_t>(symbol->width));
            for (int x = 0; x < symbol->width; ++x) {
                row[static_cast<size_t>(x)] = (symbol->encoded_data[y][x >> 3] >> (x & 7)) & 1;
            }
            out.rows.push_back(row);
        }
    }
    ZBarcode_Delete(symbol);
    return out;
}

// The run widths of `count` modules from `from`, bars first (the first module
// must be a bar); fewer than `runs` runs give false.
inline bool Runs(std::vector<int> const& row, size_t from, size_t count, unsigned runs, float* widths)
{
    if (from + count > row.size() || row[from] != 1) {
        return false;
    }
    unsigned n = 0;
    float width = 0;
    for (size_t x = from; x < from + count; ++x) {
        if (x > from && row[x] != row[x - 1]) {
            if (n + 1 >= runs) {
                return false;
            }
            widths[n++] = width;
            width = 0;
        }
        width += 1;
    }
    widths[n++] = width;
    return n == runs;
}

class PDFDecoderFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ivra_configuration::FixedLength none{};
        none.maximum = ivra_configuration::FixedLength::kNoMaximum;
        auto& lengths = manager.Root().fixed_length;
        ASSERT_TRUE(lengths.pdf417.Set(none) && lengths.micro_pdf417.Set(none) && manager.Update());
        property.TakeSettings();
    }

    ivra_configuration::ConfigurationManager manager;
    DEC2DIvra::DEC2DProperty property{manager.Root()};
    std::vector<unsigned char> work = std::vector<unsigned char>(DEC2DIvra::WorkAreaLayout::kStackedBytes);
    DEC2DIvra::PDFDecoder decoder{DEC2DIvra::VirtualArray<unsigned char>(work.data(), static_cast<unsigned>(work.size())),
                                  property};
};

}  // namespace pdf_test
