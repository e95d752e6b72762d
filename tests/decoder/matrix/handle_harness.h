#pragma once
// The decoder handle as the application builds it, bound to its own settings
// store: reads frames through DEC2D_Main as the decoder thread does and keeps
// each label the callback was offered. The matrix tests set the keys of
// their own symbologies on it.

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/two_dimension_decoder.h"
#include "tests/support/frame.h"

namespace matrix_test {

struct HandleLabel {
    std::string data;
    std::string aim;
    int symbology = 0;
    unsigned flag = 0;  // 1: read light on dark
    tagStructuredAppend structuredAppend{};
    tagDEC2D_REGION region{};
    tagFurtherRecord further{};
};

class HandleHarness {
public:
    HandleHarness()
    {
        if (handle_ != nullptr) {
            DEC2D_ImplementFormatter(handle_.get(), this, nullptr, nullptr, &HandleHarness::Callback);
        }
    }
    HandleHarness(HandleHarness const&) = delete;
    HandleHarness& operator=(HandleHarness const&) = delete;

    bool IsReady() const { return handle_ != nullptr; }
    ivra_configuration::configuration::Handle& Settings() { return manager_.Root(); }
    DEC2DIvra::DEC2DProperty const& Property() const { return *property_; }

    std::vector<HandleLabel> const& Read(support::Frame const& frame)
    {
        labels_.clear();
        DEC2D_OnTriggerDown(handle_.get());
        DEC2D_Main(handle_.get(), frame.width, frame.height, frame.width, frame.pixels.data(), nullptr);
        return labels_;
    }

private:
    static bool Callback(void* context, tagDecodedLabel const* label)
    {
        auto& self = *static_cast<HandleHarness*>(context);
        HandleLabel l;
        l.data.assign(label->data, label->length);
        char aim[8] = {};
        if (DEC2D_GetAIMIdentifier(label->identifier, aim, sizeof aim) != 0) {
            l.aim = aim;
        }
        l.symbology = static_cast<int>(DEC2D_GetSymbology(label->identifier));
        l.flag = label->flag;
        l.structuredAppend = *label->structuredAppend;
        l.region = *label->region;
        l.further = *label->further;
        self.labels_.push_back(l);
        return true;
    }

    ivra_configuration::ConfigurationManager manager_;
    std::unique_ptr<DEC2DIvra::DEC2DProperty> property_ =
        std::make_unique<DEC2DIvra::DEC2DProperty>(manager_.Root());
    std::unique_ptr<DEC2DIvra::TwoDimensionDecoder> handle_{new (std::nothrow)
                                                                DEC2DIvra::TwoDimensionDecoder(property_.get())};
    std::vector<HandleLabel> labels_;
};

}  // namespace matrix_test
