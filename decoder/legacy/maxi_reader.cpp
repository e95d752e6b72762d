#include "decoder/legacy/maxi_reader.h"

#include "decoder/legacy/legacy_settings_bridge.h"
#include "decoder/legacy/maxi_finder.h"
#include "decoder/legacy/maxi_grid.h"

namespace {

MaxiLabel g_label;
MaxiGrid g_grid;
MaxiMessage g_message;
int g_mode;

// Corners of the read symbol: modules (32, 29), (32, 0), (0, 0), (0, 29).
void GridCorners()
{
    constexpr int kCorner[4][2] = {{32, 29}, {32, 0}, {0, 0}, {0, 29}};
    for (int k = 0; k < 4; ++k) {
        g_label.cornerX[k] = static_cast<int>(g_grid.x[kCorner[k][0]][kCorner[k][1]]);
        g_label.cornerY[k] = static_cast<int>(g_grid.y[kCorner[k][0]][kCorner[k][1]]);
    }
}

int Fail()
{
    g_label.count = 0;
    g_label.data[0] = 0;
    g_label.result = 129;
    g_label.structured = 0;
    for (int k = 0; k < 4; ++k) {
        g_label.cornerX[k] = finder_MX.cornerX[k];
        g_label.cornerY[k] = finder_MX.cornerY[k];
    }
    return 129;
}

// Per symbol: the structured-append flags of the symbol being read.
void ResetSymbol()
{
    cur_StructFlag_MX = 0;
    StructFlag_MX = 0;
    Err_n = 0;
}

}  // namespace

MaxiLabel const& GetMaxiLabel() { return g_label; }

int GetMaxiMode() { return g_mode; }

int MX_determine_AIM_ID(int mode, int eci)
{
    int modifier = (mode == 0 || mode == 2 || mode == 3) ? 1 : 0;
    if (eci != 0 && mode != 6) {
        modifier += 2;
    }
    g_label.aim[0] = ']';
    g_label.aim[1] = 'U';
    g_label.aim[2] = static_cast<char>('0' + modifier);
    g_label.aim[3] = 0;
    return 0;
}

int dec_maxi2(int mode)
{
    (void)mode;
    ResetSymbol();
    if (GetMaxiEnable() == 0 || finder_MX.failed != 0) {
        return Fail();
    }
    DEC2DIvra::GrayImage const& image = GetMaxiImage();
    int const attempts = finder_MX.completeOutline != 0 ? 4 : 2;
    int result = 129;
    for (int attempt = 0; attempt < attempts && result == 129; ++attempt) {
        if (LocateMaxiGrid(image, finder_MX.eye, attempt, g_grid) != 0) {
            break;
        }
        ResetSymbol();
        result = DecodeMaxiModules(g_grid.modules, GetIgnoreECIProtocol(), g_message);
    }
    if (result == 129 || CheckMaxiLength(static_cast<unsigned>(g_message.length)) == 0) {
        return Fail();
    }
    g_mode = g_message.mode;
    g_label.count = g_message.length;
    for (int i = 0; i <= g_message.length; ++i) {
        g_label.data[i] = g_message.text[i];
    }
    g_label.mode = g_message.mode;
    g_label.eci = g_message.eci;
    g_label.result = result;
    g_label.structured = cur_StructFlag_MX;
    g_label.position = StructNo_MX;
    g_label.total = StructBo_MX;
    MX_determine_AIM_ID(g_message.mode, g_message.eci);
    GridCorners();
    return result;
}

void reset_max00()
{
    InitTables_mx();
    BuildMaxiBitInverse();
    clear_Bo_MX();
    reset_max01();
}

void reset_max01()
{
    ResetSymbol();
    ResetMaxiTried();
}

void reset_max02() { finder_MX.failed = 0; }
