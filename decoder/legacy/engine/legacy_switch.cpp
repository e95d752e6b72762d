#include "decoder/legacy/engine/legacy_switch.h"

#include <atomic>

namespace {

std::atomic<unsigned char> switches[kXswBytes];

}  // namespace

unsigned char GetXSW(unsigned index)
{
    return index < kXswBytes ? switches[index].load(std::memory_order_relaxed) : 0;
}

void SetXSW(unsigned index, unsigned char value)
{
    if (index < kXswBytes) {
        switches[index].store(value, std::memory_order_relaxed);
    }
}

void UpdateXSW(unsigned index, unsigned char clear, unsigned char set)
{
    if (index >= kXswBytes) {
        return;
    }
    unsigned char old = switches[index].load(std::memory_order_relaxed);
    while (!switches[index].compare_exchange_weak(old, static_cast<unsigned char>((old & ~clear) | set),
                                                  std::memory_order_relaxed)) {
    }
}

unsigned short GetXSWWord(unsigned index)
{
    return static_cast<unsigned short>(GetXSW(2 * index) | GetXSW(2 * index + 1) << 8);
}
