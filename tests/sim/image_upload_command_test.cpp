// The image-upload commands as a host sends them to scanner-sim over USB serial.
#include "tests/sim/sim_program_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using SimImageUpload = sim_test::SimProgramTest;

TEST_F(SimImageUpload, SettingsLineFollowsTheSettingsAndCaptureAnswers)
{
    EXPECT_EQ(run("command", {"[DE6", "[DE0"}),
              std::pair(std::string(";Trim(   0,   0, 639, 479) Sub(1,1) Bp 8 Jq 75 FfJPEG TrPART Fl(0,0) Re0<CR><ACK>\n"
                                    "OK Capture<CR><ACK>\n"),
                        0));
    EXPECT_EQ(run("command", {"set output_of_image/for_standard/format:\"RES0\"",
                              "set output_of_image/for_standard/bit_per_pixel:\"BPP_10\"",
                              "set output_of_image/for_standard/data_transfer_method:\"ALL\"",
                              "set output_of_image/for_standard/subsampling/skip_x:4", "[DE6"}),
              std::pair(std::string("<ACK>\n<ACK>\n<ACK>\n<ACK>\n"
                                    ";Trim(   0,   0, 639, 479) Sub(4,1) Bp10 Jq 75 FfRES0 TrALL  Fl(0,0) Re0<CR><ACK>\n"),
                        0));
}

} // namespace
