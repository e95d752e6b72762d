#include "decoder/stacked/pdf_decoder.h"

#include <cmath>

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/rectangle_border.h"
#include "decoder/core/identifiers/pdf_identifiers.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/stacked/micro_pdf_version_table.h"
#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kCodewords = PDFErrorDetection::kMaxCodewords;

Point ToPoint(float x, float y)
{
    return Point{static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
}

}  // namespace

PDFDecoder::PDFDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property)
    : memory_(workArea), detail_(&property.detail_of_decoder), pdf417_(&property.pdf417),
      microPdf417_(&property.micro_pdf417), composite_(&property.composite), stages_(memory_)
{
    // The column road's stages took their buffers first; its lists follow.
    stagesReady_ = stages_.Lay(memory_);
    // The row reader runs only after the column road has given up, so its
    // buffers lie over the same bytes, from the start of the part again.
    SharedMemoryDistributor rowReaderMemory(workArea);
    VirtualArray<PDFRowReader::Buffers> buffers = rowReaderMemory.TakeArray<PDFRowReader::Buffers>(1);
    VirtualArray<unsigned short> codewords = rowReaderMemory.TakeArray<unsigned short>(kCodewords);
    VirtualArray<unsigned short> erasures = rowReaderMemory.TakeArray<unsigned short>(kCodewords);
    VirtualArray<unsigned short> saved = rowReaderMemory.TakeArray<unsigned short>(kCodewords);
    VirtualArray<unsigned short> savedErasures = rowReaderMemory.TakeArray<unsigned short>(kCodewords);
    if (!rowReaderMemory.HasFailed()) {
        buffers_ = buffers.GetData();
        codewords_ = codewords.GetData();
        erasures_ = erasures.GetData();
        errorDetection_.SetSaveArea(saved.GetData(), savedErasures.GetData());
    }
    PDFCharacterTable::Initialize();
    convert_.initBitstreamConvert();
}

int PDFDecoder::DecodePDF417Codewords(unsigned short const* codewords, unsigned count, unsigned level,
                                      unsigned short const* erasures, unsigned erasureCount, DecodedLabel& label,
                                      bool& composite)
{
    composite = false;
    if (!IsReady() || count > kCodewords || erasureCount > kCodewords || level > 8) {
        return 0;
    }
    StackInterface<unsigned short> list(codewords_, kCodewords);
    StackInterface<unsigned short> missing(erasures_, kCodewords);
    for (unsigned i = 0; i < count; ++i) {
        list.Push(codewords[i]);
    }
    for (unsigned i = 0; i < erasureCount; ++i) {
        missing.Push(erasures[i]);
    }
    if (!errorDetection_.Start(2u << level, list, missing)) {
        return 0;
    }
    label.Clear();
    if (!convert_.convertNormalPDF(list.CreateIterator(), label, composite)) {
        return 0;
    }
    PDFIdentifier identifier(2);
    identifier.SetModifierBit(8, composite);
    label.identifier = CommonSymbologyIdentifier(identifier);
    return 1;
}

int PDFDecoder::DecodeMicroPDF417Codewords(unsigned short const* codewords, unsigned version,
                                           unsigned short const* erasures, unsigned erasureCount, DecodedLabel& label)
{
    if (!IsReady() || version >= MicroPDFVersionTable::kCount || erasureCount > kCodewords) {
        return 0;
    }
    MicroPDFVersionTable::Element const& element = MicroPDFVersionTable::table[version];
    StackInterface<unsigned short> list(codewords_, kCodewords);
    StackInterface<unsigned short> missing(erasures_, kCodewords);
    for (unsigned i = 0; i < static_cast<unsigned>(element.rows) * element.columns; ++i) {
        list.Push(codewords[i]);
    }
    for (unsigned i = 0; i < erasureCount; ++i) {
        missing.Push(erasures[i]);
    }
    if (!errorDetection_.Start(element.errorCorrection, list, missing)) {
        return 0;
    }
    label.Clear();
    MicroPDFIdentifier identifier;
    bool const converted = element.ccA != 0 ? convert_.convertCCA(list.CreateIterator(), label, identifier)
                                            : convert_.convertMicroPDF(list.CreateIterator(), label, identifier);
    if (!converted) {
        return 0;
    }
    label.identifier = CommonSymbologyIdentifier(identifier);
    return 1;
}

int PDFDecoder::ReadPDF417(PDFRowReader& reader, GrayImage const& image, PDFRowReader::Area const& area,
                           bool inverted, bool fromSegment, DecodedLabel& label, bool& seen)
{
    PDFRowReader::Parameters parameters{};
    unsigned erasureCount = 0;
    float corners[8];
    bool composite = false;
    reader.DeferRowVotes();
    bool const found = reader.Read(image, area, inverted, parameters, buffers_->codewords, buffers_->erasures,
                                   erasureCount, seen, corners);
    auto const decode = [&] {
        return DecodePDF417Codewords(buffers_->codewords, parameters.rows * parameters.columns, parameters.level,
                                     buffers_->erasures, erasureCount, label, composite) != 0;
    };
    bool const decoded =
        found && (decode() ||
                  (reader.AddLines(parameters, buffers_->codewords, buffers_->erasures, erasureCount) && decode()) ||
                  (reader.AddLines(parameters, buffers_->codewords, buffers_->erasures, erasureCount) && decode()) ||
                  (reader.AddRowVotes(buffers_->codewords, buffers_->erasures, erasureCount) && decode()));
    // Along a segment only a composite's 2D part is read; a located region
    // gives any symbol (a 2D part met alone goes to the composite reader).
    if (decoded && (composite || !fromSegment) &&
        (fromSegment || pdf417_->fixed_length.Get().Admits(label.data.GetCount()))) {
        label.negative = inverted ? 1 : 0;
        for (unsigned c = 0; c < 4; ++c) {
            label.region.corner[c] = ToPoint(corners[2 * c], corners[2 * c + 1]);
        }
        return kRead;
    }
    return kNone;
}

int PDFDecoder::ReadArea(GrayImage const& image, PDFRowReader::Area const& area, bool normal, bool reversed,
                         bool fromSegment, DecodedLabel& label, bool segmentPdf417)
{
    PDFRowReader reader(buffers_);
    bool seenAny = false;
    PDFRowReader::Area whole = area;
    whole.nearHalfLength = 0;
    // One PDF417 reading along the area's lines: 1 for a label, -1 to go on.
    auto const tryPDF417 = [&](PDFRowReader::Area const& lines, bool inverted) {
        bool seen = false;
        int const read = ReadPDF417(reader, image, lines, inverted, fromSegment, label, seen);
        seenAny = seenAny || seen;
        return read == kRead ? 1 : -1;
    };
    // Both polarities on every other line first, then (with the sightings
    // shared) on the lines between: a symbol light on dark waits for no
    // dense reading of the other polarity.
    auto const readPolarities = [&](PDFRowReader::Area const& lines) {
        for (int stage = 0; stage < 3; ++stage) {
            if (stage > 0 && !reader.ReadAllLines()) {
                break;
            }
            for (int pass = 0; pass < 2; ++pass) {
                bool const inverted = pass == 1;
                if ((inverted && !reversed) || (!inverted && !normal)) {
                    continue;
                }
                int const result = tryPDF417(lines, inverted);
                if (result >= 0) {
                    return result;
                }
            }
        }
        return -1;
    };
    // Most symbols lie whole where they were located: the short lines
    // first, at a fraction of the long lines' cost; the long lines (across
    // the whole frame) when they read nothing.
    if (!fromSegment && pdf417_->read.Get() && area.nearHalfLength > 0) {
        reader.ShareSightings(normal, reversed);
        int const result = readPolarities(area);
        if (result >= 0) {
            return result;
        }
    }
    if (fromSegment ? segmentPdf417 : pdf417_->read.Get()) {
        int const result = readPolarities(whole);
        if (result >= 0) {
            return result;
        }
    }
    for (int pass = 0; pass < 2; ++pass) {
        bool const inverted = pass == 1;
        if ((inverted && !reversed) || (!inverted && !normal)) {
            continue;
        }
        // A CC-A met alone is read (at its own sizes, after the others) only
        // where the composite reader would pass it on.
        bool const loneComponents = !fromSegment && composite_->ignore_link_flag.Get();
        for (int sizes = 0; sizes < (loneComponents ? 2 : 1) && (fromSegment || microPdf417_->read.Get()); ++sizes) {
            bool const componentSizes = fromSegment || sizes == 1;
            unsigned farPairs = 0;
            for (int attempt = 0; attempt < 4; ++attempt) {
                // Both reading ways with the sides paired as met square on,
                // then as under perspective when such pairs were seen.
                bool const far = attempt >= 2;
                if (far && farPairs < PDFRowReader::kMinFarPairs) {
                    break;
                }
                unsigned version = 0;
                unsigned erasureCount = 0;
                float corners[8];
                unsigned ignored = 0;
                if (reader.ReadMicro(image, whole, inverted, (attempt & 1) == 1, componentSizes,
                                     PDFRowReader::kSideModuleRatios[far ? 1 : 0], far ? ignored : farPairs, version,
                                     buffers_->codewords, buffers_->erasures, erasureCount, corners) &&
                    DecodeMicroPDF417Codewords(buffers_->codewords, version, buffers_->erasures, erasureCount,
                                               label) != 0) {
                    bool const component = label.identifier.GetModifierBit(9) || label.identifier.GetModifierBit(10);
                    if ((fromSegment && !component) ||
                        (!fromSegment && !microPdf417_->fixed_length.Get().Admits(label.data.GetCount()))) {
                        continue;
                    }
                    label.negative = inverted ? 1 : 0;
                    for (unsigned c = 0; c < 4; ++c) {
                        label.region.corner[c] = ToPoint(corners[2 * c], corners[2 * c + 1]);
                    }
                    return 1;
                }
            }
        }
    }
    // A symbol seen so steeply that no search line follows its rows: read
    // within the outline of its ink, where no PDF417 column was seen (the
    // outline would be that symbol's).
    bool const outline = !fromSegment && microPdf417_->read.Get() && !seenAny && !reader.SawColumn();
    for (int pass = 0; pass < 2 && outline; ++pass) {
        bool const inverted = pass == 1;
        // The patterns of one polarity read on the outline: no symbol of
        // the other stands there.
        if ((inverted && !reversed) || (!inverted && !normal) || (inverted && reader.OutlineShowedPatterns())) {
            continue;
        }
        for (unsigned attempt = 0; attempt < PDFRowReader::kOutlineAttempts; ++attempt) {
            unsigned version = 0;
            unsigned erasureCount = 0;
            float corners[8];
            if (!reader.ReadMicroOutline(image, area, inverted, attempt, version, buffers_->codewords,
                                         buffers_->erasures, erasureCount, corners)) {
                continue;
            }
            if (DecodeMicroPDF417Codewords(buffers_->codewords, version, buffers_->erasures, erasureCount, label) ==
                    0 ||
                !microPdf417_->fixed_length.Get().Admits(label.data.GetCount())) {
                continue;
            }
            label.negative = inverted ? 1 : 0;
            for (unsigned c = 0; c < 4; ++c) {
                label.region.corner[c] = ToPoint(corners[2 * c], corners[2 * c + 1]);
            }
            return 1;
        }
    }
    if (!fromSegment) {
        SetSeenSymbol(seenAny ? kSeenSymbol : (reader.SawColumn() ? kSeenColumn : kSeenNothing));
    }
    return 0;
}

int PDFDecoder::StartPartForRegion(GrayImage const& image, Region const& region, DecodedLabel& label)
{
    fromLineSegment_ = 0;
    unsigned const polarity = pdf417_->positive_and_negative.Get();
    acceptNormal_ = polarity == 0 || polarity == 2 ? 1 : 0;
    acceptReversed_ = polarity == 1 || polarity == 2 ? 1 : 0;
    // The line through the middles of the region's two short sides, cut to
    // the image, directed as the region reads.
    Point from;
    Point to;
    Geometry::CalcCenterPoint(region[0], region[3], from);
    Geometry::CalcCenterPoint(region[1], region[2], to);
    Line line;
    LineSegment segment;
    if (!Geometry::CalcLine(from, to, line) || !Geometry::CalcLineSegment(line, RectangleBorder(image), segment)) {
        return 0;
    }
    unsigned const margin = microPdf417_->read.Get() ? 1 : 5;
    if (StartPart(image, segment, margin, label) == 0) {
        return 0;
    }
    // A CC-A met alone is delivered only where the composite reader would
    // pass it on.
    bool const loneComponent = label.identifier.GetSymbology() == SYMBOLOGY_MICRO_PDF417 &&
                               label.identifier.GetModifierBit(9);
    return loneComponent && !composite_->ignore_link_flag.Get() ? 0 : 1;
}

int PDFDecoder::StartPartForSegment(GrayImage const& image, LineSegment const& segment, bool negative, bool pdf417,
                                    DecodedLabel& label)
{
    fromLineSegment_ = 1;
    acceptNormal_ = negative ? 0 : 1;
    acceptReversed_ = negative ? 1 : 0;
    if (StartPart(image, segment, 1, label) == 0) {
        return 0;
    }
    // Along a segment only a composite's 2D part is taken: a PDF417 one
    // (beside GS1-128 only) or a MicroPDF417-like one.
    if (label.identifier.GetSymbology() == SYMBOLOGY_PDF417) {
        return pdf417 && label.identifier.GetModifierBit(8) ? 1 : 0;
    }
    return label.identifier.GetModifierBit(9) || label.identifier.GetModifierBit(10) ? 1 : 0;
}

int PDFDecoder::Start(GrayImage const& image, Region const& region, DecodedLabel& label)
{
    SetSeenSymbol(0);
    if (!IsReady() || (!pdf417_->read.Get() && !microPdf417_->read.Get())) {
        return 0;
    }
    // The column road first; the row reader behind it reads what it leaves.
    if (input_ == kInputRead && StartPartForRegion(image, region, label) != 0) {
        return 1;
    }
    // The row reader tells what it met itself.
    SetSeenSymbol(0);
    float const x0 = (region[0].x + region[3].x) / 2.0f;
    float const y0 = (region[0].y + region[3].y) / 2.0f;
    float const x1 = (region[1].x + region[2].x) / 2.0f;
    float const y1 = (region[1].y + region[2].y) / 2.0f;
    float const length = std::hypot(x1 - x0, y1 - y0);
    float const height = std::hypot((region[0].x + region[1].x - region[3].x - region[2].x) / 2.0f,
                                    (region[0].y + region[1].y - region[3].y - region[2].y) / 2.0f);
    if (!(length >= 4.0f)) {
        return 0;
    }
    PDFRowReader::Area area{};
    area.cx = (x0 + x1) / 2;
    area.cy = (y0 + y1) / 2;
    area.ux = (x1 - x0) / length;
    area.uy = (y1 - y0) / length;
    // A wide symbol may be located in parts, one end at a time: the search
    // lines run on across the whole frame (each is cut to the frame).
    float const frame = std::hypot(static_cast<float>(image.GetWidth()), static_cast<float>(image.GetHeight()));
    area.nearHalfLength = length * 1.2f + 24.0f;
    area.halfLength = area.nearHalfLength > frame ? area.nearHalfLength : frame;
    area.halfHeight = height * 0.7f + 8.0f > length * 0.4f ? height * 0.7f + 8.0f : length * 0.4f;
    unsigned const polarity = pdf417_->positive_and_negative.Get();
    if (input_ == kInputGlance) {
        PDFRowReader reader(buffers_);
        SetSeenSymbol(pdf417_->read.Get() && reader.Glance(image, area) ? kSeenPattern : kSeenNothing);
        return 0;
    }
    if (input_ == kInputGlanceNear) {
        // Within the region itself and its reach along the lines, one
        // column's patterns on two lines, of a polarity read: matrix data
        // shows a chance pattern now and then.
        PDFRowReader::Area lines = area;
        lines.halfLength = area.nearHalfLength;
        lines.halfHeight = height * 0.6f + 4.0f < area.halfHeight ? height * 0.6f + 4.0f : area.halfHeight;
        PDFRowReader reader(buffers_);
        SetSeenSymbol(pdf417_->read.Get() && reader.Glance(image, lines, 2, polarity != 1, polarity != 0)
                          ? kSeenPattern
                          : kSeenNothing);
        return 0;
    }
    return ReadArea(image, area, polarity != 1, polarity != 0, false, label);
}

int PDFDecoder::Start(GrayImage const& image, LineSegment const& segment, bool negative, bool pdf417,
                      DecodedLabel& label)
{
    if (!IsReady()) {
        return 0;
    }
    if (StartPartForSegment(image, segment, negative, pdf417, label) != 0) {
        return 1;
    }
    float const dx = static_cast<float>(segment.end.x - segment.begin.x);
    float const dy = static_cast<float>(segment.end.y - segment.begin.y);
    float const length = std::hypot(dx, dy);
    if (!(length >= 8.0f)) {
        return 0;
    }
    // The component stands on the left of the segment's direction (above a
    // linear symbol read left to right). The search area lies on that side,
    // reaching a little past the segment (a located edge may lie inside the
    // bars): the linear symbol's own bars, Code 128's above all, hold runs
    // that pass for row address patterns.
    PDFRowReader::Area area{};
    area.ux = dx / length;
    area.uy = dy / length;
    area.halfLength = length / 2 + 8.0f;
    area.halfHeight = length * 0.45f;
    float const out = area.halfHeight - length * 0.15f;
    area.cx = (static_cast<float>(segment.begin.x) + static_cast<float>(segment.end.x)) / 2 + area.uy * out;
    area.cy = (static_cast<float>(segment.begin.y) + static_cast<float>(segment.end.y)) / 2 - area.ux * out;
    return ReadArea(image, area, !negative, negative, true, label, pdf417);
}

}  // namespace DEC2DIvra
