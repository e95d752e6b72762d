#include "sim/firmware_thread.h"

#include "app/commands/command_channels.h"
#include "app/firmware_main.h"

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace scanner_sim {

bool threadNamed(char const* name)
{
    std::error_code error;
    for (auto const& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream comm(task.path() / "comm");
        std::string line;
        if (std::getline(comm, line) && line == name) {
            return true;
        }
    }
    return false;
}

bool startFirmware(std::chrono::milliseconds timeout)
{
    static std::once_flag once;
    std::call_once(once, [] { std::thread([] { firmwareMain(); }).detach(); });
    auto const until = std::chrono::steady_clock::now() + timeout;
    while (!threadNamed("USBCOM")) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void leaveFirmwareRunning(int status) { ::_exit(status); }

bool menuCommandsRun(std::chrono::milliseconds timeout) { return memoryPipeStream.waitUntilEvaluated(timeout); }

} // namespace scanner_sim
