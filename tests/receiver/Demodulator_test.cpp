#include "receiver/Demodulator.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "receiver/Tuning.h"
#include "tests/support/ParamName.h"

namespace {

TEST(SineTable, QuarterPointsAndFormula)
{
    EXPECT_EQ(SineTable[0], 0);
    EXPECT_EQ(SineTable[8192], 32000);
    EXPECT_EQ(SineTable[16384], 0);
    EXPECT_EQ(SineTable[24576], -32000);
    for (int i : {1, 100, 4096, 12345, 20000, 32767}) {
        const double want = std::floor(32000.0 * std::sin(2.0 * M_PI * i / 32768.0) + 0.5);
        EXPECT_NEAR(SineTable[i], want, 1.0) << i;
    }
}

// A tone of the frequency an oscillator step stands for at 11025 samples per second.
std::vector<double> Tone(int step, int n, double amplitude = 10000.0)
{
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i)
        x[i] = std::round(amplitude * std::sin(2.0 * M_PI * step * i / 32768.0));
    return x;
}

double MeanOutput(rx::TTwoToneDemod& d, const std::vector<double>& x, int lowerStep, int upperStep)
{
    double sum = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double y = d.Step(x[i], x[i], lowerStep, upperStep);
        if (i >= x.size() / 2) {
            sum += y;
            ++count;
        }
    }
    return sum / count;
}

struct TChainCase {
    int baud;
    int lowerStep, upperStep;
};

void PrintTo(const TChainCase& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << c.baud << " Bd steps " << c.lowerStep << " " << c.upperStep;
}

class DemodSign : public ::testing::TestWithParam<TChainCase> {};

TEST_P(DemodSign, UpperTonePositiveLowerToneNegative)
{
    const TChainCase& c = GetParam();
    TTtyParams p;
    for (bool upper : {true, false}) {
        rx::TTwoToneDemod d;
        rx::SetSpeed(p, d, c.baud);
        const double mean = MeanOutput(d, Tone(upper ? c.upperStep : c.lowerStep, 6000), c.lowerStep, c.upperStep);
        if (upper)
            EXPECT_GT(mean, 1e15) << c.baud;
        else
            EXPECT_LT(mean, -1e15) << c.baud;
    }
}

INSTANTIATE_TEST_SUITE_P(Chains, DemodSign,
                         ::testing::Values(TChainCase{45, 4384, 5728}, TChainCase{50, 4800, 5312},
                                           TChainCase{75, 2000, 4526}, TChainCase{100, 4800, 5305},
                                           TChainCase{50, 1000, 1253}), morvik::ParamName());

// Indices (from 1) of the inputs at which the output changed.
std::vector<int> Changes(rx::TTwoToneDemod& d, int n)
{
    const std::vector<double> x = Tone(5000, n);
    std::vector<int> at;
    double last = 0.0;
    for (int i = 0; i < n; ++i) {
        const double y = d.Step(x[i], x[i], 4800, 5312);
        if (y != last)
            at.push_back(i + 1);
        last = y;
    }
    return at;
}

TEST(DemodChains, SlowChainChangesOnThe9thInputThenEvery12)
{
    rx::TTwoToneDemod d;
    TTtyParams p;
    rx::SetSpeed(p, d, 50);
    const std::vector<int> at = Changes(d, 200);
    std::vector<int> want;
    for (int i = 9; i <= 200; i += 12)
        want.push_back(i);
    EXPECT_EQ(at, want);
}

TEST(DemodChains, FastChainChangesOnThe1stInputThenEvery4)
{
    rx::TTwoToneDemod d;
    TTtyParams p;
    rx::SetSpeed(p, d, 100);
    const std::vector<int> at = Changes(d, 100);
    ASSERT_FALSE(at.empty());
    // The very first final run sees only zeros and leaves the output at 0.0; from then on the
    // output can change at inputs 1, 5, 9, ... and nowhere else.
    for (int i : at)
        EXPECT_EQ((i - 1) % 4, 0) << i;
    EXPECT_GE(at.size(), 20u);
}

TEST(DemodChains, SwitchingChainsKeepsTheDelayLines)
{
    TTtyParams p;
    rx::TTwoToneDemod kept, fresh;
    rx::SetSpeed(p, kept, 50);
    const std::vector<double> x = Tone(5312, 400);
    for (double v : x)
        kept.Step(v, v, 4800, 5312);
    rx::SetSpeed(p, kept, 75);
    rx::SetSpeed(p, fresh, 75);
    // Silence from now on: the chain that ran before still has the tone in its stages.
    double keptEnergy = 0.0, freshEnergy = 0.0;
    for (int i = 0; i < 41; ++i) {
        keptEnergy += std::fabs(kept.Step(0.0, 0.0, 4800, 5312));
        freshEnergy += std::fabs(fresh.Step(0.0, 0.0, 4800, 5312));
    }
    EXPECT_GT(keptEnergy, 1e12);
    EXPECT_EQ(freshEnergy, 0.0);
    // The slow chain's own state is untouched by the fast chain running.
    EXPECT_EQ(kept.SlowState().Stage1, 0);
    EXPECT_NE(kept.SlowState().DemodOutput, 0.0);
}

TEST(DemodChains, FinalLineSurvivesATableChangeOnlyWhenItsPositionFits)
{
    TTtyParams p;
    rx::TTwoToneDemod d;
    rx::SetSpeed(p, d, 75);
    // The fast chain's final stage runs on inputs 1, 5, 9, ...: 240 inputs leave the position at 60.
    for (int i = 0; i < 240; ++i)
        d.Step(1000.0, 1000.0, 4800, 5312);
    ASSERT_EQ(d.FinalWritePosition(), 60);
    rx::SetSpeed(p, d, 100);  // 55 taps: cleared, then the next value written at 0
    d.Step(1000.0, 1000.0, 4800, 5312);
    EXPECT_EQ(d.FinalWritePosition(), 1);

    rx::TTwoToneDemod e;
    rx::SetSpeed(p, e, 75);
    for (int i = 0; i < 120; ++i)
        e.Step(1000.0, 1000.0, 4800, 5312);
    ASSERT_EQ(e.FinalWritePosition(), 30);
    rx::SetSpeed(p, e, 100);  // position 30 lies inside 55 taps: kept
    e.Step(1000.0, 1000.0, 4800, 5312);
    EXPECT_EQ(e.FinalWritePosition(), 31);
}

TEST(DemodOscillators, AdvanceFirstAndResetOnRequest)
{
    rx::TTwoToneDemod d;
    d.DemodChain = rx::TDemodChain::Slow;
    for (int i = 0; i < 10; ++i)
        d.Step(1.0, 1.0, 100, 3300);
    EXPECT_EQ(d.SlowState().LowerPhase, 1000);
    EXPECT_EQ(d.SlowState().UpperPhase, 33000 & 0x7FFF);
    EXPECT_FALSE(d.NcoResetPending);

    d.NcoResetPending = true;
    d.Step(1.0, 1.0, 100, 3300);
    EXPECT_EQ(d.SlowState().LowerPhase, 100);
    EXPECT_EQ(d.SlowState().UpperPhase, 3300);
    EXPECT_FALSE(d.NcoResetPending);

    // A reset request is taken by whichever chain runs next; the other keeps its phases.
    d.DemodChain = rx::TDemodChain::Fast;
    d.Step(1.0, 1.0, 7, 9);
    d.DemodChain = rx::TDemodChain::Slow;
    d.NcoResetPending = true;
    d.DemodChain = rx::TDemodChain::Fast;
    d.Step(1.0, 1.0, 7, 9);
    EXPECT_EQ(d.FastState().LowerPhase, 7);
    EXPECT_EQ(d.SlowState().LowerPhase, 100);
}

TEST(DemodOscillators, StepZeroHoldsStepHalfPeriodAlternates)
{
    rx::TTwoToneDemod d;
    std::vector<int> upper;
    for (int i = 0; i < 6; ++i) {
        d.Step(1.0, 1.0, 0, 16384);
        EXPECT_EQ(d.SlowState().LowerPhase, 0);
        upper.push_back(d.SlowState().UpperPhase);
    }
    EXPECT_EQ(upper, (std::vector<int>{16384, 0, 16384, 0, 16384, 0}));
}

TEST(DemodOscillators, OutOfRangeStepsWrapWithoutOverflow)
{
    rx::TTwoToneDemod d;
    d.Step(1.0, 1.0, INT_MAX, -1);
    d.Step(1.0, 1.0, INT_MAX, -1);
    EXPECT_EQ(d.SlowState().LowerPhase, (2LL * INT_MAX) % 32768);
    EXPECT_EQ(d.SlowState().UpperPhase, 32768 - 2);
}

TEST(DemodChains, CountersStayBoundedOverALongRun)
{
    rx::TTwoToneDemod d;
    for (int i = 0; i < 100001; ++i)
        d.Step(0.0, 0.0, 1, 1);
    EXPECT_EQ(d.SlowState().Stage1, 1);
    EXPECT_GE(d.SlowState().Stage3, 0);
    EXPECT_LT(d.SlowState().Stage3, 3);
}

}  // namespace
