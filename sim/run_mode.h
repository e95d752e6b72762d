#pragma once
// The parts of `scanner-sim run`: a pseudo-terminal per serial port that a
// terminal program can attach to, and the console that plays the user.

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace scanner_sim {

// Carries the bytes between a new pseudo-terminal and the host end of one of
// the board's serial ports, both ways, until it is destroyed. A terminal
// program opens path(). Output that no one reads is dropped, not queued up.
// The pseudo-terminal shows the speed and stop bits the firmware set on the
// port, so a user can see what a save applied.
class SerialRelay {
public:
    // nullptr, with the reason in `problem`, when no pseudo-terminal can be had.
    static std::unique_ptr<SerialRelay> open(std::string_view port, std::string& problem);
    ~SerialRelay();
    SerialRelay(SerialRelay const&) = delete;
    SerialRelay& operator=(SerialRelay const&) = delete;

    std::string const& path() const { return path_; }

private:
    SerialRelay() = default;
    void run();
    void showLineSettings();

    int boardMaster_ = -1;
    int master_ = -1;
    int keptSlave_ = -1;
    int stop_[2] = {-1, -1};
    std::string port_;
    std::string path_;
    std::thread thread_;
};

// Reads lines from `in` until "quit" or the end: "trigger", "release",
// "image FILE", "keyboard" (the USB keyboard's reports since the last look and the
// text they type, on `out`). Problems go to `err`. The exit status: 0.
int runConsole(std::FILE* in, std::FILE* err, std::FILE* out = stdout);

} // namespace scanner_sim
