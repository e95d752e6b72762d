// FormatData: a stored label through the data-editing programs or, when none
// takes it, the default path (Codabar joining, case conversion), to output.

#include <vector>

#include "format/codabar_symbol.h"
#include "format/formatter.h"

namespace {

constexpr SymbologyIdentifier kNeverOutput = 'Y';

} // namespace

DataEditLabel Formatter::BuildDataEditLabel() const
{
    DataEditLabel label;
    label.identifier = DecodeDataByte::NewCharacter(DecodeDataByte::KindOfCharacter::Plain,
                                                    static_cast<unsigned char>(record_.ivraIdentifier));
    for (char c : record_.aimIdentifier) {
        if (c != 0 && label.aimLength < sizeof label.aim)
            label.aim[label.aimLength++] = static_cast<unsigned char>(c);
    }
    for (unsigned i = 0; i < 4; ++i) {
        label.regionX[i] = record_.regionX[i];
        label.regionY[i] = record_.regionY[i];
    }
    label.angle = record_.angle;
    label.structuredAppend = record_.structuredAppend;
    label.triggerUp = outlets_.TriggerUp();
    return label;
}

Formatter::ProgramResult Formatter::RunDataEditPrograms(std::vector<OutputBufferData>& units, unsigned& program)
{
    DataEditLabel label = BuildDataEditLabel();

    // The programs see GS1 separators as FNC1 cells. The replacement works on
    // a copy: the default path must still send the label's own GS and FS.
    unsigned count = 0;
    int read = 0;
    if (IsGS1(record_.aimIdentifier)) {
        std::vector<char> copy(record_.data, record_.end);
        ReplaceForGS1(copy.data(), static_cast<unsigned>(copy.size()));
        scratch_[0] = DecodeDataByte::NewCharacter(DecodeDataByte::KindOfCharacter::Special, 0x80);
        read = DecodeDataByte::CStringToCharacterTypeString(&count, reinterpret_cast<unsigned char*>(copy.data()),
                                                           record_.length, scratch_ + 1, kScratchCells - 1, true);
        ++count;
    } else {
        read = DecodeDataByte::CStringToCharacterTypeString(&count, record_.data, record_.length, scratch_,
                                                           kScratchCells, false);
    }
    // A label the programs cannot read (bytes the GS1 reader refuses) is
    // left to the default path.
    if (read != DecodeDataByte::kReadDone)
        return ProgramResult::NoMatch;
    label.cells = scratch_;
    label.count = count;

    if (!programs_->Collect(label)) {
        programs_->EmptyCollector();
        return ProgramResult::Stop;
    }
    bool matched[DataEditPrograms::kLastProgram + 1] = {};
    bool any = false;
    for (unsigned p = DataEditPrograms::kFirstProgram; p <= DataEditPrograms::kLastProgram; ++p) {
        if (!programs_->IsInstalled(p))
            continue;
        const int result = programs_->Matches(p, label);
        if (result == DataEditPrograms::kMatched) {
            matched[p] = true;
            any = true;
        } else if (result != DataEditPrograms::kNotMatched) {
            programs_->EmptyCollector();
            return ProgramResult::Stop;
        }
    }
    if (!any)
        return ProgramResult::NoMatch;

    for (unsigned p = DataEditPrograms::kFirstProgram; p <= DataEditPrograms::kLastProgram; ++p) {
        if (!matched[p] || !programs_->IsPossibleToOutput(p))
            continue;
        unsigned produced = 0;
        if (programs_->Output(p, output_, kOutputCells, produced) != 0)
            return ProgramResult::Stop;
        DecodeDataByteToOutputBuffer(output_, produced < kOutputCells ? produced : kOutputCells, units);
        program = p;
        return ProgramResult::Output;
    }
    // Matched, but the collector waits for more labels.
    return ProgramResult::Stop;
}

bool Formatter::FormatDefaultPath(std::vector<OutputBufferData>& units)
{
    std::vector<unsigned char> bytes(record_.data, record_.end);
    DoCaseConversion(bytes);
    unsigned count = 0;
    if (DecodeDataByte::CStringToCharacterTypeString(&count, bytes.data(), static_cast<unsigned>(bytes.size()),
                                                     output_, kOutputCells, false) != DecodeDataByte::kReadDone)
        return false;
    DecodeDataByteToOutputBuffer(output_, count, units);
    return true;
}

int Formatter::FormatData()
{
    if (!labelValid_)
        return kFormatRefused;
    // Before any lock of our own: commands take the held-half lock inside the
    // command lock (a trigger command stops the formatter).
    const SettingsScope settings(*this);

    std::vector<OutputBufferData> units;
    unsigned program = 0;
    const ProgramResult programs = RunDataEditPrograms(units, program);
    if (programs == ProgramResult::Stop)
        return 0;
    if (programs == ProgramResult::NoMatch) {
        if (record_.symbologyIdentifier == kNeverOutput)
            return 0;
        int options = kOptionsOutput;
        bool repeatHeld = false;
        {
            // The read cycle drops the held half from its own threads (StopFormatter).
            std::lock_guard lock(heldMutex_);
            options = DoOptionsNotHandledByDecoder();
            if (options == kOptionsHeld)
                concatenationTime_ = Now();
            else if (options == kOptionsRepeat)
                repeatHeld = Now() - concatenationTime_ <= kRepeatHoldNanoseconds;
            if (options != kOptionsHeld && options != kOptionsRefused && !repeatHeld)
                codabar.InitializeConcatenation();
        }
        if (options == kOptionsHeld) {
            outlets_.PlayBuzzer(kHalfHeldBuzzerType, kHalfHeldBuzzerVolume);
            return 0;
        }
        if (options == kOptionsRefused || repeatHeld)
            return 0;
        if (!FormatDefaultPath(units)) {
            // Longer than the output cells hold: refused whole rather than cut.
            programs_->EmptyCollector();
            return kFormatRefused;
        }
        program = 0;
    }
    const bool signalledNg = program != 0 && programs_->Signal() == DataEditPrograms::kSignalNg;
    programs_->EmptyCollector();
    // Reported as it happened: a label whose output came out empty was not sent.
    return FormatAndPushToOutputinterface(units, program, signalledNg);
}

int Formatter::DoOptionsNotHandledByDecoder()
{
    Symbology* symbology = Symbology::GetSymbology(record_.symbologyIdentifier);
    if (symbology == nullptr)
        return kOptionsOutput;
    if (symbology == &codabar) {
        const SettingsScope settings(*this);
        switch (codabar.Concatenation(&record_, 2, settings->codabarForms)) {
        case CodabarSymbol::kHeld: return kOptionsHeld;
        case CodabarSymbol::kRepeat: return kOptionsRepeat;
        case CodabarSymbol::kFormDisabled:
            // Plain Codabar is switched off: such a label is no good read.
            codabar.InitializeConcatenation();
            return kOptionsRefused;
        default:
            codabar.InitializeConcatenation();
            return kOptionsOutput;
        }
    }
    symbology->ExecuteEffectOfCodeOption(&record_, 2);
    return kOptionsOutput;
}
