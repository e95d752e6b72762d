#include "app/host/hid_base.h"

#include "config/configuration.h"
#include "format/to_iconv_name.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <iconv.h>

namespace {

// interface/usb_hid/upper_ascii_output/mode
enum UpperAsciiMode : unsigned {
    kAllValue = 0,
    kOnlyAscii = 1,
    kWithoutMultiByte = 2,
    kMultiByteAltL = 3,
    kMultiByteAltN = 4,
    kMultiByteAltNAsIs = 5,
    kMultiByteAltNHex = 6,
    kMultiByteAltNHexAsIs = 7,
};

constexpr unsigned kCodePageUtf16 = 51;
// A character the target code page spells in more bytes than an Alt code can carry.
constexpr std::size_t kMaxAltCodeBytes = 8;

// The code point in the code page the host's Alt codes use; empty when it has no spelling there.
std::string toCodePage(unsigned int codepoint, unsigned cclDestin)
{
    std::string const target = ivra::ToIconvName::FromCclSource(cclDestin) + "//IGNORE";
    iconv_t const converter = ::iconv_open(target.c_str(), "UTF-32BE");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    char in[4] = {static_cast<char>(codepoint >> 24), static_cast<char>(codepoint >> 16),
                  static_cast<char>(codepoint >> 8), static_cast<char>(codepoint)};
    std::string out(16, '\0');
    char* inPtr = in;
    std::size_t inLeft = sizeof in;
    std::size_t done = 0;
    for (;;) {
        char* outPtr = out.data() + done;
        std::size_t outLeft = out.size() - done;
        std::size_t const result = ::iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
        done = out.size() - outLeft;
        if (result == static_cast<std::size_t>(-1) && errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        break;
    }
    ::iconv_close(converter);
    out.resize(done);
    return out;
}

} // namespace

std::array<unsigned int, 16> const HidBase::digitCodepoint_{0xE0BF, 0xE0C0, 0xE0C1, 0xE0C2, 0xE0C3, 0xE0C4,
                                                           0xE0C5, 0xE0C6, 0xE0C7, 0xE0C8, 0x61,   0x62,
                                                           0x63,   0x64,   0x65,   0x66};

std::map<unsigned int, unsigned int> const HidBase::numpadreplacement_{
    {'*', 0xE0D5}, {'+', 0xE0D7}, {'-', 0xE0A9}, {'.', 0xE0E3}, {'/', 0xE0D4}, {'0', 0xE0BF},
    {'1', 0xE0C0}, {'2', 0xE0C1}, {'3', 0xE0C2}, {'4', 0xE0C3}, {'5', 0xE0C4}, {'6', 0xE0C5},
    {'7', 0xE0C6}, {'8', 0xE0C7}, {'9', 0xE0C8}, {kEnter, 0xE0D8}};

bool HidBase::isPauseMarker(KeyReport const& report)
{
    for (std::size_t i = 0; i < 7; ++i) {
        if (report[i] != 0xFF) {
            return false;
        }
    }
    return true;
}

bool HidBase::write(unsigned int codepoint)
{
    convertToNumpad(codepoint);
    convertToKeyReport(codepoint, 0);
    return true;
}

bool HidBase::write(unsigned int codepoint, ReportSink const& sink)
{
    sink_ = sink;
    convertToNumpad(codepoint);
    convertToKeyReport(codepoint, 0);
    pushKeyReport(KeyReport{});
    return true;
}

void HidBase::convertToNumpad(unsigned int& codepoint) const
{
    if (!numpad_) {
        return;
    }
    if (auto const found = numpadreplacement_.find(codepoint); found != numpadreplacement_.end()) {
        codepoint = found->second;
    }
}

void HidBase::codePointChangeDirectKeyCode(bool enable, unsigned int& codepoint)
{
    if (!enable) {
        return;
    }
    switch (codepoint) {
    case 8:
        codepoint = kBackspace;
        break;
    case 9:
        codepoint = kTab;
        break;
    case 10:
    case 13:
        codepoint = kEnter;
        break;
    case 27:
        codepoint = kEscape;
        break;
    case 127:
        codepoint = kDelete;
        break;
    default:
        break;
    }
}

void HidBase::codepointToDigits(std::vector<unsigned char>& digits, unsigned int value)
{
    std::string const text = std::to_string(value);
    for (char c : text) {
        digits.push_back(static_cast<unsigned char>(c - '0'));
    }
}

void HidBase::pushKeyReport(unsigned char modifier, unsigned char k1, unsigned char k2, unsigned char k3,
                            unsigned char k4, unsigned char k5, unsigned char k6)
{
    KeyReport const report{modifier, 0, k1, k2, k3, k4, k5, k6};
    bool lastHeld = false;
    for (unsigned char byte : last_) {
        lastHeld = lastHeld || byte != 0;
    }
    // The same keys again: let them up first, so that the host sees a second press.
    if (report == last_ && lastHeld) {
        pushKeyReport(KeyReport{last_[0], 0, 0, 0, 0, 0, 0, 0});
    }
    pushKeyReport(report);
    last_ = report;
}

void HidBase::pushKeyReport(KeyReport const& report)
{
    if (sink_) {
        (void)sink_(report);
    }
}

void HidBase::typeText(std::string const& text, unsigned char modifier, bool plusOnKeypad)
{
    for (char c : text) {
        unsigned int codepoint = kKeypadZero;
        if (c >= '0' && c <= '9') {
            codepoint = digitCodepoint_[static_cast<unsigned>(c - '0')];
        } else if (c >= 'a' && c <= 'f') {
            codepoint = digitCodepoint_[static_cast<unsigned>(c - 'a' + 10)];
        } else if (c >= 'A' && c <= 'F') {
            codepoint = digitCodepoint_[static_cast<unsigned>(c - 'A' + 10)];
        } else if (c == '+' && plusOnKeypad) {
            codepoint = kKeypadPlus;
        }
        convertToKeyReport(codepoint, modifier);
    }
}

void HidBase::codepointAlternative(unsigned int codepoint)
{
    auto const& root = ivra_configuration::Root();
    unsigned const mode = static_cast<unsigned>(root.interface.usb_hid.upper_ascii_output.mode.Value());
    unsigned const cclDestin = static_cast<unsigned>(root.character_conversion.ccl_destin.Value());
    char text[32];
    switch (mode) {
    case kAllValue:
    case kWithoutMultiByte:
        if (cclDestin == kCodePageUtf16) {
            return;
        }
        [[fallthrough]];
    case kMultiByteAltN:
    case kMultiByteAltNAsIs: {
        std::string const bytes = toCodePage(codepoint, cclDestin);
        // Up to eight bytes read as one unsigned number: never negative, never overflowing.
        if (bytes.empty() || bytes.size() > kMaxAltCodeBytes) {
            return;
        }
        std::uint64_t value = 0;
        for (char byte : bytes) {
            value = value << 8 | static_cast<unsigned char>(byte);
        }
        std::snprintf(text, sizeof text, "%04" PRIu64, value);
        typeText(text, kLeftAlt, false);
        return;
    }
    case kMultiByteAltL:
        convertToKeyReport('u', kLeftCtrl | kLeftShift);
        std::snprintf(text, sizeof text, "%04x", codepoint);
        typeText(text, 0, false);
        convertToKeyReport(' ', 0);
        return;
    case kMultiByteAltNHex:
    case kMultiByteAltNHexAsIs:
        std::snprintf(text, sizeof text, "+%04x", codepoint);
        typeText(text, kLeftAlt, true);
        return;
    default:
        return; // ONLY_ASCII: characters without a key are dropped
    }
}
