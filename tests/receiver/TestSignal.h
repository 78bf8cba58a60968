// Test signals for the decoders: continuous-phase two-tone keying of RTTY characters and of
// NAVTEX transmissions, seeded white noise, sample files, and a decode through the file reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "receiver/RxParams.h"

namespace testsig {

constexpr double kRate = 11025.0;

// English letters and figures by 5-unit code; '\0' where a code has no character.
extern const char kLetters[33];
extern const char kFigures[33];

// Text to 5-unit codes: LTRS first, then LTRS or FIGS wherever the next character needs the
// other case (space, CR and LF need none).
std::vector<int> EncodeBaudot(const std::string& text);

// The seven-unit NAVTEX codes of the 5-unit codes, and of the control signals.
int FecCodeOfBaudot(int code);
constexpr int kPhasingDx = 0x33;  // phasing signal 1, sent in DX positions
constexpr int kAlpha = 0x78;      // phasing signal 2 / idle alpha: RX positions, end of message

class TFskSignal {
public:
    explicit TFskSignal(double amplitude = 8000.0) : Amplitude(amplitude) {}
    // A tone at hz until the signal's time has advanced by samples (fractional: bit edges keep
    // their exact times at any baud rate).
    void Tone(double hz, double samples);
    void Silence(double samples);

    std::vector<double> Samples;

private:
    double Amplitude;
    double Phase = 0.0;
    double Time = 0.0;
};

struct TRttyTx {
    double Baud = 50.0;
    double MarkHz = 1615.0;
    double SpaceHz = 1785.0;
    double StopBits = 1.5;
    double LeadBits = 25.0;  // mark before the first start bit
    double TailBits = 15.0;  // mark after the last stop bit
};

// Start bit (space), five data bits least significant first (1 = mark), stop bit (mark).
void AppendRtty(TFskSignal& s, const TRttyTx& tx, const std::vector<int>& codes);

// A NAVTEX transmission as seven-unit characters in air order: DX and RX positions alternate,
// each message character goes in a DX position and again in the RX position five positions
// later; phasing first, the end signal (alpha in DX positions) last.
struct TNavtexTx {
    std::vector<int> Slots;
    int PhasingPairs = 0;
    int DxSlot(int messageIndex) const { return 2 * (PhasingPairs + messageIndex); }
    int RxSlot(int messageIndex) const { return DxSlot(messageIndex) + 5; }
};
TNavtexTx MakeNavtex(const std::vector<int>& fecCodes, int phasingPairs = 14, int endSignals = 6);

// Each slot's seven bits, bit 6 first, at 100 Bd.
void AppendNavtex(TFskSignal& s, const std::vector<int>& slots, double oneHz, double zeroHz);

// To 16 bits, with white Gaussian noise of the given RMS (seeded, so every run is the same).
std::vector<std::int16_t> Quantise(const std::vector<double>& x, double noiseRms = 0.0, unsigned seed = 1);

// RTTY at the window's start-up tuning (50 Bd, 450 Hz, centred on bin 316), in noise.
std::vector<std::int16_t> StartupRtty(const std::string& text, double noiseRms = 200.0, double tailBits = 15.0,
                                      double leadBits = 25.0);

// One sample per line, each line ending with a line break.
void WriteSampleFile(const std::string& path, const std::vector<std::int16_t>& samples);

// What the receiver is set to, as the decode tool's options set it.
struct TRxSetup {
    int Mode = 0;  // 0 RTTY, 6 NAVTEX
    int Baud = 50;
    int Shift = 170;
    double CentreHz = 1700.0;
    bool Reverse = false;
    bool Afc = false;
    int Squelch = 0;  // 0 off, else the up-down position
    int Charset = 0;
    bool UnshiftOnSpace = false;
    bool ExtendedBaudot = false;
    bool FastSync = true;
};

// The centre the receiver tunes to for a setup: the nearest whole bin.
double ReceiverCentreHz(const TRxSetup& setup);

// Decodes a sample file through the file reader and the whole per-block processing. The record
// as the decode left it goes to finalParams when one is given.
std::string DecodeFile(const std::string& path, const TRxSetup& setup, TTtyParams* finalParams = nullptr);

// A fresh temporary directory (in base, else the system's temporary folder), removed with its
// contents when the object goes.
class TTempDir {
public:
    explicit TTempDir(const std::string& base = "");
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    std::string Path(const std::string& name) const { return Dir + "/" + name; }
    std::string Dir;
};

}  // namespace testsig
