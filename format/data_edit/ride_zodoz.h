#pragma once
// The data-editing engine: five program slots (user memories 1-4 and the GS1
// conversion program 5), each a compiled pattern and output template, and
// the collector of recent label results they share. It plugs into the
// formatter through the DataEditPrograms hook.
//
// Programs are replaced from the command threads while the label thread runs
// them; one lock covers every slot and the collector. A program that keeps
// the verification register also holds the settings lock while it runs.

#include <mutex>
#include <string>

#include "format/data_edit/code_regex_data_collector.h"
#include "format/data_edit_hooks.h"
#include "format/data_edit/ride_zodoz_format.h"
#include "format/data_edit/ride_zodoz_function.h"
#include "format/data_edit/ride_zodoz_pattern.h"

template <class Cell>
class RideZodoz : public DataEditPrograms {
public:
    static constexpr unsigned kSlots = 5;
    static constexpr unsigned kPatternText = 2048;
    static constexpr unsigned kFormatText = 1024;
    // SetConfig: the slot number is outside 1-5.
    static constexpr int kBadSlot = 2;

    RideZodoz();

    bool IsInstalled(unsigned program) const override;
    bool Collect(const DataEditLabel& label) override;
    void EmptyCollector() override;
    int Matches(unsigned program, const DataEditLabel& label) override;
    bool IsPossibleToOutput(unsigned program) const override;
    int Output(unsigned program, DecodeDataByte* cells, unsigned room, unsigned& count) override;
    // Compiles both texts first; only when both compile does the slot take
    // them, so a refused program leaves the working one in force. 0, kBadSlot,
    // or the compiler's code.
    int SetConfig(unsigned program, const unsigned char* pattern, const unsigned char* format) override;
    void ClearProgram(unsigned program) override;
    int Signal() const override;
    unsigned Gs1OutputMode() const override;
    void SetGs1OutputMode(unsigned mode);

    // The texts last set for a slot (for "ED5"); false for a slot outside 1-5.
    bool Texts(unsigned program, std::string& pattern, std::string& format) const;

private:
    struct Slot {
        char pattern[kPatternText + 1] = {};
        char format[kFormatText + 1] = {};
        RideZodozPattern<Cell, 512> compiledPattern;
        RideZodozFormat<Cell, 512> compiledFormat;
        bool enabled = false;
        bool usesSettings = false; // calls the verification register functions
    };

    // The settings lock for a program that writes settings, taken before the
    // engine's own lock as the command threads take them; empty otherwise.
    std::unique_lock<std::recursive_mutex> SettingsLockFor(unsigned program) const;

    mutable std::mutex mutex_;
    Slot slots_[kSlots + 1];
    CodeRegexDataCollector collector_;
    ivra_string_library::RideZodozFunctionExecutor functions_;
    RegexLabel current_;
    bool haveLabel_ = false;
    bool triggerUp_ = false; // of the label collected last
    ivra_string_library::Indicator indicator_; // the signal of the label collected last
    unsigned gs1Mode_ = 0;
};
