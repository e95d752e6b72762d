#pragma once
// One engine, one program, one label: the text a program makes of a label.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "format/data_edit/ride_zodoz.h"

namespace data_edit_test {

struct LabelText {
    std::string data;     // GS (0x1D) becomes FNC1 when gs1 is set
    char identifier = 'T';
    std::string aim = "]C0";
    bool gs1 = false;
    int x[4] = {10, 110, 110, 10};
    int y[4] = {10, 10, 60, 60};
    int angle = 0;
};

inline std::vector<DecodeDataByte> CellsOf(const LabelText& label)
{
    std::vector<DecodeDataByte> cells;
    const DecodeDataByte fnc1 = DecodeDataByte::NewCharacter(DecodeDataByte::KindOfCharacter::Special, 0x80);
    if (label.gs1)
        cells.push_back(fnc1);
    for (unsigned char c : label.data)
        cells.push_back(label.gs1 && c == 0x1D ? fnc1 : DecodeDataByte::NewCharacter(static_cast<unsigned long>(c)));
    return cells;
}

inline DataEditLabel EditLabel(const LabelText& label, const std::vector<DecodeDataByte>& cells)
{
    DataEditLabel l;
    l.identifier = DecodeDataByte::NewCharacter(static_cast<unsigned long>(static_cast<unsigned char>(label.identifier)));
    for (char c : label.aim)
        if (l.aimLength < 4)
            l.aim[l.aimLength++] = static_cast<unsigned char>(c);
    for (int i = 0; i < 4; ++i) {
        l.regionX[i] = label.x[i];
        l.regionY[i] = label.y[i];
    }
    l.angle = label.angle;
    l.cells = cells.data();
    l.count = static_cast<unsigned>(cells.size());
    return l;
}

// Cells as text: plain characters as they are, others as <hex>.
inline std::string Text(const DecodeDataByte* cells, unsigned count)
{
    std::string s;
    for (unsigned i = 0; i < count; ++i) {
        const std::uint32_t v = cells[i].GetValue();
        if (v >= 0x20 && v < 0x7F) {
            s.push_back(static_cast<char>(v));
        } else {
            char buf[16];
            std::snprintf(buf, sizeof buf, "<%X>", v);
            s += buf;
        }
    }
    return s;
}

class Engine {
public:
    Engine() : engine_(std::make_unique<RideZodoz<DecodeDataByte>>()) {}

    int Set(unsigned slot, const std::string& pattern, const std::string& format)
    {
        return engine_->SetConfig(slot, reinterpret_cast<const unsigned char*>(pattern.c_str()),
                                  reinterpret_cast<const unsigned char*>(format.c_str()));
    }

    // The formatter's round for one label: "-" no program matched, "!" a run
    // error, "?" matched but nothing to output, else the output text.
    std::string Scan(const LabelText& label, bool keep = false)
    {
        const auto cells = CellsOf(label);
        const DataEditLabel l = EditLabel(label, cells);
        if (!engine_->Collect(l))
            return "!";
        bool matched[6] = {};
        bool any = false;
        for (unsigned p = 1; p <= 5; ++p) {
            if (!engine_->IsInstalled(p))
                continue;
            const int r = engine_->Matches(p, l);
            if (r == 0)
                matched[p] = any = true;
            else if (r != 1) {
                engine_->EmptyCollector();
                return "!";
            }
        }
        if (!any) {
            engine_->EmptyCollector();
            return "-";
        }
        for (unsigned p = 1; p <= 5; ++p) {
            if (!matched[p] || !engine_->IsPossibleToOutput(p))
                continue;
            unsigned count = 0;
            const int r = engine_->Output(p, out_, sizeof out_ / sizeof out_[0], count);
            if (!keep)
                engine_->EmptyCollector();
            return r == 0 ? Text(out_, count) : "!";
        }
        return "?";
    }

    RideZodoz<DecodeDataByte>& Get() { return *engine_; }

private:
    std::unique_ptr<RideZodoz<DecodeDataByte>> engine_;
    DecodeDataByte out_[8000];
};

} // namespace data_edit_test
