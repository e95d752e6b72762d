// The formatter singleton and the label it is working on: storing a decoded
// label, naming its symbology, and the GS1 and 2D tests on it.

#include <chrono>
#include <cstring>
#include <string_view>

#include "decoder/core/dec2d_entry.h"
#include "format/codabar_symbol.h"
#include "format/formatter.h"

namespace {

DataEditPrograms& NoPrograms()
{
    static DataEditPrograms none;
    return none;
}

bool Bit(unsigned modifier, unsigned bit) { return (modifier >> bit & 1u) != 0; }
bool HasAddOn(unsigned modifier) { return Bit(modifier, 8) || Bit(modifier, 9); }

constexpr int kUnknown = -1;

// The formatter identifier of a decoder symbology number; kUnknown for a
// number the formatter has no identifier for.
int IdentifierOf(unsigned symbology, unsigned modifier)
{
    switch (symbology) {
    case 1: return Bit(modifier, 2) ? 15 : Bit(modifier, 3) ? 16 : 14;
    case 3: return 17;
    case 4: return (modifier & 3) == 1 ? 32 : 31;
    case 5: return 18;
    case 6: return 21;
    case 7: return 22;
    case 8: return 23;
    case 9: return 24;
    case 10: return 25;
    case 11: return 27;
    case 12: return HasAddOn(modifier) ? 6 : 5;
    case 13: return HasAddOn(modifier) ? 10 : 9;
    case 14: return HasAddOn(modifier) ? 8 : 7;
    case 15: return HasAddOn(modifier) ? 12 : 11;
    case 16: return Bit(modifier, 8) ? 36 : Bit(modifier, 9) ? 37 : 35;
    case 17: return 33;
    case 18: return 34;
    case 19: return 30;
    case 20: return 28;
    case 21: return 29;
    case 22: return 26;
    case 23: return 40;
    case 24: return 39;
    case 25: return 63;
    case 26: return 64;
    case 27: return 66;
    case 28: return 65;
    case 29: return 38;
    case 30: return 79;
    case 31: return 50;
    case 32: return 51;
    case 33: return Bit(modifier, 1) ? 59 : 47;
    case 34: return 48;
    case 35: return (modifier & 15) == 1 ? 58 : 43;
    case 36: return Bit(modifier, 4) ? 45 : 44;
    case 37: return 46;
    case 38: return 49;
    case 39: return 52;
    case 40: return Bit(modifier, 0) ? 98 : 97;
    case 41: return 42;
    case 51: return 89;
    case 59: return 96;
    default:
        if (symbology >= 42 && symbology <= 50)
            return static_cast<int>(symbology) - 42 + 80;
        if (symbology >= 52 && symbology <= 57)
            return static_cast<int>(symbology) - 52 + 90;
        return kUnknown;
    }
}

} // namespace

Formatter& Formatter::getInstance()
{
    // Never destroyed: the label thread may still be formatting when the
    // process ends.
    static Formatter* const instance = new Formatter();
    return *instance;
}

Formatter::Formatter() : programs_(&NoPrograms())
{
    record_.data = labelBuffer_;
    record_.capacity = DECODE_DATA::kCapacity;
    record_.SetLength(0);
}

void Formatter::SetDataEditPrograms(DataEditPrograms* programs)
{
    programs_ = programs != nullptr ? programs : &NoPrograms();
}

void Formatter::SetClock(std::function<std::int64_t()> now) { now_ = std::move(now); }

std::int64_t Formatter::Now() const
{
    if (now_)
        return now_();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool Formatter::SetDecodeResult(const void* identifier, const char* data, unsigned length, const tagDEC2D_REGION* region,
                                const tagStructuredAppend* sa, int angle)
{
    eciList_.clear();
    labelValid_ = false;
    // Nothing of the previous label may carry over into this one.
    record_ = DECODE_DATA{};
    record_.data = labelBuffer_;
    record_.capacity = DECODE_DATA::kCapacity;
    record_.SetLength(0);
    record_.angle = angle;
    if (region != nullptr) {
        record_.regionX[0] = region->x0;
        record_.regionX[1] = region->x1;
        record_.regionX[2] = region->x2;
        record_.regionX[3] = region->x3;
        record_.regionY[0] = region->y0;
        record_.regionY[1] = region->y1;
        record_.regionY[2] = region->y2;
        record_.regionY[3] = region->y3;
    }
    if (sa != nullptr) {
        record_.structuredAppend = *sa;
        if (sa->mode != 1 && sa->mode != 2)
            record_.structuredAppend.mode = 0;
    }
    if (identifier == nullptr)
        return false;
    const bool known = FilterAimIdSymbology(identifier);
    if (!known || data == nullptr || length == 0 ||
        !record_.Assign(reinterpret_cast<const unsigned char*>(data), length))
        return false;
    labelValid_ = true;
    return true;
}

bool Formatter::FilterAimIdSymbology(const void* identifier)
{
    const unsigned symbology = DEC2D_GetSymbology(identifier);
    const unsigned modifier = DEC2D_GetModifier(identifier);
    // A menu-code label gets no symbology group of its own; anything else the
    // table lacks is refused. Neither takes the previous label's identity.
    const int id = symbology == SYMBOLOGY_MENU ? DECODE_DATA::kNoIdentifier : IdentifierOf(symbology, modifier);
    record_.symbologyIdentifier = id == kUnknown ? DECODE_DATA::kNoIdentifier : static_cast<SymbologyIdentifier>(id);
    record_.ivraIdentifier = DEC2D_GetIvraIdentifier(identifier);
    std::memset(record_.aimIdentifier, 0, sizeof record_.aimIdentifier);
    DEC2D_GetAIMIdentifier(identifier, record_.aimIdentifier, sizeof record_.aimIdentifier);
    record_.aimIdentifier[sizeof record_.aimIdentifier - 1] = 0;
    record_.modifier = modifier;
    record_.modifierBit15 = (symbology == SYMBOLOGY_QR_CODE || symbology == SYMBOLOGY_DATA_MATRIX) && Bit(modifier, 15);
    return id != kUnknown;
}

namespace {

// A 3-character AIM text that occurs in `list`, whose entries all start with ']'.
bool AimTextIn(const char* aim, std::string_view list)
{
    if (aim == nullptr || strnlen(aim, 4) != 3 || aim[0] != ']')
        return false;
    return list.find(std::string_view(aim, 3)) != std::string_view::npos;
}

} // namespace

bool Formatter::IsGS1(const char* aim) { return AimTextIn(aim, "]e0]C1]d2]d5]Q3]Q4]J1]J4]h2"); }

bool Formatter::CanHaveEciSupport() const
{
    return AimTextIn(record_.aimIdentifier, "]Q2]Q4]Q6]d4]d5]d6]z3]z4]z5]z9]zA]zB]zC]J3]J4]J5]U2]U3]h1");
}

bool Formatter::Is2DCode(SymbologyIdentifier id)
{
    return id == 'N' || id == 'a' || id == 'b' || (id >= ':' && id <= '>') || (id >= '*' && id <= '4');
}

void Formatter::ReplaceForGS1(char* data, unsigned length)
{
    if (data == nullptr)
        return;
    for (unsigned i = 0; i < length; ++i) {
        if (data[i] == 28)
            data[i] = static_cast<char>(132);
        else if (data[i] == 29)
            data[i] = static_cast<char>(128);
    }
}

void Formatter::StopFormatter()
{
    std::lock_guard lock(heldMutex_);
    codabar.InitializeConcatenation();
}

int Formatter::SetGS1DataString(unsigned char* pattern, unsigned char* format)
{
    if (programs_->SetConfig(DataEditPrograms::kGs1Program, pattern, format) != 0)
        return -1;
    const bool emptyPattern = pattern == nullptr || pattern[0] == 0;
    const bool emptyFormat = format == nullptr || format[0] == 0;
    if (emptyPattern && emptyFormat)
        programs_->ClearProgram(DataEditPrograms::kGs1Program);
    return 0;
}
