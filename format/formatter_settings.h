#pragma once
// The settings one label is formatted with. Commands rewrite the store on their
// own threads under the command lock; the label thread copies what it needs
// under that lock once per label and formats the whole label from the copy, so
// a change reaches the next label whole, never half of this one. The copy is
// small: the common affixes, the affixes of the label's own symbology group and
// a handful of switches.

#include "config/key_tree.h"
#include "config/value_types.h"
#include "format/formatter_decode_data.h"

struct FormatterSettings {
    using Case = ivra_configuration::configuration::string::case_conversion::Enum;
    using Timing = ivra_configuration::configuration::indicator::timing::Enum;

    ivra_configuration::string_t<20> commonPrefix{};
    ivra_configuration::string_t<20> commonSuffix{};
    // Whether the label's symbology has a prefix/suffix group, and its texts.
    bool symbologyAffixes = false;
    ivra_configuration::string_t<4> symbologyPrefix{};
    ivra_configuration::string_t<4> symbologySuffix{};
    Case caseConversion = Case::NO_CASE_CONVERSION;
    unsigned cclSource = 0;
    bool ignoreEci = false;
    unsigned goodReadLedMs = 0;
    bool goodReadBeep = false;
    Timing timing = Timing::AFTER;
    unsigned codabarForms = 0; // bits of CodabarSymbol::kNormalForm, kAbcForm, kCxForm

    // The store's values now, copied under the command lock; `id` picks the
    // symbology group.
    static FormatterSettings Take(SymbologyIdentifier id);
};
