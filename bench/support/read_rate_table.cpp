#include "bench/support/read_rate_table.h"

#include "bench/support/other_readers.h"
#include "bench/support/product_road.h"
#include "tests/support/image_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace bench_support {

namespace {

namespace fs = std::filesystem;

// Reads of one frame by zxing, the fastest of which is its time.
constexpr unsigned kZxingRepeats = 3;

struct Frame {
    std::string file;
    support::Frame pixels;
};

bool Accepted(ReadRateSymbol const& symbol, std::string const& label)
{
    return std::find(symbol.accepted.begin(), symbol.accepted.end(), label) != symbol.accepted.end();
}

// Read when any label is the symbol's; wrong when any label is not.
void Count(ReadRateSymbol const& symbol, Labels const& labels, unsigned k, ReadRateRow& row)
{
    bool read = false;
    bool wrong = false;
    for (std::string const& label : labels) {
        (Accepted(symbol, label) ? read : wrong) = true;
    }
    row.reads[k] += read ? 1u : 0u;
    row.wrong[k] += wrong ? 1u : 0u;
}

double Median(std::vector<double> v)
{
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void PrintRow(std::FILE* out, ReadRateRow const& row)
{
    std::fprintf(out, "%-24s %-14s %4u %6.1f", row.symbol.c_str(), row.condition.c_str(), row.frames, row.Rate(0));
    for (unsigned k = 1; k < 3; ++k) {
        if (row.measured[k]) {
            std::fprintf(out, " %6.1f", row.Rate(k));
        } else {
            std::fprintf(out, " %6s", "-");
        }
    }
    double best = 0;
    for (unsigned k = 1; k < 3; ++k) {
        best = row.measured[k] ? std::max(best, row.Rate(k)) : best;
    }
    std::fprintf(out, "  %u/%u/%u %8.3f", row.wrong[0], row.wrong[1], row.wrong[2], row.ourMedianMs);
    if (row.measured[1]) {
        std::fprintf(out, " %8.3f", row.zxingMedianMs);
    }
    std::fprintf(out, "%s\n", row.Rate(0) < best ? "  below" : "");
}

bool Fits(support::Rendering const& r, double quiet)
{
    double const w = r.symbol.widthModules;
    double const h = r.symbol.heightModules;
    for (support::Point const p : {support::Point{-quiet, 0}, support::Point{w + quiet, 0}, support::Point{-quiet, h},
                                   support::Point{w + quiet, h}}) {
        support::Point const f = r.symbol.toFrame(p);
        if (f.x < 0 || f.y < 0 || f.x > r.frame.width - 1 || f.y > r.frame.height - 1) {
            return false;
        }
    }
    return true;
}

std::vector<Frame> Draw(ReadRateSpec const& spec, ReadRateSymbol const& symbol, ReadRateCondition const& condition,
                        fs::path const& directory, std::string const& stem)
{
    std::vector<Frame> frames;
    uint64_t seed = 1;
    for (double moduleSize : spec.moduleSizes) {
        for (int angle = 0; angle < 360; angle += std::max(1, spec.angleStep)) {
            support::RenderOptions options;
            options.moduleSize = moduleSize;
            options.angle = angle;
            options.seed = seed++;
            condition.apply(options, moduleSize);
            support::Rendering rendering = support::render(symbol.input, options);
            if (!rendering.symbol.ok || !Fits(rendering, spec.quietModules)) {
                continue; // does not fit the frame at this size and angle
            }
            std::string const file =
                (directory / (stem + "_" + std::to_string(frames.size()) + ".pgm")).string();
            if (support::writePgm(file, rendering.frame, support::FileDepth::Bits16)) {
                frames.push_back({file, std::move(rendering.frame)});
            }
        }
    }
    return frames;
}

// Copies a frame into `directory`, named by symbol and condition.
fs::path Keep(ReadRateSymbol const& symbol, std::string const& condition, std::string const& file,
              char const* directory)
{
    std::string name = symbol.name + "_" + condition + "_" + fs::path(file).filename().string();
    std::replace_if(name.begin(), name.end(), [](char c) { return c == ' ' || c == '/' || c == '"'; }, '_');
    fs::path const keep = fs::path(directory) / name;
    std::error_code ignored;
    fs::create_directories(keep.parent_path(), ignored);
    fs::copy_file(file, keep, fs::copy_options::overwrite_existing, ignored);
    return keep;
}

// A wrong label is a fault to look at: its frame is kept in
// /tmp/read-rate-wrong.
void KeepWrong(ReadRateSymbol const& symbol, std::string const& condition, Labels const& labels,
               std::string const& file, std::FILE* out)
{
    for (std::string const& label : labels) {
        if (!Accepted(symbol, label)) {
            fs::path const keep = Keep(symbol, condition, file, "/tmp/read-rate-wrong");
            std::fprintf(out, "  wrong label '%s' from %s, kept as %s\n", label.c_str(), symbol.name.c_str(),
                         keep.c_str());
        }
    }
}

} // namespace

std::vector<ReadRateCondition> StandardConditions()
{
    return {
        {"clean", [](support::RenderOptions&, double) {}},
        {"blurred", [](support::RenderOptions& o, double m) { o.blur = 0.35 * m; }},
        {"noisy", [](support::RenderOptions& o, double) { o.noise = 25; }},
        {"low contrast",
         [](support::RenderOptions& o, double) {
             o.dark = 380;
             o.light = 620;
         }},
        {"light-on-dark", [](support::RenderOptions& o, double) { o.inverted = true; }},
        {"perspective",
         [](support::RenderOptions& o, double) {
             o.perspectiveX = 0.2;
             o.perspectiveY = 0.1;
         }},
    };
}

std::vector<ReadRateRow> RunReadRateTable(ReadRateSpec const& spec, std::FILE* out)
{
    std::vector<ReadRateRow> rows;
    // SCANNER_BENCH_KEEP_MISSED=1 keeps the frames nothing was read from in
    // /tmp/read-rate-missed.
    char const* keepEnv = std::getenv("SCANNER_BENCH_KEEP_MISSED");
    bool const keepMissed = keepEnv != nullptr && keepEnv[0] == '1';
    // SCANNER_BENCH_KEEP_ALL=directory keeps every frame drawn there (to
    // profile the very frames a row is timed on).
    char const* keepAll = std::getenv("SCANNER_BENCH_KEEP_ALL");
    // SCANNER_BENCH_ONLY=text runs only the tables whose title holds it, or
    // of the others only the rows whose symbol's name holds it.
    char const* only = std::getenv("SCANNER_BENCH_ONLY");
    bool const wholeTable = only == nullptr || spec.title.find(only) != std::string::npos;
    auto isRun = [&](ReadRateSymbol const& symbol) {
        return wholeTable || symbol.name.find(only) != std::string::npos;
    };
    if (std::none_of(spec.symbols.begin(), spec.symbols.end(), isRun)) {
        return rows;
    }
    // SCANNER_BENCH_CONDITION=name runs only that condition.
    char const* onlyCondition = std::getenv("SCANNER_BENCH_CONDITION");
    ProductRoad const road(spec.setCommands);
    if (!road.ready()) {
        std::fprintf(out, "%s: %s\n", spec.title.c_str(), road.why().c_str());
        return rows;
    }
    char pattern[] = "/tmp/read-rate-frames-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        return rows;
    }
    fs::path const directory = pattern;
    bool const zxing = spec.zxingFormats != ZXing::BarcodeFormats{};
    ZbarReader const zbar(spec.zbarSymbologies);
    bool const withZbar = !spec.zbarSymbologies.empty() && zbar.IsReady();

    std::fprintf(out, "%s: read rate %% through scanner-sim decode (ours) beside zxing-cpp and zbar; frames with a "
                      "wrong label ours/zxing/zbar; our median ms per frame (and zxing-cpp's)\n", spec.title.c_str());
    std::fprintf(out, "%-24s %-14s %4s %6s %6s %6s  %s %8s\n", "symbol", "condition", "n", "ours", "zxing", "zbar",
                 "wrong", "ms");
    // Every frame of a condition, whatever its symbol: the table's figures by condition.
    std::vector<ReadRateRow> byCondition(spec.conditions.size());
    std::vector<std::vector<double>> conditionTimes(spec.conditions.size());
    std::vector<std::vector<double>> conditionZxingTimes(spec.conditions.size());
    for (ReadRateSymbol const& symbol : spec.symbols) {
        if (!isRun(symbol)) {
            continue;
        }
        for (size_t c = 0; c < spec.conditions.size(); ++c) {
            ReadRateCondition const& condition = spec.conditions[c];
            if (onlyCondition != nullptr && condition.name != onlyCondition) {
                continue;
            }
            std::vector<Frame> const frames = Draw(spec, symbol, condition, directory, "f");
            ReadRateRow row;
            row.symbol = symbol.name;
            row.condition = condition.name;
            row.frames = static_cast<unsigned>(frames.size());
            row.measured[0] = true;
            row.measured[1] = zxing;
            row.measured[2] = withZbar;
            std::vector<std::string> files;
            for (Frame const& f : frames) {
                files.push_back(f.file);
            }
            // Timed as zxing is, the best of as many reads, where the two are compared.
            std::vector<ProductRoad::Read> const ours = road.Decode(files, zxing ? kZxingRepeats : 1);
            std::vector<double> times;
            std::vector<double> zxingTimes;
            for (size_t i = 0; i < frames.size(); ++i) {
                Count(symbol, ours[i].labels, 0, row);
                KeepWrong(symbol, condition.name, ours[i].labels, frames[i].file, out);
                if (keepMissed && ours[i].labels.empty()) {
                    Keep(symbol, condition.name, frames[i].file, "/tmp/read-rate-missed");
                }
                if (keepAll != nullptr && keepAll[0] != '\0') {
                    Keep(symbol, condition.name, frames[i].file, keepAll);
                }
                if (ours[i].ms >= 0) {
                    times.push_back(ours[i].ms);
                }
                Labels labels;
                double ms = 0;
                if (zxing) {
                    // Ours is timed in one process over the whole batch, so
                    // past its first frame warm; zxing gets the same: the
                    // best of a few reads in its own process.
                    if (!TimeIsolated([&] { return ReadWithZxing(frames[i].pixels, spec.zxingFormats); },
                                      kZxingRepeats, labels,
                                      ms)) {
                        labels.clear();
                    } else {
                        zxingTimes.push_back(ms);
                    }
                    Count(symbol, labels, 1, row);
                }
                if (withZbar) {
                    if (!TimeIsolated([&] { return zbar.Read(frames[i].pixels); }, 1, labels, ms)) {
                        labels.clear();
                    }
                    Count(symbol, labels, 2, row);
                }
                std::error_code ignored;
                fs::remove(frames[i].file, ignored);
            }
            row.ourMedianMs = Median(times);
            row.zxingMedianMs = Median(zxingTimes);
            PrintRow(out, row);
            std::fflush(out);
            ReadRateRow& all = byCondition[c];
            all.condition = condition.name;
            all.frames += row.frames;
            for (unsigned k = 0; k < 3; ++k) {
                all.reads[k] += row.reads[k];
                all.wrong[k] += row.wrong[k];
                all.measured[k] = row.measured[k];
            }
            conditionTimes[c].insert(conditionTimes[c].end(), times.begin(), times.end());
            conditionZxingTimes[c].insert(conditionZxingTimes[c].end(), zxingTimes.begin(), zxingTimes.end());
            rows.push_back(std::move(row));
        }
    }
    for (size_t c = 0; c < byCondition.size(); ++c) {
        ReadRateRow& all = byCondition[c];
        if (all.frames == 0) {
            continue;
        }
        all.symbol = "(all frames)";
        all.ourMedianMs = Median(conditionTimes[c]);
        all.zxingMedianMs = Median(conditionZxingTimes[c]);
        PrintRow(out, all);
    }
    std::error_code ignored;
    fs::remove_all(directory, ignored);
    return rows;
}

} // namespace bench_support
