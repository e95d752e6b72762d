#include "decoder/legacy/maxicode/maxi_grid.h"
#include "decoder/legacy/maxicode/maxi_module_set.h"

#include <cmath>
#include <initializer_list>

#include "decoder/core/sampling/bilinear.h"
#include "decoder/legacy/engine/legacy_linear_system.h"
#include "decoder/legacy/maxicode/maxi_projective_fit.h"

namespace {

using DEC2DIvra::GrayImage;

constexpr float kPi = 3.14159265f;
constexpr float kRowPitch = 0.8660254f;  // sqrt(3) / 2
// Ring edges from the centre outward, in module pitches: light centre spot,
// then three dark rings; odd edges turn light to dark.
constexpr float kRingEdges[6] = {0.579f, 1.3665f, 2.1533f, 2.9404f, 3.7274f, 4.5145f};
constexpr float kRingWidth = 0.787f;
constexpr int kRays = 72;

// The fixed dark orientation modules beside the bull's-eye.
constexpr int kOrientation[11][2] = {
    {9, 10}, {9, 11}, {10, 11}, {15, 7}, {16, 8}, {16, 20}, {17, 20}, {22, 10}, {22, 17}, {23, 10}, {23, 17},
};

// Light-on-dark symbols are read as their negative.
bool g_inverted;

float Sample(GrayImage const& image, float x, float y)
{
    float const grey = MaxiGrey(image, x, y);
    return g_inverted ? 1023 - grey : grey;
}

// Symbol units to pixels, a homography written about the bull's-eye centre
// (c, f) so that the perspective terms leave the centre and the scale there
// alone: x = c + (a u + b v) / w, y = f + (d u + e v) / w, w = 1 + g u + h v.
struct Mapping {
    double p[8];

    void Map(float u, float v, float& x, float& y) const
    {
        double const w = p[6] * u + p[7] * v + 1.0;
        double const safe = std::fabs(w) < 1e-6 ? 1e-6 : w;
        x = static_cast<float>(p[2] + (p[0] * u + p[1] * v) / safe);
        y = static_cast<float>(p[5] + (p[3] * u + p[4] * v) / safe);
    }
};

struct Placement {
    bool valid;
    MaxiBullsEye eye;
    float threshold;
    float contrast;
    Mapping mapping[2];  // the best turn and the runner-up
    Mapping seed[2];     // the same before refinement
    int mappings;
    int refined;         // how many of them are refined
    // The affine placement the turns were chosen on, for a later runner-up.
    float cx;
    float cy;
    double l[4];
    float turn;
    float darkness;      // of the orientation modules at `turn`
};

Placement g_placement;
// The best turn placed again from a lattice turn moved a little: under
// heavy blur the refinement settles on a grid a module off from some starts.
Placement g_restart;
// A placement fitted locally, group by group.
Placement g_local;
constexpr float kRestartTurns[2] = {0.5f, -0.5f};  // degrees

struct ModuleOffsets {
    float u[kMaxiRows][kMaxiColumns];
    float v[kMaxiRows][kMaxiColumns];
    bool ready;
};

ModuleOffsets g_offsets;

void PrepareOffsets()
{
    if (g_offsets.ready) {
        return;
    }
    for (int r = 0; r < kMaxiRows; ++r) {
        for (int c = 0; c < kMaxiColumns; ++c) {
            MaxiModuleOffset(r, c, g_offsets.u[r][c], g_offsets.v[r][c]);
        }
    }
    g_offsets.ready = true;
}

bool IsSampled(int row, int column) { return maxbits[row][column] > 0; }

// Mid-range grey across the bull's-eye, on its horizontal and vertical
// diameters.
void RingLevels(GrayImage const& image, MaxiBullsEye const& eye, float& threshold, float& contrast)
{
    float low = 1023;
    float high = 0;
    auto visit = [&](float x, float y) {
        float const g = Sample(image, x, y);
        low = g < low ? g : low;
        high = g > high ? g : high;
    };
    for (float d = -eye.left; d <= eye.right; d += 0.5f) {
        visit(eye.x + d, eye.y);
    }
    for (float d = -eye.top; d <= eye.bottom; d += 0.5f) {
        visit(eye.x, eye.y + d);
    }
    threshold = (low + high) / 2;
    contrast = high - low;
}

// Least-squares ellipse through points relative to (ox, oy):
// A x^2 + B xy + C y^2 + D x + E y = 1. Answers the centre and the matrix N
// with (p - centre)^T N (p - centre) = 1.
bool FitEllipse(float const* xs, float const* ys, int n, float ox, float oy, float& cx, float& cy, double n2[3])
{
    if (n < 8) {
        return false;
    }
    double scale = 0;
    for (int i = 0; i < n; ++i) {
        scale += std::fabs(xs[i] - ox) + std::fabs(ys[i] - oy);
    }
    scale = scale / n;
    if (scale < 1e-3) {
        return false;
    }
    double m[8][9] = {};
    for (int i = 0; i < n; ++i) {
        double const x = (xs[i] - ox) / scale;
        double const y = (ys[i] - oy) / scale;
        double const row[5] = {x * x, x * y, y * y, x, y};
        for (int a = 0; a < 5; ++a) {
            for (int b = 0; b < 5; ++b) {
                m[a][b] += row[a] * row[b];
            }
            m[a][5] += row[a];
        }
    }
    double solution[5];
    if (!SolveLinearSystem(m, 5, solution)) {
        return false;
    }
    double const A = solution[0];
    double const B = solution[1];
    double const C = solution[2];
    double const D = solution[3];
    double const E = solution[4];
    double const det = 4 * A * C - B * B;
    if (det <= 1e-12) {
        return false;
    }
    double const x0 = (B * E - 2 * C * D) / det;
    double const y0 = (B * D - 2 * A * E) / det;
    double const kappa = 1 + A * x0 * x0 + B * x0 * y0 + C * y0 * y0;
    if (kappa <= 0) {
        return false;
    }
    n2[0] = A / kappa / (scale * scale);
    n2[1] = B / 2 / kappa / (scale * scale);
    n2[2] = C / kappa / (scale * scale);
    cx = static_cast<float>(ox + x0 * scale);
    cy = static_cast<float>(oy + y0 * scale);
    return n2[0] > 0 && n2[2] > 0;
}

// Ring edges along rays from the centre, each scaled to the outer dark ring's
// inner edge, so that one ellipse fits them all.
int RingPoints(GrayImage const& image, float cx, float cy, float threshold, double const* shape, float const* eye,
               float* xs, float* ys)
{
    int count = 0;
    for (int k = 0; k < kRays; ++k) {
        float const angle = 2 * kPi * k / kRays;
        float const dx = std::cos(angle);
        float const dy = std::sin(angle);
        float extent;
        if (shape != nullptr) {
            // Radius of the fitted ellipse (outer edge scaled) in this direction.
            double const q = shape[0] * dx * dx + 2 * shape[1] * dx * dy + shape[2] * dy * dy;
            extent = static_cast<float>(1 / std::sqrt(q));
        } else {
            float const ex = dx > 0 ? eye[1] : eye[0];
            float const ey = dy > 0 ? eye[3] : eye[2];
            extent = 1.0f / std::sqrt((dx * dx) / (ex * ex) + (dy * dy) / (ey * ey));
        }
        float const pitch = extent / kRingEdges[5];
        float const window = (shape != nullptr ? 0.3f : 0.45f) * kRingWidth * pitch;
        for (int e = 1; e < 5; ++e) {
            float const expected = kRingEdges[e] * pitch;
            bool const toDark = (e % 2) == 0;
            float best = -1;
            float previous = Sample(image, cx + dx * (expected - window), cy + dy * (expected - window));
            for (float r = expected - window + 0.25f; r <= expected + window; r += 0.25f) {
                float const g = Sample(image, cx + dx * r, cy + dy * r);
                bool const crossed = toDark ? (previous > threshold && g <= threshold)
                                            : (previous <= threshold && g > threshold);
                if (crossed) {
                    float const at = r - 0.25f + 0.25f * (previous - threshold) / (previous - g);
                    if (best < 0 || std::fabs(at - expected) < std::fabs(best - expected)) {
                        best = at;
                    }
                }
                previous = g;
            }
            if (best > 0) {
                float const scaled = best * kRingEdges[4] / kRingEdges[e];
                xs[count] = cx + dx * scaled;
                ys[count] = cy + dy * scaled;
                ++count;
            }
        }
    }
    return count;
}

// L with L^T N L = I (the symmetric inverse square root of N).
void InverseRoot(double const n2[3], double l[4])
{
    double const a = n2[0];
    double const b = n2[1];
    double const c = n2[2];
    double const mean = (a + c) / 2;
    double const radius = std::sqrt((a - c) * (a - c) / 4 + b * b);
    double const l1 = mean + radius;
    double const l2 = mean - radius;
    double vx = b;
    double vy = l1 - a;
    if (std::fabs(vx) + std::fabs(vy) < 1e-12) {
        vx = 1;
        vy = 0;
    }
    double const norm = std::sqrt(vx * vx + vy * vy);
    vx /= norm;
    vy /= norm;
    double const s1 = 1 / std::sqrt(l1);
    double const s2 = 1 / std::sqrt(l2 > 1e-12 ? l2 : 1e-12);
    // V diag(s1, s2) V^T with V = [[vx, -vy], [vy, vx]].
    l[0] = vx * vx * s1 + vy * vy * s2;
    l[1] = vx * vy * (s1 - s2);
    l[2] = l[1];
    l[3] = vy * vy * s1 + vx * vx * s2;
}

Mapping AffineAt(float cx, float cy, double const l[4], float turn)
{
    float const c = std::cos(turn) / kRingEdges[4];
    float const s = std::sin(turn) / kRingEdges[4];
    // Symbol (u, v) -> unit circle q = R (u, v) / r -> p = centre + L q.
    Mapping m{};
    m.p[0] = l[0] * c + l[1] * s;
    m.p[1] = -l[0] * s + l[1] * c;
    m.p[2] = cx;
    m.p[3] = l[2] * c + l[3] * s;
    m.p[4] = -l[2] * s + l[3] * c;
    m.p[5] = cy;
    return m;
}

// The positions beside the orientation modules that are always light: with
// them a turn of 180 degrees, which puts eight of the eleven dark modules on
// dark ones again, is told apart by four modules more.
constexpr int kOrientationLight[6][2] = {{10, 17}, {10, 18}, {16, 7}, {16, 21}, {22, 11}, {23, 16}};

// Mean grey of the orientation modules, the light ones mirrored about the
// threshold; with a tolerance, each the darkest (lightest) point within that
// many module pitches (the turn search's grid is only affine, so perspective
// moves them).
float OrientationDarkness(GrayImage const& image, Mapping const& m, float threshold, float tolerance = 0)
{
    auto extreme = [&](int const rc[2], bool dark) {
        float const u = g_offsets.u[rc[0]][rc[1]];
        float const v = g_offsets.v[rc[0]][rc[1]];
        float best = dark ? 1023 : 0;
        int const steps = tolerance > 0 ? 2 : 0;
        for (int i = -steps; i <= steps; ++i) {
            for (int j = -steps; j <= steps; ++j) {
                float x;
                float y;
                m.Map(u + tolerance * i / 2, v + tolerance * j / 2, x, y);
                float const g = Sample(image, x, y);
                best = (dark ? g < best : g > best) ? g : best;
            }
        }
        return best;
    };
    float sum = 0;
    for (auto const& rc : kOrientation) {
        sum += extreme(rc, true);
    }
    for (auto const& rc : kOrientationLight) {
        sum += 2 * threshold - extreme(rc, false);
    }
    return sum / 17;
}

// On module centres the samples lie far from the threshold, on the edges
// between neighbours (where they differ) near it; plain areas count nothing.
float ModuleSharpness(GrayImage const& image, Mapping const& m, float threshold, float u, float v)
{
    float x;
    float y;
    m.Map(u, v, x, y);
    float const centre = std::fabs(Sample(image, x, y) - threshold);
    m.Map(u + 0.5f, v, x, y);
    float const side = std::fabs(Sample(image, x, y) - threshold);
    m.Map(u + 0.25f, v + kRowPitch / 2, x, y);
    float const below = std::fabs(Sample(image, x, y) - threshold);
    return 2 * centre - side - below;
}

float Sharpness(GrayImage const& image, Mapping const& m, float threshold, float reach)
{
    float sum = 0;
    for (int r = 0; r < kMaxiRows; ++r) {
        for (int c = 0; c < kMaxiColumns; ++c) {
            float const u = g_offsets.u[r][c];
            float const v = g_offsets.v[r][c];
            if (IsSampled(r, c) && u * u + v * v <= reach * reach) {
                sum += ModuleSharpness(image, m, threshold, u, v);
            }
        }
    }
    return sum + 40 * (threshold - OrientationDarkness(image, m, threshold));
}

void RefineWithin(GrayImage const& image, Mapping& m, float threshold, float reach, double pitch)
{
    double const lean = 0.1 / reach;  // a perspective step that moves the rim by a tenth
    double step[8] = {0.02 * pitch, 0.02 * pitch, 0.15 * pitch, 0.02 * pitch, 0.02 * pitch, 0.15 * pitch, lean, lean};
    float best = Sharpness(image, m, threshold, reach);
    for (int round = 0; round < 4; ++round) {
        for (int pass = 0; pass < 4; ++pass) {
            bool moved = false;
            for (int k = 0; k < 8; ++k) {
                for (int sign = -1; sign <= 1; sign += 2) {
                    Mapping trial = m;
                    trial.p[k] += sign * step[k];
                    float const score = Sharpness(image, trial, threshold, reach);
                    if (score > best) {
                        best = score;
                        m = trial;
                        moved = true;
                        break;
                    }
                }
            }
            if (!moved) {
                break;
            }
        }
        for (double& s : step) {
            s /= 2;
        }
    }
}

// The mapping with the image's x and y scaled by fx and fy about the centre.
Mapping Stretched(Mapping m, double fx, double fy)
{
    m.p[0] *= fx;
    m.p[1] *= fx;
    m.p[3] *= fy;
    m.p[4] *= fy;
    return m;
}

// A printer whose dot rows do not divide the module rows evenly draws the
// lattice a few per cent taller or wider than the rings say: the stretch
// along the image's axes that makes the modules sharpest out to the middle
// of the symbol.
void Stretch(GrayImage const& image, Mapping& m, float threshold)
{
    double const pitch = std::sqrt(std::fabs(m.p[0] * m.p[4] - m.p[1] * m.p[3]));
    float best = Sharpness(image, m, threshold, 13.0f);
    // Along y, then along x: the scale and the shift of the lattice against
    // the rings' centre.
    for (int axis = 0; axis < 2; ++axis) {
        Mapping const start = m;
        int const a = axis == 0 ? 3 : 0;
        for (int i = -6; i <= 6; ++i) {
            for (int j = -4; j <= 4; ++j) {
                if (i == 0 && j == 0) {
                    continue;
                }
                Mapping trial = start;
                double const f = 1.0 + 0.02 * i;
                trial.p[a] *= f;
                trial.p[a + 1] *= f;
                trial.p[a + 2] += 0.125 * j * pitch;
                float const score = Sharpness(image, trial, threshold, 13.0f);
                if (score > best) {
                    best = score;
                    m = trial;
                }
            }
        }
    }
}

// Grows the fitted area outward (inner modules first, so that the outer ones
// are approached within their reach), refining all eight terms at each step.
void Refine(GrayImage const& image, Mapping& m, float threshold)
{
    double const pitch = std::sqrt(std::fabs(m.p[0] * m.p[4] - m.p[1] * m.p[3]));
    for (float reach : {6.5f, 9.0f, 13.0f, 25.0f}) {
        RefineWithin(image, m, threshold, reach, pitch);
    }
}

// Anchor groups: points of the symbol four modules apart outside the
// bull's-eye, each with the data modules within reach.
constexpr float kAnchorReach = 2.6f;
constexpr int kAnchorCapacity = 49;
constexpr int kAnchorModules = 32;

struct AnchorGroups {
    int count;
    float u[kAnchorCapacity];
    float v[kAnchorCapacity];
    int modules[kAnchorCapacity];
    float mu[kAnchorCapacity][kAnchorModules];
    float mv[kAnchorCapacity][kAnchorModules];
    bool ready;
};

AnchorGroups g_anchors;

void PrepareAnchors()
{
    if (g_anchors.ready) {
        return;
    }
    g_anchors.count = 0;
    for (int i = -3; i <= 3; ++i) {
        for (int j = -3; j <= 3; ++j) {
            float const au = 4.0f * static_cast<float>(i);
            float const av = 4.0f * static_cast<float>(j);
            if (au * au + av * av < 5.5f * 5.5f || g_anchors.count >= kAnchorCapacity) {
                continue;
            }
            int const k = g_anchors.count++;
            g_anchors.u[k] = au;
            g_anchors.v[k] = av;
            g_anchors.modules[k] = 0;
            for (int r = 0; r < kMaxiRows; ++r) {
                for (int c = 0; c < kMaxiColumns; ++c) {
                    float const du = g_offsets.u[r][c] - au;
                    float const dv = g_offsets.v[r][c] - av;
                    if (IsSampled(r, c) && du * du + dv * dv <= kAnchorReach * kAnchorReach &&
                        g_anchors.modules[k] < kAnchorModules) {
                        g_anchors.mu[k][g_anchors.modules[k]] = g_offsets.u[r][c];
                        g_anchors.mv[k][g_anchors.modules[k]] = g_offsets.v[r][c];
                        ++g_anchors.modules[k];
                    }
                }
            }
        }
    }
    g_anchors.ready = true;
}

float GroupSharpness(GrayImage const& image, Mapping const& m, float threshold, int k, float du, float dv)
{
    float sum = 0;
    for (int i = 0; i < g_anchors.modules[k]; ++i) {
        sum += ModuleSharpness(image, m, threshold, g_anchors.mu[k][i] + du, g_anchors.mv[k][i] + dv);
    }
    return sum;
}

// Where the group's modules are sharpest within `window` module pitches of
// where the mapping puts them; the weight is how far that peak stands above
// the window's mean (0 when it lies on the window's edge: the true place may
// be beyond).
MaxiAnchorPair PlaceGroup(GrayImage const& image, Mapping const& m, float threshold, int k, float window)
{
    // A hexagonal lattice repeats half a module across and a row down:
    // vertical shifts stay below half a row.
    float const windowV = window < 0.43f ? window : 0.43f;
    float const stepU = window / 4;
    float const stepV = windowV / 4;
    float best = -1e30f;
    float bestU = 0;
    float bestV = 0;
    float sum = 0;
    int n = 0;
    for (int i = -4; i <= 4; ++i) {
        for (int j = -4; j <= 4; ++j) {
            float const score = GroupSharpness(image, m, threshold, k, stepU * i, stepV * j);
            sum += score;
            ++n;
            if (score > best) {
                best = score;
                bestU = stepU * i;
                bestV = stepV * j;
            }
        }
    }
    bool const edge = std::fabs(bestU) >= window - 1e-4f || std::fabs(bestV) >= windowV - 1e-4f;
    float const mean = sum / static_cast<float>(n);
    float const coarseU = bestU;
    float const coarseV = bestV;
    for (int i = -2; i <= 2; ++i) {
        for (int j = -2; j <= 2; ++j) {
            if (i == 0 && j == 0) {
                continue;
            }
            float const u = coarseU + stepU * i / 4;
            float const v = coarseV + stepV * j / 4;
            float const score = GroupSharpness(image, m, threshold, k, u, v);
            if (score > best) {
                best = score;
                bestU = u;
                bestV = v;
            }
        }
    }
    MaxiAnchorPair pair{};
    pair.u = g_anchors.u[k];
    pair.v = g_anchors.v[k];
    m.Map(pair.u + bestU, pair.v + bestV, pair.x, pair.y);
    pair.weight = edge ? 0 : best - mean;
    return pair;
}

// Ring edges seen along rays of the symbol: each crossing found near where
// the mapping puts an edge pairs that edge's point on its circle with the
// crossing. Answers the pairs written.
int RingPairs(GrayImage const& image, Mapping const& m, float threshold, MaxiAnchorPair* pairs, int capacity)
{
    constexpr float kStep = 0.02f;
    int count = 0;
    for (int k = 0; k < kRays; ++k) {
        float const angle = 2 * kPi * static_cast<float>(k) / kRays;
        float const dx = std::cos(angle);
        float const dy = std::sin(angle);
        for (int e = 1; e < 5 && count < capacity; ++e) {
            bool const toDark = (e % 2) == 0;
            float const expected = kRingEdges[e];
            float const window = 0.4f * kRingWidth;
            float best = -1;
            float x;
            float y;
            m.Map(dx * (expected - window), dy * (expected - window), x, y);
            float previous = Sample(image, x, y);
            for (float r = expected - window + kStep; r <= expected + window; r += kStep) {
                m.Map(dx * r, dy * r, x, y);
                float const g = Sample(image, x, y);
                bool const crossed = toDark ? (previous > threshold && g <= threshold)
                                            : (previous <= threshold && g > threshold);
                if (crossed) {
                    float const at = r - kStep + kStep * (previous - threshold) / (previous - g);
                    if (best < 0 || std::fabs(at - expected) < std::fabs(best - expected)) {
                        best = at;
                    }
                }
                previous = g;
            }
            if (best > 0) {
                MaxiAnchorPair& pair = pairs[count++];
                pair.u = dx * expected;
                pair.v = dy * expected;
                m.Map(dx * best, dy * best, pair.x, pair.y);
                pair.weight = 1;
            }
        }
    }
    return count;
}

// The mapping turned by `turn` about the bull's-eye centre in symbol units.
Mapping Turned(Mapping const& m, float turn)
{
    double const c = std::cos(turn);
    double const s = std::sin(turn);
    // (u, v) -> (c u - s v, s u + c v) first, then m.
    Mapping t = m;
    t.p[0] = m.p[0] * c + m.p[1] * s;
    t.p[1] = -m.p[0] * s + m.p[1] * c;
    t.p[3] = m.p[3] * c + m.p[4] * s;
    t.p[4] = -m.p[3] * s + m.p[4] * c;
    t.p[6] = m.p[6] * c + m.p[7] * s;
    t.p[7] = -m.p[6] * s + m.p[7] * c;
    return t;
}

// A refitted mapping is taken only when it keeps the whole symbol in front
// of the camera and its scale near the last one (few or badly placed pairs
// can throw the perspective terms far).
bool Plausible(Mapping const& fitted, Mapping const& last)
{
    for (float const u : {-16.0f, 16.0f}) {
        for (float const v : {-16.0f, 16.0f}) {
            if (!(1 + fitted.p[6] * u + fitted.p[7] * v > 0.5)) {
                return false;
            }
        }
    }
    double const area = std::fabs(fitted.p[0] * fitted.p[4] - fitted.p[1] * fitted.p[3]);
    double const before = std::fabs(last.p[0] * last.p[4] - last.p[1] * last.p[3]);
    return area > 0.5 * before && area < 2 * before;
}

// Under strong perspective one mapping refined on all modules at once can
// leave the outer ones off by a module, and the modules' sharpness cannot
// tell a lattice a whole module off. So the grid is grown from the centre
// out: the bull's-eye rings fix the centre, scale and lean, the inner
// modules and orientation modules the turn; then groups of modules ever
// farther out are each moved alone to where they are sharpest (never as far
// as half a module) and a projective map through them and the rings
// replaces the mapping.
void FitLocally(GrayImage const& image, Mapping& m, float threshold)
{
    PrepareAnchors();
    constexpr int kRingPairs = 4 * kRays;
    static MaxiAnchorPair pairs[kRingPairs + kAnchorCapacity];
    for (int pass = 0; pass < 3; ++pass) {
        int const n = RingPairs(image, m, threshold, pairs, kRingPairs);
        Mapping fitted = m;
        if (n >= kRays && FitMaxiProjective(pairs, n, fitted.p) && Plausible(fitted, m)) {
            m = fitted;
        }
    }
    Mapping const core = m;
    float sharpest = Sharpness(image, m, threshold, 6.5f);
    for (int step = -16; step <= 16; ++step) {
        Mapping const trial = Turned(core, static_cast<float>(step) * 0.25f * kPi / 180);
        float const score = Sharpness(image, trial, threshold, 6.5f);
        if (score > sharpest) {
            sharpest = score;
            m = trial;
        }
    }
    // A group's place is a point of the image: once found it holds while the
    // mapping is refitted around it.
    static MaxiAnchorPair groups[kAnchorCapacity];
    bool placed[kAnchorCapacity] = {};
    constexpr float kReaches[] = {6.0f, 8.5f, 9.5f, 12.0f, 13.0f, 17.0f, 30.0f};
    for (float const reach : kReaches) {
        float total = 0;
        int standing = 0;
        for (int k = 0; k < g_anchors.count; ++k) {
            if (!placed[k] && g_anchors.u[k] * g_anchors.u[k] + g_anchors.v[k] * g_anchors.v[k] <= reach * reach) {
                groups[k] = PlaceGroup(image, m, threshold, k, 0.45f);
                placed[k] = true;
            }
            if (placed[k] && groups[k].weight > 0) {
                total += groups[k].weight;
                ++standing;
            }
        }
        if (standing == 0) {
            continue;
        }
        int const rings = RingPairs(image, m, threshold, pairs, kRingPairs);
        int n = rings;
        // The groups together weigh as much as one ring edge's pairs: the
        // rings hold the centre, the groups the lattice farther out.
        float const scale = static_cast<float>(rings > 4 ? rings : 4) / 4 / total;
        for (int k = 0; k < g_anchors.count; ++k) {
            if (placed[k] && groups[k].weight > 0) {
                pairs[n] = groups[k];
                pairs[n].weight *= scale;
                ++n;
            }
        }
        Mapping fitted = m;
        if (FitMaxiProjective(pairs, n, fitted.p) && Plausible(fitted, m)) {
            m = fitted;
        }
    }
}

bool Place(GrayImage const& image, MaxiBullsEye const& eye, float turnOffset, Placement& place, bool heights = false)
{
    PrepareOffsets();
    place.valid = false;
    place.mappings = 0;
    place.eye = eye;
    g_inverted = eye.inverted;
    RingLevels(image, eye, place.threshold, place.contrast);
    if (place.contrast < 20 || eye.left <= 1 || eye.right <= 1 || eye.top <= 1 || eye.bottom <= 1) {
        return false;
    }
    static float xs[4 * kRays];
    static float ys[4 * kRays];
    float const extents[4] = {eye.left, eye.right, eye.top, eye.bottom};
    float cx = eye.x;
    float cy = eye.y;
    double shape[3];
    bool fitted = false;
    for (int pass = 0; pass < 3; ++pass) {
        int const n = RingPoints(image, cx, cy, place.threshold, fitted ? shape : nullptr, extents, xs, ys);
        float nx;
        float ny;
        double next[3];
        if (!FitEllipse(xs, ys, n, cx, cy, nx, ny, next) || n < kRays) {
            if (!fitted) {
                return false;
            }
            break;
        }
        // The ellipse of the outer ring's inner edge, scaled out to its outer edge
        // for the next pass's expectations.
        double const k = (kRingEdges[4] / kRingEdges[5]) * (kRingEdges[4] / kRingEdges[5]);
        shape[0] = next[0] * k;
        shape[1] = next[1] * k;
        shape[2] = next[2] * k;
        cx = nx;
        cy = ny;
        fitted = true;
    }
    double const unit[3] = {shape[0] / ((kRingEdges[4] / kRingEdges[5]) * (kRingEdges[4] / kRingEdges[5])),
                            shape[1] / ((kRingEdges[4] / kRingEdges[5]) * (kRingEdges[4] / kRingEdges[5])),
                            shape[2] / ((kRingEdges[4] / kRingEdges[5]) * (kRingEdges[4] / kRingEdges[5]))};
    double l[4];
    InverseRoot(unit, l);

    // The lattice repeats every 60 degrees: its turn modulo 60 from the inner
    // modules' sharpness, then the one of six that darkens the orientation
    // modules most (and the runner-up, for later attempts).
    // The lattice may be drawn a few per cent shorter, taller, narrower or
    // wider than the rings (see Stretch): asked to, each turn is tried so.
    constexpr double kStretches[9][2] = {{1, 1},    {1, 0.96}, {1, 1.04}, {1, 0.92}, {1, 1.08},
                                         {0.96, 1}, {1.04, 1}, {0.92, 1}, {1.08, 1}};
    float lattice = 0;
    double sx = 1;
    double sy = 1;
    float sharpest = -1e30f;
    for (auto const& f : kStretches) {
        if ((f[0] != 1 || f[1] != 1) && !heights) {
            break;
        }
        for (int degree = 0; degree < 60; ++degree) {
            float const turn = degree * kPi / 180;
            float const score =
                Sharpness(image, Stretched(AffineAt(cx, cy, l, turn), f[0], f[1]), place.threshold, 6.5f);
            if (score > sharpest) {
                sharpest = score;
                lattice = turn;
                sx = f[0];
                sy = f[1];
            }
        }
    }
    float const coarse = lattice;
    for (float t = coarse - kPi / 180; t <= coarse + kPi / 180; t += 0.25f * kPi / 180) {
        float const score = Sharpness(image, Stretched(AffineAt(cx, cy, l, t), sx, sy), place.threshold, 6.5f);
        if (score > sharpest) {
            sharpest = score;
            lattice = t;
        }
    }
    lattice += turnOffset * kPi / 180;
    float darkest[2] = {1e9f, 1e9f};
    float turns[2] = {0, 0};
    for (int sixth = 0; sixth < 6; ++sixth) {
        float const turn = lattice + sixth * kPi / 3;
        float const d =
            OrientationDarkness(image, Stretched(AffineAt(cx, cy, l, turn), sx, sy), place.threshold, 0.3f);
        if (d < darkest[0]) {
            darkest[1] = darkest[0];
            turns[1] = turns[0];
            darkest[0] = d;
            turns[0] = turn;
        } else if (d < darkest[1]) {
            darkest[1] = d;
            turns[1] = turn;
        }
    }
    place.cx = cx;
    place.cy = cy;
    for (int k = 0; k < 4; ++k) {
        place.l[k] = l[k];
    }
    place.turn = turns[0];
    place.darkness = darkest[0];
    for (int k = 0; k < 2; ++k) {
        if (darkest[k] > place.threshold) {
            break;
        }
        place.mapping[k] = Stretched(AffineAt(cx, cy, l, turns[k]), sx, sy);
        if (heights) {
            Stretch(image, place.mapping[k], place.threshold);
        }
        place.seed[k] = place.mapping[k];
        ++place.mappings;
    }
    if (place.mappings == 0) {
        return false;
    }
    // The runner-up is refined only when a later attempt needs it.
    Refine(image, place.mapping[0], place.threshold);
    place.refined = 1;
    place.valid = true;
    return true;
}

// Grey at a module, averaged over its middle.
float ModuleGrey(GrayImage const& image, Mapping const& m, float u, float v)
{
    constexpr float d = 0.18f;
    float const offsets[5][2] = {{0, 0}, {d, 0}, {-d, 0}, {0, d}, {0, -d}};
    float sum = 0;
    for (auto const& o : offsets) {
        float x;
        float y;
        m.Map(u + o[0], v + o[1], x, y);
        sum += Sample(image, x, y);
    }
    return sum / 5;
}

// Blur pulls a module toward the mean of its six neighbours: pushing it
// back by as much undoes most of it (an unsharp mask on the module lattice).
void Sharpen(float grey[kMaxiRows][kMaxiColumns])
{
    static float sharp[kMaxiRows][kMaxiColumns];
    for (int r = 0; r < kMaxiRows; ++r) {
        // Odd rows sit half a module right of the even ones.
        int const left = (r & 1) != 0 ? 0 : -1;
        for (int c = 0; c < kMaxiColumns; ++c) {
            int const neighbours[6][2] = {{r, c - 1},        {r, c + 1},        {r - 1, c + left},
                                          {r - 1, c + left + 1}, {r + 1, c + left}, {r + 1, c + left + 1}};
            float sum = 0;
            int count = 0;
            for (auto const& q : neighbours) {
                if (q[0] >= 0 && q[0] < kMaxiRows && q[1] >= 0 && q[1] < kMaxiColumns) {
                    sum += grey[q[0]][q[1]];
                    ++count;
                }
            }
            sharp[r][c] = count > 0 ? 2 * grey[r][c] - sum / static_cast<float>(count) : grey[r][c];
        }
    }
    for (int r = 0; r < kMaxiRows; ++r) {
        for (int c = 0; c < kMaxiColumns; ++c) {
            grey[r][c] = sharp[r][c];
        }
    }
}

void SampleGrid(GrayImage const& image, Placement const& place, int variant, bool runnerUp, MaxiGrid& grid)
{
    Mapping const& m = place.mapping[(runnerUp && place.mappings > 1 && place.refined > 1) ? 1 : 0];
    static float grey[kMaxiRows][kMaxiColumns];
    for (int r = 0; r < kMaxiRows; ++r) {
        for (int c = 0; c < kMaxiColumns; ++c) {
            float const u = g_offsets.u[r][c];
            float const v = g_offsets.v[r][c];
            m.Map(u, v, grid.x[r][c], grid.y[r][c]);
            // Every position, data or not, is a neighbour for sharpening.
            grey[r][c] = ModuleGrey(image, m, u, v);
        }
    }
    if (variant == 2) {
        Sharpen(grey);
    }
    float darkSum = 0;
    float lightSum = 0;
    int darkCount = 0;
    int lightCount = 0;
    for (int r = 0; r < kMaxiRows; ++r) {
        for (int c = 0; c < kMaxiColumns; ++c) {
            if (IsSampled(r, c)) {
                bool const dark = grey[r][c] <= place.threshold;
                (dark ? darkSum : lightSum) += grey[r][c];
                (dark ? darkCount : lightCount) += 1;
            }
        }
    }
    // Global level: halfway between the dark and the light modules' means.
    float const global = darkCount > 0 && lightCount > 0 ? (darkSum / darkCount + lightSum / lightCount) / 2
                                                         : place.threshold;
    bool const local = variant != 1;
    for (int r = 0; r < kMaxiRows; ++r) {
        for (int c = 0; c < kMaxiColumns; ++c) {
            float threshold = global;
            if (local && IsSampled(r, c)) {
                // Mid-range of the neighbourhood, when it holds both colours.
                float low = 1023;
                float high = 0;
                for (int rr = r - 3; rr <= r + 3; ++rr) {
                    for (int cc = c - 3; cc <= c + 3; ++cc) {
                        if (rr >= 0 && rr < kMaxiRows && cc >= 0 && cc < kMaxiColumns && IsSampled(rr, cc)) {
                            low = grey[rr][cc] < low ? grey[rr][cc] : low;
                            high = grey[rr][cc] > high ? grey[rr][cc] : high;
                        }
                    }
                }
                if (high - low > place.contrast / 3) {
                    threshold = (low + high) / 2;
                }
            }
            grid.modules[r * kMaxiColumns + c] = IsSampled(r, c) && grey[r][c] <= threshold ? 1 : 0;
        }
    }
}

// The reference lines through module rows 0, 4, 10, 16, 22, 28 and 32 from
// the placed mapping, then the bands sampled between them; TH_SELECT 1 cuts
// at the bull's-eye cross's mid-range, 0 at each band's own.
void SampleBands(Placement const& place, int select, bool runnerUp, MaxiGrid& grid)
{
    Mapping const& m = place.mapping[(runnerUp && place.mappings > 1 && place.refined > 1) ? 1 : 0];
    constexpr int kLines[7][2] = {{12, 0}, {10, 4}, {0, 10}, {8, 16}, {3, 22}, {11, 28}, {13, 32}};
    for (auto const& line : kLines) {
        for (int c = 0; c < kMaxiColumns; ++c) {
            float x;
            float y;
            m.Map(g_offsets.u[line[1]][c], g_offsets.v[line[1]][c], x, y);
            // Pixel centres at integer coordinates, 16.16, kept within reach.
            float const fx = (x - 0.5f) * 65536.0f;
            float const fy = (y - 0.5f) * 65536.0f;
            tMod[line[0]][c + 1] = {static_cast<int>(fx > -2e9f ? (fx < 2e9f ? fx : 2e9f) : -2e9f),
                                    static_cast<int>(fy > -2e9f ? (fy < 2e9f ? fy : 2e9f) : -2e9f)};
        }
    }
    MaxiBullsEye const& e = place.eye;
    SetMaxiThreshold(static_cast<int>(e.x), static_cast<int>(e.y), static_cast<int>(e.top),
                     static_cast<int>(e.bottom), static_cast<int>(e.left), static_cast<int>(e.right));
    TH_SELECT = select;
    SampleMaxiBands();
    for (int r = 0; r < kMaxiRows; ++r) {
        for (int c = 0; c < kMaxiColumns; ++c) {
            MaxiPoint16 const& p = Modl[kMaxiLines * r + c];
            grid.x[r][c] = static_cast<float>(p.x) / 65536.0f + 0.5f;
            grid.y[r][c] = static_cast<float>(p.y) / 65536.0f + 0.5f;
            grid.modules[r * kMaxiColumns + c] = IsSampled(r, c) && MX_bits[r * kMaxiColumns + c] == '1' ? 1 : 0;
        }
    }
}

// The grid read one way: bands at their own and at the global threshold
// (dark on light only), then the module neighbourhood's level, the global
// level, and sharpened. 2 when this way does not apply.
int SampleAs(GrayImage const& image, Placement const& place, int variant, bool runnerUp, MaxiGrid& grid)
{
    if (variant < 2) {
        if (place.eye.inverted) {
            return 2;
        }
        SampleBands(place, variant, runnerUp, grid);
        return 0;
    }
    SampleGrid(image, place, variant - 2, runnerUp, grid);
    return 0;
}

}  // namespace

float MaxiGrey(GrayImage const& image, float x, float y)
{
    // Points far off the image (or not numbers, from a degenerate mapping)
    // read the nearest border sample.
    float const maxX = static_cast<float>(image.GetWidth()) + 1;
    float const maxY = static_cast<float>(image.GetHeight()) + 1;
    x = !(x > -1) ? -1 : (x > maxX ? maxX : x);
    y = !(y > -1) ? -1 : (y > maxY ? maxY : y);
    // Pixel centres sit at integer coordinates + 0.5.
    return DEC2DIvra::Bilinear(
        [&](int i, int j) { return static_cast<float>(image.AtClamped(i, j)); }, x - 0.5f, y - 0.5f);
}

void MaxiModuleOffset(int row, int column, float& u, float& v)
{
    u = static_cast<float>(column) + 0.5f * static_cast<float>(row & 1) - 14.0f;
    v = static_cast<float>(row - 16) * kRowPitch;
}

namespace {

// Under perspective the inner modules' sharpness can peak at a wrong turn:
// the turn of every degree that darkens the orientation modules most, when
// it is another and darker, takes the runner-up's place.
void TakeDarkestTurn(GrayImage const& image, Placement& place)
{
    float darkest = 1e9f;
    float best = 0;
    for (int degree = 0; degree < 360; ++degree) {
        float const turn = static_cast<float>(degree) * kPi / 180;
        float const d = OrientationDarkness(image, AffineAt(place.cx, place.cy, place.l, turn), place.threshold, 0.3f);
        if (d < darkest) {
            darkest = d;
            best = turn;
        }
    }
    if (std::fabs(std::remainder(best - place.turn, 2 * kPi)) > 3 * kPi / 180 && darkest < place.darkness) {
        place.mapping[1] = AffineAt(place.cx, place.cy, place.l, best);
        place.seed[1] = place.mapping[1];
        place.mappings = 2;
    }
}

}  // namespace

int LocateMaxiGrid(GrayImage const& image, MaxiBullsEye const& eye, int attempt, MaxiGrid& grid)
{
    if (image.GetPixels() == nullptr || image.GetWidth() <= 0 || image.GetHeight() <= 0) {
        return 1;
    }
    int const variant = attempt % kMaxiSamplings;
    // Best, runner-up, heights (turned by 0 and a half degree either way),
    // restarts, local fits.
    int const placed = attempt / kMaxiSamplings;
    int const stage = placed > 4 ? placed - 3 : placed;
    bool const heights = placed >= 2 && placed <= 4;
    if (attempt == 0 && !Place(image, eye, 0, g_placement)) {
        return 1;
    }
    if (!g_placement.valid) {
        return 1;
    }
    if (heights) {
        // Placed again with the lattice's height and width searched apart
        // from the rings' (a printer's squeezed rows, the symbol upright or
        // turned).
        if (variant == 0) {
            float const turn = placed == 2 ? 0.0f : kRestartTurns[placed - 3];
            if (!Place(image, g_placement.eye, turn, g_restart, true)) {
                return 1;
            }
        }
        if (!g_restart.valid) {
            return 1;
        }
        g_inverted = g_restart.eye.inverted;
        return SampleAs(image, g_restart, variant, false, grid);
    }
    if (stage >= 4) {
        // The best and the runner-up turn fitted locally.
        if (variant == 0) {
            g_local = g_placement;
            g_local.mappings = 1;
            g_local.valid = stage == 4 || (g_placement.mappings > 1 && g_placement.refined > 1);
            if (g_local.valid) {
                g_local.mapping[0] = g_placement.seed[stage - 4];
                FitLocally(image, g_local.mapping[0], g_local.threshold);
            }
        }
        if (!g_local.valid) {
            return 2;
        }
        g_inverted = g_local.eye.inverted;
        return SampleAs(image, g_local, variant, false, grid);
    }
    if (stage >= 2) {
        if (variant == 0 && !Place(image, g_placement.eye, kRestartTurns[(stage - 2) % 2], g_restart)) {
            return 1;
        }
        if (!g_restart.valid) {
            return 1;
        }
        g_inverted = g_restart.eye.inverted;
        return SampleAs(image, g_restart, variant, false, grid);
    }
    g_inverted = g_placement.eye.inverted;
    if (stage == 1 && g_placement.refined < 2) {
        TakeDarkestTurn(image, g_placement);
        if (g_placement.mappings > 1) {
            Refine(image, g_placement.mapping[1], g_placement.threshold);
        }
        g_placement.refined = 2;
    }
    if (stage == 1 && g_placement.mappings < 2) {
        return 2;
    }
    return SampleAs(image, g_placement, variant, stage == 1, grid);
}

