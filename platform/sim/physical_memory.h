#pragma once
// "/dev/mem": a map of physical memory shows the chip-identifier words at their address and
// zeros elsewhere. Maps are private copies; nothing written to them reaches the board.

#include "platform/sim/harness_types.h"
#include "platform/sim/open_file.h"

#include <memory>
#include <mutex>

namespace plat::sim {

class PhysicalMemory {
public:
    ChipId chipId() const;
    void setChipId(ChipId const& words);
    MemoryFaults faults() const;
    void setFaults(MemoryFaults const& faults);

    // The pages [offset, offset + length) of physical memory; nullptr with error set on failure.
    void* map(std::size_t length, int protection, int flags, off_t offset, int& error) const;

private:
    mutable std::mutex mutex_;
    ChipId chipId_ = kDefaultChipId;
    MemoryFaults faults_;
};

class MemoryOpenFile final : public OpenFile {
public:
    MemoryOpenFile(std::size_t node, int flags, std::shared_ptr<PhysicalMemory> memory);
    void* map(std::size_t length, int protection, int flags, off_t offset, int& error) override;

private:
    std::shared_ptr<PhysicalMemory> memory_;
};

} // namespace plat::sim
