#include "format/code_point_conversion.h"

#include <cerrno>
#include <iconv.h>

#include "format/to_iconv_name.h"

namespace ivra {

namespace {

constexpr std::size_t kBytesPerValue = 4;

// Owns one converter for the length of a call.
class Converter {
public:
    explicit Converter(const std::string& from) : cd_(iconv_open("UTF-32LE//IGNORE", from.c_str())) {}
    ~Converter()
    {
        if (IsOpen())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool IsOpen() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t Handle() const { return cd_; }

private:
    iconv_t cd_;
};

} // namespace

int ConvertBytesToCodePoints(const std::string& iconvName, const std::vector<unsigned char>& bytes,
                             std::vector<unsigned int>& out, std::size_t initialRoom)
{
    out.clear();
    Converter converter(iconvName);
    if (!converter.IsOpen())
        return 0;
    if (bytes.empty())
        return 1;

    // Never an empty buffer: the C library asserts on a null output pointer.
    std::vector<char> raw((initialRoom > 0 ? initialRoom : 1) * kBytesPerValue);
    // iconv takes a non-const input pointer but does not write through it.
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    std::size_t inLeft = bytes.size();
    std::size_t produced = 0;
    bool flushed = false;
    while (!flushed) {
        // Once the input is used up, one call with no input flushes what the
        // converter holds back: CP1255 and CP1258 keep the last character to
        // join it with combining marks that may follow.
        const bool flushing = inLeft == 0;
        char* outPtr = raw.data() + produced;
        std::size_t outLeft = raw.size() - produced;
        const char* inBefore = in;
        const std::size_t result = flushing ? iconv(converter.Handle(), nullptr, nullptr, &outPtr, &outLeft)
                                            : iconv(converter.Handle(), &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        produced = raw.size() - outLeft;
        if (result != static_cast<std::size_t>(-1)) {
            flushed = flushing;
            continue;
        }
        if (error == E2BIG) {
            raw.resize(raw.size() + (inLeft > 0 ? inLeft : 1) * kBytesPerValue);
            continue;
        }
        // With //IGNORE the C library skips what does not convert and then
        // reports EILSEQ; that is not a failure as long as input was used.
        if (!flushing && error == EILSEQ && (inLeft == 0 || in != inBefore))
            continue;
        return 0;
    }

    out.resize(produced / kBytesPerValue);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(raw.data()) + i * kBytesPerValue;
        out[i] = static_cast<unsigned int>(p[0]) | static_cast<unsigned int>(p[1]) << 8 |
                 static_cast<unsigned int>(p[2]) << 16 | static_cast<unsigned int>(p[3]) << 24;
    }
    return 1;
}

int ConvertBytesToCodePoints(const std::string& iconvName, const std::vector<unsigned char>& bytes,
                             std::vector<unsigned int>& out)
{
    // Every character of the mapped code pages takes at least one byte, so this
    // is room enough unless a converter splits a character into several code
    // points, and then more is made.
    return ConvertBytesToCodePoints(iconvName, bytes, out, bytes.size());
}

int ConvertToCodePoints(const std::string& eci, unsigned cclSource, const std::vector<unsigned char>& bytes,
                        std::vector<unsigned int>& out)
{
    return ConvertBytesToCodePoints(ToIconvName::SourceName(eci, cclSource), bytes, out);
}

} // namespace ivra
