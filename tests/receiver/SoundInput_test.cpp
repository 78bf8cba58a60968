// Decode From File without a window: the blocks are paced by the host's clock with the window's
// messages running between them, and the decode refuses to start inside itself or at the end.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "receiver/SoundInput.h"
#include "tests/receiver/FakeWaveIn.h"
#include "tests/receiver/TestSignal.h"

namespace {

struct THost : rx::TSoundHost {
    DWORD Clock = 1000;
    std::string Log;  // "p" a message pump (each advances the clock by 1 ms), "F" a file block
    std::function<void()> OnPump;
    std::function<void()> OnBlock;
    void ProcessSoundBuffer(const std::int16_t*, bool fromFile) override
    {
        Log += fromFile ? "F" : "L";
        if (OnBlock)
            OnBlock();
    }
    void SoundFailure(const std::string&, const std::string&) override { Log += "!"; }
    void ProcessMessages() override
    {
        Log += "p";
        ++Clock;
        if (OnPump)
            OnPump();
    }
    DWORD Milliseconds() override { return Clock; }
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
    EXPECT_EQ(Host.Log, "pppp" "Fppp" "Fppp" "Fppp");
    EXPECT_FALSE(Sound.DecodingFile());
}

TEST_P(FileDecode, RefusesToRunInsideItselfAndStopsWhenTheProgramEnds)
{
    std::vector<rx::TFileDecode> nested;
    Host.OnPump = [&] { nested.push_back(Sound.DecodeFromFile(File)); };
    Host.OnBlock = [&] {
        if (Host.Log == "ppppF")
            Sound.SetClosingDown();
    };
    EXPECT_EQ(Sound.DecodeFromFile(File), rx::TFileDecode::Stopped);
    EXPECT_EQ(Host.Log, "ppppFp");
    ASSERT_EQ(nested.size(), 5u);
    for (rx::TFileDecode r : nested)
        EXPECT_EQ(r, rx::TFileDecode::Refused);
    EXPECT_EQ(Sound.DecodeFromFile(File), rx::TFileDecode::Refused);
    EXPECT_EQ(Host.Log.size(), 6u);
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
    const DWORD start = GetTickCount();
    Sound.Stop(5000);
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_FALSE(fakewave::State.IsOpen);
    fakewave::State.Devices = 0;
    EXPECT_FALSE(Sound.Open(-1, nullptr));
    EXPECT_EQ(Host.Log, "!");
}

// The millisecond clock wraps after 49 days; a decode then must not stall or rush.
INSTANTIATE_TEST_SUITE_P(Clock, FileDecode, ::testing::Values(DWORD{1000}, DWORD{0xFFFFFFFEu}),
                         [](const ::testing::TestParamInfo<DWORD>& info) {
                             return info.param == 1000 ? std::string("Plain") : std::string("AtTheWrap");
                         });

}  // namespace
