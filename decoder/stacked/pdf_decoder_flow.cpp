// The column road of PDFDecoder: the patterns met along one scan segment are
// followed across the symbol, its row indicators give its size, and its
// codewords are read from the characters' outline or along row scan lines.
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/rectangle_border.h"
#include "decoder/core/identifiers/pdf_identifiers.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/stacked/micro_pdf_version_table.h"
#include "decoder/stacked/pdf_decoder.h"

namespace DEC2DIvra {

namespace {

// Symbols with fewer rows are read along their row scan lines only.
constexpr unsigned kPickRows = 9;

// An indicator column helps the data readers only when it saw enough rows:
// more than half of them with both columns present, a quarter with one.
RowIndicatorColumnData const* UsedIndicator(RowIndicatorColumnData const* column, bool both, unsigned rows)
{
    if (column == nullptr) {
        return nullptr;
    }
    unsigned const seen = column->CalcRowCount();
    return seen > (both ? rows / 2 : rows / 4) ? column : nullptr;
}

}  // namespace

void PDFDecoder::PrepareLabel(CommonSymbologyIdentifier const& identifier, DecodedLabel& label)
{
    label.identifier = identifier;
    label.data.Clear();
    label.region = Region{};
    label.structuredAppend = tagStructuredAppend{};
    label.moduleCount = 0;
    label.moduleWord = 0;
    label.further.present = 0;
}

int PDFDecoder::StartPart(GrayImage const& image, LineSegment const& segment, unsigned margin, DecodedLabel& label)
{
    SetSeenSymbol(kSeenNothing);
    if (!IsStagesReady()) {
        return 0;
    }
    stages_.Clear();
    stages_.tuning.Initialize(detail_->flag != 0);
    bool const seekPDF417 = pdf417_->read.Get() || fromLineSegment_ != 0;
    bool const seekMicroPDF417 = microPdf417_->read.Get() || fromLineSegment_ != 0;
    int const found = stages_.search.Start(image, segment, margin, seekPDF417, seekMicroPDF417, fromLineSegment_ == 0,
                                           acceptNormal_ != 0, acceptReversed_ != 0, fromLineSegment_ != 0,
                                           stages_.startStop, stages_.micro);
    if (found == 0) {
        return 0;
    }
    Vector direction;
    Geometry::CalcVector(segment.begin, segment.end, direction);
    int result = DecodePDF417(image, direction, stages_.startStop, label);
    if (result == 0) {
        result = DecodeMicroPDF417(image, direction, stages_.micro, label);
    }
    if (result == 0) {
        return 0;
    }
    tagFurtherRecord further{};
    if (stages_.tuning.CalcResult(further.value1, further.value2, further.value3, further.value4)) {
        further.present = 1;
        label.further = further;
    }
    return found;
}

int PDFDecoder::DecodePDF417(GrayImage const& image, Vector const& direction, StartStopColumnDataStack const& columns,
                             DecodedLabel& label)
{
    PDFIdentifier identifier(0);
    StackInterface<unsigned short> codewords(stages_.codewords, PDFDecoderStages::kCodewords);
    for (unsigned c = 0; c < PDFDecoderStages::kDataColumns; ++c) {
        stages_.characterStacks[c].Clear(0);
    }
    Region region{};

    StartStopColumnData const* start = nullptr;
    StartStopColumnData const* stop = nullptr;
    bool reversed = false;
    if (!columns.GetStartStopColumnDataPtr(start, stop, reversed)) {
        return 0;
    }
    SetSeenSymbol(kSeenSymbol);
    Vector vector = direction;
    if (!stages_.codeVector.Start(start, stop, vector)) {
        vector = direction;
    }
    DecodeParameterForPDF& parameter = stages_.parameter;
    parameter = DecodeParameterForPDF{};
    stages_.order.Reset();
    if (!stages_.indicatorPick.Start(image, vector, start, stop, reversed, stages_.left, stages_.right, stages_.order,
                                     parameter) &&
        !stages_.indicatorScan.Start(image, vector, start, stop, reversed, stages_.left, stages_.right, stages_.order,
                                     parameter)) {
        return 0;
    }
    unsigned const rows = parameter.rows;
    if (rows == 0 || rows > DataColumnData::kMaxRows || parameter.columns == 0 ||
        parameter.columns > PDFDecoderStages::kDataColumns) {
        return 0;
    }
    RowIndicatorColumnData const* left = stages_.left.GetCount() > 0 ? &stages_.left : nullptr;
    RowIndicatorColumnData const* right = stages_.right.GetCount() > 0 ? &stages_.right : nullptr;

    unsigned ratio = 0;
    bool narrow = false;
    stages_.stacks.Set(stages_.characterStacks, parameter.columns, rows);
    if (stages_.outline.Start(image, reversed, left, right, parameter, ratio, narrow, stages_.stacks)) {
        if (!stages_.dataStack.Start(image, reversed, ratio, narrow, parameter, stages_.stacks, codewords) ||
            !stages_.codeRegion.Start(image, start, stop, parameter, stages_.stacks, region)) {
            return 0;
        }
    } else {
        if (!stages_.rowScanLine.Start(image, vector, left, right, rows, stages_.lines[0])) {
            return 0;
        }
        bool const both = left != nullptr && right != nullptr;
        RowIndicatorColumnData* const leftUsed =
            UsedIndicator(left, both, rows) != nullptr ? &stages_.left : nullptr;
        RowIndicatorColumnData* const rightUsed =
            UsedIndicator(right, both, rows) != nullptr ? &stages_.right : nullptr;
        if (!stages_.SetDataColumns(parameter.columns, rows)) {
            return 0;
        }
        bool read = false;
        if (rows < kPickRows) {
            read = stages_.dataScan.Start(image, leftUsed, rightUsed, stages_.order, parameter, stages_.lines[0],
                                          reversed, stages_.columns, codewords);
        } else {
            read = stages_.dataPick.Start(image, leftUsed, rightUsed, stages_.order, parameter, stages_.lines[0],
                                          reversed, stages_.columns, codewords) ||
                   (stages_.dataPick.IsFallBack() &&
                    stages_.dataScan.Start(image, leftUsed, rightUsed, stages_.order, parameter, stages_.lines[0],
                                           reversed, stages_.columns, codewords));
        }
        if (!read) {
            return 0;
        }
        if (!stages_.codeRegion.Start(image, start, stop, leftUsed, rightUsed, parameter, stages_.columns, region)) {
            region = Region{};
        }
    }

    PrepareLabel(CommonSymbologyIdentifier(identifier), label);
    bool composite = false;
    if (!convert_.convertNormalPDF(codewords.CreateIterator(), label, composite)) {
        return 0;
    }
    identifier.SetModifierBit(8, composite);
    if (fromLineSegment_ == 0 && !pdf417_->fixed_length.Get().Admits(label.data.GetCount() & 0xFFFFu)) {
        return 0;
    }
    label.region = region;
    identifier.SetModifierBit(0, false);
    identifier.SetModifierBit(1, true);
    identifier.SetModifierBit(2, false);
    label.identifier = CommonSymbologyIdentifier(identifier);
    label.negative = reversed ? 1 : 0;
    SetSeenSymbol(kSeenNothing);
    return 1;
}

int PDFDecoder::DecodeMicroPDF417(GrayImage const& image, Vector const& direction,
                                  MicroFinderColumnDataStack& columns, DecodedLabel& label)
{
    MicroPDFIdentifier identifier(0);
    StackInterface<unsigned short> codewords(stages_.codewords, PDFDecoderStages::kCodewords);
    MicroFinderColumnData* left = nullptr;
    MicroFinderColumnData* center = nullptr;
    MicroFinderColumnData* right = nullptr;
    bool reversed = false;
    if (columns.GetLeftCenterRightColumnDataPtr(left, center, right, reversed) == 0 || right == nullptr ||
        (left == nullptr && center == nullptr)) {
        return 0;
    }
    MicroPDFVersionTable::Element version{};
    stages_.ballot.Load();
    stages_.order.Reset();
    if (columns.GetMicroPDFVersion(stages_.ballot, left, center, right, version, stages_.order) == 0) {
        if (left == nullptr || center == nullptr) {
            return 0;
        }
        // The center column may belong to another symbol: once more without it.
        center = nullptr;
        stages_.ballot.Load();
        stages_.order.Reset();
        if (columns.GetMicroPDFVersion(stages_.ballot, left, center, right, version, stages_.order) == 0) {
            return 0;
        }
    }
    if (left != nullptr) {
        left->SetRowNumbers(MicroPDFVersionTable::kLeft, version);
    }
    if (center != nullptr) {
        center->SetRowNumbers(MicroPDFVersionTable::kCenter, version);
    }
    right->SetRowNumbers(MicroPDFVersionTable::kRight, version);

    unsigned const rows = version.rows;
    RowScanLineGenerator* leftLines = &stages_.lines[0];
    if (version.columns < 3) {
        if (left == nullptr || !stages_.rowScanLine.Start(image, direction, left, right, rows, stages_.lines[0])) {
            return 0;
        }
    } else {
        if (center == nullptr || !stages_.rowScanLine.Start(image, direction, center, right, rows, stages_.lines[1])) {
            return 0;
        }
        bool const first = left != nullptr;
        if (first && !stages_.rowScanLine.Start(image, direction, left, center, rows, stages_.lines[0])) {
            return 0;
        }
        leftLines = first ? &stages_.lines[0] : &stages_.lines[1];
    }
    if (!stages_.SetDataColumns(version.columns, rows)) {
        return 0;
    }
    if (!stages_.dataScan.Start(image, left, center, right, stages_.order, version, *leftLines, stages_.lines[1],
                                reversed, stages_.columns, codewords)) {
        return 0;
    }
    PrepareLabel(CommonSymbologyIdentifier(identifier), label);
    bool const converted = version.ccA != 0 ? convert_.convertCCA(codewords.CreateIterator(), label, identifier)
                                            : convert_.convertMicroPDF(codewords.CreateIterator(), label, identifier);
    if (!converted) {
        return 0;
    }
    if (fromLineSegment_ == 0 && !microPdf417_->fixed_length.Get().Admits(label.data.GetCount() & 0xFFFFu)) {
        return 0;
    }
    Region region{};
    if (!stages_.codeRegion.Start(image, left, right, version, stages_.columns, region)) {
        return 0;
    }
    label.region = region;
    label.identifier = CommonSymbologyIdentifier(identifier);
    label.negative = reversed ? 1 : 0;
    SetSeenSymbol(kSeenNothing);
    return 1;
}

}  // namespace DEC2DIvra
