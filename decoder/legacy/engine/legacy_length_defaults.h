#pragma once

// Length settings back to their defaults, for the 24 symbologies whose length
// can be set (one fixed_length key each): the maximum, the minimum or the
// fixed lengths of every symbology (_All), or of one chosen by its symbology
// number (_Sel). The default is the key's factory value: no maximum, no fixed
// lengths, and no minimum except Code 39's two characters. Written into the
// current bank under the command lock, with the observers run once; the
// decoder sees the change from its next frame. 0 done; -1 when the store
// refused (nothing changed) or, for _Sel, the symbology has no length
// setting.

inline constexpr int kFixedLengthSettableCount = 24;

// The symbology number of settable entry index (0-23), -1 outside. Code 128
// and GS1-128 are two entries with one number.
int GetFixedLengthSettableCodeId(int index);

int SetDefaultMaxLength_All();
int SetDefaultMaxLength_Sel(int codeId);
int SetDefaultMinLength_All();
int SetDefaultMinLength_Sel(int codeId);
int SetDefaultFixLength_All();
int SetDefaultFixLength_Sel(int codeId);
// All three of every entry, as a new device has them.
int InitFixManMinLengthMenu();

// The steps the above share, for callers that already hold the command lock
// and run the observers themselves: one entry's maximum, minimum or fixed
// lengths (false when the store refused or index is outside), and every
// entry's fixed lengths.
bool SetDefaultMaxLength_All_Sub(int index);
bool SetDefaultMinLength_All_Sub(int index);
bool SetDefaultFixLengthCommon_Sub(int index);
bool SetDefaultFixLengthCommon();
