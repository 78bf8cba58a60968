// Recorded sound as a text file of samples, one signed decimal number per line, taken as 11025
// samples per second and fed block by block through the same processing as live sound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "receiver/Decoder.h"
#include "receiver/RxParams.h"
#include "receiver/SignalPath.h"

namespace rx {

// What a sample file held, line by line.
struct TSampleFileCounts {
    long Lines = 0;
    long NotNumbers = 0;      // lines with no number at their start, read as 0
    long FirstNotNumber = 0;  // the first of them, counted from 1
    long LoneCr = 0;          // lines holding a CR that no LF follows, in a file whose lines end
    long FirstLoneCr = 0;     // in LF (there CR alone ends no line)
    long SeveralNumbers = 0;  // lines with digits after their number (only the first is read)
    long FirstSeveralNumbers = 0;
    long OutOfRange = 0;      // numbers beyond 16 bits, cut to their low 16 bits
    long FirstOutOfRange = 0;
    long NotSamples = 0;      // lines that are not one number from -32768 to 32767 with at most
    long FirstNotSample = 0;  // blanks around it (every line counted above, and "12abc", "3.9")
};

// A file is decoded when at least half its lines are samples: a sound file or a log picked by
// mistake is not, and none of it reaches the receiver.
bool HoldsSamples(const TSampleFileCounts& counts);
// What Decode From File tells in a box captioned kDecodeFromFileCaption once it is done: that
// nothing was decoded (an empty file, one that is not samples), or how many lines of a decoded
// file were not samples and the first of them. Empty when every line was a sample.
std::string SampleFileReport(const TSampleFileCounts& counts);
inline constexpr const char* kDecodeFromFileCaption = "Decode From File";
// Told in that box for a named pipe or a device picked (reading one would wait for a writer or
// never end, and it cannot be read through twice).
std::string NotAFileReport(const std::string& fileName);

// The texts the window shows, in a message box captioned kFileErrorCaption.
inline constexpr const char* kFileOpenErrorText = "File Open Error!";
inline constexpr const char* kFileReadErrorText = "File Read Error!";
inline constexpr const char* kFileErrorCaption = "File Error";

class TSampleFileReader {
public:
    enum class TBlock {
        Full,    // a whole block; more may follow
        Last,    // the end came in this block: the rest of it is zeros, and nothing follows
        Failed,  // the file could not be read on; the block is not to be used
    };

    TSampleFileReader() = default;
    TSampleFileReader(const TSampleFileReader&) = delete;
    TSampleFileReader& operator=(const TSampleFileReader&) = delete;
    ~TSampleFileReader() { Close(); }

    // False when the file cannot be opened for reading (missing, a directory, not permitted) or
    // is no file at all (NotAFile). Opening never waits: a named pipe with no writer is refused
    // at once like a device.
    bool Open(const std::string& fileName);
    void Close();
    // The last Open refused a named pipe, a device or a socket: reading one would wait for a
    // writer, or never end, and it could not be read a second time.
    bool NotAFile() const { return FNotAFile; }
    // Back to the start of the same file, the counts emptied; false when that fails.
    bool Rewind();

    // The next kBlockSize samples. A line gives the number at its start as C's atoi reads it
    // (leading blanks, a sign, digits; anything else ends it, so a line that is not a number
    // gives 0), cut to its low 16 bits. Every line is one sample, a last line without a line
    // break included. Lines end in LF (a CR before it belongs to the line end), unless the
    // file's first line end is a CR that neither LF nor CR follows: then each of CR, LF and
    // CR LF ends a line.
    TBlock ReadBlock(std::int16_t* block);

    // The lines read so far.
    TSampleFileCounts Counts;

private:
    bool NextSample(std::int16_t& sample);
    bool Fill();
    void DecideLineEnds();

    static constexpr std::size_t kBufferSize = 1 << 16;
    int Fd = -1;
    bool AtEnd = false;
    bool ReadFailed = false;
    bool FNotAFile = false;
    enum class TLineEnds { Undecided, Lf, Cr } LineEnds = TLineEnds::Undecided;
    // A line ended in CR: an LF straight after it belongs to that line end.
    bool AfterCr = false;
    std::size_t Pos = 0;
    std::size_t Len = 0;
    char Buffer[kBufferSize];
};

enum class TFileDecodeResult { Done, OpenFailed, ReadFailed };

// "Decode From File" without the window: every block of the file, the last one padded, through
// path.ProcessSoundBuffer with the from-file flag; afterBlock (may be empty) runs after each one.
// On ReadFailed the blocks before the failure have been processed. counts, when given, gets what
// the file held.
TFileDecodeResult DecodeSampleFile(const std::string& fileName, TRxSignalPath& path,
                                   const std::function<void()>& afterBlock = {},
                                   TSampleFileCounts* counts = nullptr);

// The spectrum bin nearest to a frequency.
int NearestBin(double hz, double samplingFreq);

// The centre bin of the tone pair after a start with a fresh settings file.
constexpr int kStartCentreBin = 316;

// How a decode without a window is tuned: what the menus, the toolbar and a click in the
// spectrum would set.
struct TDecodeTuning {
    int Mode = kModeRtty;
    int Baud = 50;
    int Shift = 450;
    double CentreHz = 0.0;  // 0: kStartCentreBin
    bool Reverse = false;
    int Squelch = 0;  // 0: off; else the up-down position 1..99
};
void TuneForDecode(TTtyParams& p, TTwoToneDemod& demod, const TDecodeTuning& tuning);

// A host without a window: the AFC as set, nothing painted.
class TPlainSignalHost : public TRxSignalHost {
public:
    bool Afc = true;
    int Range = 10;
    bool AfcEnabled() override { return Afc; }
    int AfcRange() override { return Range; }
};

// The receiver without a window: the signal path, its host and the decoder, wired together.
struct TPlainReceiver {
    explicit TPlainReceiver(TTtyParams& params) : Path(params), Decoder(params)
    {
        Path.Host = &Host;
        Decoder.Attach(Path);
    }
    TPlainReceiver(const TPlainReceiver&) = delete;
    TPlainReceiver& operator=(const TPlainReceiver&) = delete;

    TRxSignalPath Path;
    TRxDecoder Decoder;
    TPlainSignalHost Host;
};

}  // namespace rx
