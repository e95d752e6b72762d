#pragma once
// The decoder handle as the application builds it, bound to its own settings
// store, with QR Code, Micro QR and both polarities on: reads rendered
// frames through DEC2D_Main and keeps what the label callback was offered.

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/two_dimension_decoder.h"
#include "tests/decoder/matrix/handle_harness.h"
#include "tests/support/symbol_renderer.h"

namespace qr_test {

struct QRRead {
    std::string data;
    std::string aim;
    int symbology = 0;
    bool negative = false;
    bool read = false;
};

// QR Code, Micro QR and both polarities on; the last label of a frame.
class QRReadHarness {
public:
    QRReadHarness()
    {
        auto& root = handle_.Settings();
        root.read.micro_qr.Set(true);
        using Polarity = ivra_configuration::configuration::readable_medium::positive_and_negative_codes::qr_code::Enum;
        root.readable_medium.positive_and_negative_codes.qr_code.Set(static_cast<Polarity>(2));
    }

    bool IsReady() const { return handle_.IsReady(); }
    ivra_configuration::configuration::Handle& Settings() { return handle_.Settings(); }

    QRRead Read(support::Frame const& frame)
    {
        std::vector<matrix_test::HandleLabel> const& labels = handle_.Read(frame);
        if (labels.empty()) {
            return QRRead{};
        }
        matrix_test::HandleLabel const& last = labels.back();
        return QRRead{last.data, last.aim, last.symbology, last.flag == 1, true};
    }

    QRRead Read(support::SymbolInput const& input, support::RenderOptions const& options)
    {
        support::Rendering const r = support::render(input, options);
        if (!r.symbol.ok) {
            return QRRead{};
        }
        return Read(r.frame);
    }

private:
    matrix_test::HandleHarness handle_;
};

}  // namespace qr_test
