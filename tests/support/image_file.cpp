#include "tests/support/image_file.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace support {

namespace {

// A compressed PNG can claim any size; tests never need more than this.
constexpr uint64_t kMaxPixels = uint64_t{1} << 26;

uint16_t from8(unsigned v)
{
    return static_cast<uint16_t>(v * 4 + v / 64);
}

uint16_t fromMaxval(unsigned v, unsigned maxval)
{
    if (maxval == static_cast<unsigned>(kMaxLevel))
        return static_cast<uint16_t>(v);
    if (maxval == 255)
        return from8(v);
    return static_cast<uint16_t>((static_cast<uint64_t>(v) * kMaxLevel + maxval / 2) / maxval);
}

void fail(std::string* why, char const* reason)
{
    if (why)
        *why = reason;
}

// libpng reports errors by longjmp; this state is all it touches, and it
// lives outside the function that calls setjmp.
struct PngIo {
    std::span<uint8_t const> input;
    size_t offset = 0;
    std::vector<uint8_t>* output = nullptr;
    char message[160] = {};
};

void pngError(png_structp png, png_const_charp message)
{
    auto* io = static_cast<PngIo*>(png_get_error_ptr(png));
    std::snprintf(io->message, sizeof io->message, "png: %s", message);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void pngRead(png_structp png, png_bytep out, size_t count)
{
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (count > io->input.size() - io->offset)
        png_error(png, "file is truncated");
    std::memcpy(out, io->input.data() + io->offset, count);
    io->offset += count;
}

void pngWrite(png_structp png, png_bytep data, size_t count)
{
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    io->output->insert(io->output->end(), data, data + count);
}

void pngFlush(png_structp) {}

struct PngImage {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0; // 8 or 16 after the transforms
    std::vector<uint8_t> samples;
    std::vector<png_bytep> rows;
};

// No C++ object is created between setjmp and any libpng call here, so the
// long jump skips no destructor.
bool readPng(PngIo& io, PngImage& image)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &io, pngError, pngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &io, pngRead);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_read_info(png, info);
    int const colour = png_get_color_type(png, info);
    int const bits = png_get_bit_depth(png, info);
    if (colour == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && bits < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    // Transparency (an alpha channel or a tRNS chunk) is dropped, not composed.
    png_set_strip_alpha(png);
    if (colour & PNG_COLOR_MASK_COLOR)
        png_set_rgb_to_gray_fixed(png, 1, -1, -1);
    if (static_cast<uint64_t>(png_get_image_width(png, info)) * png_get_image_height(png, info) > kMaxPixels)
        png_error(png, "image too large");
    png_read_update_info(png, info);
    image.width = png_get_image_width(png, info);
    image.height = png_get_image_height(png, info);
    image.depth = png_get_bit_depth(png, info);
    if (png_get_channels(png, info) != 1 || (image.depth != 8 && image.depth != 16))
        png_error(png, "unexpected sample layout");
    size_t const rowBytes = png_get_rowbytes(png, info);
    image.samples.resize(rowBytes * image.height);
    image.rows.resize(image.height);
    for (png_uint_32 y = 0; y < image.height; ++y)
        image.rows[y] = image.samples.data() + y * rowBytes;
    png_read_image(png, image.rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool writePngTo(PngIo& io, png_uint_32 width, png_uint_32 height, int depth, std::vector<png_bytep> const& rows)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &io, pngError, pngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &io, pngWrite, pngFlush);
    png_set_IHDR(png, info, width, height, depth, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (depth == 16) {
        png_color_8 significant{};
        significant.gray = 10;
        png_set_sBIT(png, info, &significant);
    }
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(rows.data()));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::optional<Frame> decodePng(std::span<uint8_t const> bytes, std::string* why)
{
    PngIo io;
    io.input = bytes;
    PngImage image;
    if (!readPng(io, image)) {
        fail(why, io.message[0] ? io.message : "png: cannot set up the reader");
        return std::nullopt;
    }
    Frame frame = makeFrame(static_cast<int>(image.width), static_cast<int>(image.height));
    size_t i = 0;
    for (uint16_t& v : frame.pixels) {
        if (image.depth == 16) {
            v = static_cast<uint16_t>(((image.samples[i] << 8) | image.samples[i + 1]) >> 6);
            i += 2;
        } else {
            v = from8(image.samples[i++]);
        }
    }
    return frame;
}

// PGM header fields: whitespace and # comments between decimal numbers.
class PgmHeader {
public:
    explicit PgmHeader(std::span<uint8_t const> bytes) : bytes_(bytes), at_(2) {}

    // The magic number must be followed by whitespace or a comment.
    bool separated() const { return at_ < bytes_.size() && (space(bytes_[at_]) || bytes_[at_] == '#'); }

    bool number(unsigned& value, unsigned limit)
    {
        while (at_ < bytes_.size()) {
            uint8_t const c = bytes_[at_];
            if (c == '#') {
                while (at_ < bytes_.size() && bytes_[at_] != '\n')
                    ++at_;
            } else if (space(c)) {
                ++at_;
            } else {
                break;
            }
        }
        size_t const start = at_;
        uint64_t v = 0;
        while (at_ < bytes_.size() && bytes_[at_] >= '0' && bytes_[at_] <= '9') {
            v = v * 10 + (bytes_[at_] - '0');
            if (v > limit)
                return false;
            ++at_;
        }
        value = static_cast<unsigned>(v);
        return at_ > start;
    }

    // Exactly one whitespace byte ends the header.
    bool end() { return at_ < bytes_.size() && space(bytes_[at_++]); }

    size_t offset() const { return at_; }

private:
    static bool space(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

    std::span<uint8_t const> bytes_;
    size_t at_;
};

std::optional<Frame> decodePgm(std::span<uint8_t const> bytes, std::string* why)
{
    PgmHeader header(bytes);
    unsigned width = 0, height = 0, maxval = 0;
    if (!header.separated() || !header.number(width, kMaxImageSide) || !header.number(height, kMaxImageSide) ||
        !header.number(maxval, 65535) || !header.end()) {
        fail(why, "pgm: malformed header");
        return std::nullopt;
    }
    if (width == 0 || height == 0 || maxval == 0) {
        fail(why, "pgm: zero width, height or maxval");
        return std::nullopt;
    }
    size_t const sampleBytes = maxval > 255 ? 2 : 1;
    size_t const count = static_cast<size_t>(width) * height;
    if (bytes.size() - header.offset() < count * sampleBytes) {
        fail(why, "pgm: file is truncated");
        return std::nullopt;
    }
    Frame frame = makeFrame(static_cast<int>(width), static_cast<int>(height));
    uint8_t const* p = bytes.data() + header.offset();
    for (size_t i = 0; i < count; ++i) {
        unsigned const v = sampleBytes == 2 ? (p[2 * i] << 8 | p[2 * i + 1]) : p[i];
        if (v > maxval) {
            fail(why, "pgm: sample above maxval");
            return std::nullopt;
        }
        frame.pixels[i] = fromMaxval(v, maxval);
    }
    return frame;
}

bool writeFile(std::string const& path, std::vector<uint8_t> const& bytes)
{
    if (bytes.empty())
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

} // namespace

std::vector<uint8_t> encodePng(Frame const& frame, FileDepth depth)
{
    std::vector<uint8_t> out;
    if (!frame.valid() || frame.width > kMaxImageSide || frame.height > kMaxImageSide)
        return out;
    size_t const sampleBytes = depth == FileDepth::Bits16 ? 2 : 1;
    std::vector<uint8_t> samples(frame.pixels.size() * sampleBytes);
    for (size_t i = 0; i < frame.pixels.size(); ++i) {
        unsigned const v = std::min<unsigned>(frame.pixels[i], kMaxLevel);
        if (depth == FileDepth::Bits16) {
            unsigned const wide = v << 6 | v >> 4;
            samples[2 * i] = static_cast<uint8_t>(wide >> 8);
            samples[2 * i + 1] = static_cast<uint8_t>(wide);
        } else {
            samples[i] = static_cast<uint8_t>(v >> 2);
        }
    }
    std::vector<png_bytep> rows(static_cast<size_t>(frame.height));
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = samples.data() + y * static_cast<size_t>(frame.width) * sampleBytes;
    PngIo io;
    io.output = &out;
    if (!writePngTo(io, static_cast<png_uint_32>(frame.width), static_cast<png_uint_32>(frame.height),
                    depth == FileDepth::Bits16 ? 16 : 8, rows))
        out.clear();
    return out;
}

std::vector<uint8_t> encodePgm(Frame const& frame, FileDepth depth)
{
    std::vector<uint8_t> out;
    if (!frame.valid())
        return out;
    bool const wide = depth == FileDepth::Bits16;
    std::string const header =
        "P5\n" + std::to_string(frame.width) + " " + std::to_string(frame.height) + "\n" + (wide ? "1023" : "255") + "\n";
    out.assign(header.begin(), header.end());
    out.reserve(out.size() + frame.pixels.size() * (wide ? 2 : 1));
    for (uint16_t const pixel : frame.pixels) {
        unsigned const v = std::min<unsigned>(pixel, kMaxLevel);
        if (wide) {
            out.push_back(static_cast<uint8_t>(v >> 8));
            out.push_back(static_cast<uint8_t>(v));
        } else {
            out.push_back(static_cast<uint8_t>(v >> 2));
        }
    }
    return out;
}

std::optional<Frame> decodeImage(std::span<uint8_t const> bytes, std::string* why)
{
    static constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() >= sizeof kPngSignature && std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes.begin()))
        return decodePng(bytes, why);
    if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] == '5')
        return decodePgm(bytes, why);
    fail(why, "neither PNG nor binary PGM");
    return std::nullopt;
}

bool writePng(std::string const& path, Frame const& frame, FileDepth depth)
{
    return writeFile(path, encodePng(frame, depth));
}

bool writePgm(std::string const& path, Frame const& frame, FileDepth depth)
{
    return writeFile(path, encodePgm(frame, depth));
}

std::optional<Frame> readImage(std::string const& path, std::string* why)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fail(why, "cannot open the file");
        return std::nullopt;
    }
    std::vector<uint8_t> const bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        fail(why, "cannot read the file");
        return std::nullopt;
    }
    return decodeImage(bytes, why);
}

} // namespace support
