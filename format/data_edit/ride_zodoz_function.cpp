#include "format/data_edit/ride_zodoz_function.h"

#include <cstring>
#include <ctime>

#include "config/configuration.h"
#include "format/data_edit/character.h"

using ivra_string_library::CellString;
using ivra_string_library::CellSubString;
using ivra_string_library::Character;
using ivra_string_library::NumericFormat;
using ivra_string_library::RideZodozFunctionExecutor;

namespace {

const char* const kKeywords[] = {
    "READTIME",
    "DATASIZE",
    "CHECKSUM",
    "DATASIZE_CHECKSUM",
    "BANKNUMBER",
    "NUMERICSPEC",
    "GTIN_CHECKDIGIT",
    "BUZZER_CUSTOM",
    "LED_CUSTOM",
    "NUMBER_CONVERSION",
    "FILL",
    "CHECK_MODULUS_CHECKDIGIT",
    "CALC_MODULUS_CHECKDIGIT",
    "IS_TRIGGER_UP",
    "TIME",
    "IMAGE_FILE_NAME",
    "REGISTER",
    "UNREGISTER",
    "COMPARE",
    "COUNT_OK",
    "COUNT_NG",
    "SIGNAL",
    "CHECK_DIVIDE_REMAINDER_CHECKDIGIT",
    "CALC_DIVIDE_REMAINDER_CHECKDIGIT",
};
static_assert(sizeof kKeywords / sizeof kKeywords[0] == RideZodozFunction::kCount);

enum Function : unsigned char {
    kReadTime,
    kDataSize,
    kChecksum,
    kDataSizeChecksum,
    kBankNumber,
    kNumericSpec,
    kGtinCheckDigit,
    kBuzzerCustom,
    kLedCustom,
    kNumberConversion,
    kFill,
    kCheckModulus,
    kCalcModulus,
    kIsTriggerUp,
    kTime,
    kImageFileName,
    kRegister,
    kUnregister,
    kCompare,
    kCountOk,
    kCountNg,
    kSignal,
    kCheckDivideRemainder,
    kCalcDivideRemainder,
};

constexpr const char* kImageFile = "/home/user/test.bmp";

bool IsNameCell(std::uint32_t v)
{
    return (v >= 'A' && v <= 'Z') || (v >= 'a' && v <= 'z') || (v >= '0' && v <= '9') || v == '_';
}

DecodeDataByte Char(unsigned c) { return DecodeDataByte::NewCharacter(static_cast<unsigned long>(c)); }

bool IsDigitCell(DecodeDataByte c) { return c.GetValue() >= '0' && c.GetValue() <= '9'; }
unsigned DigitOf(DecodeDataByte c) { return c.GetValue() - '0'; }

// The argument split at commas.
struct Fields {
    static constexpr unsigned kMax = 8;
    const DecodeDataByte* at[kMax] = {};
    unsigned length[kMax] = {};
    unsigned count = 0;

    // Splits the first `limit - 1` commas; the last field takes the rest.
    Fields(const DecodeDataByte* s, unsigned n, unsigned limit)
    {
        unsigned from = 0;
        for (unsigned i = 0; i <= n; ++i) {
            const bool end = i == n;
            if (!end && (s[i].GetValue() != ',' || count + 1 >= limit || count + 1 >= kMax))
                continue;
            at[count] = s + from;
            length[count] = i - from;
            ++count;
            from = i + 1;
        }
    }
    // A decimal field; false when it is empty or holds a non-digit.
    bool Number(unsigned i, unsigned long long& value) const
    {
        value = 0;
        if (i >= count || length[i] == 0 || length[i] > 18)
            return false;
        for (unsigned k = 0; k < length[i]; ++k) {
            if (!IsDigitCell(at[i][k]))
                return false;
            value = value * 10 + DigitOf(at[i][k]);
        }
        return true;
    }
};

unsigned OutputBytes(const DecodeDataByte* s, unsigned n)
{
    unsigned total = 0;
    for (unsigned i = 0; i < n; ++i)
        total += ivra_string_library::Character(s[i]).GetCStringLength();
    return total;
}

unsigned Checksum(const DecodeDataByte* s, unsigned n, bool xorSum)
{
    unsigned sum = 0;
    for (unsigned i = 0; i < n; ++i) {
        char buf[16];
        unsigned count = 0;
        if (!ivra_string_library::Character(s[i]).GetCString(buf, sizeof buf, count))
            continue;
        for (unsigned k = 0; k < count; ++k)
            sum = xorSum ? sum ^ static_cast<unsigned char>(buf[k]) : sum + static_cast<unsigned char>(buf[k]);
    }
    return sum;
}

bool HasFormatId(const DecodeDataByte* s, unsigned n)
{
    for (unsigned i = 0; i < n; ++i)
        if (s[i].GetType() == DecodeDataByte::CellType::FormatId)
            return true;
    return false;
}

bool AllDigits(const DecodeDataByte* s, unsigned n)
{
    for (unsigned i = 0; i < n; ++i)
        if (!IsDigitCell(s[i]))
            return false;
    return true;
}

unsigned GtinCheck(const DecodeDataByte* s, unsigned n)
{
    unsigned sum = 0;
    for (unsigned i = 0; i < n; ++i)
        sum += DigitOf(s[n - 1 - i]) * (i % 2 == 0 ? 3 : 1);
    return (10 - sum % 10) % 10;
}

// Modulus check digit of fields modulus, weights, digits (the last one
// excluded in check mode); false on a malformed field.
bool ModulusCheck(const Fields& f, unsigned char argument, bool check, unsigned& digit, unsigned& dataLength)
{
    digit = 0;
    unsigned long long modulus = 0;
    if (f.count < 3) {
        dataLength = 0;
        return f.count >= 1; // a missing field gives '0'
    }
    if (!f.Number(0, modulus) || modulus == 0 || f.length[1] == 0 || !AllDigits(f.at[1], f.length[1]) ||
        !AllDigits(f.at[2], f.length[2]))
        return false;
    unsigned n = f.length[2];
    if (check) {
        if (n == 0)
            return false;
        --n;
    }
    dataLength = n;
    unsigned long long sum = 0;
    for (unsigned i = 0; i < n; ++i) {
        unsigned long long p = DigitOf(f.at[2][n - 1 - i]) * DigitOf(f.at[1][i % f.length[1]]);
        if ((argument & 1) != 0)
            p = p % modulus + p / modulus;
        sum += p;
    }
    const unsigned long long r = sum % modulus;
    if ((argument & 2) != 0)
        digit = static_cast<unsigned>(r % 10);
    else
        digit = r == 0 ? 0 : static_cast<unsigned>((modulus - r) % 10);
    return true;
}

bool DivideRemainder(const Fields& f, unsigned char argument, bool check, unsigned& digit)
{
    unsigned long long divisor = 0;
    if (f.count < 2 || !f.Number(0, divisor) || divisor == 0 || !AllDigits(f.at[1], f.length[1]))
        return false;
    unsigned n = f.length[1];
    if (check) {
        if (n == 0)
            return false;
        --n;
    }
    unsigned long long r = 0;
    for (unsigned i = 0; i < n; ++i)
        r = (r * 10 + DigitOf(f.at[1][i])) % divisor;
    if ((argument & 1) == 0)
        digit = static_cast<unsigned>(r % 10);
    else
        digit = r == 0 ? 0 : static_cast<unsigned>((divisor - r) % 10);
    return true;
}

// Runs of one letter are fields of that many digits.
bool FormatTime(const DecodeDataByte* s, unsigned n, CellString& out)
{
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    if (localtime_r(&now, &t) == nullptr)
        return false;
    for (unsigned i = 0; i < n;) {
        const std::uint32_t c = s[i].GetValue();
        if (c == '\\' && i + 1 < n) {
            if (!out.Append(s[i + 1]))
                return false;
            i += 2;
            continue;
        }
        long value = -1;
        switch (c) {
        case 'y': value = t.tm_year + 1900; break;
        case 'm': value = t.tm_mon + 1; break;
        case 'd': value = t.tm_mday; break;
        case 'h': value = t.tm_hour; break;
        case 'i': value = t.tm_min; break;
        case 's': value = t.tm_sec; break;
        default: break;
        }
        if (value < 0) {
            if (!out.Append(s[i]))
                return false;
            ++i;
            continue;
        }
        unsigned run = 0;
        while (i + run < n && s[i + run].GetValue() == c)
            ++run;
        i += run;
        unsigned char digits[32];
        long v = value;
        for (unsigned k = run > 32 ? 32 : run; k-- > 0; v /= 10)
            digits[k] = static_cast<unsigned char>('0' + v % 10);
        for (unsigned k = 0; k < (run > 32 ? 32 : run); ++k)
            if (!out.Append(Char(digits[k])))
                return false;
    }
    return true;
}

bool ImageFileName(const DecodeDataByte* s, unsigned n, CellString& out)
{
    const char* path = kImageFile;
    const char* slash = std::strrchr(path, '/');
    const char* base = slash != nullptr ? slash + 1 : path;
    const char* dot = std::strrchr(base, '.');
    const char* baseEnd = dot != nullptr ? dot : base + std::strlen(base);
    auto text = [&out](const char* a, const char* b) {
        for (; a < b; ++a)
            if (!out.Append(Char(static_cast<unsigned char>(*a))))
                return false;
        return true;
    };
    for (unsigned i = 0; i < n; ++i) {
        const std::uint32_t c = s[i].GetValue();
        bool ok = true;
        if (c == '\\' && i + 1 < n)
            ok = out.Append(s[++i]);
        else if (c == 'p')
            ok = text(path, path + std::strlen(path));
        else if (c == 'd')
            ok = slash != nullptr ? text(path, slash) : text(".", ".") && out.Append(Char('.'));
        else if (c == 'n')
            ok = text(base, baseEnd);
        else if (c == 'e')
            ok = dot != nullptr ? text(dot, dot + std::strlen(dot)) : true;
        else
            ok = out.Append(s[i]);
        if (!ok)
            return false;
    }
    return true;
}

// Arbitrary-precision change of alphabet.
bool NumberConversion(const Fields& f, CellString& out, DecodeDataByte* scratch, unsigned scratchCells)
{
    if (f.count < 3)
        return true;
    const unsigned from = f.length[0], to = f.length[1], n = f.length[2];
    if (from < 2 || from > 64 || to < 2 || to > 64)
        return false;
    // scratch holds the source digits as values.
    unsigned len = 0;
    for (unsigned i = 0; i < n; ++i) {
        const std::uint32_t c = f.at[2][i].GetValue();
        if (c == '=')
            continue;
        unsigned k = 0;
        while (k < from && f.at[0][k].GetValue() != c)
            ++k;
        if (k == from || len >= scratchCells)
            return false;
        scratch[len++] = Char(k);
    }
    // Repeated division by the target base; digits come out least significant first.
    const unsigned first = out.Length();
    unsigned begin = 0;
    while (begin < len && scratch[begin].GetValue() == 0)
        ++begin;
    while (begin < len) {
        unsigned remainder = 0;
        for (unsigned i = begin; i < len; ++i) {
            const unsigned value = remainder * from + scratch[i].GetValue();
            scratch[i] = Char(value / to);
            remainder = value % to;
        }
        if (out.Length() - first >= 65536 || !out.Append(f.at[1][remainder]))
            return false;
        while (begin < len && scratch[begin].GetValue() == 0)
            ++begin;
    }
    for (unsigned a = first, b = out.Length(); b > a + 1; ++a, --b) {
        const DecodeDataByte t = out.Cells()[a];
        out.Cells()[a] = out.Cells()[b - 1];
        out.Cells()[b - 1] = t;
    }
    return true;
}

bool Fill(const DecodeDataByte* s, unsigned n, CellString& out)
{
    const Fields f(s, n, 4);
    unsigned long long length = 0, position = 0;
    if (f.count < 4 || !f.Number(0, length) || f.length[1] < 2 || f.length[2] != 1)
        return false;
    const std::uint32_t direction = f.at[1][0].GetValue();
    Fields p(f.at[1] + 1, f.length[1] - 1, 1);
    if ((direction != '+' && direction != '-') || !p.Number(0, position))
        return false;
    const unsigned dataLength = f.length[3];
    const unsigned fill = length > dataLength ? static_cast<unsigned>(length - dataLength) : 0;
    if (position > dataLength)
        return false;
    const unsigned at = direction == '+' ? static_cast<unsigned>(position) : dataLength - static_cast<unsigned>(position);
    if (!out.Append(f.at[3], at))
        return false;
    for (unsigned i = 0; i < fill; ++i)
        if (!out.Append(f.at[2][0]))
            return false;
    return out.Append(f.at[3] + at, dataLength - at);
}

bool NumericSpec(const DecodeDataByte* s, unsigned n, NumericFormat& spec)
{
    NumericFormat f;
    unsigned i = 0;
    if (i < n && (s[i].GetValue() == '+' || s[i].GetValue() == '-')) {
        f.sign = true;
        ++i;
    }
    if (i >= n)
        return false;
    switch (s[i].GetValue()) {
    case 'B': f.bigEndian = true; break;
    case 'L': break;
    case 'D': f.ascii = true; break;
    case 'X': f.ascii = f.hexadecimal = true; break;
    default: return false;
    }
    ++i;
    if (i + 1 != n || s[i].GetValue() < '1' || s[i].GetValue() > '8')
        return false;
    f.digits = s[i].GetValue() - '0';
    spec = f;
    return true;
}

} // namespace

bool RideZodozFunction::Search(unsigned char& id, const DecodeDataByte* s, const DecodeDataByte** end)
{
    unsigned n = 0;
    while (IsNameCell(s[n].GetValue()))
        ++n;
    for (unsigned k = 0; k < kCount; ++k) {
        const char* word = kKeywords[k];
        if (std::strlen(word) != n)
            continue;
        unsigned i = 0;
        while (i < n && s[i].GetValue() == static_cast<unsigned char>(word[i]))
            ++i;
        if (i == n) {
            id = static_cast<unsigned char>(k);
            if (end != nullptr)
                *end = s + n;
            return true;
        }
    }
    return false;
}

void RideZodozFunctionExecutor::Initialize()
{
    // The trigger flag is the label's, set by the engine before each run.
    signal_ = 0;
    current_ = NumericFormat{};
    running_ = NumericFormat{};
}

bool RideZodozFunctionExecutor::Start(DecodeDataByte* cells, unsigned capacity, unsigned length, unsigned& newLength)
{
    CellString string(cells, capacity, length);
    if (!Start(string))
        return false;
    newLength = string.Length();
    return true;
}

bool RideZodozFunctionExecutor::Start(CellString& string)
{
    struct Open {
        unsigned position;
        NumericFormat spec;
    };
    Open open[kMaxOpenCalls];
    unsigned depth = 0;
    for (unsigned i = 0; i < string.Length();) {
        const auto [id, argument] = string.At(i).GetFormatId();
        if (id == 254) {
            ++i;
            continue;
        }
        if (id != RideZodozFunction::kEnd) {
            if (depth == kMaxOpenCalls)
                return false;
            open[depth++] = {i, current_};
            ++i;
            continue;
        }
        if (depth == 0)
            return false;
        const Open call = open[--depth];
        const Character startCell = string.At(call.position);
        // The start and end cells go; the function's result takes the place
        // of the argument between them.
        if (!string.Delete(i, 1) || !string.Delete(call.position, 1))
            return false;
        CellSubString argumentWindow(string, call.position, i - 1);
        running_ = call.spec;
        if (!ExecuteFunction(startCell, argumentWindow))
            return false;
        i = argumentWindow.End();
    }
    return depth == 0;
}

bool RideZodozFunctionExecutor::ExecuteFunction(const Character& startCell, CellSubString& argumentWindow)
{
    const auto [id, argument] = startCell.GetFormatId();
    const DecodeDataByte* arg = argumentWindow.Cells();
    const unsigned n = argumentWindow.Length();
    const NumericFormat& saved = running_;
    // The result is built in the first half of the work area; the second
    // half is scratch for number conversion.
    CellString out(work_, kWorkCells / 2, 0);
    DecodeDataByte* scratch = work_ + kWorkCells / 2;
    bool ok = false;
    switch (id) {
    case kReadTime:
    case kBuzzerCustom:
    case kLedCustom:
        ok = out.Append(arg, n);
        break;
    case kDataSize:
        if (HasFormatId(arg, n) || !out.Append(arg, n))
            break;
        {
            CellSubString data(out, 0, out.Length());
            ok = saved.Insert(OutputBytes(arg, n), data, 0);
        }
        break;
    case kChecksum:
        ok = out.Append(arg, n) && current_.Print(Checksum(arg, n, argument != 0), out);
        break;
    case kDataSizeChecksum: {
        if (HasFormatId(arg, n))
            break;
        const unsigned total = OutputBytes(arg, n) + 2 * saved.Width();
        ok = saved.Print(total, out) && out.Append(arg, n) &&
             saved.Print(Checksum(out.Cells(), out.Length(), argument != 0), out);
        break;
    }
    case kBankNumber:
        if (!out.Append(arg, n))
            break;
        {
            CellSubString data(out, 0, out.Length());
            ok = current_.Insert(ivra_configuration::Root().bank.Value(), data, 0);
        }
        break;
    case kNumericSpec:
        ok = NumericSpec(arg, n, current_);
        break;
    case kGtinCheckDigit:
        if (!AllDigits(arg, n))
            break;
        if (argument == 1)
            ok = n >= 1 && GtinCheck(arg, n - 1) == DigitOf(arg[n - 1]) && out.Append(arg, n);
        else
            ok = n >= 1 && out.Append(arg, n) && out.Append(Char('0' + GtinCheck(arg, n)));
        break;
    case kCheckModulus:
    case kCalcModulus: {
        const Fields f(arg, n, 3);
        unsigned digit = 0, dataLength = 0;
        const bool check = id == kCheckModulus;
        if (!ModulusCheck(f, argument, check, digit, dataLength))
            break;
        if (f.count < 3) {
            ok = !check && out.Append(Char('0'));
            break;
        }
        if (check)
            ok = DigitOf(f.at[2][dataLength]) == digit && out.Append(f.at[2], f.length[2]);
        else
            ok = out.Append(f.at[2], f.length[2]) && out.Append(Char('0' + digit));
        break;
    }
    case kCheckDivideRemainder:
    case kCalcDivideRemainder: {
        const Fields f(arg, n, 2);
        unsigned digit = 0;
        const bool check = id == kCheckDivideRemainder;
        if (!DivideRemainder(f, argument, check, digit))
            break;
        if (check)
            ok = DigitOf(f.at[1][f.length[1] - 1]) == digit && out.Append(f.at[1], f.length[1]);
        else
            ok = out.Append(f.at[1], f.length[1]) && out.Append(Char('0' + digit));
        break;
    }
    case kNumberConversion:
        ok = NumberConversion(Fields(arg, n, 3), out, scratch, kWorkCells / 2);
        break;
    case kFill:
        ok = Fill(arg, n, out);
        break;
    case kIsTriggerUp:
        ok = triggerUp_ && out.Append(arg, n);
        break;
    case kTime:
        ok = FormatTime(arg, n, out);
        break;
    case kImageFileName:
        ok = ImageFileName(arg, n, out);
        break;
    case kSignal:
        if (n == 2 && arg[0].GetValue() == 'O' && arg[1].GetValue() == 'K')
            signal_ = 1, ok = true;
        else if (n == 2 && arg[0].GetValue() == 'N' && arg[1].GetValue() == 'G')
            signal_ = 2, ok = true;
        break;
    default:
        ok = ExecuteVerification(id, arg, n);
        break;
    }
    return ok && argumentWindow.Replace(out.Cells(), out.Length());
}
