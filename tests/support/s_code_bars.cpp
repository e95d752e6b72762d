#include "tests/support/s_code_bars.h"

namespace support {

namespace {

// Wide elements of each digit, first element first (weights 1, 2, 4, 7, parity).
constexpr char const* kPatterns[10] = {"00110", "10001", "01001", "11000", "00101",
                                       "10100", "01100", "00011", "10010", "01010"};

double width(char const* pattern, int k, double wide) { return pattern[k] == '1' ? wide : 1.0; }

} // namespace

std::vector<double> sCodeBars(std::string const& digits, double wide)
{
    std::vector<double> runs{1, 1, 1, 1};
    size_t i = 0;
    for (; i + 1 < digits.size(); i += 2) {
        char const* bars = kPatterns[digits[i] - '0'];
        char const* spaces = kPatterns[digits[i + 1] - '0'];
        for (int k = 0; k < 5; ++k) {
            runs.push_back(width(bars, k, wide));
            runs.push_back(width(spaces, k, wide));
        }
    }
    if (i < digits.size()) {
        char const* bars = kPatterns[digits[i] - '0'];
        for (int k = 0; k < 5; ++k) {
            runs.push_back(width(bars, k, wide));
            runs.push_back(1.0);
        }
    }
    runs.push_back(wide);
    runs.push_back(1.0);
    runs.push_back(1.0);
    return runs;
}

char sCodeCheck(std::string const& pairs)
{
    unsigned sum = 0;
    for (size_t i = 0; i < pairs.size(); ++i)
        sum += static_cast<unsigned>(pairs[i] - '0') * ((pairs.size() - 1 - i) % 2 == 0 ? 3u : 1u);
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

} // namespace support
