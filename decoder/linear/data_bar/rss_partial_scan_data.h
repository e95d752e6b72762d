#pragma once

#include "decoder/linear/line/partial_scan_data.h"
#include "decoder/linear/data_bar/rss_tables.h"

namespace DEC2DIvra {

class RSSFinderPartialScanData;

// The kinds of DataBar data character next to a finder.
enum class RSSCharacterKind : unsigned char {
    kOuter,     // Omnidirectional, 16 modules
    kInner,     // Omnidirectional, 15 modules
    kExpanded,  // 17 modules
};

// One DataBar data character: its value and its element widths in reading
// order (odd elements at even indices).
struct RSSCharacter {
    unsigned value = 0;
    unsigned widths[8] = {};

    // The character's checksum contribution at a position (weights of
    // RSSCalculation) modulo the form's modulus.
    unsigned CalcOmniChecksum(unsigned position) const;
    unsigned CalcExpandedChecksum(unsigned position) const;
};

// The eight runs of a DataBar data character, loaded outwards from its
// finder, so that entry 7 (the far end) is the first in reading order.
class RSSPartialScanData : public PartialScanData<8> {
public:
    static constexpr unsigned kRuns = 8;

    // One module assignment of a character group.
    struct CharacterCandidate {
        CharacterGroup const* group = nullptr;
        unsigned odd[4] = {};   // modules of the odd elements, by rising magnitude
        unsigned even[4] = {};  // the same for the even elements
    };

    // The eight runs after the finder on the line (before it, walking
    // back, for the Reverce form), spanning 5/6 to 6/5 of what a character
    // of `modules` modules beside that finder spans. False also when the
    // line ends with the character: its far run has lost its width.
    bool SetFromRSSFinderPartialScanData(RSSFinderPartialScanData const& finder, unsigned modules);
    bool ReverceSetFromRSSFinderPartialScanData(RSSFinderPartialScanData const& finder, unsigned modules);

    bool CalcBarSymbol(RSSCharacterKind kind, RSSCharacter& character) const;

    // Chooses between two candidates given the sorted magnitudes; false when
    // neither can stand.
    static bool SelectCharacterCandidate(unsigned modules, CharacterCandidate const& a, CharacterCandidate const& b,
                                         int const oddMagnitudes[4], int const evenMagnitudes[4],
                                         CharacterCandidate& out);
};

}  // namespace DEC2DIvra
