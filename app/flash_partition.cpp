#include "app/flash_partition.h"

#include "platform/platform.h"

#include <cstdint>
#include <sys/ioctl.h> // before the MTD header, which uses its request macros
#include <mtd/mtd-user.h>

namespace {

constexpr unsigned char kErased = 0xFF;
// No partition of the board is near this; it only bounds a path that is not flash.
constexpr std::size_t kMaxPartitionText = 16u << 20;

// The geometry of the partition behind the stream, when it is usable for an erase.
bool ReadGeometry(FILE* stream, mtd_info_user& info)
{
    int const fd = plat::fileno(stream);
    if (fd < 0) {
        return false;
    }
    info = {};
    if (plat::ioctl(fd, MEMGETINFO, &info) != 0) {
        return false;
    }
    // An erase size of 0 would never advance the erase loop.
    return info.size > 0 && info.erasesize > 0;
}

bool EraseBlocks(FILE* stream, mtd_info_user const& info)
{
    int const fd = plat::fileno(stream);
    for (std::uint64_t offset = 0; offset < info.size; offset += info.erasesize) {
        erase_info_user block{};
        block.start = static_cast<std::uint32_t>(offset);
        block.length = info.erasesize;
        // Parts without block locking refuse the unlock; the erase result tells.
        plat::ioctl(fd, MEMUNLOCK, &block);
        if (plat::ioctl(fd, MEMERASE, &block) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

bool FileRawInputStream::Read(char& c)
{
    if (stream_ == nullptr || failed_) {
        return false;
    }
    if (std::fread(&c, 1, 1, stream_) == 1) {
        return true;
    }
    failed_ = std::ferror(stream_) != 0;
    return false;
}

bool FileRawOutputStream::Write(char c)
{
    if (stream_ == nullptr || failed_) {
        failed_ = true;
        return false;
    }
    if (std::fwrite(&c, 1, 1, stream_) != 1) {
        failed_ = true;
    }
    return !failed_;
}

bool FileRawOutputStream::Flush()
{
    if (stream_ == nullptr || failed_) {
        return false;
    }
    if (std::fflush(stream_) != 0) {
        failed_ = true;
    }
    return !failed_;
}

PartitionRead ReadPartitionText(char const* readPath, std::string& text)
{
    text.clear();
    FILE* const stream = plat::fopen(readPath, "rb");
    if (stream == nullptr) {
        return PartitionRead::Unreadable;
    }
    FileRawInputStream in(stream);
    PartitionRead result = PartitionRead::Text;
    char c = 0;
    if (!in.Read(c)) {
        result = in.failed() ? PartitionRead::Unreadable : PartitionRead::Empty;
    } else if (static_cast<unsigned char>(c) == kErased) {
        result = PartitionRead::Empty;
    } else {
        text.push_back(c);
        while (in.Read(c) && static_cast<unsigned char>(c) != kErased) {
            if (text.size() >= kMaxPartitionText) {
                result = PartitionRead::Unreadable;
                break;
            }
            text.push_back(c);
        }
        if (in.failed()) {
            result = PartitionRead::Unreadable;
        }
    }
    plat::fclose(stream);
    if (result != PartitionRead::Text) {
        text.clear();
    }
    return result;
}

bool ErasePartition(FILE* stream)
{
    mtd_info_user info{};
    return stream != nullptr && ReadGeometry(stream, info) && EraseBlocks(stream, info);
}

bool WritePartitionText(char const* writePath, char const* readPath, std::string const& text)
{
    // An erased byte inside the text would end it early on the next read.
    if (text.find(static_cast<char>(kErased)) != std::string::npos) {
        return false;
    }
    FILE* const stream = plat::fopen(writePath, "wb");
    if (stream == nullptr) {
        return false;
    }
    mtd_info_user info{};
    bool ok = ReadGeometry(stream, info) && text.size() <= info.size && EraseBlocks(stream, info) &&
              std::fseek(stream, 0, SEEK_SET) == 0;
    if (ok) {
        FileRawOutputStream out(stream);
        for (char c : text) {
            if (!out.Write(c)) {
                break;
            }
        }
        ok = out.Flush();
    }
    if (plat::fclose(stream) != 0) {
        ok = false;
    }
    if (!ok) {
        return false;
    }
    // A power cut or a block that did not erase shows only in what the part holds now.
    std::string stored;
    PartitionRead const back = ReadPartitionText(readPath, stored);
    if (text.empty()) {
        return back == PartitionRead::Empty;
    }
    return back == PartitionRead::Text && stored == text;
}
