#include "platform/sim/system_recorder.h"

namespace plat::sim {

int SystemRecorder::run(char const* command)
{
    // A null command asks whether a shell exists; the board has one.
    if (command == nullptr) {
        return 1;
    }
    std::lock_guard lock(mutex_);
    log_.emplace_back(command);
    return status_;
}

std::vector<std::string> SystemRecorder::log() const
{
    std::lock_guard lock(mutex_);
    return log_;
}

void SystemRecorder::setStatus(int status)
{
    std::lock_guard lock(mutex_);
    status_ = status;
}

} // namespace plat::sim
