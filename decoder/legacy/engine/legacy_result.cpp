#include "decoder/legacy/engine/legacy_result.h"

#include <cstring>
#include <initializer_list>

#include "decoder/legacy/engine/legacy_result_modes.h"
#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/engine/legacy_switch.h"
#include "decoder/legacy/engine/legacy_symbol_region_queue.h"

MULTIPLE_LABEL_st multiple_label[kLegacyResultEntries];
MULTIPLE_LABEL_st error_multiple_label[kLegacyResultEntries];
int multiple_label_count = 0;
int error_multiple_label_count = 0;

namespace {

unsigned char ans_DATA16[kLegacyResultEntries][kLegacyAnswerBytes];
unsigned char ans_DATA16_1d[kLegacyResultEntries][kLegacyLinearAnswerBytes];
int multiple_label_aux[kLegacyResultEntries][11];

// MaxiCode structured append: the data of each position seen.
unsigned char maxi_sequence[kLegacyMaxiSequenceSlots][kLegacyMaxiSequenceBytes];
int maxi_sequence_length[kLegacyMaxiSequenceSlots];

// The running sequence.
int running_kind = kLegacyNothing;
int running_count = 0;
int running_symbols = 0;

char aim_code[17];
int aim_eci = 0;

// Maker code characters by result code (and Han Xin's sub-code).
char const ZAKtypeBB[] =
    "?BBCAADBVRONUTZPWrruuttvv?\077\077\077\077gsymnlTca?ooshjgQYQdVtieE?b10234567";
char const kExtendedMaker[] = "?LLFJJHL?MMGKKIM";

constexpr int kBrightBlocksPercent = 1280;  // of 256 blocks, x 100: 13 or more

// Counts the 2 x 2 blocks at or above the bright limit over a 16 x 16 lattice
// between the corners; their mean position goes to (mx, my).
int CountBrightBlocks(int const* xs, int const* ys, int limit, int* mx, int* my)
{
    int bright = 0;
    long sx = 0;
    long sy = 0;
    int const w = decode_image_info.sampleWidth;
    int const h = decode_image_info.sampleHeight;
    for (int j = 0; j < 16; ++j) {
        for (int i = 0; i < 16; ++i) {
            // Bilinear between corners 0, 1, 2, 3 (cell centres).
            int const u = 2 * i + 1;
            int const v = 2 * j + 1;
            int const x = ((32 - u) * (32 - v) * xs[0] + u * (32 - v) * xs[1] + u * v * xs[2] + (32 - u) * v * xs[3]) /
                          1024;
            int const y = ((32 - u) * (32 - v) * ys[0] + u * (32 - v) * ys[1] + u * v * ys[2] + (32 - u) * v * ys[3]) /
                          1024;
            if (x < 1 || y < 1 || x + 2 >= w || y + 2 >= h) {
                continue;
            }
            int const mean =
                (ImgGrayValue(x, y) + ImgGrayValue(x + 1, y) + ImgGrayValue(x, y + 1) + ImgGrayValue(x + 1, y + 1)) / 4;
            if (mean >= limit) {
                ++bright;
                sx += x;
                sy += y;
            }
        }
    }
    if (bright > 0) {
        *mx = static_cast<int>(sx / bright);
        *my = static_cast<int>(sy / bright);
    }
    return bright;
}

void AttachEntryBuffers(MULTIPLE_LABEL_st* e, int n)
{
    e->aux = multiple_label_aux[n];
    e->linearData = ans_DATA16_1d[n];
    e->linearDataEnd = ans_DATA16_1d[n] + kLegacyLinearAnswerBytes - 1;
    e->data = ans_DATA16[n];
    e->dataEnd = ans_DATA16[n] + kLegacyAnswerBytes - 1;
    e->structAppend.dataEnd = e->dataEnd;
}

bool IsEntryBuffer(unsigned char const* p)
{
    unsigned char const* begin = &ans_DATA16[0][0];
    return p >= begin && p < begin + sizeof(ans_DATA16);
}

}  // namespace

void init_struct_append(STRUCT_APPEND_st* sa)
{
    *sa = STRUCT_APPEND_st{};
    sa->kind = kLegacyNothing;
    sa->comparison = kLegacyNothing;
}

void invalidate_multiple_label(MULTIPLE_LABEL_st* e)
{
    e->data = e->dataEnd = nullptr;
    e->linearData = e->linearDataEnd = nullptr;
    e->dataLength = e->linearLength = 0;
    e->outputFlag = e->linearFlag = 0;
    e->structAppend.present = 0;
    e->structAppend.dataEnd = nullptr;
    e->auxCount = 0;
    e->aux = nullptr;
    e->closingFlag = 0;
}

void copy_multiple_label(MULTIPLE_LABEL_st* dst, MULTIPLE_LABEL_st const* src)
{
    dst->labelType = src->labelType;
    dst->status = src->status;
    dst->reason = src->reason;
    std::memcpy(dst->cornerX, src->cornerX, sizeof dst->cornerX);
    std::memcpy(dst->cornerY, src->cornerY, sizeof dst->cornerY);
    std::memcpy(dst->geometry, src->geometry, sizeof dst->geometry);
    dst->auxCount = src->auxCount;
    if (dst->aux != nullptr && src->aux != nullptr) {
        int const n = src->auxCount < 11 ? (src->auxCount < 0 ? 0 : src->auxCount) : 11;
        std::memcpy(dst->aux, src->aux, n * sizeof(int));
        dst->auxCount = n;
    } else {
        dst->aux = src->aux;
    }
    unsigned char* const saEnd = dst->structAppend.dataEnd;
    dst->structAppend = src->structAppend;
    dst->structAppend.dataEnd = saEnd;
    std::memcpy(dst->linearCode, src->linearCode, sizeof dst->linearCode);
    dst->linearWord = src->linearWord;
    dst->linearFlag = src->linearFlag;
    dst->linearLength = 0;
    dst->resultCode = src->resultCode;
    dst->subCode = src->subCode;
    dst->technology = src->technology;
    dst->makerCode = src->makerCode;
    std::memcpy(dst->aim, src->aim, sizeof dst->aim);
    dst->outputFlag = src->outputFlag;
    if (dst->data != nullptr && IsEntryBuffer(dst->data)) {
        int const n = src->dataLength < 0 ? 0 : src->dataLength;
        int const kept = n > kLegacyAnswerBytes ? kLegacyAnswerBytes : n;
        if (src->data != nullptr && kept > 0) {
            std::memmove(dst->data, src->data, kept);
        }
        dst->dataLength = kept;
    } else {
        dst->data = src->data;
        dst->dataLength = src->dataLength;
    }
    dst->symbologyNumber = src->symbologyNumber;
    dst->closingFlag = src->closingFlag;
}

unsigned char ZAKcodeID(unsigned char r, unsigned char s)
{
    if (r > 24) {
        if (r == 28) {
            return s <= 65 ? static_cast<unsigned char>(ZAKtypeBB[s]) : '?';
        }
        switch ((r >> 5) & 3) {
        case 1:
            return static_cast<unsigned char>(kExtendedMaker[r & 7]);
        case 2:
            return static_cast<unsigned char>(kExtendedMaker[8 + (r & 7)]);
        default:
            return '?';
        }
    }
    return static_cast<unsigned char>(ZAKtypeBB[r]);
}

int set_result2multiple_label(MULTIPLE_LABEL_st* work, STRUCT_APPEND_st const* sa, int const* xs, int const* ys,
                              unsigned char* data, unsigned char* data_end, int length, signed char const* aim,
                              int label_type, int result_code, int subcode)
{
    invalidate_multiple_label(work);
    for (int k = 0; k < 4; ++k) {
        work->cornerX[k] = xs[k];
        work->cornerY[k] = ys[k];
    }
    work->status = kLegacyStatusRead;
    work->labelType = label_type;
    work->reason = kLegacyReasonNormal;
    if (sa != nullptr) {
        work->structAppend = *sa;
        work->structAppend.dataEnd = nullptr;
    } else {
        init_struct_append(&work->structAppend);
    }
    work->data = data;
    work->dataEnd = data_end;
    work->dataLength = length < 0 ? 0 : length;
    if (aim != nullptr) {
        std::memcpy(work->aim, aim, 3);
        work->aim[3] = '\0';
    } else {
        std::memset(work->aim, 0, sizeof work->aim);
    }
    work->resultCode = static_cast<unsigned char>(result_code);
    work->subCode = static_cast<unsigned char>(subcode);
    bool const maxi = result_code == kLegacyMaxiCode || result_code == kLegacyMaxiCodeAppend;
    work->technology = maxi ? '%' : 0;
    work->symbologyNumber = maxi ? 49 : (result_code == 28 && subcode == kLegacyHanXin ? 46 : 0);
    work->makerCode = ZAKcodeID(work->resultCode, work->subCode);
    work->linearFlag = 0;
    work->aux = nullptr;
    work->auxCount = 0;
    work->outputFlag = 1;
    work->linearCode[0] = work->linearCode[1] = kLegacyNothing;
    if ((result_code & 0x80) != 0) {
        work->status = kLegacyStatusFailed;
    }
    return work->makerCode;
}

int reflection_exist(int const* xs, int const* ys)
{
    int m = decode_image_info.currentMaxValue + 30;
    m = m < 920 ? 920 : m;
    int const limit = m > 1000 ? 1000 : m;
    int mx = 0;
    int my = 0;
    int const first = CountBrightBlocks(xs, ys, limit, &mx, &my);
    if (first == 0) {
        return 0;
    }
    if (first * 100 > kBrightBlocksPercent) {
        return 1;
    }
    // The quadrilateral shrunk by half towards corner 0, moved onto the
    // bright blocks.
    int sx[4];
    int sy[4];
    int cx = 0;
    int cy = 0;
    for (int k = 0; k < 4; ++k) {
        sx[k] = xs[0] + (xs[k] - xs[0]) / 2;
        sy[k] = ys[0] + (ys[k] - ys[0]) / 2;
        cx += sx[k];
        cy += sy[k];
    }
    for (int k = 0; k < 4; ++k) {
        sx[k] += mx - cx / 4;
        sy[k] += my - cy / 4;
    }
    int ignoredX = 0;
    int ignoredY = 0;
    return CountBrightBlocks(sx, sy, limit, &ignoredX, &ignoredY) * 100 > kBrightBlocksPercent ? 1 : 0;
}

namespace {

// The image centre lies in the symbol (its corners moved by the image
// offsets), or the symbol's centre lies in the 120 x 120 box about it.
bool CoversTheCentre(MULTIPLE_LABEL_st const& e)
{
    tagTetragon_t symbol{};
    for (int k = 0; k < 4; ++k) {
        symbol.corner[k] = {e.cornerX[k] + decode_image_info.offsetX, e.cornerY[k] + decode_image_info.offsetY};
    }
    tagPoint_t const centre{320, 240};
    if (PointIsNearTetragon(&centre, &symbol, 0) != 0) {
        return true;
    }
    int const cx = (e.cornerX[0] + e.cornerX[1] + e.cornerX[2] + e.cornerX[3]) / 4;
    int const cy = (e.cornerY[0] + e.cornerY[1] + e.cornerY[2] + e.cornerY[3]) / 4;
    return cx >= 260 && cx <= 380 && cy >= 180 && cy <= 300;
}

}  // namespace

int determine_multiple_label_status(MULTIPLE_LABEL_st* e)
{
    e->heldBack = 0;
    if ((e->linearCode[0] & 0x80) != 0 && (e->resultCode & 0x80) != 0) {
        e->status = kLegacyStatusFailed;
        if (reflection_exist(e->cornerX, e->cornerY) != 0) {
            e->reason = kLegacyReasonReflection;
            e->outputFlag = 0;
        } else {
            e->reason = kLegacyReasonNormal;
        }
        return kLegacyNothing;
    }
    if (e->resultCode == 29) {
        e->reason = kLegacyReasonNormal;
        return 29;
    }
    if ((GetXSW(195) & 0x80) != 0) {
        int const cx = (e->cornerX[0] + e->cornerX[1] + e->cornerX[2] + e->cornerX[3]) / 4;
        int const cy = (e->cornerY[0] + e->cornerY[1] + e->cornerY[2] + e->cornerY[3]) / 4;
        if (cx < GetXSWWord(98) || cx > GetXSWWord(100) || cy < GetXSWWord(99) || cy > GetXSWWord(101)) {
            e->reason = kLegacyReasonOutsideWindow;
            e->outputFlag = 0;
            return kLegacyNothing;
        }
    }
    if (is_enabled_read_center() != 0 && !CoversTheCentre(*e)) {
        e->reason = kLegacyReasonOutsideCentre;
        e->outputFlag = 0;
        return kLegacyNothing;
    }
    if (e->reason == kLegacyReasonNormal && get_target_multiple_label_count() == 1) {
        if (e->structAppend.present == 1) {
            running_kind = e->structAppend.kind;
            e->structAppend.comparison = 4;
            if (running_symbols == 0) {
                running_symbols = e->structAppend.thirdValue;
            }
            ++running_count;
        } else {
            running_kind = kLegacyNothing;
            running_symbols = 0;
            running_count = 0;
        }
    }
    return kLegacyNothing;
}

int register_error_multiple_label_data(MULTIPLE_LABEL_st* e)
{
    if (error_multiple_label_count >= kLegacyResultEntries) {
        return -1;
    }
    MULTIPLE_LABEL_st* dst = &error_multiple_label[error_multiple_label_count];
    invalidate_multiple_label(dst);
    // Error entries keep no data of their own.
    copy_multiple_label(dst, e);
    dst->data = nullptr;
    dst->dataLength = 0;
    dst->geometry[6] = dst->geometry[7] = 0;
    ++error_multiple_label_count;
    return 0;
}

int register_multiple_label_data(MULTIPLE_LABEL_st* e)
{
    bool const heldBack = e->resultCode == 29 || e->resultCode == 30;
    bool const good = e->status == kLegacyStatusRead && e->reason == kLegacyReasonNormal;
    // A read longer than an entry's buffer is never cut short: it is filed as
    // not entered.
    bool const fits = e->dataLength <= kLegacyAnswerBytes;
    if ((heldBack || good) && fits && multiple_label_count < kLegacyResultEntries) {
        int const n = multiple_label_count;
        MULTIPLE_LABEL_st* dst = &multiple_label[n];
        AttachEntryBuffers(dst, n);
        STRUCT_APPEND_st const& sa = e->structAppend;
        if (sa.present == 1 && sa.kind == kLegacyMaxiCodeAppend && sa.secondValue >= 0 &&
            sa.secondValue < kLegacyMaxiSequenceSlots && e->data != nullptr) {
            int const kept = e->dataLength < kLegacyMaxiSequenceBytes ? e->dataLength : kLegacyMaxiSequenceBytes;
            std::memcpy(maxi_sequence[sa.secondValue], e->data, kept);
            maxi_sequence_length[sa.secondValue] = kept;
        }
        copy_multiple_label(dst, e);
        dst->heldBack = heldBack ? 1 : 0;
        ++multiple_label_count;
        return 0;
    }
    if (good || heldBack) {
        e->reason = multiple_label_count >= kLegacyResultEntries || !fits ? kLegacyReasonTableFull
                                                                          : kLegacyReasonHeldBack;
    }
    register_error_multiple_label_data(e);
    return -1;
}

void set_aim_codeID(char const* aim, int length, int eci)
{
    int const n = length < 0 ? 0 : (length > 16 ? 16 : length);
    std::memcpy(aim_code, aim, n);
    aim_code[n] = '\0';
    aim_eci = eci;
}

char const* get_aim_codeID() { return aim_code; }

int double_backslash_ECI(unsigned char* data, int* length, int capacity)
{
    int const n = *length;
    int backslashes = 0;
    for (int i = 0; i < n; ++i) {
        backslashes += data[i] == '\\' ? 1 : 0;
    }
    if (n + backslashes > capacity) {
        return -1;
    }
    // From the end, so the data can grow in place.
    int w = n + backslashes;
    for (int i = n - 1; i >= 0; --i) {
        data[--w] = data[i];
        if (data[i] == '\\') {
            data[--w] = '\\';
        }
    }
    *length = n + backslashes;
    return 0;
}

void reset_multiple_label()
{
    if (is_decmulti_multiple_label_mode() == 0 && is_decmulti_struct_append_mode() == 0) {
        multiple_label_count = 0;
        error_multiple_label_count = 0;
    }
    for (MULTIPLE_LABEL_st* table : {multiple_label, error_multiple_label}) {
        for (int i = 0; i < kLegacyResultEntries; ++i) {
            std::memset(table[i].cornerX, 0, sizeof table[i].cornerX);
            table[i].geometry[6] = table[i].geometry[7] = 0;
        }
    }
}

void reset_multiple_label_count() { reset_multiple_label(); }

void force_reset_multiple()
{
    multiple_label_count = 0;
    error_multiple_label_count = 0;
    reset_multiple_label();
}

void reset_struct_append()
{
    running_kind = kLegacyNothing;
    disable_decmulti_struct_append();
    std::memset(maxi_sequence_length, 0, sizeof maxi_sequence_length);
    for (int i = 0; i < kLegacyResultEntries; ++i) {
        multiple_label[i].structAppend.comparison = kLegacyNothing;
        multiple_label[i].structAppend.present = 0;
    }
}

void disable_decmulti_struct_append()
{
    running_count = 0;
    running_symbols = 0;
}

int get_target_multiple_label_count() { return 1; }

int point_in_multiple_label_area(int, int, int) { return 0; }

unsigned char const* GetMaxiSequenceData(int position, int* length)
{
    if (position < 0 || position >= kLegacyMaxiSequenceSlots) {
        *length = 0;
        return nullptr;
    }
    *length = maxi_sequence_length[position];
    return maxi_sequence[position];
}
