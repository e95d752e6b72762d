#pragma once
// The scanner-sim program as an integrator runs it: each test gets a folder of
// its own for boards and images, removed afterwards.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <utility>
#include <vector>

namespace sim_test {

// The "set" command of a data-editing memory: each byte of the texts one cell.
inline std::string Memory(int n, std::string const& pattern, std::string const& format)
{
    auto cells = [](std::string const& text) {
        std::string out = "[";
        for (unsigned char c : text) {
            out += (out.size() > 1 ? "," : "") + std::to_string(c);
        }
        return out + "]";
    };
    return "set data_edit_programming/memory" + std::to_string(n) + ":{\"enable\":true,\"cut_script\":" +
           cells(pattern) + ",\"paste_script\":" + cells(format) + "}";
}

// The answers of "ZA" and "YV" as scanner-sim prints them: 0x20 to 0x7E, and 0x00 to 0x1F
// by name, each followed by CR.
inline std::string PrintableAnswer()
{
    std::string text;
    for (char c = 0x20; c < 0x7F; ++c) {
        text += c;
    }
    return text + "<CR>";
}

inline std::string ControlAnswer()
{
    return "<NUL><SOH><STX><ETX><EOT><ENQ><ACK><BEL><BS><HT><LF><VT><FF><CR><SO><SI><DLE>"
           "<DC1><DC2><DC3><DC4><NAK><SYN><ETB><CAN><EM><SUB><ESC><FS><GS><RS><US><CR>";
}

class SimProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/sim-program-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        directory_ = pattern;
        ASSERT_TRUE(std::filesystem::exists(program_)) << program_;
    }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    // Standard output and exit status of the program on the board folder
    // `board` of this test. The paths hold no quote; the arguments may.
    std::pair<std::string, int> run(std::string const& mode, std::vector<std::string> const& arguments,
                                    std::string const& board = "board")
    {
        std::string command = program_.string() + " " + mode + " --board " + (directory_ / board).string();
        for (std::string const& argument : arguments) {
            command += " '";
            for (char c : argument) {
                command += c == '\'' ? std::string("'\\''") : std::string(1, c);
            }
            command += "'";
        }
        std::FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
        std::string out;
        for (int c; pipe != nullptr && (c = std::fgetc(pipe)) != EOF;) {
            out.push_back(static_cast<char>(c));
        }
        int const status = pipe != nullptr ? ::pclose(pipe) : -1;
        return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    }

    std::filesystem::path directory_;
    // Built beside the test binaries' folder.
    std::filesystem::path const program_ =
        std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "scanner-sim";
};

}  // namespace sim_test
