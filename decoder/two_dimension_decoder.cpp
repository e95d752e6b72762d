#include "decoder/two_dimension_decoder.h"

#include "decoder/code_searcher_wiring.h"
#include "decoder/core/geometry/common_angle.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/property/pre_filter_subroutine.h"
#include "decoder/core/work_area_layout.h"
#include "decoder/legacy/legacy_decoder_wiring.h"
#include "decoder/linear/bar_code_decoder_wiring.h"
#include "decoder/matrix/matrix_decoder_wiring.h"
#include "decoder/stacked/stacked_decoder_wiring.h"

namespace DEC2DIvra {

static_assert(sizeof(TwoDimensionDecoder) == TwoDimensionDecoder::kHandleBytes,
              "the handle is one block of the agreed size");
static_assert(TwoDimensionDecoder::kWorkAreaBytes == WorkAreaLayout::kBytes, "the layout covers the work area");

TwoDimensionDecoder::TwoDimensionDecoder(DEC2DProperty* property)
    : header_(property, *this, objects_, kObjectBytes)
{
    // The filtered copy of a frame must outlive the decoders' use of the work
    // area, so it has its own room in the arena.
    header_.preFilterArea = header_.arena.Build<PreFilterArea>();
    // Every symbology decoder and the symbol locator are built here, in the
    // arena, each over its part of the work area (work_area_layout.h), and
    // plugged into the decoder set. Nothing of them is built later.
    InstallCodeSearcher(*this, InstallBarCodeDecoder(*this));
    InstallStackedDecoders(*this);
    InstallMatrixDecoders(*this);
    InstallLegacyDecoder(*this);
}

TwoDimensionDecoder::~TwoDimensionDecoder()
{
    // The decoder objects go first, while the memory they live in still does.
    header_.arena.DestroyAll();
}

int TwoDimensionDecoder::ImplementFormatter(void* context, void* outputContext, void* spare,
                                            DEC2D_LABEL_CALLBACK callback)
{
    header_.context = context;
    header_.outputContext = outputContext;
    header_.spare = spare;
    header_.callback = callback;
    return 1;
}

void TwoDimensionDecoder::OnTriggerDown()
{
    if (header_.linear.onTriggerDown != nullptr) {
        header_.linear.onTriggerDown(header_.linear.frame);
    }
}

int TwoDimensionDecoder::Main(int width, int height, int pitch, unsigned short const* pixels,
                              tagDecodeOption const* option)
{
    if (pixels == nullptr || width < 1 || height < 1 || width > kMaxFrameSide || height > kMaxFrameSide ||
        pitch < width || pitch > kMaxFrameSide) {
        return 0;
    }
    if (header_.property != nullptr) {
        header_.property->TakeSettings();
    }
    GrayImage const frame(width, height, pitch, pixels);
    header_.option = option != nullptr ? *option : MakeDefaultDecodeOption(width, height);
    header_.accepted = false;
    header_.label.Clear();

    // The configured dark-module thickening, light-module thickening and
    // moving average, in their priority order, on a copy of the frame. A frame
    // the filters refuse is decoded as it came.
    GrayImage image = frame;
    if (header_.property != nullptr && header_.preFilterArea != nullptr) {
        VirtualArray<unsigned char> const area(header_.preFilterArea->bytes, PreFilterArea::kBytes);
        ApplyPreFilterSubroutine().Start(header_.property->filters, frame, area, image);
    }

    if (header_.option.readMode == kFixedBandReadMode) {
        return ReadFixedBand(image);
    }
    if (header_.legacy.onNewImage != nullptr) {
        header_.legacy.onNewImage(header_.legacy.engine, image);
    }
    if (header_.searcher != nullptr) {
        header_.searcher->Start(image, header_.option, header_.decoders, header_.label, header_.outlet);
    }
    // Only an accepted label counts, whatever the locator answers.
    return header_.accepted ? 1 : 0;
}

Region TwoDimensionDecoder::CalcFixedBand(int width, int height)
{
    int top = height / 2 - kFixedBandHeight / 2;
    top = top < 0 ? 0 : top;
    int bottom = top + kFixedBandHeight - 1;
    bottom = bottom > height - 1 ? height - 1 : bottom;
    Region band;
    band.corner[0] = Point{0, top};
    band.corner[1] = Point{width - 1, top};
    band.corner[2] = Point{width - 1, bottom};
    band.corner[3] = Point{0, bottom};
    return band;
}

int TwoDimensionDecoder::ReadFixedBand(GrayImage const& image)
{
    if (header_.linear.readFixedBand == nullptr) {
        return 0;
    }
    Region const band = CalcFixedBand(image.GetWidth(), image.GetHeight());
    // A PDF417 row met on the band comes back as an empty PDF417 label: a
    // hint for the symbol locator, never a read.
    if (header_.linear.readFixedBand(header_.linear.frame, image, band, kFixedBandScanMode, header_.label) != 0 &&
        !(header_.label.identifier.GetSymbology() == SYMBOLOGY_PDF417 && header_.label.data.GetCount() == 0)) {
        OfferLabel(header_.label);
    }
    return header_.accepted ? 1 : 0;
}

int TwoDimensionDecoder::CalcReadingAngle(Region const& region)
{
    Vector const v = region.CalcDoubledReadingVector();
    unsigned value = 0;
    if (!CommonAngle::CalcAngleValue(v.dx, v.dy, 9, value)) {
        return 0;
    }
    int const degrees = static_cast<int>(value * 360 / 512);
    return degrees >= 180 ? degrees - 360 : degrees;
}

bool TwoDimensionDecoder::OfferLabel(DecodedLabel const& label)
{
    // A PDF417 row a linear decoder met is a hint for the stacked reader (an
    // empty label without modifier), on whatever road it comes: never a read.
    if (header_.callback == nullptr ||
        (label.identifier.GetSymbology() == SYMBOLOGY_PDF417 && label.data.GetCount() == 0 &&
         label.identifier.GetModifier() == 0)) {
        return false;
    }
    tagDEC2D_REGION& r = header_.viewRegion;
    r.x0 = label.region.corner[0].x;
    r.y0 = label.region.corner[0].y;
    r.x1 = label.region.corner[1].x;
    r.y1 = label.region.corner[1].y;
    r.x2 = label.region.corner[2].x;
    r.y2 = label.region.corner[2].y;
    r.x3 = label.region.corner[3].x;
    r.y3 = label.region.corner[3].y;
    header_.viewStructuredAppend = label.structuredAppend;

    tagDecodedLabel& view = header_.view;
    view.identifier = static_cast<SymbologyIdentifier const*>(&label.identifier);
    view.data = label.data.GetFirst();
    view.length = label.data.GetCount();
    view.flag = label.negative;
    view.region = &header_.viewRegion;
    view.structuredAppend = &header_.viewStructuredAppend;
    view.further = &label.further;
    view.angle = CalcReadingAngle(label.region);

    bool const accepted = header_.callback(header_.context, &view);
    if (accepted) {
        header_.accepted = true;
    }
    return accepted;
}

}  // namespace DEC2DIvra
