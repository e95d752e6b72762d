#pragma once
// The host on the far side of the USB keyboard: it reads the input reports as a
// desktop with the given national layout does and keeps the text they type.
// It knows its layouts from the host's side (what each key gives with Shift,
// AltGr, dead keys and the lock keys), not from the firmware's tables, and it
// takes Windows Alt codes (Alt + keypad digits; a leading 0 reads the number in
// Windows-1252, else in code page 437), Alt + keypad "+" hexadecimal entry and
// Ctrl+Shift+U hexadecimal entry ended by a space.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace scanner_sim {

class KeyboardHost {
public:
    // Language values as the keyboard setting numbers them: 1 US, 2 UK, 3 French,
    // 4 German, 5 Italian, 12 Dutch; any other reads as US.
    explicit KeyboardHost(int language);

    void receive(std::array<std::uint8_t, 8> const& report);
    std::u32string const& text() const { return text_; }
    std::string utf8() const;

    bool capsLock() const { return caps_; }
    bool numLock() const { return num_; }
    // The host's lock states before the first report.
    void setLocks(bool caps, bool num)
    {
        caps_ = caps;
        num_ = num;
    }

private:
    void keyDown(std::uint8_t key, std::uint8_t modifiers);
    void type(char32_t c);
    void endAltCode();
    char32_t character(std::uint8_t key, std::uint8_t modifiers, bool& dead) const;

    int language_;
    std::u32string text_;
    std::array<std::uint8_t, 8> last_{};
    bool caps_ = false;
    bool num_ = false;
    char32_t deadKey_ = 0;
    bool altCode_ = false;
    bool altHex_ = false;
    std::string altDigits_;
    bool unicodeEntry_ = false;
    std::string unicodeDigits_;
};

std::string toUtf8(std::u32string const& text);

// The text the reports type on a host with that layout, as UTF-8.
std::string typedText(int language, std::vector<std::array<std::uint8_t, 8>> const& reports);

} // namespace scanner_sim
