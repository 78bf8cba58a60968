#include "receiver/Afc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

class SpectraTest : public ::testing::Test {
protected:
    std::vector<double> re = std::vector<double>(2048), im = std::vector<double>(2048);
    std::vector<double> smoothed = std::vector<double>(2048), peak = std::vector<double>(2048);

    // A transform whose magnitude on the spectrum scale is m at every bin.
    void Flat(double m)
    {
        for (int k = 0; k < 2048; ++k) {
            re[k] = m * 8388608.0 * 0.6;
            im[k] = m * 8388608.0 * 0.8;
        }
    }
    void Update() { rx::UpdateSpectra(re.data(), im.data(), smoothed.data(), peak.data()); }
};

TEST_F(SpectraTest, SmoothedConvergesPeakHoldsAndDecays)
{
    Flat(2.0);
    for (int block = 1; block <= 5; ++block)
        Update();
    // 1 - (1/3)^5: within 1 % after five blocks.
    EXPECT_NEAR(smoothed[300], 2.0, 0.02);
    EXPECT_LT(smoothed[300], 2.0);
    EXPECT_EQ(peak[300], smoothed[300]);
    Flat(0.0);
    double last = peak[300];
    for (int block = 0; block < 5; ++block) {
        Update();
        EXPECT_DOUBLE_EQ(peak[300], last * 0.95);
        EXPECT_LT(smoothed[300], peak[300]);
        last = peak[300];
    }
}

TEST_F(SpectraTest, OnlyTheWorkingBandIsUpdated)
{
    Flat(1.0);
    Update();
    EXPECT_EQ(smoothed[54], 0.0);
    EXPECT_EQ(peak[558], 0.0);
    EXPECT_EQ(smoothed[0], 0.0);
    EXPECT_GT(smoothed[55], 0.0);
    EXPECT_GT(peak[557], 0.0);
    EXPECT_NEAR(smoothed[55], 2.0 / 3.0, 1e-12);
}

class AfcTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        p.LowerBin = 274;
        p.UpperBin = 358;
        p.LowerStep = 16 * 274;
        p.UpperStep = 16 * 358;
    }
    TTtyParams p;
    std::vector<double> peak = std::vector<double>(2048, 0.0);
};

TEST_F(AfcTest, ToneAFewBinsOffMovesTheStepToItInOneBlock)
{
    peak[277] = 0.5;
    peak[276] = 0.01;
    peak[278] = 0.01;
    rx::AfcTrackLowerTone(p, peak.data(), 10);
    EXPECT_EQ(p.LowerStep, 16 * 277);
    EXPECT_EQ(p.LowerBin, 277);
    EXPECT_EQ(p.UpperStep, 16 * 358);  // nothing near the upper tone... 
    rx::AfcTrackUpperTone(p, peak.data(), 10);
    EXPECT_EQ(p.UpperStep, 16 * 358);  // ... so it stays
}

TEST_F(AfcTest, CentroidInSixteenthsOfABin)
{
    peak[360] = 1.0;
    peak[361] = 3.0;
    rx::AfcTrackUpperTone(p, peak.data(), 10);
    // (360 * 1 + 361 * 3) / 4 = 360.75 bins = 5772 steps
    EXPECT_EQ(p.UpperStep, 5772);
    EXPECT_EQ(p.UpperBin, 361);
}

TEST_F(AfcTest, NoMovementWithoutSignalOrUnderTheSquelch)
{
    rx::AfcTrackLowerTone(p, peak.data(), 10);
    rx::AfcTrackUpperTone(p, peak.data(), 10);
    EXPECT_EQ(p.LowerStep, 16 * 274);
    EXPECT_EQ(p.UpperStep, 16 * 358);
    p.IsSquelch = 1;
    p.SquelchLevel = 0.1;
    peak[270] = 0.1;  // at the level: not above it
    rx::AfcTrackLowerTone(p, peak.data(), 10);
    EXPECT_EQ(p.LowerStep, 16 * 274);
    peak[270] = 0.11;
    rx::AfcTrackLowerTone(p, peak.data(), 10);
    EXPECT_EQ(p.LowerStep, 16 * 270);
}

TEST_F(AfcTest, RangeZeroSnapsToTheWholeBin)
{
    p.LowerStep = 16 * 274 + 5;
    peak[274] = 0.2;
    peak[275] = 0.9;
    rx::AfcTrackLowerTone(p, peak.data(), 0);
    EXPECT_EQ(p.LowerStep, 16 * 274);
}

TEST_F(AfcTest, ToneNeverComesNearerThanHalfTheShiftNorFartherThanTwice)
{
    // All the power just below the upper tone: the lower one goes no higher than 358 - 42.
    peak[357] = 1.0;
    rx::AfcTrackLowerTone(p, peak.data(), 99);
    EXPECT_EQ(p.LowerBin, 274);  // 357 lies outside 274 +- 99 capped at 316
    peak[316] = 0.5;
    rx::AfcTrackLowerTone(p, peak.data(), 99);
    EXPECT_EQ(p.LowerBin, 316);
    // The upper tone's window then starts half the shift above where the lower one went: 358.
    std::vector<double> upper(2048, 0.0);
    upper[340] = 1.0;
    upper[360] = 1.0;
    rx::AfcTrackUpperTone(p, upper.data(), 99);
    EXPECT_EQ(p.UpperBin, 360);
    p.UpperBin = 358;
    p.UpperStep = 16 * 358;
    // And the upper one no farther than twice the shift above the lower: 316 + 168 = 484.
    std::fill(peak.begin(), peak.end(), 0.0);
    peak[450] = 0.25;
    peak[555] = 1.0;
    rx::AfcTrackUpperTone(p, peak.data(), 99);
    EXPECT_EQ(p.UpperBin, 450);  // 555 lies beyond 358 + 99
    peak[484] = 0.25;
    peak[485] = 1.0;
    rx::AfcTrackUpperTone(p, peak.data(), 99);
    EXPECT_EQ(p.UpperStep, 16 * (450 + 484) / 2);
}

TEST_F(AfcTest, RandomSpectraNeverPushTheTonesOutOfTheBand)
{
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> level(0.0, 1.0);
    std::uniform_int_distribution<int> bin(0, 2047), range(0, 99), shift(0, 3);
    const int shifts[] = {16, 32, 84, 158};
    for (int round = 0; round < 2000; ++round) {
        for (double& v : peak)
            v = level(rng) < 0.9 ? 0.0 : level(rng);
        p.ShiftBins = shifts[shift(rng)];
        if (round % 50 == 0) {
            // Start anywhere, even far outside: the tones still never leave the tuning range.
            p.LowerBin = bin(rng);
            p.UpperBin = p.LowerBin + p.ShiftBins;
            p.LowerStep = 16 * p.LowerBin;
            p.UpperStep = 16 * p.UpperBin;
        }
        const int r = range(rng);
        const int lowerBefore = p.LowerBin, upperBefore = p.UpperBin;
        rx::AfcTrackLowerTone(p, peak.data(), r);
        if (p.LowerBin != lowerBefore) {
            ASSERT_GE(p.LowerBin, rx::kFirstTuneBin);
            ASSERT_LE(p.LowerBin, rx::kLastTuneBin);
            ASSERT_LE(p.LowerBin, upperBefore - p.ShiftBins / 2);
            ASSERT_GE(p.LowerBin, upperBefore - 2 * p.ShiftBins);
        }
        rx::AfcTrackUpperTone(p, peak.data(), r);
        if (p.UpperBin != upperBefore) {
            ASSERT_GE(p.UpperBin, rx::kFirstTuneBin);
            ASSERT_LE(p.UpperBin, rx::kLastTuneBin);
            ASSERT_GE(p.UpperBin, p.LowerBin + p.ShiftBins / 2);
            ASSERT_LE(p.UpperBin, p.LowerBin + 2 * p.ShiftBins);
        }
        ASSERT_EQ(p.LowerBin, (p.LowerStep + 8) / 16);
    }
}

class MouseTuning : public ::testing::Test {
protected:
    TTtyParams p;  // 450 Hz: 84 bins, 1337 steps
    const int offset = 10;  // bin 55 drawn at x = 10
};

TEST_F(MouseTuning, ClickCentresThePairKeepingTheExactShift)
{
    p.HoldOffTicks = 40;
    rx::SpectrumMouseDown(p, offset + 300 - 55, offset, {true, false, false});
    EXPECT_EQ(p.HoldOffTicks, 0);
    EXPECT_EQ(p.LowerStep, 4800 - 668);
    EXPECT_EQ(p.UpperStep, 4800 + 668);
    EXPECT_EQ(p.LowerBin, (4132 + 8) / 16);
    EXPECT_EQ(p.UpperBin, (5468 + 8) / 16);
}

TEST_F(MouseTuning, FarLeftAndFarRightStopAtTheTuningRange)
{
    rx::SpectrumMouseDown(p, -500, offset, {true, false, false});
    EXPECT_EQ(p.LowerBin, 57);
    EXPECT_EQ(p.UpperBin, 57 + 84);
    rx::SpectrumMouseDown(p, 5000, offset, {true, false, false});
    EXPECT_EQ(p.UpperBin, 555);
    EXPECT_EQ(p.LowerBin, 555 - 84);
}

TEST_F(MouseTuning, CtrlOrRightButtonDoNotTuneButClearTheHoldOff)
{
    for (rx::TMouseHeld held : {rx::TMouseHeld{true, false, true}, rx::TMouseHeld{false, true, false}}) {
        p.HoldOffTicks = 40;
        rx::SpectrumMouseDown(p, offset + 100, offset, held);
        EXPECT_EQ(p.HoldOffTicks, 0);
        EXPECT_EQ(p.LowerStep, 4800);
    }
}

TEST_F(MouseTuning, DragTunesOnlyWithTheLeftButtonAlone)
{
    p.HoldOffTicks = 9;
    rx::SpectrumMouseMove(p, offset + 100, offset, {});
    EXPECT_EQ(p.HoldOffTicks, 0);
    EXPECT_EQ(p.LowerStep, 4800);
    rx::SpectrumMouseMove(p, offset + 100, offset, {true, true, false});
    EXPECT_EQ(p.LowerStep, 4800);
    rx::SpectrumMouseMove(p, offset + 100, offset, {true, false, true});
    EXPECT_EQ(p.LowerStep, 4800);
    rx::SpectrumMouseMove(p, offset + 100, offset, {true, false, false});
    EXPECT_EQ(p.LowerStep, 16 * 155 - 668);
}

// The tone bins round half a bin up: a half shift of 25 steps puts the lower tone at 298.4375.
TEST_F(MouseTuning, CentredTonesRoundToTheirNearestBin)
{
    p.ShiftStep = 50;
    rx::CentreTonePairOnBin(p, 300);
    EXPECT_EQ(p.LowerStep, 16 * 300 - 25);
    EXPECT_EQ(p.LowerBin, 298);
    EXPECT_EQ(p.UpperBin, 302);
    // A damaged shift near the low edge keeps the lower tone on the band's first bin.
    p.ShiftStep = 16 * 400;
    rx::CentreTonePairOnBin(p, rx::kFirstBin + 3);
    EXPECT_EQ(p.LowerBin, rx::kFirstBin);
    EXPECT_EQ(p.UpperBin, rx::kFirstBin + 6);
}

TEST_F(MouseTuning, APairWiderThanTheRangeIsCentredOnItsMiddle)
{
    p.ShiftBins = 2 * (rx::kLastTuneBin - rx::kFirstTuneBin);
    for (int x : {0, 300, 600})
        EXPECT_EQ(rx::SpectrumPointerBin(p, x, 0), (rx::kFirstTuneBin + rx::kLastTuneBin) / 2) << x;
}

TEST_F(MouseTuning, AnOversizedShiftStillLeavesBothTonesInsideTheBand)
{
    p.ShiftBins = 600;  // only a damaged record holds this
    p.ShiftStep = 9600;
    for (int x : {-100, 0, 250, 600}) {
        rx::SpectrumMouseDown(p, x, 0, {true, false, false});
        EXPECT_GE(p.LowerBin, rx::kFirstBin) << x;
        EXPECT_LE(p.UpperBin, rx::kLastBin) << x;
        EXPECT_LE(p.LowerStep, p.UpperStep) << x;
    }
}

}  // namespace
