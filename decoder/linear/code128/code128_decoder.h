#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/code128/code128_codablock_f_row_recognizer.h"
#include "decoder/linear/code128/code128_partial_scan_data.h"
#include "decoder/linear/code128/code128_table.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct Code128Property;
struct Gs1128Property;
struct CompositeProperty;
struct ReadAndLengthProperty;

// The first character's windows from one run after each pass of noise
// removal. Loading and noise removal depend on the line's runs alone, not on
// the polarity or the classifier, so the four Code 128 instances tried at a
// run in turn share them: the first loads, the others reuse. Windows are
// produced as far as they are asked for. The runs they were made from are
// kept, and a window is reused only while the line holds the same runs at
// the same place.
class Code128FirstWindows {
public:
    static constexpr unsigned kPasses = 16;
    // Runs a reuse is checked against; windows made from more are remade.
    static constexpr unsigned kMaxKeptRuns = 96;

    Code128FirstWindows() = default;
    Code128FirstWindows(Code128FirstWindows const&) = delete;
    Code128FirstWindows& operator=(Code128FirstWindows const&) = delete;

    // Points the windows at the run start, keeping those already made from
    // it when the line still holds the runs they read.
    void Begin(ArrayIterator<ScanElement const> const& start);
    // The window after `pass` noise removals, null when loading or one of
    // the removals failed, or pass is kPasses or more.
    Code128PartialScanData const* Get(unsigned pass);

private:
    bool Holds(ArrayIterator<ScanElement const> const& start) const;
    // Keeps the line's runs up to index last (clamped to the line).
    void KeepRunsTo(long long last);

    Code128PartialScanData windows_[kPasses];
    Code128PartialScanData scratch_;
    ArrayIterator<ScanElement const> start_;
    unsigned made_ = 0;     // windows made
    bool ended_ = false;    // the next window cannot be made
    bool kept_ = false;     // runs_ covers every run read so far
    long long first_ = 0;   // line index of runs_[0]
    unsigned runCount_ = 0;
    ScanElement runs_[kMaxKeptRuns];
};

// Code 128 and GS1-128 from the runs of one scan line. Four instances sit in
// the trial order: dark bars on light and light bars on dark, each with the
// magnitude classifier (after the contrast width correction) and with the
// bar/space pair classifier meant for bold print.
class Code128Decoder final : public BarSymbolDecoder {
public:
    // Option word bits.
    static constexpr unsigned kForBigger = 1u << 0;  // pair classifier, no width correction
    static constexpr unsigned kNegative = 1u << 8;   // light bars on a dark ground

    // Modifier bits beside those of the data (Code128Interpretation).
    static constexpr unsigned kLinkageNext = 1u << 8;
    static constexpr unsigned kLinkagePrevious = 1u << 9;
    static constexpr unsigned kCodablockFRow = 1u << 10;
    static constexpr unsigned kCodablockFCodeC = 1u << 11;

    // The characters a line may hold; longer reads are refused.
    static constexpr unsigned kMaxSymbols = 512;
    // Passes of noise removal over the first character's window.
    static constexpr unsigned kMaxNoisePasses = 16;
    // How much better (hundredths of a square module) another character must
    // fit the edges of a blurred window to refuse the character of the
    // magnitude classifier and of the pair classifier (Classify): the least
    // margins that kept the reads of the classifiers alone on heavily
    // blurred and on steeply slanted frames (Code128ReadTest.ReadRates, the
    // combined-line road tests, the Code 128 read-rate bench).
    static constexpr unsigned kBlurredMagnitudesSlack = 15;
    static constexpr unsigned kBlurredPairsSlack = 80;

    static Code128Table const& table;

    // The context and the property table must outlive the decoder.
    Code128Decoder(BarSymbolDecoderContext const& context, unsigned option, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
    bool CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const override;
    unsigned CountLeastReadRuns() const override;
    bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const override;
    // The multi-line road: one column of characters after another across the
    // lines of a band, from the start column the frame hands in; nonzero when
    // a closing character was seen on some line.
    bool ExecuteBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                  StackInterface<MultiLineBlockData>& blocks, bool negative,
                                  bool& reverced) const override;
    // The columns voted into one read (Code128BlockVote).
    bool MakeBarSymbolArray(StackInterface<MultiLineBlockData> const& blocks, bool& reverced,
                            StackInterface<BarSymbol>& symbols, unsigned& votes) const override;
    // 11 modules for every character, the stop included.
    bool CountModule(StackInterface<BarSymbol> const& symbols, unsigned& modules) const override;
    // A Codablock F row while Codablock F reading is on.
    bool IsStackedRow(StackInterface<BarSymbol> const& symbols, bool reverced) const override;

    // The Codablock F decoder plugs in here; null takes every read as Code 128.
    void SetCodablockFRowRecognizer(CodablockFRowRecognizer const* recognizer) { rows_ = recognizer; }
    // Windows shared with the other instances; null loads them for each read.
    void SetFirstWindows(Code128FirstWindows* windows) { firstWindows_ = windows; }

    unsigned GetOption() const { return option_; }
    bool IsNegative() const { return (option_ & kNegative) != 0; }
    bool IsForBigger() const { return (option_ & kForBigger) != 0; }
    // The composite group the composite reader consults with a GS1-128 read.
    CompositeProperty const& GetCompositeProperty() const { return *composite_; }

    // A symbol value that opens (closes) a read in its reading direction:
    // the start characters, or the stop when met from the stop end.
    static bool IsOpening(int value, bool reverced);
    static bool IsClosing(int value, bool reverced);

    // The symbol values of a read in reading order, from its first start
    // character on; false when a key is no Code 128 character, no start
    // character is met or more than `capacity` values would result.
    static bool CollectValues(StackInterface<BarSymbol> const& symbols, bool reverced, unsigned char* values,
                              unsigned capacity, unsigned& count);

private:
    bool IsGateOpen() const;
    // Specks the quiet zone may hold: 2 with the smart check, else none.
    unsigned GetQuietZoneSpecks() const;
    // The window's character by this instance's classifier, if its run edges
    // fit that character best; the window itself stays as measured.
    // `reference` is the contrast of the read's opening character (of the
    // window itself for an opening). With opening set only an opening
    // character is taken, and windows that cannot hold one are refused
    // before they are classified.
    bool Classify(Code128PartialScanData const& window, bool reverced, bool opening, int reference,
                  BarSymbol& symbol) const;
    // The quiet zone before or after a start or stop window; innerLevels
    // chooses the threshold from the window's inner grey levels.
    bool CheckQuietZone(Code128PartialScanData const& window, bool after, bool innerLevels, unsigned specks) const;
    // A column of the multi-line road on every line next to the column before;
    // `opening` is the start column.
    bool ReadColumn(StackInterface<ArrayIterator<ScanElement const>> const& lines, MultiLineBlockData const& opening,
                    MultiLineBlockData const& previous, bool negative, bool reverced, MultiLineBlockData& column,
                    bool& closed) const;
    bool ReadFirst(ArrayIterator<ScanElement const> const& start, bool reverced, Code128FirstWindows& windows,
                   Code128PartialScanData& window, BarSymbol& symbol) const;

    unsigned option_;
    Code128Property const* code128_;
    Gs1128Property const* gs1_128_;
    CompositeProperty const* composite_;  // held for the composite reader, not read here
    ReadAndLengthProperty const* codablockF_;
    CodablockFRowRecognizer const* rows_ = nullptr;
    Code128FirstWindows* firstWindows_ = nullptr;
};

}  // namespace DEC2DIvra
