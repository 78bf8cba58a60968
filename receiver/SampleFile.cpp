#include "receiver/SampleFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/SysUtils.h"
#include "receiver/SignalPath.h"
#include "receiver/Tuning.h"

namespace rx {

bool TSampleFileReader::Open(const std::string& fileName)
{
    Close();
    const int fd = ::open(NativeFileName(fileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    Fd = fd;
    AtEnd = false;
    ReadFailed = false;
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
    return true;
}

namespace {

// The number at the start of a line, read as C's atoi reads it, fed in pieces (a line may cross
// the end of the read buffer).
class TLineNumber {
public:
    // Takes what belongs to the number from [p, end); returns where it stopped.
    const char* Feed(const char* p, const char* end)
    {
        if (State == kLead) {
            // The blanks atoi skips, but not the line break that ends the line.
            while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r' && *p != '\n')))
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
            // Modulo 2^32 keeps the low 16 bits of any length of number exact.
            Value = Value * 10 + digit;
            Digits = true;
        }
        return p;
    }
    // False for a line that holds no number (it gives 0, as atoi does).
    bool HasDigits() const { return Digits; }
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
};

}  // namespace

bool TSampleFileReader::NextSample(std::int16_t& sample)
{
    TLineNumber number;
    bool any = false;
    for (;;) {
        if (Pos == Len && !Fill()) {
            if (!any || ReadFailed)
                return false;
            break;
        }
        any = true;
        const char* end = Buffer + Len;
        const char* p = number.Feed(Buffer + Pos, end);
        // Mostly the number ends right at the line break; the rest of a line is skipped.
        const char* nl = p < end && *p == '\n' ? p : static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (nl) {
            Pos = static_cast<std::size_t>(nl - Buffer) + 1;
            break;
        }
        Pos = Len;
    }
    sample = number.Sample();
    ++Counts.Lines;
    if (!number.HasDigits() && Counts.NotNumbers++ == 0)
        Counts.FirstNotNumber = Counts.Lines;
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
