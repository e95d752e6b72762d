#include "decoder/stacked/pdf417/row_indicator_ballot.h"

#include "decoder/stacked/pdf417/row_indicator_column_data.h"

namespace DEC2DIvra {

void RowIndicatorBallot::Clear()
{
    columnBox_.Clear();
    rowBox_.Clear();
    levelBox_.Clear();
}

void RowIndicatorBallot::Vote(bool right, unsigned cluster, unsigned codeword, unsigned weight)
{
    if (cluster > 6 || cluster % 3 != 0) {
        return;
    }
    // Left: 0 row, 3 level, 6 column; right: 0 column, 3 row, 6 level.
    unsigned const place = (cluster / 3 + (right ? 2 : 0)) % 3;
    Box& box = place == 0 ? rowBox_ : (place == 1 ? levelBox_ : columnBox_);
    box.Push(Wrapper<unsigned int>{codeword % 30}, weight);
}

bool RowIndicatorBallot::CalcWinner(Box const& box, unsigned& value)
{
    unsigned best = 0;
    unsigned second = 0;
    unsigned bestValue = 0;
    for (unsigned i = 0; i < box.GetCount(); ++i) {
        unsigned const weight = box[i].count;
        if (weight > best) {
            second = best;
            best = weight;
            bestValue = box[i].value.value;
        } else {
            second = weight > second ? weight : second;
        }
    }
    if (best <= second) {
        return false;
    }
    value = bestValue;
    return true;
}

bool SetDecodeParameter(unsigned columnValue, unsigned rowValue, unsigned levelValue, DecodeParameterForPDF& parameter)
{
    parameter.columnValue = columnValue;
    parameter.rowValue = rowValue;
    parameter.levelValue = levelValue;
    parameter.rows = 3 * rowValue + 1 + levelValue % 3;
    parameter.columns = columnValue + 1;
    parameter.level = levelValue / 3;
    unsigned long long const capacity = static_cast<unsigned long long>(parameter.columns) * parameter.rows;
    return parameter.level < 32 && capacity > (1ULL << (parameter.level + 1));
}

bool RowIndicatorBallot::Accept(RowIndicatorColumnData& left, RowIndicatorColumnData& right, unsigned share,
                                unsigned shift, Mod3OfCluster& order, DecodeParameterForPDF& parameter, bool& leftDone,
                                bool& rightDone) const
{
    unsigned vc = 0;
    unsigned vr = 0;
    unsigned vl = 0;
    DecodeParameterForPDF candidate;
    if (!CalcWinner(columnBox_, vc) || !CalcWinner(rowBox_, vr) || !CalcWinner(levelBox_, vl) ||
        !SetDecodeParameter(vc, vr, vl, candidate)) {
        left.valuesSet = false;
        right.valuesSet = false;
        return false;
    }
    parameter = candidate;
    unsigned const threshold = (candidate.rows * share) >> shift;
    RowIndicatorColumnData* const sides[2] = {&left, &right};
    bool* const done[2] = {&leftDone, &rightDone};
    for (unsigned s = 0; s < 2; ++s) {
        RowIndicatorColumnData& column = *sides[s];
        column.SetValues(vc, vr, vl);
        column.Sort();
        Mod3OfCluster found;
        if (column.CalcMod3OfCluster(found)) {
            order = found;
            if (column.CalcRowCount() >= threshold) {
                *done[s] = true;
            }
        }
    }
    return true;
}

void StartRowIndicators(RowIndicatorColumnData& left, RowIndicatorColumnData& right, Mod3OfCluster& order,
                        DecodeParameterForPDF& parameter, RowIndicatorBallot& ballot)
{
    left.Reset();
    right.Reset();
    left.right = false;
    right.right = true;
    order.Reset();
    parameter = DecodeParameterForPDF{};
    ballot.Clear();
}

bool FinishRowIndicators(RowIndicatorColumnData& left, RowIndicatorColumnData& right, Mod3OfCluster& order,
                         DecodeParameterForPDF& parameter)
{
    if (order.count < 3) {
        order.SetIdentity();
    }
    // The values of the last accepted vote (none: nothing to go on).
    if (parameter.rows == 0) {
        return false;
    }
    DecodeParameterForPDF values;
    bool const sound = SetDecodeParameter(parameter.columnValue, parameter.rowValue, parameter.levelValue, values);
    unsigned const half = values.rows >> 1;
    unsigned const counts[2] = {left.CalcRowCount(), right.CalcRowCount()};
    if (counts[0] <= half && counts[1] <= half) {
        return false;
    }
    RowIndicatorColumnData* const sides[2] = {&left, &right};
    for (unsigned s = 0; s < 2; ++s) {
        RowIndicatorColumnData& column = *sides[s];
        if (counts[s] <= half) {
            column.Clear();
            column.valuesSet = false;
            continue;
        }
        column.DeleteIrregular();
        column.DeleteIrregularWidth();
        column.SetRowNumber(order);
        if (column.GetOrientation() == 0) {
            column.AdjustX();
        } else if (column.GetOrientation() == 1) {
            column.AdjustY();
        }
        column.CalcCenterLine();
    }
    parameter = values;
    return sound;
}

}  // namespace DEC2DIvra
