// The engine's switch bytes: masked updates from the settings side and the
// engine's own clears meet on one byte without losing either.
#include <gtest/gtest.h>

#include <thread>

#include "decoder/legacy/engine/legacy_switch.h"

namespace {

TEST(LegacySwitchTest, UpdatesKeepTheOtherBitsAndNeverLoseOne)
{
    SetXSW(63, 0xF3);
    UpdateXSW(63, 0x0C, 0x08);
    EXPECT_EQ(GetXSW(63), 0xFB);
    UpdateXSW(63, 0x0C, 0);
    EXPECT_EQ(GetXSW(63), 0xF3);
    // Outside the bytes: nothing written, 0 read.
    SetXSW(kXswBytes, 0xFF);
    UpdateXSW(kXswBytes + 7, 0, 0xFF);
    EXPECT_EQ(GetXSW(kXswBytes), 0);
    SetXSW(196, 0x34);
    SetXSW(197, 0x12);
    EXPECT_EQ(GetXSWWord(98), 0x1234);

    // Two threads toggle their own bits of one byte; every toggle lands.
    SetXSW(5, 0);
    auto toggle = [](unsigned char bit) {
        for (int i = 0; i < 20000; ++i) {
            UpdateXSW(5, 0, bit);
            UpdateXSW(5, bit, 0);
        }
        UpdateXSW(5, 0, bit);
    };
    std::thread first(toggle, 0x01);
    std::thread second(toggle, 0x80);
    first.join();
    second.join();
    EXPECT_EQ(GetXSW(5), 0x81);
}

}  // namespace
