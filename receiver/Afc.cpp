#include "receiver/Afc.h"

#include <cmath>

namespace rx {

void UpdateSpectra(const double* fftRe, const double* fftIm, double* smoothed, double* peak)
{
    for (int k = kFirstBin; k <= kLastBin; ++k) {
        peak[k] *= 0.95;
        const double re = fftRe[k] * kMagnitudeScale, im = fftIm[k] * kMagnitudeScale;
        const double m = std::sqrt(re * re + im * im);
        smoothed[k] = static_cast<double>((2.0 * m + smoothed[k]) * (1.0L / 3.0L));
        if (smoothed[k] > peak[k])
            peak[k] = smoothed[k];
    }
}

namespace {

// The centroid of peak[lo..hi] in steps, or false when the tone must stay.
bool Centroid(const TTtyParams& p, const double* peak, int lo, int hi, Integer& step)
{
    double max = 0.0, s = 0.0, w = 0.0;
    for (int k = lo; k <= hi; ++k) {
        if (peak[k] > max)
            max = peak[k];
        s += k * peak[k] * 16.0;
        w += peak[k];
    }
    if (w == 0.0)
        return false;
    if (p.IsSquelch && max <= p.SquelchLevel)
        return false;
    step = RoundHalfUp(s / w);
    return true;
}

}  // namespace

void AfcTrackLowerTone(TTtyParams& p, const double* peak, int range)
{
    const int h = p.ShiftBins / 2;
    int lo = p.LowerBin - range;
    if (lo < kFirstTuneBin)
        lo = kFirstTuneBin;
    if (lo < p.UpperBin - 2 * p.ShiftBins)
        lo = p.UpperBin - 2 * p.ShiftBins;
    int hi = p.LowerBin + range;
    if (hi > kLastTuneBin)
        hi = kLastTuneBin;
    if (hi > p.UpperBin - h)
        hi = p.UpperBin - h;
    Integer step;
    if (!Centroid(p, peak, lo, hi, step))
        return;
    p.LowerStep = step;
    p.LowerBin = (step + 8) / 16;
}

void AfcTrackUpperTone(TTtyParams& p, const double* peak, int range)
{
    const int h = p.ShiftBins / 2;
    int lo = p.UpperBin - range;
    if (lo < kFirstTuneBin)
        lo = kFirstTuneBin;
    if (lo < p.LowerBin + h)
        lo = p.LowerBin + h;
    int hi = p.UpperBin + range;
    if (hi > kLastTuneBin)
        hi = kLastTuneBin;
    if (hi > p.LowerBin + 2 * p.ShiftBins)
        hi = p.LowerBin + 2 * p.ShiftBins;
    Integer step;
    if (!Centroid(p, peak, lo, hi, step))
        return;
    p.UpperStep = step;
    p.UpperBin = (step + 8) / 16;
}

int SpectrumPointerBin(const TTtyParams& p, int x, int xOffset)
{
    int h = p.ShiftBins / 2;
    // A pair wider than the tuning range is centred on the range's middle.
    const int widest = (kLastTuneBin - kFirstTuneBin) / 2;
    if (h > widest)
        h = widest;
    int c = x - xOffset + kFirstBin;
    if (c < h + kFirstTuneBin)
        c = h + kFirstTuneBin;
    if (c > kLastTuneBin - h)
        c = kLastTuneBin - h;
    return c;
}

void CentreTonePairOnBin(TTtyParams& p, int bin)
{
    int half = p.ShiftStep / 2;
    // Only a damaged record holds a shift that would put a tone outside the working band.
    if (half > 16 * (bin - kFirstBin))
        half = 16 * (bin - kFirstBin);
    if (half > 16 * (kLastBin - bin))
        half = 16 * (kLastBin - bin);
    if (half < 0)
        half = 0;
    p.LowerStep = 16 * bin - half;
    p.UpperStep = 16 * bin + half;
    p.LowerBin = (p.LowerStep + 8) / 16;
    p.UpperBin = (p.UpperStep + 8) / 16;
}

void SpectrumMouseDown(TTtyParams& p, int x, int xOffset, TMouseHeld held)
{
    p.HoldOffTicks = 0;
    const int c = SpectrumPointerBin(p, x, xOffset);
    if (held.Ctrl || held.Right)
        return;
    CentreTonePairOnBin(p, c);
}

void SpectrumMouseMove(TTtyParams& p, int x, int xOffset, TMouseHeld held)
{
    p.HoldOffTicks = 0;
    const int c = SpectrumPointerBin(p, x, xOffset);
    if (!held.Left || held.Ctrl || held.Right)
        return;
    CentreTonePairOnBin(p, c);
}

}  // namespace rx
