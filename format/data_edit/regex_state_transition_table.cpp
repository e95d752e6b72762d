// The backtracking run of a compiled pattern on one label. Saved branches,
// the register trail and the table of remembered branches are fixed arrays:
// a run that would need more ends with "full" instead of writing past them,
// and so does a run that takes more steps than any sane program needs.

#include <cstring>

#include "format/data_edit/regex_state_transition_table.h"

#include "format/data_edit/regex_state_kind.h"
#include "format/data_edit/ride_zodoz_result.h"

using namespace regex_state;
using ride_zodoz_result::kError;
using ride_zodoz_result::kFull;
using ride_zodoz_result::kNoMatch;
using ride_zodoz_result::kOk;

namespace {

constexpr unsigned kBranches = 16384;
constexpr unsigned kTrail = 16384;
constexpr unsigned kRemembered = 8192;
// Steps a run may take: a sane program needs a few per label cell; well
// under a millisecond on a 100-cell label, more for longer labels.
constexpr unsigned long kBaseSteps = 20000;
constexpr unsigned long kStepsPerCell = 16;
constexpr std::uint16_t kEnterBody = 0x8000; // resume a lazy loop by entering its body

enum Register : unsigned { kDataFormat = 0, kPointFormat = 1, kSelected = 2, kEventMatched = 3 };

struct Branch {
    std::uint16_t state;
    std::uint16_t pos;
    std::uint16_t out;
    std::uint8_t skip;
    std::uint8_t continuation;
    std::uint32_t groups;
    std::uint32_t elements;
    std::uint32_t trail;
};

struct TrailEntry {
    std::uint16_t reg;
    std::int32_t old;
};

// Process-wide: runs happen on the formatting thread only, under the engine's lock.
struct Work {
    Branch branches[kBranches];
    TrailEntry trail[kTrail];
    std::uint64_t remembered[kRemembered];
    std::int32_t regs[RegexStateTransitionTable::kRegisters];
    std::uint32_t stamp[RegexStateTransitionTable::kRegisters];
    DecodeDataByte functionCells[CodeRegexDataCollector::kCells];
};

Work& TheWork()
{
    static Work* const work = new Work();
    return *work;
}

bool HasCall(const DecodeDataByte* cells, unsigned from, unsigned to)
{
    for (unsigned i = from; i < to; ++i)
        if (cells[i].GetType() == DecodeDataByte::CellType::FormatId)
            return true;
    return false;
}

// Runs the calls in cells[from, out) on a copy, so that a failing call
// leaves the output as it was. False when a call fails or the result does not fit.
bool RunFunctions(DecodeDataByte* cells, unsigned capacity, unsigned from, unsigned& out,
                  RideZodozFunctionExecutor& functions, DecodeDataByte* scratch)
{
    if (!HasCall(cells, from, out))
        return true;
    const unsigned length = out - from;
    const unsigned room = capacity - from;
    std::memcpy(scratch, cells + from, length * sizeof(DecodeDataByte));
    unsigned newLength = 0;
    if (!functions.Start(scratch, room, length, newLength))
        return false;
    std::memcpy(cells + from, scratch, newLength * sizeof(DecodeDataByte));
    out = from + newLength;
    return true;
}

ApplicationIdentifier KeyFrom(std::uint32_t v)
{
    ApplicationIdentifier ai;
    std::memcpy(ai.key, &v, 4);
    return ai;
}

} // namespace

int RegexStateTransitionTable::Matches(const RegexLabel& label, unsigned part, RegexGroups& record,
                                       CodeRegexDataCollector::OutputBuffer& output, bool& flag,
                                       RideZodozFunctionExecutor& functions) const
{
    if (part >= parts_)
        return kNoMatch;
    Work& w = TheWork();
    DecodeDataByte* ring = output.Cells();
    const unsigned capacity = CodeRegexDataCollector::OutputBuffer::kCapacity;
    if (label.inputEnd < label.inputStart || label.inputEnd > capacity)
        return kError;
    const unsigned inputStart = label.inputStart;
    const unsigned length = label.inputEnd - label.inputStart;
    const unsigned outStart = output.WritePosition();

    std::memset(w.remembered, 0, sizeof w.remembered);
    for (unsigned r = 0; r < registers_; ++r) {
        w.regs[r] = 0;
        w.stamp[r] = 0;
    }
    w.regs[kDataFormat] = 255;
    w.regs[kPointFormat] = 255;
    unsigned branches = 0, trail = 0;
    std::uint32_t serial = 1;
    const std::uint32_t groupsAtStart = record.groups.Mark();
    const std::uint32_t elementsAtStart = record.elements.Mark();

    unsigned state = partStart_[part];
    unsigned pos = 0, out = outStart;
    bool skip = false, continuation = false;
    CodeRegexDataCollector::OutputBuffer::Writer writer(output, out);

    // Register writes keep the old value while a saved branch may need it.
    auto set = [&](unsigned r, std::int32_t v) {
        if (w.stamp[r] != serial) {
            if (trail >= kTrail)
                return false;
            w.trail[trail++] = {static_cast<std::uint16_t>(r), w.regs[r]};
            w.stamp[r] = serial;
        }
        w.regs[r] = v;
        return true;
    };
    // 0 saved (or already saved from this very place), kFull when no room.
    auto save = [&](unsigned resume, std::uint32_t extra) {
        const std::uint64_t key = (static_cast<std::uint64_t>(resume) << 48) ^ (static_cast<std::uint64_t>(pos) << 32) ^
                                  (static_cast<std::uint64_t>(out) << 16) ^
                                  (static_cast<std::uint64_t>(record.groups.Mark() & 0xFF) << 8) ^
                                  (record.elements.Mark() & 0x3F) ^ (skip ? 0x40u : 0u) ^
                                  (continuation ? 0x80u : 0u) ^ (static_cast<std::uint64_t>(extra) << 24);
        const unsigned slot = (pos ^ (resume & 0x7FFF) * 32u) % kRemembered;
        if (w.remembered[slot] == key + 1)
            return kOk;
        if (branches >= kBranches)
            return kFull;
        w.remembered[slot] = key + 1;
        w.branches[branches++] = {static_cast<std::uint16_t>(resume), static_cast<std::uint16_t>(pos),
                                  static_cast<std::uint16_t>(out), static_cast<std::uint8_t>(skip),
                                  static_cast<std::uint8_t>(continuation), record.groups.Mark(),
                                  record.elements.Mark(), trail};
        ++serial;
        return kOk;
    };
    auto enterBody = [&](const RegexState& s) {
        return set(s.reg, w.regs[s.reg] + 1) && set(s.reg + 1u, static_cast<std::int32_t>(pos)) &&
               set(s.reg + 2u, static_cast<std::int32_t>(out));
    };

    unsigned long steps = 0;
    const unsigned long maxSteps = kBaseSteps + kStepsPerCell * length;
    for (;;) {
        if (++steps > maxSteps)
            return kFull;
        bool ok = true;
        if (state >= stateCount_)
            return kError;
        const RegexState& s = states_[state];
        unsigned next = s.next;
        switch (s.kind) {
        case kNever: ok = false; break;
        case kChar:
        case kAny:
        case kClass: {
            if (pos >= length) {
                ok = false;
                break;
            }
            const DecodeDataByte cell = ring[inputStart + pos];
            const std::uint32_t v = cell.GetValue();
            if (s.kind == kChar) {
                ok = v >= s.a && v <= s.b;
            } else if (s.kind == kClass) {
                bool in = false;
                for (unsigned i = 0; i < s.b && !in; ++i)
                    in = v >= items_[s.a + i][0] && v <= items_[s.a + i][1];
                ok = in != (s.flag != 0);
            }
            if (ok) {
                if (!skip && !writer.Put(cell))
                    return kFull;
                ++pos;
            }
            break;
        }
        case kSplit: {
            const int r = save(s.alt, 0);
            if (r != kOk)
                return r;
            break;
        }
        case kJump: break;
        case kGroupOpen:
            if (s.flag != 1 && !set(s.reg, static_cast<std::int32_t>(s.flag == 2 ? pos : out)))
                return kFull;
            break;
        case kGroupClose: {
            if (s.flag == 1)
                break;
            const unsigned from = static_cast<unsigned>(w.regs[s.reg]);
            RegexGroup g;
            g.number = s.a;
            if (s.flag == 2) {
                g.start = static_cast<std::uint16_t>(inputStart + from);
                g.end = static_cast<std::uint16_t>(inputStart + pos);
            } else {
                if (!RunFunctions(ring, capacity, from, out, functions, w.functionCells)) {
                    ok = false;
                    break;
                }
                g.start = static_cast<std::uint16_t>(from);
                g.end = static_cast<std::uint16_t>(out);
            }
            record.groups.Push(g);
            break;
        }
        case kSkipOn: skip = true; break;
        case kSkipOff: skip = false; break;
        case kStartAnchor: ok = pos == 0 && label.symbology.GetValue() != 0; break;
        case kEndAnchor: ok = pos == length && label.symbology.GetValue() != 0; break;
        case kIdentifierTest: {
            bool any = false;
            for (unsigned i = 0; i < s.b && !any; ++i) {
                const std::uint32_t kind = items_[s.a + i][0], v = items_[s.a + i][1];
                any = kind == 0 ? label.symbology.GetValue() == v
                                : label.aim[0] == (v >> 8 & 0xFF) && label.aim[1] == (v & 0xFF);
            }
            ok = any;
            break;
        }
        case kEventTest:
            ok = label.symbology.GetValue() == 0;
            if (ok && !set(kEventMatched, 1))
                return kFull;
            break;
        case kContinuation: continuation = s.a != 0; break;
        case kElement: {
            ApplicationIdentifierData d;
            unsigned p = inputStart + pos;
            if (!d.Read(ring, p, inputStart + length, KeyFrom(s.a))) {
                ok = false;
                break;
            }
            if (!skip)
                for (unsigned i = inputStart + pos; i < p; ++i)
                    if (!writer.Put(ring[i]))
                        return kFull;
            pos = p - inputStart;
            record.elements.Push(d);
            break;
        }
        case kPut:
            if (!writer.Put(DecodeDataByte::NewCharacter(static_cast<unsigned long>(s.a))))
                return kFull;
            break;
        case kPutGroup: {
            const RegexGroup* g = nullptr;
            const unsigned have = record.groups.Mark() - groupsAtStart;
            for (unsigned i = 0; i < record.groups.Size() && i < have && g == nullptr; ++i)
                if (s.a == 0 || record.groups.Newest(i).number == s.a)
                    g = &record.groups.Newest(i);
            if (g == nullptr) {
                ok = false;
                break;
            }
            const RegexGroup copy = *g;
            for (unsigned i = copy.start; i < copy.end; ++i)
                if (!writer.Put(ring[i]))
                    return kFull;
            break;
        }
        case kPutSelect: {
            const ApplicationIdentifier wanted = KeyFrom(s.a);
            const unsigned have = record.elements.Mark() - elementsAtStart;
            int found = -1;
            for (unsigned i = 0; i < record.elements.Size() && i < have && found < 0; ++i)
                if (record.elements.Newest(i).ai.Matches(wanted))
                    found = static_cast<int>(record.elements.Mark() - 1 - i);
            if (found < 0) {
                ok = false;
                break;
            }
            if (!set(kSelected, found + 1))
                return kFull;
            break;
        }
        case kPutData:
        case kPutAi: {
            const unsigned have = record.elements.Mark() - elementsAtStart;
            if (have == 0) {
                ok = false;
                break;
            }
            const std::int32_t selected = w.regs[kSelected];
            unsigned index = record.elements.Mark() - 1;
            if (selected > 0 && static_cast<unsigned>(selected) <= record.elements.Mark() &&
                record.elements.Mark() - static_cast<unsigned>(selected) < record.elements.Size() &&
                static_cast<unsigned>(selected) > elementsAtStart)
                index = static_cast<unsigned>(selected) - 1;
            const ApplicationIdentifierData d = record.elements.Newest(record.elements.Mark() - 1 - index);
            if (s.kind == kPutAi) {
                for (unsigned i = d.aiStart; i < d.aiEnd; ++i)
                    if (!writer.Put(ring[i]))
                        return kFull;
                break;
            }
            const int r = d.OutputFormattedAiData(writer, s.a, ring, static_cast<unsigned char>(w.regs[kDataFormat]));
            if (r == 1)
                ok = false;
            else if (r != 0)
                return kFull;
            break;
        }
        case kPutDataFormat:
            if (!set(kDataFormat, static_cast<std::int32_t>(s.a)))
                return kFull;
            break;
        case kPutPointFormat:
            if (!set(kPointFormat, static_cast<std::int32_t>(s.a)))
                return kFull;
            break;
        case kPutPoint:
            if (record.OutputRegionValue(writer, s.a, static_cast<unsigned char>(w.regs[kPointFormat])) != 0)
                return kFull;
            break;
        case kPutAim:
            if (!writer.Put(DecodeDataByte::NewCharacter(static_cast<unsigned long>(']'))))
                return kFull;
            for (unsigned char c : label.aim)
                if (c != 0 && !writer.Put(DecodeDataByte::NewCharacter(static_cast<unsigned long>(c))))
                    return kFull;
            break;
        case kPutSymbology:
            if (!writer.Put(label.symbology))
                return kFull;
            break;
        case kLoopInit:
            if (!set(s.reg, 0) || !set(s.reg + 1u, -1) || !set(s.reg + 2u, -1))
                return kFull;
            break;
        case kLoop: {
            const std::uint32_t count = static_cast<std::uint32_t>(w.regs[s.reg]);
            // An iteration that consumed and wrote nothing is not repeated.
            const bool progressed = w.regs[s.reg + 1u] != static_cast<std::int32_t>(pos) ||
                                    w.regs[s.reg + 2u] != static_cast<std::int32_t>(out);
            if (count < s.a) {
                if (!progressed && count > 0) {
                    ok = false; // an empty body cannot reach the minimum
                    break;
                }
                if (!enterBody(s))
                    return kFull;
                next = s.alt;
            } else if (count >= s.b || !progressed) {
                // leave by next
            } else if (s.flag == 0) {
                const int r = save(s.next, count);
                if (r != kOk)
                    return r;
                if (!enterBody(s))
                    return kFull;
                next = s.alt;
            } else {
                const int r = save(state | kEnterBody, count);
                if (r != kOk)
                    return r;
            }
            break;
        }
        case kAccept: {
            if (w.regs[kEventMatched] == 0 && label.symbology.GetValue() == 0) {
                ok = false;
                break;
            }
            if (!RunFunctions(ring, capacity, outStart, out, functions, w.functionCells)) {
                ok = false;
                break;
            }
            // The input range first, so that group 0 at its newest is the output.
            RegexGroup input{static_cast<std::uint16_t>(inputStart), static_cast<std::uint16_t>(inputStart + length), 0};
            RegexGroup written{static_cast<std::uint16_t>(outStart), static_cast<std::uint16_t>(out), 0};
            record.groups.Push(input);
            record.groups.Push(written);
            flag = continuation;
            output.SetWritePosition(out);
            return kOk;
        }
        default: return kError;
        }
        if (ok) {
            state = next;
            continue;
        }
        // Backtrack to the newest saved branch.
        if (branches == 0) {
            record.groups.Restore(groupsAtStart);
            record.elements.Restore(elementsAtStart);
            return kNoMatch;
        }
        const Branch b = w.branches[--branches];
        while (trail > b.trail) {
            --trail;
            w.regs[w.trail[trail].reg] = w.trail[trail].old;
        }
        ++serial;
        pos = b.pos;
        out = b.out;
        skip = b.skip != 0;
        continuation = b.continuation != 0;
        record.groups.Restore(b.groups);
        record.elements.Restore(b.elements);
        if ((b.state & kEnterBody) != 0) {
            const RegexState& loop = states_[b.state & ~kEnterBody];
            if (!enterBody(loop))
                return kFull;
            state = loop.alt;
        } else {
            state = b.state;
        }
    }
}
