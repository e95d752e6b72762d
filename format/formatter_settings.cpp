#include "format/formatter_settings.h"

#include <mutex>

#include "config/configuration.h"
#include "format/formatter.h"
#include "format/prefix_suffix_map.h"

FormatterSettings FormatterSettings::Take(SymbologyIdentifier id)
{
    const SymbologyAffixHandles& affixes = SymbologyAffixHandlesOf(id);
    const auto& root = ivra_configuration::Root();
    FormatterSettings s;
    std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
    s.commonPrefix = root.string.common_prefix.Value();
    s.commonSuffix = root.string.common_suffix.Value();
    s.symbologyAffixes = affixes.prefix != nullptr || affixes.suffix != nullptr;
    if (affixes.prefix != nullptr)
        s.symbologyPrefix = affixes.prefix->Value();
    if (affixes.suffix != nullptr)
        s.symbologySuffix = affixes.suffix->Value();
    s.caseConversion = root.string.case_conversion.Value();
    s.cclSource = static_cast<unsigned>(root.character_conversion.ccl_source.Value());
    s.ignoreEci = root.string.ignore_eci_protocol.enable.Value();
    s.goodReadLedMs = root.indicator.led.good_read.time.Value();
    s.goodReadBeep = root.indicator.buzzer.good_read.enable.Value();
    s.timing = root.indicator.timing.Value();
    s.codabarForms = root.code.codabar.enable_abc_cx.Value();
    return s;
}

Formatter::SettingsScope::SettingsScope(Formatter& formatter)
    : formatter_(formatter), outermost_(!formatter.settingsTaken_)
{
    if (!outermost_)
        return;
    formatter_.settings_ = FormatterSettings::Take(formatter_.record_.symbologyIdentifier);
    formatter_.settingsTaken_ = true;
}

Formatter::SettingsScope::~SettingsScope()
{
    if (outermost_)
        formatter_.settingsTaken_ = false;
}
