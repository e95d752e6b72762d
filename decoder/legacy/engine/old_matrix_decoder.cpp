#include "decoder/legacy/engine/old_matrix_decoder.h"

#include <cstring>

#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/identifiers/legacy_identifiers.h"
#include "decoder/core/identifiers/matrix_identifiers.h"
#include "decoder/core/identifiers/qr_identifiers.h"
#include "decoder/core/identifiers/symbology_identifier.h"
#include "decoder/legacy/engine/legacy_debug_view.h"
#include "decoder/legacy/engine/legacy_driver.h"
#include "decoder/legacy/engine/legacy_engine_gray_image.h"
#include "decoder/legacy/engine/legacy_engine_image.h"
#include "decoder/legacy/engine/legacy_full_frame.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_pattern_geometry.h"
#include "decoder/legacy/engine/legacy_reader_entries.h"
#include "decoder/legacy/engine/legacy_region_pass.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_scan_line.h"

namespace DEC2DIvra {

namespace {

// An identifier of the engine's symbologies whose AIM text carries the
// modifier character the reader chose (MaxiCode mode 0 reads "]U1", a Han Xin
// symbol with ECI "]X1"), with the symbology's number and maker code.
class EngineIdentifier final : public SymbologyIdentifier {
public:
    EngineIdentifier(tagSymbology symbology, unsigned modifier, char letter, char aimModifier, char maker)
        : SymbologyIdentifier(symbology, modifier), letter_(letter), aimModifier_(aimModifier), maker_(maker)
    {
    }
    bool GetAIMIdentifier(char* buffer, unsigned size) const override
    {
        return WriteAIM(buffer, size, letter_, aimModifier_);
    }
    char GetIvraIdentifier() const override { return maker_; }

private:
    char letter_;
    char aimModifier_;
    char maker_;
};

void InitializeDecoder(unsigned short const* pixels, int width, int height, int pitch)
{
    DECODE_IMAGE_INFO_st& info = decode_image_info;
    info.pixels = info.samplePixels = pixels;
    info.width = info.sampleWidth = width;
    info.height = info.sampleHeight = height;
    // Rows are read with the image's own pitch.
    info.rowPadding = info.sampleRowPadding = pitch > width ? pitch - width : 0;
    info.movingObject = 0;
    info.offsetX = info.offsetY = 0;
    COM_set_screen_size(width, height);
}

// The region records of line calls and of region calls.
tagSymbolRegion lineRegion;
tagSymbolRegion regionRegion;

// The engine's image and call records for one call, and the per-call state
// a pass starts from.
tagGrayImage_t* PrepareCall(GrayImage const& image, NEW_DECODE_INFO_st* info, DECODE_EXEC_STATUS_st* handled)
{
    // The engine reads but never writes the frame.
    auto* const pixels = const_cast<unsigned short*>(image.GetPixels());
    tagGrayImage_t* record = nullptr;
    InitializeGrayImage(&record, pixels, static_cast<unsigned>(image.GetWidth()),
                        static_cast<unsigned>(image.GetHeight()), static_cast<unsigned>(image.GetPitch()), info,
                        handled, 5);
    InitializeDecoder(image.GetPixels(), image.GetWidth(), image.GetHeight(), image.GetPitch());
    CulcDirectionOffsets(record);
    return record;
}

// The call's records live in its frame: the image record lets go of them.
void EndCall(tagGrayImage_t* record)
{
    record->decodeInfo = nullptr;
    record->handled = nullptr;
}

void PreparePass()
{
    calc_decode_regions();
    reset_MULTI_runlength_param();
    init_new_decode_info_SXGA();
    sort_new_decode_info_SXGA();
}

// Coordinates the engine's line and corner arithmetic takes without
// overflow; a segment or region beyond them is no place to read.
bool InReach(int v) { return v >= -(1 << 20) && v <= (1 << 20); }

bool Usable(GrayImage const& image)
{
    return image.GetPixels() != nullptr && image.GetWidth() > 0 && image.GetHeight() > 0 &&
           image.GetPitch() >= image.GetWidth();
}

void EmptyLabel(DecodedLabel& label) { label.data.Clear(); }

void SetSymbology(DecodedLabel& label, MULTIPLE_LABEL_st const& entry)
{
    switch (entry.labelType) {
    case kLegacyQR:
    case kLegacyQRAppend:
    case kLegacyQRModel1:
        if (entry.makerCode == 'j') {
            OldMatrixDecoder::SetSymbology_mQR(label, entry);
        } else {
            OldMatrixDecoder::SetSymbology_QR(label, entry);
        }
        break;
    case kLegacyDataMatrix:
    case kLegacyDataMatrixAppend:
        OldMatrixDecoder::SetSymbology_DataMatrix(label, entry);
        break;
    case kLegacyMaxiCode:
    case kLegacyMaxiCodeAppend:
        OldMatrixDecoder::SetSymbology_Maxi(label, entry);
        break;
    case kLegacyAztec:
    case kLegacyAztecRune:
        OldMatrixDecoder::SetSymbology_Aztec(label, entry);
        break;
    case kLegacyHanXin:
        OldMatrixDecoder::SetSymbology_ChineseSensible(label, entry);
        break;
    default:
        break;
    }
}

void SetStructuredAppend(DecodedLabel& label, MULTIPLE_LABEL_st const& entry)
{
    STRUCT_APPEND_st const& sa = entry.structAppend;
    if (sa.kind == kLegacyNothing) {
        label.structuredAppend = tagStructuredAppend{};
        return;
    }
    label.structuredAppend.mode = 1;
    label.structuredAppend.value1 = static_cast<unsigned>(sa.firstValue);
    label.structuredAppend.value2 = static_cast<unsigned>(sa.thirdValue);
    label.structuredAppend.value3 = static_cast<unsigned>(sa.secondValue);
}

}  // namespace

OldMatrixDecoder::OldMatrixDecoder() { InitDecodeMainEx(); }

void OldMatrixDecoder::SimulationC_SetGrayImage(GrayImage const& image)
{
    SimulationC_LayFrame(image.GetPixels(), image.GetWidth(), image.GetHeight(), image.GetPitch());
}

int OldMatrixDecoder::VerifyRegion(tagPoint_t*, unsigned const&, unsigned const&) { return 1; }

int OldMatrixDecoder::AdjustRegion(unsigned char, tagPoint_t*, unsigned const&, unsigned const&) { return 1; }

void OldMatrixDecoder::SetSymbology_Maxi(DecodedLabel& label, MULTIPLE_LABEL_st const& entry)
{
    char const m = entry.aim[2];
    unsigned const mode = static_cast<unsigned>(GetMaxiMode()) & 7u;
    bool const eci = m >= '2';
    unsigned const flags = mode | (eci ? 8u : 0u);
    char const fallback = static_cast<char>('0' + ((mode == 2 || mode == 3) ? 1 : 0) + (eci ? 2 : 0));
    EngineIdentifier const id(SYMBOLOGY_MAXICODE, flags, 'U', m >= '0' && m <= '3' ? m : fallback, 'v');
    label.identifier.Copy(id);
}

void OldMatrixDecoder::SetSymbology_ChineseSensible(DecodedLabel& label, MULTIPLE_LABEL_st const& entry)
{
    EngineIdentifier const id(SYMBOLOGY_HAN_XIN, 0, 'X', entry.aim[2] == '1' ? '1' : '0', 'e');
    label.identifier.Copy(id);
}

void OldMatrixDecoder::SetSymbology_QR(DecodedLabel& label, MULTIPLE_LABEL_st const& entry)
{
    char const m = entry.aim[2];
    QRIdentifier id(0);
    if (m == '0') {
        id.SetModifierBit(4, true);
    } else {
        unsigned const k = static_cast<unsigned>(m - '1');
        id.SetModifierBit(0, (k & 1u) != 0);
        id.SetModifierBit(1, ((k >> 1) & 3u) == 1);
        id.SetModifierBit(2, ((k >> 1) & 3u) == 2);
    }
    id.SetModifierBit(15, entry.closingFlag != 0);
    label.identifier.Copy(id);
}

void OldMatrixDecoder::SetSymbology_mQR(DecodedLabel& label, MULTIPLE_LABEL_st const& entry)
{
    MicroQRIdentifier id(0);
    id.SetModifierBit(0, ((entry.aim[2] - '1') & 1) != 0);
    label.identifier.Copy(id);
}

void OldMatrixDecoder::SetSymbology_DataMatrix(DecodedLabel& label, MULTIPLE_LABEL_st const& entry)
{
    char const m = entry.aim[2];
    DataMatrixIdentifier id(0);
    if (m == '0') {
        id.SetModifierBit(5, true);
    } else {
        bool const high = m < '1' || m > '3';
        id.SetModifierBit(4, high);
        unsigned const low = static_cast<unsigned>(m - (high ? '4' : '1')) & 15u;
        for (unsigned b = 0; b < 4; ++b) {
            id.SetModifierBit(b, ((low >> b) & 1u) != 0);
        }
    }
    id.SetModifierBit(15, entry.closingFlag != 0);
    label.identifier.Copy(id);
}

void OldMatrixDecoder::SetSymbology_Aztec(DecodedLabel& label, MULTIPLE_LABEL_st const& entry)
{
    char const m = entry.aim[2];
    AztecIdentifier id(0);
    if (m == 'C') {
        id.SetModifierBit(4, true);
    } else {
        unsigned const v = m >= '0' && m <= '9' ? static_cast<unsigned>(m - '0')
                                                : (m >= 'A' && m <= 'F' ? static_cast<unsigned>(m - 'A' + 10) : 0u);
        unsigned const w = v % 6;
        id.SetModifierBit(3, v >= 6);
        id.SetModifierBit(2, w >= 3);
        id.SetModifierBit(0, w % 3 == 1);
        id.SetModifierBit(1, w % 3 == 2);
    }
    label.identifier.Copy(id);
}

int OldMatrixDecoder::Start(GrayImage const& image, Region const& region, unsigned flags, DecodedLabel& label)
{
    SimulationC_SetGrayImage(image);
    status_ = kRunning;
    tagPoint_t corners[4];
    for (unsigned k = 0; k < 4; ++k) {
        corners[k] = {region[k].x, region[k].y};
    }
    status_ = StartRegion(image, corners, flags, label);
    if (status_ == kLabelWritten) {
        return 1;
    }
    EmptyLabel(label);
    return 0;
}

int OldMatrixDecoder::Start(GrayImage const& image, LineSegment const& segment, DecodedLabel& label)
{
    SimulationC_SetGrayImage(image);
    status_ = kRunning;
    status_ = StartLine(image, segment, label);
    if (status_ == kLabelWritten) {
        return 1;
    }
    EmptyLabel(label);
    return 0;
}

int OldMatrixDecoder::Start(GrayImage const&, Region const&, DecodedLabel&) { return 0; }

void OldMatrixDecoder::OnNewImage(GrayImage const& image)
{
    InitializeDecoder(image.GetPixels(), image.GetWidth(), image.GetHeight(), image.GetPitch());
    // The central regions of this image, for whoever drives the engine's
    // passes directly; every line call lays them again.
    calc_decode_regions();
    reset_multi01();
    SimulationC_Clear();
    SimulationC_InitializeTimer();
    SimulationC_PutFormatStringToLog("image %d x %d", image.GetWidth(), image.GetHeight());
}

int OldMatrixDecoder::StartLine(GrayImage const& image, LineSegment const& segment, DecodedLabel& label)
{
    if (!Usable(image) || !InReach(segment.begin.x) || !InReach(segment.begin.y) || !InReach(segment.end.x) ||
        !InReach(segment.end.y)) {
        return kNothingFound;
    }
    NEW_DECODE_INFO_st info;
    DECODE_EXEC_STATUS_st handled{};
    tagGrayImage_t* const record = PrepareCall(image, &info, &handled);
    lineRegion = tagSymbolRegion{};
    lineRegion.kind = 5;
    PreparePass();
    int const r = TryDecodeOnLineForFix2DEx(record, segment.begin.x, segment.begin.y, segment.end.x, segment.end.y,
                                            &lineRegion);
    EndCall(record);
    return Finish(r, &lineRegion, label);
}

int OldMatrixDecoder::StartRegion(GrayImage const& image, tagPoint_t* corners, unsigned flags, DecodedLabel& label)
{
    unsigned const width = static_cast<unsigned>(image.GetWidth());
    unsigned const height = static_cast<unsigned>(image.GetHeight());
    if (VerifyRegion(corners, width, height) == 0 || AdjustRegion(5, corners, width, height) == 0) {
        return kRegionRefused;
    }
    bool reach = true;
    for (int k = 0; k < 4; ++k) {
        reach = reach && InReach(corners[k].x) && InReach(corners[k].y);
    }
    if (!Usable(image) || !reach) {
        return kNothingFound;
    }
    regionRegion = tagSymbolRegion{};
    regionRegion.kind = 5;
    for (int k = 0; k < 4; ++k) {
        regionRegion.tetragon.corner[k] = corners[k];
        regionRegion.second.corner[k] = corners[k];
    }
    NEW_DECODE_INFO_st info;
    DECODE_EXEC_STATUS_st handled{};
    tagGrayImage_t* const record = PrepareCall(image, &info, &handled);
    PreparePass();
    int const r = TryDecodeOnSymbolRegionEx(record, &regionRegion, flags);
    EndCall(record);
    return Finish(r, &regionRegion, label);
}

int OldMatrixDecoder::Finish(int passResult, tagSymbolRegion* region, DecodedLabel& label)
{
    if (passResult != 0) {
        region->kind = -region->kind;
        return decodePhase == 1 ? kNothingAfterFinder : kNothingFound;
    }
    if (multiple_label_count == 0) {
        return kTableEmpty;
    }
    return WriteLabel(multiple_label[multiple_label_count - 1], label) ? kLabelWritten : kTableEmpty;
}

bool OldMatrixDecoder::WriteLabel(MULTIPLE_LABEL_st const& entry, DecodedLabel& label)
{
    EmptyLabel(label);
    for (int i = 0; i < entry.dataLength && entry.data != nullptr; ++i) {
        if (!label.data.Push(static_cast<char>(entry.data[i]))) {
            EmptyLabel(label);
            return false;
        }
    }
    for (unsigned k = 0; k < 4; ++k) {
        label.region[k] = Point{entry.cornerX[k], entry.cornerY[k]};
    }
    SetSymbology(label, entry);
    SetStructuredAppend(label, entry);
    return true;
}

}  // namespace DEC2DIvra
