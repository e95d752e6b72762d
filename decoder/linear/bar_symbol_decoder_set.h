#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/line/bar_symbol_decoder_context.h"
#include "decoder/linear/code128/code128_decoder.h"
#include "decoder/linear/code39_code93_code11/code11_decoder.h"
#include "decoder/linear/code39_code93_code11/code39_decoder.h"
#include "decoder/linear/code39_code93_code11/code93_decoder.h"
#include "decoder/linear/data_bar/rss_decoder.h"
#include "decoder/linear/data_bar/rss_limited_decoder.h"
#include "decoder/linear/codabar/codabar_decoder.h"
#include "decoder/linear/telepen_korean_postal/korean_postal_decoder.h"
#include "decoder/linear/plessey/msi_plessey_decoder.h"
#include "decoder/linear/pdf417_row/pdf417_row_decoder.h"
#include "decoder/linear/telepen_korean_postal/telepen_decoder.h"
#include "decoder/linear/two_of_five/two_of_five_decoder.h"
#include "decoder/linear/plessey/uk_plessey_decoder.h"
#include "decoder/linear/upc_ean/upc_ean_decoder.h"

namespace DEC2DIvra {

struct DEC2DProperty;
class DataBarRoad;
class RateForTuningCalculator;

// The per-symbology decoders of the frame and the order in which the line
// decoder tries them at a candidate run. An entry whose decoder is not built
// into this firmware stays empty and is passed over.
class BarSymbolDecoderSet {
public:
    static constexpr unsigned kTrialCount = 19;
    // Entries 0 and 1 (UPC/EAN, both directions) are also tried in the
    // second third of a line.
    static constexpr unsigned kUpcEanTrialCount = 2;

    // The trial order.
    enum Trial : unsigned {
        kWpc = 0,
        kWpcReverce = 1,
        kCode39 = 2,
        kCode128 = 3,                  // option 0
        kCode128Negative = 4,          // option 256
        kCode128Bold = 5,              // option 1
        kCode128BoldNegative = 6,      // option 257
        kCodabar = 7,                  // direction 0
        kCodabarReverce = 8,           // direction 1
        kTwoOfFive = 9,
        kCode93 = 10,
        kCode93Negative = 11,
        kCode11 = 12,
        kUKPlessey = 13,
        kMSIPlessey = 14,
        kMSIPlesseyNegative = 15,
        kTelepen = 16,
        kKoreanPostal = 17,
        kPDF417Row = 18,
    };

    BarSymbolDecoderSet(DEC2DProperty const& property, RateForTuningCalculator& frameRate);
    BarSymbolDecoderSet(BarSymbolDecoderSet const&) = delete;
    BarSymbolDecoderSet& operator=(BarSymbolDecoderSet const&) = delete;

    // Null for an empty entry or an index beyond the table, and while only
    // Code 128 is tried, for every entry of another symbology.
    BarSymbolDecoder const* GetTrialDecoder(unsigned index) const
    {
        if (code128Only_ && (index < kCode128 || index > kCode128BoldNegative)) {
            return nullptr;
        }
        return index < kTrialCount ? trial_[index] : nullptr;
    }
    BarSymbolDecoder const* GetRSSLimitedDecoder() const { return code128Only_ ? nullptr : rssLimited_; }
    DataBarRoad* GetDataBarRoad() const { return code128Only_ ? nullptr : dataBar_; }

    // While set, only the Code 128 entries are tried: the rows of a
    // Codablock F symbol are read so, each band up to seven times, and no
    // other symbology's trials need run over them.
    void SetCode128Only(bool only) { code128Only_ = only; }
    BarSymbolDecoderContext const& GetContext() const { return context_; }

    // Plugs a decoder into an entry (a decoder built elsewhere, or a test's
    // own); false for an index beyond the table.
    bool SetTrialDecoder(unsigned index, BarSymbolDecoder const* decoder);
    void SetRSSLimitedDecoder(BarSymbolDecoder const* decoder) { rssLimited_ = decoder; }
    void SetDataBarRoad(DataBarRoad* road) { dataBar_ = road; }
    // The Codablock F decoder, asked by every Code 128 instance.
    void SetCodablockFRowRecognizer(CodablockFRowRecognizer const* recognizer);

private:
    BarSymbolDecoder const* trial_[kTrialCount] = {};
    BarSymbolDecoder const* rssLimited_ = nullptr;
    DataBarRoad* dataBar_ = nullptr;
    bool code128Only_ = false;
    BarSymbolDecoderContext context_;
    // The decoders, built after the context they point to.
    WPCDecoder wpc_;
    WPCReverceDecoder wpcReverce_;
    Code128Decoder code128_;
    Code128Decoder code128Negative_;
    Code128Decoder code128Bold_;
    Code128Decoder code128BoldNegative_;
    // The first character's windows the four Code 128 instances share.
    Code128FirstWindows code128FirstWindows_;
    Code39Decoder code39_;
    Code93Decoder code93_;
    Code93Decoder code93Negative_;
    Code11Decoder code11_;
    RSSDecoder rss_;
    RSSLimitedDecoder rssLimitedDecoder_;
    CodabarDecoder codabar_;
    CodabarDecoder codabarReverce_;
    TwoOfFiveDecoder twoOfFive_;
    MSIPlesseyDecoder msiPlessey_;
    MSIPlesseyDecoder msiPlesseyNegative_;
    TelepenDecoder telepen_;
    UKPlesseyDecoder ukPlessey_;
    KoreanPostalDecoder koreanPostal_;
    PDF417RowDecoder pdf417Row_;
};

}  // namespace DEC2DIvra
