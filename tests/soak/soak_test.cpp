#include "platform/input_script.hpp"
#include "soak/soak.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace vura::soak {
namespace {

TEST(SoakInput, SameSeedSameScriptAndEveryKindOfInputWithinItsLength) {
    std::mt19937_64 a(42);
    std::mt19937_64 b(42);
    const std::string text = makeInputScript(a, 600000);
    EXPECT_EQ(text, makeInputScript(b, 600000));

    InputScriptResult parsed = parseInputScript(text, "soak");
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const InputScript& s = parsed.script;
    std::vector<bool> seen(static_cast<std::size_t>(InputEvent::Kind::Close) + 1);
    for (const InputEvent& e : s.events) {
        seen[static_cast<std::size_t>(e.kind)] = true;
        EXPECT_LT(e.ms, 600000u + 5000u); // a held key or button is let go after the end
    }
    for (std::size_t k = 0; k < seen.size(); ++k)
        EXPECT_TRUE(seen[k]) << "event kind " << k << " never made";
    EXPECT_GE(s.answers.size(), 64u);
    EXPECT_EQ(s.names.size(), 24u);
}

TEST(SoakGrowth, ComparesMeansOfTheFirstAndLastQuarterAfterTheWarmUp) {
    // The warm-up's climb to 100 is left out; 100 on average in the first quarter, 104 in the
    // last.
    std::vector<RssSample> samples{{0, 10},  {1, 50},  {2, 100}, {3, 110}, {4, 90},
                                   {6, 100}, {8, 100}, {9, 103}, {10, 109}};
    Growth g = measureGrowth(samples, 2);
    ASSERT_TRUE(g.measured);
    EXPECT_DOUBLE_EQ(g.firstMean, 100.0);
    EXPECT_DOUBLE_EQ(g.lastMean, 104.0);
    EXPECT_DOUBLE_EQ(g.percent, 4.0);

    EXPECT_FALSE(measureGrowth(samples, 20).measured); // nothing after the warm-up
    const std::vector<RssSample> two{{0, 5}, {1, 6}};
    EXPECT_FALSE(measureGrowth(two, 0).measured); // too few to split
}

} // namespace
} // namespace vura::soak
