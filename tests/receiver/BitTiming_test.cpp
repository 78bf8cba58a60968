#include "receiver/BitTiming.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "receiver/Decoder.h"
#include "receiver/Tuning.h"

namespace {

// ---- Slicer and integrator

TEST(Slice, OnlyPositiveValuesAreMark)
{
    EXPECT_EQ(rx::Slice(1e-300), 1);
    EXPECT_EQ(rx::Slice(0.0), 0);
    EXPECT_EQ(rx::Slice(-0.0), 0);
    EXPECT_EQ(rx::Slice(-5.0), 0);
    EXPECT_EQ(rx::Slice(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(BitIntegrator, ChangesOnlyAfterAFullSwing)
{
    rx::TBitIntegrator g;
    for (int i = 0; i < 109; ++i)
        EXPECT_EQ(g.Step(1, 110), 0) << i;
    EXPECT_EQ(g.Step(1, 110), 1);  // the 110th mark sample
    EXPECT_EQ(g.Counter(), 110);
    EXPECT_EQ(g.Step(1, 110), 1);
    EXPECT_EQ(g.Counter(), 110);  // held at the limit
    // A glitch of space shorter than the swing leaves the output alone.
    for (int i = 0; i < 109; ++i)
        EXPECT_EQ(g.Step(0, 110), 1);
    for (int i = 0; i < 109; ++i)
        EXPECT_EQ(g.Step(1, 110), 1);
    for (int i = 0; i < 110; ++i)
        g.Step(0, 110);
    EXPECT_EQ(g.Output(), 0);
    EXPECT_EQ(g.Counter(), 0);
    EXPECT_EQ(g.Step(0, 110), 0);
}

TEST(BitIntegrator, ShorterHalfBitAfterASpeedChangeStillReachesMark)
{
    rx::TBitIntegrator g;
    for (int i = 0; i < 100; ++i)
        g.Step(1, 121);  // 45 Bd, rising but not yet mark
    EXPECT_EQ(g.Output(), 0);
    EXPECT_EQ(g.Step(1, 55), 1);  // now 100 Bd: the counter is past the new limit
    for (int i = 0; i < 55; ++i)
        g.Step(0, 55);
    EXPECT_EQ(g.Output(), 0);
}

// ---- RTTY framing, driven with integrated bits

class Framer : public ::testing::Test {
protected:
    Framer()
    {
        p.SamplesPerBit = 221;
        p.HalfBit = 110;
        p.LowerBin = 300;
        p.UpperBin = 332;
    }
    // count samples of bit b; returns the codes emitted with the sample index of each.
    void Feed(int b, int count, double y = 0.0)
    {
        if (y == 0.0)
            y = b ? 1e13 : -1e13;
        for (int i = 0; i < count; ++i, ++sample) {
            const int code = f.Step(b, y, p, peak);
            if (code != rx::TRttyFramer::kNoCode) {
                codes.push_back(code);
                at.push_back(sample);
            }
        }
    }
    void Character(int code, int bit = 221, double stopBits = 1.0)
    {
        Feed(0, bit);
        for (int i = 0; i < 5; ++i)
            Feed((code >> i) & 1, bit);
        Feed(1, static_cast<int>(stopBits * bit));
    }

    TTtyParams p;
    double peak[2048] = {};
    rx::TRttyFramer f;
    long sample = 0;
    std::vector<int> codes;
    std::vector<long> at;
};

TEST_F(Framer, StartsWaitingForMark)
{
    EXPECT_EQ(f.State(), rx::TFrameState::AfterError);
    Character(0);  // the space at start is no start bit
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(f.State(), rx::TFrameState::Idle);
    Character(0b10110);
    EXPECT_EQ(codes, (std::vector<int>{0b10110}));
}

TEST_F(Framer, SamplesEachBitInItsMiddleLeastSignificantFirst)
{
    Feed(1, 500);
    const long start = sample;
    Character(0b00001);
    Character(0b10000);
    Character(0b11111);
    Character(0b00000);
    ASSERT_EQ(codes, (std::vector<int>{1, 16, 31, 0}));
    // The stop bit of the first character is checked 110 + 6 * 221 samples after its first space.
    EXPECT_EQ(at[0], start + 109 + 6 * 221);
    EXPECT_EQ(f.State(), rx::TFrameState::Idle);
}

TEST_F(Framer, NextStartBitMayFollowTheStopBitsMiddle)
{
    Feed(1, 300);
    // Stop bits of 0.55 bit: the next start bit begins just after the stop bit was checked.
    for (int c : {3, 25, 9})
        Character(c, 221, 0.55);
    EXPECT_EQ(codes, (std::vector<int>{3, 25, 9}));
}

TEST_F(Framer, FalseStartReturnsToIdle)
{
    Feed(1, 300);
    Feed(0, 100);  // over before the start bit's middle
    Feed(1, 300);
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(f.State(), rx::TFrameState::Idle);
    Character(19);
    EXPECT_EQ(codes, (std::vector<int>{19}));
}

TEST_F(Framer, FramingErrorWaitsForMark)
{
    Feed(1, 300);
    Feed(0, 221 * 7);  // a space through the stop bit: the character is dropped
    EXPECT_EQ(f.State(), rx::TFrameState::AfterError);
    Feed(0, 5000);
    EXPECT_EQ(f.State(), rx::TFrameState::AfterError);
    Feed(1, 2);
    EXPECT_EQ(f.State(), rx::TFrameState::Idle);
    Character(7);
    EXPECT_EQ(codes, (std::vector<int>{7}));
}

TEST_F(Framer, SquelchDropsCharactersWithoutTouchingTheFraming)
{
    p.IsSquelch = 1;
    p.SquelchLevel = 0.03;
    Feed(1, 300);
    peak[300] = 0.03;  // at the level is not above it
    peak[332] = 0.01;
    Character(5);
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(f.State(), rx::TFrameState::Idle);
    peak[332] = 0.0301;
    Character(6);
    peak[332] = 0.0;
    peak[300] = 0.5;
    Character(7);
    EXPECT_EQ(codes, (std::vector<int>{6, 7}));
}

TEST_F(Framer, SquelchReadsNoSpectrumOutsideIt)
{
    p.IsSquelch = 1;
    p.LowerBin = -3;
    p.UpperBin = 2048;
    Feed(1, 300);
    Character(5);
    EXPECT_EQ(rx::SquelchOpen(p, nullptr), false);
    p.IsSquelch = 0;
    EXPECT_EQ(rx::SquelchOpen(p, nullptr), true);
    EXPECT_TRUE(codes.empty());
}

// After a framing error the squelch holds the framer until the mark stands above a quarter of
// the squelch level, both measured on the spectrum's scale.
TEST_F(Framer, SquelchAfterAnErrorComparesTheMarkOnTheSpectrumScale)
{
    p.IsSquelch = 1;
    p.SquelchLevel = 0.04;
    const double weak = std::pow(0.2 * 0.04 * rx::kDemodPerMagnitude, 2);
    const double strong = std::pow(0.3 * 0.04 * rx::kDemodPerMagnitude, 2);
    Feed(1, 10, weak);
    EXPECT_EQ(f.State(), rx::TFrameState::AfterError);
    Feed(1, 1, strong);
    EXPECT_EQ(f.State(), rx::TFrameState::Idle);
}

TEST_F(Framer, TinyOrBrokenBitLengthsDoNotStopTheFraming)
{
    for (int spb : {3, 2, 0, -40}) {
        rx::TRttyFramer g;
        p.SamplesPerBit = spb;
        int changes = 0;
        rx::TFrameState last = g.State();
        for (int i = 0; i < 200; ++i) {
            g.Step(i % 20 < 10, 0.0, p, nullptr);
            if (g.State() != last)
                ++changes;
            last = g.State();
        }
        EXPECT_GT(changes, 10) << spb;
    }
}

// The framer with the integrator, as the decoder runs them on demodulator values.
TEST(RttyFrameSample, ZeroIsSpaceAndGlitchesAreIgnored)
{
    TTtyParams p;
    rx::TRxDecoder d(p);
    std::string out;
    d.OnReceivedChar = [&](char c) { out.push_back(c); };
    auto run = [&](double y, int n) {
        for (int i = 0; i < n; ++i)
            d.RttyFrameSample(y);
    };
    run(1.0, 400);
    auto character = [&](int code) {
        run(0.0, 221);
        for (int i = 0; i < 5; ++i)
            run((code >> i) & 1 ? 1.0 : 0.0, 221);
        run(1.0, 331);
    };
    character(31);
    character(3);   // A
    run(-1.0, 60);  // a space glitch within the mark
    run(1.0, 300);
    character(25);  // B
    EXPECT_EQ(out, "AB");
}

// NAVTEX bits come through the integrator RTTY uses: what it holds carries over, and a space
// shorter than the half bit makes no transition for the bit clock.
TEST(BitSyncSample, SharesTheIntegratorWithRtty)
{
    TTtyParams p;
    p.HalfBit = 20;
    p.SamplesPerBit = 110;
    rx::TRxDecoder d(p);
    for (int i = 0; i < 40; ++i)
        d.RttyFrameSample(1.0);
    ASSERT_EQ(d.Integrator.Output(), 1);
    d.BitSyncSample(1.0);  // the clock's first bit
    const int phase = d.BitClock.Phase();
    for (int i = 0; i < 10; ++i)
        d.BitSyncSample(-1.0);
    EXPECT_EQ(d.Integrator.Output(), 1);
    EXPECT_EQ(d.Integrator.Counter(), 10);
    EXPECT_EQ(d.BitClock.Phase(), phase + 10);  // counted on, not pulled
}

// The scale the squelch comparison relies on: a tone of spectrum magnitude m gives a mark
// value of about (m * kDemodPerMagnitude)^2.
TEST(DemodMagnitude, MatchesTheSpectrumOfTheSameTone)
{
    for (int baud : {45, 50, 75, 100}) {
        TTtyParams p;
        rx::TRxSignalPath path(p);
        rx::SetMode(p, path.Demod, rx::kModeRtty);
        rx::SetSpeed(p, path.Demod, baud);
        struct TSink : rx::TDemodSink {
            double Last = 0.0;
            void RttyFrameSample(double y) override { Last = y; }
            void BitSyncSample(double) override {}
        } sink;
        path.Sink = &sink;
        std::vector<std::int16_t> block(2048);
        long n = 0;
        for (int b = 0; b < 8; ++b) {
            for (auto& v : block)
                v = static_cast<std::int16_t>(std::lround(3000.0 * std::sin(2.0 * M_PI * p.LowerStep * (n++) / 32768.0)));
            path.ProcessSoundBuffer(block.data(), true);
        }
        const double m = path.Rings.SmoothedSpectrum[p.LowerBin];
        EXPECT_NEAR(rx::DemodMagnitude(sink.Last) / m, 1.0, 0.12) << baud;
    }
}

// ---- NAVTEX bit clock

TEST(BitClock, TransitionAtZeroMovesOneSampleBack)
{
    rx::TBitClock c;
    for (int i = 0; i < 109; ++i)
        c.Step(0, 110);
    EXPECT_EQ(c.Phase(), 109);
    c.Step(1, 110);  // the counter wraps to 0 and meets a transition there
    EXPECT_EQ(c.Phase(), 109);
}

TEST(BitClock, LateAndEarlyTransitionsPullAnEighthPlusOne)
{
    rx::TBitClock late;
    for (int i = 0; i < 40; ++i)
        late.Step(0, 110);
    late.Step(1, 110);  // at 41: 41 - (5 + 1)
    EXPECT_EQ(late.Phase(), 35);
    rx::TBitClock early;
    for (int i = 0; i < 99; ++i)
        early.Step(0, 110);
    early.Step(1, 110);  // at 100: 100 + (10 / 8 + 1) = 102
    EXPECT_EQ(early.Phase(), 102);
    rx::TBitClock wrap;
    for (int i = 0; i < 108; ++i)
        wrap.Step(0, 110);
    wrap.Step(1, 110);  // at 109: 109 + (1 / 8 + 1) wraps to 0
    EXPECT_EQ(wrap.Phase(), 0);
    rx::TBitClock half;
    for (int i = 0; i < 54; ++i)
        half.Step(0, 110);
    half.Step(1, 110);  // exactly at half a bit, 55: counted as late, 55 - (6 + 1)
    EXPECT_EQ(half.Phase(), 48);
}

TEST(BitClock, TakesTheBitExactlyInItsMiddle)
{
    rx::TBitClock c;
    std::vector<int> taken;
    for (int i = 1; i <= 330; ++i)
        if (c.Step(0, 110))
            taken.push_back(i);
    EXPECT_EQ(taken, (std::vector<int>{55, 165, 275}));
}

TEST(BitClock, LocksToTrueHundredBaudAndTakesEveryBitOnce)
{
    std::mt19937 gen(11);
    std::vector<int> bits(600);
    for (auto& b : bits)
        b = gen() & 1;
    rx::TBitClock c;
    const double spb = 11025.0 / 100.0;  // 110.25 against the clock's 110
    std::vector<int> taken;
    std::vector<double> offsets;
    for (long s = 37; s < static_cast<long>(spb * 600); ++s) {
        const int i = static_cast<int>(s / spb);
        if (c.Step(bits[static_cast<std::size_t>(i)], 110)) {
            taken.push_back(bits[static_cast<std::size_t>(i)]);
            offsets.push_back(s - (i + 0.5) * spb);
        }
    }
    ASSERT_GT(taken.size(), 590u);
    ASSERT_LT(taken.size(), 602u);
    // After settling, every bit is taken near its middle.
    for (std::size_t k = 100; k < offsets.size(); ++k)
        EXPECT_LT(std::fabs(offsets[k]), 25.0) << k;
    // The last 400 bits taken are the last 400 sent.
    int matched = 0;
    for (std::size_t k = taken.size() - 400; k < taken.size(); ++k)
        matched += taken[k] == bits[k + (600 - taken.size())] ? 1 : 0;
    EXPECT_EQ(matched, 400);
}

}  // namespace
