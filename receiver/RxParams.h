// The receiver's working parameters: the one global record every receiver unit reads by name, the
// frequency units it is kept in, and the conversions between hertz, bins and steps.
#pragma once

#include <cstdio>
#include <string>

#include "platform/Types.h"

// A value-initialised record holds the start values the main window gives it at creation.
struct TTtyParams {
    Integer Mode = 0;  // 0 RTTY, 6 NAVTEX
    Integer CharsetIndex = 0;
    Integer OscWriteIndex = 0;  // 0..2047, the oscillogram ring's last written entry
    Integer LowerBin = 300;     // tone positions in spectrum bins ...
    Integer UpperBin = 332;
    Integer LowerStep = 4800;   // ... and in 1/16 bin, the oscillators' phase increments
    Integer UpperStep = 5312;
    Integer ShiftHz = 450;      // as chosen: 85, 170, 425, 450 or 850
    Integer ShiftBins = 84;
    Integer ShiftStep = 1337;
    Integer BaudRate = 50;      // as chosen: 45, 50, 75 or 100
    Integer SamplesPerBit = 221;
    Integer HalfBit = 110;      // SamplesPerBit / 2
    Integer Reverse = 0;
    std::string UserCharsetFile;
    Integer KeyPortNumber = 0;
    Integer UnshiftOnSpace = 0;
    Byte PttByte1 = 0;
    Byte PttByte2 = 0;
    Integer ComMask = 2;
    Integer BaudotShift = 0;       // 0 letters, 32 figures
    Integer ExtendedRegister = 0;  // 0 or 64
    Integer IsSquelch = 0;
    Integer ExtendedBaudot = 0;
    Integer DoFastSync = 1;
    Integer IgnoreSYNOP = 1;
    Integer RawLogOpen = 0;
    std::FILE* RawLogFile = nullptr;
    Integer FFTBackground = 16777215;
    Integer OscBackground = 16777215;
    Integer OscShow = 1;
    Integer UTCoffset = -1;
    Integer LogarithmicSpectrum = 1;
    Integer LogarithmicOscillogram = 1;
    Integer HoldOffTicks = 0;  // 100 ms ticks during which neither display is drawn
    Integer MemoClicked = 0;
    Integer SoundCardNumber = -1;
    double SquelchLevel;            // 2 * exp(-50 / 12.41), set by the constructor
    double SamplingFreq = 11025.0;   // the rate every timing and frequency computation assumes

    TTtyParams();
};

extern TTtyParams Tty_Params;

namespace rx {

// The spectrum block, the working band and the margins the tuning keeps inside it.
constexpr int kBlockSize = 2048;
constexpr int kFirstBin = 55;
constexpr int kLastBin = 557;
constexpr int kFirstTuneBin = 57;  // AFC and mouse tuning keep each tone within these
constexpr int kLastTuneBin = 555;
constexpr double kDeviceRate = 11025.0;  // the sound device always runs at this rate

constexpr int kModeRtty = 0;
constexpr int kModeNavtex = 6;

// floor(x + 0.5) converted to a 32-bit integer: the receiver's rounding of floating values.
Integer RoundHalfUp(double x);

// Sampling frequencies the timing and frequency computations accept: a calibration of the device
// rate, from half to twice it. Outside it (zero, negative, not a number, absurdly large) a shift
// would no longer fit the working band or a bit would shrink to a few samples.
constexpr double kMinSamplingFreq = kDeviceRate / 2;
constexpr double kMaxSamplingFreq = kDeviceRate * 2;
bool SamplingFreqAcceptable(double fs);
// Stores fs when it is acceptable and returns true; otherwise keeps the present value and returns
// false, so the caller can tell the user. The speed and shift must be applied again after a change.
bool SetSamplingFreq(TTtyParams& p, double fs);
// The rate the computations use: the record's, or the device rate should the record hold an
// unacceptable value that was written to it directly.
double EffectiveSamplingFreq(const TTtyParams& p);

// A shift in hertz as whole bins and as steps, at sampling frequency fs.
Integer ShiftToBins(double hz, double fs);
Integer ShiftToSteps(double hz, double fs);
// 2 * exp(-(100 - position) / 12.41): the squelch threshold of the up-down position 1..99.
double SquelchLevelForPosition(int position);

// Places the tone pair on whole bins around centre bin c, both tones inside the working band.
void PlaceTonePair(TTtyParams& p, int centre);

}  // namespace rx
