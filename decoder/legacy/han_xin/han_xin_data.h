#pragma once

// The Han Xin data bit stream: numeric, text, binary, GB 2312 regions, GB 18030
// double- and four-byte characters and ECI designators, written as GB 18030
// bytes. After the first ECI escape ("\" and six digits) every literal
// backslash stands twice, in every mode, those already written included.

struct HanXinText {
    int count;    // bytes written
    int eci;      // 1 once an ECI escape was written
};

// Interprets data[0 .. length) into out (capacity bytes). 0 with the text's
// count and ECI flag, or -1 when the message would not fit in out: the
// message is refused rather than cut.
int develop_text_CHINA(unsigned char const* data, int length, unsigned char* out, int capacity, HanXinText* text);
