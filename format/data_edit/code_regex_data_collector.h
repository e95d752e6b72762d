#pragma once
// What the data-editing programs collected from recent labels: per label and
// program its groups, GS1 element strings, identifiers and region, all
// referring by cell position to one output buffer that holds the labels'
// cells and the programs' output.

#include <cstdint>

#include "format/data_edit/limited_ring_iterator.h"
#include "format/data_edit/limited_string_buffer.h"
#include "format/data_edit/regex_groups.h"
#include "format/decode_data_byte.h"

// The result of one label for one program.
struct CodeRegexData : RegexGroups {
    unsigned program = 0;
    unsigned part = 0; // the '/'-separated part the label matched
    bool continuation = false;
    std::uint16_t inputStart = 0; // the label's own cells
    std::uint16_t inputEnd = 0;
};

// A record's key: the program and the part of its pattern.
struct CodeRegexKey {
    unsigned program;
    unsigned part;
};

inline bool KeyEquals(const CodeRegexData& record, const CodeRegexKey& key)
{
    return record.program == key.program && record.part == key.part;
}

class CodeRegexDataCollector {
public:
    static constexpr unsigned kRecords = 20;
    static constexpr unsigned kCells = 24576;
    using OutputBuffer = LimitedStringBuffer<DecodeDataByte, kCells>;

    OutputBuffer& Output() { return output_; }
    const OutputBuffer& Output() const { return output_; }
    const DecodeDataByte* Cells() const { return output_.Cells(); }

    // Keeps the record; the oldest drops out when all are taken.
    void Push(const CodeRegexData& record) { records_.Push(record); }
    // The (skip + 1)-th newest record of that program and part.
    const CodeRegexData* Find(unsigned program, unsigned part, unsigned skip = 0) const
    {
        return records_.ReverseSearchGet(CodeRegexKey{program, part}, skip);
    }
    // Removes the (skip + 1)-th newest record of that program and part; later
    // records move down one place. False when there is none. The record's
    // cells stay in the output buffer, so that every position held elsewhere
    // stays valid.
    bool Delete(unsigned program, unsigned part, unsigned skip);
    // The (skip + 1)-th newest group `number` of the newest record with the key.
    const RegexGroup* Group(unsigned program, unsigned part, unsigned number, unsigned skip) const;
    bool Exist(unsigned program, unsigned part, unsigned number, unsigned skip) const
    {
        return Group(program, part, number, skip) != nullptr;
    }
    const ApplicationIdentifierData* GetApplicationIdentifierData(unsigned program, unsigned part,
                                                                 const ApplicationIdentifier& ai,
                                                                 unsigned skip) const;
    void Empty();
    unsigned RecordCount() const { return records_.Size(); }

private:
    LimitedRingIterator<CodeRegexData, kRecords> records_;
    OutputBuffer output_;
};
