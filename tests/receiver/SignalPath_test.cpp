#include "receiver/SignalPath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "receiver/Tuning.h"
#include "tests/support/ParamName.h"

namespace {

class TRecordingHost : public rx::TRxSignalHost {
public:
    std::vector<std::string>* Log = nullptr;
    bool Afc = true;
    int Range = 10;
    int OscPoints = 0;
    std::function<void()> OnSpectrum;
    bool AfcEnabled() override { return Afc; }
    int AfcRange() override { return Range; }
    void SpectrumReady(bool fromFile) override
    {
        Log->push_back(fromFile ? "spectrum from file" : "spectrum");
        if (OnSpectrum)
            OnSpectrum();
    }
    void OscillogramPoint() override { ++OscPoints; }
    // After the whole block: the points it added are all there.
    void BlockDone(bool fromFile) override
    {
        Log->push_back(std::string("done") + (fromFile ? " from file" : "") + " at " + std::to_string(OscPoints));
    }
};

class TRecordingSink : public rx::TDemodSink {
public:
    std::vector<double> Rtty, Navtex;
    void RttyFrameSample(double y) override { Rtty.push_back(y); }
    void BitSyncSample(double y) override { Navtex.push_back(y); }
};

class SignalPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Tty_Params = TTtyParams{};
        host.Log = &log;
        path.Host = &host;
        path.Sink = &sink;
        rx::SetMode(Tty_Params, path.Demod, 0);  // bins 274 and 358 at 450 Hz, 50 Bd
    }
    void TearDown() override { Tty_Params = TTtyParams{}; }

    // One block of a tone at a step position (1/16 bin), continuing the phase across blocks.
    std::vector<std::int16_t> Block(int step, double amplitude = 8000.0)
    {
        std::vector<std::int16_t> x(2048);
        for (auto& v : x)
            v = static_cast<std::int16_t>(std::lround(amplitude * std::sin(2.0 * M_PI * step * (n++) / 32768.0)));
        return x;
    }
    void Run(const std::vector<std::int16_t>& x, bool fromFile = false) { path.ProcessSoundBuffer(x.data(), fromFile); }

    static double Mean(const std::vector<double>& v)
    {
        double s = 0.0;
        for (std::size_t i = v.size() / 2; i < v.size(); ++i)
            s += v[i];
        return s / static_cast<double>(v.size() - v.size() / 2);
    }

    long n = 0;
    std::vector<std::string> log;
    TRecordingHost host;
    TRecordingSink sink;
    rx::TRxSignalPath path;
};

struct TSenseCase {
    int mode, reverse;
    bool upperTone;
    int sign;  // of what the decoder receives
};

void PrintTo(const TSenseCase& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << "mode" << c.mode << (c.reverse ? " reverse" : " normal") << (c.upperTone ? " upper" : " lower") << " tone";
}

class ToneSense : public SignalPathTest, public ::testing::WithParamInterface<TSenseCase> {};

TEST_P(ToneSense, DecoderSeesTheSignOfTheModeAndSense)
{
    const TSenseCase& c = GetParam();
    rx::SetMode(Tty_Params, path.Demod, c.mode);
    Tty_Params.Reverse = c.reverse;
    host.Afc = false;
    const int step = c.upperTone ? Tty_Params.UpperStep : Tty_Params.LowerStep;
    for (int b = 0; b < 2; ++b)
        Run(Block(step));
    const std::vector<double>& got = c.mode == 0 ? sink.Rtty : sink.Navtex;
    EXPECT_EQ(got.size(), 4096u);
    EXPECT_TRUE((c.mode == 0 ? sink.Navtex : sink.Rtty).empty());
    EXPECT_GT(Mean(got) * c.sign, 1e14);
}

INSTANTIATE_TEST_SUITE_P(ModesAndSenses, ToneSense,
                         ::testing::Values(TSenseCase{0, 0, false, +1}, TSenseCase{0, 0, true, -1},
                                           TSenseCase{0, 1, false, -1}, TSenseCase{0, 1, true, +1},
                                           TSenseCase{6, 0, false, -1}, TSenseCase{6, 0, true, +1},
                                           TSenseCase{6, 1, false, +1}, TSenseCase{6, 1, true, -1}), morvik::ParamName());

TEST_F(SignalPathTest, OscillogramTakesEverySixtiethValueAcrossBlocks)
{
    Tty_Params.OscWriteIndex = 2040;
    int total = 0;
    for (int b = 0; b < 15; ++b) {
        const int before = host.OscPoints;
        Run(Block(Tty_Params.LowerStep));
        const int added = host.OscPoints - before;
        EXPECT_TRUE(added == 34 || added == 35) << added;
        total += added;
    }
    EXPECT_EQ(total, 15 * 2048 / 60);
    EXPECT_EQ(Tty_Params.OscWriteIndex, (2040 + total) & 2047);
    // The ring holds the values the decoder got, scaled; the index wrapped through 0.
    const int last = Tty_Params.OscWriteIndex;
    EXPECT_DOUBLE_EQ(path.Rings.Oscillogram[last], sink.Rtty[60 * total - 1] * rx::TRxSignalPath::kOscScale);
    const int wrapped = (0 - 2040 + 2048) % 2048;  // the point written at index 0
    EXPECT_DOUBLE_EQ(path.Rings.Oscillogram[0], sink.Rtty[60 * wrapped - 1] * rx::TRxSignalPath::kOscScale);
    EXPECT_NE(path.Rings.Oscillogram[0], 0.0);
}

TEST_F(SignalPathTest, BlockOrderSpectrumThenAfcThenDemodulation)
{
    host.Range = 10;
    // Three bins above the lower tone: the AFC takes the tone there before the block is demodulated.
    std::vector<std::int16_t> x = Block(16 * 277, 15000.0);
    host.OnSpectrum = [&] {
        EXPECT_TRUE(sink.Rtty.empty());
        EXPECT_EQ(Tty_Params.LowerBin, 274);  // the AFC has not run yet
    };
    Run(x, true);
    EXPECT_EQ(log, (std::vector<std::string>{"spectrum from file", "done from file at 34"}));
    EXPECT_NEAR(Tty_Params.LowerStep, 16 * 277, 8);
    EXPECT_EQ(Tty_Params.LowerBin, 277);
    EXPECT_EQ(sink.Rtty.size(), 2048u);
    EXPECT_NEAR(path.Rings.PeakSpectrum[277], 15000.0 * 1024 / 8388608.0 * 2 / 3, 1e-3);
}

TEST_F(SignalPathTest, NoAfcWhenItsButtonIsUp)
{
    host.Afc = false;
    Run(Block(16 * 277, 15000.0));
    EXPECT_EQ(Tty_Params.LowerStep, 16 * 274);
}

TEST_F(SignalPathTest, ModeChangedWhileTheSpectrumIsPaintedTakesEffectForTheBlock)
{
    host.OnSpectrum = [&] { rx::SetMode(Tty_Params, path.Demod, 6); };
    Run(Block(4000));
    EXPECT_TRUE(sink.Rtty.empty());
    EXPECT_EQ(sink.Navtex.size(), 2048u);
}

TEST_F(SignalPathTest, AnyOtherModeOnlyUpdatesTheSpectrum)
{
    Tty_Params.Mode = 3;
    Run(Block(16 * 277, 15000.0));
    EXPECT_EQ(log.size(), 1u);
    EXPECT_TRUE(sink.Rtty.empty());
    EXPECT_TRUE(sink.Navtex.empty());
    EXPECT_EQ(Tty_Params.LowerStep, 16 * 274);
    EXPECT_GT(path.Rings.SmoothedSpectrum[277], 0.1);
}

TEST_F(SignalPathTest, WorksWithoutHostOrSink)
{
    path.Host = nullptr;
    path.Sink = nullptr;
    Run(Block(16 * 277, 15000.0));  // AFC on by default, as in a new window
    EXPECT_EQ(Tty_Params.LowerBin, 277);
    EXPECT_NE(path.Rings.Oscillogram[Tty_Params.OscWriteIndex], 0.0);
    path.ClearPeakSpectrum();
    EXPECT_EQ(path.Rings.PeakSpectrum[277], 0.0);
}

}  // namespace
