#pragma once

#include "decoder/core/location/code_searcher.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/interfaces/decoder_set.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/interfaces/label_outlet.h"
#include "decoder/core/containers/object_arena.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/tag_decode_option.h"
#include "decoder/core/tag_decoded_label.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// The property table is only passed on here; its layout is not needed.
struct DEC2DProperty;

// Room for a pre-filtered copy of a frame up to 640 x 480 and the filters'
// scratch (ApplyPreFilterSubroutine::CalcAreaBytes(640, 480)).
struct PreFilterArea {
    static constexpr unsigned kBytes = 657284;
    alignas(8) unsigned char bytes[kBytes];
};

// Calls into the linear frame that are not part of its locator interface.
struct LinearFrameHooks {
    void* frame = nullptr;
    // The one-band read: the frame's Start with the located-region flag clear.
    int (*readFixedBand)(void* frame, GrayImage const& image, Region const& band, unsigned scanMode,
                         DecodedLabel& label) = nullptr;
    // Forgets the pending repeat result before a new trigger.
    void (*onTriggerDown)(void* frame) = nullptr;
};

// The legacy engine is told about each image before the locator runs.
struct LegacyEngineHooks {
    void* engine = nullptr;
    void (*onNewImage)(void* engine, GrayImage const& image) = nullptr;
};

// The decoder handle. It is one block of kHandleBytes: the options, the output
// label, the wiring, a kWorkAreaBytes scratch area that the decoders lay their
// buffers over, and an arena in which every decoder object is built. It is
// allocated once; nothing allocates while decoding.
class TwoDimensionDecoder {
public:
    static constexpr unsigned kHandleBytes = 14527608;
    static constexpr unsigned kWorkAreaBytes = 7096076;
    // The one-band read covers this many rows through the image centre.
    static constexpr int kFixedBandHeight = 32;
    static constexpr unsigned kFixedBandScanMode = 4;
    // Frames beyond this side length are refused.
    static constexpr int kMaxFrameSide = 16384;

    explicit TwoDimensionDecoder(DEC2DProperty* property);
    TwoDimensionDecoder(TwoDimensionDecoder const&) = delete;
    TwoDimensionDecoder& operator=(TwoDimensionDecoder const&) = delete;
    ~TwoDimensionDecoder();

    // Decodes one frame of 16-bit samples, offering each label to the callback;
    // 1 when the callback accepted a label, 0 otherwise (also for a refused
    // frame: no pixels, a side below 1 or beyond kMaxFrameSide, a pitch below
    // the width).
    int Main(int width, int height, int pitch, unsigned short const* pixels, tagDecodeOption const* option);
    void OnTriggerDown();
    int ImplementFormatter(void* context, void* outputContext, void* spare, DEC2D_LABEL_CALLBACK callback);

    DEC2DProperty* GetProperty() const { return header_.property; }
    VirtualArray<unsigned char> GetWorkArea() { return VirtualArray<unsigned char>(workArea_, kWorkAreaBytes); }
    ObjectArena& GetObjectArena() { return header_.arena; }
    DecodedLabel& GetLabel() { return header_.label; }
    LabelOutlet& GetLabelOutlet() { return header_.outlet; }
    tagDecodeOption const& GetDecodeOption() const { return header_.option; }

    // Wiring: each decoder task builds its object in the arena and plugs it in.
    DecoderSet& GetDecoderSet() { return header_.decoders; }
    void SetCodeSearcher(CodeSearcher* searcher) { header_.searcher = searcher; }
    CodeSearcher* GetCodeSearcher() const { return header_.searcher; }
    void SetLinearFrameHooks(LinearFrameHooks const& hooks) { header_.linear = hooks; }
    LinearFrameHooks const& GetLinearFrameHooks() const { return header_.linear; }
    void SetLegacyEngineHooks(LegacyEngineHooks const& hooks) { header_.legacy = hooks; }

    // Fills the label view and calls the callback; true when it accepted.
    bool OfferLabel(DecodedLabel const& label);

    // The reading direction of a region in whole degrees, -180 .. 179,
    // counter-clockwise on the screen from +x; 0 for a degenerate region.
    static int CalcReadingAngle(Region const& region);
    // The band region of the one-band read for an image.
    static Region CalcFixedBand(int width, int height);

private:
    class Outlet final : public LabelOutlet {
    public:
        explicit Outlet(TwoDimensionDecoder& owner) : owner_(owner) {}
        bool Offer(DecodedLabel const& label) override { return owner_.OfferLabel(label); }

    private:
        TwoDimensionDecoder& owner_;
    };

    struct Header {
        Header(DEC2DProperty* property_, TwoDimensionDecoder& owner, void* arenaBase, unsigned arenaSize)
            : property(property_), outlet(owner), arena(arenaBase, arenaSize)
        {
        }

        DEC2DProperty* property;
        DEC2D_LABEL_CALLBACK callback = nullptr;
        void* context = nullptr;
        void* outputContext = nullptr;
        void* spare = nullptr;
        tagDecodeOption option{};
        DecodedLabel label;
        tagDEC2D_REGION viewRegion{};
        tagStructuredAppend viewStructuredAppend{};
        tagDecodedLabel view{};
        bool accepted = false;
        DecoderSet decoders;
        CodeSearcher* searcher = nullptr;
        LinearFrameHooks linear;
        LegacyEngineHooks legacy;
        struct PreFilterArea* preFilterArea = nullptr;
        Outlet outlet;
        ObjectArena arena;
    };

    static constexpr unsigned kObjectBytes =
        kHandleBytes - kWorkAreaBytes - static_cast<unsigned>(sizeof(Header));

    int ReadFixedBand(GrayImage const& image);

    Header header_;
    unsigned char workArea_[kWorkAreaBytes];
    unsigned char objects_[kObjectBytes];
};

}  // namespace DEC2DIvra
