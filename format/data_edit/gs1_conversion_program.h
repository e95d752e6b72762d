#pragma once
// The GS1 conversion settings and the data-editing program (pattern and
// template texts) they stand for: program 5 of the engine.

#include <cstdint>
#include <string>

struct Gs1Separator {
    static constexpr unsigned char kNone = 255;
    unsigned char c[2] = {kNone, kNone};
    unsigned char key[2] = {0, 0}; // 1: the character is a direct key code
    bool operator==(const Gs1Separator&) const = default;
};

struct Gs1ConversionValues {
    static constexpr unsigned kAiEntries = 10;
    static constexpr unsigned kAiEntryBytes = 17;
    // Byte offsets of an AI table entry.
    static constexpr unsigned kAi = 0;       // five bytes
    static constexpr unsigned kHeader1 = 5;  // two hex digits, then the key flag
    static constexpr unsigned kHeader2 = 8;
    static constexpr unsigned kTerminator1 = 11;
    static constexpr unsigned kTerminator2 = 14;

    unsigned char decodemodec128 = 0;
    unsigned char gs1outputmode = 4;
    unsigned char checkai = 0;
    unsigned char removeday = 0;
    unsigned char outaimfirstfnc1 = 1;
    unsigned char outai = 1;
    unsigned char parentheseai = 0;
    unsigned char decimalpoint = 0;
    unsigned char outputsepevenifnotfoundai = 0;
    unsigned char delayvalue = 0;
    unsigned char delaymultiple = 1;
    Gs1Separator dataseparator;
    Gs1Separator elementseparator;
    Gs1Separator fn1conv;
    unsigned char aisettings[kAiEntries][kAiEntryBytes];
    std::int32_t aiindex = 0;

    Gs1ConversionValues() { ResetAiTable(); }
    void ResetAiTable();
    static bool FreeEntry(const unsigned char* entry) { return entry[0] == 255; }
};

// Pattern and template of program 5; false for an output mode above 4. Both
// texts are empty when conversion is off (mode 0, or GS1-128 handling off).
bool BuildGs1ConversionProgram(const Gs1ConversionValues& values, std::string& pattern, std::string& format);
