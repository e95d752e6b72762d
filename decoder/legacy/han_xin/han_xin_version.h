#pragma once

// Han Xin version parameters: symbol size, the alignment lattice (m intervals
// of k modules and a last interval of r modules), codeword counts and the
// error-correction block classes of every version and level.

constexpr int kHanXinMaxVersion = 84;
constexpr int kHanXinMaxSize = 2 * kHanXinMaxVersion + 21;
constexpr int kHanXinMaxCodewords = 3886;
// Longest error-correction block of any version and level.
constexpr int kHanXinMaxBlockLength = 187;

struct HanXinBlockClass {
    unsigned char count;   // blocks of this class, 0 when the class is absent
    unsigned char length;  // n
    unsigned char checks;  // 2t
};

// Each answers 0 with the value written, or -1 for a version outside 1-84.
int get_size_CHINA(int* size, int version);
int get_param_M(int* m, int version);
int get_param_R(int* r, int version);
int get_param_K(int* k, int version);

// Total codewords of the version (data and check), 0 outside 1-84.
int HanXinTotalCodewords(int version);

// The three block classes of (version, level 0-3) into classes[3]: 0, or -1
// outside the ranges.
int HanXinBlockClasses(int version, int level, HanXinBlockClass* classes);
