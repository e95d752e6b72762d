#pragma once
// Byte text in a named code page to Unicode code points, through iconv.

#include <cstddef>
#include <string>
#include <vector>

namespace ivra {

// Converts bytes in the iconv character set `iconvName` into code points,
// replacing `out`. Bytes that do not form a character of the code page are
// dropped. Returns 1 on success; 0, with `out` empty, when the converter cannot
// be opened or the text ends inside a multi-byte character. `initialRoom` is
// the number of code points room is made for at first; more is made as needed.
int ConvertBytesToCodePoints(const std::string& iconvName, const std::vector<unsigned char>& bytes,
                             std::vector<unsigned int>& out, std::size_t initialRoom);
int ConvertBytesToCodePoints(const std::string& iconvName, const std::vector<unsigned char>& bytes,
                             std::vector<unsigned int>& out);

// As label text needs it: the code page of the ECI escape `eci` when it is not
// empty, else that of the character-conversion setting's value `cclSource`;
// an escape or a value that has no code page takes the default one.
int ConvertToCodePoints(const std::string& eci, unsigned cclSource, const std::vector<unsigned char>& bytes,
                        std::vector<unsigned int>& out);

} // namespace ivra
