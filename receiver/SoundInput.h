// Sound input and the buffer queue: a ring of 16 buffers of one spectrum block each handed to the
// wave-input device, counted by the driver's callback and moved onto the window's thread by a
// posted message, processed one per message (more when the receiver falls behind) and handed
// back. "Decode From File" feeds a sample file through the same processing between live buffers.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/MMSystem.h"
#include "platform/Windows.h"
#include "receiver/RxParams.h"

namespace rx {

// Posted to the main window, both parameters 0: a sound buffer is ready.
constexpr UINT kSoundBufferMessage = 0x81F5;
constexpr int kSoundBufferCount = 16;
constexpr DWORD kSoundBufferBytes = kBlockSize * 2;
// More waiting buffers than this are worked off in one pass; from kSkipPaintBacklog waiting
// buffers on, nothing is painted, so that the receiver catches up.
constexpr int kBacklogLimit = 7;
constexpr int kSkipPaintBacklog = 2;
// How long the stop waits for the driver to stop and give back its buffers. A driver that takes
// longer keeps them: they are never freed, so it cannot write into freed memory.
constexpr DWORD kStopWaitMs = 500;

// The wave-input calls, so that tests can stand in for a device that fails or misbehaves.
struct TWaveInApi {
    UINT (*GetNumDevs)();
    MMRESULT (*Open)(LPHWAVEIN, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD);
    MMRESULT (*PrepareHeader)(HWAVEIN, LPWAVEHDR, UINT);
    MMRESULT (*UnprepareHeader)(HWAVEIN, LPWAVEHDR, UINT);
    MMRESULT (*AddBuffer)(HWAVEIN, LPWAVEHDR, UINT);
    MMRESULT (*Start)(HWAVEIN);
    MMRESULT (*Stop)(HWAVEIN);
    MMRESULT (*Reset)(HWAVEIN);
    MMRESULT (*Close)(HWAVEIN);
    MMRESULT (*GetDevCaps)(UINT, LPWAVEINCAPS, UINT);
};
// The platform's sound input.
const TWaveInApi& SystemWaveIn();

// The fixed capture format: PCM, mono, 11025 samples per second, 16 bits.
WAVEFORMATEX ReceiverWaveFormat();

// Told once when the device goes away while running; reception goes on when it comes back.
inline constexpr const char* kSoundLostText = "Sound input lost! Reception goes on when the device is back.";
inline constexpr const char* kSoundLostCaption = "Sound Input Error";

// The texts of a failed open, by the device's error code.
std::string DeviceOpenErrorText(MMRESULT code);
inline constexpr const char* kDeviceOpenErrorCaption = "Morvik - Device Open Error";
// What follows that text: where the device is chosen (device, as the settings give it) and the
// names of the devices that can record, by number.
std::string DeviceChoiceText(int device, const std::vector<std::string>& names);
std::vector<std::string> RecordingDevices(const TWaveInApi& api);

// What the main window does for the sound input.
class TSoundHost {
public:
    virtual ~TSoundHost() = default;
    // One block through the receiver (spectrum, painting, AFC, demodulation).
    virtual void ProcessSoundBuffer(const std::int16_t* samples, bool fromFile) = 0;
    // A device failure: the window shows the box and asks the application to end.
    virtual void SoundFailure(const std::string& text, const std::string& caption) = 0;
    // Lets pending window messages run once (used between the blocks of a file).
    virtual void ProcessMessages() = 0;
    // The samples break off here (a file decode starts or ends, the device went away or ran dry):
    // what comes next does not continue what came before.
    virtual void InputEdge() = 0;
    // A monotonic clock in milliseconds that paces the blocks of a file.
    virtual DWORD Milliseconds() { return GetTickCount(); }
};

struct TSampleFileCounts;
class TSampleFileReader;

enum class TFileDecode {
    Done,        // every block of the file went through
    Refused,     // a decode or a pass over the live buffers is under way, or the program is ending
    OpenFailed,  // the file cannot be opened
    NotAFile,    // a pipe, a device or a socket: nothing to read through, or it would never end
    ReadFailed,  // the file could not be read to its end; the blocks before went through
    Stopped,     // the program began to end in the middle of the file
    NotSamples,  // too few of the file's lines are samples (HoldsSamples): nothing went through
};

class TSoundInput {
public:
    explicit TSoundInput(TSoundHost& host, const TWaveInApi& api = SystemWaveIn());
    ~TSoundInput();
    TSoundInput(const TSoundInput&) = delete;
    TSoundInput& operator=(const TSoundInput&) = delete;

    // Opens device number device (negative: the system's default) with the fixed format, hands
    // it the 16 buffers and starts it; window receives the buffer messages. A failure is
    // reported through the host once and leaves no device open.
    bool Open(int device, HWND window);
    // Processes one waiting buffer, or as many as bring the backlog found down to kBacklogLimit,
    // and hands each back to the driver. For a buffer message (message): nothing when a ring's
    // worth of them are still on their way.
    void ProcessSoundQueue(bool message = false);
    // Stops the device, takes back its buffers (waiting at most waitMs for them) and closes it.
    void Stop(DWORD waitMs = kStopWaitMs);
    // "Decode From File": every block of the file through the processing with the from-file
    // flag, at least 3 ms apart, the window's messages running between them; live buffers wait
    // meanwhile and are processed afterwards. The file is opened once and read through once
    // before, and is not decoded when it does not hold samples; an edge comes before its first
    // block and after its last. counts, when given, gets what its lines held.
    TFileDecode DecodeFromFile(const std::string& fileName, TSampleFileCounts* counts = nullptr);

    bool IsOpen() const { return WaveInHandle != nullptr; }
    // The open device stopped delivering (its sound server or card went away); it reopens itself
    // when it can, and the buffers wait meanwhile.
    bool DeviceLost() const;
    int BuffersWaiting() const;
    int BuffersQueued() const;

    // Set around the opening and from the start of the program's end; the driver's thread reads
    // them and posts nothing while either is set.
    void SetOpening(bool value);
    bool Opening() const;
    void SetClosingDown();
    bool ClosingDown() const;
    bool DecodingFile() const { return FDecodingFile; }
    bool QueueBusy() const { return FQueueBusy; }
    // The stop gave up waiting for the driver and left the buffers to it.
    bool BuffersAbandoned() const { return FAbandoned; }

    struct TShared;  // what the driver's thread shares with the window's thread

private:
    void Fail(const std::string& text, const std::string& caption);
    void CloseAfterFailure();
    // Lets messages run at least once, and on until the clock reaches deadline.
    void RunMessagesUntil(DWORD deadline);
    // Reads the file to its end without decoding it, letting messages run now and then.
    TFileDecode ScanFile(TSampleFileReader& reader, std::int16_t* block);
    void ResetCounters();
    // Whether the sound breaks off before the next buffer to process; the breaks up to there are
    // taken.
    bool BreakDue();

    TSoundHost& Host;
    const TWaveInApi& Api;
    std::unique_ptr<TShared> Shared;
    HWAVEIN WaveInHandle = nullptr;
    int NextReadIndex = 0;
    int NextAddIndex = 0;
    // Buffers processed since the device opened, and the device's breaks taken so far.
    std::uint64_t Processed = 0;
    unsigned BreaksRead = 0;
    bool FDecodingFile = false;
    bool FQueueBusy = false;
    bool FAbandoned = false;
};

}  // namespace rx
