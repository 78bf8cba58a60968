// The road of one sound block through the receiver: transform, spectra, AFC, and every sample
// through the demodulator of the current mode to the decoder. The window takes part only through
// TRxSignalHost; the decoders receive the demodulator values through TDemodSink.
#pragma once

#include <cstdint>

#include "receiver/Demodulator.h"
#include "receiver/RxParams.h"

namespace rx {

// What the main window supplies to the signal path. The defaults are those of a window just
// created (AFC on, search half-width 10 bins) with nothing to paint.
class TRxSignalHost {
public:
    virtual ~TRxSignalHost() = default;
    // The AFC button is down.
    virtual bool AfcEnabled() { return true; }
    // The AFC search half-width in bins (the up-down's position, 0..99).
    virtual int AfcRange() { return 10; }
    // The block's spectra are ready, before the AFC runs. The window paints the spectrum and lets
    // pending messages run when it is not behind with the sound buffers, or when fromFile is set.
    virtual void SpectrumReady(bool fromFile) { (void)fromFile; }
    // A new value went into the oscillogram ring.
    virtual void OscillogramPoint() {}
    // Every sample of the block has been through the demodulator. The window repaints the
    // oscillogram here, once for the block's 34 or 35 new points: they are made within a fraction
    // of a millisecond, so a picture for each of them would never be seen.
    virtual void BlockDone(bool fromFile) { (void)fromFile; }
};

// Where the demodulator's values go, once per sample, after the tone sense is applied.
class TDemodSink {
public:
    virtual ~TDemodSink() = default;
    virtual void RttyFrameSample(double y) = 0;  // RTTY: y > 0 is mark with the normal sense
    virtual void BitSyncSample(double y) = 0;    // NAVTEX
};

constexpr int kRingSize = 2048;

// The data both displays draw.
struct TRxDisplayRings {
    double SmoothedSpectrum[kRingSize] = {};
    double PeakSpectrum[kRingSize] = {};
    double Oscillogram[kRingSize] = {};  // written at the record's OscWriteIndex
};

class TRxSignalPath {
public:
    // Every 60th demodulator value goes into the oscillogram ring, scaled by 2^-38 * 10^-6.
    static constexpr int kOscDecimation = 60;
    static constexpr double kOscScale = 3.637978807091713e-18;

    explicit TRxSignalPath(TTtyParams& params = Tty_Params) : Params(params) {}

    TTtyParams& Params;
    TTwoToneDemod Demod;
    TRxDisplayRings Rings;
    double FftRe[kBlockSize] = {};
    double FftIm[kBlockSize] = {};
    TRxSignalHost* Host = nullptr;  // none: AFC as in a new window, nothing painted
    TDemodSink* Sink = nullptr;     // none: the values go nowhere

    // One block of kBlockSize samples: spectrum, painting, AFC, demodulation, in that order.
    void ProcessSoundBuffer(const std::int16_t* samples, bool fromFile);
    // The per-sample entry points of the two modes.
    void DemodRttySample(std::int16_t sample);
    void DemodNavtexSample(std::int16_t sample);
    // The sound input opened: the peak-hold spectrum starts again from nothing.
    void ClearPeakSpectrum();

private:
    void Oscillogram(int& counter, double y);

    int RttyOscCounter = 0;
    int NavtexOscCounter = 0;
};

}  // namespace rx
