#include "decoder/legacy/maxicode/maxi_reader.h"

#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_settings_bridge.h"
#include "decoder/legacy/maxicode/maxi_finder.h"
#include "decoder/legacy/maxicode/maxi_grid.h"
#include "decoder/legacy/maxicode/maxi_message.h"
#include "decoder/legacy/maxicode/maxi_module_location.h"
#include "decoder/legacy/maxicode/maxi_turned_grid.h"

unsigned char* MAX_ans;
int MAX_ans_cnt;
int total_CWD;

namespace {

constexpr int kMaxiTotalCodewords = 144;

MaxiGrid g_grid;
MaxiMessage g_message;
MULTIPLE_LABEL_st g_entry;
int g_mode;
char g_aim[4];

// Per symbol: the structured-append flags of the symbol being read.
void ResetSymbol()
{
    cur_StructFlag_MX = 0;
    StructFlag_MX = 0;
    Err_n = 0;
    max_anl_total_CWD = 0;
    max_anl_total_repair_CWD = 0;
}

// Files the outcome; a read counts only once it is in the good table.
int File(int result, int const* xs, int const* ys)
{
    STRUCT_APPEND_st sa;
    init_struct_append(&sa);
    bool const read = result != kLegacyNothing;
    if (read && cur_StructFlag_MX == 1) {
        sa.kind = kLegacyMaxiCodeAppend;
        sa.word1 = g_message.mode;
        sa.firstValue = StructParity_MX;
        sa.secondValue = StructNo_MX - 1;
        sa.thirdValue = StructBo_MX;
        sa.further[0] = g_message.eci;
        sa.present = 1;
    }
    if (read) {
        MX_determine_AIM_ID(g_message.mode, g_message.eci);
    }
    set_result2multiple_label(&g_entry, &sa, xs, ys, read ? MAX_ans : nullptr,
                              read ? g_message.text + kMaxiTextCapacity - 1 : nullptr, read ? MAX_ans_cnt : 0,
                              read ? reinterpret_cast<signed char const*>(g_aim) : nullptr, kLegacyMaxiCode, result,
                              kLegacyNothing);
    determine_multiple_label_status(&g_entry);
    if (!read) {
        g_entry.status = 3;
    }
    int const filed = register_multiple_label_data(&g_entry);
    return read && filed == 0 ? result : kLegacyNothing;
}

// A corner coordinate, kept within reach of the frame.
int Pixel(float v) { return static_cast<int>(v > -4096 ? (v < 4096 ? v : 4096) : -4096); }

// One grid road's attempts (four for an outline traced all round, else
// two): 23, 24 or 129.
int ReadAttempts(int (*locate)(int, int, int, int, int, int, int))
{
    MaxiBullsEye const& e = finder_MX.eye;
    int const attempts = finder_MX.completeOutline != 0 ? 4 : 2;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (locate(static_cast<int>(e.x), static_cast<int>(e.y), static_cast<int>(e.top), static_cast<int>(e.bottom),
                   static_cast<int>(e.left), static_cast<int>(e.right), attempt) != 0) {
            return kLegacyNothing;
        }
        for (int r = 0; r < kMaxiRows; ++r) {
            for (int c = 0; c < kMaxiColumns; ++c) {
                MaxiPoint16 const& p = Modl[kMaxiLines * r + c];
                g_grid.x[r][c] = static_cast<float>(p.x) / 65536.0f + 0.5f;
                g_grid.y[r][c] = static_cast<float>(p.y) / 65536.0f + 0.5f;
                g_grid.modules[r * kMaxiColumns + c] = MX_bits[r * kMaxiColumns + c] == '1' ? 1 : 0;
            }
        }
        ResetSymbol();
        int const result = DecodeMaxiModules(g_grid.modules, GetIgnoreECIProtocol(), g_message);
        if (result != kLegacyNothing) {
            return result;
        }
    }
    return kLegacyNothing;
}

// The grid grown from the clusters found degree by degree, then the grid
// placed by turning the whole orientation pattern.
int ReadClusterGrid()
{
    if (finder_MX.eye.inverted) {
        return kLegacyNothing;  // the clusters are found dark on light
    }
    int const result = ReadAttempts(ModuleLocation);
    return result != kLegacyNothing ? result : ReadAttempts(LocateTurnedGrid);
}

int Fail()
{
    return File(kLegacyNothing, finder_MX.cornerX, finder_MX.cornerY);
}

}  // namespace

int GetMaxiMode() { return g_mode; }

int MX_determine_AIM_ID(int mode, int eci)
{
    int modifier = (mode == 0 || mode == 2 || mode == 3) ? 1 : 0;
    if (eci != 0 && mode != 6) {
        modifier += 2;
    }
    g_aim[0] = ']';
    g_aim[1] = 'U';
    g_aim[2] = static_cast<char>('0' + modifier);
    g_aim[3] = 0;
    set_aim_codeID(g_aim, 4, eci);
    return 0;
}

int dec_maxi2(int mode)
{
    (void)mode;
    ResetSymbol();
    total_CWD = 0;
    MAX_ans = nullptr;
    MAX_ans_cnt = 0;
    if (GetMaxiEnable() == 0 || finder_MX.failed != 0) {
        return Fail();
    }
    // The cluster grid first; the placed grid reads what it does not.
    int result = ReadClusterGrid();
    DEC2DIvra::GrayImage const image = MaxiFrame();
    for (int attempt = 0; attempt < kMaxiGridAttempts && result == kLegacyNothing; ++attempt) {
        // The runner-up turn only for an outline traced all round.
        if (finder_MX.completeOutline == 0 && attempt >= kMaxiSamplings && attempt < 2 * kMaxiSamplings) {
            continue;
        }
        int const located = LocateMaxiGrid(image, finder_MX.eye, attempt, g_grid);
        if (located == 1) {
            break;
        }
        if (located != 0) {
            continue;
        }
        ResetSymbol();
        result = DecodeMaxiModules(g_grid.modules, GetIgnoreECIProtocol(), g_message);
    }
    if (result == kLegacyNothing || CheckMaxiLength(static_cast<unsigned>(g_message.length)) == 0) {
        return Fail();
    }
    g_mode = g_message.mode;
    total_CWD = kMaxiTotalCodewords;
    MAX_ans = g_message.text;
    MAX_ans_cnt = g_message.length;
    // Corners: modules (32, 29), (32, 0), (0, 0), (0, 29).
    constexpr int kCorner[4][2] = {{32, 29}, {32, 0}, {0, 0}, {0, 29}};
    int xs[4];
    int ys[4];
    for (int k = 0; k < 4; ++k) {
        xs[k] = Pixel(g_grid.x[kCorner[k][0]][kCorner[k][1]]);
        ys[k] = Pixel(g_grid.y[kCorner[k][0]][kCorner[k][1]]);
    }
    return File(result, xs, ys);
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
    ForgetModuleLocation();
}

void reset_max02() { finder_MX.failed = 0; }
