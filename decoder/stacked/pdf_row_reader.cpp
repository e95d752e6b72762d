// A PDF417 symbol read between its fitted edge columns: column count, parameters and codewords.
#include "decoder/stacked/pdf_row_reader.h"

#include <cmath>
#include <initializer_list>

#include "decoder/stacked/pdf_row_reader_tools.h"

namespace DEC2DIvra {

using namespace pdf_rows;

bool PDFRowReader::Read(GrayImage const& image, Area const& area, bool inverted, Parameters& parameters,
                        unsigned short* codewords, unsigned short* erasures, unsigned& erasureCount, bool& seen,
                        float corners[8])
{
    seen = false;
    pending_.set = false;
    farSwept_ = 0;
    farTurn_ = 0;
    barFollowed_ = false;
    unsigned leftCount = 0;
    unsigned rightCount = 0;
    bool backward = false;
    bool const near = area.nearHalfLength > 0 && area.nearHalfLength < area.halfLength;
    Hit* leftHits = b_->left;
    Hit* rightHits = b_->right;
    if (shared_) {
        // The sightings of one sampling of the lines serve both ways.
        Area lines = area;
        lines.halfLength = near ? area.nearHalfLength : area.halfLength;
        UpdateSightings(image, lines);
        if (unchanged_[inverted ? 1 : 0]) {
            return false;
        }
        Sightings& forward = b_->sightings[inverted ? 2 : 0];
        Sightings& back = b_->sightings[inverted ? 3 : 1];
        bool const forwardSeen = forward.leftCount >= 3 && forward.rightCount >= 3;
        Sightings* taken = &forward;
        // On the short lines a way that shows both columns, else one that
        // shows one where the other shows none.
        bool const forwardNone = forward.leftCount < 3 && forward.rightCount < 3;
        if (!forwardSeen &&
            (near ? (back.leftCount >= 3 && back.rightCount >= 3) ||
                        (forwardNone && (back.leftCount >= 3 || back.rightCount >= 3))
                  : back.leftCount + back.rightCount > forward.leftCount + forward.rightCount)) {
            taken = &back;
            backward = true;
        }
        leftCount = taken->leftCount;
        rightCount = taken->rightCount;
        if (near && (leftCount < 3) == (rightCount < 3)) {
            // The short lines only: both columns or nothing.
            if (leftCount < 3) {
                return false;
            }
            leftHits = taken->left;
            rightHits = taken->right;
        } else if (near) {
            // One column on the short lines: the fan of rays from it looks
            // for the other (the fixed turns wait for the long lines).
            for (unsigned i = 0; i < leftCount; ++i) {
                b_->left[i] = taken->left[i];
            }
            for (unsigned i = 0; i < rightCount; ++i) {
                b_->right[i] = taken->right[i];
            }
            SweepForColumn(image, area, inverted, backward, leftCount, rightCount, false);
            if (leftCount < 3 || rightCount < 3) {
                return false;
            }
        } else {
            for (unsigned i = 0; i < leftCount; ++i) {
                b_->left[i] = taken->left[i];
            }
            for (unsigned i = 0; i < rightCount; ++i) {
                b_->right[i] = taken->right[i];
            }
            SweepForColumn(image, area, inverted, backward, leftCount, rightCount);
        }
    } else if (near) {
        // The short lines only, both ways.
        Area lines = area;
        lines.halfLength = area.nearHalfLength;
        for (bool const way : {false, true}) {
            leftCount = rightCount = 0;
            CollectHits(image, lines, inverted, way, leftCount, rightCount);
            if (leftCount >= 3 && rightCount >= 3) {
                backward = way;
                break;
            }
        }
        if (leftCount < 3 || rightCount < 3) {
            return false;
        }
    } else {
        CollectHits(image, area, inverted, false, leftCount, rightCount);
        if (leftCount < 3 || rightCount < 3) {
            // Read the other way into the spare lists; kept when they hold more.
            unsigned backLeft = 0;
            unsigned backRight = 0;
            CollectHits(image, area, inverted, true, b_->spareLeft, backLeft, b_->spareRight, backRight);
            if (backLeft + backRight > leftCount + rightCount) {
                for (unsigned i = 0; i < backLeft; ++i) {
                    b_->left[i] = b_->spareLeft[i];
                }
                for (unsigned i = 0; i < backRight; ++i) {
                    b_->right[i] = b_->spareRight[i];
                }
                leftCount = backLeft;
                rightCount = backRight;
                backward = true;
            }
        }
        SweepForColumn(image, area, inverted, backward, leftCount, rightCount);
    }
    float lt[2], lb[2], rt[2], rb[2];
    float leftModule = 0;
    float rightModule = 0;
    // Both columns are fitted: one alone tells a symbol stands here.
    bool leftFitted = FitColumn(leftHits, leftCount, area, backward, lt[0], lt[1], lb[0], lb[1], leftModule);
    bool rightFitted =
        FitColumn(rightHits, rightCount, area, backward, rt[0], rt[1], rb[0], rb[1], rightModule);
    if (leftFitted != rightFitted && (leftFitted ? rightCount : leftCount) > 0) {
        bool const leftSeen = leftFitted;
        Hit* const far = leftSeen ? b_->right : b_->left;
        float* const fitted = leftSeen ? rt : lt;
        float* const fittedEnd = leftSeen ? rb : lb;
        float& farModule = leftSeen ? rightModule : leftModule;
        unsigned farCount = 0;
        if (AimAtSightings(image, area, inverted, backward, leftSeen, leftSeen ? lt : rt, leftSeen ? lb : rb,
                           leftSeen ? leftModule : rightModule, leftSeen ? rightHits : leftHits,
                           leftSeen ? rightCount : leftCount, far, farCount, fitted, fittedEnd, farModule)) {
            (leftSeen ? rightHits : leftHits) = far;
            (leftSeen ? rightCount : leftCount) = farCount;
            (leftSeen ? rightFitted : leftFitted) = true;
            farSwept_ = leftSeen ? 2 : 1;
        }
    }
    // A compact symbol has no stop pattern (a single bar ends its rows):
    // with the start column alone, its row indicators name the columns,
    // and the rows are read up to where the stop pattern would stand.
    if (leftFitted && !rightFitted && leftCount >= kMinColumnSightings &&
        PlaceMissingStop(image, inverted, backward ? -area.ux : area.ux, backward ? -area.uy : area.uy, lt, lb,
                         leftModule, rt, rb, rightModule)) {
        rightFitted = true;
    }
    if (!leftFitted || !rightFitted) {
        float const ux = backward ? -area.ux : area.ux;
        float const uy = backward ? -area.uy : area.uy;
        columnSeen_ = columnSeen_ ||
                      (leftFitted && leftCount >= kMinColumnSightings &&
                       ShowsRowIndicators(image, lt, lb, leftModule, ux, uy, true, inverted)) ||
                      (rightFitted && rightCount >= kMinColumnSightings &&
                       ShowsRowIndicators(image, rt, rb, rightModule, ux, uy, false, inverted));
        return false;
    }
    seen = true;
    // A closing bar followed gives the far column's true ends: under
    // perspective it is shorter or longer than the start column.
    if (!barFollowed_) {
        Join(lt, lb, rt, rb);
    }
    float const module = (leftModule + rightModule) / 2;
    float const skew = Skew(leftModule, rightModule);
    float const lengthLeft = std::hypot(lb[0] - lt[0], lb[1] - lt[1]);
    float const lengthRight = std::hypot(rb[0] - rt[0], rb[1] - rt[1]);
    float const midWidth = std::hypot((rt[0] + rb[0] - lt[0] - lb[0]) / 2, (rt[1] + rb[1] - lt[1] - lb[1]) / 2);
    // Under perspective a row spans as many modules as the geometric mean of
    // its ends' module widths gives.
    // The modules a column shows on lines at a slant to its rows are wider
    // by the slant's secant: a column seen on the area's lines is taken at
    // its width square to it (one swept for is so already), else the guess
    // comes out low by as much and the reading tries wrong counts first.
    auto const square = [&](float const top[2], float const bottom[2], float seenModule) {
        float const length = std::hypot(bottom[0] - top[0], bottom[1] - top[1]);
        float const cosine = Abs((bottom[1] - top[1]) * area.ux - (bottom[0] - top[0]) * area.uy) / length;
        return length > 0 && cosine > 0.5f && cosine <= 1.0f ? seenModule * cosine : seenModule;
    };
    float const leftSquare = farSwept_ == 1 ? leftModule : square(lt, lb, leftModule);
    float const rightSquare = farSwept_ == 2 ? rightModule : square(rt, rb, rightModule);
    unsigned columns = static_cast<unsigned>(std::lround(midWidth / (17.0f * std::sqrt(leftSquare * rightSquare))));
    float const ux = backward ? -area.ux : area.ux;
    float const uy = backward ? -area.uy : area.uy;
    // The rows are read on 1.5 lines a pixel of the columns' length; with
    // the sightings shared, on half as many until the first reading fails.
    float const along = (lengthLeft > lengthRight ? lengthLeft : lengthRight) * (!shared_ || denseRows_ ? 1.5f : 0.75f);
    sparseRowsRead_ = sparseRowsRead_ || (shared_ && !denseRows_);
    unsigned lines = static_cast<unsigned>(along) + 2;
    lines = lines > kMaxLines ? kMaxLines : lines;
    // The count from the width is a guess under strong perspective: when the
    // row indicators name nothing at it, the counts beside it are tried; when
    // they name another count, that one is read once.
    unsigned const guess = columns;
    static constexpr int kNextGuess[6] = {0, 1, -1, 2, -2, 3};
    unsigned guessIndex = 0;
    bool followedVote = false;
    bool probeFollowed = false;
    bool quick = false;
    float const ends[8] = {lt[0], lt[1], lb[0], lb[1], rt[0], rt[1], rb[0], rb[1]};
    float across[kMaxColumns];
    for (;;) {
        if (columns < 3 || columns > kMaxColumns) {
            if (followedVote || ++guessIndex >= 6) {
                return false;
            }
            columns = static_cast<unsigned>(static_cast<int>(guess) + kNextGuess[guessIndex]);
            continue;
        }
        // Every kProbeStride-th line first: when the row indicators on them
        // name another count clearly, the rest are read at that count only.
        // Those lines in two halves: when the first half's indicators name
        // another count already, the second half is not read at this one.
        for (unsigned i = 0; i < lines; i += 2 * kProbeStride) {
            ReadRowLine(image, inverted, columns, skew, ends, i, lines);
        }
        if (!followedVote && !probeFollowed) {
            Votes const half = VoteParameters(lines, 2 * kProbeStride, columns);
            if (half.columns >= 0 && static_cast<unsigned>(half.columns) + 3 != columns &&
                half.columnVotes >= kHalfProbeVotes) {
                probeFollowed = true;
                columns = static_cast<unsigned>(half.columns) + 3;
                continue;
            }
        }
        for (unsigned i = kProbeStride; i < lines; i += 2 * kProbeStride) {
            ReadRowLine(image, inverted, columns, skew, ends, i, lines);
        }
        Votes votes = VoteParameters(lines, kProbeStride, columns);
        if (!followedVote && !probeFollowed && votes.columns >= 0 &&
            static_cast<unsigned>(votes.columns) + 3 != columns && votes.columnVotes >= kProbeVotes) {
            // Once only; the whole reading's vote may still name another.
            probeFollowed = true;
            columns = static_cast<unsigned>(votes.columns) + 3;
            continue;
        }
        // With the row votes deferred, the votes of these lines are tallied
        // alone first when they name every parameter, at this count: most
        // symbols read from them, and AddLines reads the rest when not.
        if (deferRowVotes_ && votes.Named() && static_cast<unsigned>(votes.columns) + 3 == columns &&
            SetParameters(votes, parameters) && VoteCells(lines, parameters.rows, parameters.columns, 1, 0,
                                                          EvenAcross(parameters.columns, across), kProbeStride)) {
            quick = true;
            break;
        }
        for (unsigned i = 0; i < lines; ++i) {
            if (i % kProbeStride != 0) {
                ReadRowLine(image, inverted, columns, skew, ends, i, lines);
            }
        }
        votes = VoteParameters(lines, 1, columns);
        if (!votes.Named()) {
            if (followedVote || ++guessIndex >= 6) {
                return false;
            }
            columns = static_cast<unsigned>(static_cast<int>(guess) + kNextGuess[guessIndex]);
            continue;
        }
        unsigned const voted = static_cast<unsigned>(votes.columns) + 3;
        if (voted != columns) {
            if (followedVote) {
                return false;
            }
            followedVote = true;
            columns = voted;
            continue;
        }
        if (!SetParameters(votes, parameters) ||
            !VoteCells(lines, parameters.rows, parameters.columns, 1, 0, EvenAcross(parameters.columns, across))) {
            return false;
        }
        break;
    }
    unsigned const rows = parameters.rows;
    unsigned const dataColumns = parameters.columns;
    SetCorners(lt, lb, rt, rb, ux, uy, 17.0f * module, corners);
    if (deferRowVotes_) {
        // The votes of the lines across are tallied alone; AddLines reads
        // the lines left out, and AddRowVotes along the rows, when they give
        // no label.
        pending_ = Pending{true, &image, inverted, columns, rows, dataColumns, lines, skew,
                           {lt[0], lt[1], lb[0], lb[1], rt[0], rt[1], rb[0], rb[1]}, quick ? kProbeStride : 1u,
                           followedVote};
        TallyCells(rows * dataColumns, codewords, erasures, erasureCount);
        return true;
    }
    VoteRows(image, inverted, false, columns, rows, dataColumns, 1, 0, lt, lb, rt, rb, skew, lines);
    TallyCells(rows * dataColumns, codewords, erasures, erasureCount);
    return true;
}

void PDFRowReader::ReadRowLine(GrayImage const& image, bool inverted, unsigned columns, float skew,
                               float const ends[8], unsigned i, unsigned lines)
{
    LineRead& line = b_->lines[i];
    line.fraction =
        -kOvershoot + (1.0f + 2.0f * kOvershoot) * (static_cast<float>(i) + 0.5f) / static_cast<float>(lines);
    line.row[0] = line.row[1] = -1;
    float const f = line.fraction;
    float const p[2] = {ends[0] + f * (ends[2] - ends[0]), ends[1] + f * (ends[3] - ends[1])};
    float const q[2] = {ends[4] + f * (ends[6] - ends[4]), ends[5] + f * (ends[7] - ends[5])};
    ReadPdfLine(image, p, q, columns, skew, inverted, line);
    int rowLeft = -1;
    int rowRight = -1;
    if (line.value[0] != 0xFFFF) {
        rowLeft = static_cast<int>(3 * (line.value[0] / 30) + line.cluster[0] / 3);
    }
    if (line.value[columns - 1] != 0xFFFF) {
        rowRight = static_cast<int>(3 * (line.value[columns - 1] / 30) + line.cluster[columns - 1] / 3);
    }
    line.row[0] = static_cast<short>(rowLeft < 90 ? rowLeft : -1);
    line.row[1] = static_cast<short>(rowRight < 90 ? rowRight : -1);
}

PDFRowReader::Votes PDFRowReader::VoteParameters(unsigned lines, unsigned stride, unsigned columns) const
{
    unsigned rowsDiv3[30] = {};
    unsigned rowsMod3[3] = {};
    unsigned levels[9] = {};
    unsigned cols[30] = {};
    // A left row indicator of cluster 0 tells the rows over three, of
    // cluster 3 the level and the rows' remainder, of cluster 6 the data
    // columns; a right one tells them in the clusters after.
    auto const vote = [&](unsigned v, unsigned c) {
        unsigned const x = v % 30;
        if (c == 0) {
            ++rowsDiv3[x];
        } else if (c == 3) {
            if (x / 3 < 9) {
                ++levels[x / 3];
            }
            ++rowsMod3[x % 3];
        } else {
            ++cols[x];
        }
    };
    for (unsigned i = 0; i < lines; i += stride) {
        LineRead const& line = b_->lines[i];
        // A row indicator is read with the row's characters beside it, of
        // its cluster; a line that runs off the symbol over other bars reads
        // chance characters of any cluster, the same ones on many such lines
        // alike, and its indicators do not vote when the character read
        // nearest them is of another cluster.
        auto const alongRow = [&](unsigned k) {
            for (unsigned step = 1; step < columns; ++step) {
                unsigned const n = k == 0 ? step : columns - 1 - step;
                if (line.value[n] != 0xFFFF) {
                    return line.cluster[n] == line.cluster[k];
                }
            }
            return true;
        };
        if (line.value[0] != 0xFFFF && alongRow(0)) {
            vote(line.value[0], line.cluster[0]);
        }
        if (line.value[columns - 1] != 0xFFFF && alongRow(columns - 1)) {
            unsigned const c = line.cluster[columns - 1];
            vote(line.value[columns - 1], c == 0 ? 6 : (c == 3 ? 0 : 3));
        }
    }
    auto const argmax = [](unsigned const* v, unsigned n) {
        unsigned best = 0;
        for (unsigned i = 1; i < n; ++i) {
            best = v[i] > v[best] ? i : best;
        }
        return v[best] > 0 ? static_cast<int>(best) : -1;
    };
    Votes votes{argmax(rowsDiv3, 30), argmax(rowsMod3, 3), argmax(levels, 9), argmax(cols, 30), 0};
    votes.columnVotes = votes.columns >= 0 ? cols[votes.columns] : 0;
    return votes;
}

float const* PDFRowReader::EvenAcross(unsigned dataColumns, float* across)
{
    for (unsigned c = 0; c < dataColumns && c < kMaxColumns; ++c) {
        across[c] = static_cast<float>(c + 1) / static_cast<float>(dataColumns + 1);
    }
    return across;
}

bool PDFRowReader::SetParameters(Votes const& votes, Parameters& parameters)
{
    parameters.rows = static_cast<unsigned>(votes.rowsDiv3 * 3 + votes.rowsMod3 + 1);
    parameters.columns = static_cast<unsigned>(votes.columns + 1);
    parameters.level = static_cast<unsigned>(votes.level);
    return parameters.rows >= 3 && parameters.rows <= 90 && parameters.rows * parameters.columns <= kMaxCells;
}

bool PDFRowReader::AddLines(Parameters& parameters, unsigned short* codewords, unsigned short* erasures,
                            unsigned& erasureCount)
{
    if (!pending_.set || pending_.stride == 1) {
        return false;
    }
    Pending& p = pending_;
    static_assert(kProbeStride % 2 == 0, "the lines halfway between those read first");
    if (p.stride == kProbeStride) {
        // The lines halfway between first: every other line's votes read
        // most symbols the quarter's left unread, at half the cost of all.
        for (unsigned i = kProbeStride / 2; i < p.lines; i += kProbeStride) {
            ReadRowLine(*p.image, p.inverted, p.columns, p.skew, p.ends, i, p.lines);
        }
        p.stride = kProbeStride / 2;
        Votes const votes = VoteParameters(p.lines, p.stride, p.columns);
        Parameters half{};
        float across[kMaxColumns];
        if (votes.Named() && static_cast<unsigned>(votes.columns) + 3 == p.columns && SetParameters(votes, half) &&
            VoteCells(p.lines, half.rows, half.columns, 1, 0, EvenAcross(half.columns, across), p.stride)) {
            parameters = half;
            p.rows = half.rows;
            p.dataColumns = half.columns;
            TallyCells(p.rows * p.dataColumns, codewords, erasures, erasureCount);
            return true;
        }
    }
    for (unsigned i = 0; i < p.lines; ++i) {
        if (i % p.stride != 0) {
            ReadRowLine(*p.image, p.inverted, p.columns, p.skew, p.ends, i, p.lines);
        }
    }
    p.stride = 1;
    // All lines may name other parameters than the first ones did; another
    // column count (chance votes of codewords taken for the right row
    // indicators can agree with a wrong count on a few lines) is read at
    // once, as Read does, unless Read followed a vote already.
    Votes votes = VoteParameters(p.lines, 1, p.columns);
    unsigned const firstColumns = p.columns;
    if (votes.Named() && static_cast<unsigned>(votes.columns) + 3 != p.columns && !p.followed &&
        static_cast<unsigned>(votes.columns) + 3 <= kMaxColumns) {
        p.followed = true;
        p.columns = static_cast<unsigned>(votes.columns) + 3;
        for (unsigned i = 0; i < p.lines; ++i) {
            ReadRowLine(*p.image, p.inverted, p.columns, p.skew, p.ends, i, p.lines);
        }
        votes = VoteParameters(p.lines, 1, p.columns);
    }
    Parameters all{};
    float across[kMaxColumns];
    if (!votes.Named() || static_cast<unsigned>(votes.columns) + 3 != p.columns || !SetParameters(votes, all) ||
        !VoteCells(p.lines, all.rows, all.columns, 1, 0, EvenAcross(all.columns, across))) {
        if (p.columns != firstColumns) {
            // The other count read nothing whole: the lines are read again
            // at the first one, whose rows and cells the row votes go on
            // with; lines of one count and cells of the other would mix.
            p.columns = firstColumns;
            for (unsigned i = 0; i < p.lines; ++i) {
                ReadRowLine(*p.image, p.inverted, p.columns, p.skew, p.ends, i, p.lines);
            }
        }
        return false;
    }
    parameters = all;
    p.rows = all.rows;
    p.dataColumns = all.columns;
    TallyCells(p.rows * p.dataColumns, codewords, erasures, erasureCount);
    return true;
}

bool PDFRowReader::AddRowVotes(unsigned short* codewords, unsigned short* erasures, unsigned& erasureCount)
{
    if (!pending_.set) {
        return false;
    }
    pending_.set = false;
    Pending const& p = pending_;
    // The rows are placed from every line across.
    for (unsigned i = 0; p.stride > 1 && i < p.lines; ++i) {
        if (i % p.stride != 0) {
            ReadRowLine(*p.image, p.inverted, p.columns, p.skew, p.ends, i, p.lines);
        }
    }
    float const lt[2] = {p.ends[0], p.ends[1]};
    float const lb[2] = {p.ends[2], p.ends[3]};
    float const rt[2] = {p.ends[4], p.ends[5]};
    float const rb[2] = {p.ends[6], p.ends[7]};
    VoteRows(*p.image, p.inverted, false, p.columns, p.rows, p.dataColumns, 1, 0, lt, lb, rt, rb, p.skew, p.lines);
    TallyCells(p.rows * p.dataColumns, codewords, erasures, erasureCount);
    return true;
}

}  // namespace DEC2DIvra
