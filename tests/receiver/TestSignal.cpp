#include "TestSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>

#include <stdlib.h>

#include "receiver/Baudot.h"
#include "receiver/SampleFile.h"

namespace testsig {

const char kLetters[33] = "\0E\nA SIU\rDRJNFCKTZLWHYPQOBG\0MXV";
const char kFigures[33] = "\0" "3\n- '87\r$4*,!:(5+)2#6019?&\0./=";

namespace {

constexpr int kLtrs = 31;
constexpr int kFigs = 27;

int CodeIn(const char* table, char c)
{
    for (int code = 1; code < 32; ++code)
        if (table[code] == c)
            return code;
    return -1;
}

}  // namespace

std::vector<int> EncodeBaudot(const std::string& text)
{
    std::vector<int> codes{kLtrs};
    bool figures = false;
    for (char c : text) {
        const int letter = CodeIn(kLetters, c);
        const int figure = CodeIn(kFigures, c);
        if (letter < 0 && figure < 0)
            throw std::invalid_argument(std::string("no teleprinter code for ") + c);
        if (letter >= 0 && figure >= 0) {
            codes.push_back(letter);
        } else if (letter >= 0) {
            if (figures)
                codes.push_back(kLtrs);
            figures = false;
            codes.push_back(letter);
        } else {
            if (!figures)
                codes.push_back(kFigs);
            figures = true;
            codes.push_back(figure);
        }
    }
    return codes;
}

int FecCodeOfBaudot(int code)
{
    // By meaning: the letter a code stands for in the letters case, and the signals.
    static const struct {
        char Letter;
        int Fec;
    } kByLetter[] = {
        {'A', 0x71}, {'B', 0x27}, {'C', 0x5C}, {'D', 0x65}, {'E', 0x35}, {'F', 0x6C}, {'G', 0x56},
        {'H', 0x4B}, {'I', 0x59}, {'J', 0x74}, {'K', 0x3C}, {'L', 0x53}, {'M', 0x4E}, {'N', 0x4D},
        {'O', 0x47}, {'P', 0x5A}, {'Q', 0x3A}, {'R', 0x55}, {'S', 0x69}, {'T', 0x17}, {'U', 0x39},
        {'V', 0x1E}, {'W', 0x72}, {'X', 0x2E}, {'Y', 0x6A}, {'Z', 0x63}, {'\r', 0x0F}, {'\n', 0x1B},
        {' ', 0x1D},
    };
    switch (code) {
    case kLtrs: return 0x2D;
    case kFigs: return 0x36;
    case 0: return 0x2B;
    }
    for (const auto& e : kByLetter)
        if (kLetters[code] == e.Letter)
            return e.Fec;
    throw std::invalid_argument("no NAVTEX code");
}

void TFskSignal::Tone(double hz, double samples)
{
    const double end = Time + samples;
    while (static_cast<double>(Samples.size()) < end) {
        Samples.push_back(Amplitude * std::sin(Phase));
        Phase = std::fmod(Phase + 2.0 * M_PI * hz / kRate, 2.0 * M_PI);
    }
    Time = end;
}

void TFskSignal::Silence(double samples)
{
    const double end = Time + samples;
    while (static_cast<double>(Samples.size()) < end)
        Samples.push_back(0.0);
    Time = end;
}

void AppendRtty(TFskSignal& s, const TRttyTx& tx, const std::vector<int>& codes)
{
    const double bit = kRate / tx.Baud;
    s.Tone(tx.MarkHz, tx.LeadBits * bit);
    for (int code : codes) {
        s.Tone(tx.SpaceHz, bit);
        for (int i = 0; i < 5; ++i)
            s.Tone((code >> i) & 1 ? tx.MarkHz : tx.SpaceHz, bit);
        s.Tone(tx.MarkHz, tx.StopBits * bit);
    }
    s.Tone(tx.MarkHz, tx.TailBits * bit);
}

TNavtexTx MakeNavtex(const std::vector<int>& fecCodes, int phasingPairs, int endSignals)
{
    TNavtexTx tx;
    tx.PhasingPairs = phasingPairs;
    const int m = static_cast<int>(fecCodes.size());
    const int pairs = phasingPairs + m + endSignals;
    for (int k = 0; k < pairs; ++k) {
        const int dx = k - phasingPairs;
        tx.Slots.push_back(dx < 0 ? kPhasingDx : dx < m ? fecCodes[dx] : kAlpha);
        const int rx = k - 2 - phasingPairs;  // the DX character of two pairs before
        tx.Slots.push_back(rx >= 0 && rx < m ? fecCodes[rx] : kAlpha);
    }
    return tx;
}

void AppendNavtex(TFskSignal& s, const std::vector<int>& slots, double oneHz, double zeroHz)
{
    const double bit = kRate / 100.0;
    for (int code : slots)
        for (int i = 6; i >= 0; --i)
            s.Tone((code >> i) & 1 ? oneHz : zeroHz, bit);
}

std::vector<std::int16_t> Quantise(const std::vector<double>& x, double noiseRms, unsigned seed)
{
    std::mt19937 gen(seed);
    std::vector<std::int16_t> out(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        double v = x[i];
        if (noiseRms > 0.0) {
            // Box-Muller on the generator's own output keeps the noise the same on every library.
            const double u1 = (gen() + 1.0) / 4294967297.0;
            const double u2 = gen() / 4294967296.0;
            v += noiseRms * std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * u2);
        }
        out[i] = static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
    }
    return out;
}

std::vector<std::int16_t> StartupRtty(const std::string& text, double noiseRms, double tailBits, double leadBits)
{
    TRttyTx tx;
    const double centre = 316 * kRate / 2048;
    tx.MarkHz = centre - 225;
    tx.SpaceHz = centre + 225;
    tx.TailBits = tailBits;
    tx.LeadBits = leadBits;
    TFskSignal s;
    AppendRtty(s, tx, EncodeBaudot(text));
    return Quantise(s.Samples, noiseRms);
}

void WriteSampleFile(const std::string& path, const std::vector<std::int16_t>& samples)
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f)
        throw std::runtime_error("cannot write " + path);
    for (std::int16_t v : samples)
        std::fprintf(f, "%d\n", v);
    std::fclose(f);
}

double ReceiverCentreHz(const TRxSetup& setup)
{
    return std::floor(setup.CentreHz * 2048.0 / kRate + 0.5) * kRate / 2048.0;
}

std::string DecodeFile(const std::string& path, const TRxSetup& setup, TTtyParams* finalParams)
{
    TTtyParams p;
    rx::TPlainReceiver receiver(p);
    receiver.Host.Afc = setup.Afc;
    rx::TDecodeTuning tuning;
    tuning.Mode = setup.Mode;
    tuning.Baud = setup.Baud;
    tuning.Shift = setup.Shift;
    tuning.CentreHz = setup.CentreHz;
    tuning.Reverse = setup.Reverse;
    tuning.Squelch = setup.Squelch;
    rx::TuneForDecode(p, receiver.Path.Demod, tuning);
    rx::SelectCharset(p, setup.Charset);
    p.UnshiftOnSpace = setup.UnshiftOnSpace;
    p.ExtendedBaudot = setup.ExtendedBaudot;
    p.DoFastSync = setup.FastSync;
    std::string out;
    receiver.Decoder.OnReceivedChar = [&](char c) { out.push_back(c); };
    if (rx::DecodeSampleFile(path, receiver.Path) != rx::TFileDecodeResult::Done)
        throw std::runtime_error("cannot decode " + path);
    if (finalParams)
        *finalParams = p;
    return out;
}

TTempDir::TTempDir(const std::string& base)
{
    const std::filesystem::path dir = base.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(base);
    std::string templ = (dir / "morvik-rx-XXXXXX").string();
    if (!::mkdtemp(templ.data()))
        throw std::runtime_error("mkdtemp failed");
    Dir = templ;
}

TTempDir::~TTempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
}

}  // namespace testsig
