// Whole camera frames through the decoder handle as scanner-sim's decode
// builds it, with every symbology on, both polarities and no length limits:
// the code searcher and every decoder behind it must take any picture, report
// only labels that lie inside the label buffer, and never read or write
// outside the frame or their work areas.
//
// Input: four header bytes (width 32-160, height 24-120, at most 80 x 60 in
// the searching read modes; read mode and filter switches; the two greys),
// then drawing steps over a plain background, each an opcode byte and its
// operands:
//   0 bars     x y height module, count, count bits (dark modules), vertical
//              or, with opcode bit 2, horizontal
//   1 modules  x y module columns rows, columns * rows bits, row by row
//   2 pixels   x y width height (1-16), one 8-bit grey per pixel
//   3 box      x y width height grey
// A step whose operands run past the input is left out.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "config/configuration.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/tag_decode_option.h"

namespace {

namespace cfg = ivra_configuration;

constexpr int kMaxWidth = 160;
constexpr int kMaxHeight = 120;
constexpr int kMaxSearchedWidth = 80;
constexpr int kMaxSearchedHeight = 60;

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// Every leaf of a subtree given the same value bytes, where its type takes them.
void SetLeaves(cfg::CommonPropertyHandle const& node, cfg::ValueType type, void const* value)
{
    for (auto const* child = node.FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (child->IsNode()) {
            SetLeaves(*child, type, value);
        } else if (child->Info() != nullptr && child->Info()->type.type == type) {
            child->SetBytes(value);
        }
    }
}

unsigned labels = 0;

// Takes no label, so that the search goes on to every symbol of the frame.
bool Collect(void*, tagDecodedLabel const* view)
{
    Require(view != nullptr && (view->data != nullptr || view->length == 0));
    Require(view->length <= 0x10000);
    // Touch every byte, so that a label pointing past its buffer is caught.
    unsigned sum = 0;
    for (unsigned i = 0; i < view->length; ++i) {
        sum += static_cast<unsigned char>(view->data[i]);
    }
    labels += 1 + (sum & 1);
    return false;
}

DEC2D_HANDLE Handle()
{
    static DEC2D_HANDLE const handle = [] {
        auto& root = cfg::Root();
        unsigned char const on = 1;
        SetLeaves(*root.Find("read"), cfg::ValueType::kBool, &on);
        std::uint32_t const both = 2;  // POSITIVE_AND_NEGATIVE
        SetLeaves(*root.Find("readable_medium/positive_and_negative_codes"), cfg::ValueType::kEnum, &both);
        cfg::FixedLength any{};
        any.maximum = cfg::FixedLength::kNoMaximum;
        SetLeaves(*root.Find("fixed_length"), cfg::ValueType::kFixedLength, &any);
        Require(cfg::Update());
        // The table outlives the handle, which lives as long as the process.
        static DEC2DIvra::DEC2DProperty* const table = new DEC2DIvra::DEC2DProperty();
        DEC2D_SetDec2DProperty(table);
        DEC2D_HANDLE const h = DEC2D_GetSingletonDecoderHandle();
        Require(h != nullptr);
        DEC2D_ImplementFormatter(h, nullptr, nullptr, nullptr, Collect);
        return h;
    }();
    return handle;
}

class Reader {
public:
    Reader(std::uint8_t const* data, std::size_t size) : data_(data), size_(size) {}
    bool Has(std::size_t n) const { return size_ - at_ >= n; }
    std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
    bool Bit()
    {
        if (bit_ == 8) {
            byte_ = Next();
            bit_ = 0;
        }
        return (byte_ >> bit_++ & 1) != 0;
    }
    void EndBits() { bit_ = 8; }

private:
    std::uint8_t const* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    std::uint8_t byte_ = 0;
    unsigned bit_ = 8;
};

class Canvas {
public:
    Canvas(int width, int height, unsigned short background)
        : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, background)
    {
    }

    void Fill(int x, int y, int w, int h, unsigned short grey)
    {
        for (int j = y; j < y + h && j < height_; ++j) {
            for (int i = x; i < x + w && i < width_; ++i) {
                pixels_[static_cast<std::size_t>(j) * width_ + i] = grey;
            }
        }
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    std::vector<unsigned short> const& Pixels() const { return pixels_; }

private:
    int width_;
    int height_;
    std::vector<unsigned short> pixels_;
};

unsigned short TenBits(unsigned v) { return static_cast<unsigned short>(v * 4 + v / 64); }

void Draw(Reader& in, Canvas& canvas, unsigned short dark, unsigned short light)
{
    while (in.Has(5)) {
        std::uint8_t const op = in.Next();
        int const x = in.Next() % canvas.Width();
        int const y = in.Next() % canvas.Height();
        switch (op & 3) {
        case 0: {
            int const extent = 1 + in.Next() % kMaxHeight;
            int const module = 1 + in.Next() % 4;
            int const count = 1 + in.Next() % 128;
            if (!in.Has(static_cast<std::size_t>(count + 7) / 8)) {
                return;
            }
            bool const across = (op & 4) != 0;
            for (int i = 0; i < count; ++i) {
                unsigned short const grey = in.Bit() ? dark : light;
                if (across) {
                    canvas.Fill(x, y + i * module, extent, module, grey);
                } else {
                    canvas.Fill(x + i * module, y, module, extent, grey);
                }
            }
            in.EndBits();
            break;
        }
        case 1: {
            int const module = 1 + in.Next() % 4;
            int const columns = 1 + in.Next() % 160;
            int const rows = in.Has(1) ? 1 + in.Next() % 120 : 1;
            if (!in.Has(static_cast<std::size_t>(columns * rows + 7) / 8)) {
                return;
            }
            for (int r = 0; r < rows; ++r) {
                for (int c = 0; c < columns; ++c) {
                    canvas.Fill(x + c * module, y + r * module, module, module, in.Bit() ? dark : light);
                }
            }
            in.EndBits();
            break;
        }
        case 2: {
            int const w = 1 + in.Next() % 16;
            int const h = 1 + in.Next() % 16;
            if (!in.Has(static_cast<std::size_t>(w * h))) {
                return;
            }
            for (int j = 0; j < h; ++j) {
                for (int i = 0; i < w; ++i) {
                    canvas.Fill(x + i, y + j, 1, 1, TenBits(in.Next()));
                }
            }
            break;
        }
        default: {
            int const w = 1 + in.Next();
            int const h = in.Has(1) ? 1 + in.Next() : 1;
            canvas.Fill(x, y, w, h, TenBits(in.Next()));
            break;
        }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size < 4) {
        return 0;
    }
    DEC2D_HANDLE const handle = Handle();
    Reader in(data, size);
    int width = 32 + in.Next() % (kMaxWidth - 31);
    int height = 24 + in.Next() % (kMaxHeight - 23);
    std::uint8_t const mode = in.Next();
    // The searching modes cost several times the fixed band: every candidate
    // region is tried by every decoder of its kind, and the bull's-eye checks
    // of the legacy engine grow with the frame. Half the frames take the band
    // alone, and the searched ones are kept smaller.
    static constexpr unsigned kModes[4] = {DEC2DIvra::kReadModeHandy, DEC2DIvra::kReadModeMoving,
                                           DEC2DIvra::kFixedBandReadMode, DEC2DIvra::kFixedBandReadMode};
    unsigned const readMode = kModes[mode % 4];
    if (readMode != DEC2DIvra::kFixedBandReadMode) {
        width = width < kMaxSearchedWidth ? width : kMaxSearchedWidth;
        height = height < kMaxSearchedHeight ? height : kMaxSearchedHeight;
    }
    std::uint8_t const greys = in.Next();
    // Dark 0-210 and light 600-1020 in steps, or their swap for a negative picture.
    unsigned short dark = static_cast<unsigned short>((greys & 7) * 30);
    unsigned short light = static_cast<unsigned short>(600 + (greys >> 3 & 7) * 60);
    if ((greys & 0x40) != 0) {
        unsigned short const t = dark;
        dark = light;
        light = t;
    }
    Canvas canvas(width, height, light);
    Draw(in, canvas, dark, light);

    DEC2DIvra::tagDecodeOption options = DEC2DIvra::MakeDefaultDecodeOption(width, height);
    options.readMode = readMode;
    options.flagBytes[4] = mode >> 2 & 1;
    options.whiteBoldEnable = mode >> 3 & 1;
    options.movingAverageEnable = mode >> 4 & 1;
    DEC2D_OnTriggerDown(handle);
    DEC2D_Main(handle, width, height, width, canvas.Pixels().data(), &options);
    return 0;
}
