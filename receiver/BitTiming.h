// Bits from the demodulator value: the slicer, the integrator that removes short glitches, the
// RTTY start/stop framer and the squelch it applies, and the NAVTEX bit clock. All of them count
// samples only; none keeps time of its own.
#pragma once

#include "receiver/RxParams.h"

namespace rx {

// 1 when y > 0 (mark in RTTY); 0, and a value that is not a number, give 0.
inline int Slice(double y)
{
    return y > 0.0 ? 1 : 0;
}

// An up/down counter between 0 and the half-bit limit H: the output turns 1 when the counter
// reaches H and 0 when it reaches 0, so a change needs a run of like raw bits all the way across.
class TBitIntegrator {
public:
    int Step(int rawBit, int halfBit);
    int Counter() const { return C; }
    int Output() const { return O; }

private:
    int C = 0;
    int O = 0;
};

// The squelch of a good stop bit: open when it is off, or when the peak-hold spectrum (2048
// entries, may be null: silence) stands above the level at the lower or the upper tone bin.
bool SquelchOpen(const TTtyParams& p, const double* peakSpectrum);

// A demodulator value as a spectrum magnitude: a tone of magnitude m on the spectrum's scale (a
// full-scale sine about 4.0) gives a mark value of about (m * kDemodPerMagnitude)^2, since the
// oscillators have amplitude 32000, mixing halves it, and the spectrum is scaled by 1024 / 2^23.
constexpr double kDemodPerMagnitude = 16000.0 * 8192.0;
double DemodMagnitude(double y);

enum class TFrameState { Idle, StartBit, DataBits, StopBit, AfterError };

// 5-unit start/stop framing: the start bit is checked in its middle, half a bit after the first
// space, the five data bits (least significant first) and the stop bit one bit apart after that.
class TRttyFramer {
public:
    static constexpr int kNoCode = -1;

    // b is the integrated bit of this sample, y its demodulator value. Returns the code 0..31 of
    // a character whose stop bit was mark and that passed the squelch, else kNoCode.
    int Step(int b, double y, const TTtyParams& p, const double* peakSpectrum);

    TFrameState State() const { return FState; }
    int SampleCount() const { return N; }
    int TargetCount() const { return T; }

private:
    int N = 0;
    int T = 1;
    TFrameState FState = TFrameState::AfterError;
    int D = 0;
    int M = 1;
    int E = 32;
};

// The NAVTEX bit clock: a counter over one bit that each transition of the integrated bit pulls
// an eighth of its error plus one sample toward the transition.
class TBitClock {
public:
    // True once per bit, in its middle: the bit is to be taken then.
    bool Step(int bit, int samplesPerBit);
    int Phase() const { return P; }

private:
    int P = 0;
    int Previous = 0;
};

}  // namespace rx
