#include "format/format_specifier.h"

const FormatSpecifier& FormatSpecifier::GetInstance()
{
    static const FormatSpecifier instance;
    return instance;
}
