#pragma once
// Which descriptors belong to simulated devices, and which stdio streams wrap them.

#include "platform/sim/open_file.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace plat::sim {

class DescriptorTable {
public:
    void insert(int fd, std::shared_ptr<OpenFile> file);
    std::shared_ptr<OpenFile> find(int fd) const;
    // Forgets the descriptor and hands its open file back (empty when it was not ours).
    std::shared_ptr<OpenFile> take(int fd);

    void bindStream(FILE* stream, int fd);
    void unbindStream(FILE* stream);
    int streamDescriptor(FILE* stream) const; // -1 when the stream is not ours

private:
    mutable std::mutex mutex_;
    std::unordered_map<int, std::shared_ptr<OpenFile>> files_;
    std::unordered_map<FILE*, int> streams_;
};

} // namespace plat::sim
