// Case conversion of label data on the default path. Only ASCII letters
// change, whatever the C library's locale says about other bytes.

#include "format/formatter.h"

namespace {

int ToUpper(int c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }
int ToLower(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }
int Exchange(int c) { return c >= 'a' && c <= 'z' ? ToUpper(c) : ToLower(c); }

} // namespace

void Formatter::DoCaseConversion(std::vector<unsigned char>& bytes)
{
    using Case = FormatterSettings::Case;
    const SettingsScope settings(*this);
    switch (settings->caseConversion) {
    case Case::CONVERT_TO_UPPER_CASE: SetCase(bytes, ToUpper); break;
    case Case::CONVERT_TO_LOWER_CASE: SetCase(bytes, ToLower); break;
    case Case::EXCHANGE_CASE: SetCase(bytes, Exchange); break;
    default: break;
    }
}

void Formatter::SetCase(std::vector<unsigned char>& bytes, std::function<int(int)> f)
{
    if (!f)
        return;
    for (unsigned char& b : bytes) {
        if (b >= 'A' && b <= 'z')
            b = static_cast<unsigned char>(f(b));
    }
}
