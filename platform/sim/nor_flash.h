#pragma once
// A NOR flash partition backed by a file of the board directory. Programming can only clear
// bits (new = old AND data); only an erase sets a whole erase block back to 0xFF.

#include "platform/sim/harness_types.h"
#include "platform/sim/open_file.h"

#include <cstdint>
#include <memory>
#include <sys/ioctl.h> // before the MTD header, which uses its request macros
#include <mtd/mtd-user.h>
#include <mutex>
#include <string>
#include <vector>

namespace plat::sim {

class NorFlash {
public:
    // Opens or creates the backing file; a new file, and a missing tail, start erased.
    static std::shared_ptr<NorFlash> open(std::string const& path, FlashGeometry geometry, int& error);
    ~NorFlash();
    NorFlash(NorFlash const&) = delete;
    NorFlash& operator=(NorFlash const&) = delete;

    FlashGeometry geometry() const { return geometry_; }

    // Counts or negative errno, as the MTD character device answers.
    ssize_t read(std::uint64_t offset, void* buffer, std::size_t count) const;
    ssize_t program(std::uint64_t offset, void const* data, std::size_t count);
    int erase(std::uint32_t start, std::uint32_t length);
    int unlock(std::uint32_t start, std::uint32_t length) const;
    int info(mtd_info_user& answer) const;

    bool failsOpen() const;
    void setFaults(FlashFaults const& faults);
    bool powerCut() const;
    std::vector<unsigned> eraseCounts() const;
    std::vector<std::uint8_t> dump() const;
    // Sets bytes exactly, as a programmer would on an unsoldered part.
    bool load(std::uint32_t offset, std::vector<std::uint8_t> const& bytes);

private:
    NorFlash(int fd, FlashGeometry geometry);
    int checkBlocks(std::uint32_t start, std::uint32_t length) const;
    bool fill(std::uint64_t offset, std::uint64_t length, std::uint8_t value) const;
    bool interruptErase(std::uint32_t block) const;

    int fd_;
    FlashGeometry geometry_;
    mutable std::mutex mutex_;
    FlashFaults faults_;
    std::int64_t shortWriteLeft_ = -1;
    std::int64_t powerLeft_ = -1;
    std::int64_t erasesLeft_ = -1;
    bool powerCut_ = false;
    std::vector<unsigned> erases_;
};

// A descriptor on a partition; the read-only twin opens the same flash for reading only.
class FlashOpenFile final : public OpenFile {
public:
    FlashOpenFile(std::size_t node, int flags, std::shared_ptr<NorFlash> flash);

    ssize_t read(void* buffer, std::size_t count) override;
    ssize_t write(void const* buffer, std::size_t count) override;
    int ioctl(unsigned long request, void* argument) override;
    off_t seek(off_t offset, int whence) override;

private:
    std::shared_ptr<NorFlash> flash_;
    std::mutex mutex_;
    std::uint64_t position_ = 0;
};

} // namespace plat::sim
