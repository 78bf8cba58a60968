#include "receiver/SampleFile.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileUtils.h"
#include "platform/SysUtils.h"
#include "receiver/SignalPath.h"
#include "receiver/Tuning.h"

namespace rx {

bool TSampleFileReader::Open(const std::string& fileName)
{
    Close();
    FNotAFile = false;
    // Without waiting: a named pipe opened for reading waits for a writer otherwise.
    const int fd = ::open(NativeFileName(fileName).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        FNotAFile = errno == ENXIO;  // a socket, or a device with no driver
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        FNotAFile = st.st_mode != 0 && !S_ISDIR(st.st_mode);
        ::close(fd);
        return false;
    }
    Fd = fd;
    return Rewind();
}

bool TSampleFileReader::Rewind()
{
    if (Fd < 0 || ::lseek(Fd, 0, SEEK_SET) != 0)
        return false;
    AtEnd = false;
    ReadFailed = false;
    LineEnds = TLineEnds::Undecided;
    AfterCr = false;
    Pos = Len = 0;
    Counts = {};
    return true;
}

void TSampleFileReader::Close()
{
    if (Fd >= 0)
        ::close(Fd);
    Fd = -1;
}

bool TSampleFileReader::Fill()
{
    if (AtEnd || ReadFailed || Fd < 0) {
        AtEnd = true;
        return false;
    }
    ssize_t n;
    do
        n = ::read(Fd, Buffer, kBufferSize);
    while (n < 0 && errno == EINTR);
    if (n < 0)
        ReadFailed = true;
    if (n <= 0) {
        AtEnd = true;
        return false;
    }
    Pos = 0;
    Len = static_cast<std::size_t>(n);
    if (LineEnds == TLineEnds::Undecided)
        DecideLineEnds();
    return true;
}

// The first line end tells how the file's lines end; a CR followed by CR (CR CR LF) is taken as
// part of an LF line end.
void TSampleFileReader::DecideLineEnds()
{
    for (std::size_t i = Pos; i < Len; ++i) {
        if (Buffer[i] == '\n') {
            LineEnds = TLineEnds::Lf;
            return;
        }
        if (Buffer[i] == '\r') {
            char next = 0;
            bool known = i + 1 < Len;
            if (known) {
                next = Buffer[i + 1];
            } else {
                // The next byte is beyond this piece of the file: a look at it moves nothing.
                const off_t at = ::lseek(Fd, 0, SEEK_CUR);
                known = at >= 0 && ::pread(Fd, &next, 1, at) == 1;
            }
            LineEnds = known && next != '\n' && next != '\r' ? TLineEnds::Cr : TLineEnds::Lf;
            return;
        }
    }
}

namespace {

// The number at the start of a line, read as C's atoi reads it, fed in pieces (a line may cross
// the end of the read buffer).
class TLineNumber {
public:
    // Takes what belongs to the number from [p, end); returns where it stopped. crEnds: CR ends
    // lines too.
    const char* Feed(const char* p, const char* end, bool crEnds)
    {
        if (State == kLead) {
            // The blanks atoi skips, but not the line break that ends the line.
            while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r' && *p != '\n' && !(crEnds && *p == '\r'))))
                ++p;
            if (p == end)
                return p;
            State = kSign;
            if (*p == '-' || *p == '+') {
                Negative = *p == '-';
                ++p;
            }
        }
        if (State == kDone)
            return p;
        for (; p < end; ++p) {
            const unsigned digit = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
            if (digit >= 10) {
                State = kDone;
                break;
            }
            // Modulo 2^32 keeps the low 16 bits of any length of number exact; the value only
            // wraps after it has passed 32768, which marks it as beyond 16 bits for good.
            Value = Value * 10 + digit;
            Over = Over || Value > 32768;
            Digits = true;
        }
        return p;
    }
    // False for a line that holds no number (it gives 0, as atoi does).
    bool HasDigits() const { return Digits; }
    // The number does not fit a signed 16-bit sample.
    bool OutOfRange() const { return Over || (!Negative && Value == 32768); }
    std::int16_t Sample() const
    {
        const std::uint32_t v = Negative ? 0u - Value : Value;
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF));
    }

private:
    enum { kLead, kSign, kDone } State = kLead;  // kSign: past the blanks, in the digits
    std::uint32_t Value = 0;
    bool Negative = false;
    bool Digits = false;
    bool Over = false;
};

// What the rest of a line (after its number) holds, fed in pieces like the number.
class TLineRest {
public:
    void Feed(const char* p, const char* end)
    {
        for (; p < end; ++p) {
            LoneCr = LoneCr || Cr;
            Cr = *p == '\r';
            More = More || (*p >= '0' && *p <= '9');
            Other = Other || !(*p == ' ' || (*p >= '\t' && *p <= '\r'));
        }
    }
    // A CR just before the line's LF is part of a CR LF line end; at the end of the file it is not.
    bool HasLoneCr(bool atEndOfFile) const { return LoneCr || (atEndOfFile && Cr); }
    bool HasMoreDigits() const { return More; }
    // Anything but blanks.
    bool HasMore() const { return Other; }

private:
    bool Cr = false;
    bool LoneCr = false;
    bool More = false;
    bool Other = false;
};

void Note(long& count, long& first, long line)
{
    if (count++ == 0)
        first = line;
}

}  // namespace

bool TSampleFileReader::NextSample(std::int16_t& sample)
{
    TLineNumber number;
    TLineRest rest;
    bool any = false;
    bool atEnd = false;
    for (;;) {
        if (Pos == Len && !Fill()) {
            if (!any || ReadFailed)
                return false;
            atEnd = true;
            break;
        }
        const bool crEnds = LineEnds == TLineEnds::Cr;
        // The LF of a CR LF whose CR ended the line before.
        if (std::exchange(AfterCr, false) && Buffer[Pos] == '\n' && ++Pos == Len)
            continue;
        any = true;
        const char* end = Buffer + Len;
        const char* p = number.Feed(Buffer + Pos, end, crEnds);
        // Mostly the number ends right at the line break; the rest of a line is looked through
        // only for what to warn of.
        const char* nl = p < end && (*p == '\n' || (crEnds && *p == '\r'))
                             ? p
                             : static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (crEnds && p < end && nl != p) {
            const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>((nl ? nl : end) - p)));
            nl = cr ? cr : nl;
        }
        rest.Feed(p, nl ? nl : end);
        if (nl) {
            AfterCr = *nl == '\r';
            Pos = static_cast<std::size_t>(nl - Buffer) + 1;
            break;
        }
        Pos = Len;
    }
    sample = number.Sample();
    const long line = ++Counts.Lines;
    if (!number.HasDigits())
        Note(Counts.NotNumbers, Counts.FirstNotNumber, line);
    if (number.OutOfRange())
        Note(Counts.OutOfRange, Counts.FirstOutOfRange, line);
    if (rest.HasLoneCr(atEnd))
        Note(Counts.LoneCr, Counts.FirstLoneCr, line);
    if (number.HasDigits() && rest.HasMoreDigits())
        Note(Counts.SeveralNumbers, Counts.FirstSeveralNumbers, line);
    if (!number.HasDigits() || number.OutOfRange() || rest.HasMore())
        Note(Counts.NotSamples, Counts.FirstNotSample, line);
    return true;
}

TSampleFileReader::TBlock TSampleFileReader::ReadBlock(std::int16_t* block)
{
    for (int i = 0; i < kBlockSize; ++i) {
        if (!NextSample(block[i])) {
            if (ReadFailed)
                return TBlock::Failed;
            for (; i < kBlockSize; ++i)
                block[i] = 0;
            return TBlock::Last;
        }
    }
    return TBlock::Full;
}

TFileDecodeResult DecodeSampleFile(const std::string& fileName, TRxSignalPath& path,
                                   const std::function<void()>& afterBlock, TSampleFileCounts* counts)
{
    TSampleFileReader reader;
    if (!reader.Open(fileName))
        return TFileDecodeResult::OpenFailed;
    std::int16_t block[kBlockSize];
    for (;;) {
        const TSampleFileReader::TBlock got = reader.ReadBlock(block);
        if (counts)
            *counts = reader.Counts;
        if (got == TSampleFileReader::TBlock::Failed)
            return TFileDecodeResult::ReadFailed;
        path.ProcessSoundBuffer(block, true);
        if (afterBlock)
            afterBlock();
        if (got == TSampleFileReader::TBlock::Last)
            return TFileDecodeResult::Done;
    }
}

bool HoldsSamples(const TSampleFileCounts& c)
{
    return c.Lines > 0 && c.NotSamples <= c.Lines - c.NotSamples;
}

std::string SampleFileReport(const TSampleFileCounts& c)
{
    if (c.Lines == 0)
        return "Nothing was decoded: the file is empty.";
    if (c.NotSamples == 0)
        return std::string();
    const std::string lines =
        c.NotSamples == 1
            ? Format("line %ld of %ld is not a sample", c.FirstNotSample, c.Lines)
            : Format("%ld of %ld lines are not samples, the first of them line %ld", c.NotSamples, c.Lines, c.FirstNotSample);
    if (!HoldsSamples(c))
        return "Nothing was decoded: " + lines + ". A sample file holds one whole number from -32768 to 32767 on each line.";
    return "The file was decoded, but " + lines + ".";
}

std::string NotAFileReport(const std::string& fileName)
{
    return "Nothing was decoded: " + ExtractFileName(fileName) +
           " is not a file but a named pipe or a device. Decode From File reads files of samples only.";
}

int NearestBin(double hz, double samplingFreq)
{
    return RoundHalfUp(hz * kBlockSize / samplingFreq);
}

void TuneForDecode(TTtyParams& p, TTwoToneDemod& demod, const TDecodeTuning& t)
{
    p.ShiftHz = t.Shift;
    p.BaudRate = t.Baud;
    p.LowerBin = p.UpperBin = t.CentreHz > 0.0 ? NearestBin(t.CentreHz, EffectiveSamplingFreq(p)) : kStartCentreBin;
    SetMode(p, demod, t.Mode);
    ReverseButtonClick(p, t.Reverse);
    if (t.Squelch) {
        SquelchButtonClick(p, true);
        SquelchUpDownClick(p, t.Squelch);
    }
}

}  // namespace rx
