#pragma once
// system() on the board runs nothing: it records the command and answers a set status.

#include <mutex>
#include <string>
#include <vector>

namespace plat::sim {

class SystemRecorder {
public:
    int run(char const* command);
    std::vector<std::string> log() const;
    void setStatus(int status);

private:
    mutable std::mutex mutex_;
    std::vector<std::string> log_;
    int status_ = 0;
};

} // namespace plat::sim
