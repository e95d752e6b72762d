#pragma once
// One value between its bytes in an image and its JSON form:
//   bool         true / false
//   integers     numbers within the type's range
//   enumeration  the value's name ("USA"); a declared number is also read
//   string<N>    a JSON string of at most N characters
//   array<T,N>   a JSON array of at most N items
//   fixed_length {"lengths":[...], "minimum":n, "maximum":n}; members left out take
//                "no restriction" (no lengths, minimum 0, maximum 65535)
// Reading checks everything and fills the whole value, unused items zeroed, so that
// equal settings are equal byte for byte.

#include "config/json_output.h"
#include "config/key_info.h"

#include <rapidjson/document.h>

namespace ivra_configuration {

// Fills out[0 .. type.size) from a JSON value; false (out undefined) when the value is
// of the wrong type, out of range or too long.
bool ReadValue(TypeInfo const& type, rapidjson::Value const& value, unsigned char* out);

// Checks a value in its binary form and copies it with its unused items zeroed.
bool NormalizeValue(TypeInfo const& type, unsigned char const* in, unsigned char* out);

void WriteValue(TypeInfo const& type, unsigned char const* in, JsonWriter& writer);

// The value name of an enumeration value; nullptr when undeclared.
char const* EnumName(TypeInfo const& type, std::uint32_t value);

} // namespace ivra_configuration
