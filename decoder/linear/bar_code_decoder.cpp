#include "decoder/linear/bar_code_decoder.h"

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/roads/scan_band.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kDecodeModeMultiImage = 0;
constexpr unsigned kDecodeModeMultiImageWithComposition = 2;

static_assert(LineDecodeDataChecker::kBufferBytes <= WorkAreaLayout::kLinearRepeatChecker.GetSize(),
              "the repeat checker's lists fit its part of the work area");

// A row band turned about its centre; sine and cosine in 1/16384.
Region TurnBand(Region const& band, long long sine, long long cosine)
{
    Point const centre = band.CalcCenterPoint();
    Region turned{};
    for (unsigned i = 0; i < 4; ++i) {
        long long const dx = static_cast<long long>(band.corner[i].x) - centre.x;
        long long const dy = static_cast<long long>(band.corner[i].y) - centre.y;
        turned.corner[i] = Point{static_cast<int>(centre.x + (dx * cosine - dy * sine) / 16384),
                                 static_cast<int>(centre.y + (dx * sine + dy * cosine) / 16384)};
    }
    return turned;
}

}  // namespace

BarCodeDecoder::BarCodeDecoder(VirtualArray<unsigned char>& workArea, DEC2DProperty const& property)
    : memory_(WorkAreaLayout::Window(workArea, WorkAreaLayout::kLinearFrame)),
      checkerMemory_(WorkAreaLayout::Window(workArea, WorkAreaLayout::kLinearRepeatChecker)),
      property_(&property),
      codablockF_(property.codablock_f),
      decoders_(property, rate_),
      lineDecoder_(memory_, property.detail_of_decoder, rate_, decoders_),
      checker_(checkerMemory_, property.detail_of_decoder),
      lineAndPreBlock_(memory_, property, lineDecoder_, decoders_, scanMode_),
      compositeLine_(memory_),
      multiLine_(memory_)
{
    rate_.Initialize(true);
    lineDecoder_.SetTrialBudget(&trialBudget_);
    ready_ = !memory_.HasFailed() && !checkerMemory_.HasFailed() && lineDecoder_.IsReady() && checker_.IsReady() &&
             lineAndPreBlock_.IsReady() && compositeLine_.IsReady() && multiLine_.IsReady();
    decoders_.SetCodablockFRowRecognizer(&codablockF_);
    if (ready_) {
        lineAndPreBlock_.SetCombinedLineRoad(&compositeLine_);
        lineAndPreBlock_.SetMultiLineRoad(&multiLine_);
    }
}

void BarCodeDecoder::OpenImage()
{
    trialBudget_.Open(kImageTrials, kRegionTrials);
}

void BarCodeDecoder::CloseImage()
{
    trialBudget_.Close();
}

bool BarCodeDecoder::Check(LineDecodeData const& line, MultiLineDecodeData const& multiLine)
{
    if (line.decoder == nullptr || multiLine.decoder == nullptr ||
        line.decoder->GetSymbology() != multiLine.decoder->GetSymbology() ||
        line.symbols.GetCount() != multiLine.symbols.GetCount()) {
        return false;
    }
    for (unsigned i = 0; i < line.symbols.GetCount(); ++i) {
        if (line.symbols[i].value != multiLine.symbols[i].value) {
            return false;
        }
    }
    return true;
}

int BarCodeDecoder::Start(GrayImage const& image, Region const& region, unsigned scanMode, DecodedLabel& label)
{
    return Start(image, region, scanMode, label, true);
}

int BarCodeDecoder::Start(GrayImage const&, StackInterface<PickLineElement> const&, DecodedLabel&)
{
    return 0;
}

int BarCodeDecoder::Start(GrayImage const& image, Region const& region, unsigned scanMode, DecodedLabel& label,
                          bool located)
{
    SetStatus(0);
    if (!ready_ || image.GetPixels() == nullptr) {
        return 0;
    }
    checker_.OnChengeImage();
    if (located) {
        trialBudget_.OpenRegion();
    }
    // Only the multi-image modes let a result wait for its repeats from one
    // image to the next, and only while its decoder allows it.
    unsigned const mode = property_->detail_of_decoder.barcode_decode_mode.Get();
    if (mode != kDecodeModeMultiImage && mode != kDecodeModeMultiImageWithComposition) {
        checker_.Initialize();
    } else if (checker_.GetCount() != 0) {
        BarSymbolDecoder const* pending = checker_.GetPending().decoder;
        if (pending == nullptr || !pending->IsEnableRepeatCheck()) {
            checker_.Initialize();
        }
    }
    codablockF_.Reset();
    LineDecodeData const* result = nullptr;
    checker_.SetStackedRowAtOnce(true);
    int const found = StartPart(image, region, scanMode, label, result, located);
    checker_.SetStackedRowAtOnce(false);
    // A Codablock F row is never a label of its own: it goes on to the
    // other rows of its symbol.
    if (found == 0 || label.identifier.GetSymbology() != SYMBOLOGY_CODABLOCK_F) {
        return found;
    }
    int const joined = ReadCodablockF(image, scanMode, label, result);
    if (joined == 0) {
        label.Clear();
    }
    return joined;
}

bool BarCodeDecoder::AddCodablockFRow(DecodedLabel const& row, LineDecodeData const* result, bool& fromLine)
{
    Code128Identifier const identifier(row.identifier.GetModifier(), SYMBOLOGY_CODABLOCK_F);
    // The row came from one line's read or from the multi-line road; the
    // Codablock F decoder takes whichever holds the symbols of its text.
    fromLine = result != nullptr && codablockF_.AddCode128DecodeResult(identifier, row.data, row.region,
                                                                       result->reverced != 0, result->symbols);
    if (fromLine) {
        return true;
    }
    MultiLineDecodeData const& multi = multiLine_.GetDecodeData();
    return multi.decoder != nullptr &&
           codablockF_.AddCode128DecodeResult(identifier, row.data, row.region, multi.reverced != 0, multi.symbols);
}

bool BarCodeDecoder::CalcRowBand(GrayImage const& image, LineDecodeData const& line, unsigned modules, Region& band)
{
    LineSegment segment;
    if (modules == 0 || !line.CalcDecodedLineSegment(image, segment)) {
        return false;
    }
    long long const dx = static_cast<long long>(segment.end.x) - segment.begin.x;
    long long const dy = static_cast<long long>(segment.end.y) - segment.begin.y;
    long long const length = DecMath::Sqrt(static_cast<unsigned long long>(dx * dx + dy * dy));
    if (length < 8 || length > kMaxRowLength) {
        return false;
    }
    // Quiet zones of ten modules at both ends; two modules above and below
    // the line, at least three pixels.
    long long const quiet = 10 * length / modules + 2;
    long long const twoModules = 2 * length / modules;
    long long const half = twoModules > 3 ? twoModules : 3;
    long long const ax = dx * quiet / length;
    long long const ay = dy * quiet / length;
    long long const nx = -dy * half / length;
    long long const ny = dx * half / length;
    Point const begin{static_cast<int>(segment.begin.x - ax), static_cast<int>(segment.begin.y - ay)};
    Point const end{static_cast<int>(segment.end.x + ax), static_cast<int>(segment.end.y + ay)};
    band.corner[0] = Point{static_cast<int>(begin.x - nx), static_cast<int>(begin.y - ny)};
    band.corner[1] = Point{static_cast<int>(end.x - nx), static_cast<int>(end.y - ny)};
    band.corner[2] = Point{static_cast<int>(end.x + nx), static_cast<int>(end.y + ny)};
    band.corner[3] = Point{static_cast<int>(begin.x + nx), static_cast<int>(begin.y + ny)};
    return true;
}

int BarCodeDecoder::ReadCodablockF(GrayImage const& image, unsigned scanMode, DecodedLabel& label,
                                   LineDecodeData const* result)
{
    bool fromLine = false;
    if (searcher_ == nullptr || !AddCodablockFRow(label, result, fromLine)) {
        return 0;
    }
    // The row was taken at its first read. The locator takes the band through
    // the middle of the region it is given for the row read, so it is given a
    // band around the line that read it (the located region may span several
    // rows); that band is read again like the others.
    StackInterface<Region> rows(rowRegions_, sizeof rowRegions_ / sizeof rowRegions_[0]);
    Region seed = label.region;
    bool const again = fromLine && CalcRowBand(image, *result, label.moduleCount, seed) && rows.Push(seed);
    if (searcher_->Start(image, seed, rows) == 0) {
        return 0;
    }
    if (again) {
        codablockF_.Reset();
    }
    ReadCodablockFRows(image, scanMode, rows);
    // A walk that stopped short (a damaged or slanted stretch) leaves rows
    // out: the locator starts again from a row read beside a missing one.
    unsigned long long seeded = 0;
    unsigned number = 0;
    for (unsigned k = 0; k < kMaxRowSeeds && codablockF_.FindRowBesideGap(seeded, number); ++k) {
        seeded |= 1ull << number;
        rows.Clear();
        if (searcher_->Start(image, codablockF_.GetRow(number).region, rows) != 0) {
            ReadCodablockFRows(image, scanMode, rows);
        }
    }
    checker_.Initialize();
    return codablockF_.Start(label);
}

bool BarCodeDecoder::ReadCodablockFRow(GrayImage const& image, unsigned scanMode, Region const& band)
{
    checker_.Initialize();
    LineDecodeData const* rowResult = nullptr;
    if (StartPart(image, band, scanMode, rowLabel_, rowResult, true) == 0 ||
        rowLabel_.identifier.GetSymbology() != SYMBOLOGY_CODABLOCK_F) {
        return false;
    }
    bool fromLine = false;
    return AddCodablockFRow(rowLabel_, rowResult, fromLine);
}

void BarCodeDecoder::ReadCodablockFRows(GrayImage const& image, unsigned scanMode, StackInterface<Region> const& rows)
{
    // A row is Code 128 characters: the other symbologies' trials over every
    // band and its turned copies cost seconds on a noisy frame with every
    // symbology on, and read nothing a row needs.
    struct Code128Only {
        BarSymbolDecoderSet& set;
        explicit Code128Only(BarSymbolDecoderSet& s) : set(s) { set.SetCode128Only(true); }
        ~Code128Only() { set.SetCode128Only(false); }
        Code128Only(Code128Only const&) = delete;
        Code128Only& operator=(Code128Only const&) = delete;
    } const only(decoders_);
    // The rows of a symbol already met are read whole, past the image's
    // trial budget: their bands and turns bound that work.
    struct Unbounded {
        LineDecoder& line;
        LineTrialBudget* budget;
        Unbounded(LineDecoder& l, LineTrialBudget* b) : line(l), budget(b) { line.SetTrialBudget(nullptr); }
        ~Unbounded() { line.SetTrialBudget(budget); }
        Unbounded(Unbounded const&) = delete;
        Unbounded& operator=(Unbounded const&) = delete;
    } const unbounded(lineDecoder_, &trialBudget_);
    bool unread[sizeof rowRegions_ / sizeof rowRegions_[0]] = {};
    unsigned const count = rows.GetCount() < sizeof unread ? rows.GetCount() : sizeof unread;
    for (unsigned i = count; i-- > 0;) {
        unread[i] = !ReadCodablockFRow(image, scanMode, rows[i]);
    }
    // Seen at a slant the rows fan out: a band parallel to the row it was
    // found from leaves a row further away before its end. The bands that
    // gave no row are read again turned a little either way, while rows are
    // missing.
    // 1.5, 3 and 6 degrees: sine and cosine in 1/16384.
    static constexpr long long kTurns[][2] = {{429, 16378},  {-429, 16378}, {858, 16362},
                                              {-858, 16362}, {1713, 16294}, {-1713, 16294}};
    for (unsigned i = count; i-- > 0 && !codablockF_.HasAllRows();) {
        for (unsigned t = 0; unread[i] && t < sizeof kTurns / sizeof kTurns[0]; ++t) {
            unread[i] = !ReadCodablockFRow(image, scanMode, TurnBand(rows[i], kTurns[t][0], kTurns[t][1]));
        }
    }
}

int BarCodeDecoder::StartPart(GrayImage const& image, Region const& region, unsigned scanMode, DecodedLabel& label,
                              LineDecodeData const*& result, bool located)
{
    SetStatus(0);
    result = nullptr;
    BarCodeScanRegion band;
    if (!ready_ || !band.Set(image, region)) {
        return 0;
    }
    scanMode_ = scanMode;
    bool const stopEarly = !located || !IsAnyLinearCodeEnabled();
    lineAndPreBlock_.SetCodeSearcher(searcher_);
    if (!lineAndPreBlock_.Start(image, band, checker_, label, stopEarly, located)) {
        if (lineAndPreBlock_.GetStatus() == LineAndPreBlockDecoder::kStatusSeen || checker_.GetCount() != 0) {
            SetStatus(1);
        }
        return 0;
    }
    result = &checker_.GetPending();
    if (lineAndPreBlock_.GetStatus() == LineAndPreBlockDecoder::kStatusRefused) {
        return 0;
    }
    if (!property_->detail_of_decoder.only_complete_codes.Get() || label.further.present == 0) {
        return 1;
    }
    return label.further.value4 == 0 ? 1 : 0;
}

bool BarCodeDecoder::IsAnyLinearCodeEnabled() const
{
    DEC2DProperty const& p = *property_;
    PropertyReference<bool> const* const keys[] = {
        &p.upc_a.read,
        &p.upc_a.read_addon2,
        &p.upc_a.read_addon5,
        &p.upc_e.read,
        &p.upc_e.read_addon2,
        &p.upc_e.read_addon5,
        &p.ean13.read,
        &p.ean13.read_addon2,
        &p.ean13.read_addon5,
        &p.ean8.read,
        &p.ean8.read_addon2,
        &p.ean8.read_addon5,
        &p.code39.read,
        &p.code39.read_trioptic,
        &p.codabar.read,
        &p.industrial2of5.read,
        &p.interleaved2of5.read,
        &p.scode.read,
        &p.matrix2of5.read,
        &p.korean_postal_authority.read,
        &p.intelligent_mail_barcode.read,
        &p.netherlands_kix.read,
        &p.japanese_postal.read,
        &p.postnet.read,
        &p.australian_postal.read,
        &p.planet.read,
        &p.uk_postal_customer_code.read,
        &p.uk_postal_mail_mark.read,
        &p.iata.read,
        &p.msi_plessey.read,
        &p.telepen.read,
        &p.uk_plessey.read,
        &p.code128.read,
        &p.code93.read,
        &p.code11.read,
        &p.gs1_databar.read,
        &p.gs1_databar.read_limited,
        &p.gs1_databar.read_expanded,
        &p.codablock_f.read,
    };
    for (PropertyReference<bool> const* key : keys) {
        if (key->Get()) {
            return true;
        }
    }
    return false;
}

}  // namespace DEC2DIvra
