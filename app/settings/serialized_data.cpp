#include "app/settings/serialized_data.h"

bool SerializedData::SetData(std::uint8_t const* bytes, std::size_t count)
{
    if (count > GetMaxDataLength() || (bytes == nullptr && count != 0)) {
        return false;
    }
    data_.assign(bytes, bytes + count);
    cursor_ = 0;
    return true;
}

bool SerializedData::Put(std::uint32_t value, std::size_t size)
{
    if (size > GetMaxDataLength() - cursor_) {
        return false;
    }
    if (data_.size() < cursor_ + size) {
        data_.resize(cursor_ + size);
    }
    for (std::size_t i = 0; i < size; ++i) {
        data_[cursor_ + i] = static_cast<std::uint8_t>(value >> (8 * (size - 1 - i)));
    }
    cursor_ += size;
    return true;
}

bool SerializedData::Get(std::uint32_t& value, std::size_t size)
{
    if (cursor_ > data_.size() || size > data_.size() - cursor_) {
        return false;
    }
    value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value = value << 8 | data_[cursor_ + i];
    }
    cursor_ += size;
    return true;
}

bool SerializedData::Get32(std::uint32_t& value) { return Get(value, 4); }

bool SerializedData::Get16(std::uint16_t& value)
{
    std::uint32_t wide = 0;
    bool const ok = Get(wide, 2);
    if (ok) {
        value = static_cast<std::uint16_t>(wide);
    }
    return ok;
}

bool SerializedData::Get8(std::uint8_t& value)
{
    std::uint32_t wide = 0;
    bool const ok = Get(wide, 1);
    if (ok) {
        value = static_cast<std::uint8_t>(wide);
    }
    return ok;
}
