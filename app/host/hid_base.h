#pragma once
// What every keyboard layout shares: building boot-keyboard input reports, the
// repeat rule, the private code points for direct keys and pauses, and the
// forms a character without a key is typed in (Alt codes, hexadecimal entry).
//
// A report is 8 bytes: modifier bits, a reserved byte and six key usages (only
// the first is used). The all-zero report releases every key.

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

using KeyReport = std::array<unsigned char, 8>;

class HidBase {
public:
    struct scan_kbd {
        unsigned char key;
        unsigned char modifier;
    };
    struct scan_kbd_deadkey {
        unsigned char key;
        unsigned char modifier;
        unsigned int next; // typed after the dead key
    };
    using ReportSink = std::function<bool(KeyReport)>;

    // Modifier bits of the report.
    static constexpr unsigned char kLeftCtrl = 0x01;
    static constexpr unsigned char kLeftShift = 0x02;
    static constexpr unsigned char kLeftAlt = 0x04;
    static constexpr unsigned char kAltGr = 0x40;

    // Private code points: direct keys, keypad keys and pauses.
    static constexpr unsigned int kBackspace = 0xE0B0;
    static constexpr unsigned int kTab = 0xE0B1;
    static constexpr unsigned int kEnter = 0xE0B2;
    static constexpr unsigned int kEscape = 0xE0B3;
    static constexpr unsigned int kDelete = 0xE0B8;
    static constexpr unsigned int kKeypadZero = 0xE0BF;
    static constexpr unsigned int kKeypadPlus = 0xE0D7;
    static constexpr unsigned int kPauseBase = 0xE100; // | duration in 10 ms
    static bool isPause(unsigned int codepoint) { return (codepoint & 0xFFFFFF00u) == kPauseBase; }
    // Bytes 0 to 6 all 0xFF: never written, byte 7 asks for a pause of byte 7 x 10 ms.
    static bool isPauseMarker(KeyReport const& report);

    static std::array<unsigned int, 16> const digitCodepoint_;
    static std::map<unsigned int, unsigned int> const numpadreplacement_;

    explicit HidBase(int layoutNumber) : layoutNumber_(layoutNumber) {}
    virtual ~HidBase() = default;
    HidBase(HidBase const&) = delete;
    HidBase& operator=(HidBase const&) = delete;

    virtual void convertToKeyReport(unsigned int codepoint, unsigned char modifier) = 0;

    int layoutNumber() const { return layoutNumber_; }
    void setDeviceName(std::string const& name) { deviceName_ = name; }

    // Converts one code point through the installed sink.
    bool write(unsigned int codepoint);
    // Installs the sink (it stays), converts and ends with the all-zero report.
    bool write(unsigned int codepoint, ReportSink const& sink);

    void convertToNumpad(unsigned int& codepoint) const;
    static void codePointChangeDirectKeyCode(bool enable, unsigned int& codepoint);
    static void codepointToDigits(std::vector<unsigned char>& digits, unsigned int value);

protected:
    // {modifier, 0, k1..k6}, with the repeat rule; recorded as the last report.
    void pushKeyReport(unsigned char modifier, unsigned char k1, unsigned char k2 = 0, unsigned char k3 = 0,
                       unsigned char k4 = 0, unsigned char k5 = 0, unsigned char k6 = 0);
    // The bytes as they are: no repeat rule, no record.
    void pushKeyReport(KeyReport const& report);
    void codepointAlternative(unsigned int codepoint);

private:
    void typeText(std::string const& text, unsigned char modifier, bool plusOnKeypad);

    int layoutNumber_;
    std::string deviceName_;
    bool numpad_ = false; // nothing sets it
    KeyReport last_{};
    ReportSink sink_;
};
