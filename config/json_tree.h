#pragma once
// JSON text of a subtree, and a parsed JSON value applied to a subtree: the common
// ground of "set", "get", the settings text and the custom default.

#include "config/common_property_handle.h"
#include "config/json_output.h"

#include <rapidjson/document.h>

#include <string_view>
#include <vector>

namespace ivra_configuration {

// Parses one JSON text: UTF-8 checked, no nesting limit on the stack (iterative), nothing
// but white space after the value.
bool ParseJson(std::string_view text, rapidjson::Document& document);

// Writes the value of a leaf or the object of a node as `view` selects. False when a
// leaf has no value in that view (an action; a transient value outside the current bank).
bool WriteTree(CommonPropertyHandle const& handle, JsonView const& view, JsonWriter& writer);

// Where applied values go: a live bank through the three steps of a change, or a plain
// image that nobody observes (the custom default being read).
struct WriteTarget {
  unsigned bank = 0;
  unsigned char* raw = nullptr;
};

struct ApplyOptions {
  bool skipUnknown = false;  // members that the tree lacks are passed over
};

// Applies a value to a leaf, or an object to a node member by member. Actions and
// transient values are taken only as the addressed key itself, not as members.
// On false the caller rolls the change back.
bool ApplyJson(CommonPropertyHandle const& handle, rapidjson::Value const& value, WriteTarget const& target,
               ApplyOptions const& options, std::vector<unsigned char>& scratch);

} // namespace ivra_configuration
