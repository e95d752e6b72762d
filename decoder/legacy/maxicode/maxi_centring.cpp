#include "decoder/legacy/maxicode/maxi_centring.h"

#include "decoder/legacy/engine/legacy_arctan.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/maxicode/maxi_cluster_search.h"

int THRESHOLD3 = 512;
MaxiPoint16 Cir28[8];
MaxiPoint16 Cir38[8];
int CirValue1;
int CirValue2;
short BlockP[256];
MaxiPoint16 tModL[kMaxiLines][kMaxiLines];
MaxiPoint16 tModR[kMaxiLines][kMaxiLines];
MaxiPoint16 MaxiSide[kMaxiLines][2];

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

namespace {

bool IsSet(MaxiPoint16 p) { return p.x != tZeroXY.x || p.y != tZeroXY.y; }

MaxiPoint16 Beside(MaxiPoint16 p, MaxiPoint16 side)
{
    return IsSet(side) ? MaxiPoint16{p.x + side.x, p.y + side.y} : tZeroXY;
}

}  // namespace

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
    MaxiPoint16 const sideL = MaxiSide[line][0];
    MaxiPoint16 const sideR = MaxiSide[line][1];
    int corrections = 0;
    MaxiPoint16 p{xFrom, yFrom};
    int r = record;
    if (r >= 0 && r < kMaxiLines) {
        tMod[line][r] = p;
        tModL[line][r] = Beside(p, sideL);
        tModR[line][r] = Beside(p, sideR);
    }
    for (int k = 0; k < count; ++k) {
        r += direction;
        if (r < 0 || r >= kMaxiLines) {
            break;
        }
        p = {p.x + sx, p.y + sy};
        // The module and its neighbours each centred; their corrections
        // move all three together.
        MaxiPoint16 const at[3] = {p, Beside(p, sideL), Beside(p, sideR)};
        long long x = 0;
        long long y = 0;
        int n = 0;
        for (MaxiPoint16 const& q : at) {
            MaxiPoint16 shift;
            if (&q != at && !IsSet(q)) {
                continue;
            }
            if (SetCenter(&shift, q.y, q.x, pitch) != 0) {
                x += shift.x;
                y += shift.y;
                ++n;
            }
        }
        corrections += n;
        if (n == 2) {
            x /= 2;
            y /= 2;
        } else if (n == 3) {
            x = x * 1365 / 4096;
            y = y * 1365 / 4096;
        }
        p = {p.x + static_cast<int>(x), p.y + static_cast<int>(y)};
        tMod[line][r] = p;
        tModL[line][r] = Beside(p, sideL);
        tModR[line][r] = Beside(p, sideR);
    }
    return corrections;
}
