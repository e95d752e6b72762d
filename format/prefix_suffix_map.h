#pragma once
// The settings that hold the prefix and suffix of each symbology group.

#include "config/property_handle.h"
#include "config/value_types.h"
#include "format/formatter_decode_data.h"

struct SymbologyAffixHandles {
    using Handle = ivra_configuration::ValueHandle<ivra_configuration::string_t<4>>;
    const Handle* prefix = nullptr;
    const Handle* suffix = nullptr;
};

// Both nullptr when the identifier has no group. Looked up on first use, when
// the settings store surely exists.
const SymbologyAffixHandles& SymbologyAffixHandlesOf(SymbologyIdentifier id);
