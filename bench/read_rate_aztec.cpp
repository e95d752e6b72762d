// Read rates of Aztec Code (every compact and full-range size) and Aztec Runes through
// the product road, beside zxing-cpp, under the standard conditions at every 15 degrees.
//
//   bench_read_rate_aztec [compact|full|full_sample|runes|cylinder|damaged]...
//       (all but full_sample and damaged by default; full_sample: ten full-range sizes;
//        cylinder: compact symbols wrapped around a can at half-angles of 0.3 to 1.1 radian;
//        damaged: every zint version with its data layers ruined past correction in
//        module-sized patches, seeded, where any label but the symbol's own is wrong)
//
// Each symbol's rows are measured in a process of its own, SCANNER_BENCH_JOBS of them
// (default 4) at once, and printed in the tables' order.
#include "bench/support/product_road.h"
#include "bench/support/read_rate_table.h"
#include "tests/decoder/matrix/aztec/cylinder_frame.h"
#include "tests/support/image_file.h"
#include "tests/support/random.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bench_support::ReadRateSpec;
using bench_support::ReadRateSymbol;

bool Wanted(int argc, char** argv, char const* group)
{
    if (argc < 2) {
        return std::strcmp(group, "full_sample") != 0 && std::strcmp(group, "damaged") != 0;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], group) == 0) {
            return true;
        }
    }
    return false;
}

// Text that fills a good part of a symbol of the given zint version without
// forcing a larger one.
std::string Filler(int version)
{
    static char const kWords[] = "Aztec 2D symbol, read at any angle: 0123456789. ";
    int const layers = version <= 4 ? version : version - 4;
    std::size_t const length = static_cast<std::size_t>(version <= 4 ? 4 + layers * 8 : 8 + layers * layers * 2);
    std::string s;
    while (s.size() < length) {
        s += kWords;
    }
    s.resize(length);
    return s;
}

// One symbol's rows, written to a file by a child process.
struct Job {
    ReadRateSpec spec;
    bool firstOfTable = false;
    std::string file;
};

void Add(ReadRateSpec const& table, std::vector<Job>& jobs)
{
    for (std::size_t i = 0; i < table.symbols.size(); ++i) {
        Job job;
        job.spec = table;
        job.spec.symbols = {table.symbols[i]};
        job.firstOfTable = i == 0;
        jobs.push_back(std::move(job));
    }
}

// Runs the jobs, at most `parallel` at once, each in a child so that no
// reader's state or timing is shared between threads; then prints their
// rows, each table's heading once.
void RunJobs(std::vector<Job>& jobs, unsigned parallel)
{
    char pattern[] = "/tmp/read-rate-aztec-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        std::fprintf(stderr, "no folder for the job files\n");
        return;
    }
    std::fflush(stdout);
    unsigned running = 0;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        jobs[i].file = std::string(pattern) + "/job" + std::to_string(i) + ".txt";
        if (running == parallel && ::wait(nullptr) > 0) {
            --running;
        }
        pid_t const child = ::fork();
        if (child == 0) {
            std::FILE* const out = std::fopen(jobs[i].file.c_str(), "w");
            if (out != nullptr) {
                bench_support::RunReadRateTable(jobs[i].spec, out);
                std::fclose(out);
            }
            std::_Exit(0);
        }
        if (child > 0) {
            ++running;
        } else {
            std::fprintf(stderr, "could not start the job of %s\n", jobs[i].spec.symbols[0].name.c_str());
        }
    }
    while (::wait(nullptr) > 0) {
    }
    for (Job const& job : jobs) {
        std::FILE* const in = std::fopen(job.file.c_str(), "r");
        if (in == nullptr) {
            continue;
        }
        // The heading is the table's title line and its column line.
        unsigned line = 0;
        for (int c; (c = std::fgetc(in)) != EOF;) {
            if (job.firstOfTable || line >= 2) {
                std::fputc(c, stdout);
            }
            line += c == '\n' ? 1u : 0u;
        }
        std::fclose(in);
        std::remove(job.file.c_str());
    }
    ::rmdir(pattern);
    std::fflush(stdout);
}

struct Tally {
    unsigned frames = 0;
    unsigned read = 0;
    unsigned wrong = 0;
};

// Reads the frames through scanner-sim and tallies them against their texts.
Tally ReadFrames(std::vector<support::Frame> const& frames, std::vector<std::string> const& texts,
                 std::string const& folder)
{
    Tally tally;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        files.push_back(folder + "/f" + std::to_string(i) + ".png");
        support::writePng(files.back(), frames[i], support::FileDepth::Bits16);
    }
    bench_support::ProductRoad const road({});
    if (!road.ready()) {
        std::fprintf(stderr, "no board: %s\n", road.why().c_str());
        return tally;
    }
    std::vector<bench_support::ProductRoad::Read> const reads = road.Decode(files);
    for (std::size_t i = 0; i < reads.size(); ++i) {
        ++tally.frames;
        bool good = false;
        bool bad = false;
        for (std::string const& label : reads[i].labels) {
            (label == texts[i] ? good : bad) = true;
        }
        tally.read += good ? 1 : 0;
        tally.wrong += bad ? 1 : 0;
        std::remove(files[i].c_str());
    }
    return tally;
}

void RunCylinder(std::string const& folder)
{
    std::printf("Aztec Code, compact on a cylinder (factory settings): frames read through scanner-sim decode\n");
    std::printf("%-10s %8s %6s %6s\n", "half-angle", "frames", "read", "wrong");
    for (double angle = 0.3; angle < 1.15; angle += 0.2) {
        std::vector<support::Frame> frames;
        std::vector<std::string> texts;
        for (int v = 1; v <= 4; ++v) {
            for (double turn : {0.0, 20.0}) {
                for (bool inverted : {false, true}) {
                    support::SymbolInput input{.symbology = BARCODE_AZTEC, .data = Filler(v), .option2 = v};
                    support::RenderOptions o;
                    o.moduleSize = 3.0;
                    o.angle = turn;
                    o.inverted = inverted;
                    support::Rendering r = support::render(input, o);
                    if (!r.symbol.ok) {
                        continue;
                    }
                    double const half = 3.0 * r.symbol.widthModules / 2;
                    frames.push_back(aztec_test::OnCylinder(r.frame, half / angle));
                    texts.push_back(input.data);
                }
            }
        }
        Tally const t = ReadFrames(frames, texts, folder);
        std::printf("%-10.1f %8u %6u %6u\n", angle, t.frames, t.read, t.wrong);
    }
}

void RunDamaged(std::string const& folder)
{
    std::printf("Aztec Code damaged past correction (factory settings): frames with a wrong label must be 0\n");
    std::printf("%-8s %8s %6s %6s\n", "version", "frames", "read", "wrong");
    support::Random random(3100);
    unsigned totalFrames = 0;
    unsigned totalWrong = 0;
    for (int v = 1; v <= 36; ++v) {
        std::vector<support::Frame> frames;
        std::vector<std::string> texts;
        int const count = v <= 4 ? 400 : 40;
        for (int n = 0; n < count; ++n) {
            std::string text;
            for (int i = 0, length = random.integer(4, v <= 4 ? 8 * v : 30); i < length; ++i) {
                text.push_back(static_cast<char>(random.integer(33, 126)));
            }
            support::SymbolInput input{.symbology = BARCODE_AZTEC, .data = text, .option2 = v};
            support::RenderOptions o;
            o.moduleSize = v <= 4 ? 3.0 : 2.0;
            o.angle = random.uniform(0, 360);
            support::Rendering r = support::render(input, o);
            if (!r.symbol.ok) {
                continue;
            }
            // Module-sized patches inverted over the data layers, the
            // bull's-eye and the mode ring kept, until a share of the data
            // area is hit.
            double const share = random.uniform(0.06, 0.2);
            int const side = r.symbol.rows;
            int const core = v <= 4 ? 11 : 15;
            int const patches = static_cast<int>(share * (side * side - core * core));
            for (int p = 0; p < patches; ++p) {
                int mx = 0;
                int my = 0;
                do {
                    mx = random.integer(0, side - 1);
                    my = random.integer(0, side - 1);
                } while (std::abs(mx - side / 2) <= core / 2 && std::abs(my - side / 2) <= core / 2);
                support::Point const c = r.symbol.toFrame(support::Point{mx + 0.5, my + 0.5});
                for (int y = static_cast<int>(c.y - 1.5); y <= static_cast<int>(c.y + 1.5); ++y) {
                    for (int x = static_cast<int>(c.x - 1.5); x <= static_cast<int>(c.x + 1.5); ++x) {
                        if (x >= 0 && y >= 0 && x < r.frame.width && y < r.frame.height) {
                            r.frame.at(x, y) = static_cast<std::uint16_t>(1000 - r.frame.at(x, y));
                        }
                    }
                }
            }
            frames.push_back(r.frame);
            texts.push_back(text);
        }
        Tally const t = ReadFrames(frames, texts, folder);
        totalFrames += t.frames;
        totalWrong += t.wrong;
        std::printf("%-8d %8u %6u %6u\n", v, t.frames, t.read, t.wrong);
        std::fflush(stdout);
    }
    std::printf("%-8s %8u %6s %6u\n", "all", totalFrames, "", totalWrong);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<Job> jobs;
    char const* parallelText = std::getenv("SCANNER_BENCH_JOBS");
    int const parallel = parallelText != nullptr ? std::atoi(parallelText) : 4;
    // The factory settings read Aztec Code in both polarities; Runes are
    // switched on for their table.
    ReadRateSpec base;
    base.zxingFormats = ZXing::BarcodeFormat::Aztec;
    base.moduleSizes = {2.0, 3.0, 4.5};
    if (Wanted(argc, argv, "compact")) {
        ReadRateSpec spec = base;
        spec.title = "Aztec Code, compact (factory settings)";
        for (int v = 1; v <= 4; ++v) {
            std::string const text = Filler(v);
            spec.symbols.push_back({"compact " + std::to_string(v) + " layers",
                                    {.symbology = BARCODE_AZTEC, .data = text, .option2 = v}, {text}});
        }
        Add(spec, jobs);
    }
    bool const sample = Wanted(argc, argv, "full_sample");
    if (Wanted(argc, argv, "full") || sample) {
        ReadRateSpec spec = base;
        spec.title = "Aztec Code, full range (factory settings)";
        for (int v = 5; v <= 36; ++v) {
            // The sample: the smallest and largest, each codeword size's
            // first and last, and the near-edge sizes of the reference grid.
            if (sample && !Wanted(argc, argv, "full") && v != 5 && v != 8 && v != 9 && v != 10 && v != 12 &&
                v != 16 && v != 26 && v != 27 && v != 31 && v != 36) {
                continue;
            }
            std::string const text = Filler(v);
            spec.symbols.push_back({"full range " + std::to_string(v - 4) + " layers",
                                    {.symbology = BARCODE_AZTEC, .data = text, .option2 = v}, {text}});
        }
        Add(spec, jobs);
    }
    if (Wanted(argc, argv, "runes")) {
        ReadRateSpec spec = base;
        spec.title = "Aztec Runes (factory settings plus set read/aztec_runes:true)";
        spec.setCommands = {"set read/aztec_runes:true"};
        // An 11-module rune on a label with ten modules of margin reaches the
        // horizon under the standard keystone; a rune needs no quiet zone, so
        // its label keeps three modules and the keystone stays the same.
        for (bench_support::ReadRateCondition& condition : spec.conditions) {
            if (condition.name == "perspective") {
                condition.apply = [standard = condition.apply](support::RenderOptions& o, double m) {
                    standard(o, m);
                    o.quietZone = 3.0;
                };
            }
        }
        for (int value : {0, 1, 7, 30, 85, 128, 170, 200, 254, 255}) {
            char text[4];
            std::snprintf(text, sizeof text, "%03d", value);
            spec.symbols.push_back(
                {std::string("rune ") + text, {.symbology = BARCODE_AZRUNE, .data = std::to_string(value)}, {text}});
        }
        Add(spec, jobs);
    }
    RunJobs(jobs, parallel > 0 ? static_cast<unsigned>(parallel) : 1u);
    if (Wanted(argc, argv, "cylinder") || Wanted(argc, argv, "damaged")) {
        char pattern[] = "/tmp/aztec-frames-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            std::fprintf(stderr, "no folder for the frames\n");
            return 1;
        }
        if (Wanted(argc, argv, "cylinder")) {
            RunCylinder(pattern);
        }
        if (Wanted(argc, argv, "damaged")) {
            RunDamaged(pattern);
        }
        ::rmdir(pattern);
    }
    return 0;
}
