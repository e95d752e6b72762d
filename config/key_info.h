#pragma once
// The generated table row of one key: what the JSON reader and writer, the defaults
// and the handles need to know of it without a type of its own.

#include <cstdint>

namespace ivra_configuration {

enum class KeyKind : std::uint8_t {
  kNode,
  kBank,          // one value per bank
  kShared,        // one value for all eight banks
  kHidden,        // per bank, left out of JSON text unless asked for
  kSharedHidden,  // shared and hidden
  kVolatile,      // transient value, never stored
  kAction,        // no value; its observers do the work
};

enum class ValueType : std::uint8_t {
  kVoid,
  kBool,
  kU8,
  kU16,
  kU32,
  kU64,
  kI8,
  kI16,
  kI32,
  kEnum,
  kString,
  kArray,
  kFixedLength,
};

struct EnumItem {
  char const* name;
  std::uint32_t value;
};

struct TypeInfo {
  ValueType type;
  ValueType element;        // item type of an array
  std::uint32_t size;       // bytes of the whole value
  std::uint32_t capacity;   // characters of a string, items of an array
  std::uint32_t elementSize;
  std::uint32_t itemsOffset;  // where an array's items begin after its count
  EnumItem const* enumItems;  // values of an enumeration or of an enumeration array
  std::uint32_t enumCount;
};

struct KeyInfo {
  char const* name;  // last word of the path
  char const* path;  // whole key path; "" for the root
  KeyKind kind;
  int parent;        // row of the parent node, -1 for the root
  std::uint32_t offset;  // in the bank image, or in the volatile image for volatile keys
  std::uint32_t size;
  TypeInfo type;
  char const* defaultJson;  // nullptr: zero, empty, false or "no restriction"
};

inline bool IsStoredKind(KeyKind kind) {
  return kind == KeyKind::kBank || kind == KeyKind::kShared || kind == KeyKind::kHidden ||
         kind == KeyKind::kSharedHidden;
}
inline bool IsSharedKind(KeyKind kind) { return kind == KeyKind::kShared || kind == KeyKind::kSharedHidden; }
inline bool IsHiddenKind(KeyKind kind) { return kind == KeyKind::kHidden || kind == KeyKind::kSharedHidden; }

} // namespace ivra_configuration
