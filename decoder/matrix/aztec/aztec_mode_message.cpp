#include "decoder/matrix/aztec/aztec_mode_message.h"

namespace DEC2DIvra {

namespace {

// Plain rotations 0-3, then mirrored rotations 0-3.
constexpr unsigned kOrientationWords[8] = {0xEE0, 0x1DC, 0x83B, 0x707, 0xBC2, 0xE15, 0x0AF, 0x578};

unsigned Distance(unsigned a, unsigned b)
{
    unsigned v = (a ^ b) & 0xFFFu;
    unsigned count = 0;
    for (; v != 0; v &= v - 1) {
        ++count;
    }
    return count;
}

OrientationPattern PatternOf(unsigned index) { return OrientationPattern{index & 3u, index >= 4}; }

unsigned long long RotateLeft(unsigned long long bits, unsigned by, unsigned width)
{
    unsigned long long const mask = (1ull << width) - 1;
    by %= width;
    if (by == 0) {
        return bits & mask;
    }
    return ((bits << by) | (bits >> (width - by))) & mask;
}

unsigned long long Reverse(unsigned long long bits, unsigned width)
{
    unsigned long long out = 0;
    for (unsigned i = 0; i < width; ++i) {
        out = (out << 1) | ((bits >> i) & 1u);
    }
    return out;
}

// The message words as 4-bit values, first word from the highest bits.
void Split(unsigned long long bits, unsigned count, unsigned short* words)
{
    for (unsigned i = 0; i < count; ++i) {
        words[i] = static_cast<unsigned short>((bits >> (4 * (count - 1 - i))) & 15u);
    }
}

unsigned long long Join(unsigned short const* words, unsigned count)
{
    unsigned long long bits = 0;
    for (unsigned i = 0; i < count; ++i) {
        bits = (bits << 4) | (words[i] & 15u);
    }
    return bits;
}

}  // namespace

bool OrientationPattern::BitsToPattern(unsigned bits, OrientationPattern& pattern)
{
    for (unsigned i = 0; i < 8; ++i) {
        if (kOrientationWords[i] == (bits & 0xFFFu)) {
            pattern = PatternOf(i);
            return true;
        }
    }
    return false;
}

bool PossibleOrientationPatterns::CalcPossibleOrientationPatterns(unsigned bits)
{
    two = false;
    for (unsigned i = 0; i < 8; ++i) {
        unsigned const d = Distance(bits, kOrientationWords[i]);
        if (d > 3) {
            continue;
        }
        first = PatternOf(i);
        if (d == 0 || i >= 4) {
            return true;
        }
        if (d <= 2) {
            if (Distance(bits, kOrientationWords[i + 4]) <= 3) {
                second = PatternOf(i + 4);
                two = true;
            }
            return true;
        }
        for (unsigned m = 4; m < 8; ++m) {
            if (m == 4 + ((i + 2) & 3u)) {
                continue;
            }
            if (Distance(bits, kOrientationWords[m]) <= 3) {
                second = PatternOf(m);
                two = true;
                break;
            }
        }
        return true;
    }
    return false;
}

bool ModeMessageInformation::SetModeMessageData(unsigned layerCount, unsigned dataCount, bool isCompact)
{
    if (layerCount == 0 || layerCount > (isCompact ? 4u : 32u) || dataCount == 0) {
        return false;
    }
    unsigned const total =
        isCompact ? CompactMaxWordCount[layerCount - 1] : FullRangeMaxWordCount[layerCount - 1];
    if (dataCount > total) {
        return false;
    }
    compact = isCompact;
    layers = layerCount;
    totalWords = total;
    dataWords = dataCount;
    codewordBits = layerCount <= 2 ? 6u : (layerCount <= 8 ? 8u : (layerCount <= 22 ? 10u : 12u));
    runes = false;
    runeValue = 0;
    return true;
}

unsigned long long ModeBitsDecoder::SortModeBits(unsigned long long bits, bool compact,
                                                 OrientationPattern const& orientation)
{
    unsigned const side = compact ? 7u : 10u;
    unsigned const width = 4 * side;
    if (!orientation.mirrored) {
        return RotateLeft(bits, side * orientation.rotation, width);
    }
    // Read mirrored, the reference corner lies one corner on in the other
    // sense, and the bits run backwards from there.
    unsigned const r = orientation.rotation;
    unsigned const turned = (r == 0 || r == 2) ? r + 1 : r - 1;
    return Reverse(RotateLeft(bits, side * turned, width), width);
}

bool ModeBitsDecoder::Start(unsigned long long bits, bool compact, OrientationPattern const& orientation,
                            bool runesAllowed, RSdecodingOfAztec& rs, ModeMessageInformation& information,
                            CorrectedModeMessage* corrected)
{
    unsigned long long const sorted = SortModeBits(bits, compact, orientation);
    return compact ? DecodeSortedCompactModeBits(sorted, runesAllowed, rs, information, corrected)
                   : DecodeSortedFullRangeModeBits(sorted, rs, information, corrected);
}

unsigned long long ModeBitsDecoder::SortRunesBitsAgain(unsigned short const* words, unsigned count)
{
    // A rune's ring carries its message with every other bit inverted.
    return Join(words, count) ^ 0xAAAAAAAull;
}

bool ModeBitsDecoder::DecodeSortedCompactModeBits(unsigned long long sorted, bool runesAllowed, RSdecodingOfAztec& rs,
                                                  ModeMessageInformation& information, CorrectedModeMessage* corrected)
{
    unsigned short words[RSdecodingOfAztec::kCompactModeWords];
    unsigned fixed = 0;
    unsigned const n = RSdecodingOfAztec::kCompactModeWords;
    Split(sorted, n, words);
    if (rs.CorrectErrorsModeMessage(words, n, RSdecodingOfAztec::kCompactModeDataWords, fixed) &&
        information.SetModeMessageData(words[0] / 4u + 1u, (words[0] % 4u) * 16u + words[1] + 1u, true)) {
        if (corrected != nullptr) {
            *corrected = CorrectedModeMessage{Join(words, n), 4 * n, fixed};
        }
        return true;
    }
    if (!runesAllowed) {
        return false;
    }
    Split(sorted ^ 0xAAAAAAAull, n, words);
    if (!rs.CorrectErrorsModeMessage(words, n, RSdecodingOfAztec::kCompactModeDataWords, fixed)) {
        return false;
    }
    information = ModeMessageInformation{};
    information.compact = true;
    information.runes = true;
    information.runeValue = words[0] * 16u + words[1];
    if (corrected != nullptr) {
        *corrected = CorrectedModeMessage{SortRunesBitsAgain(words, n), 4 * n, fixed};
    }
    return true;
}

bool ModeBitsDecoder::DecodeSortedFullRangeModeBits(unsigned long long sorted, RSdecodingOfAztec& rs,
                                                    ModeMessageInformation& information,
                                                    CorrectedModeMessage* corrected)
{
    unsigned short words[RSdecodingOfAztec::kFullRangeModeWords];
    unsigned fixed = 0;
    unsigned const n = RSdecodingOfAztec::kFullRangeModeWords;
    Split(sorted, n, words);
    if (!rs.CorrectErrorsModeMessage(words, n, RSdecodingOfAztec::kFullRangeModeDataWords, fixed) ||
        !information.SetModeMessageData(words[0] * 2u + words[1] / 8u + 1u,
                                        (words[1] % 8u) * 256u + words[2] * 16u + words[3] + 1u, false)) {
        return false;
    }
    if (corrected != nullptr) {
        *corrected = CorrectedModeMessage{Join(words, n), 4 * n, fixed};
    }
    return true;
}

void CorrectedModeMessage::Repack(tagFurtherRecord& record) const
{
    record.present = 1;
    record.value1 = static_cast<int>((bits >> 32) & 0xFFu);
    record.value2 = static_cast<int>(fixedWords);
    record.value3 = static_cast<signed char>(width);
    record.value4 = static_cast<unsigned>(bits & 0xFFFFFFFFull);
}

}  // namespace DEC2DIvra

namespace DEC2DIvra {

void ReadAztecModeRing(unsigned char const* core, bool compact, unsigned& orientationBits,
                       unsigned long long& modeBits)
{
    int const r = compact ? 5 : 7;
    int const side = 2 * r + 1;
    auto bit = [&](int x, int y) -> unsigned { return core[(y + r) * side + (x + r)] != 0 ? 1u : 0u; };
    // Corner k clockwise from the top-left: the module before it, the one
    // after it, the corner.
    static constexpr int kSignX[4] = {-1, 1, 1, -1};
    static constexpr int kSignY[4] = {-1, -1, 1, 1};
    orientationBits = 0;
    for (int k = 0; k < 4; ++k) {
        int const cx = kSignX[k] * r;
        int const cy = kSignY[k] * r;
        // Clockwise, a side runs +x along the top, +y down the right, -x
        // along the bottom and -y up the left.
        static constexpr int kAlongX[4] = {1, 0, -1, 0};
        static constexpr int kAlongY[4] = {0, 1, 0, -1};
        int const before = (k + 3) & 3;
        unsigned const b0 = bit(cx - kAlongX[before], cy - kAlongY[before]);
        unsigned const b1 = bit(cx + kAlongX[k], cy + kAlongY[k]);
        orientationBits = (orientationBits << 3) | (b0 << 2) | (b1 << 1) | bit(cx, cy);
    }
    modeBits = 0;
    for (int s = 0; s < 4; ++s) {
        static constexpr int kAlongX[4] = {1, 0, -1, 0};
        static constexpr int kAlongY[4] = {0, 1, 0, -1};
        int const x0 = kSignX[s] * r;
        int const y0 = kSignY[s] * r;
        for (int i = 2; i <= 2 * r - 2; ++i) {
            // The full-range reference line crosses the middle of each side.
            if (!compact && i == r) {
                continue;
            }
            modeBits = (modeBits << 1) | bit(x0 + kAlongX[s] * i, y0 + kAlongY[s] * i);
        }
    }
}

}  // namespace DEC2DIvra
