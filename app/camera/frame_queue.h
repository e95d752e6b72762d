#pragma once
// The frames the camera grabber hands to the decoder and to image upload. The grabber
// is the only producer; readers take shared references. A frame's capture buffer stays
// out of the driver's hands while the queue or any reader holds the frame.

#include "app/camera/camera_frame_lease.h"
#include "app/signal.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

struct FrameIndexStatus {
    enum eStatus : int {
        eNew = 0,        // not yet looked at
        eTaken = 1,      // a reader has it
        eSuperseded = 2, // a newer frame was taken since
    };

    int index = -1; // capture buffer
    int exposure = -1;
    int gain = -1;
    int width = 0;
    int height = 0;
    std::uint16_t const* pixels = nullptr; // width x height samples, pitch = width
    float brightness = 0.0f;  // of the exposure calculation on this frame
    std::uint16_t peak = 0;
    int status = eNew; // changed only under the queue's mutex
    FrameLease lease;
};

using FrameIndexStatusPtr = std::shared_ptr<FrameIndexStatus>;

class FrameIndexQueue {
public:
    static constexpr std::size_t kBound = 3;

    // Guards `frames` and every frame's status. Recursive: frame-ready slots run inside it.
    std::recursive_mutex mutex;
    std::deque<FrameIndexStatusPtr> frames; // oldest first
    std::size_t const bound = kBound;
    // Emitted with `mutex` held, on the grabber's thread, for every frame appended.
    sigs::Signal<void()> frameReady;

    FrameIndexQueue() = default;
    FrameIndexQueue(FrameIndexQueue const&) = delete;
    FrameIndexQueue& operator=(FrameIndexQueue const&) = delete;

    // Appends a frame and drops the oldest beyond the bound; a frame being read is not
    // the one dropped when another can go.
    void push(FrameIndexStatusPtr frame);
    // The newest frame if nobody has looked at it yet (it is then taken); frames taken
    // earlier become superseded.
    FrameIndexStatusPtr takeNewest();
    // The newest frame a reader has taken, or null.
    FrameIndexStatusPtr taken();
    bool empty();
    std::size_t size();
    // Every frame leaves the queue; their buffers go back once no reader holds them.
    void clear();
};

extern FrameIndexQueue frameIB;
