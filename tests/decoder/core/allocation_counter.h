#pragma once

// Counts the allocations made through the global operator new between Start
// and Stop; the test binary replaces operator new for this.
namespace allocation_counter {

void Start();
unsigned long Stop();

}  // namespace allocation_counter
