#include "platform/sim/image_file.h"

#include "platform/sim/camera_types.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace plat::sim {
namespace {

// A file larger than the largest image we take, in its widest encoding, is not read at all.
constexpr long kMaxFileBytes = static_cast<long>(kMaxImagePixels * 2 + 4096);

std::optional<GreyImage> refuse(std::string* why, std::string const& text)
{
    if (why != nullptr) {
        *why = text;
    }
    return std::nullopt;
}

bool sizeAllowed(std::uint64_t width, std::uint64_t height)
{
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

// ---- PNG ----

// Everything libpng touches. libpng reports errors by longjmp, so objects with destructors
// live here, outside the frame that calls setjmp.
struct PngRead {
    std::span<std::uint8_t const> input;
    std::size_t offset = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<std::uint8_t> pixels;
    std::vector<png_bytep> rows;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int depth = 0;
    char message[160] = {};
};

void pngError(png_structp png, png_const_charp message)
{
    auto* io = static_cast<PngRead*>(png_get_error_ptr(png));
    std::snprintf(io->message, sizeof io->message, "png: %s", message);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void pngInput(png_structp png, png_bytep out, std::size_t count)
{
    auto* io = static_cast<PngRead*>(png_get_io_ptr(png));
    if (count > io->input.size() - io->offset) {
        png_error(png, "file ends early");
    }
    std::memcpy(out, io->input.data() + io->offset, count);
    io->offset += count;
}

// Leaves one grey channel of 8 or 16 bits in io.pixels.
bool readPng(PngRead& io)
{
    io.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &io, pngError, pngWarning);
    if (io.png == nullptr) {
        std::snprintf(io.message, sizeof io.message, "png: out of memory");
        return false;
    }
    io.info = png_create_info_struct(io.png);
    if (io.info == nullptr) {
        std::snprintf(io.message, sizeof io.message, "png: out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(io.png))) {
        return false;
    }
    png_set_read_fn(io.png, &io, pngInput);
    png_set_user_limits(io.png, kMaxImageSide, kMaxImageSide);
    png_read_info(io.png, io.info);
    io.width = png_get_image_width(io.png, io.info);
    io.height = png_get_image_height(io.png, io.info);
    if (!sizeAllowed(io.width, io.height)) {
        png_error(io.png, "image too large");
    }
    int const type = png_get_color_type(io.png, io.info);
    if (type == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(io.png);
    }
    if (type == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(io.png, io.info) < 8) {
        png_set_expand_gray_1_2_4_to_8(io.png);
    }
    // Transparency is not light: a transparent pixel shows its stored grey.
    png_set_strip_alpha(io.png);
    if ((type & PNG_COLOR_MASK_COLOR) != 0) {
        png_set_rgb_to_gray_fixed(io.png, PNG_ERROR_ACTION_NONE, -1, -1);
    }
    png_set_interlace_handling(io.png);
    png_read_update_info(io.png, io.info);
    io.depth = png_get_bit_depth(io.png, io.info);
    std::size_t const rowBytes = png_get_rowbytes(io.png, io.info);
    if (png_get_channels(io.png, io.info) != 1 || (io.depth != 8 && io.depth != 16) ||
        rowBytes != io.width * static_cast<std::size_t>(io.depth / 8)) {
        png_error(io.png, "unsupported pixel layout");
    }
    io.pixels.resize(rowBytes * io.height);
    io.rows.resize(io.height);
    for (std::uint32_t y = 0; y < io.height; ++y) {
        io.rows[y] = io.pixels.data() + y * rowBytes;
    }
    png_read_image(io.png, io.rows.data());
    png_read_end(io.png, nullptr);
    return true;
}

std::optional<GreyImage> decodePng(std::span<std::uint8_t const> bytes, std::string* why)
{
    PngRead io;
    io.input = bytes;
    bool const ok = readPng(io);
    png_destroy_read_struct(&io.png, io.info != nullptr ? &io.info : nullptr, nullptr);
    if (!ok) {
        return refuse(why, io.message);
    }
    GreyImage image{static_cast<int>(io.width), static_cast<int>(io.height), {}};
    std::size_t const count = static_cast<std::size_t>(io.width) * io.height;
    image.samples.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        image.samples[i] = io.depth == 8 ? tenBitsOf8(io.pixels[i])
                                         : static_cast<std::uint16_t>((io.pixels[2 * i] << 8 | io.pixels[2 * i + 1]) >> 6);
    }
    return image;
}

// ---- PGM ----

class PgmHeader {
public:
    explicit PgmHeader(std::span<std::uint8_t const> bytes) : bytes_(bytes) {}

    // A decimal field after whitespace and comments; false when there is none or it is huge.
    bool number(std::uint32_t& value)
    {
        skipSpace();
        std::size_t const start = at_;
        value = 0;
        while (at_ < bytes_.size() && bytes_[at_] >= '0' && bytes_[at_] <= '9') {
            value = value * 10 + (bytes_[at_] - '0');
            if (value > 1000000) {
                return false;
            }
            ++at_;
        }
        return at_ > start;
    }

    // The header ends with exactly one whitespace byte after the last field.
    bool endOfHeader()
    {
        if (at_ >= bytes_.size() || !isSpace(bytes_[at_])) {
            return false;
        }
        ++at_;
        return true;
    }

    std::size_t offset() const { return at_; }

private:
    static bool isSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

    void skipSpace()
    {
        while (at_ < bytes_.size()) {
            if (bytes_[at_] == '#') {
                while (at_ < bytes_.size() && bytes_[at_] != '\n' && bytes_[at_] != '\r') {
                    ++at_;
                }
            } else if (isSpace(bytes_[at_])) {
                ++at_;
            } else {
                return;
            }
        }
    }

    std::span<std::uint8_t const> bytes_;
    std::size_t at_ = 2; // after "P5"
};

std::uint16_t fromMaxval(std::uint32_t v, std::uint32_t maxval)
{
    if (maxval == kSensorMaxLevel) {
        return static_cast<std::uint16_t>(v);
    }
    if (maxval == 255) {
        return tenBitsOf8(v);
    }
    return static_cast<std::uint16_t>((v * kSensorMaxLevel + maxval / 2) / maxval);
}

std::optional<GreyImage> decodePgm(std::span<std::uint8_t const> bytes, std::string* why)
{
    PgmHeader header(bytes);
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t maxval = 0;
    if (!header.number(width) || !header.number(height) || !header.number(maxval) || !header.endOfHeader()) {
        return refuse(why, "pgm: malformed header");
    }
    if (!sizeAllowed(width, height)) {
        return refuse(why, "pgm: image size out of range");
    }
    if (maxval == 0 || maxval > kSensorMaxLevel) {
        return refuse(why, "pgm: maxval must be 1..1023");
    }
    std::size_t const wide = maxval > 255 ? 2 : 1;
    std::size_t const count = static_cast<std::size_t>(width) * height;
    auto const data = bytes.subspan(header.offset());
    if (data.size() < count * wide) {
        return refuse(why, "pgm: file ends early");
    }
    GreyImage image{static_cast<int>(width), static_cast<int>(height), std::vector<std::uint16_t>(count)};
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t const v = wide == 1 ? data[i] : static_cast<std::uint32_t>(data[2 * i] << 8 | data[2 * i + 1]);
        if (v > maxval) {
            return refuse(why, "pgm: sample above maxval");
        }
        image.samples[i] = fromMaxval(v, maxval);
    }
    return image;
}

} // namespace

std::optional<GreyImage> decodeImageFile(std::span<std::uint8_t const> bytes, std::string* why)
{
    static constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() >= sizeof kPngSignature && std::memcmp(bytes.data(), kPngSignature, sizeof kPngSignature) == 0) {
        return decodePng(bytes, why);
    }
    if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] == '5') {
        return decodePgm(bytes, why);
    }
    return refuse(why, "not a PNG or binary PGM file");
}

std::optional<GreyImage> loadImageFile(std::string const& path, std::string* why)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return refuse(why, path + ": " + std::strerror(errno));
    }
    std::vector<std::uint8_t> bytes;
    bool tooLarge = false;
    std::uint8_t chunk[65536];
    while (true) {
        std::size_t const n = std::fread(chunk, 1, sizeof chunk, file);
        if (bytes.size() + n > static_cast<std::size_t>(kMaxFileBytes)) {
            tooLarge = true;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n < sizeof chunk) {
            break;
        }
    }
    bool const failed = std::ferror(file) != 0;
    std::fclose(file);
    if (tooLarge) {
        return refuse(why, path + ": file too large");
    }
    if (failed) {
        return refuse(why, path + ": read error");
    }
    std::string reason;
    auto image = decodeImageFile(bytes, &reason);
    if (!image) {
        return refuse(why, path + ": " + reason);
    }
    return image;
}

} // namespace plat::sim
