#pragma once
// The C library's iconv as the outside reference for code-page tests.

#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <optional>
#include <string>
#include <vector>

namespace iconv_oracle {

// Converts `in` from one character set to another; nullopt when iconv cannot
// open the pair or refuses any of the input.
inline std::optional<std::vector<unsigned char>> Convert(const std::string& from, const std::string& to,
                                                         const std::vector<unsigned char>& in)
{
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::vector<unsigned char> out(in.size() * 8 + 16);
    char* ip = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
    char* op = reinterpret_cast<char*>(out.data());
    std::size_t il = in.size(), ol = out.size();
    std::size_t r = in.empty() ? 0 : iconv(cd, &ip, &il, &op, &ol);
    if (r != static_cast<std::size_t>(-1))
        r = iconv(cd, nullptr, nullptr, &op, &ol); // what a stateful converter holds back
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || il != 0)
        return std::nullopt;
    out.resize(out.size() - ol);
    return out;
}

inline std::vector<unsigned char> Utf32(const std::vector<std::uint32_t>& codePoints)
{
    std::vector<unsigned char> bytes;
    for (std::uint32_t c : codePoints)
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<unsigned char>(c >> (8 * i)));
    return bytes;
}

inline std::vector<unsigned int> FromUtf32(const std::vector<unsigned char>& bytes)
{
    std::vector<unsigned int> codePoints;
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4)
        codePoints.push_back(bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 |
                             static_cast<unsigned int>(bytes[i + 3]) << 24);
    return codePoints;
}

// The bytes of one code point in `charset`, when the code page has it.
inline std::optional<std::vector<unsigned char>> Encode(const std::string& charset, std::uint32_t codePoint)
{
    return Convert("UTF-32LE", charset, Utf32({codePoint}));
}

// Text in `charset` decoded to code points; nullopt when iconv refuses it.
inline std::optional<std::vector<unsigned int>> Decode(const std::string& charset,
                                                       const std::vector<unsigned char>& bytes)
{
    auto utf32 = Convert(charset, "UTF-32LE", bytes);
    if (!utf32)
        return std::nullopt;
    return FromUtf32(*utf32);
}

} // namespace iconv_oracle
