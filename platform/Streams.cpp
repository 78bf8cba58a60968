// Streams: the stream base, memory streams and file streams.
#include "platform/Classes.h"
#include "platform/FileUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

// ---------------------------------------------------------------- TStream

Int64 TStream::Size()
{
    const Int64 pos = Seek(0, soCurrent);
    const Int64 size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::SetSize(Int64)
{
    throw EStreamError("Stream size cannot be changed");
}

void TStream::ReadBuffer(void* Buffer, Int64 Count)
{
    if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError(SysMsg::ReadError);
}

void TStream::WriteBuffer(const void* Buffer, Int64 Count)
{
    if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError(SysMsg::WriteError);
}

Int64 TStream::CopyFrom(TStream* Source, Int64 Count)
{
    if (Count == 0) {
        Source->SetPosition(0);
        Count = Source->Size();
    }
    const Int64 result = Count;
    std::vector<Byte> buf(static_cast<size_t>(std::min<Int64>(Count, 0xF000)) + 1);
    while (Count > 0) {
        const Int64 n = std::min<Int64>(Count, static_cast<Int64>(buf.size()));
        Source->ReadBuffer(buf.data(), n);
        WriteBuffer(buf.data(), n);
        Count -= n;
    }
    return result;
}

// ---------------------------------------------------------------- memory streams

void TCustomMemoryStream::SetPointer(const void* Ptr, Int64 Size)
{
    FMemory = static_cast<const Byte*>(Ptr);
    FSize = Size;
}

Int64 TCustomMemoryStream::Read(void* Buffer, Int64 Count)
{
    if (Count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
    const Int64 n = std::min(Count, FSize - FPosition);
    std::memcpy(Buffer, FMemory + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

Int64 TCustomMemoryStream::Seek(Int64 Offset, TSeekOrigin Origin)
{
    switch (Origin) {
    case soBeginning: FPosition = Offset; break;
    case soCurrent: FPosition += Offset; break;
    case soEnd: FPosition = FSize + Offset; break;
    }
    return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream)
{
    if (FSize != 0) Stream->WriteBuffer(FMemory, FSize);
}

void TCustomMemoryStream::SaveToFile(const std::string& FileName)
{
    // The old file stays as it was unless all of the new one could be written.
    const std::string data(reinterpret_cast<const char*>(FMemory), static_cast<size_t>(FSize));
    if (!StoreFileContents(FileName, data))
        throw EFCreateError(Format(SysMsg::FCreateError, FileName.c_str()) + ": " + StoreFileError());
}

Int64 TReadOnlyMemoryStream::Write(const void*, Int64)
{
    throw EStreamError("Stream is read-only");
}

void TMemoryStream::Sync()
{
    SetPointer(FData.data(), static_cast<Int64>(FData.size()));
}

Int64 TMemoryStream::Write(const void* Buffer, Int64 Count)
{
    if (Count <= 0 || FPosition < 0) return 0;
    const Int64 end = FPosition + Count;
    if (end > static_cast<Int64>(FData.size())) {
        if (end > static_cast<Int64>(FData.capacity())) FData.reserve(static_cast<size_t>(end + end / 4));
        FData.resize(static_cast<size_t>(end));
    }
    std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = end;
    Sync();
    return Count;
}

void TMemoryStream::SetSize(Int64 NewSize)
{
    if (NewSize < 0) throw EStreamError("Invalid stream size");
    FData.resize(static_cast<size_t>(NewSize));
    Sync();
    if (FPosition > NewSize) FPosition = NewSize;
}

void TMemoryStream::Clear()
{
    FData.clear();
    FData.shrink_to_fit();
    FPosition = 0;
    Sync();
}

void TMemoryStream::LoadFromStream(TStream* Stream)
{
    Stream->SetPosition(0);
    const Int64 n = Stream->Size();
    SetSize(n);
    if (n != 0) Stream->ReadBuffer(FData.data(), n);
    FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& FileName)
{
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&f);
}

// ---------------------------------------------------------------- TFileStream

TFileStream::TFileStream(const std::string& FileName, Word Mode) : FFileName(FileName)
{
    const std::string path = NativeFileName(FileName);
    if (Mode == fmCreate) {
        FHandle = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0) throw EFCreateError(Format(SysMsg::FCreateError, FileName.c_str()));
        return;
    }
    int flags = O_CLOEXEC;
    switch (Mode & 3) {
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    FHandle = ::open(path.c_str(), flags);
    struct stat st {};
    if (FHandle >= 0 && (::fstat(FHandle, &st) != 0 || S_ISDIR(st.st_mode))) {
        ::close(FHandle);
        FHandle = -1;
    }
    if (FHandle < 0) throw EFOpenError(Format(SysMsg::FOpenError, FileName.c_str()));
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0) ::close(FHandle);
}

Int64 TFileStream::Read(void* Buffer, Int64 Count)
{
    Int64 done = 0;
    auto* p = static_cast<char*>(Buffer);
    while (done < Count) {
        const ssize_t n = ::read(FHandle, p + done, static_cast<size_t>(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

Int64 TFileStream::Write(const void* Buffer, Int64 Count)
{
    Int64 done = 0;
    auto* p = static_cast<const char*>(Buffer);
    while (done < Count) {
        const ssize_t n = ::write(FHandle, p + done, static_cast<size_t>(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

Int64 TFileStream::Seek(Int64 Offset, TSeekOrigin Origin)
{
    const int whence = Origin == soBeginning ? SEEK_SET : (Origin == soCurrent ? SEEK_CUR : SEEK_END);
    const off_t r = ::lseek(FHandle, static_cast<off_t>(Offset), whence);
    return r < 0 ? -1 : static_cast<Int64>(r);
}

void TFileStream::SetSize(Int64 NewSize)
{
    if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0)
        throw EStreamError(Format("Cannot set the size of %s", FFileName.c_str()));
    if (Position() > NewSize) SetPosition(NewSize);
}
