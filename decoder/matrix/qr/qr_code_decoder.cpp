#include "decoder/matrix/qr/qr_code_decoder.h"

#include <algorithm>
#include <cmath>

#include "decoder/core/property/dec2d_property.h"
#include "decoder/matrix/qr/qr_micro_mesh.h"
#include "decoder/matrix/qr/qr_mini_finder_searcher.h"
#include "decoder/matrix/qr/qr_model1_placement.h"
#include "decoder/matrix/qr/qr_model1_tables.h"
#include "decoder/matrix/qr/qr_module_sampling.h"
#include "decoder/matrix/qr/qr_version_tables.h"

namespace DEC2DIvra {

namespace {

QRPoint operator+(QRPoint a, QRPoint b) { return QRPoint{a.x + b.x, a.y + b.y}; }
QRPoint operator-(QRPoint a, QRPoint b) { return QRPoint{a.x - b.x, a.y - b.y}; }
QRPoint operator*(QRPoint a, float f) { return QRPoint{a.x * f, a.y * f}; }
float Length(QRPoint a) { return std::sqrt(a.x * a.x + a.y * a.y); }
QRPoint ToPoint(Point p) { return QRPoint{static_cast<float>(p.x), static_cast<float>(p.y)}; }

constexpr int kMinContrast = 40;


// The dark run through the centre along a direction, edge to edge, against
// a threshold; 0 when the centre is not dark.
float CoreRun(QRSampler const& sampler, QRPoint const& centre, QRPoint const& direction, int threshold, float limit)
{
    if (sampler.At(centre.x, centre.y) >= threshold) {
        return 0.0f;
    }
    float run = 0.0f;
    for (int sign = -1; sign <= 1; sign += 2) {
        float t = 0.25f;
        float const dx = direction.x * static_cast<float>(sign);
        float const dy = direction.y * static_cast<float>(sign);
        while (t < limit && sampler.At(centre.x + dx * t, centre.y + dy * t) < threshold) {
            t += 0.25f;
        }
        if (t >= limit) {
            return 0.0f;
        }
        run += t - 0.125f;
    }
    return run;
}

// The finder's module from its core (three modules across) with a
// threshold between the core and the brightest sample of the search reach.
float EstimateModule(QRSampler const& sampler, QRPoint const& centre, QRPoint const& direction, float reach)
{
    int const core = sampler.At(centre.x, centre.y);
    int light = core;
    for (float t = 1.0f; t < reach; t += 1.0f) {
        int const a = sampler.At(centre.x + direction.x * t, centre.y + direction.y * t);
        int const b = sampler.At(centre.x - direction.x * t, centre.y - direction.y * t);
        light = a > light ? a : light;
        light = b > light ? b : light;
    }
    if (light - core < kMinContrast) {
        return 0.0f;
    }
    float const run = CoreRun(sampler, centre, direction, (core + light) / 2, reach);
    return run / 3.0f;
}

// Moves the finder centre to the middle of its outer edges along both axes
// and measures its module along each.
bool RefineFinder(QRSampler const& sampler, QRPoint& centre, QRPoint const& axisU, QRPoint const& axisV, float module,
                  float& moduleU, float& moduleV)
{
    for (unsigned pass = 0; pass < 2; ++pass) {
        float back = 0.0f;
        float forward = 0.0f;
        if (!MeasureFinderChord(sampler, centre, axisU, module, back, forward)) {
            return false;
        }
        centre = centre + axisU * ((forward - back) / 2.0f);
        moduleU = (forward + back) / 7.0f;
        if (!MeasureFinderChord(sampler, centre, axisV, module, back, forward)) {
            return false;
        }
        centre = centre + axisV * ((forward - back) / 2.0f);
        moduleV = (forward + back) / 7.0f;
    }
    // Perspective shortens one axis against the other.
    return moduleU > 0.5f * module && moduleU < 2.0f * module && moduleV > 0.5f * module && moduleV < 2.0f * module;
}

// Where the grey along the top row (or the left column) of a symbol crosses
// between the module centres either side of the module boundary `at`: the
// crossing of the wanted direction nearest the boundary the map predicts.
bool FindTimingEdge(QRSampler const& sampler, QRPerspective const& map, float at, bool alongRow, bool toLight,
                    QRPoint& found)
{
    constexpr int kSteps = 16;
    QRPoint const a = alongRow ? map.Map(at - 0.5f, 0.5f) : map.Map(0.5f, at - 0.5f);
    QRPoint const b = alongRow ? map.Map(at + 0.5f, 0.5f) : map.Map(0.5f, at + 0.5f);
    QRPoint const step = (b - a) * (1.0f / static_cast<float>(kSteps));
    int values[kSteps + 1];
    int low = 1023;
    int high = 0;
    for (int i = 0; i <= kSteps; ++i) {
        QRPoint const p = a + step * static_cast<float>(i);
        values[i] = sampler.At(p.x, p.y);
        low = values[i] < low ? values[i] : low;
        high = values[i] > high ? values[i] : high;
    }
    if (high - low < kMinContrast / 2) {
        return false;
    }
    int const threshold = (low + high) / 2;
    float best = -1.0f;
    for (int i = 0; i < kSteps; ++i) {
        int const v0 = toLight ? values[i] : -values[i];
        int const v1 = toLight ? values[i + 1] : -values[i + 1];
        int const t = toLight ? threshold : -threshold;
        if (v0 < t && v1 >= t) {
            float const f = static_cast<float>(i) + static_cast<float>(t - v0) / static_cast<float>(v1 - v0);
            float const half = static_cast<float>(kSteps) / 2.0f;
            if (best < 0.0f || std::fabs(f - half) < std::fabs(best - half)) {
                best = f;
            }
        }
    }
    if (best < 0.0f) {
        return false;
    }
    found = a + step * best;
    return true;
}

unsigned Otsu(unsigned const* histogram, unsigned bins)
{
    unsigned long long total = 0;
    unsigned long long sum = 0;
    for (unsigned i = 0; i < bins; ++i) {
        total += histogram[i];
        sum += static_cast<unsigned long long>(i) * histogram[i];
    }
    unsigned long long weightLow = 0;
    unsigned long long sumLow = 0;
    double best = -1.0;
    unsigned threshold = bins / 2;
    for (unsigned t = 0; t + 1 < bins; ++t) {
        weightLow += histogram[t];
        sumLow += static_cast<unsigned long long>(t) * histogram[t];
        if (weightLow == 0 || weightLow == total) {
            continue;
        }
        double const meanLow = static_cast<double>(sumLow) / static_cast<double>(weightLow);
        double const meanHigh = static_cast<double>(sum - sumLow) / static_cast<double>(total - weightLow);
        double const spread = meanHigh - meanLow;
        double const between =
            static_cast<double>(weightLow) * static_cast<double>(total - weightLow) * spread * spread;
        if (between > best) {
            best = between;
            threshold = t + 1;
        }
    }
    return threshold;
}

}  // namespace

QRCodeDecoder::QRCodeDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property)
    : memory_(workArea), property_(&property), converter_(property.common_2d, property.qr_code)
{
    luminance_ = memory_.TakeArray<unsigned short>(kMaxSize * kMaxSize);
    dark_ = memory_.TakeArray<unsigned char>(kMaxSize * kMaxSize);
    contrast_ = memory_.TakeArray<unsigned short>(kMaxSize * kMaxSize);
    codewords_ = memory_.TakeArray<unsigned short>(kMaxCodewords);
    codewordContrast_ = memory_.TakeArray<unsigned short>(kMaxCodewords);
    data_ = memory_.TakeArray<unsigned short>(kMaxCodewords);
    block_ = memory_.TakeArray<unsigned short>(RSdecodingOfQRcode::kMaxCodewords);
    blockContrast_ = memory_.TakeArray<unsigned short>(RSdecodingOfQRcode::kMaxCodewords);
    meshPoints_ = memory_.TakeArray<Point>((kMaxSize + 2) * (kMaxSize + 2));
    meshLuminance_ = memory_.TakeArray<unsigned short>((kMaxSize + 2) * (kMaxSize + 2));
    constexpr unsigned kBlocks = (kMaxSize + BinarizationSubroutineForQRCode::kBlock - 1) /
                                 BinarizationSubroutineForQRCode::kBlock;
    meshBlocks_ = memory_.TakeArray<GapAndThreshold>(kBlocks * kBlocks);
    placement_ = memory_.TakeArray<int>(kMaxSize * kMaxSize);
    bits_ = memory_.TakeArray<BitAndLuminance>(8 * kMaxCodewords);
    erasures_ = memory_.TakeArray<unsigned short>(kMaxCodewords);
    blockErasures_ = memory_.TakeArray<unsigned short>(RSdecodingOfQRcode::kMaxCodewords);
    dataSequence_ = memory_.TakeArray<CalcDataSequenceSubroutineForQRCode>(1);
    erasureIndex_ = memory_.TakeArray<CalcErasureIndexSubroutine>(1);
}

int QRCodeDecoder::Start(GrayImage const& image, Region const& finders, DecodedLabel& label)
{
    if (memory_.HasFailed() || image.GetPixels() == nullptr || image.GetWidth() < 21 || image.GetHeight() < 21) {
        return 0;
    }
    QrCodeProperty const& qr = property_->qr_code;
    unsigned const polarity = qr.positive_and_negative.Get();
    bool const readQR = qr.read.Get();
    bool const readMicro = qr.read_micro_qr.Get();
    for (unsigned pass = 0; pass < 2; ++pass) {
        bool const reversed = pass == 1;
        if ((reversed && polarity == 0) || (!reversed && polarity == 1)) {
            continue;
        }
        QRSampler const sampler(image, reversed);
        sampled_ = false;
        // The locator hands a lone finder as the upright square of seven
        // modules around it.
        bool const lone = finders[0].y == finders[1].y && finders[0].x == finders[3].x &&
                          finders[1].x - finders[0].x == finders[3].y - finders[0].y;
        bool read = readQR && ReadTriple(sampler, finders, label);
        Point const c = finders.CalcCenterPoint();
        float const side = static_cast<float>(finders[1].x - finders[0].x);
        if (!read && readMicro) {
            read = side >= 7.0f && ReadMicro(sampler, ToPoint(c), side / 7.0f, label);
        }
        if (!read && readQR && lone) {
            read = side >= 7.0f && ReadAroundFinder(sampler, c, side / 7.0f, label);
        }
        if (read) {
            label.negative = reversed ? 1 : 0;
            return 1;
        }
    }
    return 0;
}

bool QRCodeDecoder::ReadTriple(QRSampler const& sampler, Region const& region, DecodedLabel& label,
                               unsigned predicted)
{
    predicted_ = predicted;
    Finder f[3];
    f[0].centre = ToPoint(region[0]);
    f[1].centre = ToPoint(region[1]);
    f[2].centre = ToPoint(region[3]);
    float const ab = Length(f[1].centre - f[0].centre);
    float const ac = Length(f[2].centre - f[0].centre);
    if (ab < 14.0f || ac < 14.0f) {
        return false;
    }
    QRPoint const dirAB = (f[1].centre - f[0].centre) * (1.0f / ab);
    QRPoint const dirAC = (f[2].centre - f[0].centre) * (1.0f / ac);
    float const reach = (ab < ac ? ab : ac) / 3.0f;
    for (unsigned i = 0; i < 3; ++i) {
        Finder& finder = f[i];
        if (i == predicted) {
            continue;
        }
        // The shorter core run of the two axes: a run that slips along the
        // core's edge into the ring reads too long.
        float const alongAB = EstimateModule(sampler, finder.centre, dirAB, reach);
        float const alongAC = EstimateModule(sampler, finder.centre, dirAC, reach);
        float const m = alongAB > 0.0f && (alongAC <= 0.0f || alongAB < alongAC) ? alongAB : alongAC;
        if (m < 0.8f || !RefineFinder(sampler, finder.centre, dirAB, dirAC, m, finder.moduleAB, finder.moduleAC)) {
            return false;
        }
    }
    // A finder placed where the others predict it shows nothing to
    // measure: it takes the modules of the one beside it.
    if (predicted == 1) {
        f[1].moduleAB = f[0].moduleAB;
        f[1].moduleAC = f[0].moduleAC;
    } else if (predicted == 2) {
        f[2].moduleAB = f[0].moduleAB;
        f[2].moduleAC = f[0].moduleAC;
    } else if (predicted == 0) {
        f[0].moduleAB = f[1].moduleAB;
        f[0].moduleAC = f[2].moduleAC;
    }
    float const mAB = (f[0].moduleAB + f[1].moduleAB) / 2.0f;
    float const mAC = (f[0].moduleAC + f[2].moduleAC) / 2.0f;
    float const dimension =
        (Length(f[1].centre - f[0].centre) / mAB + Length(f[2].centre - f[0].centre) / mAC) / 2.0f + 7.0f;
    int estimate = static_cast<int>(std::lround((dimension - 17.0f) / 4.0f));
    estimate = estimate < 1 ? 1 : (estimate > 40 ? 40 : estimate);
    QRPoint const u = (f[1].centre - f[0].centre) * (1.0f / (dimension - 7.0f));
    QRPoint const v = (f[2].centre - f[0].centre) * (1.0f / (dimension - 7.0f));
    unsigned version = 0;
    // Perspective biases the estimate; versions from 7 on name themselves,
    // but data modules next to a smaller symbol's finders may pass for a
    // version word: only one near the estimate counts.
    int const slack = estimate / 4 > 2 ? estimate / 4 : 2;
    bool const named = estimate >= 5 && ReadVersionNear(sampler, f[1], f[2], dirAB, dirAC, version) &&
                       static_cast<int>(version) <= estimate + slack && static_cast<int>(version) >= estimate - slack;
    int const candidates[5] = {estimate, estimate - 1, estimate + 1, estimate - 2, estimate + 2};
    // One sample a module reads most symbols; the spread read is the last
    // resort, when some version's format showed but no data did.
    bool formatSeen = false;
    for (Sampling const sampling : {Sampling::kCentre, Sampling::kSpread}) {
        if (sampling == Sampling::kSpread && !formatSeen) {
            break;
        }
        if (named && ReadModel2(sampler, f, u, v, version, sampling, formatSeen, label)) {
            return true;
        }
        for (int candidate : candidates) {
            if (candidate >= 1 && candidate <= (estimate >= 5 ? 40 : 6) &&
                ReadModel2(sampler, f, u, v, static_cast<unsigned>(candidate), sampling, formatSeen, label)) {
                return true;
            }
        }
    }
    return false;
}

bool QRCodeDecoder::ReadVersionNear(QRSampler const& sampler, Finder const& b, Finder const& c, QRPoint const& u,
                                    QRPoint const& v, unsigned& version) const
{
    unsigned bestDistance = 99;
    for (unsigned copy = 0; copy < 2; ++copy) {
        Finder const& near = copy == 0 ? b : c;
        QRPoint const mu = u * near.moduleAB;
        QRPoint const mv = v * near.moduleAC;
        // Between the finder's core and its light separator.
        QRPoint const separator = copy == 0 ? near.centre - mu * 4.0f : near.centre - mv * 4.0f;
        int const threshold = (sampler.At(near.centre.x, near.centre.y) + sampler.At(separator.x, separator.y)) / 2;
        unsigned bits = 0;
        for (unsigned i = 0; i < 18; ++i) {
            float const along = static_cast<float>(i % 3) - 7.0f;
            float const across = static_cast<float>(i / 3) - 3.0f;
            QRPoint const p =
                copy == 0 ? near.centre + mu * along + mv * across : near.centre + mu * across + mv * along;
            if (sampler.At(p.x, p.y) < threshold) {
                bits |= 1u << i;
            }
        }
        unsigned decoded = 0;
        unsigned distance = 0;
        if (QRFormatDecoder::DecodeVersion(bits, decoded, distance) && distance < bestDistance) {
            bestDistance = distance;
            version = decoded;
        }
    }
    return bestDistance <= QRFormatDecoder::kMaxDistance;
}

bool QRCodeDecoder::FindAlignment(QRSampler const& sampler, QRPoint const& predicted, QRPoint const& u,
                                  QRPoint const& v, float radius, QRPoint& found) const
{
    // The 5 x 5 pattern: dark ring, light ring, dark centre; the score is
    // the light mean less the dark mean.
    QRPoint offsets[25];
    bool light[25];
    for (int j = -2; j <= 2; ++j) {
        for (int i = -2; i <= 2; ++i) {
            unsigned const k = static_cast<unsigned>((j + 2) * 5 + i + 2);
            offsets[k] = u * static_cast<float>(i) + v * static_cast<float>(j);
            int const ring = (i < 0 ? -i : i) > (j < 0 ? -j : j) ? (i < 0 ? -i : i) : (j < 0 ? -j : j);
            light[k] = ring == 1;
        }
    }
    float bestScore = -1.0f;
    QRPoint best = predicted;
    // The score stays near its top within a quarter module of the centre:
    // the first round steps half a module (a pixel at most modules of two).
    float const module = Length(u) < Length(v) ? Length(u) : Length(v);
    float step = module > 2.0f ? module / 2.0f : 1.0f;
    QRPoint origin = predicted;
    float reach = radius;
    for (unsigned round = 0; round < 3; ++round) {
        for (float dy = -reach; dy <= reach; dy += step) {
            for (float dx = -reach; dx <= reach; dx += step) {
                QRPoint const p{origin.x + dx, origin.y + dy};
                int darkSum = 0;
                int lightSum = 0;
                for (unsigned k = 0; k < 25; ++k) {
                    float const x = p.x + offsets[k].x;
                    float const y = p.y + offsets[k].y;
                    int const value = sampler.IsInterior(x, y) ? sampler.AtInterior(x, y) : sampler.At(x, y);
                    (light[k] ? lightSum : darkSum) += value;
                }
                float const score = static_cast<float>(lightSum) / 8.0f - static_cast<float>(darkSum) / 17.0f;
                if (score > bestScore) {
                    bestScore = score;
                    best = p;
                }
            }
        }
        origin = best;
        reach = step;
        step /= 4.0f;
    }
    if (bestScore < static_cast<float>(kMinContrast)) {
        return false;
    }
    found = best;
    return true;
}

bool QRCodeDecoder::ReadModel2(QRSampler const& sampler, Finder const* f, QRPoint const& u, QRPoint const& v,
                               unsigned version, Sampling sampling, bool& formatSeen, DecodedLabel& label)
{
    unsigned const size = QRVersionTables::GetSize(version);
    float const s = static_cast<float>(size);
    // The finders' centres and where the lines through two centres cross
    // their outer edges: those lines are module rows and columns under any
    // perspective, so the crossings fix the map's perspective.
    QRPoint const dirAB = u * (1.0f / Length(u));
    QRPoint const dirAC = v * (1.0f / Length(v));
    QRPoint const centres[3] = {{3.5f, 3.5f}, {s - 3.5f, 3.5f}, {3.5f, s - 3.5f}};
    constexpr unsigned kPoints = 3 * 5 + 4;
    QRPoint modules[kPoints];
    QRPoint pixels[kPoints];
    unsigned count = 0;
    auto add = [&](QRPoint const& module, QRPoint const& pixel) {
        modules[count] = module;
        pixels[count++] = pixel;
    };
    // Edges along a direction through a finder, found again at their exact
    // distances (the centre is only their midpoint without perspective).
    auto addEdges = [&](unsigned i, QRPoint const& direction, float module, bool alongRow) {
        float back = 0.0f;
        float forward = 0.0f;
        if (i == predicted_ || !MeasureFinderChord(sampler, f[i].centre, direction, module, back, forward)) {
            return;
        }
        QRPoint const m = centres[i];
        add(alongRow ? QRPoint{m.x - 3.5f, m.y} : QRPoint{m.x, m.y - 3.5f}, f[i].centre - direction * back);
        add(alongRow ? QRPoint{m.x + 3.5f, m.y} : QRPoint{m.x, m.y + 3.5f}, f[i].centre + direction * forward);
    };
    for (unsigned i = 0; i < 3; ++i) {
        add(centres[i], f[i].centre);
    }
    addEdges(0, dirAB, f[0].moduleAB, true);
    addEdges(1, dirAB, f[1].moduleAB, true);
    addEdges(0, dirAC, f[0].moduleAC, false);
    addEdges(2, dirAC, f[2].moduleAC, false);
    QRPerspective map;
    if (count < 4 || !map.Fit(modules, pixels, count)) {
        return false;
    }
    // The column through the top-right finder and the row through the
    // bottom-left one, as the first map runs them.
    QRPoint const column = map.Map(s - 3.5f, 4.5f) - map.Map(s - 3.5f, 3.5f);
    QRPoint const row = map.Map(4.5f, s - 3.5f) - map.Map(3.5f, s - 3.5f);
    if (Length(column) > 0.0f && Length(row) > 0.0f) {
        addEdges(1, column * (1.0f / Length(column)), f[1].moduleAC, false);
        addEdges(2, row * (1.0f / Length(row)), f[2].moduleAB, true);
        if (!map.Fit(modules, pixels, count)) {
            return false;
        }
    }
    // Model 1 has no alignment pattern: the finders alone place its grid.
    QRPerspective const plain = map;
    // The mesh between the finders and the alignment patterns reads first,
    // once a version; the single map stays behind it for what it does not
    // read.
    if (sampling == Sampling::kCentre && ReadModel2Mesh(sampler, plain, version, label)) {
        return true;
    }
    bool aligned = false;
    if (version >= 2) {
        // The bottom-right alignment pattern, where the finders put it; it
        // weighs as much as a finder.
        float const at = s - 6.5f;
        QRPoint const predicted = map.Map(at, at);
        QRPoint const mu = map.Map(at + 1.0f, at) - predicted;
        QRPoint const mv = map.Map(at, at + 1.0f) - predicted;
        QRPoint found;
        float const radius = (Length(mu) + Length(mv)) * 2.0f;
        // The blob two colour changes inside its surroundings nearest the
        // prediction; the template search stays behind it.
        QRMiniFinderSearcher const mini;
        Point centre;
        unsigned extent = 0;
        float const module = (Length(mu) + Length(mv)) / 2.0f;
        // A degenerate map puts the prediction anywhere: only a window that
        // fits an int is searched.
        constexpr float kFarthest = 1048576.0f;
        bool const plausible = std::isfinite(predicted.x) && std::isfinite(predicted.y) && std::isfinite(radius) &&
                               std::fabs(predicted.x) + radius < kFarthest &&
                               std::fabs(predicted.y) + radius < kFarthest && module * 256.0f < kFarthest;
        bool seen = false;
        if (plausible) {
            Rectangle const window{static_cast<int>(predicted.x - radius), static_cast<int>(predicted.y - radius),
                                   static_cast<int>(predicted.x + radius), static_cast<int>(predicted.y + radius)};
            seen = mini.StartPart(sampler.GetImage(), window, static_cast<unsigned>(module * 256.0f), kMinContrast,
                                  sampler.IsReversed(), 8, centre, extent, 3) != 0;
        }
        if (seen) {
            found = QRPoint{static_cast<float>(centre.x) / 256.0f, static_cast<float>(centre.y) / 256.0f};
            seen = Length(found - predicted) <= radius;
        }
        if (seen || FindAlignment(sampler, predicted, mu, mv, radius, found)) {
            for (unsigned k = 0; k < 4; ++k) {
                modules[count] = QRPoint{at, at};
                pixels[count++] = found;
            }
            if (!map.Fit(modules, pixels, count)) {
                return false;
            }
            aligned = true;
        }
    }
    if (ReadSampled(sampler, map, plain, aligned, version, sampling, formatSeen, label)) {
        return true;
    }
    // Where damage blanked the alignment pattern, data around it may pass
    // for it and pull the map aside: the finders' map alone reads then.
    return aligned && ReadSampled(sampler, plain, plain, false, version, sampling, formatSeen, label);
}

bool QRCodeDecoder::ReadSampled(QRSampler const& sampler, QRPerspective const& map, QRPerspective const& plain,
                                bool aligned, unsigned version, Sampling sampling, bool& formatSeen,
                                DecodedLabel& label)
{
    unsigned const size = QRVersionTables::GetSize(version);
    // A symbol seen in a mirror shows its rows as columns: the finders, the
    // alignment patterns and the version information stand where they stand
    // in the symbol itself, only the format information and the data do not.
    // The way round whose format information reads nearer goes first, so
    // that a mirrored symbol spends no decoding on its rows as columns.
    if (!SampleModules(sampler, map, size, false, sampling)) {
        return false;
    }
    unsigned nearer[2] = {99, 99};
    for (unsigned way = 0; way < 2; ++way) {
        for (unsigned const xorMask : {QRFormatDecoder::kQRMask, QRFormatDecoder::kModel1Mask}) {
            QRFormatInformation seen;
            if (ReadFormat(size, xorMask, seen, way != 0) && seen.distance < nearer[way]) {
                nearer[way] = seen.distance;
            }
        }
    }
    unsigned const firstWay = nearer[1] < nearer[0] ? 1u : 0u;
    bool model1Meshed = false;
    for (unsigned pass = 0; pass < 2; ++pass) {
        unsigned const mirrored = pass ^ firstWay;
        if (!SampleModules(sampler, map, size, mirrored != 0, sampling)) {
            return false;
        }
        // The two models mask their format information differently; the
        // nearer reading names the model. Model 1 is sampled without the
        // alignment pattern that Model 2 looked for.
        QRFormatInformation format;
        bool const isModel2 = ReadFormat(size, QRFormatDecoder::kQRMask, format);
        formatSeen = formatSeen || isModel2;
        if (version <= QRModel1Tables::kMaxVersion && (!isModel2 || format.distance > 0)) {
            if (aligned && !SampleModules(sampler, plain, size, mirrored != 0, sampling)) {
                return false;
            }
            QRFormatInformation model1;
            if (ReadFormat(size, QRFormatDecoder::kModel1Mask, model1) &&
                (!isModel2 || model1.distance < format.distance)) {
                formatSeen = true;
                // The mesh along the extension patterns reads first (either
                // way round); the finders' map stays behind it.
                if (!model1Meshed && sampling == Sampling::kCentre) {
                    model1Meshed = true;
                    if (ReadModel1Mesh(sampler, plain, version, label)) {
                        return true;
                    }
                    if (!SampleModules(sampler, plain, size, mirrored != 0, sampling)) {
                        return false;
                    }
                }
                if (DecodeModel1(version, model1.level, model1.mask, label)) {
                    WriteRegion(plain, size, label);
                    return true;
                }
                continue;
            }
            if (aligned && !SampleModules(sampler, map, size, mirrored != 0, sampling)) {
                return false;
            }
        }
        if (isModel2 && DecodeSampled(false, version, format.level, format.mask, label)) {
            WriteRegion(map, size, label);
            return true;
        }
    }
    return false;
}

bool QRCodeDecoder::SampleModules(QRSampler const& sampler, QRPerspective const& map, unsigned size, bool mirrored,
                                  Sampling sampling)
{
    if (size > kMaxSize || size < 2) {
        return false;
    }
    if (sampled_ && size == size_ && map == sampledMap_ && sampling == sampledWith_) {
        if (mirrored == sampledMirrored_) {
            return sampledContrast_;
        }
        // Mirrored, module (x, y) is what (y, x) was. The sharpening below
        // treats rows and columns alike and the threshold depends on no
        // order, so its results turn over with the samples.
        Transpose(luminance_.GetData(), size);
        Transpose(contrast_.GetData(), size);
        Transpose(dark_.GetData(), size);
        sampledMirrored_ = mirrored;
        return sampledContrast_;
    } else {
        // Sampled along the map's own rows; mirrored, map row y holds module
        // column y.
        QRPoint centres[kMaxSize];
        QRPoint corners[4][kMaxSize];
        unsigned short values[kMaxSize];
        static constexpr float kSpread[4][2] = {{-0.2f, -0.2f}, {0.2f, 0.2f}, {0.2f, -0.2f}, {-0.2f, 0.2f}};
        unsigned short* const luminance = luminance_.GetData();
        for (unsigned row = 0; row < size; ++row) {
            float const cy = static_cast<float>(row) + 0.5f;
            map.MapRow(0.5f, cy, size, centres);
            if (sampling == Sampling::kSpread) {
                for (unsigned k = 0; k < 4; ++k) {
                    map.MapRow(0.5f + kSpread[k][0], cy + kSpread[k][1], size, corners[k]);
                }
            }
            unsigned short* const line = mirrored ? values : luminance + row * size;
            SampleModuleRow(sampler, centres, size, line);
            if (sampling == Sampling::kSpread) {
                for (unsigned column = 0; column < size; ++column) {
                    int sum = 2 * line[column] + 3;
                    for (unsigned k = 0; k < 4; ++k) {
                        sum += sampler.At(corners[k][column].x, corners[k][column].y);
                    }
                    int const value = sum / 6;
                    line[column] = static_cast<unsigned short>(value < 0 ? 0 : (value > 1023 ? 1023 : value));
                }
            }
            if (mirrored) {
                for (unsigned column = 0; column < size; ++column) {
                    luminance[column * size + row] = values[column];
                }
            }
        }
    }
    size_ = size;
    sampled_ = true;
    sampledMap_ = map;
    sampledMirrored_ = mirrored;
    sampledWith_ = sampling;
    unsigned short* const sharpened = contrast_.GetData();
    SharpenModules(luminance_.GetData(), sharpened, size);
    // Four counts side by side: most modules fall in a few bins, and one
    // count alone would wait on its own last increment.
    unsigned counts[4][256] = {};
    unsigned const total = size * size;
    unsigned at = 0;
    for (; at + 4 <= total; at += 4) {
        ++counts[0][sharpened[at] >> 2];
        ++counts[1][sharpened[at + 1] >> 2];
        ++counts[2][sharpened[at + 2] >> 2];
        ++counts[3][sharpened[at + 3] >> 2];
    }
    for (; at < total; ++at) {
        ++counts[0][sharpened[at] >> 2];
    }
    unsigned histogram[256];
    for (unsigned b = 0; b < 256; ++b) {
        histogram[b] = counts[0][b] + counts[1][b] + counts[2][b] + counts[3][b];
    }
    int const threshold = static_cast<int>(Otsu(histogram, 256) * 4);
    ModuleSplit const split = SplitModules(sharpened, dark_.GetData(), total, threshold);
    long long const lightSum = split.allSum - split.darkSum;
    unsigned const lightCount = total - split.darkCount;
    sampledContrast_ = split.darkCount > 0 && lightCount > 0 &&
                       lightSum / lightCount - split.darkSum / split.darkCount >= static_cast<long long>(kMinContrast);
    return sampledContrast_;
}

bool QRCodeDecoder::ReadMicroFormat(unsigned size, QRFormatInformation& format) const
{
    unsigned bits = 0;
    for (unsigned k = 0; k < 8; ++k) {
        bits |= (dark_[8 * size + 1 + k] != 0 ? 1u : 0u) << (14 - k);
    }
    for (unsigned j = 0; j < 7; ++j) {
        bits |= (dark_[(1 + j) * size + 8] != 0 ? 1u : 0u) << j;
    }
    return QRFormatDecoder::DecodeFormat(bits, QRFormatDecoder::kMicroMask, true, format);
}

bool QRCodeDecoder::ReadFormat(unsigned size, unsigned xorMask, QRFormatInformation& format, bool transposed) const
{
    unsigned first = 0;
    unsigned second = 0;
    auto dark = [&](unsigned x, unsigned y) { return dark_[transposed ? x * size + y : y * size + x] != 0 ? 1u : 0u; };
    for (unsigned i = 0; i <= 5; ++i) {
        first |= dark(8, i) << i;
    }
    first |= dark(8, 7) << 6;
    first |= dark(8, 8) << 7;
    first |= dark(7, 8) << 8;
    for (unsigned i = 9; i < 15; ++i) {
        first |= dark(14 - i, 8) << i;
    }
    for (unsigned i = 0; i < 8; ++i) {
        second |= dark(size - 1 - i, 8) << i;
    }
    for (unsigned i = 8; i < 15; ++i) {
        second |= dark(8, size - 15 + i) << i;
    }
    QRFormatInformation a;
    QRFormatInformation b;
    bool const okA = QRFormatDecoder::DecodeFormat(first, xorMask, false, a);
    bool const okB = QRFormatDecoder::DecodeFormat(second, xorMask, false, b);
    if (!okA && !okB) {
        return false;
    }
    format = okA && (!okB || a.distance <= b.distance) ? a : b;
    return true;
}

bool QRCodeDecoder::CorrectBlock(unsigned short* block, unsigned n, unsigned k, unsigned short const* contrast,
                                 unsigned reserve)
{
    unsigned located = 0;
    if (rs_.CorrectErrors(block, n, k, 0, nullptr, reserve, &located) != 0) {
        return true;
    }
    // Then with the codewords read with the least contrast as erasures:
    // those below a quarter of the block's median.
    unsigned short sorted[RSdecodingOfQRcode::kMaxCodewords];
    for (unsigned i = 0; i < n; ++i) {
        unsigned short const value = contrast[i];
        unsigned j = i;
        for (; j > 0 && sorted[j - 1] > value; --j) {
            sorted[j] = sorted[j - 1];
        }
        sorted[j] = value;
    }
    // At most half the check words go to erasures: erasing them all leaves nothing to
    // check the rest against, and any garbage block would come out "corrected".
    if (n - k <= reserve) {
        return false;
    }
    unsigned const most = (n - k - reserve) / 2;
    if (most == 0) {
        return false;
    }
    unsigned const limit = std::min(sorted[n / 2] / 4u, sorted[most - 1] + 1u);
    unsigned short erasures[RSdecodingOfQRcode::kMaxCodewords];
    unsigned count = 0;
    for (unsigned i = 0; i < n && count < most; ++i) {
        if (contrast[i] < limit) {
            erasures[count++] = static_cast<unsigned short>(i);
        }
    }
    if (count == 0) {
        return false;
    }
    return rs_.CorrectErrors(block, n, k, count, erasures, reserve, &located) != 0;
}

bool QRCodeDecoder::DecodeSampled(bool micro, unsigned version, unsigned level, unsigned mask, DecodedLabel& label)
{
    QRModuleView const view{dark_.GetData(), contrast_.GetData(), size_};
    unsigned short* const words = codewords_.GetData();
    unsigned short* const contrast = codewordContrast_.GetData();
    unsigned short* const block = block_.GetData();
    unsigned short* const blockContrast = blockContrast_.GetData();
    if (micro) {
        MicroQRSymbol const* symbol = QRVersionTables::GetMicroSymbol(level);
        if (symbol == nullptr || symbol->version != version) {
            return false;
        }
        unsigned const total = symbol->data + symbol->check;
        unsigned const half = version == 1 || version == 3 ? symbol->data - 1u : QRCodewordPlacement::kNoHalfCodeword;
        if (QRCodewordPlacement::Read(view, true, version, mask, half, words, contrast, total) != total ||
            !CorrectBlock(words, total, symbol->data, contrast, symbol->reserve)) {
            return false;
        }
        return converter_.Start(QRModel::kMicro, version, VirtualArray<unsigned short const>(words, symbol->data),
                                label) != 0;
    }
    QRBlockLayout const& layout = QRVersionTables::GetBlockLayout(version, level);
    unsigned const total = layout.TotalCount();
    unsigned const dataTotal = layout.DataCount();
    unsigned const blocks = layout.BlockCount();
    if (total > kMaxCodewords ||
        QRCodewordPlacement::Read(view, false, version, mask, QRCodewordPlacement::kNoHalfCodeword, words, contrast,
                                  total) != total) {
        return false;
    }
    unsigned const reserve = QRVersionTables::GetReserve(version, level);
    unsigned written = 0;
    for (unsigned b = 0; b < blocks; ++b) {
        unsigned const k = layout.data1 + (b >= layout.blocks1 ? 1u : 0u);
        unsigned const n = k + layout.check;
        for (unsigned i = 0; i < k; ++i) {
            unsigned const at = i < layout.data1 ? i * blocks + b : layout.data1 * blocks + (b - layout.blocks1);
            block[i] = words[at];
            blockContrast[i] = contrast[at];
        }
        for (unsigned j = 0; j < layout.check; ++j) {
            block[k + j] = words[dataTotal + j * blocks + b];
            blockContrast[k + j] = contrast[dataTotal + j * blocks + b];
        }
        if (!CorrectBlock(block, n, k, blockContrast, reserve)) {
            return false;
        }
        for (unsigned i = 0; i < k; ++i) {
            data_[written++] = block[i];
        }
    }
    return converter_.Start(QRModel::kModel2, version, VirtualArray<unsigned short const>(data_.GetData(), written),
                            label) != 0;
}

bool QRCodeDecoder::DecodeModel1(unsigned version, unsigned level, unsigned mask, DecodedLabel& label)
{
    QRModel1Blocks const* const layout = QRModel1Tables::GetBlocks(version, level);
    if (layout == nullptr || layout->TotalCount() > kMaxCodewords) {
        return false;
    }
    QRModuleView const view{dark_.GetData(), contrast_.GetData(), size_};
    unsigned short* const words = codewords_.GetData();
    unsigned short* const contrast = codewordContrast_.GetData();
    unsigned short* const block = block_.GetData();
    unsigned short* const blockContrast = blockContrast_.GetData();
    unsigned const total = layout->TotalCount();
    if (QRModel1Placement::Read(view, version, mask, words, contrast, total) != total) {
        return false;
    }
    // Block order: the data codewords of every block, then their check
    // codewords; the extra codewords after them carry nothing.
    unsigned const k = layout->DataPerBlock();
    unsigned const e = layout->CheckPerBlock();
    if (k + e > RSdecodingOfQRcode::kMaxCodewords) {
        return false;
    }
    unsigned written = 0;
    for (unsigned b = 0; b < layout->blocks; ++b) {
        for (unsigned i = 0; i < k; ++i) {
            block[i] = words[b * k + i];
            blockContrast[i] = contrast[b * k + i];
        }
        for (unsigned j = 0; j < e; ++j) {
            block[k + j] = words[layout->data + b * e + j];
            blockContrast[k + j] = contrast[layout->data + b * e + j];
        }
        if (!CorrectBlock(block, k + e, k, blockContrast, layout->reserve)) {
            return false;
        }
        for (unsigned i = 0; i < k; ++i) {
            data_[written++] = block[i];
        }
    }
    return converter_.Start(QRModel::kModel1, version, VirtualArray<unsigned short const>(data_.GetData(), written),
                            label) != 0;
}

void QRCodeDecoder::WriteRegion(QRPerspective const& map, unsigned size, DecodedLabel& label) const
{
    float const s = static_cast<float>(size);
    QRPoint const corners[4] = {map.Map(0.0f, 0.0f), map.Map(s, 0.0f), map.Map(s, s), map.Map(0.0f, s)};
    for (unsigned i = 0; i < 4; ++i) {
        label.region.corner[i] =
            Point{static_cast<int>(std::lround(corners[i].x)), static_cast<int>(std::lround(corners[i].y))};
    }
}

bool QRCodeDecoder::ReadMicro(QRSampler const& sampler, QRPoint centre, float module, DecodedLabel& label)
{
    // The finder's axes: its outer edge lies farthest from the centre at
    // its corners, so the fourth harmonic of the edge distance points there.
    constexpr unsigned kDirections = 16;
    constexpr float kPi = 3.14159265f;
    float const m0 = EstimateModule(sampler, centre, QRPoint{1.0f, 0.0f}, module * 8.0f);
    if (m0 < 0.8f) {
        return false;
    }
    // The light ring is the brightest at two modules in any direction, the
    // dark ring the darkest at three.
    int light = 0;
    int dark = 1023;
    for (unsigned i = 0; i < 2 * kDirections; ++i) {
        float const angle = kPi * static_cast<float>(i) / static_cast<float>(kDirections);
        float const c = std::cos(angle) * m0;
        float const s = std::sin(angle) * m0;
        int const atTwo = sampler.At(centre.x + 2.0f * c, centre.y + 2.0f * s);
        int const atThree = sampler.At(centre.x + 3.0f * c, centre.y + 3.0f * s);
        light = atTwo > light ? atTwo : light;
        dark = atThree < dark ? atThree : dark;
    }
    if (light - dark < 20) {
        return false;
    }
    float sumCos = 0.0f;
    float sumSin = 0.0f;
    for (unsigned i = 0; i < kDirections; ++i) {
        float const angle = kPi * static_cast<float>(i) / static_cast<float>(kDirections);
        QRPoint const direction{std::cos(angle), std::sin(angle)};
        float back = 0.0f;
        float forward = 0.0f;
        // Perspective widens the finder on its near side.
        if (!MeasureFinderChord(sampler, centre, direction, m0 * 1.25f, (light + dark) / 2, back, forward)) {
            return false;
        }
        float const reach = back + forward;
        sumCos += reach * std::cos(4.0f * angle);
        sumSin += reach * std::sin(4.0f * angle);
    }
    // Its outer corners, the farthest edge points near the diagonals. Under
    // perspective the finder is no square: each is sought on its own.
    float const diagonal = std::atan2(sumSin, sumCos) / 4.0f;
    int const threshold = (light + dark) / 2;
    QRPoint corners[4];
    for (unsigned d = 0; d < 2; ++d) {
        float best[2] = {0.0f, 0.0f};
        float bestAngle[2] = {0.0f, 0.0f};
        float const nominal = diagonal + static_cast<float>(d) * kPi / 2.0f;
        // Coarse steps over a wide fan, then fine ones around the two found.
        for (float step = kPi / 72.0f, reach = kPi / 7.0f, middle = nominal; step > kPi / 400.0f;
             reach = step, step /= 4.0f) {
            float const around = middle;
            for (float offset = -reach; offset <= reach + 1e-4f; offset += step) {
                float const angle = around + offset;
                float back = 0.0f;
                float forward = 0.0f;
                if (!MeasureFinderChord(sampler, centre, QRPoint{std::cos(angle), std::sin(angle)}, m0 * 1.25f,
                                        threshold, back, forward)) {
                    continue;
                }
                if (forward > best[0]) {
                    best[0] = forward;
                    bestAngle[0] = angle;
                }
                if (back > best[1]) {
                    best[1] = back;
                    bestAngle[1] = angle;
                }
            }
            middle = (bestAngle[0] + bestAngle[1]) / 2.0f;
        }
        if (best[0] <= 0.0f || best[1] <= 0.0f) {
            return false;
        }
        corners[d] = centre + QRPoint{std::cos(bestAngle[0]), std::sin(bestAngle[0])} * best[0];
        corners[d + 2] = centre - QRPoint{std::cos(bestAngle[1]), std::sin(bestAngle[1])} * best[1];
    }
    // Blur rounds the corners off: each is moved out as far as the middles
    // of its two sides lie short of the edge found there.
    float ratios[4];
    for (unsigned i = 0; i < 4; ++i) {
        QRPoint const middle = (corners[i] + corners[(i + 1) % 4]) * 0.5f - centre;
        float const reach = Length(middle);
        float back = 0.0f;
        float forward = 0.0f;
        if (reach <= 0.0f || !MeasureFinderChord(sampler, centre, middle * (1.0f / reach), m0 * 1.25f, threshold,
                                                 back, forward)) {
            return false;
        }
        ratios[i] = forward / reach;
    }
    for (unsigned i = 0; i < 4; ++i) {
        corners[i] = centre + (corners[i] - centre) * ((ratios[(i + 3) % 4] + ratios[i]) / 2.0f);
    }
    // Which corner is the symbol's: its timing patterns leave the finder
    // along the top row and the left column, dark on even modules.
    QRPoint const square[4] = {{0.0f, 0.0f}, {7.0f, 0.0f}, {7.0f, 7.0f}, {0.0f, 7.0f}};
    QRPerspective maps[4];
    int scores[4] = {};
    for (unsigned t = 0; t < 4; ++t) {
        QRPoint const turned[4] = {corners[t], corners[(t + 1) % 4], corners[(t + 2) % 4], corners[(t + 3) % 4]};
        if (!maps[t].Fit(square, turned)) {
            return false;
        }
        for (unsigned k = 7; k <= 10; ++k) {
            int const sign = k % 2 == 0 ? -1 : 1;  // light on odd modules and the separator
            float const along = static_cast<float>(k) + 0.5f;
            QRPoint const p = maps[t].Map(along, 0.5f);
            QRPoint const q = maps[t].Map(0.5f, along);
            scores[t] += sign * (sampler.At(p.x, p.y) + sampler.At(q.x, q.y));
        }
    }
    unsigned best = 4;
    for (unsigned t = 0; t < 4; ++t) {
        if (scores[t] > 0 && (best == 4 || scores[t] > scores[best])) {
            best = t;
        }
    }
    if (best == 4) {
        return false;
    }
    QRPoint const turned[4] = {corners[best], corners[(best + 1) % 4], corners[(best + 2) % 4],
                               corners[(best + 3) % 4]};
    // A symbol seen in a mirror shows its rows as columns; a chance format
    // reading of the other way round fails at the check codewords.
    return ReadMicroAt(sampler, maps[best], turned, false, label) ||
           ReadMicroAt(sampler, maps[best], turned, true, label);
}

bool QRCodeDecoder::ReadMicroAt(QRSampler const& sampler, QRPerspective map, QRPoint const* corners, bool mirrored,
                                DecodedLabel& label)
{
    // The finder's outer corners place the first map.
    constexpr unsigned kMaxPoints = 4 + 2 * (17 - 6);
    QRPoint modules[kMaxPoints] = {{0.0f, 0.0f}, {7.0f, 0.0f}, {7.0f, 7.0f}, {0.0f, 7.0f}};
    QRPoint pixels[kMaxPoints];
    unsigned count = 0;
    for (; count < 4; ++count) {
        pixels[count] = corners[count];
    }
    QRPerspective const first = map;
    // Perspective grows the error of the first map with the distance from
    // the finder: the timing patterns along the top row and the left column
    // are followed out to the symbol's edge, each colour change they show
    // refitting the map before the next is looked for. Every symbol reaches
    // as far as the smallest; the format information there names the
    // version, and so how much farther to go.
    unsigned size = QRVersionTables::GetMicroSize(1);
    QRFormatInformation format;
    unsigned version = 0;
    for (unsigned at = 7; at <= size && count + 2 <= kMaxPoints; ++at) {
        bool const toLight = at % 2 == 1;  // dark on even modules
        for (unsigned axis = 0; axis < 2; ++axis) {
            QRPoint found;
            if (FindTimingEdge(sampler, map, static_cast<float>(at), axis == 0, toLight, found)) {
                float const along = static_cast<float>(at);
                modules[count] = axis == 0 ? QRPoint{along, 0.5f} : QRPoint{0.5f, along};
                pixels[count++] = found;
            }
        }
        QRPerspective refined;
        if (refined.Fit(modules, pixels, count)) {
            map = refined;
        }
        if (version == 0 && at == size) {
            if (!SampleModules(sampler, map, size, mirrored, Sampling::kSpread) || !ReadMicroFormat(size, format)) {
                return false;
            }
            MicroQRSymbol const* symbol = QRVersionTables::GetMicroSymbol(format.level);
            if (symbol == nullptr) {
                return false;
            }
            version = symbol->version;
            size = QRVersionTables::GetMicroSize(version);
        }
    }
    // The mesh on the outline laid on the timing patterns reads first (it
    // tries the mirrored way round itself); the maps below stay behind it.
    if (version >= 1 && version <= 4 && !mirrored) {
        QRFinderRegion finder;
        QRPoint const corners[4] = {first.Map(0.5f, 0.5f), first.Map(6.5f, 0.5f), first.Map(6.5f, 6.5f),
                                    first.Map(0.5f, 6.5f)};
        bool placed = true;
        for (unsigned k = 0; k < 4 && placed; ++k) {
            placed = std::isfinite(corners[k].x) && std::isfinite(corners[k].y) &&
                     std::fabs(corners[k].x) < 1048576.0f && std::fabs(corners[k].y) < 1048576.0f;
            finder.corner[k] = placed ? Point{static_cast<int>(std::lround(corners[k].x * 256.0f)),
                                              static_cast<int>(std::lround(corners[k].y * 256.0f))}
                                      : Point{};
        }
        finder.CalcMiddlePoints();
        CommonCodeMesh mesh(meshPoints_);
        if (placed &&
            CalcMicroQRCodeMeshSubroutine().Start(sampler.GetImage(), finder, sampler.IsReversed(), version, mesh) !=
                0 &&
            DecodeMeshOrRefitted(sampler.GetImage(), mesh, QRModel::kMicro, version, sampler.IsReversed(), label)) {
            return true;
        }
    }
    // The outline laid on the timing patterns where they score best, from
    // the corners the finder's map predicts, through one map.
    if (version >= 1 && version <= 4) {
        float const far = static_cast<float>(size) - 0.5f;
        QRPoint const cornerModules[4] = {{0.5f, 0.5f}, {far, 0.5f}, {far, far}, {0.5f, far}};
        Region initial;
        for (unsigned k = 0; k < 4; ++k) {
            QRPoint const p = first.Map(cornerModules[k].x, cornerModules[k].y);
            initial[k] = Point{static_cast<int>(std::lround(p.x * 256.0f)), static_cast<int>(std::lround(p.y * 256.0f))};
        }
        CalcMicroQRCodeMeshSubroutine const mesh;
        Region adjusted;
        QRPoint cornerPixels[4];
        QRPerspective timed;
        if (mesh.Adjust(sampler.GetImage(), initial, sampler.IsReversed(), version, adjusted) != 0) {
            for (unsigned k = 0; k < 4; ++k) {
                cornerPixels[k] = QRPoint{static_cast<float>(adjusted[k].x) / 256.0f,
                                          static_cast<float>(adjusted[k].y) / 256.0f};
            }
            if (timed.Fit(cornerModules, cornerPixels) && SampleModules(sampler, timed, size, mirrored, Sampling::kSpread) &&
                DecodeSampled(true, version, format.level, format.mask, label)) {
                WriteRegion(timed, size, label);
                return true;
            }
        }
    }
    // Heavy blur can leave the timing patterns too faint to follow: the
    // finder's map alone is the fallback.
    QRPerspective const* const fits[2] = {&map, &first};
    for (QRPerspective const* fitted : fits) {
        if (SampleModules(sampler, *fitted, size, mirrored, Sampling::kSpread) &&
            DecodeSampled(true, version, format.level, format.mask, label)) {
            WriteRegion(*fitted, size, label);
            return true;
        }
    }
    // A blurred symbol of two or three pixels a module shows its last
    // timing modules too faint to place the far side to the module's
    // fraction that its data needs: the grid is tried again a fiftieth
    // narrower or wider along each axis, from the finder's corner, when the
    // format information read without an error (the grid stands close).
    if (format.distance != 0) {
        return false;
    }
    static constexpr float kScales[8][2] = {{0.98f, 1.0f},  {1.0f, 0.98f},  {0.98f, 0.98f}, {1.02f, 1.0f},
                                            {1.0f, 1.02f},  {1.02f, 1.02f}, {0.98f, 1.02f}, {1.02f, 0.98f}};
    for (auto const& scale : kScales) {
        QRPoint scaled[kMaxPoints];
        for (unsigned i = 0; i < count; ++i) {
            scaled[i] = QRPoint{modules[i].x * scale[0], modules[i].y * scale[1]};
        }
        QRPerspective trial;
        if (trial.Fit(scaled, pixels, count) && SampleModules(sampler, trial, size, mirrored, Sampling::kSpread) &&
            DecodeSampled(true, version, format.level, format.mask, label)) {
            WriteRegion(trial, size, label);
            return true;
        }
    }
    return false;
}

}  // namespace DEC2DIvra
