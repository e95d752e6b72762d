#include "sim/engine_view.h"

#include "decoder/legacy/engine/legacy_debug_view.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace scanner_sim {

namespace {

constexpr int kLogBytes = 4 << 20;

std::string stem(std::string const& file)
{
    std::string name = file.substr(file.find_last_of('/') + 1);
    std::size_t const dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        name.resize(dot);
    }
    return name.empty() ? std::string("image") : name;
}

bool writeFile(std::string const& path, void const* data, std::size_t size, std::string const& header,
               std::FILE* err)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(err, "scanner-sim decode: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size() &&
              (size == 0 || std::fwrite(data, 1, size, f) == size);
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::fprintf(err, "scanner-sim decode: cannot write %s\n", path.c_str());
    }
    return ok;
}

} // namespace

struct EngineView::State {
    std::string directory;
    int width;
    int height;
    std::vector<std::uint16_t> overlay;
    std::vector<char> log;
    LegacyDebugView view{};
    std::string base;
};

EngineView::EngineView(std::string directory, int width, int height)
    : state_(new State{std::move(directory), width, height, std::vector<std::uint16_t>(std::size_t(width) * height),
                       std::vector<char>(kLogBytes), {}, {}})
{
}

EngineView::~EngineView() { SimulationC_AttachView(nullptr); }

void EngineView::begin(int index, std::string const& file)
{
    State& s = *state_;
    s.view = LegacyDebugView{};
    s.view.overlay = s.overlay.data();
    s.view.width = s.width;
    s.view.height = s.height;
    s.view.log = s.log.data();
    s.view.logCapacity = static_cast<int>(s.log.size());
    s.log[0] = '\0';
    s.base = s.directory + "/" + std::to_string(index) + "-" + stem(file);
    SimulationC_AttachView(&s.view);
}

bool EngineView::end(std::FILE* err)
{
    State& s = *state_;
    SimulationC_AttachView(nullptr);
    // 16-bit PGM, most significant byte first, the sensor's 0 to 1023.
    std::vector<unsigned char> bytes(s.overlay.size() * 2);
    for (std::size_t i = 0; i < s.overlay.size(); ++i) {
        bytes[2 * i] = static_cast<unsigned char>(s.overlay[i] >> 8);
        bytes[2 * i + 1] = static_cast<unsigned char>(s.overlay[i] & 0xFF);
    }
    std::string const header = "P5\n" + std::to_string(s.width) + " " + std::to_string(s.height) + "\n1023\n";
    bool ok = writeFile(s.base + ".pgm", bytes.data(), bytes.size(), header, err);
    std::string text(s.log.data(), static_cast<std::size_t>(s.view.logLength));
    if (s.view.dropped != 0) {
        text += "log full: " + std::to_string(s.view.dropped) + " lines dropped\n";
    }
    ok = writeFile(s.base + ".log", text.data(), text.size(), std::string(), err) && ok;
    return ok;
}

} // namespace scanner_sim
