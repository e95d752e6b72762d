// decode: the decoder alone on each image with the configured settings, one line per label.
#include "sim/decode_mode.h"

#include "app/read_cycle/decode_options.h"
#include "app/firmware_main.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "platform/sim/camera_types.h"
#include "platform/sim/image_file.h"
#include "sim/engine_view.h"
#include "sim/modes.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace scanner_sim {

namespace {

struct Label {
    int symbology = 0;
    std::string aim;
    std::string data;
    double milliseconds = 0.0;
    tagFurtherRecord further{};

    bool operator==(Label const& other) const
    {
        return symbology == other.symbology && aim == other.aim && data == other.data;
    }
};

// What one decode of an image collects.
struct Collector {
    std::chrono::steady_clock::time_point start;
    std::vector<Label> labels;
    bool first = false;  // take the first label and end the search, as a scan does
};

Collector collector;

// Takes no label, so that the search goes on and every symbol of the image is
// reported; with `first`, takes the first one and the search ends there.
bool collect(void*, tagDecodedLabel const* view)
{
    if (view == nullptr || (view->data == nullptr && view->length != 0)) {
        return false;
    }
    Label label;
    label.symbology = static_cast<int>(DEC2D_GetSymbology(view->identifier));
    char aim[11] = {};
    DEC2D_GetAIMIdentifier(view->identifier, aim, sizeof aim);
    label.aim = aim;
    label.data.assign(view->data, view->length);
    if (view->further != nullptr) {
        label.further = *view->further;
    }
    label.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - collector.start).count();
    if (std::find(collector.labels.begin(), collector.labels.end(), label) == collector.labels.end()) {
        collector.labels.push_back(std::move(label));
    }
    return collector.first;
}

DEC2D_HANDLE decoderHandle()
{
    // The table must outlive the handle, which lives as long as the process.
    static DEC2DIvra::DEC2DProperty* const table = new DEC2DIvra::DEC2DProperty();
    static DEC2D_HANDLE const handle = [] {
        DEC2D_SetDec2DProperty(table);
        DEC2D_HANDLE const h = DEC2D_GetSingletonDecoderHandle();
        DEC2D_ImplementFormatter(h, nullptr, nullptr, nullptr, collect);
        return h;
    }();
    return handle;
}

std::string hex(std::string const& bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

} // namespace

int decodeImages(std::vector<std::string> const& files, bool time, std::FILE* out, std::FILE* err, bool record,
                 bool first, std::string const& engineView)
{
    DEC2D_HANDLE const handle = decoderHandle();
    if (handle == nullptr) {
        std::fprintf(err, "scanner-sim decode: no memory for the decoder\n");
        return 1;
    }
    DEC2DIvra::tagDecodeOption const options = CalcDecodeOptions(DEC2DIvra::MakeDefaultDecodeOption(
        plat::sim::kSensorWidth, plat::sim::kSensorHeight));
    collector.first = first;
    std::unique_ptr<EngineView> view;
    if (!engineView.empty()) {
        std::error_code error;
        if (!std::filesystem::is_directory(engineView, error)) {
            std::fprintf(err, "scanner-sim decode: --engine-view: %s is not a directory\n", engineView.c_str());
            return 1;
        }
        view = std::make_unique<EngineView>(engineView, plat::sim::kSensorWidth, plat::sim::kSensorHeight);
    }
    int status = 0;
    int index = 0;
    for (std::string const& file : files) {
        ++index;
        std::string why;
        auto const image = plat::sim::loadImageFile(file, &why);
        collector.labels.clear();
        double wholeDecode = 0.0;
        if (!image) {
            std::fprintf(err, "scanner-sim decode: %s\n", why.c_str());
        } else {
            // As the camera would show it: centred on the sensor, padded or cropped.
            std::vector<std::uint16_t> const frame =
                plat::sim::placeImage(*image, plat::sim::kSensorWidth, plat::sim::kSensorHeight);
            DEC2D_OnTriggerDown(handle);
            if (view) {
                view->begin(index, file);
            }
            collector.start = std::chrono::steady_clock::now();
            DEC2D_Main(handle, plat::sim::kSensorWidth, plat::sim::kSensorHeight, plat::sim::kSensorWidth,
                       frame.data(), &options);
            wholeDecode =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - collector.start).count();
            if (view && !view->end(err)) {
                status = 1;
            }
        }
        if (collector.labels.empty()) {
            // The cost of a frame without a label counts as much as that of a read.
            if (time && image) {
                std::fprintf(out, "%s\t-\t%.3f\n", file.c_str(), wholeDecode);
            } else {
                std::fprintf(out, "%s\t-\n", file.c_str());
            }
            status = 1;
            continue;
        }
        for (Label const& label : collector.labels) {
            std::fprintf(out, "%s\t%d\t%s\t%s", file.c_str(), label.symbology, label.aim.c_str(), hex(label.data).c_str());
            if (time) {
                std::fprintf(out, "\t%.3f", label.milliseconds);
            }
            if (record && label.further.present != 0) {
                std::fprintf(out, "\t%d %d %d %u", label.further.value1, label.further.value2,
                             static_cast<int>(label.further.value3), label.further.value4);
            } else if (record) {
                std::fputs("\t-", out);
            }
            std::fputc('\n', out);
        }
    }
    std::fflush(out);
    return status;
}

int decodeMode(Options const& options)
{
    // Exactly the settings the firmware starts from, by the same steps, so that what is
    // measured here is what a scanner on this board reads.
    LoadStartSettings();
    return decodeImages(options.arguments, options.time, stdout, stderr, options.record, options.first,
                        options.engineView);
}

} // namespace scanner_sim
