// The main window and the about box settle: once their pending messages have been handled, further
// passes of the message loop paint nothing while nothing changes. For the main window that holds
// while silent sound keeps arriving and its timer keeps ticking, over an empty archive or a full
// one, in RTTY and in NAVTEX.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/FileUtils.h"
#include "platform/ExtCtrls.h"
#include "receiver/About.h"
#include "tests/receiver/RxWindowTest.h"
#include "tests/support/Settle.h"

namespace {

using namespace rxtest;

std::vector<TColor> Picture(TBitmap* Bitmap)
{
    std::vector<TColor> pixels;
    for (int y = 0; y < Bitmap->Height(); ++y)
        for (int x = 0; x < Bitmap->Width(); ++x)
            pixels.push_back(Bitmap->Canvas()->Pixels(x, y));
    return pixels;
}

// The window shows the bitmap in the box (all but its last row and column, which the copy leaves
// out).
bool OnScreen(TForm* Form, TControl* Box, TBitmap* Bitmap)
{
    HDC dc = GetDC(Form->Handle());
    bool same = true;
    for (int y = 0; y < Bitmap->Height() - 1 && same; ++y)
        for (int x = 0; x < Bitmap->Width() - 1 && same; ++x)
            same = GetPixel(dc, Box->Left() + x, Box->Top() + y) == ColorToRGB(Bitmap->Canvas()->Pixels(x, y));
    ReleaseDC(Form->Handle(), dc);
    return same;
}

// What the window shows in the box's last row and column, which the copy leaves alone.
std::vector<COLORREF> Edges(TForm* Form, TControl* Box)
{
    HDC dc = GetDC(Form->Handle());
    std::vector<COLORREF> pixels;
    for (int x = 0; x < Box->Width(); ++x)
        pixels.push_back(GetPixel(dc, Box->Left() + x, Box->Top() + Box->Height() - 1));
    for (int y = 0; y < Box->Height(); ++y)
        pixels.push_back(GetPixel(dc, Box->Left() + Box->Width() - 1, Box->Top() + y));
    ReleaseDC(Form->Handle(), dc);
    return pixels;
}

struct TMainWindowCase {
    const char* Name;
    int Mode;
    int Messages;  // files in "Messages" when the window starts
};
void PrintTo(const TMainWindowCase& Case, std::ostream* Os) { *Os << Case.Name; }

class MainWindowSettles : public RxWindow, public ::testing::WithParamInterface<TMainWindowCase> {};

TEST_P(MainWindowSettles, NoPaintWhileSilenceArrivesAndTheTimerTicks)
{
    const TMainWindowCase& c = GetParam();
    if (c.Messages > 0) {
        ASSERT_TRUE(ForceDirectories("Messages"));
        for (int i = 0; i < c.Messages; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "Messages/%02d%02d%02d-%02d%02d%02d.TXT", 20 + i / 300, 1 + i / 28 % 12,
                          1 + i % 28, i % 24, i % 60, 0);
            std::FILE* f = std::fopen(name, "wb");
            ASSERT_NE(f, nullptr);
            std::fputs("ZCZC AA01\r\nA SAVED MESSAGE\r\nNNNN\r\n", f);
            std::fclose(f);
        }
    }
    form->Show();
    form->FormActivate(form);
    form->SetMode(c.Mode);
    // A silent buffer comes after each tick and is taken at once, so every tick finds all buffers
    // queued again and the free-buffer panel has nothing new to show.
    int delivered = 0;
    const auto tick = form->Timer1->OnTimer;
    form->Timer1->OnTimer = [&, tick](TObject* Sender) {
        tick(Sender);
        delivered += fakewave::Deliver(1);
        form->ProcessSoundQueue();
    };
    // Silence until the displays show it.
    ASSERT_GE(settle::PaintsUntil([&](const PaintCount::TCounts&) { return delivered >= 10; }).TimerTicks, 10u);
    EXPECT_EQ(settle::Painted(settle::PaintsAfterSettling()), PaintCount::TCounts{});

    // More silence and more ticks.
    delivered = 0;
    const PaintCount::TCounts counts = settle::PaintsUntil([&](const PaintCount::TCounts&) { return delivered >= 10; });
    EXPECT_GE(counts.TimerTicks, 10u);
    EXPECT_EQ(settle::Painted(counts), PaintCount::TCounts{});
    EXPECT_EQ(PaintCount::RunningTimers(), 1) << "only the window's own timer runs";

    // A tone between the markers, and new backgrounds, change both pictures, and they reach the
    // screen whole.
    form->Timer1->OnTimer = tick;
    Tty_Params.FFTBackground = clYellow;
    Tty_Params.OscBackground = clAqua;
    const std::vector<TColor> spectrum = Picture(form->SpectrumBitmap), osc = Picture(form->OscBitmap);
    const std::vector<COLORREF> spectrumEdges = Edges(form, form->FFTBox), oscEdges = Edges(form, form->PaintBox1);
    PaintCount::Reset();
    fakewave::Deliver(1, [](std::int16_t* Samples, int Count) {
        for (int i = 0; i < Count; ++i)
            Samples[i] = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 1700.0 * i / 11025));
    });
    form->ProcessSoundQueue();
    uitest::Pump();
    EXPECT_NE(Picture(form->SpectrumBitmap), spectrum);
    EXPECT_NE(Picture(form->OscBitmap), osc);
    EXPECT_GE(PaintCount::Counts().ScreenUpdates, 1u);
    EXPECT_TRUE(OnScreen(form, form->FFTBox, form->SpectrumBitmap));
    EXPECT_TRUE(OnScreen(form, form->PaintBox1, form->OscBitmap));
    EXPECT_EQ(Edges(form, form->FFTBox), spectrumEdges);
    EXPECT_EQ(Edges(form, form->PaintBox1), oscEdges);

    // A narrower window: the bitmaps follow their boxes.
    form->SetWidth(form->Width() - 40);
    fakewave::Deliver(1);
    form->ProcessSoundQueue();
    uitest::Pump();
    EXPECT_EQ(form->SpectrumBitmap->Width(), form->FFTBox->Width());
    EXPECT_EQ(form->OscBitmap->Width(), form->PaintBox1->Width());
    EXPECT_TRUE(OnScreen(form, form->FFTBox, form->SpectrumBitmap));
    EXPECT_TRUE(OnScreen(form, form->PaintBox1, form->OscBitmap));
    EXPECT_TRUE(Boxes.empty());
}

const TMainWindowCase kMainWindowCases[] = {
    {"RttyOverAnEmptyArchive", rx::kModeRtty, 0},
    {"NavtexOverAnEmptyArchive", rx::kModeNavtex, 0},
    {"RttyOverAnArchive", rx::kModeRtty, 600},
};

INSTANTIATE_TEST_SUITE_P(TRxForm, MainWindowSettles, ::testing::ValuesIn(kMainWindowCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(SettleTable, HasARowForEveryControlClassOfTheLayer)
{
    // The main window's rows are the cases above.
    settle::ExpectARowForEveryControlClass(MORVIK_SOURCE_DIR, "receiver", {"TRxForm", "TAbout"});
}

TEST(AboutBoxSettles, NoPaintAndNoTimerOnceThePendingMessagesAreHandled)
{
    settle::ExpectSettles({"TAbout", [](TForm* Form) { (new TAbout(Form))->Show(); }});
}

}  // namespace
