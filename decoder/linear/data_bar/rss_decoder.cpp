#include "decoder/linear/data_bar/rss_decoder.h"

#include <cmath>

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/identifiers/rss_identifier.h"
#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/line/line_statistics.h"
#include "decoder/linear/data_bar/bar_symbol_for_rss.h"
#include "decoder/linear/data_bar/rss_calculation.h"
#include "decoder/linear/data_bar/rss_expanded_data.h"
#include "decoder/linear/data_bar/rss_finder_direction.h"
#include "decoder/linear/data_bar/rss_finder_partial_scan_data.h"
#include "decoder/linear/data_bar/rss_partial_scan_data.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kOmniModulus = 79;
constexpr unsigned kExpandedModulus = 211;
constexpr unsigned kMaxNoisePasses = 16;
constexpr unsigned kFirstExpandedFinder = 9;
constexpr unsigned long long kOmniLimit = 10000000000000ULL;  // 13 digits

// Modifier bits of the DataBar identifier.
constexpr unsigned kModifierExpanded = 1u << 9;
constexpr unsigned kModifierCheckDigit = 1u << 10;
constexpr unsigned kModifierLinked = 1u << 11;

// Beyond a character's far end: a guard of a run or two, then the ground,
// wider than three modules.
int FindGround(CommonPartialScanData const& window, long long module)
{
    ArrayIterator<ScanElement const> it = window.GetIterator();
    for (unsigned k = 0; k < 3 && it.IsValid(); ++k, it.Next()) {
        if (static_cast<long long>(it->end) - it->begin > 3 * module) {
            return it->colour;
        }
    }
    return -1;
}

// The record of a character read in `window`: its extent on the line and
// its widths. Always true, to sit in a chain of tests.
bool Describe(CommonPartialScanData const& window, RSSCharacter const& character, BarSymbolForRSS& symbol)
{
    int const a = window[0].begin;
    int const b = window[RSSPartialScanData::kRuns - 1].begin;
    symbol.begin = a < b ? a : b;
    int const c = window[0].end;
    int const d = window[RSSPartialScanData::kRuns - 1].end;
    symbol.end = c > d ? c : d;
    symbol.light = 0;
    for (unsigned k = 0; k < 8; ++k) {
        symbol.widths[k] = static_cast<unsigned char>(character.widths[k]);
        PartialScanElement const& run = window[k];
        symbol.greys[k] = static_cast<short>(run.grey < -32768 ? -32768 : (run.grey > 32767 ? 32767 : run.grey));
        symbol.light |= static_cast<unsigned char>((run.colour == kLightRun ? 1u : 0u) << k);
    }
    return true;
}

}  // namespace

// One character beside the finder, with the point of its far end.
struct RSSDecoder::Side {
    bool read = false;
    RSSCharacter character;
    BarSymbolForRSS symbol;
    Point end;
    // The colour of the ground met within a guard's width beyond the far
    // end: kLightRun, kDarkRun, or neither when no wide run lies there.
    int ground = -1;
};

RSSDecoder::RSSDecoder(DecoderDetailProperty const& detail, Gs1DataBarProperty const& dataBar,
                       CompositeProperty const& composite)
    : detail_(&detail), dataBar_(&dataBar), composite_(&composite)
{
    Initialize();
}

void RSSDecoder::Initialize()
{
    regions_.Clear();
    for (unsigned i = 0; i < 9; ++i) {
        omniLeft_[i].Reset();
        omniRight_[i].Reset();
        omniLeftInverted_[i].Reset();
        omniRightInverted_[i].Reset();
    }
    for (unsigned i = 0; i < 12; ++i) {
        expanded_[i].Reset();
        expandedInverted_[i].Reset();
    }
    named_ = 0;
    aligned_ = 0;
    otherRow_ = 0;
    gapRowCount_ = 0;
    limited_.Clear();
}

bool RSSDecoder::ExecuteBinarization(GrayImage const& image, Region const& region, ArrayIterator<ScanElement const> const& start,
                                     LineDecodeData const& line)
{
    bool const omni = dataBar_->read.Get();
    bool const expanded = dataBar_->read_expanded.Get();
    unsigned const polarity = detail_->positive_and_negative.Get();
    if (polarity > 2 || !start.IsValid()) {
        return false;
    }
    // The runs may begin a Limited check character too (or seem to). Only
    // a Limited symbol with a 2D part above it is met by bands that lean
    // off its bars (the 2D part's bars join the band and turn it); one
    // alone is located square to its own bars.
    bool const limited = dataBar_->read_limited.Get() && composite_->read.Get() && limited_.Note(image, start, line);
    if (!omni && !expanded) {
        return limited;
    }
    RSSFinderPartialScanData work;
    if (!work.Set(start)) {
        return false;
    }
    // Noise inside the finder hides it: remove the weakest runs and look
    // again; the last fit stands.
    RSSFinderPartialScanData finder;
    RSSFinderPartialScanData::Finder found;
    bool any = false;
    for (unsigned pass = 0; pass < kMaxNoisePasses; ++pass) {
        RSSFinderPartialScanData::Finder candidate;
        if (work.CalcFinderBarSymbol(candidate)) {
            finder = work;
            found = candidate;
            any = true;
        }
        if (!work.DeleteNoise()) {
            break;
        }
    }
    bool const isExpanded = any && found.value >= kFirstExpandedFinder;
    if (!any || (isExpanded ? !expanded : !omni)) {
        return false;
    }
    unsigned const regionIndex = regions_.Push(region);
    bool const regionKnown = regionIndex < RSSRegionCollector::kCapacity;
    unsigned const tag = (found.reverse ? BarSymbolCandidateMapForRSS<64>::kReverseBit : 0u) |
                         (regionKnown ? regionIndex << BarSymbolCandidateMapForRSS<64>::kRegionShift : 0u);

    // The character before the finder (in the pattern's own order) is an
    // outer one; each character reads from its far end towards the finder.
    RSSCharacterKind const beforeKind = isExpanded ? RSSCharacterKind::kExpanded : RSSCharacterKind::kOuter;
    RSSCharacterKind const afterKind = isExpanded ? RSSCharacterKind::kExpanded : RSSCharacterKind::kInner;
    auto modulesOf = [](RSSCharacterKind kind) {
        return kind == RSSCharacterKind::kOuter ? 16LL : (kind == RSSCharacterKind::kInner ? 15LL : 17LL);
    };
    long long const span = finder.GetSpan();
    // A character must span half a pixel a module on the line: a pixel a
    // module refuses small stacked rows that read (1.3 pixels a module
    // across a slanted line).
    auto MinPixels = [&](RSSCharacterKind kind) { return static_cast<unsigned>(modulesOf(kind) / 2); };
    RSSCharacterKind const leftKind = found.reverse ? afterKind : beforeKind;
    RSSCharacterKind const rightKind = found.reverse ? beforeKind : afterKind;

    // A character counts only with a run beyond its far end: a run cut by
    // the line's end has lost its width.
    Side lineLeft;
    Side lineRight;
    {
        long long const expected = span * modulesOf(leftKind) / 15;
        RSSPartialScanData window;
        lineLeft.read = window.ReverceSetFromRSSFinderPartialScanData(finder, static_cast<unsigned>(modulesOf(leftKind))) &&
                        window.CalcBarSymbol(leftKind, lineLeft.character) &&
                        Describe(window, lineLeft.character, lineLeft.symbol) &&
                        lineLeft.symbol.CalcLineSegment(image, true, MinPixels(leftKind), line.line);
        lineLeft.end = lineLeft.symbol.last;
        lineLeft.ground = lineLeft.read ? FindGround(window, expected / modulesOf(leftKind)) : -1;
    }
    {
        long long const expected = span * modulesOf(rightKind) / 15;
        RSSPartialScanData window;
        lineRight.read = window.SetFromRSSFinderPartialScanData(finder, static_cast<unsigned>(modulesOf(rightKind))) &&
                         window.CalcBarSymbol(rightKind, lineRight.character) &&
                         Describe(window, lineRight.character, lineRight.symbol) &&
                         lineRight.symbol.CalcLineSegment(image, false, MinPixels(rightKind), line.line);
        lineRight.end = lineRight.symbol.last;
        lineRight.ground = lineRight.read ? FindGround(window, expected / modulesOf(rightKind)) : -1;
    }
    if (!lineLeft.read && !lineRight.read) {
        return false;
    }
    // The stretch of the line the finder and its characters cover.
    LineSegment pair;
    if ((!lineLeft.read && !line.line.CalcLineCoordPoint(image, finder[0].begin, lineLeft.end)) ||
        (!lineRight.read && !line.line.CalcLineCoordPoint(image, finder[RSSFinderPartialScanData::kRuns - 1].end,
                                                          lineRight.end))) {
        return false;
    }
    pair.begin = lineLeft.end;
    pair.end = lineRight.end;
    // The finder's own stretch, for the direction of its bars.
    LineSegment stretch;
    LineSegment const* seen =
        line.line.CalcLineCoordPoint(image, finder[0].begin, stretch.begin) &&
                line.line.CalcLineCoordPoint(image, finder[RSSFinderPartialScanData::kRuns - 1].end, stretch.end)
            ? &stretch
            : nullptr;
    Side const& before = found.reverse ? lineRight : lineLeft;
    Side const& after = found.reverse ? lineLeft : lineRight;
    // An Omnidirectional outer character ends the symbol (or its row): the
    // ground beyond it tells the polarity, which otherwise both readings of
    // the line stand for.
    int const ground = isExpanded ? -1 : before.ground;
    if (ground == kLightRun || ground == kDarkRun) {
        // Noted for both readings: the finder's map of either polarity.
        bool const lightEnds = finder[0].colour == kLightRun;
        ++(lightEnds ? omniLeft_ : omniRight_)[found.value].grounds[ground];
        ++(lightEnds ? omniRightInverted_ : omniLeftInverted_)[found.value].grounds[ground];
    }
    bool const normal = polarity != 1 && ground != kDarkRun;
    bool const inverted = polarity != 0 && ground != kLightRun;
    if (normal) {
        Vote(finder, found.value, false, before, after, pair, seen, tag, regionKnown);
    }
    if (inverted) {
        Vote(finder, found.value, true, before, after, pair, seen, tag, regionKnown);
    }
    return true;
}

void RSSDecoder::Vote(RSSFinderPartialScanData const& finder, unsigned value, bool inverted, Side const& before,
                      Side const& after, LineSegment const& pair, LineSegment const* seen, unsigned tag,
                      bool regionKnown)
{
    // Both ends of a finder share a colour; in the symbol's own colours
    // light ends mark the left Omnidirectional finder and the first finder
    // of an Expanded letter.
    bool const lightEnds = (finder[0].colour == kLightRun) != inverted;
    if (value < kFirstExpandedFinder) {
        Maps9& maps = inverted ? (lightEnds ? omniLeftInverted_ : omniRightInverted_)
                               : (lightEnds ? omniLeft_ : omniRight_);
        RSSPairCandidateMap& map = maps[value];
        if (seen != nullptr) {
            ++map.sightings;
            map.finder = *seen;
        }
        unsigned const outer = lightEnds ? 0 : 2;
        if (before.read) {
            BarSymbolForRSS record = before.symbol;
            record.code = (before.character.value * kOmniModulus + before.character.CalcOmniChecksum(outer)) | tag;
            map.first.Push(record, pair, regionKnown);
        }
        if (after.read) {
            BarSymbolForRSS record = after.symbol;
            record.code = (after.character.value * kOmniModulus + after.character.CalcOmniChecksum(outer + 1)) | tag;
            map.second.Push(record, pair, regionKnown);
        }
        return;
    }
    unsigned const number = 2 * ((value - kFirstExpandedFinder) / 2) + (lightEnds ? 0 : 1);
    RSSPairCandidateMap& map = (inverted ? expandedInverted_ : expanded_)[number];
    // A mirrored finder has its pair's right character before it.
    Side const& left = lightEnds ? before : after;
    Side const& right = lightEnds ? after : before;
    if (left.read) {
        BarSymbolForRSS record = left.symbol;
        record.code = (left.character.value * kExpandedModulus + left.character.CalcExpandedChecksum(2 * number)) | tag;
        map.first.Push(record, pair, regionKnown);
    }
    if (right.read) {
        BarSymbolForRSS record = right.symbol;
        record.code = (right.character.value * kExpandedModulus + right.character.CalcExpandedChecksum(2 * number + 1)) | tag;
        map.second.Push(record, pair, regionKnown);
    }
}

bool RSSDecoder::Start(GrayImage const&, DecodedLabel& label)
{
    unsigned const polarity = detail_->positive_and_negative.Get();
    bool const normal = polarity == 0 || polarity == 2;
    bool const inverted = polarity == 1 || polarity == 2;
    label.Clear();
    // By whole codes first, then by the characters alone.
    for (bool const whole : {true, false}) {
        if (dataBar_->read.Get()) {
            if (normal && CheckOmni(omniLeft_, omniRight_, false, whole, label)) {
                return true;
            }
            // When both polarities are read, a light-on-dark reading needs
            // dark ground seen: every dark-on-light symbol also reads, with
            // other weights, as a light-on-dark one, which noise may complete.
            if (inverted && CheckOmni(omniLeftInverted_, omniRightInverted_, true, whole, label, polarity == 2)) {
                label.negative = 1;
                return true;
            }
        }
        if (dataBar_->read_expanded.Get()) {
            if (normal && CheckExpanded(expanded_, whole, label)) {
                return true;
            }
            if (inverted && CheckExpanded(expandedInverted_, whole, label)) {
                label.negative = 1;
                return true;
            }
        }
    }
    label.Clear();
    return false;
}

void RSSDecoder::FillTuningRecord(RateForTuningCalculator const& rate, DecodedLabel& label)
{
    LineStatistics statistics;
    if (rate.IsEnabled() &&
        rate.CalcResult(statistics.separation, statistics.normalisedSeparation, statistics.angle, statistics.overlaps)) {
        statistics.valid = 1;
    }
    label.further = statistics.valid ? statistics.ToRecord() : tagFurtherRecord{};
}

BarSymbolCandidateMapForRSS<64>::Entry const* RSSDecoder::PickBest(BarSymbolCandidateMapForRSS<64> const& side,
                                                                   bool whole, unsigned& code)
{
    if (!whole) {
        Entry const* best = side.GetClearBest(kMinVotes, kMinLead);
        code = best != nullptr ? best->code : 0u;
        return best;
    }
    return side.GetClearBestWhole(kMinVotes, kMinLead, code) ? side.Find(code) : nullptr;
}

bool RSSDecoder::CheckPair(RSSPairCandidateMap const& left, RSSPairCandidateMap const& right, unsigned i,
                          unsigned j, bool inverted, bool needGround, bool whole, PairEntries& best,
                          unsigned (&codes)[4])
{
    // The finder values 0 and 8 never pair.
    if ((i == 0 && j == 8) || (i == 8 && j == 0)) {
        return false;
    }
    best[0] = PickBest(left.first, whole, codes[0]);
    best[1] = PickBest(left.second, whole, codes[1]);
    best[2] = PickBest(right.first, whole, codes[2]);
    best[3] = PickBest(right.second, whole, codes[3]);
    // The ground beyond the outer characters rules out the polarity it
    // contradicts.
    if (best[0] == nullptr || best[1] == nullptr || best[2] == nullptr || best[3] == nullptr ||
        !left.AgreesWith(inverted) || !right.AgreesWith(inverted) ||
        (needGround && !left.Shows(inverted) && !right.Shows(inverted))) {
        return false;
    }
    unsigned check = 9 * i + j;
    check -= check > 72 ? 2 : (check >= 9 ? 1 : 0);
    unsigned sum = 0;
    for (Entry const* entry : best) {
        sum += entry->code % kOmniModulus;
    }
    return sum % kOmniModulus == check;
}

bool RSSDecoder::CheckOmni(Maps9 const& left, Maps9 const& right, bool inverted, bool whole, DecodedLabel& label,
                           bool needGround) const
{
    for (unsigned i = 0; i < 9; ++i) {
        for (unsigned j = 0; j < 9; ++j) {
            PairEntries best = {};
            unsigned codes[4] = {};
            if (!CheckPair(left[i], right[j], i, j, inverted, needGround, whole, best, codes)) {
                continue;
            }
            Entry const* leftOuter = best[0];
            Entry const* rightOuter = best[2];
            unsigned long long const lo = best[0]->code / kOmniModulus;
            unsigned long long const li = best[1]->code / kOmniModulus;
            unsigned long long const ro = best[2]->code / kOmniModulus;
            unsigned long long const ri = best[3]->code / kOmniModulus;
            if (lo > 2840 || ro > 2840 || li > 1596 || ri > 1596) {
                continue;
            }
            unsigned long long value = (lo * 1597 + li) * 4537077ULL + (ro * 1597 + ri);
            bool const linked = value >= kOmniLimit;
            value %= kOmniLimit;
            bool const withCheck = dataBar_->transmit_check_digit.Get();
            if (!RSSCalculation::WriteGtin(value, dataBar_->transmit_application_identifier.Get(), withCheck,
                                           label.data)) {
                return false;
            }
            unsigned const modifier = (withCheck ? kModifierCheckDigit : 0u) | (linked ? kModifierLinked : 0u);
            label.identifier.Copy(RSSIdentifier(modifier));
            label.region = Region{{leftOuter->first, rightOuter->first, rightOuter->last, leftOuter->last}};
            // The width of the row a 2D component sits on: pairs met in
            // different regions are two rows; one region may hold both.
            bool const oneRow = (!whole || RegionOf(codes[0]) == RegionOf(codes[2])) &&
                                LieInOneRow(*leftOuter, *rightOuter, leftOuter->first);
            label.moduleCount = oneRow ? kOmniRowModules : kOmniRowModules / 2;
            RateForTuningCalculator rate;
            rate.Initialize(detail_->flag != 0);
            left[i].first.PushRateForTuningCalculators(best[0]->code, rate);
            left[i].second.PushRateForTuningCalculators(best[1]->code, rate);
            right[j].first.PushRateForTuningCalculators(best[2]->code, rate);
            right[j].second.PushRateForTuningCalculators(best[3]->code, rate);
            FillTuningRecord(rate, label);
            return true;
        }
    }
    return false;
}

bool RSSDecoder::CheckExpanded(Maps12 const& maps, bool whole, DecodedLabel& label) const
{
    using Entry = BarSymbolCandidateMapForRSS<64>::Entry;
    unsigned checkCode = 0;
    Entry const* check = PickBest(maps[0].first, whole, checkCode);
    if (check == nullptr) {
        return false;
    }
    unsigned const checkValue = check->code / kExpandedModulus;
    unsigned const count = checkValue / kExpandedModulus + 4;
    unsigned const finders = (count + 1) / 2;
    if (count > 22) {
        return false;
    }
    unsigned char const* sequence = RSSTables::kSequences[finders - 2];
    RSSExpandedBits bits;
    unsigned sum = 0;
    Entry const* last = check;
    // Finders in the symbol's first row: a 2D component spans them.
    unsigned firstRow = 1;
    bool rowEnded = false;
    Entry const* rowLast = check;
    // The first row's last character: its outer end closes the row a 2D
    // component stands on.
    Entry const* rowEnd = check;
    Entry const* entries[22] = {check};
    for (unsigned p = 1; p < count; ++p) {
        RSSPairCandidateMap const& pair = maps[sequence[p / 2]];
        unsigned code = 0;
        Entry const* entry = PickBest(p % 2 == 0 ? pair.first : pair.second, whole, code);
        if (entry == nullptr || entry->code / kExpandedModulus > 4095 ||
            !bits.Append(entry->code / kExpandedModulus, 12)) {
            return false;
        }
        sum += entry->code % kExpandedModulus;
        last = entry;
        entries[p] = entry;
        if (p % 2 == 0 && !rowEnded) {
            // A stacked row may run the other way: each finder is compared
            // with the one before it.
            rowEnded = (whole && RegionOf(code) != RegionOf(checkCode)) || !LieInOneRow(*rowLast, *entry, check->first);
            firstRow += rowEnded ? 0u : 1u;
            rowLast = entry;
        }
        if (!rowEnded) {
            rowEnd = entry;
        }
    }
    if (sum % kExpandedModulus != checkValue % kExpandedModulus) {
        return false;
    }
    RSSExpandedOptions options;
    options.transmitCheckDigit = dataBar_->transmit_check_digit.Get();
    options.transmitApplicationIdentifier = dataBar_->transmit_application_identifier.Get();
    bool linked = false;
    if (!MakeExpandedData(bits, options, label.data, linked) ||
        (!linked && !dataBar_->fixed_length.Get().Admits(label.data.GetCount()))) {
        label.data.Clear();
        return false;
    }
    unsigned const modifier =
        kModifierExpanded | (options.transmitCheckDigit ? kModifierCheckDigit : 0u) | (linked ? kModifierLinked : 0u);
    label.identifier.Copy(RSSIdentifier(modifier));
    label.region = rowEnded ? StackedRegion(*check, *rowEnd, entries, count)
                            : Region{{check->first, last->first, last->last, check->last}};
    label.moduleCount = kExpandedPairModules * firstRow;
    RateForTuningCalculator rate;
    rate.Initialize(detail_->flag != 0);
    maps[0].first.PushRateForTuningCalculators(check->code, rate);
    for (unsigned p = 1; p < count; ++p) {
        RSSPairCandidateMap const& pair = maps[sequence[p / 2]];
        BarSymbolCandidateMapForRSS<64> const& side = p % 2 == 0 ? pair.first : pair.second;
        unsigned code = 0;
        side.PushRateForTuningCalculators(PickBest(side, whole, code)->code, rate);
    }
    FillTuningRecord(rate, label);
    return true;
}

// A stacked symbol's region: its first row's top edge, the edge a 2D
// component stands on, and its sides carried down past the lowest
// character of the rows below.
Region RSSDecoder::StackedRegion(BarSymbolCandidateMapForRSS<64>::Entry const& first,
                                 BarSymbolCandidateMapForRSS<64>::Entry const& rowEnd,
                                 BarSymbolCandidateMapForRSS<64>::Entry const* const* entries, unsigned count)
{
    float const tx = static_cast<float>(rowEnd.first.x - first.first.x);
    float const ty = static_cast<float>(rowEnd.first.y - first.first.y);
    float const top = std::hypot(tx, ty);
    float sx = static_cast<float>(first.last.x - first.first.x);
    float sy = static_cast<float>(first.last.y - first.first.y);
    if (top < 1.0f) {
        return Region{{first.first, rowEnd.first, rowEnd.last, first.last}};
    }
    // The normal of the top edge on the side the rows run on to.
    float nx = -ty / top;
    float ny = tx / top;
    if (nx * sx + ny * sy < 0) {
        nx = -nx;
        ny = -ny;
    }
    float deepest = 0;
    for (unsigned i = 0; i < count; ++i) {
        float const h = static_cast<float>(entries[i]->last.x - first.first.x) * nx +
                        static_cast<float>(entries[i]->last.y - first.first.y) * ny;
        deepest = h > deepest ? h : deepest;
    }
    // Down the sides, or square to the top edge when the sides are too short
    // or too slanted to follow.
    float const side = std::hypot(sx, sy);
    float const lean = side >= 2.0f ? (sx * nx + sy * ny) / side : 0.0f;
    if (lean < 0.5f) {
        sx = nx;
        sy = ny;
    } else {
        sx /= side * lean;
        sy /= side * lean;
    }
    Point const drop{static_cast<int>(std::lround(sx * deepest)), static_cast<int>(std::lround(sy * deepest))};
    return Region{{first.first, rowEnd.first, Point{rowEnd.first.x + drop.x, rowEnd.first.y + drop.y},
                   Point{first.first.x + drop.x, first.first.y + drop.y}}};
}

bool RSSDecoder::LieInOneRow(BarSymbolCandidateMapForRSS<64>::Entry const& a,
                             BarSymbolCandidateMapForRSS<64>::Entry const& b, Point const& symbolStart)
{
    // The next pair of a row follows one pair's width further on in the
    // reading direction, off the line by less than a third of that; a row
    // below lies across the lines, or starts back at the symbol's start.
    auto centre = [](BarSymbolCandidateMapForRSS<64>::Entry const& e, int Point::*axis) {
        return (static_cast<long long>(e.firstPair.begin.*axis) + e.firstPair.end.*axis + e.lastPair.begin.*axis +
                e.lastPair.end.*axis) / 4;
    };
    long long const ax = centre(a, &Point::x);
    long long const ay = centre(a, &Point::y);
    long long const vx = centre(b, &Point::x) - ax;
    long long const vy = centre(b, &Point::y) - ay;
    long long rx = static_cast<long long>(a.firstPair.end.x) - a.firstPair.begin.x;
    long long ry = static_cast<long long>(a.firstPair.end.y) - a.firstPair.begin.y;
    if ((ax - symbolStart.x) * rx + (ay - symbolStart.y) * ry < 0) {
        rx = -rx;
        ry = -ry;
    }
    long long const width = rx * rx + ry * ry;
    long long const along = vx * rx + vy * ry;
    long long const across = vx * ry - vy * rx;
    long long const off = across < 0 ? -across : across;
    return 2 * along > width && 2 * along < 3 * width && 3 * off < width;
}

BarSymbolCandidateMapForRSS<64>::Entry const* RSSDecoder::GetBestOfPair(RSSPairCandidateMap const& map)
{
    // A character cut off by the end of the lines still leaves its partner
    // and the finder to name the pair's place by.
    BarSymbolCandidateMapForRSS<64>::Entry const* first = map.first.GetBest();
    BarSymbolCandidateMapForRSS<64>::Entry const* second = map.second.GetBest();
    return first == nullptr || (second != nullptr && second->votes > first->votes) ? second : first;
}

bool RSSDecoder::CalcPairRegion(RSSPairCandidateMap const& map, Region& region)
{
    BarSymbolCandidateMapForRSS<64>::Entry const* best = GetBestOfPair(map);
    if (best == nullptr || best->votes < kMinRegionVotes) {
        return false;
    }
    region = Region{{best->firstPair.begin, best->firstPair.end, best->lastPair.end, best->lastPair.begin}};
    // The character's outer end on the first and the last line lies along
    // the bars: the region is squared to them, so that the rows beside it are
    // sought across the bars even when the lines ran askew.
    long long const dx = static_cast<long long>(best->last.x) - best->first.x;
    long long const dy = static_cast<long long>(best->last.y) - best->first.y;
    long long const norm = dx * dx + dy * dy;
    if (norm < kMinSquaredAcross) {
        return true;
    }
    Point const shift{static_cast<int>(dx), static_cast<int>(dy)};
    return SquareToBars(best->firstPair, dx, dy, shift, region);
}

bool RSSDecoder::SquareToBars(LineSegment const& pair, long long dx, long long dy, Point const& shift,
                              Region& region)
{
    long long const norm = dx * dx + dy * dy;
    Point const a = pair.begin;
    long long const wx = static_cast<long long>(pair.end.x) - a.x;
    long long const wy = static_cast<long long>(pair.end.y) - a.y;
    // The reading direction: perpendicular to the bars, the lines' way.
    long long const rx = -dy;
    long long const ry = dx;
    long long const along = wx * rx + wy * ry;
    Point const b{static_cast<int>(a.x + rx * along / norm), static_cast<int>(a.y + ry * along / norm)};
    // Room for a character the lines cut off: two fifths of the pair's
    // width on either side.
    int const ex = static_cast<int>((static_cast<long long>(b.x) - a.x) * 2 / 5);
    int const ey = static_cast<int>((static_cast<long long>(b.y) - a.y) * 2 / 5);
    Point const begin{a.x - ex, a.y - ey};
    Point const end{b.x + ex, b.y + ey};
    region = Region{{begin, end, Point{end.x + shift.x, end.y + shift.y}, Point{begin.x + shift.x, begin.y + shift.y}}};
    return true;
}

unsigned RSSDecoder::CalcColumnRegions(Maps12 const& maps, unsigned inverted, StackInterface<Region>& regions)
{
    // The rows of a tall stacked symbol lie across the lines of its band, so
    // that a line or two cross each: too few for a region squared to the
    // row's own bars. The pairs of the rows lie one above the other along
    // the bars: when three or more pairs seen line up across their reading
    // direction, that line gives the bars, and each pair a region around
    // the line that saw it.
    using Entry = BarSymbolCandidateMapForRSS<64>::Entry;
    struct Seen {
        long long cx;
        long long cy;
        long long wx;
        long long wy;
        long long width;  // squared
    };
    Seen seen[12];
    unsigned finder[12];
    unsigned count = 0;
    for (unsigned f = 0; f < 12; ++f) {
        Entry const* e = GetBestOfPair(maps[f]);
        if (e == nullptr) {
            continue;
        }
        LineSegment const& p = e->firstPair;
        long long const wx = static_cast<long long>(p.end.x) - p.begin.x;
        long long const wy = static_cast<long long>(p.end.y) - p.begin.y;
        finder[count] = f;
        seen[count++] = Seen{(static_cast<long long>(p.begin.x) + p.end.x) / 2,
                             (static_cast<long long>(p.begin.y) + p.end.y) / 2, wx, wy, wx * wx + wy * wy};
    }
    // Across a pair's reading direction (within 15 degrees: cos^2 below
    // 0.07), at a like width, off the axis by less than a third of a width.
    auto across = [](Seen const& s, long long vx, long long vy) {
        long long const dot = s.wx * vx + s.wy * vy;
        return 100 * dot * dot < 7 * s.width * (vx * vx + vy * vy);
    };
    unsigned most = 0;
    long long farthest = 0;
    unsigned from = 0;
    unsigned to = 0;
    for (unsigned i = 0; i < count; ++i) {
        for (unsigned j = i + 1; j < count; ++j) {
            long long const vx = seen[j].cx - seen[i].cx;
            long long const vy = seen[j].cy - seen[i].cy;
            long long const d = vx * vx + vy * vy;
            if (4 * d < seen[i].width || !across(seen[i], vx, vy) || !across(seen[j], vx, vy)) {
                continue;
            }
            unsigned on = 0;
            for (unsigned k = 0; k < count; ++k) {
                long long const off = (seen[k].cx - seen[i].cx) * vy - (seen[k].cy - seen[i].cy) * vx;
                bool const like = 2 * seen[k].width > seen[i].width && seen[k].width < 2 * seen[i].width;
                on += like && across(seen[k], vx, vy) && 9 * off * off < seen[k].width * d ? 1u : 0u;
            }
            if (on > most || (on == most && d > farthest)) {
                most = on;
                farthest = d;
                from = i;
                to = j;
            }
        }
    }
    if (most < 3) {
        return 0;
    }
    long long const vx = seen[to].cx - seen[from].cx;
    long long const vy = seen[to].cy - seen[from].cy;
    long long const length = DecMath::Sqrt(static_cast<unsigned long long>(farthest));
    auto onAxis = [&](Seen const& k) {
        long long const off = (k.cx - seen[from].cx) * vy - (k.cy - seen[from].cy) * vx;
        bool const like = 2 * k.width > seen[from].width && k.width < 2 * seen[from].width;
        return like && across(k, vx, vy) && 9 * off * off < k.width * farthest;
    };
    // Rows are two thirds of a pair high or more: pairs closer along the
    // axis are the rows of another stacked symbol (a MicroPDF417's are a
    // few modules high), read by chance as DataBar pairs, when most of them
    // crowd so. A line now and then reads a character beside a row's finder
    // as a finder of its own: one such pair leaves the column standing.
    long long along[12];
    unsigned rows = 0;
    long long narrowest = seen[from].width;
    for (unsigned k = 0; k < count; ++k) {
        if (onAxis(seen[k])) {
            along[rows++] = ((seen[k].cx - seen[from].cx) * vx + (seen[k].cy - seen[from].cy) * vy) / length;
            narrowest = seen[k].width < narrowest ? seen[k].width : narrowest;
        }
    }
    long long const gap = DecMath::Sqrt(static_cast<unsigned long long>(narrowest)) / 2;
    unsigned crowded = 0;
    for (unsigned a = 0; a < rows; ++a) {
        for (unsigned b = 0; b < rows; ++b) {
            if (a != b && (along[a] < along[b] ? along[b] - along[a] : along[a] - along[b]) < gap) {
                ++crowded;
                break;
            }
        }
    }
    if (2 * crowded > rows) {
        return 0;
    }
    unsigned named = 0;
    for (unsigned k = 0; k < count; ++k) {
        unsigned const bit = kExpandedBits + 12 * inverted + finder[k];
        if (IsNamed(bit) || !onAxis(seen[k])) {
            continue;
        }
        // A quarter of a pair's width either side of the line along the bars:
        // a row is about two thirds of a pair high.
        long long const reach = DecMath::Sqrt(static_cast<unsigned long long>(seen[k].width)) / 4;
        Point const shift{static_cast<int>(vx * reach / length), static_cast<int>(vy * reach / length)};
        LineSegment const& p = GetBestOfPair(maps[finder[k]])->firstPair;
        LineSegment const start{Point{p.begin.x - shift.x, p.begin.y - shift.y},
                                Point{p.end.x - shift.x, p.end.y - shift.y}};
        Region region;
        if (SquareToBars(start, vx, vy, Point{2 * shift.x, 2 * shift.y}, region) && regions.Push(region)) {
            Name(bit);
            Name(kExpandedBits + 12 * (1 - inverted) + (finder[k] ^ 1u));
            ++named;
        }
    }
    ColumnRow column[12];
    unsigned columnRows = 0;
    for (unsigned k = 0; k < count; ++k) {
        if (onAxis(seen[k])) {
            column[columnRows] = ColumnRow{along[columnRows], GetBestOfPair(maps[finder[k]])->firstPair,
                                           DecMath::Sqrt(static_cast<unsigned long long>(seen[k].width))};
            ++columnRows;
        }
    }
    return named + CalcGapRegions(column, columnRows, vx, vy, gap, regions);
}

bool RSSDecoder::CalcRowRegion(Maps12 const& maps, Region& region)
{
    // Under perspective the bars fan out, and lines squared to the bars
    // of one pair miss the pairs far along the row. The centres of the
    // pairs seen lie on the row: the two farthest apart, one ahead of the
    // other in its reading direction, give the axis when every pair seen
    // lies on it; it is stretched to reach pairs not seen at either end.
    using Entry = BarSymbolCandidateMapForRSS<64>::Entry;
    struct Seen {
        long long cx;
        long long cy;
        long long rx;
        long long ry;
        long long width;
    };
    Seen seen[12];
    unsigned count = 0;
    for (unsigned f = 0; f < 12; ++f) {
        Entry const* best = GetBestOfPair(maps[f]);
        if (best == nullptr || best->votes < kMinRegionVotes) {
            continue;
        }
        LineSegment const& p = best->firstPair;
        LineSegment const& q = best->lastPair;
        long long const rx = static_cast<long long>(p.end.x) - p.begin.x;
        long long const ry = static_cast<long long>(p.end.y) - p.begin.y;
        seen[count++] = Seen{(static_cast<long long>(p.begin.x) + p.end.x + q.begin.x + q.end.x) / 4,
                             (static_cast<long long>(p.begin.y) + p.end.y + q.begin.y + q.end.y) / 4, rx, ry,
                             static_cast<long long>(DecMath::Sqrt(static_cast<unsigned long long>(rx * rx + ry * ry)))};
    }
    long long farthest = 0;
    unsigned most = 0;
    unsigned from = 0;
    unsigned to = 0;
    for (unsigned i = 0; i < count; ++i) {
        for (unsigned j = 0; j < count; ++j) {
            long long const vx = seen[j].cx - seen[i].cx;
            long long const vy = seen[j].cy - seen[i].cy;
            long long const dot = vx * seen[i].rx + vy * seen[i].ry;
            long long const cross = vx * seen[i].ry - vy * seen[i].rx;
            long long const d = vx * vx + vy * vy;
            // Within 35 degrees of the reading direction, ahead of it.
            if (dot <= 0 || 10 * (cross < 0 ? -cross : cross) >= 7 * dot) {
                continue;
            }
            long long const length = DecMath::Sqrt(static_cast<unsigned long long>(d));
            unsigned on = 0;
            for (unsigned k = 0; k < count; ++k) {
                long long const off = (seen[k].cx - seen[i].cx) * vy - (seen[k].cy - seen[i].cy) * vx;
                on += (off < 0 ? -off : off) * 3 < seen[k].width * length ? 1u : 0u;
            }
            if (on > most || (on == most && d > farthest)) {
                most = on;
                farthest = d;
                from = i;
                to = j;
            }
        }
    }
    // Only a symbol of one row: lines along one row of a stacked symbol
    // would run along its separator patterns.
    if (farthest == 0 || most < count) {
        return false;
    }
    Seen const& a = seen[from];
    Seen const& b = seen[to];
    long long const length = DecMath::Sqrt(static_cast<unsigned long long>(farthest));
    long long const vx = b.cx - a.cx;
    long long const vy = b.cy - a.cy;
    // Two pair widths beyond the outer centres; a third of one either side
    // of the axis, within the row.
    long long const reach = 2 * (a.width > b.width ? a.width : b.width);
    long long const half = (a.width < b.width ? a.width : b.width) / 3;
    auto at = [&](Seen const& c, long long along, long long across) {
        return Point{static_cast<int>(c.cx + (vx * along - vy * across) / length),
                     static_cast<int>(c.cy + (vy * along + vx * across) / length)};
    };
    region = Region{{at(a, -reach, -half), at(b, reach, -half), at(b, reach, half), at(a, -reach, half)}};
    return true;
}

bool RSSDecoder::CalcFinderRegions(StackInterface<Region>& regions)
{
    // Asked again while the regions' lines add votes: each pair is named once
    // per decode, so that rows too few lines crossed at first follow later.
    // A line reads as both polarities; a pair's reading in the other
    // polarity (the other map, the finder's other end colour) is the same
    // place and is named with it.
    Maps9 const* omni[4] = {&omniLeft_, &omniRight_, &omniLeftInverted_, &omniRightInverted_};
    Region region;
    for (unsigned m = 0; m < 4; ++m) {
        for (unsigned v = 0; v < 9; ++v) {
            // Named once it found a place: a full list leaves it for the
            // next call.
            if (!IsNamed(9 * m + v) && CalcPairRegion((*omni[m])[v], region) && regions.Push(region)) {
                Name(9 * m + v);
                Name(9 * (3 - m) + v);
                return true;
            }
        }
    }
    bool pushed = false;
    for (unsigned inverted = 0; inverted < 2 && !pushed; ++inverted) {
        Maps12 const& maps = inverted != 0 ? expandedInverted_ : expanded_;
        for (unsigned f = 0; f < 12; ++f) {
            if (!IsNamed(kExpandedBits + 12 * inverted + f) && CalcPairRegion(maps[f], region) &&
                regions.Push(region)) {
                Name(kExpandedBits + 12 * inverted + f);
                Name(kExpandedBits + 12 * (1 - inverted) + (f ^ 1u));
                pushed = true;
            }
        }
        if (CalcColumnRegions(maps, inverted, regions) != 0) {
            pushed = true;
        }
        if (!pushed) {
            continue;
        }
        if (!IsNamed(kRowBit) && CalcRowRegion(maps, region) && regions.Push(region)) {
            Name(kRowBit);
        }
    }
    return pushed;
}

RSSPairCandidateMap const& RSSDecoder::MapOf(unsigned bit) const
{
    Maps9 const* omni[4] = {&omniLeft_, &omniRight_, &omniLeftInverted_, &omniRightInverted_};
    return (*omni[(bit / 9) % 4])[bit % 9];
}

unsigned RSSDecoder::TwinOf(unsigned bit)
{
    // The same finder read in the other polarity: the other end colour.
    return 9 * (3 - (bit / 9) % 4) + bit % 9;
}

bool RSSDecoder::IsRead(RSSPairCandidateMap const& map)
{
    return map.first.GetClearBest(kMinVotes, kMinLead) != nullptr &&
           map.second.GetClearBest(kMinVotes, kMinLead) != nullptr;
}

unsigned RSSDecoder::CalcOtherRowRegions(GrayImage const& image, StackInterface<Region>& regions)
{
    // The band laid over a two-row symbol may miss one row altogether: no
    // finder of the other half is seen at all. Once a pair is read, its
    // other half is sought a row's pitch away along the bars, on either
    // side.
    unsigned named = 0;
    for (unsigned m = 0; m < 4; ++m) {
        bool otherSeen = false;
        for (unsigned v = 0; v < 9; ++v) {
            otherSeen = otherSeen || MapOf(9 * (m ^ 1u) + v).sightings != 0;
        }
        for (unsigned v = 0; v < 9 && !otherSeen; ++v) {
            unsigned const bit = 9 * m + v;
            RSSPairCandidateMap const& map = MapOf(bit);
            if ((otherRow_ >> bit & 1u) != 0 || !IsRead(map)) {
                continue;
            }
            otherRow_ |= 1ULL << bit | 1ULL << TwinOf(bit);
            for (double side : {-kRowPitchModules, kRowPitchModules}) {
                Region region;
                if (RSSFinderDirection::CalcRegion(image, map.finder, side, region) && regions.Push(region)) {
                    ++named;
                }
            }
        }
    }
    return named;
}

unsigned RSSDecoder::CalcAlignedRegions(GrayImage const& image, StackInterface<Region>& regions)
{
    // Omnidirectional pairs only: an Expanded row is 34 modules high, lines
    // a few degrees off its bars still read it, and more regions only delay
    // its other rows.
    unsigned named = CalcOtherRowRegions(image, regions);
    // Lines that read Expanded characters cross an Expanded symbol, whose
    // Omnidirectional finders are noise.
    for (unsigned f = 0; f < 12; ++f) {
        for (RSSPairCandidateMap const* map : {&expanded_[f], &expandedInverted_[f]}) {
            BarSymbolCandidateMapForRSS<64>::Entry const* best = GetBestOfPair(*map);
            if (best != nullptr && best->votes >= kMinVotes) {
                return named;
            }
        }
    }
    // The finders seen most often first: a line run across a stacked
    // symbol's rows also reads stray runs as finders, once each.
    while (named < kMaxAlignedPerCall) {
        unsigned best = kRowBit;
        for (unsigned bit = 0; bit < kExpandedBits; ++bit) {
            RSSPairCandidateMap const& map = MapOf(bit);
            unsigned const seen = map.sightings;
            // A pair whose characters both stand needs no more lines.
            if (!IsAligned(bit) && !IsRead(map) && seen >= kMinAlignedSightings &&
                (best == kRowBit || seen > MapOf(best).sightings)) {
                best = bit;
            }
        }
        if (best == kRowBit) {
            break;
        }
        aligned_ |= 1ULL << best | 1ULL << TwinOf(best);
        Region region;
        if (RSSFinderDirection::CalcRegion(image, MapOf(best).finder, 0.0, region) && regions.Push(region)) {
            ++named;
        }
    }
    // Limited check characters last: print and a 2D part's rows pass for
    // them more often than for a pair's finder.
    if (named == 0) {
        named = limited_.CalcRegions(image, regions, kMaxAlignedPerCall);
    }
    return named;
}

}  // namespace DEC2DIvra
