#include "core/random/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace ricorne {
namespace {

std::vector<double> Draw(Random& random, int n) {
    std::vector<double> out;
    for (int i = 0; i < n; ++i)
        out.push_back(random.Next());
    return out;
}

// Every run draws the same sequence until something reseeds from the clock.
TEST(Random, FreshGeneratorsDrawTheSameSequenceUntilReseededFromTheClock) {
    Random first;
    Random second;
    EXPECT_EQ(Draw(first, 2000), Draw(second, 2000));

    Random reseeded;
    reseeded.SeedFromClock();
    Random fixed;
    int same = 0;
    for (int i = 0; i < 100; ++i) {
        same += reseeded.Next() == fixed.Next();
    }
    EXPECT_LT(same, 100);
    reseeded.Seed(Random::DefaultSeed);
    Random again;
    EXPECT_EQ(reseeded.Next(), again.Next());
}

TEST(Random, StaysInsideTheUnitInterval) {
    Random random(7);
    double low = 1.0;
    double high = 0.0;
    double sum = 0.0;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        const double u = random.Next();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
        low = std::min(low, u);
        high = std::max(high, u);
        sum += u;
    }
    EXPECT_LT(low, 0.001);
    EXPECT_GT(high, 0.999);
    EXPECT_NEAR(sum / n, 0.5, 0.005);
}

} // namespace
} // namespace ricorne
