// Code points typed on the USB keyboard with every layout and keyboard option.
//
// Byte 0 picks the language, byte 1 the options: bits 0-2 the upper ASCII mode, bit 3
// direct keys, bits 4-5 the code page of the Alt codes, bit 6 through the keyboard's
// sender onto the gadget, bit 7 the host's Caps Lock on (Num Lock then off). The rest
// are code points: a byte below 0xF0 is itself, 0xF0 to 0xFF takes two more bytes
// (bits 16 to 19 from its low nibble).
//
// Each character's reports: 8 bytes with the reserved byte and keys 2 to 6 clear, key
// usages of the keyboard page, a pause marker only for a pause, no report pressing the
// same keys twice in a row, and the all-zero report last. A host with the same layout
// types a printable Latin-1 character back (or nothing in the only-ASCII mode, which
// drops what the layout has no key for).
// Through the gadget: what the host types is what the reports type with Caps Lock off
// and Num Lock on, and the host's lock lights end as they began.

#include "app/host/hid_base.h"
#include "app/host/keyboard_layouts.h"
#include "app/host/usb_hid_keyboard.h"
#include "config/configuration.h"
#include "platform/sim/board.h"
#include "sim/keyboard_host.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace cfg = ivra_configuration;
namespace keys = cfg::configuration::interface::usb_hid;
namespace conversion = cfg::configuration::character_conversion;
using Reports = std::vector<KeyReport>;
using namespace std::chrono_literals;

constexpr int kLanguages[] = {1, 2, 3, 4, 5, 6, 12};
constexpr conversion::ccl_destin::Enum kCodePages[] = {
    conversion::ccl_destin::Enum::CP_DEFAULT, conversion::ccl_destin::Enum::CP_WIN1252,
    conversion::ccl_destin::Enum::CP_UTF16, conversion::ccl_destin::Enum::CP_WIN932};
constexpr unsigned kOnlyAscii = 1;
constexpr std::size_t kMaxReportsPerCharacter = 64;
constexpr std::size_t kMaxGadgetCharacters = 24;
constexpr KeyReport kRelease{};

void fail(int line)
{
    std::fprintf(stderr, "keyboard_hid: check on line %d failed\n", line);
    std::abort();
}
#define check(condition) ((condition) ? (void)0 : fail(__LINE__))

struct Options {
    int language = 1;
    unsigned mode = 0;
    bool directKeys = false;
    unsigned codePage = 0;
    bool gadget = false;
    bool capsOn = false;
};

void apply(Options const& o)
{
    std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
    auto const& hid = cfg::Root().interface.usb_hid;
    check(hid.keyboard.language.Set(keys::keyboard::language::Enum::USA) && cfg::Update());
    // A language without a layout may be refused by the keyboard: US stays.
    if (hid.keyboard.language.Set(static_cast<keys::keyboard::language::Enum>(o.language))) {
        (void)cfg::Update();
    }
    check(hid.upper_ascii_output.mode.Set(static_cast<keys::upper_ascii_output::mode::Enum>(o.mode)));
    check(hid.direct_key_input.enable.Set(o.directKeys));
    check(cfg::Root().character_conversion.ccl_destin.Set(kCodePages[o.codePage]));
    check(cfg::Update());
}

// The layout the keyboard types with: a language without one keeps US.
std::unique_ptr<HidDefault> layoutFor(int language)
{
    auto const found = UsbHidKeyboard::keyboards_.find(language);
    return (found != UsbHidKeyboard::keyboards_.end() ? found->second : UsbHidKeyboard::keyboards_.at(1))();
}

// The reports of one character, as the keyboard queues them.
Reports type(int language, bool directKeys, unsigned int codepoint)
{
    HidBase::codePointChangeDirectKeyCode(directKeys, codepoint);
    Reports reports;
    layoutFor(language)->write(codepoint, [&reports](KeyReport report) {
        reports.push_back(report);
        return true;
    });
    return reports;
}

void checkReports(Reports const& reports, unsigned int codepoint, bool directKeys)
{
    check(!reports.empty() && reports.size() <= kMaxReportsPerCharacter);
    check(reports.back() == kRelease);
    unsigned int typed = codepoint;
    HidBase::codePointChangeDirectKeyCode(directKeys, typed);
    for (std::size_t i = 0; i < reports.size(); ++i) {
        KeyReport const& r = reports[i];
        if (HidBase::isPauseMarker(r)) {
            check(HidBase::isPause(typed) && r[7] == (typed & 0xFF));
            continue;
        }
        check(r[1] == 0);
        for (std::size_t k = 3; k < r.size(); ++k) {
            check(r[k] == 0);
        }
        check(r[2] == 0 || (r[2] >= 0x04 && r[2] <= 0x65));
        if (i > 0 && r[2] != 0) {
            check(r != reports[i - 1]); // the host would see one press
        }
    }
}

bool latin1Printable(unsigned int c) { return (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF); }

void checkTypedBack(Options const& o, unsigned int codepoint, Reports const& reports)
{
    if (!latin1Printable(codepoint) || o.codePage > 1) {
        return;
    }
    scanner_sim::KeyboardHost host(o.language);
    host.setLocks(false, true);
    for (KeyReport const& r : reports) {
        host.receive(r);
    }
    std::u32string const& text = host.text();
    bool const same = text.size() == 1 && text[0] == codepoint;
    bool const typedBack = same || (o.mode == kOnlyAscii && text.empty());
    if (!typedBack) {
        std::fprintf(stderr, "language %d mode %u: U+%04X typed back as \"%s\" from", o.language, o.mode, codepoint,
                     host.utf8().c_str());
        for (KeyReport const& r : reports) {
            std::fprintf(stderr, " %02x.%02x", r[0], r[2]);
        }
        std::fprintf(stderr, "\n");
    }
    check(typedBack);
}

// The firmware's keyboard on the simulated gadget, built once.
struct Gadget {
    UsbHidKeyboard keyboard;

    bool settled(std::uint8_t leds) const
    {
        return keyboard.pending() == 0 && keyboard.isCapsLockOn() == ((leds & 2) != 0) &&
               keyboard.isNumLockOn() == ((leds & 1) != 0);
    }
    // Waits until the keyboard's view of the host's lights is `leds` and nothing is queued.
    // The lights are sent again now and then: the keyboard's listener may not have had
    // the gadget open when they were last sent.
    bool settle(std::uint8_t leds) const
    {
        auto const start = std::chrono::steady_clock::now();
        auto resent = start;
        while (!settled(leds)) {
            auto const now = std::chrono::steady_clock::now();
            if (now - start > 3s) {
                return false;
            }
            if (now - resent > 20ms) {
                plat::sim::board().keyboard().setHostLeds(leds);
                resent = now;
            }
            std::this_thread::yield();
        }
        return true;
    }
};

Gadget& gadget()
{
    static Gadget* const g = new Gadget();
    return *g;
}

void throughGadget(Options const& o, std::vector<unsigned int> const& text, Reports const& expected)
{
    auto& board = plat::sim::board().keyboard();
    Gadget& g = gadget();
    check(g.keyboard.language() == static_cast<int>(cfg::Root().interface.usb_hid.keyboard.language.Value()));
    std::uint8_t const leds = o.capsOn ? 2 : 1;
    board.setHostLeds(leds);
    check(g.settle(leds));
    board.clearReports();
    for (unsigned int c : text) {
        g.keyboard.write(c);
    }
    // Every report written, the locks put back and the last key let up.
    auto const until = std::chrono::steady_clock::now() + 5s;
    for (;;) {
        std::vector<plat::sim::HidReportRecord> const log = board.reports();
        if (g.keyboard.pending() == 0 && (board.hostLeds() & 3) == leds && !log.empty() &&
            log.back().bytes == kRelease) {
            break;
        }
        check(std::chrono::steady_clock::now() < until);
        std::this_thread::yield();
    }
    scanner_sim::KeyboardHost host(o.language);
    host.setLocks(o.capsOn, !o.capsOn);
    for (plat::sim::HidReportRecord const& record : board.reports()) {
        host.receive(record.bytes);
    }
    Reports wanted;
    for (KeyReport const& r : expected) {
        if (!HidBase::isPauseMarker(r)) {
            wanted.push_back(r);
        }
    }
    scanner_sim::KeyboardHost plain(o.language);
    plain.setLocks(false, true);
    for (KeyReport const& r : wanted) {
        plain.receive(r);
    }
    if (host.text() != plain.text()) {
        std::fprintf(stderr, "the host typed \"%s\", the reports type \"%s\"; the gadget got:", host.utf8().c_str(),
                     plain.utf8().c_str());
        for (plat::sim::HidReportRecord const& record : board.reports()) {
            std::fprintf(stderr, " %02x.%02x", record.bytes[0], record.bytes[2]);
        }
        std::fprintf(stderr, "\n");
    }
    check(host.text() == plain.text());
    check(g.settle(leds));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    static Gadget const& built = gadget(); // the keyboard follows the language from the start
    (void)built;
    Options o;
    o.language = kLanguages[data[0] % std::size(kLanguages)];
    o.mode = data[1] & 7;
    o.directKeys = (data[1] & 8) != 0;
    o.codePage = (data[1] >> 4) & 3;
    o.gadget = (data[1] & 0x40) != 0;
    o.capsOn = (data[1] & 0x80) != 0;
    apply(o);

    std::vector<unsigned int> text;
    for (std::size_t i = 2; i < size;) {
        unsigned int c = data[i++];
        if (c >= 0xF0) {
            unsigned int const high = c & 0x0F;
            unsigned int const mid = i < size ? data[i++] : 0;
            unsigned int const low = i < size ? data[i++] : 0;
            c = high << 16 | mid << 8 | low;
        }
        text.push_back(c);
    }

    int const language = static_cast<int>(cfg::Root().interface.usb_hid.keyboard.language.Value());
    Reports all;
    for (unsigned int c : text) {
        Reports const reports = type(language, o.directKeys, c);
        checkReports(reports, c, o.directKeys);
        check(reports == type(language, o.directKeys, c));
        if (!o.directKeys || c >= 0x20) {
            checkTypedBack(o, c, reports);
        }
        all.insert(all.end(), reports.begin(), reports.end());
    }

    if (o.gadget) {
        // Lock keys of their own would change what the host types; pauses only cost time.
        std::vector<unsigned int> typed;
        Reports expected;
        for (unsigned int c : text) {
            if (typed.size() == kMaxGadgetCharacters) {
                break;
            }
            if (c == 0xE0BE || c == 0xE0D3 || HidBase::isPause(c)) {
                continue;
            }
            typed.push_back(c);
            Reports const reports = type(language, o.directKeys, c);
            expected.insert(expected.end(), reports.begin(), reports.end());
        }
        if (!typed.empty()) {
            throughGadget(o, typed, expected);
        }
    }
    return 0;
}
