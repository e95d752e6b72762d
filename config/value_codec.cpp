#include "config/value_codec.h"

#include "config/value_types.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace ivra_configuration {

namespace {

unsigned SizeOf(ValueType t) {
  switch (t) {
    case ValueType::kBool:
    case ValueType::kU8:
    case ValueType::kI8:
      return 1;
    case ValueType::kU16:
    case ValueType::kI16:
      return 2;
    case ValueType::kU32:
    case ValueType::kI32:
    case ValueType::kEnum:
      return 4;
    case ValueType::kU64:
      return 8;
    default:
      return 0;
  }
}

bool IsSigned(ValueType t) { return t == ValueType::kI8 || t == ValueType::kI16 || t == ValueType::kI32; }

bool IsDeclared(TypeInfo const& type, std::uint32_t value) {
  for (std::uint32_t i = 0; i < type.enumCount; ++i) {
    if (type.enumItems[i].value == value) return true;
  }
  return false;
}

bool IsScalarValue(std::uint32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

void StoreUnsigned(std::uint64_t v, unsigned size, unsigned char* out) {
  switch (size) {
    case 1: {
      auto x = static_cast<std::uint8_t>(v);
      std::memcpy(out, &x, 1);
      break;
    }
    case 2: {
      auto x = static_cast<std::uint16_t>(v);
      std::memcpy(out, &x, 2);
      break;
    }
    case 4: {
      auto x = static_cast<std::uint32_t>(v);
      std::memcpy(out, &x, 4);
      break;
    }
    default:
      std::memcpy(out, &v, 8);
      break;
  }
}

std::uint64_t LoadUnsigned(unsigned char const* in, unsigned size) {
  switch (size) {
    case 1:
      return in[0];
    case 2: {
      std::uint16_t x;
      std::memcpy(&x, in, 2);
      return x;
    }
    case 4: {
      std::uint32_t x;
      std::memcpy(&x, in, 4);
      return x;
    }
    default: {
      std::uint64_t x;
      std::memcpy(&x, in, 8);
      return x;
    }
  }
}

std::int64_t LoadSigned(unsigned char const* in, unsigned size) {
  switch (size) {
    case 1: {
      std::int8_t x;
      std::memcpy(&x, in, 1);
      return x;
    }
    case 2: {
      std::int16_t x;
      std::memcpy(&x, in, 2);
      return x;
    }
    default: {
      std::int32_t x;
      std::memcpy(&x, in, 4);
      return x;
    }
  }
}

std::uint32_t LoadU32(unsigned char const* in) { return static_cast<std::uint32_t>(LoadUnsigned(in, 4)); }

// One scalar: bool, integer or enumeration value.
bool ReadScalar(ValueType t, TypeInfo const& type, rapidjson::Value const& v, unsigned char* out) {
  unsigned const size = SizeOf(t);
  if (t == ValueType::kBool) {
    if (!v.IsBool()) return false;
    out[0] = v.GetBool() ? 1 : 0;
    return true;
  }
  if (t == ValueType::kEnum) {
    if (v.IsString()) {
      for (std::uint32_t i = 0; i < type.enumCount; ++i) {
        char const* name = type.enumItems[i].name;
        if (std::strlen(name) == v.GetStringLength() && std::memcmp(name, v.GetString(), v.GetStringLength()) == 0) {
          StoreUnsigned(type.enumItems[i].value, 4, out);
          return true;
        }
      }
      return false;
    }
    if (!v.IsUint64() || v.GetUint64() > 0xFFFFFFFFu) return false;
    auto const value = static_cast<std::uint32_t>(v.GetUint64());
    if (!IsDeclared(type, value)) return false;
    StoreUnsigned(value, 4, out);
    return true;
  }
  if (IsSigned(t)) {
    if (!v.IsInt64()) return false;
    std::int64_t const x = v.GetInt64();
    std::int64_t const high = (std::int64_t{1} << (size * 8 - 1)) - 1;
    if (x < -high - 1 || x > high) return false;
    StoreUnsigned(static_cast<std::uint64_t>(x), size, out);
    return true;
  }
  if (size == 0 || !v.IsUint64()) return false;
  std::uint64_t const x = v.GetUint64();
  if (size < 8 && x > (std::uint64_t{1} << (size * 8)) - 1) return false;
  StoreUnsigned(x, size, out);
  return true;
}

void WriteScalar(ValueType t, TypeInfo const& type, unsigned char const* in, JsonWriter& w) {
  unsigned const size = SizeOf(t);
  if (t == ValueType::kBool) {
    w.Bool(in[0] != 0);
  } else if (t == ValueType::kEnum) {
    std::uint32_t const value = LoadU32(in);
    if (char const* name = EnumName(type, value)) {
      w.String(name);
    } else {
      w.Uint(value);
    }
  } else if (IsSigned(t)) {
    w.Int64(LoadSigned(in, size));
  } else {
    w.Uint64(LoadUnsigned(in, size));
  }
}

// Decodes UTF-8 that the reader has already validated; false on anything else.
bool DecodeUtf8(char const* s, std::size_t n, unsigned char* units, std::uint32_t capacity, std::uint32_t& count) {
  count = 0;
  std::size_t i = 0;
  while (i < n) {
    auto const b = static_cast<unsigned char>(s[i]);
    std::uint32_t c;
    std::size_t len;
    if (b < 0x80) {
      c = b;
      len = 1;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07;
      len = 4;
    } else {
      return false;
    }
    if (i + len > n) return false;
    for (std::size_t k = 1; k < len; ++k) {
      auto const cont = static_cast<unsigned char>(s[i + k]);
      if ((cont & 0xC0) != 0x80) return false;
      c = (c << 6) | (cont & 0x3F);
    }
    static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[len] || !IsScalarValue(c)) return false;
    if (count >= capacity) return false;
    StoreUnsigned(c, 4, units + 4 * std::size_t{count});
    ++count;
    i += len;
  }
  return true;
}

void EncodeUtf8(std::uint32_t c, std::string& out) {
  if (!IsScalarValue(c)) c = 0xFFFD;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool ReadFixedLength(rapidjson::Value const& v, unsigned char* out) {
  if (!v.IsObject()) return false;
  FixedLength f{};
  f.maximum = FixedLength::kNoMaximum;
  for (auto const& m : v.GetObject()) {
    std::string_view const name(m.name.GetString(), m.name.GetStringLength());
    if (name == "lengths") {
      if (!m.value.IsArray() || m.value.Size() > FixedLength::Capacity) return false;
      std::memset(f.lengths, 0, sizeof f.lengths);
      f.count = 0;
      for (auto const& item : m.value.GetArray()) {
        if (!item.IsUint() || item.GetUint() > 0xFFFF) return false;
        f.lengths[f.count++] = static_cast<std::uint16_t>(item.GetUint());
      }
    } else if (name == "minimum" || name == "maximum") {
      if (!m.value.IsUint() || m.value.GetUint() > 0xFFFF) return false;
      (name == "minimum" ? f.minimum : f.maximum) = static_cast<std::uint16_t>(m.value.GetUint());
    } else {
      return false;
    }
  }
  std::memcpy(out, &f, sizeof f);
  return true;
}

} // namespace

char const* EnumName(TypeInfo const& type, std::uint32_t value) {
  for (std::uint32_t i = 0; i < type.enumCount; ++i) {
    if (type.enumItems[i].value == value) return type.enumItems[i].name;
  }
  return nullptr;
}

bool ReadValue(TypeInfo const& type, rapidjson::Value const& v, unsigned char* out) {
  std::memset(out, 0, type.size);
  switch (type.type) {
    case ValueType::kVoid:
      return false;
    case ValueType::kString: {
      if (!v.IsString()) return false;
      std::uint32_t count = 0;
      if (!DecodeUtf8(v.GetString(), v.GetStringLength(), out + 4, type.capacity, count)) return false;
      StoreUnsigned(count, 4, out);
      return true;
    }
    case ValueType::kArray: {
      if (!v.IsArray() || v.Size() > type.capacity) return false;
      std::uint32_t i = 0;
      for (auto const& item : v.GetArray()) {
        if (!ReadScalar(type.element, type, item, out + type.itemsOffset + i * type.elementSize)) return false;
        ++i;
      }
      StoreUnsigned(i, 4, out);
      return true;
    }
    case ValueType::kFixedLength:
      return type.size == sizeof(FixedLength) && ReadFixedLength(v, out);
    default:
      return ReadScalar(type.type, type, v, out);
  }
}

bool NormalizeValue(TypeInfo const& type, unsigned char const* in, unsigned char* out) {
  std::memset(out, 0, type.size);
  switch (type.type) {
    case ValueType::kVoid:
      return false;
    case ValueType::kBool:
      if (in[0] > 1) return false;
      out[0] = in[0];
      return true;
    case ValueType::kEnum:
      if (!IsDeclared(type, LoadU32(in))) return false;
      std::memcpy(out, in, 4);
      return true;
    case ValueType::kString: {
      std::uint32_t const count = LoadU32(in);
      if (count > type.capacity) return false;
      for (std::uint32_t i = 0; i < count; ++i) {
        if (!IsScalarValue(LoadU32(in + 4 + 4 * i))) return false;
      }
      std::memcpy(out, in, 4 + 4 * std::size_t{count});
      return true;
    }
    case ValueType::kArray: {
      std::uint32_t const count = LoadU32(in);
      if (count > type.capacity) return false;
      unsigned char const* items = in + type.itemsOffset;
      for (std::uint32_t i = 0; type.element == ValueType::kEnum && i < count; ++i) {
        if (!IsDeclared(type, LoadU32(items + 4 * i))) return false;
      }
      std::memcpy(out, in, 4);
      std::memcpy(out + type.itemsOffset, items, std::size_t{count} * type.elementSize);
      return true;
    }
    case ValueType::kFixedLength: {
      if (type.size != sizeof(FixedLength)) return false;
      FixedLength f;
      std::memcpy(&f, in, sizeof f);
      if (f.count > FixedLength::Capacity) return false;
      for (unsigned i = f.count; i < FixedLength::Capacity; ++i) f.lengths[i] = 0;
      std::memcpy(out, &f, sizeof f);
      return true;
    }
    default:
      std::memcpy(out, in, type.size);
      return true;
  }
}

void WriteValue(TypeInfo const& type, unsigned char const* in, JsonWriter& w) {
  switch (type.type) {
    case ValueType::kVoid:
      w.Null();
      break;
    case ValueType::kString: {
      std::uint32_t count = LoadU32(in);
      if (count > type.capacity) count = type.capacity;
      std::string text;
      text.reserve(count);
      for (std::uint32_t i = 0; i < count; ++i) EncodeUtf8(LoadU32(in + 4 + 4 * i), text);
      w.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
      break;
    }
    case ValueType::kArray: {
      std::uint32_t count = LoadU32(in);
      if (count > type.capacity) count = type.capacity;
      w.StartArray();
      for (std::uint32_t i = 0; i < count; ++i) {
        WriteScalar(type.element, type, in + type.itemsOffset + i * type.elementSize, w);
      }
      w.EndArray();
      break;
    }
    case ValueType::kFixedLength: {
      FixedLength f;
      std::memcpy(&f, in, sizeof f);
      unsigned const count = f.count < FixedLength::Capacity ? f.count : FixedLength::Capacity;
      w.StartObject();
      w.Key("lengths");
      w.StartArray();
      for (unsigned i = 0; i < count; ++i) w.Uint(f.lengths[i]);
      w.EndArray();
      w.Key("minimum");
      w.Uint(f.minimum);
      w.Key("maximum");
      w.Uint(f.maximum);
      w.EndObject();
      break;
    }
    default:
      WriteScalar(type.type, type, in, w);
      break;
  }
}

} // namespace ivra_configuration
