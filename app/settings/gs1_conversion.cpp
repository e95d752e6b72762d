#include "app/settings/gs1_conversion.h"

#include "app/settings/ride_zodoz_for_command_system.h"
#include "decoder/legacy/engine/legacy_switch.h"
#include "format/formatter.h"

#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

namespace cfg = ivra_configuration;

constexpr std::uint32_t Code(char c) { return 0x582F00u | static_cast<unsigned char>(c); } // "X/c"

constexpr char kCommandLetters[] = "123ABCDEFIJKLMNOPQRSTWXYZ";

struct CommandTable {
    MenuCommandItem rows[sizeof kCommandLetters];
    constexpr CommandTable() : rows{}
    {
        for (unsigned i = 0; i + 1 < sizeof kCommandLetters; ++i)
            rows[i] = {Code(kCommandLetters[i]), 0, 0, {}};
        rows[sizeof kCommandLetters - 1] = {0, 0, 0, {}};
    }
};
constexpr CommandTable kCommands;

// XSW byte 63 bits 2 and 3 carry the GS1-128 handling; the legacy engine reads them.
constexpr unsigned kXswGs1Byte = 63;

struct Direct {
    char text[3];
    unsigned char value;
};
constexpr Direct kDirectKeys[] = {
    {"7H", 177}, {"7I", 178}, {"7J", 179}, {"7K", 180}, {"7L", 243}, {"7M", 182}, {"7N", 183}, {"7O", 188},
    {"7P", 234}, {"7Q", 216}, {"7T", 184}, {"7U", 217}, {"7V", 218}, {"7W", 219}, {"7X", 220}, {"7Y", 159},
    {"7Z", 222}, {"8J", 240}, {"8K", 226}, {"8L", 201}, {"8M", 202}, {"8N", 203}, {"8O", 204}, {"8P", 205},
    {"8Q", 206}, {"8R", 242}, {"8S", 208}, {"8T", 241}, {"8U", 210}, {"9S", 190}, {"9X", 176}, {"VQ", 185},
    {"VR", 186}, {"VS", 187},
};

bool InRange(char c, char a, char b) { return c >= a && c <= b; }

// A two-character letter form: the character, or false.
bool LetterForm(char a, char b, unsigned& value)
{
    switch (a) {
    case '$':
        if (InRange(b, 'A', 'Z')) return value = 'a' + (b - 'A'), true;
        if (b == '1') return value = 173, true;
        if (b == '2') return value = 175, true;
        if (b == '3') return value = 174, true;
        if (b == '6') return value = 171, true;
        if (b == '8') return value = 223, true;
        return false;
    case '0': return InRange(b, 'A', 'Z') && (value = 'A' + (b - 'A'), true);
    case '1': return InRange(b, 'A', 'Z') && (value = 1 + (b - 'A'), true);
    case '5': return InRange(b, 'A', 'P') && (value = ' ' + (b - 'A'), true);
    case '6': return InRange(b, 'A', 'G') && (value = 58 + (b - 'A'), true);
    case '7': return InRange(b, 'A', 'F') && (value = '[' + (b - 'A'), true);
    case '9':
        if (InRange(b, 'A', 'E')) return value = 27 + (b - 'A'), true;
        if (b == 'F') return value = 127, true;
        if (InRange(b, 'T', 'W')) return value = '{' + (b - 'T'), true;
        return false;
    case 'Q': return InRange(b, '0', '9') && (value = b, true);
    default: return false;
    }
}

unsigned HexValue(char c) { return InRange(c, '0', '9') ? c - '0' : InRange(c, 'A', 'F') ? c - 'A' + 10 : c - 'a' + 10; }

void StoreCharacter(unsigned char* field, unsigned value, bool key)
{
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", value & 0xFF);
    field[0] = static_cast<unsigned char>(hex[0]);
    field[1] = static_cast<unsigned char>(hex[1]);
    field[2] = key ? 1 : 0;
}

unsigned char Flag(rapidjson::Value const& v) { return v.IsBool() && v.GetBool() ? 1 : 0; }

bool LowByte(rapidjson::Value const& v, unsigned char& out)
{
    if (v.IsUint64()) {
        out = static_cast<unsigned char>(v.GetUint64());
        return true;
    }
    if (v.IsInt64()) {
        out = static_cast<unsigned char>(v.GetInt64());
        return true;
    }
    return false;
}

// Up to `n` bytes of an array into `out`; longer arrays give no more.
void ReadBytes(rapidjson::Value const& object, char const* name, unsigned char* out, unsigned n, unsigned stride = 1)
{
    auto const member = object.FindMember(name);
    if (member == object.MemberEnd() || !member->value.IsArray())
        return;
    auto const& array = member->value;
    for (rapidjson::SizeType i = 0; i < array.Size() && i < n; ++i)
        (void)LowByte(array[i], out[i * stride]);
}

} // namespace

bool ParseGs1Character(char const* text, unsigned length, unsigned& value, bool& key)
{
    key = false;
    value = 0;
    if (text == nullptr || length == 0)
        return false;
    if (length == 2) {
        for (Direct const& d : kDirectKeys) {
            if (text[0] == d.text[0] && text[1] == d.text[1]) {
                value = d.value;
                key = true;
                return true;
            }
        }
        if (LetterForm(text[0], text[1], value))
            return true;
    }
    if (length == 3) {
        static constexpr Direct kThree[] = {{"DD", 170}, {"DD", 168}, {"ED", 225}, {"ED", 230}};
        static constexpr char kLast[] = {'X', 'Y', 'G', 'J'};
        for (unsigned i = 0; i < 4; ++i)
            if (text[0] == kThree[i].text[0] && text[1] == kThree[i].text[1] && text[2] == kLast[i])
                return value = kThree[i].value, true;
    }
    bool digits = true;
    for (unsigned i = 0; i < length; ++i)
        digits = digits && InRange(text[i], '0', '9');
    unsigned long v = 0;
    if (digits) {
        for (unsigned i = 0; i < length && v <= 255; ++i)
            v = v * 10 + static_cast<unsigned>(text[i] - '0');
        value = v > 255 ? 256 : static_cast<unsigned>(v);
        return true;
    }
    if (text[0] == '$' && length >= 2) {
        for (unsigned i = 1; i < length; ++i) {
            if (!InRange(text[i], '0', '9') && !InRange(text[i], 'A', 'F') && !InRange(text[i], 'a', 'f'))
                return false;
            if (v <= 255)
                v = v * 16 + HexValue(text[i]);
        }
        value = v > 255 ? 256 : static_cast<unsigned>(v);
        return true;
    }
    return false;
}

GS1Conversion& GS1Conversion::getInstance()
{
    static GS1Conversion* const instance = new GS1Conversion();
    return *instance;
}

GS1Conversion::GS1Conversion() : ParameterObject("gs1conversion", ParameterIdentifier::GS1Conversion, kCommands.rows)
{
    UpdateXSW(249, 0, 0x10);
    UpdateXSW(64, 0xFE, 0);
    SetXSW(65, 0x34);
    UpdateXSW(kXswGs1Byte, 0x0C, 0);
    SetDefault();
    std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
    cfg::Root().gs1_conversion.enable.Push(enableObserver_);
    cfg::Root().code.code128.enable_transfer_gs1_128.Push(transferObserver_);
}

void GS1Conversion::SetDecodeModeC128(unsigned char mode)
{
    values_.decodemodec128 = mode;
    UpdateXSW(kXswGs1Byte, 0x0C, static_cast<unsigned char>((mode & 3u) << 2));
}

void GS1Conversion::SetDefault()
{
    undoable_ = false;
    std::int32_t const aiindex = values_.aiindex;
    values_ = Gs1ConversionValues{};
    values_.aiindex = aiindex;
    values_.fn1conv.c[0] = 29;
    UpdateXSW(kXswGs1Byte, 0x0C, 0);
    (void)RideZodozConversion();
}

void GS1Conversion::Restore(Gs1ConversionValues const& values)
{
    values_ = values;
    SetDecodeModeC128(values_.decodemodec128);
    (void)RideZodozConversion(); // the program these values installed before
}

void GS1Conversion::UndoCommand()
{
    if (undoable_) {
        Restore(beforeCommand_);
    }
    undoable_ = false;
    aiParameter_ = 0;
    separatorParameter_ = 0;
}

int GS1Conversion::RideZodozConversion()
{
    std::string pattern, format;
    if (!BuildGs1ConversionProgram(values_, pattern, format))
        return -1;
    RideZodozForCommandSystem<DecodeDataByte>::getInstance().Engine().SetGs1OutputMode(values_.gs1outputmode);
    std::vector<unsigned char> p(pattern.begin(), pattern.end());
    std::vector<unsigned char> f(format.begin(), format.end());
    p.push_back(0);
    f.push_back(0);
    return Formatter::getInstance().SetGS1DataString(p.data(), f.data()) == 0 ? 0 : -1;
}

int GS1Conversion::ExecuteCommand(unsigned code, std::vector<char>, cfg::InputStream&, cfg::OutputStream& out)
{
    aiParameter_ = 0;
    separatorParameter_ = 0;
    undoable_ = false;
    if ((code & 0xFFFF00u) != 0x582F00u)
        return kNotMine;
    Gs1ConversionValues const before = values_;
    Gs1ConversionValues& v = values_;
    // The commands that take parameters are whole without them too; theirs follow.
    int waiting = kDone;
    switch (static_cast<char>(code & 0xFF)) {
    case '1':
        v.gs1outputmode = 1;
        SetDecodeModeC128(2);
        v.checkai = v.decimalpoint = v.outputsepevenifnotfoundai = 1;
        v.removeday = v.outaimfirstfnc1 = v.outai = v.parentheseai = 0;
        v.ResetAiTable();
        v.aiindex = 0;
        waiting = kDoneTakesParameters;
        break;
    case '2':
        v.gs1outputmode = 2;
        SetDecodeModeC128(2);
        v.checkai = v.outai = v.parentheseai = 1;
        v.removeday = v.outaimfirstfnc1 = v.decimalpoint = v.outputsepevenifnotfoundai = 0;
        break;
    case '3':
        v.gs1outputmode = 3;
        SetDecodeModeC128(2);
        v.checkai = v.decimalpoint = 1;
        v.removeday = v.outaimfirstfnc1 = v.outai = v.parentheseai = v.outputsepevenifnotfoundai = 0;
        break;
    case 'A': SetDecodeModeC128(1); break;
    case 'B': SetDecodeModeC128(2); break;
    case 'C': v.outputsepevenifnotfoundai = 1; break;
    case 'D': v.outputsepevenifnotfoundai = 0; break;
    case 'E': v.removeday = 0; break;
    case 'F': v.removeday = 1; break;
    case 'I': v.delayvalue = 0; break;
    case 'J': v.delayvalue = 10; break;
    case 'K': v.delayvalue = 20; break;
    case 'L': v.delayvalue = 30; break;
    case 'M': v.delaymultiple = 1; break;
    case 'N': v.delaymultiple = 4; break;
    case 'O': v.delaymultiple = 16; break;
    case 'P': v.delaymultiple = 64; break;
    case 'Q': v.outaimfirstfnc1 = 0; break;
    case 'R': v.outaimfirstfnc1 = 1; break;
    case 'S': v.decimalpoint = 0; break;
    case 'T': v.decimalpoint = 1; break;
    case 'W': v.dataseparator = Gs1Separator{}; waiting = kDoneTakesParameters; break;
    case 'X': v.elementseparator = Gs1Separator{}; waiting = kDoneTakesParameters; break;
    case 'Y': v.fn1conv = Gs1Separator{}; waiting = kDoneTakesParameters; break;
    case 'Z': {
        std::string const text = ExecuteShowSetting();
        out.Write(text.data(), static_cast<unsigned>(text.size()));
        out.Flush();
        return kDone;
    }
    default: return kNotMine;
    }
    // Every change reaches the output at once; a program that cannot be installed is
    // refused, and the command changes nothing.
    if (RideZodozConversion() != 0) {
        Restore(before);
        return kRefused;
    }
    if (waiting == kDoneTakesParameters) {
        beforeCommand_ = before;
        undoable_ = true;
    }
    return waiting;
}

int GS1Conversion::SetAiParameter(char const* text, unsigned length)
{
    Gs1ConversionValues const before = values_;
    Gs1ConversionValues& v = values_;
    unsigned const step = aiParameter_ % 5;
    if (step == 0) {
        if (length == 0 || length > 4)
            return kParameterRefused;
        bool digit = false;
        for (unsigned i = 0; i < length; ++i) {
            if (!InRange(text[i], '0', '9') && text[i] != 'F')
                return kParameterRefused;
            digit = digit || text[i] != 'F';
        }
        if (!digit)
            return kParameterRefused;
        unsigned entry = 0;
        while (entry < Gs1ConversionValues::kAiEntries && !Gs1ConversionValues::FreeEntry(v.aisettings[entry]))
            ++entry;
        if (entry == Gs1ConversionValues::kAiEntries)
            return kParameterRefused;
        for (unsigned i = 0; i < length; ++i)
            v.aisettings[entry][i] = text[i] == 'F' ? 0 : static_cast<unsigned char>(text[i]);
        v.aiindex = static_cast<std::int32_t>(entry);
    } else {
        unsigned value = 0;
        bool key = false;
        if (!ParseGs1Character(text, length, value, key) || value > 255 || value == 0)
            return kParameterRefused;
        static constexpr unsigned kField[] = {0, Gs1ConversionValues::kHeader1, Gs1ConversionValues::kHeader2,
                                              Gs1ConversionValues::kTerminator1, Gs1ConversionValues::kTerminator2};
        StoreCharacter(v.aisettings[v.aiindex] + kField[step], value, key);
    }
    if (RideZodozConversion() != 0) {
        Restore(before);
        return kNoParameters;
    }
    ++aiParameter_;
    return kParameterTaken;
}

int GS1Conversion::SetSeparatorParameter(Gs1Separator& separator, char const* text, unsigned length)
{
    if (separatorParameter_ >= 2)
        return kSeparatorFull;
    unsigned value = 0;
    bool key = false;
    if (!ParseGs1Character(text, length, value, key) || value == 0)
        return kParameterRefused;
    if (value > 255)
        return kSeparatorTooLarge;
    Gs1ConversionValues const before = values_;
    separator.c[separatorParameter_] = static_cast<unsigned char>(value);
    separator.key[separatorParameter_] = key ? 1 : 0;
    if (RideZodozConversion() != 0) {
        Restore(before);
        return kNoParameters;
    }
    ++separatorParameter_;
    return kParameterTaken;
}

int GS1Conversion::SetParameter(unsigned code, char const* text, unsigned length, cfg::InputStream&,
                                cfg::OutputStream&)
{
    switch (code) {
    case Code('1'): return SetAiParameter(text, length);
    case Code('W'): return SetSeparatorParameter(values_.dataseparator, text, length);
    case Code('X'): return SetSeparatorParameter(values_.elementseparator, text, length);
    case Code('Y'): return SetSeparatorParameter(values_.fn1conv, text, length);
    default: return kNoParameters;
    }
}

std::string GS1Conversion::ExecuteShowSetting() const
{
    Gs1ConversionValues const& v = values_;
    auto hex = [](unsigned value) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%X", value);
        return std::string(buf);
    };
    auto separator = [](Gs1Separator const& s) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%02X%02X", s.c[0], s.c[1]);
        return std::string(buf);
    };
    std::string t = "GS1 Convert Settings\r[Enable]\r  Code128             = " + hex(v.decodemodec128);
    t += "\r  DataMatrix          = 0\r  QR                  = 0\r[Settings]";
    t += "\r  CheckAI             = " + hex(v.checkai);
    t += "\r  RemoveDay)          = " + hex(v.removeday);
    t += "\r  AimIdOutput         = " + hex(v.outaimfirstfnc1);
    t += "\r  AiOutput            = " + hex(v.outai);
    t += "\r  ParenthesesAI       = " + hex(v.parentheseai);
    t += "\r  DecimalPoint        = " + hex(v.decimalpoint);
    t += "\r  NoAIOutputSeparator = " + hex(v.outputsepevenifnotfoundai);
    t += "\r\r[Separator]";
    t += "\r  Data Separator           = " + separator(v.dataseparator);
    t += "\r  Element String Separator = " + separator(v.elementseparator);
    t += "\r  Field Separator          = " + separator(v.fn1conv);
    t += "\r\r[Extra AI Field]\r  No _AI_ Head. Term.";
    int const last = v.aiindex < 0 ? -1 : (v.aiindex > 9 ? 9 : v.aiindex);
    for (int i = 0; i <= last; ++i) {
        unsigned char const* e = v.aisettings[i];
        auto shown = [](unsigned char c) { return c == 255 || c == 0 ? 'F' : static_cast<char>(c); };
        char line[48];
        std::snprintf(line, sizeof line, "\r  %2d %c%c%c%c %c%c%c%c %c%c%c%c", i, shown(e[0]), shown(e[1]), shown(e[2]),
                      shown(e[3]), shown(e[5]), shown(e[6]), shown(e[8]), shown(e[9]), shown(e[11]), shown(e[12]),
                      shown(e[14]), shown(e[15]));
        t += line;
    }
    t += "\rEND\r";
    return t;
}

void GS1Conversion::Serialize(rapidjson::Document& document) const
{
    document.SetObject();
    auto& a = document.GetAllocator();
    Gs1ConversionValues const defaults;
    Gs1ConversionValues const& v = values_;
    auto number = [&](char const* name, unsigned char value, unsigned char def) {
        if (value != def)
            document.AddMember(rapidjson::StringRef(name), static_cast<unsigned>(value), a);
    };
    auto flag = [&](char const* name, unsigned char value, unsigned char def) {
        if (value != def)
            document.AddMember(rapidjson::StringRef(name), value != 0, a);
    };
    number("decodemodec128", v.decodemodec128, defaults.decodemodec128);
    flag("checkai", v.checkai, defaults.checkai);
    flag("removeday", v.removeday, defaults.removeday);
    flag("outaimfirstfnc1", v.outaimfirstfnc1, defaults.outaimfirstfnc1);
    flag("outai", v.outai, defaults.outai);
    flag("parentheseai", v.parentheseai, defaults.parentheseai);
    flag("decimalpoint", v.decimalpoint, defaults.decimalpoint);
    flag("outputsepevenifnotfoundai", v.outputsepevenifnotfoundai, defaults.outputsepevenifnotfoundai);
    number("delayvalue", v.delayvalue, defaults.delayvalue);
    number("delaymultiple", v.delaymultiple, defaults.delaymultiple);
    number("gs1outputmode", v.gs1outputmode, defaults.gs1outputmode);
    // An empty separator is left out: a load starts from empty ones. The FNC1
    // replacement is always written, since a load starts it at GS: an emptied one
    // stays empty after a restart.
    auto separator = [&](char const* name, char const* keyName, Gs1Separator const& s, bool always = false) {
        if (!always && s.c[0] == Gs1Separator::kNone && s.c[1] == Gs1Separator::kNone)
            return;
        rapidjson::Value array(rapidjson::kArrayType);
        array.PushBack(static_cast<unsigned>(s.c[0]), a).PushBack(static_cast<unsigned>(s.c[1]), a);
        document.AddMember(rapidjson::StringRef(name), array, a);
        // Direct-key characters keep their kind through a save.
        if (s.key[0] != 0 || s.key[1] != 0) {
            rapidjson::Value keys(rapidjson::kArrayType);
            keys.PushBack(static_cast<unsigned>(s.key[0]), a).PushBack(static_cast<unsigned>(s.key[1]), a);
            document.AddMember(rapidjson::StringRef(keyName), keys, a);
        }
    };
    separator("dataseparator", "dataseparatorkey", v.dataseparator);
    separator("elementseparator", "elementseparatorkey", v.elementseparator);
    separator("fn1conv", "fn1convkey", v.fn1conv, true);
    document.AddMember("aiindex", v.aiindex, a);
    if (v.aiindex >= 0) {
        rapidjson::Value entries(rapidjson::kArrayType);
        int const last = v.aiindex > 9 ? 9 : v.aiindex;
        for (int i = 0; i <= last; ++i) {
            unsigned char const* e = v.aisettings[i];
            rapidjson::Value row(rapidjson::kObjectType);
            auto bytes = [&](char const* name, unsigned offset, unsigned n) {
                rapidjson::Value array(rapidjson::kArrayType);
                for (unsigned k = 0; k < n; ++k)
                    array.PushBack(static_cast<unsigned>(e[offset + k]), a);
                row.AddMember(rapidjson::StringRef(name), array, a);
            };
            bytes("ai", Gs1ConversionValues::kAi, 5);
            bytes("header1", Gs1ConversionValues::kHeader1, 2);
            bytes("header2", Gs1ConversionValues::kHeader2, 2);
            bytes("terminator1", Gs1ConversionValues::kTerminator1, 2);
            bytes("terminator2", Gs1ConversionValues::kTerminator2, 2);
            unsigned const flags[] = {e[7], e[10], e[13], e[16]};
            if (flags[0] != 0 || flags[1] != 0 || flags[2] != 0 || flags[3] != 0) {
                rapidjson::Value keys(rapidjson::kArrayType);
                for (unsigned f : flags)
                    keys.PushBack(f, a);
                row.AddMember("key", keys, a);
            }
            entries.PushBack(row, a);
        }
        document.AddMember("aisettings", entries, a);
    }
}

bool GS1Conversion::Deserialize(rapidjson::Document const& document)
{
    if (!document.IsObject())
        return false;
    auto const member = document.FindMember(name().c_str());
    if (member == document.MemberEnd())
        return false;
    return Deserialize(member->value);
}

bool GS1Conversion::Deserialize(rapidjson::Value const& value)
{
    if (!value.IsObject())
        return false;
    SetDefault();
    Gs1ConversionValues& v = values_;
    auto number = [&](char const* name, unsigned char& field) {
        auto const m = value.FindMember(name);
        if (m != value.MemberEnd())
            (void)LowByte(m->value, field);
    };
    auto flag = [&](char const* name, unsigned char& field) {
        auto const m = value.FindMember(name);
        if (m != value.MemberEnd())
            field = Flag(m->value);
    };
    number("decodemodec128", v.decodemodec128);
    flag("checkai", v.checkai);
    flag("removeday", v.removeday);
    flag("outaimfirstfnc1", v.outaimfirstfnc1);
    flag("outai", v.outai);
    flag("parentheseai", v.parentheseai);
    flag("decimalpoint", v.decimalpoint);
    flag("outputsepevenifnotfoundai", v.outputsepevenifnotfoundai);
    number("delayvalue", v.delayvalue);
    number("delaymultiple", v.delaymultiple);
    number("gs1outputmode", v.gs1outputmode);
    auto separator = [&](char const* name, char const* keyName, Gs1Separator& s) {
        ReadBytes(value, name, s.c, 2);
        ReadBytes(value, keyName, s.key, 2);
        for (unsigned char& k : s.key)
            k = k != 0 ? 1 : 0;
    };
    separator("dataseparator", "dataseparatorkey", v.dataseparator);
    separator("elementseparator", "elementseparatorkey", v.elementseparator);
    separator("fn1conv", "fn1convkey", v.fn1conv);
    auto const index = value.FindMember("aiindex");
    if (index != value.MemberEnd() && index->value.IsInt64()) {
        // The table has ten entries; an index past them is taken as the last.
        std::int64_t const i = index->value.GetInt64();
        v.aiindex = static_cast<std::int32_t>(i < -1 ? -1 : (i > 9 ? 9 : i));
    }
    auto const entries = value.FindMember("aisettings");
    if (entries != value.MemberEnd() && entries->value.IsArray()) {
        auto const& array = entries->value;
        for (rapidjson::SizeType k = 0; k < array.Size() && k < Gs1ConversionValues::kAiEntries; ++k) {
            if (!array[k].IsObject())
                continue;
            unsigned char* e = v.aisettings[k];
            ReadBytes(array[k], "ai", e + Gs1ConversionValues::kAi, 5);
            ReadBytes(array[k], "header1", e + Gs1ConversionValues::kHeader1, 2);
            ReadBytes(array[k], "header2", e + Gs1ConversionValues::kHeader2, 2);
            ReadBytes(array[k], "terminator1", e + Gs1ConversionValues::kTerminator1, 2);
            ReadBytes(array[k], "terminator2", e + Gs1ConversionValues::kTerminator2, 2);
            // The key flags sit after each field's two digits, three bytes apart.
            ReadBytes(array[k], "key", e + Gs1ConversionValues::kHeader1 + 2, 4, 3);
        }
    }
    // The legacy engine follows the loaded handling, as it follows a command.
    SetDecodeModeC128(v.decodemodec128);
    return RideZodozConversion() == 0;
}

bool GS1Conversion::onChangeGs1ConversionEnable()
{
    undoable_ = false; // a command before this change is no longer the last one
    Gs1ConversionValues& v = values_;
    if (cfg::Root().gs1_conversion.enable.Value()) {
        SetDecodeModeC128(2);
        v.gs1outputmode = 4;
        v.checkai = v.removeday = v.parentheseai = v.outputsepevenifnotfoundai = 0;
        v.outaimfirstfnc1 = v.outai = v.decimalpoint = 1;
    } else {
        v.gs1outputmode = 0;
        SetDecodeModeC128(0);
        v.checkai = v.parentheseai = v.decimalpoint = v.outputsepevenifnotfoundai = 0;
        v.removeday = v.outaimfirstfnc1 = v.outai = 1;
    }
    // The switch takes effect at once rather than at the next command.
    (void)RideZodozConversion();
    return true;
}

bool GS1Conversion::onChangeTransferGS128()
{
    undoable_ = false;
    auto const mode = static_cast<unsigned>(cfg::Root().code.code128.enable_transfer_gs1_128.Value());
    SetDecodeModeC128(static_cast<unsigned char>(mode));
    (void)RideZodozConversion();
    return true;
}
