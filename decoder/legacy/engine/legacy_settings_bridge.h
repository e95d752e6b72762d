#pragma once

// The legacy engine's settings, read at the point of use through the decoder
// handle's property table (never cached, so a changed setting counts from the
// next scan line). Enables answer 1 or 0, as do the length checks (1: the
// length is allowed by the symbology's length setting). Without a handle or
// property table every setting reads as off.
int GetQREnable();
int GetMicroQREnable();
int GetMaxiEnable();
int CheckMaxiLength(unsigned int length);
int GetAztecEnable();
int GetAztecRunesEnable();
int GetChineseSensibleEnable();
int CheckChineseSensibleLength(unsigned int length);
// Settings of symbologies this engine does not read, kept for the callers
// that ask.
int GetDataMatrixEcc200Enable();
int GetDataMatrixEcc000Enable();
int CheckDataMatrixLength(unsigned int length);
int GetPDF417Enable();
int CheckPDF417Length(unsigned int length);
int GetMicroPDF417Enable();
int CheckMicroPDF417Length(unsigned int length);
int CheckAztecLength(unsigned int length);
int CheckQRLength(unsigned int length);
// The bad-read output switch (readable_medium/output_bad_read/enable).
int GetEnableBadRead();
// The "ignore ECI protocol" switch (string/ignore_eci_protocol/enable).
int GetIgnoreECIProtocol();
// The fixed-length menu flag the result table consults: no setting sets it, so
// it stays off unless the engine's own switch is turned on.
int IsFixedLengthSetting();
void SetCheckLengthSettingFlag(int on);
