// The comparison readers of the real-scene benchmark, on 8-bit PGM frames:
//
//   other_reader zxing FRAME...   Debian's libzxing: every format, try harder,
//                                 rotate and downscale, on the frame and on its
//                                 inverse (this version has no inversion option)
//   other_reader zbar FRAME...    Debian's libzbar, every symbology it has
//
// One line per label, as scanner-sim decode --time prints them:
//   file<TAB>format<TAB>-<TAB>data as hex<TAB>ms of the whole frame
// and file<TAB>-<TAB>ms when nothing was read. Each frame is read once before
// it is timed, so the times are warm.
// zbar first: its C++ wrappers name a class as a macro of ZXing's names.
#include <zbar.h>
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> grey;
};

bool ReadPgm(char const* path, Frame& frame)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    if (!(in >> magic) || magic != "P5") {
        return false;
    }
    auto number = [&in](int& value) {
        while (in >> std::ws && in.peek() == '#') {
            std::string comment;
            std::getline(in, comment);
        }
        return static_cast<bool>(in >> value);
    };
    if (!number(frame.width) || !number(frame.height) || !number(maxval) || maxval > 255) {
        return false;
    }
    in.get();
    frame.grey.resize(static_cast<size_t>(frame.width) * frame.height);
    in.read(reinterpret_cast<char*>(frame.grey.data()), static_cast<std::streamsize>(frame.grey.size()));
    return static_cast<bool>(in);
}

std::string Hex(std::string const& bytes)
{
    std::string out;
    char two[3];
    for (unsigned char c : bytes) {
        std::snprintf(two, sizeof two, "%02X", c);
        out += two;
    }
    return out;
}

using Labels = std::vector<std::pair<std::string, std::string>>;  // format, bytes

Labels ZxingRead(Frame const& frame, Frame const& inverse)
{
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Any);
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    hints.setTryDownscale(true);
    Labels labels;
    std::set<std::pair<std::string, std::string>> seen;
    for (Frame const* f : {&frame, &inverse}) {
        ZXing::ImageView const image(f->grey.data(), f->width, f->height, ZXing::ImageFormat::Lum);
        for (ZXing::Result const& r : ZXing::ReadBarcodes(image, hints)) {
            if (!r.isValid()) {
                continue;
            }
            ZXing::ByteArray const& raw = r.bytes();
            std::string bytes;
            // The text as UTF-8: the label as a host would show it.
            bytes = r.text().empty() ? std::string(raw.begin(), raw.end()) : r.text();
            std::pair<std::string, std::string> label{ZXing::ToString(r.format()), bytes};
            if (seen.insert(label).second) {
                labels.push_back(label);
            }
        }
    }
    return labels;
}

Labels ZbarRead(zbar::zbar_image_scanner_t* scanner, Frame const& frame)
{
    zbar::zbar_image_t* image = zbar::zbar_image_create();
    zbar::zbar_image_set_format(image, zbar_fourcc('Y', '8', '0', '0'));
    zbar::zbar_image_set_size(image, static_cast<unsigned>(frame.width), static_cast<unsigned>(frame.height));
    zbar::zbar_image_set_data(image, frame.grey.data(), frame.grey.size(), nullptr);
    Labels labels;
    if (zbar::zbar_scan_image(scanner, image) > 0) {
        for (zbar::zbar_symbol_t const* s = zbar::zbar_image_first_symbol(image); s != nullptr;
             s = zbar::zbar_symbol_next(s)) {
            labels.emplace_back(zbar::zbar_get_symbol_name(zbar::zbar_symbol_get_type(s)),
                                std::string(zbar::zbar_symbol_get_data(s), zbar::zbar_symbol_get_data_length(s)));
        }
    }
    zbar::zbar_image_destroy(image);
    return labels;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || (std::strcmp(argv[1], "zxing") != 0 && std::strcmp(argv[1], "zbar") != 0)) {
        std::fprintf(stderr, "usage: %s zxing|zbar FRAME...\n", argv[0]);
        return 2;
    }
    bool const zxing = std::strcmp(argv[1], "zxing") == 0;
    zbar::zbar_image_scanner_t* scanner = zbar::zbar_image_scanner_create();
    zbar::zbar_image_scanner_set_config(scanner, zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 1);
    for (int i = 2; i < argc; ++i) {
        Frame frame;
        if (!ReadPgm(argv[i], frame)) {
            std::printf("%s\t-\t0\n", argv[i]);
            std::fflush(stdout);
            continue;
        }
        Labels labels;
        double ms = 0;
        for (int pass = 0; pass < 2; ++pass) {
            auto const start = std::chrono::steady_clock::now();
            if (zxing) {
                Frame inverse = frame;
                for (unsigned char& v : inverse.grey) {
                    v = static_cast<unsigned char>(255 - v);
                }
                labels = ZxingRead(frame, inverse);
            } else {
                labels = ZbarRead(scanner, frame);
            }
            ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        }
        if (labels.empty()) {
            std::printf("%s\t-\t%.3f\n", argv[i], ms);
        }
        for (auto const& [format, bytes] : labels) {
            std::printf("%s\t%s\t-\t%s\t%.3f\n", argv[i], format.c_str(), Hex(bytes).c_str(), ms);
        }
        std::fflush(stdout);
    }
    zbar::zbar_image_scanner_destroy(scanner);
    return 0;
}
