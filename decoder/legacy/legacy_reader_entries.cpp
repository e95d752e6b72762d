#include "decoder/legacy/legacy_reader_entries.h"

// Stand-ins for readers not built in. Weak, so a reader's own definition
// replaces them; the build puts this object last in the engine's archive so
// that the linker meets the readers' definitions first.

__attribute__((weak)) int MX_check_finderH3(int*, int, POINT_st*, POINT_st*, int, int, int) { return 129; }
__attribute__((weak)) int dec_maxi2(int) { return 129; }
__attribute__((weak)) void reset_max00() {}
__attribute__((weak)) void reset_max01() {}
__attribute__((weak)) void reset_max02() {}
__attribute__((weak)) int GetMaxiMode() { return 0; }

__attribute__((weak)) int search_finder_CHINA(POINT_st*, POINT_st*, int) { return -1; }
__attribute__((weak)) unsigned CHINA_check_finderH3(POINT_st*, int, int, int) { return 129; }
__attribute__((weak)) int decode_china() { return 129; }
__attribute__((weak)) void reset_china00() {}
__attribute__((weak)) void reset_china01() {}
__attribute__((weak)) void reset_china02() {}
