// Shows the flat edit family for a look on a real screen: an edit, a memo, a list box and a combo
// box in the flat classic look (left column) and with the visual-style theme (right column), and a
// row of backgrounds (a tiled bitmap under an edit and a list, a memo seen through to its parent).
// Arguments: seconds to run (0: until closed), then a scene: "none"; "hot-<control>-<look>" (the
// mouse rests on it); "focus-<control>-<look>" (it has the keyboard focus); "hint-<look>" (the mouse
// rests on the list's long item until its line hint shows); "drop-<look>" (the combo box's list is
// dropped down). <control> is edit, memo, list or combo; <look> is flat or themed.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "controls/Exactrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"

namespace {

struct TColumn {
    TExAdvancedEdit* Edit = nullptr;
    TExAdvancedMemo* Memo = nullptr;
    TExAdvancedListBox* List = nullptr;
    TExAdvancedComboBox* Combo = nullptr;
};

void Label(TForm* Form, int X, int Y, const std::string& Text)
{
    auto* l = new TLabel(Form);
    l->SetParent(Form);
    l->SetBounds(X, Y, 300, 16);
    l->SetCaption(Text);
}

TColumn MakeColumn(TForm* Form, int X, bool Themed)
{
    TColumn c;
    Label(Form, X, 12, Themed ? "Themed" : "Flat, classic");
    c.Edit = new TExAdvancedEdit(Form);
    c.Edit->SetParent(Form);
    c.Edit->SetBounds(X, 34, 260, 24);
    c.Edit->SetText("Gr\xFC\xDF" "e aus K\xF6ln \x80 5");
    c.Memo = new TExAdvancedMemo(Form);
    c.Memo->SetParent(Form);
    c.Memo->SetBounds(X, 70, 260, 90);
    c.Memo->SetScrollBars(ssVertical);
    std::string lines;
    for (int i = 1; i <= 12; ++i)
        lines += "ZCZC line " + std::to_string(i) + " na\xEFve \xDF" "eta\r\n";
    c.Memo->SetText(lines);
    c.List = new TExAdvancedListBox(Form);
    c.List->SetParent(Form);
    c.List->SetBounds(X, 172, 260, 110);
    c.List->SetShowLineHint(true);
    c.List->SetHorizontalScroll(true);
    for (const char* s : {"Amsel", "Dro\xDF" "el", "\xD6sterreich", "A long item that is wider than the list box shows",
                          "Fink", "Meise", "Star", "Zaunk\xF6nig", "Kleiber"})
        c.List->Items()->Add(s);
    c.List->SetItemIndex(1);
    c.Combo = new TExAdvancedComboBox(Form);
    c.Combo->SetParent(Form);
    c.Combo->SetBounds(X, 296, 260, 0);
    for (const char* s : {"RTTY 50 Bd / 450 Hz", "RTTY 75 Bd / 850 Hz", "NAVTEX 518 kHz", "NAVTEX 490 kHz"})
        c.Combo->Items()->Add(s);
    c.Combo->SetItemIndex(2);
    c.Combo->SetHorizontalScroll(true);
    c.Edit->SetUseXPThemes(Themed);
    c.Memo->SetUseXPThemes(Themed);
    c.List->SetUseXPThemes(Themed);
    c.Combo->SetUseXPThemes(Themed);
    c.Edit->SetFlat(!Themed);
    c.Memo->SetFlat(!Themed);
    c.List->SetFlat(!Themed);
    c.Combo->SetFlat(!Themed);
    c.Combo->SetBtnThinFrame(Themed);
    return c;
}

}  // namespace

int main(int argc, char** argv)
{
    Application->Initialize();
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 0;
    const std::string scene = argc > 2 ? argv[2] : "none";

    auto* form = new TForm(Application);
    form->SetCaption("Flat edit family");
    form->SetBounds(40, 40, 600, 470);
    std::map<std::string, TColumn> columns;
    columns["flat"] = MakeColumn(form, 16, false);
    columns["themed"] = MakeColumn(form, 310, true);

    // Backgrounds: a tiled bitmap, and a memo seen through to the form.
    Label(form, 16, 336, "Backgrounds: tiled bitmap, tiled bitmap, the form seen through");
    TBitmap tile;
    tile.SetSize(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            tile.Canvas()->SetPixel(x, y, (x / 4 + y / 4) % 2 ? TColor(0xF0E0D0) : TColor(0xD8F0F8));
    auto* tiledEdit = new TExAdvancedEdit(form);
    tiledEdit->SetParent(form);
    tiledEdit->SetBounds(16, 358, 180, 24);
    tiledEdit->SetUseXPThemes(false);
    tiledEdit->SetFlat(true);
    tiledEdit->SetBackground(&tile);
    tiledEdit->SetUseBackground(true);
    tiledEdit->SetText("text over the tiles");
    auto* tiledList = new TExAdvancedListBox(form);
    tiledList->SetParent(form);
    tiledList->SetBounds(206, 358, 180, 80);
    tiledList->SetUseXPThemes(false);
    tiledList->SetFlat(true);
    tiledList->SetBackground(&tile);
    tiledList->SetUseBackground(true);
    tiledList->SetTransparentSelection(true);
    for (const char* s : {"first", "second (chosen)", "third"})
        tiledList->Items()->Add(s);
    tiledList->SetItemIndex(1);
    form->SetColor(TColor(0xC8E0C8));
    auto* seeThrough = new TExAdvancedMemo(form);
    seeThrough->SetParent(form);
    seeThrough->SetBounds(396, 358, 180, 80);
    seeThrough->SetUseXPThemes(false);
    seeThrough->SetFlat(true);
    seeThrough->SetTransparent(true);
    seeThrough->SetText("the form's colour\r\nshows through");

    Application->HintPause = 300;
    Application->HintHidePause = 60000;
    form->Show();
    Application->ProcessMessages();
    // Nothing focused in the columns unless the scene asks: the focus rests on the background edit.
    tiledEdit->SetFocus();

    auto control = [&](const std::string& Name, const std::string& Look) -> TWinControl* {
        TColumn& c = columns[Look];
        if (Name == "edit")
            return c.Edit;
        if (Name == "memo")
            return c.Memo;
        if (Name == "list")
            return c.List;
        return c.Combo;
    };
    const size_t dash1 = scene.find('-'), dash2 = scene.rfind('-');
    const std::string what = scene.substr(0, dash1);
    const std::string look = scene.substr(dash2 + 1);
    if (what == "hot" || what == "focus") {
        TWinControl* w = control(scene.substr(dash1 + 1, dash2 - dash1 - 1), look);
        if (what == "hot")
            Input::MouseMove(w, w->ClientWidth() - 30, 6);
        else
            w->SetFocus();
    } else if (what == "hint") {
        TExAdvancedListBox* l = columns[look].List;
        const TRect r = l->ItemRect(3);
        Input::MouseMove(l, 40, r.Top + 4);
    } else if (what == "drop") {
        columns[look].Combo->SetFocus();
        columns[look].Combo->SetDroppedDown(true);
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
