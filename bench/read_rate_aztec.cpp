// Read rates of Aztec Code (every compact and full-range size) and Aztec Runes through
// the product road, beside zxing-cpp, under the standard conditions at every 15 degrees.
//
//   bench_read_rate_aztec [compact|full|full_sample|runes]...   (all but full_sample by default;
//                                                               full_sample: ten full-range sizes)
//
// Each symbol's rows are measured in a process of its own, SCANNER_BENCH_JOBS of them
// (default 4) at once, and printed in the tables' order.
#include "bench/support/read_rate_table.h"

#include <sys/wait.h>
#include <unistd.h>

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
        return std::strcmp(group, "full_sample") != 0;
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
    return 0;
}
