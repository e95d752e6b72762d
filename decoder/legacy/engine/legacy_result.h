#pragma once

// The engine's result table. Every reader reports its outcome, good or bad,
// as one record; this layer completes it (maker code, identifier codes),
// judges it (failure with or without a specular reflection, structured-append
// bookkeeping) and files it: good reads into `multiple_label`, failures into
// `error_multiple_label`. The readers call, in order, init_struct_append,
// set_result2multiple_label, determine_multiple_label_status and
// register_multiple_label_data.

inline constexpr int kLegacyResultEntries = 20;
inline constexpr int kLegacyAnswerBytes = 8000;
inline constexpr int kLegacyLinearAnswerBytes = 123;
inline constexpr int kLegacyMaxiSequenceSlots = 8;
inline constexpr int kLegacyMaxiSequenceBytes = 150;

// Label types and reader result codes.
// Label types of the QR family (19, 20 and 44), Data Matrix (21, 22) and
// Aztec (40, 41); no reader of this engine files them, the adapter still
// names them.
inline constexpr int kLegacyQR = 19;
inline constexpr int kLegacyQRAppend = 20;
inline constexpr int kLegacyQRModel1 = 44;
inline constexpr int kLegacyDataMatrix = 21;
inline constexpr int kLegacyDataMatrixAppend = 22;
inline constexpr int kLegacyAztec = 40;
inline constexpr int kLegacyAztecRune = 41;
inline constexpr int kLegacyMaxiCode = 23;
inline constexpr int kLegacyMaxiCodeAppend = 24;
inline constexpr int kLegacyHanXin = 53;
inline constexpr int kLegacyNothing = 129;

// Entry status and reasons.
inline constexpr int kLegacyStatusRead = 5;
inline constexpr int kLegacyStatusFailed = 2;
inline constexpr int kLegacyReasonNormal = 11;
inline constexpr int kLegacyReasonReflection = 5;
inline constexpr int kLegacyReasonOutsideCentre = 8;
inline constexpr int kLegacyReasonHeldBack = 9;
inline constexpr int kLegacyReasonTableFull = 14;
inline constexpr int kLegacyReasonOutsideWindow = 15;

struct STRUCT_APPEND_st {
    int kind;  // 129: none; 24 MaxiCode
    int word1;
    int firstValue;  // message id or parity
    unsigned char* dataEnd;
    int secondValue;  // position - 1
    int thirdValue;   // number of symbols
    int dataLength;
    int comparison;  // 129 fresh, 4 accepted
    int present;     // 1: the symbol belongs to a sequence
    int further[4];
};

struct MULTIPLE_LABEL_st {
    int labelType;
    STRUCT_APPEND_st structAppend;
    int status;
    int reason;
    int cornerX[4];
    int cornerY[4];
    int geometry[8];  // the last two: the cached centre of an error entry
    int auxCount;
    int* aux;
    int heldBack;
    // Linear-data block (left empty by matrix reads).
    unsigned char linearCode[4];
    int linearWord;
    unsigned char* linearData;
    unsigned char* linearDataEnd;
    int linearLength;
    int linearFlag;
    // Matrix-data block.
    unsigned char resultCode;
    unsigned char subCode;
    unsigned char technology;
    unsigned char makerCode;
    char aim[4];  // "]", letter, modifier, NUL
    unsigned char* data;
    unsigned char* dataEnd;
    int dataLength;
    int outputFlag;  // 1 for a good read
    int symbologyNumber;
    int closingFlag;
};

extern MULTIPLE_LABEL_st multiple_label[kLegacyResultEntries];
extern MULTIPLE_LABEL_st error_multiple_label[kLegacyResultEntries];
extern int multiple_label_count;
extern int error_multiple_label_count;

void init_struct_append(STRUCT_APPEND_st* sa);
// Fills the reader's work record; answers its maker code character.
int set_result2multiple_label(MULTIPLE_LABEL_st* work, STRUCT_APPEND_st const* sa, int const* xs, int const* ys,
                              unsigned char* data, unsigned char* data_end, int length, signed char const* aim,
                              int label_type, int result_code, int subcode);
// Judges the record; answers 129 (29 for result code 29).
int determine_multiple_label_status(MULTIPLE_LABEL_st* e);
// 0 when entered in the good table, -1 when filed as a failure (or dropped
// when the error table is full).
int register_multiple_label_data(MULTIPLE_LABEL_st* e);
int register_error_multiple_label_data(MULTIPLE_LABEL_st* e);
void invalidate_multiple_label(MULTIPLE_LABEL_st* e);
// Copies src into dst; data bytes go into dst's own buffer when it has one
// (at most its capacity, `capacity` bytes).
void copy_multiple_label(MULTIPLE_LABEL_st* dst, MULTIPLE_LABEL_st const* src);
unsigned char ZAKcodeID(unsigned char result_code, unsigned char subcode);
// A reader's AIM text (at most 16 bytes) and whether its symbol carried ECI.
void set_aim_codeID(char const* aim, int length, int eci);
char const* get_aim_codeID();
// Doubles every backslash of data[0 .. *length) in place, growing *length;
// capacity bounds the result. -1, nothing changed, when it would not fit.
int double_backslash_ECI(unsigned char* data, int* length, int capacity);
// 13 or more of the 256 bright 2 x 2 blocks over the quadrilateral.
int reflection_exist(int const* xs, int const* ys);

void reset_multiple_label();
void reset_multiple_label_count();
void force_reset_multiple();
void reset_struct_append();
// Clears the running structured-append count and its kept symbol count.
void disable_decmulti_struct_append();
int get_target_multiple_label_count();
int point_in_multiple_label_area(int x, int y, int id);
// The data kept for position p (0-based) of a MaxiCode sequence, and its length.
unsigned char const* GetMaxiSequenceData(int position, int* length);
