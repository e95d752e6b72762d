#include "decoder/stacked/pdf417/data_stack_array.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/stacked/pdf417/data_column_array.h"
#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

void CommonCharacterStack::Clear(unsigned rows)
{
    count_ = rows <= kMaxRows ? rows : 0;
    for (unsigned i = 0; i < kMaxRows; ++i) {
        records_[i] = Record{};
        boundaries_[i] = LineSegment{};
    }
    boundaries_[kMaxRows] = LineSegment{};
}

void CommonCharacterStack::SetRowCenterSegment(unsigned index)
{
    if (index >= count_) {
        return;
    }
    LineSegment const& upper = boundaries_[index];
    LineSegment const& lower = boundaries_[index + 1];
    Geometry::CalcCenterPoint(upper.begin, lower.begin, records_[index].rowCenter.begin);
    Geometry::CalcCenterPoint(upper.end, lower.end, records_[index].rowCenter.end);
}

void DataCharacterStack::Clear(unsigned rows)
{
    CommonCharacterStack::Clear(rows);
    for (unsigned i = 0; i < kMaxRows; ++i) {
        score[i] = 0;
    }
    for (Line& line : moduleLine) {
        line = Line{};
    }
    narrow = false;
}

void DataCharacterStack::GetValueArray(Array<unsigned short, kMaxRows>& values) const
{
    for (unsigned i = 0; i < kMaxRows; ++i) {
        values[i] = i < count_ && score[i] >= kValueScore ? records_[i].value : 65535;
    }
}

bool DataCharacterStack::SetVerticalData()
{
    if (count_ == 0) {
        return false;
    }
    LineSegment const& top = boundaries_[0];
    LineSegment const& bottom = boundaries_[count_];
    // The side that is longer in the image is nearer the camera: a module
    // there shows wider, so the centres are divided in the inverse ratio
    // of the side lengths.
    unsigned const left = Geometry::CalcEuclideanDistance(top.begin, bottom.begin);
    unsigned const right = Geometry::CalcEuclideanDistance(top.end, bottom.end);
    if (left == 0 || right == 0 || left > (1u << 24) || right > (1u << 24)) {
        return false;
    }
    for (unsigned k = 0; k < 17; ++k) {
        int const first = static_cast<int>((33 - 2 * k) * right);
        int const second = static_cast<int>((1 + 2 * k) * left);
        Point upper;
        Point lower;
        if (!Geometry::CalcDividingPoint(first, top.begin, second, top.end, upper) ||
            !Geometry::CalcDividingPoint(first, bottom.begin, second, bottom.end, lower) ||
            !Geometry::CalcLine(upper, lower, moduleLine[k])) {
            return false;
        }
    }
    Point leftMiddle;
    Point rightMiddle;
    Geometry::CalcCenterPoint(top.begin, bottom.begin, leftMiddle);
    Geometry::CalcCenterPoint(top.end, bottom.end, rightMiddle);
    narrow = Geometry::CalcChebyshevDistance(leftMiddle, rightMiddle) < kNarrowDistance;
    return true;
}

bool DataStackArray::GetCodeWords(StackInterface<unsigned short>& codewords,
                                  StackInterface<unsigned short>& erasures) const
{
    unsigned long long const total = static_cast<unsigned long long>(rowCount_) * columnCount_;
    if (stacks_ == nullptr || columnCount_ == 0 || rowCount_ == 0 || rowCount_ > DataCharacterStack::kMaxRows ||
        total > codewords.GetCapacity() || total > 65535 || !codewords.SetCount(static_cast<unsigned>(total))) {
        return false;
    }
    erasures.Clear();
    Array<unsigned short, DataCharacterStack::kMaxRows> values;
    for (unsigned c = 0; c < columnCount_; ++c) {
        stacks_[c].GetValueArray(values);
        if (!PutColumnValues(values, c, columnCount_, rowCount_, codewords, erasures)) {
            return false;
        }
    }
    return true;
}

void RowIndicatorStack::Initialize(bool rightSide, DecodeParameterForPDF const& parameter)
{
    right = rightSide;
    unsigned const r = parameter.rows;
    bool const valid = r >= 1 && r <= kMaxRows && parameter.columns >= 1 && parameter.level <= 8;
    rows = valid ? r : 0;
    Clear(rows);
    for (unsigned i = 0; i < kMaxRows; ++i) {
        expectedPattern[i] = 0;
        matched[i] = 0;
        segment[i] = LineSegment{};
    }
    if (!valid) {
        return;
    }
    unsigned const rowPart = (r - 1) / 3;
    unsigned const levelPart = 3 * parameter.level + (r - 1) % 3;
    unsigned const columnPart = parameter.columns - 1;
    for (unsigned i = 0; i < rows; ++i) {
        unsigned const cluster = (i % 3) * 3;
        unsigned part = 0;
        switch (i % 3) {
        case 0: part = right ? columnPart : rowPart; break;
        case 1: part = right ? rowPart : levelPart; break;
        default: part = right ? levelPart : columnPart; break;
        }
        unsigned const value = 30 * (i / 3) + part;
        unsigned pattern = 0;
        records_[i].value = static_cast<unsigned short>(value);
        if (value < 929 && PDFCharacterTable::ValueAndClusterToPattern(value, cluster, pattern)) {
            expectedPattern[i] = pattern;
            records_[i].pattern = static_cast<unsigned short>(pattern & 0xFFFF);
        }
    }
}

}  // namespace DEC2DIvra
