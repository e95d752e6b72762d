#pragma once

#include <cstdint>
#include <type_traits>

#include "config/common_property_reference.h"
#include "config/property_handle.h"
#include "config/value_types.h"

namespace DEC2DIvra {

namespace detail {

// Whether a value of type U may be read in place as a T: the same type, an
// enumeration read as its 32-bit number, or a list of such items.
template <class T, class U>
struct ReadsAs : std::is_same<T, U> {
};

template <class E>
struct ReadsAs<std::uint32_t, E>
    : std::bool_constant<std::is_same_v<E, std::uint32_t> ||
                         (std::is_enum_v<E> && std::is_same_v<std::underlying_type_t<E>, std::uint32_t>)> {
};

template <class T, class U, unsigned N>
struct ReadsAs<ivra_configuration::Array<T, N>, ivra_configuration::Array<U, N>> : ReadsAs<T, U> {
};

}  // namespace detail

// One setting as the decoders see it: the handle of its key, read every time
// Get() is called without a lock. Once the decoder runs on a thread of its own
// it reads the copy of the settings taken at the start of the frame, so a
// change or a bank switch is seen from the next frame on; before that, the
// current bank. Only a handle whose value reads as T binds.
template <class T>
class PropertyReference : public ivra_configuration::CommonPropertyReference {
public:
    using value_type = T;

    template <class U>
        requires detail::ReadsAs<T, U>::value
    explicit PropertyReference(ivra_configuration::ValueHandle<U> const& handle)
        : CommonPropertyReference(handle)
    {
        static_assert(sizeof(T) == sizeof(U), "a setting is read with the size it is stored with");
    }

    T const& Get() const { return *static_cast<T const*>(CalcAddress()); }
};

using FixedLengthReference = PropertyReference<ivra_configuration::FixedLength>;

template <unsigned N>
using TextReference = PropertyReference<ivra_configuration::string_t<N>>;

}  // namespace DEC2DIvra
