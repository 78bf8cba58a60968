// The displays' scale, placement and pictures, and the command line's options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "receiver/CommandLine.h"
#include "receiver/Displays.h"
#include "receiver/Glyphs.h"

namespace {

struct TScaleCase {
    double V;
    int N;
    int Log;
    int Row;
};

TEST(LogScale, RowsOfTheTwoScales)
{
    const TScaleCase cases[] = {
        {1.0, 50, 1, 0},     {4.0, 50, 1, 0},     {0.0, 50, 1, 49},   {-1.0, 50, 1, 49},
        {1e-30, 50, 1, 49},  {0.5, 50, 1, 4},     {0.01, 50, 1, 28},  {0.5, 50, 0, 25},
        {1.0, 50, 0, 0},     {2.0, 50, 0, 0},     {0.0, 50, 0, 49},   {-0.5, 50, 0, 73},
        {0.999, 50, 0, 1},   {0.5, 25, 1, 2},
    };
    for (const TScaleCase& c : cases)
        EXPECT_EQ(rx::LogScale(c.V, c.N, c.Log), c.Row) << c.V << " in " << c.N << (c.Log ? " log" : " linear");
}

TEST(LogScale, OscillogramRowsRiseAndFallFromTheMiddle)
{
    EXPECT_EQ(rx::OscillogramRow(0.0, 50, 1), 25);
    EXPECT_EQ(rx::OscillogramRow(5e-8, 50, 1), 25);
    EXPECT_EQ(rx::OscillogramRow(-5e-8, 50, 0), 25);
    EXPECT_EQ(rx::OscillogramRow(1e-7, 50, 1), 25);
    EXPECT_EQ(rx::OscillogramRow(-1e-7, 50, 1), 25);
    EXPECT_EQ(rx::OscillogramRow(1.0, 50, 1), 0);
    EXPECT_EQ(rx::OscillogramRow(-1.0, 50, 1), 50);
    EXPECT_EQ(rx::OscillogramRow(0.5, 50, 0), 24 - 12);
    EXPECT_EQ(rx::OscillogramRow(-0.5, 50, 0), 50 - 12);
}

TEST(DisplayText, OffsetsAndFrequencyPanels)
{
    EXPECT_EQ(rx::SpectrumXOffset(523), 10);
    EXPECT_EQ(rx::SpectrumXOffset(503), 0);
    EXPECT_EQ(rx::SpectrumXOffset(403), -50);
    EXPECT_EQ(rx::FrequencyPanelText(5056, 11025), "1701 Hz");
    EXPECT_EQ(rx::FrequencyPanelText(1344, 11025), "452 Hz");
    EXPECT_EQ(rx::FrequencyPanelText(5055, 11025), "1701 Hz");  // 1700.77
    EXPECT_EQ(rx::FrequencyPanelText(50000, 22050), "33646 Hz");
}

class DisplayPicture : public ::testing::Test {
protected:
    void SetUp() override { P.LowerBin = 274, P.UpperBin = 358; }
    TColor At(int x, int y) { return B.Canvas()->Pixels(x, y); }
    TTtyParams P;
    rx::TRxDisplayRings Rings;
    TBitmap B;
};

TEST_F(DisplayPicture, SpectrumCurvesMarkersAndSquelchLine)
{
    for (int bin = rx::kFirstBin; bin <= rx::kLastBin; ++bin) {
        Rings.PeakSpectrum[bin] = 1.0;  // top row
        Rings.SmoothedSpectrum[bin] = 0.0;  // bottom row
    }
    Rings.PeakSpectrum[56] = 0.0;  // a dip at x = 11
    P.IsSquelch = 1;
    P.SquelchLevel = 0.5;
    P.LogarithmicSpectrum = 0;
    P.FFTBackground = clYellow;
    B.SetSize(523, 50);
    rx::PaintSpectrum(*B.Canvas(), 523, 50, P, Rings);
    EXPECT_EQ(At(200, 0), clGreen);
    EXPECT_EQ(At(200, 49), clBlue);
    EXPECT_EQ(At(200, 25), clRed);   // the squelch line on 0.5's row
    EXPECT_EQ(At(0, 25), clYellow);  // it starts at x = 1
    EXPECT_EQ(At(200, 10), clYellow);
    EXPECT_EQ(At(200, 48), clYellow);
    EXPECT_EQ(At(11, 40), clGreen);
    for (int bin : {274, 358}) {
        const int x = bin + 10 - 55;
        EXPECT_EQ(At(x, 10), clRed) << bin;
        EXPECT_EQ(At(x - 1, 10), clYellow) << bin;
    }
    EXPECT_EQ(At(9, 0), clYellow);  // the band starts at x = 10
    EXPECT_EQ(At(10 + 501, 0), clGreen);
    P.IsSquelch = 0;
    rx::PaintSpectrum(*B.Canvas(), 523, 50, P, Rings);
    EXPECT_EQ(At(200, 25), clYellow);
}

TEST_F(DisplayPicture, ANarrowSpectrumShowsTheMiddleOfTheBand)
{
    // Only bins 105 to 507 reach a 403-pixel display: mark them to see where they land.
    Rings.PeakSpectrum[104] = 1.0;
    Rings.PeakSpectrum[105] = 1.0;
    Rings.PeakSpectrum[300] = 1.0;
    B.SetSize(403, 50);
    rx::PaintSpectrum(*B.Canvas(), 403, 50, P, Rings);
    EXPECT_EQ(At(0, 0), clGreen);
    EXPECT_EQ(At(300 - 105, 0), clGreen);
    EXPECT_EQ(At(300 - 105, 1), clGreen);  // the curve rises from its neighbour to the top
    EXPECT_NE(At(150, 0), clGreen);
    // Markers at bins 274 and 358 lie at x 169 and 253.
    EXPECT_EQ(At(169, 30), clRed);
    EXPECT_EQ(At(253, 30), clRed);
}

TEST_F(DisplayPicture, OscillogramEndsAtTheWriteIndexAndWraps)
{
    std::vector<double> ring(rx::kRingSize, 0.0);
    P.OscWriteIndex = 5;
    P.LogarithmicOscillogram = 0;
    P.OscBackground = clWhite;
    // The display of width 100 shows the entries from 5 - 99 (wrapped to 1954) on.
    ring[(5 - 99) & 2047] = 1.0;      // x = 0, top row
    ring[(5 - 99 + 1) & 2047] = -1.0;   // x = 1, bottom row
    ring[(5 - 99 + 50) & 2047] = -1.0;  // x = 50, bottom row
    B.SetSize(100, 50);
    rx::PaintOscillogram(*B.Canvas(), 100, 50, P, ring.data());
    EXPECT_EQ(At(0, 0), clGreen);
    EXPECT_EQ(At(50, 49), clGreen);
    EXPECT_EQ(At(1, 45), clGreen);
    EXPECT_EQ(At(70, 25), clRed);  // the zero line over the flat curve, from x = 1
    EXPECT_EQ(At(0, 30), clWhite);
    EXPECT_EQ(At(70, 10), clWhite);
}

TEST(CommandLine, OptionsAreTheTextsBetweenSlashes)
{
    EXPECT_EQ(rx::CommandOptions(""), std::vector<std::string>{});
    EXPECT_EQ(rx::CommandOptions("abc"), std::vector<std::string>{});
    EXPECT_EQ(rx::CommandOptions("/S11025 /x//y"), (std::vector<std::string>{"S11025 ", "x", "", "y"}));
    EXPECT_EQ(rx::CommandOptions("a/"), std::vector<std::string>{""});
    const std::string longOption(150, 'a');
    EXPECT_EQ(rx::CommandOptions("/" + longOption + "/s1"),
              (std::vector<std::string>{std::string(99, 'a'), "s1"}));
}

TEST(CommandLine, TheSamplingFrequencyOption)
{
    struct TCase {
        const char* Option;
        bool Taken;
        double Fs;
    };
    for (const TCase& c : {TCase{"S11025.5", true, 11025.5}, TCase{"s 11025.5", true, 11025.5},
                           TCase{"S \"11025.5\" ", true, 11025.5}, TCase{"s\"11025.5\"", true, 11025.5},
                           TCase{"Sabc", true, 0.0}, TCase{"S", true, 0.0}, TCase{"x11025", false, -1.0},
                           TCase{"", false, -1.0}}) {
        double fs = -1.0;
        EXPECT_EQ(rx::SamplingFreqOption(c.Option, fs), c.Taken) << c.Option;
        EXPECT_EQ(fs, c.Fs) << c.Option;
    }
    std::string t = "  a b \t";
    EXPECT_EQ(rx::TrimTrailingBlanks(t), "a b");
    t = "\"a\"\"b\"";
    EXPECT_EQ(rx::StripQuotes(t), "ab");
}

}  // namespace

namespace {

TEST(LampsAndIcon, AreDrawnWhereTheButtonsAndTheDesktopLookForThem)
{
    TBitmap lamp;
    rx::DrawLampGlyph(lamp, clLime);
    ASSERT_EQ(lamp.Width(), 4 * rx::kLampSize);
    ASSERT_EQ(lamp.Height(), rx::kLampSize);
    TCanvas& c = *lamp.Canvas();
    const int mid = rx::kLampSize / 2;
    EXPECT_EQ(lamp.TransparentColor(), clOlive);
    EXPECT_EQ(c.Pixels(mid, 1), clBlack);                    // the rim
    EXPECT_EQ(c.Pixels(mid, mid + 2), TColor(RGB(0, 85, 0)));  // off: a third of the colour
    EXPECT_EQ(c.Pixels(rx::kLampSize + mid, mid + 2), clSilver);
    for (int image : {2, 3}) {
        EXPECT_EQ(c.Pixels(image * rx::kLampSize + mid, mid + 2), clLime) << image;
        EXPECT_EQ(c.Pixels(image * rx::kLampSize + 4, 4), clWhite) << image;  // the glint
        EXPECT_EQ(c.Pixels(image * rx::kLampSize + 6, 4), clLime) << image;
    }
    EXPECT_EQ(c.Pixels(4, 4), TColor(RGB(0, 85, 0)));  // no glint when off

    TBitmap icon;
    rx::DrawProgramIcon(icon, 32);
    ASSERT_EQ(icon.Width(), 32);
    TCanvas& i = *icon.Canvas();
    EXPECT_EQ(i.Pixels(1, 1), TColor(RGB(16, 32, 64)));
    EXPECT_EQ(i.Pixels(6, 6), clWhite);
    EXPECT_EQ(i.Pixels(12, 8), clRed);  // the two tone markers
    EXPECT_EQ(i.Pixels(20, 8), clRed);
    EXPECT_EQ(i.Pixels(12, 6), clRed);
    EXPECT_EQ(i.Pixels(16, 22), clGreen);  // the floor of the curve between the peaks
}

}  // namespace
