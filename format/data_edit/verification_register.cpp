// The verification register of the template functions: reference data
// registered under a number, compared with later labels, with OK and NG
// counters. It lives in the settings (data_edit_programming/verification)
// and every change is saved to them at once.

#include <string_view>

#include "config/configuration.h"
#include "format/data_edit/ride_zodoz_function.h"

namespace {

namespace cfg = ivra_configuration;
using Verification = cfg::configuration::data_edit_programming::verification::Struct;

enum : unsigned char { kRegister = 16, kUnregister, kCompare, kCountOk, kCountNg };

// The index value holds one byte per registration; no more fit.
constexpr unsigned kMaxRegistrations = decltype(Verification::index)::Capacity;
constexpr unsigned kMaxSet = 64;

struct Field {
    const DecodeDataByte* at = nullptr;
    unsigned n = 0;
};

// The first `limit - 1` commas split; the last field takes the rest.
unsigned Split(const DecodeDataByte* s, unsigned n, Field* fields, unsigned limit)
{
    unsigned count = 0, from = 0;
    for (unsigned i = 0; i <= n; ++i) {
        if (i < n && (s[i].GetValue() != ',' || count + 1 >= limit))
            continue;
        fields[count++] = {s + from, i - from};
        from = i + 1;
    }
    return count;
}

bool Decimal(const DecodeDataByte* s, unsigned n, unsigned long long& value)
{
    value = 0;
    if (n == 0 || n > 18)
        return false;
    for (unsigned i = 0; i < n; ++i) {
        const std::uint32_t c = s[i].GetValue();
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

int SetIndex(const Field& set, DecodeDataByte c)
{
    for (unsigned i = 0; i < set.n; ++i)
        if (set.at[i] == c)
            return static_cast<int>(i);
    return -1;
}

int Find(const Verification& v, unsigned long long number)
{
    for (unsigned i = 0; i < v.index.size(); ++i)
        if (v.index.data[i] == number)
            return static_cast<int>(i);
    return -1;
}

// The registration a number field names; -1 when it is malformed or unknown.
int Registration(const Verification& v, const Field& f)
{
    unsigned long long number = 0;
    return Decimal(f.at, f.n, number) ? Find(v, number) : -1;
}

unsigned Offset(const Verification& v, unsigned registration)
{
    unsigned offset = 0;
    for (unsigned i = 0; i < registration && i < v.length.Capacity; ++i)
        offset += v.length.data[i];
    return offset;
}

bool WriteBack(const Verification& v)
{
    const auto& h = cfg::Root().data_edit_programming.verification;
    const bool stored = h.data.Set(v.data) && h.index.Set(v.index) && h.length.Set(v.length) &&
                        h.number.Set(v.number) && h.ok_count.Set(v.ok_count) && h.ng_count.Set(v.ng_count);
    return cfg::Update() && stored;
}

template <class A>
void RemoveAt(A& array, unsigned i)
{
    for (unsigned k = i + 1; k < array.size(); ++k)
        array.data[k - 1] = array.data[k];
    --array.count;
}

// The number a run of wildcard characters stands for.
void Accumulate(unsigned long long& number, const Field& set, int index)
{
    number = number * set.n + static_cast<unsigned>(index);
}

bool Register(Verification& v, const DecodeDataByte* arg, unsigned n)
{
    Field f[3];
    const unsigned count = Split(arg, n, f, 3);
    unsigned long long number = 0;
    if (!Decimal(f[0].at, f[0].n, number) || number > 255 || Find(v, number) >= 0 ||
        v.index.size() >= kMaxRegistrations || v.length.size() >= v.length.Capacity)
        return false;
    unsigned long long wildcard = 0;
    unsigned cells = 0;
    if (count >= 3) {
        const Field set = f[1];
        if (set.n > kMaxSet)
            return false;
        const unsigned used = v.data.size();
        for (unsigned i = 0; i < f[2].n;) {
            const int k = SetIndex(set, f[2].at[i]);
            DecodeDataByte stored = f[2].at[i];
            if (k >= 0) {
                stored = set.at[0];
                for (; i < f[2].n && SetIndex(set, f[2].at[i]) >= 0; ++i)
                    Accumulate(wildcard, set, SetIndex(set, f[2].at[i]));
            } else {
                ++i;
            }
            // Label data can be long: it must fit the stored reference cells.
            if (used + cells >= v.data.Capacity)
                return false;
            v.data.data[used + cells++] = stored.GetValue();
        }
        v.data.count = used + cells;
    }
    const unsigned at = v.index.size();
    v.index.data[at] = static_cast<std::uint8_t>(number);
    v.length.data[at] = static_cast<std::uint16_t>(cells);
    v.number.data[at] = wildcard;
    v.ok_count.data[at] = v.ng_count.data[at] = 0;
    v.index.count = v.length.count = v.number.count = v.ok_count.count = v.ng_count.count = at + 1;
    return true;
}

bool Unregister(Verification& v, const DecodeDataByte* arg, unsigned n)
{
    const int i = Registration(v, Field{arg, n});
    if (i < 0)
        return false;
    const unsigned offset = Offset(v, static_cast<unsigned>(i));
    const unsigned cells = v.length.data[i];
    for (unsigned k = offset + cells; k < v.data.size(); ++k)
        v.data.data[k - cells] = v.data.data[k];
    v.data.count = v.data.size() - cells;
    RemoveAt(v.index, static_cast<unsigned>(i));
    RemoveAt(v.length, static_cast<unsigned>(i));
    RemoveAt(v.number, static_cast<unsigned>(i));
    RemoveAt(v.ok_count, static_cast<unsigned>(i));
    RemoveAt(v.ng_count, static_cast<unsigned>(i));
    return true;
}

// Compares and counts; `counted` tells whether the counters changed.
bool Compare(Verification& v, const DecodeDataByte* arg, unsigned n, bool& counted)
{
    counted = false;
    Field f[3];
    if (Split(arg, n, f, 3) < 3)
        return false;
    const int i = Registration(v, f[0]);
    if (i < 0)
        return false;
    // An optional step after the set: "+k" or "-k".
    Field set = f[1];
    long long step = 1;
    for (unsigned k = set.n; k-- > 0;) {
        const std::uint32_t c = set.at[k].GetValue();
        if (c == '+' || c == '-') {
            unsigned long long value = 0;
            if (k + 1 < set.n && Decimal(set.at + k + 1, set.n - k - 1, value)) {
                step = c == '-' ? -static_cast<long long>(value) : static_cast<long long>(value);
                set.n = k;
            }
            break;
        }
    }
    if (set.n == 0 || set.n > kMaxSet)
        return false;
    const unsigned offset = Offset(v, static_cast<unsigned>(i));
    const unsigned length = v.length.data[i];
    if (offset + length > v.data.size())
        return false;
    unsigned long long wildcard = 0;
    bool wild = false, same = true;
    unsigned d = 0, r = 0;
    for (; r < length && same; ++r) {
        const DecodeDataByte reference = DecodeDataByte::NewCharacter(static_cast<unsigned long>(v.data.data[offset + r]));
        if (reference == set.at[0] && d < f[2].n && SetIndex(set, f[2].at[d]) >= 0) {
            wild = true;
            for (; d < f[2].n && SetIndex(set, f[2].at[d]) >= 0; ++d)
                Accumulate(wildcard, set, SetIndex(set, f[2].at[d]));
        } else {
            same = d < f[2].n && f[2].at[d] == reference;
            ++d;
        }
    }
    same = same && r == length && d == f[2].n;
    if (same && wild)
        same = wildcard == v.number.data[i];
    counted = true;
    if (same) {
        if (wild)
            v.number.data[i] += static_cast<unsigned long long>(step);
        ++v.ok_count.data[i];
    } else {
        ++v.ng_count.data[i];
    }
    return same;
}

bool Count(const Verification& v, const DecodeDataByte* arg, unsigned n, bool ok)
{
    Field f[2];
    if (Split(arg, n, f, 2) < 2)
        return false;
    const int i = Registration(v, f[0]);
    if (i < 0)
        return false;
    char op[3] = {};
    unsigned k = 0;
    for (; k < f[1].n && k < 2; ++k) {
        const std::uint32_t c = f[1].at[k].GetValue();
        if (c != '!' && c != '<' && c != '=' && c != '>')
            break;
        op[k] = static_cast<char>(c);
    }
    unsigned long long value = 0;
    if (!Decimal(f[1].at + k, f[1].n - k, value))
        return false;
    const std::uint32_t counter = static_cast<std::uint32_t>(ok ? v.ok_count.data[i] : v.ng_count.data[i]);
    const std::string_view o(op);
    if (o == "<") return counter < value;
    if (o == "<=") return counter <= value;
    if (o == ">") return counter > value;
    if (o == ">=") return counter >= value;
    if (o == "==") return counter == value;
    if (o == "!=") return counter != value;
    return false;
}

} // namespace

bool ivra_string_library::RideZodozFunctionExecutor::ExecuteVerification(unsigned char id, const DecodeDataByte* arg,
                                                                          unsigned n)
{
    if (id < kRegister || id > kCountNg)
        return false;
    // Only under the settings lock, which the engine takes for programs that use the register.
    if (!settingsLocked_)
        return false;
    static Verification v;
    v = *static_cast<const Verification*>(cfg::Root().data_edit_programming.verification.CalcAddress());
    switch (id) {
    case kRegister: return Register(v, arg, n) && WriteBack(v);
    case kUnregister: return Unregister(v, arg, n) && WriteBack(v);
    case kCompare: {
        bool counted = false;
        const bool same = Compare(v, arg, n, counted);
        const bool saved = counted && WriteBack(v);
        return same && saved;
    }
    case kCountOk: return Count(v, arg, n, true);
    default: return Count(v, arg, n, false);
    }
}
