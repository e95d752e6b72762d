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
#include "tests/support/symbol_renderer.h"

namespace qr_test {

struct QRRead {
    std::string data;
    std::string aim;
    int symbology = 0;
    bool negative = false;
    bool read = false;
};

class QRReadHarness {
public:
    QRReadHarness()
    {
        auto& root = manager_.Root();
        root.read.micro_qr.Set(true);
        using Polarity = ivra_configuration::configuration::readable_medium::positive_and_negative_codes::qr_code::Enum;
        root.readable_medium.positive_and_negative_codes.qr_code.Set(static_cast<Polarity>(2));
        if (handle_ != nullptr) {
            DEC2D_ImplementFormatter(handle_.get(), this, nullptr, nullptr, &QRReadHarness::Callback);
        }
    }

    bool IsReady() const { return handle_ != nullptr; }
    ivra_configuration::configuration::Handle& Settings() { return manager_.Root(); }

    QRRead Read(support::Frame const& frame)
    {
        last_ = QRRead{};
        DEC2D_OnTriggerDown(handle_.get());
        DEC2D_Main(handle_.get(), frame.width, frame.height, frame.width, frame.pixels.data(), nullptr);
        return last_;
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
    static bool Callback(void* context, tagDecodedLabel const* label)
    {
        auto& self = *static_cast<QRReadHarness*>(context);
        self.last_.data.assign(label->data, label->length);
        char aim[8] = {};
        DEC2D_GetAIMIdentifier(label->identifier, aim, sizeof aim);
        self.last_.aim = aim;
        self.last_.symbology = static_cast<int>(DEC2D_GetSymbology(label->identifier));
        self.last_.negative = label->flag == 1;
        self.last_.read = true;
        return true;
    }

    ivra_configuration::ConfigurationManager manager_;
    std::unique_ptr<DEC2DIvra::DEC2DProperty> property_ =
        std::make_unique<DEC2DIvra::DEC2DProperty>(manager_.Root());
    std::unique_ptr<DEC2DIvra::TwoDimensionDecoder> handle_{new (std::nothrow)
                                                                DEC2DIvra::TwoDimensionDecoder(property_.get())};
    QRRead last_;
};

}  // namespace qr_test
