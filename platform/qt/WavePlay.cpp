// Wave-sound player over PortAudio's blocking writes.
//
// A sound is read and checked whole on the caller's thread, and the device opened and started there,
// so every failure reaches the caller; a thread of its own then writes the samples in short chunks,
// looking for a stop between them. At most one sound exists at a time. Whoever takes a sound out of
// that place (a new sound, a stop, or the synchronous caller of that very sound) joins its thread.
#include "platform/MMSystem.h"

#include "platform/qt/AudioHost.h"
#include "platform/SysUtils.h"

#include <portaudio.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

using platform_detail::audioLock;
using platform_detail::initAudio;

// Larger files are refused rather than read whole: sounds this player is for last seconds.
constexpr std::size_t kMaxImage = std::size_t{256} << 20;

struct Sound {
    unsigned channels = 0;
    unsigned bits = 0;
    unsigned blockAlign = 0;
    double rate = 0;
    std::vector<unsigned char> samples;  // whole frames only, in the machine's byte order
};

std::uint16_t le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The RIFF image must lie within size bytes; every length in it is checked against that before use,
// and one that reaches past it makes the image malformed (a cut-off file is not half played).
bool parseWave(const unsigned char* p, std::size_t size, Sound& out)
{
    if (size < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0)
        return false;
    const std::uint64_t riffEnd = std::uint64_t{le32(p + 4)} + 8;
    if (riffEnd < 12 || riffEnd > size)
        return false;
    // Bytes after the RIFF chunk are not part of the sound.
    const auto end = static_cast<std::size_t>(riffEnd);

    const unsigned char* fmt = nullptr;
    std::size_t fmtSize = 0;
    const unsigned char* data = nullptr;
    std::size_t dataSize = 0;
    std::size_t pos = 12;
    while (end - pos >= 8 && !(fmt && data)) {
        const unsigned char* id = p + pos;
        const std::size_t len = le32(p + pos + 4);
        const std::size_t body = pos + 8;
        if (len > end - body)
            return false;
        if (!fmt && std::memcmp(id, "fmt ", 4) == 0) {
            fmt = p + body;
            fmtSize = len;
        } else if (!data && std::memcmp(id, "data", 4) == 0) {
            data = p + body;
            dataSize = len;
        }
        pos = body + len;
        if (len % 2 != 0 && pos < end)  // chunks are padded to an even length
            ++pos;
    }
    if (!fmt || !data || fmtSize < 16)
        return false;

    const unsigned tag = le16(fmt);
    out.channels = le16(fmt + 2);
    out.rate = le32(fmt + 4);
    out.blockAlign = le16(fmt + 12);
    out.bits = le16(fmt + 14);
    if (tag != WAVE_FORMAT_PCM || out.channels < 1 || out.channels > 2 ||
        (out.bits != 8 && out.bits != 16) || out.rate <= 0 ||
        out.blockAlign != out.channels * out.bits / 8)
        return false;
    out.samples.assign(data, data + dataSize / out.blockAlign * out.blockAlign);
    if constexpr (std::endian::native == std::endian::big) {
        if (out.bits == 16)
            for (std::size_t i = 0; i + 1 < out.samples.size(); i += 2)
                std::swap(out.samples[i], out.samples[i + 1]);
    }
    return true;
}

bool loadFile(const char* name, Sound& out)
{
    // Not blocking on open: a name that is a pipe must not wait for a writer.
    const int fd = ::open(NativeFileName(name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::vector<unsigned char> bytes;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
              static_cast<std::uint64_t>(st.st_size) <= kMaxImage;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);  // shrunk meanwhile: what is there must hold together by itself
    }
    ::close(fd);
    return ok && parseWave(bytes.data(), bytes.size(), out);
}

// The image's own RIFF length is all there is to go by, so it is read first, byte by byte, so that a
// short text that is no image ends the comparison at its terminating zero.
bool loadImage(const char* image, Sound& out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(image);
    for (int i = 0; i < 4; ++i)
        if (p[i] != static_cast<unsigned char>("RIFF"[i]))
            return false;
    const std::uint64_t size = std::uint64_t{le32(p + 4)} + 8;
    return size <= kMaxImage && parseWave(p, static_cast<std::size_t>(size), out);
}

// Opened and started on the default output device, or null (and no library reference kept).
PaStream* openOutput(const Sound& s)
{
    std::lock_guard pa(audioLock());
    if (!initAudio())
        return nullptr;
    PaStream* stream = nullptr;
    const PaDeviceIndex dev = Pa_GetDefaultOutputDevice();
    const PaDeviceInfo* info = dev == paNoDevice ? nullptr : Pa_GetDeviceInfo(dev);
    if (info) {
        PaStreamParameters out{};
        out.device = dev;
        out.channelCount = static_cast<int>(s.channels);
        out.sampleFormat = s.bits == 8 ? paUInt8 : paInt16;
        out.suggestedLatency = info->defaultHighOutputLatency;
        PaError e = Pa_IsFormatSupported(nullptr, &out, s.rate);
        if (e == paFormatIsSupported)
            e = Pa_OpenStream(&stream, nullptr, &out, s.rate, paFramesPerBufferUnspecified, paNoFlag,
                              nullptr, nullptr);
        if (e == paNoError && Pa_StartStream(stream) != paNoError) {
            Pa_CloseStream(stream);
            e = paInternalError;
        }
        if (e != paNoError)
            stream = nullptr;
    }
    if (!stream)
        Pa_Terminate();
    return stream;
}

// Drained lets what was written play out; otherwise it is cut off at once.
void closeOutput(PaStream* stream, bool drain)
{
    std::lock_guard pa(audioLock());
    if (drain)
        Pa_StopStream(stream);
    else
        Pa_AbortStream(stream);
    Pa_CloseStream(stream);
    Pa_Terminate();
}

class Playback {
public:
    Playback(PaStream* stream, Sound sound, bool loop)
        : stream_(stream), sound_(std::move(sound)), loop_(loop)
    {
    }
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    // On failure the stream is closed here.
    bool start()
    {
        try {
            thread_ = std::thread([this] { run(); });
            return true;
        } catch (const std::exception&) {
            closeOutput(stream_, false);
            return false;
        }
    }

    void stop() { stop_ = true; }
    void join()
    {
        if (thread_.joinable())
            thread_.join();
    }

    bool finished()
    {
        std::lock_guard lk(m_);
        return finished_;
    }

    // False when the device failed before the end; a stop is no failure.
    bool wait()
    {
        std::unique_lock lk(m_);
        done_.wait(lk, [this] { return finished_; });
        return ok_;
    }

private:
    void run()
    {
        const std::size_t frames = sound_.samples.size() / sound_.blockAlign;
        // About 25 ms a write, so that a stop is never kept waiting long.
        const std::size_t chunk = std::max<std::size_t>(64, static_cast<std::size_t>(sound_.rate) / 40);
        bool ok = true;
        do {
            for (std::size_t f = 0; f < frames && ok && !stop_;) {
                const std::size_t n = std::min(chunk, frames - f);
                const PaError e = Pa_WriteStream(stream_, sound_.samples.data() + f * sound_.blockAlign,
                                                 static_cast<unsigned long>(n));
                // An underflow left a gap before this chunk; the chunk itself went out.
                ok = e == paNoError || e == paOutputUnderflowed;
                f += n;
            }
        } while (ok && loop_ && frames > 0 && !stop_);
        closeOutput(stream_, ok && !stop_);
        {
            std::lock_guard lk(m_);
            finished_ = true;
            ok_ = ok;
        }
        done_.notify_all();
    }

    PaStream* const stream_;
    const Sound sound_;
    const bool loop_;
    std::atomic<bool> stop_{false};
    std::mutex m_;
    std::condition_variable done_;
    bool finished_ = false;
    bool ok_ = false;
    std::thread thread_;
};

struct Player {
    std::mutex m;  // serialises the calls; taken before audioLock(), never by a playback thread
    std::shared_ptr<Playback> current;
};

// Never destroyed: a sound still playing at exit keeps its thread to the end.
Player& player()
{
    static auto* p = new Player;
    return *p;
}

// The caller holds the player's lock.
void endCurrent(Player& pl)
{
    if (!pl.current)
        return;
    pl.current->stop();
    pl.current->join();
    pl.current.reset();
}

bool play(const char* name, DWORD flags)
{
    Player& pl = player();
    if (!name || (flags & SND_PURGE)) {
        std::lock_guard lk(pl.m);
        endCurrent(pl);
        return true;
    }
    // No table of system sounds and no resources exist here, and so no default sound either.
    if ((flags & SND_ALIAS) || (flags & SND_RESOURCE & ~SND_MEMORY))
        return false;
    const bool async = flags & SND_ASYNC;
    // A synchronous loop would never return.
    if ((flags & SND_LOOP) && !async)
        return false;
    Sound sound;
    if (!((flags & SND_MEMORY) ? loadImage(name, sound) : loadFile(name, sound)))
        return false;

    std::shared_ptr<Playback> p;
    {
        std::lock_guard lk(pl.m);
        if ((flags & SND_NOSTOP) && pl.current && !pl.current->finished())
            return false;
        // Before opening: a device that takes one stream at a time would refuse the new one.
        endCurrent(pl);
        PaStream* stream = openOutput(sound);
        if (!stream)
            return false;
        try {
            p = std::make_shared<Playback>(stream, std::move(sound), (flags & SND_LOOP) != 0);
        } catch (const std::exception&) {
            closeOutput(stream, false);
            return false;
        }
        if (!p->start())
            return false;
        pl.current = p;
    }
    if (async)
        return true;
    const bool ok = p->wait();
    std::lock_guard lk(pl.m);
    if (pl.current == p) {
        pl.current.reset();
        p->join();
    }
    return ok;
}

}  // namespace

BOOL PlaySoundA(LPCSTR pszSound, HMODULE /*hmod*/, DWORD fdwSound)
{
    try {
        return play(pszSound, fdwSound) ? 1 : 0;
    } catch (const std::exception&) {
        return 0;  // out of memory while reading the sound
    }
}
