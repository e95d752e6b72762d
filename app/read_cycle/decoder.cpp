#include "app/read_cycle/decoder.h"

#include "app/read_cycle/decode_options.h"
#include "config/configuration.h"
#include "decoder/core/dec2d_entry.h"

namespace cfg = ivra_configuration;

Decoder::Decoder(LabelFunction, FrameIndexQueue& frames) : frames_(frames)
{
    {
        std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
        cfg::Root().trigger.manual.type.Push(optionsObserver_);
        // The decoder thread reads the settings while commands change them: it reads a
        // copy taken at each frame.
        cfg::Root().Manager().SeparateDecoderSettings();
    }
    DEC2D_SetDec2DProperty(&propertyTable_);
    LabelCallback::func = [this](void* context, tagDecodedLabel const* label) {
        return OnDecodedForDEC2D(context, label);
    };
    // The first request builds the handle with the table just registered.
    DEC2D_ImplementFormatter(DEC2D_GetSingletonDecoderHandle(), nullptr, nullptr, nullptr, LabelCallback::callback);
    onChangeDecodeOptions();
    frameReadyConnection_ = frames_.frameReady.connect([this] { onFrameReady(); });
    thread_ = std::thread([this] { decoderTask(); });
}

Decoder::~Decoder()
{
    frames_.frameReady.disconnect(frameReadyConnection_);
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    frameCondition_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void Decoder::connectCallbacks(LabelFunction function) { labelFunction_.store(function); }

bool Decoder::OnDecodedForDEC2D(void* context, tagDecodedLabel const* label)
{
    LabelFunction const function = labelFunction_.load();
    return function != nullptr ? function(context, label) : true;
}

void Decoder::connectNoLabel(std::function<void()> const& slot) { noLabel_.connect(slot); }

void Decoder::startDecoder()
{
    {
        std::lock_guard lock(mutex_);
        enabled_ = true;
        labelTaken_ = false;
        ++read_;
    }
    // A frame may be waiting already; without this the thread would sleep until the next.
    frameCondition_.notify_all();
}

void Decoder::stopDecoder(bool silent)
{
    std::lock_guard lock(mutex_);
    if (enabled_ && !silent && !labelTaken_ && !noLabel_.blocked()) {
        noLabel_();
    }
    enabled_ = false;
}

bool Decoder::isDecodeEnabled()
{
    std::lock_guard lock(mutex_);
    return enabled_;
}

bool Decoder::isDecoding()
{
    std::lock_guard lock(mutex_);
    return decoding_;
}

void Decoder::onFrameReady() { frameCondition_.notify_all(); }

bool Decoder::onChangeDecodeOptions()
{
    std::lock_guard lock(mutex_);
    decodeOptions_ = CalcDecodeOptions(decodeOptions_);
    return true;
}

DEC2DIvra::tagDecodeOption Decoder::decodeOptions()
{
    std::lock_guard lock(mutex_);
    return decodeOptions_;
}

bool Decoder::newFrameWaiting()
{
    std::lock_guard lock(frames_.mutex);
    return !frames_.frames.empty() && frames_.frames.back()->status == FrameIndexStatus::eNew;
}

void Decoder::waitForFrame(std::unique_lock<std::mutex>& lock)
{
    while (!stop_) {
        if (!enabled_) {
            // startDecoder notifies under this lock: nothing is missed.
            frameCondition_.wait(lock);
            continue;
        }
        if (newFrameWaiting()) {
            return;
        }
        frameCondition_.wait_for(lock, kFrameRecheck);
    }
}

void Decoder::decoderTask()
{
    DEC2D_HANDLE const handle = DEC2D_GetSingletonDecoderHandle();
    std::unique_lock lock(mutex_);
    for (;;) {
        waitForFrame(lock);
        if (stop_) {
            return;
        }
        DEC2DIvra::tagDecodeOption const options = decodeOptions_;
        unsigned const read = read_;
        decoding_ = true;
        lock.unlock();

        // Another reader may have taken the newest frame meanwhile; then wait again.
        FrameIndexStatusPtr frame = frames_.takeNewest();
        int result = 0;
        if (frame != nullptr && frame->pixels != nullptr) {
            DEC2D_OnTriggerDown(handle);
            result = DEC2D_Main(handle, frame->width, frame->height, frame->width, frame->pixels, &options);
        }
        frame.reset();

        lock.lock();
        decoding_ = false;
        if (result != 0 && enabled_ && read == read_) {
            labelTaken_ = true;
        }
    }
}
