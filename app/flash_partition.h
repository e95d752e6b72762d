#pragma once
// The raw flash partitions that hold the settings. A partition is read through its
// read-only twin up to the first erased byte (0xFF), and rewritten as a whole: erase
// every block, program the text, then read it back.

#include "config/stream.h"

#include <cstdio>
#include <string>

// One byte per call from an open partition; false at its end or on a read error.
class FileRawInputStream final : public ivra_configuration::InputStream {
public:
    explicit FileRawInputStream(FILE* stream) : stream_(stream) {}

    using InputStream::Read;
    bool Read(char& c) override;

    bool failed() const { return failed_; }

private:
    FILE* stream_;
    bool failed_ = false;
};

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
    Text,        // the text up to the first 0xFF (or the end of the partition)
    Empty,       // first byte 0xFF, or nothing to read
    Unreadable,  // could not open or read
};

// Reads the stored text of a partition through the given path (the read-only twin).
PartitionRead ReadPartitionText(char const* readPath, std::string& text);

// Unlocks and erases the whole partition, block by block. False when the partition's
// geometry cannot be read or makes no sense, or when any block fails to erase.
bool ErasePartition(FILE* stream);

// Replaces the partition's contents with `text` (no terminator: the erased rest ends
// it). The text must already be complete: nothing is erased when it cannot fit or
// holds an erased byte. True only when every step succeeded and the text reads back
// unchanged through readPath.
bool WritePartitionText(char const* writePath, char const* readPath, std::string const& text);
