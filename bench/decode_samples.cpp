// Developer tool: runs a text file of samples through the receiver's per-block processing
// (spectrum, AFC, demodulator, decoder) without a window and writes the decoded bytes to stdout.
//
//   decode_samples [--mode rtty|navtex] [--baud 45|50|75|100] [--shift 85|170|450|850]
//                  [--centre HZ] [--reverse] [--afc on|off] [--squelch 1..99] FILE
//
// The defaults are those of a fresh start: RTTY, 50 Bd, 450 Hz, centre bin 316, normal sense, AFC
// on with a range of 10 bins, squelch off. Exit status 0 when the whole file was decoded, 1 when
// it could not be opened or read, 2 for unusable options.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/SysUtils.h"
#include "receiver/SampleFile.h"

namespace {

struct TOptions {
    rx::TDecodeTuning Tuning;
    bool Afc = true;
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
                o.Tuning.Mode = rx::kModeRtty;
            else if (v == "navtex")
                o.Tuning.Mode = rx::kModeNavtex;
            else
                Usage("--mode is rtty or navtex");
        } else if (a == "--baud") {
            int& b = o.Tuning.Baud;
            if (!ParseInt(value("--baud"), b) || (b != 45 && b != 50 && b != 75 && b != 100))
                Usage("--baud is 45, 50, 75 or 100");
        } else if (a == "--shift") {
            int& sh = o.Tuning.Shift;
            if (!ParseInt(value("--shift"), sh) || (sh != 85 && sh != 170 && sh != 450 && sh != 850))
                Usage("--shift is 85, 170, 450 or 850");
        } else if (a == "--centre") {
            const char* v = value("--centre");
            char* end = nullptr;
            double& hz = o.Tuning.CentreHz;
            hz = std::strtod(v, &end);
            // Whole hertz whose nearest bins are the first and the last of the band: the range
            // the message gives is the range taken. Written so that a NaN fails too.
            const double lo = std::ceil((rx::kFirstBin - 0.5) * rx::kDeviceRate / rx::kBlockSize);
            const double hi = std::floor((rx::kLastBin + 0.5) * rx::kDeviceRate / rx::kBlockSize);
            if (end == v || *end || !(hz >= lo && hz <= hi))
                Usage(Format("--centre is a frequency in Hz within the working band, %.0f to %.0f", lo, hi).c_str());
        } else if (a == "--reverse") {
            o.Tuning.Reverse = true;
        } else if (a == "--afc") {
            const std::string v = value("--afc");
            if (v != "on" && v != "off")
                Usage("--afc is on or off");
            o.Afc = v == "on";
        } else if (a == "--squelch") {
            int& q = o.Tuning.Squelch;
            if (!ParseInt(value("--squelch"), q) || q < 1 || q > 99)
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

}  // namespace

int main(int argc, char** argv)
{
    const TOptions o = Parse(argc, argv);
    TTtyParams& p = Tty_Params;
    rx::TPlainReceiver receiver(p);
    receiver.Host.Afc = o.Afc;
    rx::TuneForDecode(p, receiver.Path.Demod, o.Tuning);

    std::string out;
    receiver.Decoder.OnReceivedChar = [&](char c) { out.push_back(c); };
    auto flush = [&] {
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
    };
    rx::TSampleFileCounts counts;
    const rx::TFileDecodeResult r = rx::DecodeSampleFile(o.File, receiver.Path, flush, &counts);
    flush();
    std::fflush(stdout);
    // The receiver reads such lines as silence; say so, since it is rarely what was meant.
    if (r == rx::TFileDecodeResult::Done && counts.Lines == 0)
        std::fprintf(stderr, "decode_samples: %s holds no samples\n", o.File.c_str());
    const auto warn = [&](long n, long first, const char* what) {
        if (n > 0)
            std::fprintf(stderr, "decode_samples: %ld of the %ld lines of %s (the first is line %ld) %s\n", n,
                         counts.Lines, o.File.c_str(), first, what);
    };
    warn(counts.NotNumbers, counts.FirstNotNumber, "hold no number; each was read as 0");
    warn(counts.LoneCr, counts.FirstLoneCr,
         "hold a CR with no LF after it; in a file whose first line ends in LF, CR alone ends no line, so the "
         "rest of such a line was skipped");
    warn(counts.SeveralNumbers, counts.FirstSeveralNumbers,
         "hold more than one number; only the first number of a line is read");
    warn(counts.OutOfRange, counts.FirstOutOfRange,
         "hold a number beyond 16 bits (-32768 to 32767); only its low 16 bits were kept");
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
