#include "receiver/Tuning.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "receiver/Demodulator.h"
#include "tests/support/ParamName.h"

namespace {

// Records what the setters show, in order.
class TRecordingView : public rx::TTuningView {
public:
    std::vector<std::string> Log;
    void SpeedItemChecked(int baud) override { Log.push_back("speed " + std::to_string(baud)); }
    void ShiftItemChecked(int item) override { Log.push_back("shift " + std::to_string(item)); }
    void ModeItemChecked(int mode, bool enabled) override
    {
        Log.push_back("mode " + std::to_string(mode) + (enabled ? " menus on" : " menus off"));
    }
    void StatusPanelText(int panel, const std::string& text) override
    {
        Log.push_back("panel " + std::to_string(panel) + " " + text);
    }
    void ReverseCaption(const std::string& caption) override { Log.push_back("caption " + caption); }
};

class TuningTest : public ::testing::Test {
protected:
    void SetUp() override { Tty_Params = TTtyParams{}; }
    void TearDown() override { Tty_Params = TTtyParams{}; }
    TTtyParams& P = Tty_Params;
    rx::TTwoToneDemod Demod;
    TRecordingView View;
};

TEST_F(TuningTest, StartValues)
{
    EXPECT_EQ(P.Mode, 0);
    EXPECT_EQ(P.LowerBin, 300);
    EXPECT_EQ(P.UpperBin, 332);
    EXPECT_EQ(P.LowerStep, 4800);
    EXPECT_EQ(P.UpperStep, 5312);
    EXPECT_EQ(P.ShiftHz, 450);
    EXPECT_EQ(P.ShiftBins, 84);
    EXPECT_EQ(P.ShiftStep, 1337);
    EXPECT_EQ(P.BaudRate, 50);
    EXPECT_EQ(P.SamplesPerBit, 221);
    EXPECT_EQ(P.HalfBit, 110);
    EXPECT_EQ(P.ComMask, 2);
    EXPECT_EQ(P.DoFastSync, 1);
    EXPECT_EQ(P.IgnoreSYNOP, 1);
    EXPECT_EQ(P.FFTBackground, 16777215);
    EXPECT_EQ(P.OscBackground, 16777215);
    EXPECT_EQ(P.OscShow, 1);
    EXPECT_EQ(P.UTCoffset, -1);
    EXPECT_EQ(P.LogarithmicSpectrum, 1);
    EXPECT_EQ(P.LogarithmicOscillogram, 1);
    EXPECT_EQ(P.SoundCardNumber, -1);
    EXPECT_EQ(P.RawLogFile, nullptr);
    EXPECT_NEAR(P.SquelchLevel, 0.035584, 5e-7);
    EXPECT_EQ(P.SamplingFreq, 11025.0);
    // A new demodulator runs the slow chain with the start table and resets its oscillators.
    EXPECT_EQ(Demod.DemodChain, rx::TDemodChain::Slow);
    EXPECT_EQ(Demod.FinalTable, &BaudFirTableStart);
    EXPECT_TRUE(Demod.NcoResetPending);
    // The start values already agree with what the setters derive from them.
    TTtyParams derived;
    rx::SetShift(derived, derived.ShiftHz);
    rx::SetSpeed(derived, Demod, derived.BaudRate);
    EXPECT_EQ(derived.ShiftBins, P.ShiftBins);
    EXPECT_EQ(derived.ShiftStep, P.ShiftStep);
    EXPECT_EQ(derived.SamplesPerBit, P.SamplesPerBit);
}

struct TSpeedCase {
    int mode, baud;
    double fs;
    int storedBaud, spb, half;
    const TBaudFirTable* table;
    rx::TDemodChain chain;
    const char* panel;
};

void PrintTo(const TSpeedCase& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << "mode" << c.mode << " " << c.baud << " Bd at " << c.fs;
}

class SpeedTable : public TuningTest, public ::testing::WithParamInterface<TSpeedCase> {};

TEST_P(SpeedTable, DerivesBitTimingTableAndChain)
{
    const TSpeedCase& c = GetParam();
    P.Mode = c.mode;
    P.SamplingFreq = c.fs;
    P.HoldOffTicks = 40;
    P.LowerStep = 4803;  // a speed change never moves the tones
    Demod.NcoResetPending = false;
    rx::SetSpeed(P, Demod, c.baud, &View);
    EXPECT_EQ(P.HoldOffTicks, 0);
    EXPECT_EQ(P.BaudRate, c.storedBaud);
    EXPECT_EQ(P.SamplesPerBit, c.spb);
    EXPECT_EQ(P.HalfBit, c.half);
    EXPECT_EQ(Demod.FinalTable, c.table);
    EXPECT_EQ(Demod.DemodChain, c.chain);
    EXPECT_TRUE(Demod.NcoResetPending);
    EXPECT_EQ(P.LowerStep, 4803);
    EXPECT_EQ(View.Log, (std::vector<std::string>{"speed " + std::to_string(c.storedBaud), c.panel}));
}

using rx::TDemodChain;
INSTANTIATE_TEST_SUITE_P(
    SpeedsModesRates, SpeedTable,
    ::testing::Values(
        TSpeedCase{0, 45, 11025.0, 45, 243, 121, &BaudFirTable45, TDemodChain::Slow, "panel 1 45 Baud"},
        TSpeedCase{0, 50, 11025.0, 50, 221, 110, &BaudFirTable50, TDemodChain::Slow, "panel 1 50 Baud"},
        TSpeedCase{0, 75, 11025.0, 75, 147, 73, &BaudFirTable75, TDemodChain::Fast, "panel 1 75 Baud"},
        TSpeedCase{0, 100, 11025.0, 100, 110, 55, &BaudFirTable100, TDemodChain::Fast, "panel 1 100 Baud"},
        TSpeedCase{0, 110, 11025.0, 50, 221, 110, &BaudFirTable50, TDemodChain::Slow, "panel 1 50 Baud"},
        TSpeedCase{0, 0, 11025.0, 50, 221, 110, &BaudFirTable50, TDemodChain::Slow, "panel 1 50 Baud"},
        // A calibrated rate: 11025.5 / 45.45 = 242.585..., / 75 = 147.006..., / 100 = 110.255
        TSpeedCase{0, 45, 11025.5, 45, 243, 121, &BaudFirTable45, TDemodChain::Slow, "panel 1 45 Baud"},
        TSpeedCase{0, 50, 11025.5, 50, 221, 110, &BaudFirTable50, TDemodChain::Slow, "panel 1 50 Baud"},
        TSpeedCase{0, 75, 11025.5, 75, 147, 73, &BaudFirTable75, TDemodChain::Fast, "panel 1 75 Baud"},
        TSpeedCase{0, 100, 11025.5, 100, 110, 55, &BaudFirTable100, TDemodChain::Fast, "panel 1 100 Baud"},
        TSpeedCase{0, 50, 11030.0, 50, 221, 110, &BaudFirTable50, TDemodChain::Slow, "panel 1 50 Baud"},
        TSpeedCase{0, 50, 22050.0, 50, 441, 220, &BaudFirTable50, TDemodChain::Slow, "panel 1 50 Baud"},
        TSpeedCase{0, 45, 11100.0, 45, 244, 122, &BaudFirTable45, TDemodChain::Slow, "panel 1 45 Baud"},
        // NAVTEX: the table and chain follow the chosen speed, the bit timing 100 Bd.
        TSpeedCase{6, 45, 11025.0, 45, 110, 55, &BaudFirTable45, TDemodChain::Slow, "panel 1 100 Baud"},
        TSpeedCase{6, 50, 11025.0, 50, 110, 55, &BaudFirTable50, TDemodChain::Slow, "panel 1 100 Baud"},
        TSpeedCase{6, 75, 11025.0, 75, 110, 55, &BaudFirTable75, TDemodChain::Fast, "panel 1 100 Baud"},
        TSpeedCase{6, 100, 11025.0, 100, 110, 55, &BaudFirTable100, TDemodChain::Fast, "panel 1 100 Baud"},
        TSpeedCase{6, 100, 11025.5, 100, 110, 55, &BaudFirTable100, TDemodChain::Fast, "panel 1 100 Baud"}), morvik::ParamName());

struct TShiftCase {
    int mode, hz;
    double fs;
    int storedHz, item, bins, steps;
};

void PrintTo(const TShiftCase& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << "mode" << c.mode << " " << c.hz << " Hz at " << c.fs;
}

class ShiftTable : public TuningTest, public ::testing::WithParamInterface<TShiftCase> {};

TEST_P(ShiftTable, DerivesBinsAndSteps)
{
    const TShiftCase& c = GetParam();
    P.Mode = c.mode;
    P.SamplingFreq = c.fs;
    P.HoldOffTicks = 3;
    rx::SetShift(P, c.hz, &View);
    EXPECT_EQ(P.HoldOffTicks, 0);
    EXPECT_EQ(P.ShiftHz, c.storedHz);
    EXPECT_EQ(P.ShiftBins, c.bins);
    EXPECT_EQ(P.ShiftStep, c.steps);
    EXPECT_EQ(P.LowerBin, 300);  // a shift change alone does not move the tones
    EXPECT_EQ(P.UpperStep, 5312);
    EXPECT_EQ(View.Log, (std::vector<std::string>{"shift " + std::to_string(c.item)}));
}

INSTANTIATE_TEST_SUITE_P(
    ShiftsModesRates, ShiftTable,
    ::testing::Values(TShiftCase{0, 85, 11025.0, 85, 85, 16, 253}, TShiftCase{0, 170, 11025.0, 170, 170, 32, 505},
                      TShiftCase{0, 425, 11025.0, 425, 425, 79, 1263}, TShiftCase{0, 450, 11025.0, 450, 425, 84, 1337},
                      TShiftCase{0, 850, 11025.0, 850, 850, 158, 2526}, TShiftCase{0, 300, 11025.0, 170, 170, 32, 505},
                      TShiftCase{0, -5, 11025.0, 170, 170, 32, 505},
                      // 11025.5: 450 / (11025.5 / 2048) = 83.589..., 450 / (11025.5 / 32768) = 1337.43...
                      TShiftCase{0, 85, 11025.5, 85, 85, 16, 253}, TShiftCase{0, 170, 11025.5, 170, 170, 32, 505},
                      TShiftCase{0, 450, 11025.5, 450, 425, 84, 1337}, TShiftCase{0, 850, 11025.5, 850, 850, 158, 2526},
                      TShiftCase{0, 450, 22050.0, 450, 425, 42, 669},
                      // NAVTEX stores and checks the choice but works with 170 Hz.
                      TShiftCase{6, 850, 11025.0, 850, 850, 32, 505}, TShiftCase{6, 85, 11025.0, 85, 85, 32, 505},
                      TShiftCase{6, 450, 11025.5, 450, 425, 32, 505}), morvik::ParamName());

TEST_F(TuningTest, SetModeAppliesShiftSpeedAndRecentresOnWholeBins)
{
    P.LowerBin = 274;
    P.UpperBin = 358;
    P.LowerStep = 4390;  // fine positions that tuning had reached are dropped
    P.UpperStep = 5733;
    P.HoldOffTicks = 12;
    P.HoldOffTicks = 5;
    rx::SetMode(P, Demod, 0, &View);
    EXPECT_EQ(P.HoldOffTicks, 0);
    EXPECT_EQ(P.HoldOffTicks, 0);
    EXPECT_EQ(P.LowerBin, 274);
    EXPECT_EQ(P.UpperBin, 358);
    EXPECT_EQ(P.LowerStep, 4384);
    EXPECT_EQ(P.UpperStep, 5728);
    EXPECT_EQ(View.Log, (std::vector<std::string>{"mode 0 menus on", "panel 0 RTTY", "shift 425", "speed 50",
                                                  "panel 1 50 Baud"}));
}

TEST_F(TuningTest, NavtexFixesShiftAndBitTimingButKeepsTheChoices)
{
    P.ShiftHz = 850;
    P.BaudRate = 45;
    rx::SetMode(P, Demod, 6, &View);
    EXPECT_EQ(P.Mode, 6);
    EXPECT_EQ(P.ShiftHz, 850);
    EXPECT_EQ(P.ShiftBins, 32);
    EXPECT_EQ(P.ShiftStep, 505);
    EXPECT_EQ(P.BaudRate, 45);
    EXPECT_EQ(P.SamplesPerBit, 110);
    EXPECT_EQ(Demod.FinalTable, &BaudFirTable45);
    // Centre (300 + 332) / 2 = 316, half shift 16.
    EXPECT_EQ(P.LowerBin, 300);
    EXPECT_EQ(P.UpperBin, 332);
    EXPECT_EQ(View.Log.front(), "mode 6 menus off");
    EXPECT_EQ(View.Log[1], "panel 0 NAVTEX");
    EXPECT_EQ(View.Log.back(), "panel 1 100 Baud");
    // Back to RTTY: the stored choices take effect again.
    rx::SetMode(P, Demod, 3, &View);
    EXPECT_EQ(P.Mode, 0);
    EXPECT_EQ(P.ShiftBins, 158);
    EXPECT_EQ(P.SamplesPerBit, 243);
}

struct TCentreCase {
    int lower, upper, shiftHz, wantLower, wantUpper;
};

void PrintTo(const TCentreCase& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << "bins " << c.lower << " " << c.upper << " shift " << c.shiftHz;
}

class ModeRecentring : public TuningTest, public ::testing::WithParamInterface<TCentreCase> {};

TEST_P(ModeRecentring, KeepsThePairInsideTheWorkingBand)
{
    const TCentreCase& c = GetParam();
    P.LowerBin = c.lower;
    P.UpperBin = c.upper;
    P.ShiftHz = c.shiftHz;
    rx::SetMode(P, Demod, 0);
    EXPECT_EQ(P.LowerBin, c.wantLower);
    EXPECT_EQ(P.UpperBin, c.wantUpper);
    EXPECT_EQ(P.LowerStep, 16 * c.wantLower);
    EXPECT_EQ(P.UpperStep, 16 * c.wantUpper);
    EXPECT_GE(P.LowerBin, rx::kFirstBin);
    EXPECT_LE(P.UpperBin, rx::kLastBin);
}

INSTANTIATE_TEST_SUITE_P(Edges, ModeRecentring,
                         ::testing::Values(TCentreCase{40, 124, 450, 55, 139},   // centre 82 -> 97
                                           TCentreCase{530, 600, 450, 473, 557},  // centre 565 -> 515
                                           TCentreCase{500, 560, 850, 399, 557},  // centre 530 -> 478, h 79
                                           TCentreCase{-100, -50, 170, 55, 87},
                                           TCentreCase{300, 332, 85, 308, 324}), morvik::ParamName());  // 16 bins: h 8

TEST_F(TuningTest, ReverseAndSquelchControls)
{
    rx::ReverseButtonClick(P, true, &View);
    EXPECT_EQ(P.Reverse, 1);
    rx::ReverseButtonClick(P, false, &View);
    EXPECT_EQ(P.Reverse, 0);
    EXPECT_EQ(View.Log, (std::vector<std::string>{"caption Reverse", "caption Normal"}));

    rx::SquelchButtonClick(P, true);
    EXPECT_EQ(P.IsSquelch, 1);
    rx::SquelchButtonClick(P, false);
    EXPECT_EQ(P.IsSquelch, 0);

    const struct {
        int position;
        double level;
    } levels[] = {{50, 0.035584}, {1, 0.000686}, {99, 1.845162}};
    for (const auto& l : levels) {
        rx::SquelchUpDownClick(P, l.position);
        EXPECT_NEAR(P.SquelchLevel, l.level, 5e-7) << l.position;
    }
}

TEST_F(TuningTest, UnacceptableSamplingFrequenciesAreRefused)
{
    ASSERT_TRUE(rx::SetSamplingFreq(P, 11025.5));
    const double refused[] = {0.0, -11025.0, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(), 1000.0, 1e9};
    for (double fs : refused) {
        EXPECT_FALSE(rx::SetSamplingFreq(P, fs)) << fs;
        EXPECT_EQ(P.SamplingFreq, 11025.5) << fs;
    }
    EXPECT_TRUE(rx::SetSamplingFreq(P, rx::kMinSamplingFreq));
    EXPECT_TRUE(rx::SetSamplingFreq(P, rx::kMaxSamplingFreq));
}

TEST_F(TuningTest, SettersStayFiniteWhenTheRecordHoldsABadRate)
{
    // Written straight into the record, bypassing the check: the setters fall back on the device rate.
    for (double fs : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
        P.SamplingFreq = fs;
        rx::SetShift(P, 170);
        rx::SetSpeed(P, Demod, 100);
        EXPECT_EQ(P.ShiftBins, 32) << fs;
        EXPECT_EQ(P.ShiftStep, 505) << fs;
        EXPECT_EQ(P.SamplesPerBit, 110) << fs;
    }
}

TEST_F(TuningTest, ExtremeAcceptedRatesKeepEveryShiftInsideTheBand)
{
    for (double fs : {rx::kMinSamplingFreq, rx::kMaxSamplingFreq}) {
        for (int hz : {85, 170, 450, 850}) {
            ASSERT_TRUE(rx::SetSamplingFreq(P, fs));
            P.ShiftHz = hz;
            rx::SetMode(P, Demod, 0);
            EXPECT_GE(P.ShiftBins, 1) << fs << " " << hz;
            EXPECT_GE(P.LowerBin, rx::kFirstBin);
            EXPECT_LE(P.UpperBin, rx::kLastBin);
            EXPECT_EQ(P.UpperBin - P.LowerBin, P.ShiftBins / 2 * 2);
            EXPECT_GE(P.HalfBit, 2);
        }
    }
}

}  // namespace
