#include "decoder/linear/bar_symbol_decoder_set.h"

#include "decoder/core/property/dec2d_property.h"

namespace DEC2DIvra {

BarSymbolDecoderSet::BarSymbolDecoderSet(DEC2DProperty const& property, RateForTuningCalculator& frameRate)
    : context_{&property.detail_of_decoder, &frameRate},
      wpc_(context_, property),
      wpcReverce_(context_, property),
      code128_(context_, 0, property),
      code128Negative_(context_, Code128Decoder::kNegative, property),
      code128Bold_(context_, Code128Decoder::kForBigger, property),
      code128BoldNegative_(context_, Code128Decoder::kForBigger | Code128Decoder::kNegative, property),
      code39_(context_, property),
      code93_(context_, false, property),
      code93Negative_(context_, true, property),
      code11_(context_, property),
      rss_(property.detail_of_decoder, property.gs1_databar, property.composite),
      rssLimitedDecoder_(context_, property),
      codabar_(context_, false, property),
      codabarReverce_(context_, true, property),
      twoOfFive_(context_, property),
      msiPlessey_(context_, false, property),
      msiPlesseyNegative_(context_, true, property),
      telepen_(context_, property),
      ukPlessey_(context_, property),
      koreanPostal_(context_, property),
      pdf417Row_(context_, property)
{
    // Each symbology decoder is a member built with the context and its
    // property groups, and entered at its place in the trial order.
    trial_[kWpc] = &wpc_;
    trial_[kWpcReverce] = &wpcReverce_;
    trial_[kCode128] = &code128_;
    trial_[kCode128Negative] = &code128Negative_;
    trial_[kCode128Bold] = &code128Bold_;
    trial_[kCode128BoldNegative] = &code128BoldNegative_;
    for (Code128Decoder* decoder : {&code128_, &code128Negative_, &code128Bold_, &code128BoldNegative_}) {
        decoder->SetFirstWindows(&code128FirstWindows_);
    }
    trial_[kCode39] = &code39_;
    trial_[kCode93] = &code93_;
    trial_[kCode93Negative] = &code93Negative_;
    trial_[kCode11] = &code11_;
    rssLimited_ = &rssLimitedDecoder_;
    dataBar_ = &rss_;
    trial_[kCodabar] = &codabar_;
    trial_[kCodabarReverce] = &codabarReverce_;
    trial_[kTwoOfFive] = &twoOfFive_;
    trial_[kMSIPlessey] = &msiPlessey_;
    trial_[kMSIPlesseyNegative] = &msiPlesseyNegative_;
    trial_[kTelepen] = &telepen_;
    trial_[kUKPlessey] = &ukPlessey_;
    trial_[kKoreanPostal] = &koreanPostal_;
    trial_[kPDF417Row] = &pdf417Row_;
}

void BarSymbolDecoderSet::SetCodablockFRowRecognizer(CodablockFRowRecognizer const* recognizer)
{
    for (Code128Decoder* decoder : {&code128_, &code128Negative_, &code128Bold_, &code128BoldNegative_}) {
        decoder->SetCodablockFRowRecognizer(recognizer);
    }
}

bool BarSymbolDecoderSet::SetTrialDecoder(unsigned index, BarSymbolDecoder const* decoder)
{
    if (index >= kTrialCount) {
        return false;
    }
    trial_[index] = decoder;
    return true;
}

}  // namespace DEC2DIvra
