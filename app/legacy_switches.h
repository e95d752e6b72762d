#pragma once
// The switch bytes the legacy matrix engine reads. A plain array until the
// engine's own record owns them; written on the command threads only.

inline constexpr unsigned kLegacySwitchBytes = 256;
inline unsigned char XSW[kLegacySwitchBytes] = {};
