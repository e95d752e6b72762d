#pragma once

#include "decoder/core/containers/ballot_box.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"

namespace DEC2DIvra {

class RowIndicatorColumnData;

// The three votes of the row indicators: the column value VC, the row value
// VR and the level value VL, each a box of up to 30 weighted values.
class RowIndicatorBallot {
public:
    static constexpr unsigned kEntries = 30;
    using Box = BallotBox<Wrapper<unsigned int>, unsigned int>;

    RowIndicatorBallot()
        : columnBox_(columnEntries_, kEntries), rowBox_(rowEntries_, kEntries), levelBox_(levelEntries_, kEntries)
    {
    }
    RowIndicatorBallot(RowIndicatorBallot const&) = delete;
    RowIndicatorBallot& operator=(RowIndicatorBallot const&) = delete;

    void Clear();
    // A codeword of a cluster on a side votes codeword mod 30 into its box;
    // a cluster other than 0, 3 or 6 does not vote.
    void Vote(bool right, unsigned cluster, unsigned codeword, unsigned weight);
    // The value with the strictly largest weight; false on a tie or empty.
    static bool CalcWinner(Box const& box, unsigned& value);

    // Accepts the three winners when the symbol holds more codewords than
    // its error-correction codewords: both columns take the values and are
    // sorted, and a side is done once its cluster order is known and it has
    // seen (rows x share) >> shift rows. Otherwise both columns forget their
    // values. Sides already done stay done.
    bool Accept(RowIndicatorColumnData& left, RowIndicatorColumnData& right, unsigned share, unsigned shift,
                Mod3OfCluster& order, DecodeParameterForPDF& parameter, bool& leftDone, bool& rightDone) const;

    Box const& GetColumnBox() const { return columnBox_; }
    Box const& GetRowBox() const { return rowBox_; }
    Box const& GetLevelBox() const { return levelBox_; }

private:
    Box::Entry columnEntries_[kEntries];
    Box::Entry rowEntries_[kEntries];
    Box::Entry levelEntries_[kEntries];
    Box columnBox_;
    Box rowBox_;
    Box levelBox_;
};

// Rows, data columns and level from the three values; true when the symbol
// holds more codewords than its error-correction codewords.
bool SetDecodeParameter(unsigned columnValue, unsigned rowValue, unsigned levelValue, DecodeParameterForPDF& parameter);

// One scan pass over the four streams of a row indicator reading (left and
// right side, each walked in both directions), step by step until every
// stream has dropped out or `maxSteps` is reached. `live` says which
// streams start; `scan(side, direction, step)` answers whether its stream
// goes on. True when any call answered so.
template <class Scan>
bool RunRowIndicatorScanPass(bool live[4], unsigned maxSteps, Scan const& scan)
{
    bool anyRead = false;
    for (unsigned step = 0; step < maxSteps && (live[0] || live[1] || live[2] || live[3]); ++step) {
        for (unsigned k = 0; k < 4; ++k) {
            if (!live[k]) {
                continue;
            }
            bool const read = scan(k / 2, (k & 1) != 0, step);
            live[k] = read;
            anyRead = anyRead || read;
        }
    }
    return anyRead;
}

// Starts a row indicator reading: both columns empty (the second the right
// one), no cluster order, no parameters, no votes.
void StartRowIndicators(RowIndicatorColumnData& left, RowIndicatorColumnData& right, Mod3OfCluster& order,
                        DecodeParameterForPDF& parameter, RowIndicatorBallot& ballot);

// Ends a row indicator reading on the values of the last accepted vote (in
// `parameter`; rows 0: none): a default cluster order, the row count of each
// side, and the columns cleaned for the fits that follow (a side with too
// few rows is emptied). True when the voted symbol is sound.
bool FinishRowIndicators(RowIndicatorColumnData& left, RowIndicatorColumnData& right, Mod3OfCluster& order,
                         DecodeParameterForPDF& parameter);

}  // namespace DEC2DIvra
