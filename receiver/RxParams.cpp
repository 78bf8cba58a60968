#include "receiver/RxParams.h"

#include <cmath>

TTtyParams Tty_Params;

TTtyParams::TTtyParams() : SquelchLevel(2.0 * std::exp(-50.0 / 12.41)) {}

namespace rx {

Integer RoundHalfUp(double x)
{
    return static_cast<Integer>(std::floor(x + 0.5));
}

bool SamplingFreqAcceptable(double fs)
{
    // Written so that a NaN fails too.
    return fs >= kMinSamplingFreq && fs <= kMaxSamplingFreq;
}

bool SetSamplingFreq(TTtyParams& p, double fs)
{
    if (!SamplingFreqAcceptable(fs))
        return false;
    p.SamplingFreq = fs;
    return true;
}

double EffectiveSamplingFreq(const TTtyParams& p)
{
    return SamplingFreqAcceptable(p.SamplingFreq) ? p.SamplingFreq : kDeviceRate;
}

Integer ShiftToBins(double hz, double fs)
{
    return RoundHalfUp(hz / (fs * (1.0 / 2048.0)));
}

Integer ShiftToSteps(double hz, double fs)
{
    return RoundHalfUp(hz / (fs * (1.0 / 32768.0)));
}

double SquelchLevelForPosition(int position)
{
    return 2.0 * std::exp(-(100 - position) * 0.08058017727639001);
}

void PlaceTonePair(TTtyParams& p, int centre)
{
    int h = p.ShiftBins / 2;
    // A pair wider than the band cannot be placed inside it; keep the lower tone on the band edge.
    const int widest = (kLastBin - kFirstBin) / 2;
    if (h > widest)
        h = widest;
    if (h < 0)
        h = 0;
    int c = centre;
    if (c < kFirstBin + h)
        c = kFirstBin + h;
    if (c > kLastBin - h)
        c = kLastBin - h;
    p.LowerBin = c - h;
    p.UpperBin = c + h;
    p.LowerStep = 16 * p.LowerBin;
    p.UpperStep = 16 * p.UpperBin;
}

}  // namespace rx
