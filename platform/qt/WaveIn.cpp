// Waveform sound input over PortAudio's blocking reads.
//
// Each open device has a reader thread of its own: it reads the device in short chunks into the buffer
// at the head of the queue, hands full buffers to the callback, and carries out start, stop, reset and
// close for the callers (who wait for it), so every callback and every stream operation but opening
// and closing the stream happens on that one thread. A control call made from inside the callback is
// carried out at once on the same thread instead of waiting for itself.
//
// A device that fails while running (its sound server stopped, its card unplugged) is closed and
// opened again by the reader every half second until it works, while the buffers wait in the queue;
// the callback hears of both with WIM_DEVICELOST and WIM_DEVICEBACK.
#include "platform/MMSystem.h"

#include "platform/qt/AudioHost.h"

#include <portaudio.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

namespace {

using platform_detail::audioLock;
using platform_detail::initAudio;

UINT countInputs()
{
    UINT n = 0;
    const PaDeviceIndex all = Pa_GetDeviceCount();
    for (PaDeviceIndex i = 0; i < all; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info && info->maxInputChannels > 0)
            ++n;
    }
    return n;
}

// Device number -> library device, or an error code.
MMRESULT findInput(UINT id, PaDeviceIndex& dev)
{
    if (countInputs() == 0)
        return MMSYSERR_NODRIVER;
    if (static_cast<std::int32_t>(id) < 0) {
        dev = Pa_GetDefaultInputDevice();
        return dev == paNoDevice ? MMSYSERR_NODRIVER : MMSYSERR_NOERROR;
    }
    UINT n = 0;
    const PaDeviceIndex all = Pa_GetDeviceCount();
    for (PaDeviceIndex i = 0; i < all; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info && info->maxInputChannels > 0 && n++ == id) {
            dev = i;
            return MMSYSERR_NOERROR;
        }
    }
    return MMSYSERR_BADDEVICEID;
}

bool wellFormedPcm(const WAVEFORMATEX& f)
{
    return f.wFormatTag == WAVE_FORMAT_PCM && f.nChannels >= 1 &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec > 0 &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 &&
           f.nAvgBytesPerSec == std::uint64_t{f.nSamplesPerSec} * f.nBlockAlign;
}

MMRESULT openError(PaError e)
{
    switch (e) {
    case paInvalidSampleRate:
    case paInvalidChannelCount:
    case paSampleFormatNotSupported:
        return WAVERR_BADFORMAT;
    case paInsufficientMemory:
        return MMSYSERR_NOMEM;
    case paDeviceUnavailable:
        return MMSYSERR_ALLOCATED;
    case paUnanticipatedHostError: {
        const PaHostErrorInfo* info = Pa_GetLastHostErrorInfo();
        if (info && info->hostApiType == paALSA && info->errorCode == -EBUSY)
            return MMSYSERR_ALLOCATED;
        return MMSYSERR_ERROR;
    }
    default:
        return MMSYSERR_ERROR;
    }
}

enum class Command { None, Start, Stop, Reset, Close };

// Seconds of sound the device buffers: two and a half reads, so a reader held up on a busy
// machine loses nothing.
constexpr double kInputLatency = 0.5;

class Device {
public:
    Device(HWAVEIN handle, WAVEINPROC proc, DWORD_PTR instance, PaStream* stream,
           const PaStreamParameters& params, double rate, unsigned blockAlign, unsigned long chunkFrames)
        : handle_(handle), proc_(proc), instance_(instance), stream_(stream), params_(params), rate_(rate),
          blockAlign_(blockAlign), chunkFrames_(chunkFrames)
    {
    }

    // Read once the reader has ended.
    PaStream* stream() const { return stream_; }

    // Starts the reader and returns once it has delivered WIM_OPEN.
    void launch()
    {
        reader_ = std::thread([this] { run(); });
        std::unique_lock lk(m_);
        acked_.wait(lk, [this] { return ready_; });
    }
    void join() { reader_.join(); }

    MMRESULT prepare(WAVEHDR* h)
    {
        std::lock_guard lk(m_);
        if (closed_)
            return MMSYSERR_INVALHANDLE;
        if (!h->lpData)
            return MMSYSERR_INVALPARAM;
        h->dwFlags |= WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }

    MMRESULT unprepare(WAVEHDR* h)
    {
        std::lock_guard lk(m_);
        if (closed_)
            return MMSYSERR_INVALHANDLE;
        if (h->dwFlags & WHDR_INQUEUE)
            return WAVERR_STILLPLAYING;
        h->dwFlags &= ~WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }

    MMRESULT add(WAVEHDR* h)
    {
        std::lock_guard lk(m_);
        if (closed_)
            return MMSYSERR_INVALHANDLE;
        if (!(h->dwFlags & WHDR_PREPARED))
            return WAVERR_UNPREPARED;
        if (h->dwFlags & WHDR_INQUEUE)
            return WAVERR_STILLPLAYING;
        if (!h->lpData || h->dwBufferLength < blockAlign_)
            return MMSYSERR_INVALPARAM;
        try {
            queue_.push_back(h);
        } catch (const std::bad_alloc&) {
            return MMSYSERR_NOMEM;
        }
        h->dwFlags = (h->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
        h->dwBytesRecorded = 0;
        wake_.notify_all();
        return MMSYSERR_NOERROR;
    }

    // Carried out by the reader thread; the caller waits for it.
    MMRESULT command(Command c)
    {
        bool onReader;
        {
            std::lock_guard lk(m_);
            onReader = std::this_thread::get_id() == readerId_;
        }
        if (onReader) {
            // Closing would have to wait for this very thread to finish.
            if (c == Command::Close)
                return MMSYSERR_HANDLEBUSY;
            std::unique_lock lk(m_);
            return closed_ ? MMSYSERR_INVALHANDLE : execute(c, lk);
        }
        std::lock_guard serial(control_);
        std::unique_lock lk(m_);
        if (closed_)
            return MMSYSERR_INVALHANDLE;
        pending_ = c;
        wake_.notify_all();
        acked_.wait(lk, [this] { return pending_ == Command::None; });
        return result_;
    }

private:
    void run()
    {
        {
            std::lock_guard lk(m_);
            readerId_ = std::this_thread::get_id();
        }
        notify(WIM_OPEN, 0);
        std::unique_lock lk(m_);
        ready_ = true;
        acked_.notify_all();
        for (;;) {
            if (pending_ != Command::None) {
                const Command c = pending_;
                result_ = execute(c, lk);
                pending_ = Command::None;
                acked_.notify_all();
                if (closed_)
                    break;
            } else if (running_ && lost_) {
                // A command wakes the wait early; otherwise a try every half second.
                if (wake_.wait_for(lk, kReopenInterval) == std::cv_status::timeout && pending_ == Command::None)
                    reopen(lk);
            } else if (running_ && !queue_.empty()) {
                readChunk(lk);
            } else {
                wake_.wait(lk);
            }
        }
        lk.unlock();
        notify(WIM_CLOSE, 0);
    }

    MMRESULT execute(Command c, std::unique_lock<std::mutex>& lk)
    {
        switch (c) {
        case Command::Start:
            if (running_)
                return MMSYSERR_NOERROR;
            if (lost_) {
                // Started again while gone: the reader goes on trying to open it.
                running_ = true;
                return MMSYSERR_NOERROR;
            }
            if (!streamActive_) {
                lk.unlock();
                PaError e;
                {
                    std::lock_guard pa(audioLock());
                    e = Pa_StartStream(stream_);
                }
                lk.lock();
                if (e != paNoError)
                    return MMSYSERR_ERROR;
                streamActive_ = true;
            }
            running_ = true;
            return MMSYSERR_NOERROR;
        case Command::Stop:
            halt(lk);
            if (!queue_.empty() && queue_.front()->dwBytesRecorded > 0)
                giveBackHead(lk);
            return MMSYSERR_NOERROR;
        case Command::Reset: {
            halt(lk);
            // Buffers queued again from the callback meanwhile stay queued for the next start.
            std::deque<WAVEHDR*> out;
            out.swap(queue_);
            for (WAVEHDR* h : out)
                giveBack(h, lk);
            return MMSYSERR_NOERROR;
        }
        case Command::Close:
            if (!queue_.empty())
                return WAVERR_STILLPLAYING;
            halt(lk);
            closed_ = true;
            return MMSYSERR_NOERROR;
        case Command::None:
            break;
        }
        return MMSYSERR_NOERROR;
    }

    void halt(std::unique_lock<std::mutex>& lk)
    {
        running_ = false;
        if (!streamActive_)
            return;
        lk.unlock();
        {
            std::lock_guard pa(audioLock());
            Pa_AbortStream(stream_);
        }
        lk.lock();
        streamActive_ = false;
    }

    void readChunk(std::unique_lock<std::mutex>& lk)
    {
        WAVEHDR* h = queue_.front();
        const DWORD capacity = h->dwBufferLength / blockAlign_ * blockAlign_;
        if (h->dwBytesRecorded >= capacity) {
            giveBackHead(lk);
            return;
        }
        const unsigned long frames =
            std::min<unsigned long>(chunkFrames_, (capacity - h->dwBytesRecorded) / blockAlign_);
        char* dst = h->lpData + h->dwBytesRecorded;
        // Only this thread takes headers off the queue, so h stays at its head meanwhile.
        lk.unlock();
        const PaError e = Pa_ReadStream(stream_, dst, frames);
        lk.lock();
        if (e == paNoError || e == paInputOverflowed) {
            // An overflow lost sound before this chunk; the chunk itself is good.
            h->dwBytesRecorded += static_cast<DWORD>(frames * blockAlign_);
            if (h->dwBytesRecorded >= capacity)
                giveBackHead(lk);
        } else {
            // The device went away: what was captured comes back first, the rest waits for the
            // device to come back (or for the caller to reset and close).
            lose(lk);
            if (h->dwBytesRecorded > 0)
                giveBackHead(lk);
            lk.unlock();
            notify(WIM_DEVICELOST, 0);
            lk.lock();
        }
    }

    // The stream failed: it is closed, to be opened anew by reopen().
    void lose(std::unique_lock<std::mutex>& lk)
    {
        lost_ = true;
        PaStream* broken = stream_;
        stream_ = nullptr;
        streamActive_ = false;
        lk.unlock();
        {
            std::lock_guard pa(audioLock());
            Pa_AbortStream(broken);
            Pa_CloseStream(broken);
        }
        lk.lock();
    }

    void reopen(std::unique_lock<std::mutex>& lk)
    {
        lk.unlock();
        PaStream* stream = nullptr;
        PaError e;
        {
            std::lock_guard pa(audioLock());
            e = Pa_OpenStream(&stream, &params_, nullptr, rate_, chunkFrames_, paNoFlag, nullptr, nullptr);
            if (e == paNoError) {
                e = Pa_StartStream(stream);
                if (e != paNoError)
                    Pa_CloseStream(stream);
            }
        }
        lk.lock();
        if (e != paNoError)
            return;
        stream_ = stream;
        streamActive_ = true;
        lost_ = false;
        lk.unlock();
        notify(WIM_DEVICEBACK, 0);
        lk.lock();
        // Stopped from the callback meanwhile: the new stream halts like the old one would have.
        if (!running_)
            halt(lk);
    }

    void giveBackHead(std::unique_lock<std::mutex>& lk)
    {
        WAVEHDR* h = queue_.front();
        queue_.pop_front();
        giveBack(h, lk);
    }

    void giveBack(WAVEHDR* h, std::unique_lock<std::mutex>& lk)
    {
        h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        lk.unlock();
        notify(WIM_DATA, reinterpret_cast<DWORD_PTR>(h));
        lk.lock();
    }

    void notify(UINT msg, DWORD_PTR p1)
    {
        if (proc_)
            proc_(handle_, msg, instance_, p1, 0);
    }

    static constexpr std::chrono::milliseconds kReopenInterval{500};

    const HWAVEIN handle_;
    const WAVEINPROC proc_;
    const DWORD_PTR instance_;
    PaStream* stream_;  // null while the device is gone
    const PaStreamParameters params_;
    const double rate_;
    const unsigned blockAlign_;
    const unsigned long chunkFrames_;

    std::mutex control_;  // one waiting control call at a time; taken before m_
    std::mutex m_;
    std::condition_variable wake_;   // the reader: a command, a buffer or a start
    std::condition_variable acked_;  // callers: the command is done, or the reader is ready
    std::deque<WAVEHDR*> queue_;     // handed over, not yet given back; the head is being filled
    bool running_ = false;  // started by the caller (and not stopped since)
    bool streamActive_ = false;
    bool lost_ = false;  // the stream failed and is closed until reopen() succeeds
    bool closed_ = false;
    bool ready_ = false;
    Command pending_ = Command::None;
    MMRESULT result_ = MMSYSERR_NOERROR;
    std::thread reader_;
    std::thread::id readerId_;
};

// Handles are serial numbers, so a closed handle never comes back to life as another device.
struct Registry {
    std::mutex m;
    std::map<std::uintptr_t, std::shared_ptr<Device>> devices;
    std::uintptr_t next = 1;
};

// Never destroyed: a device left open at exit keeps its reader thread to the end.
Registry& registry()
{
    static auto* r = new Registry;
    return *r;
}

std::shared_ptr<Device> find(HWAVEIN hwi)
{
    Registry& r = registry();
    std::lock_guard lk(r.m);
    auto it = r.devices.find(reinterpret_cast<std::uintptr_t>(hwi));
    return it == r.devices.end() ? nullptr : it->second;
}

void forget(HWAVEIN hwi)
{
    Registry& r = registry();
    std::lock_guard lk(r.m);
    r.devices.erase(reinterpret_cast<std::uintptr_t>(hwi));
}

void closeStream(PaStream* stream)
{
    std::lock_guard pa(audioLock());
    if (stream)
        Pa_CloseStream(stream);
    Pa_Terminate();
}

}  // namespace

UINT waveInGetNumDevs()
{
    std::lock_guard pa(audioLock());
    if (!initAudio())
        return 0;
    const UINT n = countInputs();
    Pa_Terminate();
    return n;
}

MMRESULT waveInGetDevCaps(UINT uDeviceID, LPWAVEINCAPS pwic, UINT cbwic)
{
    if (!pwic || cbwic < sizeof(WAVEINCAPS))
        return MMSYSERR_INVALPARAM;
    std::lock_guard pa(audioLock());
    if (!initAudio())
        return MMSYSERR_NODRIVER;
    PaDeviceIndex dev = paNoDevice;
    const MMRESULT r = findInput(uDeviceID, dev);
    if (r == MMSYSERR_NOERROR) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(dev);
        *pwic = WAVEINCAPS{};
        if (info) {
            std::snprintf(pwic->szPname, sizeof pwic->szPname, "%s", info->name ? info->name : "");
            pwic->wChannels = static_cast<WORD>(std::clamp(info->maxInputChannels, 0, 0xFFFF));
        }
    }
    Pa_Terminate();
    return r;
}

MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                    DWORD_PTR dwInstance, DWORD fdwOpen)
{
    if (!phwi)
        return MMSYSERR_INVALPARAM;
    *phwi = nullptr;
    if (!pwfx)
        return MMSYSERR_INVALPARAM;
    if (fdwOpen != CALLBACK_NULL && fdwOpen != CALLBACK_FUNCTION)
        return MMSYSERR_INVALFLAG;
    if (fdwOpen == CALLBACK_FUNCTION && dwCallback == 0)
        return MMSYSERR_INVALPARAM;
    const WAVEFORMATEX& f = *pwfx;
    if (!wellFormedPcm(f))
        return WAVERR_BADFORMAT;

    PaStream* stream = nullptr;
    PaStreamParameters in{};
    // About 200 ms a read, and the device's period the same: a receiver's buffer fills in one
    // read, the reader wakes a few times a second, and stop and reset still never wait long for a
    // read to end.
    const unsigned long chunk = std::max<unsigned long>(32, f.nSamplesPerSec / 5);
    {
        std::lock_guard pa(audioLock());
        if (!initAudio())
            return MMSYSERR_NODRIVER;
        PaDeviceIndex dev = paNoDevice;
        MMRESULT r = findInput(uDeviceID, dev);
        if (r == MMSYSERR_NOERROR) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(dev);
            in.device = dev;
            in.channelCount = f.nChannels;
            in.sampleFormat = f.wBitsPerSample == 8 ? paUInt8 : paInt16;
            // Capture has no use for low latency: a long device buffer lets the sound system
            // hand over sound in fewer, larger pieces, waking fewer threads.
            in.suggestedLatency = std::max(info ? info->defaultHighInputLatency : 0.0, kInputLatency);
            PaError e = Pa_IsFormatSupported(&in, nullptr, f.nSamplesPerSec);
            if (e == paFormatIsSupported)
                e = Pa_OpenStream(&stream, &in, nullptr, f.nSamplesPerSec, chunk, paNoFlag, nullptr, nullptr);
            if (e != paNoError) {
                stream = nullptr;
                r = openError(e);
            }
        }
        if (r != MMSYSERR_NOERROR) {
            Pa_Terminate();
            return r;
        }
    }

    Registry& reg = registry();
    std::shared_ptr<Device> device;
    HWAVEIN handle = nullptr;
    try {
        std::lock_guard lk(reg.m);
        handle = reinterpret_cast<HWAVEIN>(reg.next++);
        device = std::make_shared<Device>(handle, fdwOpen == CALLBACK_FUNCTION
                                                      ? reinterpret_cast<WAVEINPROC>(dwCallback)
                                                      : nullptr,
                                          dwInstance, stream, in, f.nSamplesPerSec, f.nBlockAlign, chunk);
        reg.devices.emplace(reinterpret_cast<std::uintptr_t>(handle), device);
    } catch (const std::bad_alloc&) {
        closeStream(stream);
        return MMSYSERR_NOMEM;
    }
    *phwi = handle;
    try {
        device->launch();
    } catch (const std::system_error&) {
        *phwi = nullptr;
        forget(handle);
        closeStream(stream);
        return MMSYSERR_NOMEM;
    }
    return MMSYSERR_NOERROR;
}

namespace {

MMRESULT onHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh, MMRESULT (Device::*op)(WAVEHDR*))
{
    auto d = find(hwi);
    if (!d)
        return MMSYSERR_INVALHANDLE;
    if (!pwh || cbwh < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    return ((*d).*op)(pwh);
}

}  // namespace

MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh)
{
    return onHeader(hwi, pwh, cbwh, &Device::prepare);
}

MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh)
{
    return onHeader(hwi, pwh, cbwh, &Device::unprepare);
}

MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh)
{
    return onHeader(hwi, pwh, cbwh, &Device::add);
}

MMRESULT waveInStart(HWAVEIN hwi)
{
    auto d = find(hwi);
    return d ? d->command(Command::Start) : MMSYSERR_INVALHANDLE;
}

MMRESULT waveInStop(HWAVEIN hwi)
{
    auto d = find(hwi);
    return d ? d->command(Command::Stop) : MMSYSERR_INVALHANDLE;
}

MMRESULT waveInReset(HWAVEIN hwi)
{
    auto d = find(hwi);
    return d ? d->command(Command::Reset) : MMSYSERR_INVALHANDLE;
}

MMRESULT waveInClose(HWAVEIN hwi)
{
    auto d = find(hwi);
    if (!d)
        return MMSYSERR_INVALHANDLE;
    const MMRESULT r = d->command(Command::Close);
    if (r != MMSYSERR_NOERROR)
        return r;
    d->join();
    forget(hwi);
    closeStream(d->stream());
    return MMSYSERR_NOERROR;
}
