#pragma once

// The firmware's main routine. On the device it never returns; the simulated
// board runs it on a thread of its own.
int firmwareMain();
