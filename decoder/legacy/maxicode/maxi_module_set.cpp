#include "decoder/legacy/maxicode/maxi_module_set.h"

#include "decoder/legacy/engine/legacy_scan_line.h"

MaxiPoint16 Modl[kMaxiLines * kMaxiLines];
MaxiPoint16 tMod[kMaxiLines][kMaxiLines];
unsigned short MX_bits[kMaxiRows * kMaxiColumns];
int THRESHOLD2 = 512;
int TH_SELECT = 0;

namespace {

// 4096 / n, and 4096 for n = 0.
int Reciprocal(int n) { return n <= 0 ? 4096 : 4096 / n; }

int Clamp(int v, int low, int high) { return v < low ? low : (v > high ? high : v); }

unsigned short Pixel(int x, int y)
{
    DECODE_IMAGE_INFO_st const& info = decode_image_info;
    return info.samplePixels[y * (info.sampleWidth + info.sampleRowPadding) + x];
}

bool FrameReady()
{
    DECODE_IMAGE_INFO_st const& info = decode_image_info;
    return info.samplePixels != nullptr && info.sampleWidth > 0 && info.sampleHeight > 0;
}

// The grey values of the six columns just sampled (five for the odd rows'
// first block) cut at the band's threshold.
void Binarise(int r0, int n, int lastColumn, int low, int high)
{
    int const threshold = TH_SELECT == 1 ? THRESHOLD2 : (low + high) / 2;
    for (int r = r0; r <= r0 + n; ++r) {
        bool const odd = (r & 1) != 0;
        int const to = odd ? lastColumn - 1 : lastColumn;
        int const from = lastColumn - 5 - (odd ? 1 : 0) < 0 ? 0 : lastColumn - 5 - (odd ? 1 : 0);
        for (int c = from; c <= to; ++c) {
            unsigned short& v = MX_bits[r * kMaxiColumns + c];
            v = v > threshold ? '0' : '1';
        }
    }
}

}  // namespace

int ImgValue0(int x, int y)
{
    if (!FrameReady()) {
        return 0;
    }
    DECODE_IMAGE_INFO_st const& info = decode_image_info;
    return Pixel(Clamp(x, 0, info.sampleWidth - 1), Clamp(y, 0, info.sampleHeight - 1));
}

int ImgValueAve(int y, int x)
{
    if (!FrameReady()) {
        return 0;
    }
    DECODE_IMAGE_INFO_st const& info = decode_image_info;
    long long const maxX = static_cast<long long>(info.sampleWidth - 1) << 16;
    long long const maxY = static_cast<long long>(info.sampleHeight - 1) << 16;
    long long const cx = x < 0 ? 0 : (x > maxX ? maxX : x);
    long long const cy = y < 0 ? 0 : (y > maxY ? maxY : y);
    int const i = static_cast<int>(cx >> 16);
    int const j = static_cast<int>(cy >> 16);
    long long const fx = cx & 0xFFFF;
    long long const fy = cy & 0xFFFF;
    int const i1 = i + 1 < info.sampleWidth ? i + 1 : i;
    int const j1 = j + 1 < info.sampleHeight ? j + 1 : j;
    long long const top = Pixel(i, j) * (65536 - fx) + Pixel(i1, j) * fx;
    long long const bottom = Pixel(i, j1) * (65536 - fx) + Pixel(i1, j1) * fx;
    return static_cast<int>((top * (65536 - fy) + bottom * fy + (1LL << 31)) >> 32);
}

void ModuleSet(int a, int b, int n, int r0)
{
    int low = 1023;
    int high = 0;
    int const reciprocal = Reciprocal(n);
    for (int k = 0; k < kMaxiColumns; ++k) {
        MaxiPoint16 const A = tMod[a][k + 1];
        MaxiPoint16 const B = tMod[b][k + 1];
        int const dx = (B.x - A.x) / 4096;
        int const dy = (B.y - A.y) / 4096;
        for (int r = r0; r <= r0 + n; r += 2) {
            int const t = r - r0;
            MaxiPoint16& p = Modl[kMaxiLines * r + k];
            p.x = A.x + dx * t * reciprocal;
            p.y = A.y + dy * t * reciprocal;
            int const grey = ImgValueAve(p.y, p.x);
            MX_bits[r * kMaxiColumns + k] = static_cast<unsigned short>(grey);
            low = grey < low ? grey : low;
            high = grey > high ? grey : high;
        }
        // Odd-row module (r, k - 1) lies halfway between (r - 1, k) and
        // (r + 1, k - 1).
        for (int r = r0 + 1; r < r0 + n && k >= 1; r += 2) {
            MaxiPoint16 const& up = Modl[kMaxiLines * (r - 1) + k];
            MaxiPoint16 const& down = Modl[kMaxiLines * (r + 1) + k - 1];
            MaxiPoint16& p = Modl[kMaxiLines * r + k - 1];
            p.x = up.x / 2 + down.x / 2;
            p.y = up.y / 2 + down.y / 2;
            int const grey = ImgValueAve(p.y, p.x);
            MX_bits[r * kMaxiColumns + k - 1] = static_cast<unsigned short>(grey);
            low = grey < low ? grey : low;
            high = grey > high ? grey : high;
        }
        if (k % 6 == 5) {
            Binarise(r0, n, k, low, high);
        }
    }
    // The last position of an odd row is never sampled.
    for (int r = r0 + 1; r < r0 + n; r += 2) {
        MX_bits[r * kMaxiColumns + kMaxiColumns - 1] = '0';
    }
}

void SetMaxiThreshold(int cx, int cy, int top, int bottom, int left, int right)
{
    int low = 1023;
    int high = 0;
    for (int y = cy - top; y <= cy + bottom; ++y) {
        int const g = ImgValue0(cx, y);
        low = g < low ? g : low;
        high = g > high ? g : high;
    }
    for (int x = cx - left; x <= cx + right; ++x) {
        int const g = ImgValue0(x, cy);
        low = g < low ? g : low;
        high = g > high ? g : high;
    }
    THRESHOLD2 = (low + high) / 2;
}

void SampleMaxiBands()
{
    ModuleSet(12, 10, 4, 0);
    ModuleSet(10, 0, 6, 4);
    ModuleSet(0, 8, 6, 10);
    ModuleSet(8, 3, 6, 16);
    ModuleSet(3, 11, 6, 22);
    ModuleSet(11, 13, 4, 28);
}
