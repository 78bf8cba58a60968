// Shows the library's buttons for a look on a real screen: a row of popup buttons in each look
// (themed, 3-D, flat, old-styled), each row with a plain button, a pressed switch, a split button, a
// disabled one and one with a picture; then graphic buttons and round speed buttons in their states.
// Arguments: seconds to stay (0: until closed), and 1 to open the themed row's pull-down menu after
// half a second (the menu closes a second later).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "controls/Expopbtn.h"
#include "ctlbase/Exuxtheme.h"
#include "extras/Exgraphbtn.h"
#include "extras/Exspeedbtn.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"

namespace {

// A 16 x 16 picture: a blue disc with a black outline on olive (the transparent colour).
TBitmap* Picture()
{
    auto* b = new TBitmap;
    b->SetSize(16, 16);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clOlive);
    c->FillRect(TRect{0, 0, 16, 16});
    c->Brush()->SetColor(TColor(0xC06020));
    c->Pen()->SetColor(clBlack);
    c->Ellipse(2, 2, 14, 14);
    return b;
}

// A round image of the given colour, for the speed buttons.
TBitmap* Disc(TColor Fill)
{
    auto* b = new TBitmap;
    b->SetSize(20, 20);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(TRect{0, 0, 20, 20});
    c->Brush()->SetColor(Fill);
    c->Pen()->SetColor(clBlack);
    c->Ellipse(1, 1, 19, 19);
    return b;
}

TLabel* Label(TForm* Form, int X, int Y, const std::string& Text)
{
    auto* l = new TLabel(Form);
    l->SetParent(Form);
    l->SetBounds(X, Y, 90, 20);
    l->SetCaption(Text);
    return l;
}

}  // namespace

int main(int argc, char** argv)
{
    Application->Initialize();
    auto* form = new TForm(Application);
    form->SetCaption("Buttons");
    form->SetBounds(30, 30, 620, 420);
    auto* menu = new TPopupMenu(form);
    for (const char* caption : {"&Receive", "&Transmit", "-", "&Settings..."}) {
        auto* item = new TMenuItem(menu);
        item->SetCaption(caption);
        menu->Items()->Add(item);
    }
    TBitmap* picture = Picture();

    struct Look {
        const char* name;
        bool themed, flat, old;
    };
    const Look looks[] = {{"themed", true, false, false},
                          {"3-D", false, false, false},
                          {"flat", false, true, false},
                          {"classic", false, false, true}};
    TCustomExPopupButton* menuButton = nullptr;
    int y = 12;
    for (const Look& look : looks) {
        Label(form, 8, y + 4, look.name);
        const char* captions[] = {"&Plain", "Pressed", "Split", "Disabled", "Picture"};
        for (int i = 0; i < 5; ++i) {
            auto* b = new TExPopupButton(form);
            b->SetParent(form);
            b->SetBounds(90 + i * 100, y, 90, 28);
            b->SetCaption(captions[i]);
            b->SetUseXPThemes(look.themed);
            b->SetFlat(look.flat);
            b->SetOldStyled(look.old);
            if (i == 1) {
                b->SetIsSwitch(true);
                b->SetDown(true);
            }
            if (i == 2) {
                b->SetUseArrow(true);
                b->SetPullDownMenu(menu);
                if (look.themed) menuButton = b;
            }
            if (i == 3) b->SetEnabled(false);
            if (i == 4) b->SetGlyph(picture);
            if (look.flat && i == 0) b->Perform(CM_MOUSEENTER, 0, 0);  // shown hot
        }
        y += 40;
    }

    Label(form, 8, y + 4, "graphic");
    const char* graphic[] = {"Normal", "Down", "Disabled", "Flat", "Split"};
    for (int i = 0; i < 5; ++i) {
        auto* g = new TExGraphicButton(form);
        g->SetParent(form);
        g->SetBounds(90 + i * 100, y, 90, 28);
        g->SetCaption(graphic[i]);
        g->SetUseXPThemes(false);
        g->SetGlyph(picture);
        if (i == 1) {
            g->SetGroupIndex(1);
            g->SetDown(true);
        }
        if (i == 2) g->SetEnabled(false);
        if (i == 3) g->SetFlat(true);
        if (i == 4) g->SetUseArrow(true);
    }
    y += 40;
    Label(form, 8, y + 4, "themed graphic");
    for (int i = 0; i < 3; ++i) {
        auto* g = new TExGraphicButton(form);
        g->SetParent(form);
        g->SetBounds(90 + i * 100, y, 90, 28);
        g->SetCaption(graphic[i]);
        if (i == 1) {
            g->SetGroupIndex(2);
            g->SetDown(true);
        }
        if (i == 2) g->SetEnabled(false);
    }
    y += 44;

    Label(form, 8, y + 8, "speed");
    const char* speed[] = {"normal", "hot", "pressed", "disabled", "flat"};
    for (int i = 0; i < 5; ++i) {
        auto* s = new TExSpeedButton(form);
        s->SetParent(form);
        s->SetLeft(110 + i * 100);
        s->SetTop(y);
        s->SetTransparentColor(clFuchsia);
        s->SetNormalImage(Disc(TColor(0x30A030)));
        s->SetMouseInImage(Disc(TColor(0x40E0F0)));
        s->SetPressedImage(Disc(TColor(0x2020C0)));
        s->SetDisabledImage(Disc(clGray));
        s->SetDrawEdge(true);
        if (i == 1) {
            TMessage m{WM_MOUSEMOVE, 0, MAKELPARAM(12, 12), 0};
            s->Perform(m.Msg, m.WParam, m.LParam);
        }
        if (i == 2) {
            TMessage m{WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(12, 12), 0};
            s->Perform(m.Msg, m.WParam, m.LParam);
        }
        if (i == 3) s->SetEnabled(false);
        if (i == 4) s->SetFlat(true);
        Label(form, 100 + i * 100, y + 32, speed[i]);
    }
    form->Show();
    std::printf("themes %s\n", ThemesAvailable ? "available" : "missing");
    std::fflush(stdout);

    if (argc > 2 && std::atoi(argv[2]) == 1 && menuButton != nullptr) {
        auto* open = new TTimer(Application);
        open->SetInterval(500);
        open->OnTimer = [open, menuButton](TObject*) {
            open->SetEnabled(false);
            auto* close = new TTimer(Application);
            close->SetInterval(1500);
            close->OnTimer = [close](TObject*) {
                close->SetEnabled(false);
                CloseMenus();
            };
            menuButton->AClick(true);
        };
    }
    if (argc > 1 && std::atoi(argv[1]) > 0) {
        auto* timer = new TTimer(Application);
        timer->SetInterval(unsigned(std::atoi(argv[1]) * 1000));
        timer->OnTimer = [](TObject*) {
            CloseMenus();
            Application->Terminate();
        };
    }
    Application->Run();
    delete picture;
    return 0;
}
