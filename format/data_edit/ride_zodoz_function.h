#pragma once
// Template functions: `$NAME{argument}` in a pattern's output or a template
// becomes a FormatId start cell, the argument cells and an end cell; after a
// group, an alternative or a whole output is written, the executor replaces
// each call, innermost first, by its result. A failing function makes the
// surrounding alternative or match fail.

#include <cstdint>

#include "format/data_edit/cell_string.h"
#include "format/data_edit/numeric_format.h"
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

// Where the programs' good/no-good signal goes ($SIGNAL{OK}, $SIGNAL{NG}):
// 0 none, 1 OK, 2 NG.
class Indicator {
public:
    void Set(int signal) { signal_ = signal; }
    int Get() const { return signal_; }
    void Clear() { signal_ = 0; }

private:
    int signal_ = 0;
};

class RideZodozFunctionExecutor {
public:
    static constexpr unsigned kMaxOpenCalls = 256;
    static constexpr unsigned kWorkCells = 24576;

    // Clears the signal and both numeric formats; at the start of
    // every pattern match and template output.
    void Initialize();
    // Runs every call in cells[0, length); false when a call fails or the
    // calls do not nest. On success newLength is the length afterwards.
    bool Start(DecodeDataByte* cells, unsigned capacity, unsigned length, unsigned& newLength);
    bool Start(String<Character>& cells);

    void SetTriggerUp(bool up) { triggerUp_ = up; }
    // Whether the caller holds the settings lock, which the register functions need.
    void SetSettingsLocked(bool locked) { settingsLocked_ = locked; }
    int Signal() const { return signal_; }
    void SetIndicator(Indicator* indicator) { indicator_ = indicator; }
    // Hands the signal of a run that succeeded to the indicator; no signal
    // leaves it as it was.
    void ReportSignal() const
    {
        if (indicator_ != nullptr && signal_ != 0)
            indicator_->Set(signal_);
    }

private:
    // Replaces the argument (the window between the call's start and end
    // cells, both already removed) by the result of the start cell's function.
    bool ExecuteFunction(const Character& startCell, SubString<Character>& argument);
    // REGISTER, UNREGISTER, COMPARE, COUNT_OK, COUNT_NG on the verification
    // register kept in the settings; numbers above 23 fail.
    bool ExecuteVerification(unsigned char id, const DecodeDataByte* arg, unsigned n);

    bool triggerUp_ = false;
    bool settingsLocked_ = false;
    int signal_ = 0;
    NumericFormat current_;
    NumericFormat running_; // the number format in force when the running call started
    Indicator* indicator_ = nullptr;
    DecodeDataByte work_[kWorkCells];
};

} // namespace ivra_string_library
