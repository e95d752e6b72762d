#include "decoder/linear/data_bar/rss_calculation.h"

#include "decoder/core/arithmetic/dec_math.h"

namespace DEC2DIvra {

namespace {

// Every weight row of the three forms is a run of powers of three: element k
// of the character at position p weighs 3^(n p + k) modulo the form's
// modulus, n being the elements per character.
unsigned PowerOfThree(unsigned exponent, unsigned modulus)
{
    unsigned result = 1;
    for (unsigned i = 0; i < exponent; ++i) {
        result = result * 3 % modulus;
    }
    return result;
}

long long Comb(long long n, long long r)
{
    if (n < 0 || r < 0 || r > n) {
        return 0;
    }
    return DecMath::Combination(static_cast<unsigned>(n), static_cast<unsigned>(r));
}

}  // namespace

bool RSSCalculation::CalcRSSValue(unsigned const* widths, unsigned count, unsigned maxWidth, bool noNarrow,
                                  unsigned& value)
{
    value = 0;
    if (widths == nullptr || count < 2) {
        return false;
    }
    long long n = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (widths[i] == 0 || widths[i] > maxWidth) {
            return false;
        }
        n += widths[i];
    }
    long long const elements = count;
    long long result = 0;
    bool narrowSeen = false;
    for (long long bar = 0; bar < elements - 1; ++bar) {
        long long width = 1;
        bool narrow = true;
        for (; width < static_cast<long long>(widths[bar]); ++width, narrow = false) {
            // Lists that put `width` here and anything in the rest.
            long long sub = Comb(n - width - 1, elements - bar - 2);
            if (!noNarrow && !narrowSeen && !narrow &&
                n - width - (elements - bar - 1) >= elements - bar - 1) {
                sub -= Comb(n - width - (elements - bar), elements - bar - 2);
            }
            if (elements - bar - 1 > 1) {
                long long less = 0;
                for (long long widest = n - width - (elements - bar - 2); widest > static_cast<long long>(maxWidth);
                     --widest) {
                    less += Comb(n - width - widest - 1, elements - bar - 3);
                }
                sub -= less * (elements - 1 - bar);
            } else if (n - width > static_cast<long long>(maxWidth)) {
                --sub;
            }
            result += sub;
        }
        narrowSeen = narrowSeen || widths[bar] == 1;
        n -= width;
    }
    if (result < 0) {
        return false;
    }
    value = static_cast<unsigned>(result);
    return true;
}

unsigned RSSCalculation::OmniWeight(unsigned position, unsigned k) { return PowerOfThree(8 * (position & 3) + k, 79); }

unsigned RSSCalculation::ExpandedWeight(unsigned position, unsigned k)
{
    return position == 0 ? 0 : PowerOfThree(8 * (position - 1) + k, 211);
}

unsigned RSSCalculation::LimitedWeight(unsigned side, unsigned k) { return PowerOfThree(14 * (side & 1) + k, 89); }

char RSSCalculation::CalcGtinCheckDigit(char const* digits13)
{
    unsigned sum = 0;
    for (unsigned i = 0; i < 13; ++i) {
        unsigned const d = static_cast<unsigned>(digits13[i] - '0');
        sum += (i % 2 == 0) ? 3 * d : d;
    }
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

}  // namespace DEC2DIvra

namespace DEC2DIvra {

bool RSSCalculation::WriteGtin(unsigned long long value, bool applicationIdentifier, bool checkDigit,
                               StackInterface<char>& text)
{
    char digits[14];
    for (unsigned k = 13; k-- > 0;) {
        digits[k] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    digits[13] = '\0';
    text.Clear();
    bool ok = !applicationIdentifier || (text.Push('0') && text.Push('1'));
    for (unsigned k = 0; k < 13 && ok; ++k) {
        ok = text.Push(digits[k]);
    }
    ok = ok && (!checkDigit || text.Push(CalcGtinCheckDigit(digits)));
    if (!ok) {
        text.Clear();
    }
    return ok;
}

}  // namespace DEC2DIvra
