#include "platform/sim/nor_flash.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::sim {
namespace {

constexpr std::size_t kChunk = 4096;

bool readFully(int fd, std::uint8_t* buffer, std::size_t count, std::uint64_t offset)
{
    while (count > 0) {
        ssize_t const n = ::pread(fd, buffer, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        buffer += n;
        count -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool writeFully(int fd, std::uint8_t const* data, std::size_t count, std::uint64_t offset)
{
    while (count > 0) {
        ssize_t const n = ::pwrite(fd, data, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        count -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

} // namespace

NorFlash::NorFlash(int fd, FlashGeometry geometry)
    : fd_(fd), geometry_(geometry), erases_(geometry.size / geometry.eraseSize, 0)
{
}

NorFlash::~NorFlash() { ::close(fd_); }

std::shared_ptr<NorFlash> NorFlash::open(std::string const& path, FlashGeometry geometry, int& error)
{
    if (geometry.eraseSize == 0 || geometry.size == 0 || geometry.size % geometry.eraseSize != 0) {
        error = EINVAL;
        return nullptr;
    }
    int const fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    std::shared_ptr<NorFlash> flash(new NorFlash(fd, geometry));
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = errno;
        return nullptr;
    }
    auto const have = static_cast<std::uint64_t>(info.st_size);
    if (have < geometry.size) {
        if (!flash->fill(have, geometry.size - have, 0xFF)) {
            error = EIO;
            return nullptr;
        }
    } else if (have > geometry.size && ::ftruncate(fd, geometry.size) != 0) {
        error = errno;
        return nullptr;
    }
    return flash;
}

bool NorFlash::fill(std::uint64_t offset, std::uint64_t length, std::uint8_t value) const
{
    std::array<std::uint8_t, kChunk> block;
    block.fill(value);
    while (length > 0) {
        std::size_t const n = static_cast<std::size_t>(std::min<std::uint64_t>(length, block.size()));
        if (!writeFully(fd_, block.data(), n, offset)) {
            return false;
        }
        offset += n;
        length -= n;
    }
    return true;
}

ssize_t NorFlash::read(std::uint64_t offset, void* buffer, std::size_t count) const
{
    if (offset >= geometry_.size || count == 0) {
        return 0;
    }
    std::size_t const n = static_cast<std::size_t>(std::min<std::uint64_t>(count, geometry_.size - offset));
    std::lock_guard lock(mutex_);
    if (!readFully(fd_, static_cast<std::uint8_t*>(buffer), n, offset)) {
        return -EIO;
    }
    return static_cast<ssize_t>(n);
}

ssize_t NorFlash::program(std::uint64_t offset, void const* data, std::size_t count)
{
    if (count == 0) {
        return 0;
    }
    if (offset >= geometry_.size) {
        return -ENOSPC;
    }
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, geometry_.size - offset));
    std::lock_guard lock(mutex_);
    if (powerCut_) {
        return static_cast<ssize_t>(n);
    }
    if (shortWriteLeft_ >= 0) {
        if (shortWriteLeft_ == 0) {
            return -EIO;
        }
        n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(n), shortWriteLeft_));
        shortWriteLeft_ -= static_cast<std::int64_t>(n);
    }
    std::size_t programmed = n;
    if (powerLeft_ >= 0) {
        programmed = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(n), powerLeft_));
        powerLeft_ -= static_cast<std::int64_t>(programmed);
        powerCut_ = powerLeft_ == 0;
    }
    auto const* source = static_cast<std::uint8_t const*>(data);
    std::array<std::uint8_t, kChunk> cells;
    for (std::size_t done = 0; done < programmed;) {
        std::size_t const step = std::min(programmed - done, cells.size());
        if (!readFully(fd_, cells.data(), step, offset + done)) {
            return -EIO;
        }
        for (std::size_t i = 0; i < step; ++i) {
            cells[i] &= source[done + i];
        }
        if (!writeFully(fd_, cells.data(), step, offset + done)) {
            return -EIO;
        }
        done += step;
    }
    return static_cast<ssize_t>(n);
}

int NorFlash::checkBlocks(std::uint32_t start, std::uint32_t length) const
{
    if (start >= geometry_.size || length > geometry_.size - start) {
        return -EINVAL;
    }
    if (start % geometry_.eraseSize != 0 || length % geometry_.eraseSize != 0) {
        return -EINVAL;
    }
    return 0;
}

int NorFlash::erase(std::uint32_t start, std::uint32_t length)
{
    std::lock_guard lock(mutex_);
    if (powerCut_) {
        return 0;
    }
    if (faults_.failErase) {
        return -EIO;
    }
    if (int const bad = checkBlocks(start, length); bad != 0) {
        return bad;
    }
    for (std::uint32_t block = start / geometry_.eraseSize; block < (start + length) / geometry_.eraseSize; ++block) {
        if (erasesLeft_ == 0) {
            powerCut_ = true;
            return interruptErase(block) ? 0 : -EIO;
        }
        if (!fill(std::uint64_t{block} * geometry_.eraseSize, geometry_.eraseSize, 0xFF)) {
            return -EIO;
        }
        ++erases_[block];
        if (erasesLeft_ > 0) {
            --erasesLeft_;
        }
    }
    return 0;
}

bool NorFlash::interruptErase(std::uint32_t block) const
{
    // An erase pulls cells towards 1; cut short, it leaves each byte with some of its bits
    // set and the rest as they were.
    std::uint64_t const offset = std::uint64_t{block} * geometry_.eraseSize;
    std::uint32_t state = 0x9E3779B9u ^ block;
    std::array<std::uint8_t, kChunk> cells;
    for (std::uint64_t done = 0; done < geometry_.eraseSize;) {
        std::size_t const step = static_cast<std::size_t>(std::min<std::uint64_t>(geometry_.eraseSize - done, kChunk));
        if (!readFully(fd_, cells.data(), step, offset + done)) {
            return false;
        }
        for (std::size_t i = 0; i < step; ++i) {
            state = state * 1664525u + 1013904223u;
            cells[i] |= static_cast<std::uint8_t>(state >> 24);
        }
        if (!writeFully(fd_, cells.data(), step, offset + done)) {
            return false;
        }
        done += step;
    }
    return true;
}

int NorFlash::unlock(std::uint32_t start, std::uint32_t length) const
{
    // Nothing is ever locked; only the range is checked, as the MTD core does.
    if (start >= geometry_.size || length > geometry_.size - start) {
        return -EINVAL;
    }
    return 0;
}

int NorFlash::info(mtd_info_user& answer) const
{
    std::lock_guard lock(mutex_);
    if (faults_.failGetInfo) {
        return -EIO;
    }
    answer = {};
    answer.type = MTD_NORFLASH;
    answer.flags = MTD_CAP_NORFLASH;
    answer.size = geometry_.size;
    answer.erasesize = faults_.zeroEraseSize ? 0 : geometry_.eraseSize;
    answer.writesize = 1;
    answer.oobsize = 0;
    return 0;
}

bool NorFlash::failsOpen() const
{
    std::lock_guard lock(mutex_);
    return faults_.failOpen;
}

void NorFlash::setFaults(FlashFaults const& faults)
{
    std::lock_guard lock(mutex_);
    faults_ = faults;
    shortWriteLeft_ = faults.shortWriteAfter;
    powerLeft_ = faults.powerCutAfter;
    erasesLeft_ = faults.eraseCutAfter;
    powerCut_ = powerLeft_ == 0;
}

bool NorFlash::powerCut() const
{
    std::lock_guard lock(mutex_);
    return powerCut_;
}

std::vector<unsigned> NorFlash::eraseCounts() const
{
    std::lock_guard lock(mutex_);
    return erases_;
}

std::vector<std::uint8_t> NorFlash::dump() const
{
    std::vector<std::uint8_t> bytes(geometry_.size);
    std::lock_guard lock(mutex_);
    if (!readFully(fd_, bytes.data(), bytes.size(), 0)) {
        bytes.clear();
    }
    return bytes;
}

bool NorFlash::load(std::uint32_t offset, std::vector<std::uint8_t> const& bytes)
{
    if (offset > geometry_.size || bytes.size() > geometry_.size - offset) {
        return false;
    }
    std::lock_guard lock(mutex_);
    return writeFully(fd_, bytes.data(), bytes.size(), offset);
}

FlashOpenFile::FlashOpenFile(std::size_t node, int flags, std::shared_ptr<NorFlash> flash)
    : OpenFile(node, flags), flash_(std::move(flash))
{
}

ssize_t FlashOpenFile::read(void* buffer, std::size_t count)
{
    std::lock_guard lock(mutex_);
    ssize_t const n = flash_->read(position_, buffer, count);
    if (n > 0) {
        position_ += static_cast<std::uint64_t>(n);
    }
    return n;
}

ssize_t FlashOpenFile::write(void const* buffer, std::size_t count)
{
    std::lock_guard lock(mutex_);
    ssize_t const n = flash_->program(position_, buffer, count);
    if (n > 0) {
        position_ += static_cast<std::uint64_t>(n);
    }
    return n;
}

int FlashOpenFile::ioctl(unsigned long request, void* argument)
{
    if (argument == nullptr) {
        return request == MEMGETINFO || request == MEMERASE || request == MEMUNLOCK ? -EFAULT : -ENOTTY;
    }
    switch (request) {
    case MEMGETINFO: {
        mtd_info_user answer{};
        int const result = flash_->info(answer);
        if (result == 0) {
            std::memcpy(argument, &answer, sizeof answer);
        }
        return result;
    }
    case MEMERASE:
    case MEMUNLOCK: {
        // Changing the part needs a descriptor opened for writing, as on the device.
        if (!writable()) {
            return -EPERM;
        }
        erase_info_user range{};
        std::memcpy(&range, argument, sizeof range);
        return request == MEMERASE ? flash_->erase(range.start, range.length)
                                   : flash_->unlock(range.start, range.length);
    }
    default:
        return -ENOTTY;
    }
}

off_t FlashOpenFile::seek(off_t offset, int whence)
{
    std::lock_guard lock(mutex_);
    std::int64_t base = 0;
    switch (whence) {
    case SEEK_SET:
        break;
    case SEEK_CUR:
        base = static_cast<std::int64_t>(position_);
        break;
    case SEEK_END:
        base = flash_->geometry().size;
        break;
    default:
        return -EINVAL;
    }
    std::int64_t const target = base + offset;
    if (target < 0 || target > static_cast<std::int64_t>(flash_->geometry().size)) {
        return -EINVAL;
    }
    position_ = static_cast<std::uint64_t>(target);
    return static_cast<off_t>(target);
}

} // namespace plat::sim
