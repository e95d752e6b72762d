#include "format/data_edit/code_regex_data_collector.h"

bool CodeRegexDataCollector::Append(const DecodeDataByte* cells, unsigned count, unsigned& start)
{
    if (count > kCells - write_)
        return false;
    start = write_;
    for (unsigned i = 0; i < count; ++i)
        cells_[write_++] = cells[i];
    return true;
}

void CodeRegexDataCollector::Push(const CodeRegexData& record)
{
    if (count_ == kRecords) {
        for (unsigned i = 1; i < kRecords; ++i)
            records_[i - 1] = records_[i];
        --count_;
    }
    records_[count_++] = record;
}

const CodeRegexData* CodeRegexDataCollector::Find(unsigned program, unsigned part, unsigned skip) const
{
    for (unsigned i = count_; i-- > 0;) {
        if (records_[i].program != program || records_[i].part != part)
            continue;
        if (skip-- == 0)
            return &records_[i];
    }
    return nullptr;
}

bool CodeRegexDataCollector::Delete(const CodeRegexData* record)
{
    for (unsigned i = 0; i < count_; ++i) {
        if (&records_[i] != record)
            continue;
        for (unsigned k = i + 1; k < count_; ++k)
            records_[k - 1] = records_[k];
        --count_;
        return true;
    }
    return false;
}

const RegexGroup* CodeRegexDataCollector::Group(unsigned program, unsigned part, unsigned number,
                                                unsigned skip) const
{
    const CodeRegexData* record = Find(program, part);
    if (record == nullptr)
        return nullptr;
    for (unsigned i = 0; i < record->groups.Size(); ++i) {
        const RegexGroup& g = record->groups.Newest(i);
        if (g.number == number && skip-- == 0)
            return &g;
    }
    return nullptr;
}

const ApplicationIdentifierData* CodeRegexDataCollector::GetApplicationIdentifierData(
    unsigned program, unsigned part, const ApplicationIdentifier& ai, unsigned skip) const
{
    const CodeRegexData* record = Find(program, part);
    if (record == nullptr)
        return nullptr;
    for (unsigned i = 0; i < record->elements.Size(); ++i) {
        const ApplicationIdentifierData& e = record->elements.Newest(i);
        if (e.ai.Matches(ai) && skip-- == 0)
            return &e;
    }
    return nullptr;
}

void CodeRegexDataCollector::Empty()
{
    count_ = 0;
    write_ = 0;
}
