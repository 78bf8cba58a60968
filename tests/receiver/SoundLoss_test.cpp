// A sound device that goes away while the receiver runs (its sound server stopped, its card
// unplugged) and comes back: the user is told once, reception goes on when it is back, and nothing
// already received is lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ExtCtrls.h"
#include "receiver/SoundInput.h"
#include "tests/receiver/RxWindowTest.h"
#include "tests/support/PulseServer.h"

namespace {

using namespace rxtest;

class LostDevice : public RxWindow {
protected:
    // Live sound through the device, a buffer at a time, each processed as it comes.
    void Feed(const std::vector<std::int16_t>& samples)
    {
        for (std::size_t at = 0; at < samples.size(); at += rx::kBlockSize) {
            fakewave::Deliver(1, [&](std::int16_t* out, int count) {
                for (int i = 0; i < count; ++i)
                    out[i] = at + i < samples.size() ? samples[at + i] : 0;
            });
            form->Perform(rx::kSoundBufferMessage, 0, 0);
        }
    }
    // Ticks of the timer, each followed by what it posted.
    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            form->Timer1Timer(form);
            uitest::Pump();
        }
    }
    const std::string LostBox = std::string(rx::kSoundLostCaption) + "|" + rx::kSoundLostText;
};

TEST_F(LostDevice, IsToldOnceAndReceptionGoesOnWhenItIsBack)
{
    form->FormActivate(form);
    Ticks(1);
    Feed(StartupRtty("RYRY FIRST PART OF THE NIGHT"));
    EXPECT_NE(Received().find("FIRST PART OF THE NIGHT"), std::string::npos) << Received();

    fakewave::DeliverPart(500, 0);  // what was captured before it went comes back first
    fakewave::Lose();
    form->Perform(rx::kSoundBufferMessage, 0, 0);
    Ticks(30);
    EXPECT_EQ(Panel(kPanelFreeBuffers), kPanelNoSound);
    EXPECT_EQ(Boxes, std::vector<std::string>{LostBox});
    EXPECT_TRUE(form->Sound->DeviceLost());
    EXPECT_TRUE(form->Sound->IsOpen());  // the device reopens itself; the window keeps it

    fakewave::ComeBack();
    Ticks(1);
    EXPECT_EQ(Panel(kPanelFreeBuffers), "FrB: " + std::to_string(form->Sound->BuffersQueued()));
    EXPECT_FALSE(form->Sound->DeviceLost());
    Feed(StartupRtty("RYRY SECOND PART AFTER DAWN"));
    const std::string text = Received();
    EXPECT_NE(text.find("FIRST PART OF THE NIGHT"), std::string::npos) << text;
    EXPECT_NE(text.find("SECOND PART AFTER DAWN"), std::string::npos) << text;
    EXPECT_EQ(Boxes.size(), 1u);

    // Gone a second time, later: that is told again.
    fakewave::Lose();
    Ticks(3);
    EXPECT_EQ(Boxes, (std::vector<std::string>{LostBox, LostBox}));
    form->ExitClick(form);
    EXPECT_FALSE(form->Sound->IsOpen());
    EXPECT_FALSE(form->Sound->DeviceLost());
}

// A device that comes and goes faster than the timer looks shows what it is at the tick.
TEST_F(LostDevice, GoneAndBackBetweenTwoTicksIsNotTold)
{
    form->FormActivate(form);
    Ticks(1);
    fakewave::Lose();
    fakewave::ComeBack();
    Ticks(5);
    EXPECT_TRUE(Boxes.empty());
    EXPECT_EQ(Panel(kPanelFreeBuffers), "FrB: 16");
}

// The box is open while the device comes back and goes again: the panel follows it all along,
// by the window's own timer.
TEST_F(LostDevice, ThePanelFollowsTheDeviceWhileTheBoxIsOpen)
{
    form->FormActivate(form);
    ASSERT_TRUE(form->Timer1->Enabled());
    std::vector<std::string> panels;
    OnBox = [&] {
        if (Boxes.size() > 1)
            return;
        panels.push_back(Panel(kPanelFreeBuffers));
        fakewave::ComeBack();
        uitest::PumpUntil([&] { return Panel(kPanelFreeBuffers) != kPanelNoSound; }, 60000);
        panels.push_back(Panel(kPanelFreeBuffers));
        fakewave::Lose();
        uitest::PumpUntil([&] { return Panel(kPanelFreeBuffers) == kPanelNoSound; }, 60000);
        panels.push_back(Panel(kPanelFreeBuffers));
    };
    fakewave::Lose();
    EXPECT_TRUE(uitest::PumpUntil([&] { return Boxes.size() == 2; }, 60000));
    EXPECT_EQ(panels, (std::vector<std::string>{kPanelNoSound, "FrB: 16", kPanelNoSound}));
    // Gone a second time while the first box was open: told again once that box is closed.
    EXPECT_EQ(Boxes, (std::vector<std::string>{LostBox, LostBox}));
    form->ExitClick(form);
}

// Runs in a process of its own, so that the sound libraries see the server's configuration from
// the start; says on stderr what it saw and ends that process.
[[noreturn]] void RunWithAServerThatGoesAway()
{
    TTempDir dir;
    pulsetest::TPulseServer server(dir.Dir);
    setenv("ALSA_CONFIG_PATH", server.AlsaConfig().c_str(), 1);
    if (!server.Start() || chdir(dir.Dir.c_str()) != 0)
        server.ExitRemovingFolder(2);
    const char* args[] = {"morvik"};
    SetCommandLine(1, args);
    Application->Initialize();
    std::vector<std::string> boxes;
    uitest::AnswerAllDialogs([&](TObject* d) {
        if (auto* box = dynamic_cast<TMessageBoxRequest*>(d))
            boxes.push_back(box->Caption + "|" + box->Text);
        return IDOK;
    });
    auto* form = new TRxForm(nullptr);
    form->AfterConstruction();
    form->FormActivate(form);
    auto received = [&] { return form->RxMemo->GetTextPart(0, form->RxMemo->TextLen()); };
    auto panel = [&] { return form->StatusBar1->Panels()->Items(kPanelFreeBuffers)->Text(); };
    const std::string first = "RYRY NIGHT 1234", second = "RYRY DAWN 5678";
    server.Feed(StartupRtty(first));
    const bool heardFirst = uitest::PumpUntil([&] { return received().find(first) != std::string::npos; }, 60000);
    server.Stop();
    const bool told = uitest::PumpUntil([&] { return !boxes.empty() && panel() == kPanelNoSound; }, 60000);
    uitest::Pump(1500);  // the device tries to come back and fails meanwhile
    const std::size_t boxesWhileGone = boxes.size();
    const bool restarted = server.Start();
    const bool backShown = uitest::PumpUntil([&] { return panel().rfind("FrB: ", 0) == 0; }, 60000);
    server.Feed(StartupRtty(second));
    const bool heardSecond = uitest::PumpUntil([&] { return received().find(second) != std::string::npos; }, 60000);
    const std::string text = received();
    form->ExitClick(form);
    const bool kept = text.find(first) != std::string::npos && text.find(second) > text.find(first);
    const bool oneBox = boxes == std::vector<std::string>{std::string(rx::kSoundLostCaption) + "|" + rx::kSoundLostText};
    std::fprintf(stderr, "first %d told %d boxes %zu restarted %d back %d second %d kept %d one %d closed %d\n",
                 heardFirst, told, boxesWhileGone, restarted, backShown, heardSecond, kept, oneBox,
                 !form->Sound->IsOpen());
    std::fflush(stderr);
    server.ExitRemovingFolder(0);
}

// The whole window on the real capture path, its sound server stopped in the middle of a
// broadcast and started again.
TEST(LostSoundServer, IsToldOnceAndReceptionGoesOnWhenItIsBack)
{
    if (!pulsetest::TPulseServer::Available())
        GTEST_SKIP() << "needs pulseaudio and the ALSA pulse plugin (libasound2-plugins)";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunWithAServerThatGoesAway(), ::testing::ExitedWithCode(0),
                "first 1 told 1 boxes 1 restarted 1 back 1 second 1 kept 1 one 1 closed 1");
}

}  // namespace
