#pragma once
// A parameter object's state as a block of bytes with a cursor: numbers are stored
// big-endian at the cursor, which then moves past them. Nothing in the firmware stores
// objects this way now; the JSON document took its place.

#include "app/settings/parameter_object.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class SerializedData {
public:
    static constexpr std::size_t GetMaxDataLength() { return 0x10000; }

    SerializedData(ParameterIdentifier identifier, int version) : identifier_(identifier), version_(version) {}

    ParameterIdentifier identifier() const { return identifier_; }
    int version() const { return version_; }
    int length() const { return static_cast<int>(data_.size()); }
    std::uint8_t const* data() const { return data_.data(); }

    // Copies the bytes and puts the cursor at the start; false (nothing changes) for more
    // than the maximum.
    bool SetData(std::uint8_t const* bytes, std::size_t count);
    void ToByteArray(std::vector<std::uint8_t>& out) const { out = data_; }
    bool FromByteArray(std::vector<std::uint8_t> const& bytes) { return SetData(bytes.data(), bytes.size()); }

    void Rewind() { cursor_ = 0; }
    std::size_t cursor() const { return cursor_; }

    // False when the value would pass the maximum length; the data then stay as they were.
    bool Put32(std::uint32_t value) { return Put(value, 4); }
    bool Put16(std::uint16_t value) { return Put(value, 2); }
    bool Put8(std::uint8_t value) { return Put(value, 1); }
    // False when the value would pass the end of the data; the cursor then stays.
    bool Get32(std::uint32_t& value);
    bool Get16(std::uint16_t& value);
    bool Get8(std::uint8_t& value);

private:
    bool Put(std::uint32_t value, std::size_t size);
    bool Get(std::uint32_t& value, std::size_t size);

    ParameterIdentifier identifier_;
    int version_;
    std::vector<std::uint8_t> data_;
    std::size_t cursor_ = 0;
};
