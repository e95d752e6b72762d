#include "tests/decoder/linear/frame_fixture.h"

#include <cmath>
#include <new>

#include "decoder/core/identifiers/symbology_identifier.h"
#include "decoder/linear/bar_code_decoder_wiring.h"

namespace frame_test {

namespace cfg = ivra_configuration;
using namespace DEC2DIvra;

LinearFrameHarness::LinearFrameHarness()
{
    property_ = std::make_unique<DEC2DProperty>(manager_.Root());
    handle_ = new (std::nothrow) TwoDimensionDecoder(property_.get());
    if (handle_ != nullptr) {
        frame_ = InstallBarCodeDecoder(*handle_);
        DEC2D_ImplementFormatter(handle_, this, nullptr, nullptr, &LinearFrameHarness::Callback);
    }
    seen_.reserve(16);
}

LinearFrameHarness::~LinearFrameHarness() { delete handle_; }

void LinearFrameHarness::EnableAllLinear(bool on)
{
    auto& read = manager_.Root().read;
    for (auto* key : {&read.upc_a, &read.upc_a_addon2, &read.upc_a_addon5, &read.upc_e, &read.upc_e_addon2,
                      &read.upc_e_addon5, &read.ean13, &read.ean13_addon2, &read.ean13_addon5, &read.ean8,
                      &read.ean8_addon2, &read.ean8_addon5, &read.code39, &read.trioptic, &read.codabar,
                      &read.industrial2of5, &read.interleaved2of5, &read.scode, &read.matrix2of5,
                      &read.korean_postal_authority, &read.intelligent_mail_barcode, &read.netherlands_kix,
                      &read.japanese_postal, &read.postnet, &read.australian_postal, &read.planet,
                      &read.uk_postal_customer_code, &read.uk_postal_mail_mark, &read.iata, &read.msi_plessey,
                      &read.telepen, &read.uk_plessey, &read.code128, &read.code93, &read.code11,
                      &read.gs1_databar, &read.gs1_databar_limited, &read.gs1_databar_expanded,
                      &read.codablock_f}) {
        key->Set(on);
    }
}

void LinearFrameHarness::SetRedundancy(unsigned r)
{
    manager_.Root().detail_of_decoder.redundancy.Set(static_cast<std::uint8_t>(r));
}

void LinearFrameHarness::SetDecodeMode(unsigned mode)
{
    using Mode = cfg::configuration::detail_of_decoder::barcode_decode_mode::Enum;
    manager_.Root().detail_of_decoder.barcode_decode_mode.Set(static_cast<Mode>(mode));
}

void LinearFrameHarness::SetPolarity(unsigned value)
{
    using Polarity = cfg::configuration::readable_medium::positive_and_negative_codes::all_1d_and_composite_codes::Enum;
    manager_.Root().readable_medium.positive_and_negative_codes.all_1d_and_composite_codes.Set(
        static_cast<Polarity>(value));
}

void LinearFrameHarness::SetOnlyCompleteCodes(bool on)
{
    manager_.Root().readable_medium.only_complete_codes.all_1d_codes.Set(on);
}

void LinearFrameHarness::ClearLengthLimits()
{
    cfg::FixedLength any{};
    any.maximum = cfg::FixedLength::kNoMaximum;
    auto& lengths = manager_.Root().fixed_length;
    for (auto* key : {&lengths.code39, &lengths.codabar, &lengths.industrial2of5, &lengths.interleaved2of5,
                      &lengths.scode, &lengths.matrix2of5, &lengths.iata, &lengths.msi_plessey, &lengths.telepen,
                      &lengths.uk_plessey, &lengths.code128, &lengths.code93, &lengths.code11,
                      &lengths.gs1_databar_expanded, &lengths.codablock_f, &lengths.gs1_128}) {
        key->Set(any);
    }
}

bool LinearFrameHarness::Callback(void* context, tagDecodedLabel const* label)
{
    auto& self = *static_cast<LinearFrameHarness*>(context);
    Read read;
    read.ok = true;
    read.data.assign(label->data, label->length);
    read.symbology = DEC2D_GetSymbology(label->identifier);
    char aim[11] = {};
    DEC2D_GetAIMIdentifier(label->identifier, aim, sizeof(aim));
    read.aim = aim;
    read.maker = DEC2D_GetIvraIdentifier(label->identifier);
    tagDEC2D_REGION const& r = *label->region;
    read.region.corner[0] = Point{r.x0, r.y0};
    read.region.corner[1] = Point{r.x1, r.y1};
    read.region.corner[2] = Point{r.x2, r.y2};
    read.region.corner[3] = Point{r.x3, r.y3};
    read.negative = label->flag;
    read.statistics = *label->further;
    if (self.seen_.size() < self.seen_.capacity()) {
        self.seen_.push_back(read);
    }
    return true;
}

std::vector<Read> LinearFrameHarness::ReadFixedBand(support::Frame const& frame, bool triggerDown)
{
    seen_.clear();
    if (triggerDown) {
        DEC2D_OnTriggerDown(handle_);
    }
    tagDecodeOption option = MakeDefaultDecodeOption(frame.width, frame.height);
    option.readMode = kFixedBandReadMode;
    DEC2D_Main(handle_, frame.width, frame.height, frame.width, frame.pixels.data(), &option);
    std::vector<Read> result = seen_;
    for (Read& r : result) {
        r.status = frame_->GetStatus();
    }
    return result;
}

Read LinearFrameHarness::ReadRegion(support::Frame const& frame, Region const& region, unsigned scanMode)
{
    GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
    DecodedLabel& label = handle_->GetLabel();
    label.Clear();
    Read read;
    read.ok = frame_->Start(image, region, scanMode, label) != 0;
    read.status = frame_->GetStatus();
    if (read.ok) {
        read.data.assign(label.data.GetFirst(), label.data.GetCount());
        read.symbology = label.identifier.GetSymbology();
        char aim[11] = {};
        label.identifier.GetAIMIdentifier(aim, sizeof(aim));
        read.aim = aim;
        read.maker = label.identifier.GetIvraIdentifier();
        read.region = label.region;
        read.negative = label.negative;
        read.moduleCount = label.moduleCount;
        read.statistics = label.further;
    }
    return read;
}

Region ToRegion(support::Quad const& quad, double along)
{
    // Reading direction: from the left side's middle to the right side's.
    double const lx = (quad[0].x + quad[3].x) / 2;
    double const ly = (quad[0].y + quad[3].y) / 2;
    double const rx = (quad[1].x + quad[2].x) / 2;
    double const ry = (quad[1].y + quad[2].y) / 2;
    double const length = std::hypot(rx - lx, ry - ly);
    double const ux = length > 0 ? (rx - lx) / length : 1.0;
    double const uy = length > 0 ? (ry - ly) / length : 0.0;
    double const sign[4] = {-1, 1, 1, -1};
    Region region;
    for (unsigned i = 0; i < 4; ++i) {
        region.corner[i] = Point{static_cast<int>(std::lround(quad[i].x + sign[i] * along * ux)),
                                 static_cast<int>(std::lround(quad[i].y + sign[i] * along * uy))};
    }
    return region;
}

}  // namespace frame_test
