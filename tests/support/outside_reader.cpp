#include "tests/support/outside_reader.h"

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>
#include <zint.h>

#include <algorithm>

namespace support {

namespace {

using ZXing::BarcodeFormat;

ZXing::BarcodeFormats formatsFor(int symbology)
{
    switch (symbology) {
    case 0:
        return BarcodeFormat::Any;
    case BARCODE_CODE128:
    case BARCODE_CODE128B:
    case BARCODE_GS1_128:
    case BARCODE_HIBC_128:
    case BARCODE_EAN14:
    case BARCODE_NVE18:
        return BarcodeFormat::Code128;
    case BARCODE_EANX:
    case BARCODE_EANX_CHK:
    case BARCODE_ISBNX:
        return BarcodeFormat::EAN13 | BarcodeFormat::EAN8;
    case BARCODE_UPCA:
    case BARCODE_UPCA_CHK:
        return BarcodeFormat::UPCA | BarcodeFormat::EAN13;
    case BARCODE_UPCE:
    case BARCODE_UPCE_CHK:
        return BarcodeFormat::UPCE;
    case BARCODE_CODE39:
    case BARCODE_EXCODE39:
    case BARCODE_LOGMARS:
    case BARCODE_HIBC_39:
        return BarcodeFormat::Code39;
    case BARCODE_CODE93:
        return BarcodeFormat::Code93;
    case BARCODE_CODABAR:
        return BarcodeFormat::Codabar;
    case BARCODE_C25INTER:
    case BARCODE_ITF14:
        return BarcodeFormat::ITF;
    case BARCODE_DBAR_OMN:
    case BARCODE_DBAR_STK:
    case BARCODE_DBAR_OMNSTK:
        return BarcodeFormat::DataBar;
    case BARCODE_DBAR_EXP:
    case BARCODE_DBAR_EXPSTK:
        return BarcodeFormat::DataBarExpanded;
    case BARCODE_PDF417:
    case BARCODE_PDF417COMP:
    case BARCODE_HIBC_PDF:
        return BarcodeFormat::PDF417;
    case BARCODE_MAXICODE:
        return BarcodeFormat::MaxiCode;
    case BARCODE_QRCODE:
    case BARCODE_HIBC_QR:
    case BARCODE_UPNQR:
        return BarcodeFormat::QRCode;
    case BARCODE_MICROQR:
        return BarcodeFormat::MicroQRCode;
    case BARCODE_DATAMATRIX:
    case BARCODE_HIBC_DM:
        return BarcodeFormat::DataMatrix;
    case BARCODE_AZTEC:
    case BARCODE_HIBC_AZTEC:
    case BARCODE_AZRUNE:
        return BarcodeFormat::Aztec;
    default:
        return BarcodeFormat::None;
    }
}

} // namespace

bool outsideReaderSupports(int symbology)
{
    return !formatsFor(symbology).empty();
}

std::vector<OutsideRead> readWithOutsideReader(Frame const& frame, int symbology)
{
    std::vector<OutsideRead> out;
    ZXing::BarcodeFormats const formats = formatsFor(symbology);
    if (!frame.valid() || formats.empty())
        return out;
    std::vector<uint8_t> luminance(frame.pixels.size());
    std::transform(frame.pixels.begin(), frame.pixels.end(), luminance.begin(),
                   [](uint16_t v) { return static_cast<uint8_t>(std::min<int>(v, kMaxLevel) >> 2); });
    ZXing::ImageView const image(luminance.data(), frame.width, frame.height, ZXing::ImageFormat::Lum);
    ZXing::DecodeHints hints;
    hints.setFormats(formats).setTryHarder(true).setTryRotate(true);
    for (ZXing::Result const& result : ZXing::ReadBarcodes(image, hints)) {
        if (!result.isValid())
            continue;
        OutsideRead read;
        read.format = ZXing::ToString(result.format());
        read.bytes.assign(result.bytes().begin(), result.bytes().end());
        read.text = result.text();
        read.identifier = result.symbologyIdentifier();
        for (size_t i = 0; i < read.position.size(); ++i)
            read.position[i] = {static_cast<double>(result.position()[i].x),
                                static_cast<double>(result.position()[i].y)};
        out.push_back(std::move(read));
    }
    return out;
}

} // namespace support
