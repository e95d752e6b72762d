#pragma once

// The legacy engine's switch bytes (XSW). The engine owns them; the settings
// side (GS1 conversion) writes a few of them from the command threads while the
// engine reads and clears others on the decoder thread, so every access is one
// atomic operation on one byte.

constexpr unsigned kXswBytes = 256;

// Byte index; an index beyond the bytes reads 0 and writes nothing.
unsigned char GetXSW(unsigned index);
void SetXSW(unsigned index, unsigned char value);
// The byte becomes (byte & ~clear) | set, in one step.
void UpdateXSW(unsigned index, unsigned char clear, unsigned char set);
// The 16-bit word of bytes 2 index and 2 index + 1, low byte first.
unsigned short GetXSWWord(unsigned index);
