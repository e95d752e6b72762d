#pragma once
// The decoder handle as the application builds it, bound to its own settings
// store, reading frames through DEC2D_Main. Unlike a scan it takes no label,
// so that the search goes on and every label the frame gives is kept (as
// scanner-sim decode reports them).

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/two_dimension_decoder.h"
#include "tests/support/frame.h"

namespace stacked_test {

struct HandleLabel {
    std::string data;
    std::string aim;
    int symbology = 0;
};

class AllLabelsHarness {
public:
    AllLabelsHarness()
    {
        if (handle_ != nullptr) {
            DEC2D_ImplementFormatter(handle_.get(), this, nullptr, nullptr, &AllLabelsHarness::Callback);
        }
    }
    AllLabelsHarness(AllLabelsHarness const&) = delete;
    AllLabelsHarness& operator=(AllLabelsHarness const&) = delete;

    bool IsReady() const { return handle_ != nullptr; }
    ivra_configuration::configuration::Handle& Settings() { return manager_.Root(); }

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
        auto& self = *static_cast<AllLabelsHarness*>(context);
        HandleLabel l;
        l.data.assign(label->data, label->length);
        char aim[8] = {};
        if (DEC2D_GetAIMIdentifier(label->identifier, aim, sizeof aim) != 0) {
            l.aim = aim;
        }
        l.symbology = static_cast<int>(DEC2D_GetSymbology(label->identifier));
        self.labels_.push_back(l);
        return false;
    }

    ivra_configuration::ConfigurationManager manager_;
    std::unique_ptr<DEC2DIvra::DEC2DProperty> property_ =
        std::make_unique<DEC2DIvra::DEC2DProperty>(manager_.Root());
    std::unique_ptr<DEC2DIvra::TwoDimensionDecoder> handle_{new (std::nothrow)
                                                                DEC2DIvra::TwoDimensionDecoder(property_.get())};
    std::vector<HandleLabel> labels_;
};

}  // namespace stacked_test
