#include "receiver/SoundInput.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/SysUtils.h"
#include "receiver/SampleFile.h"
#include "receiver/Settings.h"

namespace rx {

struct TSoundInput::TShared {
    std::atomic<int> Waiting{0};  // filled buffers the window has not processed yet
    std::atomic<int> Queued{0};   // buffers in the driver's hands
    std::atomic<bool> Opening{false};
    std::atomic<bool> Closing{false};
    std::atomic<bool> Lost{false};
    // Buffer messages posted and not handled yet.
    std::atomic<int> Posted{0};
    // Buffers the device has given back since it opened.
    std::atomic<std::uint64_t> Returned{0};
    // Where the device's sound broke off (it went away, it came back), each as the buffers it had
    // given back by then: written in order by the driver's thread, read by the window's. Breaks
    // with no buffer between them are one, so no more than a ring of buffers and one can wait.
    static constexpr unsigned kBreakSlots = 2 * kSoundBufferCount;
    std::atomic<std::uint64_t> Breaks[kBreakSlots] = {};
    std::atomic<unsigned> BreaksWritten{0};
    HWND Window = nullptr;  // set before the device opens, read by the driver's thread
    std::int16_t Buffers[kSoundBufferCount][kBlockSize] = {};
    WAVEHDR Headers[kSoundBufferCount];
};

namespace {

// Counted, so that the window can tell a message that comes for a buffer a pass has already taken.
void PostBufferMessage(TSoundInput::TShared& shared)
{
    shared.Posted.fetch_add(1);
    PostMessage(shared.Window, kSoundBufferMessage, 0, 0);
}

// The driver's thread: count and post, nothing else (no sample data, no window but the post).
void WaveInCallback(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR)
{
    auto* shared = reinterpret_cast<TSoundInput::TShared*>(instance);
    if (message == WIM_DEVICELOST || message == WIM_DEVICEBACK) {
        // The window's timer looks at this; the window cuts the stream where it broke.
        shared->Lost.store(message == WIM_DEVICELOST);
        const std::uint64_t at = shared->Returned.load();
        const unsigned n = shared->BreaksWritten.load(std::memory_order_relaxed);
        if (n == 0 || shared->Breaks[(n - 1) % TSoundInput::TShared::kBreakSlots].load(std::memory_order_relaxed) != at) {
            shared->Breaks[n % TSoundInput::TShared::kBreakSlots].store(at, std::memory_order_relaxed);
            shared->BreaksWritten.store(n + 1, std::memory_order_release);
        }
    } else if (message == WIM_DATA) {
        shared->Returned.fetch_add(1);
        shared->Waiting.fetch_add(1);
        shared->Queued.fetch_sub(1);
    } else {
        return;
    }
    if (!shared->Closing.load() && !shared->Opening.load())
        PostBufferMessage(*shared);
}

// Buffers left with a driver that would not give them back. Kept reachable for the rest of the
// run: the driver may still write into them or call back with them.
void Abandon(TSoundInput::TShared* shared)
{
    static std::mutex lock;
    static auto* abandoned = new std::vector<TSoundInput::TShared*>;  // never destroyed
    std::lock_guard<std::mutex> g(lock);
    abandoned->push_back(shared);
}

// Signed distance, so that the millisecond clock may wrap around.
bool Reached(DWORD now, DWORD deadline)
{
    return static_cast<std::int32_t>(now - deadline) >= 0;
}

// Clears a flag when the scope ends, also when the processing raises.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : Flag(flag) { Flag = true; }
    ~TFlagScope() { Flag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& Flag;
};

}  // namespace

const TWaveInApi& SystemWaveIn()
{
    static const TWaveInApi api{
        &waveInGetNumDevs,
        [](LPHWAVEIN phwi, UINT id, LPCWAVEFORMATEX fmt, DWORD_PTR cb, DWORD_PTR inst, DWORD flags) {
            return waveInOpen(phwi, id, fmt, cb, inst, flags);
        },
        &waveInPrepareHeader,
        &waveInUnprepareHeader,
        &waveInAddBuffer,
        &waveInStart,
        &waveInStop,
        &waveInReset,
        &waveInClose,
        &waveInGetDevCaps,
    };
    return api;
}

WAVEFORMATEX ReceiverWaveFormat()
{
    WAVEFORMATEX f;
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = 11025;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 2;
    f.nAvgBytesPerSec = 22050;
    f.cbSize = 0;
    return f;
}

std::string DeviceOpenErrorText(MMRESULT code)
{
    switch (code) {
    case MMSYSERR_BADDEVICEID: return "  Specified device identifier is out of range";
    case MMSYSERR_ALLOCATED: return "  Specified resource is already allocated";
    case MMSYSERR_NODRIVER: return "  No device driver is present";
    case MMSYSERR_NOMEM: return "  Unable to allocate or lock memory";
    case WAVERR_BADFORMAT: return "  Attempted to open with an unsupported waveform-audio format";
    default: return " Unrecognized ERROR ";
    }
}

std::string DeviceChoiceText(int device, const std::vector<std::string>& names)
{
    const std::string where = Format("in the [%s] section of MORVIK.INI chooses the sound input device", kMainSection);
    std::string text = device < 0 ? Format("\n\n%s %s; unset or -1, it is the system's default.",
                                           key::SoundCardNumber, where.c_str())
                                  : Format("\n\n%s=%d %s.", key::SoundCardNumber, device, where.c_str());
    if (names.empty())
        return text + "\nNo device can record.";
    text += "\nThe devices that can record:";
    for (std::size_t i = 0; i < names.size(); ++i)
        text += Format("\n    %zu  %s", i, names[i].c_str());
    return text + "\nSet " + key::SoundCardNumber + " to one of these numbers, or to -1 for the system's default device.";
}

std::vector<std::string> RecordingDevices(const TWaveInApi& api)
{
    std::vector<std::string> names;
    const UINT n = api.GetNumDevs();
    for (UINT i = 0; i < n; ++i) {
        WAVEINCAPS caps;
        names.push_back(api.GetDevCaps(i, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "?");
    }
    return names;
}

TSoundInput::TSoundInput(TSoundHost& host, const TWaveInApi& api)
    : Host(host), Api(api), Shared(std::make_unique<TShared>())
{
}

TSoundInput::~TSoundInput()
{
    SetClosingDown();
    Stop();
}

int TSoundInput::BuffersWaiting() const { return Shared->Waiting.load(); }
int TSoundInput::BuffersQueued() const { return Shared->Queued.load(); }
void TSoundInput::SetOpening(bool value) { Shared->Opening.store(value); }
bool TSoundInput::Opening() const { return Shared->Opening.load(); }
void TSoundInput::SetClosingDown() { Shared->Closing.store(true); }
bool TSoundInput::ClosingDown() const { return Shared->Closing.load(); }
bool TSoundInput::DeviceLost() const { return WaveInHandle && Shared->Lost.load(); }

void TSoundInput::ResetCounters()
{
    Shared->Waiting.store(0);
    Shared->Queued.store(0);
    Shared->Lost.store(false);
    Shared->Returned.store(0);
    Shared->BreaksWritten.store(0);
    NextAddIndex = 0;
    NextReadIndex = 0;
    Processed = 0;
    BreaksRead = 0;
}

bool TSoundInput::BreakDue()
{
    const unsigned written = Shared->BreaksWritten.load(std::memory_order_acquire);
    bool due = false;
    for (; BreaksRead != written; ++BreaksRead) {
        if (Shared->Breaks[BreaksRead % TShared::kBreakSlots].load(std::memory_order_relaxed) > Processed)
            break;
        due = true;
    }
    return due;
}

void TSoundInput::Fail(const std::string& text, const std::string& caption)
{
    Host.SoundFailure(text, caption);
}

bool TSoundInput::Open(int device, HWND window)
{
    if (WaveInHandle)
        return true;
    ResetCounters();
    Shared->Window = window;
    if (Api.GetNumDevs() == 0) {
        Fail("No sound input device", "Error");
        return false;
    }
    const WAVEFORMATEX format = ReceiverWaveFormat();
    HWAVEIN h = nullptr;
    const UINT id = device < 0 ? WAVE_MAPPER : static_cast<UINT>(device);
    MMRESULT r = Api.Open(&h, id, &format, reinterpret_cast<DWORD_PTR>(&WaveInCallback),
                          reinterpret_cast<DWORD_PTR>(Shared.get()), CALLBACK_FUNCTION);
    if (r != MMSYSERR_NOERROR) {
        WaveInHandle = nullptr;
        Fail(DeviceOpenErrorText(r) + DeviceChoiceText(device, RecordingDevices(Api)), kDeviceOpenErrorCaption);
        return false;
    }
    WaveInHandle = h;
    for (int i = 0; i < kSoundBufferCount; ++i) {
        WAVEHDR& hdr = Shared->Headers[i];
        hdr = WAVEHDR{};
        hdr.lpData = reinterpret_cast<char*>(Shared->Buffers[i]);
        hdr.dwBufferLength = kSoundBufferBytes;
        r = Api.PrepareHeader(h, &hdr, sizeof hdr);
        if (r != MMSYSERR_NOERROR) {
            CloseAfterFailure();
            Fail(Format("  Error in Prepare Header (%u)! ", r), "*Error*");
            return false;
        }
        r = Api.AddBuffer(h, &hdr, sizeof hdr);
        if (r != MMSYSERR_NOERROR) {
            CloseAfterFailure();
            Fail(Format("  Error in AddBuffer (%u)! ", r), "*Error*");
            return false;
        }
        NextAddIndex = (NextAddIndex + 1) & (kSoundBufferCount - 1);
        Shared->Queued.fetch_add(1);
    }
    r = Api.Start(h);
    if (r != MMSYSERR_NOERROR) {
        CloseAfterFailure();
        Fail("  Error in Start! \n", "Error");
        return false;
    }
    return true;
}

// A device that failed after it opened: its queued buffers are taken back first, since a device
// with buffers queued refuses to close (and would go on writing into them).
void TSoundInput::CloseAfterFailure()
{
    Stop(kStopWaitMs);
}

void TSoundInput::ProcessSoundQueue(bool message)
{
    // A pass takes more buffers than its message's, and each came with a message of its own. A
    // device that delivers faster than real time keeps the pass taking more, and their messages
    // would pile up ahead of the window's others (the program's end among them): those beyond a
    // ring's worth still to come can find no buffer of their own, and are passed over.
    if (message && Shared->Posted.fetch_sub(1) - 1 >= kSoundBufferCount)
        return;
    if (FQueueBusy || Opening() || FDecodingFile || ClosingDown() || !WaveInHandle)
        return;
    TFlagScope busy(FQueueBusy);
    // A break is met before the buffer after it, or as soon as the buffers before it are done, so
    // that a message cut by a device gone for hours is saved now.
    auto edge = [this] {
        if (BreakDue())
            Host.InputEdge();
        return !(ClosingDown() || Opening() || !WaveInHandle);
    };
    if (!edge() || Shared->Waiting.load() == 0)
        return;
    // No more than the backlog found now: a device that fills each buffer as soon as it is
    // handed back would keep the pass going for ever, and nothing else would run.
    int left = std::max(1, Shared->Waiting.load() - kBacklogLimit);
    do {
        std::int16_t* samples = Shared->Buffers[NextReadIndex];
        // A buffer that came back part-filled (the device went away while filling it) holds what
        // was captured; the rest would be sound of 16 buffers ago.
        const DWORD recorded = std::min(Shared->Headers[NextReadIndex].dwBytesRecorded, kSoundBufferBytes);
        std::memset(reinterpret_cast<char*>(samples) + recorded, 0, kSoundBufferBytes - recorded);
        NextReadIndex = (NextReadIndex + 1) & (kSoundBufferCount - 1);
        Shared->Waiting.fetch_sub(1);
        Host.ProcessSoundBuffer(samples, false);
        ++Processed;
        // The processing lets messages run: the program may have begun to end meanwhile.
        if (ClosingDown() || Opening() || !WaveInHandle)
            return;
        WAVEHDR& hdr = Shared->Headers[NextAddIndex];
        hdr.lpData = reinterpret_cast<char*>(Shared->Buffers[NextAddIndex]);
        hdr.dwBufferLength = kSoundBufferBytes;
        const MMRESULT r = Api.AddBuffer(WaveInHandle, &hdr, sizeof hdr);
        if (r != MMSYSERR_NOERROR) {
            CloseAfterFailure();
            Fail(Format("  Error in AddBuffer (%u)! ", r), "Error");
            return;
        }
        Shared->Queued.fetch_add(1);
        NextAddIndex = (NextAddIndex + 1) & (kSoundBufferCount - 1);
        if (!edge())
            return;
    } while (--left > 0 && Shared->Waiting.load() > kBacklogLimit);
}

void TSoundInput::Stop(DWORD waitMs)
{
    HWAVEIN h = WaveInHandle;
    if (!h)
        return;
    // A driver stuck inside a read does not return from its stop either: it is asked on a thread
    // of its own, so that the window waits no longer than waitMs for it and its buffers.
    struct TStopCall {
        std::mutex Lock;
        std::condition_variable Done;
        bool Finished = false;
    };
    auto call = std::make_shared<TStopCall>();
    std::thread([api = &Api, h, call] {
        api->Stop(h);
        api->Reset(h);
        std::lock_guard<std::mutex> g(call->Lock);
        call->Finished = true;
        call->Done.notify_all();
    }).detach();
    const DWORD start = GetTickCount();
    {
        std::unique_lock<std::mutex> g(call->Lock);
        call->Done.wait_for(g, std::chrono::milliseconds(waitMs), [&] { return call->Finished; });
    }
    while (Shared->Queued.load() > 0 && GetTickCount() - start < waitMs)
        Sleep(1);
    bool finished;
    {
        std::lock_guard<std::mutex> g(call->Lock);
        finished = call->Finished;
    }
    if (!finished || Shared->Queued.load() > 0) {
        // Not closed: a device still holding buffers may not be closed under them.
        auto fresh = std::make_unique<TShared>();
        fresh->Closing.store(Shared->Closing.load());
        Shared->Closing.store(true);
        Abandon(Shared.release());
        Shared = std::move(fresh);
        FAbandoned = true;
    } else {
        for (WAVEHDR& hdr : Shared->Headers)
            if (hdr.dwFlags & WHDR_PREPARED)
                Api.UnprepareHeader(h, &hdr, sizeof hdr);
        Api.Close(h);
    }
    WaveInHandle = nullptr;
    ResetCounters();
}

void TSoundInput::RunMessagesUntil(DWORD deadline)
{
    Host.ProcessMessages();
    while (!Reached(Host.Milliseconds(), deadline) && !ClosingDown()) {
        Sleep(1);
        Host.ProcessMessages();
    }
}

TFileDecode TSoundInput::ScanFile(TSampleFileReader& reader, std::int16_t* block)
{
    DWORD next = Host.Milliseconds() + 20;
    for (;;) {
        if (ClosingDown())
            return TFileDecode::Stopped;
        const TSampleFileReader::TBlock b = reader.ReadBlock(block);
        if (b == TSampleFileReader::TBlock::Failed)
            return TFileDecode::ReadFailed;
        if (b == TSampleFileReader::TBlock::Last)
            return TFileDecode::Done;
        if (Reached(Host.Milliseconds(), next)) {
            Host.ProcessMessages();
            next = Host.Milliseconds() + 20;
        }
    }
}

TFileDecode TSoundInput::DecodeFromFile(const std::string& fileName, TSampleFileCounts* counts)
{
    if (FDecodingFile || FQueueBusy || ClosingDown())
        return TFileDecode::Refused;
    // Opened once: a name read twice may lead to another file the second time.
    auto reader = std::make_unique<TSampleFileReader>();
    if (!reader->Open(fileName))
        return reader->NotAFile() ? TFileDecode::NotAFile : TFileDecode::OpenFailed;
    std::vector<std::int16_t> block(kBlockSize);
    TFileDecode result = TFileDecode::Done;
    bool fed = false;
    {
        TFlagScope decoding(FDecodingFile);
        // Messages run at least once before the first block and between any two, and blocks
        // follow no closer than 3 ms, so that the window stays responsive.
        RunMessagesUntil(Host.Milliseconds() + 4);
        // A file picked by mistake (a sound file, a log) is found out before any of it reaches
        // the receiver.
        result = ScanFile(*reader, block.data());
        if (result == TFileDecode::Done && !HoldsSamples(reader->Counts))
            result = TFileDecode::NotSamples;
        if (result == TFileDecode::Done && !reader->Rewind())
            result = TFileDecode::ReadFailed;
        while (result == TFileDecode::Done) {
            if (ClosingDown()) {
                result = TFileDecode::Stopped;
                break;
            }
            const DWORD deadline = Host.Milliseconds() + 3;
            const TSampleFileReader::TBlock b = reader->ReadBlock(block.data());
            if (b == TSampleFileReader::TBlock::Failed) {
                result = TFileDecode::ReadFailed;
                break;
            }
            // The file is a broadcast of its own: nothing live runs into it, nor it into what
            // comes live afterwards.
            if (!std::exchange(fed, true))
                Host.InputEdge();
            Host.ProcessSoundBuffer(block.data(), true);
            if (b == TSampleFileReader::TBlock::Last)
                Host.InputEdge();
            RunMessagesUntil(deadline);
            if (b == TSampleFileReader::TBlock::Last)
                break;
        }
        if (fed && result != TFileDecode::Done && !ClosingDown())
            Host.InputEdge();
    }
    if (counts)
        *counts = reader->Counts;
    reader->Close();
    if (WaveInHandle && !ClosingDown())
        for (int n = BuffersWaiting(); n > 0; --n)
            PostBufferMessage(*Shared);
    return result;
}

}  // namespace rx
