#include "platform/sim/physical_memory.h"

#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace plat::sim {

ChipId PhysicalMemory::chipId() const
{
    std::lock_guard lock(mutex_);
    return chipId_;
}

void PhysicalMemory::setChipId(ChipId const& words)
{
    std::lock_guard lock(mutex_);
    chipId_ = words;
}

MemoryFaults PhysicalMemory::faults() const
{
    std::lock_guard lock(mutex_);
    return faults_;
}

void PhysicalMemory::setFaults(MemoryFaults const& faults)
{
    std::lock_guard lock(mutex_);
    faults_ = faults;
}

void* PhysicalMemory::map(std::size_t length, int protection, int flags, off_t offset, int& error) const
{
    long const page = ::sysconf(_SC_PAGESIZE);
    int const sharing = flags & (MAP_SHARED | MAP_PRIVATE);
    if (length == 0 || offset < 0 || page <= 0 || offset % page != 0 ||
        (sharing != MAP_SHARED && sharing != MAP_PRIVATE)) {
        error = EINVAL;
        return nullptr;
    }
    ChipId words;
    {
        std::lock_guard lock(mutex_);
        if (faults_.failMap) {
            error = EPERM;
            return nullptr;
        }
        words = chipId_;
    }
    void* pages = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
        error = errno;
        return nullptr;
    }
    // Copy whatever part of the identifier falls inside the mapped range.
    auto const first = static_cast<std::uint64_t>(offset);
    auto const end = first + length;
    auto const* source = reinterpret_cast<std::uint8_t const*>(words.data());
    for (std::uint64_t address = kChipIdAddress; address < kChipIdAddress + sizeof words; ++address) {
        if (address >= first && address < end) {
            static_cast<std::uint8_t*>(pages)[address - first] = source[address - kChipIdAddress];
        }
    }
    if (::mprotect(pages, length, protection) != 0) {
        error = errno;
        ::munmap(pages, length);
        return nullptr;
    }
    return pages;
}

MemoryOpenFile::MemoryOpenFile(std::size_t node, int flags, std::shared_ptr<PhysicalMemory> memory)
    : OpenFile(node, flags), memory_(std::move(memory))
{
}

void* MemoryOpenFile::map(std::size_t length, int protection, int flags, off_t offset, int& error)
{
    return memory_->map(length, protection, flags, offset, error);
}

} // namespace plat::sim
