#include "decoder/legacy/engine/legacy_length_defaults.h"

#include <mutex>

#include "config/command_system.h"
#include "config/common_property_reference.h"
#include "config/key_tree.h"
#include "decoder/core/identifiers/tag_symbology.h"

namespace {

using ivra_configuration::FixedLength;
using LengthKey = ivra_configuration::ValueHandle<FixedLength>;

struct Settable {
    int codeId;
    LengthKey const* key;
};

Settable const* Table()
{
    auto const& f = ivra_configuration::CommonPropertyReference::RootHandle().fixed_length;
    static Settable const table[kFixedLengthSettableCount] = {
        {SYMBOLOGY_CODE39, &f.code39},
        {SYMBOLOGY_CODABAR, &f.codabar},
        {SYMBOLOGY_INDUSTRIAL2OF5, &f.industrial2of5},
        {SYMBOLOGY_INTERLEAVED2OF5, &f.interleaved2of5},
        {SYMBOLOGY_SCODE, &f.scode},
        {SYMBOLOGY_MATRIX2OF5, &f.matrix2of5},
        {SYMBOLOGY_IATA, &f.iata},
        {SYMBOLOGY_MSI_PLESSEY, &f.msi_plessey},
        {SYMBOLOGY_TELEPEN, &f.telepen},
        {SYMBOLOGY_UK_PLESSEY, &f.uk_plessey},
        {SYMBOLOGY_CODE128, &f.code128},
        {SYMBOLOGY_CODE93, &f.code93},
        {SYMBOLOGY_CODE11, &f.code11},
        {SYMBOLOGY_GS1_DATABAR, &f.gs1_databar_expanded},
        {SYMBOLOGY_CODABLOCK_F, &f.codablock_f},
        {SYMBOLOGY_DATA_MATRIX, &f.data_matrix},
        {SYMBOLOGY_AZTEC, &f.aztec_code},
        {SYMBOLOGY_HAN_XIN, &f.chinese_sensible_code},
        {SYMBOLOGY_QR_CODE, &f.qr_code},
        {SYMBOLOGY_MAXICODE, &f.maxi_code},
        {SYMBOLOGY_PDF417, &f.pdf417},
        {SYMBOLOGY_MICRO_PDF417, &f.micro_pdf417},
        {SYMBOLOGY_COMPOSITE, &f.composite},
        {SYMBOLOGY_CODE128, &f.gs1_128},
    };
    return table;
}

// Entry index's value with one part put back to the factory value.
template <class Part>
bool Reset(int index, Part part)
{
    if (index < 0 || index >= kFixedLengthSettableCount) {
        return false;
    }
    LengthKey const& key = *Table()[index].key;
    FixedLength value = key.Value();
    part(value, key.DefaultValue());
    return key.Set(value);
}

// `step` for every entry (codeId < 0) or for the entries of one symbology;
// false when one was refused or no entry has that number.
template <class Step>
bool ForEntries(int codeId, Step step)
{
    bool found = false;
    for (int i = 0; i < kFixedLengthSettableCount; ++i) {
        if (codeId < 0 || Table()[i].codeId == codeId) {
            found = true;
            if (!step(i)) {
                return false;
            }
        }
    }
    return found;
}

// Under the command lock, `change` and then the observers once; a change
// that fails part-way is undone whole.
template <class Change>
int Commit(Change change)
{
    std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
    ivra_configuration::ConfigurationManager& manager = ivra_configuration::CommandSystem::Instance().Manager();
    ivra_configuration::ConfigurationManager::Savepoint const savepoint = manager.Begin();
    if (!change()) {
        manager.RollBack(savepoint);
        return -1;
    }
    manager.Commit(savepoint);
    return manager.Update() ? 0 : -1;
}

}  // namespace

int GetFixedLengthSettableCodeId(int index)
{
    return index >= 0 && index < kFixedLengthSettableCount ? Table()[index].codeId : -1;
}

bool SetDefaultMaxLength_All_Sub(int index)
{
    return Reset(index, [](FixedLength& v, FixedLength const& d) { v.maximum = d.maximum; });
}

bool SetDefaultMinLength_All_Sub(int index)
{
    return Reset(index, [](FixedLength& v, FixedLength const& d) { v.minimum = d.minimum; });
}

bool SetDefaultFixLengthCommon_Sub(int index)
{
    return Reset(index, [](FixedLength& v, FixedLength const& d) {
        v.count = d.count;
        for (unsigned k = 0; k < FixedLength::Capacity; ++k) {
            v.lengths[k] = d.lengths[k];
        }
    });
}

bool SetDefaultFixLengthCommon() { return ForEntries(-1, SetDefaultFixLengthCommon_Sub); }

int SetDefaultMaxLength_All()
{
    return Commit([] { return ForEntries(-1, SetDefaultMaxLength_All_Sub); });
}

int SetDefaultMaxLength_Sel(int codeId)
{
    return codeId < 0 ? -1 : Commit([codeId] { return ForEntries(codeId, SetDefaultMaxLength_All_Sub); });
}

int SetDefaultMinLength_All()
{
    return Commit([] { return ForEntries(-1, SetDefaultMinLength_All_Sub); });
}

int SetDefaultMinLength_Sel(int codeId)
{
    return codeId < 0 ? -1 : Commit([codeId] { return ForEntries(codeId, SetDefaultMinLength_All_Sub); });
}

int SetDefaultFixLength_All() { return Commit(SetDefaultFixLengthCommon); }

int SetDefaultFixLength_Sel(int codeId)
{
    return codeId < 0 ? -1 : Commit([codeId] { return ForEntries(codeId, SetDefaultFixLengthCommon_Sub); });
}

int InitFixManMinLengthMenu()
{
    return Commit([] {
        return SetDefaultFixLengthCommon() && ForEntries(-1, SetDefaultMaxLength_All_Sub) &&
               ForEntries(-1, SetDefaultMinLength_All_Sub);
    });
}
