#include "decoder/linear/upc_ean/upc_ean_book_numbers.h"

namespace DEC2DIvra {

namespace {

bool StartsWith(unsigned char const digits[13], char const* prefix)
{
    for (unsigned i = 0; prefix[i] != '\0'; ++i) {
        if (digits[i] != static_cast<unsigned char>(prefix[i] - '0')) {
            return false;
        }
    }
    return true;
}

bool IsOn(UpcEanBookNumbers::enable_ifpossible mode)
{
    return mode == UpcEanBookNumbers::ENABLE || mode == UpcEanBookNumbers::IF_POSSIBLE;
}

// Replaces the text by the given digits of the EAN and a final character;
// nothing changes when the text cannot hold them or a digit is not one.
bool Write(StackInterface<char>& text, char lead, unsigned char const* digits, unsigned count, char last)
{
    unsigned const needed = count + 1 + (lead != '\0' ? 1u : 0u);
    if (text.GetCapacity() < needed || last == '\0') {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        if (digits[i] > 9) {
            return false;
        }
    }
    text.Clear();
    if (lead != '\0') {
        text.Push(lead);
    }
    for (unsigned i = 0; i < count; ++i) {
        text.Push(static_cast<char>('0' + digits[i]));
    }
    text.Push(last);
    return true;
}

}  // namespace

char UpcEanBookNumbers::CalcMod11CheckCharacter(unsigned char const* digits, unsigned count)
{
    unsigned sum = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (digits[i] > 9) {
            return '\0';
        }
        sum += (count + 1 - i) * digits[i];
    }
    unsigned const r = sum % 11;
    if (r == 0) {
        return '0';
    }
    return r == 1 ? 'X' : static_cast<char>('0' + (11 - r));
}

bool UpcEanBookNumbers::IsbnConversion(unsigned char const digits[13], StackInterface<char>& text)
{
    return Write(text, '\0', digits + 3, 9, CalcMod11CheckCharacter(digits + 3, 9));
}

bool UpcEanBookNumbers::IssnConversion(unsigned char const digits[13], StackInterface<char>& text)
{
    return Write(text, '\0', digits + 3, 7, CalcMod11CheckCharacter(digits + 3, 7));
}

bool UpcEanBookNumbers::IsmnConversion(unsigned char const digits[13], StackInterface<char>& text)
{
    // The ISMN-10 keeps the EAN's own check digit, whatever the check-digit
    // setting did to the text.
    return digits[12] <= 9 && Write(text, 'M', digits + 4, 8, static_cast<char>('0' + digits[12]));
}

bool UpcEanBookNumbers::Convert(unsigned char const digits[13], Settings const& settings, StackInterface<char>& text,
                                Form& form)
{
    form = Form::kNone;
    if (StartsWith(digits, "9790") && IsOn(settings.ismn)) {
        if (IsmnConversion(digits, text)) {
            form = Form::kIsmn;
            return true;
        }
    } else if (StartsWith(digits, "978") && IsOn(settings.isbn)) {
        if (IsbnConversion(digits, text)) {
            form = Form::kIsbn;
            return true;
        }
    } else if (StartsWith(digits, "977") && IsOn(settings.issn)) {
        if (IssnConversion(digits, text)) {
            form = Form::kIssn;
            return true;
        }
    } else if (StartsWith(digits, "979") && !StartsWith(digits, "9790") && IsOn(settings.isbn)) {
        // A 979 ISBN has no ten-digit form (its last nine digits would name a
        // different, 978 book): it stays an EAN-13 and is read as a book.
        return true;
    }
    if (settings.isbn == DISABLE && settings.issn == DISABLE && settings.ismn == DISABLE) {
        return true;
    }
    return settings.isbn == IF_POSSIBLE || settings.issn == IF_POSSIBLE || settings.ismn == IF_POSSIBLE;
}

}  // namespace DEC2DIvra
