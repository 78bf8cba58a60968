// Developer tool: runs a text file of samples through the receiver's per-block processing
// (spectrum, AFC, demodulator, decoder) without a window and writes the decoded bytes to stdout.
//
//   decode_samples [--mode rtty|navtex] [--baud 45|50|75|100] [--shift 85|170|450|850]
//                  [--centre HZ] [--reverse] [--afc on|off] [--squelch 1..99] FILE
//
// The defaults are those of a fresh start: RTTY, 50 Bd, 450 Hz, centre bin 316, normal sense, AFC
// on with a range of 10 bins, squelch off.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "receiver/Decoder.h"
#include "receiver/SampleFile.h"
#include "receiver/SignalPath.h"
#include "receiver/Tuning.h"

namespace {

struct TOptions {
    int Mode = rx::kModeRtty;
    int Baud = 50;
    int Shift = 450;
    double CentreHz = -1.0;  // none: the start-up centre bin
    bool Reverse = false;
    bool Afc = true;
    int Squelch = 0;  // 0: off
    std::string File;
};

[[noreturn]] void Usage(const char* problem)
{
    std::fprintf(stderr,
                 "decode_samples: %s\n"
                 "usage: decode_samples [--mode rtty|navtex] [--baud 45|50|75|100] [--shift 85|170|450|850]\n"
                 "                      [--centre HZ] [--reverse] [--afc on|off] [--squelch 1..99] FILE\n",
                 problem);
    std::exit(2);
}

bool ParseInt(const char* s, int& v)
{
    char* end = nullptr;
    errno = 0;
    const long x = std::strtol(s, &end, 10);
    if (end == s || *end || errno || x < -1000000 || x > 1000000)
        return false;
    v = static_cast<int>(x);
    return true;
}

TOptions Parse(int argc, char** argv)
{
    TOptions o;
    int i = 1;
    auto value = [&](const char* name) -> const char* {
        if (i + 1 >= argc)
            Usage((std::string(name) + " needs a value").c_str());
        return argv[++i];
    };
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--mode") {
            const std::string v = value("--mode");
            if (v == "rtty")
                o.Mode = rx::kModeRtty;
            else if (v == "navtex")
                o.Mode = rx::kModeNavtex;
            else
                Usage("--mode is rtty or navtex");
        } else if (a == "--baud") {
            if (!ParseInt(value("--baud"), o.Baud) || (o.Baud != 45 && o.Baud != 50 && o.Baud != 75 && o.Baud != 100))
                Usage("--baud is 45, 50, 75 or 100");
        } else if (a == "--shift") {
            if (!ParseInt(value("--shift"), o.Shift) ||
                (o.Shift != 85 && o.Shift != 170 && o.Shift != 450 && o.Shift != 850))
                Usage("--shift is 85, 170, 450 or 850");
        } else if (a == "--centre") {
            const char* v = value("--centre");
            char* end = nullptr;
            o.CentreHz = std::strtod(v, &end);
            if (end == v || *end || !(o.CentreHz > 0.0 && o.CentreHz < 11025.0))
                Usage("--centre is a frequency in Hz");
        } else if (a == "--reverse") {
            o.Reverse = true;
        } else if (a == "--afc") {
            const std::string v = value("--afc");
            if (v != "on" && v != "off")
                Usage("--afc is on or off");
            o.Afc = v == "on";
        } else if (a == "--squelch") {
            if (!ParseInt(value("--squelch"), o.Squelch) || o.Squelch < 1 || o.Squelch > 99)
                Usage("--squelch is 1..99");
        } else if (a.size() > 1 && a[0] == '-') {
            Usage(("unknown option " + a).c_str());
        } else if (i != argc - 1) {
            Usage("the file comes last");
        } else {
            o.File = a;
        }
    }
    if (o.File.empty())
        Usage("no file");
    return o;
}

class THost : public rx::TRxSignalHost {
public:
    explicit THost(bool afc) : Afc(afc) {}
    bool AfcEnabled() override { return Afc; }
    int AfcRange() override { return 10; }

private:
    bool Afc;
};

}  // namespace

int main(int argc, char** argv)
{
    const TOptions o = Parse(argc, argv);
    TTtyParams& p = Tty_Params;
    rx::TRxSignalPath path(p);
    rx::TRxDecoder decoder(p);
    decoder.Attach(path);
    THost host(o.Afc);
    path.Host = &host;

    p.ShiftHz = o.Shift;
    p.BaudRate = o.Baud;
    const int centre = o.CentreHz > 0.0 ? rx::RoundHalfUp(o.CentreHz * 2048.0 / p.SamplingFreq) : 316;
    p.LowerBin = p.UpperBin = centre;
    rx::SetMode(p, path.Demod, o.Mode);
    rx::ReverseButtonClick(p, o.Reverse);
    if (o.Squelch) {
        rx::SquelchButtonClick(p, true);
        rx::SquelchUpDownClick(p, o.Squelch);
    }

    std::string out;
    decoder.OnReceivedChar = [&](char c) { out.push_back(c); };
    auto flush = [&] {
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
    };
    const rx::TFileDecodeResult r = rx::DecodeSampleFile(o.File, path, flush);
    flush();
    std::fflush(stdout);
    switch (r) {
    case rx::TFileDecodeResult::Done: return 0;
    case rx::TFileDecodeResult::OpenFailed:
        std::fprintf(stderr, "decode_samples: %s (%s)\n", rx::kFileOpenErrorText, o.File.c_str());
        return 1;
    case rx::TFileDecodeResult::ReadFailed:
        std::fprintf(stderr, "decode_samples: %s (%s)\n", rx::kFileReadErrorText, o.File.c_str());
        return 1;
    }
    return 1;
}
