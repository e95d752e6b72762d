#include "app/firmware_main.h"

#include <thread>
#include <chrono>

int firmwareMain()
{
    // The subsystems are wired here as they land; until then the firmware idles.
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}
