#pragma once
// What the data-editing programs collected from recent labels: per label and
// program its groups, GS1 element strings, identifiers and region, all
// referring by cell position to one output buffer that holds the labels'
// cells and the programs' output.

#include <cstdint>

#include "format/data_edit/ai_table.h"
#include "format/decode_data_byte.h"

struct RegexGroup {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    std::uint32_t number = 0;
};

// The newest 64 groups (or element strings); older ones drop out.
template <class T, unsigned N>
struct LimitedRing {
    T items[N];
    unsigned total = 0;

    void Push(const T& item) { items[total++ % N] = item; }
    unsigned Size() const { return total < N ? total : N; }
    // i = 0 the newest.
    const T& Newest(unsigned i) const { return items[(total - 1 - i) % N]; }
};

struct LabelRegion {
    int x[4] = {};
    int y[4] = {};
    int angle = 0;
};

struct CodeRegexData {
    static constexpr unsigned kGroups = 64;
    LimitedRing<RegexGroup, kGroups> groups;
    LimitedRing<ApplicationIdentifierData, kGroups> elements;
    DecodeDataByte symbology;
    unsigned char aim[3] = {}; // ']' left out
    LabelRegion region;
    unsigned program = 0;
    unsigned part = 0; // the '/'-separated part the label matched
    bool continuation = false;
    std::uint16_t inputStart = 0; // the label's own cells
    std::uint16_t inputEnd = 0;
};

class CodeRegexDataCollector {
public:
    static constexpr unsigned kRecords = 20;
    static constexpr unsigned kCells = 24576;

    // Appends cells to the buffer; false when they do not fit.
    bool Append(const DecodeDataByte* cells, unsigned count, unsigned& start);
    unsigned WritePosition() const { return write_; }
    void SetWritePosition(unsigned position) { write_ = position; }
    DecodeDataByte* Cells() { return cells_; }
    const DecodeDataByte* Cells() const { return cells_; }

    // Keeps the record; the oldest drops out when all are taken.
    void Push(const CodeRegexData& record);
    // The (skip + 1)-th newest record of that program and part.
    const CodeRegexData* Find(unsigned program, unsigned part, unsigned skip = 0) const;
    // Removes one record; false when there is none.
    bool Delete(const CodeRegexData* record);
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
    unsigned RecordCount() const { return count_; }

private:
    CodeRegexData records_[kRecords];
    unsigned count_ = 0; // records_[0] the oldest
    DecodeDataByte cells_[kCells];
    unsigned write_ = 0;
};
