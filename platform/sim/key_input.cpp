#include "platform/sim/key_input.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace plat::sim {
namespace {

InputRecord32 record(std::uint16_t type, std::uint16_t code, std::int32_t value)
{
    auto const since = std::chrono::system_clock::now().time_since_epoch();
    auto const micros = std::chrono::duration_cast<std::chrono::microseconds>(since).count();
    return {static_cast<std::uint32_t>(micros / 1000000), static_cast<std::uint32_t>(micros % 1000000), type, code,
            value};
}

} // namespace

bool KeyInput::report(unsigned code, int value)
{
    if (code >= KEY_CNT || value < 0 || value > 2) {
        return false;
    }
    std::lock_guard lock(mutex_);
    auto& byte = keys_[code / 8];
    auto const bit = static_cast<std::uint8_t>(1u << (code % 8));
    if (value == 0) {
        byte = static_cast<std::uint8_t>(byte & ~bit);
    } else {
        byte = static_cast<std::uint8_t>(byte | bit);
    }
    InputRecord32 const events[2] = {record(EV_KEY, static_cast<std::uint16_t>(code), value),
                                      record(EV_SYN, SYN_REPORT, 0)};
    for (InputRecord32 const& event : events) {
        streams_.broadcast(&event, sizeof event);
    }
    return true;
}

bool KeyInput::held(unsigned code) const
{
    if (code >= KEY_CNT) {
        return false;
    }
    std::lock_guard lock(mutex_);
    return (keys_[code / 8] >> (code % 8) & 1u) != 0;
}

std::size_t KeyInput::keyState(void* out, std::size_t length) const
{
    std::size_t const n = std::min(length, keys_.size());
    std::lock_guard lock(mutex_);
    std::memcpy(out, keys_.data(), n);
    return n;
}

KeyOpenFile::KeyOpenFile(std::size_t node, int flags, int fd, int writeFd, std::shared_ptr<KeyInput> input)
    : OpenFile(node, flags), fd_(fd), writeFd_(writeFd), input_(std::move(input))
{
}

KeyOpenFile::~KeyOpenFile()
{
    release();
    ::close(fd_);
}

void KeyOpenFile::release()
{
    // Once only: the number may belong to another stream afterwards.
    if (int const stream = std::exchange(writeFd_, -1); stream >= 0) {
        input_->closeReader(stream);
    }
}

ssize_t KeyOpenFile::read(void* buffer, std::size_t count)
{
    // Whole records only, as an event device hands them out.
    if (count < sizeof(InputRecord32)) {
        return -EINVAL;
    }
    count -= count % sizeof(InputRecord32);
    input_->readStarts();
    ssize_t const n = ::read(fd_, buffer, count);
    int const error = errno;
    input_->readEnds();
    return n < 0 ? -error : n;
}

int KeyOpenFile::ioctl(unsigned long request, void* argument)
{
    if (_IOC_TYPE(request) == 'E' && _IOC_NR(request) == _IOC_NR(EVIOCGKEY(0)) && _IOC_DIR(request) == _IOC_READ) {
        if (argument == nullptr) {
            return -EFAULT;
        }
        return static_cast<int>(input_->keyState(argument, _IOC_SIZE(request)));
    }
    return -EINVAL;
}

} // namespace plat::sim
