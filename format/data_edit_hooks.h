#pragma once
// Where the data-editing programs (user memories 1-4 and the GS1 conversion
// program 5) meet the formatter. This base has no program installed, so every
// label takes the formatter's default path; the data-editing engine derives
// from it and is handed to Formatter::SetDataEditPrograms.

#include "format/decode_data_byte.h"
#include "format/formatter_decode_data.h"

// One label as the programs see it.
struct DataEditLabel {
    DecodeDataByte identifier; // the maker code as a plain character cell
    unsigned char aim[4] = {}; // the AIM text without NUL bytes
    unsigned aimLength = 0;
    int regionX[4] = {};
    int regionY[4] = {};
    int angle = 0;
    tagStructuredAppend structuredAppend{};
    bool triggerUp = false; // the trigger key was up when the label was formatted
    const DecodeDataByte* cells = nullptr; // FNC1 first on GS1 labels
    unsigned count = 0;
};

class DataEditPrograms {
public:
    static constexpr unsigned kFirstProgram = 1;
    static constexpr unsigned kLastProgram = 5;
    static constexpr unsigned kGs1Program = 5;

    // Results of Matches.
    static constexpr int kMatched = 0;
    static constexpr int kNotMatched = 1;

    virtual ~DataEditPrograms() = default;

    // Whether program 1-5 is installed.
    virtual bool IsInstalled(unsigned /*program*/) const { return false; }
    // Hands the label to the multi-label collector, which keeps its own copy
    // of the cells; false when its store has no room.
    virtual bool Collect(const DataEditLabel& /*label*/) { return true; }
    virtual void EmptyCollector() {}
    // kMatched, kNotMatched, or any other value for an error.
    virtual int Matches(unsigned /*program*/, const DataEditLabel& /*label*/) { return kNotMatched; }
    // Whether the collected labels are all the matched program needs.
    virtual bool IsPossibleToOutput(unsigned /*program*/) const { return false; }
    // Writes the program's output cells; 0 with `count` set, nonzero when refused.
    virtual int Output(unsigned /*program*/, DecodeDataByte* /*cells*/, unsigned /*room*/, unsigned& count)
    {
        count = 0;
        return 3;
    }
    // Installs program `program` from its pattern and template texts
    // (NUL-terminated); an empty pair removes it. Nonzero when refused.
    virtual int SetConfig(unsigned /*program*/, const unsigned char* pattern, const unsigned char* format)
    {
        const bool empty = (pattern == nullptr || pattern[0] == 0) && (format == nullptr || format[0] == 0);
        return empty ? 0 : -1;
    }
    virtual void ClearProgram(unsigned /*program*/) {}
    // What the program run for the collected label signalled ($SIGNAL): one of
    // kSignal*; cleared when the next label is collected.
    static constexpr int kSignalNone = 0;
    static constexpr int kSignalOk = 1;
    static constexpr int kSignalNg = 2;
    virtual int Signal() const { return kSignalNone; }
    // The GS1 conversion output mode; the per-symbology prefix and suffix
    // accompany program 5 only when it is not 0.
    virtual unsigned Gs1OutputMode() const { return 0; }
};
