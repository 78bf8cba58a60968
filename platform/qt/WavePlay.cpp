// Wave-sound player over PortAudio's blocking writes.
//
// A sound played synchronously, or from memory, is read and checked whole on the caller's thread, and
// the device opened and started there, so every failure reaches the caller. A sound file played
// asynchronously is only looked at there (it opens, is a wave file, is not too large): reading it,
// ending the sound before it and opening the device happen on its own thread, so that the caller
// gets on at once however large the file. A thread of its own writes the samples in short chunks,
// looking for a stop between them. At most one sound exists at a time. Whoever takes a sound out of
// that place (a stop, the synchronous caller of that very sound, or the sound that follows it)
// joins its thread.
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
#include <string>
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

// Where a wave's samples lie and how they are laid out.
struct Layout {
    unsigned channels = 0;
    unsigned bits = 0;
    unsigned blockAlign = 0;
    double rate = 0;
    std::uint64_t dataOffset = 0;
    std::uint64_t dataSize = 0;  // whole frames only
};

// The RIFF image must lie within size bytes, read through readAt(offset, buffer, count); every length
// in it is checked against that before use, and one that reaches past it makes the image malformed
// (a cut-off file is not half played). Only the chunk headers and the format are read.
template <class ReadAt>
bool waveLayout(ReadAt readAt, std::uint64_t size, Layout& out)
{
    unsigned char head[12];
    if (size < 12 || !readAt(0, head, 12) || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0)
        return false;
    const std::uint64_t riffEnd = std::uint64_t{le32(head + 4)} + 8;
    if (riffEnd < 12 || riffEnd > size)
        return false;
    // Bytes after the RIFF chunk are not part of the sound.
    const std::uint64_t end = riffEnd;
    unsigned char fmt[16];
    bool haveFmt = false, haveData = false;
    std::uint64_t pos = 12;
    while (end - pos >= 8 && !(haveFmt && haveData)) {
        unsigned char chunk[8];
        if (!readAt(pos, chunk, 8))
            return false;
        const std::uint64_t len = le32(chunk + 4);
        const std::uint64_t body = pos + 8;
        if (len > end - body)
            return false;
        if (!haveFmt && std::memcmp(chunk, "fmt ", 4) == 0) {
            if (len < 16 || !readAt(body, fmt, 16))
                return false;
            haveFmt = true;
        } else if (!haveData && std::memcmp(chunk, "data", 4) == 0) {
            out.dataOffset = body;
            out.dataSize = len;
            haveData = true;
        }
        pos = body + len;
        if (len % 2 != 0 && pos < end)  // chunks are padded to an even length
            ++pos;
    }
    if (!haveFmt || !haveData)
        return false;
    const unsigned tag = le16(fmt);
    out.channels = le16(fmt + 2);
    out.rate = le32(fmt + 4);
    out.blockAlign = le16(fmt + 12);
    out.bits = le16(fmt + 14);
    if (tag != WAVE_FORMAT_PCM || out.channels < 1 || out.channels > 2 || (out.bits != 8 && out.bits != 16) ||
        out.rate <= 0 || out.blockAlign != out.channels * out.bits / 8)
        return false;
    out.dataSize = out.dataSize / out.blockAlign * out.blockAlign;
    return true;
}

void takeLayout(const Layout& l, Sound& out)
{
    out.channels = l.channels;
    out.bits = l.bits;
    out.blockAlign = l.blockAlign;
    out.rate = l.rate;
    if constexpr (std::endian::native == std::endian::big) {
        if (out.bits == 16)
            for (std::size_t i = 0; i + 1 < out.samples.size(); i += 2)
                std::swap(out.samples[i], out.samples[i + 1]);
    }
}

bool parseWave(const unsigned char* p, std::size_t size, Sound& out)
{
    Layout l;
    const auto readAt = [&](std::uint64_t at, unsigned char* buf, std::size_t n) {
        if (at > size || n > size - at)
            return false;
        std::memcpy(buf, p + at, n);
        return true;
    };
    if (!waveLayout(readAt, size, l))
        return false;
    out.samples.assign(p + l.dataOffset, p + l.dataOffset + l.dataSize);
    takeLayout(l, out);
    return true;
}

// A wave file opened for reading without waiting (a name that is a pipe must not wait for a writer):
// a regular file no larger than the limit, with its layout; -1 otherwise.
int openWave(const char* name, Layout& l)
{
    const int fd = ::open(NativeFileName(name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    const auto readAt = [fd](std::uint64_t at, unsigned char* buf, std::size_t n) {
        std::size_t got = 0;
        while (got < n) {
            const ssize_t r = ::pread(fd, buf + got, n - got, static_cast<off_t>(at + got));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return false;
            got += static_cast<std::size_t>(r);
        }
        return true;
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<std::uint64_t>(st.st_size) > kMaxImage ||
        !waveLayout(readAt, static_cast<std::uint64_t>(st.st_size), l)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool loadFile(const char* name, Sound& out)
{
    Layout l;
    const int fd = openWave(name, l);
    if (fd < 0)
        return false;
    out.samples.resize(static_cast<std::size_t>(l.dataSize));
    std::size_t got = 0;
    while (got < out.samples.size()) {
        const ssize_t n = ::pread(fd, out.samples.data() + got, out.samples.size() - got,
                                  static_cast<off_t>(l.dataOffset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    // Shrunk meanwhile: a cut-off sound is not half played.
    if (got != out.samples.size())
        return false;
    takeLayout(l, out);
    return true;
}

// What can be known of a sound file without reading its samples: it opens, it is a regular file no
// larger than the limit, and it is a wave this player takes.
bool looksPlayable(const char* name)
{
    Layout l;
    const int fd = openWave(name, l);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
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
    // A file read and a device opened on the playback's own thread, once the sound before has ended.
    Playback(std::string file, bool loop, std::shared_ptr<Playback> previous)
        : file_(std::move(file)), loop_(loop), previous_(std::move(previous))
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
            if (stream_)
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
    void finish(bool ok)
    {
        {
            std::lock_guard lk(m_);
            finished_ = true;
            ok_ = ok;
        }
        done_.notify_all();
    }

    void run()
    {
        if (previous_) {
            previous_->join();
            previous_.reset();
        }
        if (!stream_) {
            try {
                if (stop_ || !loadFile(file_.c_str(), sound_) || !(stream_ = openOutput(sound_))) {
                    finish(false);
                    return;
                }
            } catch (const std::exception&) {
                finish(false);  // out of memory while reading the sound
                return;
            }
        }
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
        finish(ok);
    }

    PaStream* stream_ = nullptr;
    Sound sound_;
    const std::string file_;
    const bool loop_;
    std::shared_ptr<Playback> previous_;
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
    if (async && !(flags & SND_MEMORY)) {
        if (!looksPlayable(name))
            return false;
        std::lock_guard lk(pl.m);
        if ((flags & SND_NOSTOP) && pl.current && !pl.current->finished())
            return false;
        std::shared_ptr<Playback> previous = std::move(pl.current);
        if (previous)
            previous->stop();
        auto p = std::make_shared<Playback>(std::string(name), (flags & SND_LOOP) != 0, previous);
        if (!p->start()) {
            if (previous)
                previous->join();
            return false;
        }
        pl.current = p;
        return true;
    }
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
