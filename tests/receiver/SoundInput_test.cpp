// Decode From File without a window: the blocks are paced by the host's clock with the window's
// messages running between them, and the decode refuses to start inside itself or at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "receiver/SoundInput.h"
#include "tests/receiver/FakeWaveIn.h"
#include "tests/receiver/TestSignal.h"

namespace {

struct THost : rx::TSoundHost {
    DWORD Clock = 1000;
    DWORD Tick = 0;  // how far the clock moves at each look at it
    std::vector<std::int16_t> Last;  // the last block processed
    std::string Log;  // "p" a message pump (each advances the clock by 1 ms), "F" a file block, "|" an edge
    std::function<void()> OnPump;
    std::function<void()> OnBlock;
    void ProcessSoundBuffer(const std::int16_t* samples, bool fromFile) override
    {
        Last.assign(samples, samples + rx::kBlockSize);
        Log += fromFile ? "F" : "L";
        if (OnBlock)
            OnBlock();
    }
    void SoundFailure(const std::string&, const std::string&) override { Log += "!"; }
    void InputEdge() override { Log += "|"; }
    void ProcessMessages() override
    {
        Log += "p";
        ++Clock;
        if (OnPump)
            OnPump();
    }
    DWORD Milliseconds() override { return Clock += Tick; }
};

class FileDecode : public ::testing::TestWithParam<DWORD> {
protected:
    void SetUp() override
    {
        fakewave::Reset();
        Host.Clock = GetParam();
        File = Dir.Path("samples.txt");
        // 5000 samples: blocks of 2048, 2048 and 904.
        testsig::WriteSampleFile(File, std::vector<std::int16_t>(5000, 100));
    }
    testsig::TTempDir Dir;
    std::string File;
    THost Host;
    rx::TSoundInput Sound{Host, fakewave::Api};
};

TEST_P(FileDecode, BlocksFollowAtLeastThreeMillisecondsApartWithMessagesBetween)
{
    EXPECT_EQ(Sound.DecodeFromFile(File), rx::TFileDecode::Done);
    // An edge before the first block and after the last: the file is a broadcast of its own.
    EXPECT_EQ(Host.Log, "pppp" "|Fppp" "Fppp" "F|ppp");
    EXPECT_FALSE(Sound.DecodingFile());
}

TEST_P(FileDecode, RefusesToRunInsideItselfAndStopsWhenTheProgramEnds)
{
    std::vector<rx::TFileDecode> nested;
    Host.OnPump = [&] { nested.push_back(Sound.DecodeFromFile(File)); };
    Host.OnBlock = [&] {
        if (Host.Log == "pppp|F")
            Sound.SetClosingDown();
    };
    EXPECT_EQ(Sound.DecodeFromFile(File), rx::TFileDecode::Stopped);
    EXPECT_EQ(Host.Log, "pppp|Fp");
    ASSERT_EQ(nested.size(), 5u);
    for (rx::TFileDecode r : nested)
        EXPECT_EQ(r, rx::TFileDecode::Refused);
    EXPECT_EQ(Sound.DecodeFromFile(File), rx::TFileDecode::Refused);
    EXPECT_EQ(Host.Log.size(), 7u);
}

// A long file that is not samples is read through with the window's messages running now and then,
// and none of it goes through; the program beginning to end meanwhile stops the reading.
TEST_P(FileDecode, AFileThatIsNotSamplesIsReadWithMessagesRunningAndNotDecoded)
{
    std::string lines;
    for (int i = 0; i < 40 * rx::kBlockSize; ++i)
        lines += "x\n";
    std::FILE* f = std::fopen(File.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(lines.data(), 1, lines.size(), f);
    std::fclose(f);
    Host.Tick = 5;
    EXPECT_EQ(Sound.DecodeFromFile(File), rx::TFileDecode::NotSamples);
    EXPECT_EQ(Host.Log.find('F'), std::string::npos);
    const std::size_t pumps = Host.Log.size();
    EXPECT_GE(pumps, 5u);
    Host.Log.clear();
    Host.OnPump = [&] {
        if (Host.Log.size() == 3)
            Sound.SetClosingDown();
    };
    EXPECT_EQ(Sound.DecodeFromFile(File), rx::TFileDecode::Stopped);
    EXPECT_EQ(Host.Log, "ppp");
}

// The file is opened once: removed (or replaced) by its name while it is read, it is decoded
// whole from what was opened.
TEST_P(FileDecode, AFileRemovedAfterItWasOpenedIsDecodedWhole)
{
    Host.OnPump = [&] { std::remove(File.c_str()); };
    EXPECT_EQ(Sound.DecodeFromFile(File), rx::TFileDecode::Done);
    EXPECT_EQ(std::count(Host.Log.begin(), Host.Log.end(), 'F'), 3);
    EXPECT_EQ(std::count(Host.Last.begin(), Host.Last.end(), 100), 5000 - 2 * rx::kBlockSize);
}

TEST_P(FileDecode, AFileThatCannotBeOpenedChangesNothing)
{
    EXPECT_EQ(Sound.DecodeFromFile(Dir.Path("missing.txt")), rx::TFileDecode::OpenFailed);
    EXPECT_EQ(Sound.DecodeFromFile(Dir.Dir), rx::TFileDecode::OpenFailed);
    EXPECT_EQ(Host.Log, "");
}

TEST_P(FileDecode, OpeningTwiceOpensOnceAndAStopWithNothingQueuedDoesNotWait)
{
    EXPECT_TRUE(Sound.Open(-1, nullptr));
    EXPECT_TRUE(Sound.Open(-1, nullptr));
    EXPECT_EQ(fakewave::State.Count("open"), 1);
    Sound.Stop(5000);
    // Ended by the device, not by giving up on it after the wait.
    EXPECT_FALSE(Sound.BuffersAbandoned());
    EXPECT_FALSE(fakewave::State.IsOpen);
    fakewave::State.Devices = 0;
    EXPECT_FALSE(Sound.Open(-1, nullptr));
    EXPECT_EQ(Host.Log, "!");
}

// A device that went away while filling a buffer gives it back with what it captured; the rest of
// the block is silence, not the sound the buffer held a round of the ring before.
TEST_P(FileDecode, APartFilledBufferIsCompletedWithSilence)
{
    ASSERT_TRUE(Sound.Open(-1, nullptr));
    for (int i = 0; i < rx::kSoundBufferCount; ++i) {
        fakewave::Deliver(1, [](std::int16_t* s, int n) { std::fill(s, s + n, std::int16_t{9}); });
        Sound.ProcessSoundQueue();
    }
    ASSERT_TRUE(fakewave::DeliverPart(100, 5));
    Sound.ProcessSoundQueue();
    ASSERT_EQ(Host.Last.size(), static_cast<std::size_t>(rx::kBlockSize));
    EXPECT_EQ(std::count(Host.Last.begin(), Host.Last.begin() + 100, 5), 100);
    EXPECT_EQ(std::count(Host.Last.begin() + 100, Host.Last.end(), 0), rx::kBlockSize - 100);
    EXPECT_EQ(Host.Log, std::string(rx::kSoundBufferCount + 1, 'L'));
}

// A device that went away says so until it is back, or until it is stopped: opened anew, it starts
// out present.
TEST(SoundDevice, LostUntilBackOrStopped)
{
    fakewave::Reset();
    THost host;
    rx::TSoundInput sound(host, fakewave::Api);
    ASSERT_TRUE(sound.Open(-1, nullptr));
    EXPECT_FALSE(sound.DeviceLost());
    fakewave::Lose();
    EXPECT_TRUE(sound.DeviceLost());
    fakewave::ComeBack();
    EXPECT_FALSE(sound.DeviceLost());
    fakewave::Lose();
    sound.Stop();
    EXPECT_FALSE(sound.DeviceLost());
    ASSERT_TRUE(sound.Open(-1, nullptr));
    EXPECT_FALSE(sound.DeviceLost());
    EXPECT_EQ(host.Log, "");
}

// A device that goes away (and comes back) breaks the stream between the buffers it gave back
// before and after: going and coming back with no buffer between is one break, and a break after
// the last buffer is met at once. Over a long run each break comes once, in its place.
TEST(SoundDevice, BreaksFallBetweenTheBuffersTheyCameBetween)
{
    fakewave::Reset();
    THost host;
    rx::TSoundInput sound(host, fakewave::Api);
    ASSERT_TRUE(sound.Open(-1, nullptr));
    fakewave::Deliver(2);
    fakewave::Lose();
    fakewave::ComeBack();
    fakewave::Lose();
    fakewave::ComeBack();
    fakewave::Deliver(1);
    fakewave::Lose();
    for (int i = 0; i < 4; ++i)
        sound.ProcessSoundQueue();
    EXPECT_EQ(host.Log, "LL|L|");
    host.Log.clear();
    std::string expected;
    for (int round = 0; round < 3 * rx::kSoundBufferCount; ++round) {
        fakewave::ComeBack();
        fakewave::Deliver(1 + round % 2);
        fakewave::Lose();
        sound.ProcessSoundQueue();
        sound.ProcessSoundQueue();
        expected += round % 2 ? "LL|" : "L|";
    }
    EXPECT_EQ(host.Log, expected);
}

// The millisecond clock wraps after 49 days; a decode then must not stall or rush.
INSTANTIATE_TEST_SUITE_P(Clock, FileDecode, ::testing::Values(DWORD{1000}, DWORD{0xFFFFFFFEu}),
                         [](const ::testing::TestParamInfo<DWORD>& info) {
                             return info.param == 1000 ? std::string("Plain") : std::string("AtTheWrap");
                         });

}  // namespace
