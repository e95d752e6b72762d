#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/bar_symbol.h"

namespace DEC2DIvra {

// Joins the character columns of a multi-line read into one Code 128
// symbol. Each column votes over the pattern keys its lines saw; the
// combination of candidates that passes the check character is taken when
// it is the only close one: a second passing combination that differs in
// two columns makes the read ambiguous, and so does a combination that needs
// two columns off their best candidate.
class Code128BlockVote {
public:
    static constexpr unsigned kMaxColumns = 256;
    static constexpr unsigned kMaxCandidates = 16;
    // Column pairs the ambiguity search tries at most.
    static constexpr unsigned kMaxPendingPairs = 512;

    struct Candidate {
        short key;
        unsigned short votes;
    };

    Code128BlockVote() = default;

    // Starts a new column; false when no more fit.
    bool AddColumn();
    // One line's vote for a key in the current column; a new key beyond the
    // sixteenth is not counted.
    void Vote(int key);

    unsigned GetColumnCount() const { return columns_; }
    unsigned GetCandidateCount(unsigned column) const { return counts_[column]; }
    Candidate const& GetCandidate(unsigned column, unsigned rank) const { return candidates_[column][rank]; }

    // The read in column order (keys only), with the smallest vote count
    // among its chosen candidates. reverced: the columns run from the stop
    // to the start character.
    bool Start(bool reverced, StackInterface<BarSymbol>& symbols, unsigned& votes);

private:
    bool IsClosing(int key, bool reverced) const;
    bool Check(unsigned const* choice, bool reverced) const;
    // Tries one combination; false ends the search (ambiguity).
    bool Offer(unsigned const* choice, bool reverced);

    Candidate candidates_[kMaxColumns][kMaxCandidates];
    unsigned counts_[kMaxColumns] = {};
    unsigned columns_ = 0;

    bool stored_ = false;
    unsigned storedChoice_[kMaxColumns] = {};
    unsigned storedDeviations_ = 0;
};

}  // namespace DEC2DIvra
