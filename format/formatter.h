#pragma once
// Turns one decoded label at a time into host output. The read cycle hands it
// each label (SetDecodeResult), lets it find ECI escapes (SearchECIPatterns),
// lets the menu-code parsers look first, and then calls FormatData, which runs
// the data-editing programs or the default path and pushes the output units,
// in order: good-read unit when timed before, common prefix, symbology
// prefix, data, symbology suffix, common suffix, good-read unit when timed
// after.
//
// Everything runs on the label thread, except BuildOutputBufferBasedOnInterface,
// which the command threads also use and which touches no label state, and
// StopFormatter, which the read cycle calls from its key, heartbeat, command and
// grabber threads: the held Codabar half is guarded by a lock of its own.
// FormatData copies the settings it reads (formatter_settings.h) under the
// command lock, before it takes any lock of its own, and lets the command lock
// go at once: every step of the label reads that copy, and output is pushed
// with no lock held. A step called on its own takes the settings as they are.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "decoder/core/tag_decoded_label.h"
#include "format/data_edit_hooks.h"
#include "format/decode_data_byte.h"
#include "format/formatter_decode_data.h"
#include "format/formatter_outlets.h"
#include "format/formatter_settings.h"
#include "format/output_buffer_data.h"

class Formatter {
public:
    using DECODE_DATA = FormatterDecodeData;

    static constexpr unsigned kScratchCells = 24576;
    static constexpr unsigned kOutputCells = 8000;
    // A first Codabar half read again within this time is ignored.
    static constexpr std::int64_t kRepeatHoldNanoseconds = 500'999'999;

    // Results of DoOptionsNotHandledByDecoder.
    static constexpr int kOptionsOutput = 0;
    static constexpr int kOptionsRepeat = 1;
    static constexpr int kOptionsRefused = 2;
    static constexpr int kOptionsHeld = 3;

    // FormatData: the label cannot become host output.
    static constexpr int kFormatRefused = -1;

    // Good-read signals.
    static constexpr unsigned kErrorLed = 1;
    static constexpr unsigned kGoodReadLed = 2;
    static constexpr unsigned kErrorLedBlink = 4;
    static constexpr unsigned kHalfHeldBuzzerType = 5;
    static constexpr unsigned kHalfHeldBuzzerVolume = 63;
    static constexpr unsigned kErrorBuzzerType = 1;
    static constexpr unsigned kErrorBuzzerVolume = 127;

    static Formatter& getInstance();

    // --- wiring ------------------------------------------------------------------
    void SetOutlets(FormatterOutlets outlets) { outlets_ = std::move(outlets); }
    const FormatterOutlets& Outlets() const { return outlets_; }
    // nullptr puts back the empty default (no program installed).
    void SetDataEditPrograms(DataEditPrograms* programs);
    // Nanoseconds of the system clock; replaceable so that timing can be tested.
    void SetClock(std::function<std::int64_t()> now);

    // --- the label road ----------------------------------------------------------
    // Stores one label. False, leaving a label that FormatData refuses, when
    // the label is malformed (no identifier, no data, a length of 0 or beyond
    // the label buffer) or its symbology is unknown.
    bool SetDecodeResult(const void* identifier, const char* data, unsigned length, const tagDEC2D_REGION* region,
                         const tagStructuredAppend* sa, int angle);
    // Sets identifier, maker code, AIM text and modifier of the current label;
    // false when the symbology number is unknown.
    bool FilterAimIdSymbology(const void* identifier);
    // 1 when output was pushed, 0 when the label produced none (held,
    // suppressed, waiting for more labels, or empty), kFormatRefused when it
    // cannot become host output (not stored, longer than the output cells
    // hold, or text the keyboard's code page cannot convert): nothing pushed,
    // no signal given.
    int FormatData();
    // program 0 is the default path, 1-5 a data-editing program. 1 when
    // output was pushed, 0 when the formatted output is empty, kFormatRefused
    // when FormatOutputBuffer failed. A program's NG signal gives the error
    // beep and LED in place of the good-read ones; the output still goes.
    int FormatAndPushToOutputinterface(std::vector<OutputBufferData>& units, unsigned program,
                                       bool signalledNg = false);
    // Replaces `out` by the units of a prefix or suffix text; `count` is the
    // label's output character count. Whether `out` is non-empty.
    bool BuildPrefixSuffix(std::vector<unsigned char> text, int count, std::vector<OutputBufferData>& out);
    // Appends the text a label-value code (171, 173-175) stands for; 1 when
    // `code` is such a code.
    int HandleSpecial(unsigned char code, int count, std::vector<OutputBufferData>& out);
    // The symbology's own options on the default path: one of kOptions*. FormatData
    // calls it under the held-half lock.
    int DoOptionsNotHandledByDecoder();
    // Drops a held Codabar half; the read cycle calls it when reading starts or stops.
    void StopFormatter();
    // Installs program 5 from NUL-terminated texts; 0, or -1 when refused.
    int SetGS1DataString(unsigned char* pattern, unsigned char* format);

    static bool IsGS1(const char* aim);
    static bool Is2DCode(SymbologyIdentifier id);
    static void ReplaceForGS1(char* data, unsigned length);

    // --- output units and character sets -------------------------------------------
    // Lists the ECI escapes (a backslash and six digits) of a label that can carry them.
    void SearchECIPatterns(const char* data, unsigned length);
    // Whether the current label's AIM identifier allows ECI escapes.
    bool CanHaveEciSupport() const;
    // Appends the units of `count` cells: byte runs, code-point runs, pauses.
    void DecodeDataByteToOutputBuffer(const DecodeDataByte* cells, unsigned count, std::vector<OutputBufferData>& out);
    // Cuts ECI escapes out of byte units, converts them to code points for
    // the keyboard, keeps or drops the escapes, and counts the output
    // characters into `count`. Returns 1; 0 when a byte unit meant for the
    // keyboard does not convert (the keyboard cannot type bytes).
    int FormatOutputBuffer(std::vector<OutputBufferData>& units, int& count);
    // From the escape's code page, or the character-conversion setting's
    // when `eci` is empty; 1 on success, 0 with `out` empty on failure.
    int ConvertToCodePoints(std::string eci, const std::vector<unsigned char>& bytes, std::vector<unsigned int>& out);
    // Appends a text (a command reply, the no-read message) as the host
    // interface takes it; whether `out` is non-empty. For a USB keyboard the
    // bytes are converted from the character-conversion setting's code page:
    // this form reads the setting, so it runs under the command lock (a
    // command's reply); the other is given the setting's value by a caller
    // that keeps its own copy.
    static bool BuildOutputBufferBasedOnInterface(const unsigned char* text, int length,
                                                  std::vector<OutputBufferData>& out, unsigned char interface);
    static bool BuildOutputBufferBasedOnInterface(const unsigned char* text, int length,
                                                  std::vector<OutputBufferData>& out, unsigned char interface,
                                                  unsigned cclSource);

    // --- per-symbology options ------------------------------------------------------
    // The `string` child whose prefix and suffix go with an identifier.
    static const std::map<SymbologyIdentifier, const char*> mapPrefixSuffix;
    // Prefix and suffix bytes that are sent as direct keys: byte b as U+E000 + b.
    static const std::map<unsigned char, unsigned int> mapDirectToCodepoint;

    void DoCaseConversion(std::vector<unsigned char>& bytes);
    static void SetCase(std::vector<unsigned char>& bytes, std::function<int(int)> f);

    // --- state, for the parsers and tests -------------------------------------------
    const DECODE_DATA& Record() const { return record_; }
    bool HasLabel() const { return labelValid_; }
    // (offset of the backslash, escape text) of each ECI escape of the label.
    const std::vector<std::pair<unsigned, std::string>>& EciList() const { return eciList_; }

private:
    Formatter();
    Formatter(const Formatter&) = delete;
    Formatter& operator=(const Formatter&) = delete;

    struct PrefixSuffixText {
        std::vector<unsigned char> prefix;
        std::vector<unsigned char> suffix;
        bool found = false;
    };
    static PrefixSuffixText SymbologyPrefixSuffix(const FormatterSettings& settings);

    // The label's copy of the settings while it lives; the outermost scope
    // takes the copy, so a label is formatted from one copy however its steps
    // nest.
    class SettingsScope {
    public:
        explicit SettingsScope(Formatter& formatter);
        ~SettingsScope();
        SettingsScope(const SettingsScope&) = delete;
        SettingsScope& operator=(const SettingsScope&) = delete;
        const FormatterSettings& operator*() const { return formatter_.settings_; }
        const FormatterSettings* operator->() const { return &formatter_.settings_; }

    private:
        Formatter& formatter_;
        bool outermost_;
    };

    DataEditLabel BuildDataEditLabel() const;
    // Steps of FormatData.
    enum class ProgramResult { Output, NoMatch, Stop };
    ProgramResult RunDataEditPrograms(std::vector<OutputBufferData>& units, unsigned& program);
    bool FormatDefaultPath(std::vector<OutputBufferData>& units);
    std::int64_t Now() const;
    void PushAll(const std::vector<OutputBufferData>& units) const;

    DECODE_DATA record_;
    bool labelValid_ = false;
    unsigned char labelBuffer_[DECODE_DATA::kCapacity] = {};
    std::vector<std::pair<unsigned, std::string>> eciList_;
    // Label thread only, like the label itself.
    FormatterSettings settings_;
    bool settingsTaken_ = false;

    DecodeDataByte scratch_[kScratchCells];
    DecodeDataByte output_[kOutputCells];

    FormatterOutlets outlets_;
    DataEditPrograms* programs_;
    std::function<std::int64_t()> now_;
    std::mutex heldMutex_; // the held Codabar half and the time it was held
    std::int64_t concatenationTime_ = 0;
};
