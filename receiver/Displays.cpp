#include "receiver/Displays.h"

#include <cmath>
#include <vector>

#include "platform/Graphics.h"
#include "platform/SysUtils.h"

namespace rx {

namespace {

constexpr TColor kCurveGreen = clGreen;  // peak-hold spectrum and oscillogram
constexpr TColor kCurveBlue = clBlue;    // smoothed spectrum
constexpr TColor kMarkRed = clRed;       // tone markers, squelch line, zero line

// 1 / 8.058: the logarithmic band spans 8.058 natural-log units.
constexpr long double kLogSpan = 0.12410027302060064L;

// Far enough below any display that the row arithmetic never overflows.
constexpr double kLowestRow = -1048576.0;

void Background(TCanvas& c, int width, int height, TColor colour)
{
    c.Pen()->SetWidth(1);
    c.Brush()->SetStyle(bsSolid);
    c.Brush()->SetColor(colour);
    c.Pen()->SetColor(colour);
    c.Rectangle(0, 0, width - 1, height - 1);
}

// A curve's points, one per pixel column; one polyline draws the pixels that a move-to and its
// line-tos through them would.
std::vector<TPoint> Curve(int width, int height, int xOffset, const double* values, int logarithmic)
{
    std::vector<TPoint> points;
    if (xOffset > 0) {
        points.reserve(kSpectrumBins);
        for (int bin = kFirstBin; bin <= kLastBin; ++bin)
            points.push_back({xOffset + bin - kFirstBin, LogScale(values[bin], height, logarithmic)});
    } else {
        // Narrower than the band: the middle of it, from bin kFirstBin - xOffset on.
        const int first = kFirstBin - xOffset;
        points.reserve(static_cast<std::size_t>(width));
        for (int x = 0; x < width; ++x)
            points.push_back({x, LogScale(values[first + x], height, logarithmic)});
    }
    return points;
}

int MarkerColumn(int width, int bin, int xOffset)
{
    const int x = bin + xOffset - kFirstBin;
    return x >= 0 && x < width ? x : -1;
}

void ToneMarker(TCanvas& c, int height, int x)
{
    if (x >= 0) {
        c.MoveTo(x, height - 1);
        c.LineTo(x, 0);
    }
}

}  // namespace

int LogScale(double v, int n, int logarithmic)
{
    const int m = n - 1;
    if (logarithmic) {
        if (!(v > 0.0))
            return m;
        // The logarithm in double: the extended one cost more than the rest of a curve's
        // drawing, and only the whole row is used.
        const long double y = -static_cast<long double>(std::log(v)) * m * kLogSpan;
        if (y < 0)
            return 0;
        if (y > m)
            return m;
        return static_cast<int>(y);
    }
    double t = m * v;
    if (t > m)
        t = m;
    if (!(t >= kLowestRow))  // also a value that is not a number
        t = t < 0 ? kLowestRow : 0.0;
    return m - static_cast<int>(t);
}

int SpectrumXOffset(int width)
{
    return (width - kSpectrumBins) / 2;
}

int OscillogramRow(double v, int h, int logarithmic)
{
    const int half = h / 2;
    if (v > 1e-7)
        return LogScale(v, half, logarithmic);
    if (v < -1e-7)
        return h - LogScale(-v, half, logarithmic);
    return half;
}

std::string FrequencyPanelText(int steps, double samplingFreq)
{
    return FormatFloat("####", steps * (samplingFreq * (1.0 / 32768.0))) + " Hz";
}

TSpectrumPicture SpectrumPicture(int width, int height, const TTtyParams& p, const TRxDisplayRings& rings)
{
    TSpectrumPicture pic;
    pic.Width = width;
    pic.Height = height;
    if (width <= 0 || height <= 0)
        return pic;
    pic.Background = p.FFTBackground;
    const int xOffset = SpectrumXOffset(width);
    pic.Peak = Curve(width, height, xOffset, rings.PeakSpectrum, p.LogarithmicSpectrum);
    pic.Smoothed = Curve(width, height, xOffset, rings.SmoothedSpectrum, p.LogarithmicSpectrum);
    pic.Squelch = p.IsSquelch != 0;
    if (pic.Squelch)
        pic.SquelchRow = LogScale(p.SquelchLevel, height, p.LogarithmicSpectrum);
    pic.LowerX = MarkerColumn(width, p.LowerBin, xOffset);
    pic.UpperX = MarkerColumn(width, p.UpperBin, xOffset);
    return pic;
}

void PaintSpectrum(TCanvas& c, const TSpectrumPicture& pic)
{
    if (pic.Width <= 0 || pic.Height <= 0)
        return;
    Background(c, pic.Width, pic.Height, pic.Background);
    c.Pen()->SetColor(kCurveGreen);
    c.Brush()->SetColor(kCurveGreen);
    c.Polyline(pic.Peak);
    c.Pen()->SetColor(kCurveBlue);
    c.Brush()->SetColor(kCurveBlue);
    c.Polyline(pic.Smoothed);
    c.Pen()->SetColor(kMarkRed);
    if (pic.Squelch) {
        c.MoveTo(1, pic.SquelchRow);
        c.LineTo(pic.Width - 1, pic.SquelchRow);
    }
    ToneMarker(c, pic.Height, pic.LowerX);
    ToneMarker(c, pic.Height, pic.UpperX);
}

void PaintSpectrum(TCanvas& c, int width, int height, const TTtyParams& p, const TRxDisplayRings& rings)
{
    PaintSpectrum(c, SpectrumPicture(width, height, p, rings));
}

TOscillogramPicture OscillogramPicture(int width, int height, const TTtyParams& p, const double* ring)
{
    TOscillogramPicture pic;
    pic.Width = width;
    pic.Height = height;
    if (width <= 0 || height <= 0)
        return pic;
    pic.Background = p.OscBackground;
    const int log = p.LogarithmicOscillogram;
    const int start = (p.OscWriteIndex - width + 1) & (kRingSize - 1);
    pic.Curve.reserve(static_cast<std::size_t>(width));
    pic.Curve.push_back({0, OscillogramRow(ring[start], height, log)});
    for (int x = 1; x <= width - 2; ++x)
        pic.Curve.push_back({x, OscillogramRow(ring[(start + x) & (kRingSize - 1)], height, log)});
    return pic;
}

void PaintOscillogram(TCanvas& c, const TOscillogramPicture& pic)
{
    if (pic.Width <= 0 || pic.Height <= 0)
        return;
    Background(c, pic.Width, pic.Height, pic.Background);
    c.Pen()->SetColor(kCurveGreen);
    c.Polyline(pic.Curve);
    c.Pen()->SetColor(kMarkRed);
    c.MoveTo(1, pic.Height / 2);
    c.LineTo(pic.Width - 1, pic.Height / 2);
}

void PaintOscillogram(TCanvas& c, int width, int height, const TTtyParams& p, const double* ring)
{
    PaintOscillogram(c, OscillogramPicture(width, height, p, ring));
}

}  // namespace rx
