#include "format/data_edit/code_regex_data_collector.h"

bool CodeRegexDataCollector::Delete(unsigned program, unsigned part, unsigned skip)
{
    const CodeRegexKey key{program, part};
    for (unsigned i = 0; i < records_.Size(); ++i) {
        if (!KeyEquals(records_.Newest(i), key) || skip-- != 0)
            continue;
        return records_.Erase(i);
    }
    return false;
}

const RegexGroup* CodeRegexDataCollector::Group(unsigned program, unsigned part, unsigned number,
                                                unsigned skip) const
{
    const CodeRegexData* record = Find(program, part);
    return record != nullptr ? record->groups.ReverseSearchGet(number, skip) : nullptr;
}

const ApplicationIdentifierData* CodeRegexDataCollector::GetApplicationIdentifierData(
    unsigned program, unsigned part, const ApplicationIdentifier& ai, unsigned skip) const
{
    const CodeRegexData* record = Find(program, part);
    return record != nullptr ? record->elements.ReverseSearchGet(ai, skip) : nullptr;
}

void CodeRegexDataCollector::Empty()
{
    records_.Clear();
    output_.Empty();
}
