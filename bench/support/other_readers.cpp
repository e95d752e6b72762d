#define ZX_USE_UTF8 1
#include "bench/support/other_readers.h"

#include <ZXing/ReadBarcode.h>
#include <dlfcn.h>

#include <algorithm>

namespace bench_support {

std::vector<unsigned char> ToBytes(support::Frame const& frame, bool inverted)
{
    std::vector<unsigned char> bytes(frame.pixels.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        int const v = std::min<int>(frame.pixels[i], support::kMaxLevel) >> 2;
        bytes[i] = static_cast<unsigned char>(inverted ? 255 - v : v);
    }
    return bytes;
}

Labels ReadWithZxing(support::Frame const& frame, ZXing::BarcodeFormats formats)
{
    Labels labels;
    ZXing::DecodeHints hints;
    hints.setFormats(formats).setTryHarder(true).setTryRotate(true);
    for (bool inverted : {false, true}) {
        std::vector<unsigned char> const bytes = ToBytes(frame, inverted);
        ZXing::ImageView const image(bytes.data(), frame.width, frame.height, ZXing::ImageFormat::Lum);
        for (ZXing::Result const& result : ZXing::ReadBarcodes(image, hints)) {
            if (result.isValid()) {
                labels.push_back(result.text());
            }
        }
        if (!labels.empty()) {
            break;
        }
    }
    return labels;
}

template <class F>
bool ZbarReader::Load(F& function, char const* name)
{
    function = reinterpret_cast<F>(dlsym(library_, name));
    return function != nullptr;
}

ZbarReader::ZbarReader(std::vector<int> const& symbologies)
{
    library_ = dlopen("libzbar.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
        return;
    }
    bool const ok =
        Load(createScanner_, "zbar_image_scanner_create") && Load(setConfig_, "zbar_image_scanner_set_config") &&
        Load(createImage_, "zbar_image_create") && Load(setFormat_, "zbar_image_set_format") &&
        Load(setSize_, "zbar_image_set_size") && Load(setData_, "zbar_image_set_data") &&
        Load(scan_, "zbar_scan_image") && Load(firstSymbol_, "zbar_image_first_symbol") &&
        Load(nextSymbol_, "zbar_symbol_next") && Load(symbolData_, "zbar_symbol_get_data") &&
        Load(symbolLength_, "zbar_symbol_get_data_length") && Load(destroyImage_, "zbar_image_destroy");
    if (!ok) {
        return;
    }
    scanner_ = createScanner_();
    if (scanner_ == nullptr) {
        return;
    }
    // Config 0 = enable, 0x81 = test the inverted image when nothing is read.
    setConfig_(scanner_, 0, 0, 0);
    for (int symbology : symbologies) {
        setConfig_(scanner_, symbology, 0, 1);
    }
    setConfig_(scanner_, 0, 0x81, 1);
    ready_ = true;
}

Labels ZbarReader::Read(support::Frame const& frame) const
{
    Labels labels;
    if (!ready_) {
        return labels;
    }
    std::vector<unsigned char> const bytes = ToBytes(frame, false);
    void* image = createImage_();
    if (image == nullptr) {
        return labels;
    }
    unsigned long const y800 = 0x30303859ul; // 'Y' '8' '0' '0'
    setFormat_(image, y800);
    setSize_(image, static_cast<unsigned>(frame.width), static_cast<unsigned>(frame.height));
    setData_(image, bytes.data(), bytes.size(), nullptr);
    if (scan_(scanner_, image) > 0) {
        for (void const* symbol = firstSymbol_(image); symbol != nullptr; symbol = nextSymbol_(symbol)) {
            labels.emplace_back(symbolData_(symbol), symbolLength_(symbol));
        }
    }
    destroyImage_(image);
    return labels;
}

} // namespace bench_support
