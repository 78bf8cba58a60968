// The two signal displays: the spectrum of the working band with the tone markers and the
// squelch line, and the oscillogram of the demodulator output, each painted on an off-screen
// canvas that the window then copies to the screen in one piece.
#pragma once

#include <string>
#include <vector>

#include "platform/Types.h"
#include "receiver/RxParams.h"
#include "receiver/SignalPath.h"

class TCanvas;

namespace rx {

// Bins kFirstBin..kLastBin, one pixel each.
constexpr int kSpectrumBins = kLastBin - kFirstBin + 1;

// The pixel row (0 at the top) of value v in a band of n rows. Logarithmic: 1.0 and above on the
// top row, 8.058 natural-log units (70 dB) down to row n - 1, zero and below on row n - 1.
// Linear: 1.0 and above on the top row, 0 on row n - 1, a negative value below it (not clamped).
int LogScale(double v, int n, int logarithmic);

// The x pixel of bin kFirstBin in a display width pixels wide: the bins are centred, and a
// display narrower than the band shows its middle (the offset is then negative).
int SpectrumXOffset(int width);

// The row of an oscillogram value in a display h rows high: positive values rise from the middle
// row, negative ones fall from it, values within 1e-7 of zero lie on it.
int OscillogramRow(double v, int h, int logarithmic);

// A frequency panel's text for a number of steps: whole hertz, rounded, then " Hz".
std::string FrequencyPanelText(int steps, double samplingFreq);

// What decides a display's pixels: two equal pictures paint the same, so a display that already
// shows a picture need not paint it again.
struct TSpectrumPicture {
    int Width = 0, Height = 0;
    TColor Background = 0;
    std::vector<TPoint> Peak, Smoothed;  // the curves' points
    bool Squelch = false;
    int SquelchRow = 0;
    int LowerX = -1, UpperX = -1;  // the tone markers' columns, -1 outside the display
    friend bool operator==(const TSpectrumPicture&, const TSpectrumPicture&) = default;
};

struct TOscillogramPicture {
    int Width = 0, Height = 0;
    TColor Background = 0;
    std::vector<TPoint> Curve;
    friend bool operator==(const TOscillogramPicture&, const TOscillogramPicture&) = default;
};

// The spectrum in a display width x height: the background, the peak-hold curve, the smoothed
// curve, the squelch line when the squelch is on, and the two tone markers.
TSpectrumPicture SpectrumPicture(int width, int height, const TTtyParams& p, const TRxDisplayRings& rings);
void PaintSpectrum(TCanvas& canvas, const TSpectrumPicture& picture);
void PaintSpectrum(TCanvas& canvas, int width, int height, const TTtyParams& p, const TRxDisplayRings& rings);

// The oscillogram in a display width x height: the background, the newest width - 1 values of the
// ring ending at the record's write index, and the zero line.
TOscillogramPicture OscillogramPicture(int width, int height, const TTtyParams& p, const double* ring);
void PaintOscillogram(TCanvas& canvas, const TOscillogramPicture& picture);
void PaintOscillogram(TCanvas& canvas, int width, int height, const TTtyParams& p, const double* ring);

}  // namespace rx
