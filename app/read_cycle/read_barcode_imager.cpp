// The imager thread: turns each new read-cycle state into aimer, camera trigger output
// and motion watch settings; and the frames taken for image upload.
#include "app/read_cycle/read_barcode.h"

#include "config/configuration.h"

#include <algorithm>
#include <cmath>

void ReadBarcode::imagerTask()
{
    camera_.streamOn();
    onChangeFloodlight();
    cameraTrigger_.off();
    camera_.setAimLed(false);
    while (!stop_) {
        eRbState const state = waitForStateChange();
        if (stop_) {
            break;
        }
        switch (state) {
        case eReading:
            doTakePicture();
            break;
        case ePresentationWatch:
            doAutoDetectTrigger();
            break;
        case eAiming:
            break;
        case eIdle:
            if ((presentation_ & (kStandDetected | kAutoDetection)) != 0) {
                cameraTrigger_.on(true);
                decoder_.stopDecoder(false);
                camera_.setAimLed(false);
                setState(ePresentationWatch);
            } else {
                goIntoIdleState();
            }
            break;
        }
    }
}

ReadBarcode::eRbState ReadBarcode::waitForStateChange()
{
    std::unique_lock lock(stateMutex_);
    stateCondition_.wait(lock, [this] { return stateChanged_; });
    stateChanged_ = false;
    return state_;
}

void ReadBarcode::doTakePicture()
{
    camera_.setAutoDetect(false, kQuietMotionThreshold);
    camera_.setAimLed(true);
    cameraTrigger_.on(false);
}

void ReadBarcode::doAutoDetectTrigger()
{
    auto const sensitivity = static_cast<unsigned>(ivra_configuration::Root().trigger.auto_detection.sensitivity.Value());
    int const threshold = sensitivity < std::size(kMotionThresholds) ? kMotionThresholds[sensitivity] : kQuietMotionThreshold;
    camera_.setAutoDetect(true, threshold);
    cameraTrigger_.on(true);
}

void ReadBarcode::goIntoIdleState()
{
    std::lock_guard lock(stateMutex_);
    cameraTrigger_.off();
    camera_.setAutoDetect(false, kQuietMotionThreshold);
    camera_.setAimLed(false);
}

namespace {

// The frame's pixels and record into the upload buffer; never more than a frame's samples.
bool CopyFrame(FrameIndexStatus const& frame, FrameBuffer& fb)
{
    std::size_t const samples = static_cast<std::size_t>(std::max(frame.width, 0)) * static_cast<std::size_t>(std::max(frame.height, 0));
    fb.assignBuffer(frame.pixels, samples);
    fb.index = frame.index;
    fb.width = frame.width;
    fb.height = frame.height;
    fb.gain = frame.gain;
    fb.exposure = frame.exposure;
    fb.peak = frame.peak;
    float const brightness = std::clamp(frame.brightness, 0.0f, 65535.0f);
    fb.brightness = static_cast<std::uint16_t>(std::lround(brightness));
    return fb.size() > 0;
}

} // namespace

bool ReadBarcode::getImage(FrameBuffer& fb)
{
    setState(eReading);
    camera_.waitForBufferedFrame(kImageWaitMs);
    FrameIndexStatusPtr const frame = camera_.getFrameIndex();
    setState(eIdle);
    return frame != nullptr && CopyFrame(*frame, fb);
}

bool ReadBarcode::getUsedImage(FrameBuffer& fb)
{
    FrameIndexStatusPtr const frame = camera_.getUsedFrameIndex();
    if (frame == nullptr) {
        fb.assignBuffer(nullptr, 0);
        return false;
    }
    return CopyFrame(*frame, fb);
}
