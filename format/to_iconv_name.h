#pragma once
// iconv names of the code pages that label text can arrive in: one map from
// the character-conversion setting's value, one from an ECI escape text (a
// backslash and six digits). Built before main, only read afterwards; no
// static initialiser may look names up.

#include <map>
#include <string>

namespace ivra {

class ToIconvName {
public:
    static const std::map<unsigned, std::string> ccl_to_name_;
    static const std::map<std::string, std::string> eci_to_name_;

    // Entries that stand in for values the maps lack.
    static constexpr unsigned kDefaultCcl = 99;
    static constexpr const char* kDefaultEci = "\\000023";

    // The name for a setting value; an unknown value takes the default entry.
    static const std::string& FromCclSource(unsigned cclSource);
    // The name for an escape text; an unknown escape takes the default entry.
    static const std::string& FromEci(const std::string& escape);
    // The escape's name when there is an escape, else the setting's.
    static const std::string& SourceName(const std::string& escape, unsigned cclSource);
};

} // namespace ivra
