// Shows the library's scroll bars and column header for a look on a real screen: horizontal and
// vertical bars in the flat, three-dimensional and owner-drawn looks (themed unless MORVIK_NO_THEMES
// is set), with secondary buttons, a disabled bar, and a header with sort marks, a filter sign, an
// image, a marked-up caption and a locked section over scrolled ones.
// Arguments: seconds to run (0: until closed), then what the mouse does: "none", "hot" (rests on
// the flat bar's right arrow), "arrow" (holds the 3-D bar's right arrow down) or "thumb" (drags the
// flat bar's thumb with its track hint).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "controls/Exheader.h"
#include "controls/Exscrollbar.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/ImgList.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"

namespace {

TExScrollBar* MakeBar(TForm* Form, TScrollBarKind Kind, int X, int Y, int Length)
{
    auto* b = new TExScrollBar(Form);
    b->SetParent(Form);
    b->SetKind(Kind);
    if (Kind == sbHorizontal)
        b->SetBounds(X, Y, Length, b->Height());
    else
        b->SetBounds(X, Y, b->Width(), Length);
    b->SetMax(1000);
    b->SetPage(120);
    b->SetPosition(300);
    return b;
}

void Label(TForm* Form, int X, int Y, const std::string& Text)
{
    auto* l = new TLabel(Form);
    l->SetParent(Form);
    l->SetBounds(X, Y, 220, 16);
    l->SetCaption(Text);
}

}  // namespace

int main(int argc, char** argv)
{
    Application->Initialize();
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 0;
    const std::string scene = argc > 2 ? argv[2] : "none";

    auto* form = new TForm(Application);
    form->SetCaption(std::getenv("MORVIK_NO_THEMES") ? "Bars and header, classic" : "Bars and header, themed");
    form->SetBounds(40, 40, 800, 560);

    // Looks, one column each: flat, 3-D, 3-D with secondary page buttons, owner-drawn.
    const char* names[] = {"Flat", "3-D, thin frames", "Secondary page buttons", "Owner-drawn thumb"};
    TExScrollBar* horz[4];
    TExScrollBar* vert[4];
    for (int i = 0; i < 4; ++i) {
        Label(form, 16 + i * 190, 12, names[i]);
        horz[i] = MakeBar(form, sbHorizontal, 16 + i * 190, 32, 170);
        vert[i] = MakeBar(form, sbVertical, 16 + i * 190, 60, 170);
    }
    for (int i = 1; i < 4; ++i) {
        horz[i]->SetFlat(false);
        vert[i]->SetFlat(false);
    }
    horz[1]->SetThinFrames(true);
    vert[1]->SetThinFrames(true);
    for (TExScrollBar* b : {horz[2], vert[2]}) {
        b->SetSecondaryButtons(true);
        b->SetSecondBtnKind(sbkPage);
    }
    for (TExScrollBar* b : {horz[3], vert[3]}) {
        b->SetOwnerDraw(true);
        b->OnDrawPart = [](TObject*, TCanvas* C, const TRect& R, TExScrollBarPart Part, bool, bool, bool Pressed,
                           bool& DefaultDraw) {
            if (Part != sbpThumb)
                return;
            C->Brush()->SetColor(Pressed ? TColor(0xC05020) : TColor(0xE07030));
            C->Pen()->SetColor(TColor(0x803010));
            C->RoundRect(R.Left, R.Top, R.Right, R.Bottom, 6, 6);
            DefaultDraw = false;
        };
    }
    // Opposite secondary buttons on the flat vertical bar; the track hint on the flat horizontal.
    vert[0]->SetSecondaryButtons(true);
    horz[0]->SetShowTrackHint(true);
    horz[0]->OnScrollHintNeeded = [](TObject*, Integer Track, std::string& Hint) {
        Hint = "Row " + std::to_string(Track);
    };
    Label(form, 100, 240, "Disabled, at the end, no page:");
    auto* disabled = MakeBar(form, sbHorizontal, 100, 260, 170);
    disabled->SetEnabled(false);
    auto* atEnd = MakeBar(form, sbHorizontal, 300, 260, 170);
    atEnd->SetFlat(false);
    atEnd->SetPosition(1000);
    auto* noPage = MakeBar(form, sbHorizontal, 500, 260, 170);
    noPage->SetPage(0);

    // The header: a locked first column, a sort mark each way, a filter, an image, markup.
    auto* images = new TImageList(form);
    images->SetWidth(16);
    images->SetHeight(16);
    TBitmap pic;
    pic.SetSize(16, 16);
    pic.Canvas()->Brush()->SetColor(clFuchsia);
    pic.Canvas()->FillRect(Rect(0, 0, 16, 16));
    pic.Canvas()->Brush()->SetColor(TColor(0x00A000));
    pic.Canvas()->Pen()->SetColor(TColor(0x006000));
    pic.Canvas()->Ellipse(2, 2, 14, 14);
    images->AddMasked(&pic, clFuchsia);

    Label(form, 16, 300, "Header (scrolled by 40, first column locked):");
    auto* header = new TExHeader(form);
    header->SetAlign(alNone);
    header->SetParent(form);
    header->SetBounds(16, 320, 760, 24);
    header->SetImages(images);
    const char* captions[] = {"File", "Date", "Mode", "Size", "<html><b>Bold</b> and <i>italic</i></html>",
                              "Weather"};
    for (const char* c : captions) {
        TExHeaderSection* s = header->Sections()->AddSection();
        s->SetText(c);
        s->SetWidth(130);
    }
    TExHeaderSections* ss = header->Sections();
    header->MultiSortMarks = true;
    ss->GetSectionByPos(1)->SetSortMode(hsmAscend);
    ss->GetSectionByPos(2)->SetSortMode(hsmDescend);
    ss->GetSectionByPos(2)->SetFilterEnabled(true);
    ss->GetSectionByPos(2)->SetFilterIsActive(true);
    header->SetActiveFilterColor(clRed);
    ss->GetSectionByPos(3)->SetImageIndex(0);
    ss->GetSectionByPos(3)->SetFilterEnabled(true);
    ss->GetSectionByPos(5)->SetLookupEnabled(true);
    ss->GetSectionByPos(5)->SetAlignment(hsaCenter);
    header->SetLockedSection(ss->GetSectionByPos(0));
    header->SetLeftPos(40);

    Label(form, 16, 360, "Flat header, unscrolled:");
    auto* flat = new TExHeader(form);
    flat->SetAlign(alNone);
    flat->SetParent(form);
    flat->SetBounds(16, 380, 760, 24);
    flat->SetFlat(true);
    flat->SetImages(images);
    for (const char* c : {"Name", "Received", "Text"}) {
        TExHeaderSection* s = flat->Sections()->AddSection();
        s->SetText(c);
        s->SetWidth(150);
    }
    flat->Sections()->GetSectionByPos(0)->SetSortMode(hsmAscend);
    flat->Sections()->GetSectionByPos(1)->SetImageIndex(0);
    flat->Sections()->GetSectionByPos(1)->SetPictureAlign(hsaRight);

    form->Show();
    Application->ProcessMessages();

    if (scene == "hot") {
        Input::MouseMove(horz[0], horz[0]->Width() - 5, 8);
    } else if (scene == "arrow") {
        Input::MouseMove(horz[1], horz[1]->Width() - 5, 8);
        Input::MouseDown(horz[1], mbLeft, horz[1]->Width() - 5, 8);
    } else if (scene == "thumb") {
        const int at = horz[0]->GetThumbPos() + 5;
        Input::MouseMove(horz[0], at, 8);
        Input::MouseDown(horz[0], mbLeft, at, 8);
        Input::MouseMove(horz[0], at + 30, 8, ssLeft);
    }
    std::printf("shown\n");
    std::fflush(stdout);

    if (seconds > 0) {
        auto* timer = new TTimer(Application);
        timer->SetInterval(unsigned(seconds * 1000));
        timer->OnTimer = [](TObject*) { Application->Terminate(); };
    }
    Application->Run();
    DoneApplication();
    return 0;
}
