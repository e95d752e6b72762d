#include "format/to_iconv_name.h"

namespace ivra {

const std::map<unsigned, std::string> ToIconvName::ccl_to_name_ = {
    {0, "CP1250"},  {1, "CP1251"},  {2, "CP1252"},  {3, "CP1253"},  {4, "CP1254"},  {5, "CP1255"},
    {6, "CP1256"},  {7, "CP1257"},  {8, "CP1258"},  {9, "CP874"},   {10, "CP932"},  {11, "CP936"},
    {12, "CP949"},  {13, "CP950"},  {50, "UTF-8"},  {51, "UTF-16BE"}, {99, "WINDOWS-1252"},
};

// ECI 14 and 19 are not assigned to a character set.
const std::map<std::string, std::string> ToIconvName::eci_to_name_ = {
    {"\\000000", "CP437"},       {"\\000001", "ISO-8859-1"},   {"\\000002", "CP437"},
    {"\\000003", "ISO-8859-1"},  {"\\000004", "ISO-8859-2"},   {"\\000005", "ISO-8859-3"},
    {"\\000006", "ISO-8859-4"},  {"\\000007", "ISO-8859-5"},   {"\\000008", "ISO-8859-6"},
    {"\\000009", "ISO-8859-7"},  {"\\000010", "ISO-8859-8"},   {"\\000011", "ISO-8859-9"},
    {"\\000012", "ISO-8859-10"}, {"\\000013", "ISO-8859-11"},  {"\\000015", "ISO-8859-13"},
    {"\\000016", "ISO-8859-14"}, {"\\000017", "ISO-8859-15"},  {"\\000018", "ISO-8859-16"},
    {"\\000020", "SHIFT_JIS"},   {"\\000021", "WINDOWS-1250"}, {"\\000022", "WINDOWS-1251"},
    {"\\000023", "WINDOWS-1252"}, {"\\000024", "WINDOWS-1256"}, {"\\000025", "UTF-16BE"},
    {"\\000026", "UTF-8"},       {"\\000027", "US-ASCII"},     {"\\000028", "BIG5"},
    {"\\000029", "GB18030"},     {"\\000030", "EUC-KR"},
};

const std::string& ToIconvName::FromCclSource(unsigned cclSource)
{
    const auto found = ccl_to_name_.find(cclSource);
    return found != ccl_to_name_.end() ? found->second : ccl_to_name_.find(kDefaultCcl)->second;
}

const std::string& ToIconvName::FromEci(const std::string& escape)
{
    const auto found = eci_to_name_.find(escape);
    return found != eci_to_name_.end() ? found->second : eci_to_name_.find(kDefaultEci)->second;
}

const std::string& ToIconvName::SourceName(const std::string& escape, unsigned cclSource)
{
    return escape.empty() ? FromCclSource(cclSource) : FromEci(escape);
}

} // namespace ivra
