#include "receiver/BitTiming.h"

#include <cmath>

#include "receiver/SignalPath.h"

namespace rx {

int TBitIntegrator::Step(int rawBit, int halfBit)
{
    const int h = halfBit < 1 ? 1 : halfBit;
    // A change to a higher speed shortens the half bit: a counter left above the new limit could
    // never reach it again, and the output would stay space through any length of mark.
    if (C > h)
        C = h;
    if (rawBit) {
        if (C < h)
            ++C;
    } else if (C > 0) {
        --C;
    }
    if (C == h)
        O = 1;
    if (C == 0)
        O = 0;
    return O;
}

namespace {

double PeakAt(const double* peak, int bin)
{
    return peak && bin >= 0 && bin < kRingSize ? peak[bin] : 0.0;
}

}  // namespace

bool SquelchOpen(const TTtyParams& p, const double* peakSpectrum)
{
    if (!p.IsSquelch)
        return true;
    return PeakAt(peakSpectrum, p.LowerBin) > p.SquelchLevel || PeakAt(peakSpectrum, p.UpperBin) > p.SquelchLevel;
}

double DemodMagnitude(double y)
{
    return y > 0.0 ? std::sqrt(y) / kDemodPerMagnitude : 0.0;
}

int TRttyFramer::Step(int b, double y, const TTtyParams& p, const double* peakSpectrum)
{
    // Reaching the target rather than hitting it exactly: a target that a damaged record or a tiny
    // bit length put behind the counter must not stop the framing for good.
    if (++N < T)
        return kNoCode;
    const int spb = p.SamplesPerBit;
    switch (FState) {
    case TFrameState::Idle:
        if (b) {
            N = 0;
            T = 1;
        } else {
            T = spb / 2;
            FState = TFrameState::StartBit;
        }
        break;
    case TFrameState::StartBit:
        if (b) {
            N = 0;
            T = 1;
            FState = TFrameState::Idle;
        } else {
            M = 1;
            E = 32;
            D = 0;
            T += spb;
            FState = TFrameState::DataBits;
        }
        break;
    case TFrameState::DataBits:
        T += spb;
        if (b)
            D |= M;
        M *= 2;
        if (M == E)
            FState = TFrameState::StopBit;
        break;
    case TFrameState::StopBit:
        N = 0;
        T = 1;
        if (!b) {
            FState = TFrameState::AfterError;
            break;
        }
        FState = TFrameState::Idle;
        if (SquelchOpen(p, peakSpectrum))
            return D;
        break;
    case TFrameState::AfterError:
        N = 0;
        T = 1;
        // With the squelch on, the mark must also stand above a quarter of the squelch level,
        // both measured on the spectrum's magnitude scale.
        if (b && !(p.IsSquelch && DemodMagnitude(y) <= 0.25 * p.SquelchLevel))
            FState = TFrameState::Idle;
        break;
    }
    return kNoCode;
}

bool TBitClock::Step(int bit, int samplesPerBit)
{
    const int spb = samplesPerBit < 1 ? 1 : samplesPerBit;
    if (++P >= spb)
        P = 0;
    if (bit != Previous) {
        if (P <= spb / 2) {
            P -= P / 8 + 1;
            if (P < 0)
                P += spb;
        } else {
            P += (spb - P) / 8 + 1;
            if (P >= spb)
                P -= spb;
        }
    }
    Previous = bit;
    return P == spb / 2;
}

}  // namespace rx
