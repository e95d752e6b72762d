#include "decoder/legacy/maxicode/maxi_centring.h"

#include "decoder/legacy/engine/legacy_arctan.h"
#include "decoder/legacy/engine/legacy_geometry.h"

int THRESHOLD3 = 512;
MaxiPoint16 Cir28[8];
MaxiPoint16 Cir38[8];
int CirValue1;
int CirValue2;
short BlockP[256];

namespace {

// BlockP by rule: the sum of the differing samples' unit vectors.
bool BuildBlockP()
{
    for (int pattern = 0; pattern < 256; ++pattern) {
        long long sx = 0;
        long long sy = 0;
        for (int i = 0; i < 8; ++i) {
            if ((pattern >> i & 1) != 0) {
                sx += my_cos104_33(45 * i);
                sy += my_sin104_33(45 * i);
            }
        }
        // Opposite pairs cancel: no side to move from.
        if (sx * sx + sy * sy < 20000LL * 20000LL) {
            BlockP[pattern] = -1;
            continue;
        }
        // The angle in sixteenths of a turn, rounded, as whole degrees.
        int const degrees = rough_arctan(static_cast<int>(sy), static_cast<int>(sx));
        int const sixteenth = ((degrees * 2 + 22) / 45) % 16;
        BlockP[pattern] = static_cast<short>((sixteenth * 45 + 1) / 2);
    }
    return true;
}

bool IsDarkAt(int y, int x, int threshold) { return threshold >= ImgValueAve(y, x); }

int Pattern(MaxiPoint16 const* circle, int y, int x, bool centreDark, int threshold)
{
    int pattern = 0;
    for (int i = 0; i < 8; ++i) {
        if (IsDarkAt(y + circle[i].y, x + circle[i].x, threshold) != centreDark) {
            pattern |= 1 << i;
        }
    }
    return pattern;
}

void SetCircles(int pitch)
{
    for (int i = 0; i < 8; ++i) {
        long long const c = my_cos104_33(45 * i);
        long long const s = my_sin104_33(45 * i);
        Cir28[i] = {static_cast<int>(c * (pitch / 4) / 100000), static_cast<int>(-s * (pitch / 4) / 100000)};
        Cir38[i] = {static_cast<int>(c * (3LL * pitch / 8) / 100000), static_cast<int>(-s * (3LL * pitch / 8) / 100000)};
    }
}

}  // namespace

int SetCenter(MaxiPoint16* out, int y, int x, int pitch)
{
    static bool const built = BuildBlockP();
    (void)built;
    int const threshold = TH_SELECT == 1 ? THRESHOLD2 : THRESHOLD3;
    bool const centreDark = IsDarkAt(y, x, threshold);
    CirValue1 = Pattern(Cir28, y, x, centreDark, threshold);
    CirValue2 = Pattern(Cir38, y, x, centreDark, threshold);
    *out = {0, 0};
    int pattern = CirValue1;
    int part = pitch / 32;
    if (pattern == 0) {
        pattern = CirValue2;
        part = pitch / 64;
    }
    if (pattern == 0 || BlockP[pattern] < 0) {
        return 0;
    }
    int const d = BlockP[pattern];
    // Away from the differing side: the cosine and sine in 65536ths.
    long long const c = static_cast<long long>(my_cos104_33(d)) * 65536 / 100000;
    long long const s = static_cast<long long>(my_sin104_33(d)) * 65536 / 100000;
    out->x = static_cast<int>(-((c * part) >> 14));
    out->y = static_cast<int>((s * part) >> 14);
    return out->x != 0 || out->y != 0 ? 1 : 0;
}

int AdjustXY36(int xFrom, int yFrom, int xTo, int yTo, int line, int record, int direction, int count)
{
    if (count <= 0 || line < 0 || line >= kMaxiLines) {
        return 0;
    }
    int const sx = (xTo - xFrom) / count;
    int const sy = (yTo - yFrom) / count;
    int const ax = sx < 0 ? -sx : sx;
    int const ay = sy < 0 ? -sy : sy;
    int const pitch = ax > ay ? ax + 3 * (ay / 8) : ay + 3 * (ax / 8);
    SetCircles(pitch);
    int corrections = 0;
    MaxiPoint16 p{xFrom, yFrom};
    int r = record;
    if (r >= 0 && r < kMaxiLines) {
        tMod[line][r] = p;
    }
    for (int k = 0; k < count; ++k) {
        r += direction;
        if (r < 0 || r >= kMaxiLines) {
            break;
        }
        p = {p.x + sx, p.y + sy};
        MaxiPoint16 shift;
        corrections += SetCenter(&shift, p.y, p.x, pitch);
        p = {p.x + shift.x, p.y + shift.y};
        tMod[line][r] = p;
    }
    return corrections;
}
