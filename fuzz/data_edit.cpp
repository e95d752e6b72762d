// Data-editing programs from outside text: a pattern and a template through
// the compilers, then the matcher and the template on labels made from the
// rest of the input. Input: pattern NUL template NUL label [NUL label].
// A refused program must leave the working one in force.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "format/data_edit/ride_zodoz.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<std::string> Split(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && parts.size() < 4)
            parts.emplace_back();
        else
            parts.back().push_back(static_cast<char>(data[i]));
    }
    return parts;
}

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.c_str()); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static auto* engine = new RideZodoz<DecodeDataByte>();
    static DecodeDataByte out[8000];
    const std::vector<std::string> parts = Split(data, size);
    const std::string pattern = parts[0];
    const std::string format = parts.size() > 1 ? parts[1] : std::string();

    // A known program first, so that a refusal can be seen to keep it.
    Require(engine->SetConfig(1, Bytes("(.*)"), Bytes("[0]")) == 0);
    const int compiled = engine->SetConfig(1, Bytes(pattern), Bytes(format));
    std::string keptPattern, keptFormat;
    Require(engine->Texts(1, keptPattern, keptFormat));
    if (compiled != 0)
        Require(keptPattern == "(.*)" && keptFormat == "[0]");
    else
        Require(keptPattern == pattern && keptFormat == format);

    for (std::size_t p = 2; p < parts.size(); ++p) {
        std::vector<DecodeDataByte> cells;
        cells.push_back(DecodeDataByte::NewCharacter(DecodeDataByte::KindOfCharacter::Special, 0x80));
        for (unsigned char c : parts[p])
            cells.push_back(c == 0x1D ? cells.front() : DecodeDataByte::NewCharacter(static_cast<unsigned long>(c ? c : 1)));
        DataEditLabel label;
        label.identifier = DecodeDataByte::NewCharacter(static_cast<unsigned long>('T'));
        label.aim[0] = ']', label.aim[1] = 'C', label.aim[2] = '1';
        label.aimLength = 3;
        label.regionX[1] = label.regionX[2] = static_cast<int>(p * 100);
        label.cells = cells.data();
        label.count = static_cast<unsigned>(cells.size());
        if (!engine->Collect(label)) {
            engine->EmptyCollector();
            continue;
        }
        const int matched = engine->Matches(1, label);
        Require(matched >= 0 && matched <= 3);
        if (matched == 0 && engine->IsPossibleToOutput(1)) {
            unsigned count = 0;
            const int r = engine->Output(1, out, sizeof out / sizeof out[0], count);
            Require(r != 0 || count <= sizeof out / sizeof out[0]);
        }
    }
    engine->EmptyCollector();
    return 0;
}
