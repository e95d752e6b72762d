#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/stacked/pdf417/micro_finder_column_data.h"

namespace DEC2DIvra {

namespace {

struct Ranked {
    unsigned index;
    unsigned votes;
    unsigned rows;
    unsigned columns;
};

// Most votes first; then fewer rows, fewer data columns, table order.
int CompareRanked(Ranked const& a, Ranked const& b)
{
    if (a.votes != b.votes) {
        return a.votes > b.votes ? 1 : -1;
    }
    if (a.rows != b.rows) {
        return a.rows < b.rows ? 1 : -1;
    }
    if (a.columns != b.columns) {
        return a.columns < b.columns ? 1 : -1;
    }
    return a.index < b.index ? 1 : (a.index > b.index ? -1 : 0);
}

}  // namespace

void MicroPDFVersionBallotBox::Load()
{
    for (unsigned& v : votes_) {
        v = 0;
    }
}

bool MicroPDFVersionBallotBox::GetVersion(bool keepFirst, MicroPDFVersionTable::Element& element) const
{
    Ranked ranked[MicroPDFVersionTable::kCount];
    for (unsigned i = 0; i < MicroPDFVersionTable::kCount; ++i) {
        MicroPDFVersionTable::Element const& e = MicroPDFVersionTable::table[i];
        ranked[i] = Ranked{i, votes_[i], e.rows, e.columns};
    }
    // Best first.
    DecMath::HeapSort(ranked, MicroPDFVersionTable::kCount, &CompareRanked);
    for (unsigned k = 0; k < MicroPDFVersionTable::kCount; ++k) {
        Ranked const& r = ranked[k];
        if (!MicroPDFVersionTable::table[r.index].IsEnableCount(r.votes)) {
            continue;
        }
        unsigned chosen = r.index;
        if (!keepFirst && k + 1 < MicroPDFVersionTable::kCount && ranked[k + 1].votes == r.votes &&
            ranked[k + 1].rows == r.rows) {
            chosen = ranked[k + 1].index;
        }
        element = MicroPDFVersionTable::table[chosen];
        return true;
    }
    return false;
}

}  // namespace DEC2DIvra
