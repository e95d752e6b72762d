#pragma once
// Template functions: `$NAME{argument}` in a pattern's output or a template
// becomes a FormatId start cell, the argument cells and an end cell; after a
// group, an alternative or a whole output is written, the executor replaces
// each call, innermost first, by its result. A failing function makes the
// surrounding alternative or match fail.

#include <cstdint>

#include "format/decode_data_byte.h"

class RideZodozFunction {
public:
    static constexpr unsigned char kEnd = 255;
    static constexpr unsigned kCount = 24;

    // The keyword after '$' (letters, digits and '_'); `*end` the cell after it.
    static bool Search(unsigned char& id, const DecodeDataByte* s, const DecodeDataByte** end);
    static DecodeDataByte StartCell(unsigned char id, unsigned char argument)
    {
        return DecodeDataByte::NewCharacter(0x60u, 0x01u, argument, id);
    }
    static DecodeDataByte EndCell() { return StartCell(kEnd, 0); }
};

namespace ivra_string_library {

// How numbers are written: binary bytes (little- or big-endian) or ASCII
// decimal or hexadecimal digits, with an optional sign.
struct NumericFormat {
    bool sign = false;
    bool ascii = false;
    bool hexadecimal = false;
    bool bigEndian = false;
    unsigned digits = 1;

    // Appends the printed value to out; false when it does not fit.
    bool Print(long long value, DecodeDataByte* out, unsigned room, unsigned& count) const;
    unsigned Width() const { return digits + (ascii && sign ? 1u : 0u); }
};

class RideZodozFunctionExecutor {
public:
    static constexpr unsigned kMaxOpenCalls = 256;
    static constexpr unsigned kWorkCells = 24576;

    void Initialize();
    // Runs every call in cells[0, length); false when a call fails or the
    // calls do not nest. On success newLength is the length afterwards.
    bool Start(DecodeDataByte* cells, unsigned capacity, unsigned length, unsigned& newLength);

    void SetTriggerUp(bool up) { triggerUp_ = up; }
    // Whether the caller holds the settings lock, which the register functions need.
    void SetSettingsLocked(bool locked) { settingsLocked_ = locked; }
    int Signal() const { return signal_; }

private:
    // The result of one call on its argument, into work_.
    bool ExecuteFunction(unsigned char id, unsigned char argument, const DecodeDataByte* arg, unsigned n,
                         const NumericFormat& saved, unsigned& resultCount);
    // REGISTER, UNREGISTER, COMPARE, COUNT_OK, COUNT_NG on the verification
    // register kept in the settings; numbers above 23 fail.
    bool ExecuteVerification(unsigned char id, const DecodeDataByte* arg, unsigned n);

    bool triggerUp_ = false;
    bool settingsLocked_ = false;
    int signal_ = 0;
    NumericFormat current_;
    DecodeDataByte work_[kWorkCells];
};

} // namespace ivra_string_library
