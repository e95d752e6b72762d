#pragma once
// The decoder handle as the application builds it (linear frame and locator
// installed by its constructor), bound to its own settings store, with Code
// 128 of any length and both polarities on.

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/two_dimension_decoder.h"
#include "tests/support/frame.h"

namespace searcher_test {

class SearcherHarness {
public:
    SearcherHarness()
    {
        auto& root = manager_.Root();
        ivra_configuration::FixedLength any{};
        any.maximum = ivra_configuration::FixedLength::kNoMaximum;
        root.fixed_length.code128.Set(any);
        using Polarity = ivra_configuration::configuration::readable_medium::positive_and_negative_codes::
            all_1d_and_composite_codes::Enum;
        root.readable_medium.positive_and_negative_codes.all_1d_and_composite_codes.Set(static_cast<Polarity>(2));
        if (handle_ != nullptr) {
            DEC2D_ImplementFormatter(handle_.get(), this, nullptr, nullptr, &SearcherHarness::Callback);
        }
        labels_.reserve(16);
    }

    bool IsReady() const { return handle_ != nullptr; }
    DEC2DIvra::TwoDimensionDecoder& Handle() { return *handle_; }

    // The labels the callback was offered, through DEC2D_Main with the
    // trigger-down call before it; the callback accepts once `wanted` labels
    // were offered (0: never).
    std::vector<std::string> const& Read(support::Frame const& frame, DEC2DIvra::tagDecodeOption const* option,
                                         unsigned wanted = 1)
    {
        labels_.clear();
        wanted_ = wanted;
        DEC2D_OnTriggerDown(handle_.get());
        DEC2D_Main(handle_.get(), frame.width, frame.height, frame.width, frame.pixels.data(), option);
        return labels_;
    }

private:
    static bool Callback(void* context, tagDecodedLabel const* label)
    {
        auto& self = *static_cast<SearcherHarness*>(context);
        if (self.labels_.size() < self.labels_.capacity()) {
            self.labels_.emplace_back(label->data, label->length);
        }
        return self.wanted_ != 0 && self.labels_.size() >= self.wanted_;
    }

    ivra_configuration::ConfigurationManager manager_;
    std::unique_ptr<DEC2DIvra::DEC2DProperty> property_ =
        std::make_unique<DEC2DIvra::DEC2DProperty>(manager_.Root());
    std::unique_ptr<DEC2DIvra::TwoDimensionDecoder> handle_{new (std::nothrow)
                                                                DEC2DIvra::TwoDimensionDecoder(property_.get())};
    std::vector<std::string> labels_;
    unsigned wanted_ = 1;
};

}  // namespace searcher_test
