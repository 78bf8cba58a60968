#include "receiver/SignalPath.h"

#include "receiver/Fft.h"
#include "receiver/Afc.h"

namespace rx {

namespace {

TRxSignalHost& DefaultHost()
{
    static TRxSignalHost host;
    return host;
}

}  // namespace

void TRxSignalPath::ProcessSoundBuffer(const std::int16_t* samples, bool fromFile)
{
    TRxSignalHost& host = Host ? *Host : DefaultHost();
    MixedRadixFft(kBlockSize, samples, FftRe, FftIm);
    UpdateSpectra(FftRe, FftIm, Rings.SmoothedSpectrum, Rings.PeakSpectrum);
    host.SpectrumReady(fromFile);
    // The host may have run window messages: read the mode and the AFC controls only now.
    const int mode = Params.Mode;
    if (mode != kModeRtty && mode != kModeNavtex)
        return;
    if (host.AfcEnabled()) {
        const int range = host.AfcRange();
        AfcTrackLowerTone(Params, Rings.PeakSpectrum, range);
        AfcTrackUpperTone(Params, Rings.PeakSpectrum, range);
    }
    if (mode == kModeRtty) {
        for (int i = 0; i < kBlockSize; ++i)
            DemodRttySample(samples[i]);
    } else {
        for (int i = 0; i < kBlockSize; ++i)
            DemodNavtexSample(samples[i]);
    }
    host.BlockDone(fromFile);
}

void TRxSignalPath::DemodRttySample(std::int16_t sample)
{
    double y = Demod.Step(sample, sample, Params.LowerStep, Params.UpperStep);
    if (Params.Reverse == 0)
        y = -y;
    if (Sink)
        Sink->RttyFrameSample(y);
    Oscillogram(RttyOscCounter, y);
}

void TRxSignalPath::DemodNavtexSample(std::int16_t sample)
{
    double y = Demod.Step(sample, sample, Params.LowerStep, Params.UpperStep);
    if (Params.Reverse != 0)
        y = -y;
    if (Sink)
        Sink->BitSyncSample(y);
    Oscillogram(NavtexOscCounter, y);
}

void TRxSignalPath::Oscillogram(int& counter, double y)
{
    if (++counter < kOscDecimation)
        return;
    counter = 0;
    Params.OscWriteIndex = (Params.OscWriteIndex + 1) & (kRingSize - 1);
    Rings.Oscillogram[Params.OscWriteIndex] = y * kOscScale;
    (Host ? *Host : DefaultHost()).OscillogramPoint();
}

void TRxSignalPath::ClearPeakSpectrum()
{
    for (double& v : Rings.PeakSpectrum)
        v = 0.0;
}

}  // namespace rx
