// The settings file: the two values read at creation, the rest read at the first activation and
// applied to the record, the toolbar, the menus, the panes and the receive window, and Save Setup.
#include <algorithm>
#include <exception>

#include "memo/Stylememo.h"
#include "platform/Buttons.h"
#include "platform/ExtCtrls.h"
#include "platform/IniFiles.h"
#include "platform/Menus.h"
#include "receiver/CharSets.h"
#include "receiver/RxForm.h"

namespace {

using namespace rx;

// The smallest heights at which each pane still serves: a curve in the displays, a few lines of
// text in the receive window and the message pane.
constexpr int kMinSpectrumPane = 20;
constexpr int kMinReceivePane = 40;
constexpr int kMinMessagePane = 40;
constexpr int kMinOscPane = 20;
// The narrowest window when the menu bar has nothing to show.
constexpr int kMinFormWidth = 200;

// All reads of one load from one reading of the file, however large it is.
class TSettingsReader {
public:
    TSettingsReader() : Ini(kSettingsFile) { Ini.BeginUpdate(); }
    ~TSettingsReader() { Ini.EndUpdate(); }
    TSettingsReader(const TSettingsReader&) = delete;
    TSettingsReader& operator=(const TSettingsReader&) = delete;
    Integer Int(const char* section, const char* key, Integer def) const
    {
        return ScanInteger(Ini.ReadString(section, key, std::to_string(def)), def);
    }
    double Float(const char* section, const char* key, double def) const
    {
        return ScanFloat(Ini.ReadString(section, key, FloatText(def)), def);
    }
    std::string Text(const char* section, const char* key, const std::string& def) const
    {
        return Ini.ReadString(section, key, def);
    }

private:
    TIniFile Ini;
};

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

int Clamp(int v, int lo, int hi)
{
    return std::max(lo, std::min(v, hi));
}

}  // namespace

void TRxForm::ReadCreationSettings()
{
    const TSettingsReader ini;
    if (ini.Int(kMainSection, key::OnTop, 0) != 0)
        SetFormStyle(fsStayOnTop);
    Tty_Params.UTCoffset = ini.Int(kMainSection, key::UTCoffset, -1);
}

void TRxForm::LoadSettings()
{
    const TSettingsReader ini;
    const char* m = kMainSection;
    TTtyParams& p = Tty_Params;

    OnTopButton->SetDown(ini.Int(m, key::OnTop, 0) != 0);
    AfcButton->SetDown(ini.Int(m, key::Afc, 1) != 0);
    AfcUpDown->SetPosition(SmallInt(Clamp(ini.Int(m, key::AfcSpeed, 10), AfcUpDown->Min(), AfcUpDown->Max())));
    p.IsSquelch = ini.Int(m, key::IsSquelch, 0);
    SquelchButton->SetDown(p.IsSquelch != 0);
    // The level follows the position the control can show, so the two never disagree.
    const int threshold = Clamp(ini.Int(m, key::SquelchThreshold, 50), SquelchUpDown->Min(), SquelchUpDown->Max());
    p.SquelchLevel = SquelchLevelForPosition(threshold);
    SquelchUpDown->SetPosition(SmallInt(threshold));
    // A rate the computations cannot work with (zero, negative, far from the device's) is not taken.
    SetSamplingFreq(p, ini.Float(m, key::SamplingFreq, kDeviceRate));
    p.Mode = ini.Int(m, key::Mode, 0);
    p.BaudRate = ini.Int(m, key::Baud, 50);
    p.ShiftHz = ini.Int(m, key::Shift, 450);
    const double fs = EffectiveSamplingFreq(p);
    const double shift = p.Mode == kModeRtty ? p.ShiftHz : 170.0;
    p.ShiftBins = ShiftToBins(shift, fs);
    p.ShiftStep = ShiftToSteps(shift, fs);
    p.Reverse = ini.Int(m, key::Reverse, 0);
    ReverseButton->SetDown(p.Reverse != 0);
    if (p.Reverse != 0)
        ReverseButton->SetCaption("Reverse");
    p.UnshiftOnSpace = ini.Int(m, key::UnshiftOnSpace, 0) & 1;
    UnshiftOnSpace1->SetChecked(p.UnshiftOnSpace != 0);
    if (p.UnshiftOnSpace)
        StatusPanelText(5, "UoS");
    PlaceTonePair(p, ini.Int(m, key::CentreBin, 316));
    p.DoFastSync = ini.Int(m, key::DoFastSync, 1);
    FastSync1->SetChecked(p.DoFastSync != 0);
    p.IgnoreSYNOP = ini.Int(m, key::IgnoreSYNOP, 1);
    DontSaveSYNOPMessages1->SetChecked(p.IgnoreSYNOP != 0);
    // Device 0 is a device like any other; only the negative numbers mean the system's default.
    const Integer card = ini.Int(m, key::SoundCardNumber, -1);
    if (card >= 0)
        p.SoundCardNumber = card;
    const Integer charset = ini.Int(m, key::Charset, 0);
    p.UserCharsetFile = ini.Text(m, key::UserCharsetFile, "");
    p.ExtendedBaudot = ini.Int(m, key::ExtendedBaudot, 0) & 1;
    ExtendedBaudot1->SetChecked(p.ExtendedBaudot != 0);
    const Integer port = ini.Int(m, key::KeyPortNumber, 0);
    SetPttInterface(port, ini.Int(m, key::ComMask, 2));
    p.OscShow = ini.Int(m, key::OscShow, 1);
    ViewOscWindowMenu->SetChecked(p.OscShow != 0);
    // Hidden as the menu hides it (its bar too), before the panes are placed around it.
    if (p.OscShow == 0)
        ShowOscillogram(false);
    p.LogarithmicSpectrum = ini.Int(m, key::LogarithmicSpectrum, 1);
    LogarithmicSpectrogramm1->SetChecked(p.LogarithmicSpectrum != 0);
    p.LogarithmicOscillogram = ini.Int(m, key::LogarithmicOscillogram, 1);
    LogarithmicOscillogram1->SetChecked(p.LogarithmicOscillogram != 0);

    const char* w = kWindowSection;
    const int left = ini.Int(w, key::Left, -1);
    const int top = ini.Int(w, key::Top, -1);
    const int height = ini.Int(w, key::Height, -1);
    const int width = ini.Int(w, key::Width, -1);
    const int fftHeight = ini.Int(w, key::SpectrumHeight, -1);
    const int rxHeight = ini.Int(w, key::ReceiveHeight, -1);
    const int mHeight = ini.Int(w, key::MHeight, -1);
    const int dHeight = ini.Int(w, key::DHeight, -1);
    p.FFTBackground = ini.Int(w, key::FFTBackground, 16777215);
    p.OscBackground = ini.Int(w, key::OscBackground, 16777215);
    ApplyWindowGeometry(left, top, height, width, fftHeight, rxHeight, mHeight, dHeight);

    switch (charset) {
    case kCharsetRussian: CheckCharsetItem(RussianCharset1, kCharsetRussian); break;
    case kCharsetSwedish: CheckCharsetItem(SwedishCharset1, kCharsetSwedish); break;
    case kCharsetEnglishRussian: CheckCharsetItem(EnglishRussianCharset1, kCharsetEnglishRussian); break;
    default: break;
    }

    const char* f = kFontSection;
    TFont* font = RxMemo->Font();
    font->SetName(ini.Text(f, key::FontName, "MS Sans Serif"));
    font->SetCharset(TFontCharset(ini.Int(f, key::Charset, RUSSIAN_CHARSET) & 0xFF));
    font->SetColor(TColor(ini.Int(f, key::FontColor, Integer(clWindowText))));
    font->SetHeight(ini.Int(f, key::Height, -13));
    const Integer pitch = ini.Int(f, key::Pitch, 0);
    const TFontPitch fontPitch = pitch == 1 ? fpVariable : pitch == 2 ? fpFixed : fpDefault;
    font->SetPitch(fontPitch);
    MessageMemo->Font()->SetPitch(fontPitch);
    RxMemo->setHTColor(font->Color());
    MessageMemo->setHTColor(font->Color());
    font->SetSize(ini.Int(f, key::Size, 10));
    font->SetStyle(TFontStyles(ini.Int(f, key::Style, 1)) & 0xF);
    RxMemo->SetColor(TColor(ini.Int(f, key::Background, Integer(clWindow))));
    RxMemo->setHBColor(RxMemo->Color());
}

// Each value not -1 is applied, kept inside what the screen and the window can show: a stored
// size from a larger screen, or a hand-edited one, must not leave a pane too small to use or any
// part of the window off the screen.
void TRxForm::ApplyWindowGeometry(int left, int top, int height, int width, int fftHeight, int rxHeight,
                                  int mHeight, int dHeight)
{
    const bool stackOsc = dHeight != -1 && mHeight != -1;
    // A hidden oscillogram keeps its 1 px strip; a shown one is a pane like the others.
    const int minOsc = Tty_Params.OscShow != 0 ? kMinOscPane : 1;
    const int fixedRows = Panel1->Height() + Bevel1->Height() + Splitter1->Height() + Splitter2->Height() +
                          (Splitter3->Visible() ? Splitter3->Height() : 0) + StatusBar1->Height();
    const int minPanes = kMinSpectrumPane + kMinReceivePane + kMinMessagePane + minOsc;
    const int frame = Height() - ClientHeight();
    const int minHeight = frame + fixedRows + minPanes;
    // The narrowest window whose menu bar shows every menu, none behind its overflow button.
    const int barWidth = MenuBarWidth(MainMenu1);
    const int minWidth = barWidth > 0 ? barWidth + Width() - ClientWidth() : kMinFormWidth;
    const int screenW = std::max(Screen->Width(), minWidth);
    const int screenH = std::max(Screen->Height(), minHeight);
    if (height != -1)
        SetHeight(Clamp(height, minHeight, screenH));
    if (width != -1)
        SetWidth(Clamp(width, minWidth, screenW));
    // The form's own size may be one that the stored place alone would push off the screen.
    if (left != -1)
        SetLeft(Clamp(left, 0, std::max(screenW - Width(), 0)));
    if (top != -1)
        SetTop(Clamp(top, 0, std::max(screenH - Height(), 0)));

    // The stored heights, each at least its minimum; when together they leave the message pane less
    // than its own, each gives up the same share of what it has above its minimum.
    int fft = std::max(fftHeight != -1 ? fftHeight : FFTBox->Height(), kMinSpectrumPane);
    int rx = std::max(rxHeight != -1 ? rxHeight : RxMemo->Height(), kMinReceivePane);
    int osc = Tty_Params.OscShow != 0 ? std::max(stackOsc ? dHeight : PaintBox1->Height(), minOsc) : minOsc;
    const int room = std::max(ClientHeight() - fixedRows - kMinMessagePane, minPanes - kMinMessagePane);
    const long long extra = static_cast<long long>(fft - kMinSpectrumPane) + (rx - kMinReceivePane) + (osc - minOsc);
    const long long spare = room - (kMinSpectrumPane + kMinReceivePane + minOsc);
    if (extra > spare) {
        fft = kMinSpectrumPane + static_cast<int>((fft - kMinSpectrumPane) * spare / extra);
        rx = kMinReceivePane + static_cast<int>((rx - kMinReceivePane) * spare / extra);
        osc = minOsc + static_cast<int>((osc - minOsc) * spare / extra);
    }
    if (fftHeight != -1 || FFTBox->Height() != fft)
        FFTBox->SetHeight(fft);
    if (rxHeight != -1 || RxMemo->Height() != rx)
        RxMemo->SetHeight(rx);
    if (mHeight != -1)
        Panel2->SetHeight(std::max(mHeight, kMinMessagePane));
    if (stackOsc || PaintBox1->Height() != osc) {
        PaintBox1->SetTop(Panel2->Top() + Panel2->Height());
        PaintBox1->SetHeight(osc);
        StatusBar1->SetTop(PaintBox1->Top() + osc);
    }
}

void TRxForm::SaveSetup1Click(TObject*)
{
    Tty_Params.HoldOffTicks = 0;
    if (SaveRunning)
        return;
    SaveRunning = true;
    try {
        // One reading and one writing of the file for the whole save: a large file must not keep
        // the window (and the sound buffers) waiting. Nothing is written when the writing fails.
        TIniFile ini(kSettingsFile);
        ini.BeginUpdate();
        const TTtyParams& p = Tty_Params;
        const char* m = kMainSection;
        ini.WriteInteger(m, key::OnTop, OnTopButton->Down() ? 1 : 0);
        ini.WriteInteger(m, key::Afc, AfcButton->Down() ? 1 : 0);
        ini.WriteInteger(m, key::AfcSpeed, AfcUpDown->Position());
        ini.WriteInteger(m, key::CentreBin, (p.LowerBin + p.UpperBin) / 2);
        ini.WriteInteger(m, key::Charset, p.CharsetIndex);
        ini.WriteString(m, key::UserCharsetFile, Quoted(p.UserCharsetFile));
        // Always with a point: the load reads no other separator.
        ini.WriteString(m, key::SamplingFreq, FloatText(p.SamplingFreq));
        ini.WriteInteger(m, key::Baud, p.BaudRate);
        ini.WriteInteger(m, key::Shift, p.ShiftHz);
        ini.WriteInteger(m, key::Reverse, p.Reverse);
        ini.WriteInteger(m, key::UnshiftOnSpace, p.UnshiftOnSpace);
        ini.WriteInteger(m, key::ExtendedBaudot, p.ExtendedBaudot);
        ini.WriteInteger(m, key::KeyPortNumber, p.KeyPortNumber);
        ini.WriteInteger(m, key::ComMask, p.ComMask);
        ini.WriteInteger(m, key::IsSquelch, p.IsSquelch);
        ini.WriteInteger(m, key::SquelchThreshold, SquelchUpDown->Position());
        ini.WriteInteger(m, key::Mode, p.Mode);
        ini.WriteInteger(m, key::DoFastSync, p.DoFastSync);
        ini.WriteInteger(m, key::IgnoreSYNOP, p.IgnoreSYNOP);
        ini.WriteInteger(m, key::OscShow, p.OscShow);
        ini.WriteInteger(m, key::LogarithmicSpectrum, p.LogarithmicSpectrum);
        ini.WriteInteger(m, key::LogarithmicOscillogram, p.LogarithmicOscillogram);
        ini.WriteInteger(m, key::UTCoffset, p.UTCoffset);

        const char* w = kWindowSection;
        ini.WriteInteger(w, key::Left, Left());
        ini.WriteInteger(w, key::Top, Top());
        ini.WriteInteger(w, key::Height, Height());
        ini.WriteInteger(w, key::Width, Width());
        ini.WriteInteger(w, key::SpectrumHeight, FFTBox->Height());
        ini.WriteInteger(w, key::ReceiveHeight, RxMemo->Height());
        ini.WriteInteger(w, key::MHeight, Panel2->Height());
        ini.WriteInteger(w, key::DHeight, PaintBox1->Height());
        ini.WriteInteger(w, key::FFTBackground, p.FFTBackground);
        ini.WriteInteger(w, key::OscBackground, p.OscBackground);

        const char* f = kFontSection;
        const TFont* font = RxMemo->Font();
        ini.WriteString(f, key::FontName, Quoted(font->Name()));
        ini.WriteInteger(f, key::Charset, font->Charset() & 0xFF);
        ini.WriteInteger(f, key::FontColor, Integer(font->Color()));
        ini.WriteInteger(f, key::Height, font->Height());
        ini.WriteInteger(f, key::Pitch, Integer(font->Pitch()));
        ini.WriteInteger(f, key::Size, font->Size());
        ini.WriteInteger(f, key::Style, Integer(font->Style() & 0xF));
        ini.WriteInteger(f, key::Background, Integer(RxMemo->Color()));
        ini.EndUpdate();
    } catch (const std::exception& e) {
        // A failed save must not keep every later one from running.
        SaveRunning = false;
        Application->ShowException(e);
        return;
    }
    SaveRunning = false;
}
