#include "platform/sim/descriptor_table.h"

#include <utility>

namespace plat::sim {

void DescriptorTable::insert(int fd, std::shared_ptr<OpenFile> file)
{
    std::lock_guard lock(mutex_);
    files_[fd] = std::move(file);
}

std::shared_ptr<OpenFile> DescriptorTable::find(int fd) const
{
    std::lock_guard lock(mutex_);
    auto it = files_.find(fd);
    return it == files_.end() ? nullptr : it->second;
}

std::shared_ptr<OpenFile> DescriptorTable::take(int fd)
{
    std::lock_guard lock(mutex_);
    auto it = files_.find(fd);
    if (it == files_.end()) {
        return nullptr;
    }
    auto file = std::move(it->second);
    files_.erase(it);
    return file;
}

void DescriptorTable::bindStream(FILE* stream, int fd)
{
    std::lock_guard lock(mutex_);
    streams_[stream] = fd;
}

void DescriptorTable::unbindStream(FILE* stream)
{
    std::lock_guard lock(mutex_);
    streams_.erase(stream);
}

int DescriptorTable::streamDescriptor(FILE* stream) const
{
    std::lock_guard lock(mutex_);
    auto it = streams_.find(stream);
    return it == streams_.end() ? -1 : it->second;
}

} // namespace plat::sim
