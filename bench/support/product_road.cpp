#include "bench/support/product_road.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sys/wait.h>

namespace bench_support {

namespace {

namespace fs = std::filesystem;

// Single quotes for the shell; a quote inside becomes '\''.
std::string shellQuoted(std::string const& text)
{
    std::string q = "'";
    for (char c : text) {
        if (c == '\'') {
            q += "'\\''";
        } else {
            q += c;
        }
    }
    return q + "'";
}

bool run(std::string const& command, std::string& out)
{
    out.clear();
    std::FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return false;
    }
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    int const status = ::pclose(pipe);
    return WIFEXITED(status);
}

std::string fromHex(std::string const& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::vector<std::string> fields(std::string const& line)
{
    std::vector<std::string> parts;
    size_t at = 0;
    for (size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1) {
        parts.push_back(line.substr(at, tab - at));
    }
    parts.push_back(line.substr(at));
    return parts;
}

} // namespace

std::string ScannerSimPath()
{
    return (fs::canonical("/proc/self/exe").parent_path().parent_path() / "scanner-sim").string();
}

ProductRoad::ProductRoad(std::vector<std::string> const& setCommands)
{
    char pattern[] = "/tmp/read-rate-board-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        why_ = "no board directory";
        return;
    }
    board_ = pattern;
    std::string command = shellQuoted(ScannerSimPath()) + " command --board " + shellQuoted(board_);
    for (std::string const& c : setCommands) {
        command += " " + shellQuoted(c);
    }
    command += " save";
    std::string out;
    if (!run(command, out)) {
        why_ = "scanner-sim command did not run";
        return;
    }
    size_t const acks = std::count(out.begin(), out.end(), '\n');
    if (out.find("NAK") != std::string::npos || acks != setCommands.size() + 1) {
        why_ = "the board refused a command: " + out;
        return;
    }
    ready_ = true;
}

ProductRoad::~ProductRoad()
{
    if (!board_.empty()) {
        std::error_code ignored;
        fs::remove_all(board_, ignored);
    }
}

std::vector<ProductRoad::Read> ProductRoad::Decode(std::vector<std::string> const& files, unsigned repeats) const
{
    std::vector<Read> reads(files.size());
    // A frame's labels come from the first pass that reported it (a batch
    // whose process died reports nothing); the later passes only time it.
    std::vector<bool> labelled(files.size(), false);
    constexpr size_t kBatch = 200; // keeps the command line short
    for (unsigned pass = 0; pass < (repeats == 0 ? 1u : repeats); ++pass) {
        for (size_t first = 0; first < files.size(); first += kBatch) {
            std::map<std::string, size_t> index;
            std::string command =
                shellQuoted(ScannerSimPath()) + " decode --board " + shellQuoted(board_) + " --time";
            for (size_t i = first; i < files.size() && i < first + kBatch; ++i) {
                command += " " + shellQuoted(files[i]);
                index[files[i]] = i;
            }
            std::string out;
            if (!run(command, out)) {
                continue;
            }
            std::map<size_t, double> passMs;
            size_t at = 0;
            for (size_t end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
                std::vector<std::string> const p = fields(out.substr(at, end - at));
                auto const found = index.find(p[0]);
                if (found == index.end() || p.size() < 3) {
                    continue;
                }
                double ms = -1;
                if (p[1] == "-") {
                    ms = std::stod(p[2]);
                } else if (p.size() >= 5) {
                    if (!labelled[found->second]) {
                        reads[found->second].labels.push_back(fromHex(p[3]));
                    }
                    ms = std::stod(p[4]);
                }
                // Until the first label: the least of a pass's label times.
                auto const seen = passMs.find(found->second);
                if (ms >= 0 && (seen == passMs.end() || ms < seen->second)) {
                    passMs[found->second] = ms;
                }
            }
            // The best pass per frame, as the outside readers are timed.
            for (auto const& [i, ms] : passMs) {
                labelled[i] = true;
                reads[i].ms = reads[i].ms < 0 || ms < reads[i].ms ? ms : reads[i].ms;
            }
        }
    }
    return reads;
}

} // namespace bench_support
