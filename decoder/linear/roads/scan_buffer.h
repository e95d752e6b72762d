#pragma once

#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/roads/pick_line_element.h"
#include "decoder/linear/line/scan_element.h"

namespace DEC2DIvra {

// The samples of one scan line and the runs made from them, both over slices
// of the decoder's work area taken once when the owner is built.
class ScanBuffer {
public:
    ScanBuffer() = default;

    // False when the work area has no room for both lists; the buffer then
    // holds nothing and every push into it is refused.
    bool Initialize(SharedMemoryDistributor& memory, unsigned sampleCapacity, unsigned runCapacity)
    {
        VirtualArray<PickLineElement> const samples = memory.TakeArray<PickLineElement>(sampleCapacity);
        VirtualArray<ScanElement> const runs = memory.TakeArray<ScanElement>(runCapacity);
        if (samples.GetCount() != sampleCapacity || runs.GetCount() != runCapacity) {
            samples_.Set(nullptr, 0);
            runs_.Set(nullptr, 0);
            return false;
        }
        samples_.Set(samples.GetData(), sampleCapacity);
        runs_.Set(runs.GetData(), runCapacity);
        return true;
    }

    void Clear()
    {
        samples_.Clear();
        runs_.Clear();
    }

    StackInterface<PickLineElement>& GetSamples() { return samples_; }
    StackInterface<PickLineElement> const& GetSamples() const { return samples_; }
    StackInterface<ScanElement>& GetRuns() { return runs_; }
    StackInterface<ScanElement> const& GetRuns() const { return runs_; }

private:
    StackInterface<PickLineElement> samples_;
    StackInterface<ScanElement> runs_;
};

}  // namespace DEC2DIvra
