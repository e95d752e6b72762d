// 2 of 5 check digits and the output options applied to a read.

#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/identifiers/two_of_five_identifiers.h"
#include "decoder/linear/line/label_text.h"
#include "decoder/linear/two_of_five/two_of_five_decoder.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kMaxDigits = 2 * TwoOfFiveDecoder::kMaxSymbols;
// Without a length record, reads shorter than these are refused: a scan line
// that leaves another symbol through its bar ends can fake a start, a digit
// or a pair, and a stop with a quiet zone after it.
constexpr unsigned kShortestInterleaved = 6;
constexpr unsigned kShortestDiscrete = 2;
// S-code: a pair and the single character; the one-character form reads
// where its length record admits it.
constexpr unsigned kShortestSCode = 3;
// Chinese Post has no check digit and opens as Interleaved 2 of 5 does: a
// few of its digits are met in blurred Interleaved pairs.
constexpr unsigned kShortestChinesePost = 4;

constexpr unsigned char kIataWeights[14] = {1, 3, 2, 6, 4, 5, 1, 3, 2, 6, 4, 5, 1, 3};

}  // namespace

bool TwoOfFiveDecoder::CheckModulus10Weight3(unsigned char const* digits, unsigned count)
{
    if (count == 0) {
        return false;
    }
    unsigned sum = 0;
    for (unsigned i = 0; i + 1 < count; ++i) {
        // From the right of the data: 3, 1, 3, ...
        unsigned const fromRight = count - 2 - i;
        sum += digits[i] * (fromRight % 2 == 0 ? 3u : 1u);
    }
    return digits[count - 1] == (10 - sum % 10) % 10;
}

bool TwoOfFiveDecoder::CheckModulus10Doubling(unsigned char const* digits, unsigned count)
{
    if (count < 2 || count % 2 != 0) {
        return false;
    }
    unsigned sum = 0;
    for (unsigned i = 0; i + 1 < count; ++i) {
        unsigned const v = i % 2 == 0 ? 2u * digits[i] : digits[i];
        sum += i % 2 == 0 ? v % 10 + v / 10 : v;
    }
    return digits[count - 1] == (10 - sum % 10) % 10;
}

bool TwoOfFiveDecoder::CheckIata(unsigned char const* digits, unsigned count, unsigned method)
{
    if (count != 15 || method < 1 || method > 3) {
        return false;
    }
    unsigned const weighed = method == 3 ? 14u : 10u;
    unsigned sum = 0;
    for (unsigned k = 0; k < weighed; ++k) {
        sum += kIataWeights[k] * digits[13 - k];
    }
    if (method == 1) {
        sum += 4u * digits[0];
    }
    return digits[14] == sum % 7;
}

bool TwoOfFiveDecoder::CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const
{
    unsigned char digits[kMaxDigits];
    unsigned count = 0;
    tagSymbology type = SYMBOLOGY_NONE;
    if (!CollectDigits(symbols, reverced, digits, count, type)) {
        return false;
    }
    switch (type) {
    case SYMBOLOGY_INDUSTRIAL2OF5:
        return !industrial_->check_check_digit.Get() || CheckModulus10Weight3(digits, count);
    case SYMBOLOGY_MATRIX2OF5:
        return !matrix_->check_check_digit.Get() || CheckModulus10Weight3(digits, count);
    case SYMBOLOGY_INTERLEAVED2OF5:
        if (!interleaved_->check_check_digit.Get()) {
            return true;
        }
        switch (interleaved_->check_digit_type.Get()) {
        case 0:
            return CheckModulus10Weight3(digits, count);
        case 1:
            return CheckModulus10Doubling(digits, count);
        default:
            return true;
        }
    case SYMBOLOGY_IATA:
        return iata_->check_check_digit.Get() == 0 || CheckIata(digits, count, iata_->check_check_digit.Get());
    case SYMBOLOGY_SCODE:
        // The single character checks the pairs: their second digits weigh 3.
        return !scode_->check_check_digit.Get() || CheckModulus10Weight3(digits, count);
    case SYMBOLOGY_CHINESE_POST:
        return true;
    default:
        return false;
    }
}

bool TwoOfFiveDecoder::CheckOption(tagSymbology type, DecodedLabel& label) const
{
    bool verified = false;
    bool transmit = true;
    ivra_configuration::FixedLength length{};
    switch (type) {
    case SYMBOLOGY_INDUSTRIAL2OF5:
        verified = industrial_->check_check_digit.Get();
        transmit = industrial_->transmit_check_digit.Get();
        length = industrial_->fixed_length.Get();
        break;
    case SYMBOLOGY_INTERLEAVED2OF5:
        verified = interleaved_->check_check_digit.Get() && interleaved_->check_digit_type.Get() <= 1;
        transmit = interleaved_->transmit_check_digit.Get();
        length = interleaved_->fixed_length.Get();
        break;
    case SYMBOLOGY_MATRIX2OF5:
        verified = matrix_->check_check_digit.Get();
        transmit = matrix_->transmit_check_digit.Get();
        length = matrix_->fixed_length.Get();
        break;
    case SYMBOLOGY_IATA:
        verified = iata_->check_check_digit.Get() != 0;
        transmit = iata_->transmit_check_digit.Get();
        length = iata_->fixed_length.Get();
        break;
    case SYMBOLOGY_SCODE:
        verified = scode_->check_check_digit.Get();
        transmit = scode_->transmit_check_digit.Get();
        length = scode_->fixed_length.Get();
        break;
    case SYMBOLOGY_CHINESE_POST:
        length = matrix_->fixed_length.Get();
        break;
    default:
        return false;
    }
    unsigned const count = label.data.GetCount();
    bool const unrestricted = length.count == 0 && length.minimum == 0;
    unsigned const shortest = type == SYMBOLOGY_INTERLEAVED2OF5 ? kShortestInterleaved
                              : type == SYMBOLOGY_SCODE         ? kShortestSCode
                              : type == SYMBOLOGY_CHINESE_POST  ? kShortestChinesePost
                                                                : kShortestDiscrete;
    if (!length.Admits(count) || (unrestricted && count < shortest)) {
        return false;
    }
    // Only a verified check digit is taken off: unverified, the last digit is data.
    bool const removed = verified && !transmit;
    if (removed && !RemoveLabelCharacter(label.data, label.data.GetCount() - 1)) {
        return false;
    }
    unsigned modifier = 0;
    switch (type) {
    case SYMBOLOGY_INDUSTRIAL2OF5:
        modifier = (removed ? 1u << 9 : 0u) | (verified ? 1u << 8 : 0u);
        label.identifier.Copy(Industrial2of5Identifier(modifier));
        break;
    case SYMBOLOGY_INTERLEAVED2OF5:
        modifier = (verified ? 1u : 0u) | (removed ? 2u : 0u);
        label.identifier.Copy(Interleaved2of5Identifier(modifier));
        break;
    case SYMBOLOGY_MATRIX2OF5:
        modifier = (verified ? 1u << 8 : 0u) | (removed ? 1u << 9 : 0u);
        label.identifier.Copy(Matrix2of5Identifier(modifier));
        break;
    case SYMBOLOGY_IATA:
        modifier = (verified ? 1u : 0u) | (removed ? 2u : 0u);
        label.identifier.Copy(IataIdentifier(modifier));
        break;
    case SYMBOLOGY_SCODE:
        // As Interleaved 2 of 5: a leading 0 makes the digits pairs again.
        if (scode_->transmit_as_interleaved2of5.Get() && !InsertLabelCharacter(label.data, 0, '0')) {
            return false;
        }
        modifier = (verified ? 1u << 8 : 0u) | (removed ? 1u << 9 : 0u) |
                   (scode_->transmit_as_interleaved2of5.Get() ? 1u << 10 : 0u);
        label.identifier.Copy(SCodeIdentifier(modifier));
        break;
    default:
        label.identifier.Copy(ChinesePostIdentifier(0));
        break;
    }
    return true;
}

bool TwoOfFiveDecoder::Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const
{
    label.data.Clear();
    unsigned char digits[kMaxDigits];
    unsigned count = 0;
    tagSymbology type = SYMBOLOGY_NONE;
    if (!CollectDigits(symbols, reverced, digits, count, type) || !IsEnabled(type)) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        if (!label.data.Push(static_cast<char>('0' + digits[i]))) {
            label.data.Clear();
            return false;
        }
    }
    if (!CheckOption(type, label)) {
        label.data.Clear();
        return false;
    }
    return true;
}

}  // namespace DEC2DIvra
