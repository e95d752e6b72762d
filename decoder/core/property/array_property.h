#pragma once

#include <cstdint>

#include "config/value_types.h"
#include "decoder/core/property/property_reference.h"

namespace DEC2DIvra {

// A list setting (a count and up to N items), read in place in the current
// bank like any other setting.
template <class Reference, class Enum, unsigned N>
class ArrayProperty {
public:
    static constexpr unsigned kCapacity = N;

    template <class Handle>
    explicit ArrayProperty(Handle const& handle) : reference_(handle)
    {
    }

    // Address of the first item.
    virtual Enum const* GetItems() const { return reference_.Get().data; }
    // The stored count, never more than N even when the count word is damaged,
    // so that GetItems()[0 .. GetCount() - 1] is always inside the value.
    virtual unsigned GetCount() const { return reference_.Get().size(); }

private:
    Reference reference_;
};

// The lists of the table: enumeration items read as their 32-bit numbers.
template <unsigned N>
using EnumListProperty =
    ArrayProperty<PropertyReference<ivra_configuration::Array<std::uint32_t, N>>, std::uint32_t, N>;

}  // namespace DEC2DIvra
