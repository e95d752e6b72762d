#include "app/camera/frame_queue.h"

#include <utility>

FrameIndexQueue frameIB;

void FrameIndexQueue::push(FrameIndexStatusPtr frame)
{
    FrameIndexStatusPtr dropped;
    {
        std::lock_guard lock(mutex);
        if (frames.size() >= bound && frames.size() >= 2 && frames.front()->status == FrameIndexStatus::eTaken) {
            std::swap(frames[0], frames[1]);
        }
        frames.push_back(std::move(frame));
        frameReady();
        if (frames.size() > bound) {
            dropped = std::move(frames.front());
            frames.pop_front();
        }
    }
    // The buffer goes back to the driver here unless a reader still holds the frame.
    dropped.reset();
}

FrameIndexStatusPtr FrameIndexQueue::takeNewest()
{
    std::lock_guard lock(mutex);
    if (frames.empty()) {
        return nullptr;
    }
    for (std::size_t i = 0; i + 1 < frames.size(); ++i) {
        if (frames[i]->status == FrameIndexStatus::eTaken) {
            frames[i]->status = FrameIndexStatus::eSuperseded;
        }
    }
    FrameIndexStatusPtr const& newest = frames.back();
    if (newest->status != FrameIndexStatus::eNew) {
        return nullptr;
    }
    newest->status = FrameIndexStatus::eTaken;
    return newest;
}

FrameIndexStatusPtr FrameIndexQueue::taken()
{
    std::lock_guard lock(mutex);
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
        if ((*it)->status == FrameIndexStatus::eTaken) {
            return *it;
        }
    }
    return nullptr;
}

bool FrameIndexQueue::empty()
{
    std::lock_guard lock(mutex);
    return frames.empty();
}

std::size_t FrameIndexQueue::size()
{
    std::lock_guard lock(mutex);
    return frames.size();
}

void FrameIndexQueue::clear()
{
    std::deque<FrameIndexStatusPtr> dropped;
    {
        std::lock_guard lock(mutex);
        dropped.swap(frames);
    }
}
