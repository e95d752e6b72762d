#pragma once
// Shared set-up of the linear frame tests: a decoder handle with the linear
// frame installed, bound to its own settings store, and the two roads into
// it: the fixed-band read of DEC2D_Main and a located region handed to
// BarCodeDecoder::Start. Symbology tests plug their decoder into the trial
// table and read rendered frames through either road.

#include <memory>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/geometry/region.h"
#include "decoder/two_dimension_decoder.h"
#include "decoder/linear/bar_code_decoder.h"
#include "tests/support/frame.h"

namespace frame_test {

// One label as the application would see it.
struct Read {
    bool ok = false;
    std::string data;
    tagSymbology symbology = SYMBOLOGY_NONE;
    std::string aim;
    char maker = 0;
    DEC2DIvra::Region region;
    unsigned negative = 0;
    unsigned moduleCount = 0;
    tagFurtherRecord statistics{};
    unsigned status = 0;  // the frame's status word after the read
};

class LinearFrameHarness {
public:
    LinearFrameHarness();
    ~LinearFrameHarness();
    LinearFrameHarness(LinearFrameHarness const&) = delete;
    LinearFrameHarness& operator=(LinearFrameHarness const&) = delete;

    bool IsReady() const { return frame_ != nullptr; }
    ivra_configuration::configuration::Handle& Settings() { return manager_.Root(); }
    DEC2DIvra::DEC2DProperty const& Property() const { return *property_; }
    DEC2DIvra::TwoDimensionDecoder& Handle() { return *handle_; }
    DEC2DIvra::BarCodeDecoder& Frame() { return *frame_; }

    // Every linear symbology off, or on; and the decoder-wide settings the
    // frame reads.
    void EnableAllLinear(bool on);
    void SetRedundancy(unsigned r);
    void SetDecodeMode(unsigned mode);
    void SetPolarity(unsigned value);
    void SetOnlyCompleteCodes(bool on);
    // Every linear length record to "no restriction" (count 0, minimum 0,
    // maximum 65535).
    void ClearLengthLimits();

    // The fixed band through the frame centre, through DEC2D_Main (with
    // DEC2D_OnTriggerDown before it, as the decoder thread does); the labels
    // the callback saw (it accepts the first).
    std::vector<Read> ReadFixedBand(support::Frame const& frame, bool triggerDown = true);
    // A located region straight into BarCodeDecoder::Start.
    Read ReadRegion(support::Frame const& frame, DEC2DIvra::Region const& region, unsigned scanMode = 4);

private:
    static bool Callback(void* context, tagDecodedLabel const* label);

    ivra_configuration::ConfigurationManager manager_;
    std::unique_ptr<DEC2DIvra::DEC2DProperty> property_;
    DEC2DIvra::TwoDimensionDecoder* handle_ = nullptr;
    DEC2DIvra::BarCodeDecoder* frame_ = nullptr;
    std::vector<Read> seen_;
};

// A region around a quadrilateral drawn by the renderer (corners in reading
// order), stretched by `along` pixels at both ends of the reading direction
// so that the scan lines see the quiet zones.
DEC2DIvra::Region ToRegion(support::Quad const& quad, double along = 0.0);

}  // namespace frame_test
