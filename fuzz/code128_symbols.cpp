// Code 128 from arbitrary input: symbol values through the check and the
// character-to-data conversion, pattern keys through the decoder's label
// slots, run lengths through the line reader of all four instances, and
// column votes through the multi-line vote.
// Buffers are sized exactly so that any access past them is caught.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/decoded_label.h"
#include "decoder/linear/code128/code128_block_vote.h"
#include "decoder/linear/code128/code128_decoder.h"
#include "decoder/linear/code128/code128_interpreter.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"

namespace {

using namespace DEC2DIvra;

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

struct Setup {
    Setup()
    {
        rate.Initialize(true);
        auto& root = manager.Root();
        ivra_configuration::FixedLength none{};
        none.maximum = ivra_configuration::FixedLength::kNoMaximum;
        Require(root.fixed_length.code128.Set(none) && root.fixed_length.gs1_128.Set(none));
        Require(root.readable_medium.positive_and_negative_codes.all_1d_and_composite_codes.Set(
            ivra_configuration::configuration::readable_medium::positive_and_negative_codes::
                all_1d_and_composite_codes::Enum::POSITIVE_AND_NEGATIVE));
        Require(manager.Update());
    }

    ivra_configuration::ConfigurationManager manager;
    DEC2DProperty property{manager.Root()};
    RateForTuningCalculator rate;
    BarSymbolDecoderContext context{&property.detail_of_decoder, &rate};
    Code128Decoder decoders[4] = {
        {context, 0, property},
        {context, Code128Decoder::kNegative, property},
        {context, Code128Decoder::kForBigger, property},
        {context, Code128Decoder::kForBigger | Code128Decoder::kNegative, property},
    };
    DecodedLabel label;
};

Setup& Instance()
{
    static Setup* setup = new Setup;
    return *setup;
}

void CheckLabel(Code128Decoder const& decoder, StackInterface<BarSymbol> const& symbols, bool reverced)
{
    Setup& s = Instance();
    s.label.Clear();
    decoder.CheckCheckDigit(symbols, reverced);
    if (decoder.Start(symbols, reverced, s.label)) {
        Require(s.label.data.GetCount() <= 2 * symbols.GetCount());
    } else {
        Require(s.label.data.IsEmpty());
    }
}

// Values straight into the conversion, with an output of exact capacity.
void FuzzValues(uint8_t const* data, size_t size, unsigned capacity)
{
    std::vector<unsigned char> values(data, data + size);
    std::unique_ptr<char[]> buffer(new char[capacity == 0 ? 1 : capacity]);
    StackInterface<char> out(buffer.get(), capacity);
    Code128Interpretation reading;
    Code128Interpreter::CheckCheckCharacter(values.data(), static_cast<unsigned>(values.size()));
    if (Code128Interpreter::Start(values.data(), static_cast<unsigned>(values.size()), out, reading)) {
        Require(out.GetCount() <= capacity);
        Require((reading.modifier & ~0x1Bu) == 0);
    } else {
        Require(out.IsEmpty());
    }
}

// Pairs of bytes as pattern keys (any 16-bit value, most of them no
// character) into the label slots.
void FuzzKeys(uint8_t const* data, size_t size, bool reverced)
{
    size_t const count = size / 2;
    std::unique_ptr<BarSymbol[]> buffer(new BarSymbol[count == 0 ? 1 : count]);
    StackInterface<BarSymbol> symbols(buffer.get(), static_cast<unsigned>(count));
    for (size_t i = 0; i < count; ++i) {
        int key = data[2 * i] | (data[2 * i + 1] << 8);
        // Mostly real characters, so that the conversion is reached.
        if ((key & 0x8000) == 0) {
            key = Code128Table::CalcKey(static_cast<unsigned>(key % Code128Table::kCharacterCount));
        }
        BarSymbol symbol;
        symbol.value = key;
        Require(symbols.Push(symbol));
    }
    CheckLabel(Instance().decoders[0], symbols, reverced);
}

// Bytes as runs, colours alternating: the low five bits give the width (1 to
// 4 modules of 48 units, or twelve modules for a quiet zone, or 1 to 16 raw
// units when bit 4 is set), the high three bits the grey.
void FuzzRuns(uint8_t const* data, size_t size)
{
    std::unique_ptr<ScanElement[]> runs(new ScanElement[size == 0 ? 1 : size]);
    int x = 0;
    for (size_t i = 0; i < size; ++i) {
        uint8_t const b = data[i];
        int const nibble = b & 0x0F;
        int const width = (b & 0x10) != 0 ? 1 + nibble : 48 * (nibble >= 12 ? 12 : 1 + nibble % 4);
        bool const light = (i & 1) == 0;
        runs[i].colour = light ? kLightRun : kDarkRun;
        runs[i].grey = light ? 600 + (b >> 5) * 50 : (b >> 5) * 50;
        runs[i].begin = x;
        runs[i].end = x + width;
        runs[i].samples = 1 + width / 16;
        x += width;
    }
    unsigned const count = static_cast<unsigned>(size);
    std::unique_ptr<BarSymbol[]> buffer(new BarSymbol[Code128Decoder::kMaxSymbols]);
    StackInterface<BarSymbol> symbols(buffer.get(), Code128Decoder::kMaxSymbols);
    Setup& s = Instance();
    for (unsigned i = 0; i < count; ++i) {
        ArrayIterator<ScanElement const> at(runs.get(), count, static_cast<int>(i), 1);
        for (Code128Decoder const& decoder : s.decoders) {
            bool negative = false;
            bool reverced = false;
            s.rate.Initialize(true);
            if (decoder.ExecuteBinarization(at, symbols, negative, reverced)) {
                Require(symbols.GetCount() >= 2 && negative == decoder.IsNegative());
                CheckLabel(decoder, symbols, reverced);
            }
        }
    }
}

// Bytes as votes: 0xFF starts a column, anything else votes for the key of
// value b % 107, or for a raw key when bit 7 is set.
void FuzzVote(uint8_t const* data, size_t size, bool reverced)
{
    std::unique_ptr<Code128BlockVote> vote(new Code128BlockVote);
    vote->AddColumn();
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF) {
            if (!vote->AddColumn()) {
                break;
            }
        } else if ((data[i] & 0x80) != 0) {
            vote->Vote(data[i] << 2);
        } else {
            vote->Vote(Code128Table::CalcKey(data[i] % Code128Table::kCharacterCount));
        }
    }
    std::unique_ptr<BarSymbol[]> buffer(new BarSymbol[Code128BlockVote::kMaxColumns]);
    StackInterface<BarSymbol> symbols(buffer.get(), Code128BlockVote::kMaxColumns);
    unsigned votes = 0;
    if (vote->Start(reverced, symbols, votes)) {
        Require(votes >= 1 && symbols.GetCount() >= 4);
        CheckLabel(Instance().decoders[0], symbols, reverced);
    } else {
        Require(symbols.IsEmpty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
    if (size < 2) {
        return 0;
    }
    uint8_t const mode = data[0];
    switch (mode % 4) {
    case 0:
        FuzzValues(data + 2, size - 2, data[1]);
        break;
    case 1:
        FuzzKeys(data + 1, size - 1, (mode & 4) != 0);
        break;
    case 2:
        FuzzRuns(data + 1, size - 1);
        break;
    default:
        FuzzVote(data + 1, size - 1, (mode & 4) != 0);
        break;
    }
    return 0;
}
