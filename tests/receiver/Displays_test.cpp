// The displays' scale, placement and pictures, and the command line's options.
#include <gtest/gtest.h>

#include <string>
#include <utility>
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
    EXPECT_EQ(At(1, 25), clRed);
    EXPECT_EQ(At(521, 25), clRed);   // and ends before x = 522, the column the background leaves
    EXPECT_NE(At(522, 25), clRed);
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

TEST_F(DisplayPicture, TonesMarkedUpToTheDisplaysEdgesAndNotBeyond)
{
    // 403 pixels wide: bin 105 is at x = 0, bin 507 at x = 402.
    const struct {
        int Lower, Upper;
        int LowerX, UpperX;
    } cases[] = {{105, 507, 0, 402}, {104, 508, -1, -1}, {106, 506, 1, 401}};
    for (const auto& c : cases) {
        P.LowerBin = c.Lower;
        P.UpperBin = c.Upper;
        P.FFTBackground = clYellow;
        const rx::TSpectrumPicture pic = rx::SpectrumPicture(403, 50, P, Rings);
        EXPECT_EQ(pic.LowerX, c.LowerX) << c.Lower;
        EXPECT_EQ(pic.UpperX, c.UpperX) << c.Upper;
        TBitmap b;  // the background leaves the last column alone: each case on a fresh bitmap
        b.SetSize(403, 50);
        b.Canvas()->Brush()->SetColor(clYellow);
        b.Canvas()->FillRect(TRect{0, 0, 403, 50});
        rx::PaintSpectrum(*b.Canvas(), pic);
        for (int x : {c.LowerX, c.UpperX}) {
            if (x >= 0) {
                EXPECT_EQ(b.Canvas()->Pixels(x, 20), clRed) << x;
            }
        }
        if (c.LowerX < 0) {
            EXPECT_EQ(b.Canvas()->Pixels(0, 20), clYellow);
            EXPECT_EQ(b.Canvas()->Pixels(402, 20), clYellow);
        }
    }
}

TEST_F(DisplayPicture, DisplaysOfOnePixelShowWhatFits)
{
    for (int bin = rx::kFirstBin; bin <= rx::kLastBin; ++bin)
        Rings.PeakSpectrum[bin] = 1.0;
    // One row: the peak-hold curve along it.
    B.SetSize(523, 1);
    B.Canvas()->Brush()->SetColor(clBlack);
    B.Canvas()->FillRect(TRect{0, 0, 523, 1});
    rx::PaintSpectrum(*B.Canvas(), 523, 1, P, Rings);
    EXPECT_EQ(At(200, 0), clBlue);  // the smoothed curve over it, both on row 0
    // One column, the middle of the band at bin 306 under the lower tone's marker.
    P.LowerBin = 306;
    B.SetSize(1, 50);
    B.Canvas()->FillRect(TRect{0, 0, 1, 50});
    rx::PaintSpectrum(*B.Canvas(), 1, 50, P, Rings);
    EXPECT_EQ(At(0, 20), clRed);
    // One row of oscillogram in silence: the curve and the zero line both lie on it.
    const std::vector<double> silence(rx::kRingSize, 0.0);
    P.OscBackground = clYellow;
    B.SetSize(100, 1);
    B.Canvas()->FillRect(TRect{0, 0, 100, 1});
    rx::PaintOscillogram(*B.Canvas(), 100, 1, P, silence.data());
    EXPECT_EQ(At(0, 0), clGreen);
    EXPECT_EQ(At(50, 0), clRed);
}

TEST_F(DisplayPicture, TheBandKeepsOffTheFirstColumnOnceTheDisplayIsTwoWiderThanIt)
{
    // The first bin on the top row, the rest on the bottom one.
    Rings.PeakSpectrum[rx::kFirstBin] = 1.0;
    P.LogarithmicSpectrum = 0;
    P.FFTBackground = clYellow;
    const struct {
        int Width, FirstX;
    } cases[] = {
        {rx::kSpectrumBins, 0}, {rx::kSpectrumBins + 1, 0}, {rx::kSpectrumBins + 2, 1}, {rx::kSpectrumBins + 3, 1}};
    for (const auto& c : cases) {
        TBitmap b;
        b.SetSize(c.Width, 50);
        rx::PaintSpectrum(*b.Canvas(), c.Width, 50, P, Rings);
        EXPECT_EQ(b.Canvas()->Pixels(c.FirstX, 0), clGreen) << c.Width;
        for (int y = 0; y < 49 && c.FirstX > 0; ++y)
            EXPECT_EQ(b.Canvas()->Pixels(0, y), clYellow) << c.Width << " row " << y;
    }
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
    // One row high, as a hidden oscillogram's strip: its zero line is that row.
    B.SetSize(100, 1);
    B.Canvas()->Brush()->SetColor(clBlack);
    B.Canvas()->FillRect(TRect{0, 0, 100, 1});
    rx::PaintOscillogram(*B.Canvas(), 100, 1, P, ring.data());
    EXPECT_EQ(At(70, 0), clRed);
}

// The curves, drawn point to point as a move-to and a line-to for each further point, give the
// same picture pixel for pixel, whatever the values, scales and widths.
TEST_F(DisplayPicture, CurvesAreThePicturesOfTheirLineTos)
{
    unsigned r = 12345;
    auto next = [&] {
        r = r * 1103515245u + 12345u;
        return static_cast<double>((r >> 8) % 100000) / 40000.0 - 0.5;  // -0.5 .. 2.0
    };
    for (double& v : Rings.PeakSpectrum)
        v = next();
    for (double& v : Rings.SmoothedSpectrum)
        v = next() / 8;
    std::vector<double> ring(rx::kRingSize);
    for (double& v : ring)
        v = next() * 1e-4;
    TBitmap ref;
    auto row = [](double v, int h, int log) { return rx::LogScale(v, h, log); };
    for (int log : {0, 1})
        for (int width : {523, 503, 403, 2, 1}) {
            P.LogarithmicSpectrum = P.LogarithmicOscillogram = log;
            const int h = 50;
            B.SetSize(width, h);
            rx::PaintSpectrum(*B.Canvas(), width, h, P, Rings);
            ref.SetSize(width, h);
            TCanvas& c = *ref.Canvas();
            c.Brush()->SetColor(P.FFTBackground);
            c.Pen()->SetColor(P.FFTBackground);
            c.Rectangle(0, 0, width - 1, h - 1);
            const int off = rx::SpectrumXOffset(width);
            for (const auto& [values, colour] : {std::pair{Rings.PeakSpectrum, clGreen}, std::pair{Rings.SmoothedSpectrum, clBlue}}) {
                c.Pen()->SetColor(colour);
                if (off > 0) {
                    c.MoveTo(off, row(values[55], h, log));
                    for (int bin = 56; bin <= 557; ++bin)
                        c.LineTo(off + bin - 55, row(values[bin], h, log));
                } else {
                    c.MoveTo(0, row(values[55 - off], h, log));
                    for (int x = 1; x < width; ++x)
                        c.LineTo(x, row(values[55 - off + x], h, log));
                }
            }
            c.Pen()->SetColor(clRed);
            for (int bin : {P.LowerBin, P.UpperBin})
                if (bin + off - 55 >= 0 && bin + off - 55 < width) {
                    c.MoveTo(bin + off - 55, h - 1);
                    c.LineTo(bin + off - 55, 0);
                }
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(At(x, y), ref.Canvas()->Pixels(x, y)) << "spectrum " << width << " log " << log << " at " << x << "," << y;

            rx::PaintOscillogram(*B.Canvas(), width, h, P, ring.data());
            c.Brush()->SetColor(P.OscBackground);
            c.Pen()->SetColor(P.OscBackground);
            c.Rectangle(0, 0, width - 1, h - 1);
            c.Pen()->SetColor(clGreen);
            const int s = (P.OscWriteIndex - width + 1) & 2047;
            c.MoveTo(0, rx::OscillogramRow(ring[s], h, log));
            c.LineTo(0, rx::OscillogramRow(ring[s], h, log));
            for (int x = 1; x <= width - 2; ++x)
                c.LineTo(x, rx::OscillogramRow(ring[(s + x) & 2047], h, log));
            c.Pen()->SetColor(clRed);
            c.MoveTo(1, h / 2);
            c.LineTo(width - 1, h / 2);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(At(x, y), ref.Canvas()->Pixels(x, y)) << "oscillogram " << width << " log " << log << " at " << x << "," << y;
        }
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
