#pragma once
// Result codes shared by the data-editing patterns, templates and their
// readers.

namespace ride_zodoz_result {
inline constexpr int kOk = 0;
inline constexpr int kNoMatch = 1;
inline constexpr int kFull = 2;
inline constexpr int kError = 3;
} // namespace ride_zodoz_result
