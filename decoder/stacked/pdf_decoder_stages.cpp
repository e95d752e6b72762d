#include "decoder/stacked/pdf_decoder_stages.h"

#include <new>

namespace DEC2DIvra {

namespace {

constexpr unsigned kColumnElements = ColumnData::kCapacity;

}  // namespace

PDFDecoderStages::PDFDecoderStages(SharedMemoryDistributor& memory)
    : columnScan(memory, tuning), columnPick(memory, tuning, segmentScore), search(memory),
      indicatorPick(memory, columnScan, columnPick), indicatorScan(memory),
      dataStack(memory, columnPick, columnScan, detection), dataPick(memory, columnPick, columnScan, detection),
      dataScan(memory, detection)
{
}

bool PDFDecoderStages::Lay(SharedMemoryDistributor& memory)
{
    VirtualArray<StartStopColumnData> startStopWindow = memory.TakeArray<StartStopColumnData>(kStartStopColumns);
    VirtualArray<MicroFinderColumnData> microWindow = memory.TakeArray<MicroFinderColumnData>(kMicroColumns);
    VirtualArray<ColumnDataElement> indicatorElements = memory.TakeArray<ColumnDataElement>(2 * kColumnElements);
    VirtualArray<DataColumnData> dataWindow = memory.TakeArray<DataColumnData>(kDataColumns);
    VirtualArray<ColumnDataElement> dataElements = memory.TakeArray<ColumnDataElement>(kDataElements);
    VirtualArray<DataCharacterStack> stackWindow = memory.TakeArray<DataCharacterStack>(kDataColumns);
    VirtualArray<unsigned short> codewordWindow = memory.TakeArray<unsigned short>(kCodewords);
    VirtualArray<unsigned short> saved = memory.TakeArray<unsigned short>(PDFErrorDetection::kMaxCodewords);
    VirtualArray<unsigned short> savedErasures = memory.TakeArray<unsigned short>(PDFErrorDetection::kMaxCodewords);
    if (memory.HasFailed() || !search.IsReady() || !indicatorPick.IsReady()) {
        return false;
    }
    startStopColumns = startStopWindow.GetData();
    microColumns = microWindow.GetData();
    indicatorElements_ = indicatorElements.GetData();
    dataColumns = dataWindow.GetData();
    dataElements_ = dataElements.GetData();
    characterStacks = stackWindow.GetData();
    codewords = codewordWindow.GetData();
    detection.SetSaveArea(saved.GetData(), savedErasures.GetData());
    laid_ = true;
    Clear();
    return true;
}

void PDFDecoderStages::Clear()
{
    if (!laid_) {
        return;
    }
    // The column headers lie in the shared area, which the other decoders
    // write over between calls: they are seated on their buffers afresh.
    // The search seats the finder columns on its own record pools.
    for (unsigned i = 0; i < kStartStopColumns; ++i) {
        new (startStopColumns + i) StartStopColumnData();
    }
    startStop.Set(startStopColumns, kStartStopColumns);
    for (unsigned i = 0; i < kMicroColumns; ++i) {
        new (microColumns + i) MicroFinderColumnData();
    }
    micro.Set(microColumns, kMicroColumns);
    left.SetBuffer(indicatorElements_, kColumnElements);
    right.SetBuffer(indicatorElements_ + kColumnElements, kColumnElements);
    left.Reset();
    right.Reset();
    left.right = false;
    right.right = true;
    for (unsigned i = 0; i < kDataColumns; ++i) {
        characterStacks[i].Clear(0);
    }
    SetDataColumns(0, 0);
    stacks.Set(characterStacks, 0, 0);
    order.Reset();
    parameter = DecodeParameterForPDF{};
}

bool PDFDecoderStages::SetDataColumns(unsigned columnCount, unsigned rowCount)
{
    if (!laid_ || columnCount > kDataColumns || rowCount > DataColumnData::kMaxRows) {
        columns.Set(dataColumns, 0, 0);
        return false;
    }
    unsigned const share = columnCount == 0 || kDataElements / columnCount > kColumnElements
                               ? kColumnElements
                               : kDataElements / columnCount;
    for (unsigned i = 0; i < columnCount; ++i) {
        new (dataColumns + i) DataColumnData(dataElements_ + i * share, share);
    }
    columns.Set(dataColumns, columnCount, rowCount);
    return true;
}

}  // namespace DEC2DIvra
