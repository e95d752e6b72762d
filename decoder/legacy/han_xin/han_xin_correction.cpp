#include "decoder/legacy/han_xin/han_xin_correction.h"

#include "decoder/legacy/engine/legacy_rs.h"

namespace {

// Alpha^1 is the code's first root.
constexpr int kFirstRootAlpha1 = 1;

int gLog256[256];
int gPower256[256];
int gLog16[16];
int gPower16[16];
bool gTablesBuilt = false;

bool Tables()
{
    if (!gTablesBuilt) {
        InitTables_CHINA();
    }
    return gTablesBuilt;
}

}  // namespace

void InitTables_CHINA()
{
    gTablesBuilt = BuildGFTables_COM(8, 0x163, gLog256, gPower256) && BuildGFTables_COM(4, 0x13, gLog16, gPower16);
}

int CorrectHanXinBlock(unsigned short* word, int n, int k, int reserve)
{
    if (!Tables()) {
        return -1;
    }
    return CorrectErrs_COM(kFirstRootAlpha1, word, gLog256, gPower256, 256, n, k, 0, nullptr, reserve);
}

int CorrectHanXinFunctionWord(unsigned short* word, int n, int k, int reserve)
{
    if (!Tables()) {
        return -1;
    }
    return CorrectErrs_COM(kFirstRootAlpha1, word, gLog16, gPower16, 16, n, k, 0, nullptr, reserve);
}
