// The data-editing engine on 100-byte labels: typical user programs and the
// GS1 conversion programs, one label's round (collect, match, output) each.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "format/data_edit/gs1_conversion_program.h"
#include "format/data_edit/ride_zodoz.h"

namespace {

struct Program {
    const char* name;
    std::string pattern;
    std::string format;
    std::string label;
    bool gs1;
    bool outputs = true; // false: a program that gives up on the label
};

std::string Gs1Label()
{
    // 100 bytes of element strings with variable-length fields ended by GS.
    std::string s = "0109501101530003" "3103001250" "17250700" "10LOT1234567890ABCD\x1D" "21SERIAL12345678901\x1D";
    while (s.size() < 100)
        s += "2402X";
    return s.substr(0, 100);
}

std::vector<Program> Programs()
{
    std::vector<Program> programs;
    std::string plain;
    for (int i = 0; plain.size() < 100; ++i)
        plain += "ID" + std::to_string(1000 + i) + "-BOX";
    plain.resize(100);
    programs.push_back({"groups_and_anchors", "^ID(!:[0-9]+)-(.*)$", "[0,2]/[0,1]", plain, false});
    programs.push_back({"class_repetition_backtracking", "([A-Z]+[0-9]{2,4}?)*(X|-BOX)(.*)", "[0,3]", plain, false});
    programs.push_back({"skip_and_put", "<ID>\"(\"(.{4})\")\"(.*)", "[0]", plain, false});
    programs.push_back({"functions", "(.{11})(.*)", "$GTIN_CHECKDIGIT{$FILL{12,+0,0,[0,1]}}$NUMERICSPEC{X2}$CHECKSUM[01]{[0,2]}",
                        std::string(100, '7'), false});
    // Worst cases that are accepted (exponential shapes are refused when set):
    // polynomial backtracking until the run's step limit.
    programs.push_back({"polynomial_three_groups", "(.*)(.*)(.*)b", "[0]", std::string(100, 'a'), false, false});
    programs.push_back({"polynomial_six_stars", ".*.*.*.*.*.*b", "[0]", std::string(100, 'a'), false, false});
    for (unsigned mode : {1u, 2u, 3u, 4u}) {
        Gs1ConversionValues v;
        v.gs1outputmode = static_cast<unsigned char>(mode);
        v.decodemodec128 = 2;
        v.fn1conv.c[0] = 29;
        v.elementseparator.c[0] = '+';
        const unsigned char entry[17] = {'1', '7', 255, 255, 255, '3', 'C', 0, 'F', 'F', 0, '0', 'D', 1, 'F', 'F', 0};
        std::copy(entry, entry + 17, v.aisettings[0]);
        Program p{nullptr, {}, {}, Gs1Label(), true};
        BuildGs1ConversionProgram(v, p.pattern, p.format);
        static const char* const names[] = {"", "gs1_mode1", "gs1_mode2", "gs1_mode3", "gs1_mode4"};
        p.name = names[mode];
        programs.push_back(p);
    }
    return programs;
}

void Round(benchmark::State& state, const Program& program)
{
    auto engine = std::make_unique<RideZodoz<DecodeDataByte>>();
    if (engine->SetConfig(1, reinterpret_cast<const unsigned char*>(program.pattern.c_str()),
                          reinterpret_cast<const unsigned char*>(program.format.c_str())) != 0) {
        state.SkipWithError("program refused");
        return;
    }
    std::vector<DecodeDataByte> cells;
    const DecodeDataByte fnc1 = DecodeDataByte::NewCharacter(DecodeDataByte::KindOfCharacter::Special, 0x80);
    if (program.gs1)
        cells.push_back(fnc1);
    for (unsigned char c : program.label)
        cells.push_back(program.gs1 && c == 0x1D ? fnc1 : DecodeDataByte::NewCharacter(static_cast<unsigned long>(c)));
    DataEditLabel label;
    label.identifier = DecodeDataByte::NewCharacter(static_cast<unsigned long>('T'));
    label.aim[0] = ']', label.aim[1] = 'C', label.aim[2] = '1';
    label.aimLength = 3;
    label.cells = cells.data();
    label.count = static_cast<unsigned>(cells.size());
    static DecodeDataByte out[8000];
    unsigned produced = 0;
    for (auto _ : state) {
        engine->Collect(label);
        const int matched = engine->Matches(1, label);
        unsigned count = 0;
        if (matched == 0 && engine->IsPossibleToOutput(1))
            engine->Output(1, out, 8000, count);
        engine->EmptyCollector();
        produced = count;
        benchmark::DoNotOptimize(count);
    }
    if (produced == 0 && program.outputs)
        state.SkipWithError("no output");
    state.counters["output_cells"] = produced;
}

const int kRegistered = [] {
    static const std::vector<Program> programs = Programs();
    for (const Program& p : programs)
        benchmark::RegisterBenchmark(p.name, [&p](benchmark::State& s) { Round(s, p); })->Unit(benchmark::kMicrosecond);
    return 0;
}();

} // namespace

BENCHMARK_MAIN();
