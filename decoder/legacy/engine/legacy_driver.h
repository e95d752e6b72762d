#pragma once

// The legacy decode driver: one pass of the engine along one scan line. It
// records which symbologies may be read, turns the line into run lengths,
// offers it to the Han Xin finder loop and then to the common finder search,
// and calls the reader of the first finder reported.

struct POINT_st;
struct PICLINE_INFO;
struct tagGrayImage_t;
struct tagSymbolRegion;

// One flag byte per symbology family: 0 QR Code or Micro QR, 1 Data Matrix,
// 2 MaxiCode, 3 Aztec or Aztec Runes, 4 PDF417, 5 MicroPDF417, 8 Han Xin.
// Only MaxiCode and Han Xin have a reader in this engine.
struct DECODE_EXEC_STATUS_st {
    unsigned char flag[10];
};
inline constexpr int kLegacyFlagQR = 0;
inline constexpr int kLegacyFlagDataMatrix = 1;
inline constexpr int kLegacyFlagMaxi = 2;
inline constexpr int kLegacyFlagAztec = 3;
inline constexpr int kLegacyFlagPDF417 = 4;
inline constexpr int kLegacyFlagMicroPDF417 = 5;
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

extern int decodePhase;  // 1 once a finder of a live symbology was met
extern int current_region_id;
extern int lastDecodeResult;

// The passes read the call's decode record and already-handled flags from
// the image record (InitializeGrayImage).
// 0 when this pass filed a new read in the result table, 1 otherwise. The
// region's kind stays; its tetragon receives the corners of the read and its
// in-use word is 1 when QR Code, Micro QR or Han Xin is enabled.
NEW_DECODE_INFO_st* BeginRegionDecode(tagGrayImage_t* image, tagSymbolRegion* region);
int TryDecodeOnLineForFix2DEx(tagGrayImage_t* image, int x0, int y0, int x1, int y1, tagSymbolRegion* region);
// One pass along the line; on a read, corners = x0, y0, ..., x3, y3 of it.
int TryDecodeOnLineEx(int mode, tagGrayImage_t* image, int x0, int y0, int x1, int y1, int* corners);
// -1 when nothing is enabled, else 0 once the line's runs are made.
int decmulti_runlength(DECODE_EXEC_STATUS_st const* enables, int* count, int x0, int y0, int x1, int y1, int mode);
// The reader's result byte (bit 7 clear: read) or 129, for the line of the
// line record: the Han Xin finder loop first, then the common finder search.
int decmulti_all(DECODE_EXEC_STATUS_st const* enables, DECODE_EXEC_STATUS_st const* handled, PICLINE_INFO* line);
int decmulti_all_next(DECODE_EXEC_STATUS_st const* enables, DECODE_EXEC_STATUS_st const* handled,
                      PICLINE_INFO* line);
int multiple_decode_success(unsigned char r);
// After a failed Han Xin read: 1 when the centre of an error entry of
// status 3 or 4 lies in the smallest decode region. The centres are kept in
// the entries (their last two geometry words).
int is_almost_decoded();

// The four central decode regions, from the image size.
void calc_decode_regions();
// 1 when the point lies inside a decode region up to current_region_id.
int point_in_valid_region(int x, int y);
int get_new_decode_laplacian();

void reset_multi00();  // engine start
void reset_multi01();  // per image
// The line records attached to their buffers, and no runs of an earlier
// line left in them.
void clear_ahead_runlength();
