#pragma once
// The parts of `scanner-sim command` that run against a firmware already running.

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace scanner_sim {

// The reply bytes for a terminal: control bytes by name ("<ACK>", "<NAK>",
// "<CR>", ... "<DEL>"), everything else as it is.
std::string showControls(std::string_view bytes);

struct ReplyWait {
    std::chrono::milliseconds first{3000}; // for the first byte of a reply
    std::chrono::milliseconds quiet{200};  // silence that ends a reply
};

// Sends each text framed ESC ... CR on USB serial and prints the reply to each
// on a line of its own. 0 when every command was answered and none with NAK,
// else 1.
int sendCommands(std::vector<std::string> const& texts, std::FILE* out, ReplyWait wait = {});

} // namespace scanner_sim
