// Streams: the stream base, memory streams and file streams.
#include "platform/Classes.h"
#include "platform/FileUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

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

template <class TBytes>
void ReadToEnd(TStream* Stream, TBytes& Into)
{
    const Int64 pos = Stream->Position();
    const Int64 left = pos < 0 ? -1 : Stream->Size() - pos;
    const auto* file = dynamic_cast<const TFileStream*>(Stream);
    if (file && file->IsDevice()) {
        Into.resize(static_cast<size_t>(std::max<Int64>(left, 0)));
        if (left > 0) Stream->ReadBuffer(Into.data(), left);
        return;
    }
    // A byte more than the size told, so that a file that holds what it tells ends in this room; one
    // that holds more, or tells nothing, doubles it.
    Into.resize(static_cast<size_t>(std::max<Int64>(left + 1, 4096)));
    size_t done = 0;
    for (;;) {
        if (done == Into.size()) Into.resize(2 * Into.size());
        const Int64 n = Stream->Read(Into.data() + done, static_cast<Int64>(Into.size() - done));
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    Into.resize(done);
    // A failure looks like the end to a reader that cannot know the size: it is told, not cut short.
    if (file && file->ReadFailed()) throw EReadError(SysMsg::ReadError);
}

template void ReadToEnd(TStream* Stream, std::string& Into);
template void ReadToEnd(TStream* Stream, std::vector<Byte>& Into);

std::string ReadToEnd(TStream* Stream)
{
    std::string data;
    ReadToEnd(Stream, data);
    return data;
}

// ---------------------------------------------------------------- gathered writes

TGatheredWrites::~TGatheredWrites()
{
    if (!FStream) return;
    try {
        FStream->EndGather();
    } catch (...) {
    }
}

void TGatheredWrites::Finish()
{
    std::exchange(FStream, nullptr)->EndGather();
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
    // Read into memory that becomes the stream's own (a file's bytes held once); the old content
    // stays should the read fail, and a stream may load itself.
    std::vector<Byte> data;
    ReadToEnd(Stream, data);
    FData = std::move(data);
    FPosition = 0;
    Sync();
}

void TMemoryStream::LoadFromFile(const std::string& FileName)
{
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&f);
}

// ---------------------------------------------------------------- TFileStream

namespace {
// Large enough that a load reads its file in a few hundred calls, small enough for every stream.
constexpr Int64 FileBufferSize = 64 * 1024;
// A tree of 100,000 items reaches its file in a few hundred writes; beside a save the block costs nothing.
constexpr Int64 GatherSize = 64 * 1024;
}  // namespace

TFileStream::TFileStream(const std::string& FileName, Word Mode) : FFileName(FileName)
{
    const std::string path = NativeFileName(FileName);
    struct stat st {};
    if (Mode == fmCreate) {
        FHandle = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0) throw EFCreateError(Format(SysMsg::FCreateError, FileName.c_str()));
        FWritable = true;
        if (::fstat(FHandle, &st) == 0) {
            FRegular = S_ISREG(st.st_mode);
            FDevice = S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode);
        }
        return;
    }
    int flags = O_CLOEXEC;
    switch (Mode & 3) {
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    FHandle = ::open(path.c_str(), flags);
    if (FHandle >= 0 && (::fstat(FHandle, &st) != 0 || S_ISDIR(st.st_mode))) {
        ::close(FHandle);
        FHandle = -1;
    }
    if (FHandle < 0) throw EFOpenError(Format(SysMsg::FOpenError, FileName.c_str()));
    FWritable = (flags & O_ACCMODE) != O_RDONLY;
    FRegular = S_ISREG(st.st_mode);
    FDevice = S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode);
}

TFileStream::~TFileStream()
{
    // A bracket left open: its save's error, if any, is on its way out already.
    try {
        HandOn();
    } catch (const EWriteError&) {
    }
    ::close(FHandle);
}

bool TFileStream::MoveTo(Int64 Offset)
{
    if (FOffset == Offset) return true;
    if (::lseek(FHandle, static_cast<off_t>(Offset), SEEK_SET) < 0) return false;
    FOffset = Offset;
    return true;
}

// Count bytes at Offset, or fewer at the end of the file; without Whole, what one call gives (a pipe
// is not waited on for more than it has).
Int64 TFileStream::ReadAt(Int64 Offset, Byte* To, Int64 Count, bool Whole)
{
    FReadFailed = false;
    if (!MoveTo(Offset)) return 0;
    FSize = -1;
    Int64 done = 0;
    while (done < Count) {
        const ssize_t n = ::read(FHandle, To + done, static_cast<size_t>(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) FReadFailed = true;
        if (n <= 0) break;
        done += n;
        FOffset += n;
        if (!Whole) break;
    }
    return done;
}

Int64 TFileStream::WriteAt(Int64 Offset, const Byte* From, Int64 Count)
{
    if (!MoveTo(Offset)) return 0;
    FSize = -1;
    Int64 done = 0;
    while (done < Count) {
        const ssize_t n = ::write(FHandle, From + done, static_cast<size_t>(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
        FOffset += n;
    }
    return done;
}

// More of the file after what the buffer holds, as far as it has room; how much came.
Int64 TFileStream::Fill()
{
    if (FBuffer.empty()) FBuffer.resize(static_cast<size_t>(FileBufferSize));
    const Int64 n = ReadAt(FBufStart + FBufLen, FBuffer.data() + FBufLen, FileBufferSize - FBufLen, false);
    FBufLen += n;
    return n;
}

Int64 TFileStream::Read(void* Buffer, Int64 Count)
{
    HandOn();
    auto* to = static_cast<Byte*>(Buffer);
    Int64 done = 0;
    while (done < Count) {
        const Int64 at = FPosition - FBufStart;
        if (at >= 0 && at < FBufLen) {
            const Int64 n = std::min(Count - done, FBufLen - at);
            std::memcpy(to + done, FBuffer.data() + at, static_cast<size_t>(n));
            done += n;
            FPosition += n;
            continue;
        }
        Int64 got = 0;
        if (at == FBufLen && FBufLen < FileBufferSize) {
            got = Fill();
        } else {
            FBufStart = FPosition;
            FBufLen = 0;
            if (Count - done >= FileBufferSize) {
                // A large read goes straight to the caller.
                got = ReadAt(FPosition, to + done, Count - done, true);
                done += got;
                FPosition += got;
                break;
            }
            got = Fill();
        }
        if (got == 0) break;
    }
    return done;
}

// Count bytes to the file at Offset; how many it took.
Int64 TFileStream::Put(Int64 Offset, const Byte* From, Int64 Count)
{
    const Int64 done = WriteAt(Offset, From, Count);
    // What the buffer holds of the bytes the file took, it holds as the file now has them.
    const Int64 first = std::max(Offset, FBufStart);
    const Int64 last = std::min(Offset + done, FBufStart + FBufLen);
    if (first < last)
        std::memcpy(FBuffer.data() + (first - FBufStart), From + (first - Offset), static_cast<size_t>(last - first));
    return done;
}

// The held bytes to the file. A failure is kept for the bracket's end too: a writer between may
// take the error and go on (a helper that answers false), and the save must not end as if whole.
void TFileStream::HandOn()
{
    if (FHeld.empty()) return;
    const auto count = static_cast<Int64>(FHeld.size());
    const Int64 done = Put(FHeldAt, FHeld.data(), count);
    FHeld.clear();
    if (done != count) {
        FGatherFailed = true;
        throw EWriteError(SysMsg::WriteError);
    }
}

void TFileStream::EndGather()
{
    if (FGathering == 0) return;
    bool failed = FGatherFailed;
    if (--FGathering == 0) {
        try {
            HandOn();
        } catch (const EWriteError&) {
            failed = true;
        }
        FGatherFailed = false;
    }
    if (failed) throw EWriteError(SysMsg::WriteError);
}

Int64 TFileStream::Write(const void* Buffer, Int64 Count)
{
    if (!FWritable || Count <= 0) return 0;
    const auto* from = static_cast<const Byte*>(Buffer);
    if (FGathering > 0 && Count < GatherSize) {
        if (FHeld.empty()) FHeldAt = FPosition;
        FHeld.insert(FHeld.end(), from, from + Count);
        FPosition += Count;
        if (static_cast<Int64>(FHeld.size()) >= GatherSize) HandOn();
        return Count;
    }
    // A piece of a block's size or more goes to the file as it is, after what is held.
    HandOn();
    const Int64 done = Put(FPosition, from, Count);
    if (done != Count && FGathering > 0) FGatherFailed = true;
    FPosition += done;
    return done;
}

Int64 TFileStream::Seek(Int64 Offset, TSeekOrigin Origin)
{
    // Asking where the stream stands hands nothing on: handlers do it for every piece.
    if (Origin != soCurrent || Offset != 0) HandOn();
    Int64 to = Origin == soBeginning ? Offset : FPosition + Offset;
    if (Origin == soEnd) {
        const Int64 size = Size();
        if (size < 0) return -1;
        to = size + Offset;
    }
    if (to < 0) return -1;
    // Leaving the buffer asks the system, so a file that cannot seek still says so.
    if (to != FPosition && (to < FBufStart || to > FBufStart + FBufLen) && !MoveTo(to)) return -1;
    FPosition = to;
    return to;
}

Int64 TFileStream::Size()
{
    HandOn();
    if (FSize >= 0) return FSize;
    struct stat st {};
    if (FRegular && ::fstat(FHandle, &st) == 0) return FSize = static_cast<Int64>(st.st_size);
    // A device may tell its size by a seek to its end; a pipe has none (-1).
    const off_t end = ::lseek(FHandle, 0, SEEK_END);
    if (end < 0) return -1;
    FOffset = static_cast<Int64>(end);
    return FOffset;
}

void TFileStream::SetSize(Int64 NewSize)
{
    HandOn();
    if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0)
        throw EStreamError(Format("Cannot set the size of %s", FFileName.c_str()));
    FSize = -1;
    FBufLen = std::clamp<Int64>(NewSize - FBufStart, 0, FBufLen);
    if (FPosition > NewSize) FPosition = NewSize;
}
