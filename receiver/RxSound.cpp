// The main window's side of the sound input, the two displays, "Decode From File" and the
// command line.
#include "receiver/RxForm.h"

#include "platform/Buttons.h"
#include "platform/CmdLine.h"
#include "platform/Dialogs.h"
#include "platform/ExtCtrls.h"
#include "platform/Menus.h"
#include "platform/SysUtils.h"
#include "receiver/CommandLine.h"
#include "receiver/Displays.h"
#include "receiver/SampleFile.h"

// ---- sound input --------------------------------------------------------------------------------

void TRxForm::OpenSoundInput()
{
    Sound->SetOpening(true);
    if (Sound->Open(Tty_Params.SoundCardNumber, Handle()))
        Path.ClearPeakSpectrum();
    Sound->SetOpening(false);
}

void TRxForm::StopSoundInput()
{
    Sound->Stop();
}

void TRxForm::ProcessSoundQueue(bool message)
{
    Sound->ProcessSoundQueue(message);
    if (Sound->QueueBusy())
        return;
    if (DecodeRequested) {
        DecodeRequested = false;
        DecodeFromFile1Click(this);
    }
    if (SaveRequested) {
        SaveRequested = false;
        SaveBuffer1Click(this);
    }
    ShowDeferredReports();
}

void TRxForm::ProcessSoundBuffer(const std::int16_t* samples, bool fromFile)
{
    Path.ProcessSoundBuffer(samples, fromFile);
}

void TRxForm::SoundFailure(const std::string& text, const std::string& caption)
{
    EndWithFailure(text, caption);
}

void TRxForm::ProcessMessages()
{
    Application->ProcessMessages();
}

void TRxForm::InputEdge()
{
    RestartReception();
}

bool TRxForm::AfcEnabled()
{
    return AfcButton->Down();
}

int TRxForm::AfcRange()
{
    return AfcUpDown->Position();
}

void TRxForm::SpectrumReady(bool fromFile)
{
    if (Sound->BuffersWaiting() < rx::kSkipPaintBacklog || fromFile) {
        DrawSpectrum();
        ProcessMessages();
    }
}

void TRxForm::OscillogramPoint()
{
    OscPointsPending = true;
}

void TRxForm::BlockDone(bool fromFile)
{
    if (OscPointsPending && (Sound->BuffersWaiting() < rx::kSkipPaintBacklog || fromFile)) {
        OscPointsPending = false;
        DrawOscillogram();
    }
}

void TRxForm::DecodeFromFile1Click(TObject*)
{
    // The hot key reaches here from inside the decode's own message pumps and from inside a pass
    // over the live buffers; the first is refused, the second waits for the pass to end.
    if (InDecodeFromFile || Sound->ClosingDown())
        return;
    if (Sound->QueueBusy()) {
        DecodeRequested = true;
        return;
    }
    rx::TFileDecode result = rx::TFileDecode::Refused;
    rx::TSampleFileCounts counts;
    {
        InDecodeFromFile = true;
        struct TClear {
            bool& Flag;
            ~TClear() { Flag = false; }
        } clear{InDecodeFromFile};
        if (FileOpenDialog->Execute())
            result = Sound->DecodeFromFile(FileOpenDialog->FileName, &counts);
    }
    switch (result) {
    case rx::TFileDecode::OpenFailed:
        Application->MessageBox(rx::kFileOpenErrorText, rx::kFileErrorCaption, MB_OK | MB_ICONERROR);
        break;
    case rx::TFileDecode::ReadFailed:
        Application->MessageBox(rx::kFileReadErrorText, rx::kFileErrorCaption, MB_OK | MB_ICONERROR);
        break;
    case rx::TFileDecode::NotAFile:
        Application->MessageBox(rx::NotAFileReport(FileOpenDialog->FileName), rx::kDecodeFromFileCaption,
                                MB_OK | MB_ICONERROR);
        break;
    case rx::TFileDecode::Done:
    case rx::TFileDecode::NotSamples:
        if (const std::string report = rx::SampleFileReport(counts); !report.empty())
            Application->MessageBox(report, rx::kDecodeFromFileCaption,
                                    MB_OK | (result == rx::TFileDecode::Done ? MB_ICONWARNING : MB_ICONERROR));
        break;
    default: break;
    }
    ShowDeferredReports();
}

// ---- displays -----------------------------------------------------------------------------------

void TRxForm::DrawSpectrum()
{
    if (Tty_Params.HoldOffTicks != 0 || SpectrumPainting || !SpectrumBitmap)
        return;
    SpectrumPainting = true;
    const int w = FFTBox->Width();
    const int h = FFTBox->Height();
    rx::TSpectrumPicture picture = rx::SpectrumPicture(w, h, Tty_Params, Path.Rings);
    SpectrumXOffset = rx::SpectrumXOffset(w);
    const double fs = rx::EffectiveSamplingFreq(Tty_Params);
    const int centre = (Tty_Params.LowerStep + Tty_Params.UpperStep) / 2;
    if (centre != ShownCentreStep) {
        StatusPanelText(kPanelCentre, rx::FrequencyPanelText(centre, fs));
        ShownCentreStep = centre;
    }
    const int shift = Tty_Params.UpperStep - Tty_Params.LowerStep;
    if (shift != ShownShiftStep) {
        StatusPanelText(kPanelShift, rx::FrequencyPanelText(shift, fs));
        ShownShiftStep = shift;
    }
    // The screen shows the bitmap, and the box's own paint draws it again: a picture the bitmap
    // holds already is not painted twice.
    if (picture != ShownSpectrum || SpectrumBitmap->Width() != w || SpectrumBitmap->Height() != h) {
        SpectrumBitmap->SetSize(w, h);
        rx::PaintSpectrum(*SpectrumBitmap->Canvas(), picture);
        const TRect r = Rect(0, 0, w - 1, h - 1);
        FFTBox->Canvas()->CopyRect(r, SpectrumBitmap->Canvas(), r);
        ShownSpectrum = std::move(picture);
    }
    SpectrumPainting = false;
}

void TRxForm::DrawOscillogram()
{
    if (Tty_Params.OscShow == 0 || Tty_Params.HoldOffTicks != 0 || OscPainting || !OscBitmap)
        return;
    OscPainting = true;
    const int w = PaintBox1->Width();
    const int h = PaintBox1->Height();
    rx::TOscillogramPicture picture = rx::OscillogramPicture(w, h, Tty_Params, Path.Rings.Oscillogram);
    if (picture != ShownOscillogram || OscBitmap->Width() != w || OscBitmap->Height() != h) {
        OscBitmap->SetSize(w, h);
        rx::PaintOscillogram(*OscBitmap->Canvas(), picture);
        const TRect r = Rect(0, 0, w - 1, h - 1);
        PaintBox1->Canvas()->CopyRect(r, OscBitmap->Canvas(), r);
        PaintBox1->Update();
        ShownOscillogram = std::move(picture);
    }
    OscPainting = false;
}

void TRxForm::ShowOscillogram(bool show)
{
    if (!show) {
        Tty_Params.OscShow = 0;
        ViewOscWindowMenu->SetChecked(false);
        PaintBox1->SetHeight(1);
        Splitter3->SetVisible(false);
    } else {
        Tty_Params.OscShow = 1;
        ViewOscWindowMenu->SetChecked(true);
        Splitter3->SetVisible(true);
        PaintBox1->SetTop(PaintBox1->Top() - 50);
        PaintBox1->SetHeight(50);
        StatusBar1->SetTop(PaintBox1->Top() + 50);
    }
}

void TRxForm::Splitter3Moved(TObject*)
{
    if (Tty_Params.OscShow == 0)
        PaintBox1->SetHeight(1);
}

// ---- command line -------------------------------------------------------------------------------

void TRxForm::ParseCommandLine()
{
    for (const std::string& option : rx::CommandOptions(CmdLine()))
        ApplyCommandOption(option);
}

void TRxForm::ApplyCommandOption(const std::string& option)
{
    double fs = 0.0;
    if (!rx::SamplingFreqOption(option, fs))
        return;
    if (!rx::SetSamplingFreq(Tty_Params, fs))
        Application->MessageBox(
            Format("The option /%s is ignored: the sampling frequency must be a number from %g to %g. "
                   "The receiver keeps %g samples per second.",
                   option.c_str(), rx::kMinSamplingFreq, rx::kMaxSamplingFreq, Tty_Params.SamplingFreq),
            "Morvik", MB_OK | MB_ICONWARNING);
    SetSpeed(Tty_Params.BaudRate);
    SetShift(Tty_Params.ShiftHz);
}
