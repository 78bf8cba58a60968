// A form laid out like the receiver's main window: toolbar panel with speed buttons and up-downs,
// bevel, two paint boxes, splitters, a scrolling text stand-in, a client panel, a status bar of
// nine panels and a main menu.
#pragma once

#include "platform/Buttons.h"
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"

// A windowed control with a border and a vertical scroll bar that paints its own lines.
class TTextStandIn : public TCustomControl {
public:
    explicit TTextStandIn(TComponent* AOwner);
    int PaintCount = 0;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
};

class TLayoutForm : public TForm {
public:
    explicit TLayoutForm(TComponent* AOwner);

    TPanel* Panel1;
    TSpeedButton* OnTopButton;
    TSpeedButton* ReverseButton;
    TEdit* AfcEdit;
    TUpDown* AfcUpDown;
    TSpeedButton* AfcButton;
    TEdit* SquelchEdit;
    TUpDown* SquelchUpDown;
    TSpeedButton* SquelchButton;
    TBevel* Bevel1;
    TPaintBox* FFTBox;
    TSplitter* Splitter1;
    TTextStandIn* RxMemo;
    TSplitter* Splitter2;
    TPanel* Panel2;
    TPanel* TreeView1;
    TSplitter* Splitter4;
    TTextStandIn* MessageMemo;
    TSplitter* Splitter3;
    TPaintBox* PaintBox1;
    TStatusBar* StatusBar1;
    TMainMenu* MainMenu1;
    TMenuItem* File1;
    TMenuItem* ClearBuffer1;
    TMenuItem* N12;
    TMenuItem* DecodeFromFile1;
    TMenuItem* Exit1;
    TMenuItem* Setup1;
    TMenuItem* EnglishCharset1;
    TMenuItem* RussianCharset1;
    TMenuItem* SwedishCharset1;
    TMenuItem* UnshiftOnSpace1;
    TMenuItem* View1;
    TMenuItem* ViewOscWindowMenu;
    TMenuItem* Speed1;
    TMenuItem* N45Baud1;
    TMenuItem* N50Baud1;
    TMenuItem* N75Baud1;
    TMenuItem* N100Baud1;
    TMenuItem* Help1;
    TMenuItem* About1;
    TTimer* Timer1;

    int Setup1Opened = 0;
    int View1Opened = 0;
    int Splitter3Moves = 0;
    int SquelchClicks = 0;
    TUDBtnType LastSquelchButton = btNext;
    int OnTopClicks = 0;
};

TMenuItem* AddItem(TComponent* Owner, TMenuItem* Parent, const std::string& Caption);
// A four-image glyph (up, disabled, pressed, down) of a coloured dot, drawn here.
void MakeDotGlyph(TBitmap* Glyph, TColor On);
