// Scan lines of any run lengths through the linear decoders other than UPC/EAN
// and Code 128 as the line decoder offers them: the runs of a line to slot 0
// of Code 39, Code 93, Code 11, Codabar, the 2 of 5 family, MSI and UK
// Plessey, Telepen, Korean postal and DataBar Limited, a whole read through
// the check and the label; the same runs to the DataBar road, which votes
// over the lines and finishes an Omnidirectional or Expanded symbol; Code 128
// reads of Codablock F rows to the Codablock F decoder, which joins them.
// Every symbology is on, both polarities, no length limits, and the input
// may change a few options of the code settings for its own run.
//
// Input: a count of option changes and for each a leaf number (two bytes)
// and a value, then runs, one byte each (the high two bits the grey, the low
// six the width in quarter modules; 0xFF ends a line). With the count's
// bit 7 set, the rest is the data bits of a DataBar Expanded symbol instead.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/bar_symbol_decoder_set.h"
#include "decoder/linear/code128/codablock_f_decoder.h"
#include "decoder/linear/data_bar/rss_expanded_data.h"
#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"

namespace {

using namespace DEC2DIvra;
namespace cfg = ivra_configuration;

constexpr int kUnitsPerQuarter = 12;  // a module of 48 line units, three pixels
constexpr unsigned kMaxRuns = 120;
// Each run offered costs every decoder a look along the line: the whole input
// is held to this many, so that a run stays within tens of milliseconds.
constexpr unsigned kMaxTotalRuns = 240;
constexpr unsigned kMaxLines = 8;
constexpr unsigned kMaxChanges = 3;
constexpr std::uint8_t kEndOfLine = 0xFF;

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void SetLeaves(cfg::CommonPropertyHandle const& node, cfg::ValueType type, void const* value)
{
    for (auto const* child = node.FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (child->IsNode()) {
            SetLeaves(*child, type, value);
        } else if (child->Info() != nullptr && child->Info()->type.type == type) {
            child->SetBytes(value);
        }
    }
}

// Bool and enumeration leaves of a subtree: the options a change may touch.
void CollectOptions(cfg::CommonPropertyHandle const& node, std::vector<cfg::CommonPropertyHandle const*>& out)
{
    for (auto const* child = node.FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (child->IsNode()) {
            CollectOptions(*child, out);
        } else if (child->Info() != nullptr && (child->Info()->type.type == cfg::ValueType::kBool ||
                                                (child->Info()->type.type == cfg::ValueType::kEnum &&
                                                 child->Info()->type.enumCount != 0))) {
            out.push_back(child);
        }
    }
}

struct Setup {
    Setup()
    {
        auto& root = manager.Root();
        unsigned char const on = 1;
        SetLeaves(*root.Find("read"), cfg::ValueType::kBool, &on);
        std::uint32_t const both = 2;  // POSITIVE_AND_NEGATIVE
        SetLeaves(*root.Find("readable_medium/positive_and_negative_codes"), cfg::ValueType::kEnum, &both);
        cfg::FixedLength any{};
        any.maximum = cfg::FixedLength::kNoMaximum;
        SetLeaves(*root.Find("fixed_length"), cfg::ValueType::kFixedLength, &any);
        Require(manager.Update());
        CollectOptions(*root.Find("code"), options);
        Require(!options.empty());
        decoders.SetCodablockFRowRecognizer(&codablock);
        pixels.assign(static_cast<std::size_t>(kImageWidth) * kImageHeight, 512);
        image = GrayImage(kImageWidth, kImageHeight, kImageWidth, pixels.data());
    }

    // Wide enough for the longest line of runs, one row per line.
    static constexpr int kImageWidth = kMaxRuns * 63 * kUnitsPerQuarter / 16 + 2;
    static constexpr int kImageHeight = 2 * kMaxLines + 2;

    cfg::ConfigurationManager manager;
    DEC2DProperty property{manager.Root()};
    RateForTuningCalculator rate;
    BarSymbolDecoderSet decoders{property, rate};
    CodablockFDecoder codablock{property.codablock_f};
    std::vector<cfg::CommonPropertyHandle const*> options;
    std::vector<unsigned short> pixels;
    GrayImage image;
    DecodedLabel label;
};

Setup& Instance()
{
    static Setup* setup = new Setup;
    return *setup;
}

// Option changes for this run, undone when it ends.
class Changes {
public:
    ~Changes()
    {
        for (unsigned i = count_; i-- > 0;) {
            saved_[i].handle->SetBytes(saved_[i].bytes);
        }
        // A refused change was undone by the update that refused it.
        Instance().manager.Update();
    }

    void Apply(cfg::CommonPropertyHandle const& handle, std::uint8_t value)
    {
        cfg::KeyInfo const& info = *handle.Info();
        Saved& s = saved_[count_];
        s.handle = &handle;
        std::memcpy(s.bytes, handle.CalcAddress(), info.type.size);
        unsigned char bytes[sizeof(std::uint32_t)] = {};
        if (info.type.type == cfg::ValueType::kBool) {
            bytes[0] = value & 1;
        } else {
            std::uint32_t const v = info.type.enumItems[value % info.type.enumCount].value;
            std::memcpy(bytes, &v, sizeof v);
        }
        if (handle.SetBytes(bytes)) {
            ++count_;
        }
    }

private:
    struct Saved {
        cfg::CommonPropertyHandle const* handle = nullptr;
        unsigned char bytes[sizeof(std::uint32_t)] = {};
    };
    Saved saved_[kMaxChanges];
    unsigned count_ = 0;
};

bool IsCode128(unsigned trial)
{
    return trial >= BarSymbolDecoderSet::kCode128 && trial <= BarSymbolDecoderSet::kCode128BoldNegative;
}

void ReadSymbol(BarSymbolDecoder const& decoder, StackInterface<BarSymbol> const& symbols, bool reverced)
{
    Setup& s = Instance();
    unsigned modules = 0;
    decoder.CountModule(symbols, modules);
    decoder.IsStackedRow(symbols, reverced);
    s.label.Clear();
    if (!decoder.Start(symbols, reverced, s.label)) {
        return;
    }
    Require(s.label.data.GetCount() <= DecodedLabel::kDataBytes);
    if (s.label.identifier.GetSymbology() == SYMBOLOGY_CODABLOCK_F) {
        Code128Identifier const identifier(s.label.identifier.GetModifier(), SYMBOLOGY_CODABLOCK_F);
        s.codablock.AddCode128DecodeResult(identifier, s.label.data, s.label.region, reverced, symbols);
    }
}

// One line as the line decoder reads it: each run offered to the decoders in
// their trial order (UPC/EAN's left out, Code 128's only while Codablock F
// rows are wanted), then to the DataBar road; the first whole read that
// passes its check ends the line.
bool TryRun(ArrayIterator<ScanElement const> const& at, bool codablock, LineDecodeData const& line)
{
    Setup& s = Instance();
    static BarSymbol buffer[LineDecodeData::kSymbolCapacity];
    StackInterface<BarSymbol> symbols(buffer, LineDecodeData::kSymbolCapacity);
    for (unsigned trial = BarSymbolDecoderSet::kUpcEanTrialCount; trial <= BarSymbolDecoderSet::kTrialCount; ++trial) {
        BarSymbolDecoder const* decoder = trial == BarSymbolDecoderSet::kTrialCount ? s.decoders.GetRSSLimitedDecoder()
                                                                                     : s.decoders.GetTrialDecoder(trial);
        if (decoder == nullptr || (IsCode128(trial) && !codablock)) {
            continue;
        }
        bool negative = false;
        bool reverced = false;
        symbols.Clear();
        s.rate.Initialize(true);
        if (decoder->ExecuteBinarization(at, symbols, negative, reverced) && !symbols.IsEmpty() &&
            decoder->CheckPolarity(negative) && decoder->CheckCheckDigit(symbols, reverced)) {
            Require(symbols.GetCount() <= symbols.GetCapacity());
            ReadSymbol(*decoder, symbols, reverced);
            return true;
        }
    }
    s.decoders.GetDataBarRoad()->ExecuteBinarization(s.image, Region{}, at, line);
    return false;
}

void ReadLine(ScanElement const* runs, unsigned count, unsigned number, bool codablock)
{
    LineDecodeData line;
    int const y = static_cast<int>(2 * number + 1);
    line.line = ScanLineSegment(LineSegment{Point{0, y}, Point{Setup::kImageWidth - 1, y}}, false);
    for (unsigned i = 1; i < count; ++i) {
        if (TryRun(ArrayIterator<ScanElement const>(runs, count, static_cast<int>(i), 1), codablock, line)) {
            return;
        }
    }
}

void ReadLines(std::uint8_t const* data, std::size_t size)
{
    Setup& s = Instance();
    s.decoders.GetDataBarRoad()->Initialize();
    s.codablock.Reset();
    bool const codablock = s.property.codablock_f.read.Get();
    std::unique_ptr<ScanElement[]> runs(new ScanElement[kMaxRuns]);
    unsigned count = 0;
    unsigned lines = 0;
    unsigned total = 0;
    int x = 0;
    for (std::size_t i = 0; i <= size && lines < kMaxLines; ++i) {
        if (total == kMaxTotalRuns) {
            size = i;
        }
        if (i == size || data[i] == kEndOfLine || count == kMaxRuns) {
            if (count > 0) {
                // Exactly as long as the line, so that a read past its end is caught.
                std::unique_ptr<ScanElement[]> line(new ScanElement[count]);
                std::memcpy(line.get(), runs.get(), sizeof(ScanElement) * count);
                ReadLine(line.get(), count, lines++, codablock);
            }
            count = 0;
            x = 0;
            continue;
        }
        std::uint8_t const b = data[i];
        int const width = kUnitsPerQuarter * ((b & 0x3F) == 0 ? 1 : (b & 0x3F));
        bool const light = (count & 1) == 0;
        ScanElement& run = runs[count++];
        ++total;
        run.colour = light ? kLightRun : kDarkRun;
        run.grey = light ? 1023 - (b >> 6) * 120 : (b >> 6) * 120;
        run.begin = x;
        run.end = x + width;
        run.samples = 1 + width / 16;
        x += width;
    }
    s.label.Clear();
    if (s.decoders.GetDataBarRoad()->Start(s.image, s.label)) {
        Require(s.label.data.GetCount() <= DecodedLabel::kDataBytes);
    }
    s.label.Clear();
    s.codablock.Start(s.label);
}

void ExpandedBits(std::uint8_t head, std::uint8_t const* data, std::size_t size)
{
    RSSExpandedBits bits;
    bits.Clear();
    for (std::size_t i = 0; i < size && bits.GetCount() + 8 <= RSSExpandedBits::kCapacity; ++i) {
        Require(bits.Append(data[i], 8));
    }
    RSSExpandedOptions options;
    options.transmitCheckDigit = (head & 1) != 0;
    options.transmitApplicationIdentifier = (head & 2) != 0;
    static char buffer[512];
    StackInterface<char> text(buffer, (head & 4) != 0 ? 16 : sizeof buffer);
    bool linked = false;
    MakeExpandedData(bits, options, text, linked);
    Require(text.GetCount() <= text.GetCapacity());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    Setup& s = Instance();
    std::uint8_t const head = data[0];
    ++data;
    --size;
    if ((head & 0x80) != 0) {
        ExpandedBits(head, data, size);
        return 0;
    }
    Changes changes;
    unsigned const wanted = head % (kMaxChanges + 1);
    for (unsigned c = 0; c < wanted && size >= 3; ++c) {
        unsigned const leaf = static_cast<unsigned>(data[0] << 8 | data[1]) % s.options.size();
        changes.Apply(*s.options[leaf], data[2]);
        data += 3;
        size -= 3;
    }
    s.manager.Update();
    ReadLines(data, size);
    return 0;
}
