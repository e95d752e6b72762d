#include "app/settings/flash_partition.h"

#include "app/settings/flash_copy_mark.h"
#include "platform/platform.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <sys/ioctl.h> // before the MTD header, which uses its request macros
#include <mtd/mtd-user.h>
#include <vector>

namespace {

constexpr std::uint8_t kErased = 0xFF;
// No partition of the board is near this; it only bounds what a read holds in memory.
constexpr std::uint32_t kMaxPartitionSize = 16u << 20;
constexpr unsigned kNoHalf = 2;

struct Layout {
    std::uint32_t size = 0;
    std::uint32_t eraseSize = 0;
    std::uint32_t half = 0; // bytes of each copy's half, whole erase blocks
    unsigned halves = 0;    // 2; 1 on a partition of a single erase block, which cannot keep a copy
};

bool operator==(Layout const& a, Layout const& b)
{
    return a.size == b.size && a.eraseSize == b.eraseSize;
}

bool ReadLayout(FILE* stream, Layout& layout)
{
    int const fd = plat::fileno(stream);
    mtd_info_user info{};
    if (fd < 0 || plat::ioctl(fd, MEMGETINFO, &info) != 0) {
        return false;
    }
    // An erase size of 0 would never advance an erase loop.
    if (info.size == 0 || info.erasesize == 0 || info.size > kMaxPartitionSize || info.erasesize > info.size) {
        return false;
    }
    std::uint32_t const blocks = info.size / info.erasesize;
    layout.size = info.size;
    layout.eraseSize = info.erasesize;
    layout.halves = blocks >= 2 ? 2 : 1;
    layout.half = blocks >= 2 ? blocks / 2 * info.erasesize : info.erasesize;
    return true;
}

// What a partition holds, and the copy a reader takes.
struct Contents {
    Layout layout;
    std::vector<std::uint8_t> bytes;
    std::array<std::optional<CopyMark>, 2> marks;

    std::span<std::uint8_t const> half(unsigned index) const
    {
        return std::span(bytes).subspan(std::size_t{index} * layout.half, layout.half);
    }

    std::uint32_t newestGeneration() const
    {
        std::uint32_t newest = 0;
        for (auto const& mark : marks) {
            if (mark) {
                newest = std::max(newest, mark->generation);
            }
        }
        return newest;
    }

    // The half of the newest whole copy linked within `linkedUpTo`; kNoHalf when none.
    unsigned inUse(std::uint32_t linkedUpTo) const
    {
        unsigned chosen = kNoHalf;
        for (unsigned i = 0; i < layout.halves; ++i) {
            auto const& mark = marks[i];
            if (mark && mark->link <= linkedUpTo && (chosen == kNoHalf || mark->generation > marks[chosen]->generation)) {
                chosen = i;
            }
        }
        return chosen;
    }

    std::string text(std::uint32_t linkedUpTo) const
    {
        unsigned const chosen = inUse(linkedUpTo);
        if (chosen != kNoHalf) {
            auto const copy = half(chosen).first(marks[chosen]->length);
            return {copy.begin(), copy.end()};
        }
        if (marks[0]) {
            return {}; // a copy of the new layout that does not count yet, not an older text
        }
        // The older layout: one text from the start of the partition, which may run past
        // the first half; once the second half holds a copy, the text ends there.
        auto const limit = marks[1] ? bytes.begin() + layout.half : bytes.end();
        return {bytes.begin(), std::find(bytes.begin(), limit, kErased)};
    }
};

bool ReadContents(char const* readPath, Contents& contents)
{
    FILE* const stream = plat::fopen(readPath, "rb");
    if (stream == nullptr) {
        return false;
    }
    bool ok = ReadLayout(stream, contents.layout);
    if (ok) {
        // The whole partition at once: a save reads it back twice.
        contents.bytes.assign(contents.layout.size, kErased);
        ok = std::fread(contents.bytes.data(), 1, contents.bytes.size(), stream) == contents.bytes.size();
    }
    plat::fclose(stream);
    if (!ok) {
        return false;
    }
    contents.marks = {};
    for (unsigned i = 0; i < contents.layout.halves; ++i) {
        contents.marks[i] = DecodeCopyMark(contents.half(i));
    }
    return true;
}

bool EraseHalf(FILE* stream, Layout const& layout, unsigned half)
{
    int const fd = plat::fileno(stream);
    std::uint32_t const start = half * layout.half;
    for (std::uint32_t offset = start; offset < start + layout.half; offset += layout.eraseSize) {
        erase_info_user block{};
        block.start = offset;
        block.length = layout.eraseSize;
        // Parts without block locking refuse the unlock; the erase result tells.
        plat::ioctl(fd, MEMUNLOCK, &block);
        if (plat::ioctl(fd, MEMERASE, &block) != 0) {
            return false;
        }
    }
    return true;
}

bool Program(FILE* stream, std::uint32_t offset, std::span<std::uint8_t const> bytes)
{
    if (std::fseek(stream, static_cast<long>(offset), SEEK_SET) != 0) {
        return false;
    }
    FileRawOutputStream out(stream);
    for (std::uint8_t b : bytes) {
        if (!out.Write(static_cast<char>(b))) {
            break;
        }
    }
    return out.Flush();
}

} // namespace

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

PartitionRead ReadPartitionText(char const* readPath, std::string& text, std::uint32_t linkedUpTo)
{
    text.clear();
    Contents contents;
    if (!ReadContents(readPath, contents)) {
        return PartitionRead::Unreadable;
    }
    text = contents.text(linkedUpTo);
    return text.empty() ? PartitionRead::Empty : PartitionRead::Text;
}

bool NewestPartitionGeneration(char const* readPath, std::uint32_t& generation)
{
    Contents contents;
    if (!ReadContents(readPath, contents)) {
        return false;
    }
    generation = contents.newestGeneration();
    return true;
}

bool WritePartitionText(char const* writePath, char const* readPath, std::string const& text, std::uint32_t link,
                        std::uint32_t linkedUpTo)
{
    // An erased byte inside the text would end it early for a reader of the older layout.
    if (text.find(static_cast<char>(kErased)) != std::string::npos) {
        return false;
    }
    // Which half holds the copy in use must be known before anything is erased.
    Contents before;
    if (!ReadContents(readPath, before) || text.size() > before.layout.half - kCopyMarkSize) {
        return false;
    }
    // The older layout and an erased partition keep the first half; a copy in the second
    // half is kept by writing the first.
    unsigned const target = before.layout.halves == 2 && before.inUse(linkedUpTo) != 1 ? 1 : 0;
    CopyMark const mark{before.newestGeneration() + 1, link, static_cast<std::uint32_t>(text.size())};
    if (mark.generation == 0) {
        return false; // generations used up; far beyond the part's erase cycles
    }
    std::uint32_t const start = target * before.layout.half;
    std::span const textBytes(reinterpret_cast<std::uint8_t const*>(text.data()), text.size());

    FILE* const stream = plat::fopen(writePath, "wb");
    if (stream == nullptr) {
        return false;
    }
    Layout layout;
    bool ok = ReadLayout(stream, layout) && layout == before.layout && EraseHalf(stream, layout, target) &&
              Program(stream, start, textBytes);
    // The mark only once the whole half reads back as the text and erased bytes: a cut or a
    // block that did not erase shows only in what the part holds now.
    Contents written;
    ok = ok && ReadContents(readPath, written);
    if (ok) {
        auto const half = written.half(target);
        ok = std::equal(textBytes.begin(), textBytes.end(), half.begin()) &&
             std::all_of(half.begin() + static_cast<long>(text.size()), half.end(),
                         [](std::uint8_t b) { return b == kErased; });
    }
    if (ok) {
        auto const markBytes = EncodeCopyMark(mark, textBytes);
        ok = Program(stream, start + before.layout.half - kCopyMarkSize, markBytes);
    }
    if (plat::fclose(stream) != 0) {
        ok = false;
    }
    if (!ok || !ReadContents(readPath, written)) {
        return false;
    }
    // A whole mark holds the checksum of this text, so it also vouches for the text.
    auto const& stored = written.marks[target];
    return stored && stored->generation == mark.generation && stored->link == link && stored->length == mark.length;
}
