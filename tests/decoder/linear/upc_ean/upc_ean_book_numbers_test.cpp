// ISBN, ISSN and ISMN forms of EAN-13 text: the ISBN-10 that zint's ISBN
// encoder started from comes back, and the published check characters.

#include <gtest/gtest.h>

#include <string>

#include "decoder/linear/upc_ean/upc_ean_book_numbers.h"
#include "tests/decoder/linear/upc_ean/upc_ean_zint_modules.h"

namespace upc_ean_test {
namespace {

using namespace DEC2DIvra;
using Form = UpcEanBookNumbers::Form;
using Settings = UpcEanBookNumbers::Settings;

constexpr UpcEanBookNumbers::enable_ifpossible kOff = UpcEanBookNumbers::DISABLE;
constexpr UpcEanBookNumbers::enable_ifpossible kOn = UpcEanBookNumbers::ENABLE;
constexpr UpcEanBookNumbers::enable_ifpossible kMaybe = UpcEanBookNumbers::IF_POSSIBLE;

struct Outcome {
    bool pass = false;
    std::string text;
    Form form = Form::kNone;
};

// Converts the text of an EAN-13 (the text as written, with or without its
// check digit) in a buffer of the given size.
Outcome Convert(std::string const& ean, Settings const& settings, std::string const& written = "",
                unsigned capacity = 32)
{
    unsigned char digits[13];
    for (int i = 0; i < 13; ++i) {
        digits[i] = static_cast<unsigned char>(ean[i] - '0');
    }
    char buffer[32];
    StackInterface<char> text(buffer, capacity);
    for (char c : written.empty() ? ean : written) {
        text.Push(c);
    }
    Outcome o;
    o.pass = UpcEanBookNumbers::Convert(digits, settings, text, o.form);
    o.text.assign(text.GetFirst(), text.GetCount());
    return o;
}

TEST(UpcEanBookNumbersTest, IsbnTenComesBackFromZintsIsbnSymbol)
{
    for (char const* isbn : {"0306406152", "316148410X", "097522980X", "0198526636", "1843560283", "0000000000"}) {
        ZintRow const row = EncodeRow(BARCODE_ISBNX, isbn);
        ASSERT_TRUE(row.ok) << isbn;
        ASSERT_EQ(row.text.size(), 13u);
        Outcome const o = Convert(row.text, Settings{kOn, kOff, kOff});
        EXPECT_TRUE(o.pass);
        EXPECT_EQ(o.text, isbn);
        EXPECT_EQ(o.form, Form::kIsbn);
    }
}

TEST(UpcEanBookNumbersTest, FormsByPrefixAndSetting)
{
    struct Case {
        char const* ean;
        Settings settings;
        bool pass;
        char const* text;
        Form form;
    } const cases[] = {
        {"9780306406157", {kOn, kOff, kOff}, true, "0306406152", Form::kIsbn},
        {"9780306406157", {kMaybe, kOff, kOff}, true, "0306406152", Form::kIsbn},
        {"9770317847001", {kOff, kOn, kOff}, true, "03178471", Form::kIssn},
        {"9771144875007", {kOff, kMaybe, kOff}, true, "1144875X", Form::kIssn},
        {"9790230671187", {kOff, kOff, kOn}, true, "M230671187", Form::kIsmn},
        // A form another setting asks for does not apply: ENABLE refuses what
        // it cannot convert, IF_POSSIBLE lets it through as it is.
        {"9780306406157", {kOff, kOn, kOff}, false, "9780306406157", Form::kNone},
        {"4006381333931", {kOn, kOff, kOff}, false, "4006381333931", Form::kNone},
        {"4006381333931", {kMaybe, kOff, kOff}, true, "4006381333931", Form::kNone},
        {"4006381333931", {kOn, kOff, kMaybe}, true, "4006381333931", Form::kNone},
        {"4006381333931", {kOff, kOff, kOff}, true, "4006381333931", Form::kNone},
        // A 979 ISBN has no ten-digit form: it stays the book's EAN-13.
        {"9791032300824", {kOn, kOff, kOff}, true, "9791032300824", Form::kNone},
        {"9798886451740", {kMaybe, kOff, kOff}, true, "9798886451740", Form::kNone},
        // 9790 is a music number, not a book.
        {"9790230671187", {kOn, kOff, kOff}, false, "9790230671187", Form::kNone},
        {"9790230671187", {kMaybe, kOff, kOff}, true, "9790230671187", Form::kNone},
    };
    for (Case const& c : cases) {
        Outcome const o = Convert(c.ean, c.settings);
        EXPECT_EQ(o.pass, c.pass) << c.ean;
        EXPECT_EQ(o.text, c.text) << c.ean;
        EXPECT_EQ(o.form, c.form) << c.ean;
    }
}

TEST(UpcEanBookNumbersTest, CheckCharactersOfEveryRemainder)
{
    // Nine digits whose weighted sum leaves each remainder: 0 -> "0",
    // 1 -> "X", r -> 11 - r.
    for (unsigned last = 0; last <= 9; ++last) {
        unsigned char digits[9] = {0, 0, 0, 0, 0, 0, 0, 0, static_cast<unsigned char>(last)};
        unsigned const r = (2 * last) % 11;
        char const expected = r == 0 ? '0' : (r == 1 ? 'X' : static_cast<char>('0' + 11 - r));
        EXPECT_EQ(UpcEanBookNumbers::CalcMod11CheckCharacter(digits, 9), expected) << last;
    }
    unsigned char const bad[7] = {1, 2, 3, 4, 5, 6, 12};
    EXPECT_EQ(UpcEanBookNumbers::CalcMod11CheckCharacter(bad, 7), '\0');
}

TEST(UpcEanBookNumbersTest, IsmnKeepsTheCheckDigitTheTextDropped)
{
    Outcome const o = Convert("9790230671187", Settings{kOff, kOff, kOn}, "979023067118");
    EXPECT_TRUE(o.pass);
    EXPECT_EQ(o.text, "M230671187");
}

TEST(UpcEanBookNumbersTest, ATextBufferTooSmallIsLeftAlone)
{
    // Ten characters do not fit in nine: the text stays the EAN as written,
    // and ENABLE then refuses it.
    Outcome const o = Convert("9780306406157", Settings{kOn, kOff, kOff}, "978030640", 9);
    EXPECT_FALSE(o.pass);
    EXPECT_EQ(o.text, "978030640");
}

}  // namespace
}  // namespace upc_ean_test
