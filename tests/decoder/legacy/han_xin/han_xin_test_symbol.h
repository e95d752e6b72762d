#pragma once
// Han Xin symbols from zint as module grids in the reader's layout (0 light,
// 1 dark, rows of stride kHanXinMaxSize).

#include "decoder/legacy/han_xin/han_xin_version.h"

#include <string>
#include <vector>

namespace hanxin_test {

struct Symbol {
    bool ok = false;
    int size = 0;
    std::vector<unsigned short> grid;
};

// level 1-4 (0: zint's choice), mask 0-3 (-1: zint's choice), version 0: the smallest.
Symbol Encode(std::string const& data, int version = 0, int level = 0, int mask = -1, bool unicode = true,
              int eci = 0, bool fullMultibyte = false);

// The GB 18030 bytes of UTF-8 text.
std::string Gb18030(std::string const& utf8);

// Hands the frame to the engine as its adapter does.
void UseFrame(unsigned short const* pixels, int width, int height);

// search_finder_CHINA on row y, across the whole frame.
int SearchRow(int y, int width);

}  // namespace hanxin_test
