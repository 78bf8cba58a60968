#include "receiver/SampleFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/SysUtils.h"
#include "receiver/SignalPath.h"

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

bool TSampleFileReader::NextSample(std::int16_t& sample)
{
    enum { kLead, kSign, kDigits, kRest } state = kLead;
    // Accumulating modulo 2^32 keeps the low 16 bits of any length of number exact.
    std::uint32_t value = 0;
    bool negative = false;
    bool any = false;
    for (;;) {
        if (Pos == Len && !Fill()) {
            if (!any || ReadFailed)
                return false;
            break;
        }
        const unsigned char c = static_cast<unsigned char>(Buffer[Pos++]);
        any = true;
        if (c == '\n')
            break;
        const unsigned digit = c - static_cast<unsigned>('0');
        switch (state) {
        case kLead:
            if (digit < 10) {
                value = digit;
                state = kDigits;
            } else if (c == '-' || c == '+') {
                negative = c == '-';
                state = kSign;
            } else if (c != ' ' && (c < '\t' || c > '\r')) {
                state = kRest;
            }
            break;
        case kSign:
        case kDigits:
            if (digit < 10) {
                value = value * 10 + digit;
                state = kDigits;
            } else {
                state = kRest;
            }
            break;
        case kRest: break;
        }
    }
    if (negative)
        value = 0u - value;
    sample = static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFF));
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
                                   const std::function<void()>& afterBlock)
{
    TSampleFileReader reader;
    if (!reader.Open(fileName))
        return TFileDecodeResult::OpenFailed;
    std::int16_t block[kBlockSize];
    for (;;) {
        const TSampleFileReader::TBlock got = reader.ReadBlock(block);
        if (got == TSampleFileReader::TBlock::Failed)
            return TFileDecodeResult::ReadFailed;
        path.ProcessSoundBuffer(block, true);
        if (afterBlock)
            afterBlock();
        if (got == TSampleFileReader::TBlock::Last)
            return TFileDecodeResult::Done;
    }
}

}  // namespace rx
