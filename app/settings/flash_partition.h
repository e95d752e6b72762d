#pragma once
// The raw flash partitions that hold the settings. A save never erases the copy a start
// would read: a partition of two erase blocks or more holds two copies, one in each half,
// and a save writes the half that does not hold the copy in use. Each copy is the text
// from the start of its half up to the first erased byte (0xFF), as the older single-copy
// layout stored it at the start of the partition, and a mark at the end of the half
// (app/settings/flash_copy_mark.h), programmed once the text reads back whole. A start reads the
// newest copy with a whole mark; a partition with none holds the older layout, which is
// read as before and kept until a save has written the other half.

#include "config/stream.h"

#include <cstdint>
#include <cstdio>
#include <string>

// One byte per call into an open partition. A failed write is remembered, so that a
// caller that ignores one result still sees it at Flush().
class FileRawOutputStream final : public ivra_configuration::OutputStream {
public:
    explicit FileRawOutputStream(FILE* stream) : stream_(stream) {}

    using OutputStream::Write;
    bool Write(char c) override;
    bool Flush() override;

    bool failed() const { return failed_; }

private:
    FILE* stream_;
    bool failed_ = false;
};

enum class PartitionRead {
    Text,        // the text of the copy in use
    Empty,       // nothing stored, or an empty text
    Unreadable,  // could not open or read
};

// A copy can be tied to a generation of another partition (its link): a reader passes the
// newest generation it takes links up to, and copies linked beyond it do not count.
inline constexpr std::uint32_t kAnyLink = UINT32_MAX;

// Reads the text of the copy in use through the given path (the read-only twin).
PartitionRead ReadPartitionText(char const* readPath, std::string& text, std::uint32_t linkedUpTo = kAnyLink);

// The generation of the newest copy with a whole mark; 0 when there is none. False when
// the partition cannot be read.
bool NewestPartitionGeneration(char const* readPath, std::uint32_t& generation);

// Stores `text` as a new copy tied to `link`, in the half that does not hold the copy a
// reader with `linkedUpTo` takes; that copy stays as it is. The text must already be
// complete: nothing is erased when it cannot fit its half or holds an erased byte. True
// only when every step succeeded and the new copy reads back whole with its mark.
bool WritePartitionText(char const* writePath, char const* readPath, std::string const& text,
                        std::uint32_t link = 0, std::uint32_t linkedUpTo = kAnyLink);
