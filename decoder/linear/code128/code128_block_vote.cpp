#include "decoder/linear/code128/code128_block_vote.h"

#include "decoder/linear/code128/code128_interpreter.h"
#include "decoder/linear/code128/code128_table.h"

namespace DEC2DIvra {

bool Code128BlockVote::AddColumn()
{
    if (columns_ >= kMaxColumns) {
        return false;
    }
    counts_[columns_++] = 0;
    return true;
}

void Code128BlockVote::Vote(int key)
{
    if (columns_ == 0 || key < -0x8000 || key > 0x7FFF) {
        return;
    }
    unsigned const column = columns_ - 1;
    for (unsigned i = 0; i < counts_[column]; ++i) {
        Candidate& candidate = candidates_[column][i];
        if (candidate.key == key) {
            if (candidate.votes < 0xFFFF) {
                ++candidate.votes;
            }
            return;
        }
    }
    if (counts_[column] < kMaxCandidates) {
        candidates_[column][counts_[column]++] = Candidate{static_cast<short>(key), 1};
    }
}

bool Code128BlockVote::IsClosing(int key, bool reverced) const
{
    if (!reverced) {
        return key == Code128Table::kStopKey;
    }
    return key == Code128Table::kStartAKey || key == Code128Table::kStartBKey || key == Code128Table::kStartCKey;
}

bool Code128BlockVote::Check(unsigned const* choice, bool reverced) const
{
    unsigned char values[kMaxColumns];
    unsigned count = 0;
    bool started = false;
    for (unsigned i = 0; i < columns_; ++i) {
        unsigned const column = reverced ? columns_ - 1 - i : i;
        int const value = Code128Table::instance.GetValue(candidates_[column][choice[column]].key);
        if (value < 0) {
            return false;
        }
        started = started || Code128Table::IsStart(static_cast<unsigned>(value));
        if (started) {
            values[count++] = static_cast<unsigned char>(value);
        }
    }
    return Code128Interpreter::CheckCheckCharacter(values, count);
}

bool Code128BlockVote::Offer(unsigned const* choice, bool reverced)
{
    if (!Check(choice, reverced)) {
        return true;
    }
    unsigned deviations = 0;
    for (unsigned c = 0; c < columns_; ++c) {
        deviations += choice[c] != 0 ? 1u : 0u;
    }
    if (!stored_) {
        stored_ = true;
        storedDeviations_ = deviations;
        for (unsigned c = 0; c < columns_; ++c) {
            storedChoice_[c] = choice[c];
        }
        return true;
    }
    // Two readings two characters apart: the lines do not tell which.
    unsigned differing = 0;
    for (unsigned c = 0; c < columns_; ++c) {
        differing += candidates_[c][choice[c]].key != candidates_[c][storedChoice_[c]].key ? 1u : 0u;
    }
    return differing != 2;
}

bool Code128BlockVote::Start(bool reverced, StackInterface<BarSymbol>& symbols, unsigned& votes)
{
    symbols.Clear();
    votes = 0;
    stored_ = false;
    if (columns_ < 2) {
        return false;
    }
    // Most votes first; equal counts keep the order they came in.
    for (unsigned c = 0; c < columns_; ++c) {
        for (unsigned i = 1; i < counts_[c]; ++i) {
            Candidate const item = candidates_[c][i];
            unsigned j = i;
            for (; j > 0 && candidates_[c][j - 1].votes < item.votes; --j) {
                candidates_[c][j] = candidates_[c][j - 1];
            }
            candidates_[c][j] = item;
        }
    }

    // The closing column: the most-voted closing character, the later
    // column on a tie. It must not be the opening column and needs two lines.
    unsigned closing = 0;
    unsigned closingVotes = 0;
    bool haveClosing = false;
    for (unsigned c = 0; c < columns_; ++c) {
        for (unsigned r = 0; r < counts_[c]; ++r) {
            Candidate const& candidate = candidates_[c][r];
            if (IsClosing(candidate.key, reverced) && (!haveClosing || candidate.votes >= closingVotes)) {
                haveClosing = true;
                closing = c;
                closingVotes = candidate.votes;
            }
        }
    }
    if (!haveClosing || closing == 0 || closingVotes < 2) {
        return false;
    }
    if (closing + 1 != columns_) {
        --columns_;
    }
    for (unsigned c = 0; c < columns_; ++c) {
        if (counts_[c] == 0) {
            return false;
        }
    }

    unsigned choice[kMaxColumns] = {};
    if (!Offer(choice, reverced)) {
        return false;
    }
    for (unsigned c = 0; c < columns_; ++c) {
        for (unsigned r = 1; r < counts_[c]; ++r) {
            choice[c] = r;
            if (!Offer(choice, reverced)) {
                return false;
            }
        }
        choice[c] = 0;
    }
    unsigned pairs = 0;
    bool full = false;
    for (unsigned c = columns_ - 1; c-- > 0 && !full;) {
        if (counts_[c] < 2) {
            continue;
        }
        for (unsigned d = c + 1; d < columns_ && !full; ++d) {
            if (counts_[d] < 2) {
                continue;
            }
            if (++pairs > kMaxPendingPairs) {
                full = true;
                break;
            }
            for (unsigned i = 1; i < counts_[c]; ++i) {
                for (unsigned j = 1; j < counts_[d]; ++j) {
                    choice[c] = i;
                    choice[d] = j;
                    if (!Offer(choice, reverced)) {
                        return false;
                    }
                }
            }
            choice[c] = 0;
            choice[d] = 0;
        }
    }
    if (!stored_ || storedDeviations_ >= 2) {
        return false;
    }
    unsigned smallest = 0;
    for (unsigned c = 0; c < columns_; ++c) {
        Candidate const& chosen = candidates_[c][storedChoice_[c]];
        BarSymbol symbol;
        symbol.value = chosen.key;
        if (!symbols.Push(symbol)) {
            symbols.Clear();
            return false;
        }
        smallest = c == 0 || chosen.votes < smallest ? chosen.votes : smallest;
    }
    votes = smallest;
    return true;
}

}  // namespace DEC2DIvra
