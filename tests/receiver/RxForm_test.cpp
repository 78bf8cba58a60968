// The main window over a stand-in sound device: start-up and stop, the timer's hold-off and
// panel, the buffer queue, device failures, Decode From File, the displays and the hot keys.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>

#include "memo/Stylememo.h"
#include "platform/Buttons.h"
#include "platform/CmdLine.h"
#include "platform/Dialogs.h"
#include "platform/ExtCtrls.h"
#include "platform/FileUtils.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "receiver/RxForm.h"
#include "receiver/RxText.h"
#include "receiver/SampleFile.h"
#include "tests/receiver/FakeWaveIn.h"
#include "tests/receiver/TestSignal.h"
#include "tests/receiver/RxWindowTest.h"
#include "tree/Extree.h"
#include "tests/support/UiTest.h"

namespace {

using namespace rxtest;

TEST_F(RxWindow, CreationDefaultsTheRecordAndActivationTunesThenOpensThenReadsTheCommandLine)
{
    Tty_Params.Mode = 6;
    Tty_Params.SamplingFreq = 8000;
    TRxForm second(nullptr, &fakewave::Api);
    second.AfterConstruction();
    EXPECT_EQ(Tty_Params.Mode, 0);
    EXPECT_EQ(Tty_Params.SamplingFreq, 11025.0);
    EXPECT_EQ(second.Path.Demod.FinalTable, &BaudFirTableStart);
    EXPECT_EQ(second.SpectrumBitmap->Width(), second.FFTBox->Width());
    EXPECT_EQ(second.OscBitmap->Height(), second.PaintBox1->Height());

    SetArgs({"/S22050", "/x"});
    int perBitAtOpen = 0, lowerBinAtOpen = 0;
    double rateAtOpen = 0;
    fakewave::State.OnOpen = [&] {
        perBitAtOpen = Tty_Params.SamplesPerBit;
        lowerBinAtOpen = Tty_Params.LowerBin;
        rateAtOpen = Tty_Params.SamplingFreq;
    };
    form->FormActivate(form);
    EXPECT_EQ(perBitAtOpen, 221);   // the speed was set before the device opened,
    EXPECT_EQ(lowerBinAtOpen, 274); // the mode re-centred the tones,
    EXPECT_EQ(rateAtOpen, 11025.0); // and the command line is read after it
    EXPECT_EQ(Tty_Params.SamplingFreq, 22050.0);
    EXPECT_EQ(Tty_Params.SamplesPerBit, 441);
    std::vector<std::string> expected{"open"};
    for (int i = 0; i < 16; ++i) {
        expected.push_back("prepare");
        expected.push_back("add");
    }
    expected.push_back("start");
    EXPECT_EQ(fakewave::State.Calls, expected);
    EXPECT_TRUE(DirectoryExists("Raw_Logs"));
    EXPECT_TRUE(form->Timer1->Enabled());
    EXPECT_EQ(Panel(kPanelMode), "RTTY");
    EXPECT_EQ(Panel(kPanelSpeed), "50 Baud");
    EXPECT_TRUE(form->N425HzShift1->Checked());

    // Switching away and back changes nothing.
    Tty_Params.SamplingFreq = 11025;
    form->FormActivate(form);
    EXPECT_EQ(fakewave::State.Count("open"), 1);
    EXPECT_EQ(Tty_Params.SamplingFreq, 11025.0);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(RxWindow, TheDesignsPlacesAndStartValues)
{
    EXPECT_TRUE(form->N50Baud1->Checked() && form->N425HzShift1->Checked() && form->RTTY1->Checked() &&
                form->EnglishCharset1->Checked() && form->ViewOscWindowMenu->Checked());
    EXPECT_FALSE(form->DecodeFromFile1->Visible());
    const struct {
        TControl* Control;
        TRect Place;
    } places[] = {
        {form->Panel1, Bounds(0, 0, 524, 25)},        {form->OnTopButton, Bounds(0, 1, 45, 23)},
        {form->ReverseButton, Bounds(45, 1, 45, 23)}, {form->AfcEdit, Bounds(100, 2, 25, 21)},
        {form->AfcUpDown, Bounds(125, 2, 15, 21)},    {form->AfcButton, Bounds(140, 1, 45, 23)},
        {form->SquelchEdit, Bounds(240, 2, 25, 21)},  {form->SquelchUpDown, Bounds(265, 2, 15, 21)},
        {form->SquelchButton, Bounds(280, 1, 45, 23)}, {form->Bevel1, Bounds(0, 25, 524, 2)},
        {form->FFTBox, Bounds(0, 27, 524, 50)},       {form->Splitter1, Bounds(0, 77, 524, 4)},
        {form->RxMemo, Bounds(0, 81, 524, 80)},       {form->Splitter2, Bounds(0, 161, 524, 2)},
        {form->Panel2, Bounds(0, 163, 524, 143)},     {form->TreeView1, Bounds(0, 0, 125, 143)},
        {form->Splitter4, Bounds(125, 0, 3, 143)},    {form->MessageMemo, Bounds(128, 0, 396, 143)},
        {form->Splitter3, Bounds(0, 306, 524, 4)},    {form->PaintBox1, Bounds(0, 310, 524, 50)},
        {form->StatusBar1, Bounds(0, 360, 524, 20)},
    };
    for (const auto& p : places)
        EXPECT_EQ(p.Control->BoundsRect(), p.Place) << p.Control->Name();
    EXPECT_EQ(form->Splitter1->MinSize(), 20);
    EXPECT_EQ(form->Splitter2->MinSize(), 5);
    EXPECT_EQ(form->Splitter3->MinSize(), 5);
    EXPECT_EQ(form->AfcEdit->Text(), "10");
    EXPECT_EQ(form->AfcUpDown->Max(), 99);
    EXPECT_EQ(form->SquelchEdit->Text(), "50");
    EXPECT_EQ(form->SquelchUpDown->Min(), 1);
    EXPECT_EQ(form->FileOpenDialog->Title, "Select File");
    EXPECT_EQ(form->FileOpenDialog->Filter, "Text Files|*.txt|All Files|*.*");
    EXPECT_EQ(form->FileOpenDialog->InitialDir, ".");
    EXPECT_EQ(form->SaveBufferDialog->Filter, "Text files|*.txt|All files|*.*");
    EXPECT_EQ(form->SaveBufferDialog->InitialDir, ".");
    EXPECT_EQ(form->Font()->Height(), -11);
    EXPECT_FALSE(form->AfcUpDown->Wrap || form->SquelchUpDown->Wrap || form->AfcUpDown->ArrowKeys);
    EXPECT_EQ(form->Caption(), "Morvik");
    EXPECT_TRUE(form->RxMemo->ReadOnly() && form->MessageMemo->ReadOnly());
    EXPECT_FALSE(form->RxMemo->ApplyKeyWords() || form->RxMemo->EnableHotKeys());
    EXPECT_EQ(form->RxMemo->Font()->Charset(), RUSSIAN_CHARSET);
    for (TSpeedButton* lamp : {form->AfcButton, form->SquelchButton}) {
        EXPECT_EQ(lamp->NumGlyphs(), 4);
        EXPECT_EQ(lamp->Glyph()->Width(), 48);
    }
    EXPECT_FALSE(form->Timer1->Enabled());
    EXPECT_EQ(form->Timer1->Interval(), 100u);
    std::string panels;
    for (int i = 0; i < kStatusPanels; ++i) {
        const TStatusPanel* p = form->StatusBar1->Panels()->Items(i);
        panels += std::to_string(p->Width()) + ":" + p->Text() + (p->Alignment() == taCenter ? "|" : "<|");
    }
    EXPECT_EQ(panels, "50:RTTY|50:45 Baud|50:1700 Hz|50:170 Hz|30:|30:|50:FrB: 15|100:|50:<|");
}

TEST_F(RxWindow, CharacterSetItemsAreOneGroupAndSteerExtendedBaudot)
{
    form->Show();
    uitest::Pump();
    auto choose = [](TMenuItem* item) {
        Tty_Params.HoldOffTicks = 40;
        TriggerMenuItem(item);
        EXPECT_EQ(Tty_Params.HoldOffTicks, 0) << item->Caption();
    };
    choose(form->SwedishCharset1);
    EXPECT_EQ(Tty_Params.CharsetIndex, 2);
    EXPECT_FALSE(form->EnglishCharset1->Checked());
    choose(form->ExtendedBaudot1);
    choose(form->EnglishRussianCharset1);
    EXPECT_EQ(Tty_Params.CharsetIndex, 3);
    EXPECT_FALSE(form->SwedishCharset1->Checked());
    EXPECT_TRUE(form->ExtendedBaudot1->Checked());
    EXPECT_FALSE(form->ExtendedBaudot1->Enabled());
    choose(form->RussianCharset1);
    EXPECT_FALSE(form->EnglishRussianCharset1->Checked());
    EXPECT_TRUE(form->ExtendedBaudot1->Enabled());
    choose(form->ExtendedBaudot1);
    EXPECT_EQ(Tty_Params.ExtendedBaudot, 0);
    choose(form->EnglishCharset1);
    EXPECT_FALSE(form->ExtendedBaudot1->Checked());
    EXPECT_FALSE(form->RussianCharset1->Checked());
    choose(form->UnshiftOnSpace1);
    EXPECT_EQ(Panel(5), "UoS");
    EXPECT_TRUE(form->EnglishCharset1->Checked());  // a check item, not one of the radio group
    choose(form->UnshiftOnSpace1);
    EXPECT_EQ(Panel(5), " ");
}

TEST_F(RxWindow, BothDisplaysComeBackWhenTheFormIsRepainted)
{
    form->Show();
    uitest::Pump();
    Tty_Params.FFTBackground = clYellow;
    form->DrawSpectrum();
    HDC shown = GetDC(form->Handle());
    EXPECT_EQ(GetPixel(shown, 100, 27), ColorToRGB(clYellow));  // the whole strip reached the screen
    EXPECT_EQ(GetPixel(shown, 100, 27 + 48), ColorToRGB(clYellow));
    ReleaseDC(form->Handle(), shown);
    Tty_Params.OscBackground = clYellow;
    form->DrawOscillogram();
    EXPECT_EQ(form->OscBitmap->Canvas()->Pixels(5, 5), clYellow);
    form->Repaint();
    uitest::Pump();
    HDC dc = GetDC(form->Handle());
    EXPECT_EQ(GetPixel(dc, 274 + 10 - 55, 27 + 20), ColorToRGB(clRed));   // a tone marker
    EXPECT_EQ(GetPixel(dc, 100, 310 + 25), ColorToRGB(clRed));            // the zero line
    EXPECT_EQ(GetPixel(dc, 100, 310 + 5), ColorToRGB(clYellow));
    ReleaseDC(form->Handle(), dc);
    // Hidden, the oscillogram is not drawn.
    form->ShowOscillogram(false);
    Tty_Params.OscBackground = clAqua;
    form->DrawOscillogram();
    EXPECT_EQ(form->OscBitmap->Canvas()->Pixels(5, 5), clYellow);
}

TEST_F(RxWindow, ExitWhileAFileIsDecodedStopsTheDecodeAtTheNextBlock)
{
    form->FormActivate(form);
    const std::string text = "RYRY CQ DE MORVIK 73";
    DialogFile = Dir.Path("rtty.txt");
    WriteSampleFile(DialogFile, StartupRtty(text));
    // The user closes the window while the file runs: the decode's message pumps deliver it.
    OnFileDialog = [this] { PostMessage(form->Handle(), WM_CLOSE, 0, 0); };
    form->DecodeFromFile1Click(form);
    EXPECT_TRUE(form->Sound->ClosingDown());
    EXPECT_FALSE(fakewave::State.IsOpen);
    EXPECT_EQ(Received().find(text), std::string::npos) << Received();
}

TEST_F(RxWindow, ARefusedSamplingRateIsSaidAndTheDeviceRateStays)
{
    for (const char* bad : {"/S", "/s abc", "/S-11025", "/S0"}) {
        SCOPED_TRACE(bad);
        Boxes.clear();
        form->ApplyCommandOption(std::string(bad + 1));
        EXPECT_EQ(Tty_Params.SamplingFreq, 11025.0);
        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_NE(Boxes[0].find(std::string("option ") + bad), std::string::npos) << Boxes[0];
    }
}

TEST_F(RxWindow, ExitThenCloseRunsTheStopSequenceOnce)
{
    form->FormActivate(form);
    fakewave::Deliver(3);
    const std::string log = Dir.Path("log.txt");
    Tty_Params.RawLogFile = std::fopen(log.c_str(), "ab");
    Tty_Params.RawLogOpen = 1;
    form->ExitClick(form);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(form->Timer1->Enabled());
    EXPECT_FALSE(fakewave::State.IsOpen);
    EXPECT_EQ(fakewave::State.Count("unprepare"), 16);
    EXPECT_EQ(Tty_Params.RawLogFile, nullptr);
    EXPECT_EQ(Tty_Params.RawLogOpen, 0);
    EXPECT_FALSE(form->Sound->BuffersAbandoned());
    EXPECT_EQ(form->Sound->BuffersWaiting(), 0);
    bool can = true;
    form->FormCloseQuery(form, can);
    EXPECT_TRUE(can);
    for (const char* call : {"stop", "reset", "close"})
        EXPECT_EQ(fakewave::State.Count(call), 1) << call;
}

// Another copy holds the working folder: this one says so in one box, before it reads settings or
// takes the sound input, and ends without writing anything there.
TEST_F(RxWindow, ASecondCopyInTheFolderSaysSoOnceAndEnds)
{
    int other = -1;
    ASSERT_EQ(rx::LockFolder(".", other), rx::TFolderLock::Held);
    form->FormActivate(form);
    EXPECT_EQ(Boxes, std::vector<std::string>{std::string(rx::kFolderInUseCaption) + "|" + rx::FolderInUseText(GetCurrentDir())});
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(form->FolderInUse);
    EXPECT_TRUE(fakewave::State.Calls.empty());
    form->FormActivate(form);
    form->ExitClick(form);
    EXPECT_EQ(Boxes.size(), 1u);
    EXPECT_FALSE(DirectoryExists(rx::kRawLogDir));
    ::close(other);
}

TEST_F(RxWindow, ADriverThatKeepsItsBuffersDoesNotHoldUpTheStop)
{
    form->FormActivate(form);
    fakewave::State.KeepBuffers = true;
    const auto start = std::chrono::steady_clock::now();
    form->ExitClick(form);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_GE(ms.count(), static_cast<long>(rx::kStopWaitMs) - 20);
    EXPECT_TRUE(form->Sound->BuffersAbandoned());
    EXPECT_FALSE(form->Sound->IsOpen());
    EXPECT_EQ(fakewave::State.Count("close"), 0);  // not closed under its buffers
    // Late buffers from that driver reach nothing.
    EXPECT_EQ(fakewave::Deliver(16), 16);
    EXPECT_EQ(form->Sound->BuffersWaiting(), 0);
}

TEST_F(RxWindow, TheTimerShowsFreeBuffersOnChangeAndCountsTheHoldOffDown)
{
    form->FormActivate(form);
    form->Timer1Timer(form);
    EXPECT_EQ(Panel(kPanelFreeBuffers), "FrB: 16");
    form->StatusBar1->Panels()->Items(kPanelFreeBuffers)->SetText("x");
    form->Timer1Timer(form);
    EXPECT_EQ(Panel(kPanelFreeBuffers), "x");
    fakewave::Deliver(1);
    form->Timer1Timer(form);  // shows 15 queued, then works off the waiting buffer
    EXPECT_EQ(Panel(kPanelFreeBuffers), "FrB: 15");
    EXPECT_EQ(form->Sound->BuffersWaiting(), 0);
    EXPECT_EQ(form->Sound->BuffersQueued(), 16);

    form->Setup1Click(form);
    EXPECT_EQ(Tty_Params.HoldOffTicks, 40);
    form->ShownCentreStep = 0;
    form->StatusBar1->Panels()->Items(kPanelCentre)->SetText("x");
    for (int tick = 1; tick <= 41; ++tick) {
        form->DrawSpectrum();
        EXPECT_EQ(Panel(kPanelCentre), "x") << "drawn during the hold-off, tick " << tick;
        form->Timer1Timer(form);
        if (Tty_Params.HoldOffTicks == 0) {
            EXPECT_EQ(tick, 40);
            break;
        }
    }
    form->DrawSpectrum();
    EXPECT_EQ(Panel(kPanelCentre), "1701 Hz");
    EXPECT_EQ(Panel(kPanelShift), "452 Hz");
    form->StatusBar1->Panels()->Items(kPanelShift)->SetText("x");
    form->DrawSpectrum();
    EXPECT_EQ(Panel(kPanelShift), "x");  // written only when the shift changes

    // A click in the spectrum, even one that does not tune, ends the hold-off at once.
    form->View1Click(form);
    form->FFTBoxMouseDown(form, mbRight, ssRight, 100, 10);
    EXPECT_EQ(Tty_Params.HoldOffTicks, 0);
    EXPECT_EQ(Tty_Params.LowerBin, 274);
}

TEST_F(RxWindow, BuffersThatComeWhileTheInputOpensWaitForTheTimer)
{
    fakewave::State.OnStart = [] { fakewave::Deliver(2); };
    form->FormActivate(form);
    // The test ticks for the timer: a real tick during the pump would take a buffer as well.
    form->Timer1->SetEnabled(false);
    uitest::Pump();
    EXPECT_EQ(form->Sound->BuffersWaiting(), 2);  // nothing was posted for them
    form->Timer1Timer(form);
    EXPECT_EQ(form->Sound->BuffersWaiting(), 1);
}

TEST_F(RxWindow, ABacklogOfTenIsWorkedDownToSevenInOneCallWithoutPainting)
{
    form->FormActivate(form);
    fakewave::Deliver(10);
    EXPECT_EQ(form->Sound->BuffersWaiting(), 10);
    form->ShownCentreStep = 0;
    Tty_Params.OscBackground = clYellow;
    form->Perform(rx::kSoundBufferMessage, 0, 0);
    EXPECT_EQ(form->Sound->BuffersWaiting(), 7);
    EXPECT_EQ(form->Sound->BuffersQueued(), 6 + 3);
    EXPECT_EQ(Panel(kPanelCentre), "1700 Hz");
    EXPECT_NE(form->OscBitmap->Canvas()->Pixels(5, 5), clYellow);  // nor the oscillogram
    // One more message, one more buffer; below two waiting the spectrum is drawn again.
    form->Perform(rx::kSoundBufferMessage, 0, 0);
    EXPECT_EQ(form->Sound->BuffersWaiting(), 6);
    while (form->Sound->BuffersWaiting() > 1)
        form->ProcessSoundQueue();
    form->ProcessSoundQueue();
    EXPECT_EQ(form->OscBitmap->Canvas()->Pixels(5, 5), clYellow);  // drawn once nothing waits
    EXPECT_EQ(Panel(kPanelCentre), "1701 Hz");
    EXPECT_EQ(fakewave::State.Queue.size(), 16u);
}

struct TFailure {
    const char* Name;
    std::function<void()> Arrange;
    bool InQueue;  // fails when a processed buffer is handed back, not at the opening
    const char* Box;
};

class DeviceFailure : public RxWindow, public ::testing::WithParamInterface<TFailure> {};

TEST_P(DeviceFailure, GivesItsBoxOnceAndEndsTheProgram)
{
    GetParam().Arrange();
    form->FormActivate(form);
    if (GetParam().InQueue) {
        EXPECT_FALSE(Application->Terminated());
        fakewave::Deliver(2);
        form->ProcessSoundQueue();
        form->ProcessSoundQueue();
    }
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].substr(0, std::strlen(GetParam().Box)), GetParam().Box);  // an open's box goes on
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(form->ExitStatus, 1);
    EXPECT_FALSE(fakewave::State.IsOpen);
    EXPECT_TRUE(fakewave::State.Queue.empty());
    EXPECT_FALSE(form->Sound->IsOpen());
    if (!GetParam().InQueue) {
        EXPECT_FALSE(form->Timer1->Enabled());  // the start-up went no further
    }
}

INSTANTIATE_TEST_SUITE_P(
    RxWindow, DeviceFailure,
    ::testing::Values(
        TFailure{"NoDevice", [] { fakewave::State.Devices = 0; }, false, "Error|No sound input device"},
        TFailure{"BadDeviceId", [] { fakewave::State.OpenResult = MMSYSERR_BADDEVICEID; }, false,
                 "Morvik - Device Open Error|  Specified device identifier is out of range"},
        TFailure{"Allocated", [] { fakewave::State.OpenResult = MMSYSERR_ALLOCATED; }, false,
                 "Morvik - Device Open Error|  Specified resource is already allocated"},
        TFailure{"NoDriver", [] { fakewave::State.OpenResult = MMSYSERR_NODRIVER; }, false,
                 "Morvik - Device Open Error|  No device driver is present"},
        TFailure{"NoMemory", [] { fakewave::State.OpenResult = MMSYSERR_NOMEM; }, false,
                 "Morvik - Device Open Error|  Unable to allocate or lock memory"},
        TFailure{"BadFormat", [] { fakewave::State.OpenResult = WAVERR_BADFORMAT; }, false,
                 "Morvik - Device Open Error|  Attempted to open with an unsupported waveform-audio format"},
        TFailure{"OtherOpenError", [] { fakewave::State.OpenResult = MMSYSERR_ERROR; }, false,
                 "Morvik - Device Open Error| Unrecognized ERROR "},
        TFailure{"Prepare", [] { fakewave::State.FailPrepareAt = 5; }, false,
                 "*Error*|  Error in Prepare Header (7)! "},
        TFailure{"AddAtOpening", [] { fakewave::State.FailAddAt = 3; }, false,
                 "*Error*|  Error in AddBuffer (7)! "},
        TFailure{"Start", [] { fakewave::State.StartResult = MMSYSERR_ERROR; }, false, "Error|  Error in Start! \n"},
        TFailure{"AddInQueue", [] { fakewave::State.FailAddAt = 16; }, true, "Error|  Error in AddBuffer (7)! "}),
    [](const ::testing::TestParamInfo<TFailure>& info) { return std::string(info.param.Name); });

TEST_F(RxWindow, DecodeFromFileGivesTheTextAndTheLiveQueueGoesOnAfterwards)
{
    form->FormActivate(form);
    const std::string text = "RYRY CQ DE MORVIK 73";
    DialogFile = Dir.Path("rtty.txt");
    WriteSampleFile(DialogFile, StartupRtty(text));
    // Live buffers arrive while the file is decoded; they wait for it.
    OnFileDialog = [] { fakewave::Deliver(3); };
    form->DecodeFromFile1Click(form);
    EXPECT_NE(Received().find(text), std::string::npos) << Received();
    EXPECT_EQ(form->Sound->BuffersWaiting(), 3);
    ASSERT_TRUE(uitest::PumpUntil([this] { return form->Sound->BuffersWaiting() == 0; }));
    EXPECT_EQ(fakewave::State.Queue.size(), 16u);
    fakewave::Deliver(1);
    uitest::Pump();
    EXPECT_EQ(form->Sound->BuffersWaiting(), 0);

    // A file that cannot be opened.
    DialogFile = Dir.Path("missing.txt");
    form->DecodeFromFile1Click(form);
    EXPECT_EQ(Boxes, std::vector<std::string>{"File Error|File Open Error!"});
}

// A file that is not samples is told in one box and none of it reaches the receiver; a file that is
// mostly samples is decoded, and its bad lines told.
TEST_F(RxWindow, DecodeFromFileSaysWhatWasWrongWithTheFile)
{
    form->FormActivate(form);
    const std::string text = "RYRY CQ DE MORVIK 73";
    std::string mostlyGood;
    const std::vector<std::int16_t> rtty = StartupRtty(text);
    for (std::size_t i = 0; i < rtty.size(); ++i)
        mostlyGood += (i == 99 || i == 5000 ? std::string("nan") : std::to_string(rtty[i])) + "\n";
    std::string random(3 << 20, '\0');
    std::mt19937 gen(5);
    for (char& c : random)
        c = static_cast<char>(gen());
    std::string huge, infinities, prose;
    for (int i = 0; i < 50000; ++i)
        huge += "9" + std::to_string(1000000007LL * (i + 1)) + "\n";
    for (int i = 0; i < 3000; ++i)
        infinities += i % 2 ? "inf\n" : "-nan\n";
    const std::string line = "ZCZC FA01 NAVTEX TEST 123 GALE WARNING AREA 7\r\n";
    while (prose.size() < 146 * 1024)
        prose += line;
    const std::string refused = ". A sample file holds one whole number from -32768 to 32767 on each line.";
    auto put = [this](const std::string& bytes) {
        DialogFile = Dir.Path("file.txt");
        std::FILE* out = std::fopen(DialogFile.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    };
    const struct {
        const char* Name;
        std::string Bytes;
        std::string Box;  // empty: only its start is known
    } files[] = {
        // Not a block of these reaches the receiver.
        {"empty", "", "Decode From File|Nothing was decoded: the file is empty."},
        {"prose", prose,
         Format("Decode From File|Nothing was decoded: %zu of %zu lines are not samples, the first of them line 1",
                prose.size() / line.size(), prose.size() / line.size()) + refused},
        {"huge numbers", huge,
         "Decode From File|Nothing was decoded: 50000 of 50000 lines are not samples, the first of them line 1" + refused},
        {"nan and inf", infinities,
         "Decode From File|Nothing was decoded: 3000 of 3000 lines are not samples, the first of them line 1" + refused},
        // A sound file picked by mistake: a few of its lines may happen to be numbers.
        {"random bytes", random, ""},
        // These are decoded.
        {"one bad line", "12\n3.5\n7\n", "Decode From File|The file was decoded, but line 2 of 3 is not a sample."},
        {"CR line ends", "12\r3.5\r7\r", "Decode From File|The file was decoded, but line 2 of 3 is not a sample."},
        {"mostly good", mostlyGood,
         Format("Decode From File|The file was decoded, but 2 of %zu lines are not samples, the first of them line 100.",
                rtty.size())},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.Name);
        put(f.Bytes);
        Boxes.clear();
        form->DecodeFromFile1Click(form);
        ASSERT_EQ(Boxes.size(), 1u);
        if (f.Box.empty())
            EXPECT_EQ(Boxes[0].rfind("Decode From File|Nothing was decoded: ", 0), 0u) << Boxes[0];
        else
            EXPECT_EQ(Boxes[0], f.Box);
        const bool nothing = Boxes[0].find("Nothing") != std::string::npos;
        EXPECT_EQ(BoxIcons.back(), static_cast<UINT>(nothing ? MB_ICONERROR : MB_ICONWARNING));
        if (nothing) {
            EXPECT_EQ(form->Path.Rings.PeakSpectrum[316], 0.0);
        }
    }
    EXPECT_NE(Received().find(text), std::string::npos) << Received();

    // A named pipe is refused in its box at once. Were it opened to be read, the open would wait
    // for a writer: the thread lets such a reader go, and it would find the pipe empty.
    DialogFile = Dir.Path("pipe.txt");
    ASSERT_EQ(::mkfifo(DialogFile.c_str(), 0600), 0);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        while (!done) {
            const int fd = ::open(DialogFile.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    Boxes.clear();
    form->DecodeFromFile1Click(form);
    done = true;
    writer.join();
    EXPECT_EQ(Boxes, std::vector<std::string>{std::string("Decode From File|") + rx::NotAFileReport(DialogFile)});
    EXPECT_EQ(BoxIcons.back(), static_cast<UINT>(MB_ICONERROR));
}

TEST_F(RxWindow, DecodeFromFileCannotRunInsideItselfNorInsideALivePass)
{
    form->FormActivate(form);
    DialogFile = Dir.Path("short.txt");
    WriteSampleFile(DialogFile, StartupRtty("RY"));
    // The hot key pressed while the file is being decoded reaches the handler from the decode's
    // own message pumps.
    int nested = 0;
    form->Decoder.OnReceivedChar = [&](char) {
        if (nested++ == 0) {
            Word key = 'G';
            form->FormKeyDown(form, key, ssAlt | ssCtrl);
        }
    };
    form->DecodeFromFile1Click(form);
    EXPECT_GT(nested, 0);
    EXPECT_EQ(FileDialogs, 1);

    // Pressed inside a pass over live buffers, it runs once the pass has ended.
    int pass = 0;
    form->Decoder.OnReceivedChar = nullptr;
    form->Path.Host = nullptr;
    fakewave::Deliver(1);
    OnFileDialog = [&] { pass = form->Sound->QueueBusy() ? 1 : 2; };
    struct THook : rx::TRxSignalHost {
        TRxForm* Form;
        void SpectrumReady(bool) override { Form->DecodeFromFile1Click(Form); }
    } hook;
    hook.Form = form;
    form->Path.Host = &hook;
    form->ProcessSoundQueue();
    EXPECT_EQ(FileDialogs, 2);
    EXPECT_EQ(pass, 2);
    form->ProcessSoundQueue();
    EXPECT_EQ(FileDialogs, 2);  // asked for once, run once
    form->Path.Host = nullptr;
}

TEST_F(RxWindow, TheReceiveWindowFollowsTheTextUntilTheUserClicksElsewhere)
{
    auto add = [this](const std::string& s) {
        for (char c : s)
            form->AppendReceivedChar(c);
    };
    add("ABC");
    add(std::string(1, '\0'));
    EXPECT_EQ(Received(), "ABC");
    EXPECT_EQ(form->RxMemo->SelStart(), 3);
    form->RxMemo->setSelStart(1);
    form->RxMemoMouseDown(form->RxMemo, mbLeft, 0, 5, 5);
    add("DE");
    EXPECT_EQ(form->RxMemo->SelStart(), 1);  // the caret the user placed stays
    form->RxMemo->setSelStart(1);
    form->RxMemo->setSelLength(2);
    Tty_Params.MemoClicked = 0;
    add("F");
    EXPECT_EQ(form->RxMemo->SelStart(), 1);  // and a selection stays without a click
    EXPECT_EQ(form->RxMemo->SelLength(), 2);
    // The caret put back at the end: the window follows again.
    form->RxMemoMouseDown(form->RxMemo, mbLeft, 0, 5, 5);
    form->RxMemo->setSelStart(form->RxMemo->TextLen());
    add("GH");
    EXPECT_EQ(Tty_Params.MemoClicked, 0);
    EXPECT_EQ(form->RxMemo->SelStart(), 8);
    EXPECT_EQ(Received(), "ABCDEFGH");
}

TEST_F(RxWindow, TheOscillogramHidesToOneRowAndComesBackAboveTheStatusBar)
{
    form->ShowOscillogram(false);
    EXPECT_EQ(form->PaintBox1->Height(), 1);
    EXPECT_FALSE(form->Splitter3->Visible());
    EXPECT_FALSE(form->ViewOscWindowMenu->Checked());
    form->PaintBox1->SetHeight(30);
    form->Splitter3Moved(form->Splitter2);
    EXPECT_EQ(form->PaintBox1->Height(), 1);
    form->ViewOscWindowMenuClick(form);
    EXPECT_EQ(Tty_Params.OscShow, 1);
    EXPECT_TRUE(form->ViewOscWindowMenu->Checked());
    EXPECT_EQ(form->PaintBox1->Height(), 50);
    EXPECT_EQ(form->PaintBox1->BoundsRect(), Bounds(0, 310, 524, 50));
    EXPECT_EQ(form->StatusBar1->Top(), form->PaintBox1->Top() + 50);
    EXPECT_EQ(form->Splitter3->Top() + 4, form->PaintBox1->Top());
    form->PaintBox1->SetHeight(30);
    form->Splitter3Moved(form->Splitter3);
    EXPECT_EQ(form->PaintBox1->Height(), 30);
}

TEST_F(RxWindow, HotKeysAndMenusThroughTheToolkit)
{
    form->Show();
    form->FormActivate(form);
    uitest::Pump();
    struct TKey {
        Word Key;
        TShiftState Shift;
        int Spectrum, Oscillogram;
        bool Afc;
    };
    for (const TKey k : {TKey{'Z', ssAlt, 0, 1, true}, TKey{'Z', ssAlt | ssCtrl, 1, 1, true},
                         TKey{'Z', ssCtrl, 1, 0, true}, TKey{'F', ssAlt, 1, 0, false}, TKey{'G', ssAlt, 1, 0, false},
                         TKey{'F', ssAlt | ssCtrl, 1, 0, true}}) {
        Input::PressKey(k.Key, k.Shift);
        EXPECT_EQ(Tty_Params.LogarithmicSpectrum, k.Spectrum) << char(k.Key) << k.Shift;
        EXPECT_EQ(Tty_Params.LogarithmicOscillogram, k.Oscillogram) << char(k.Key) << k.Shift;
        EXPECT_EQ(form->LogarithmicOscillogram1->Checked(), k.Oscillogram == 1);
        EXPECT_EQ(form->AfcButton->Down(), k.Afc) << char(k.Key) << k.Shift;
    }
    EXPECT_EQ(FileDialogs, 0);
    for (const Word consumed : {VK_MULTIPLY, VK_SUBTRACT}) {
        Word key = consumed;
        form->FormKeyDown(form, key, ssAlt);
        EXPECT_EQ(key, 0);
    }
    Word key = 'Z';
    form->FormKeyDown(form, key, ssAlt | ssCtrl);
    EXPECT_EQ(key, 'Z');
    for (const TKey k : {TKey{'Z', 0, 1, 0, true}, TKey{'X', ssCtrl, 1, 0, true}, TKey{'Z', ssCtrl, 1, 1, true}}) {
        Input::PressKey(k.Key, k.Shift);
        EXPECT_EQ(Tty_Params.LogarithmicOscillogram, k.Oscillogram) << char(k.Key) << k.Shift;
        EXPECT_EQ(form->LogarithmicOscillogram1->Checked(), k.Oscillogram == 1);
    }
    Input::PressKey(VK_MULTIPLY);
    EXPECT_EQ(Tty_Params.BaudotShift, 32);
    Input::PressKey(VK_SUBTRACT);
    EXPECT_EQ(Tty_Params.BaudotShift, 0);
    Input::PressKey('G', ssAlt | ssCtrl);
    EXPECT_EQ(FileDialogs, 1);

    // Opening a menu holds both displays off; a speed item runs its setter.
    ShowSubMenu(form->Speed1);
    EXPECT_EQ(Tty_Params.HoldOffTicks, kMenuHoldOffTicks);
    CloseMenus();
    TriggerMenuItem(form->N75Baud1);
    EXPECT_EQ(Tty_Params.HoldOffTicks, 0);
    EXPECT_EQ(Tty_Params.SamplesPerBit, 147);
    TriggerMenuItem(form->N85HzShift1);
    EXPECT_EQ(Tty_Params.ShiftBins, 16);
    EXPECT_TRUE(form->N85HzShift1->Checked());
    // The toolbar: reverse sense, squelch, and a step of the squelch threshold.
    Input::Click(form->ReverseButton, 10, 10);
    EXPECT_EQ(Tty_Params.Reverse, 1);
    EXPECT_EQ(form->ReverseButton->Caption(), "Reverse");
    Input::Click(form->SquelchButton, 10, 10);
    EXPECT_EQ(Tty_Params.IsSquelch, 1);
    Input::Click(form->SquelchUpDown, 7, 3);
    EXPECT_EQ(form->SquelchUpDown->Position(), 51);
    EXPECT_DOUBLE_EQ(Tty_Params.SquelchLevel, 2 * std::exp(-49 / 12.41));
    EXPECT_TRUE(form->N75Baud1->Checked());
    EXPECT_FALSE(form->N50Baud1->Checked());
    TriggerMenuItem(form->AMTORFEC1);
    EXPECT_EQ(Panel(kPanelMode), "NAVTEX");
    EXPECT_FALSE(form->RTTY1->Checked());
    EXPECT_EQ(Panel(kPanelSpeed), "100 Baud");
    EXPECT_FALSE(form->Speed1->Enabled());

    // A click on the spectrum centres the tone pair on the bin under the pointer.
    form->DrawSpectrum();
    Input::Click(form->FFTBox, 10 + (300 - 55), 20);
    EXPECT_EQ((Tty_Params.LowerBin + Tty_Params.UpperBin) / 2, 300);
    Input::Click(form->FFTBox, 10 + (200 - 55), 20, mbLeft, ssCtrl);
    EXPECT_EQ((Tty_Params.LowerBin + Tty_Params.UpperBin) / 2, 300);
    Input::Drag(form->FFTBox, 10 + (300 - 55), 20, 10 + (320 - 55), 20);
    EXPECT_EQ((Tty_Params.LowerBin + Tty_Params.UpperBin) / 2, 320);
    Input::MouseMove(form->FFTBox, 10 + (250 - 55), 20, ssLeft | ssRight);
    EXPECT_EQ((Tty_Params.LowerBin + Tty_Params.UpperBin) / 2, 320);
}

}  // namespace
