#include "decoder/linear/upc_ean/upc_ean_decoder.h"

#include <cstdint>

#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/identifiers/upc_ean_identifiers.h"
#include "decoder/linear/upc_ean/upc_ean_book_numbers.h"
#include "decoder/linear/upc_ean/upc_ean_digits.h"
#include "decoder/linear/upc_ean/upc_ean_tables.h"

namespace DEC2DIvra {

namespace {

bool Push(StackInterface<char>& text, unsigned char digit) { return text.Push(static_cast<char>('0' + digit)); }

bool PushDigits(StackInterface<char>& text, unsigned char const* digits, unsigned count)
{
    for (unsigned i = 0; i < count; ++i) {
        if (!Push(text, digits[i])) {
            return false;
        }
    }
    return true;
}

// A header list matches when one of its entries (up to three digits,
// separated by commas) is the beginning of the prefix. Empty entries and
// entries that are no digit string name nothing.
template <class Text>
bool MatchesHeader(Text const& list, unsigned char const prefix[3])
{
    unsigned length = 0;
    bool valid = true;
    bool match = true;
    auto close = [&]() {
        bool const hit = valid && length > 0 && length <= 3 && match;
        length = 0;
        valid = true;
        match = true;
        return hit;
    };
    for (unsigned i = 0; i < list.size(); ++i) {
        std::uint32_t const c = list[i];
        if (c == ',') {
            if (close()) {
                return true;
            }
            continue;
        }
        if (c < '0' || c > '9' || length >= 3) {
            valid = false;
            ++length;
            continue;
        }
        match = match && prefix[length] == c - '0';
        ++length;
    }
    return close();
}

}  // namespace

WPCDecoder::WPCDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property)
    : BarSymbolDecoder(SYMBOLOGY_UPCA, context),
      upcA_(&property.upc_a),
      upcE_(&property.upc_e),
      ean13_(&property.ean13),
      ean8_(&property.ean8)
{
}

WPCReverceDecoder::WPCReverceDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property)
    : WPCDecoder(context, property)
{
}

bool WPCDecoder::IsAnyUpcEEnabled(bool e1) const
{
    return e1 ? (upcE_->read_upc_e1.Get() || upcE_->read_upc_e1_addon2.Get() || upcE_->read_upc_e1_addon5.Get())
              : (upcE_->read.Get() || upcE_->read_addon2.Get() || upcE_->read_addon5.Get());
}

bool WPCDecoder::HasAddonKeyForUpcE(bool e1) const
{
    return e1 ? (upcE_->read_upc_e1_addon2.Get() || upcE_->read_upc_e1_addon5.Get())
              : (upcE_->read_addon2.Get() || upcE_->read_addon5.Get());
}

bool WPCDecoder::IsAnyReadEnabled() const
{
    return upcA_->read.Get() || upcA_->read_addon2.Get() || upcA_->read_addon5.Get() || IsAnyUpcEEnabled(false) ||
           IsAnyUpcEEnabled(true) || ean13_->read.Get() || ean13_->read_addon2.Get() || ean13_->read_addon5.Get() ||
           ean8_->read.Get() || ean8_->read_addon2.Get() || ean8_->read_addon5.Get();
}

bool WPCDecoder::IsEnableAnyAddon() const
{
    return upcA_->read_addon2.Get() || upcA_->read_addon5.Get() || HasAddonKeyForUpcE(false) ||
           HasAddonKeyForUpcE(true) || ean13_->read_addon2.Get() || ean13_->read_addon5.Get() ||
           ean8_->read_addon2.Get() || ean8_->read_addon5.Get() || ean13_->enable_forced_addon1.Get() ||
           ean13_->enable_forced_addon2.Get() || ean13_->magazine_code.Get() ||
           ean13_->forced_addon2_headers.Get().size() != 0 || ean13_->forced_addon5_headers.Get().size() != 0;
}

unsigned WPCDecoder::CheckForcedAddon(unsigned char const prefix[3]) const
{
    bool const forced1 = ean13_->enable_forced_addon1.Get();
    bool const forced2 = ean13_->enable_forced_addon2.Get();
    bool const magazine = ean13_->magazine_code.Get();
    auto const& headers2 = ean13_->forced_addon2_headers.Get();
    auto const& headers5 = ean13_->forced_addon5_headers.Get();
    if (!forced1 && !forced2 && !magazine && headers2.size() == 0 && headers5.size() == 0) {
        return 0;
    }
    unsigned const value = 100u * prefix[0] + 10u * prefix[1] + prefix[2];
    if (forced1 && (value == 378 || value == 379 || value == 529)) {
        return kForcedAddon2 | kForcedAddon5;
    }
    if (forced2 && (value == 434 || value == 439 || value == 414 || value == 419 || value == 977 || value == 978)) {
        return kForcedAddon2 | kForcedAddon5;
    }
    if (magazine && value == 491) {
        return kForcedAddon5;
    }
    return (MatchesHeader(headers2, prefix) ? kForcedAddon2 : 0u) | (MatchesHeader(headers5, prefix) ? kForcedAddon5 : 0u);
}

bool WPCDecoder::CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const
{
    UpcEanDigits digits;
    return digits.Set(symbols, reverced) && digits.Check();
}

bool WPCDecoder::CountModule(StackInterface<BarSymbol> const& symbols, unsigned& modules) const
{
    UpcEanDigits digits;
    if (!digits.Set(symbols, false) || digits.GetAddonCount() != 0) {
        return false;
    }
    switch (digits.GetMainCount()) {
    case 12: modules = 12 * 7 + 5; return true;
    case 8: modules = 8 * 7 + 5; return true;
    case 6: modules = 6 * 7; return true;
    default: return false;
    }
}

bool WPCDecoder::CalcDecodedLineSegment(GrayImage const& image, ScanLineSegment const& line, bool reverced,
                                        StackInterface<BarSymbol> const& symbols, LineSegment& segment) const
{
    UpcEanDigits digits;
    if (!reverced || !digits.Set(symbols, reverced) || digits.GetAddonCount() == 0) {
        return BarSymbolDecoder::CalcDecodedLineSegment(image, line, reverced, symbols, segment);
    }
    // The add-on lies before the main symbol on this line: the segment runs
    // from the main symbol's far end back to the add-on's.
    Point begin;
    Point end;
    if (!line.CalcLineCoordPoint(image, symbols[digits.GetMainCount() - 1].end, begin) ||
        !line.CalcLineCoordPoint(image, symbols.GetTop().begin, end)) {
        return false;
    }
    segment = LineSegment{begin, end};
    return true;
}

bool WPCDecoder::Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const
{
    label.identifier = CommonSymbologyIdentifier();
    label.structuredAppend = tagStructuredAppend{};
    label.data.Clear();
    UpcEanDigits digits;
    if (!digits.Set(symbols, reverced) || !digits.Check()) {
        return false;
    }
    unsigned const addon = digits.GetAddonCount();
    unsigned modifier = addon == 2 ? kAddon2 : (addon == 5 ? kAddon5 : 0u);
    StackInterface<char>& text = label.data;
    unsigned char main[UpcEanDigits::kMaxMain];
    for (unsigned i = 0; i < digits.GetMainCount(); ++i) {
        main[i] = digits.GetMain(i);
    }
    bool written = false;
    bool admitted = false;
    bool ean13 = false;
    unsigned char full[13] = {};
    tagSymbology symbology = SYMBOLOGY_NONE;

    if (digits.GetMainCount() == 12) {
        // WriteWPC12
        unsigned char const leading = digits.CalcLeadingDigit();
        full[0] = leading;
        for (unsigned i = 0; i < 12; ++i) {
            full[i + 1] = main[i];
        }
        // The forced state is taken from these very digits: the word a scan
        // leaves may meanwhile belong to another line's symbol.
        unsigned const forced = CheckForcedAddon(full);
        if (!digits.IsUpca()) {
            ean13 = true;
            symbology = SYMBOLOGY_EAN13;
            bool const check = ean13_->transmit_check_digit.Get();
            modifier |= check ? kCheckDigit : 0u;
            written = PushDigits(text, full, check ? 13 : 12);
            admitted = addon == 0 ? (ean13_->read.Get() && forced == 0)
                                  : (addon == 2 ? (ean13_->read_addon2.Get() || (forced & kForcedAddon2) != 0)
                                                : (ean13_->read_addon5.Get() || (forced & kForcedAddon5) != 0));
        } else {
            symbology = SYMBOLOGY_UPCA;
            bool const lead = upcA_->transmit_leading_digit.Get();
            bool const check = upcA_->transmit_check_digit.Get();
            modifier |= (check ? kCheckDigit : 0u) | (lead ? kLeadingDigitOrIsbn : 0u);
            written = (!lead || Push(text, 0)) && PushDigits(text, main, check ? 12 : 11);
            // A forced prefix demands an add-on of a UPC-A but admits none:
            // only the UPC-A add-on keys do.
            admitted = addon == 0 ? (upcA_->read.Get() && forced == 0)
                                  : (addon == 2 ? upcA_->read_addon2.Get() : upcA_->read_addon5.Get());
        }
    } else if (digits.GetMainCount() == 8) {
        // WriteWPC8
        symbology = SYMBOLOGY_EAN8;
        bool const check = ean8_->transmit_check_digit.Get();
        modifier |= check ? kCheckDigit : 0u;
        written = PushDigits(text, main, check ? 8 : 7);
        admitted = addon == 0 ? ean8_->read.Get() : (addon == 2 ? ean8_->read_addon2.Get() : ean8_->read_addon5.Get());
    } else {
        bool const e1 = digits.IsUpcE1();
        unsigned char const system = e1 ? 1 : 0;
        unsigned char const check = digits.CalcUpcECheckDigit();
        if (check > 9) {
            return false;
        }
        if (upcE_->transmit_as_upc_a.Get()) {
            // UpcaConversion: the UPC-A form, under the UPC-A keys.
            symbology = SYMBOLOGY_UPCA;
            unsigned char upca[11];
            upca[0] = system;
            if (!UpcEanTables::ExpandUpcE(main, upca + 1)) {
                return false;
            }
            bool const lead = upcA_->transmit_leading_digit.Get();
            bool const transmitCheck = upcA_->transmit_check_digit.Get();
            modifier |= (transmitCheck ? kCheckDigit : 0u) | (lead ? kLeadingDigitOrIsbn : 0u);
            written = (!lead || Push(text, 0)) && PushDigits(text, upca, 11) &&
                      (!transmitCheck || Push(text, static_cast<unsigned char>(UpcEanTables::CalcUpcACheckDigit(upca))));
        } else {
            // WriteWPC6
            symbology = SYMBOLOGY_UPCE;
            bool const lead = upcE_->transmit_leading_digit.Get();
            bool const transmitCheck = upcE_->transmit_check_digit.Get();
            modifier |= (transmitCheck ? kCheckDigit : 0u) | (lead ? kLeadingDigitOrIsbn : 0u) |
                        (e1 ? kUpcE1OrIssn : 0u);
            written = (!lead || Push(text, system)) && PushDigits(text, main, 6) && (!transmitCheck || Push(text, check));
        }
        admitted = e1 ? (addon == 0 ? upcE_->read_upc_e1.Get()
                                    : (addon == 2 ? upcE_->read_upc_e1_addon2.Get() : upcE_->read_upc_e1_addon5.Get()))
                      : (addon == 0 ? upcE_->read.Get()
                                    : (addon == 2 ? upcE_->read_addon2.Get() : upcE_->read_addon5.Get()));
    }
    // Add-on digits follow the main symbol's text directly.
    if (written && addon == 2) {
        written = digits.WriteAddon2(text);
    } else if (written && addon == 5) {
        written = digits.WriteAddon5(text);
    }
    if (!written || !admitted) {
        text.Clear();
        return false;
    }
    if (ean13 && addon == 0) {
        // IsxxConversion
        using Mode = UpcEanBookNumbers::enable_ifpossible;
        UpcEanBookNumbers::Settings const settings{static_cast<Mode>(ean13_->enable_isbn.Get()),
                                                   static_cast<Mode>(ean13_->enable_issn.Get()),
                                                   static_cast<Mode>(ean13_->enable_ismn.Get())};
        UpcEanBookNumbers::Form form = UpcEanBookNumbers::Form::kNone;
        if (!UpcEanBookNumbers::Convert(full, settings, text, form)) {
            text.Clear();
            return false;
        }
        modifier |= form == UpcEanBookNumbers::Form::kIsbn   ? kLeadingDigitOrIsbn
                    : form == UpcEanBookNumbers::Form::kIssn ? kUpcE1OrIssn
                    : form == UpcEanBookNumbers::Form::kIsmn ? kIsmn
                                                             : 0u;
    }
    switch (symbology) {
    case SYMBOLOGY_EAN13: label.identifier.Copy(Ean13Identifier(modifier)); break;
    case SYMBOLOGY_EAN8: label.identifier.Copy(Ean8Identifier(modifier)); break;
    case SYMBOLOGY_UPCE: label.identifier.Copy(UpceIdentifier(modifier)); break;
    default: label.identifier.Copy(UpcaIdentifier(modifier)); break;
    }
    return true;
}

}  // namespace DEC2DIvra
