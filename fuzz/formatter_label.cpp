// Decoded labels through the formatter's whole road: identity, settings and
// host interface from the first bytes, label data from the rest. The formatter
// must say it sent output exactly when it queued some, and must never reach
// past the label buffer, however the Codabar halves join.
//
// Input: symbology, four modifier bytes, host interface, a settings byte, data.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "config/configuration.h"
#include "decoder/core/identifiers/common_symbology_identifier.h"
#include "format/formatter.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

struct Host {
    std::size_t units = 0;
    std::size_t leds = 0;
};

Host host;
std::int64_t now = 0;

void Configure(unsigned char settings)
{
    using namespace ivra_configuration;
    using Case = configuration::string::case_conversion::Enum;
    using Timing = configuration::indicator::timing::Enum;
    std::lock_guard<std::recursive_mutex> lock(CommandMutex());
    Root().string.case_conversion.Set(static_cast<Case>(settings & 3));
    Root().indicator.timing.Set(static_cast<Timing>(settings >> 2 & 1));
    Root().string.ignore_eci_protocol.enable.Set((settings & 8) != 0);
    Root().code.codabar.enable_abc_cx.Set(static_cast<std::uint8_t>(settings >> 4 & 7));
    Update();
}

void SetUp()
{
    using namespace ivra_configuration;
    std::lock_guard<std::recursive_mutex> lock(CommandMutex());
    string_t<20> prefix{};
    const std::uint32_t codes[] = {171, 173, 174, 175, 'P', 176, 233};
    for (std::uint32_t c : codes)
        prefix.data[prefix.count++] = c;
    Root().string.common_prefix.Set(prefix);
    string_t<4> suffix{};
    suffix.data[suffix.count++] = 13;
    suffix.data[suffix.count++] = 174;
    Root().string.codabar.suffix.Set(suffix);
    Root().string.qr_code.suffix.Set(suffix);
    Update();

    FormatterOutlets outlets;
    outlets.pushOutput = [](const OutputBufferData&) { ++host.units; };
    outlets.indicate = [](unsigned, unsigned) { ++host.leds; };
    outlets.hostInterface = [] { return static_cast<unsigned char>(now % 3 == 0 ? 0 : now % 3 == 1 ? 9 : 10); };
    Formatter::getInstance().SetOutlets(outlets);
    Formatter::getInstance().SetClock([] { return now; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = (SetUp(), true);
    (void)ready;
    if (size < 7)
        return 0;

    DEC2DIvra::CommonSymbologyIdentifier identifier(static_cast<tagSymbology>(data[0] % 64));
    identifier.SetModifier(static_cast<unsigned>(data[1]) | static_cast<unsigned>(data[2]) << 8 |
                           static_cast<unsigned>(data[3]) << 16 | static_cast<unsigned>(data[4]) << 24);
    now += data[5] * 10'000'000LL;
    Configure(data[6]);

    // Exactly the label's size, so any read past it is caught.
    const std::size_t length = size - 7;
    std::vector<char> label(data + 7, data + size);
    const char* bytes = length > 0 ? label.data() : nullptr;

    Formatter& formatter = Formatter::getInstance();
    host = Host{};
    const bool stored = formatter.SetDecodeResult(&identifier, bytes, static_cast<unsigned>(length), nullptr,
                                                  nullptr, 0);
    formatter.SearchECIPatterns(bytes, static_cast<unsigned>(length));
    const int result = formatter.FormatData();
    Require(result == 0 || result == 1 || result == Formatter::kFormatRefused);
    Require(stored || result == Formatter::kFormatRefused);
    Require((result == 1) == (host.units > 0));
    Require((result == 1) == (host.leds > 0));
    Require(formatter.Record().length <= formatter.Record().capacity);
    Require(formatter.Record().end == formatter.Record().data + formatter.Record().length);

    std::vector<OutputBufferData> units;
    Formatter::BuildOutputBufferBasedOnInterface(reinterpret_cast<const unsigned char*>(bytes),
                                                 static_cast<int>(length), units, data[5] % 2 ? 10 : 0);
    Require(units.size() == (length > 0 ? 1u : 0u));
    return 0;
}
