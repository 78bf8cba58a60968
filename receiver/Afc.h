// Spectrum of the working band: the smoothed and peak-hold magnitudes of each block, the automatic
// frequency control that follows the two tones on the peak-hold spectrum, and tuning by a click
// or drag in the spectrum display.
#pragma once

#include "receiver/RxParams.h"

namespace rx {

// Magnitudes are the transform's modulus times 2^-23: a full-scale sine centred on a bin reads
// about 4.0. The squelch level is compared on this scale.
constexpr double kMagnitudeScale = 1.0 / 8388608.0;

// Folds one block's transform into the spectra over bins kFirstBin..kLastBin: the smoothed one
// weights the new block 2/3, the peak-hold one follows it up at once and decays 5 % per block.
void UpdateSpectra(const double* fftRe, const double* fftIm, double* smoothed, double* peak);

// One AFC step for one tone: it moves to the power centroid of the peak-hold spectrum within
// range bins of its present bin, never nearer than half the shift to the other tone, never
// farther than twice the shift from it, and never outside bins kFirstTuneBin..kLastTuneBin.
void AfcTrackLowerTone(TTtyParams& p, const double* peak, int range);
void AfcTrackUpperTone(TTtyParams& p, const double* peak, int range);

// Mouse buttons and keys held during a spectrum mouse event (the event's shift state).
struct TMouseHeld {
    bool Left = false;
    bool Right = false;
    bool Ctrl = false;
};

// The bin under pointer x of the spectrum display, kept far enough inside the band that the
// whole tone pair fits. xOffset is the pixel at which bin kFirstBin is drawn.
int SpectrumPointerBin(const TTtyParams& p, int x, int xOffset);
// Centres the tone pair on a bin, keeping the exact shift in steps.
void CentreTonePairOnBin(TTtyParams& p, int bin);
// A press tunes unless Ctrl or the right button is held; a move tunes only while the left button
// alone is held. Both clear the display hold-off.
void SpectrumMouseDown(TTtyParams& p, int x, int xOffset, TMouseHeld held);
void SpectrumMouseMove(TTtyParams& p, int x, int xOffset, TMouseHeld held);

}  // namespace rx
