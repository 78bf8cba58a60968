// Sound input through the real capture path: ALSA is pointed at a device that plays back a raw
// sample file written by each test, so captured samples can be compared with the file bit for bit.
#include "platform/MMSystem.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <future>
#include <functional>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "tests/platform/ScratchDir.h"
#include "tests/support/PulseServer.h"

namespace {

using Samples = std::vector<std::int16_t>;
using namespace std::chrono_literals;

constexpr int kSamples = 2048;  // one receiver buffer
constexpr DWORD kBytes = kSamples * 2;

WAVEFORMATEX receiverFormat()
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

struct Event {
    UINT msg = 0;
    WAVEHDR* hdr = nullptr;
    DWORD flags = 0;
    Samples data;
    std::thread::id thread;
};

// Records every callback; onData runs on the device's thread after the event is recorded.
struct Recorder {
    std::mutex m;
    std::condition_variable cv;
    std::vector<Event> events;
    std::function<void(WAVEHDR*)> onData;
    HWAVEIN hwi = nullptr;

    static void proc(HWAVEIN h, UINT msg, DWORD_PTR inst, DWORD_PTR p1, DWORD_PTR)
    {
        auto* self = reinterpret_cast<Recorder*>(inst);
        Event e;
        e.msg = msg;
        e.thread = std::this_thread::get_id();
        if (msg == WIM_DATA) {
            e.hdr = reinterpret_cast<WAVEHDR*>(p1);
            e.flags = e.hdr->dwFlags;
            auto* s = reinterpret_cast<const std::int16_t*>(e.hdr->lpData);
            e.data.assign(s, s + e.hdr->dwBytesRecorded / 2);
        }
        {
            std::lock_guard lk(self->m);
            EXPECT_EQ(h, self->hwi);
            self->events.push_back(std::move(e));
        }
        self->cv.notify_all();
        if (msg == WIM_DATA && self->onData)
            self->onData(reinterpret_cast<WAVEHDR*>(p1));
    }

    std::vector<Event> data()
    {
        std::lock_guard lk(m);
        std::vector<Event> out;
        for (const Event& e : events)
            if (e.msg == WIM_DATA)
                out.push_back(e);
        return out;
    }

    std::size_t dataCount()
    {
        std::lock_guard lk(m);
        return std::count_if(events.begin(), events.end(),
                             [](const Event& e) { return e.msg == WIM_DATA; });
    }

    bool waitForData(std::size_t n)
    {
        std::unique_lock lk(m);
        return cv.wait_for(lk, 60s, [&] {
            return std::count_if(events.begin(), events.end(), [](const Event& e) {
                       return e.msg == WIM_DATA;
                   }) >= static_cast<std::ptrdiff_t>(n);
        });
    }

    // Everything delivered, in delivery order.
    Samples joined()
    {
        Samples all;
        for (const Event& e : data())
            all.insert(all.end(), e.data.begin(), e.data.end());
        return all;
    }
};

// A ring of receiver-sized buffers.
struct Ring {
    std::vector<Samples> mem;
    std::vector<WAVEHDR> hdr;
    explicit Ring(int n, DWORD bytes = kBytes) : mem(n, Samples(bytes / 2 + 1)), hdr(n)
    {
        for (int i = 0; i < n; ++i) {
            hdr[i].lpData = reinterpret_cast<char*>(mem[i].data());
            hdr[i].dwBufferLength = bytes;
        }
    }
    void prepareAndAdd(HWAVEIN h)
    {
        for (WAVEHDR& w : hdr) {
            ASSERT_EQ(waveInPrepareHeader(h, &w, sizeof w), MMSYSERR_NOERROR);
            ASSERT_EQ(waveInAddBuffer(h, &w, sizeof w), MMSYSERR_NOERROR);
        }
    }
    void unprepare(HWAVEIN h)
    {
        for (WAVEHDR& w : hdr)
            EXPECT_EQ(waveInUnprepareHeader(h, &w, sizeof w), MMSYSERR_NOERROR);
    }
};

::testing::AssertionResult isFilePrefix(const Samples& got, const Samples& file)
{
    if (got.size() > file.size())
        return ::testing::AssertionFailure() << got.size() << " samples, the file has " << file.size();
    auto [g, f] = std::mismatch(got.begin(), got.end(), file.begin());
    if (g != got.end())
        return ::testing::AssertionFailure()
               << "sample " << (g - got.begin()) << " is " << *g << ", the file has " << *f;
    return ::testing::AssertionSuccess();
}

// An open device with its buffers; closed (after a reset) before the buffers and the recorder go.
// Declare it after anything its callback refers to.
struct Session {
    Recorder rec;
    std::deque<Ring> rings;
    Ring& ring(int n, DWORD bytes = kBytes) { return rings.emplace_back(n, bytes); }
    HWAVEIN h() const { return rec.hwi; }
    MMRESULT close()
    {
        const MMRESULT r = waveInClose(rec.hwi);
        if (r == MMSYSERR_NOERROR)
            rec.hwi = nullptr;
        return r;
    }
    ~Session()
    {
        if (rec.hwi) {
            waveInReset(rec.hwi);
            waveInClose(rec.hwi);
        }
    }
};

class WaveIn : public ScratchDir {
protected:
    static void SetUpTestSuite()
    {
        // Read once per process by the sound libraries, so set before anything opens a device.
        setenv("ALSA_CONFIG_PATH", MORVIK_TEST_DATA_DIR "/alsa/asound.conf", 1);
    }

    // Noise over the whole 16-bit range, both extremes included, as the device's input.
    Samples writeInput(std::size_t n)
    {
        std::mt19937 gen(static_cast<unsigned>(n) * 7919u + 1u);
        std::uniform_int_distribution<int> d(-32768, 32767);
        Samples s(n);
        for (auto& v : s)
            v = static_cast<std::int16_t>(d(gen));
        if (n > 2) {
            s[0] = -32768;
            s[1] = 32767;
        }
        const std::string path = Path("input.raw");
        FILE* fp = std::fopen(path.c_str(), "wb");
        EXPECT_NE(fp, nullptr);
        if (fp) {
            std::fwrite(s.data(), 2, s.size(), fp);
            std::fclose(fp);
        }
        setenv("MORVIK_TEST_INFILE", path.c_str(), 1);
        return s;
    }

    static MMRESULT open(Session& s, UINT device = WAVE_MAPPER)
    {
        const WAVEFORMATEX f = receiverFormat();
        return waveInOpen(&s.rec.hwi, device, &f, &Recorder::proc,
                          reinterpret_cast<DWORD_PTR>(&s.rec));
    }

    static Samples head(const Samples& file, std::size_t n) { return {file.begin(), file.begin() + n}; }
};

TEST_F(WaveIn, SixteenBuffersComeBackFullInOrderWithTheFileSamples)
{
    const Samples file = writeInput(40 * kSamples);
    ASSERT_GE(waveInGetNumDevs(), 1u);
    Session s;
    ASSERT_EQ(open(s), MMSYSERR_NOERROR);
    ASSERT_NE(s.h(), nullptr);
    Ring& ring = s.ring(16);
    ring.prepareAndAdd(s.h());
    for (const WAVEHDR& w : ring.hdr)
        EXPECT_EQ(w.dwFlags, WHDR_PREPARED | WHDR_INQUEUE);
    ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
    ASSERT_TRUE(s.rec.waitForData(16));

    const auto got = s.rec.data();
    ASSERT_EQ(got.size(), 16u);
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].hdr, &ring.hdr[i]);
        EXPECT_EQ(got[i].flags, WHDR_PREPARED | WHDR_DONE);
        EXPECT_EQ(ring.hdr[i].dwBytesRecorded, kBytes);
        EXPECT_NE(got[i].thread, std::this_thread::get_id());
    }
    EXPECT_EQ(s.rec.joined(), head(file, 16 * kSamples));

    EXPECT_EQ(waveInReset(s.h()), MMSYSERR_NOERROR);
    EXPECT_EQ(s.rec.dataCount(), 16u);  // nothing was left to give back
    ring.unprepare(s.h());
    for (const WAVEHDR& w : ring.hdr)
        EXPECT_EQ(w.dwFlags, WHDR_DONE);
    ASSERT_EQ(s.close(), MMSYSERR_NOERROR);
    std::lock_guard lk(s.rec.m);
    ASSERT_GE(s.rec.events.size(), 2u);
    EXPECT_EQ(s.rec.events.front().msg, WIM_OPEN);
    EXPECT_EQ(s.rec.events.back().msg, WIM_CLOSE);
}

// The receiver's pattern: the window thread takes each filled buffer and hands it straight back.
TEST_F(WaveIn, ARingHandedBackOneByOneLosesAndRepeatsNothing)
{
    constexpr int kRounds = 64;
    const Samples file = writeInput((kRounds + 24) * kSamples);
    Session s;
    ASSERT_EQ(open(s), MMSYSERR_NOERROR);
    Ring& ring = s.ring(16);
    ring.prepareAndAdd(s.h());
    ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
    int next = 0;
    for (int handedBack = 0; handedBack < kRounds - 16; ++handedBack) {
        ASSERT_TRUE(s.rec.waitForData(handedBack + 1));
        WAVEHDR& w = ring.hdr[next];
        ASSERT_TRUE(w.dwFlags & WHDR_DONE);
        ASSERT_EQ(waveInAddBuffer(s.h(), &w, sizeof w), MMSYSERR_NOERROR);
        next = (next + 1) & 15;
    }
    ASSERT_TRUE(s.rec.waitForData(kRounds));
    const auto got = s.rec.data();
    ASSERT_EQ(got.size(), static_cast<std::size_t>(kRounds));
    for (int i = 0; i < kRounds; ++i)
        ASSERT_EQ(got[i].hdr, &ring.hdr[i & 15]) << i;
    EXPECT_EQ(s.rec.joined(), head(file, kRounds * kSamples));
}

// The receiver's shutdown: stop, reset, wait for every queued buffer to come back, unprepare all
// sixteen, close. Its callback only counts; nothing may be left queued once the reset returns.
TEST_F(WaveIn, TheReceiversStopSequenceEndsWithNothingQueued)
{
    const Samples file = writeInput(40 * kSamples);
    std::atomic<int> queued{0};
    std::atomic<int> waiting{0};
    Session s;
    s.rec.onData = [&](WAVEHDR*) {
        ++waiting;
        --queued;
    };
    ASSERT_EQ(open(s), MMSYSERR_NOERROR);
    Ring& ring = s.ring(16);
    for (WAVEHDR& w : ring.hdr) {
        ASSERT_EQ(waveInPrepareHeader(s.h(), &w, sizeof w), MMSYSERR_NOERROR);
        ASSERT_EQ(waveInAddBuffer(s.h(), &w, sizeof w), MMSYSERR_NOERROR);
        ++queued;
    }
    ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
    ASSERT_TRUE(s.rec.waitForData(1));
    ASSERT_EQ(waveInStop(s.h()), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInReset(s.h()), MMSYSERR_NOERROR);
    EXPECT_EQ(queued.load(), 0);
    EXPECT_EQ(waiting.load(), 16);
    EXPECT_TRUE(isFilePrefix(s.rec.joined(), file));
    ring.unprepare(s.h());
    EXPECT_EQ(s.close(), MMSYSERR_NOERROR);
    std::lock_guard lk(s.rec.m);
    EXPECT_EQ(s.rec.events.back().msg, WIM_CLOSE);
}

TEST_F(WaveIn, ResetBeforeStartGivesBackEveryBufferEmptyAndDone)
{
    writeInput(4 * kSamples);
    Session s;
    ASSERT_EQ(open(s), MMSYSERR_NOERROR);
    Ring& ring = s.ring(16);
    ring.prepareAndAdd(s.h());
    ASSERT_EQ(waveInReset(s.h()), MMSYSERR_NOERROR);
    // Given back through the callback before the reset returned.
    const auto got = s.rec.data();
    ASSERT_EQ(got.size(), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(got[i].hdr, &ring.hdr[i]);
        EXPECT_EQ(got[i].flags, WHDR_PREPARED | WHDR_DONE);
        EXPECT_EQ(ring.hdr[i].dwBytesRecorded, 0u);
    }
    ring.unprepare(s.h());
    EXPECT_EQ(s.close(), MMSYSERR_NOERROR);
}

TEST_F(WaveIn, ResetWhileCapturingGivesBackEachBufferExactlyOnce)
{
    const Samples file = writeInput(140 * kSamples);
    Session s;
    ASSERT_EQ(open(s), MMSYSERR_NOERROR);
    Ring& ring = s.ring(16, 8 * kBytes);
    ring.prepareAndAdd(s.h());
    ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
    std::this_thread::sleep_for(2ms);
    ASSERT_EQ(waveInReset(s.h()), MMSYSERR_NOERROR);
    const auto got = s.rec.data();
    ASSERT_EQ(got.size(), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(got[i].hdr, &ring.hdr[i]);
        EXPECT_TRUE(got[i].flags & WHDR_DONE);
        EXPECT_FALSE(got[i].flags & WHDR_INQUEUE);
    }
    // Whatever was captured before the reset is the start of the file, with no gap.
    EXPECT_TRUE(isFilePrefix(s.rec.joined(), file));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(s.rec.dataCount(), 16u);
    ring.unprepare(s.h());
}

TEST_F(WaveIn, StopThenStartAgainContinuesWhereItStopped)
{
    const Samples file = writeInput(120 * kSamples);
    Session s;
    ASSERT_EQ(open(s), MMSYSERR_NOERROR);
    Ring& first = s.ring(4);
    first.prepareAndAdd(s.h());
    ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
    ASSERT_TRUE(s.rec.waitForData(4));
    ASSERT_EQ(waveInStop(s.h()), MMSYSERR_NOERROR);

    // A long buffer is most likely only partly filled at the stop: it comes back with what it
    // holds. Should it still be empty, it stays queued and fills after the next start.
    Ring& big = s.ring(1, 100 * kBytes);
    big.prepareAndAdd(s.h());
    ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
    std::this_thread::sleep_for(1ms);
    ASSERT_EQ(waveInStop(s.h()), MMSYSERR_NOERROR);
    // The device is idle once the stop has returned, so the header can be read.
    EXPECT_TRUE((big.hdr[0].dwFlags & WHDR_DONE) || big.hdr[0].dwBytesRecorded == 0);
    ASSERT_EQ(waveInStop(s.h()), MMSYSERR_NOERROR);  // a second stop in a row gives back nothing

    Ring& second = s.ring(4);
    second.prepareAndAdd(s.h());
    ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);  // so does a second start
    ASSERT_TRUE(s.rec.waitForData(9));
    const auto got = s.rec.data();
    ASSERT_EQ(got.size(), 9u);
    std::vector<WAVEHDR*> order;
    for (const Event& e : got) {
        order.push_back(e.hdr);
        EXPECT_GT(e.data.size(), 0u);
    }
    EXPECT_EQ(order, (std::vector<WAVEHDR*>{&first.hdr[0], &first.hdr[1], &first.hdr[2],
                                            &first.hdr[3], &big.hdr[0], &second.hdr[0],
                                            &second.hdr[1], &second.hdr[2], &second.hdr[3]}));
    EXPECT_EQ(s.rec.joined().size(), 8u * kSamples + got[4].data.size());
    EXPECT_TRUE(isFilePrefix(s.rec.joined(), file));
}

TEST_F(WaveIn, CloseIsRefusedWhileBuffersAreQueued)
{
    writeInput(4 * kSamples);
    Session s;
    ASSERT_EQ(open(s), MMSYSERR_NOERROR);
    Ring& ring = s.ring(2);
    ring.prepareAndAdd(s.h());
    EXPECT_EQ(waveInClose(s.h()), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveInUnprepareHeader(s.h(), &ring.hdr[0], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveInAddBuffer(s.h(), &ring.hdr[1], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    // The refused close left the device working.
    ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
    ASSERT_TRUE(s.rec.waitForData(2));
    const HWAVEIN closed = s.h();
    EXPECT_EQ(s.close(), MMSYSERR_NOERROR);  // started, but nothing queued
    EXPECT_EQ(waveInStart(closed), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInAddBuffer(closed, &ring.hdr[0], sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInClose(closed), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveIn, HeadersMustBePreparedAndWellFormed)
{
    writeInput(4 * kSamples);
    Session s;
    ASSERT_EQ(open(s), MMSYSERR_NOERROR);
    Ring& ring = s.ring(1);
    WAVEHDR& w = ring.hdr[0];
    EXPECT_EQ(waveInAddBuffer(s.h(), &w, sizeof w), WAVERR_UNPREPARED);
    EXPECT_EQ(waveInPrepareHeader(s.h(), &w, sizeof w - 1), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInPrepareHeader(s.h(), nullptr, sizeof w), MMSYSERR_INVALPARAM);
    ASSERT_EQ(waveInPrepareHeader(s.h(), &w, sizeof w), MMSYSERR_NOERROR);
    w.dwBufferLength = 1;  // less than one sample would never fill
    EXPECT_EQ(waveInAddBuffer(s.h(), &w, sizeof w), MMSYSERR_INVALPARAM);
    EXPECT_EQ(w.dwFlags, WHDR_PREPARED);
    // An odd length comes back holding the whole samples that fit.
    w.dwBufferLength = 7;
    ASSERT_EQ(waveInAddBuffer(s.h(), &w, sizeof w), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
    ASSERT_TRUE(s.rec.waitForData(1));
    EXPECT_EQ(w.dwBytesRecorded, 6u);
    // Handing a returned header over again clears what it said last time.
    ASSERT_EQ(waveInStop(s.h()), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(s.h(), &w, sizeof w), MMSYSERR_NOERROR);
    EXPECT_EQ(w.dwFlags, WHDR_PREPARED | WHDR_INQUEUE);
    EXPECT_EQ(w.dwBytesRecorded, 0u);
    ASSERT_EQ(waveInReset(s.h()), MMSYSERR_NOERROR);
    EXPECT_EQ(w.dwFlags, WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(waveInUnprepareHeader(s.h(), &w, sizeof w), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInUnprepareHeader(s.h(), &w, sizeof w), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInAddBuffer(s.h(), &w, sizeof w), WAVERR_UNPREPARED);

    EXPECT_EQ(waveInPrepareHeader(nullptr, &w, sizeof w), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInReset(reinterpret_cast<HWAVEIN>(0x7777)), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveIn, DeviceNumbersOutOfRangeAreRefused)
{
    writeInput(4 * kSamples);
    const UINT n = waveInGetNumDevs();
    ASSERT_GE(n, 1u);
    for (UINT id : {n, n + 5, 0x7FFFFFFFu}) {
        HWAVEIN h = reinterpret_cast<HWAVEIN>(1);
        const WAVEFORMATEX f = receiverFormat();
        EXPECT_EQ(waveInOpen(&h, id, &f, &Recorder::proc, 0), MMSYSERR_BADDEVICEID) << id;
        EXPECT_EQ(h, nullptr);
    }
}

// Every negative number chooses the default device, which here is the file device.
TEST_F(WaveIn, NegativeDeviceNumbersChooseTheDefault)
{
    const Samples file = writeInput(8 * kSamples);
    for (int id : {-1, -7}) {
        Session s;
        ASSERT_EQ(open(s, static_cast<UINT>(id)), MMSYSERR_NOERROR) << id;
        s.ring(1).prepareAndAdd(s.h());
        ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
        ASSERT_TRUE(s.rec.waitForData(1));
        EXPECT_EQ(s.rec.joined(), head(file, kSamples));
    }
}

TEST_F(WaveIn, EveryNumberedDeviceOpensOrFailsCleanly)
{
    const Samples file = writeInput(8 * kSamples);
    const UINT n = waveInGetNumDevs();
    int matched = 0;
    for (UINT id = 0; id < n; ++id) {
        Session s;
        if (open(s, id) != MMSYSERR_NOERROR) {
            EXPECT_EQ(s.h(), nullptr);
            continue;
        }
        s.ring(1).prepareAndAdd(s.h());
        ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
        if (s.rec.waitForData(1) && s.rec.joined() == head(file, kSamples))
            ++matched;
    }
    EXPECT_GE(matched, 1);  // the file device is among them
}

// In a process of its own, so that the sound libraries see this configuration from the start.
TEST_F(WaveIn, WithNoCaptureDeviceTheCountIsZeroAndOpeningFails)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("ALSA_CONFIG_PATH", MORVIK_TEST_DATA_DIR "/alsa/nocapture.conf", 1);
            const WAVEFORMATEX f = receiverFormat();
            HWAVEIN byDefault = reinterpret_cast<HWAVEIN>(1);
            HWAVEIN first = reinterpret_cast<HWAVEIN>(1);
            const unsigned count = waveInGetNumDevs();
            const unsigned r1 = waveInOpen(&byDefault, WAVE_MAPPER, &f, DWORD_PTR{0}, 0, CALLBACK_NULL);
            const unsigned r2 = waveInOpen(&first, 0, &f, DWORD_PTR{0}, 0, CALLBACK_NULL);
            std::fprintf(stderr, "count %u, default %u %s, first %u %s\n", count, r1,
                         byDefault ? "open" : "none", r2, first ? "open" : "none");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "count 0, default 6 none, first 6 none");
}

// The sound server goes away while the device records, and comes back: the device says so
// through its callback after giving back what it had captured, keeps the other buffers, and
// records into them again once the server is back, without being reopened by its user. In a
// process of its own, so that the sound libraries see the server's configuration from the start.
TEST_F(WaveIn, ADeviceWhoseSoundServerGoesAwaySaysSoAndRecordsAgainWhenItIsBack)
{
    if (!pulsetest::TPulseServer::Available())
        GTEST_SKIP() << "needs pulseaudio and the ALSA pulse plugin (libasound2-plugins)";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            pulsetest::TPulseServer server(dir);
            setenv("ALSA_CONFIG_PATH", server.AlsaConfig().c_str(), 1);
            if (!server.Start()) {
                std::fprintf(stderr, "no server\n");
                server.ExitRemovingFolder(2);
            }
            Session s;
            const WAVEFORMATEX f = receiverFormat();
            if (waveInOpen(&s.rec.hwi, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(&Recorder::proc),
                           reinterpret_cast<DWORD_PTR>(&s.rec), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
                std::fprintf(stderr, "not opened\n");
                server.ExitRemovingFolder(3);
            }
            // The receiver's pattern: each buffer back to the device as soon as it is given back.
            std::atomic<bool> recycle{true};
            s.rec.onData = [&](WAVEHDR* w) {
                if (recycle)
                    waveInAddBuffer(s.h(), w, sizeof *w);
            };
            Ring& ring = s.ring(16, 1024);
            ring.prepareAndAdd(s.h());
            waveInStart(s.h());
            server.Feed(Samples(11025, 1111));
            const bool before = s.rec.waitForData(4);
            auto count = [&](UINT msg) {
                std::lock_guard lk(s.rec.m);
                return std::count_if(s.rec.events.begin(), s.rec.events.end(),
                                     [&](const Event& e) { return e.msg == msg; });
            };
            auto waitFor = [&](UINT msg, long n) {
                std::unique_lock lk(s.rec.m);
                return s.rec.cv.wait_for(lk, 60s, [&] {
                    return std::count_if(s.rec.events.begin(), s.rec.events.end(),
                                         [&](const Event& e) { return e.msg == msg; }) >= n;
                });
            };
            server.Stop();
            const bool lost = waitFor(WIM_DEVICELOST, 1);
            const std::size_t atLoss = s.rec.dataCount();
            std::this_thread::sleep_for(1500ms);  // three tries to reopen, all failing
            const bool quiet = s.rec.dataCount() == atLoss && count(WIM_DEVICEBACK) == 0;
            const bool restarted = server.Start();
            server.Feed(Samples(11025, 2222));
            const bool back = waitFor(WIM_DEVICEBACK, 1);
            // Sound from the new server arrives in the buffers queued before it went.
            bool fresh = false;
            for (int i = 0; i < 3000 && !fresh; ++i) {
                for (const Event& e : s.rec.data())
                    fresh = fresh || std::count(e.data.begin(), e.data.end(), 2222) > 0;
                std::this_thread::sleep_for(20ms);
            }
            // Stopped and started again once it is back, it records as ever.
            const MMRESULT stopped = waveInStop(s.h());
            const std::size_t atStop = s.rec.dataCount();
            const MMRESULT started = waveInStart(s.h());
            server.Feed(Samples(11025, 3333));
            const bool again = s.rec.waitForData(atStop + 4);
            recycle = false;
            const MMRESULT reset = waveInReset(s.h());
            const MMRESULT closed = s.close();
            std::fprintf(stderr,
                         "before %d lost %d (%ld) quiet %d restarted %d back %d (%ld) fresh %d stop %u start %u "
                         "again %d reset %u close %u\n",
                         before, lost, count(WIM_DEVICELOST), quiet, restarted, back, count(WIM_DEVICEBACK), fresh,
                         stopped, started, again, reset, closed);
            std::fflush(stderr);
            server.ExitRemovingFolder(0);
        },
        ::testing::ExitedWithCode(0),
        "before 1 lost 1 \\(1\\) quiet 1 restarted 1 back 1 \\(1\\) fresh 1 stop 0 start 0 again 1 reset 0 "
        "close 0");
}

struct BadFormat {
    const char* what;
    void (*spoil)(WAVEFORMATEX&);
};
void PrintTo(const BadFormat& b, std::ostream* os) { *os << b.what; }

class WaveInBadFormat : public WaveIn, public ::testing::WithParamInterface<BadFormat> {};

TEST_P(WaveInBadFormat, IsRefusedAndLeavesNothingOpen)
{
    writeInput(4 * kSamples);
    WAVEFORMATEX f = receiverFormat();
    GetParam().spoil(f);
    HWAVEIN h = reinterpret_cast<HWAVEIN>(1);
    EXPECT_EQ(waveInOpen(&h, WAVE_MAPPER, &f, &Recorder::proc, 0), WAVERR_BADFORMAT);
    EXPECT_EQ(h, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WaveInBadFormat,
    ::testing::Values(
        BadFormat{"FloatTag", [](WAVEFORMATEX& f) { f.wFormatTag = 3; }},
        BadFormat{"NoChannels", [](WAVEFORMATEX& f) { f.nChannels = 0; }},
        BadFormat{"TwentyFourBits",
                  [](WAVEFORMATEX& f) {
                      f.wBitsPerSample = 24;
                      f.nBlockAlign = 3;
                      f.nAvgBytesPerSec = 33075;
                  }},
        BadFormat{"BlockAlignWrong", [](WAVEFORMATEX& f) { f.nBlockAlign = 4; }},
        BadFormat{"ByteRateWrong", [](WAVEFORMATEX& f) { f.nAvgBytesPerSec = 11025; }},
        BadFormat{"ZeroRate",
                  [](WAVEFORMATEX& f) {
                      f.nSamplesPerSec = 0;
                      f.nAvgBytesPerSec = 0;
                  }},
        // Well formed, but no device captures at one sample a second.
        BadFormat{"RateTheDeviceRefuses",
                  [](WAVEFORMATEX& f) {
                      f.nSamplesPerSec = 1;
                      f.nAvgBytesPerSec = 2;
                  }}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(WaveIn, BadArgumentsToOpenAreRefused)
{
    const WAVEFORMATEX f = receiverFormat();
    HWAVEIN h = reinterpret_cast<HWAVEIN>(1);
    EXPECT_EQ(waveInOpen(nullptr, WAVE_MAPPER, &f, &Recorder::proc, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInOpen(&h, WAVE_MAPPER, nullptr, &Recorder::proc, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(waveInOpen(&h, WAVE_MAPPER, &f, DWORD_PTR{0}, 0, CALLBACK_FUNCTION),
              MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInOpen(&h, WAVE_MAPPER, &f, DWORD_PTR{0}, 0, 0x00050000), MMSYSERR_INVALFLAG);
    EXPECT_EQ(h, nullptr);
}

TEST_F(WaveIn, ADeviceThatFailsToOpenGivesAnErrorAndLeavesTheOthersWorking)
{
    const Samples file = writeInput(8 * kSamples);
    // Holding one device open keeps the device list as it is now.
    Session s;
    ASSERT_EQ(open(s), MMSYSERR_NOERROR);
    setenv("MORVIK_TEST_INFILE", Path("missing.raw").c_str(), 1);
    {
        Session failing;
        EXPECT_NE(open(failing), MMSYSERR_NOERROR);
        EXPECT_EQ(failing.h(), nullptr);
        std::lock_guard lk(failing.rec.m);
        EXPECT_TRUE(failing.rec.events.empty());
    }
    s.ring(1).prepareAndAdd(s.h());
    ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
    ASSERT_TRUE(s.rec.waitForData(1));
    EXPECT_EQ(s.rec.joined(), head(file, kSamples));
}

// Buffers are handed straight back from the callback, on the device's thread, while the test's
// thread stops, starts and resets: nothing may hang, and every sample delivered is the next one.
TEST_F(WaveIn, ControlCallsDoNotHangWhileTheCallbackKeepsTheQueueFull)
{
    constexpr int kLimit = 400;
    const Samples file = writeInput((kLimit + 40) * kSamples);
    std::atomic<int> delivered{0};
    std::atomic<int> requeued{0};
    Session s;
    s.rec.onData = [&](WAVEHDR* w) {
        if (++delivered < kLimit) {
            std::this_thread::sleep_for(50us);
            EXPECT_EQ(waveInAddBuffer(s.h(), w, sizeof *w), MMSYSERR_NOERROR);
            ++requeued;
        }
    };
    ASSERT_EQ(open(s), MMSYSERR_NOERROR);
    Ring& ring = s.ring(8, kBytes / 4);
    ring.prepareAndAdd(s.h());
    ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
    for (int i = 0; i < 20 && delivered < kLimit; ++i) {
        std::this_thread::sleep_for(1ms);
        ASSERT_EQ(waveInStop(s.h()), MMSYSERR_NOERROR);
        ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(waveInReset(s.h()), MMSYSERR_NOERROR);
    // Buffers handed back during the reset's own deliveries stayed queued.
    while (waveInClose(s.h()) == WAVERR_STILLPLAYING)
        ASSERT_EQ(waveInReset(s.h()), MMSYSERR_NOERROR);
    s.rec.hwi = nullptr;

    for (const WAVEHDR& w : ring.hdr)
        EXPECT_EQ(w.dwFlags, WHDR_PREPARED | WHDR_DONE);
    // Every hand-over came back exactly once.
    EXPECT_EQ(static_cast<int>(s.rec.dataCount()), 8 + requeued.load());
    EXPECT_TRUE(isFilePrefix(s.rec.joined(), file));
}

TEST_F(WaveIn, ControlCallsFromInsideTheCallbackActAtOnce)
{
    const Samples file = writeInput(40 * kSamples);
    std::vector<MMRESULT> results;
    std::promise<void> finished;
    Session s;
    s.rec.onData = [&](WAVEHDR*) {
        if (results.empty()) {
            results.push_back(waveInClose(s.h()));
            results.push_back(waveInStop(s.h()));
            results.push_back(waveInReset(s.h()));  // gives back the rest from in here
            finished.set_value();
        }
    };
    ASSERT_EQ(open(s), MMSYSERR_NOERROR);
    Ring& ring = s.ring(6);
    ring.prepareAndAdd(s.h());
    ASSERT_EQ(waveInStart(s.h()), MMSYSERR_NOERROR);
    ASSERT_EQ(finished.get_future().wait_for(20s), std::future_status::ready);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0], MMSYSERR_HANDLEBUSY);
    EXPECT_EQ(results[1], MMSYSERR_NOERROR);
    EXPECT_EQ(results[2], MMSYSERR_NOERROR);
    const auto got = s.rec.data();
    ASSERT_EQ(got.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(got[i].hdr, &ring.hdr[i]);
    // The first came back full; the rest were given back empty before reading went on.
    EXPECT_EQ(s.rec.joined(), head(file, kSamples));
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(s.rec.dataCount(), 6u);
    EXPECT_EQ(s.close(), MMSYSERR_NOERROR);
}

}  // namespace
