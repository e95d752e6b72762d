#include "app/device_commands/image_capture.h"

#include "app/indicators/gpio_keyboard.h"
#include "app/read_cycle/read_barcode.h"
#include "app/commands/reply_routing.h"
#include "app/host/serial_port.h"
#include "config/configuration.h"

#include <cstdio>

namespace {

constexpr std::uint32_t code(char a, char b, char c)
{
    return static_cast<std::uint32_t>(a) << 16 | static_cast<std::uint32_t>(b) << 8 | static_cast<std::uint32_t>(c);
}

constexpr std::uint32_t kCapture = code('D', 'E', '0');
constexpr std::uint32_t kSendUsedFrame = code('D', 'E', '1');
constexpr std::uint32_t kShowSettings = code('D', 'E', '6');
constexpr std::uint32_t kSendNewFrame = code('D', 'E', '8');

constexpr MenuCommandItem imageCaptureMenuCommandItem[] = {
    {kCapture, 0, 2, {}}, {kSendUsedFrame, 0, 4, {}}, {kShowSettings, 0, 0, {}}, {kSendNewFrame, 1, 4, {}}, {0, 0, 0, {}},
};

constexpr char const* kCaptured = "OK Capture\r";

// The port of a command channel, opened for this transfer with the line settings that
// channel already runs at, so that the upload never changes the line speed.
SerialPort channelPort(int channel)
{
    if (channel == kChannelUart) {
        auto const& uart = ivra_configuration::Root().interface.uart;
        return SerialPort("/dev/ttyS0", uart.baud_rate.Value(), uart.parity.Value(), uart.data_bits.Value(),
                          uart.stop_bits.Value(), 1000);
    }
    return SerialPort("/dev/ttyGS0", 115200, 0, 8, 0, 1000);
}

} // namespace

std::array<char const*, 5> const ImageCapture::FMT{"RES0", "JPEG", "RES2", "BMP", "TIFF"};
std::array<unsigned, 4> const ImageCapture::BPP{8, 4, 1, 10};

ImageCapture& ImageCapture::getInstance()
{
    static ImageCapture* const instance = new ImageCapture();
    return *instance;
}

ImageCapture::ImageCapture() : ParameterObject("", ParameterIdentifier::ImageCapture, imageCaptureMenuCommandItem) {}

ImageSettings ImageCapture::CurrentSettings()
{
    auto const& standard = ivra_configuration::Root().output_of_image.for_standard;
    ImageSettings settings;
    settings.xStart = standard.windowing.x_s.Value();
    settings.xEnd = standard.windowing.x_e.Value();
    settings.yStart = standard.windowing.y_s.Value();
    settings.yEnd = standard.windowing.y_e.Value();
    settings.skipX = standard.subsampling.skip_x.Value();
    settings.skipY = standard.subsampling.skip_y.Value();
    settings.bitPerPixel = static_cast<unsigned>(standard.bit_per_pixel.Value());
    settings.quality = standard.quality_of_jpeg.Value();
    settings.format = static_cast<unsigned>(standard.format.Value());
    settings.allAtOnce = static_cast<unsigned>(standard.data_transfer_method.Value()) != 0;
    return settings;
}

bool ImageCapture::StartTransmitImage(SerialPort& port)
{
    ImageSettings const settings = CurrentSettings();
    ConvertedImage converted;
    if (!ConvertImage(frame_, settings, converted) || !EncodeImage(frame_, converted, settings, image_)) {
        return false;
    }
    bool const triggerHeld = (GpioKeyboard::keysPressed_.load() & GpioKeyboard::kTriggerBit) != 0;
    InformationField const field = MakeInformationField(frame_, converted, image_.size(), 1, triggerHeld);
    // Rows of the converted image make the blocks (a JPEG is cut the same way).
    unsigned const rowBytes = converted.width * (settings.bitPerPixel == 3 && settings.format != 1 ? 2 : 1);
    return settings.allAtOnce ? TransmitAllAtOnce(port, field, image_) : TransmitPartial(port, field, image_, rowBytes);
}

bool ImageCapture::upload(ivra_configuration::OutputStream& out, bool newFrame)
{
    int const channel = CheckInterfaceOutputStreamType(out);
    if (channel == kChannelUnknown) {
        return false;
    }
    if (channel == kChannelMemory) {
        if (!newFrame) {
            return out.Write(kCaptured);
        }
        return true;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    SerialPort port = channelPort(channel);
    if (!port.open()) {
        return false;
    }
    ReadBarcode& reader = ReadBarcode::getInstance();
    bool const captured = newFrame ? reader.getImage(frame_) : reader.getUsedImage(frame_);
    bool const sent = captured && StartTransmitImage(port);
    port.close();
    return sent;
}

int ImageCapture::ExecuteCommand(unsigned code, std::vector<char> params, ivra_configuration::InputStream&,
                                 ivra_configuration::OutputStream& out)
{
    (void)params;
    switch (code) {
    case kCapture: {
        if (CheckInterfaceOutputStreamType(out) == kChannelUnknown) {
            return kRefused;
        }
        (void)out.Write(kCaptured);
        std::lock_guard<std::mutex> lock(mutex_);
        return ReadBarcode::getInstance().getImage(frame_) ? kDone : kRefused;
    }
    case kSendUsedFrame:
        return upload(out, false) ? kDone : kRefused;
    case kSendNewFrame:
        return upload(out, true) ? kDone : kRefused;
    case kShowSettings: {
        ImageSettings const s = CurrentSettings();
        char line[160];
        std::snprintf(line, sizeof line,
                      ";Trim(%4u,%4u,%4u,%4u) Sub(%u,%u) Bp%2u Jq%3u Ff%-4s Tr%-4s Fl(%d,%d) Re%d\r", s.xStart,
                      s.yStart, s.xEnd, s.yEnd, s.skipX, s.skipY, s.bitPerPixel < BPP.size() ? BPP[s.bitPerPixel] : 0,
                      s.quality, s.format < FMT.size() ? FMT[s.format] : "?", s.allAtOnce ? "ALL" : "PART", 0, 0, 0);
        return out.Write(line) ? kDone : kRefused;
    }
    default:
        return kNotMine;
    }
}
