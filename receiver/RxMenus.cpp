// The main window's menus and the commands of the mode, speed, shift, character-set and view
// items.
#include "receiver/RxForm.h"

#include "platform/Menus.h"
#include "receiver/Baudot.h"
#include "receiver/CharSets.h"

namespace {

TMenuItem* AddItem(TComponent* owner, TMenuItem* parent, const std::string& caption)
{
    auto* item = new TMenuItem(owner);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}

TMenuItem* AddRadioItem(TComponent* owner, TMenuItem* parent, const std::string& caption, Byte group)
{
    TMenuItem* item = AddItem(owner, parent, caption);
    item->SetGroupIndex(group);
    item->SetRadioItem(true);
    return item;
}

}  // namespace

void TRxForm::CreateMenus()
{
    MainMenu1 = new TMainMenu(this);
    TMenuItem* bar = MainMenu1->Items();

    File1 = AddItem(this, bar, "File");
    File1->OnClick = [this](TObject* s) { File1Click(s); };
    ClearBuffer1 = AddItem(this, File1, "Clear Buffer");
    ClearBuffer1->OnClick = [this](TObject* s) { ClearBuffer1Click(s); };
    SaveBuffer1 = AddItem(this, File1, "Save Buffer (Alt-S)");
    SaveBuffer1->OnClick = [this](TObject* s) { SaveBuffer1Click(s); };
    N12 = AddItem(this, File1, "-");
    DecodeFromFile1 = AddItem(this, File1, "Decode From File");
    DecodeFromFile1->SetVisible(false);
    DecodeFromFile1->OnClick = [this](TObject* s) { DecodeFromFile1Click(s); };
    N3 = AddItem(this, File1, "-");
    N3->SetVisible(false);
    Exit = AddItem(this, File1, "Exit");
    Exit->OnClick = [this](TObject* s) { ExitClick(s); };

    Setup1 = AddItem(this, bar, "Setup");
    Setup1->OnClick = [this](TObject* s) { Setup1Click(s); };
    // Hidden for the whole run: the port and line come from the settings file.
    PTTInterfaceMenu = AddItem(this, Setup1, "PTT Interface (NONE)");
    PTTInterfaceMenu->SetVisible(false);
    PTTInterfaceMenu->OnClick = [this](TObject* s) { PTTInterfaceMenuClick(s); };
    for (int i = 0; i < rx::kPttPorts; ++i) {
        const rx::TPttPort& port = rx::PttPorts[static_cast<std::size_t>(i)];
        PttPortItems[i] = AddRadioItem(this, PTTInterfaceMenu, port.Caption, 2);
        PttPortItems[i]->SetName(port.Name);
        PttPortItems[i]->OnClick = [this, code = port.Code](TObject*) { PttPortClick(code); };
    }
    PttPortItems[0]->SetChecked(true);
    N8 = AddItem(this, PTTInterfaceMenu, "-");
    TMenuItem** lines[rx::kPttLines] = {&UseRTS1, &UseDTR1, &UseRTSDTR1};
    for (int i = 0; i < rx::kPttLines; ++i) {
        const rx::TPttLine& line = rx::PttLines[static_cast<std::size_t>(i)];
        *lines[i] = AddRadioItem(this, PTTInterfaceMenu, line.Caption, 3);
        (*lines[i])->SetName(line.Name);
        (*lines[i])->OnClick = [this, mask = line.Mask](TObject*) { PttLineClick(mask); };
    }
    UseRTS1->SetChecked(true);
    N1 = AddItem(this, Setup1, "-");
    N1->SetVisible(false);
    EnglishCharset1 = AddRadioItem(this, Setup1, "English  Charset", 1);
    EnglishCharset1->SetChecked(true);
    EnglishCharset1->OnClick = [this](TObject* s) { EnglishCharset1Click(s); };
    RussianCharset1 = AddRadioItem(this, Setup1, "Russian Charset", 1);
    RussianCharset1->OnClick = [this](TObject* s) { RussianCharset1Click(s); };
    EnglishRussianCharset1 = AddRadioItem(this, Setup1, "English/Russian Ext. Charset", 1);
    EnglishRussianCharset1->OnClick = [this](TObject* s) { EnglishRussianCharset1Click(s); };
    SwedishCharset1 = AddRadioItem(this, Setup1, "Swedish Charset", 1);
    SwedishCharset1->OnClick = [this](TObject* s) { SwedishCharset1Click(s); };
    UserdefinedCharset1 = AddRadioItem(this, Setup1, "User-defined Charset", 1);
    UserdefinedCharset1->SetVisible(false);
    UserdefinedCharset1->OnClick = [this](TObject* s) { UserdefinedCharset1Click(s); };
    N2 = AddItem(this, Setup1, "-");
    UnshiftOnSpace1 = AddItem(this, Setup1, "Unshift On Space");
    UnshiftOnSpace1->SetGroupIndex(1);
    UnshiftOnSpace1->OnClick = [this](TObject* s) { UnshiftOnSpace1Click(s); };
    ExtendedBaudot1 = AddItem(this, Setup1, "Extended Baudot");
    ExtendedBaudot1->SetGroupIndex(1);
    ExtendedBaudot1->OnClick = [this](TObject* s) { ExtendedBaudot1Click(s); };
    FastSync1 = AddItem(this, Setup1, "Fast Sync in NAVTEX");
    FastSync1->SetGroupIndex(1);
    FastSync1->SetChecked(true);
    FastSync1->OnClick = [this](TObject* s) { FastSync1Click(s); };
    DontSaveSYNOPMessages1 = AddItem(this, Setup1, "Don't Save SYNOP Messages");
    DontSaveSYNOPMessages1->SetGroupIndex(1);
    DontSaveSYNOPMessages1->SetChecked(true);
    DontSaveSYNOPMessages1->OnClick = [this](TObject* s) { DontSaveSYNOPMessages1Click(s); };
    N5 = AddItem(this, Setup1, "-");
    View1 = AddItem(this, Setup1, "View");
    View1->OnClick = [this](TObject* s) { View1Click(s); };
    ViewOscWindowMenu = AddItem(this, View1, "Oscillogramm Window");
    ViewOscWindowMenu->SetChecked(true);
    ViewOscWindowMenu->OnClick = [this](TObject* s) { ViewOscWindowMenuClick(s); };
    N11 = AddItem(this, View1, "-");
    N11->SetGroupIndex(7);
    LogarithmicSpectrogramm1 = AddItem(this, View1, "Logarithmic Spectrogram (Alt-Z)");
    LogarithmicSpectrogramm1->SetGroupIndex(7);
    LogarithmicSpectrogramm1->SetChecked(true);
    LogarithmicSpectrogramm1->OnClick = [this](TObject* s) { LogarithmicSpectrogramm1Click(s); };
    LogarithmicOscillogram1 = AddItem(this, View1, "Logarithmic Oscillogram (Ctrl-Z)");
    LogarithmicOscillogram1->SetGroupIndex(7);
    LogarithmicOscillogram1->SetChecked(true);
    LogarithmicOscillogram1->OnClick = [this](TObject* s) { LogarithmicOscillogram1Click(s); };
    FontsandColors1 = AddItem(this, Setup1, "Fonts and Colors");
    FontsandColors1->OnClick = [this](TObject* s) { FontsandColors1Click(s); };
    RxWindowFontSetup1 = AddItem(this, FontsandColors1, "Rx Window Font Setup");
    RxWindowFontSetup1->OnClick = [this](TObject* s) { RxWindowFontSetup1Click(s); };
    RxWindowBackgroundSetup1 = AddItem(this, FontsandColors1, "Rx Window Background Setup");
    RxWindowBackgroundSetup1->OnClick = [this](TObject* s) { RxWindowBackgroundSetup1Click(s); };
    SpectrogrammBackgroundSetup1 = AddItem(this, FontsandColors1, "Spectrogramm Background Setup");
    SpectrogrammBackgroundSetup1->OnClick = [this](TObject* s) { SpectrogrammBackgroundSetup1Click(s); };
    OscillogrammBackgroundSetup1 = AddItem(this, FontsandColors1, "Oscillogramm Background Setup");
    OscillogrammBackgroundSetup1->OnClick = [this](TObject* s) { OscillogrammBackgroundSetup1Click(s); };
    N4 = AddItem(this, Setup1, "-");
    N4->SetVisible(false);
    // Hidden for the whole run: the offset comes from the settings file.
    TimeZone1 = AddItem(this, Setup1, "Time Zone");
    TimeZone1->SetVisible(false);
    TimeZone1->OnClick = [this](TObject* s) { TimeZone1Click(s); };
    for (int i = 0; i < rx::kTimeZones; ++i) {
        const rx::TTimeZone& zone = rx::TimeZones[static_cast<std::size_t>(i)];
        TimeZoneItems[i] = AddRadioItem(this, TimeZone1, zone.Caption, 4);
        TimeZoneItems[i]->SetName(zone.Name);
        if (zone.Break)
            TimeZoneItems[i]->SetBreak(mbBreak);
        TimeZoneItems[i]->OnClick = [this, offset = zone.Offset](TObject*) { TimeZoneClick(offset); };
    }
    N10 = AddItem(this, Setup1, "-");
    SaveSetup1 = AddItem(this, Setup1, "Save Setup");
    SaveSetup1->OnClick = [this](TObject* s) { SaveSetup1Click(s); };

    Mode1 = AddItem(this, bar, "Mode");
    Mode1->OnClick = [this](TObject* s) { Mode1Click(s); };
    RTTY1 = AddRadioItem(this, Mode1, "RTTY", 5);
    RTTY1->SetChecked(true);
    RTTY1->OnClick = [this](TObject* s) { RTTY1Click(s); };
    AMTORFEC1 = AddRadioItem(this, Mode1, "NAVTEX", 5);
    AMTORFEC1->OnClick = [this](TObject* s) { AMTORFEC1Click(s); };

    Speed1 = AddItem(this, bar, "Speed");
    Speed1->OnClick = [this](TObject* s) { Speed1Click(s); };
    N45Baud1 = AddRadioItem(this, Speed1, "45   Baud", 2);
    N45Baud1->OnClick = [this](TObject* s) { N45Baud1Click(s); };
    N50Baud1 = AddRadioItem(this, Speed1, "50   Baud", 2);
    N50Baud1->SetChecked(true);
    N50Baud1->OnClick = [this](TObject* s) { N50Baud1Click(s); };
    N75Baud1 = AddRadioItem(this, Speed1, "75   Baud", 2);
    N75Baud1->OnClick = [this](TObject* s) { N75Baud1Click(s); };
    N100Baud1 = AddRadioItem(this, Speed1, "100 Baud", 2);
    N100Baud1->OnClick = [this](TObject* s) { N100Baud1Click(s); };

    Shift1 = AddItem(this, bar, "Shift");
    Shift1->OnClick = [this](TObject* s) { Shift1Click(s); };
    N85HzShift1 = AddRadioItem(this, Shift1, "  85 Hz", 3);
    N85HzShift1->OnClick = [this](TObject* s) { N85HzShift1Click(s); };
    N170HzShift1 = AddRadioItem(this, Shift1, "170 Hz", 3);
    N170HzShift1->OnClick = [this](TObject* s) { N170HzShift1Click(s); };
    N425HzShift1 = AddRadioItem(this, Shift1, "450 Hz", 3);
    N425HzShift1->SetChecked(true);
    N425HzShift1->OnClick = [this](TObject* s) { N425HzShift1Click(s); };
    N850HzShift1 = AddRadioItem(this, Shift1, "850 Hz", 3);
    N850HzShift1->OnClick = [this](TObject* s) { N850HzShift1Click(s); };

    Help1 = AddItem(this, bar, "Help");
    Help1->OnClick = [this](TObject* s) { Help1Click(s); };
    HelpContents1 = AddItem(this, Help1, "Contents");
    HelpContents1->OnClick = [this](TObject* s) { HelpContents1Click(s); };
    About1 = AddItem(this, Help1, "About");
    About1->OnClick = [this](TObject* s) { About1Click(s); };

    SetMenu(MainMenu1);
}

void TRxForm::N45Baud1Click(TObject*) { SetSpeed(45); }
void TRxForm::N50Baud1Click(TObject*) { SetSpeed(50); }
void TRxForm::N75Baud1Click(TObject*) { SetSpeed(75); }
void TRxForm::N100Baud1Click(TObject*) { SetSpeed(100); }
void TRxForm::N85HzShift1Click(TObject*) { SetShift(85); }
void TRxForm::N170HzShift1Click(TObject*) { SetShift(170); }
void TRxForm::N425HzShift1Click(TObject*) { SetShift(450); }
void TRxForm::N850HzShift1Click(TObject*) { SetShift(850); }
void TRxForm::RTTY1Click(TObject*) { SetMode(rx::kModeRtty); }
void TRxForm::AMTORFEC1Click(TObject*) { SetMode(rx::kModeNavtex); }

void TRxForm::CheckCharsetItem(TMenuItem* item, int index)
{
    item->SetChecked(true);
    rx::SelectCharset(Tty_Params, index);
    if (index == rx::kCharsetEnglishRussian) {
        // This set uses the extended register by itself; the option's own value stays.
        ExtendedBaudot1->SetChecked(true);
        ExtendedBaudot1->SetEnabled(false);
    } else {
        ExtendedBaudot1->SetEnabled(true);
        ExtendedBaudot1->SetChecked(Tty_Params.ExtendedBaudot != 0);
    }
}

void TRxForm::EnglishCharset1Click(TObject*) { CheckCharsetItem(EnglishCharset1, rx::kCharsetEnglish); }
void TRxForm::RussianCharset1Click(TObject*) { CheckCharsetItem(RussianCharset1, rx::kCharsetRussian); }
void TRxForm::SwedishCharset1Click(TObject*) { CheckCharsetItem(SwedishCharset1, rx::kCharsetSwedish); }
void TRxForm::EnglishRussianCharset1Click(TObject*)
{
    CheckCharsetItem(EnglishRussianCharset1, rx::kCharsetEnglishRussian);
}

void TRxForm::UnshiftOnSpace1Click(TObject*)
{
    const bool on = rx::ToggleUnshiftOnSpace(Tty_Params);
    UnshiftOnSpace1->SetChecked(on);
    StatusPanelText(5, on ? "UoS" : " ");
}

void TRxForm::ExtendedBaudot1Click(TObject*)
{
    ExtendedBaudot1->SetChecked(rx::ToggleExtendedBaudot(Tty_Params));
}

void TRxForm::ViewOscWindowMenuClick(TObject*)
{
    ShowOscillogram(Tty_Params.OscShow == 0);
}

void TRxForm::LogarithmicSpectrogramm1Click(TObject*)
{
    // Any stored number but 0 is on, so that every press switches.
    Tty_Params.LogarithmicSpectrum = Tty_Params.LogarithmicSpectrum != 0 ? 0 : 1;
    LogarithmicSpectrogramm1->SetChecked(Tty_Params.LogarithmicSpectrum != 0);
}

void TRxForm::LogarithmicOscillogram1Click(TObject*)
{
    Tty_Params.LogarithmicOscillogram = Tty_Params.LogarithmicOscillogram != 0 ? 0 : 1;
    LogarithmicOscillogram1->SetChecked(Tty_Params.LogarithmicOscillogram != 0);
}
