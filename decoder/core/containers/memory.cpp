#include "decoder/core/containers/memory.h"

#include <cstring>

namespace DEC2DIvra {

void Memory::Set(void* destination, int value, unsigned size)
{
    if (destination != nullptr && size > 0) {
        std::memset(destination, value, size);
    }
}

void Memory::MemoryCopy(void* destination, void const* source, unsigned size)
{
    if (destination != nullptr && source != nullptr && size > 0) {
        std::memmove(destination, source, size);
    }
}

int Memory::BiggerCompare(unsigned char const* a, unsigned char const* b, unsigned n)
{
    for (unsigned i = 0; i < n; ++i) {
        if (a[i] != b[i]) {
            return static_cast<int>(a[i]) - static_cast<int>(b[i]);
        }
    }
    return 0;
}

bool Memory::Delete(void* base, unsigned byteSize, unsigned elementSize, int index)
{
    if (base == nullptr || elementSize == 0 || index < 0 || byteSize % elementSize != 0) {
        return false;
    }
    unsigned const count = byteSize / elementSize;
    if (static_cast<unsigned>(index) >= count) {
        return false;
    }
    unsigned char* bytes = static_cast<unsigned char*>(base);
    unsigned const at = static_cast<unsigned>(index) * elementSize;
    std::memmove(bytes + at, bytes + at + elementSize, byteSize - at - elementSize);
    std::memset(bytes + byteSize - elementSize, 0, elementSize);
    return true;
}

bool Memory::Insert(void* base, unsigned byteSize, unsigned elementSize, int index, void const* element)
{
    if (base == nullptr || element == nullptr || elementSize == 0 || index < 0 || byteSize % elementSize != 0) {
        return false;
    }
    unsigned const count = byteSize / elementSize;
    if (static_cast<unsigned>(index) >= count) {
        return false;
    }
    unsigned char* bytes = static_cast<unsigned char*>(base);
    unsigned const at = static_cast<unsigned>(index) * elementSize;
    std::memmove(bytes + at + elementSize, bytes + at, byteSize - at - elementSize);
    std::memmove(bytes + at, element, elementSize);
    return true;
}

bool Memory::StringCopy(char* destination, unsigned capacity, char const* source)
{
    if (destination == nullptr || capacity == 0) {
        return false;
    }
    if (source == nullptr) {
        destination[0] = '\0';
        return true;
    }
    unsigned i = 0;
    for (; i + 1 < capacity && source[i] != '\0'; ++i) {
        destination[i] = source[i];
    }
    destination[i] = '\0';
    return source[i] == '\0';
}

}  // namespace DEC2DIvra
