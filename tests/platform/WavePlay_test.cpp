// The wave-sound player through the real output path: ALSA is pointed at a device that writes what is
// played to a raw file, so the samples that went out can be compared with the sound's own.
#include "platform/MMSystem.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <thread>

#include "tests/platform/ScratchDir.h"
#include "tests/support/ParamName.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

std::string u16(unsigned v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)};
}

std::string u32(std::uint32_t v)
{
    return u16(v & 0xFFFF) + u16(v >> 16);
}

std::string chunk(const std::string& id, const std::string& body)
{
    return id + u32(static_cast<std::uint32_t>(body.size())) + body + (body.size() % 2 ? "\0"s : ""s);
}

std::string riff(const std::string& chunks)
{
    return "RIFF" + u32(static_cast<std::uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

std::string fmtBody(unsigned tag, unsigned channels, unsigned rate, unsigned bits,
                    unsigned blockAlign = 0)
{
    if (blockAlign == 0)
        blockAlign = channels * bits / 8;
    return u16(tag) + u16(channels) + u32(rate) + u32(rate * blockAlign) + u16(blockAlign) + u16(bits);
}

// Noise over the whole sample range, both extremes included.
std::string noise(std::size_t bytes, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(bytes, '\0');
    for (char& c : s)
        c = static_cast<char>(gen() & 0xFF);
    if (bytes >= 4)
        s.replace(0, 4, "\x00\x80\xFF\x7F"s);
    return s;
}

class WavePlay : public ScratchDir {
protected:
    static void SetUpTestSuite()
    {
        // Read once per process by the sound libraries, so set before anything opens a device.
        setenv("ALSA_CONFIG_PATH", MORVIK_TEST_DATA_DIR "/alsa/playback.conf", 1);
    }

    void SetUp() override
    {
        ScratchDir::SetUp();
        setenv("MORVIK_TEST_OUTFILE", Path("out.raw").c_str(), 1);
    }

    void TearDown() override
    {
        PlaySoundA(nullptr, nullptr, 0);
        ScratchDir::TearDown();
    }

    std::string played() const { return Get("out.raw"); }

    static std::string mono16(std::size_t frames, unsigned seed = 1)
    {
        return riff(chunk("fmt ", fmtBody(1, 1, 8000, 16)) + chunk("data", noise(2 * frames, seed)));
    }
};

enum class Via { File, WindowsName, Memory };

struct Format {
    const char* what;
    unsigned channels, bits, rate, frames;
    Via via;
};
void PrintTo(const Format& f, std::ostream* os) { *os << f.what; }

class WavePlayFormat : public WavePlay, public ::testing::WithParamInterface<Format> {};

TEST_P(WavePlayFormat, EverySampleGoesOutInOrder)
{
    const Format& f = GetParam();
    const std::string pcm = noise(std::size_t{f.frames} * f.channels * f.bits / 8, f.frames);
    // An odd-sized chunk of another kind before the samples: its pad byte must be skipped.
    const std::string image =
        riff(chunk("fmt ", fmtBody(1, f.channels, f.rate, f.bits)) + chunk("LIST", "INFOx") +
             chunk("data", pcm));
    Put("sound.wav", image);
    std::string name = Path("sound.wav");
    if (f.via == Via::WindowsName)
        std::replace(name.begin(), name.end(), '/', '\\');

    const BOOL r = f.via == Via::Memory ? PlaySoundA(image.data(), nullptr, SND_MEMORY | SND_SYNC)
                                        : PlaySoundA(name.c_str(), nullptr, SND_FILENAME | SND_SYNC);
    ASSERT_NE(r, 0);
    const std::string out = played();
    // The device may round the end up to whole periods.
    ASSERT_GE(out.size(), pcm.size());
    EXPECT_TRUE(out.compare(0, pcm.size(), pcm) == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WavePlayFormat,
    ::testing::Values(Format{"mono 8-bit 8 kHz, odd length", 1, 8, 8000, 3001, Via::File},
                      Format{"stereo 16-bit 44.1 kHz", 2, 16, 44100, 10007, Via::File},
                      Format{"stereo 8-bit 22.05 kHz, name with backslashes", 2, 8, 22050, 5000,
                             Via::WindowsName},
                      Format{"mono 16-bit 11.025 kHz from memory", 1, 16, 11025, 4000, Via::Memory}),
    morvik::ParamName());

struct Bad {
    const char* what;
    std::string image;
};
void PrintTo(const Bad& b, std::ostream* os) { *os << b.what; }

class WavePlayBad : public WavePlay, public ::testing::WithParamInterface<Bad> {};

TEST_P(WavePlayBad, IsNotPlayed)
{
    Put("bad.wav", GetParam().image);
    EXPECT_EQ(PlaySoundA(Path("bad.wav").c_str(), nullptr, SND_FILENAME | SND_SYNC), 0);
    EXPECT_EQ(PlaySoundA(Path("bad.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC), 0);
    EXPECT_EQ(played(), "");
}

const std::string kFmt = chunk("fmt ", fmtBody(1, 1, 8000, 16));
const std::string kData = chunk("data", noise(2000, 7));
const std::string kGood = riff(kFmt + kData);

std::string withRiffLength(std::uint32_t n)
{
    return kGood.substr(0, 4) + u32(n) + kGood.substr(8);
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, WavePlayBad,
    ::testing::Values(
        Bad{"empty file", ""}, Bad{"RIFF header alone", "RIFF" + u32(4)},
        Bad{"other container", "RIFX" + kGood.substr(4)},
        Bad{"other RIFF form", kGood.substr(0, 8) + "AVI " + kGood.substr(12)},
        Bad{"cut off in the samples", kGood.substr(0, kGood.size() - 10)},
        Bad{"RIFF length past the end of the file", withRiffLength(kGood.size() + 1000)},
        Bad{"RIFF length ending inside the samples", withRiffLength(kGood.size() - 108)},
        Bad{"RIFF length too short for the form", withRiffLength(2)},
        Bad{"data length of 4 GiB", riff(kFmt + "data" + u32(0xFFFFFFFF) + noise(64, 1))},
        Bad{"other chunk reaching past the end",
            riff(kFmt + "LIST" + u32(0xFFFFFFF0) + "INFO" + kData)},
        Bad{"format chunk of 14 bytes", riff(chunk("fmt ", fmtBody(1, 1, 8000, 16).substr(0, 14)) + kData)},
        Bad{"float samples", riff(chunk("fmt ", fmtBody(3, 1, 8000, 32)) + kData)},
        Bad{"24-bit samples", riff(chunk("fmt ", fmtBody(1, 1, 8000, 24)) + kData)},
        Bad{"no channels", riff(chunk("fmt ", fmtBody(1, 0, 8000, 16, 2)) + kData)},
        Bad{"three channels", riff(chunk("fmt ", fmtBody(1, 3, 8000, 16)) + kData)},
        Bad{"block size not matching", riff(chunk("fmt ", fmtBody(1, 1, 8000, 16, 3)) + kData)},
        Bad{"rate 0", riff(chunk("fmt ", fmtBody(1, 1, 0, 16)) + kData)},
        Bad{"no format chunk", riff(kData)}, Bad{"no data chunk", riff(kFmt)}),
    morvik::ParamName());

TEST_F(WavePlay, NamesOfNoSoundFileAreNotPlayed)
{
    Put("sound.wav", mono16(100));
    ASSERT_EQ(::mkfifo(Path("pipe.wav").c_str(), 0600), 0);
    const std::string missing = Path("missing.wav"), sound = Path("sound.wav");
    EXPECT_EQ(PlaySoundA(missing.c_str(), nullptr, SND_FILENAME | SND_SYNC), 0);
    EXPECT_EQ(PlaySoundA(dir.c_str(), nullptr, SND_FILENAME | SND_SYNC), 0);
    EXPECT_EQ(PlaySoundA(Path("pipe.wav").c_str(), nullptr, SND_FILENAME | SND_SYNC), 0);  // no wait
    EXPECT_EQ(PlaySoundA("", nullptr, SND_SYNC), 0);
    // There are no system sounds and no resources; a file of the name is not taken instead.
    EXPECT_EQ(PlaySoundA(sound.c_str(), nullptr, SND_ALIAS | SND_SYNC), 0);
    EXPECT_EQ(PlaySoundA(sound.c_str(), nullptr, SND_ALIAS | SND_NODEFAULT | SND_SYNC), 0);
    EXPECT_EQ(PlaySoundA(sound.c_str(), nullptr, SND_RESOURCE | SND_SYNC), 0);
    EXPECT_EQ(played(), "");
}

// Drains a named pipe that the output device writes to, keeping the first bytes: an endless sound is
// then paced by this reader instead of filling a disk as fast as the device can write.
class PipeReader {
public:
    PipeReader(const std::string& path, std::size_t keep) : path_(path), keep_(keep)
    {
        // Opened for writing as well, so that opening never waits and the device can come and go.
        fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd_ >= 0)
            thread_ = std::thread([this] { run(); });
    }
    ~PipeReader()
    {
        quit_ = true;
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }

    bool open() const { return fd_ >= 0; }

    std::string waitForHead()
    {
        std::unique_lock lk(m_);
        cv_.wait_for(lk, 20s, [this] { return head_.size() == keep_; });
        return head_;
    }

    // Descriptors of this process open on the pipe besides the reader's own.
    int otherOpeners() const
    {
        struct stat pipe {};
        if (::stat(path_.c_str(), &pipe) != 0)
            return -1;
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
            struct stat st {};
            if (::stat(e.path().c_str(), &st) == 0 && st.st_dev == pipe.st_dev && st.st_ino == pipe.st_ino)
                ++n;
        }
        return n - 1;
    }

private:
    void run()
    {
        char buf[65536];
        while (!quit_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0)
                continue;
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n <= 0)
                continue;
            std::lock_guard lk(m_);
            head_.append(buf, std::min(static_cast<std::size_t>(n), keep_ - head_.size()));
            cv_.notify_all();
        }
    }

    const std::string path_;
    const std::size_t keep_;
    int fd_ = -1;
    std::atomic<bool> quit_{false};
    std::mutex m_;
    std::condition_variable cv_;
    std::string head_;
    std::thread thread_;
};

TEST_F(WavePlay, AsyncLoopRepeatsUntilStoppedAndNoStopYieldsToIt)
{
    const std::string pcm = noise(2 * 1000, 3);
    Put("loop.wav", riff(kFmt + chunk("data", pcm)));
    Put("other.wav", mono16(50, 9));
    ASSERT_EQ(::mkfifo(Path("out.pipe").c_str(), 0600), 0);
    setenv("MORVIK_TEST_OUTFILE", Path("out.pipe").c_str(), 1);
    PipeReader out(Path("out.pipe"), 4 * pcm.size());
    ASSERT_TRUE(out.open());

    ASSERT_NE(PlaySoundA(Path("loop.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_LOOP), 0);
    const std::string head = out.waitForHead();
    ASSERT_EQ(head.size(), 4 * pcm.size());
    for (std::size_t round = 0; round < 4; ++round)
        EXPECT_TRUE(head.compare(round * pcm.size(), pcm.size(), pcm) == 0) << "round " << round;

    EXPECT_EQ(PlaySoundA(Path("other.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NOSTOP), 0);
    EXPECT_EQ(out.otherOpeners(), 1);  // still playing
    EXPECT_NE(PlaySoundA(nullptr, nullptr, SND_ASYNC), 0);
    EXPECT_EQ(out.otherOpeners(), 0);  // the device is closed once the stop returns

    // With nothing playing any more, SND_NOSTOP holds nothing back.
    EXPECT_NE(PlaySoundA(Path("other.wav").c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NOSTOP), 0);
    // A loop that the call would wait for could never end.
    EXPECT_EQ(PlaySoundA(Path("loop.wav").c_str(), nullptr, SND_FILENAME | SND_LOOP), 0);
    EXPECT_EQ(out.otherOpeners(), 0);

    // A sound started while a loop plays ends the loop from its own thread, plays, and lets the
    // device go.
    ASSERT_NE(PlaySoundA(Path("loop.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_LOOP), 0);
    ASSERT_NE(PlaySoundA(Path("other.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC), 0);
    bool closed = false;
    for (int i = 0; i < 6000 && !closed; ++i) {
        closed = out.otherOpeners() == 0;
        if (!closed) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(closed) << "the loop still plays";
    EXPECT_NE(PlaySoundA(nullptr, nullptr, 0), 0);
}

TEST_F(WavePlay, WithNoOutputDeviceNothingPlays)
{
    Put("sound.wav", mono16(100));
    const std::string name = Path("sound.wav");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // Names a card that does not exist as the only device.
            setenv("ALSA_CONFIG_PATH", MORVIK_TEST_DATA_DIR "/alsa/nocapture.conf", 1);
            const BOOL sync = PlaySoundA(name.c_str(), nullptr, SND_FILENAME | SND_SYNC);
            // A sound file played asynchronously is started without waiting for the device: the
            // call takes it, and its own thread finds no device.
            const BOOL async = PlaySoundA(name.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
            PlaySoundA(nullptr, nullptr, 0);
            std::fprintf(stderr, "sync %d, async %d\n", sync, async);
            ScratchDir::TearDown();  // exiting skips the child's own
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "sync 0, async 1");
}

}  // namespace
