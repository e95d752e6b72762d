#pragma once

// The legacy decode driver: one pass of the engine along one scan line. It
// records which symbologies may be read, turns the line into run lengths,
// offers it to the Han Xin finder loop and then to the common finder search,
// and calls the reader of the first finder reported.

struct POINT_st;

// One flag byte per symbology family: 0 QR Code or Micro QR, 2 MaxiCode,
// 3 Aztec or Aztec Runes, 8 Han Xin.
struct DECODE_EXEC_STATUS_st {
    unsigned char flag[10];
};
inline constexpr int kLegacyFlagQR = 0;
inline constexpr int kLegacyFlagMaxi = 2;
inline constexpr int kLegacyFlagAztec = 3;
inline constexpr int kLegacyFlagHanXin = 8;

// The decode record of one call.
struct NEW_DECODE_INFO_st {
    short word0;
    unsigned char regionNumber;  // 3: every decode region counts
    unsigned char searchMode;
    DECODE_EXEC_STATUS_st enables;
    short word16;
    unsigned char byte0;
    unsigned char lineKind;   // 2: a scan line
    unsigned char laplacian;  // 1: the finders use the sharpened runs
    int line[4];              // x0, y0, x1, y1
    int cleared;
};

// The region a line call reports: its kind (5; negated when nothing was
// read), the corners found, and the flag word set when QR Code, Micro QR or
// Han Xin is enabled.
struct LEGACY_LINE_REGION_st {
    int type;
    int cornerX[4];
    int cornerY[4];
    int secondX[4];
    int secondY[4];
    int flag;
};

extern int decodePhase;  // 1 once a finder of a live symbology was met
extern int current_region_id;
extern int lastDecodeResult;

// 0 when this pass filed a new read in the result table, 1 otherwise.
int TryDecodeOnLineForFix2DEx(NEW_DECODE_INFO_st* info, DECODE_EXEC_STATUS_st* handled, int x0, int y0, int x1,
                              int y1, LEGACY_LINE_REGION_st* region);
int TryDecodeOnLineEx(int mode, NEW_DECODE_INFO_st* info, DECODE_EXEC_STATUS_st* handled, int x0, int y0, int x1,
                      int y1, int* corners);
// -1 when nothing is enabled, else 0 once the line's runs are made.
int decmulti_runlength(DECODE_EXEC_STATUS_st const* enables, int* count, int x0, int y0, int x1, int y1, int mode);
// The reader's result byte (bit 7 clear: read) or 129.
int decmulti_all(DECODE_EXEC_STATUS_st const* enables, DECODE_EXEC_STATUS_st const* handled);
int multiple_decode_success(unsigned char r);

// The four central decode regions, from the image size.
void calc_decode_regions();
// 1 when the point lies inside a decode region up to current_region_id.
int point_in_valid_region(int x, int y);
int get_new_decode_laplacian();

void reset_multi00();  // engine start
void reset_multi01();  // per image
