// The allocation counter in a translation unit of its own, so that the
// replaced global new and delete are never inlined into a test.
#include "tests/decoder/core/allocation_counter.cpp"
