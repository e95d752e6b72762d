// command: each text framed ESC ... CR on the USB serial port, the replies printed.
#include "sim/command_mode.h"

#include "platform/sim/board.h"
#include "sim/firmware_thread.h"
#include "sim/modes.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace scanner_sim {

namespace {

constexpr char const* kUsbSerial = "/dev/ttyGS0";
constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr char kAck = 0x06;
constexpr char kNak = 0x15;
constexpr auto kAfterAnswer = std::chrono::milliseconds(60);

constexpr std::array<char const*, 32> kControlNames = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
    "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US",
};

std::string receiveReply(ReplyWait const& wait)
{
    plat::sim::Board& board = plat::sim::board();
    std::string reply = board.hostRead(kUsbSerial, 1, wait.first);
    if (reply.empty()) {
        return reply;
    }
    for (;;) {
        // An ACK or NAK ends the answer; only what the same command sends at once may follow.
        bool const answered = reply.back() == kAck || reply.back() == kNak;
        auto const quiet = answered ? std::min(wait.quiet, kAfterAnswer) : wait.quiet;
        std::string const more = board.hostRead(kUsbSerial, 4096, quiet);
        if (more.empty()) {
            return reply;
        }
        reply += more;
    }
}

} // namespace

std::string showControls(std::string_view bytes)
{
    std::string shown;
    for (char c : bytes) {
        unsigned char const b = static_cast<unsigned char>(c);
        if (b < kControlNames.size()) {
            shown += '<';
            shown += kControlNames[b];
            shown += '>';
        } else if (b == 0x7F) {
            shown += "<DEL>";
        } else {
            shown += c;
        }
    }
    return shown;
}

int sendCommands(std::vector<std::string> const& texts, std::FILE* out, ReplyWait wait)
{
    plat::sim::Board& board = plat::sim::board();
    // Whatever the device sent before is no reply to these commands.
    while (!board.hostRead(kUsbSerial, 4096, std::chrono::milliseconds(0)).empty()) {
    }
    int status = 0;
    for (std::string const& text : texts) {
        if (!board.hostWrite(kUsbSerial, "\x1b" + text + "\r")) {
            std::fprintf(stderr, "scanner-sim command: cannot write to the USB serial port\n");
            return 1;
        }
        std::string const reply = receiveReply(wait);
        if (reply.empty() || reply.find('\x15') != std::string::npos) {
            status = 1;
        }
        std::fprintf(out, "%s\n", showControls(reply).c_str());
    }
    std::fflush(out);
    return status;
}

int commandMode(Options const& options)
{
    if (!startFirmware(kStartTimeout)) {
        std::fprintf(stderr, "scanner-sim command: the firmware did not start\n");
        return 1;
    }
    int const status = sendCommands(options.arguments, stdout);
    std::fflush(stdout);
    std::fflush(stderr);
    leaveFirmwareRunning(status);
}

} // namespace scanner_sim
