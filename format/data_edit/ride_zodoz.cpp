#include "format/data_edit/ride_zodoz.h"

#include <cstring>

#include "config/configuration.h"
#include <memory>
#include <string>

namespace {

bool ValidSlot(unsigned program) { return program >= 1 && program <= 5; }

const char* Text(const unsigned char* s) { return s != nullptr ? reinterpret_cast<const char*>(s) : ""; }

bool CallsRegister(const char* text)
{
    for (const char* name : {"$REGISTER", "$UNREGISTER", "$COMPARE", "$COUNT_OK", "$COUNT_NG"})
        if (std::strstr(text, name) != nullptr)
            return true;
    return false;
}

} // namespace

template <class Cell>
RideZodoz<Cell>::RideZodoz()
{
    for (unsigned i = 1; i <= kSlots; ++i) {
        slots_[i].compiledPattern.SetProgram(i);
        slots_[i].compiledFormat.SetProgram(i);
    }
    functions_.SetIndicator(&indicator_);
}

template <class Cell>
bool RideZodoz<Cell>::IsInstalled(unsigned program) const
{
    std::lock_guard lock(mutex_);
    return ValidSlot(program) && slots_[program].enabled;
}

template <class Cell>
bool RideZodoz<Cell>::Collect(const DataEditLabel& label)
{
    std::lock_guard lock(mutex_);
    haveLabel_ = false;
    indicator_.Clear();
    triggerUp_ = label.triggerUp;
    unsigned start = 0;
    if (label.cells == nullptr || !collector_.Output().Append(label.cells, label.count, start))
        return false;
    current_ = RegexLabel{};
    current_.symbology = label.identifier;
    // The tests compare letter and modifier, the text after ']'.
    const unsigned first = label.aimLength > 0 && label.aim[0] == ']' ? 1 : 0;
    for (unsigned i = first, k = 0; i < label.aimLength && k < 2; ++i, ++k)
        current_.aim[k] = label.aim[i];
    for (unsigned i = 0; i < 4; ++i) {
        current_.region.x[i] = label.regionX[i];
        current_.region.y[i] = label.regionY[i];
    }
    current_.region.angle = label.angle;
    current_.inputStart = start;
    current_.inputEnd = start + label.count;
    haveLabel_ = true;
    return true;
}

template <class Cell>
void RideZodoz<Cell>::EmptyCollector()
{
    std::lock_guard lock(mutex_);
    collector_.Empty();
    haveLabel_ = false;
}

template <class Cell>
std::unique_lock<std::recursive_mutex> RideZodoz<Cell>::SettingsLockFor(unsigned program) const
{
    bool uses = false;
    {
        std::lock_guard lock(mutex_);
        uses = ValidSlot(program) && slots_[program].usesSettings;
    }
    if (!uses)
        return {};
    return std::unique_lock<std::recursive_mutex>(ivra_configuration::CommandMutex());
}

template <class Cell>
int RideZodoz<Cell>::Matches(unsigned program, const DataEditLabel&)
{
    const auto settings = SettingsLockFor(program);
    std::lock_guard lock(mutex_);
    if (!ValidSlot(program) || !slots_[program].enabled || !haveLabel_)
        return kNotMatched;
    functions_.SetSettingsLocked(settings.owns_lock());
    functions_.SetTriggerUp(triggerUp_);
    const unsigned before = collector_.Output().WritePosition();
    const int r = slots_[program].compiledPattern.Matches(collector_, current_, functions_);
    if (r == ride_zodoz_result::kOk)
        functions_.ReportSignal();
    if (r == ride_zodoz_result::kNoMatch)
        collector_.Output().SetWritePosition(before);
    return r;
}

template <class Cell>
bool RideZodoz<Cell>::IsPossibleToOutput(unsigned program) const
{
    std::lock_guard lock(mutex_);
    return ValidSlot(program) && slots_[program].enabled &&
           slots_[program].compiledFormat.IsPossibleToOutput(collector_) == 1;
}

template <class Cell>
int RideZodoz<Cell>::Output(unsigned program, DecodeDataByte* cells, unsigned room, unsigned& count)
{
    const auto settings = SettingsLockFor(program);
    std::lock_guard lock(mutex_);
    count = 0;
    if (!ValidSlot(program) || !slots_[program].enabled || cells == nullptr)
        return ride_zodoz_result::kError;
    functions_.SetSettingsLocked(settings.owns_lock());
    functions_.SetTriggerUp(triggerUp_);
    BufferWriter out{cells, 0, room};
    const int r = slots_[program].compiledFormat.Output(out, collector_, functions_);
    if (r == ride_zodoz_result::kOk) {
        count = out.position;
        functions_.ReportSignal();
    }
    return r;
}

template <class Cell>
int RideZodoz<Cell>::Signal() const
{
    std::lock_guard lock(mutex_);
    return indicator_.Get();
}

template <class Cell>
int RideZodoz<Cell>::SetConfig(unsigned program, const unsigned char* pattern, const unsigned char* format)
{
    if (!ValidSlot(program))
        return kBadSlot;
    const char* p = Text(pattern);
    const char* f = Text(format);
    if (std::strlen(p) > kPatternText || std::strlen(f) > kFormatText)
        return ride_zodoz_result::kFull;
    // Compiled aside, so that a refused text leaves the working program as it
    // was; the compilers' text buffers are process-wide.
    static std::mutex compiling;
    std::lock_guard compileLock(compiling);
    auto newPattern = std::make_unique<RideZodozPattern<Cell, 512>>(program);
    auto newFormat = std::make_unique<RideZodozFormat<Cell, 512>>(program);
    int r = newPattern->ConvertFromCString(p);
    if (r == 0)
        r = newFormat->ConvertFromCString(f);
    if (r != 0)
        return r;
    std::lock_guard lock(mutex_);
    Slot& slot = slots_[program];
    std::strcpy(slot.pattern, p);
    std::strcpy(slot.format, f);
    slot.compiledPattern = *newPattern;
    slot.compiledFormat = *newFormat;
    slot.usesSettings = CallsRegister(p) || CallsRegister(f);
    slot.enabled = true;
    return 0;
}

template <class Cell>
void RideZodoz<Cell>::ClearProgram(unsigned program)
{
    std::lock_guard lock(mutex_);
    if (ValidSlot(program))
        slots_[program].enabled = false;
}

template <class Cell>
unsigned RideZodoz<Cell>::Gs1OutputMode() const
{
    std::lock_guard lock(mutex_);
    return gs1Mode_;
}

template <class Cell>
void RideZodoz<Cell>::SetGs1OutputMode(unsigned mode)
{
    std::lock_guard lock(mutex_);
    gs1Mode_ = mode;
}

template <class Cell>
bool RideZodoz<Cell>::Texts(unsigned program, std::string& pattern, std::string& format) const
{
    std::lock_guard lock(mutex_);
    if (!ValidSlot(program))
        return false;
    pattern = slots_[program].pattern;
    format = slots_[program].format;
    return true;
}

template class RideZodoz<DecodeDataByte>;
