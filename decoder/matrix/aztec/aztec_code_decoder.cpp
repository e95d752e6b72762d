#include "decoder/matrix/aztec/aztec_code_decoder.h"

#include "decoder/matrix/aztec/aztec_correction_limit.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/sampling/binarization_subroutine.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/matrix/aztec/aztec_smoothed_window.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace DEC2DIvra {

namespace {

constexpr unsigned kMapSide = AztecCodeDecoder::kMaxSize + 2;
static_assert(sizeof(bool) == 1, "the module table reads the binarisation's decisions byte by byte");
constexpr unsigned kBlock = 5;
constexpr unsigned kBlocks = (AztecCodeDecoder::kMaxSize + kBlock - 1) / kBlock;
constexpr unsigned kMapBlocks = (kMapSide + kBlock - 1) / kBlock;

// The offset (in steps from the middle of 2 * steps + 1) where the scores
// peak: the middle of the run of near-best scores around the best, since
// sharp module edges sampled at whole pixels leave a flat top whose first
// step would pull every crossing the same way.
double PlateauCentre(long long const* scores, bool const* valid, int steps)
{
    int const n = 2 * steps + 1;
    int best = -1;
    int worst = -1;
    for (int k = 0; k < n; ++k) {
        if (valid[k]) {
            best = best < 0 || scores[k] > scores[best] ? k : best;
            worst = worst < 0 || scores[k] < scores[worst] ? k : worst;
        }
    }
    if (best < 0) {
        return 0;
    }
    long long const tolerance = (scores[best] - scores[worst]) / 16;
    int low = best;
    int high = best;
    while (low > 0 && valid[low - 1] && scores[low - 1] >= scores[best] - tolerance) {
        --low;
    }
    while (high + 1 < n && valid[high + 1] && scores[high + 1] >= scores[best] - tolerance) {
        ++high;
    }
    return (low + high) / 2.0 - steps;
}

}  // namespace

void AztecSymbolToReader(OrientationPattern const& orientation, double u, double v, double& x, double& y)
{
    unsigned turns = orientation.rotation & 3u;
    if (orientation.mirrored) {
        // Mirrored, the reference corner lies one corner on and the symbol
        // is seen transposed.
        turns = (turns == 0 || turns == 2) ? turns + 1 : turns - 1;
        double const t = u;
        u = v;
        v = t;
    }
    for (unsigned i = 0; i < turns; ++i) {
        double const t = u;
        u = -v;
        v = t;
    }
    x = u;
    y = v;
}

bool SampleAztecModules(GrayImage const& image, AztecModuleGrid const& grid, OrientationPattern const& orientation,
                        unsigned side, unsigned short* grey)
{
    if (side == 0 || side > AztecCodeDecoder::kMaxSize + 2) {
        return false;
    }
    double const offset = (side - 1) / 2.0;
    // Along a row of the symbol, and down a column.
    double ru = 0, rv = 0, cu = 0, cv = 0;
    AztecSymbolToReader(orientation, 1, 0, ru, rv);
    AztecSymbolToReader(orientation, 0, 1, cu, cv);
    // Where the symbol's rows run down the image, its columns run across:
    // sampled column by column, neighbouring positions then share cache
    // lines and the image is read row after row.
    double cx = 0, cy = 0, rx = 0, ry = 0;
    bool const byColumn =
        grid.Map(0, 0, cx, cy) && grid.Map(ru, rv, rx, ry) && std::fabs(ry - cy) > std::fabs(rx - cx);
    for (unsigned a = 0; a < side; ++a) {
        // Line a starts at the top of column a, or at the left of row a,
        // and is written down column a, or along row a.
        double u = 0;
        double v = 0;
        AztecSymbolToReader(orientation, byColumn ? a - offset : -offset, byColumn ? -offset : a - offset, u, v);
        if (!AztecModuleGrid::Line(grid, u, v, byColumn ? cu : ru, byColumn ? cv : rv)
                 .Sample(image, side, byColumn ? grey + a : grey + a * side, byColumn ? side : 1)) {
            return false;
        }
    }
    return true;
}

AztecCodeDecoder::AztecCodeDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property)
    : memory_(workArea),
      property_(&property),
      binarization_(memory_.TakeArray<Point>(kMapSide * kMapSide), memory_.TakeArray<unsigned short>(kMapSide * kMapSide),
                    memory_.TakeArray<GapAndThreshold>(kMapBlocks * kMapBlocks))
{
    luminance_ = memory_.TakeArray<unsigned short>(kMapSide * kMapSide);
    blocks_ = memory_.TakeArray<GapAndThreshold>(kBlocks * kBlocks);
    decided_ = memory_.TakeArray<bool>(kMaxSize * kMaxSize);
    codewords_ = memory_.TakeArray<unsigned short>(RSdecodingOfAztec::kMaxCodewords);
    bits_ = memory_.TakeArray<unsigned char>(DataStreamConversionForAztecCode::kMaxBits);
    bends_ = memory_.TakeArray<AztecModuleGrid::BendMeasurement>(kMaxBends);
    meshPoints_ = memory_.TakeArray<Point>(kMaxSize * kMaxSize);
    smoothed_ = memory_.TakeArray<unsigned short>(kSmoothSide * kSmoothSide);
}

bool AztecCodeDecoder::Ready() const
{
    return luminance_.GetCount() == kMapSide * kMapSide &&
           blocks_.GetCount() == kBlocks * kBlocks && decided_.GetCount() == kMaxSize * kMaxSize &&
           codewords_.GetCount() == RSdecodingOfAztec::kMaxCodewords &&
           bits_.GetCount() == DataStreamConversionForAztecCode::kMaxBits && bends_.GetCount() == kMaxBends &&
           meshPoints_.GetCount() == kMaxSize * kMaxSize &&
           smoothed_.GetCount() == static_cast<unsigned>(kSmoothSide * kSmoothSide) && binarization_.IsReady();
}

int AztecCodeDecoder::DecodeTable(BinarizationTableForAztec const& table, ModeMessageInformation const& information,
                                  DecodedLabel& label)
{
    if (!Ready() || information.runes || information.totalWords > RSdecodingOfAztec::kMaxCodewords) {
        return 0;
    }
    unsigned short* words = codewords_.GetData();
    if (!ReadAztecCodewords(table, information.compact, information.layers, information.codewordBits,
                            information.totalWords, words)) {
        return 0;
    }
    unsigned located = 0;
    if (rs_.CorrectErrors(words, information.codewordBits, information.totalWords, information.dataWords, 0,
                          nullptr, &located) == 0 ||
        located > AztecCorrectionLimit(information.totalWords, information.dataWords, information.codewordBits)) {
        return 0;
    }
    // All zeros and all ones never stand as data codewords: bit stuffing
    // keeps them out, so one left after correction is a misread.
    unsigned const ones = (1u << information.codewordBits) - 1;
    for (unsigned i = 0; i < information.dataWords; ++i) {
        if (words[i] == 0 || words[i] == ones) {
            return 0;
        }
    }
    DataStreamConversionForAztecCode::Settings settings;
    settings.suppressEci = property_->common_2d.suppress_eci_escape.Get();
    settings.length = property_->aztec_code.fixed_length.Get();
    return DataStreamConversionForAztecCode::Start(words, information.codewordBits, information.dataWords, settings,
                                                   bits_.GetData(), label);
}

int AztecCodeDecoder::Start(GrayImage const& image, Region const& bullsEye, DecodedLabel& label)
{
    if (!Ready() || image.GetPixels() == nullptr) {
        return 0;
    }
    Point const centre = bullsEye.CalcCenterPoint();
    int const width = bullsEye.corner[1].x - bullsEye.corner[0].x;
    double const module = (width > 0 ? width : 14) / 14.0;
    sighted_ = false;
    if (TryCentre(image, centre.x + 0.5, centre.y + 0.5, module, label) != 0) {
        return 1;
    }
    // A bull's-eye was measured and the symbol not read: in a noisy frame
    // its modules read again from a window with the noise averaged down.
    WindowPlace const place = PlaceWindow(image, centre.x, centre.y, kSmoothSide);
    if (!sighted_ || !SmoothWindow(image, place, smoothed_.GetData())) {
        return 0;
    }
    GrayImage const window(place.width, place.height, place.width, smoothed_.GetData());
    if (TryCentre(window, centre.x - place.left + 0.5, centre.y - place.top + 0.5, module, label) == 0) {
        return 0;
    }
    for (unsigned k = 0; k < 4; ++k) {
        label.region.corner[k].x += place.left;
        label.region.corner[k].y += place.top;
    }
    return 1;
}

int AztecCodeDecoder::TryCentre(GrayImage const& image, double x, double y, double module, DecodedLabel& label)
{
    // The near search and the wide one, each with the usual and then the
    // strict test of the centre module; a centre already read around is not
    // read again.
    constexpr unsigned kAttempts = 4;
    double triedX[kAttempts] = {};
    double triedY[kAttempts] = {};
    unsigned tried = 0;
    for (unsigned attempt = 0; attempt < kAttempts; ++attempt) {
        if (!finder_.Start(image, x, y, module, attempt >= 2, attempt % 2 == 1)) {
            continue;
        }
        sighted_ = true;
        bool again = false;
        for (unsigned k = 0; k < tried; ++k) {
            again = again ||
                    std::fabs(finder_.GetCentreX() - triedX[k]) + std::fabs(finder_.GetCentreY() - triedY[k]) < module;
        }
        if (again) {
            continue;
        }
        triedX[tried] = finder_.GetCentreX();
        triedY[tried] = finder_.GetCentreY();
        ++tried;
        if (ReadAround(image, label) != 0) {
            return 1;
        }
    }
    return 0;
}

int AztecCodeDecoder::ReadAround(GrayImage const& image, DecodedLabel& label)
{
    bool const readCode = property_->aztec_code.read.Get();
    bool const dark = finder_.IsDarkCentre();
    int const threshold = finder_.GetThreshold();
    for (int pass = 0; pass < 2; ++pass) {
        bool const compact = pass == 0;
        if (!compact && !readCode) {
            break;
        }
        walkTried_ = false;
        triedCount_ = 0;
        if (!finder_.CalcGrid(compact ? 4 : 6, grid_)) {
            continue;
        }
        // The mode ring through the grid walked over the bull's-eye's
        // frames first; through the ray search's grid when that one's
        // reading gives nothing (or the frames cannot be walked).
        unsigned framesOrientation = 0;
        unsigned long long framesMode = 0;
        bool const framesRead = WalkFinderFrames(image, dark, compact) && SampleModeRing(image, finderGrid_, compact, threshold, dark,
                                                          framesOrientation, framesMode);
        if (framesRead && ReadModeRing(image, framesOrientation, framesMode, compact, label) != 0) {
            return 1;
        }
        int const r = compact ? 5 : 7;
        unsigned char core[15 * 15];
        int const side = 2 * r + 1;
        for (int j = -r; j <= r; ++j) {
            for (int i = -r; i <= r; ++i) {
                double px = 0;
                double py = 0;
                unsigned char bit = 0;
                if (grid_.Map(i, j, px, py)) {
                    int const g = SampleBilinear(image, px, py);
                    bit = (g < threshold) == dark ? 1 : 0;
                }
                core[(j + r) * side + (i + r)] = bit;
            }
        }
        unsigned orientationBits = 0;
        unsigned long long modeBits = 0;
        ReadAztecModeRing(core, compact, orientationBits, modeBits);
        if (framesRead && orientationBits == framesOrientation && modeBits == framesMode) {
            continue;
        }
        if (ReadModeRing(image, orientationBits, modeBits, compact, label) != 0) {
            return 1;
        }
    }
    return 0;
}

bool AztecCodeDecoder::WasTried(OrientationPattern const& orientation, ModeMessageInformation const& information) const
{
    for (unsigned k = 0; k < triedCount_; ++k) {
        TriedReading const& t = tried_[k];
        if (t.orientation.rotation == orientation.rotation && t.orientation.mirrored == orientation.mirrored &&
            t.information.compact == information.compact && t.information.layers == information.layers &&
            t.information.dataWords == information.dataWords && t.information.runes == information.runes &&
            t.information.runeValue == information.runeValue) {
            return true;
        }
    }
    return false;
}

bool AztecCodeDecoder::SampleModeRing(GrayImage const& image, CommonVectorGrid const& grid, bool compact,
                                      int threshold, bool dark, unsigned& orientationBits,
                                      unsigned long long& modeBits) const
{
    int const r = compact ? 5 : 7;
    unsigned char core[15 * 15];
    int const side = 2 * r + 1;
    for (int j = -r; j <= r; ++j) {
        for (int i = -r; i <= r; ++i) {
            unsigned g = 0;
            // The ring's modules only: the bull's-eye inside is not read.
            bool const ring = i == -r || i == r || j == -r || j == r;
            if (ring && !grid.CalcTempModuleLuminance(image, i, j, g)) {
                return false;
            }
            core[(j + r) * side + (i + r)] = ring && (static_cast<int>(g) < threshold) == dark ? 1 : 0;
        }
    }
    ReadAztecModeRing(core, compact, orientationBits, modeBits);
    return true;
}

int AztecCodeDecoder::ReadModeRing(GrayImage const& image, unsigned orientationBits, unsigned long long modeBits,
                                   bool compact, DecodedLabel& label)
{
    bool const readCode = property_->aztec_code.read.Get();
    bool const readRunes = property_->aztec_code.read_runes.Get();
    bool const record = property_->common_2d.fill_symbol_record.Get();
    bool const dark = finder_.IsDarkCentre();
    int const threshold = finder_.GetThreshold();
    PossibleOrientationPatterns possible;
    if (!possible.CalcPossibleOrientationPatterns(orientationBits)) {
        return 0;
    }
    for (unsigned c = 0; c < (possible.two ? 2u : 1u); ++c) {
        OrientationPattern const& orientation = c == 0 ? possible.first : possible.second;
        ModeMessageInformation information;
        CorrectedModeMessage corrected;
        if (!ModeBitsDecoder::Start(modeBits, compact, orientation, compact && readRunes, rs_, information,
                                    record ? &corrected : nullptr)) {
            continue;
        }
        // A reading already tried on this pass (the other grid's ring gave
        // the same orientation and message) is not tried again.
        if (WasTried(orientation, information)) {
            continue;
        }
        if (triedCount_ < kTried) {
            tried_[triedCount_++] = TriedReading{orientation, information};
        }
        if (information.runes) {
            if (!readRunes || !IsQuietAroundRune(image, dark, threshold) ||
                DataStreamConversionForAztecCode::StartForRunes(information.runeValue, label) == 0) {
                continue;
            }
        } else {
            // The frames' grid first; the grid fitted to every located
            // point stands behind it for what it does not read.
            regionSet_ = false;
            if (!readCode || (DecodeLowLayerSymbol(image, dark, information, orientation, label) == 0 &&
                              DecodeHighLayerFullRangeSymbol(image, dark, information, orientation, label) == 0 &&
                              DecodeSymbol(image, grid_, dark, information, orientation, label) == 0)) {
                continue;
            }
        }
        label.negative = dark ? 0 : 1;
        if (record) {
            corrected.Repack(label.further);
        }
        // The symbol's corners, half a module outside its outer modules.
        double const half = information.runes ? 5.5 : AztecSymbolSize(information.compact, information.layers) / 2.0;
        if (regionSet_ && !information.runes) {
            return 1;
        }
        static constexpr double kSignX[4] = {-1, 1, 1, -1};
        static constexpr double kSignY[4] = {-1, -1, 1, 1};
        AztecModuleGrid const& used = information.runes ? grid_ : refined_;
        for (unsigned k = 0; k < 4; ++k) {
            double u = 0;
            double v = 0;
            AztecSymbolToReader(orientation, kSignX[k] * half, kSignY[k] * half, u, v);
            double px = 0;
            double py = 0;
            used.Map(u, v, px, py);
            // A corner far off the frame is only kept within int range.
            px = std::fmin(std::fmax(px, -1e6), 1e6);
            py = std::fmin(std::fmax(py, -1e6), 1e6);
            label.region.corner[k] = Point{static_cast<int>(std::floor(px)), static_cast<int>(std::floor(py))};
        }
        return 1;
    }
    return 0;
}

bool AztecCodeDecoder::IsQuietAroundRune(GrayImage const& image, bool dark, int threshold) const
{
    // A rune stands alone: the ring of modules just outside it shows the
    // background nearly everywhere, where a full-range bull's-eye has a
    // dark ring and a compact symbol's first layer is data.
    constexpr int kRing = 6;
    constexpr unsigned kModules = 8 * kRing;
    unsigned light = 0;
    for (int j = -kRing; j <= kRing; ++j) {
        for (int i = -kRing; i <= kRing; ++i) {
            if ((i < 0 ? -i : i) != kRing && (j < 0 ? -j : j) != kRing) {
                continue;
            }
            double px = 0;
            double py = 0;
            if (grid_.Map(i, j, px, py) && ((SampleBilinear(image, px, py) < threshold) != dark)) {
                ++light;
            }
        }
    }
    return light * 8 >= kModules * 7;
}

bool AztecCodeDecoder::SampleTable(GrayImage const& image, AztecModuleGrid const& grid, bool dark, unsigned size,
                                   OrientationPattern const& orientation, bool laplacian)
{
    // The luminance of every module and of the ring just outside the symbol,
    // then the decision of each module against its neighbourhood.
    unsigned const mapSide = size + 2;
    CommonLuminanceMap map(VirtualArray<unsigned short>(luminance_.GetData(), luminance_.GetCount()));
    if (!map.SetSize(mapSide, mapSide)) {
        return false;
    }
    double const offset = (mapSide - 1) / 2.0;
    // A row of the symbol is a line of modules in the grid.
    double du = 0;
    double dv = 0;
    AztecSymbolToReader(orientation, 1, 0, du, dv);
    bool const sampled = !laplacian && SampleAztecModules(image, grid, orientation, mapSide, &map.At(0, 0));
    for (unsigned j = 0; j < mapSide && !sampled; ++j) {
        double u = 0;
        double v = 0;
        AztecSymbolToReader(orientation, -offset, j - offset, u, v);
        AztecModuleGrid::Line const row(grid, u, v, du, dv);
        int grey[kMapSide];
        if (!laplacian && row.Sample(image, mapSide, grey)) {
            for (unsigned i = 0; i < mapSide; ++i) {
                map.At(i, j) = static_cast<unsigned short>(grey[i]);
            }
            continue;
        }
        // The row's positions first, their pixels asked for from memory as
        // they come: a turned symbol's row crosses a new pair of image rows
        // at nearly every module, and the reads then overlap.
        double xs[kMapSide];
        double ys[kMapSide];
        bool inside[kMapSide];
        for (unsigned i = 0; i < mapSide; ++i) {
            inside[i] = row.At(i, xs[i], ys[i]) && xs[i] >= 0 && ys[i] >= 0 && xs[i] < image.GetWidth() &&
                        ys[i] < image.GetHeight();
            if (inside[i] && image.GetPixels() != nullptr) {
                // The top left of the four pixels read, or one beside it.
                unsigned short const* const p = image.GetPixels() +
                                                static_cast<long long>(ys[i] - 0.5 < 0 ? 0 : ys[i] - 0.5) *
                                                    image.GetPitch() +
                                                static_cast<int>(xs[i]);
                __builtin_prefetch(p);
                __builtin_prefetch(p + image.GetPitch());
            }
        }
        for (unsigned i = 0; i < mapSide; ++i) {
            double const px = xs[i];
            double const py = ys[i];
            int g = 0;
            if (inside[i]) {
                if (laplacian) {
                    // Pixel centres lie on whole coordinates there.
                    Point const p{static_cast<int>(std::lround((px - 0.5) * 256)),
                                  static_cast<int>(std::lround((py - 0.5) * 256))};
                    g = static_cast<int>(GeometryEx::GetLapLuminance(image, p, 8));
                } else {
                    g = SampleBilinear(image, px, py);
                }
            }
            map.At(i, j) = static_cast<unsigned short>(g);
        }
    }
    CommonGapAndThresholdMap blocks(VirtualArray<GapAndThreshold>(blocks_.GetData(), blocks_.GetCount()));
    VariableSizeVirtualTable<bool> out(decided_.GetData(), decided_.GetCount());
    BinarizationSubroutine binarization;
    Rectangle const area{1, 1, static_cast<int>(size), static_cast<int>(size)};
    // Entries are light XOR polarity: polarity set marks dark modules.
    if (binarization.Start(image, map, area, blocks, Vector{static_cast<int>(kBlock), static_cast<int>(kBlock)}, dark,
                           out) == 0) {
        return false;
    }
    // The decisions are the module table as they stand (see Cells).
    return true;
}

void AztecCodeDecoder::FitReferenceGrid(GrayImage const& image, bool dark, unsigned half, AztecModuleGrid& grid)
{
    // Reference lines run every 16 modules through the centre, dark on
    // even positions. Each crossing, ring by ring outward, is placed where
    // the alternation along its two lines fits best, and the grid is refitted
    // to the bull's-eye and the crossings found so far. The lines are the
    // same whichever way the symbol is turned.
    int const rings = static_cast<int>(half) / 16;
    constexpr int kReach = 6;     // modules sampled on each side of a crossing
    constexpr int kSteps = 4;     // search steps of 1/8 module on each side
    for (int ring = 1; ring <= rings; ++ring) {
        bool added = false;
        for (int j = -ring; j <= ring; ++j) {
            for (int i = -ring; i <= ring; ++i) {
                if ((i < 0 ? -i : i) != ring && (j < 0 ? -j : j) != ring) {
                    continue;
                }
                int const u0 = 16 * i;
                int const v0 = 16 * j;
                double shift[2] = {0, 0};
                for (int axis = 0; axis < 2; ++axis) {
                    long long scores[2 * kSteps + 1] = {};
                    bool valid[2 * kSteps + 1] = {};
                    // Every position the search looks at lies on one line
                    // in steps of 1/8 module: module t of step s is point
                    // 8 (t + reach) + s + steps. It is sampled once, all at
                    // once where its pixels lie on the image, else point by
                    // point as the scores ask.
                    constexpr int kPoints = 16 * kReach + 2 * kSteps + 1;
                    double const from = (axis == 0 ? u0 : v0) - kReach - kSteps / 8.0;
                    AztecModuleGrid::Line const line(grid, axis == 0 ? from : u0, axis == 0 ? v0 : from,
                                                     axis == 0 ? 1 / 8.0 : 0, axis == 0 ? 0 : 1 / 8.0);
                    int greys[kPoints];
                    bool const sampled = line.Sample(image, kPoints, greys);
                    // The modules that count, each with the sign of its
                    // grey value in the score: within the symbol, off the
                    // bull's-eye, dark on even positions.
                    int first[2 * kReach + 1];
                    int sign[2 * kReach + 1];
                    unsigned counted = 0;
                    for (int t = -kReach; t <= kReach; ++t) {
                        int const along = (axis == 0 ? u0 : v0) + t;
                        if ((along < 0 ? -along : along) > static_cast<int>(half) ||
                            (along > -8 && along < 8 && (axis == 0 ? v0 : u0) == 0)) {
                            continue;
                        }
                        bool const darkHere = ((along < 0 ? -along : along) & 1) == 0;
                        first[counted] = 8 * (t + kReach) + kSteps;
                        sign[counted] = darkHere == dark ? -1 : 1;
                        ++counted;
                    }
                    if (sampled) {
                        // All steps of a module at once: its nine points lie
                        // side by side. The sums stay far inside an int.
                        int sums[2 * kSteps + 1] = {};
                        static_assert(2 * kSteps + 1 == 9, "eight steps in two groups of four, and one");
#if defined(__SSE2__)
                        __m128i low = _mm_setzero_si128();
                        __m128i high = _mm_setzero_si128();
                        for (unsigned c = 0; c < counted; ++c) {
                            int const* const g = greys + first[c] - kSteps;
                            __m128i const a = _mm_loadu_si128(reinterpret_cast<__m128i const*>(g));
                            __m128i const b = _mm_loadu_si128(reinterpret_cast<__m128i const*>(g + 4));
                            if (sign[c] > 0) {
                                low = _mm_add_epi32(low, a);
                                high = _mm_add_epi32(high, b);
                                sums[8] += g[8];
                            } else {
                                low = _mm_sub_epi32(low, a);
                                high = _mm_sub_epi32(high, b);
                                sums[8] -= g[8];
                            }
                        }
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums), low);
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + 4), high);
#else
                        for (unsigned c = 0; c < counted; ++c) {
                            int const* const g = greys + first[c] - kSteps;
                            for (int k = 0; k < 2 * kSteps + 1; ++k) {
                                sums[k] += sign[c] * g[k];
                            }
                        }
#endif
                        for (int k = 0; k < 2 * kSteps + 1; ++k) {
                            scores[k] = sums[k];
                            valid[k] = counted >= 4;
                        }
                    }
                    for (int s = -kSteps; s <= kSteps && !sampled; ++s) {
                        long long score = 0;
                        unsigned used = 0;
                        for (unsigned c = 0; c < counted; ++c) {
                            unsigned const point = static_cast<unsigned>(first[c] + s);
                            double px = 0;
                            double py = 0;
                            if (!line.At(point, px, py)) {
                                continue;
                            }
                            score += sign[c] * SampleBilinear(image, px, py);
                            ++used;
                        }
                        scores[s + kSteps] = score;
                        valid[s + kSteps] = used >= 4;
                    }
                    shift[axis] = PlateauCentre(scores, valid, kSteps) / 8.0;
                }
                double px = 0;
                double py = 0;
                if (grid.Map(u0 + shift[0], v0 + shift[1], px, py) && px >= 0 && py >= 0 &&
                    px < image.GetWidth() && py < image.GetHeight()) {
                    added = refinedPoints_.Add(u0, v0, px, py) || added;
                }
            }
        }
        if (!added) {
            break;
        }
        AztecModuleGrid next = refinedPoints_;
        if (!next.Fit()) {
            break;
        }
        grid = next;
    }
}

int AztecCodeDecoder::DecodeSymbol(GrayImage const& image, AztecModuleGrid const& grid, bool dark,
                                   ModeMessageInformation const& information, OrientationPattern const& orientation,
                                   DecodedLabel& label)
{
    unsigned const size = AztecSymbolSize(information.compact, information.layers);
    if (size > kMaxSize) {
        return 0;
    }
    refined_ = grid;
    if (!information.compact) {
        refinedPoints_ = grid;
        FitReferenceGrid(image, dark, size / 2, refined_);
    }
    BinarizationTableForAztec const table{Cells(), size};
    for (unsigned round = 0;; ++round) {
        // Grey values first; when they do not correct, the sharpened ones,
        // which part modules that blur has run together.
        for (bool const laplacian : {false, true}) {
            if (!SampleTable(image, refined_, dark, size, orientation, laplacian)) {
                return 0;
            }
            if (DecodeTable(table, information, label) != 0) {
                return 1;
            }
        }
        if (round == kBendRounds || !FitBend(image, size, orientation, refined_)) {
            return 0;
        }
    }
}

bool AztecCodeDecoder::FitBend(GrayImage const& image, unsigned size, OrientationPattern const& orientation,
                               AztecModuleGrid& grid)
{
    constexpr unsigned kSamples = 24;
    unsigned char const* cells = Cells();
    AztecModuleGrid::BendMeasurement* out = bends_.GetData();
    unsigned count = 0;
    double const offset = (size - 1) / 2.0;
    for (unsigned j = 1; j + 1 < size; ++j) {
        for (unsigned i = 1; i + 1 < size; ++i) {
            unsigned char const here = cells[j * size + i];
            for (unsigned axis = 0; axis < 2 && count < kMaxBends; ++axis) {
                unsigned const before = axis == 0 ? j * size + i - 1 : (j - 1) * size + i;
                unsigned const after = axis == 0 ? j * size + i + 1 : (j + 1) * size + i;
                if (cells[before] == here || cells[after] == here) {
                    continue;
                }
                // The line from the module before to the one after, through
                // this one, in the image.
                double su = i - offset;
                double sv = j - offset;
                double u0 = 0, v0 = 0, u1 = 0, v1 = 0, uc = 0, vc = 0;
                AztecSymbolToReader(orientation, su - (axis == 0 ? 1 : 0), sv - (axis == 1 ? 1 : 0), u0, v0);
                AztecSymbolToReader(orientation, su + (axis == 0 ? 1 : 0), sv + (axis == 1 ? 1 : 0), u1, v1);
                AztecSymbolToReader(orientation, su, sv, uc, vc);
                double ax = 0, ay = 0, bx = 0, by = 0;
                if (!grid.Map(u0, v0, ax, ay) || !grid.Map(u1, v1, bx, by)) {
                    continue;
                }
                double const length = std::sqrt((bx - ax) * (bx - ax) + (by - ay) * (by - ay));
                if (length < 2.0 || ax < 0 || ay < 0 || bx < 0 || by < 0 || ax >= image.GetWidth() ||
                    bx >= image.GetWidth() || ay >= image.GetHeight() || by >= image.GetHeight()) {
                    continue;
                }
                int g[kSamples + 1];
                for (unsigned k = 0; k <= kSamples; ++k) {
                    double const t = static_cast<double>(k) / kSamples;
                    g[k] = SampleBilinear(image, ax + (bx - ax) * t, ay + (by - ay) * t);
                }
                int const middle = g[kSamples / 2];
                int const ends = (g[0] + g[kSamples]) / 2;
                if ((middle > ends ? middle - ends : ends - middle) < finder_.GetContrast() / 4) {
                    continue;
                }
                int const level = (middle + ends) / 2;
                // The edges on either side of the middle: the last crossing
                // of the level walking outward from it.
                double edge[2] = {-1, -1};
                for (int side = 0; side < 2; ++side) {
                    int const step = side == 0 ? -1 : 1;
                    for (int k = static_cast<int>(kSamples / 2); k + step >= 0 && k + step <= static_cast<int>(kSamples);
                         k += step) {
                        bool const in = (g[k] > level) == (middle > level);
                        bool const next = (g[k + step] > level) == (middle > level);
                        if (in && !next) {
                            double const frac = static_cast<double>(level - g[k]) / (g[k + step] - g[k]);
                            edge[side] = (k + step * frac) / kSamples;
                            break;
                        }
                    }
                }
                if (edge[0] < 0.05 || edge[1] < 0 || edge[1] > 0.95) {
                    continue;
                }
                double const centre = (edge[0] + edge[1]) / 2;
                double cx = 0, cy = 0;
                if (!grid.Map(uc, vc, cx, cy)) {
                    continue;
                }
                double const mx = ax + (bx - ax) * centre;
                double const my = ay + (by - ay) * centre;
                double const dx = (bx - ax) / length;
                double const dy = (by - ay) / length;
                out[count++] = AztecModuleGrid::BendMeasurement{
                    static_cast<float>(uc), static_cast<float>(vc), static_cast<float>(dx), static_cast<float>(dy),
                    static_cast<float>((mx - cx) * dx + (my - cy) * dy)};
            }
        }
    }
    return grid.FitBend(out, count, offset);
}

}  // namespace DEC2DIvra
