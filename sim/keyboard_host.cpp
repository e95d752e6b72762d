#include "sim/keyboard_host.h"

#include <algorithm>
#include <cstdlib>
#include <iconv.h>
#include <map>
#include <string_view>

namespace scanner_sim {
namespace {

// Levels of one key: plain, Shift, AltGr, Shift+AltGr; 0 where the key types nothing.
using Levels = std::array<char32_t, 4>;
using Layout = std::map<std::uint8_t, Levels>;

constexpr char32_t kDead = 0x40000000; // the level is a dead key for this accent
constexpr char32_t D(char32_t accent) { return accent | kDead; }

constexpr std::uint8_t kCtrl = 0x01 | 0x10;
constexpr std::uint8_t kShift = 0x02 | 0x20;
constexpr std::uint8_t kLeftAlt = 0x04;
constexpr std::uint8_t kRightAlt = 0x40;

Layout usLayout()
{
    Layout layout;
    for (std::uint8_t i = 0; i < 26; ++i) {
        layout[static_cast<std::uint8_t>(0x04 + i)] = {U'a' + i, U'A' + i, 0, 0};
    }
    std::u32string_view const digits = U"1234567890";
    std::u32string_view const shifted = U"!@#$%^&*()";
    for (std::uint8_t i = 0; i < 10; ++i) {
        layout[static_cast<std::uint8_t>(0x1E + i)] = {digits[i], shifted[i], 0, 0};
    }
    // Space and punctuation: 2C to 38, then the key beside the left Shift.
    std::u32string_view const keys = U" -=[]\\\\;'`,./\\";
    std::u32string_view const upper = U" _+{}||:\"~<>?|";
    std::array<std::uint8_t, 14> const codes{0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32,
                                             0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x64};
    for (std::size_t i = 0; i < codes.size(); ++i) {
        layout[codes[i]] = {keys[i], upper[i], 0, 0};
    }
    return layout;
}

Layout withChanges(Layout layout, std::initializer_list<std::pair<std::uint8_t, Levels>> changes)
{
    for (auto const& [key, levels] : changes) {
        layout[key] = levels;
    }
    return layout;
}

Layout const& layoutFor(int language)
{
    static Layout const us = usLayout();
    static Layout const uk = withChanges(us, {
        {0x1F, {U'2', U'"', 0, 0}}, {0x20, {U'3', U'£', 0, 0}}, {0x21, {U'4', U'$', U'€', 0}},
        {0x34, {U'\'', U'@', 0, 0}}, {0x31, {U'#', U'~', 0, 0}}, {0x32, {U'#', U'~', 0, 0}},
        {0x35, {U'`', U'¬', U'¦', 0}}, {0x64, {U'\\', U'|', 0, 0}},
        {0x08, {U'e', U'E', U'é', U'É'}}, {0x18, {U'u', U'U', U'ú', U'Ú'}}, {0x0C, {U'i', U'I', U'í', U'Í'}},
        {0x12, {U'o', U'O', U'ó', U'Ó'}}, {0x04, {U'a', U'A', U'á', U'Á'}},
    });
    static Layout const german = withChanges(us, {
        {0x1C, {U'z', U'Z', 0, 0}}, {0x1D, {U'y', U'Y', 0, 0}}, {0x14, {U'q', U'Q', U'@', 0}},
        {0x08, {U'e', U'E', U'€', 0}}, {0x10, {U'm', U'M', U'µ', 0}},
        {0x1E, {U'1', U'!', 0, 0}}, {0x1F, {U'2', U'"', U'²', 0}}, {0x20, {U'3', U'§', U'³', 0}},
        {0x21, {U'4', U'$', 0, 0}}, {0x22, {U'5', U'%', 0, 0}}, {0x23, {U'6', U'&', 0, 0}},
        {0x24, {U'7', U'/', U'{', 0}}, {0x25, {U'8', U'(', U'[', 0}}, {0x26, {U'9', U')', U']', 0}},
        {0x27, {U'0', U'=', U'}', 0}}, {0x2D, {U'ß', U'?', U'\\', U'ẞ'}}, {0x2E, {D(U'´'), D(U'`'), 0, 0}},
        {0x2F, {U'ü', U'Ü', 0, 0}}, {0x30, {U'+', U'*', U'~', 0}}, {0x31, {U'#', U'\'', 0, 0}},
        {0x32, {U'#', U'\'', 0, 0}}, {0x33, {U'ö', U'Ö', 0, 0}}, {0x34, {U'ä', U'Ä', 0, 0}},
        {0x35, {D(U'^'), U'°', 0, 0}}, {0x36, {U',', U';', 0, 0}}, {0x37, {U'.', U':', 0, 0}},
        {0x38, {U'-', U'_', 0, 0}}, {0x64, {U'<', U'>', U'|', 0}},
    });
    static Layout const french = withChanges(us, {
        {0x14, {U'a', U'A', 0, 0}}, {0x1A, {U'z', U'Z', 0, 0}}, {0x04, {U'q', U'Q', 0, 0}},
        {0x1D, {U'w', U'W', 0, 0}}, {0x33, {U'm', U'M', 0, 0}}, {0x10, {U',', U'?', 0, 0}},
        {0x36, {U';', U'.', 0, 0}}, {0x37, {U':', U'/', 0, 0}}, {0x38, {U'!', U'§', 0, 0}},
        {0x08, {U'e', U'E', U'€', 0}},
        {0x1E, {U'&', U'1', 0, 0}}, {0x1F, {U'é', U'2', D(U'~'), 0}}, {0x20, {U'"', U'3', U'#', 0}},
        {0x21, {U'\'', U'4', U'{', 0}}, {0x22, {U'(', U'5', U'[', 0}}, {0x23, {U'-', U'6', U'|', 0}},
        {0x24, {U'è', U'7', D(U'`'), 0}}, {0x25, {U'_', U'8', U'\\', 0}}, {0x26, {U'ç', U'9', U'^', 0}},
        {0x27, {U'à', U'0', U'@', 0}}, {0x2D, {U')', U'°', U']', 0}}, {0x2E, {U'=', U'+', U'}', 0}},
        {0x2F, {D(U'^'), D(U'¨'), 0, 0}}, {0x30, {U'$', U'£', U'¤', 0}}, {0x31, {U'*', U'µ', 0, 0}},
        {0x32, {U'*', U'µ', 0, 0}}, {0x34, {U'ù', U'%', 0, 0}}, {0x35, {U'²', 0, 0, 0}},
        {0x64, {U'<', U'>', 0, 0}},
    });
    static Layout const italian = withChanges(us, {
        {0x08, {U'e', U'E', U'€', 0}},
        {0x1F, {U'2', U'"', 0, 0}}, {0x20, {U'3', U'£', 0, 0}}, {0x22, {U'5', U'%', U'€', 0}},
        {0x23, {U'6', U'&', 0, 0}}, {0x24, {U'7', U'/', 0, 0}}, {0x25, {U'8', U'(', 0, 0}},
        {0x26, {U'9', U')', 0, 0}}, {0x27, {U'0', U'=', 0, 0}}, {0x2D, {U'\'', U'?', 0, 0}},
        {0x2E, {U'ì', U'^', 0, 0}}, {0x2F, {U'è', U'é', U'[', U'{'}}, {0x30, {U'+', U'*', U']', U'}'}},
        {0x31, {U'ù', U'§', 0, 0}}, {0x32, {U'ù', U'§', 0, 0}}, {0x33, {U'ò', U'ç', U'@', 0}},
        {0x34, {U'à', U'°', U'#', 0}}, {0x35, {U'\\', U'|', 0, 0}}, {0x36, {U',', U';', 0, 0}},
        {0x37, {U'.', U':', 0, 0}}, {0x38, {U'-', U'_', 0, 0}}, {0x64, {U'<', U'>', 0, 0}},
    });
    static Layout const dutch = withChanges(us, {
        {0x08, {U'e', U'E', U'€', 0}}, {0x15, {U'r', U'R', U'¶', 0}}, {0x16, {U's', U'S', U'ß', 0}},
        {0x1D, {U'z', U'Z', U'«', 0}}, {0x1B, {U'x', U'X', U'»', 0}}, {0x06, {U'c', U'C', U'¢', 0}},
        {0x10, {U'm', U'M', U'µ', 0}},
        {0x1E, {U'1', U'!', U'¹', 0}}, {0x1F, {U'2', U'"', U'²', 0}}, {0x20, {U'3', U'#', U'³', 0}},
        {0x21, {U'4', U'$', U'¼', 0}}, {0x22, {U'5', U'%', U'½', 0}}, {0x23, {U'6', U'&', U'¾', 0}},
        {0x24, {U'7', U'_', U'£', 0}}, {0x25, {U'8', U'(', U'{', 0}}, {0x26, {U'9', U')', U'}', 0}},
        {0x27, {U'0', U'\'', 0, 0}}, {0x2D, {U'/', U'?', U'\\', 0}}, {0x2E, {U'°', D(U'~'), D(U'¸'), 0}},
        {0x2F, {D(U'¨'), D(U'^'), 0, 0}}, {0x30, {U'*', U'|', 0, 0}}, {0x31, {U'<', U'>', U'¦', 0}},
        {0x32, {U'<', U'>', U'¦', 0}}, {0x33, {U'+', U'±', 0, 0}}, {0x34, {D(U'´'), D(U'`'), 0, 0}},
        {0x35, {U'@', U'§', U'¬', 0}}, {0x36, {U',', U';', 0, 0}}, {0x37, {U'.', U':', U'·', 0}},
        {0x38, {U'-', U'=', 0, 0}}, {0x64, {U']', U'[', 0, 0}},
    });
    switch (language) {
    case 2:
        return uk;
    case 3:
        return french;
    case 4:
        return german;
    case 5:
        return italian;
    case 12:
        return dutch;
    default:
        return us;
    }
}

// Accent, then pairs of base letter and composed letter.
char32_t compose(char32_t accent, char32_t letter)
{
    static std::map<char32_t, std::u32string_view> const pairs{
        {U'`', U"aàeèiìoòuùAÀEÈIÌOÒUÙ"},         {U'´', U"aáeéiíoóuúyýAÁEÉIÍOÓUÚYÝ"},
        {U'^', U"aâeêiîoôuûAÂEÊIÎOÔUÛ"},         {U'~', U"aãnñoõAÃNÑOÕ"},
        {U'¨', U"aäeëiïoöuüyÿAÄEËIÏOÖUÜ"},       {U'¸', U"cçCÇ"},
    };
    auto const found = pairs.find(accent);
    if (found == pairs.end()) {
        return 0;
    }
    for (std::size_t i = 0; i + 1 < found->second.size(); i += 2) {
        if (found->second[i] == letter) {
            return found->second[i + 1];
        }
    }
    return 0;
}

// One byte of a single-byte code page as a character; 0 when it has none.
char32_t fromCodePage(unsigned value, char const* codePage)
{
    if (value > 0xFF) {
        return 0;
    }
    iconv_t const converter = ::iconv_open("UTF-32LE", codePage);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return 0;
    }
    char in = static_cast<char>(value);
    char out[4] = {};
    char* inPtr = &in;
    char* outPtr = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    std::size_t const result = ::iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    ::iconv_close(converter);
    if (result == static_cast<std::size_t>(-1) || outLeft != 0) {
        return 0;
    }
    return static_cast<char32_t>(static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8 |
                                 static_cast<unsigned char>(out[2]) << 16);
}

int keypadDigit(std::uint8_t key)
{
    if (key == 0x62) {
        return 0;
    }
    return key >= 0x59 && key <= 0x61 ? key - 0x59 + 1 : -1;
}

bool isHexDigit(char32_t c) { return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F'); }

} // namespace

KeyboardHost::KeyboardHost(int language) : language_(language) {}

char32_t KeyboardHost::character(std::uint8_t key, std::uint8_t modifiers, bool& dead) const
{
    dead = false;
    Layout const& layout = layoutFor(language_);
    auto const found = layout.find(key);
    if (found == layout.end()) {
        return 0;
    }
    Levels const& levels = found->second;
    bool shift = (modifiers & kShift) != 0;
    bool const altGr = (modifiers & kRightAlt) != 0 || ((modifiers & kCtrl) != 0 && (modifiers & kLeftAlt) != 0);
    // Caps Lock works on letters only: keys whose Shift level is the plain one in capitals.
    char32_t const plain = levels[0];
    bool const letter = ((plain >= U'a' && plain <= U'z') || (plain >= 0xE0 && plain <= 0xFE && plain != 0xF7)) &&
                        levels[1] == plain - 0x20;
    if (caps_ && letter && !altGr) {
        shift = !shift;
    }
    char32_t const c = levels[(altGr ? 2 : 0) + (shift ? 1 : 0)];
    dead = (c & kDead) != 0;
    return c & ~kDead;
}

void KeyboardHost::type(char32_t c)
{
    if (deadKey_ != 0) {
        char32_t const accent = deadKey_;
        deadKey_ = 0;
        if (c == U' ') {
            text_ += accent;
            return;
        }
        if (char32_t const composed = compose(accent, c); composed != 0) {
            text_ += composed;
            return;
        }
        text_ += accent;
    }
    text_ += c;
}

void KeyboardHost::endAltCode()
{
    if (!altDigits_.empty()) {
        unsigned long const value = std::strtoul(altDigits_.c_str(), nullptr, altHex_ ? 16 : 10);
        char32_t c = 0;
        if (altHex_) {
            c = static_cast<char32_t>(value);
        } else {
            c = fromCodePage(static_cast<unsigned>(value % 256), altDigits_[0] == '0' ? "CP1252" : "CP437");
        }
        if (c != 0) {
            type(c);
        }
    }
    altCode_ = false;
    altHex_ = false;
    altDigits_.clear();
}

void KeyboardHost::keyDown(std::uint8_t key, std::uint8_t modifiers)
{
    switch (key) {
    case 0x39:
        caps_ = !caps_;
        return;
    case 0x53:
        num_ = !num_;
        return;
    default:
        break;
    }
    bool const ctrl = (modifiers & kCtrl) != 0;
    bool const leftAltOnly = (modifiers & kLeftAlt) != 0 && !ctrl && (modifiers & kRightAlt) == 0;
    bool dead = false;
    if (leftAltOnly) {
        // Alt codes: keypad digits, or keypad "+" and hexadecimal digits.
        int const digit = keypadDigit(key);
        if (digit >= 0) {
            altCode_ = true;
            altDigits_ += static_cast<char>('0' + digit);
        } else if (key == 0x57 && altDigits_.empty()) {
            altCode_ = true;
            altHex_ = true;
        } else if (altHex_) {
            char32_t const c = character(key, 0, dead);
            if (isHexDigit(c)) {
                altDigits_ += static_cast<char>(c);
            }
        }
        return;
    }
    if (unicodeEntry_) {
        int const digit = keypadDigit(key);
        char32_t const c = digit >= 0 ? static_cast<char32_t>(U'0' + digit) : character(key, modifiers, dead);
        if (key == 0x2C || key == 0x28) {
            if (!unicodeDigits_.empty()) {
                type(static_cast<char32_t>(std::strtoul(unicodeDigits_.c_str(), nullptr, 16)));
            }
            unicodeEntry_ = false;
            unicodeDigits_.clear();
        } else if (isHexDigit(c)) {
            unicodeDigits_ += static_cast<char>(c);
        }
        return;
    }
    if (ctrl && (modifiers & kLeftAlt) == 0 && (modifiers & kRightAlt) == 0) {
        char32_t const c = character(key, static_cast<std::uint8_t>(modifiers & kShift), dead);
        if ((modifiers & kShift) != 0 && (c == U'u' || c == U'U')) {
            unicodeEntry_ = true;
            return;
        }
        if (!dead && ((c >= U'@' && c <= U'_') || (c >= U'a' && c <= U'z'))) {
            type(c & 0x1F);
        }
        return;
    }
    static std::map<std::uint8_t, char32_t> const named{
        {0x28, U'\r'}, {0x29, 0x1B}, {0x2A, 0x08}, {0x2B, U'\t'}, {0x4C, 0x7F}, {0x58, U'\r'}};
    if (auto const found = named.find(key); found != named.end()) {
        type(found->second);
        return;
    }
    static std::map<std::uint8_t, char32_t> const keypad{{0x54, U'/'}, {0x55, U'*'}, {0x56, U'-'}, {0x57, U'+'}};
    if (auto const found = keypad.find(key); found != keypad.end()) {
        type(found->second);
        return;
    }
    if (int const digit = keypadDigit(key); digit >= 0 || key == 0x63) {
        if (num_) { // without Num Lock these are cursor keys
            type(digit >= 0 ? static_cast<char32_t>(U'0' + digit) : U'.');
        }
        return;
    }
    char32_t const c = character(key, modifiers, dead);
    if (c == 0) {
        return;
    }
    if (dead) {
        if (deadKey_ != 0) {
            type(c); // a second dead key: the first accent alone, then this one stays pending
        }
        deadKey_ = c;
        return;
    }
    type(c);
}

void KeyboardHost::receive(std::array<std::uint8_t, 8> const& report)
{
    std::uint8_t const modifiers = report[0];
    if (altCode_ && (modifiers & kLeftAlt) == 0) {
        endAltCode();
    }
    for (std::size_t i = 2; i < report.size(); ++i) {
        std::uint8_t const key = report[i];
        if (key != 0 && std::find(last_.begin() + 2, last_.end(), key) == last_.end()) {
            keyDown(key, modifiers);
        }
    }
    last_ = report;
}

std::string KeyboardHost::utf8() const { return toUtf8(text_); }

std::string toUtf8(std::u32string const& text)
{
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string typedText(int language, std::vector<std::array<std::uint8_t, 8>> const& reports)
{
    KeyboardHost host(language);
    for (auto const& report : reports) {
        host.receive(report);
    }
    return host.utf8();
}

} // namespace scanner_sim
