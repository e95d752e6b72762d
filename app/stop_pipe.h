#pragma once
// The wake-up byte that ends a thread's wait on a stop pipe. A lost byte would
// leave the closer waiting for a thread that never wakes, so an interrupted
// write is retried; false only when the pipe itself is broken.

#include "platform/platform.h"

#include <cerrno>

inline bool wakeStopPipe(int writeEnd)
{
    char const stop = 'x';
    for (;;) {
        if (plat::write(writeEnd, &stop, 1) == 1) {
            return true;
        }
        // A full pipe already holds a wake-up byte.
        if (errno == EAGAIN) {
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}
