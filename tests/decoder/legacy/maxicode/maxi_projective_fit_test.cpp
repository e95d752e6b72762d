// The MaxiCode grid's least-squares fits: the projective map through weighted
// point pairs, and the legacy engine's linear solver under it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoder/legacy/engine/legacy_linear_system.h"
#include "decoder/legacy/maxicode/maxi_projective_fit.h"

namespace {

// x = c + (a u + b v) / w, y = f + (d u + e v) / w, w = 1 + g u + h v.
void Map(double const p[8], double u, double v, double& x, double& y)
{
    double const w = 1 + p[6] * u + p[7] * v;
    x = p[2] + (p[0] * u + p[1] * v) / w;
    y = p[5] + (p[3] * u + p[4] * v) / w;
}

// A symbol 30 modules across, 3 pixels a module, turned and leaning so that
// one side is half as large again as the other.
constexpr double kLeaning[8] = {2.6, -1.5, 320.0, 1.5, 2.6, 240.0, 0.012, -0.006};

std::vector<MaxiAnchorPair> PairsOn(double const p[8])
{
    std::vector<MaxiAnchorPair> pairs;
    for (int i = -3; i <= 3; ++i) {
        for (int j = -3; j <= 3; ++j) {
            double x;
            double y;
            Map(p, 4.0 * i, 4.0 * j, x, y);
            pairs.push_back({4.0f * i, 4.0f * j, static_cast<float>(x), static_cast<float>(y), 1.0f});
        }
    }
    return pairs;
}

double WorstError(double const fitted[8], double const truth[8])
{
    double worst = 0;
    for (double u = -14; u <= 15; u += 1) {
        for (double v = -14; v <= 14; v += 1) {
            double x0;
            double y0;
            double x1;
            double y1;
            Map(truth, u, v, x0, y0);
            Map(fitted, u, v, x1, y1);
            worst = std::fmax(worst, std::hypot(x1 - x0, y1 - y0));
        }
    }
    return worst;
}

TEST(MaxiProjectiveFitTest, RecoversALeaningMapAndIgnoresPairsOfNoWeight)
{
    std::vector<MaxiAnchorPair> pairs = PairsOn(kLeaning);
    double p[8] = {};
    ASSERT_TRUE(FitMaxiProjective(pairs.data(), static_cast<int>(pairs.size()), p));
    EXPECT_LT(WorstError(p, kLeaning), 0.01);

    // Groups that stood out nowhere (weight 0) may lie anywhere.
    for (size_t i = 0; i < pairs.size(); i += 3) {
        pairs[i].x += 40;
        pairs[i].y -= 25;
        pairs[i].weight = 0;
    }
    // A pair weighed lightly pulls the map only a little.
    pairs[1].x += 3;
    pairs[1].weight = 0.01f;
    double q[8] = {};
    ASSERT_TRUE(FitMaxiProjective(pairs.data(), static_cast<int>(pairs.size()), q));
    EXPECT_LT(WorstError(q, kLeaning), 0.1);
}

TEST(MaxiProjectiveFitTest, TooFewOrDegeneratePairsLeaveTheMapAlone)
{
    std::vector<MaxiAnchorPair> const all = PairsOn(kLeaning);
    std::vector<MaxiAnchorPair> four(all.begin(), all.begin() + 4);
    std::vector<MaxiAnchorPair> line;
    for (MaxiAnchorPair pair : all) {
        if (pair.u == 0) {
            line.push_back(pair);  // seven pairs on one line
        }
    }
    std::vector<MaxiAnchorPair> same(8, all[10]);
    std::vector<MaxiAnchorPair> nan = all;
    for (MaxiAnchorPair& pair : nan) {
        pair.x = std::nanf("");
    }
    struct Case {
        char const* name;
        std::vector<MaxiAnchorPair> const* pairs;
    } const cases[] = {{"four pairs", &four}, {"on one line", &line}, {"one point", &same}, {"not numbers", &nan}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        double p[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        EXPECT_FALSE(FitMaxiProjective(c.pairs->data(), static_cast<int>(c.pairs->size()), p));
        for (int k = 0; k < 8; ++k) {
            EXPECT_EQ(p[k], k + 1);
        }
    }
}

TEST(MaxiProjectiveFitTest, SolverRefusesSingularAndOversizedSystems)
{
    double m[8][9] = {{2, 1, 5}, {1, 3, 5}};
    double x[8] = {};
    ASSERT_TRUE(SolveLinearSystem(m, 2, x));
    EXPECT_NEAR(x[0], 2, 1e-12);
    EXPECT_NEAR(x[1], 1, 1e-12);
    double singular[8][9] = {{1, 2, 3}, {2, 4, 6}};
    EXPECT_FALSE(SolveLinearSystem(singular, 2, x));
    EXPECT_FALSE(SolveLinearSystem(m, 9, x));
    EXPECT_FALSE(SolveLinearSystem(m, 0, x));
}

}  // namespace
