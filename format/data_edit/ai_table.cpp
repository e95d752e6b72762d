// The AI table: written as rows of (AI digits, fields), built at start-up
// into a tree of ten-element tables, one level per AI digit.

#include "format/data_edit/ai_table.h"

#include <cstring>

namespace {

// Fields as the rows write them: format/length pairs.
constexpr AiTable::AiTableElement F(unsigned char f1, unsigned char l1) { return {f1, l1}; }
constexpr AiTable::AiTableElement F(unsigned char f1, unsigned char l1, unsigned char f2, unsigned char l2)
{
    return {f1, f2, l1, l2};
}
constexpr AiTable::AiTableElement F(unsigned char f1, unsigned char l1, unsigned char f2, unsigned char l2,
                                    unsigned char f3, unsigned char l3)
{
    return {f1, f2, f3, l1, l2, l3};
}

// Rows of AIs written as single AIs, and runs "first-last" of AIs of equal length.
struct AiGroup {
    const char* list; // space-separated AIs or runs
    AiTable::AiTableElement element;
};

const AiGroup kGroups[] = {
    {"00 8017 8018", F(9, 18)},
    {"01 02 8001", F(9, 14)},
    {"10 21 22 243 254 420 4318 7020 7021 7022 710 711 712 713 714 7240 8002 8012", F(2, 20)},
    {"11 12 13 15 16 17 7006", F(12, 6)},
    {"20", F(9, 2)},
    {"235", F(2, 28)},
    {"240 241 250 251 400 401 403 4308 4319 7002 7023 8004 8007 8010 90", F(2, 30)},
    {"242", F(1, 6)},
    {"252", F(9, 27)},
    {"253", F(9, 13, 2, 17)},
    {"255", F(9, 13, 1, 12)},
    {"30 37", F(1, 8)},
    {"310-316 320-337 340-357 360-369 395", F(7, 1, 11, 6)},
    {"394", F(7, 1, 11, 4)},
    {"390 392", F(7, 1, 3, 15)},
    {"391 393", F(7, 1, 9, 3, 3, 15)},
    {"402", F(9, 17)},
    {"410-417 7001", F(9, 13)},
    {"421", F(9, 3, 2, 9)},
    {"422 424 426", F(9, 3)},
    {"423 425", F(1, 15)},
    {"427 7008", F(2, 3)},
    {"4300 4301 4310 4311 4320", F(2, 35)},
    {"4302-4306 4312-4316 8110 8112 8200", F(2, 70)},
    {"4307", F(10, 2)},
    {"4317 7010", F(2, 2)},
    {"4321-4323", F(9, 1)},
    {"4324 4325 7003", F(9, 10)},
    {"4326 8005", F(9, 6)},
    {"7004 8111", F(1, 4)},
    {"7005", F(2, 12)},
    {"7007", F(12, 6, 1, 12)},
    {"7009 8019", F(1, 10)},
    {"7030-7039", F(9, 3, 2, 27)},
    {"7040", F(9, 1, 10, 3)},
    {"7230-7239", F(10, 2, 2, 28)},
    {"8003", F(9, 14, 2, 16)},
    {"8006 8026", F(9, 14, 9, 2, 9, 2)},
    {"8008", F(9, 8, 1, 4)},
    {"8009", F(2, 50)},
    {"8011", F(1, 12)},
    {"8013 8020", F(2, 25)},
    {"8100", F(9, 1, 9, 5)},
    {"8101", F(9, 1, 9, 5, 9, 4)},
    {"8102", F(9, 1, 9, 1)},
    {"91-99", F(2, 90)},
};

// The tables: 0 the root, the others reached by links.
constexpr unsigned kTables = 64;
constexpr unsigned kDigits = 10;

struct Tree {
    AiTable::AiTableElement table[kTables][kDigits];
    unsigned count = 1;

    // Enters the AI `digits` (n of them) with its fields. The links for its
    // leading digits are made as needed.
    void Add(const char* digits, unsigned n, const AiTable::AiTableElement& leaf)
    {
        unsigned t = 0;
        for (unsigned i = 0; i + 1 < n; ++i) {
            AiTable::AiTableElement& e = table[t][digits[i] - '0'];
            if (e.GetType() == AiTable::AiTableElement::kEmpty) {
                if (count >= kTables)
                    return;
                e = AiTable::AiTableElement::Link(count++);
            } else if (e.IsLeaf()) {
                return; // a shorter AI takes these digits
            }
            std::memcpy(&t, e.length, sizeof t);
        }
        table[t][digits[n - 1] - '0'] = leaf;
    }

    Tree()
    {
        for (const AiGroup& group : kGroups) {
            const char* p = group.list;
            while (*p != 0) {
                while (*p == ' ')
                    ++p;
                const char* word = p;
                while (*p != 0 && *p != ' ')
                    ++p;
                const unsigned n = static_cast<unsigned>(p - word);
                const char* dash = static_cast<const char*>(std::memchr(word, '-', n));
                if (dash == nullptr) {
                    if (n >= 1 && n <= 4)
                        Add(word, n, group.element);
                    continue;
                }
                const unsigned len = static_cast<unsigned>(dash - word);
                unsigned first = 0, last = 0;
                for (unsigned i = 0; i < len; ++i) {
                    first = first * 10 + static_cast<unsigned>(word[i] - '0');
                    last = last * 10 + static_cast<unsigned>(dash[1 + i] - '0');
                }
                for (unsigned v = first; v <= last && len >= 1 && len <= 4; ++v) {
                    char digits[4] = {};
                    unsigned x = v;
                    for (unsigned i = len; i-- > 0; x /= 10)
                        digits[i] = static_cast<char>('0' + x % 10);
                    Add(digits, len, group.element);
                }
            }
        }
    }
};

// Built once, on first use (also from other static initialisers); read-only afterwards.
const Tree& TheTree()
{
    static const Tree tree;
    return tree;
}

} // namespace

AiTable::AiTableElement AiTable::AiTableElement::Link(std::uint32_t table)
{
    AiTableElement e;
    std::memset(e.format, 0xFF, sizeof e.format);
    std::memcpy(e.length, &table, sizeof table);
    return e;
}

std::uint32_t AiTable::AiTableElement::GetType() const
{
    std::uint32_t v = 0;
    std::memcpy(&v, format, 4);
    return v;
}

const AiTable::AiTableElement* AiTable::AiTableElement::GetNextTable() const
{
    if (GetType() != kLink)
        return nullptr;
    std::uint32_t t = 0;
    std::memcpy(&t, length, sizeof t);
    const Tree& tree = TheTree();
    return t < tree.count ? tree.table[t] : nullptr;
}

const AiTable::AiTableElement* AiTable::Root() { return TheTree().table[0]; }

bool AiTable::IsGs1Character(std::uint32_t c)
{
    return c == '!' || c == '"' || (c >= '%' && c <= '?') || (c >= 'A' && c <= 'Z') || c == '_' ||
           (c >= 'a' && c <= 'z');
}

namespace {

bool IsSeparator(DecodeDataByte cell)
{
    const std::uint32_t v = cell.GetValue();
    return cell.GetType() == DecodeDataByte::CellType::Special || v == 28 || v == 29;
}

bool IsDigit(DecodeDataByte cell) { return cell.GetValue() >= '0' && cell.GetValue() <= '9'; }

// Walks AI digits from `s` down the table; the leaf, with the digits in `key`.
const AiTable::AiTableElement* ReadAiDigits(const DecodeDataByte* s, unsigned limit, unsigned& used, char* key,
                                            unsigned& keyLength)
{
    keyLength = 0;
    used = 0;
    const AiTable::AiTableElement* table = AiTable::Root();
    while (used < limit && keyLength < 4) {
        if (!IsDigit(s[used]))
            return nullptr;
        const unsigned digit = s[used].GetValue() - '0';
        key[keyLength++] = static_cast<char>(s[used].GetValue());
        ++used;
        const AiTable::AiTableElement& e = table[digit];
        switch (e.GetType()) {
        case AiTable::AiTableElement::kEmpty: return nullptr;
        case AiTable::AiTableElement::kLink:
            table = e.GetNextTable();
            if (table == nullptr)
                return nullptr;
            break;
        default: return &e;
        }
    }
    return nullptr;
}

unsigned PositionDigits(const AiTable::AiTableElement& e)
{
    if (e.format[0] != AiTable::kPositionDigit)
        return 0;
    unsigned n = 0;
    for (unsigned i = 1; i < 4; ++i)
        if (e.format[i] == AiTable::kDigitsVarDecimal || e.format[i] == AiTable::kDigitsFixedDecimal ||
            e.format[i] == AiTable::kVar)
            ++n;
    return n;
}

} // namespace

bool ApplicationIdentifier::Read(const DecodeDataByte* s, const DecodeDataByte** next)
{
    std::memset(key, 0, sizeof key);
    unsigned i = 0;
    while (s[i].GetValue() != 0 && IsSeparator(s[i]))
        ++i;
    unsigned limit = 0;
    while (s[i + limit].GetValue() != 0 && limit < 4)
        ++limit;
    unsigned used = 0, n = 0;
    const AiTable::AiTableElement* e = ReadAiDigits(s + i, limit, used, key, n);
    if (e == nullptr)
        return false;
    i += used;
    for (unsigned f = 1; f < 4 && e->format[0] == AiTable::kPositionDigit; ++f) {
        const unsigned char code = e->format[f];
        if (code != AiTable::kDigitsVarDecimal && code != AiTable::kDigitsFixedDecimal && code != AiTable::kVar)
            continue;
        if (s[i].GetValue() == 0 || n >= 4)
            return false;
        key[n++] = code == AiTable::kVar ? 'L' : 'D';
        ++i;
    }
    if (next != nullptr)
        *next = s + i;
    return true;
}

bool ApplicationIdentifier::Matches(const ApplicationIdentifier& wanted) const
{
    if (wanted.Any())
        return true;
    for (unsigned i = 0; i < 4; ++i) {
        const char a = key[i], b = wanted.key[i];
        if (a == 'D' || a == 'L' || b == 'D' || b == 'L') {
            if (a == 0 || b == 0)
                return false;
            continue;
        }
        if (a != b)
            return false;
    }
    return true;
}

unsigned ApplicationIdentifier::Length() const { return static_cast<unsigned>(strnlen(key, 4)); }

bool ApplicationIdentifierData::Exist(unsigned field) const
{
    if (element == nullptr || field == 0 || field > 4)
        return field == 0 && element != nullptr;
    const unsigned slot = HasPositionDigit() ? field : field - 1;
    if (slot > 3)
        return false;
    const unsigned char code = element->format[slot];
    return code != 0 && code != AiTable::kPositionDigit;
}

bool ApplicationIdentifierData::Read(const DecodeDataByte* cells, unsigned& pos, unsigned limit,
                                     const ApplicationIdentifier& wanted)
{
    unsigned i = pos;
    while (i < limit && IsSeparator(cells[i]))
        ++i;
    aiStart = static_cast<std::uint16_t>(i);
    ai = ApplicationIdentifier{};
    unsigned used = 0, n = 0;
    element = ReadAiDigits(cells + i, limit - i, used, ai.key, n);
    if (element == nullptr)
        return false;
    i += used;
    decimalPosition = 0;
    const unsigned positions = PositionDigits(*element);
    for (unsigned p = 0; p < positions; ++p) {
        if (i >= limit || !IsDigit(cells[i]) || n >= 4)
            return false;
        decimalPosition = cells[i].GetValue() - '0';
        ai.key[n++] = 'D';
        ++i;
    }
    aiEnd = static_cast<std::uint16_t>(i);
    if (!ai.Matches(wanted))
        return false;
    for (unsigned f = 0; f < 4; ++f)
        start[f] = end[f] = static_cast<std::uint16_t>(i);

    // Fixed fields up to the first variable one, from the front.
    unsigned f = element->format[0] == AiTable::kPositionDigit ? 1 : 0;
    auto isVariable = [](unsigned char code) {
        return code == AiTable::kDigitsVar || code == AiTable::kCharsVar || code == AiTable::kDigitsVarDecimal ||
               code == AiTable::kVar;
    };
    auto fits = [](unsigned char code, DecodeDataByte cell) {
        const bool chars = code == AiTable::kCharsVar || code == AiTable::kCharsFixed || code == AiTable::kVar;
        return chars ? AiTable::IsGs1Character(cell.GetValue()) : IsDigit(cell);
    };
    for (; f < 4 && element->format[f] != 0 && !isVariable(element->format[f]); ++f) {
        const unsigned len = element->length[f];
        if (i + len > limit)
            return false;
        for (unsigned k = 0; k < len; ++k)
            if (!fits(element->format[f], cells[i + k]))
                return false;
        start[f] = static_cast<std::uint16_t>(i);
        i += len;
        end[f] = static_cast<std::uint16_t>(i);
    }
    if (f < 4 && element->format[f] != 0) {
        // One variable field, ended by a separator or the end of input; fixed
        // fields after it are taken from that end backwards.
        unsigned stop = i;
        while (stop < limit && !IsSeparator(cells[stop]))
            ++stop;
        unsigned tailLength = 0;
        for (unsigned g = f + 1; g < 4 && element->format[g] != 0; ++g)
            tailLength += element->length[g];
        if (stop < i + tailLength)
            return false;
        const unsigned varEnd = stop - tailLength;
        if (varEnd - i > element->length[f])
            return false;
        for (unsigned k = i; k < varEnd; ++k)
            if (!fits(element->format[f], cells[k]))
                return false;
        start[f] = static_cast<std::uint16_t>(i);
        end[f] = static_cast<std::uint16_t>(varEnd);
        unsigned at = varEnd;
        for (unsigned g = f + 1; g < 4 && element->format[g] != 0; ++g) {
            for (unsigned k = 0; k < element->length[g]; ++k)
                if (!fits(element->format[g], cells[at + k]))
                    return false;
            start[g] = static_cast<std::uint16_t>(at);
            at += element->length[g];
            end[g] = static_cast<std::uint16_t>(at);
        }
        i = stop;
    }
    pos = i;
    return true;
}
