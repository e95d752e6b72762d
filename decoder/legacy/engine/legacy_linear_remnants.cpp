#include "decoder/legacy/engine/legacy_linear_remnants.h"

#include <cstring>

namespace {

constexpr int kLabelTypeWithValue = 28;
constexpr int kStartRuns = 8;
constexpr int kShortestRun = 27;  // in 1/32 pixel
constexpr int kRunOverMinimum = 18;
constexpr int kCallWrap = 200;

unsigned short callCount = 0;

void CountCall() { callCount = static_cast<unsigned short>((callCount + 1) % kCallWrap); }

}  // namespace

unsigned char barcode_result_buffer[kBarcodeResultBytes];
unsigned char* barcode_result_write = barcode_result_buffer;

int reset_1D() { return 0; }

void init_barcode_result(BARCODE_RESULT_st* result)
{
    *result = BARCODE_RESULT_st{};
    result->kind = kBarcodeRecordKind;
    result->status = kBarcodeNothingRead;
    result->result = kBarcodeNothingRead;
    result->direction = 1;
}

void init_line_barcode_info(LINE_BARCODE_INFO_st* info, POINT_st const* start, POINT_st const* end, int value)
{
    *info = LINE_BARCODE_INFO_st{};
    info->kind = kBarcodeRecordKind;
    info->status = kBarcodeNothingRead;
    info->value = value;
    info->one = 1;
    info->start = *start;
    info->end = *end;
    info->forwardPosition = -1;
    info->backwardPosition = -1;
}

int set_line_barcode_info(LINE_BARCODE_INFO_st* info, int length, int b, int forward, int d, POINT_st point)
{
    if (length < info->bestLength) {
        return 0;
    }
    info->forward = forward != 0 ? 1 : 0;
    info->bestLength = length;
    info->b = b;
    if (forward != 0) {
        info->forwardPosition = d;
        info->forwardPoint = point;
        info->backwardPosition = -1;
    } else {
        info->backwardPosition = d;
        info->backwardPoint = point;
        info->forwardPosition = -1;
    }
    return 1;
}

void set_barcode_result_label_type(BARCODE_RESULT_st* result, int type, int v, unsigned char const* p)
{
    bool const withValue = type == kLabelTypeWithValue;
    result->type[0] = withValue ? v : type;
    result->type[1] = type;
    result->type[2] = withValue ? v : type;
    std::memcpy(result->symbol, p, sizeof result->symbol);
}

int chk_barcode2(int* widest, int* narrowest, unsigned short const* runs, unsigned short const* end, int wideRatios)
{
    if (end - runs < kStartRuns) {
        return -1;
    }
    int minimum[2] = {runs[0], runs[1]};
    int maximum[2] = {runs[0], runs[1]};
    for (int i = 0; i < kStartRuns; ++i) {
        int const colour = i & 1;
        minimum[colour] = runs[i] < minimum[colour] ? runs[i] : minimum[colour];
        maximum[colour] = runs[i] > maximum[colour] ? runs[i] : maximum[colour];
    }
    *widest = maximum[0] > maximum[1] ? maximum[0] : maximum[1];
    *narrowest = minimum[0] < minimum[1] ? minimum[0] : minimum[1];
    int const smallerMaximum = maximum[0] < maximum[1] ? maximum[0] : maximum[1];
    int const largerMinimum = minimum[0] > minimum[1] ? minimum[0] : minimum[1];
    if (*narrowest * (wideRatios != 0 ? 8 : 6) < largerMinimum ||
        smallerMaximum * (wideRatios != 0 ? 35 : 8) < *widest) {
        return -1;
    }
    for (int i = 0; i < kStartRuns; ++i) {
        if (runs[i] <= kShortestRun || runs[i] > kRunOverMinimum * minimum[i & 1]) {
            return -1;
        }
    }
    return 0;
}

int mgn_skip2(unsigned short const** p, unsigned short const* end)
{
    if (end - *p - 1 > 7) {
        *p += 2;
        return 0;
    }
    *p += 1;
    return -1;
}

void calc_msho(signed char const* v, signed char n, unsigned short* s1, unsigned short* s2)
{
    int sum1 = 0;
    int sum2 = 0;
    for (int i = 1; i <= n; ++i) {
        sum1 += i * v[i - 1];
        sum2 += v[i - 1] + i * v[i - 1];
    }
    sum2 += n > 0 ? sum1 * (n + 2) : 0;
    *s1 = static_cast<unsigned short>(sum1);
    *s2 = static_cast<unsigned short>(sum2);
}

int generate_aim_codeID(unsigned char* out, char c, int m)
{
    if (m < 0 || m > 9) {
        return -1;
    }
    out[0] = ']';
    out[1] = static_cast<unsigned char>(c);
    out[2] = static_cast<unsigned char>('0' + m);
    out[3] = 0;
    return 0;
}

int get_char_width_barcode(unsigned short const* runs, int n)
{
    int sum = 0;
    for (int i = 0; i < n; ++i) {
        sum += runs[i];
    }
    return sum;
}

void set_barcode_result_buffer()
{
    barcode_result_buffer[0] = '{';
    barcode_result_write = barcode_result_buffer + 2;
}

int ex_decode_1char()
{
    set_barcode_result_buffer();
    return 0;
}

int ex_decode_finder(unsigned short* runs)
{
    set_barcode_result_buffer();
    // A first run shorter than 32 would wrap round to a run of nearly 65536.
    runs[0] = static_cast<unsigned short>(runs[0] > 32 ? runs[0] - 32 : 0);
    CountCall();
    return 0;
}

int ex_decode_1D()
{
    set_barcode_result_buffer();
    CountCall();
    return 0;
}

int ex_decode_call_count() { return callCount; }
