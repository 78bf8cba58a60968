// Menu commands beyond tuning and text: Fast Sync, the user-defined character set, the PTT port
// and the time zone, the font and colour dialogs, help and the about box.
#include <exception>

#include "memo/Stylememo.h"
#include "platform/CmdLine.h"
#include "platform/Dialogs.h"
#include "platform/FileUtils.h"
#include "platform/Menus.h"
#include "receiver/About.h"
#include "receiver/Baudot.h"
#include "receiver/CharSets.h"
#include "receiver/Navtex.h"
#include "receiver/RxForm.h"

void TRxForm::FastSync1Click(TObject*)
{
    FastSync1->SetChecked(rx::ToggleFastSync(Tty_Params));
}

void TRxForm::UserdefinedCharset1Click(TObject*)
{
    if (!FileOpenDialog->Execute())
        return;
    const std::string name = FileOpenDialog->FileName;
    std::string error;
    int result = 0;
    try {
        result = LoadUserCharset(name, &error);
    } catch (const std::exception& e) {
        Application->ShowException(e);
        return;
    }
    if (result == -1)
        error = "The character-set file " + name + " is empty.";
    if (result != 0) {
        // The set in use stays; the user learns why the file was not taken.
        Application->MessageBox(error, "Character Set", MB_OK | MB_ICONERROR);
        return;
    }
    UserdefinedCharset1->SetChecked(true);
    rx::SelectCharset(Tty_Params, rx::kCharsetEnglishRussian);
    Tty_Params.UserCharsetFile = name;
}

// ---- PTT port and time zone ---------------------------------------------------------------------

void TRxForm::SetPttInterface(int port, int mask)
{
    const rx::TPttChoice c = rx::ChoosePtt(port, mask);
    TMenuItem* lines[rx::kPttLines] = {UseRTS1, UseDTR1, UseRTSDTR1};
    lines[c.LineItem]->SetChecked(true);
    PttPortItems[c.PortItem]->SetChecked(true);
    PTTInterfaceMenu->SetCaption(c.MenuCaption);
    rx::StorePtt(Tty_Params, c);
}

void TRxForm::PttPortClick(int port) { SetPttInterface(port, Tty_Params.ComMask); }
void TRxForm::PttLineClick(int mask) { SetPttInterface(Tty_Params.KeyPortNumber, mask); }

void TRxForm::SetTimeZone(int offset)
{
    const int clamped = rx::ClampUtcOffset(offset);
    Tty_Params.UTCoffset = clamped;
    const int item = rx::TimeZoneItem(clamped);
    if (item >= 0)
        TimeZoneItems[item]->SetChecked(true);
    TimeZone1->SetCaption(rx::TimeZoneCaption(clamped));
}

void TRxForm::TimeZoneClick(int offset) { SetTimeZone(offset); }

// ---- fonts and colours --------------------------------------------------------------------------

void TRxForm::RxWindowFontSetup1Click(TObject*)
{
    FontDialog1->SetFont(RxMemo->Font());
    FontDialog1->Options = FontDialogOption(fdEffects);
    // Cancel leaves both windows as they are.
    if (!FontDialog1->Execute())
        return;
    for (TStyleMemo* memo : {RxMemo, MessageMemo}) {
        memo->Font()->Assign(FontDialog1->Font());
        memo->setHTColor(memo->Font()->Color());
    }
}

void TRxForm::RxWindowBackgroundSetup1Click(TObject*)
{
    if (!ColorDialog1->Execute())
        return;
    for (TStyleMemo* memo : {RxMemo, MessageMemo}) {
        memo->SetColor(ColorDialog1->Color);
        memo->setHBColor(memo->Color());
    }
}

void TRxForm::SpectrogrammBackgroundSetup1Click(TObject*)
{
    if (ColorDialog1->Execute())
        Tty_Params.FFTBackground = Integer(ColorDialog1->Color);
}

void TRxForm::OscillogrammBackgroundSetup1Click(TObject*)
{
    if (ColorDialog1->Execute())
        Tty_Params.OscBackground = Integer(ColorDialog1->Color);
}

// ---- help and about -----------------------------------------------------------------------------

// No viewer for the old help format exists here: help is a text beside the program, opened by the
// desktop's opener; a missing one is reported with the place it was looked for.
void TRxForm::HelpContents1Click(TObject*)
{
    Application->HelpFile = ExtractFilePath(ProgramFileName()) + rx::kHelpFile;
    Application->HelpCommand(HELP_CONTENTS, 0);
}

void TRxForm::About1Click(TObject*)
{
    if (!About)
        Application->CreateForm(About);
    About->ShowModal();
}
