// Which lattice points a missing one is rebuilt from: the nearest found
// points of its row and column, searched outward on both sides in turn.
#include <gtest/gtest.h>

#include "decoder/legacy/han_xin/han_xin_lattice.h"

namespace {

// A 6 x 6 lattice: row 2 has found points in columns 0, 1, 3 and 5;
// column 4 has found points in rows 0 and 5 only; row 4 in column 0 only.
HanXinLattice Lattice()
{
    HanXinLattice l{};
    l.lines = 6;
    for (int c : {0, 1, 3, 5}) {
        l.found[2][c] = 1;
    }
    l.found[0][4] = 1;
    l.found[5][4] = 1;
    l.found[4][0] = 1;
    return l;
}

TEST(HanXinLatticeTest, TheTwoNearestFoundPointsAlongARowOrColumn)
{
    HanXinKeepLatticeStatus(Lattice());
    EXPECT_EQ(CHINA_get_lattice_status(3, 2), 0);
    EXPECT_EQ(CHINA_get_lattice_status(2, 2), -1);
    EXPECT_EQ(CHINA_get_lattice_status(6, 2), -1) << "outside the lattice";
    EXPECT_EQ(CHINA_get_lattice_status(-1, 0), -1);
    int out[2] = {-1, -1};
    // Along row 2 from column 2: +1 (3), then -1 (1).
    ASSERT_EQ(QR_get_2nn_index(0, 1, out, 2, 2, 6), 0);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[1], 1);
    // The other side first.
    ASSERT_EQ(QR_get_2nn_index(0, -1, out, 2, 2, 6), 0);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 3);
    // From column 4: 3 and 5 at one step.
    ASSERT_EQ(QR_get_2nn_index(0, 1, out, 4, 2, 6), 0);
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(out[1], 3);
    // Down column 4 from row 2: rows 0 and 5, three steps apart.
    ASSERT_EQ(QR_get_2nn_index(1, 1, out, 2, 4, 6), 0);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 5);
    // Row 4 holds one found point only.
    EXPECT_EQ(QR_get_2nn_index(0, 1, out, 2, 4, 6), -1);
}

}  // namespace
